// Data modules of two staff members on one database, as the web presentation runs one per
// session: saves that collide, refusals in the staff's language, and the unit types' key.
#include "app/db/DatabaseScripts.h"
#include "app/uDM.h"
#include "data/DatabaseError.h"
#include "data/TestDatabase.h"

#include <gtest/gtest.h>

#include <sodium.h>

#include <fstream>
#include <functional>
#include <optional>
#include <utility>

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

  static void Exec(TDM& module, const std::string& sql) {
    TQuery query(nullptr);
    query.SetConnection(module.conBD);
    query.GetSQL().SetText(sql);
    query.ExecSQL();
  }

  // The password column of a user, as stored, read by a connection of its own.
  std::string ReadPassword(const std::string& login) {
    TDM reader(nullptr);
    reader.Connect(ConfigFile());
    TQuery query(nullptr);
    query.SetConnection(reader.conBD);
    query.GetSQL().SetText("SELECT SENHA_USUARIO FROM USUARIO WHERE LOGIN_USUARIO = :L");
    query.ParamByName("L").SetAsString(login);
    query.Open();
    return query.IsEmpty() ? std::string() : query.Fields(0).GetAsString();
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

// The users of the starting data, each with the password given to them, are accepted with their
// key and their type's level; anything else is refused.
TEST_P(DMMultiUser, TheLoginAcceptsTheUsersOfTheTableByTheirPasswords) {
  TDM* module = Session();
  struct Case {
    std::string Login;
    std::string Password;
    int64_t Id; // 0: refused
    char Nivel;
  };
  const Case cases[] = {
      {"pelix", "pelix", 1, 'A'},
      {"brud", "brud", 2, 'G'},
      {"mcosta", "Ouvidoria#2026", 3, 'S'},
      {"asilva", "Serena@95", 4, 'S'},
      {"jsouza", "cidadao123", 5, 'C'},
      {"pelix", "brud", 0, 0},
      {"brud", "pelix", 0, 0},
      {"Pelix", "pelix", 0, 0},
      {" pelix", "pelix", 0, 0},
      {"pelix ", "pelix", 0, 0},
      {"pelix", "pelix ", 0, 0},
      {"pelix", "PELIX", 0, 0},
      {"mcosta", "ouvidoria#2026", 0, 0},
      {"ninguem", "ninguem", 0, 0},
      // A name the database's character set cannot hold is nobody's.
      {"pelix\u2603", "pelix", 0, 0},
      // A stored hash typed as the password.
      {"pelix", ReadPassword("pelix"), 0, 0},
  };
  for (const Case& c : cases) {
    const std::optional<TUsuarioLogado> user = module->ConfereLogin(c.Login, c.Password);
    ASSERT_EQ(user.has_value(), c.Id != 0) << c.Login << "/" << c.Password;
    if (user) {
      EXPECT_EQ(user->Login, c.Login);
      EXPECT_EQ(user->Id, c.Id) << c.Login;
      EXPECT_EQ(user->Nivel, c.Nivel) << c.Login;
    }
  }
  // The starting data holds hashes only.
  for (const char* login : {"pelix", "brud", "mcosta", "asilva", "jsouza"})
    EXPECT_TRUE(ReadPassword(login).starts_with("$argon2id$")) << login;
}

// A password still kept as typed (a database from before hashes) is accepted and stored as a
// hash at that login; a wrong one leaves it as it was.
TEST_P(DMMultiUser, APasswordKeptAsTypedBecomesAHashAtItsFirstLogin) {
  TDM* module = Session();
  Exec(*module, "UPDATE USUARIO SET SENHA_USUARIO = 'legado#1' WHERE LOGIN_USUARIO = 'asilva'");
  EXPECT_FALSE(module->ConfereLogin("asilva", "legado#2"));
  EXPECT_FALSE(module->ConfereLogin("asilva", "Serena@95"));
  EXPECT_EQ(ReadPassword("asilva"), "legado#1");

  ASSERT_TRUE(module->ConfereLogin("asilva", "legado#1"));
  const std::string stored = ReadPassword("asilva");
  EXPECT_TRUE(stored.starts_with("$argon2id$")) << stored;
  EXPECT_EQ(crypto_pwhash_str_verify(stored.c_str(), "legado#1", 8), 0);
  // The plain text is gone: the hash is what is checked from now on.
  EXPECT_TRUE(module->ConfereLogin("asilva", "legado#1"));
  EXPECT_FALSE(module->ConfereLogin("asilva", stored));
  EXPECT_EQ(ReadPassword("asilva"), stored);
}

TEST_P(DMMultiUser, AChangedPasswordReplacesTheOldOne) {
  TDM* module = Session();
  module->GravaSenha(2, "Nova senha 1");
  EXPECT_FALSE(module->ConfereLogin("brud", "brud"));
  const std::optional<TUsuarioLogado> user = module->ConfereLogin("brud", "Nova senha 1");
  ASSERT_TRUE(user);
  EXPECT_EQ(user->Id, 2);
  EXPECT_EQ(crypto_pwhash_str_verify(ReadPassword("brud").c_str(), "Nova senha 1", 12), 0);
}

// A user whose type has no valid level, or no type at all, is let in nowhere.
TEST_P(DMMultiUser, AUserWithoutAnAccessLevelIsRefused) {
  TDM* module = Session();
  Exec(*module, "UPDATE TIPO_USUARIO SET TIPO_ACESSO = NULL WHERE ID_TIPO_USUARIO = 3");
  Exec(*module, "UPDATE TIPO_USUARIO SET TIPO_ACESSO = 'X' WHERE ID_TIPO_USUARIO = 2");
  Exec(*module, "UPDATE USUARIO SET ID_TIPO_USUARIO = 99 WHERE LOGIN_USUARIO = 'jsouza'");
  for (const auto& [login, password] :
       {std::pair{"mcosta", "Ouvidoria#2026"}, std::pair{"brud", "brud"},
        std::pair{"jsouza", "cidadao123"}})
    EXPECT_FALSE(module->ConfereLogin(login, password)) << login;
  EXPECT_TRUE(module->ConfereLogin("pelix", "pelix"));
}

} // namespace
