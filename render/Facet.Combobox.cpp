#include "render/Facet.Combobox.h"

#include "bridge/Duo.Util.h"
#include "lang/Duo.Lang.Term.h"
#include "runtime/StrUtils.h"

#include <charconv>

const TClassInfo& TFacetCombobox::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFacetCombobox>("TFacetCombobox").Creatable().Build();
  return info;
}

const TStrings& TFacetCombobox::GetItems() const {
  if (FProcGetItems)
    if (const TStrings* items = FProcGetItems())
      return *items;
  return FStoredItems;
}

std::string TFacetCombobox::GetSelectedItem() const {
  return FProcGetSelectedItem ? FProcGetSelectedItem().AsString() : FStoredSelectedItem;
}

void TFacetCombobox::SetSelectedItem(const std::string& Value) {
  if (FProcSetSelectedItem && Value != FStoredSelectedItem)
    FProcSetSelectedItem(Variant(Value));
  FStoredSelectedItem = Value;
}

void TFacetCombobox::Initialize() {
  TFacetControl::Initialize();
  FStoredSelectedItem = GetSelectedItem();
  FStoredItems.Assign(GetItems());
}

void TFacetCombobox::ProcessHTML() {
  FHTMLControl = ComboboxHTML(FHTMLCore, SelectTerm(*this), FStoredItems, FStoredSelectedItem);
}

void TFacetCombobox::UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  UpdateComboboxState(*this, ScriptJS, AForceUpdate, GetSelectedItem(), FStoredSelectedItem,
                      GetItems(), FStoredItems);
}

void TFacetCombobox::ProcessComponentState(const TJSON& ComponentStateInfo) {
  std::string item;
  if (SelectedItemFromState(ComponentStateInfo, GetItems(), item))
    SetSelectedItem(item);
}

std::string PlaceholderOption(const std::string& SelectTerm) {
  return "<option hidden disabled selected value>" + HTMLEncode(SelectTerm) + "</option>";
}

std::string ComboboxHTML(const std::string& Core, const std::string& SelectTerm,
                         const TStrings& Items, const std::string& SelectedItem) {
  std::string html = "<select  " + Core + " aria-label=\"" + HTMLEncode(SelectTerm) + "\" " + ">";
  if (SelectedItem.empty())
    html += PlaceholderOption(SelectTerm);
  for (int i = 0; i < Items.Count(); ++i)
    html += std::string("<option ") + (SameText(Items[i], SelectedItem) ? "selected " : "") +
            "value=\"" + std::to_string(i + 1) + "\">" + HTMLEncodeData(Items[i]) + "</option>";
  return html + "</select>";
}

std::string SelectTerm(const TFacetControl& Control) {
  const TDuoTerm* terms = Control.Lang();
  return terms != nullptr ? terms->GetCombobox().GetSelect() : "";
}

bool SelectedItemFromState(const TJSON& ComponentStateInfo, const TStrings& Items,
                           std::string& Item) {
  if (!ComponentStateInfo.contains("selecteditemindex"))
    return false;
  const std::string text = JSONStateText(ComponentStateInfo["selecteditemindex"]);
  int position = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), position);
  const bool valid = error == std::errc() && end == text.data() + text.size();
  Item = valid && position > 0 && position <= Items.Count() ? Items[position - 1] : "";
  return true;
}

void UpdateComboboxState(TFacetControl& Control, std::vector<std::string>& ScriptJS,
                         bool AForceUpdate, const std::string& SelectedItem,
                         std::string& StoredSelectedItem, const TStrings& Items,
                         TStringList& StoredItems) {
  if (AForceUpdate || SelectedItem != StoredSelectedItem) {
    StoredSelectedItem = SelectedItem;
    ScriptJS.push_back(Control.ElementJS() + ".value = " +
                       FormatValueHTML(std::to_string(Items.IndexOf(SelectedItem) + 1)) + ";");
  }
  if (AForceUpdate || Items.ToVector() != StoredItems.ToVector()) {
    StoredItems.Assign(Items);
    Control.ProcessHTML();
    ScriptJS.push_back(Control.ElementJS() +
                       ".outerHTML = " + FormatValueHTML(Control.GetHTMLControl()) + ";");
  }
}
