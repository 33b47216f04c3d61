#pragma once

// The columns of a page data grid: what each shows and how it is edited, the cell buttons and
// drop-down menus of button columns with their HTML, and the column model the browser grid is
// configured with.

#include "render/Facet.Types.h"
#include "runtime/Json.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TDataSet;
class TFacetDBGrid;
class TFacetDBGridColumn;
class TObject;

// A button of a button column, or an entry of a button's drop-down menu.
class TFacetDBGridColumnButton {
public:
  TFacetDBGridColumnButton(TFacetDBGridColumn& AColumn, TFacetDBGridColumnButton* AParent,
                           std::string AName);
  TFacetDBGridColumnButton(const TFacetDBGridColumnButton&) = delete;
  TFacetDBGridColumnButton& operator=(const TFacetDBGridColumnButton&) = delete;

  const std::string& GetCaption() const { return FCaption; }
  void SetCaption(const std::string& Value) { FCaption = Value; }
  const std::string& GetCSS() const { return FCSS; }
  void SetCSS(const std::string& Value) { FCSS = Value; }
  const std::string& GetButtonType() const { return FButtonType; }
  void SetButtonType(const std::string& Value) { FButtonType = Value; }
  const std::string& GetButtonIcon() const { return FButtonIcon; }
  void SetButtonIcon(const std::string& Value) { FButtonIcon = Value; }
  const std::string& GetButtonWidth() const { return FButtonWidth; }
  void SetButtonWidth(const std::string& Value) { FButtonWidth = Value; }
  const std::string& GetButtonHeigth() const { return FButtonHeigth; }
  void SetButtonHeigth(const std::string& Value) { FButtonHeigth = Value; }
  const std::string& GetIdentify() const { return FIdentify; }
  void SetIdentify(const std::string& Value) { FIdentify = Value; }
  const std::string& GetButtonModel() const { return FButtonModel; }
  void SetButtonModel(const std::string& Value) { FButtonModel = Value; }
  const std::string& GetName() const { return FName; }
  TFacetDBGridColumn& GetColumn() const { return FFacetDBGridColumn; }
  TFacetDBGridColumnButton* GetButtonParent() const { return FButtonParent; }

  // The sub-buttons of the drop-down menu, in the order added.
  const std::vector<std::unique_ptr<TFacetDBGridColumnButton>>& Buttons() const { return FButtons; }
  // Adds a sub-button named "Parent" + this button's name + "_" + the new count.
  TFacetDBGridColumnButton& Add();
  TFacetDBGridColumnButton& Add(const std::string& ACaption);
  void Clear() { FButtons.clear(); }

  // The grid's element id followed by the button's name.
  std::string ElementID() const;
  // The button, and its drop-down menu when it has sub-buttons, as a template for each row: the
  // browser puts the row's record number where "${recNo}" stands.
  std::string MakeHTML() const;

  // Run by the page form when the button is clicked.
  std::function<void(TObject* Sender)> OnClick;
  std::function<void()> Proc;

private:
  std::string FCaption;
  std::string FCSS;
  std::string FButtonType = "btn btn-primary";
  std::string FButtonIcon;
  std::string FButtonWidth;
  std::string FButtonHeigth;
  std::string FName;
  std::string FIdentify;
  std::string FButtonModel;
  TFacetDBGridColumn& FFacetDBGridColumn;
  TFacetDBGridColumnButton* FButtonParent;
  std::vector<std::unique_ptr<TFacetDBGridColumnButton>> FButtons;
};

// The buttons of one column.  Adding one makes the column a button column.
class TFacetDBGridColumnButtons {
public:
  explicit TFacetDBGridColumnButtons(TFacetDBGridColumn& AColumn) : FColumn(AColumn) {}

  const std::vector<std::unique_ptr<TFacetDBGridColumnButton>>& GetButtons() const {
    return FButtons;
  }
  // Adds a button named "GridButton" + the new count.
  TFacetDBGridColumnButton& Add();
  TFacetDBGridColumnButton& Add(const std::string& ACaption);
  void Clear() { FButtons.clear(); }
  // The buttons' HTML side by side in one flex box; empty without buttons.
  std::string MakeHTML() const;

private:
  TFacetDBGridColumn& FColumn;
  std::vector<std::unique_ptr<TFacetDBGridColumnButton>> FButtons;
};

// Where the choices of a lookup column come from: the dataset's key fields (";"-separated) take
// the values of the lookup dataset's key fields, and the lookup result field gives the text the
// column shows.
struct TFacetDBGridLookup {
  TDataSet* LookupDataSet = nullptr;
  std::string KeyFields;
  std::string LookupKeyFields;
  std::string LookupResultField;
};

class TFacetDBGridColumns;

// One column of a page data grid.
class TFacetDBGridColumn {
public:
  explicit TFacetDBGridColumn(TFacetDBGridColumns& AColumns);
  TFacetDBGridColumn(const TFacetDBGridColumn&) = delete;
  TFacetDBGridColumn& operator=(const TFacetDBGridColumn&) = delete;

  const std::string& GetDataField() const { return FDataField; }
  void SetDataField(const std::string& Value);
  const std::string& GetTitle() const { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  bool GetEditable() const { return FEditable; }
  void SetEditable(bool Value) { FEditable = Value; }
  int GetWidth() const { return FWidth; }
  void SetWidth(int Value) { FWidth = Value; }
  TFacetAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TFacetAlignment Value) { FAlignment = Value; }
  TFacetFieldType GetDataFieldType() const { return FDataFieldType; }
  void SetDataFieldType(TFacetFieldType Value) { FDataFieldType = Value; }
  TFacetFieldModel GetDataFieldModel() const { return FDataFieldModel; }
  void SetDataFieldModel(TFacetFieldModel Value);
  // The value list of a combo-box column, value → text; null until set.
  const TOrderedJSON& GetSelectItems() const { return FSelectItems; }
  void SetSelectItems(const TOrderedJSON& Value) { FSelectItems = Value; }
  int GetColumnIndex() const { return FColumnIndex; }
  // Moves the column to display position `Value` (at most the last); the columns in between
  // shift by one, so the positions stay 0 … count - 1.
  void SetColumnIndex(int Value);
  const std::string& GetCSS() const { return FCSS; }
  void SetCSS(const std::string& Value) { FCSS = Value; }
  // The HTML template of an HTML column; "${value}", "${recNo}" and "${data.FIELD}" stand for
  // the row's values.
  const std::string& GetHTML() const { return FHTML; }
  void SetHTML(const std::string& Value) { FHTML = Value; }
  const TFacetDBGridLookup& GetLookup() const { return FLookup; }
  void SetLookup(const TFacetDBGridLookup& Value) { FLookup = Value; }
  TFacetDBGridColumnButtons& Buttons() { return FButtons; }
  const TFacetDBGridColumnButtons& Buttons() const { return FButtons; }
  TFacetDBGrid* FacetDBGrid() const;
  // The column's unique name in the browser grid.
  const std::string& ColName() const { return FColName; }

  // Editable in the browser: the column is, and the grid was last sent as editable.
  bool EditableInGrid() const;
  // Whether the lookup description is complete and its dataset open.
  bool LookupReady() const;
  // The column's entry of the column model: a script object literal.  Settles the column's
  // model, value list (for lookups) and field type on the way.
  std::string ColModelEntry();

private:
  TFacetDBGridColumns& FColumns;
  std::string FDataField;
  std::string FTitle = "Column";
  bool FVisible = true;
  int FWidth = 0;
  bool FEditable = false;
  TFacetAlignment FAlignment = FacetAlignNone;
  TFacetFieldType FDataFieldType = FacetFieldTypeString;
  TFacetFieldModel FDataFieldModel = FacetFieldModelNone;
  TOrderedJSON FSelectItems;
  int FColumnIndex = 0;
  std::string FCSS;
  TFacetDBGridColumnButtons FButtons{*this};
  std::string FHTML;
  TFacetDBGridLookup FLookup;
  std::string FColName;

  friend class TFacetDBGridColumns;
  void UpdateColName();
  void FillLookupItems();
  std::string Formatter() const;
};

// The columns of a page data grid, in the order added; each has a display position of its own.
class TFacetDBGridColumns {
public:
  explicit TFacetDBGridColumns(TFacetDBGrid* AFacetDBGrid) : FFacetDBGrid(AFacetDBGrid) {}

  void Clear() { FColumns.clear(); }
  const std::vector<std::unique_ptr<TFacetDBGridColumn>>& GetColumns() const { return FColumns; }
  // A new column at the next display position.
  TFacetDBGridColumn& Add();
  // The last column showing that data field (compared without case); nullptr for none or "".
  TFacetDBGridColumn* ColumnByDataField(const std::string& ADataField) const;
  // The first column showing that data field (compared without case); nullptr for none or "".
  TFacetDBGridColumn* FirstColumnByDataField(const std::string& ADataField) const;
  TFacetDBGridColumn* ColumnByIndex(int AColumnIndex) const;
  // The data fields of the columns that have one, visible or not, by display position: the
  // members of every data object.
  std::vector<std::string> GetColumnsNameToJSON() const;
  // The column name and model entry of each visible column, by display position.
  std::vector<std::pair<std::string, std::string>> ColModelEntries();
  // The entries joined with "," CR LF.
  std::string ColumnsToColModel();
  TFacetDBGrid* FacetDBGrid() const { return FFacetDBGrid; }

private:
  TFacetDBGrid* FFacetDBGrid;
  std::vector<std::unique_ptr<TFacetDBGridColumn>> FColumns;

  friend class TFacetDBGridColumn;
  bool NameTaken(const TFacetDBGridColumn& AColumn, const std::string& AName) const;
  std::vector<TFacetDBGridColumn*> ByIndex() const;
};
