// Data modules of two staff members on one database, as the web presentation runs one per
// session: saves that collide, refusals in the staff's language, and the unit types' key.
#include "app/db/DatabaseScripts.h"
#include "app/uDM.h"
#include "data/DatabaseError.h"
#include "data/TestDatabase.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace {

using testdb::Raised;
using testdb::TWhere;
using testdb::WhereName;

class DMMultiUser : public ::testing::TestWithParam<TWhere> {
protected:
  void SetUp() override {
    if (GetParam() == TWhere::Server) {
      REQUIRE_DATABASE_SERVER();
    }
    const auto file = testdb::CreateServerDatabase(Folder, "office.fdb");
    std::ofstream config(ConfigFile());
    config << "[Database]\nDatabase=" << file.string() << "\n";
    if (GetParam() == TWhere::Server)
      config << "Host=127.0.0.1\n";
  }

  std::string ConfigFile() const { return (Folder.Path() / "Config.ini").string(); }

  // A staff member's data module, connected, with its queries open.
  TDM* Session() {
    auto* module = new TDM(&Owner);
    module->Connect(ConfigFile());
    module->OpenQueries();
    return module;
  }

  static void OpenRequest(TDM& module, int64_t id) {
    module.qrySolicitacao->Close();
    module.qrySolicitacao->ParamByName("P_ID_SOLICITACAO").SetAsLargeInt(id);
    module.qrySolicitacao->Open();
  }

  testdb::TTempFolder Folder;
  TComponent Owner{nullptr};
};

INSTANTIATE_TEST_SUITE_P(Database, DMMultiUser, ::testing::Values(TWhere::Embedded, TWhere::Server),
                         WhereName);

std::string Refusal(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& error) {
    return error.Message();
  }
  ADD_FAILURE() << "nothing refused";
  return {};
}

TEST_P(DMMultiUser, TwoStaffSavingTheSameRequestDoNotOverwriteEachOther) {
  TDM* first = Session();
  TDM* second = Session();
  OpenRequest(*first, 5);
  OpenRequest(*second, 5);
  first->qrySolicitacao->Edit();
  first->qrySolicitacao->FieldByName("SOLICITACAO").SetAsString("Poste apagado na praça");
  first->qrySolicitacao->Post();

  TQuery& request = *second->qrySolicitacao;
  request.Edit();
  request.FieldByName("SOLICITACAO").SetAsString("Poste caído na praça");
  const EDatabaseError error = Raised([&] { request.Post(); });
  EXPECT_EQ(error.GetKind(), TDatabaseErrorKind::dekRecordChanged);
  EXPECT_NE(error.Message().find("alterado por outro usuário"), std::string::npos)
      << error.Message();
  EXPECT_EQ(request.GetState(), TDataSetState::dsEdit);
  EXPECT_EQ(request.FieldByName("SOLICITACAO").GetAsString(), "Poste caído na praça");

  request.Cancel();
  request.Refresh();
  EXPECT_EQ(request.FieldByName("SOLICITACAO").GetAsString(), "Poste apagado na praça");

  // A request the other staff member deleted meanwhile.
  first->conBD->ExecSQL("DELETE FROM SOLICITACAO WHERE ID_SOLICITACAO = 5");
  request.Edit();
  request.FieldByName("SOLICITACAO").SetAsString("Poste caído na praça");
  const std::string deleted = Refusal([&] { request.Post(); });
  EXPECT_NE(deleted.find("excluído por outro usuário"), std::string::npos) << deleted;
  EXPECT_EQ(request.FieldByName("SOLICITACAO").GetAsString(), "Poste caído na praça");
}

// What staff can type wrong is refused in Portuguese, naming the field as the form labels it, and
// the value already in the field stays.
TEST_P(DMMultiUser, RefusalsStaffCanCauseArePortugueseAndNameTheFieldLabel) {
  TDM* module = Session();
  OpenRequest(*module, 5);
  TQuery& request = *module->qrySolicitacao;
  request.Edit();
  struct Case {
    const char* field;
    std::string text;
    const char* message;
  };
  const Case cases[] = {
      {"SOLICITACAO", "Buraco 😀 na rua",
       "O caractere \"😀\" não pode ser gravado no campo \"Descrição\"; remova-o e tente de "
       "novo"},
      {"DATA_SOLICITACAO", "31/02/2026",
       "\"31/02/2026\" não é uma data e hora válida para o campo \"Data Solicitação\""},
      {"ID_SITUACAO", "dois", "\"dois\" não é um número inteiro válido para o campo \"Situação\""},
      {"SOLICITACAO", std::string(101, 'x'),
       "O texto de 101 caracteres é maior que os 100 permitidos no campo \"Descrição\""},
  };
  for (const Case& c : cases) {
    TField& field = request.FieldByName(c.field);
    const std::string before = field.GetText();
    EXPECT_EQ(Refusal([&] { field.SetAsString(c.text); }), c.message);
    EXPECT_EQ(field.GetText(), before);
  }
  request.FieldByName("SOLICITACAO").Clear();
  EXPECT_EQ(Refusal([&] { request.Post(); }), "O campo \"Descrição\" precisa ser preenchido");
  EXPECT_EQ(request.GetState(), TDataSetState::dsEdit);
}

// Retyping a unit type's key carries its units along; a type that units use cannot be deleted.
TEST_P(DMMultiUser, RekeyingAUnitTypeCarriesItsUnits) {
  TDM* module = Session();
  TQuery& types = *module->qryTipoUnidade;
  ASSERT_TRUE(types.Locate("ID_TIPO_UNIDADE", {Variant(int64_t{1})}));
  types.Edit();
  types.FieldByName("ID_TIPO_UNIDADE").SetAsLargeInt(50);
  types.Post();

  module->qryUnidades->Refresh();
  int rekeyed = 0;
  for (module->qryUnidades->First(); !module->qryUnidades->GetEof(); module->qryUnidades->Next())
    rekeyed += module->qryUnidades->FieldByName("ID_TIPO_UNIDADE").GetAsLargeInt() == 50;
  EXPECT_EQ(rekeyed, 4);
  ASSERT_TRUE(module->qryUnidades->Locate("ID_TIPO_UNIDADE", {Variant(int64_t{1})}) == false);

  ASSERT_TRUE(types.Locate("ID_TIPO_UNIDADE", {Variant(int64_t{2})}));
  const EDatabaseError error = Raised([&] { types.Delete(); });
  EXPECT_EQ(error.GetKind(), TDatabaseErrorKind::dekForeignKey);
  EXPECT_NE(error.Message().find("usado por outros registros"), std::string::npos)
      << error.Message();
  types.Refresh();
  EXPECT_TRUE(types.Locate("ID_TIPO_UNIDADE", {Variant(int64_t{2})}));
}

TEST_P(DMMultiUser, TheLoggedInUsersKeyIsLookedUpByTheModule) {
  TDM* module = Session();
  const Variant key = module->IdUsuarioDoLogin("pelix");
  EXPECT_FALSE(key.IsEmptyOrNull());
  EXPECT_TRUE(module->IdUsuarioDoLogin("ninguem").IsEmptyOrNull());
}

} // namespace
