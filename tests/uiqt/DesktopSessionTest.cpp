// The desktop program's working session on real windows, driven through Qt's input events from
// its entry sequence against a freshly created embedded database: a refused login answered in
// its warning dialog, the accepted login, the menu with the dashboard tab, leaving with the exit
// button.  Pictures of the windows are saved for review.

#include "QtTest.h"

#include "app/TDI.h"
#include "app/Vozmira.h"
#include "app/uDM.h"
#include "app/uDashboard.h"
#include "app/uLisSolicitacoes.h"
#include "app/uLogin.h"
#include "app/uMenu.h"
#include "app/uSolicitacao.h"
#include "data/DBGrids.h"
#include "data/TestDatabase.h"
#include "desktop/GridPresenter.h"

#include <QLineEdit>
#include <QMessageBox>

#include <fstream>

namespace {

class DesktopSession : public QtTest {
protected:
  DesktopSession() {
    std::ofstream(ConfigFile()) << "[Database]\nDatabase=vozmira.fdb\n";
    // A session that stops waiting for input that never comes ends instead of hanging the run.
    QTimer::singleShot(60000, &Watchdog, [this] {
      ADD_FAILURE() << "the session did not end in time";
      if (QWidget* modal = QApplication::activeModalWidget(); qobject_cast<QMessageBox*>(modal))
        modal->close();
      App.Terminate();
    });
  }
  ~DesktopSession() override { DM = nullptr; }

  std::string ConfigFile() const { return (Folder.Path() / "Config.ini").string(); }

  static bool LoginWaits() { return fLogin != nullptr && fLogin->IsModal(); }
  static bool MenuWaits() { return fMenu != nullptr && fMenu->IsModal(); }
  static bool RequestWaits() { return fSolicitacao != nullptr && fSolicitacao->IsModal(); }
  static QMessageBox* MessageBox() {
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  }

  // Replaces an edit's text as a user does: click into it, erase, type.
  void Retype(TEdit& edit, const std::string& text) {
    QWidget* widget = W(edit);
    QTest::mouseClick(widget, Qt::LeftButton);
    while (!edit.GetText().empty())
      QTest::keyClick(widget, Qt::Key_Backspace);
    QTest::keyClicks(widget, QString::fromStdString(text));
  }

  // A grid shows its dataset's first records from the top.
  void ExpectRowsShown(TDBGrid& grid) {
    auto* view = dynamic_cast<TDBGridPresenter*>(Backend().PresenterOf(grid));
    ASSERT_NE(view, nullptr) << grid.GetName();
    EXPECT_EQ(view->TopRecNo(), 1) << grid.GetName();
    EXPECT_FALSE(view->CellText(0, 1).empty()) << grid.GetName();
  }

  testdb::TTempFolder Folder;
  QObject Watchdog;
};

TEST_F(DesktopSession, LogInThroughTheWindowsWorkInTheMenuAndLeave) {
  QString warning;
  bool menuSeen = false;
  bool requestSeen = false;
  std::string dashboardCaption;

  When(LoginWaits, [&] {
    Settle();
    Screenshot(*Backend().WindowOf(*fLogin), "login");
    // The login is a borderless window of the laid-out size, centred.
    QWidget* window = Backend().WindowOf(*fLogin);
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->size(), QSize(919, 535));
    EXPECT_EQ(static_cast<QLineEdit*>(W(*fLogin->edtSenha))->echoMode(), QLineEdit::Password);

    Retype(*fLogin->edtLogin, "pelix");
    Retype(*fLogin->edtSenha, "brud");
    When([] { return MessageBox() != nullptr; },
         [&] {
           warning = MessageBox()->text();
           QTest::keyClick(MessageBox(), Qt::Key_Return);
           // Back on the login: the right password this time.
           When(LoginWaits, [&] {
             Retype(*fLogin->edtSenha, "pelix");
             When(MenuWaits, [&] {
               Settle();
               menuSeen = true;
               TTabCloseButton& pages = *FTDI->GetPageControl();
               EXPECT_EQ(pages.PageCount(), 1);
               dashboardCaption = pages.Pages(0)->GetCaption();
               EXPECT_TRUE(W(pages)->isVisible());
               ExpectRowsShown(
                   *static_cast<TfDashboard*>(FTDI->Formulario(0))->dbgTipoSolicitacoes);
               ExpectRowsShown(
                   *static_cast<TfDashboard*>(FTDI->Formulario(0))->dbgNovasSolicitacoes);
               Screenshot(*Backend().WindowOf(*fMenu), "menu-dashboard");
               // "Gerenciamento" opens the request list as a second tab; its "new" button opens the
               // request form modally.
               QTest::mouseClick(W(*fMenu->SpeedButton4), Qt::LeftButton);
               Settle();
               ASSERT_EQ(pages.PageCount(), 2);
               auto* list = static_cast<TfLisSolicitacoes*>(FTDI->Formulario(1));
               ASSERT_NE(list, nullptr);
               ExpectRowsShown(*list->dbgTarefas);
               Screenshot(*Backend().WindowOf(*fMenu), "menu-requests");
               When(RequestWaits, [&] {
                 Settle();
                 requestSeen = true;
                 Screenshot(*Backend().WindowOf(*fSolicitacao), "request-form");
                 Backend().WindowOf(*fSolicitacao)->close();
                 When([] { return !RequestWaits() || MessageBox() != nullptr; },
                      [&] {
                        if (MessageBox() != nullptr)
                          QTest::keyClick(MessageBox(), Qt::Key_Return);
                        When([] { return !RequestWaits() && MessageBox() == nullptr; },
                             [&] { QTest::mouseClick(W(*fMenu->btnFechar), Qt::LeftButton); });
                      });
               });
               QTest::mouseClick(W(*list->btnNovo), Qt::LeftButton);
             });
             QTest::mouseClick(W(*fLogin->btnEntrar), Qt::LeftButton);
           });
         });
    QTest::mouseClick(W(*fLogin->btnEntrar), Qt::LeftButton);
  });

  EXPECT_EQ(RunVozmira(ConfigFile()), 0);

  EXPECT_EQ(warning, "Usuário ou Senha não confere!");
  EXPECT_TRUE(menuSeen);
  EXPECT_TRUE(requestSeen);
  EXPECT_EQ(dashboardCaption.substr(dashboardCaption.size() - 6), "      ");
  EXPECT_EQ(UsuarioLogado(), "pelix");
  EXPECT_EQ(fLogin, nullptr);
  EXPECT_EQ(fMenu, nullptr);
  EXPECT_TRUE(App.GetTerminated());
}

} // namespace
