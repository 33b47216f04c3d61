#include "bridge/Duo.UIObj.TDBGrid.h"

#include "bridge/Duo.FieldType.h"
#include "bridge/Duo.Util.h"
#include "runtime/ScopeExit.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace detail;

namespace {

using TRowIDs = std::shared_ptr<std::vector<int>>;

TDuoColumnsAlignment ColumnAlignment(TAlignment Alignment) {
  switch (Alignment) {
  case taRightJustify:
    return DuoAlignColumnsRigth;
  case taCenter:
    return DuoAlignColumnsCenter;
  default:
    return DuoAlignColumnsLeft;
  }
}

void AddColumn(TDuoFrameworkItemDBGridColumns& Columns, const TColumn& Column) {
  TDuoFrameworkItemDBGridColumn& column = Columns.Add();
  column.DataField = Column.GetFieldName();
  if (!column.DataField.empty()) {
    const TField* field = Column.GetField();
    column.DataFieldType =
        field != nullptr ? FacetFieldType(field->GetDataType()) : FacetFieldTypeAuto;
  }
  column.Title = Column.GetTitleCaption();
  column.Visible = Column.GetVisible();
  column.Width = WidthPPI(Column.GetWidth());
  if (!Column.GetReadOnly())
    column.Editable = true;
  column.Alignment = ColumnAlignment(Column.GetAlignment());
  const TStrings& pickList = Column.GetPickList();
  if (pickList.Count() > 0) {
    column.SelectItems["0"] = "--Selecione--";
    for (int i = 0; i < pickList.Count(); ++i)
      column.SelectItems[std::to_string(i + 1)] = pickList[i];
  }
}

// The dataset whose rows the grid selects; nullptr while there is none open.
TDataSet* OpenDataSet(const TDBGrid& Grid) {
  TDataSet* dataSet = Grid.GetDataSet();
  return dataSet != nullptr && dataSet->GetActive() ? dataSet : nullptr;
}

// What a change of a row's selection runs: the first handler the grid has of cell click (with no
// column), column enter and enter.
void RunSelectionHandler(TDBGrid& Grid) {
  if (const auto onCellClick = Grid.OnCellClick)
    onCellClick(nullptr);
  else if (const auto onColEnter = Grid.OnColEnter)
    onColEnter(&Grid);
  else if (const auto onEnter = Grid.OnEnter)
    onEnter(&Grid);
}

void AddRowID(std::vector<int>& IDs, int RecNo) {
  if (std::find(IDs.begin(), IDs.end(), RecNo) == IDs.end())
    IDs.push_back(RecNo);
}

void RemoveRowID(std::vector<int>& IDs, int RecNo) {
  std::erase(IDs, RecNo);
}

// Selects the current row when it is not selected yet, running the selection handler.
void SelectCurrentRow(TDBGrid& Grid) {
  TBookmarkList& rows = Grid.GetSelectedRows();
  if (!rows.GetCurrentRowSelected()) {
    rows.SetCurrentRowSelected(true);
    RunSelectionHandler(Grid);
  }
}

// A row ticked in the browser; a handler that deselects it again takes the tick back.
void CheckRow(TDBGrid& Grid, std::vector<int>& IDs) {
  const TDataSet* dataSet = OpenDataSet(Grid);
  if (dataSet == nullptr)
    return;
  SelectCurrentRow(Grid);
  if (!Grid.GetSelectedRows().GetCurrentRowSelected())
    RemoveRowID(IDs, dataSet->GetRecNo());
}

// A row unticked in the browser; a handler that selects it again puts the tick back.
void UnCheckRow(TDBGrid& Grid, std::vector<int>& IDs) {
  const TDataSet* dataSet = OpenDataSet(Grid);
  if (dataSet == nullptr)
    return;
  TBookmarkList& rows = Grid.GetSelectedRows();
  if (rows.GetCurrentRowSelected()) {
    rows.SetCurrentRowSelected(false);
    RunSelectionHandler(Grid);
  }
  if (rows.GetCurrentRowSelected())
    AddRowID(IDs, dataSet->GetRecNo());
}

// Every row ticked in the browser: selects each record in turn as a tick would.  An error ends
// the walk quietly; the rows selected so far stay selected.
void CheckAllRows(TDBGrid& Grid, std::vector<int>& IDs) {
  TDataSet* dataSet = OpenDataSet(Grid);
  if (dataSet == nullptr)
    return;
  // The dataset's controls do not follow it while it is walked.
  dataSet->DisableControls();
  const TScopeExit enable([dataSet] { dataSet->EnableControls(); });
  try {
    for (dataSet->First(); !dataSet->GetEof(); dataSet->Next()) {
      SelectCurrentRow(Grid);
      if (Grid.GetSelectedRows().GetCurrentRowSelected())
        AddRowID(IDs, dataSet->GetRecNo());
    }
  } catch (const std::exception&) {
  }
}

} // namespace

void TUIObjTDBGrid::ProcessPropertyClass(IFacetControl&) {
  TDBGrid& grid = Control();
  IDuoFrameworkItemDBGrid& item = FrameworkItemClass();
  item.Dataware.DataSource = grid.GetDataSource();
  SetEnabledProcs(item, grid);
  SetVisibleProcs(item, grid);
  item.ProcEditable = [&grid] { return Variant(grid.GetOptions().Contains(dgEditing)); };
  item.MultiSelect = grid.GetOptions().Contains(dgMultiSelect);
  item.Columns.Clear();
  TDBGridColumns& columns = grid.GetColumns();
  for (int i = 0; i < columns.Count(); ++i)
    AddColumn(item.Columns, columns.Items(i));
}

void TUIObjTDBGrid::ProcessEventClass() {
  TDBGrid& grid = Control();
  IDuoFrameworkItemDBGrid& item = FrameworkItemClass();
  const TRowIDs ids = item.SelectedRowsID;
  item.OnSelect = [](TStrings*) {};
  item.OnCheck = [&grid, ids](TStrings*) { CheckRow(grid, *ids); };
  item.OnUnCheck = [&grid, ids](TStrings*) { UnCheckRow(grid, *ids); };
  item.OnDblClick = [&grid](TStrings*) {
    if (const auto onDblClick = grid.OnDblClick)
      onDblClick(&grid);
  };
  item.OnSelectAll = [&grid, ids](TStrings*) { CheckAllRows(grid, *ids); };
  item.OnUnselectAll = [&grid](TStrings*) { grid.GetSelectedRows().Clear(); };
}
