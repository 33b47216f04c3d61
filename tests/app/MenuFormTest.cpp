#include "app/uMenu.h"
#include "ui/Driver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// The menu form, created (not shown) in an application of its own.
class MenuForm : public ::testing::Test {
protected:
  MenuForm() : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App), Driver(App) {
    fMenu = CreateForm<TfMenu>(&App);
  }
  ~MenuForm() override { delete fMenu; }

  TApplication App;
  TApplicationScope Scope;
  THeadlessDriver Driver;
};

TEST_F(MenuForm, CreatesItsWorkspaceWithoutAContextMenu) {
  EXPECT_EQ(fMenu->GetCaption(), "Menu");
  EXPECT_EQ(fMenu->GetWindowState(), wsMaximized);
  ASSERT_NE(FTDI, nullptr);
  EXPECT_EQ(FTDI->GetOwner(), fMenu);
  EXPECT_EQ(FTDI->GetFormPadrao(), nullptr);
  EXPECT_FALSE(FTDI->GetMostrarMenuPopup());
  EXPECT_EQ(FTDI->GetPageControl()->GetParent(), fMenu);
  EXPECT_FALSE(FTDI->GetPageControl()->GetVisible());
  // The commands are not the window's menu bar.
  EXPECT_EQ(fMenu->GetMenu(), nullptr);
  delete fMenu;
  EXPECT_EQ(FTDI, nullptr);
  EXPECT_EQ(fMenu, nullptr);
}

TEST_F(MenuForm, SidePanelCollapsesToItsPicturesAndComesBack) {
  EXPECT_EQ(fMenu->pnlMenu->GetWidth(), 200);
  fMenu->btnRecolher->Click();
  EXPECT_EQ(fMenu->pnlMenu->GetWidth(), 36);
  EXPECT_EQ(fMenu->btnRecolher->GetCaption(), "");
  fMenu->btnRecolher->Click();
  EXPECT_EQ(fMenu->pnlMenu->GetWidth(), 200);
  EXPECT_EQ(fMenu->btnRecolher->GetCaption(), "Recolher");
}

TEST_F(MenuForm, GroupsOpenAndCloseIndependently) {
  struct Group {
    TSpeedButton* Heading;
    TPanel* Panel;
    int OpenHeight;
  };
  const std::vector<Group> groups = {{fMenu->btnMenuCategoria1, fMenu->pnlSolicitacoes, 103},
                                     {fMenu->SpeedButton2, fMenu->pnlUsuarios, 103},
                                     {fMenu->SpeedButton5, fMenu->pnlCadastros, 200}};
  for (const Group& g : groups) {
    EXPECT_EQ(g.Panel->GetHeight(), g.OpenHeight) << g.Panel->GetName();
    g.Heading->Click();
    EXPECT_EQ(g.Panel->GetHeight(), 33);
    g.Heading->Click();
    EXPECT_EQ(g.Panel->GetHeight(), g.OpenHeight);
    // Any height other than the closed one closes on the next click.
    g.Panel->SetHeight(50);
    g.Heading->Click();
    EXPECT_EQ(g.Panel->GetHeight(), 33);
  }
  fMenu->btnMenuCategoria1->Click();
  EXPECT_EQ(fMenu->pnlSolicitacoes->GetHeight(), 103);
  EXPECT_EQ(fMenu->pnlUsuarios->GetHeight(), 33);
}

TEST_F(MenuForm, SideButtonsRunTheMenuCommands) {
  struct Wire {
    TControl* Button;
    TMenuItem* Item;
  };
  const std::vector<Wire> wires = {
      {fMenu->SpeedButton4, fMenu->GerenciamentodeSolicitaes1},
      {fMenu->SpeedButton1, fMenu->CadastrodeUsurios1},
      {fMenu->SpeedButton3, fMenu->iposdeUsurio1},
      {fMenu->SpeedButton6, fMenu->Prefeitura1},
      {fMenu->SpeedButton7, fMenu->Prefeitura2},
      {fMenu->SpeedButton8, fMenu->TipoDeUnidade1},
      {fMenu->SpeedButton9, fMenu->ipodeSolicitao1},
      {fMenu->SpeedButton10, fMenu->SituaodeSolicitao1},
      {fMenu->btnFechar, fMenu->Sair1},
  };
  std::vector<std::string> run;
  for (const Wire& w : wires)
    w.Item->OnClick = [&run, item = w.Item](TObject*) { run.push_back(item->GetName()); };
  for (const Wire& w : wires)
    w.Button->Click();
  std::vector<std::string> expected;
  for (const Wire& w : wires)
    expected.push_back(w.Item->GetName());
  EXPECT_EQ(run, expected);
}

TEST_F(MenuForm, CommandsAndButtonsHaveTheirTexts) {
  const std::vector<std::pair<TMenuItem*, std::string>> items = {
      {fMenu->Prefeitura1, "Prefeitura"},
      {fMenu->Prefeitura2, "Unidades"},
      {fMenu->TipoDeUnidade1, "Tipo de Unidade"},
      {fMenu->ipodeSolicitao1, "Tipo de Solicitação"},
      {fMenu->SituaodeSolicitao1, "Situação de Solicitação"},
      {fMenu->GerenciamentodeSolicitaes1, "Gerenciamento de Solicitações"},
      {fMenu->GerenciamentodeSolicitaes2, "Relatório das Solicitações"},
      {fMenu->CadastrodeUsurios1, "Cadastro de Usuários"},
      {fMenu->iposdeUsurio1, "Tipos de Usuário"},
      {fMenu->Sair1, "Sair"},
  };
  for (const auto& [item, caption] : items)
    EXPECT_EQ(item->GetCaption(), caption) << item->GetName();
  TMenuItem& root = fMenu->MainMenu1->GetItems();
  ASSERT_EQ(root.Count(), 4);
  EXPECT_EQ(root.Items(0)->GetCaption(), "Cadastros");
  EXPECT_EQ(root.Items(0)->Count(), 6);
  EXPECT_TRUE(root.Items(0)->Items(2)->IsLine());
  EXPECT_EQ(root.Items(1)->GetCaption(), "Solicitações");
  EXPECT_EQ(root.Items(2)->GetCaption(), "Usuários");
  EXPECT_EQ(root.Items(3), fMenu->Sair1);
  EXPECT_FALSE(fMenu->btnUser->GetEnabled());
  EXPECT_EQ(fMenu->btnUser->GetHint(), "Cadastro de Pessoas Físicas e Juríridas");
  EXPECT_EQ(fMenu->btnFechar->GetHint(), "Sair do sistema (Fechar)");
  EXPECT_FALSE(fMenu->btnOpcao1->GetEnabled());
  EXPECT_EQ(fMenu->btnOpcao1->GetCaption(), "Relatório");
  EXPECT_EQ(fMenu->btnConfiguracoes->GetCaption(), "Configurações");
}

TEST_F(MenuForm, SairEndsTheProgram) {
  fMenu->btnFechar->Click();
  EXPECT_TRUE(App.GetTerminated());
}

TEST_F(MenuForm, ACommandForAFormTheProgramLacksSaysSo) {
  try {
    FormClassByName("TfNaoExiste");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "The form TfNaoExiste is not part of this program");
  }
  EXPECT_THROW(FormClassByName("TEdit"), Exception);
  EXPECT_EQ(&FormClassByName("TfMenu"), &TfMenu::StaticClass());
}

} // namespace
