// A whole working session of the desktop program, run headless from its entry sequence against a
// freshly created embedded database, as a person at the office would use it.

#include "app/Vozmira.h"
#include "app/uCadSituacao.h"
#include "app/uCadUsuarios.h"
#include "app/uDM.h"
#include "app/uDashboard.h"
#include "app/uLisSolicitacoes.h"
#include "app/uLogin.h"
#include "app/uMenu.h"
#include "app/uSolicitacao.h"
#include "app/uUsuario.h"
#include "data/TestDatabase.h"
#include "ui/Driver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

class DesktopSession : public ::testing::Test {
protected:
  DesktopSession()
      : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App), Driver(App) {
    std::ofstream(ConfigFile()) << "[Database]\nDatabase=vozmira.fdb\n";
  }

  std::string ConfigFile() const { return (Folder.Path() / "Config.ini").string(); }

  // A user action of the session, run when the program's loops get to it.
  void Step(std::function<void()> action) { Driver.Queue(std::move(action)); }

  Variant ReadValue(const std::string& sql) {
    TQuery query(nullptr);
    query.SetConnection(DM->conBD);
    query.GetSQL().SetText(sql);
    query.Open();
    return query.IsEmpty() ? Variant::Null() : query.Fields(0).GetAsVariant();
  }

  TTabSheet* ActiveTab() const { return FTDI->GetPageControl()->GetActivePage(); }
  TCustomForm* ActiveForm() const {
    return FTDI->Formulario(FTDI->GetPageControl()->GetActivePageIndex());
  }

  // A middle click on the active tab closes it.
  void MiddleClickActiveTab() {
    TPageControl& pages = *FTDI->GetPageControl();
    const TRect tab = pages.TabRect(pages.GetTabIndex());
    const int x = (tab.Left + tab.Right) / 2;
    const int y = (tab.Top + tab.Bottom) / 2;
    Driver.MouseDown("fMenu", "PageControl", mbMiddle, x, y);
    Driver.MouseUp("fMenu", "PageControl", mbMiddle, x, y);
  }

  testdb::TTempFolder Folder;
  TApplication App;
  TApplicationScope Scope;
  THeadlessDriver Driver;
};

TEST_F(DesktopSession, LogInWorkWithRequestsStatusesAndUsersAndLeave) {
  // A wrong pair first, then an accepted one.
  Step([&] { Driver.Type("fLogin", "edtLogin", "pelix"); });
  Step([&] { Driver.Type("fLogin", "edtSenha", "errada"); });
  Step([&] { Driver.Click("fLogin", "btnEntrar"); });
  Step([&] {
    ASSERT_EQ(Driver.Messages().size(), 1u);
    EXPECT_EQ(Driver.Messages()[0].Text, "Usuário ou Senha não confere!");
    Driver.Type("fLogin", "edtSenha", "pelix");
    Driver.Click("fLogin", "btnEntrar");
  });

  // The dashboard is the first tab: the counts of the moment of login, the newest request first.
  Step([&] {
    ASSERT_NE(fMenu, nullptr);
    ASSERT_EQ(FTDI->GetPageControl()->PageCount(), 1);
    EXPECT_EQ(ActiveTab()->GetCaption(), "Painel de Bordo      ");
    auto* dashboard = dynamic_cast<TfDashboard*>(ActiveForm());
    ASSERT_NE(dashboard, nullptr);
    EXPECT_EQ(dashboard->DBText1->GetCaption(),
              ReadValue("SELECT QT_NOVAS FROM SP_DASHBOARD_QT").AsString());
    EXPECT_EQ(dashboard->DBText2->GetCaption(),
              ReadValue("SELECT QT_ANDAMENTO FROM SP_DASHBOARD_QT").AsString());
    EXPECT_EQ(dashboard->DBText3->GetCaption(),
              ReadValue("SELECT QT_FINALIZADAS FROM SP_DASHBOARD_QT").AsString());
    EXPECT_EQ(DM->qryDashTipo->GetRecordCount(), 6);
    DM->qryLisSolicitacao->First();
    EXPECT_EQ(DM->qryLisSolicitacao->FieldByName("DATA_SOLICITACAO").GetText(),
              "28/12/2026 09:29:00");
  });

  // The request list, filtered by a status.
  Step([&] { Driver.Click("fMenu", "SpeedButton4"); });
  Step([&] {
    EXPECT_EQ(ActiveTab()->GetCaption(), "Solicitacoes      ");
    Driver.Choose("fLisSolicitacoes", "cbbSituacao", "3 - Em Andamento");
    std::set<std::string> statuses;
    TQuery& list = *DM->qryLisSolicitacao;
    for (list.First(); !list.GetEof(); list.Next())
      statuses.insert(list.FieldByName("NOME_SITUACAO").GetAsString());
    EXPECT_EQ(statuses, std::set<std::string>{"Em Andamento"});
  });

  // A new request, saved from its form.
  Step([&] { Driver.Click("fLisSolicitacoes", "btnNovo"); });
  Step([&] { Driver.Type("fSolicitacao", "dbeDescricao", "Vazamento na Rua D'Ajuda"); });
  Step([&] { Driver.Choose("fSolicitacao", "cbbTipo", "Reclamação"); });
  Step([&] { Driver.Choose("fSolicitacao", "cbbUnidade", "Serviço Autônomo de Água e Esgoto"); });
  Step([&] { Driver.Choose("fSolicitacao", "cbbSituacao", "Em Andamento"); });
  Step([&] { Driver.Click("fSolicitacao", "btnSalvar"); });
  Step([&] {
    EXPECT_EQ(fSolicitacao->dbeControle->GetText(), "61");
    Driver.Click("fSolicitacao", "btnSair");
  });

  // The text search, with a quote in it, on the list read again.
  Step([&] {
    EXPECT_EQ(fSolicitacao, nullptr);
    Driver.Choose("fLisSolicitacoes", "cbbSituacao", "Todos");
    Driver.Type("fLisSolicitacoes", "edtPesquisa", "D'Ajuda");
    TQuery& list = *DM->qryLisSolicitacao;
    ASSERT_EQ(list.GetRecordCount(), 1);
    EXPECT_EQ(list.FieldByName("SOLICITACAO").GetAsString(), "Vazamento na Rua D'Ajuda");
    EXPECT_EQ(list.FieldByName("NOME_USUARIO").GetAsString(), "Pelix Andrade");
    EXPECT_EQ(list.FieldByName("ID_SOLICITACAO").GetDisplayText(), "00000061");
  });

  // A status renamed in its reference form.
  Step([&] { Driver.Click("fMenu", "SpeedButton10"); });
  Step([&] {
    auto& form = static_cast<TfCadSituacao&>(*ActiveForm());
    EXPECT_EQ(form.GetName(), "fCadSituacao");
    ASSERT_TRUE(DM->qrySituacao->Locate("ID_SITUACAO", {Variant(int64_t{4})}));
    Driver.Type(form, "dbeNomeSituacao", "Aguardando Retorno");
    EXPECT_TRUE(form.btnSalvar->GetEnabled());
    Driver.Click(form, "btnSalvar");
    EXPECT_FALSE(form.btnSalvar->GetEnabled());
  });

  // A new user.
  Step([&] { Driver.Click("fMenu", "SpeedButton1"); });
  Step([&] { Driver.Click("fCadUsuarios", "btnNovo"); });
  Step([&] {
    Driver.Type("fUsuario", "dbeLogin", "rmelo");
    Driver.Type("fUsuario", "dbeNome", "Rita Melo");
    Driver.Type("fUsuario", "dbeDataNascimento", "03/09/1992");
    Driver.Type("fUsuario", "dbeEmail", "rmelo@vilaserena.gov.br");
    Driver.Type("fUsuario", "edtSenha", "rmelo");
    Driver.Type("fUsuario", "dbeCelular", "(11) 98877-8807");
    Driver.Choose("fUsuario", "cbbTipoUsuario", "Gerente/Encarregado");
  });
  Step([&] { Driver.Click("fUsuario", "btnSalvar"); });

  // Closing the tabs: "Sair" of two forms, a middle click on the others.
  Step([&] {
    EXPECT_EQ(fUsuario, nullptr);
    EXPECT_EQ(FTDI->GetPageControl()->PageCount(), 4);
    Driver.Click("fCadUsuarios", "btnSair");
    EXPECT_EQ(FTDI->GetPageControl()->PageCount(), 3);
  });
  Step([&] {
    FTDI->MostrarFormulario(TfLisSolicitacoes::StaticClass(), false);
    Driver.Click("fLisSolicitacoes", "btnSair");
    EXPECT_EQ(FTDI->GetPageControl()->PageCount(), 2);
  });
  Step([&] { MiddleClickActiveTab(); });
  Step([&] { MiddleClickActiveTab(); });
  Step([&] {
    EXPECT_EQ(FTDI->GetPageControl()->PageCount(), 0);
    EXPECT_FALSE(FTDI->GetPageControl()->GetVisible());
    Driver.Click("fMenu", "btnFechar");
  });

  EXPECT_EQ(RunVozmira(ConfigFile()), 0);

  EXPECT_EQ(Driver.Pending(), 0);
  EXPECT_EQ(Driver.Messages().size(), 1u);
  EXPECT_TRUE(App.GetTerminated());
  EXPECT_EQ(fMenu, nullptr);
  ASSERT_NE(DM, nullptr);
  EXPECT_EQ(ReadValue("SELECT SOLICITACAO FROM SOLICITACAO WHERE ID_SOLICITACAO = 61").AsString(),
            "Vazamento na Rua D'Ajuda");
  EXPECT_EQ(ReadValue("SELECT ID_USUARIO FROM SOLICITACAO WHERE ID_SOLICITACAO = 61").AsInt64(), 1);
  EXPECT_EQ(ReadValue("SELECT NOME_SITUACAO FROM SITUACAO WHERE ID_SITUACAO = 4").AsString(),
            "Aguardando Retorno");
  EXPECT_EQ(ReadValue("SELECT NOME_USUARIO FROM USUARIO WHERE LOGIN_USUARIO = 'rmelo'").AsString(),
            "Rita Melo");
}

} // namespace
