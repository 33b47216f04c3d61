#include "bridge/Duo.UIObj.DBCtrls.h"

using namespace detail;

namespace {

std::vector<std::string> WithoutText(std::vector<std::string> Names) {
  std::erase(Names, "Text");
  return Names;
}

// The first of several field names separated by ";".
std::string FirstFieldName(const std::string& Names) {
  return Names.substr(0, Names.find(';'));
}

} // namespace

void TUIObjTDBText::ProcessPropertyClass(IFacetControl&) {
  SetDataBinding(FrameworkItemClass().Dataware, Control());
}

void TUIObjTDBText::ProcessEventClass() {
  TDBText& text = Control();
  WireEvent(FrameworkItemClass().OnClick, text.OnClick, text);
}

void TUIObjTDBEdit::ProcessPropertyClass(IFacetControl&) {
  TDBEdit& edit = Control();
  IDuoFrameworkItemDBEdit& item = FrameworkItemClass();
  SetDataBinding(item.Dataware, edit);
  if (edit.GetPasswordChar() != '\0')
    item.EditDataType = FacetFieldTypePassword;
  item.CharCase = edit.GetCharCase();
  SetTextEntryStateProcs(item, edit);
}

void TUIObjTDBEdit::ProcessEventClass() {
  TDBEdit& edit = Control();
  IDuoFrameworkItemDBEdit& item = FrameworkItemClass();
  WireTextEntryEvents(item, edit, edit.OnChange);
}

void TUIObjTDBMemo::ProcessPropertyClass(IFacetControl&) {
  TDBMemo& memo = Control();
  IDuoFrameworkItemDBMemo& item = FrameworkItemClass();
  SetDataBinding(item.Dataware, memo);
  SetTextEntryStateProcs(item, memo);
}

void TUIObjTDBMemo::ProcessEventClass() {
  TDBMemo& memo = Control();
  IDuoFrameworkItemDBMemo& item = FrameworkItemClass();
  WireTextEntryEvents(item, memo, memo.OnChange);
}

std::vector<std::string> TUIObjTDBComboBox::PropertyCopyList() const {
  return WithoutText(IDuoUIObj::PropertyCopyList());
}

void TUIObjTDBComboBox::ProcessPropertyClass(IFacetControl&) {
  TDBComboBox& combo = Control();
  IDuoFrameworkItemDBCombobox& item = FrameworkItemClass();
  SetDataBinding(item.Dataware, combo);
  item.ProcGetItems = [&combo] { return &combo.GetItems(); };
  SetEnabledProcs(item, combo);
  SetVisibleProcs(item, combo);
  SetReadOnlyProcs(item, combo);
  SetPlaceholderWithTextHint(item, combo);
}

void TUIObjTDBComboBox::ProcessEventClass() {
  TDBComboBox& combo = Control();
  IDuoFrameworkItemDBCombobox& item = FrameworkItemClass();
  WireTextEntryEvents(item, combo, combo.OnChange);
}

std::vector<std::string> TUIObjTDBLookupComboBox::PropertyCopyList() const {
  return WithoutText(IDuoUIObj::PropertyCopyList());
}

void TUIObjTDBLookupComboBox::ProcessPropertyClass(IFacetControl&) {
  TDBLookupComboBox& combo = Control();
  IDuoFrameworkItemDBLookupCombobox& item = FrameworkItemClass();
  SetDataBinding(item.Dataware.DataSource(), combo);
  TDuoDatawareListSource& list = item.Dataware.ListSource();
  if (combo.GetListSource() != nullptr)
    list.ListSource = combo.GetListSource();
  if (!combo.GetListField().empty())
    list.ListField = FirstFieldName(combo.GetListField());
  if (!combo.GetKeyField().empty())
    list.KeyField = combo.GetKeyField();
  SetEnabledProcs(item, combo);
  SetVisibleProcs(item, combo);
  SetReadOnlyProcs(item, combo);
  SetPlaceholderFromHint(item, combo);
}

void TUIObjTDBLookupComboBox::ProcessEventClass() {
  WireClickFocusKeys(FrameworkItemClass(), Control());
}

void TUIObjTDBCheckBox::ProcessPropertyClass(IFacetControl&) {
  TDBCheckBox& check = Control();
  IDuoFrameworkItemDBCheckBox& item = FrameworkItemClass();
  SetDataBinding(item.Dataware, check);
  item.ValueChecked = check.GetValueChecked();
  item.ValueUnChecked = check.GetValueUnchecked();
  item.OnGetText = TextGetter(check);
  SetEnabledProcs(item, check);
  SetVisibleProcs(item, check);
  SetReadOnlyProcs(item, check);
}

void TUIObjTDBCheckBox::ProcessEventClass() {
  WireClickFocusKeys(FrameworkItemClass(), Control());
}

void TUIObjTDBImage::ProcessPropertyClass(IFacetControl&) {
  TDBImage& image = Control();
  IDuoFrameworkItemImage& item = FrameworkItemClass();
  item.Picture = &image.GetPicture();
  SetVisibleProcs(item, image);
}
