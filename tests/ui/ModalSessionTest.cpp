#include "UiTest.h"

namespace {

// A login form built as the application builds its forms: controls created in the constructor,
// handlers bound to the form's own operations.
class TfLoginForm : public TForm {
public:
  TEdit* edtLogin;
  TEdit* edtSenha;
  TButton* btnEntrar;
  TButton* btnLimpar;
  TButton* Button1;

  explicit TfLoginForm(TComponent* owner) : TForm(owner) {
    SetName("fLogin");
    SetCaption("Login");
    SetBorderStyle(bsNone);
    SetClientWidth(919);
    SetClientHeight(535);
    SetPosition(poScreenCenter);
    edtLogin = Make<TEdit>("edtLogin", 40, 100);
    edtLogin->SetText("pelix");
    edtSenha = Make<TEdit>("edtSenha", 40, 160);
    edtSenha->SetText("pelix");
    edtSenha->SetPasswordChar('*');
    btnEntrar = Make<TButton>("btnEntrar", 40, 220);
    btnEntrar->SetCaption("Entrar");
    btnLimpar = Make<TButton>("btnLimpar", 130, 220);
    btnLimpar->SetCaption("Limpar");
    Button1 = Make<TButton>("Button1", 800, 500);
    Button1->SetCaption("Sair");
    btnEntrar->SetTabOrder(1);
    btnEntrar->OnClick = [this](TObject* sender) { btnEntrarClick(sender); };
    btnLimpar->OnClick = [this](TObject* sender) { btnLimparClick(sender); };
    Button1->OnClick = [](TObject*) { Application().Terminate(); };
  }

private:
  template <class T> T* Make(const std::string& name, int left, int top) {
    T* control = new T(this);
    control->SetName(name);
    control->SetParent(this);
    control->SetLeft(left);
    control->SetTop(top);
    return control;
  }

  void btnEntrarClick(TObject*) {
    if (edtLogin->GetText().empty()) {
      ShowMessage("Informe o Login");
      Abort();
    }
    if (edtSenha->GetText().empty()) {
      ShowMessage("Informe a senha");
      Abort();
    }
    const std::string login = edtLogin->GetText();
    const std::string senha = edtSenha->GetText();
    if ((login == "pelix" && senha == "pelix") || (login == "brud" && senha == "brud")) {
      Close();
      return;
    }
    MessageDlg("Usuário ou Senha não confere!", mtWarning, {mbOK}, 0);
  }

  void btnLimparClick(TObject*) {
    if (MessageDlg("Limpar os campos?", mtConfirmation, mbYesNo, 0) == mrYes) {
      edtLogin->Clear();
      edtSenha->Clear();
    }
  }
};

class ModalSession : public UiTest {
protected:
  TfLoginForm* Form = nullptr;

  void SetUp() override {
    Form = CreateForm<TfLoginForm>(&App);
    LogForm(Form);
    for (TWinControl* c : std::initializer_list<TWinControl*>{
             Form->edtLogin, Form->edtSenha, Form->btnEntrar, Form->btnLimpar, Form->Button1})
      LogFocus(c);
    LogKeys(Form->edtSenha);
    for (TCustomEdit* e : {Form->edtLogin, Form->edtSenha}) {
      e->OnChange = [this, e](TObject*) {
        Log.push_back(e->GetName() + ".Change \"" + e->GetText() + "\"");
      };
    }
    // Clicks are logged around the form's own handlers.
    for (TButton* b : {Form->btnEntrar, Form->btnLimpar}) {
      TNotifyEvent handler = b->OnClick;
      b->OnClick = [this, b, handler](TObject* sender) {
        Log.push_back(b->GetName() + ".Click");
        handler(sender);
        Log.push_back(b->GetName() + ".Click done");
      };
    }
  }
};

TEST_F(ModalSession, ATypedClickedAndAnsweredSessionFiresEveryEventInOrder) {
  Driver.Queue([&] { Driver.Type("fLogin", "edtLogin", "brud"); });
  Driver.Queue([&] { Driver.Click("fLogin", "btnLimpar"); });
  Driver.AnswerMessage(mrNo);
  Driver.Queue([&] { Driver.Click("fLogin", "btnEntrar"); });
  Driver.Queue([&] { Driver.PressKey("fLogin", VK_TAB); });
  Driver.Queue([&] { Driver.Type("fLogin", "edtSenha", "bd"); });
  Driver.Queue([&] { Driver.PressKey("fLogin", VK_LEFT); });
  Driver.Queue([&] { Driver.Type("fLogin", "edtSenha", "ru"); });
  Driver.Queue([&] { Driver.PressKey("fLogin", VK_RETURN); });
  Driver.Queue([&] { Driver.Click("fLogin", "btnEntrar"); });

  EXPECT_EQ(Form->ShowModal(), mrCancel);

  const std::vector<std::string> expected = {
      // Showing: OnShow, activation, the first control in tab order takes the focus.
      "fLogin.Show", "fLogin.Activate", "edtLogin.Enter",
      // Typing into the focused edit: its text was selected on entry, so typing replaces it.
      "edtLogin.Change \"b\"", "edtLogin.Change \"br\"", "edtLogin.Change \"bru\"",
      "edtLogin.Change \"brud\"",
      // A click moves the focus first; the answered confirmation changes nothing.
      "edtLogin.Exit", "btnLimpar.Enter", "btnLimpar.Click", "btnLimpar.Click done",
      // The refused pair shows a warning and keeps the form open.
      "btnLimpar.Exit", "btnEntrar.Enter", "btnEntrar.Click", "btnEntrar.Click done",
      // Tab from btnEntrar goes to edtSenha (tab order edtLogin, btnEntrar, edtSenha, Button1);
      // the key goes up in the control that has the focus by then.
      "btnEntrar.Exit", "edtSenha.Enter", "edtSenha.KeyUp 9",
      // Each typed character: key down, key press, the change, key up.
      "edtSenha.KeyDown 66", "edtSenha.KeyPress b", "edtSenha.Change \"b\"", "edtSenha.KeyUp 66",
      "edtSenha.KeyDown 68", "edtSenha.KeyPress d", "edtSenha.Change \"bd\"", "edtSenha.KeyUp 68",
      // The caret moves left; typing goes in between.
      "edtSenha.KeyDown 37", "edtSenha.KeyUp 37", "edtSenha.KeyDown 82", "edtSenha.KeyPress r",
      "edtSenha.Change \"brd\"", "edtSenha.KeyUp 82", "edtSenha.KeyDown 85", "edtSenha.KeyPress u",
      "edtSenha.Change \"brud\"", "edtSenha.KeyUp 85",
      // No default button: Enter reaches the edit as a key and a character and submits nothing.
      "edtSenha.KeyDown 13", "edtSenha.KeyPress \r", "edtSenha.KeyUp 13",
      // The accepted pair closes the form: CloseQuery, OnClose, deactivation, OnHide.
      "edtSenha.Exit", "btnEntrar.Enter", "btnEntrar.Click", "btnEntrar.Click done",
      "fLogin.CloseQuery", "fLogin.Close", "fLogin.Deactivate", "fLogin.Hide"};
  EXPECT_EQ(Log, expected);

  ASSERT_EQ(Driver.Messages().size(), 2u);
  EXPECT_EQ(Driver.Messages()[0].Text, "Limpar os campos?");
  EXPECT_EQ(Driver.Messages()[0].Type, mtConfirmation);
  EXPECT_EQ(Driver.Messages()[0].Buttons, mbYesNo);
  EXPECT_EQ(Driver.Messages()[0].Result, mrNo);
  EXPECT_EQ(Driver.Messages()[1].Text, "Usuário ou Senha não confere!");
  EXPECT_EQ(Driver.Messages()[1].Type, mtWarning);
  EXPECT_EQ(Driver.Messages()[1].Result, mrOk);
  EXPECT_EQ(Form->edtLogin->GetText(), "brud");
  EXPECT_EQ(Driver.Pending(), 0);
}

TEST_F(ModalSession, ValidationMessagesStopTheHandlerAndKeepTheFormOpen) {
  Driver.Queue([&] { Driver.Click("fLogin", "btnLimpar"); });
  Driver.AnswerMessage(mrYes);
  Driver.Queue([&] { Driver.Click("fLogin", "btnEntrar"); });
  Driver.Queue([&] { Driver.Type("fLogin", "edtLogin", "pelix"); });
  Driver.Queue([&] { Driver.Click("fLogin", "btnEntrar"); });
  Driver.Queue([&] { Driver.Click("fLogin", "Button1"); });
  EXPECT_EQ(Form->ShowModal(), mrCancel);
  EXPECT_TRUE(App.GetTerminated()) << "\"Sair\" ended the run by terminating";
  std::vector<std::string> texts;
  for (const TShownMessage& m : Driver.Messages())
    texts.push_back(m.Text);
  EXPECT_EQ(texts,
            (std::vector<std::string>{"Limpar os campos?", "Informe o Login", "Informe a senha"}));
  // The silent abort stopped each handler before its end.
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "btnEntrar.Click done"), 0);
}

TEST_F(ModalSession, AModalRunWithInputLeftOverStopsWhereTheScriptEnds) {
  Driver.Queue([&] { Driver.Type("fLogin", "edtLogin", "x"); });
  try {
    Form->ShowModal();
    FAIL() << "the run should fail when the script ends";
  } catch (const EPresentationError& e) {
    EXPECT_STREQ(e.what(), "Modal form fLogin is waiting for input but no user action is pending");
  }
  EXPECT_EQ(Form->edtLogin->GetText(), "x");
  // The form can run again afterwards.
  Driver.Queue([&] { Driver.Click("fLogin", "btnEntrar"); });
  Driver.Queue([&] { Form->SetModalResult(mrOk); });
  EXPECT_EQ(Form->ShowModal(), mrOk);
}

} // namespace
