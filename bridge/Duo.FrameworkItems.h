#pragma once

// Framework items: one per kind of control, reused for every control of that kind in a form.  A
// control adapter fills the item from the live form control (its state and event procedures and
// the kind's own members); the page layer then creates the page control of the item's class and
// copies everything into it.  Each use of an item begins with Clear, so nothing of one control
// reaches the next.

#include "bridge/Duo.Types.h"
#include "runtime/Json.h"
#include "ui/StdCtrls.h"

#include <memory>
#include <string>
#include <vector>

class IFacetControl;
class TClassInfo;
class TComponent;
class TDataSource;
class TPicture;

class IDuoFrameworkItem {
public:
  virtual ~IDuoFrameworkItem() = default;
  // Resets every procedure and the kind's own members.
  virtual void Clear();
  // The class of the page control this kind creates.
  virtual const TClassInfo& FrameworkClass() const = 0;
  // Copies the state procedures and the kind's own members into a fresh page control.
  virtual void ProcessPropertyClass(TComponent* UIObj, IFacetControl& NewObj) = 0;
  // Adds one event to the page control for each event procedure that is set.
  virtual void ProcessEventClass(TComponent* UIObj, IFacetControl& NewObj) = 0;

  TOnEventProc OnClick;
  TOnEventProc OnDblClick;
  TOnEventProc OnEnter;
  TOnEventProc OnExit;
  TOnEventProc OnChange;
  TOnEventProc OnKeyDown;
  TOnEventProc OnKeyUp;
  TOnEventProc OnKeyPress;
  TOnEventProc OnSelectAll;
  TOnEventProc OnUnselectAll;
  TOnEventProc OnSelect;
  TOnEventProc OnCheck;
  TOnEventProc OnCheckChange;
  TOnEventProc OnUnCheck;

  TOnGetValue ProcGetEnabled;
  TOnSetValue ProcSetEnabled;
  TOnGetValue ProcGetVisible;
  TOnSetValue ProcSetVisible;
  TOnGetValue ProcGetReadOnly;
  TOnSetValue ProcSetReadOnly;
  TOnGetValue ProcGetPlaceholder;
};

// A control's data source and field.
class TDuoDatawareDataSource {
public:
  void Clear();
  TDataSource* DataSource = nullptr;
  std::string DataField;
};

// The list side of a lookup: where its choices come from.
class TDuoDatawareListSource {
public:
  void Clear();
  std::string ListField;
  std::string KeyField;
  TDataSource* ListSource = nullptr;
};

class TDuoDataware {
public:
  void Clear();
  TDuoDatawareDataSource& DataSource() { return FDataSource; }
  TDuoDatawareListSource& ListSource() { return FListSource; }

private:
  TDuoDatawareDataSource FDataSource;
  TDuoDatawareListSource FListSource;
};

class TDuoDatawareOnlyDataSource {
public:
  void Clear() { DataSource = nullptr; }
  TDataSource* DataSource = nullptr;
};

// One column of a grid as the adapter describes it.
class TDuoFrameworkItemDBGridColumn {
public:
  std::string DataField;
  std::string Title;
  bool Visible = true;
  int Width = 0;
  bool Editable = false;
  TDuoColumnsAlignment Alignment = DuoAlignColumnsLeft;
  TFacetFieldType DataFieldType = FacetFieldTypeString;
  // The value list of a combo-box column: value → text.
  TOrderedJSON SelectItems = TOrderedJSON::object();
};

class TDuoFrameworkItemDBGridColumns {
public:
  TDuoFrameworkItemDBGridColumn& Add();
  void Clear() { FColumns.clear(); }
  const std::vector<std::unique_ptr<TDuoFrameworkItemDBGridColumn>>& GetColumns() const {
    return FColumns;
  }

private:
  std::vector<std::unique_ptr<TDuoFrameworkItemDBGridColumn>> FColumns;
};

// Gives the items of a list control (combo boxes).
using TOnGetItems = std::function<TStrings*()>;

class IDuoFrameworkItemLabel : public IDuoFrameworkItem {
public:
  void Clear() override;
  TOnGetValue OnGetText;
  // The name of the control the label captions (its focus control); empty for none.
  std::string ForControl;
};

class IDuoFrameworkItemButton : public IDuoFrameworkItem {
public:
  void Clear() override;
  std::string Caption;
};

class IDuoFrameworkItemEdit : public IDuoFrameworkItem {
public:
  void Clear() override;
  TOnGetValue OnGetText;
  TOnSetValue OnSetText;
  TFacetFieldType EditDataType = FacetFieldTypeAuto;
  TEditCharCase CharCase = ecNormal;
};

class IDuoFrameworkItemMemo : public IDuoFrameworkItem {
public:
  void Clear() override;
  TStrings* Lines = nullptr;
  int Rows = 3;
};

class IDuoFrameworkItemImage : public IDuoFrameworkItem {
public:
  void Clear() override;
  TPicture* Picture = nullptr;
};

class IDuoFrameworkItemCheckBox : public IDuoFrameworkItem {
public:
  void Clear() override;
  TOnGetValue OnGetText;
  TOnGetValue OnGetChecked;
  TOnSetValue OnSetChecked;
  TCheckBoxType CheckBoxType = CBSwitchType;
};

class IDuoFrameworkItemCombobox : public IDuoFrameworkItem {
public:
  void Clear() override;
  TOnGetItems ProcGetItems;
  TOnGetValue ProcGetSelectedItem;
  TOnSetValue ProcSetSelectedItem;
};

class IDuoFrameworkItemDBText : public IDuoFrameworkItem {
public:
  void Clear() override;
  TDuoDatawareDataSource Dataware;
};

class IDuoFrameworkItemDBEdit : public IDuoFrameworkItem {
public:
  void Clear() override;
  TDuoDatawareDataSource Dataware;
  TFacetFieldType EditDataType = FacetFieldTypeAuto;
  TEditCharCase CharCase = ecNormal;
};

class IDuoFrameworkItemDBMemo : public IDuoFrameworkItem {
public:
  void Clear() override;
  TDuoDatawareDataSource Dataware;
};

class IDuoFrameworkItemDBCheckBox : public IDuoFrameworkItem {
public:
  void Clear() override;
  TDuoDatawareDataSource Dataware;
  TOnGetValue OnGetText;
  std::string ValueChecked;
  std::string ValueUnChecked;
  TCheckBoxType CheckBoxType = CBSwitchType;
};

class IDuoFrameworkItemDBCombobox : public IDuoFrameworkItem {
public:
  void Clear() override;
  TDuoDatawareDataSource Dataware;
  TOnGetItems ProcGetItems;
};

class IDuoFrameworkItemDBLookupCombobox : public IDuoFrameworkItem {
public:
  void Clear() override;
  TDuoDataware Dataware;
  TOnGetValue OnGetText;
  TOnSetValue OnSetText;
};

class IDuoFrameworkItemDBGrid : public IDuoFrameworkItem {
public:
  void Clear() override;
  TDuoFrameworkItemDBGridColumns Columns;
  TDuoDatawareOnlyDataSource Dataware;
  bool MultiSelect = false;
  // Record numbers of the selected rows, shared with the page grid.
  std::shared_ptr<std::vector<int>> SelectedRowsID = std::make_shared<std::vector<int>>();
  TOnGetValue OnGetSelectedRow;
  TOnSetValue OnSetSelectedRow;
  TOnGetValue ProcEditable;
};
