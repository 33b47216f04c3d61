#pragma once

// A page with a data grid over a real embedded database: a table of requests whose status
// comes from a second table, read in the order opposite to their keys, so that a row's record
// number and its key differ.

#include "PageFixture.h"
#include "data/TestDatabase.h"

#include "data/DB.h"
#include "render/Facet.DBGrid.h"

#include <string>
#include <vector>

namespace gridtest {

inline const char* GridSchema = R"(
CREATE TABLE STATUS (ID_STATUS INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20));
CREATE TABLE REQ (
  ID_REQ INTEGER NOT NULL PRIMARY KEY,
  TEXT VARCHAR(10),
  ID_STATUS INTEGER,
  AMOUNT NUMERIC(15,2) CHECK (AMOUNT >= 0),
  DAY_DATE DATE,
  AT_TIME TIME,
  STAMP TIMESTAMP);
INSERT INTO STATUS VALUES (1, 'Open');
INSERT INTO STATUS VALUES (2, 'Closed');
INSERT INTO REQ VALUES (1, 'first', 1, 10.5, '2024-06-24', '14:05:09', '2024-06-24 14:05:09');
INSERT INTO REQ VALUES (2, 'second', 2, 20, '2024-06-25', '08:00:00', '2024-06-25 08:00:00');
INSERT INTO REQ VALUES (3, 'third', 1, NULL, NULL, NULL, NULL);
)";

// A page form that also takes the grid's cell-button clicks.
class TGridPage : public pagetest::TPageForm, public IFacetDBGridOwner {
public:
  using TPageForm::TPageForm;
  void DoCellButtonClick(TFacetDBGrid&, TFacetDBGridColumnButton& Button, int RowID,
                         int ColIndex) override {
    Clicks.push_back(Button.GetName() + "@" + std::to_string(RowID) + "/" +
                     std::to_string(ColIndex));
  }
  std::vector<std::string> Clicks;
};

class GridTest : public ::testing::Test {
protected:
  GridTest() {
    Connection = new TConnection(&Owner);
    testdb::SetEmbeddedParams(*Connection, Folder.Path() / "grid.fdb");
    Connection->CreateDatabase({GridSchema}, TForcedWrites::fwOff);
    Status = NewQuery("SELECT ID_STATUS, NAME FROM STATUS ORDER BY ID_STATUS");
    Requests = NewQuery("SELECT R.ID_REQ, R.TEXT, R.ID_STATUS, R.AMOUNT, R.DAY_DATE, R.AT_TIME, "
                        "R.STAMP, S.NAME FROM REQ R LEFT JOIN STATUS S ON S.ID_STATUS = "
                        "R.ID_STATUS ORDER BY R.ID_REQ DESC");
    Source = new TDataSource(&Owner);
    Source->SetDataSet(Requests);
    Status->Open();
    Requests->Open();
    Page->Session = &Session;
    Grid = new TFacetDBGrid(Page);
    Grid->SetName("dbgLista");
    Grid->SetDataSource(Source);
  }
  ~GridTest() override { delete Page; }

  TQuery* NewQuery(const std::string& SQL) {
    auto* query = new TQuery(&Owner);
    query->SetConnection(Connection);
    query->GetSQL().SetText(SQL);
    return query;
  }

  TFacetDBGridColumn& AddColumn(const std::string& DataField, bool Editable = true) {
    TFacetDBGridColumn& column = Grid->Columns().Add();
    column.SetDataField(DataField);
    column.SetTitle(DataField);
    column.SetEditable(Editable);
    column.SetWidth(100);
    return column;
  }

  // Makes the grid editable in the browser and on the server.
  void MakeEditable() {
    Grid->SetProcGetEditable([this] { return Variant(Editable); });
    Grid->Initialize();
  }

  // Formats the grid from the tag the renderer writes, initialises it and builds its HTML.
  void Render() {
    Grid->FormatHTMLControl("{%" + Grid->GetNamePrefix() + " class=\"x\"%}");
    Grid->Initialize();
    Grid->ProcessHTML();
  }
  std::vector<std::string> Update(bool Force = false) {
    std::vector<std::string> script;
    Grid->UpdateServerControls(script, Force);
    return script;
  }

  // One value read straight from the database.
  std::string Stored(const std::string& SQL) {
    TQuery* query = NewQuery(SQL);
    query->Open();
    const std::string text = query->Fields(0).IsNull() ? "<null>" : query->Fields(0).GetText();
    delete query;
    return text;
  }

  testdb::TTempFolder Folder;
  TComponent Owner{nullptr};
  TConnection* Connection = nullptr;
  TQuery* Status = nullptr;
  TQuery* Requests = nullptr;
  TDataSource* Source = nullptr;
  pagetest::TSession Session;
  TGridPage* Page = new TGridPage(nullptr);
  TFacetDBGrid* Grid = nullptr;
  bool Editable = true;
};

} // namespace gridtest
