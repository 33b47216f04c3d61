// Posts arbitrary text as a grid's cell edit.  The grid shows a query over an embedded database
// made once in a temporary folder: text, number, date, time and time-stamp columns, a column that
// is not editable and a lookup column.  After a post that was answered as accepted the rows are
// set back, so that every input meets the same data.

#include "data/Connection.h"
#include "data/DB.h"
#include "data/Query.h"
#include "render/Facet.DBGrid.h"
#include "render/Facet.Forms.h"
#include "runtime/Json.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const char* Schema = R"(
CREATE TABLE STATUS (ID_STATUS INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20));
CREATE TABLE REQ (
  ID_REQ INTEGER NOT NULL PRIMARY KEY,
  TEXT VARCHAR(10),
  ID_STATUS INTEGER,
  AMOUNT NUMERIC(15,2) CHECK (AMOUNT >= 0),
  DAY_DATE DATE,
  AT_TIME TIME,
  STAMP TIMESTAMP);
CREATE TABLE REQ_START (
  ID_REQ INTEGER NOT NULL PRIMARY KEY, TEXT VARCHAR(10), ID_STATUS INTEGER,
  AMOUNT NUMERIC(15,2), DAY_DATE DATE, AT_TIME TIME, STAMP TIMESTAMP);
INSERT INTO STATUS VALUES (1, 'Open');
INSERT INTO STATUS VALUES (2, 'Closed');
INSERT INTO REQ_START VALUES (1, 'first', 1, 10.5, '2024-06-24', '14:05:09', '2024-06-24 14:05:09');
INSERT INTO REQ_START VALUES (2, 'second', 2, 20, '2024-06-25', '08:00:00', '2024-06-25 08:00:00');
INSERT INTO REQ_START VALUES (3, 'third', 1, NULL, NULL, NULL, NULL);
INSERT INTO REQ SELECT * FROM REQ_START;
)";

const char* Reset = "MERGE INTO REQ R USING REQ_START S ON R.ID_REQ = S.ID_REQ "
                    "WHEN MATCHED THEN UPDATE SET TEXT = S.TEXT, ID_STATUS = S.ID_STATUS, "
                    "AMOUNT = S.AMOUNT, DAY_DATE = S.DAY_DATE, AT_TIME = S.AT_TIME, "
                    "STAMP = S.STAMP";

std::filesystem::path Folder;

void RemoveFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(Folder, ignored);
}

struct TFixture {
  TFixture() {
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-grid-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
      std::abort();
    Folder = pattern;
    std::atexit(RemoveFolder);

    Connection = new TConnection(&Owner);
    TStrings& params = Connection->GetParams();
    params.SetValue("DriverID", "FB");
    params.SetValue("Database", (Folder / "grid.fdb").string());
    params.SetValue("User_Name", "SYSDBA");
    params.SetValue("CharacterSet", "WIN1252");
    Connection->CreateDatabase({Schema}, TForcedWrites::fwOff);
    Status = NewQuery("SELECT ID_STATUS, NAME FROM STATUS ORDER BY ID_STATUS");
    Requests = NewQuery("SELECT R.ID_REQ, R.TEXT, R.ID_STATUS, R.AMOUNT, R.DAY_DATE, R.AT_TIME, "
                        "R.STAMP, S.NAME FROM REQ R LEFT JOIN STATUS S ON S.ID_STATUS = "
                        "R.ID_STATUS ORDER BY R.ID_REQ DESC");
    auto* source = new TDataSource(&Owner);
    source->SetDataSet(Requests);
    Status->Open();
    Requests->Open();

    Grid = new TFacetDBGrid(Page);
    Grid->SetName("dbgLista");
    Grid->SetDataSource(source);
    for (const char* field : {"TEXT", "AMOUNT", "DAY_DATE", "AT_TIME", "STAMP", "ID_STATUS"}) {
      TFacetDBGridColumn& column = Grid->Columns().Add();
      column.SetDataField(field);
      column.SetTitle(field);
      column.SetEditable(std::string(field) != "ID_STATUS");
    }
    TFacetDBGridColumn& status = Grid->Columns().Add();
    status.SetDataField("NAME");
    status.SetEditable(true);
    status.SetLookup({Status, "ID_STATUS", "ID_STATUS", "NAME"});
    status.SetSelectItems(TOrderedJSON::object());
    Grid->SetProcGetEditable([] { return Variant(true); });
    // The page is built before the browser can post.
    Grid->FormatHTMLControl("{%" + Grid->GetNamePrefix() + " class=\"x\"%}");
    Grid->Initialize();
    Grid->ProcessHTML();
  }

  TQuery* NewQuery(const std::string& SQL) {
    auto* query = new TQuery(&Owner);
    query->SetConnection(Connection);
    query->GetSQL().SetText(SQL);
    return query;
  }

  TComponent Owner{nullptr};
  TFacetForm* Page = new TFacetForm(&Owner);
  TConnection* Connection = nullptr;
  TQuery* Status = nullptr;
  TQuery* Requests = nullptr;
  TFacetDBGrid* Grid = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TFixture* fixture = new TFixture;
  const TFacetDBGridPostAnswer answer =
      fixture->Grid->PostCell(std::string(reinterpret_cast<const char*>(data), size));
  // Whatever was posted, the answer is a JSON object the page script can read.
  if ((answer.HTTPStatus != 200 && answer.HTTPStatus != 404) || !TJSON::accept(answer.Body))
    std::abort();
  if (answer.HTTPStatus == 200) {
    fixture->Connection->ExecSQL(Reset);
    fixture->Requests->Refresh();
  }
  fixture->Requests->First();
  return 0;
}
