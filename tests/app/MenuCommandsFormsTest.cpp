// Every command of the menu opens its form in a tab of the workspace, once per form class.

#include "AppFormsFixture.h"
#include "app/uCadPrefeitura.h"
#include "app/uCadSituacao.h"
#include "app/uCadTipoSolicitacao.h"
#include "app/uCadTipoUnidade.h"
#include "app/uCadTipoUsuario.h"
#include "app/uCadUnidades.h"
#include "app/uCadUsuarios.h"
#include "app/uDashboard.h"
#include "app/uLisSolicitacoes.h"

#include <vector>

namespace {

using apptest::AppForms;

TEST_F(AppForms, MenuCommandsOpenTheirForms) {
  delete FTDI;
  FTDI = nullptr;
  fMenu = CreateForm<TfMenu>(&App);
  fMenu->Show();
  ASSERT_EQ(FTDI->GetPageControl()->PageCount(), 1);
  EXPECT_TRUE(FTDI->Formulario(0)->Is<TfDashboard>());

  const std::vector<std::pair<TMenuItem*, const TClassInfo*>> commands = {
      {fMenu->Prefeitura1, &TfCadPrefeitura::StaticClass()},
      {fMenu->Prefeitura2, &TfCadUnidades::StaticClass()},
      {fMenu->TipoDeUnidade1, &TfCadTipoUnidade::StaticClass()},
      {fMenu->ipodeSolicitao1, &TfCadTipoSolicitacao::StaticClass()},
      {fMenu->SituaodeSolicitao1, &TfCadSituacao::StaticClass()},
      {fMenu->GerenciamentodeSolicitaes1, &TfLisSolicitacoes::StaticClass()},
      {fMenu->CadastrodeUsurios1, &TfCadUsuarios::StaticClass()},
      {fMenu->iposdeUsurio1, &TfCadTipoUsuario::StaticClass()},
  };
  for (int round = 0; round < 2; ++round)
    for (const auto& [item, form] : commands) {
      Driver.PickMenuItem("fMenu", item->GetName());
      TPageControl& pages = *FTDI->GetPageControl();
      EXPECT_EQ(&FTDI->Formulario(pages.GetActivePageIndex())->ClassType(), form)
          << item->GetName();
    }
  // The second round activated the tabs the first one opened.
  EXPECT_EQ(FTDI->GetPageControl()->PageCount(), 9);
  EXPECT_TRUE(Driver.Messages().empty());
  delete fMenu;
}

} // namespace
