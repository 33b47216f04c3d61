#include "UiTest.h"

namespace {

using Controls = UiTest;

TEST_F(Controls, AlignLaysOutTopBottomLeftRightThenClient) {
  TForm* form = NewForm("fAlign", 800, 600);
  struct TCase {
    const char* Name;
    TAlign Align;
    int Width;
    int Height;
    TRect Expected;
  };
  // Created in this order; each kind takes its side of what is left.
  const TCase cases[] = {
      {"pnlClient", alClient, 10, 10, Rect(200, 41, 750, 570)},
      {"pnlTop", alTop, 10, 41, Rect(0, 0, 800, 41)},
      {"pnlLeft", alLeft, 200, 10, Rect(0, 41, 200, 570)},
      {"pnlBottom", alBottom, 10, 30, Rect(0, 570, 800, 600)},
      {"pnlRight", alRight, 50, 10, Rect(750, 41, 800, 570)},
  };
  for (const TCase& c : cases) {
    TPanel* panel = Add<TPanel>(form, c.Name);
    panel->SetBounds(0, 0, c.Width, c.Height);
    panel->SetAlign(c.Align);
  }
  for (const TCase& c : cases)
    EXPECT_EQ(form->FindChildControl(c.Name)->GetBoundsRect(), c.Expected) << c.Name;

  // Resizing the form lays the children out again; a hidden child takes no room.
  form->SetClientWidth(1000);
  form->FindChildControl("pnlTop")->SetVisible(false);
  EXPECT_EQ(form->FindChildControl("pnlClient")->GetBoundsRect(), Rect(200, 0, 950, 570));
  EXPECT_EQ(form->FindChildControl("pnlRight")->GetBoundsRect(), Rect(950, 0, 1000, 570));
}

TEST_F(Controls, BevelsAndGroupBoxCaptionsNarrowTheChildrenArea) {
  TForm* form = NewForm("fBevel", 400, 300);
  TPanel* panel = Add<TPanel>(form, "pnl");
  panel->SetBounds(0, 0, 200, 100);
  panel->SetBevelInner(bvRaised);
  panel->SetBevelOuter(bvLowered);
  panel->SetBorderWidth(2);
  TPanel* inner = Add<TPanel>(panel, "pnlInner");
  inner->SetAlign(alClient);
  EXPECT_EQ(inner->GetBoundsRect(), Rect(4, 4, 196, 96));

  TGroupBox* group = Add<TGroupBox>(form, "gpb");
  group->SetBounds(0, 0, 100, 80);
  TPanel* content = Add<TPanel>(group, "pnlContent");
  content->SetAlign(alClient);
  EXPECT_EQ(content->GetBoundsRect(), Rect(2, 15, 98, 78));
}

TEST_F(Controls, AnchorsKeepDistancesWhenTheParentResizes) {
  TForm* form = NewForm("fAnchors", 400, 300);
  TButton* right = Add<TButton>(form, "btnRight");
  right->SetBounds(300, 250, 75, 25);
  right->SetAnchors({akRight, akBottom});
  TEdit* stretch = Add<TEdit>(form, "edtStretch");
  stretch->SetBounds(10, 10, 380, 23);
  stretch->SetAnchors({akLeft, akTop, akRight});
  form->SetClientWidth(500);
  form->SetClientHeight(350);
  EXPECT_EQ(right->GetBoundsRect(), Bounds(400, 300, 75, 25));
  EXPECT_EQ(stretch->GetBoundsRect(), Bounds(10, 10, 480, 23));
}

TEST_F(Controls, TabMovesFocusInTabOrderSkippingWhatCannotTakeIt) {
  TForm* form = NewForm("fTabs");
  TEdit* edtLogin = Add<TEdit>(form, "edtLogin");
  TEdit* edtSenha = Add<TEdit>(form, "edtSenha");
  TButton* btnEntrar = Add<TButton>(form, "btnEntrar");
  TButton* button1 = Add<TButton>(form, "Button1");
  TEdit* readOnly = Add<TEdit>(form, "edtControle");
  readOnly->SetTabStop(false);
  TButton* hidden = Add<TButton>(form, "btnHidden");
  hidden->SetVisible(false);
  TButton* disabled = Add<TButton>(form, "btnDisabled");
  disabled->SetEnabled(false);
  TPanel* panel = Add<TPanel>(form, "pnl");
  TEdit* inPanel = Add<TEdit>(panel, "edtInPanel");
  // The login form's order: edtLogin, btnEntrar, edtSenha, Button1.
  btnEntrar->SetTabOrder(1);
  EXPECT_EQ(edtLogin->GetTabOrder(), 0);
  EXPECT_EQ(edtSenha->GetTabOrder(), 2);
  EXPECT_EQ(button1->GetTabOrder(), 3);

  form->Show();
  ASSERT_EQ(form->GetFocusedControl(), edtLogin);
  std::vector<std::string> order;
  for (int i = 0; i < 6; ++i) {
    Driver.PressKey(*form, VK_TAB);
    order.push_back(form->GetFocusedControl()->GetName());
  }
  EXPECT_EQ(order, (std::vector<std::string>{"btnEntrar", "edtSenha", "Button1", "edtInPanel",
                                             "edtLogin", "btnEntrar"}));
  Driver.PressKey(*form, VK_TAB, {ssShift});
  EXPECT_EQ(form->GetFocusedControl(), edtLogin);
  (void)inPanel;
}

TEST_F(Controls, FocusLeavesAndEntersContainersInOrder) {
  TForm* form = NewForm("fNested");
  TGroupBox* left = Add<TGroupBox>(form, "gpbLeft");
  TEdit* a = Add<TEdit>(left, "edtA");
  TGroupBox* right = Add<TGroupBox>(form, "gpbRight");
  TPanel* panel = Add<TPanel>(right, "pnlRight");
  TEdit* b = Add<TEdit>(panel, "edtB");
  for (TWinControl* c : std::initializer_list<TWinControl*>{left, a, right, panel, b})
    LogFocus(c);
  form->Show();
  EXPECT_EQ(Log, (std::vector<std::string>{"gpbLeft.Enter", "edtA.Enter"}));
  Log.clear();
  b->SetFocus();
  EXPECT_EQ(Log, (std::vector<std::string>{"edtA.Exit", "gpbLeft.Exit", "gpbRight.Enter",
                                           "pnlRight.Enter", "edtB.Enter"}));
}

TEST_F(Controls, AnExitHandlerThatRaisesKeepsTheFocus) {
  TForm* form = NewForm("fValidate");
  TEdit* a = Add<TEdit>(form, "edtA");
  TEdit* b = Add<TEdit>(form, "edtB");
  form->Show();
  a->OnExit = [](TObject*) { throw Exception("Informe o Login"); };
  Driver.Click(*form, "edtB");
  EXPECT_EQ(form->GetFocusedControl(), a);
  EXPECT_EQ(Driver.LastMessage().Text, "Informe o Login.");
  EXPECT_THROW(b->SetFocus(), Exception);
}

TEST_F(Controls, FocusingAHiddenControlIsRefused) {
  TForm* form = NewForm("fHidden");
  TEdit* edit = Add<TEdit>(form, "edt");
  EXPECT_FALSE(edit->CanFocus()) << "the form is not shown";
  form->Show();
  edit->SetVisible(false);
  EXPECT_FALSE(edit->CanFocus());
  EXPECT_THROW(edit->SetFocus(), EInvalidOperation);
  EXPECT_THROW(Driver.Type(*form, "edt", "x"), EDriverError);
}

// Enter and Escape on a form with a default and a cancel button.
TEST_F(Controls, EnterAndEscapeClickTheDefaultAndCancelButtons) {
  struct TCase {
    const char* Name;
    const char* Focus;
    Word Key;
    bool DefaultEnabled;
    std::vector<std::string> Expected;
  };
  const TCase cases[] = {
      {"enter in an edit", "edt", VK_RETURN, true, {"btnOk.Click", "edt.KeyUp 13"}},
      {"enter on another button", "btnOther", VK_RETURN, true, {"btnOther.Click"}},
      {"escape in an edit", "edt", VK_ESCAPE, true, {"btnCancel.Click", "edt.KeyUp 27"}},
      {"escape on another button", "btnOther", VK_ESCAPE, true, {"btnCancel.Click"}},
      {"enter with the default disabled",
       "edt",
       VK_RETURN,
       false,
       {"edt.KeyDown 13", "edt.KeyPress \r", "edt.KeyUp 13"}},
      {"enter in a memo", "mmo", VK_RETURN, true, {"mmo.Change"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TForm* form = NewForm("fKeys");
    TEdit* edit = Add<TEdit>(form, "edt");
    LogKeys(edit);
    TMemo* memo = Add<TMemo>(form, "mmo");
    memo->OnChange = Note("mmo.Change");
    TButton* ok = Add<TButton>(form, "btnOk");
    ok->SetDefault(true);
    ok->SetEnabled(c.DefaultEnabled);
    TButton* cancel = Add<TButton>(form, "btnCancel");
    cancel->SetCancel(true);
    TButton* other = Add<TButton>(form, "btnOther");
    for (TButton* b : {ok, cancel, other})
      b->OnClick = Note(b->GetName() + ".Click");
    form->Show();
    static_cast<TWinControl*>(form->FindChildControl(c.Focus))->SetFocus();
    Log.clear();
    Driver.PressKey(*form, c.Key);
    EXPECT_EQ(Log, c.Expected);
    delete form;
    Log.clear();
  }
}

TEST_F(Controls, CancelButtonWithModalResultClosesTheModalForm) {
  TForm* form = NewForm("fCancel");
  Add<TEdit>(form, "edt");
  TButton* cancel = Add<TButton>(form, "btnCancel");
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  TButton* ok = Add<TButton>(form, "btnOk");
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  Driver.Queue([&] { Driver.PressKey("fCancel", VK_ESCAPE); });
  EXPECT_EQ(form->ShowModal(), mrCancel);
  Driver.Queue([&] { Driver.PressKey("fCancel", VK_RETURN); });
  EXPECT_EQ(form->ShowModal(), mrOk);
}

TEST_F(Controls, TypingRaisesKeyEventsAndOneChangePerCharacter) {
  TForm* form = NewForm("fType");
  TEdit* edit = Add<TEdit>(form, "edt");
  LogKeys(edit);
  edit->OnChange = [&](TObject*) { Log.push_back("edt.Change " + edit->GetText()); };
  form->SetKeyPreview(true);
  form->OnKeyPress = [&](TObject*, char& key) {
    Log.push_back(std::string("form.KeyPress ") + key);
  };
  form->Show();
  Driver.Type(*form, "edt", "aB");
  EXPECT_EQ(Log, (std::vector<std::string>{"edt.KeyDown 65", "form.KeyPress a", "edt.KeyPress a",
                                           "edt.Change a", "edt.KeyUp 65", "edt.KeyDown 66",
                                           "form.KeyPress B", "edt.KeyPress B", "edt.Change aB",
                                           "edt.KeyUp 66"}));
}

TEST_F(Controls, EditInputRules) {
  struct TCase {
    const char* Name;
    std::function<void(TEdit&)> Setup;
    const char* Typed;
    const char* Expected;
    int Changes;
  };
  const TCase cases[] = {
      {"typing replaces the text selected on entry", [](TEdit& e) { e.SetText("pelix"); }, "brud",
       "brud", 4},
      {"read-only takes nothing", [](TEdit& e) { e.SetReadOnly(true); }, "abc", "", 0},
      {"max length stops typing", [](TEdit& e) { e.SetMaxLength(3); }, "abcdef", "abc", 3},
      {"upper case", [](TEdit& e) { e.SetCharCase(ecUpperCase); }, "abc", "ABC", 3},
      {"backspace deletes", [](TEdit&) {}, "ab\bc", "ac", 4},
      {"a key handler can swallow a character",
       [](TEdit& e) { e.OnKeyPress = [](TObject*, char& k) { k = k == 'x' ? 0 : k; }; }, "axb",
       "ab", 2},
      {"multi-byte characters", [](TEdit&) {}, "Situação", "Situação", 8},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TForm* form = NewForm("fRules");
    Add<TButton>(form, "btnFirst");
    TEdit* edit = Add<TEdit>(form, "edt");
    c.Setup(*edit);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    form->Show();
    Driver.Type(*form, "edt", c.Typed);
    EXPECT_EQ(edit->GetText(), c.Expected);
    EXPECT_EQ(changes, c.Changes);
    delete form;
  }
}

// Which events a change raises, by code and by the user.
TEST_F(Controls, ChangeEventsByCodeAndByTheUser) {
  TForm* form = NewForm("fChange");
  TEdit* edit = Add<TEdit>(form, "edt");
  TComboBox* combo = Add<TComboBox>(form, "cbb");
  combo->GetItems().SetCommaText("Todos,\"1 - Nova\",\"2 - Em Andamento\"");
  TCheckBox* check = Add<TCheckBox>(form, "chk");
  TRadioGroup* group = Add<TRadioGroup>(form, "rdg");
  group->GetItems().SetCommaText("A,G,S,C");
  TDateTimePicker* picker = Add<TDateTimePicker>(form, "dtp");
  TMemo* memo = Add<TMemo>(form, "mmo");
  edit->OnChange = Note("edt.Change");
  combo->OnChange = Note("cbb.Change");
  combo->OnClick = Note("cbb.Click");
  check->OnClick = Note("chk.Click");
  group->OnClick = Note("rdg.Click");
  picker->OnChange = Note("dtp.Change");
  memo->OnChange = Note("mmo.Change");
  form->Show();

  struct TCase {
    const char* Name;
    std::function<void()> Action;
    std::vector<std::string> Expected;
  };
  const TCase cases[] = {
      {"edit text by code", [&] { edit->SetText("x"); }, {"edt.Change"}},
      {"edit text by code, unchanged", [&] { edit->SetText("x"); }, {}},
      {"combo index by code", [&] { combo->SetItemIndex(1); }, {}},
      {"combo text by code", [&] { combo->SetText("Todos"); }, {}},
      {"combo choice by the user",
       [&] { Driver.Choose(*form, "cbb", "2 - Em Andamento"); },
       {"cbb.Click", "cbb.Change"}},
      {"combo typing by the user",
       [&] { Driver.Type(*form, "cbb", "ab"); },
       {"cbb.Change", "cbb.Change"}},
      {"check box by code", [&] { check->SetChecked(true); }, {"chk.Click"}},
      {"check box by code, unchanged", [&] { check->SetChecked(true); }, {}},
      {"check box by the user", [&] { Driver.Check(*form, "chk", false); }, {"chk.Click"}},
      {"radio group by code", [&] { group->SetItemIndex(2); }, {"rdg.Click"}},
      {"radio group by the user", [&] { Driver.Choose(*form, "rdg", "A"); }, {"rdg.Click"}},
      {"date by code", [&] { picker->SetDate(EncodeDate(2024, 3, 5)); }, {}},
      {"date by the user",
       [&] { Driver.PickDate(*form, "dtp", EncodeDate(2024, 3, 6)); },
       {"dtp.Change"}},
      {"memo lines by code", [&] { memo->GetLines().Add("linha"); }, {"mmo.Change"}},
  };
  for (const TCase& c : cases) {
    Log.clear();
    c.Action();
    EXPECT_EQ(Log, c.Expected) << c.Name;
  }
  // The box kept the focus after the choice, so the typing went on after the chosen text.
  EXPECT_EQ(combo->GetText(), "2 - Em Andamentoab");
  EXPECT_EQ(combo->GetItemIndex(), -1) << "typed text that matches no item selects nothing";
  EXPECT_EQ(group->GetItemIndex(), 0);
  EXPECT_EQ(picker->GetText(), "2024-03-06");
}

TEST_F(Controls, ComboChoiceRaisesOnSelectInsteadOfOnChangeWhenAssigned) {
  TForm* form = NewForm("fSelect");
  TComboBox* combo = Add<TComboBox>(form, "cbb");
  combo->GetItems().SetCommaText("a,b,c");
  combo->OnChange = Note("Change");
  combo->OnSelect = Note("Select");
  form->Show();
  Driver.Choose(*form, "cbb", "b");
  EXPECT_EQ(Log, (std::vector<std::string>{"Select"}));
  EXPECT_EQ(combo->GetText(), "b");
  EXPECT_THROW(Driver.Choose(*form, "cbb", "z"), EDriverError);
  // Typing text that names an item selects it; clearing the items selects nothing.
  combo->SetText("c");
  EXPECT_EQ(combo->GetItemIndex(), 2);
  combo->GetItems().Clear();
  EXPECT_EQ(combo->GetItemIndex(), -1);
}

TEST_F(Controls, RadioButtonsOfOneParentExcludeEachOther) {
  TForm* form = NewForm("fRadio");
  TRadioButton* a = Add<TRadioButton>(form, "rbA");
  TRadioButton* b = Add<TRadioButton>(form, "rbB");
  a->OnClick = Note("rbA.Click");
  b->OnClick = Note("rbB.Click");
  form->Show();
  a->SetChecked(true);
  Driver.Check(*form, "rbB");
  EXPECT_FALSE(a->GetChecked());
  EXPECT_TRUE(b->GetChecked());
  EXPECT_EQ(Log, (std::vector<std::string>{"rbA.Click", "rbB.Click"}));
  EXPECT_THROW(Driver.Check(*form, "rbB", false), EDriverError);
}

TEST_F(Controls, DatePickerTextIsTheShortDate) {
  TForm* form = NewForm("fDate");
  TDateTimePicker* picker = Add<TDateTimePicker>(form, "dtp");
  picker->SetDate(EncodeDate(2023, 12, 31));
  EXPECT_EQ(picker->GetText(), "2023-12-31");
  picker->SetText("2024-01-02");
  EXPECT_EQ(picker->GetDate(), EncodeDate(2024, 1, 2));
  EXPECT_THROW(picker->SetText("31/02/2024"), EConvertError);
  EXPECT_EQ(picker->GetText(), "2024-01-02");
}

TEST_F(Controls, DisabledOrHiddenControlsTakeNoInput) {
  TForm* form = NewForm("fNoInput");
  TPanel* panel = Add<TPanel>(form, "pnl");
  TButton* button = Add<TButton>(panel, "btn");
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  EXPECT_THROW(Driver.Click(*form, "btn"), EDriverError) << "the form is not shown";
  form->Show();
  panel->SetEnabled(false);
  EXPECT_THROW(Driver.Click(*form, "btn"), EDriverError);
  panel->SetEnabled(true);
  button->SetVisible(false);
  EXPECT_THROW(Driver.Click(*form, "btn"), EDriverError);
  EXPECT_THROW(Driver.Click(*form, "btnMissing"), EDriverError);
  EXPECT_EQ(clicks, 0);
}

TEST_F(Controls, PublishedPropertiesAreReachableByName) {
  TForm* form = NewForm("fProps");
  TObject* created = CreateObjectByClassName("TButton", form);
  auto* button = static_cast<TButton*>(created);
  button->SetPropValue("Caption", Variant("Entrar"));
  button->SetPropValue("Default", Variant(true));
  button->SetPropValue("ModalResult", Variant(mrOk));
  EXPECT_EQ(button->GetCaption(), "Entrar");
  EXPECT_TRUE(button->GetDefault());
  EXPECT_EQ(button->GetModalResult(), mrOk);
  EXPECT_EQ(button->GetPropValue("Enabled").AsBoolean(), true);
  EXPECT_EQ(FindClass("TBitBtn")->ClassParent(), &TButton::StaticClass());
  for (const char* name :
       {"TLabel",    "TEdit",           "TLabeledEdit", "TSpeedButton", "TPanel",
        "TGroupBox", "TComboBox",       "TCheckBox",    "TRadioButton", "TRadioGroup",
        "TMemo",     "TDateTimePicker", "TImage",       "TPageControl", "TTabSheet",
        "TMainMenu", "TPopupMenu",      "TMenuItem",    "TOpenDialog",  "TForm"})
    EXPECT_TRUE(GetClass(name).IsCreatable()) << name;
  TEdit edit(form);
  edit.SetPropValue("PasswordChar", Variant("*"));
  EXPECT_EQ(edit.GetPasswordChar(), '*');
  EXPECT_EQ(edit.GetPropValue("TabStop").AsBoolean(), true);
}

// Records what the model reports to its observers.
class TRecorder : public TControlObserver {
public:
  std::vector<std::string> Events;
  void PropertyChanged(TComponent& c, const std::string& name) override {
    Events.push_back(c.GetName() + "." + name);
  }
  void ChildAdded(TWinControl& parent, TControl& child) override {
    Events.push_back(parent.GetName() + "+" + child.GetName());
  }
  void FormShown(TCustomForm& form) override { Events.push_back(form.GetName() + " shown"); }
  void FocusChanged(TCustomForm&, TWinControl* focused) override {
    Events.push_back("focus " + (focused == nullptr ? std::string("none") : focused->GetName()));
  }
};

TEST_F(Controls, ObserversFollowEveryVisibleChange) {
  TRecorder recorder;
  App.AddObserver(&recorder);
  TForm* form = NewForm("fObserved");
  auto* edit = new TEdit(form);
  edit->SetName("edt");
  edit->SetParent(form);
  recorder.Events.clear();
  edit->SetText("abc");
  edit->SetText("abc");
  edit->SetEnabled(false);
  edit->SetLeft(7);
  edit->GetFont().SetStyle({fsBold});
  form->Show();
  EXPECT_EQ(recorder.Events,
            (std::vector<std::string>{"edt.Text", "edt.Enabled", "edt.Bounds", "edt.Font",
                                      "fObserved.Visible", "fObserved shown"}));
  App.RemoveObserver(&recorder);
}

TEST_F(Controls, FontsAndColoursComeFromTheParentUntilSetOwn) {
  TForm* form = NewForm("fFonts");
  form->GetFont().SetName("Open Sans");
  TPanel* panel = Add<TPanel>(form, "pnlMenu");
  TLabel* label = Add<TLabel>(panel, "lbl");
  EXPECT_EQ(label->GetFont().GetName(), "Open Sans");
  panel->GetFont().SetName("Tahoma");
  EXPECT_EQ(label->GetFont().GetName(), "Tahoma");
  EXPECT_FALSE(panel->GetParentFont());
  form->GetFont().SetName("Segoe UI");
  EXPECT_EQ(label->GetFont().GetName(), "Tahoma");
  label->GetFont().SetHeight(-21);
  EXPECT_EQ(label->GetFont().GetHeight(), -21);
  form->SetColor(clWhite);
  EXPECT_EQ(label->GetColor(), clBtnFace) << "a label takes its parent's colour";
  panel->SetParentColor(true);
  EXPECT_EQ(label->GetColor(), clWhite);
}

TEST_F(Controls, LabeledEditKeepsItsLabelAbove) {
  TForm* form = NewForm("fLabeled");
  auto* edit = Add<TLabeledEdit>(form, "edtNome");
  edit->GetEditLabel().SetCaption("Nome");
  edit->SetBounds(10, 40, 200, 23);
  EXPECT_EQ(edit->GetEditLabel().GetParent(), form);
  EXPECT_EQ(edit->GetEditLabel().GetTop() + edit->GetEditLabel().GetHeight() + 3, 40);
  edit->SetVisible(false);
  EXPECT_FALSE(edit->GetEditLabel().GetVisible());
}

TEST_F(Controls, SpeedButtonsOfAGroupStayDownOneAtATime) {
  TForm* form = NewForm("fSpeed");
  auto* a = Add<TSpeedButton>(form, "sbA");
  auto* b = Add<TSpeedButton>(form, "sbB");
  for (TSpeedButton* s : {a, b}) {
    s->SetGroupIndex(1);
    s->OnClick = Note(s->GetName() + ".Click");
  }
  form->Show();
  Driver.Click(*form, "sbA");
  Driver.Click(*form, "sbB");
  EXPECT_FALSE(a->GetDown());
  EXPECT_TRUE(b->GetDown());
  EXPECT_EQ(Log, (std::vector<std::string>{"sbA.Click", "sbB.Click"}));
}

TEST_F(Controls, DumpShowsTheControlTree) {
  TForm* form = NewForm("fLogin", 300, 200);
  form->SetCaption("Login");
  form->SetBorderStyle(bsNone);
  TPanel* panel = Add<TPanel>(form, "pnl");
  panel->SetAlign(alTop);
  TEdit* edit = Add<TEdit>(panel, "edtSenha");
  edit->SetText("pelix");
  edit->SetPasswordChar('*');
  TButton* button = Add<TButton>(form, "btnEntrar");
  button->SetCaption("Entrar");
  button->SetBounds(10, 50, 75, 25);
  button->SetDefault(true);
  button->SetEnabled(false);
  form->Show();
  EXPECT_EQ(Driver.Dump("fLogin"),
            "TForm fLogin \"Login\" (0,0,300x200)\n"
            "  TPanel pnl (0,0,300x41) align=1\n"
            "    TEdit edtSenha \"pelix\" (0,0,121x23) focused password\n"
            "  TButton btnEntrar \"Entrar\" (10,50,75x25) disabled default\n");
}

} // namespace

namespace {

TEST_F(Controls, MemoLinesAndTextAreOneValue) {
  TForm* form = NewForm("fMemo");
  TMemo* memo = Add<TMemo>(form, "mmo");
  memo->GetLines().Add("primeira");
  memo->GetLines().Add("segunda");
  EXPECT_EQ(memo->GetText(), "primeira\r\nsegunda");
  memo->SetText("a\r\nb\nc");
  EXPECT_EQ(memo->GetLines().Count(), 3);
  EXPECT_EQ(memo->GetLines()[2], "c");
  form->Show();
  memo->SetFocus();
  memo->SetSelStart(1);
  Driver.Type(*form, "mmo", "x\r");
  EXPECT_EQ(memo->GetLines().Count(), 4);
  EXPECT_EQ(memo->GetLines()[0], "ax");
  EXPECT_EQ(memo->GetLines()[1], "");
}

} // namespace
