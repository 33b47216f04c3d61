#pragma once

// The presenter of data grids: the grid's columns over its dataset's records, painted from the
// model whenever the data changes, with the current record marked.  Clicks, keys and typing go
// to the grid's model, which moves the dataset and raises the grid's events.  The geometry it
// paints with is public, so that what a row shows and where can be asked.

#include "desktop/QtBackend.h"

#include <QRect>

#include <memory>
#include <string>

class QLineEdit;
class QPainter;
class QScrollBar;
class TDBGrid;
class TDataSet;
enum class TDataEvent;

namespace detail {
class TGridViewLink;
}

class TDBGridPresenter : public TQtPresenter {
public:
  TDBGridPresenter(TQtBackend& backend, TDBGrid& grid);
  ~TDBGridPresenter() override;

  void Sync(const std::string& name) override;
  void Refresh() override;
  void UserClick(int x, int y) override;

  // The first record shown (1-based; 0 with no records) and how many rows fit.
  int TopRecNo() const;
  int RowsShown() const;
  // Where a column's title and a record's cell are painted; empty when not shown.
  QRect TitleRect(int column) const;
  QRect CellRect(int column, int recNo) const;
  // The text painted in a cell.
  std::string CellText(int column, int recNo) const;
  // The editor of the current cell; hidden while no cell is edited.
  QLineEdit& Editor() const;
  QScrollBar& ScrollBar() const { return *FScrollBar; }
  // Scrolls the columns when they are wider than the grid.
  QScrollBar& HorizontalScrollBar() const { return *FHorizontalBar; }

private:
  TDBGrid& FGrid;
  QScrollBar* FScrollBar;
  QScrollBar* FHorizontalBar;
  QLineEdit* FEditor;
  std::unique_ptr<detail::TGridViewLink> FLink;
  int FTop = 0;  // the first record shown, counted from 0
  int FLeft = 0; // pixels the columns are scrolled to the left

  void Link();
  void DataChanged(TDataEvent event);
  TDataSet* OpenDataSet() const;
  int RecordCount() const;
  int IndicatorRight() const;
  int RowHeight() const;
  int TitleHeight() const;
  QRect DataArea() const;
  int ColumnsLeft() const;
  int ColumnLeft(int column) const;
  int ColumnAt(int x) const;
  void Arrange();
  void ScrollTo(int top);
  void ShowCurrent();
  void Paint(QPainter& p);
  void OpenEditor();
  void CommitEditor();
  void CloseEditor();
};
