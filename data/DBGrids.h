#pragma once
// A grid of a dataset's records: one row per record, one column per field shown.  The current
// row is the dataset's current record; choosing a cell moves the dataset.
#include "data/DB.h"
#include "ui/Controls.h"
#include "ui/Graphics.h"
#include "ui/StdCtrls.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TDBGrid;

enum class TDBGridOption {
  dgEditing,
  dgAlwaysShowEditor,
  dgTitles,
  dgIndicator,
  dgColumnResize,
  dgColLines,
  dgRowLines,
  dgTabs,
  dgRowSelect,
  dgAlwaysShowSelection,
  dgConfirmDelete,
  dgCancelOnExit,
  dgMultiSelect
};
using enum TDBGridOption;
using TDBGridOptions = TSet<TDBGridOption>;

// One column of a grid: the field it shows and how.
class TColumn {
public:
  explicit TColumn(TDBGrid& grid) : FGrid(&grid) {}
  TColumn(const TColumn&) = delete;
  TColumn& operator=(const TColumn&) = delete;

  TDBGrid* GetGrid() const { return FGrid; }
  int GetIndex() const;
  const std::string& GetFieldName() const { return FFieldName; }
  void SetFieldName(const std::string& fieldName) { FFieldName = fieldName; }
  // The field of that name in the grid's dataset while it is open; nullptr otherwise.
  TField* GetField() const;
  // The title set for the column, else the field's label, else the field name.
  std::string GetTitleCaption() const;
  void SetTitleCaption(const std::string& caption) { FTitleCaption = caption; }
  int GetWidth() const { return FWidth; }
  void SetWidth(int width) { FWidth = width; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool visible) { FVisible = visible; }
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment alignment) { FAlignment = alignment; }
  // Values offered when the cell is edited.
  TStrings& GetPickList() { return FPickList; }
  const TStrings& GetPickList() const { return FPickList; }
  // The font of the column's cells and of its title.
  TFont& GetFont() { return FFont; }
  const TFont& GetFont() const { return FFont; }
  TFont& GetTitleFont() { return FTitleFont; }
  const TFont& GetTitleFont() const { return FTitleFont; }

private:
  TDBGrid* FGrid;
  std::string FFieldName;
  std::string FTitleCaption;
  int FWidth = 64;
  bool FVisible = true;
  bool FReadOnly = false;
  TAlignment FAlignment = taLeftJustify;
  TStringList FPickList;
  TFont FFont;
  TFont FTitleFont;
};

// The columns of a grid.  Columns added by code are kept as they are; while none are, the grid
// shows one default column per visible field, rebuilt whenever the dataset's fields change.
class TDBGridColumns {
public:
  explicit TDBGridColumns(TDBGrid& grid) : FGrid(grid) {}
  int Count() const { return static_cast<int>(FItems.size()); }
  TColumn& Items(int index) const;
  TColumn& Add();
  void Clear();
  // True once columns were added by code.
  bool GetCustomized() const { return FCustomized; }

private:
  friend class TDBGrid;
  TDBGrid& FGrid;
  std::vector<std::unique_ptr<TColumn>> FItems;
  bool FCustomized = false;
  void RebuildDefault(const TDataSet* dataSet);
};

// The records chosen in a multi-select grid, by bookmark.
class TBookmarkList {
public:
  explicit TBookmarkList(TDBGrid& grid) : FGrid(grid) {}
  int Count() const { return static_cast<int>(FItems.size()); }
  TBookmark Items(int index) const;
  bool GetCurrentRowSelected() const;
  void SetCurrentRowSelected(bool selected);
  void Clear();
  // Drops bookmarks of records the dataset no longer holds.
  void Refresh();

private:
  TDBGrid& FGrid;
  std::vector<TBookmark> FItems;
};

class TDBGrid : public TWinControl {
  DUO_CLASS(TDBGrid, TWinControl)
public:
  explicit TDBGrid(TComponent* AOwner);
  ~TDBGrid() override;

  TDataSource* GetDataSource() const;
  void SetDataSource(TDataSource* dataSource);
  TDataSet* GetDataSet() const;
  TDBGridColumns& GetColumns() { return FColumns; }
  TDBGridOptions GetOptions() const { return FOptions; }
  void SetOptions(TDBGridOptions options);
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
  TBookmarkList& GetSelectedRows() { return FSelectedRows; }
  // The current column; -1 when there is none.
  int GetSelectedIndex() const { return FSelectedIndex; }
  void SetSelectedIndex(int index);
  TField* GetSelectedField() const;
  // Whether the current cell can be edited: editing allowed by the options and the grid, and
  // the column and its field writable.
  bool CanEditCell() const;

  // User input.  Clicking a cell moves the dataset to that record (1-based, as RecNo) and makes
  // the column current (OnColEnter when it changes), then raises OnCellClick; in a multi-select
  // grid a click with Ctrl toggles the record's selection and a plain click selects only it.
  void ClickCell(int column, int recNo, TShiftState shift = {});
  // Typing a value into the current cell: puts the dataset into edit state (AutoEdit) and writes
  // the field; refused silently when the cell cannot be edited.
  void EditCell(const std::string& text);

  // Up and Down move the dataset to the previous and next record.
  void KeyDownDefault(Word key, TShiftState shift) override;
  bool WantsKey(Word key) const override;

  std::function<void(TColumn* Column)> OnCellClick;
  TNotifyEvent OnColEnter;
  TNotifyEvent OnColExit;

private:
  class TGridLink;
  friend class TDBGridColumns;
  friend class TBookmarkList;
  std::unique_ptr<TGridLink> FDataLink;
  TDBGridColumns FColumns{*this};
  TBookmarkList FSelectedRows{*this};
  TDBGridOptions FOptions{dgEditing,  dgTitles, dgIndicator,     dgColumnResize, dgColLines,
                          dgRowLines, dgTabs,   dgConfirmDelete, dgCancelOnExit};
  bool FReadOnly = false;
  int FSelectedIndex = -1;
  void LayoutChanged();
};
