// A data grid on a real window over a fresh embedded database, driven through Qt's input
// events: what the grid paints (titles, widths, cells, the current row) and how clicks, keys,
// the wheel and typing reach the grid's model and its dataset.

#include "QtTest.h"

#include "data/DBGrids.h"
#include "data/TestDatabase.h"
#include "desktop/GridPresenter.h"
#include "ui/StdCtrls.h"

#include <QLineEdit>
#include <QScrollBar>

namespace {

const QColor Highlight(0x00, 0x78, 0xD7);

class GridWindow : public QtTest {
protected:
  GridWindow() {
    Connection = new TConnection(&Owner);
    Connection->SetName("conBD");
    testdb::SetEmbeddedParams(*Connection, Folder.Path() / "test.fdb");
    Connection->CreateDatabase(testdb::DatabaseScripts(), TForcedWrites::fwOff);
    Form = new TForm(&App);
    Form->SetName("fGrid");
    Form->SetClientWidth(420);
    Form->SetClientHeight(260);
    Grid = new TDBGrid(Form);
    Grid->SetName("DBGrid1");
    Grid->SetParent(Form);
    Grid->SetBounds(10, 10, 400, 240);
    Grid->OnColEnter = Note("ColEnter");
    Grid->OnCellClick = [this](TColumn* column) {
      Log.push_back("CellClick " + column->GetFieldName());
    };
    Grid->OnDblClick = Note("DblClick");
  }

  // The grid over a query of the statuses: a right-aligned, formatted code, the name with a bold
  // title, and a hidden colour.
  void ShowStatuses() {
    Query = Open("qrySituacao", "SELECT SIT.ID_SITUACAO, SIT.NOME_SITUACAO, SIT.COR_SITUACAO FROM "
                                "SITUACAO SIT ORDER BY SIT.ID_SITUACAO");
    Query->FieldByName("ID_SITUACAO").SetDisplayFormat("000");
    Query->AfterScroll = Note("AfterScroll");
    TColumn& code = Grid->GetColumns().Add();
    code.SetFieldName("ID_SITUACAO");
    code.SetTitleCaption("Código");
    code.SetWidth(60);
    code.SetAlignment(taRightJustify);
    TColumn& name = Grid->GetColumns().Add();
    name.SetFieldName("NOME_SITUACAO");
    name.SetWidth(180);
    name.GetTitleFont().SetStyle({fsBold});
    TColumn& colour = Grid->GetColumns().Add();
    colour.SetFieldName("COR_SITUACAO");
    colour.SetVisible(false);
    Grid->SetDataSource(Source);
    ShowAndWait(*Form);
  }

  TQuery* Open(const std::string& name, const std::string& sql) {
    auto* query = new TQuery(&Owner);
    query->SetName(name);
    query->SetConnection(Connection);
    query->GetSQL().SetText(sql);
    Source = new TDataSource(&Owner);
    Source->SetDataSet(query);
    query->Open();
    return query;
  }

  TDBGridPresenter& View() const {
    auto* presenter = dynamic_cast<TDBGridPresenter*>(Backend().PresenterOf(*Grid));
    EXPECT_NE(presenter, nullptr);
    return *presenter;
  }

  void ClickCell(int column, int recNo, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(W(*Grid), Qt::LeftButton, modifiers, View().CellRect(column, recNo).center());
    Settle();
  }

  // The colour painted just inside a cell's top left corner.
  QColor Painted(int column, int recNo) const {
    const QImage image = W(*Grid)->grab().toImage();
    return image.pixelColor(View().CellRect(column, recNo).topLeft() + QPoint(1, 1));
  }

  testdb::TTempFolder Folder;
  TComponent Owner{nullptr};
  TConnection* Connection = nullptr;
  TDataSource* Source = nullptr;
  TQuery* Query = nullptr;
  TForm* Form = nullptr;
  TDBGrid* Grid = nullptr;
};

} // namespace

TEST_F(GridWindow, ShowsTitlesWidthsAndTheRecordsDisplayTexts) {
  ShowStatuses();
  TDBGridPresenter& view = View();
  EXPECT_EQ(view.TitleRect(0).width(), 60);
  EXPECT_EQ(view.TitleRect(1).width(), 180);
  // One grid line between columns; the hidden column takes no room.
  EXPECT_EQ(view.TitleRect(1).left(), view.TitleRect(0).right() + 2);
  EXPECT_TRUE(view.TitleRect(2).isEmpty());
  EXPECT_TRUE(view.CellRect(2, 1).isEmpty());
  EXPECT_EQ(view.CellRect(1, 2).top(), view.CellRect(1, 1).bottom() + 2);

  const std::vector<std::pair<int, std::string>> names = {
      {1, "Aberta"}, {3, "Em Andamento"}, {6, "Cancelada"}};
  for (const auto& [recNo, name] : names) {
    EXPECT_EQ(view.CellText(0, recNo), "00" + std::to_string(recNo));
    EXPECT_EQ(view.CellText(1, recNo), name);
  }
  EXPECT_EQ(view.TopRecNo(), 1);
  EXPECT_FALSE(view.ScrollBar().isVisible());
  // Cells on the window colour, titles on the button face.
  EXPECT_EQ(Painted(1, 2), QColor(Qt::white));
  const QImage image = W(*Grid)->grab().toImage();
  EXPECT_EQ(image.pixelColor(view.TitleRect(1).topLeft() + QPoint(1, 1)), QColor(0xF0, 0xF0, 0xF0));
  // Painting read the rows without moving the dataset.
  EXPECT_EQ(Query->GetRecNo(), 1);
  EXPECT_TRUE(Log.empty());
  Screenshot(*W(*Grid), "grid-statuses");
}

TEST_F(GridWindow, ClickingACellMovesTheRecordAndRaisesOneCellClick) {
  ShowStatuses();
  ClickCell(1, 4);
  EXPECT_EQ(Query->GetRecNo(), 4);
  EXPECT_EQ(Grid->GetSelectedIndex(), 1);
  EXPECT_EQ(Log, (std::vector<std::string>{"AfterScroll", "ColEnter", "CellClick NOME_SITUACAO"}));
  // The focused grid shows its current cell highlighted, and only that one.
  EXPECT_EQ(Painted(1, 4), Highlight);
  EXPECT_NE(Painted(0, 4), Highlight);
  EXPECT_NE(Painted(1, 1), Highlight);

  // Below the last row and on the titles nothing happens.
  Log.clear();
  QTest::mouseClick(W(*Grid), Qt::LeftButton, {}, QPoint(100, 230));
  QTest::mouseClick(W(*Grid), Qt::LeftButton, {}, View().TitleRect(0).center());
  Settle();
  EXPECT_EQ(Query->GetRecNo(), 4);
  EXPECT_TRUE(Log.empty());

  // A double click as Qt delivers it: a click, then the second press as a double click.
  QTest::mouseClick(W(*Grid), Qt::LeftButton, {}, View().CellRect(0, 2).center());
  QTest::mouseDClick(W(*Grid), Qt::LeftButton, {}, View().CellRect(0, 2).center());
  Settle();
  EXPECT_EQ(Query->GetRecNo(), 2);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "DblClick"), 1);
}

TEST_F(GridWindow, FollowsFiltersScrollsClosingAndChangesMadeByCode) {
  ShowStatuses();
  TDBGridPresenter& view = View();
  Query->SetFilter("ID_SITUACAO >= 4");
  Query->SetFiltered(true);
  Settle();
  EXPECT_EQ(view.CellText(1, 1), "Aguardando Cidadão");
  EXPECT_EQ(view.CellText(1, 3), "Cancelada");
  EXPECT_TRUE(view.CellRect(1, 4).isEmpty());

  ClickCell(1, 2);
  EXPECT_EQ(Query->FieldByName("NOME_SITUACAO").GetAsString(), "Concluída");
  Query->SetFiltered(false);
  Query->Last();
  Settle();
  EXPECT_EQ(Painted(1, 6), Highlight);
  EXPECT_NE(Painted(1, 5), Highlight);

  // A record changed by code shows its new text at once.
  Query->Edit();
  Query->FieldByName("NOME_SITUACAO").SetAsString("Anulada");
  Settle();
  EXPECT_EQ(view.CellText(1, 6), "Anulada");
  Query->Cancel();

  Query->Close();
  Settle();
  EXPECT_EQ(view.TopRecNo(), 0);
  EXPECT_TRUE(view.CellRect(1, 1).isEmpty());
  Query->Open();
  Settle();
  EXPECT_EQ(view.CellText(1, 6), "Cancelada");
}

TEST_F(GridWindow, UpAndDownKeysMoveTheRecordAndTheRowsFollow) {
  Grid->SetBounds(10, 10, 400, 120);
  Query = Open("qrySolicitacao", "SELECT SOL.ID_SOLICITACAO, SOL.SOLICITACAO FROM SOLICITACAO SOL "
                                 "ORDER BY SOL.ID_SOLICITACAO");
  Grid->SetDataSource(Source);
  ShowAndWait(*Form);
  TDBGridPresenter& view = View();
  ASSERT_TRUE(view.ScrollBar().isVisible());
  const int shown = view.RowsShown();
  ASSERT_LT(shown, 60);

  ClickCell(1, 1);
  QTest::keyClick(W(*Grid), Qt::Key_Down);
  QTest::keyClick(W(*Grid), Qt::Key_Down);
  EXPECT_EQ(Query->GetRecNo(), 3);
  QTest::keyClick(W(*Grid), Qt::Key_Up);
  EXPECT_EQ(Query->GetRecNo(), 2);

  // Moving past the last row shown scrolls the rows.
  for (int i = 0; i < shown; ++i)
    QTest::keyClick(W(*Grid), Qt::Key_Down);
  EXPECT_EQ(Query->GetRecNo(), shown + 2);
  EXPECT_EQ(view.TopRecNo(), 3);
  Settle();
  EXPECT_EQ(Painted(1, shown + 2), Highlight);

  // The wheel and the scroll bar scroll the rows and leave the record alone.
  QWheelEvent wheel(QPointF(50, 50), W(*Grid)->mapToGlobal(QPointF(50, 50)), {}, QPoint(0, -120),
                    Qt::NoButton, {}, Qt::NoScrollPhase, false);
  QApplication::sendEvent(W(*Grid), &wheel);
  EXPECT_EQ(view.TopRecNo(), 6);
  view.ScrollBar().setValue(view.ScrollBar().maximum());
  EXPECT_EQ(view.TopRecNo(), 60 - shown + 1);
  EXPECT_EQ(view.CellText(0, 60), Query->DisplayTextAt(60, Query->Fields(0)));
  EXPECT_EQ(Query->GetRecNo(), shown + 2);

  Query->First();
  EXPECT_EQ(view.TopRecNo(), 1);
}

TEST_F(GridWindow, ASecondClickOnTheCurrentCellEditsItWhenTheGridAllowsIt) {
  ShowStatuses();
  ClickCell(1, 3);
  EXPECT_FALSE(View().Editor().isVisible());
  ClickCell(1, 3);
  QLineEdit& editor = View().Editor();
  ASSERT_TRUE(editor.isVisible());
  EXPECT_EQ(editor.text().toStdString(), "Em Andamento");
  QTest::keyClicks(&editor, "Em Espera");
  QTest::keyClick(&editor, Qt::Key_Return);
  Settle();
  EXPECT_FALSE(editor.isVisible());
  EXPECT_EQ(Query->GetState(), TDataSetState::dsEdit);
  EXPECT_EQ(View().CellText(1, 3), "Em Espera");
  Query->Post();

  // Escape leaves the value; a read-only grid opens no editor.
  ClickCell(1, 3);
  QTest::keyClicks(&editor, "Outra");
  QTest::keyClick(&editor, Qt::Key_Escape);
  EXPECT_FALSE(editor.isVisible());
  EXPECT_EQ(Query->GetState(), TDataSetState::dsBrowse);
  Grid->SetReadOnly(true);
  ClickCell(1, 3);
  EXPECT_FALSE(editor.isVisible());
  EXPECT_EQ(Query->FieldByName("NOME_SITUACAO").GetAsString(), "Em Espera");
}

TEST_F(GridWindow, TheCurrentRowIsMarkedAsTheOptionsAndTheFocusSay) {
  auto* other = new TEdit(Form);
  other->SetName("edtOutro");
  other->SetParent(Form);
  other->SetBounds(10, 230, 100, 23);
  Grid->SetHeight(200);
  ShowStatuses();
  ClickCell(1, 2);
  ASSERT_TRUE(Grid->Focused());

  struct Case {
    TDBGridOptions Added;
    bool Focused;
    bool CodeMarked, NameMarked;
  };
  const Case cases[] = {
      {{}, true, false, true},
      {{dgRowSelect}, true, true, true},
      {{}, false, false, false},
      {{dgAlwaysShowSelection}, false, false, true},
      {{dgRowSelect, dgAlwaysShowSelection}, false, true, true},
  };
  const TDBGridOptions plain = Grid->GetOptions();
  for (const Case& c : cases) {
    Grid->SetOptions(plain + c.Added);
    if (c.Focused)
      Grid->SetFocus();
    else
      other->SetFocus();
    Settle();
    SCOPED_TRACE(std::string(c.Focused ? "focused" : "not focused") + " with " +
                 std::to_string(c.Added.Contains(dgRowSelect)) +
                 std::to_string(c.Added.Contains(dgAlwaysShowSelection)));
    EXPECT_EQ(Painted(0, 2) == Highlight, c.CodeMarked);
    EXPECT_EQ(Painted(1, 2) == Highlight, c.NameMarked);
    EXPECT_NE(Painted(1, 1), Highlight);
  }
}

TEST_F(GridWindow, ADataSourceSetByCodeIsShown) {
  ShowStatuses();
  TDataSource* statuses = Source;
  Open("qryTipo", "SELECT TS.NOME_TIPO FROM TIPO_SOLICITACAO TS ORDER BY TS.NOME_TIPO");
  Grid->GetColumns().Clear();
  Grid->SetDataSource(Source);
  Settle();
  EXPECT_EQ(View().TitleRect(0).width(), 64);
  EXPECT_EQ(View().CellText(0, 1), "Denúncia");
  Grid->SetDataSource(statuses);
  Settle();
  // Default columns now: one per field of the statuses.
  EXPECT_EQ(View().CellText(0, 1), "001");
  EXPECT_EQ(View().CellText(1, 1), "Aberta");
  Grid->SetDataSource(nullptr);
  Settle();
  EXPECT_EQ(View().TopRecNo(), 0);
}

TEST_F(GridWindow, ColumnsWiderThanTheGridScrollSidewaysUnderTheIndicator) {
  Grid->SetWidth(150);
  ShowStatuses();
  TDBGridPresenter& view = View();
  QScrollBar& bar = view.HorizontalScrollBar();
  ASSERT_TRUE(bar.isVisible());
  EXPECT_FALSE(view.ScrollBar().isVisible());
  const int nameLeft = view.TitleRect(1).left();

  bar.setValue(bar.maximum());
  Settle();
  // The code column went out of sight; the name column's end is at the grid's right edge.
  EXPECT_TRUE(view.TitleRect(0).isEmpty());
  EXPECT_EQ(view.TitleRect(1).left(), nameLeft - bar.maximum());
  EXPECT_EQ(view.TitleRect(1).right(), 150 - 3);

  ClickCell(1, 5);
  EXPECT_EQ(Query->GetRecNo(), 5);
  EXPECT_EQ(Grid->GetSelectedIndex(), 1);
  // A click on the indicator keeps the column and moves the record.
  QTest::mouseClick(W(*Grid), Qt::LeftButton, {}, QPoint(5, view.CellRect(1, 2).center().y()));
  Settle();
  EXPECT_EQ(Query->GetRecNo(), 2);
  EXPECT_EQ(Grid->GetSelectedIndex(), 1);
}

TEST_F(GridWindow, FontsAndAlignmentShapeTheTitlesAndCells) {
  ShowStatuses();
  TDBGridPresenter& view = View();
  // The text's ink starts right of the middle in the right-aligned code column, at the left in
  // the name column.
  const auto inkLeft = [&](const QRect& cell) {
    const QImage image = W(*Grid)->grab().toImage();
    for (int x = cell.left(); x <= cell.right(); ++x)
      for (int y = cell.top(); y <= cell.bottom(); ++y)
        if (image.pixelColor(x, y).lightness() < 128)
          return x - cell.left();
    return -1;
  };
  EXPECT_GT(inkLeft(view.CellRect(0, 3)), 30);
  const int nameInk = inkLeft(view.CellRect(1, 3));
  EXPECT_GE(nameInk, 0);
  EXPECT_LT(nameInk, 8);

  const int titleHeight = view.TitleRect(0).height();
  const int rowHeight = view.CellRect(0, 1).height();
  Grid->GetColumns().Items(1).GetTitleFont().SetSize(18);
  Grid->GetColumns().Items(0).GetFont().SetSize(16);
  QTest::mouseMove(W(*Grid), QPoint(5, 5));
  Settle();
  EXPECT_GT(view.TitleRect(0).height(), titleHeight + 5);
  EXPECT_GT(view.CellRect(1, 1).height(), rowHeight + 5);
  EXPECT_EQ(view.CellRect(1, 2).top(), view.CellRect(1, 1).bottom() + 2);
}
