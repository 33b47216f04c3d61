#include "bridge/Duo.UIObj.StdCtrls.h"

#include "runtime/FormatSettings.h"

using namespace detail;

void TUIObjTLabel::ProcessPropertyClass(IFacetControl&) {
  TLabel& label = Control();
  IDuoFrameworkItemLabel& item = FrameworkItemClass();
  SetEnabledProcs(item, label);
  SetVisibleProcs(item, label);
  item.OnGetText = TextGetter(label);
  item.ForControl = label.GetFocusControl() != nullptr ? label.GetFocusControl()->GetName() : "";
}

void TUIObjTLabel::ProcessEventClass() {
  TLabel& label = Control();
  WireEvent(FrameworkItemClass().OnClick, label.OnClick, label);
}

void TUIObjTEdit::ProcessPropertyClass(IFacetControl&) {
  TCustomEdit& edit = Control();
  IDuoFrameworkItemEdit& item = FrameworkItemClass();
  if (edit.GetPasswordChar() != '\0')
    item.EditDataType = FacetFieldTypePassword;
  item.CharCase = edit.GetCharCase();
  SetTextEntryStateProcs(item, edit);
  item.OnGetText = TextGetter(edit);
  item.OnSetText = TextSetter(edit);
}

void TUIObjTEdit::ProcessEventClass() {
  TCustomEdit& edit = Control();
  IDuoFrameworkItemEdit& item = FrameworkItemClass();
  WireTextEntryEvents(item, edit, edit.OnChange);
}

void TUIObjTButton::ProcessPropertyClass(IFacetControl&) {
  TWinControl& button = Control();
  IDuoFrameworkItemButton& item = FrameworkItemClass();
  item.Caption = button.GetText();
  SetEnabledProcs(item, button);
  SetVisibleProcs(item, button);
}

void TUIObjTButton::ProcessEventClass() {
  WireClickFocusKeys(FrameworkItemClass(), Control());
}

void TUIObjTSpeedButton::ProcessPropertyClass(IFacetControl&) {
  TSpeedButton& button = Control();
  IDuoFrameworkItemButton& item = FrameworkItemClass();
  item.Caption = button.GetText();
  SetEnabledProcs(item, button);
  SetVisibleProcs(item, button);
}

void TUIObjTSpeedButton::ProcessEventClass() {
  TSpeedButton& button = Control();
  WireEvent(FrameworkItemClass().OnClick, button.OnClick, button);
}

void TUIObjTMemo::ProcessPropertyClass(IFacetControl&) {
  TCustomMemo& memo = Control();
  IDuoFrameworkItemMemo& item = FrameworkItemClass();
  item.Lines = &memo.GetLines();
  SetTextEntryStateProcs(item, memo);
}

void TUIObjTMemo::ProcessEventClass() {
  TCustomMemo& memo = Control();
  IDuoFrameworkItemMemo& item = FrameworkItemClass();
  WireTextEntryEvents(item, memo, memo.OnChange);
}

void TUIObjTComboBox::ProcessPropertyClass(IFacetControl&) {
  TCustomComboBox& combo = Control();
  IDuoFrameworkItemCombobox& item = FrameworkItemClass();
  item.ProcGetItems = [&combo] { return &combo.GetItems(); };
  item.ProcGetSelectedItem = [&combo] {
    const int index = combo.GetItemIndex();
    return Variant(index >= 0 && index < combo.GetItems().Count() ? combo.GetItems()[index]
                                                                  : std::string());
  };
  item.ProcSetSelectedItem = [&combo](const Variant& Value) {
    const std::string text = Value.AsString();
    const int index = combo.GetItems().IndexOf(text);
    if (index >= 0)
      combo.SetItemIndex(index);
    else
      combo.SetText(text);
  };
  SetEnabledProcs(item, combo);
  SetVisibleProcs(item, combo);
  SetPlaceholderWithTextHint(item, combo);
}

void TUIObjTComboBox::ProcessEventClass() {
  TCustomComboBox& combo = Control();
  IDuoFrameworkItemCombobox& item = FrameworkItemClass();
  WireEvent(item.OnSelect, combo.OnSelect, combo);
  WireTextEntryEvents(item, combo, combo.OnChange);
}

namespace {

// Check boxes and radio buttons alike: their caption and their checked state.
template <class T> void SetCheckProcs(IDuoFrameworkItemCheckBox& Item, T& Control) {
  Item.OnGetText = TextGetter(Control);
  Item.OnGetChecked = [&Control] { return Variant(Control.GetChecked()); };
  Item.OnSetChecked = [&Control](const Variant& Value) { Control.SetChecked(Value.AsBoolean()); };
  SetEnabledProcs(Item, Control);
  SetVisibleProcs(Item, Control);
}

} // namespace

void TUIObjTCheckBox::ProcessPropertyClass(IFacetControl&) {
  SetCheckProcs(FrameworkItemClass(), Control());
}

void TUIObjTCheckBox::ProcessEventClass() {
  WireClickFocusKeys(FrameworkItemClass(), Control());
}

void TUIObjTRadioButton::ProcessPropertyClass(IFacetControl&) {
  SetCheckProcs(FrameworkItemClass(), Control());
}

void TUIObjTRadioButton::ProcessEventClass() {
  WireClickFocusKeys(FrameworkItemClass(), Control());
}

void TUIObjTDateTimePicker::ProcessPropertyClass(IFacetControl&) {
  TDateTimePicker& picker = Control();
  IDuoFrameworkItemEdit& item = FrameworkItemClass();
  item.EditDataType = FacetFieldTypeDate;
  SetEnabledProcs(item, picker);
  SetVisibleProcs(item, picker);
  item.ProcGetReadOnly = [&picker] { return Variant(!picker.GetEnabled()); };
  item.ProcSetReadOnly = [&picker](const Variant& Value) { picker.SetEnabled(!Value.AsBoolean()); };
  item.OnGetText = [&picker] { return Variant(DateToStr(picker.GetDate())); };
  item.OnSetText = [&picker](const Variant& Value) { picker.SetDate(StrToDate(Value.AsString())); };
  SetPlaceholderFromHint(item, picker);
}

void TUIObjTDateTimePicker::ProcessEventClass() {
  TDateTimePicker& picker = Control();
  IDuoFrameworkItemEdit& item = FrameworkItemClass();
  WireClickFocusKeys(item, picker);
  WireEvent(item.OnChange, picker.OnChange, picker);
}

void TUIObjTImage::ProcessPropertyClass(IFacetControl&) {
  TImage& image = Control();
  IDuoFrameworkItemImage& item = FrameworkItemClass();
  item.Picture = &image.GetPicture();
  SetVisibleProcs(item, image);
}
