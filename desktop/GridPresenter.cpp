#include "desktop/GridPresenter.h"

#include "data/DBGrids.h"
#include "desktop/Presenters.h"
#include "desktop/QtConvert.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr int IndicatorWidth = 11;
constexpr int CellPadding = 2;
constexpr int WheelRows = 3;
const QColor LineColor(0xD0, 0xD0, 0xD0);
const QColor FrameColor(0x82, 0x87, 0x90);

// The grid's widget: painted by the presenter; the wheel scrolls its rows.
class TGridWidget : public QWidget {
public:
  using QWidget::QWidget;
  std::function<void(QPainter&)> OnPaint;
  std::function<void(int rows)> OnWheel;
  std::function<void()> OnResize;

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    OnPaint(painter);
  }
  void wheelEvent(QWheelEvent* event) override {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0)
      OnWheel(-steps * WheelRows);
    event->accept();
  }
  void resizeEvent(QResizeEvent*) override { OnResize(); }
};

// The editor of one cell: Enter writes the text, Escape drops it.
class TCellEditor : public QLineEdit {
public:
  using QLineEdit::QLineEdit;
  std::function<void()> OnCancel;

protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape) {
      OnCancel();
      return;
    }
    QLineEdit::keyPressEvent(event);
  }
};

void PaintText(QPainter& p, const QRect& cell, const TFont& font, const std::string& text,
               TAlignment alignment) {
  p.save();
  p.setClipRect(cell, Qt::IntersectClip);
  p.setFont(QtFont(font));
  p.setPen(QtColor(font.GetColor()));
  Qt::Alignment horizontal = Qt::AlignLeft;
  if (alignment == taRightJustify)
    horizontal = Qt::AlignRight;
  else if (alignment == taCenter)
    horizontal = Qt::AlignHCenter;
  p.drawText(cell.adjusted(CellPadding, 0, -CellPadding, 0), horizontal | Qt::AlignVCenter,
             QString::fromStdString(text));
  p.restore();
}

// The mark of the current row: an arrow while browsing, a bar while editing, a star while a new
// record is being made.
void PaintIndicator(QPainter& p, const QRect& cell, TDataSetState state) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::black);
  p.setBrush(Qt::black);
  const QPoint c = cell.center();
  if (state == TDataSetState::dsEdit) {
    p.drawLine(c.x(), c.y() - 4, c.x(), c.y() + 4);
  } else if (state == TDataSetState::dsInsert) {
    p.drawText(cell, Qt::AlignCenter, "*");
  } else {
    const QPoint arrow[] = {{c.x() - 2, c.y() - 4}, {c.x() + 2, c.y()}, {c.x() - 2, c.y() + 4}};
    p.drawPolygon(arrow, 3);
  }
  p.restore();
}

} // namespace

// Tells the presenter of every change of the dataset: records, current record, fields, state.
class detail::TGridViewLink : public TDataLink {
public:
  std::function<void(TDataEvent)> OnChange;

protected:
  void DataEvent(TDataEvent event, TField* field) override {
    TDataLink::DataEvent(event, field);
    OnChange(event);
  }
  void ActiveChanged() override { OnChange(TDataEvent::deLayoutChange); }
};

TDBGridPresenter::TDBGridPresenter(TQtBackend& backend, TDBGrid& grid)
    : TQtPresenter(backend, grid, new TGridWidget), FGrid(grid),
      FScrollBar(new QScrollBar(Qt::Vertical, Widget())),
      FHorizontalBar(new QScrollBar(Qt::Horizontal, Widget())), FEditor(new TCellEditor(Widget())),
      FLink(std::make_unique<detail::TGridViewLink>()) {
  auto& view = static_cast<TGridWidget&>(*Widget());
  view.OnPaint = [this](QPainter& p) { Paint(p); };
  view.OnWheel = [this](int rows) { ScrollTo(FTop + rows); };
  view.OnResize = [this] { Arrange(); };
  FScrollBar->setFocusPolicy(Qt::NoFocus);
  FScrollBar->hide();
  QObject::connect(FScrollBar, &QScrollBar::valueChanged, Widget(), [this](int value) {
    FTop = value;
    Widget()->update();
  });
  FHorizontalBar->setFocusPolicy(Qt::NoFocus);
  FHorizontalBar->hide();
  QObject::connect(FHorizontalBar, &QScrollBar::valueChanged, Widget(), [this](int value) {
    FLeft = value;
    FEditor->hide();
    Widget()->update();
  });
  auto* editor = static_cast<TCellEditor*>(FEditor);
  editor->hide();
  editor->setFrame(false);
  editor->OnCancel = [this] { CloseEditor(); };
  QObject::connect(editor, &QLineEdit::returnPressed, Widget(), [this] { CommitEditor(); });
  QObject::connect(editor, &QLineEdit::editingFinished, Widget(), [this] {
    if (FEditor->isVisible())
      CommitEditor();
  });
  FLink->OnChange = [this](TDataEvent event) { DataChanged(event); };
}

TDBGridPresenter::~TDBGridPresenter() = default;

void TDBGridPresenter::Sync(const std::string& name) {
  TQtPresenter::Sync(name);
  if (Reads(name, "DataSource"))
    Link();
  Arrange();
  Widget()->update();
}

// Columns, widths and fonts change without telling: they are read again after input.
void TDBGridPresenter::Refresh() {
  Link();
  Arrange();
  Widget()->update();
}

void TDBGridPresenter::UserClick(int x, int y) {
  const QRect area = DataArea();
  if (y < area.top() || y > area.bottom() || x > area.right())
    return;
  const int recNo = FTop + (y - area.top()) / RowHeight() + 1;
  if (recNo > RecordCount())
    return;
  const int hit = ColumnAt(x);
  const TDataSet* dataSet = OpenDataSet();
  const bool onCurrentCell = recNo == dataSet->GetRecNo() && hit == FGrid.GetSelectedIndex();
  const int column = hit >= 0 ? hit : FGrid.GetSelectedIndex();
  const TShiftState shift = ShiftOf(QApplication::keyboardModifiers(), Qt::NoButton);
  FGrid.GetApplication().RunUserAction([&] { FGrid.ClickCell(column, recNo, shift); });
  // A second click on the current cell of a grid that allows editing opens the cell's editor.
  if (onCurrentCell && FGrid.CanEditCell())
    OpenEditor();
}

void TDBGridPresenter::Link() {
  if (FLink->GetDataSource() == FGrid.GetDataSource())
    return;
  FLink->SetDataSource(FGrid.GetDataSource());
  DataChanged(TDataEvent::deDataSetChange);
}

void TDBGridPresenter::DataChanged(TDataEvent event) {
  if (event == TDataEvent::deDataSetScroll || event == TDataEvent::deDataSetChange ||
      event == TDataEvent::deLayoutChange) {
    // The record or the records under an open editor went: what it held is dropped.
    FEditor->hide();
    Arrange();
    ShowCurrent();
  }
  Widget()->update();
}

// ---- Geometry -----------------------------------------------------------------------------

TDataSet* TDBGridPresenter::OpenDataSet() const {
  TDataSet* dataSet = FGrid.GetDataSet();
  return dataSet != nullptr && dataSet->GetActive() ? dataSet : nullptr;
}

int TDBGridPresenter::RecordCount() const {
  const TDataSet* dataSet = OpenDataSet();
  return dataSet != nullptr ? dataSet->GetRecordCount() : 0;
}

int TDBGridPresenter::IndicatorRight() const {
  return FGrid.GetOptions().Contains(dgIndicator) ? IndicatorWidth + 1 : 0;
}

// Rows are as high as the tallest font of the cells (or of the titles) needs.
int TDBGridPresenter::RowHeight() const {
  int height = QFontMetrics(QtFont(FGrid.GetFont())).height();
  TDBGridColumns& columns = FGrid.GetColumns();
  for (int i = 0; i < columns.Count(); ++i)
    if (columns.Items(i).GetVisible())
      height = std::max(height, QFontMetrics(QtFont(columns.Items(i).GetFont())).height());
  return height + 4;
}

int TDBGridPresenter::TitleHeight() const {
  if (!FGrid.GetOptions().Contains(dgTitles))
    return 0;
  int height = QFontMetrics(QtFont(FGrid.GetFont())).height();
  TDBGridColumns& columns = FGrid.GetColumns();
  for (int i = 0; i < columns.Count(); ++i)
    if (columns.Items(i).GetVisible())
      height = std::max(height, QFontMetrics(QtFont(columns.Items(i).GetTitleFont())).height());
  return height + 5;
}

// The rows' area: inside the frame, below the titles, left of the scroll bar.
QRect TDBGridPresenter::DataArea() const {
  const int right = FScrollBar->isHidden() ? Widget()->width() - 2 : FScrollBar->x() - 1;
  const int bottom = FHorizontalBar->isHidden() ? Widget()->height() - 2 : FHorizontalBar->y() - 1;
  return QRect(QPoint(1, TitleHeight() + 1), QPoint(right, bottom));
}

int TDBGridPresenter::RowsShown() const {
  return std::max(1, DataArea().height() / RowHeight());
}

int TDBGridPresenter::TopRecNo() const {
  return RecordCount() > 0 ? FTop + 1 : 0;
}

// Where the columns start: right of the indicator, which stays when they scroll.
int TDBGridPresenter::ColumnsLeft() const {
  return 1 + IndicatorRight();
}

// Columns follow each other from the indicator on, one line apart; hidden ones take no room.
int TDBGridPresenter::ColumnLeft(int column) const {
  int x = ColumnsLeft() - FLeft;
  TDBGridColumns& columns = FGrid.GetColumns();
  for (int i = 0; i < column; ++i)
    if (columns.Items(i).GetVisible())
      x += columns.Items(i).GetWidth() + 1;
  return x;
}

int TDBGridPresenter::ColumnAt(int x) const {
  if (x < ColumnsLeft())
    return -1;
  TDBGridColumns& columns = FGrid.GetColumns();
  for (int i = 0; i < columns.Count(); ++i) {
    const int left = ColumnLeft(i);
    if (columns.Items(i).GetVisible() && x >= left && x <= left + columns.Items(i).GetWidth())
      return i;
  }
  return -1;
}

QRect TDBGridPresenter::TitleRect(int column) const {
  TDBGridColumns& columns = FGrid.GetColumns();
  if (TitleHeight() == 0 || column < 0 || column >= columns.Count() ||
      !columns.Items(column).GetVisible())
    return {};
  const QRect title(ColumnLeft(column), 1, columns.Items(column).GetWidth(), TitleHeight() - 1);
  return title.right() < ColumnsLeft() || title.left() > DataArea().right() ? QRect() : title;
}

QRect TDBGridPresenter::CellRect(int column, int recNo) const {
  TDBGridColumns& columns = FGrid.GetColumns();
  const int row = recNo - 1 - FTop;
  if (column < 0 || column >= columns.Count() || !columns.Items(column).GetVisible() || recNo < 1 ||
      recNo > RecordCount() || row < 0 || row > RowsShown())
    return {};
  const QRect cell(ColumnLeft(column), DataArea().top() + row * RowHeight(),
                   columns.Items(column).GetWidth(), RowHeight() - 1);
  return cell.right() < ColumnsLeft() || cell.left() > DataArea().right() ? QRect() : cell;
}

std::string TDBGridPresenter::CellText(int column, int recNo) const {
  const TDataSet* dataSet = OpenDataSet();
  const TField* field = column >= 0 && column < FGrid.GetColumns().Count()
                            ? FGrid.GetColumns().Items(column).GetField()
                            : nullptr;
  if (dataSet == nullptr || field == nullptr || recNo < 1 || recNo > dataSet->GetRecordCount())
    return {};
  return dataSet->DisplayTextAt(recNo, *field);
}

QLineEdit& TDBGridPresenter::Editor() const {
  return *FEditor;
}

// The scroll bar shows while there are more records than rows fit.
void TDBGridPresenter::Arrange() {
  QWidget& w = *Widget();
  const int barWidth = FScrollBar->sizeHint().width();
  const int barHeight = FHorizontalBar->sizeHint().height();
  const int count = RecordCount();
  const int columnsWidth = ColumnLeft(FGrid.GetColumns().Count()) + FLeft - ColumnsLeft();
  const int roomWidth = w.width() - 1 - ColumnsLeft();
  const int roomHeight = w.height() - 2 - TitleHeight();
  // Each bar takes room from the other's direction.
  bool horizontal = columnsWidth > roomWidth;
  const bool vertical = count * RowHeight() > roomHeight - (horizontal ? barHeight : 0);
  if (vertical && !horizontal)
    horizontal = columnsWidth > roomWidth - barWidth;
  FScrollBar->setGeometry(w.width() - 1 - barWidth, 1, barWidth,
                          w.height() - 2 - (horizontal ? barHeight : 0));
  FHorizontalBar->setGeometry(1, w.height() - 1 - barHeight,
                              w.width() - 2 - (vertical ? barWidth : 0), barHeight);
  FScrollBar->setVisible(vertical);
  FHorizontalBar->setVisible(horizontal);
  {
    const QSignalBlocker blocker(FScrollBar);
    FScrollBar->setRange(0, std::max(0, count - RowsShown()));
    FScrollBar->setPageStep(RowsShown());
    FTop = std::clamp(FTop, 0, FScrollBar->maximum());
    FScrollBar->setValue(FTop);
  }
  const QSignalBlocker blocker(FHorizontalBar);
  const int shown = DataArea().right() - ColumnsLeft() + 1;
  FHorizontalBar->setRange(0, std::max(0, columnsWidth - shown));
  FHorizontalBar->setPageStep(std::max(1, shown));
  FHorizontalBar->setSingleStep(RowHeight());
  FLeft = std::clamp(FLeft, 0, FHorizontalBar->maximum());
  FHorizontalBar->setValue(FLeft);
}

void TDBGridPresenter::ScrollTo(int top) {
  FTop = std::clamp(top, 0, FScrollBar->maximum());
  const QSignalBlocker blocker(FScrollBar);
  FScrollBar->setValue(FTop);
  Widget()->update();
}

// Keeps the current record among the rows shown.
void TDBGridPresenter::ShowCurrent() {
  const TDataSet* dataSet = OpenDataSet();
  if (dataSet == nullptr || dataSet->GetRecNo() == 0)
    return;
  const int current = dataSet->GetRecNo() - 1;
  if (current < FTop)
    ScrollTo(current);
  else if (current >= FTop + RowsShown())
    ScrollTo(current - RowsShown() + 1);
}

// ---- Painting -----------------------------------------------------------------------------

void TDBGridPresenter::Paint(QPainter& p) {
  QWidget& w = *Widget();
  p.fillRect(w.rect(), QtColor(FGrid.GetColor()));
  const QRect area = DataArea();
  const int titleHeight = TitleHeight();
  TDBGridColumns& columns = FGrid.GetColumns();
  const TDBGridOptions options = FGrid.GetOptions();
  TDataSet* dataSet = OpenDataSet();
  const int current = dataSet != nullptr ? dataSet->GetRecNo() : 0;
  const bool showSelection = FGrid.Focused() || options.Contains(dgAlwaysShowSelection);
  const int right = std::min(ColumnLeft(columns.Count()) - 1, area.right());
  const int last = std::min(RecordCount(), FTop + RowsShown() + 1);
  const int bottom = std::max(titleHeight, area.top() + (last - FTop) * RowHeight() - 1);

  // The fixed parts: the titles' band and the indicator with the current row's mark.
  if (titleHeight > 0)
    p.fillRect(QRect(1, 1, area.right(), titleHeight), QtColor(clBtnFace));
  if (options.Contains(dgIndicator)) {
    p.fillRect(QRect(1, 1, IndicatorWidth, area.bottom()), QtColor(clBtnFace));
    if (current > FTop && current <= last)
      PaintIndicator(p,
                     QRect(1, area.top() + (current - 1 - FTop) * RowHeight(), IndicatorWidth,
                           RowHeight() - 1),
                     dataSet->GetState());
  }

  // The columns, scrolled under the indicator.
  p.setClipRect(QRect(ColumnsLeft(), 0, area.right() - ColumnsLeft() + 1, w.height()));
  for (int i = 0; i < columns.Count(); ++i)
    if (const QRect cell = TitleRect(i); !cell.isEmpty())
      PaintText(p, cell, columns.Items(i).GetTitleFont(), columns.Items(i).GetTitleCaption(),
                columns.Items(i).GetAlignment());
  for (int recNo = FTop + 1; recNo <= last; ++recNo)
    for (int i = 0; i < columns.Count(); ++i) {
      const QRect cell = CellRect(i, recNo);
      if (cell.isEmpty())
        continue;
      const bool selected = recNo == current && showSelection &&
                            (options.Contains(dgRowSelect) || i == FGrid.GetSelectedIndex());
      TFont font = columns.Items(i).GetFont();
      if (selected) {
        p.fillRect(cell, QtColor(clHighlight));
        font.SetColor(clWhite);
      }
      PaintText(p, cell, font, CellText(i, recNo), columns.Items(i).GetAlignment());
    }
  p.setPen(LineColor);
  if (options.Contains(dgColLines))
    for (int i = 0; i < columns.Count(); ++i)
      if (columns.Items(i).GetVisible()) {
        const int x = ColumnLeft(i) + columns.Items(i).GetWidth();
        p.drawLine(x, 1, x, bottom);
      }
  p.setClipping(false);

  if (options.Contains(dgColLines) && options.Contains(dgIndicator))
    p.drawLine(IndicatorWidth + 1, 1, IndicatorWidth + 1, bottom);
  if (options.Contains(dgRowLines))
    for (int recNo = FTop + 1; recNo <= last; ++recNo) {
      const int y = area.top() + (recNo - FTop) * RowHeight() - 1;
      p.drawLine(1, y, right, y);
    }
  if (titleHeight > 0)
    p.drawLine(1, titleHeight, right, titleHeight);
  p.setPen(FrameColor);
  p.drawRect(w.rect().adjusted(0, 0, -1, -1));
}

// ---- Editing ------------------------------------------------------------------------------

void TDBGridPresenter::OpenEditor() {
  const TDataSet* dataSet = OpenDataSet();
  const TField* field = FGrid.GetSelectedField();
  if (dataSet == nullptr || field == nullptr)
    return;
  const TColumn& column = FGrid.GetColumns().Items(FGrid.GetSelectedIndex());
  FEditor->setGeometry(CellRect(FGrid.GetSelectedIndex(), dataSet->GetRecNo()));
  FEditor->setFont(QtFont(column.GetFont()));
  FEditor->setText(QString::fromStdString(field->GetText()));
  FEditor->selectAll();
  FEditor->show();
  FEditor->setFocus();
}

void TDBGridPresenter::CommitEditor() {
  const std::string text = FEditor->text().toStdString();
  CloseEditor();
  const TField* field = FGrid.GetSelectedField();
  if (field == nullptr || field->GetText() == text)
    return;
  FGrid.GetApplication().RunUserAction([&] { FGrid.EditCell(text); });
  Backend().RefreshAll();
}

void TDBGridPresenter::CloseEditor() {
  FEditor->hide();
  Widget()->setFocus();
  Widget()->update();
}

void RegisterDataPresenters() {
  static const bool registered = [] {
    RegisterPresenter(TDBGrid::StaticClass(), [](TQtBackend& backend, TControl& control) {
      return std::unique_ptr<TQtPresenter>(
          new TDBGridPresenter(backend, static_cast<TDBGrid&>(control)));
    });
    return true;
  }();
  (void)registered;
}
