// The framework item of data grids: copies the grid adapter's columns, binding, selection and
// procedures into the grid's page control.

#include "render/Duo.Facet.Framework.h"
#include "render/Facet.DBGrid.h"

namespace detail {

namespace {

// Left, right and centre carry over; no alignment and justified keep the page column's own.
void SetAlignment(TDuoColumnsAlignment Alignment, TFacetDBGridColumn& Column) {
  switch (Alignment) {
  case DuoAlignColumnsLeft:
    Column.SetAlignment(FacetAlignLeft);
    break;
  case DuoAlignColumnsRigth:
    Column.SetAlignment(FacetAlignRigth);
    break;
  case DuoAlignColumnsCenter:
    Column.SetAlignment(FacetAlignCenter);
    break;
  case DuoAlignColumnsNone:
  case DuoAlignColumnsJustified:
    break;
  }
}

} // namespace

template <>
void TDuoFacetItem<IDuoFrameworkItemDBGrid, TFacetDBGrid>::ProcessPropertyClass(
    TComponent*, IFacetControl& NewObj) {
  auto& grid = dynamic_cast<TFacetDBGrid&>(NewObj);
  ProcessBaseProperties(*this, grid);
  if (Dataware.DataSource != nullptr)
    grid.SetDataSource(Dataware.DataSource);
  grid.Columns().Clear();
  for (const auto& source : Columns.GetColumns()) {
    TFacetDBGridColumn& column = grid.Columns().Add();
    column.SetDataField(source->DataField);
    column.SetTitle(source->Title);
    column.SetVisible(source->Visible);
    column.SetWidth(source->Width);
    column.SetEditable(source->Editable);
    column.SetDataFieldType(source->DataFieldType);
    column.SetSelectItems(source->SelectItems);
    SetAlignment(source->Alignment, column);
  }
  grid.SetMultiSelect(MultiSelect);
  grid.SetSelectedRowsID(SelectedRowsID);
  if (OnGetSelectedRow)
    grid.SetProcGetSelectedRow(OnGetSelectedRow);
  if (OnSetSelectedRow)
    grid.SetProcSetSelectedRow(OnSetSelectedRow);
  if (ProcEditable)
    grid.SetProcGetEditable(ProcEditable);
}

std::unique_ptr<IDuoFrameworkItemDBGrid> MakeDBGridItem() {
  return std::make_unique<TDuoFacetItem<IDuoFrameworkItemDBGrid, TFacetDBGrid>>();
}

} // namespace detail
