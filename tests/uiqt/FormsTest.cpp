// A small form of the standard controls and its dialogs, driven through Qt's input events.

#include "QtTest.h"

#include "ui/ComCtrls.h"
#include "ui/Dialogs.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

namespace {

class SampleForm : public QtTest {
protected:
  SampleForm() {
    Form = new TForm(&App);
    Form->SetName("fSample");
    Form->SetCaption("Amostra");
    Form->SetClientWidth(400);
    Form->SetClientHeight(300);
    Form->SetPosition(poScreenCenter);

    Edit = Add<TEdit>("edtNome", 10, 10, 150, 23);
    Edit->OnEnter = Note("edtNome.Enter");
    Edit->OnExit = Note("edtNome.Exit");
    Edit->OnChange = Note("edtNome.Change");
    Button = Add<TButton>("btnOk", 10, 40, 75, 25);
    Button->SetCaption("OK");
    Button->OnEnter = Note("btnOk.Enter");
    Button->OnExit = Note("btnOk.Exit");
    Button->OnClick = Note("btnOk.Click");
    Button->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
      Log.push_back("btnOk.MouseDown");
    };
    Button->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
      Log.push_back("btnOk.MouseUp");
    };
    Check = Add<TCheckBox>("chkAtivo", 10, 70, 120, 17);
    Check->SetCaption("Ativo");
    Check->OnClick = Note("chkAtivo.Click");
    Combo = Add<TComboBox>("cbbTipo", 10, 95, 150, 23);
    Combo->SetStyle(csDropDownList);
    for (const char* item : {"Um", "Dois", "Tres"})
      Combo->GetItems().Add(item);
    Combo->OnClick = Note("cbbTipo.Click");
    Combo->OnSelect = Note("cbbTipo.Select");
    Pages = Add<TPageControl>("pgc", 170, 10, 220, 150);
    for (const char* caption : {"Primeira", "Segunda"}) {
      auto* sheet = new TTabSheet(Form);
      sheet->SetCaption(caption);
      sheet->SetPageControl(Pages);
      Sheets.push_back(sheet);
    }
    Pages->OnChanging = [this](TObject*, bool&) { Log.push_back("pgc.Changing"); };
    Pages->OnChange = Note("pgc.Change");

    auto* menu = new TMainMenu(Form);
    auto* file = new TMenuItem(Form);
    file->SetCaption("&Arquivo");
    menu->GetItems().Add(file);
    auto* save = new TMenuItem(Form);
    save->SetCaption("Salvar");
    save->SetShortCut(ShortCut('S', {ssCtrl}));
    save->OnClick = Note("mnuSalvar.Click");
    file->Add(save);
    Form->SetMenu(menu);
  }

  template <class T> T* Add(const std::string& name, int left, int top, int width, int height) {
    T* control = new T(Form);
    control->SetName(name);
    control->SetParent(Form);
    control->SetBounds(left, top, width, height);
    return control;
  }

  QWidget* FocusWidget() const { return QApplication::focusWidget(); }

  TForm* Form;
  TEdit* Edit;
  TButton* Button;
  TCheckBox* Check;
  TComboBox* Combo;
  TPageControl* Pages;
  std::vector<TTabSheet*> Sheets;
};

TEST_F(SampleForm, QtInputRaisesTheModelsEventsInOrderAndTheWidgetsFollow) {
  ShowAndWait(*Form);
  // The first control in tab order has the focus, in the model and in Qt.
  EXPECT_TRUE(Edit->Focused());
  EXPECT_EQ(FocusWidget(), W(*Edit));
  EXPECT_EQ(Log, (std::vector<std::string>{"edtNome.Enter"}));
  Log.clear();

  QTest::keyClicks(W(*Edit), "ab");
  EXPECT_EQ(Edit->GetText(), "ab");
  EXPECT_EQ(static_cast<QLineEdit*>(W(*Edit))->text(), "ab");
  EXPECT_EQ(static_cast<QLineEdit*>(W(*Edit))->cursorPosition(), 2);

  QTest::keyClick(FocusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(Button->Focused());
  EXPECT_EQ(FocusWidget(), W(*Button));

  QTest::mouseClick(W(*Check), Qt::LeftButton);
  EXPECT_TRUE(Check->GetChecked());
  EXPECT_TRUE(static_cast<QCheckBox*>(W(*Check))->isChecked());

  QTest::mouseClick(W(*Button), Qt::LeftButton);

  EXPECT_EQ(Log,
            (std::vector<std::string>{"edtNome.Change", "edtNome.Change", "edtNome.Exit",
                                      "btnOk.Enter", "btnOk.Exit", "chkAtivo.Click", "btnOk.Enter",
                                      "btnOk.MouseDown", "btnOk.Click", "btnOk.MouseUp"}));
  Log.clear();

  // Down on the focused list chooses the next item.
  QTest::keyClick(FocusWidget(), Qt::Key_Tab);
  QTest::keyClick(FocusWidget(), Qt::Key_Tab);
  ASSERT_TRUE(Combo->Focused());
  QTest::keyClick(FocusWidget(), Qt::Key_Down);
  EXPECT_EQ(Combo->GetItemIndex(), 0);
  EXPECT_EQ(static_cast<QComboBox*>(W(*Combo))->currentText(), "Um");
  EXPECT_EQ(Log, (std::vector<std::string>{"btnOk.Exit", "cbbTipo.Click", "cbbTipo.Select"}));
  Log.clear();

  // A press on the second tab chooses its page.
  const TRect tab = Pages->TabRect(1);
  QTest::mouseClick(W(*Pages), Qt::LeftButton, {},
                    QPoint((tab.Left + tab.Right) / 2, (tab.Top + tab.Bottom) / 2));
  EXPECT_EQ(Pages->GetActivePage(), Sheets[1]);
  EXPECT_TRUE(W(*Sheets[1])->isVisible());
  EXPECT_FALSE(W(*Sheets[0])->isVisible());
  EXPECT_EQ(Log, (std::vector<std::string>{"pgc.Changing", "pgc.Change"}));
  Log.clear();

  // A menu's shortcut is the model's: it clicks the item and types nothing.
  QTest::keyClick(FocusWidget(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(Log, (std::vector<std::string>{"mnuSalvar.Click"}));
  auto* bar = W(*Form)->findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->actions().size(), 1);
  EXPECT_EQ(bar->actions()[0]->text(), "Arquivo");
}

TEST_F(SampleForm, WidgetsFollowChangesMadeByCode) {
  ShowAndWait(*Form);
  Edit->SetText("xyz");
  Button->SetEnabled(false);
  Check->SetVisible(false);
  Combo->SetItemIndex(2);
  Form->SetCaption("Outra");
  Button->SetBounds(20, 200, 90, 30);
  Edit->GetFont().SetStyle({fsBold});

  EXPECT_EQ(static_cast<QLineEdit*>(W(*Edit))->text(), "xyz");
  EXPECT_TRUE(W(*Edit)->font().bold());
  EXPECT_FALSE(W(*Button)->isEnabled());
  EXPECT_EQ(W(*Button)->geometry(), QRect(20, 200, 90, 30));
  EXPECT_FALSE(W(*Check)->isVisible());
  EXPECT_EQ(static_cast<QComboBox*>(W(*Combo))->currentText(), "Tres");
  EXPECT_EQ(Backend().WindowOf(*Form)->windowTitle(), "Outra");

  // A control added to a shown form is presented at once; a freed one goes.
  auto* late = Add<TButton>("btnTarde", 100, 250, 80, 25);
  ASSERT_NE(Backend().WidgetOf(*late), nullptr);
  EXPECT_TRUE(Backend().WidgetOf(*late)->isVisible());
  delete late;
  EXPECT_EQ(Backend().PresenterAt(W(*Form)->childAt(120, 262)), Backend().PresenterOf(*Form));
}

TEST_F(SampleForm, MessageDialogIsAQtDialogAnsweredThroughQt) {
  int answer = mrNone;
  Button->OnClick = [&](TObject*) {
    answer = MessageDlg("Excluir o registro?", mtConfirmation, mbYesNo, 0);
  };
  ShowAndWait(*Form);
  QString shownText;
  WhenModal([&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shownText = box->text();
    for (QAbstractButton* button : box->buttons())
      if (button->text() == "No")
        QTest::mouseClick(button, Qt::LeftButton);
  });
  QTest::mouseClick(W(*Button), Qt::LeftButton);
  EXPECT_EQ(shownText, "Excluir o registro?");
  EXPECT_EQ(answer, mrNo);
}

TEST_F(SampleForm, ModalFormRunsUntilItsButtonOrItsWindowEndsIt) {
  auto* dialog = new TForm(&App);
  dialog->SetName("fDialogo");
  dialog->SetClientWidth(200);
  dialog->SetClientHeight(100);
  dialog->SetBorderStyle(bsDialog);
  auto* ok = new TButton(dialog);
  ok->SetParent(dialog);
  ok->SetBounds(60, 40, 75, 25);
  ok->SetCaption("OK");
  ok->SetModalResult(mrOk);

  bool modal = false;
  WhenModal([&] {
    QWidget* window = Backend().WindowOf(*dialog);
    modal = window->isVisible() && window->windowModality() == Qt::ApplicationModal;
    QTest::mouseClick(W(*ok), Qt::LeftButton);
  });
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_TRUE(modal);
  EXPECT_FALSE(Backend().WindowOf(*dialog)->isVisible());

  // Closing the window is the form's Close: the run ends with mrCancel.
  WhenModal([&] { Backend().WindowOf(*dialog)->close(); });
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
}

} // namespace
