// The user list and the user form on a fresh database: adding, changing and discarding users.

#include "AppFormsFixture.h"
#include "app/uCadUsuarios.h"
#include "app/uUsuario.h"

#include <sodium.h>

#include <vector>

namespace {

using apptest::AppForms;

TEST_F(AppForms, UserListShowsTheUsersByName) {
  TfCadUsuarios& form = Open<TfCadUsuarios>();
  EXPECT_EQ(form.GetCaption(), "Cadastro de Usuarios");
  EXPECT_EQ(form.lblTituloTela->GetCaption(), "Cadastro de Usuarios");
  EXPECT_EQ(form.btnNovo->GetCaption(), "Novo");
  EXPECT_EQ(form.btnAlterar->GetCaption(), "Alterar");
  EXPECT_EQ(form.btnAlterar->GetWidth(), 111);
  EXPECT_EQ(form.gpbListagem->GetCaption(), "Listagem");
  const std::vector<std::tuple<std::string, int, std::string>> columns = {
      {"ID_USUARIO", 66, "ID Usuário"},
      {"LOGIN_USUARIO", 93, "Login"},
      {"NOME_USUARIO", 226, "Nome"},
      {"EMAIL_USUARIO", 335, "Email"},
      {"TIPO_USUARIO", 223, "Tipo de Acesso"}};
  TDBGridColumns& grid = form.DBGrid1->GetColumns();
  ASSERT_EQ(grid.Count(), 5);
  for (int i = 0; i < grid.Count(); ++i) {
    EXPECT_EQ(grid.Items(i).GetFieldName(), std::get<0>(columns[i]));
    EXPECT_EQ(grid.Items(i).GetWidth(), std::get<1>(columns[i]));
    EXPECT_EQ(grid.Items(i).GetTitleCaption(), std::get<2>(columns[i]));
  }
  EXPECT_FALSE(form.DBGrid1->CanEditCell());
}

TEST_F(AppForms, NewUserFilledInIsSaved) {
  Open<TfCadUsuarios>();
  bool seen = false;
  Driver.Queue([&] {
    ASSERT_NE(fUsuario, nullptr);
    seen = true;
    EXPECT_EQ(fUsuario->GetOwner(), &App);
    EXPECT_EQ(fUsuario->GetCaption(), "Usuário");
    EXPECT_EQ(fUsuario->GetClientWidth(), 760);
    EXPECT_EQ(fUsuario->GetClientHeight(), 385);
    EXPECT_EQ(fUsuario->gpbListagem->GetCaption(), "Listagem");
    EXPECT_EQ(fUsuario->dbiFoto->GetWidth(), 110);
    EXPECT_TRUE(fUsuario->dbeIdUsuario->GetReadOnly());
    EXPECT_FALSE(fUsuario->dbeIdUsuario->GetTabStop());
    EXPECT_EQ(DM->qryUsuario->GetState(), TDataSetState::dsInsert);
    Driver.Type("fUsuario", "dbeLogin", "lcarvalho");
    Driver.Type("fUsuario", "dbeNome", "Lúcia Carvalho");
    Driver.Type("fUsuario", "dbeDataNascimento", "14/02/1988");
    Driver.Type("fUsuario", "dbeEmail", "lcarvalho@vilaserena.gov.br");
    // The password edit starts empty and masks what is typed.
    EXPECT_EQ(fUsuario->edtSenha->GetText(), "");
    EXPECT_EQ(fUsuario->edtSenha->GetPasswordChar(), '*');
    Driver.Type("fUsuario", "edtSenha", "Senha'forte");
    Driver.Type("fUsuario", "dbeCelular", "(11) 98866-7706");
    Driver.Choose("fUsuario", "cbbTipoUsuario", "Servidor");
    Driver.Click("fUsuario", "btnSalvar");
  });
  Driver.Click("fCadUsuarios", "btnNovo");

  EXPECT_TRUE(seen);
  EXPECT_TRUE(Driver.Messages().empty());
  EXPECT_EQ(fUsuario, nullptr);
  EXPECT_EQ(ReadValue("SELECT COUNT(*) FROM USUARIO WHERE LOGIN_USUARIO = 'lcarvalho' AND "
                      "NOME_USUARIO = 'Lúcia Carvalho' AND DATA_NASCIMENTO = '1988-02-14' AND "
                      "ID_TIPO_USUARIO = 3")
                .AsInteger(),
            1);
  EXPECT_EQ(ReadValue("SELECT ID_USUARIO FROM USUARIO WHERE LOGIN_USUARIO = 'lcarvalho'").AsInt64(),
            6);
  // The password is stored as a hash of what was typed, and the new user can log in with it.
  const std::string stored =
      ReadValue("SELECT SENHA_USUARIO FROM USUARIO WHERE LOGIN_USUARIO = 'lcarvalho'").AsString();
  EXPECT_EQ(crypto_pwhash_str_verify(stored.c_str(), "Senha'forte", 11), 0) << stored;
  const auto user = DM->ConfereLogin("lcarvalho", "Senha'forte");
  ASSERT_TRUE(user);
  EXPECT_EQ(user->Nivel, 'S');
  // The access key: 32 hexadecimal digits from the secure random source.
  const std::string key =
      ReadValue("SELECT KEY_USUARIO FROM USUARIO WHERE LOGIN_USUARIO = 'lcarvalho'").AsString();
  EXPECT_EQ(key.size(), 32u);
  EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos) << key;
  // The list is not read again.
  EXPECT_EQ(DM->qryLisUsuario->GetRecordCount(), 5);
}

TEST_F(AppForms, UserFormCancelLeavesTheRowAndSaveChangesIt) {
  TfCadUsuarios& form = Open<TfCadUsuarios>();
  TQuery& list = *DM->qryLisUsuario;
  ASSERT_TRUE(list.Locate("LOGIN_USUARIO", {Variant("mcosta")}));
  const int64_t id = list.FieldByName("ID_USUARIO").GetAsLargeInt();
  const std::string where = " FROM USUARIO WHERE ID_USUARIO = " + std::to_string(id);

  const std::string hash = ReadValue("SELECT SENHA_USUARIO" + where).AsString();
  for (const char* leave : {"btnCancelar", "btnSair"}) {
    Driver.Queue([&] {
      EXPECT_EQ(fUsuario->dbeNome->GetText(), "Marcos Costa");
      // The stored password is never shown.
      EXPECT_EQ(fUsuario->edtSenha->GetText(), "");
      EXPECT_EQ(fUsuario->cbbTipoUsuario->GetText(), "Servidor");
      Driver.Type("fUsuario", "dbeNome", "Outro Nome");
      Driver.Type("fUsuario", "edtSenha", "Outra senha");
      Driver.Click("fUsuario", leave);
    });
    Driver.Click(form, "btnAlterar");
    EXPECT_EQ(ReadValue("SELECT NOME_USUARIO" + where).AsString(), "Marcos Costa") << leave;
    EXPECT_EQ(ReadValue("SELECT SENHA_USUARIO" + where).AsString(), hash) << leave;
  }

  // An empty password edit leaves the password as it was.
  Driver.Queue([&] {
    Driver.Type("fUsuario", "dbeNome", "Marcos A. Costa");
    Driver.Click("fUsuario", "btnSalvar");
  });
  Driver.Click(form, "btnAlterar");
  EXPECT_EQ(ReadValue("SELECT NOME_USUARIO" + where).AsString(), "Marcos A. Costa");
  EXPECT_EQ(ReadValue("SELECT SENHA_USUARIO" + where).AsString(), hash);
  EXPECT_TRUE(DM->ConfereLogin("mcosta", "Ouvidoria#2026"));

  // A typed one replaces it, even when nothing else changed.
  Driver.Queue([&] {
    Driver.Type("fUsuario", "edtSenha", "Trocada#3");
    Driver.Click("fUsuario", "btnSalvar");
  });
  Driver.Click(form, "btnAlterar");
  EXPECT_FALSE(DM->ConfereLogin("mcosta", "Ouvidoria#2026"));
  EXPECT_TRUE(DM->ConfereLogin("mcosta", "Trocada#3"));
  // The list still shows the old name.
  EXPECT_EQ(list.FieldByName("NOME_USUARIO").GetAsString(), "Marcos Costa");
  EXPECT_TRUE(Driver.Messages().empty());
}

TEST_F(AppForms, UserFormRefusesAnEmptyRequiredFieldAndStaysOpen) {
  Open<TfCadUsuarios>();
  Driver.Queue([&] {
    Driver.Type("fUsuario", "dbeLogin", "incompleto");
    Driver.Click("fUsuario", "btnSalvar");
  });
  Driver.Queue([&] {
    ASSERT_NE(fUsuario, nullptr);
    ASSERT_EQ(Driver.Messages().size(), 1u);
    EXPECT_EQ(Driver.Messages()[0].Type, mtError);
    EXPECT_EQ(DM->qryUsuario->GetState(), TDataSetState::dsInsert);
    Driver.Click("fUsuario", "btnCancelar");
  });
  Driver.Click("fCadUsuarios", "btnNovo");
  EXPECT_EQ(ReadValue("SELECT COUNT(*) FROM USUARIO").AsInteger(), 5);
}

// A user whose key does not fit in 16 or 32 bits.
class UserWithLargeKey : public AppForms {
protected:
  void PrepareDatabase() override {
    Exec("INSERT INTO USUARIO (ID_USUARIO, LOGIN_USUARIO, NOME_USUARIO, DATA_NASCIMENTO, "
         "EMAIL_USUARIO, SENHA_USUARIO, KEY_USUARIO, CELULAR_USUARIO, ID_TIPO_USUARIO) VALUES "
         "(4294967297, 'grande', 'Zélia Grande', '1990-01-01', 'z@x.br', 'z', 'k', '1', 3)");
  }
};

TEST_F(UserWithLargeKey, AlterarOpensAndSavesTheSelectedUser) {
  Open<TfCadUsuarios>();
  ASSERT_TRUE(DM->qryLisUsuario->Locate("LOGIN_USUARIO", {Variant("grande")}));
  Driver.Queue([&] {
    EXPECT_EQ(fUsuario->dbeIdUsuario->GetText(), "4294967297");
    EXPECT_EQ(fUsuario->dbeNome->GetText(), "Zélia Grande");
    Driver.Type("fUsuario", "dbeNome", "Zélia G.");
    Driver.Click("fUsuario", "btnSalvar");
  });
  Driver.Click("fCadUsuarios", "btnAlterar");
  EXPECT_EQ(ReadValue("SELECT NOME_USUARIO FROM USUARIO WHERE ID_USUARIO = 4294967297").AsString(),
            "Zélia G.");
  // User 1 (whose key the 32-bit reading would give) is untouched.
  EXPECT_EQ(ReadValue("SELECT NOME_USUARIO FROM USUARIO WHERE ID_USUARIO = 1").AsString(),
            "Pelix Andrade");
}

} // namespace
