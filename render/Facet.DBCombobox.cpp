#include "render/Facet.DBCombobox.h"

#include "render/Facet.Combobox.h"

const TClassInfo& TFacetDBCombobox::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFacetDBCombobox>("TFacetDBCombobox").Creatable().Build();
  return info;
}

const TStrings& TFacetDBCombobox::GetItems() const {
  if (FProcGetItems)
    if (const TStrings* items = FProcGetItems())
      return *items;
  return FStoredItems;
}

void TFacetDBCombobox::SetSelectedItem(const std::string& Value) {
  WriteField(Value != FStoredSelectedItem, [&](TField& field) { field.SetAsString(Value); });
  if (!GetDataField().empty())
    FStoredSelectedItem = Value;
}

void TFacetDBCombobox::Initialize() {
  TFacetDBControl::Initialize();
  FStoredSelectedItem = GetSelectedItem();
  FStoredItems.Assign(GetItems());
}

void TFacetDBCombobox::ProcessHTML() {
  FHTMLControl = ComboboxHTML(FHTMLCore, SelectTerm(*this), FStoredItems, FStoredSelectedItem);
}

void TFacetDBCombobox::UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  UpdateComboboxState(*this, ScriptJS, AForceUpdate, GetSelectedItem(), FStoredSelectedItem,
                      GetItems(), FStoredItems);
}

void TFacetDBCombobox::ProcessComponentState(const TJSON& ComponentStateInfo) {
  std::string item;
  if (SelectedItemFromState(ComponentStateInfo, GetItems(), item))
    SetSelectedItem(item);
}
