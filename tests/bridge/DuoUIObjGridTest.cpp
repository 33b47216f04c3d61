#include "UIObjFixture.h"

#include "bridge/Duo.FieldType.h"
#include "bridge/Duo.UIObj.TDBGrid.h"
#include "data/DB.h"
#include "data/DBGrids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace uiobjtest;

TEST(FacetFieldType, WholeNumbersFloatsDatesAndTextGetTheirKind) {
  const struct {
    TFieldType DataType;
    TFacetFieldType Expected;
  } cases[] = {
      {TFieldType::ftSmallint, FacetFieldTypeInteger},
      {TFieldType::ftInteger, FacetFieldTypeInteger},
      {TFieldType::ftLargeint, FacetFieldTypeInteger},
      {TFieldType::ftFloat, FacetFieldTypeNumber},
      {TFieldType::ftDate, FacetFieldTypeNumber},
      {TFieldType::ftTime, FacetFieldTypeNumber},
      {TFieldType::ftDateTime, FacetFieldTypeDateTime},
      {TFieldType::ftTimeStamp, FacetFieldTypeDateTime},
      {TFieldType::ftString, FacetFieldTypeString},
      {TFieldType::ftBoolean, FacetFieldTypeString},
      {TFieldType::ftMemo, FacetFieldTypeString},
      {TFieldType::ftBlob, FacetFieldTypeString},
      {TFieldType::ftUnknown, FacetFieldTypeString},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FacetFieldType(c.DataType), c.Expected) << FieldTypeName(c.DataType);
}

// A multi-select grid over three requests held in memory.
class GridAdapterTest : public AdapterTest {
protected:
  GridAdapterTest()
      : Requests(new TDataSet(Form)), Source(new TDataSource(Form)),
        Grid(Add<TDBGrid>("grdSolicitacoes")) {
    Requests->DefineField("ID_SOLICITACAO", TFieldType::ftInteger);
    Requests->DefineField("NOME_SITUACAO", TFieldType::ftString, 40);
    Requests->Open();
    for (int id : {1, 2, 3}) {
      Requests->Append();
      Requests->FieldByName("ID_SOLICITACAO").SetAsInteger(id);
      Requests->Post();
    }
    Source->SetDataSet(Requests);
    Grid->SetDataSource(Source);
    Grid->SetOptions(Grid->GetOptions() + TDBGridOptions{dgMultiSelect});
  }

  IDuoFrameworkItemDBGrid& Item() { return Framework->FDBGrid; }
  std::vector<int>& RowIDs() { return *Framework->FDBGrid.SelectedRowsID; }
  TBookmarkList& Selected() { return Grid->GetSelectedRows(); }
  void SelectRecord(int RecNo) {
    Requests->SetRecNo(RecNo);
    Selected().SetCurrentRowSelected(true);
  }

  TDataSet* Requests;
  TDataSource* Source;
  TDBGrid* Grid;
};

TEST_F(GridAdapterTest, ColumnsComeFromTheGridAtTheDefaultDensity) {
  Screen().SetPixelsPerInch(144);
  TDBGridColumns& columns = Grid->GetColumns();
  TColumn& id = columns.Add();
  id.SetFieldName("ID_SOLICITACAO");
  id.SetWidth(90);
  id.SetAlignment(taRightJustify);
  id.SetReadOnly(true);
  TColumn& status = columns.Add();
  status.SetFieldName("NOME_SITUACAO");
  status.SetTitleCaption("Situação");
  status.SetWidth(200);
  status.SetAlignment(taCenter);
  status.GetPickList().SetText("Aberta\r\nEm análise\r\nFechada");
  TColumn& blank = columns.Add();
  blank.SetWidth(33);
  blank.SetVisible(false);
  TColumn& missing = columns.Add();
  missing.SetFieldName("PROTOCOLO");
  Adapt(Grid);

  struct Expected {
    std::string DataField;
    TFacetFieldType Type;
    std::string Title;
    bool Visible;
    int Width;
    bool Editable;
    TDuoColumnsAlignment Alignment;
    TOrderedJSON SelectItems;
  };
  const std::vector<Expected> expected = {
      {"ID_SOLICITACAO", FacetFieldTypeInteger, "ID_SOLICITACAO", true, 60, false,
       DuoAlignColumnsRigth, TOrderedJSON::object()},
      {"NOME_SITUACAO", FacetFieldTypeString, "Situação", true, 133, true, DuoAlignColumnsCenter,
       TOrderedJSON{
           {"0", "--Selecione--"}, {"1", "Aberta"}, {"2", "Em análise"}, {"3", "Fechada"}}},
      // No field name: the type keeps the column's default.
      {"", FacetFieldTypeString, "", false, 22, true, DuoAlignColumnsLeft, TOrderedJSON::object()},
      // A field the dataset does not have.
      {"PROTOCOLO", FacetFieldTypeAuto, "PROTOCOLO", true, 43, true, DuoAlignColumnsLeft,
       TOrderedJSON::object()},
  };
  const auto& got = Item().Columns.GetColumns();
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("column " + std::to_string(i));
    EXPECT_EQ(got[i]->DataField, expected[i].DataField);
    EXPECT_EQ(got[i]->DataFieldType, expected[i].Type);
    EXPECT_EQ(got[i]->Title, expected[i].Title);
    EXPECT_EQ(got[i]->Visible, expected[i].Visible);
    EXPECT_EQ(got[i]->Width, expected[i].Width);
    EXPECT_EQ(got[i]->Editable, expected[i].Editable);
    EXPECT_EQ(got[i]->Alignment, expected[i].Alignment);
    EXPECT_EQ(got[i]->SelectItems.dump(), expected[i].SelectItems.dump());
  }
}

TEST_F(GridAdapterTest, BindingEditingAndMultiSelectFollowTheGrid) {
  Adapt(Grid);
  EXPECT_EQ(Item().Dataware.DataSource, Source);
  EXPECT_TRUE(Item().MultiSelect);
  EXPECT_TRUE(Item().ProcEditable().AsBoolean());
  Grid->SetOptions(Grid->GetOptions() - TDBGridOptions{dgEditing});
  EXPECT_FALSE(Item().ProcEditable().AsBoolean());

  Grid->SetOptions(Grid->GetOptions() - TDBGridOptions{dgMultiSelect});
  Adapt(Grid);
  EXPECT_FALSE(Item().MultiSelect);
}

TEST_F(GridAdapterTest, SelectionEventsAreHandedOverWhateverHandlersTheGridHas) {
  Grid->OnClick = [](TObject*) {};
  Grid->OnKeyDown = [](TObject*, Word&, TShiftState) {};
  Adapt(Grid);
  for (const TOnEventProc* proc : {&Item().OnSelect, &Item().OnCheck, &Item().OnUnCheck,
                                   &Item().OnDblClick, &Item().OnSelectAll, &Item().OnUnselectAll})
    EXPECT_TRUE(*proc);
  EXPECT_FALSE(Item().OnClick);
  EXPECT_FALSE(Item().OnKeyDown);
  // With no handlers these change only the selection.
  Requests->SetRecNo(2);
  Item().OnSelect(nullptr);
  Item().OnDblClick(nullptr);
  EXPECT_EQ(Selected().Count(), 0);
  Item().OnCheck(nullptr);
  EXPECT_TRUE(Selected().GetCurrentRowSelected());
}

TEST_F(GridAdapterTest, TickingRunsTheFirstSelectionHandlerTheGridHas) {
  struct Case {
    bool CellClick, ColEnter, Enter;
    std::string Expected;
  };
  const std::vector<Case> cases = {
      {true, true, true, "OnCellClick"},
      {false, true, true, "OnColEnter"},
      {false, false, true, "OnEnter"},
      {false, false, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Expected);
    std::vector<std::string> log;
    Grid->OnCellClick = nullptr;
    Grid->OnColEnter = nullptr;
    Grid->OnEnter = nullptr;
    if (c.CellClick)
      Grid->OnCellClick = [&](TColumn* Column) {
        EXPECT_EQ(Column, nullptr);
        log.push_back("OnCellClick");
      };
    auto sentByGrid = [&](std::string Name) {
      return [&, Name](TObject* Sender) {
        EXPECT_EQ(Sender, Grid);
        log.push_back(Name);
      };
    };
    if (c.ColEnter)
      Grid->OnColEnter = sentByGrid("OnColEnter");
    if (c.Enter)
      Grid->OnEnter = sentByGrid("OnEnter");
    Adapt(Grid);
    Selected().Clear();
    Requests->SetRecNo(2);
    Item().OnCheck(nullptr);
    EXPECT_EQ(log, c.Expected.empty() ? std::vector<std::string>{}
                                      : std::vector<std::string>{c.Expected});
    // Unticking runs the same handler.
    log.clear();
    Item().OnUnCheck(nullptr);
    EXPECT_FALSE(Selected().GetCurrentRowSelected());
    EXPECT_EQ(log, c.Expected.empty() ? std::vector<std::string>{}
                                      : std::vector<std::string>{c.Expected});
  }
}

TEST_F(GridAdapterTest, AHandlerThatUndoesATickOrUntickHasTheBrowsersListFollow) {
  int runs = 0;
  bool undo = false;
  Grid->OnCellClick = [&](TColumn*) {
    ++runs;
    if (undo)
      Selected().SetCurrentRowSelected(!Selected().GetCurrentRowSelected());
  };
  Adapt(Grid);

  // Ticked in the browser, which already lists the row.
  Requests->SetRecNo(2);
  RowIDs() = {2};
  Item().OnCheck(nullptr);
  EXPECT_TRUE(Selected().GetCurrentRowSelected());
  EXPECT_EQ(RowIDs(), std::vector<int>{2});
  Item().OnCheck(nullptr); // already selected: nothing runs
  EXPECT_EQ(runs, 1);

  undo = true;
  Requests->SetRecNo(3);
  RowIDs() = {2, 3};
  Item().OnCheck(nullptr);
  EXPECT_FALSE(Selected().GetCurrentRowSelected());
  EXPECT_EQ(RowIDs(), std::vector<int>{2});

  // Unticked in the browser, which already dropped the row.
  Requests->SetRecNo(2);
  RowIDs() = {};
  Item().OnUnCheck(nullptr);
  EXPECT_TRUE(Selected().GetCurrentRowSelected());
  EXPECT_EQ(RowIDs(), std::vector<int>{2});
  undo = false;
  Item().OnUnCheck(nullptr);
  EXPECT_FALSE(Selected().GetCurrentRowSelected());
  EXPECT_EQ(RowIDs(), std::vector<int>{2}); // the browser drops it itself
}

TEST_F(GridAdapterTest, TickingAllSelectsEveryRecordOnce) {
  std::vector<int> handled;
  Grid->OnCellClick = [&](TColumn*) { handled.push_back(Requests->GetRecNo()); };
  int scrolls = 0;
  Source->OnDataChange = [&](TObject*, TField*) { ++scrolls; };
  Adapt(Grid);
  SelectRecord(1);
  RowIDs() = {1};
  scrolls = 0;
  Item().OnSelectAll(nullptr);
  EXPECT_EQ(handled, (std::vector<int>{2, 3}));
  EXPECT_EQ(Selected().Count(), 3);
  EXPECT_EQ(RowIDs(), (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(Requests->ControlsDisabled());
  EXPECT_EQ(scrolls, 1); // the controls heard of the walk once, at its end

  Item().OnUnselectAll(nullptr);
  EXPECT_EQ(Selected().Count(), 0);
}

TEST_F(GridAdapterTest, AnErrorEndsTheWalkOfTickingAllQuietly) {
  Grid->OnCellClick = [&](TColumn*) {
    if (Requests->GetRecNo() == 2)
      throw Exception("Solicitação bloqueada");
  };
  Adapt(Grid);
  EXPECT_NO_THROW(Item().OnSelectAll(nullptr));
  EXPECT_EQ(RowIDs(), std::vector<int>{1});
  EXPECT_EQ(Selected().Count(), 2); // the third record was never reached
  EXPECT_FALSE(Requests->ControlsDisabled());
}

TEST_F(GridAdapterTest, DoubleClickRunsTheGridsHandler) {
  TObject* sender = nullptr;
  Grid->OnDblClick = [&](TObject* Sender) { sender = Sender; };
  Adapt(Grid);
  Item().OnDblClick(nullptr);
  EXPECT_EQ(sender, Grid);
}

TEST_F(GridAdapterTest, AGridWithoutAnOpenDatasetSelectsNothing) {
  int runs = 0;
  Grid->OnCellClick = [&](TColumn*) { ++runs; };
  Requests->Close();
  Adapt(Grid);
  RowIDs() = {1};
  Item().OnCheck(nullptr);
  Item().OnUnCheck(nullptr);
  Item().OnSelectAll(nullptr);
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(RowIDs(), std::vector<int>{1});
}

} // namespace
