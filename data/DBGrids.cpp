#include "data/DBGrids.h"

#include "runtime/Exceptions.h"

#include <algorithm>

// ---- TColumn ----------------------------------------------------------------------------------

int TColumn::GetIndex() const {
  TDBGridColumns& columns = FGrid->GetColumns();
  for (int i = 0; i < columns.Count(); ++i)
    if (&columns.Items(i) == this)
      return i;
  return -1;
}

TField* TColumn::GetField() const {
  const TDataSet* dataSet = FGrid->GetDataSet();
  return dataSet != nullptr && dataSet->GetActive() && !FFieldName.empty()
             ? dataSet->FindField(FFieldName)
             : nullptr;
}

std::string TColumn::GetTitleCaption() const {
  if (!FTitleCaption.empty())
    return FTitleCaption;
  const TField* field = GetField();
  return field != nullptr ? field->GetDisplayLabel() : FFieldName;
}

// ---- TDBGridColumns ---------------------------------------------------------------------------

TColumn& TDBGridColumns::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("Column index " + std::to_string(index) + " out of range");
  return *FItems[index];
}

TColumn& TDBGridColumns::Add() {
  if (!FCustomized)
    FItems.clear();
  FCustomized = true;
  FItems.push_back(std::make_unique<TColumn>(FGrid));
  return *FItems.back();
}

void TDBGridColumns::Clear() {
  FItems.clear();
  FCustomized = false;
  RebuildDefault(FGrid.GetDataSet());
}

void TDBGridColumns::RebuildDefault(const TDataSet* dataSet) {
  if (FCustomized)
    return;
  FItems.clear();
  if (dataSet == nullptr || !dataSet->GetActive())
    return;
  for (int i = 0; i < dataSet->GetFieldCount(); ++i) {
    const TField& field = dataSet->Fields(i);
    if (!field.GetVisible())
      continue;
    auto column = std::make_unique<TColumn>(FGrid);
    column->SetFieldName(field.GetFieldName());
    FItems.push_back(std::move(column));
  }
}

// ---- TBookmarkList ----------------------------------------------------------------------------

TBookmark TBookmarkList::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("Selected row index " + std::to_string(index) + " out of range");
  return FItems[index];
}

bool TBookmarkList::GetCurrentRowSelected() const {
  const TDataSet* dataSet = FGrid.GetDataSet();
  if (dataSet == nullptr || !dataSet->GetActive())
    return false;
  const TBookmark current = dataSet->GetBookmark();
  return current.IsValid() && std::find(FItems.begin(), FItems.end(), current) != FItems.end();
}

void TBookmarkList::SetCurrentRowSelected(bool selected) {
  const TDataSet* dataSet = FGrid.GetDataSet();
  if (dataSet == nullptr || !dataSet->GetActive())
    return;
  const TBookmark current = dataSet->GetBookmark();
  if (!current.IsValid())
    return;
  const auto found = std::find(FItems.begin(), FItems.end(), current);
  if (selected && found == FItems.end())
    FItems.push_back(current);
  else if (!selected && found != FItems.end())
    FItems.erase(found);
}

void TBookmarkList::Clear() {
  FItems.clear();
}

void TBookmarkList::Refresh() {
  const TDataSet* dataSet = FGrid.GetDataSet();
  std::erase_if(FItems, [&](TBookmark bookmark) {
    return dataSet == nullptr || !dataSet->BookmarkValid(bookmark);
  });
}

// ---- TDBGrid ----------------------------------------------------------------------------------

// Follows the dataset: default columns with its fields, selection emptied when it closes.
class TDBGrid::TGridLink : public TDataLink {
public:
  explicit TGridLink(TDBGrid& grid) : FGrid(grid) {}

protected:
  void ActiveChanged() override {
    if (!GetActive())
      FGrid.FSelectedRows.Clear();
    FGrid.LayoutChanged();
  }
  void LayoutChanged() override { FGrid.LayoutChanged(); }
  void DataSetChanged() override { FGrid.FSelectedRows.Refresh(); }

private:
  TDBGrid& FGrid;
};

const TClassInfo& TDBGrid::StaticClass() {
  static const TClassInfo info = TClassBuilder<TDBGrid>("TDBGrid").Creatable().Build();
  return info;
}

TDBGrid::TDBGrid(TComponent* AOwner)
    : TWinControl(AOwner), FDataLink(std::make_unique<TGridLink>(*this)) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 320, 120);
}

TDBGrid::~TDBGrid() = default;

TDataSource* TDBGrid::GetDataSource() const {
  return FDataLink->GetDataSource();
}

void TDBGrid::SetDataSource(TDataSource* dataSource) {
  FDataLink->SetDataSource(dataSource);
  LayoutChanged();
  Changed("DataSource");
}

TDataSet* TDBGrid::GetDataSet() const {
  return FDataLink->GetDataSet();
}

void TDBGrid::SetOptions(TDBGridOptions options) {
  FOptions = options;
  if (!FOptions.Contains(dgMultiSelect))
    FSelectedRows.Clear();
}

void TDBGrid::LayoutChanged() {
  FColumns.RebuildDefault(GetDataSet());
  if (FSelectedIndex >= FColumns.Count())
    FSelectedIndex = FColumns.Count() - 1;
  if (FSelectedIndex < 0 && FColumns.Count() > 0)
    FSelectedIndex = 0;
}

void TDBGrid::SetSelectedIndex(int index) {
  if (index < 0 || index >= FColumns.Count() || index == FSelectedIndex)
    return;
  if (OnColExit)
    OnColExit(this);
  FSelectedIndex = index;
  if (OnColEnter)
    OnColEnter(this);
}

TField* TDBGrid::GetSelectedField() const {
  return FSelectedIndex >= 0 && FSelectedIndex < FColumns.Count()
             ? FColumns.Items(FSelectedIndex).GetField()
             : nullptr;
}

bool TDBGrid::CanEditCell() const {
  const TField* field = GetSelectedField();
  return FOptions.Contains(dgEditing) && !FOptions.Contains(dgRowSelect) && !FReadOnly &&
         field != nullptr && !FColumns.Items(FSelectedIndex).GetReadOnly() && field->GetCanModify();
}

void TDBGrid::ClickCell(int column, int recNo, TShiftState shift) {
  TDataSet* dataSet = GetDataSet();
  if (dataSet == nullptr || !dataSet->GetActive())
    return;
  if (recNo >= 1 && recNo <= dataSet->GetRecordCount())
    dataSet->SetRecNo(recNo);
  SetSelectedIndex(column);
  if (FOptions.Contains(dgMultiSelect)) {
    if (shift.Contains(TShiftStateItem::ssCtrl)) {
      FSelectedRows.SetCurrentRowSelected(!FSelectedRows.GetCurrentRowSelected());
    } else {
      FSelectedRows.Clear();
      FSelectedRows.SetCurrentRowSelected(true);
    }
  }
  if (OnCellClick)
    OnCellClick(FSelectedIndex >= 0 ? &FColumns.Items(FSelectedIndex) : nullptr);
}

void TDBGrid::EditCell(const std::string& text) {
  if (!CanEditCell() || !FDataLink->Edit())
    return;
  GetSelectedField()->SetText(text);
}

void TDBGrid::KeyDownDefault(Word key, TShiftState) {
  TDataSet* dataSet = GetDataSet();
  if (dataSet == nullptr || !dataSet->GetActive())
    return;
  if (key == VK_DOWN)
    dataSet->Next();
  else if (key == VK_UP)
    dataSet->Prior();
}

bool TDBGrid::WantsKey(Word key) const {
  return key == VK_UP || key == VK_DOWN || TWinControl::WantsKey(key);
}
