#include "render/Duo.Facet.Framework.h"

#include "bridge/Duo.BaseClass.h"
#include "render/Duo.Facet.Form.h"
#include "render/Facet.Button.h"
#include "render/Facet.CheckBox.h"
#include "render/Facet.Combobox.h"
#include "render/Facet.DBCheckBox.h"
#include "render/Facet.DBCombobox.h"
#include "render/Facet.DBEdit.h"
#include "render/Facet.DBLookupCombobox.h"
#include "render/Facet.DBMemo.h"
#include "render/Facet.DBText.h"
#include "render/Facet.Edit.h"
#include "render/Facet.HTMLElement.h"
#include "render/Facet.Image.h"
#include "render/Facet.Label.h"
#include "render/Facet.Memo.h"
#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"

namespace detail {

void ProcessBaseProperties(const IDuoFrameworkItem& Item, TFacetControl& Control) {
  if (Item.ProcGetEnabled)
    Control.SetProcGetEnabled(Item.ProcGetEnabled);
  if (Item.ProcSetEnabled)
    Control.SetProcSetEnabled(Item.ProcSetEnabled);
  if (Item.ProcGetVisible)
    Control.SetProcGetVisible(Item.ProcGetVisible);
  if (Item.ProcSetVisible)
    Control.SetProcSetVisible(Item.ProcSetVisible);
  if (Item.ProcGetReadOnly)
    Control.SetProcGetReadOnly(Item.ProcGetReadOnly);
  if (Item.ProcSetReadOnly)
    Control.SetProcSetReadOnly(Item.ProcSetReadOnly);
  if (Item.ProcGetPlaceholder)
    Control.SetProcGetPlaceholder(Item.ProcGetPlaceholder);
}

void ProcessBaseEvents(const IDuoFrameworkItem& Item, TFacetControl& Control) {
  const std::pair<const TOnEventProc*, TFacetEventType> events[] = {
      {&Item.OnClick, EventOnClick},         {&Item.OnDblClick, EventOnDblClick},
      {&Item.OnEnter, EventOnEnter},         {&Item.OnExit, EventOnExit},
      {&Item.OnChange, EventOnChange},       {&Item.OnKeyDown, EventOnKeyDown},
      {&Item.OnKeyUp, EventOnKeyUp},         {&Item.OnKeyPress, EventOnKeyPress},
      {&Item.OnSelectAll, EventOnSelectAll}, {&Item.OnUnselectAll, EventOnUnselectAll},
      {&Item.OnSelect, EventOnSelect},       {&Item.OnCheck, EventOnCheck},
      {&Item.OnUnCheck, EventOnUncheck}};
  for (const auto& [proc, type] : events)
    if (*proc)
      Control.Events().Add(type, *proc);
}

namespace {

template <class TControl> TControl& PageControl(IFacetControl& NewObj) {
  return dynamic_cast<TControl&>(NewObj);
}

void SetBinding(const TDuoDatawareDataSource& Binding, TFacetDBControl& Control) {
  if (Binding.DataSource != nullptr)
    Control.SetDataSource(Binding.DataSource);
  if (!Binding.DataField.empty())
    Control.SetDataField(Binding.DataField);
}

// Both check boxes always report changes of their state, handled or not.
void AddCheckChange(const IDuoFrameworkItem& Item, TFacetControl& Control) {
  Control.Events().Add(EventOnCheckChange, Item.OnCheckChange, true);
}

} // namespace

template <>
void TDuoFacetItem<IDuoFrameworkItemLabel, TFacetLabel>::ProcessPropertyClass(
    TComponent*, IFacetControl& NewObj) {
  auto& control = PageControl<TFacetLabel>(NewObj);
  ProcessBaseProperties(*this, control);
  if (OnGetText)
    control.SetProcGetText(OnGetText);
  control.SetForControl(ForControl);
}

template <>
void TDuoFacetItem<IDuoFrameworkItemButton, TFacetButton>::ProcessPropertyClass(
    TComponent*, IFacetControl& NewObj) {
  auto& control = PageControl<TFacetButton>(NewObj);
  ProcessBaseProperties(*this, control);
  control.SetCaption(Caption);
}

template <>
void TDuoFacetItem<IDuoFrameworkItemEdit, TFacetEdit>::ProcessPropertyClass(TComponent*,
                                                                            IFacetControl& NewObj) {
  auto& control = PageControl<TFacetEdit>(NewObj);
  ProcessBaseProperties(*this, control);
  control.SetEditDataType(EditDataType);
  control.SetCharCase(CharCase);
  if (OnGetText)
    control.SetProcGetText(OnGetText);
  if (OnSetText)
    control.SetProcSetText(OnSetText);
}

template <>
void TDuoFacetItem<IDuoFrameworkItemMemo, TFacetMemo>::ProcessPropertyClass(TComponent*,
                                                                            IFacetControl& NewObj) {
  auto& control = PageControl<TFacetMemo>(NewObj);
  ProcessBaseProperties(*this, control);
  control.SetLines(Lines);
}

template <>
void TDuoFacetItem<IDuoFrameworkItemImage, TFacetImage>::ProcessPropertyClass(
    TComponent*, IFacetControl& NewObj) {
  auto& control = PageControl<TFacetImage>(NewObj);
  ProcessBaseProperties(*this, control);
  control.SetPicture(Picture);
}

template <>
void TDuoFacetItem<IDuoFrameworkItemCheckBox, TFacetCheckBox>::ProcessPropertyClass(
    TComponent*, IFacetControl& NewObj) {
  auto& control = PageControl<TFacetCheckBox>(NewObj);
  ProcessBaseProperties(*this, control);
  control.SetCheckBoxType(CheckBoxType);
  if (OnGetText)
    control.SetProcGetText(OnGetText);
  if (OnGetChecked)
    control.SetProcGetChecked(OnGetChecked);
  if (OnSetChecked)
    control.SetProcSetChecked(OnSetChecked);
  AddCheckChange(*this, control);
}

template <>
void TDuoFacetItem<IDuoFrameworkItemCombobox, TFacetCombobox>::ProcessPropertyClass(
    TComponent*, IFacetControl& NewObj) {
  auto& control = PageControl<TFacetCombobox>(NewObj);
  ProcessBaseProperties(*this, control);
  if (ProcGetItems)
    control.SetProcGetItems(ProcGetItems);
  if (ProcGetSelectedItem)
    control.SetProcGetSelectedItem(ProcGetSelectedItem);
  if (ProcSetSelectedItem)
    control.SetProcSetSelectedItem(ProcSetSelectedItem);
}

template <>
void TDuoFacetItem<IDuoFrameworkItemDBText, TFacetDBText>::ProcessPropertyClass(
    TComponent*, IFacetControl& NewObj) {
  auto& control = PageControl<TFacetDBText>(NewObj);
  ProcessBaseProperties(*this, control);
  SetBinding(Dataware, control);
}

template <>
void TDuoFacetItem<IDuoFrameworkItemDBEdit, TFacetDBEdit>::ProcessPropertyClass(
    TComponent*, IFacetControl& NewObj) {
  auto& control = PageControl<TFacetDBEdit>(NewObj);
  ProcessBaseProperties(*this, control);
  SetBinding(Dataware, control);
  control.SetCharCase(CharCase);
}

template <>
void TDuoFacetItem<IDuoFrameworkItemDBMemo, TFacetDBMemo>::ProcessPropertyClass(
    TComponent*, IFacetControl& NewObj) {
  auto& control = PageControl<TFacetDBMemo>(NewObj);
  ProcessBaseProperties(*this, control);
  SetBinding(Dataware, control);
}

template <>
void TDuoFacetItem<IDuoFrameworkItemDBCheckBox, TFacetDBCheckBox>::ProcessPropertyClass(
    TComponent*, IFacetControl& NewObj) {
  auto& control = PageControl<TFacetDBCheckBox>(NewObj);
  ProcessBaseProperties(*this, control);
  SetBinding(Dataware, control);
  control.SetCheckBoxType(CheckBoxType);
  control.SetValueChecked(ValueChecked);
  control.SetValueUnChecked(ValueUnChecked);
  if (OnGetText)
    control.SetProcGetText(OnGetText);
  AddCheckChange(*this, control);
}

template <>
void TDuoFacetItem<IDuoFrameworkItemDBCombobox, TFacetDBCombobox>::ProcessPropertyClass(
    TComponent*, IFacetControl& NewObj) {
  auto& control = PageControl<TFacetDBCombobox>(NewObj);
  ProcessBaseProperties(*this, control);
  SetBinding(Dataware, control);
  if (ProcGetItems)
    control.SetProcGetItems(ProcGetItems);
}

template <>
void TDuoFacetItem<IDuoFrameworkItemDBLookupCombobox, TFacetDBLookupCombobox>::ProcessPropertyClass(
    TComponent*, IFacetControl& NewObj) {
  auto& control = PageControl<TFacetDBLookupCombobox>(NewObj);
  ProcessBaseProperties(*this, control);
  SetBinding(Dataware.DataSource(), control);
  TDuoDatawareListSource& list = Dataware.ListSource();
  if (list.ListSource != nullptr)
    control.SetListDataSource(list.ListSource);
  if (!list.ListField.empty())
    control.SetListDataField(list.ListField);
  if (!list.KeyField.empty())
    control.SetKeyDataField(list.KeyField);
  if (OnGetText)
    control.SetProcGetText(OnGetText);
  if (OnSetText)
    control.SetProcSetText(OnSetText);
}

// Made where the grid's page control is known.
std::unique_ptr<IDuoFrameworkItemDBGrid> MakeDBGridItem();

} // namespace detail

TDuoFacetFramework::TDuoFacetFramework(TDuoClass& ABaseClass)
    : FBaseClass(ABaseClass),
      FLabel(std::make_unique<detail::TDuoFacetItem<IDuoFrameworkItemLabel, TFacetLabel>>()),
      FButton(std::make_unique<detail::TDuoFacetItem<IDuoFrameworkItemButton, TFacetButton>>()),
      FEdit(std::make_unique<detail::TDuoFacetItem<IDuoFrameworkItemEdit, TFacetEdit>>()),
      FCheckBox(
          std::make_unique<detail::TDuoFacetItem<IDuoFrameworkItemCheckBox, TFacetCheckBox>>()),
      FDBCheckBox(
          std::make_unique<detail::TDuoFacetItem<IDuoFrameworkItemDBCheckBox, TFacetDBCheckBox>>()),
      FDBText(std::make_unique<detail::TDuoFacetItem<IDuoFrameworkItemDBText, TFacetDBText>>()),
      FDBEdit(std::make_unique<detail::TDuoFacetItem<IDuoFrameworkItemDBEdit, TFacetDBEdit>>()),
      FDBGrid(detail::MakeDBGridItem()),
      FDBMemo(std::make_unique<detail::TDuoFacetItem<IDuoFrameworkItemDBMemo, TFacetDBMemo>>()),
      FDBCombobox(
          std::make_unique<detail::TDuoFacetItem<IDuoFrameworkItemDBCombobox, TFacetDBCombobox>>()),
      FDBLookupCombobox(
          std::make_unique<
              detail::TDuoFacetItem<IDuoFrameworkItemDBLookupCombobox, TFacetDBLookupCombobox>>()),
      FCombobox(
          std::make_unique<detail::TDuoFacetItem<IDuoFrameworkItemCombobox, TFacetCombobox>>()),
      FImage(std::make_unique<detail::TDuoFacetItem<IDuoFrameworkItemImage, TFacetImage>>()),
      FMemo(std::make_unique<detail::TDuoFacetItem<IDuoFrameworkItemMemo, TFacetMemo>>()) {
  FBaseClass.HTML().Render().OnAddHTMLControls =
      [this](const std::string& AName, const std::string& ANamePrefix,
             const std::string& HTMLText) { OnAddHTMLControls(AName, ANamePrefix, HTMLText); };
}

TDuoFacetFramework::~TDuoFacetFramework() {
  FBaseClass.HTML().Render().OnAddHTMLControls = nullptr;
}

TFacetForm& TDuoFacetFramework::AddFormByClass(const TClassInfo* FormClass, TComponent* AOwner) {
  TDuoFacetForm* form = nullptr;
  if (FormClass == nullptr || FormClass == &TDuoFacetForm::StaticClass()) {
    form = new TDuoFacetForm(AOwner, *this);
  } else {
    if (!FormClass->InheritsFrom(TDuoFacetForm::StaticClass()) || !FormClass->IsCreatable())
      throw Exception("Class " + FormClass->ClassName() + " is not a page form class");
    form = dynamic_cast<TDuoFacetForm*>(FormClass->CreateInstance(AOwner));
    form->TakeFramework(*this);
  }
  FFrameworkForm = form;
  return *form;
}

IDuoFrameworkForm* TDuoFacetFramework::GetForm() const {
  return FFrameworkForm;
}

bool TDuoFacetFramework::FormShowing() const {
  return FFrameworkForm != nullptr &&
         FFrameworkForm->GetFormPageState() != TFacetPageState::PageStateUnloaded;
}

void TDuoFacetFramework::SetTemplateMasterHTMLFile(const std::string& Value) {
  FTemplateMasterHTMLFile = Value;
  if (FFrameworkForm != nullptr)
    FFrameworkForm->SetTemplateMasterHTMLFile(Value);
}

void TDuoFacetFramework::SetTemplatePageHTMLFile(const std::string& Value) {
  FTemplatePageHTMLFile = Value;
  if (FFrameworkForm != nullptr)
    FFrameworkForm->SetTemplatePageHTMLFile(Value);
}

IFacetHTMLElement* TDuoFacetFramework::CreateHTMLElement() {
  if (FFrameworkForm == nullptr)
    throw Exception("An HTML element needs the page form of its form");
  return new TFacetHTMLElement(FFrameworkForm);
}

void TDuoFacetFramework::OnAddHTMLControls(const std::string& AName, const std::string& ANamePrefix,
                                           const std::string& HTMLText) const {
  if (FFrameworkForm == nullptr)
    return;
  for (IFacetControl* control : FFrameworkForm->GetControls())
    if (SameText(control->GetName(), AName) && SameText(control->GetNamePrefix(), ANamePrefix)) {
      control->FormatHTMLControl(HTMLText);
      return;
    }
}
