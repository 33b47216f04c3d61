// The desktop program run headless from its entry sequence against a freshly created embedded
// database: log in, reach the menu, leave.

#include "app/Vozmira.h"
#include "app/uDM.h"
#include "app/uLogin.h"
#include "app/uMenu.h"
#include "data/TestDatabase.h"
#include "ui/Driver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

class DesktopRun : public ::testing::Test {
protected:
  DesktopRun() : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App), Driver(App) {
    std::ofstream(ConfigFile()) << "[Database]\nDatabase=vozmira.fdb\n";
  }

  std::string ConfigFile() const { return (Folder.Path() / "Config.ini").string(); }

  void TypeInLogin(const std::string& edit, const std::string& text) {
    Driver.Queue([=, this] { Driver.Type("fLogin", edit, text); });
  }
  void ClickInLogin(const std::string& button) {
    Driver.Queue([=, this] { Driver.Click("fLogin", button); });
  }

  testdb::TTempFolder Folder;
  TApplication App;
  TApplicationScope Scope;
  THeadlessDriver Driver;
};

TEST_F(DesktopRun, LogInAfterAWrongPairReachTheMenuAndLeave) {
  TypeInLogin("edtLogin", "pelix");
  TypeInLogin("edtSenha", "brud");
  ClickInLogin("btnEntrar");
  TypeInLogin("edtSenha", "pelix");
  ClickInLogin("btnEntrar");
  bool menuSeen = false;
  Driver.Queue([&] {
    // The menu is up, with the workspace, after the queries were opened.
    menuSeen = fMenu != nullptr && fMenu->GetVisible() && fMenu->IsModal();
    EXPECT_EQ(fLogin, nullptr);
    EXPECT_NE(FTDI, nullptr);
    EXPECT_TRUE(DM->qryPrefeitura->GetActive());
    EXPECT_TRUE(DM->qryLisSolicitacao->GetActive());
    // The top bar shows the city hall's name.
    EXPECT_FALSE(fMenu->DBText1->GetCaption().empty());
    EXPECT_EQ(fMenu->DBText1->GetCaption(),
              DM->qryPrefeitura->FieldByName("NOME_PREFEITURA").GetAsString());
    Driver.Click("fMenu", "btnFechar");
  });

  EXPECT_EQ(RunVozmira(ConfigFile()), 0);

  EXPECT_EQ(App.GetTitle(), "Vozmira");
  EXPECT_TRUE(menuSeen);
  EXPECT_EQ(Driver.Pending(), 0);
  ASSERT_FALSE(Driver.Messages().empty());
  EXPECT_EQ(Driver.Messages()[0].Text, "Usuário ou Senha não confere!");
  EXPECT_EQ(Driver.Messages()[0].Type, mtWarning);
  EXPECT_EQ(UsuarioLogado(), "pelix");
  // The menu is gone and the program has ended.
  EXPECT_EQ(fMenu, nullptr);
  EXPECT_EQ(FTDI, nullptr);
  EXPECT_TRUE(App.GetTerminated());
  ASSERT_NE(DM, nullptr);
  EXPECT_EQ(DM->GetOwner(), &App);
  // Every query of the start-up stays open for the run.
  for (TQuery* query : {DM->qryPrefeitura, DM->qrySituacao, DM->qryTipoSolicitacao, DM->qryUnidades,
                        DM->qryTipoUnidade, DM->qryTipoUsuario, DM->qryDashQt, DM->qryDashTipo,
                        DM->qryLisUsuario, DM->qryLisSolicitacao})
    EXPECT_TRUE(query->GetActive()) << query->GetName();
}

// "Sair", or closing the login any other way, ends the program: the menu never takes input.
class LeavingTheLogin : public DesktopRun, public ::testing::WithParamInterface<int> {};

TEST_P(LeavingTheLogin, EndsTheProgram) {
  Driver.Queue([this] { Driver.Type("fLogin", "edtLogin", "pelix"); });
  if (GetParam() == 0)
    Driver.Queue([this] { Driver.Click("fLogin", "Button1"); });
  else
    Driver.Queue([] { fLogin->Close(); });
  bool menuTookInput = false;
  Driver.Queue([&] { menuTookInput = true; });

  EXPECT_EQ(RunVozmira(ConfigFile()), 0);

  EXPECT_TRUE(App.GetTerminated());
  EXPECT_FALSE(menuTookInput);
  for (const TShownMessage& shown : Driver.Messages())
    EXPECT_NE(shown.Type, mtWarning) << shown.Text;
  EXPECT_EQ(fLogin, nullptr);
  EXPECT_EQ(fMenu, nullptr);
  // As with "Sair", the start-up still opened the queries before ending.
  EXPECT_TRUE(DM->qryLisSolicitacao->GetActive());
}

INSTANTIATE_TEST_SUITE_P(SairOrClose, LeavingTheLogin, ::testing::Values(0, 1));

TEST_F(DesktopRun, NoDatabaseShowsTheErrorAndNeverTheLogin) {
  std::ofstream(ConfigFile()) << "[Database]\nHost=127.0.0.1\nPort=1\nDatabase=/nada/vozmira.fdb\n";
  bool loginSeen = false;
  Driver.Queue([&] { loginSeen = true; });

  EXPECT_EQ(RunVozmira(ConfigFile()), 0);

  EXPECT_FALSE(loginSeen);
  EXPECT_EQ(fLogin, nullptr);
  ASSERT_EQ(Driver.Messages().size(), 1u);
  EXPECT_EQ(Driver.Messages()[0].Type, mtError);
}

} // namespace
