// The desktop program's working session on real windows, driven only through Qt's input events
// from its entry sequence against a freshly created embedded database: a refused login answered
// in its warning dialog, the accepted login, the dashboard, the request list filtered by status
// and by a text, a new request saved and opened again, a status renamed in its reference form, a
// new user, the tabs closed with their close button and the middle button, and leaving with the
// exit button.  Pictures of the windows are saved for review.

#include "QtTest.h"

#include "app/TDI.h"
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
#include "data/DBGrids.h"
#include "data/Query.h"
#include "data/TestDatabase.h"
#include "desktop/GridPresenter.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStyleOptionComboBox>

#include <deque>
#include <fstream>
#include <memory>
#include <set>

namespace {

class DesktopSession : public QtTest {
protected:
  DesktopSession() {
    std::ofstream(ConfigFile()) << "[Database]\nDatabase=vozmira.fdb\n";
    // A session that stops waiting for input that never comes ends instead of hanging the run.
    QTimer::singleShot(120000, &Session, [this] {
      ADD_FAILURE() << "the session did not end in time";
      EndSession();
    });
  }

  std::string ConfigFile() const { return (Folder.Path() / "Config.ini").string(); }

  static bool LoginWaits() { return fLogin != nullptr && fLogin->IsModal(); }
  static bool MenuWaits() { return fMenu != nullptr && fMenu->IsModal(); }
  static bool RequestWaits() { return fSolicitacao != nullptr && fSolicitacao->IsModal(); }
  static bool UserWaits() { return fUsuario != nullptr && fUsuario->IsModal(); }
  static QMessageBox* MessageBox() {
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  }

  // The session is a list of steps, each run from the event loop of the moment (the program's
  // main loop or a modal run it started) once its condition holds; a step without a condition
  // waits for the step before it to return.  A step that opens a modal window returns only when
  // that window closes, so the steps after it run inside its modal run.
  void Step(std::function<void()> action) { Step(nullptr, std::move(action)); }
  void Step(std::function<bool()> ready, std::function<void()> action) {
    Steps.push_back({std::move(ready), std::move(action)});
  }
  void StartSteps() { Advance(std::make_shared<bool>(true)); }

  // Ends the program after a failed step: the steps left would act on a session that went
  // elsewhere.
  void EndSession() {
    Steps.clear();
    if (QMessageBox* box = MessageBox())
      box->close();
    App.Terminate();
  }

  // Replaces an edit's text as a user does: click into it, go to the end, erase, type.
  void Retype(TCustomEdit& edit, const std::string& text) {
    QWidget* widget = W(edit);
    QTest::mouseClick(widget, Qt::LeftButton);
    QTest::keyClick(widget, Qt::Key_End);
    for (size_t left = edit.GetText().size(); left > 0 && !edit.GetText().empty(); --left)
      QTest::keyClick(widget, Qt::Key_Backspace);
    ASSERT_EQ(edit.GetText(), "") << edit.GetName();
    QTest::keyClicks(widget, QString::fromStdString(text));
    EXPECT_EQ(edit.GetText(), text) << edit.GetName();
  }

  // Chooses an item of a combo box with the mouse: the list drops down, the pointer goes to the
  // item and clicks it.
  void Choose(TCustomComboBox& box, const std::string& text) {
    auto* combo = qobject_cast<QComboBox*>(W(box));
    ASSERT_NE(combo, nullptr) << box.GetName();
    const int index = combo->findText(QString::fromStdString(text));
    ASSERT_GE(index, 0) << box.GetName() << " has no item " << text;
    // The arrow drops the list down, also where the box's text can be typed in.
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    const QRect arrow = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxArrow, combo);
    QTest::mouseClick(combo, Qt::LeftButton, {}, arrow.center());
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); })) << box.GetName();
    // Qt takes no choice from a release that follows the drop-down's opening too closely.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    const QModelIndex item = list->model()->index(index, combo->modelColumn());
    list->scrollTo(item);
    const QPoint at = list->visualRect(item).center();
    QTest::mouseMove(list->viewport(), at);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list->isVisible(); })) << box.GetName();
    EXPECT_EQ(box.GetText(), text) << box.GetName();
  }

  void Click(const TControl& control) { QTest::mouseClick(W(control), Qt::LeftButton); }

  TDBGridPresenter& GridView(TDBGrid& grid) {
    auto* view = dynamic_cast<TDBGridPresenter*>(Backend().PresenterOf(grid));
    EXPECT_NE(view, nullptr) << grid.GetName();
    return *view;
  }

  // A grid shows its dataset's first records from the top.
  void ExpectRowsShown(TDBGrid& grid) {
    TDBGridPresenter& view = GridView(grid);
    EXPECT_EQ(view.TopRecNo(), 1) << grid.GetName();
    EXPECT_FALSE(view.CellText(0, 1).empty()) << grid.GetName();
  }

  // Clicks the row of a grid whose first column shows `key`.
  void ClickRow(TDBGrid& grid, const std::string& key) {
    TDBGridPresenter& view = GridView(grid);
    const int first = view.TopRecNo();
    for (int recNo = first; recNo < first + view.RowsShown(); ++recNo)
      if (view.CellText(0, recNo) == key) {
        QTest::mouseClick(W(grid), Qt::LeftButton, {}, view.CellRect(1, recNo).center());
        return;
      }
    ADD_FAILURE() << grid.GetName() << " shows no row " << key;
  }

  TTabCloseButton& Tabs() const { return *FTDI->GetPageControl(); }
  static QPoint Centre(const TRect& r) {
    return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  std::vector<std::string> TabCaptions() const {
    std::vector<std::string> captions;
    for (int i = 0; i < Tabs().PageCount(); ++i)
      captions.push_back(Tabs().Pages(i)->GetCaption());
    return captions;
  }
  int TabOf(const std::string& caption) const {
    for (int i = 0; i < Tabs().PageCount(); ++i)
      if (Tabs().Pages(i)->GetCaption() == caption + EspacosBotaoFechar)
        return i;
    return -1;
  }

  Variant ReadValue(const std::string& sql) {
    TQuery query(nullptr);
    query.SetConnection(DM->conBD);
    query.GetSQL().SetText(sql);
    query.Open();
    return query.IsEmpty() ? Variant::Null() : query.Fields(0).GetAsVariant();
  }

  testdb::TTempFolder Folder;
  // Owns the session's timers, so that none outlives the test.
  QObject Session;

private:
  struct TStep {
    std::function<bool()> Ready;
    std::function<void()> Action;
  };
  std::deque<TStep> Steps;

  // Schedules the next step; each step gets a timer of its own, as the timer of a step that is
  // still running (in a modal run it opened) does not fire again.
  void Advance(std::shared_ptr<bool> previousReturned) {
    if (Steps.empty())
      return;
    TStep step = std::move(Steps.front());
    Steps.pop_front();
    std::function<bool()> ready =
        step.Ready ? step.Ready : [previousReturned] { return *previousReturned; };
    auto* timer = new QTimer(&Session);
    QObject::connect(timer, &QTimer::timeout, [this, timer, ready, action = step.Action] {
      if (!HasFailure() && !ready())
        return;
      timer->stop();
      timer->deleteLater();
      if (HasFailure()) {
        EndSession();
        return;
      }
      auto returned = std::make_shared<bool>(false);
      Advance(returned);
      action();
      *returned = true;
    });
    timer->start(10);
  }
};

TEST_F(DesktopSession, LogInWorkWithRequestsStatusesAndUsersAndLeaveThroughTheWindows) {
  QString warning;
  TfLisSolicitacoes* list = nullptr;
  TfCadSituacao* statuses = nullptr;
  TfCadUsuarios* users = nullptr;
  bool done = false;

  // A wrong pair first, answered in the warning dialog.
  Step(LoginWaits, [&] {
    Settle();
    Screenshot(*Backend().WindowOf(*fLogin), "login");
    // The login is a borderless window of the laid-out size, centred.
    QWidget* window = Backend().WindowOf(*fLogin);
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->size(), QSize(919, 535));
    EXPECT_EQ(static_cast<QLineEdit*>(W(*fLogin->edtSenha))->echoMode(), QLineEdit::Password);
    Retype(*fLogin->edtLogin, "pelix");
    Retype(*fLogin->edtSenha, "brud");
    Click(*fLogin->btnEntrar);
  });
  Step([] { return MessageBox() != nullptr; },
       [&] {
         warning = MessageBox()->text();
         QTest::keyClick(MessageBox(), Qt::Key_Return);
       });
  // The right password this time.
  Step([] { return LoginWaits() && MessageBox() == nullptr; },
       [&] {
         Retype(*fLogin->edtSenha, "pelix");
         Click(*fLogin->btnEntrar);
       });

  // The dashboard is the first tab: the counts of the moment of login, the newest request first.
  Step(MenuWaits, [&] {
    Settle();
    ASSERT_EQ(Tabs().PageCount(), 1);
    EXPECT_EQ(Tabs().Pages(0)->GetCaption(), "Painel de Bordo" + EspacosBotaoFechar);
    EXPECT_TRUE(W(Tabs())->isVisible());
    auto* dashboard = dynamic_cast<TfDashboard*>(FTDI->Formulario(0));
    ASSERT_NE(dashboard, nullptr);
    for (const auto& [count, column] :
         {std::pair{dashboard->DBText1, "QT_NOVAS"}, std::pair{dashboard->DBText2, "QT_ANDAMENTO"},
          std::pair{dashboard->DBText3, "QT_FINALIZADAS"}}) {
      const std::string expected =
          ReadValue(std::string("SELECT ") + column + " FROM SP_DASHBOARD_QT").AsString();
      EXPECT_EQ(count->GetCaption(), expected) << column;
      EXPECT_EQ(static_cast<QLabel*>(W(*count))->text().toStdString(), expected) << column;
    }
    EXPECT_EQ(DM->qryDashTipo->GetRecordCount(), 6);
    ExpectRowsShown(*dashboard->dbgTipoSolicitacoes);
    ExpectRowsShown(*dashboard->dbgNovasSolicitacoes);
    EXPECT_EQ(GridView(*dashboard->dbgNovasSolicitacoes).CellText(0, 1), "28/12/2026 09:29:00");
    DM->qryLisSolicitacao->First();
    EXPECT_EQ(DM->qryLisSolicitacao->FieldByName("DATA_SOLICITACAO").GetText(),
              "28/12/2026 09:29:00");
    Screenshot(*Backend().WindowOf(*fMenu), "menu-dashboard");
    // "Gerenciamento" opens the request list as a second tab.
    Click(*fMenu->SpeedButton4);
  });

  // The request list, narrowed to one status chosen in its box.
  Step([&] {
    Settle();
    ASSERT_EQ(Tabs().PageCount(), 2);
    EXPECT_EQ(Tabs().GetActivePage()->GetCaption(), "Solicitacoes" + EspacosBotaoFechar);
    list = dynamic_cast<TfLisSolicitacoes*>(FTDI->Formulario(1));
    ASSERT_NE(list, nullptr);
    ExpectRowsShown(*list->dbgTarefas);
    Choose(*list->cbbSituacao, "3 - Em Andamento");
    std::set<std::string> shown;
    TQuery& rows = *DM->qryLisSolicitacao;
    for (rows.First(); !rows.GetEof(); rows.Next())
      shown.insert(rows.FieldByName("NOME_SITUACAO").GetAsString());
    EXPECT_EQ(shown, std::set<std::string>{"Em Andamento"});
    Settle();
    EXPECT_EQ(GridView(*list->dbgTarefas).CellText(4, 1), "Em Andamento");
    Screenshot(*Backend().WindowOf(*fMenu), "menu-requests");
    // "Novo" opens the request form modally.
    Click(*list->btnNovo);
  });

  // A new request, typed and chosen in its form, and saved.
  Step(RequestWaits, [&] {
    Settle();
    Retype(*fSolicitacao->dbeDescricao, "Vazamento na Rua D'Ajuda");
    Choose(*fSolicitacao->cbbTipo, "Reclamação");
    Choose(*fSolicitacao->cbbUnidade, "Serviço Autônomo de Água e Esgoto");
    Choose(*fSolicitacao->cbbSituacao, "Em Andamento");
    // The date of a new request is the moment it was begun.
    EXPECT_FALSE(fSolicitacao->dbeData->GetText().empty());
    Settle();
    Screenshot(*Backend().WindowOf(*fSolicitacao), "request-form");
    Click(*fSolicitacao->btnSalvar);
    EXPECT_EQ(fSolicitacao->dbeControle->GetText(), "61");
    EXPECT_EQ(ReadValue("SELECT SOLICITACAO FROM SOLICITACAO WHERE ID_SOLICITACAO = 61").AsString(),
              "Vazamento na Rua D'Ajuda");
    EXPECT_EQ(ReadValue("SELECT T.NOME_TIPO FROM SOLICITACAO S JOIN TIPO_SOLICITACAO T "
                        "ON T.ID_TIPO = S.ID_TIPO WHERE S.ID_SOLICITACAO = 61")
                  .AsString(),
              "Reclamação");
    EXPECT_EQ(ReadValue("SELECT ID_SITUACAO FROM SOLICITACAO WHERE ID_SOLICITACAO = 61").AsInt64(),
              3);
    EXPECT_EQ(ReadValue("SELECT ID_USUARIO FROM SOLICITACAO WHERE ID_SOLICITACAO = 61").AsInt64(),
              1);
    Click(*fSolicitacao->btnSair);
  });

  // Every status again, and a text with a quote in it typed into the search box.
  Step([] { return fSolicitacao == nullptr; },
       [&] {
         Choose(*list->cbbSituacao, "Todos");
         Retype(*list->edtPesquisa, "D'Ajuda");
         TQuery& rows = *DM->qryLisSolicitacao;
         ASSERT_EQ(rows.GetRecordCount(), 1);
         EXPECT_EQ(rows.FieldByName("SOLICITACAO").GetAsString(), "Vazamento na Rua D'Ajuda");
         EXPECT_EQ(rows.FieldByName("NOME_USUARIO").GetAsString(), "Pelix Andrade");
         EXPECT_EQ(rows.FieldByName("ID_SOLICITACAO").GetDisplayText(), "00000061");
         Settle();
         EXPECT_EQ(GridView(*list->dbgTarefas).CellText(0, 1), "00000061");
         EXPECT_EQ(GridView(*list->dbgTarefas).CellText(2, 1), "Vazamento na Rua D'Ajuda");
         // "Alterar" opens the request found.
         Click(*list->btnAlterar);
       });
  // Its form shows it as stored; closing the window ends the form's modal run.
  Step(RequestWaits, [&] {
    Settle();
    EXPECT_EQ(fSolicitacao->dbeControle->GetText(), "61");
    EXPECT_EQ(fSolicitacao->dbeDescricao->GetText(), "Vazamento na Rua D'Ajuda");
    EXPECT_EQ(fSolicitacao->cbbUnidade->GetText(), "Serviço Autônomo de Água e Esgoto");
    Backend().WindowOf(*fSolicitacao)->close();
  });
  Step([] { return !RequestWaits() || MessageBox() != nullptr; },
       [&] {
         if (MessageBox() != nullptr)
           QTest::keyClick(MessageBox(), Qt::Key_Return);
       });

  // A status renamed in its reference form: its row chosen in the grid, its name typed.
  Step([] { return fSolicitacao == nullptr && MessageBox() == nullptr; },
       [&] { Click(*fMenu->SpeedButton10); });
  Step([&] {
    Settle();
    ASSERT_EQ(Tabs().PageCount(), 3);
    statuses = dynamic_cast<TfCadSituacao*>(FTDI->Formulario(2));
    ASSERT_NE(statuses, nullptr);
    EXPECT_FALSE(statuses->btnSalvar->GetEnabled());
    ClickRow(*statuses->DBGrid1, "4");
    ASSERT_EQ(DM->qrySituacao->FieldByName("ID_SITUACAO").GetAsLargeInt(), 4);
    EXPECT_EQ(statuses->dbeIdSituacao->GetText(), "4");
    Retype(*statuses->dbeNomeSituacao, "Aguardando Retorno");
    EXPECT_EQ(DM->qrySituacao->GetState(), TDataSetState::dsEdit);
    EXPECT_TRUE(statuses->btnSalvar->GetEnabled());
    Settle();
    Screenshot(*Backend().WindowOf(*fMenu), "status-form-editing");
    Click(*statuses->btnSalvar);
    EXPECT_FALSE(statuses->btnSalvar->GetEnabled());
    EXPECT_EQ(ReadValue("SELECT NOME_SITUACAO FROM SITUACAO WHERE ID_SITUACAO = 4").AsString(),
              "Aguardando Retorno");
  });

  // A new user, entered in the user form opened from the user list.
  Step([&] { Click(*fMenu->SpeedButton1); });
  Step([&] {
    Settle();
    ASSERT_EQ(Tabs().PageCount(), 4);
    users = dynamic_cast<TfCadUsuarios*>(FTDI->Formulario(3));
    ASSERT_NE(users, nullptr);
    Click(*users->btnNovo);
  });
  Step(UserWaits, [&] {
    Settle();
    Retype(*fUsuario->dbeLogin, "rmelo");
    Retype(*fUsuario->dbeNome, "Rita Melo");
    Retype(*fUsuario->dbeDataNascimento, "03/09/1992");
    Retype(*fUsuario->dbeEmail, "rmelo@vilaserena.gov.br");
    Retype(*fUsuario->edtSenha, "rmelo");
    Retype(*fUsuario->dbeCelular, "(11) 98877-8807");
    Choose(*fUsuario->cbbTipoUsuario, "Gerente/Encarregado");
    Settle();
    Screenshot(*Backend().WindowOf(*fUsuario), "user-form");
    Click(*fUsuario->btnSalvar);
  });
  Step(
      [] { return fUsuario == nullptr; },
      [&] {
        EXPECT_EQ(
            ReadValue("SELECT NOME_USUARIO FROM USUARIO WHERE LOGIN_USUARIO = 'rmelo'").AsString(),
            "Rita Melo");
        EXPECT_EQ(
            ReadValue("SELECT EMAIL_USUARIO FROM USUARIO WHERE LOGIN_USUARIO = 'rmelo'").AsString(),
            "rmelo@vilaserena.gov.br");
        EXPECT_EQ(ReadValue("SELECT T.TIPO_USUARIO FROM USUARIO U JOIN TIPO_USUARIO T "
                            "ON T.ID_TIPO_USUARIO = U.ID_TIPO_USUARIO "
                            "WHERE U.LOGIN_USUARIO = 'rmelo'")
                      .AsString(),
                  "Gerente/Encarregado");
        // The user list's own "Sair" closes its tab.
        Click(*users->btnSair);
      });

  // The other tabs: the request list by its close button, once its tab is chosen; the rest by
  // middle clicks, the first on a tab that is not the active one.
  Step([&] {
    Settle();
    EXPECT_EQ(TabCaptions(),
              (std::vector<std::string>{
                  "Painel de Bordo" + EspacosBotaoFechar, "Solicitacoes" + EspacosBotaoFechar,
                  "Cadastro de Situação de Solicitação" + EspacosBotaoFechar}));
    const int requests = TabOf("Solicitacoes");
    ASSERT_GE(requests, 0);
    QTest::mouseClick(W(Tabs()), Qt::LeftButton, {}, Centre(Tabs().TabRect(requests)));
    EXPECT_EQ(Tabs().GetTabIndex(), requests);
    Settle();
    const QPoint close = Centre(Tabs().GetCloseButtonsRect()[static_cast<size_t>(requests)]);
    QTest::mousePress(W(Tabs()), Qt::LeftButton, {}, close);
    EXPECT_TRUE(Tabs().GetCloseButtonShowPushed());
    QTest::mouseRelease(W(Tabs()), Qt::LeftButton, {}, close);
    EXPECT_EQ(TabCaptions(), (std::vector<std::string>{"Painel de Bordo" + EspacosBotaoFechar,
                                                       "Cadastro de Situação de Solicitação" +
                                                           EspacosBotaoFechar}));
  });
  Step([&] {
    Settle();
    const int dashboard = TabOf("Painel de Bordo");
    ASSERT_GE(dashboard, 0);
    ASSERT_NE(Tabs().GetTabIndex(), dashboard);
    QTest::mouseClick(W(Tabs()), Qt::MiddleButton, {}, Centre(Tabs().TabRect(dashboard)));
    EXPECT_EQ(TabCaptions(), (std::vector<std::string>{"Cadastro de Situação de Solicitação" +
                                                       EspacosBotaoFechar}));
  });
  Step([&] {
    Settle();
    QTest::mouseClick(W(Tabs()), Qt::MiddleButton, {}, Centre(Tabs().TabRect(0)));
    EXPECT_EQ(Tabs().PageCount(), 0);
    EXPECT_FALSE(Tabs().GetVisible());
    Settle();
    EXPECT_FALSE(W(Tabs())->isVisible());
  });
  // Leaving with the exit button.
  Step([&] {
    done = true;
    Click(*fMenu->btnFechar);
  });
  StartSteps();

  EXPECT_EQ(RunVozmira(ConfigFile()), 0);

  EXPECT_TRUE(done);
  EXPECT_EQ(warning, "Usuário ou Senha não confere!");
  EXPECT_EQ(UsuarioLogado(), "pelix");
  EXPECT_EQ(fLogin, nullptr);
  EXPECT_EQ(fMenu, nullptr);
  EXPECT_TRUE(App.GetTerminated());
  ASSERT_NE(DM, nullptr);
  EXPECT_EQ(ReadValue("SELECT COUNT(*) FROM SOLICITACAO WHERE SOLICITACAO = 'Vazamento na Rua "
                      "D''Ajuda'")
                .AsInt64(),
            1);
  EXPECT_EQ(ReadValue("SELECT NOME_SITUACAO FROM SITUACAO WHERE ID_SITUACAO = 4").AsString(),
            "Aguardando Retorno");
  EXPECT_EQ(ReadValue("SELECT COUNT(*) FROM USUARIO WHERE LOGIN_USUARIO = 'rmelo'").AsInt64(), 1);
}

} // namespace

// Every form the side menu opens is laid out in a tab of its own; each is pictured for review.
TEST_F(DesktopSession, EverySideMenuFormOpensInATabOfItsOwn) {
  struct TOpened {
    TSpeedButton* TfMenu::*Button;
    const char* Picture;
  };
  const TOpened opened[] = {
      {&TfMenu::SpeedButton1, "tab-users"},      {&TfMenu::SpeedButton3, "tab-user-types"},
      {&TfMenu::SpeedButton6, "tab-city-hall"},  {&TfMenu::SpeedButton7, "tab-units"},
      {&TfMenu::SpeedButton8, "tab-unit-types"}, {&TfMenu::SpeedButton9, "tab-request-types"},
      {&TfMenu::SpeedButton10, "tab-statuses"},
  };
  std::vector<std::string> captions;

  // The administrator, whose level opens every form.
  Step(LoginWaits, [&] {
    Retype(*fLogin->edtLogin, "pelix");
    Retype(*fLogin->edtSenha, "pelix");
    Click(*fLogin->btnEntrar);
  });
  bool first = true;
  for (const TOpened& form : opened) {
    Step(first ? std::function<bool()>(MenuWaits) : nullptr, [&, form] {
      Settle();
      const int before = Tabs().PageCount();
      Click(*(fMenu->*form.Button));
      Settle();
      ASSERT_EQ(Tabs().PageCount(), before + 1) << form.Picture;
      EXPECT_EQ(Tabs().GetTabIndex(), before) << form.Picture;
      captions.push_back(Tabs().GetActivePage()->GetCaption());
      Screenshot(*Backend().WindowOf(*fMenu), form.Picture);
    });
    first = false;
  }
  Step([&] { Click(*fMenu->btnFechar); });
  StartSteps();

  EXPECT_EQ(RunVozmira(ConfigFile()), 0);
  // One tab per form, each with its own caption.
  EXPECT_EQ(captions.size(), std::size(opened));
  EXPECT_EQ(std::set<std::string>(captions.begin(), captions.end()).size(), captions.size());
}
