#pragma once

// The page control of a lookup combo box: a select element whose options are the records of a
// list dataset (key field as value, list field as text) and whose selected key is one field of
// the current record.

#include "render/Facet.DBControl.h"

#include <string>
#include <vector>

class TFacetDBLookupCombobox : public TFacetDBControl {
  DUO_CLASS(TFacetDBLookupCombobox, TFacetDBControl)

public:
  explicit TFacetDBLookupCombobox(TComponent* AOwner);
  ~TFacetDBLookupCombobox() override;

  void SetProcGetText(TOnGetValue Value) { FProcGetText = std::move(Value); }
  void SetProcSetText(TOnSetValue Value) { FProcSetText = std::move(Value); }
  void SetListDataSource(TDataSource* Value);
  TDataSource* GetListDataSource() const { return FListDataLink.GetDataSource(); }
  void SetListDataField(const std::string& Value) { FListDataField = Value; }
  const std::string& GetListDataField() const { return FListDataField; }
  void SetKeyDataField(const std::string& Value) { FKeyDataField = Value; }
  const std::string& GetKeyDataField() const { return FKeyDataField; }
  void SetMaxRecords(int Value) { FMaxRecords = Value; }
  int GetMaxRecords() const { return FMaxRecords; }
  // The selected key: the field's text, or else the live control's text.
  std::string GetSelectedItem() const;
  // Writes the key into the field (when it differs from the key last sent), or passes it to the
  // live control when no field is bound.
  void SetSelectedItem(const std::string& Value);

  void Initialize() override;
  void ProcessHTML() override;
  // "selectedvalue": the chosen key.
  void ProcessComponentState(const TJSON& ComponentStateInfo) override;
  bool GetEnableComponentState() const override { return true; }

protected:
  void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TOnSetValue FProcSetText;
  TOnGetValue FProcGetText;
  bool FRefreshData = false;
  TFacetFieldDataLink FListDataLink;
  std::string FListDataField;
  std::string FKeyDataField;
  std::string FStoredSelectedItem;
  int FMaxRecords = 1000;
  // Set while the control walks the list dataset itself, which is no change of the list.
  bool FReadingList = false;

  // The list is sent again at the next update, unless the page is not loaded yet or is
  // applying browser state.
  void RequestRefresh();
  std::string ListOptions(const std::string& SelectedKey, bool& AnySelected);
};
