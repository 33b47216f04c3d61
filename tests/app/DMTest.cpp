#include "app/db/DatabaseScripts.h"
#include "app/uDM.h"
#include "data/TestDatabase.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

using testdb::TTempFolder;

namespace {

// A data module connected to a fresh database made from the scripts built into the program.
class DMTest : public ::testing::Test {
protected:
  void SetUp() override {
    {
      TComponent creatorOwner(nullptr);
      auto* creator = new TConnection(&creatorOwner);
      testdb::SetEmbeddedParams(*creator, Folder.Path() / "office.fdb");
      creator->CreateDatabase(DatabaseScripts(), TForcedWrites::fwOff);
    }
    std::ofstream(ConfigFile()) << "[Database]\nDatabase=office.fdb\n";
    DM = new TDM(&Owner);
    DM->Connect(ConfigFile());
    DM->OpenQueries();
  }

  std::string ConfigFile() const { return (Folder.Path() / "Config.ini").string(); }

  Variant ReadValue(const std::string& sql) {
    TQuery query(nullptr);
    query.SetConnection(DM->conBD);
    query.GetSQL().SetText(sql);
    query.Open();
    return query.Fields(0).GetAsVariant();
  }

  TTempFolder Folder;
  TComponent Owner{nullptr};
  TDM* DM = nullptr;
};

} // namespace

TEST_F(DMTest, QueriesReturnTheSeededRowsWithTheirLabels) {
  EXPECT_EQ(DM->qryPrefeitura->FieldByName("NOME_PREFEITURA").GetAsString(),
            "Prefeitura Municipal de Vila Serena");
  EXPECT_EQ(DM->qryLisSolicitacao->GetRecordCount(), 60);
  EXPECT_EQ(DM->qrySituacao->GetRecordCount(), 6);
  EXPECT_EQ(DM->qryTipoUsuario->GetRecordCount(), 4);
  EXPECT_EQ(DM->qryLisUsuario->FieldByName("NOME_USUARIO").GetAsString(), "Ana Paula Silva");
  EXPECT_EQ(DM->qryDashTipo->GetRecordCount(), 6);

  struct Label {
    TQuery* query;
    const char* field;
    const char* label;
  };
  const Label labels[] = {
      {DM->qryPrefeitura, "LOGO_PREFEITURA", "Logo Prefeitura"},
      {DM->qryLisSolicitacao, "ID_SOLICITACAO", "Controle"},
      {DM->qryLisSolicitacao, "DATA_SOLICITACAO", "Data Solicitação"},
      {DM->qryLisSolicitacao, "SOLICITACAO", "Descrição"},
      {DM->qryLisSolicitacao, "NOME_USUARIO", "Usuário"},
      {DM->qryLisSolicitacao, "NOME_SITUACAO", "Situação"},
      {DM->qryLisSolicitacao, "NOME_TIPO", "Tipo"},
      {DM->qryLisSolicitacao, "NOME_UNIDADE", "Unidade"},
      {DM->qryLisSolicitacao, "ID_TIPO", "ID_TIPO"},
      {DM->qrySituacao, "ID_SITUACAO", "Id Situacao"},
      {DM->qrySituacao, "LOGO_SITUACAO", "Ícone Situação"},
      {DM->qryTipoSolicitacao, "NOME_TIPO", "Tipo de Solicitação"},
      {DM->qryTipoSolicitacao, "COR_SITUACAO", "Cor"},
      {DM->qryUnidades, "ID_TIPO_UNIDADE", "Tipo de Unidade"},
      {DM->qryTipoUnidade, "ID_TIPO_UNIDADE", "Id Tipo Unidade"},
      {DM->qryTipoUsuario, "TIPO_ACESSO", "Nível de Acesso"},
      {DM->qryLisUsuario, "ID_USUARIO", "ID Usuário"},
      {DM->qryLisUsuario, "TIPO_USUARIO", "Tipo de Acesso"},
      {DM->qryDashTipo, "NOME_TIPO", "Tipo de Solicitação"},
      {DM->qryDashTipo, "QT", "Quantidade"},
  };
  for (const Label& l : labels)
    EXPECT_EQ(l.query->FieldByName(l.field).GetDisplayLabel(), l.label)
        << l.query->GetName() << "." << l.field;

  DM->qryLisSolicitacao->First();
  EXPECT_EQ(DM->qryLisSolicitacao->FieldByName("ID_SOLICITACAO").GetDisplayText(), "00000001");
  EXPECT_TRUE(DM->qryLisSolicitacao->FieldByName("NOME_SITUACAO").GetReadOnly());

  DM->qryUsuario->ParamByName("P_ID_USUARIO").SetAsLargeInt(1);
  DM->qryUsuario->Open();
  EXPECT_EQ(DM->qryUsuario->FieldByName("LOGIN_USUARIO").GetAsString(), "pelix");
  EXPECT_EQ(DM->qryUsuario->FieldByName("KEY_USUARIO").GetDisplayLabel(), "Chave ");
  EXPECT_EQ(DM->qryUsuario->FieldByName("TIPO_USUARIO").GetDisplayLabel(), "Tipo de Usuario");
  EXPECT_EQ(DM->qryUsuario->FieldByName("TIPO_USUARIO").GetAsString(), "Administrador");
  DM->qrySolicitacao->Open(); // its stored parameter is 0: no request
  EXPECT_TRUE(DM->qrySolicitacao->IsEmpty());
  EXPECT_EQ(DM->qrySolicitacao->FieldByName("ID_SOLICITACAO").GetDisplayLabel(), "Id Solicitação");
  EXPECT_EQ(DM->qrySolicitacao->FieldByName("ID_SOLICITACAO").GetDisplayFormat(), "");
}

TEST_F(DMTest, DashboardCountsAddUpToTheRequests) {
  const int64_t total = DM->qryDashQt->FieldByName("QT_NOVAS").GetAsInteger() +
                        DM->qryDashQt->FieldByName("QT_ANDAMENTO").GetAsInteger() +
                        DM->qryDashQt->FieldByName("QT_FINALIZADAS").GetAsInteger();
  EXPECT_EQ(total, 60);
  EXPECT_EQ(DM->qryDashQt->FieldByName("QT_NOVAS").GetAsInteger(),
            ReadValue("SELECT COUNT(*) FROM SOLICITACAO WHERE ID_SITUACAO = 1").AsInt64());
  EXPECT_EQ(DM->qryDashQt->FieldByName("QT_FINALIZADAS").GetAsInteger(),
            ReadValue("SELECT COUNT(*) FROM SOLICITACAO WHERE ID_SITUACAO IN (5, 6)").AsInt64());
  int64_t perType = 0;
  for (DM->qryDashTipo->First(); !DM->qryDashTipo->GetEof(); DM->qryDashTipo->Next())
    perType += DM->qryDashTipo->FieldByName("QT").GetAsInteger();
  EXPECT_EQ(perType, 60);
}

TEST_F(DMTest, OpenQueriesOpensInTheFixedOrder) {
  std::vector<std::string> order;
  for (int i = 0; i < DM->ComponentCount(); ++i)
    if (auto* query = dynamic_cast<TQuery*>(DM->Components(i))) {
      query->Close();
      query->AfterOpen = [&order](TDataSet* dataSet) { order.push_back(dataSet->GetName()); };
    }
  DM->OpenQueries();
  const std::vector<std::string> expected = {
      "qryPrefeitura",  "qrySituacao", "qryTipoSolicitacao", "qryUnidades",   "qryTipoUnidade",
      "qryTipoUsuario", "qryDashQt",   "qryDashTipo",        "qryLisUsuario", "qryLisSolicitacao"};
  EXPECT_EQ(order, expected);
}

TEST_F(DMTest, BuscaSolicitacoesOrdersByDateAsAsked) {
  const std::pair<const char*, bool> cases[] = {{"", false},
                                                {"DATA_ASCENDING", false},
                                                {"DATA_DESCENDING", true},
                                                {"data_descending", false},
                                                {"Data_Descending", false},
                                                {"ANYTHING", false}};
  TQuery* list = DM->qryLisSolicitacao;
  list->SetFilter("SOLICITACAO LIKE '%a%'");
  list->SetFiltered(true);
  const int filtered = list->GetRecordCount();
  for (const auto& [order, descending] : cases) {
    DM->BuscaSolicitacoes(order);
    EXPECT_EQ(list->GetSQL().Strings(list->GetSQL().Count() - 1),
              descending ? "  SOL.DATA_SOLICITACAO DESC" : "  SOL.DATA_SOLICITACAO")
        << order;
    EXPECT_EQ(list->GetSQL().Strings(0), "SELECT");
    // The select list, the joins, "WHERE 1=1" (a staff user sees every request) and the order.
    EXPECT_EQ(list->GetSQL().Count(), 22);
    EXPECT_EQ(list->GetSQL().Strings(19), "WHERE 1=1");
    // The local filter stays in force.
    EXPECT_EQ(list->GetRecordCount(), filtered) << order;
    list->SetFiltered(false);
    EXPECT_EQ(list->GetRecordCount(), 60);
    double previous = descending ? 1e9 : -1e9;
    for (list->First(); !list->GetEof(); list->Next()) {
      const double date = list->FieldByName("DATA_SOLICITACAO").GetAsDateTime().Value;
      EXPECT_TRUE(descending ? date <= previous : date >= previous) << order;
      previous = date;
    }
    list->SetFiltered(true);
  }
}

TEST_F(DMTest, NewRecordsStartWithKeyZeroAndTheirDefaults) {
  const std::pair<TQuery*, const char*> keys[] = {
      {DM->qrySituacao, "ID_SITUACAO"},        {DM->qryTipoSolicitacao, "ID_TIPO"},
      {DM->qryUnidades, "ID_UNIDADE"},         {DM->qryTipoUnidade, "ID_TIPO_UNIDADE"},
      {DM->qryTipoUsuario, "ID_TIPO_USUARIO"},
  };
  for (const auto& [query, key] : keys) {
    query->Append();
    EXPECT_EQ(query->FieldByName(key).GetAsString(), "0") << query->GetName();
    query->Cancel();
  }

  DM->qrySolicitacao->Close();
  DM->qrySolicitacao->ParamByName("P_ID_SOLICITACAO").SetAsLargeInt(0);
  DM->qrySolicitacao->Open();
  DM->qrySolicitacao->Insert();
  EXPECT_EQ(DM->qrySolicitacao->FieldByName("ID_SOLICITACAO").GetText(), "0");
  EXPECT_LT(std::fabs(DM->qrySolicitacao->FieldByName("DATA_SOLICITACAO").GetAsDateTime().Value -
                      Now().Value),
            1.0 / 24 / 60);
  // Filled in, the new request is saved with the key the database gives.
  TQuery* request = DM->qrySolicitacao;
  request->FieldByName("SOLICITACAO").SetAsString("Poste caído na esquina");
  for (const char* field : {"ID_USUARIO", "ID_PREFEITURA", "ID_SITUACAO", "ID_TIPO", "ID_UNIDADE"})
    request->FieldByName(field).SetAsInteger(1);
  request->Post();
  EXPECT_EQ(request->FieldByName("ID_SOLICITACAO").GetAsLargeInt(), 61);
  EXPECT_EQ(ReadValue("SELECT SOLICITACAO FROM SOLICITACAO WHERE ID_SOLICITACAO = 61").AsString(),
            "Poste caído na esquina");
}

TEST_F(DMTest, ANewUserCanBeSaved) {
  TQuery* user = DM->qryUsuario;
  user->Close();
  user->ParamByName("P_ID_USUARIO").SetAsLargeInt(0);
  user->Open();
  user->Insert();
  EXPECT_EQ(user->FieldByName("ID_USUARIO").GetText(), "0");
  EXPECT_EQ(user->FieldByName("KEY_USUARIO").GetAsString().size(), 32u);
  user->FieldByName("LOGIN_USUARIO").SetAsString("lferraz");
  user->FieldByName("NOME_USUARIO").SetAsString("Lúcia Ferraz");
  user->FieldByName("DATA_NASCIMENTO").SetAsString("14/08/1988");
  user->FieldByName("EMAIL_USUARIO").SetAsString("lferraz@vilaserena.gov.br");
  user->FieldByName("SENHA_USUARIO").SetAsString("Lucia#88");
  user->FieldByName("CELULAR_USUARIO").SetAsString("(11) 98866-7706");
  user->FieldByName("ID_TIPO_USUARIO").SetAsInteger(3);
  user->Post();
  EXPECT_EQ(user->FieldByName("ID_USUARIO").GetAsLargeInt(), 6);
  EXPECT_EQ(ReadValue("SELECT NOME_USUARIO FROM USUARIO WHERE ID_USUARIO = 6").AsString(),
            "Lúcia Ferraz");
}

TEST_F(DMTest, UserKeysTravelAsSixtyFourBitIntegers) {
  DM->conBD->ExecSQL("INSERT INTO USUARIO (ID_USUARIO, LOGIN_USUARIO, NOME_USUARIO, "
                     "DATA_NASCIMENTO, EMAIL_USUARIO, SENHA_USUARIO, KEY_USUARIO, "
                     "CELULAR_USUARIO, ID_TIPO_USUARIO) VALUES (3000000000, 'big', 'Big', "
                     "'2000-01-01', 'b@b', 'b', 'k', 'c', 3)");
  DM->qryLisUsuario->Refresh();
  ASSERT_TRUE(DM->qryLisUsuario->Locate("LOGIN_USUARIO", {Variant("big")}));
  TQuery* user = DM->qryUsuario;
  EXPECT_EQ(user->ParamByName("P_ID_USUARIO").GetDataType(), TFieldType::ftLargeint);
  user->Close();
  user->ParamByName("P_ID_USUARIO")
      .SetAsLargeInt(DM->qryLisUsuario->FieldByName("ID_USUARIO").GetAsLargeInt());
  user->Open();
  ASSERT_EQ(user->GetRecordCount(), 1);
  user->Edit();
  user->FieldByName("NOME_USUARIO").SetAsString("Big Renamed");
  user->Post();
  EXPECT_EQ(ReadValue("SELECT NOME_USUARIO FROM USUARIO WHERE ID_USUARIO = 3000000000").AsString(),
            "Big Renamed");
  EXPECT_EQ(ReadValue("SELECT COUNT(*) FROM USUARIO WHERE NOME_USUARIO = 'Big Renamed'").AsInt64(),
            1);
}

TEST(DMStart, FirstStartCreatesTheEmbeddedDatabaseButNeverARemoteOne) {
  TTempFolder folder;
  const auto config = folder.Path() / "Config.ini";
  {
    TComponent owner(nullptr);
    auto* dm = new TDM(&owner);
    std::ofstream(config) << "[Database]\nDatabase=Brenvox.fdb\n";
    dm->Connect(config.string());
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "Brenvox.fdb"));
    dm->OpenQueries();
    EXPECT_EQ(dm->qryLisSolicitacao->GetRecordCount(), 60);
    EXPECT_EQ(dm->conBD->GetParams().GetValue("User_Name"), "SYSDBA");
    EXPECT_FALSE(dm->conBD->GetLoginPrompt());
  }
  {
    TComponent owner(nullptr);
    auto* dm = new TDM(&owner);
    std::ofstream(config) << "[Database]\nHost=127.0.0.1\nPort=1\nDatabase="
                          << (folder.Path() / "remote.fdb").string() << "\n";
    try {
      dm->Connect(config.string());
      FAIL() << "connected";
    } catch (const Exception& error) {
      EXPECT_NE(error.Message().find("127.0.0.1:1"), std::string::npos) << error.Message();
      EXPECT_NE(error.Message().find("remote.fdb"), std::string::npos) << error.Message();
    }
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "remote.fdb"));
  }
}

// Several users each get a data module of their own on the same database.
TEST_F(DMTest, DataModulesShareNoCursorEditOrFilter) {
  auto* other = new TDM(&Owner);
  other->Connect(ConfigFile());
  other->OpenQueries();
  EXPECT_NE(other->conBD, DM->conBD);

  DM->qrySituacao->Last();
  EXPECT_EQ(other->qrySituacao->GetRecNo(), 1);
  DM->qryLisSolicitacao->SetFilter("ID_SITUACAO = 1");
  DM->qryLisSolicitacao->SetFiltered(true);
  EXPECT_EQ(other->qryLisSolicitacao->GetRecordCount(), 60);

  DM->qrySituacao->Edit();
  DM->qrySituacao->FieldByName("NOME_SITUACAO").SetAsString("Arquivada");
  EXPECT_EQ(other->qrySituacao->GetState(), TDataSetState::dsBrowse);
  DM->qrySituacao->Post();
  other->qrySituacao->Refresh();
  other->qrySituacao->Last();
  EXPECT_EQ(other->qrySituacao->FieldByName("NOME_SITUACAO").GetAsString(), "Arquivada");
}

// The same module on the database server the test command starts, configured by Config.ini.
TEST(DMStart, OpensAgainstADatabaseServer) {
  REQUIRE_DATABASE_SERVER();
  TTempFolder folder;
  const auto file = testdb::CreateServerDatabase(folder, "Brenvox.fdb");
  const auto config = folder.Path() / "Config.ini";
  std::ofstream(config) << "[Database]\nHost=127.0.0.1\nPort=3050\nDatabase=" << file.string()
                        << "\nUser=SYSDBA\nPassword=tulipvane\n";
  TComponent owner(nullptr);
  auto* dm = new TDM(&owner);
  dm->Connect(config.string());
  EXPECT_FALSE(dm->conBD->IsEmbedded());
  dm->OpenQueries();
  EXPECT_EQ(dm->qryLisSolicitacao->GetRecordCount(), 60);
  dm->BuscaSolicitacoes("DATA_DESCENDING");
  EXPECT_EQ(dm->qryLisSolicitacao->FieldByName("DATA_SOLICITACAO").GetDisplayText().substr(3, 7),
            "12/2026");
  dm->qrySituacao->Append();
  dm->qrySituacao->FieldByName("NOME_SITUACAO").SetAsString("Encaminhada à Procuradoria");
  dm->qrySituacao->Post();
  EXPECT_EQ(dm->qrySituacao->FieldByName("ID_SITUACAO").GetAsLargeInt(), 7);
}
