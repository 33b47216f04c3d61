#pragma once

// The page control of a combo box: a select element whose options are the live combo box's
// items, numbered from 1, with its selected item.

#include "bridge/Duo.FrameworkItems.h"
#include "render/Facet.Forms.Controls.h"
#include "runtime/Strings.h"

#include <string>
#include <vector>

class TFacetCombobox : public TFacetControl {
  DUO_CLASS(TFacetCombobox, TFacetControl)

public:
  using TFacetControl::TFacetControl;

  void SetProcGetItems(TOnGetItems Value) { FProcGetItems = std::move(Value); }
  void SetProcGetSelectedItem(TOnGetValue Value) { FProcGetSelectedItem = std::move(Value); }
  void SetProcSetSelectedItem(TOnSetValue Value) { FProcSetSelectedItem = std::move(Value); }
  // The live combo box's items, or the items last sent.
  const TStrings& GetItems() const;
  std::string GetSelectedItem() const;
  // Passes the item to the live combo box when it differs from the item last sent.
  void SetSelectedItem(const std::string& Value);

  bool IsCombobox() const override { return true; }
  void Initialize() override;
  void ProcessHTML() override;
  // "selecteditemindex": the 1-based position of the chosen item.
  void ProcessComponentState(const TJSON& ComponentStateInfo) override;
  bool GetEnableComponentState() const override { return true; }

protected:
  void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) override;

private:
  std::string FStoredSelectedItem;
  TStringList FStoredItems;
  TOnGetItems FProcGetItems;
  TOnSetValue FProcSetSelectedItem;
  TOnGetValue FProcGetSelectedItem;
};

// The select element of the plain and the data-aware combo box.
std::string ComboboxHTML(const std::string& Core, const std::string& SelectTerm,
                         const TStrings& Items, const std::string& SelectedItem);
// The hidden first option that asks the user to choose.
std::string PlaceholderOption(const std::string& SelectTerm);
// The combo-box term that asks the user to choose, in the browser's language.
std::string SelectTerm(const TFacetControl& Control);
// The item a browser state object chooses: empty for a position that names none; false when the
// object chooses nothing.
bool SelectedItemFromState(const TJSON& ComponentStateInfo, const TStrings& Items,
                           std::string& Item);
// Appends the statements of a combo box whose selection or items changed; `ProcessHTML` builds
// the control's markup again when the items changed.
void UpdateComboboxState(TFacetControl& Control, std::vector<std::string>& ScriptJS,
                         bool AForceUpdate, const std::string& SelectedItem,
                         std::string& StoredSelectedItem, const TStrings& Items,
                         TStringList& StoredItems);
