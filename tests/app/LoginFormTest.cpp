#include "app/db/DatabaseScripts.h"
#include "app/uDM.h"
#include "app/uLogin.h"
#include "data/TestDatabase.h"
#include "ui/Driver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

// A login form run modally in an application of its own, with a data module that exists already
// and is connected to a fresh database with the starting data's users (as in the program, where
// the data module connects and then creates the login).
class LoginForm : public ::testing::Test {
protected:
  LoginForm() : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App), Driver(App) {
    {
      TComponent creatorOwner(nullptr);
      auto* creator = new TConnection(&creatorOwner);
      testdb::SetEmbeddedParams(*creator, Folder.Path() / "office.fdb");
      creator->CreateDatabase(DatabaseScripts(), TForcedWrites::fwOff);
    }
    std::ofstream((Folder.Path() / "Config.ini").string()) << "[Database]\nDatabase=office.fdb\n";
    Module = new TDM(&App);
    DM = Module;
    Module->Connect((Folder.Path() / "Config.ini").string());
    fLogin = CreateForm<TfLogin>(&App);
  }
  ~LoginForm() override { delete fLogin; }

  // Queues typing a pair over what the edits hold and pressing "Entrar".
  void Enter(const std::string& user, const std::string& password) {
    TypeOver("edtLogin", user);
    TypeOver("edtSenha", password);
    Driver.Queue([this] { Driver.Click("fLogin", "btnEntrar"); });
  }
  // Focusing an edit selects its text: typing replaces it, Delete empties it.
  void TypeOver(const std::string& edit, const std::string& text) {
    Driver.Queue([=, this] {
      Driver.Type("fLogin", edit, text);
      if (text.empty())
        Driver.PressKey("fLogin", VK_DELETE);
    });
  }
  void Leave() {
    Driver.Queue([this] { Driver.Click("fLogin", "Button1"); });
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const TShownMessage& m : Driver.Messages())
      texts.push_back(m.Text);
    return texts;
  }

  testdb::TTempFolder Folder;
  TApplication App;
  TApplicationScope Scope;
  THeadlessDriver Driver;
  TDM* Module = nullptr;
};

TEST_F(LoginForm, StartsEmptyWithItsControlsInTheirTabOrder) {
  EXPECT_EQ(fLogin->GetName(), "fLogin");
  EXPECT_EQ(fLogin->GetCaption(), "Login");
  EXPECT_EQ(fLogin->GetBorderStyle(), bsNone);
  EXPECT_EQ(fLogin->GetClientWidth(), 919);
  EXPECT_EQ(fLogin->GetClientHeight(), 535);
  EXPECT_EQ(fLogin->GetPosition(), poDesktopCenter);
  EXPECT_EQ(fLogin->GetColor(), clWhite);
  EXPECT_EQ(fLogin->GetFont().GetName(), "Segoe UI");
  EXPECT_EQ(fLogin->Label1->GetCaption(), "Digite seu nome de usuário e senha para entrar");
  EXPECT_TRUE(fLogin->Label1->GetWordWrap());
  EXPECT_EQ(fLogin->lblLogin->GetCaption(), "Nome de Usuário");
  EXPECT_EQ(fLogin->lblSenha->GetCaption(), "Senha");
  EXPECT_EQ(fLogin->btnEntrar->GetCaption(), "Entrar");
  EXPECT_EQ(fLogin->Button1->GetCaption(), "Sair");
  EXPECT_EQ(fLogin->edtSenha->GetPasswordChar(), '*');
  EXPECT_EQ(fLogin->Image1->GetWidth(), 447);
  EXPECT_TRUE(fLogin->Image1->GetStretch());
  // Nothing is filled in for the user.
  EXPECT_EQ(fLogin->edtLogin->GetText(), "");
  EXPECT_EQ(fLogin->edtSenha->GetText(), "");
  EXPECT_EQ(fLogin->GetTabOrderList(),
            (std::vector<TWinControl*>{fLogin->edtLogin, fLogin->btnEntrar, fLogin->edtSenha,
                                       fLogin->Button1}));
  EXPECT_FALSE(fLogin->btnEntrar->GetDefault());
  EXPECT_FALSE(fLogin->Button1->GetCancel());
  // The data module was there already: the form made none of its own.
  EXPECT_EQ(DM, Module);
}

TEST_F(LoginForm, RefusedEntriesLeaveTheFormOpenWithAMessage) {
  struct Case {
    std::string User;
    std::string Password;
    std::string Message;
  };
  const std::string refused = "Usuário ou Senha não confere!";
  const std::vector<Case> cases = {
      {"", "", "Informe o Login"},      {"", "pelix", "Informe o Login"},
      {"pelix", "", "Informe a senha"}, {"pelix", "brud", refused},
      {"brud", "pelix", refused},       {"Pelix", "pelix", refused},
      {" pelix", "pelix", refused},     {"pelix", "pelix ", refused},
      {"usuario", "senha", refused},
  };
  for (const Case& c : cases)
    Enter(c.User, c.Password);
  Leave();
  EXPECT_EQ(fLogin->ShowModal(), mrCancel);
  ASSERT_EQ(Driver.Messages().size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    const TShownMessage& shown = Driver.Messages()[i];
    EXPECT_EQ(shown.Text, cases[i].Message) << i;
    EXPECT_EQ(shown.Buttons, TMsgDlgButtons{mbOK}) << i;
    EXPECT_EQ(shown.Type, cases[i].Message == refused ? mtWarning : mtCustom) << i;
  }
  // What was typed stays.
  EXPECT_EQ(fLogin->edtLogin->GetText(), "usuario");
  EXPECT_EQ(fLogin->edtSenha->GetText(), "senha");
  EXPECT_TRUE(App.GetTerminated());
}

// Each user of the table, of each access level, gets in after a wrong password; the accepted
// user, with their key and level, is the program's user from then on.
TEST_F(LoginForm, EachUserOfTheTableEndsTheLoginAfterAWrongPassword) {
  struct Case {
    std::string User;
    std::string Password;
    int64_t Id;
    char Nivel;
  };
  const Case cases[] = {{"pelix", "pelix", 1, 'A'},
                        {"brud", "brud", 2, 'G'},
                        {"mcosta", "Ouvidoria#2026", 3, 'S'},
                        {"jsouza", "cidadao123", 5, 'C'}};
  for (const Case& c : cases) {
    TApplication app(std::unique_ptr<TUIBackend>(new THeadlessBackend));
    TApplicationScope scope(app);
    THeadlessDriver driver(app);
    fLogin = CreateForm<TfLogin>(&app);
    driver.Queue([&] { driver.Type("fLogin", "edtLogin", c.User); });
    driver.Queue([&] { driver.Type("fLogin", "edtSenha", c.User == "pelix" ? "brud" : "pelix"); });
    driver.Queue([&] { driver.Click("fLogin", "btnEntrar"); });
    driver.Queue([&] { driver.Type("fLogin", "edtSenha", c.Password); });
    driver.Queue([&] { driver.Click("fLogin", "btnEntrar"); });
    EXPECT_EQ(fLogin->ShowModal(), mrOk) << c.User;
    ASSERT_EQ(driver.Messages().size(), 1u);
    EXPECT_EQ(driver.Messages()[0].Text, "Usuário ou Senha não confere!");
    EXPECT_EQ(UsuarioLogado(), c.User);
    EXPECT_EQ(UsuarioAtual().Id, c.Id) << c.User;
    EXPECT_EQ(UsuarioAtual().Nivel, c.Nivel) << c.User;
    EXPECT_FALSE(app.GetTerminated());
    delete fLogin;
    EXPECT_EQ(fLogin, nullptr);
  }
}

TEST_F(LoginForm, EnterAndEscapeDoNothing) {
  Driver.Queue([this] { Driver.Type("fLogin", "edtLogin", "pelix"); });
  Driver.Queue([this] { Driver.Type("fLogin", "edtSenha", "pelix"); });
  Driver.Queue([this] { Driver.PressKey("fLogin", VK_RETURN); });
  Driver.Queue([this] { Driver.PressKey("fLogin", VK_ESCAPE); });
  Driver.Queue([this] {
    EXPECT_TRUE(fLogin->GetVisible());
    EXPECT_TRUE(Driver.Messages().empty());
  });
  Leave();
  EXPECT_EQ(fLogin->ShowModal(), mrCancel);
}

TEST(LoginFormAlone, MakesADataModuleWhenNoneExists) {
  TApplication app(std::unique_ptr<TUIBackend>(new THeadlessBackend));
  TApplicationScope scope(app);
  ASSERT_EQ(DM, nullptr);
  fLogin = CreateForm<TfLogin>(&app);
  ASSERT_NE(DM, nullptr);
  EXPECT_EQ(DM->GetOwner(), fLogin);
  delete fLogin;
  EXPECT_EQ(DM, nullptr) << "the module's destructor clears the global that refers to it";
}

} // namespace
