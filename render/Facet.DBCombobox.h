#pragma once

// The page control of a data-aware combo box: a select element whose selected item is the text
// of one field of the current record.

#include "bridge/Duo.FrameworkItems.h"
#include "render/Facet.DBControl.h"
#include "runtime/Strings.h"

#include <string>
#include <vector>

class TFacetDBCombobox : public TFacetDBControl {
  DUO_CLASS(TFacetDBCombobox, TFacetDBControl)

public:
  using TFacetDBControl::TFacetDBControl;

  void SetProcGetItems(TOnGetItems Value) { FProcGetItems = std::move(Value); }
  const TStrings& GetItems() const;
  std::string GetSelectedItem() const { return FieldText(); }
  // Writes the item into the field when it differs from the item last sent.
  void SetSelectedItem(const std::string& Value);

  bool IsDBCombobox() const override { return true; }
  void Initialize() override;
  void ProcessHTML() override;
  // "selecteditemindex": the 1-based position of the chosen item.
  void ProcessComponentState(const TJSON& ComponentStateInfo) override;
  bool GetEnableComponentState() const override { return true; }

protected:
  void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) override;

private:
  TOnGetItems FProcGetItems;
  std::string FStoredSelectedItem;
  TStringList FStoredItems;
};
