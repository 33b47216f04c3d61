#include "UIObjFixture.h"

#include "bridge/Duo.BaseClass.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.UIObj.DBCtrls.h"
#include "bridge/Duo.UIObj.Override.h"
#include "bridge/Duo.UIObj.StdCtrls.h"
#include "bridge/Duo.UIObj.TDBGrid.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatSettings.h"
#include "ui/Forms.h"
#include "ui/Headless.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// An edit class of the application's own: a descendant of a supported class, not supported itself.
class TMyEdit : public TEdit {
  DUO_CLASS(TMyEdit, TEdit)
public:
  using TEdit::TEdit;
};

const TClassInfo& TMyEdit::StaticClass() {
  static const TClassInfo info = TClassBuilder<TMyEdit>("TMyEdit").Build();
  return info;
}

// A container class that only a test adapter serves.
class TMyPanel : public TPanel {
  DUO_CLASS(TMyPanel, TPanel)
public:
  using TPanel::TPanel;
};

const TClassInfo& TMyPanel::StaticClass() {
  static const TClassInfo info = TClassBuilder<TMyPanel>("TMyPanel").Build();
  return info;
}

namespace {

using namespace uiobjtest;

// ---- Kinds and lookup ------------------------------------------------------------------------

struct KindCase {
  std::string ClassName;
  TMake Create;
  std::string CSSClass;
  std::function<IDuoFrameworkItem*(fake::TFramework&)> Item;
  bool Button;
};

std::vector<KindCase> Kinds() {
  using F = fake::TFramework;
  return {
      {"TLabel", Make<TLabel>(), "form-control-plaintext", [](F& f) { return &f.FText; }, false},
      {"TEdit", Make<TEdit>(), "form-control", [](F& f) { return &f.FEdit; }, false},
      {"TButton", Make<TButton>(), "btn", [](F& f) { return &f.FButton; }, true},
      {"TSpeedButton", Make<TSpeedButton>(), "btn", [](F& f) { return &f.FButton; }, true},
      {"TDBText", Make<TDBText>(), "form-control-plaintext", [](F& f) { return &f.FDBText; },
       false},
      {"TDBMemo", Make<TDBMemo>(), "form-control", [](F& f) { return &f.FDBMemo; }, false},
      {"TImage", Make<TImage>(), "rounded float-left img-fluid", [](F& f) { return &f.FImage; },
       false},
      {"TDBImage", Make<TDBImage>(), "rounded float-left img-fluid", [](F& f) { return &f.FImage; },
       false},
      {"TMemo", Make<TMemo>(), "form-control", [](F& f) { return &f.FMemo; }, false},
      {"TDBLookupComboBox", Make<TDBLookupComboBox>(), "form-select",
       [](F& f) { return &f.FDBLookupCombobox; }, false},
      {"TDBGrid", Make<TDBGrid>(),
       "table table-hover table-sm table-bordered ui-jqgrid-htable cursor-pointer",
       [](F& f) { return &f.FDBGrid; }, false},
      {"TDBEdit", Make<TDBEdit>(), "form-control", [](F& f) { return &f.FDBEdit; }, false},
      {"TDBComboBox", Make<TDBComboBox>(), "form-select", [](F& f) { return &f.FDBCombobox; },
       false},
      {"TDBCheckBox", Make<TDBCheckBox>(), "form-check-input", [](F& f) { return &f.FDBCheckBox; },
       false},
      {"TDateTimePicker", Make<TDateTimePicker>(), "form-control", [](F& f) { return &f.FEdit; },
       false},
      {"TComboBox", Make<TComboBox>(), "form-select", [](F& f) { return &f.FCombobox; }, false},
      {"TCheckBox", Make<TCheckBox>(), "form-check-input", [](F& f) { return &f.FCheckBox; },
       false},
      {"TRadioButton", Make<TRadioButton>(), "form-check-input", [](F& f) { return &f.FCheckBox; },
       false},
  };
}

TEST_F(AdapterTest, EverySupportedClassHasItsAdapterKindAndCSSClass) {
  const std::vector<const TClassInfo*> supported = SupportedUIObjClasses();
  for (const KindCase& c : Kinds()) {
    SCOPED_TRACE(c.ClassName);
    TControl* control = AddMade(c.Create, "ctl" + c.ClassName);
    ASSERT_EQ(control->ClassName(), c.ClassName);
    IDuoUIObj* adapter = Wrap(control).GetBridgeUIObj();
    ASSERT_NE(adapter, nullptr);
    EXPECT_EQ(&adapter->UIClass(), &control->ClassType());
    EXPECT_EQ(adapter->CSSClass(), c.CSSClass);
    EXPECT_EQ(&adapter->FrameworkItemClass(), c.Item(*Framework));
    EXPECT_EQ(adapter->IsButton(), c.Button);
    EXPECT_EQ(adapter->PropertyCopyList(), DefaultPropertyCopyList());
    EXPECT_NE(std::find(supported.begin(), supported.end(), &control->ClassType()),
              supported.end());
  }
  EXPECT_EQ(DefaultPropertyCopyList(),
            (std::vector<std::string>{"Left", "Top", "Width", "Heigth", "Parent", "Caption",
                                      "Color", "Enabled", "Visible"}));
}

TEST(OverrideUI, ServesSomeClassesThroughAnotherClassesAdapter) {
  // Classes of other control suites are known by name only; the comparison ignores case.
  static const TClassInfo cxButton("tcxBUTTON", &TButton::StaticClass(), {}, nullptr);
  static const TClassInfo searchCombo("TADVSEARCHCOMBOBOX", &TComboBox::StaticClass(), {}, nullptr);
  const struct {
    const TClassInfo* Class;
    const TClassInfo* Expected;
  } cases[] = {
      {&TBitBtn::StaticClass(), &TButton::StaticClass()},
      {&cxButton, &TButton::StaticClass()},
      {&TLabeledEdit::StaticClass(), &TEdit::StaticClass()},
      {&searchCombo, &TComboBox::StaticClass()},
      {&TButton::StaticClass(), &TButton::StaticClass()},
      {&TEdit::StaticClass(), &TEdit::StaticClass()},
      {&TDBEdit::StaticClass(), &TDBEdit::StaticClass()},
      {&TMyEdit::StaticClass(), &TMyEdit::StaticClass()},
      {&TPanel::StaticClass(), &TPanel::StaticClass()},
  };
  for (const auto& c : cases)
    EXPECT_EQ(&OverrideUI(*c.Class), c.Expected) << c.Class->ClassName();
}

TEST_F(AdapterTest, SubstitutedClassesAreServedByTheirAdapterAndDescendantsAreNot) {
  EXPECT_NE(dynamic_cast<TUIObjTButton*>(Wrap(Add<TBitBtn>("btnSalvar")).GetBridgeUIObj()),
            nullptr);
  EXPECT_NE(dynamic_cast<TUIObjTEdit*>(Wrap(Add<TLabeledEdit>("ledNome")).GetBridgeUIObj()),
            nullptr);
  // A data-aware label is a label, but has an adapter of its own.
  EXPECT_NE(dynamic_cast<TUIObjTDBText*>(Wrap(Add<TDBText>("dbtNome")).GetBridgeUIObj()), nullptr);
  EXPECT_EQ(Wrap(Add<TMyEdit>("edtMeu")).GetBridgeUIObj(), nullptr);
  EXPECT_EQ(Wrap(Add<TPanel>("pnlDados")).GetBridgeUIObj(), nullptr);
}

// Serves whatever class it is given, through the label's framework item.
class TTestUIObj : public IDuoUIObj {
public:
  TTestUIObj(TDuoItemUIObj& AOwner, const TClassInfo& AClass) : IDuoUIObj(AOwner), FClass(AClass) {}
  std::string CSSClass() const override { return "test"; }
  const TClassInfo& UIClass() const override { return FClass; }
  IDuoFrameworkItem& FrameworkItemClass() const override {
    return detail::FrameworkTypeOf(*this).Text();
  }
  void ProcessPropertyClass(IFacetControl&) override {}
  void ProcessEventClass() override {}

private:
  const TClassInfo& FClass;
};

TEST_F(AdapterTest, RegisteredAdaptersAreFoundByNameAndExactClass) {
  RegisterUIObjClass("tuiobjTMYPANEL", [](TDuoItemUIObj& AOwner) {
    return std::make_unique<TTestUIObj>(AOwner, TMyPanel::StaticClass());
  });
  // Named for the edit descendant but serving the edit: never accepted.
  RegisterUIObjClass("TUIObjTMyEdit", [](TDuoItemUIObj& AOwner) {
    return std::make_unique<TTestUIObj>(AOwner, TEdit::StaticClass());
  });
  IDuoUIObj* panelAdapter = Wrap(Add<TMyPanel>("pnlMeu")).GetBridgeUIObj();
  ASSERT_NE(panelAdapter, nullptr);
  EXPECT_EQ(panelAdapter->CSSClass(), "test");
  const std::vector<const TClassInfo*> supported = SupportedUIObjClasses();
  EXPECT_NE(std::find(supported.begin(), supported.end(), &TMyPanel::StaticClass()),
            supported.end());
  EXPECT_EQ(Wrap(Add<TMyEdit>("edtMeu")).GetBridgeUIObj(), nullptr);
  // The built-in adapters still come first.
  EXPECT_NE(dynamic_cast<TUIObjTEdit*>(Wrap(Add<TEdit>("edtNome")).GetBridgeUIObj()), nullptr);
}

TEST_F(AdapterTest, AFormWithoutFrameworkTypeOrAControlOfAnotherKindIsReported) {
  TDuoClass bare(Form);
  TDuoItemUIObj item(bare);
  item.SetItem(Add<TEdit>("edtNome"));
  ASSERT_NE(item.GetBridgeUIObj(), nullptr);
  try {
    item.GetBridgeUIObj()->FrameworkItemClass();
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "The form of control item \"edtNome\" has no web framework type");
  }

  TUIObjTEdit onAButton(Wrap(Add<TButton>("btnOk")));
  try {
    onAButton.ProcessPropertyClass(*Page);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Control \"btnOk\" of class TButton is not a TCustomEdit");
  }
}

// ---- State procedures ------------------------------------------------------------------------

TEST_F(AdapterTest, EnabledAndVisibleAreReadUpTheParentsAndSetOnTheControl) {
  for (const KindCase& c : Kinds()) {
    SCOPED_TRACE(c.ClassName);
    TControl* control = AddMade(c.Create, "ctl" + c.ClassName);
    IDuoFrameworkItem& item = Adapt(control).FrameworkItemClass();
    // A data-aware label follows its field only; an image has no enabled state to show.
    const bool hasEnabled =
        c.ClassName != "TDBText" && c.ClassName != "TImage" && c.ClassName != "TDBImage";
    const bool hasVisible = c.ClassName != "TDBText";
    ASSERT_EQ(static_cast<bool>(item.ProcGetEnabled), hasEnabled);
    ASSERT_EQ(static_cast<bool>(item.ProcSetEnabled), hasEnabled);
    ASSERT_EQ(static_cast<bool>(item.ProcGetVisible), hasVisible);
    ASSERT_EQ(static_cast<bool>(item.ProcSetVisible), hasVisible);
    if (hasEnabled) {
      EXPECT_TRUE(item.ProcGetEnabled().AsBoolean());
      Panel->SetEnabled(false);
      EXPECT_FALSE(item.ProcGetEnabled().AsBoolean());
      Panel->SetEnabled(true);
      item.ProcSetEnabled(false);
      EXPECT_FALSE(control->GetEnabled());
      EXPECT_FALSE(item.ProcGetEnabled().AsBoolean());
    }
    if (hasVisible) {
      EXPECT_TRUE(item.ProcGetVisible().AsBoolean());
      Panel->SetVisible(false);
      EXPECT_FALSE(item.ProcGetVisible().AsBoolean());
      Panel->SetVisible(true);
      item.ProcSetVisible(false);
      EXPECT_FALSE(control->GetVisible());
    }
  }
}

TEST_F(AdapterTest, EditsReadAndWriteTheirText) {
  for (TCustomEdit* edit : {static_cast<TCustomEdit*>(Add<TEdit>("edtNome")),
                            static_cast<TCustomEdit*>(Add<TLabeledEdit>("ledNome"))}) {
    SCOPED_TRACE(edit->ClassName());
    edit->SetText("Maria");
    Adapt(edit);
    IDuoFrameworkItemEdit& item = Framework->FEdit;
    EXPECT_EQ(item.OnGetText().AsString(), "Maria");
    item.OnSetText(Variant("José da Silva"));
    EXPECT_EQ(edit->GetText(), "José da Silva");
    EXPECT_EQ(item.OnGetText().AsString(), "José da Silva");
  }
}

TEST_F(AdapterTest, EditKindAndCharCaseComeFromTheControl) {
  const struct {
    char PasswordChar;
    TEditCharCase CharCase;
    TFacetFieldType Expected;
  } cases[] = {
      {'\0', ecNormal, FacetFieldTypeAuto},
      {'*', ecNormal, FacetFieldTypePassword},
      {'\0', ecUpperCase, FacetFieldTypeAuto},
      {'#', ecLowerCase, FacetFieldTypePassword},
  };
  for (const auto& c : cases) {
    auto* edit = Add<TEdit>("edtSenha");
    auto* dbEdit = Add<TDBEdit>("dbeSenha");
    for (TCustomEdit* control :
         {static_cast<TCustomEdit*>(edit), static_cast<TCustomEdit*>(dbEdit)}) {
      control->SetPasswordChar(c.PasswordChar);
      control->SetCharCase(c.CharCase);
    }
    Adapt(edit);
    EXPECT_EQ(Framework->FEdit.EditDataType, c.Expected);
    EXPECT_EQ(Framework->FEdit.CharCase, c.CharCase);
    Adapt(dbEdit);
    EXPECT_EQ(Framework->FDBEdit.EditDataType, c.Expected);
    EXPECT_EQ(Framework->FDBEdit.CharCase, c.CharCase);
    delete edit;
    delete dbEdit;
  }
}

TEST_F(AdapterTest, ReadOnlyIsTheEditsOwnFlag) {
  for (TCustomEdit* edit : {static_cast<TCustomEdit*>(Add<TEdit>("edtA")),
                            static_cast<TCustomEdit*>(Add<TMemo>("mmoB")),
                            static_cast<TCustomEdit*>(Add<TDBEdit>("dbeC")),
                            static_cast<TCustomEdit*>(Add<TDBMemo>("dbmD"))}) {
    SCOPED_TRACE(edit->ClassName());
    edit->SetReadOnly(true);
    IDuoFrameworkItem& item = Adapt(edit).FrameworkItemClass();
    EXPECT_TRUE(item.ProcGetReadOnly().AsBoolean());
    item.ProcSetReadOnly(false);
    EXPECT_FALSE(edit->GetReadOnly());
    EXPECT_FALSE(item.ProcGetReadOnly().AsBoolean());
  }
}

// The data-aware boxes hand over their own read-only flag too.
TEST_F(AdapterTest, ReadOnlyIsTheDataAwareBoxesOwnFlag) {
  const auto check = [&](auto* control) {
    SCOPED_TRACE(control->ClassName());
    control->SetReadOnly(true);
    IDuoFrameworkItem& item = Adapt(control).FrameworkItemClass();
    ASSERT_TRUE(item.ProcGetReadOnly);
    EXPECT_TRUE(item.ProcGetReadOnly().AsBoolean());
    item.ProcSetReadOnly(false);
    EXPECT_FALSE(control->GetReadOnly());
    EXPECT_FALSE(item.ProcGetReadOnly().AsBoolean());
  };
  check(Add<TDBComboBox>("dbcTipo"));
  check(Add<TDBLookupComboBox>("dblUnidade"));
  check(Add<TDBCheckBox>("dbkAtivo"));
}

TEST_F(AdapterTest, PlaceholderIsTheTextHintOrTheShownHint) {
  struct Case {
    std::string TextHint;
    std::string Hint;
    bool ShowHint;
    std::string WithTextHint; // edits, memos and combo boxes
    std::string FromHint;     // the date picker and the lookup combo box
  };
  const std::vector<Case> cases = {
      {"Nome completo", "Como no documento", true, "Nome completo", "Como no documento"},
      {"", "Como no documento", true, "Como no documento", "Como no documento"},
      {"", "Como no documento", false, "", ""},
      {"Nome completo", "", false, "Nome completo", ""},
  };
  for (const Case& c : cases) {
    std::vector<TControl*> withTextHint;
    for (TCustomEdit* edit :
         {static_cast<TCustomEdit*>(Add<TEdit>("a")), static_cast<TCustomEdit*>(Add<TMemo>("b")),
          static_cast<TCustomEdit*>(Add<TDBEdit>("c")),
          static_cast<TCustomEdit*>(Add<TDBMemo>("d"))}) {
      edit->SetTextHint(c.TextHint);
      withTextHint.push_back(edit);
    }
    std::vector<TControl*> fromHint = {Add<TDateTimePicker>("e")};
    for (TCustomComboBox* combo : {static_cast<TCustomComboBox*>(Add<TComboBox>("f")),
                                   static_cast<TCustomComboBox*>(Add<TDBComboBox>("g")),
                                   static_cast<TCustomComboBox*>(Add<TDBLookupComboBox>("h"))}) {
      combo->SetTextHint(c.TextHint);
      (combo->Is<TDBLookupComboBox>() ? fromHint : withTextHint).push_back(combo);
    }
    for (const auto& [controls, expected] :
         {std::pair(withTextHint, c.WithTextHint), std::pair(fromHint, c.FromHint)})
      for (TControl* control : controls) {
        SCOPED_TRACE(control->ClassName() + " with text hint \"" + c.TextHint + "\"");
        control->SetHint(c.Hint);
        control->SetShowHint(c.ShowHint);
        EXPECT_EQ(Adapt(control).FrameworkItemClass().ProcGetPlaceholder().AsString(), expected);
        delete control;
      }
  }
}

TEST_F(AdapterTest, LabelsAndCheckBoxesGiveTheirCaption) {
  for (TControl* control : {static_cast<TControl*>(Add<TLabel>("lblNome")),
                            static_cast<TControl*>(Add<TCheckBox>("chkAtivo")),
                            static_cast<TControl*>(Add<TRadioButton>("rbSim")),
                            static_cast<TControl*>(Add<TDBCheckBox>("dbcAtivo"))}) {
    SCOPED_TRACE(control->ClassName());
    control->SetCaption("Situação");
    Adapt(control);
    const TOnGetValue getText = control->Is<TLabel>()        ? Framework->FText.OnGetText
                                : control->Is<TDBCheckBox>() ? Framework->FDBCheckBox.OnGetText
                                                             : Framework->FCheckBox.OnGetText;
    EXPECT_EQ(getText().AsString(), "Situação");
    control->SetCaption("Outra");
    EXPECT_EQ(getText().AsString(), "Outra");
  }
}

TEST_F(AdapterTest, CheckBoxesAndRadioButtonsReadAndWriteChecked) {
  auto* check = Add<TCheckBox>("chkAtivo");
  auto* radio = Add<TRadioButton>("rbSim");
  const struct {
    TControl* Control;
    std::function<bool()> Checked;
  } cases[] = {{check, [&] { return check->GetChecked(); }},
               {radio, [&] { return radio->GetChecked(); }}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Control->ClassName());
    Adapt(c.Control);
    IDuoFrameworkItemCheckBox& item = Framework->FCheckBox;
    EXPECT_FALSE(item.OnGetChecked().AsBoolean());
    item.OnSetChecked(true);
    EXPECT_TRUE(c.Checked());
    EXPECT_TRUE(item.OnGetChecked().AsBoolean());
  }
}

TEST_F(AdapterTest, ComboBoxSelectsByTextOrTakesTheText) {
  auto* combo = Add<TComboBox>("cbxStatus");
  combo->GetItems().SetText("Aberta\r\nEm análise\r\nFechada");
  Adapt(combo);
  IDuoFrameworkItemCombobox& item = Framework->FCombobox;
  EXPECT_EQ(item.ProcGetItems(), &combo->GetItems());
  EXPECT_EQ(item.ProcGetSelectedItem().AsString(), "");
  item.ProcSetSelectedItem(Variant("Em análise"));
  EXPECT_EQ(combo->GetItemIndex(), 1);
  EXPECT_EQ(item.ProcGetSelectedItem().AsString(), "Em análise");
  item.ProcSetSelectedItem(Variant("Arquivada"));
  EXPECT_EQ(combo->GetItemIndex(), -1);
  EXPECT_EQ(combo->GetText(), "Arquivada");
  EXPECT_EQ(item.ProcGetSelectedItem().AsString(), "");
}

TEST_F(AdapterTest, DatePickerShowsItsDateAsAnEditInTheShortDateFormat) {
  auto* picker = Add<TDateTimePicker>("dtpData");
  picker->SetDate(EncodeDate(2026, 3, 14));
  Adapt(picker);
  IDuoFrameworkItemEdit& item = Framework->FEdit;
  EXPECT_EQ(item.EditDataType, FacetFieldTypeDate);
  EXPECT_EQ(item.OnGetText().AsString(), DateToStr(EncodeDate(2026, 3, 14)));
  item.OnSetText(Variant(DateToStr(EncodeDate(2025, 12, 31))));
  EXPECT_EQ(picker->GetDate(), EncodeDate(2025, 12, 31));
  EXPECT_THROW(item.OnSetText(Variant("31 de fevereiro")), EConvertError);
  EXPECT_EQ(picker->GetDate(), EncodeDate(2025, 12, 31));

  // Read-only exactly while disabled.
  EXPECT_FALSE(item.ProcGetReadOnly().AsBoolean());
  picker->SetEnabled(false);
  EXPECT_TRUE(item.ProcGetReadOnly().AsBoolean());
  item.ProcSetReadOnly(false);
  EXPECT_TRUE(picker->GetEnabled());
  item.ProcSetReadOnly(true);
  EXPECT_FALSE(picker->GetEnabled());
}

TEST_F(AdapterTest, ButtonsTakeTheirCaptionAtRenderTime) {
  for (TControl* button : {static_cast<TControl*>(Add<TButton>("btnSalvar")),
                           static_cast<TControl*>(Add<TBitBtn>("bbtSalvar")),
                           static_cast<TControl*>(Add<TSpeedButton>("sbtSalvar"))}) {
    SCOPED_TRACE(button->ClassName());
    button->SetCaption("&Salvar");
    Adapt(button);
    button->SetCaption("Gravar");
    EXPECT_EQ(Framework->FButton.Caption, "&Salvar");
  }
}

TEST_F(AdapterTest, MemoAndImageHandOverTheirOwnLinesAndPicture) {
  auto* memo = Add<TMemo>("mmoObs");
  Adapt(memo);
  EXPECT_EQ(Framework->FMemo.Lines, &memo->GetLines());
  auto* image = Add<TImage>("imgLogo");
  Adapt(image);
  EXPECT_EQ(Framework->FImage.Picture, &image->GetPicture());
}

TEST_F(AdapterTest, DataAwareControlsHandOverTheirBinding) {
  auto* source = new TDataSource(Form);
  auto* listSource = new TDataSource(Form);
  const std::vector<std::pair<detail::TFieldControl*, TControl*>> controls = [&] {
    std::vector<std::pair<detail::TFieldControl*, TControl*>> result;
    auto add = [&](auto* control) { result.emplace_back(control, control); };
    add(Add<TDBText>("dbtId"));
    add(Add<TDBEdit>("dbeNome"));
    add(Add<TDBMemo>("dbmTexto"));
    add(Add<TDBComboBox>("dbcTipo"));
    add(Add<TDBCheckBox>("dbkAtivo"));
    add(Add<TDBLookupComboBox>("dblStatus"));
    return result;
  }();
  auto binding = [&](TControl* control) -> TDuoDatawareDataSource& {
    if (control->Is<TDBText>())
      return Framework->FDBText.Dataware;
    if (control->Is<TDBEdit>())
      return Framework->FDBEdit.Dataware;
    if (control->Is<TDBMemo>())
      return Framework->FDBMemo.Dataware;
    if (control->Is<TDBComboBox>())
      return Framework->FDBCombobox.Dataware;
    if (control->Is<TDBCheckBox>())
      return Framework->FDBCheckBox.Dataware;
    return Framework->FDBLookupCombobox.Dataware.DataSource();
  };
  for (const auto& [field, control] : controls) {
    SCOPED_TRACE(control->ClassName());
    Adapt(control);
    EXPECT_EQ(binding(control).DataSource, nullptr);
    EXPECT_EQ(binding(control).DataField, "");
    field->SetDataSource(source);
    field->SetDataField("NOME");
    Adapt(control);
    EXPECT_EQ(binding(control).DataSource, source);
    EXPECT_EQ(binding(control).DataField, "NOME");
  }

  auto* lookup = static_cast<TDBLookupComboBox*>(controls.back().second);
  lookup->SetListSource(listSource);
  lookup->SetListField("NOME_SITUACAO;SIGLA");
  lookup->SetKeyField("ID_SITUACAO");
  Adapt(lookup);
  TDuoDatawareListSource& list = Framework->FDBLookupCombobox.Dataware.ListSource();
  EXPECT_EQ(list.ListSource, listSource);
  EXPECT_EQ(list.ListField, "NOME_SITUACAO");
  EXPECT_EQ(list.KeyField, "ID_SITUACAO");

  auto* check = static_cast<TDBCheckBox*>(controls[4].second);
  check->SetValueChecked("S");
  check->SetValueUnchecked("N");
  Adapt(check);
  EXPECT_EQ(Framework->FDBCheckBox.ValueChecked, "S");
  EXPECT_EQ(Framework->FDBCheckBox.ValueUnChecked, "N");

  auto* combo = static_cast<TDBComboBox*>(controls[3].second);
  Adapt(combo);
  EXPECT_EQ(Framework->FDBCombobox.ProcGetItems(), &combo->GetItems());
}

// ---- Events ----------------------------------------------------------------------------------

// What the control's handlers saw.
struct Fired {
  std::string Event;
  TObject* Sender = nullptr;
  Word Key = 0;
  char KeyChar = 0;
  TShiftState Shift;
};

// Gives the control a recording handler for every event it has among those adapters hand over.
void AssignHandlers(TControl& Control, std::vector<Fired>& Log) {
  auto notify = [&Log](std::string Name) {
    return [&Log, Name](TObject* Sender) { Log.push_back({Name, Sender, 0, 0, {}}); };
  };
  auto key = [&Log](std::string Name) {
    return [&Log, Name](TObject* Sender, Word& Key, TShiftState Shift) {
      Log.push_back({Name, Sender, Key, 0, Shift});
    };
  };
  Control.OnClick = notify("OnClick");
  Control.OnDblClick = notify("OnDblClick");
  if (auto* win = dynamic_cast<TWinControl*>(&Control)) {
    win->OnEnter = notify("OnEnter");
    win->OnExit = notify("OnExit");
    win->OnKeyDown = key("OnKeyDown");
    win->OnKeyUp = key("OnKeyUp");
    win->OnKeyPress = [&Log](TObject* Sender, char& Key) {
      Log.push_back({"OnKeyPress", Sender, 0, Key, {}});
    };
  }
  if (auto* edit = dynamic_cast<TCustomEdit*>(&Control))
    edit->OnChange = notify("OnChange");
  if (auto* picker = dynamic_cast<TDateTimePicker*>(&Control))
    picker->OnChange = notify("OnChange");
  if (auto* combo = dynamic_cast<TCustomComboBox*>(&Control)) {
    combo->OnChange = notify("OnChange");
    combo->OnSelect = notify("OnSelect");
  }
}

std::map<std::string, TOnEventProc*> EventProcs(IDuoFrameworkItem& Item) {
  return {
      {"OnClick", &Item.OnClick}, {"OnDblClick", &Item.OnDblClick}, {"OnEnter", &Item.OnEnter},
      {"OnExit", &Item.OnExit},   {"OnChange", &Item.OnChange},     {"OnKeyDown", &Item.OnKeyDown},
      {"OnKeyUp", &Item.OnKeyUp}, {"OnKeyPress", &Item.OnKeyPress}, {"OnSelect", &Item.OnSelect}};
}

const std::vector<std::string> ClickFocusKeys = {"OnClick", "OnEnter", "OnExit", "OnKeyDown",
                                                 "OnKeyPress"};
const std::vector<std::string> EditEvents = {"OnClick",   "OnEnter", "OnExit",    "OnChange",
                                             "OnKeyDown", "OnKeyUp", "OnKeyPress"};

std::map<std::string, std::vector<std::string>> WiredEvents() {
  std::vector<std::string> picker = ClickFocusKeys;
  picker.push_back("OnChange");
  std::vector<std::string> combo = EditEvents;
  combo.push_back("OnSelect");
  return {{"TLabel", {"OnClick"}},
          {"TEdit", EditEvents},
          {"TButton", ClickFocusKeys},
          {"TSpeedButton", {"OnClick"}},
          {"TDBText", {"OnClick"}},
          {"TDBMemo", EditEvents},
          {"TImage", {}},
          {"TDBImage", {}},
          {"TMemo", EditEvents},
          {"TDBLookupComboBox", ClickFocusKeys},
          {"TDBEdit", EditEvents},
          {"TDBComboBox", EditEvents},
          {"TDBCheckBox", ClickFocusKeys},
          {"TDateTimePicker", picker},
          {"TComboBox", combo},
          {"TCheckBox", ClickFocusKeys},
          {"TRadioButton", ClickFocusKeys}};
}

TEST_F(AdapterTest, AssignedHandlersRunWithTheControlAsSenderAndOthersStayUnwired) {
  const std::map<std::string, std::vector<std::string>> wired = WiredEvents();
  for (const KindCase& c : Kinds()) {
    if (c.ClassName == "TDBGrid")
      continue; // the grid hands over its selection events whatever it has
    SCOPED_TRACE(c.ClassName);
    const std::vector<std::string>& expected = wired.at(c.ClassName);
    TControl* control = AddMade(c.Create, "ctl" + c.ClassName);

    // No handlers: nothing to run.
    for (const auto& [name, proc] : EventProcs(Adapt(control).FrameworkItemClass()))
      EXPECT_FALSE(*proc) << name;

    std::vector<Fired> log;
    AssignHandlers(*control, log);
    for (const auto& [name, proc] : EventProcs(Adapt(control).FrameworkItemClass())) {
      const bool isWired = std::find(expected.begin(), expected.end(), name) != expected.end();
      ASSERT_EQ(static_cast<bool>(*proc), isWired) << name;
      if (!isWired)
        continue;
      log.clear();
      (*proc)(KeyParams("Enter").get());
      ASSERT_EQ(log.size(), 1u) << name;
      EXPECT_EQ(log[0].Event, name);
      EXPECT_EQ(log[0].Sender, control) << name;
      if (name == "OnKeyDown" || name == "OnKeyUp") {
        EXPECT_EQ(log[0].Key, VK_RETURN);
        EXPECT_TRUE(log[0].Shift.Empty());
      }
      if (name == "OnKeyPress") {
        EXPECT_EQ(log[0].KeyChar, '\r');
      }
    }
  }
}

TEST_F(AdapterTest, KeyEventsTakeTheBrowsersKeyName) {
  auto* edit = Add<TEdit>("edtBusca");
  std::vector<Fired> log;
  AssignHandlers(*edit, log);
  Adapt(edit);
  IDuoFrameworkItemEdit& item = Framework->FEdit;
  const struct {
    std::string Key;
    Word Code;
    char Char;
  } cases[] = {
      {"Escape", VK_ESCAPE, '\x1b'}, {"a", 'A', 'a'}, {"Z", 'Z', 'Z'},
      {"Backspace", VK_BACK, '\b'},  {"7", '7', '7'}, {"Dead", 0, '\0'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Key);
    log.clear();
    item.OnKeyDown(KeyParams(c.Key).get());
    item.OnKeyUp(KeyParams(c.Key).get());
    item.OnKeyPress(KeyParams(c.Key).get());
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].Key, c.Code);
    EXPECT_EQ(log[1].Key, c.Code);
    EXPECT_EQ(log[2].KeyChar, c.Char);
  }
  // Without parameters the key is 0.
  log.clear();
  item.OnKeyDown(nullptr);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].Key, 0);
}

TEST_F(AdapterTest, AHandlerRemovedAfterWiringIsNotRun) {
  auto* button = Add<TButton>("btnOk");
  std::vector<Fired> log;
  AssignHandlers(*button, log);
  Adapt(button);
  button->OnClick = nullptr;
  Framework->FButton.OnClick(nullptr);
  EXPECT_TRUE(log.empty());
}

} // namespace
