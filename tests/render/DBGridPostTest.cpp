// Cell posts of an editable grid: the record a post changes, what it refuses, and what a failed
// post leaves behind.

#include "DBGridFixture.h"

namespace {

using namespace gridtest;

class GridPost : public GridTest {
protected:
  GridPost() {
    AddColumn("TEXT");
    AddColumn("AMOUNT");
    AddColumn("DAY_DATE");
    AddColumn("AT_TIME");
    AddColumn("STAMP");
    AddColumn("ID_STATUS", false);
    MakeEditable();
  }

  // Posts one row as the page script does: edited cells, then id, oper and rowindex.
  TFacetDBGridPostAnswer Post(const std::string& Cells, const std::string& Id,
                              const std::string& RowIndex = "1") {
    return Grid->PostCell("{" + Cells + (Cells.empty() ? "" : ",") + "\"id\":\"" + Id +
                          "\",\"oper\":\"edit\",\"rowindex\":\"" + RowIndex + "\"}");
  }

  std::string Text(int Id) {
    return Stored("SELECT TEXT FROM REQ WHERE ID_REQ = " + std::to_string(Id));
  }
};

TEST_F(GridPost, ChangesTheRecordTheRowIdNamesNotThePositionInTheView) {
  // The browser sorted the rows: the third record (key 1) is shown first.
  const TFacetDBGridPostAnswer answer = Post("\"TEXT\":\"changed\"", "3", "1");
  EXPECT_EQ(answer.HTTPStatus, 200);
  EXPECT_EQ(TOrderedJSON::parse(answer.Body),
            TOrderedJSON::parse(R"({"status":"ok","errormessage":"","rowid":"3"})"));
  EXPECT_EQ(Text(1), "changed");
  EXPECT_EQ(Text(3), "third");
  EXPECT_EQ(Requests->GetRecNo(), 3);
}

TEST_F(GridPost, RefusesRowIdsThatNameNoRecord) {
  for (const char* id : {"0", "4", "-1", "abc", "1.5", "", " 2", "jqg1", "99999999999"}) {
    const TFacetDBGridPostAnswer answer = Post("\"TEXT\":\"x\"", id);
    EXPECT_EQ(answer.HTTPStatus, 404) << id;
    const TOrderedJSON body = TOrderedJSON::parse(answer.Body);
    EXPECT_EQ(body["status"], "error") << id;
    EXPECT_EQ(body["errormessage"], "Invalid value.") << id;
    EXPECT_EQ(body["rowid"], id) << id;
  }
  EXPECT_EQ(Text(1), "first");
  EXPECT_EQ(Text(2), "second");
  EXPECT_EQ(Text(3), "third");
}

TEST_F(GridPost, ReadOnlyGridsAndColumnsTakeNoEdits) {
  // The column of the key is not editable: its member is ignored, the rest is taken.
  EXPECT_EQ(Post("\"ID_STATUS\":\"2\",\"TEXT\":\"kept\"", "1").HTTPStatus, 200);
  EXPECT_EQ(Stored("SELECT ID_STATUS FROM REQ WHERE ID_REQ = 3"), "1");
  EXPECT_EQ(Text(3), "kept");

  Grid->Columns().FirstColumnByDataField("TEXT")->SetVisible(false);
  EXPECT_EQ(Post("\"TEXT\":\"hidden\"", "1").HTTPStatus, 200);
  EXPECT_EQ(Text(3), "kept");

  Editable = false;
  Grid->Columns().FirstColumnByDataField("TEXT")->SetVisible(true);
  const TFacetDBGridPostAnswer answer = Post("\"TEXT\":\"refused\"", "1");
  EXPECT_EQ(answer.HTTPStatus, 404);
  EXPECT_EQ(Text(3), "kept");
}

TEST_F(GridPost, UnchangedCellsOfEveryKindAreNotWritten) {
  // What the grid loaded, posted back as it came: nothing changes, nothing is posted.
  const std::string row = TOrderedJSON::parse(Grid->GetDataToJSON())[2].dump();
  EXPECT_EQ(row, R"({"TEXT":"first","AMOUNT":10.5,"DAY_DATE":"24/06/2024",)"
                 R"("AT_TIME":"14:05:09","STAMP":"24/06/2024 14:05:09","ID_STATUS":1,)"
                 R"("FacetRecNo":3})");
  const TFacetDBGridPostAnswer answer =
      Post(R"("TEXT":"first","AMOUNT":"10.5","DAY_DATE":"24/06/2024","AT_TIME":"14:05:09",)"
           R"("STAMP":"24/06/2024 14:05:09")",
           "3");
  EXPECT_EQ(answer.HTTPStatus, 200) << answer.Body;
  EXPECT_EQ(Requests->GetState(), TDataSetState::dsBrowse);
}

TEST_F(GridPost, CellsOfEveryKindAreWritten) {
  const TFacetDBGridPostAnswer answer =
      Post(R"("AMOUNT":"1234,56","DAY_DATE":"01/07/2024","AT_TIME":"15:30:00",)"
           R"("STAMP":"02/07/2024 09:10:11")",
           "3");
  EXPECT_EQ(answer.HTTPStatus, 200) << answer.Body;
  EXPECT_EQ(Stored("SELECT AMOUNT FROM REQ WHERE ID_REQ = 1"), "1234.56");
  EXPECT_EQ(Stored("SELECT DAY_DATE FROM REQ WHERE ID_REQ = 1"), "01/07/2024");
  EXPECT_EQ(Stored("SELECT AT_TIME FROM REQ WHERE ID_REQ = 1"), "15:30:00");
  EXPECT_EQ(Stored("SELECT STAMP FROM REQ WHERE ID_REQ = 1"), "02/07/2024 09:10:11");
  // Empty texts clear the field.
  EXPECT_EQ(Post(R"("TEXT":"","DAY_DATE":"")", "3").HTTPStatus, 200);
  EXPECT_EQ(Text(1), "<null>");
  EXPECT_EQ(Stored("SELECT DAY_DATE FROM REQ WHERE ID_REQ = 1"), "<null>");
}

TEST_F(GridPost, AFailedPostWritesTheOldValuesBack) {
  const struct {
    const char* Cells;
    const char* Message;
  } cases[] = {
      // Refused by the field: too long for the column.
      {R"("TEXT":"eleven chars")", "Invalid value."},
      // Not a number.
      {R"("TEXT":"new","AMOUNT":"abc")", "Invalid value."},
      // Refused by the database when the record is written.
      {R"("TEXT":"new","AMOUNT":"-5")", nullptr},
  };
  for (const auto& c : cases) {
    const TFacetDBGridPostAnswer answer = Post(c.Cells, "3");
    EXPECT_EQ(answer.HTTPStatus, 404) << c.Cells;
    const TOrderedJSON body = TOrderedJSON::parse(answer.Body);
    EXPECT_EQ(body["status"], "error") << c.Cells;
    if (c.Message != nullptr)
      EXPECT_EQ(body["errormessage"], c.Message) << c.Cells;
    else
      EXPECT_FALSE(body["errormessage"].get<std::string>().empty()) << c.Cells;
    EXPECT_EQ(Requests->FieldByName("TEXT").GetAsString(), "first") << c.Cells;
    EXPECT_EQ(Requests->FieldByName("AMOUNT").GetAsFloat(), 10.5) << c.Cells;
    EXPECT_EQ(Text(1), "first") << c.Cells;
  }
}

TEST_F(GridPost, PostsOtherThanEditsAndRowsWithoutAnIndexChangeNothing) {
  EXPECT_EQ(Grid->PostCell(R"({"TEXT":"x","id":"3","oper":"del","rowindex":"1"})").HTTPStatus, 200);
  EXPECT_EQ(Grid->PostCell(R"({"TEXT":"x","id":"3","oper":"edit","rowindex":"a"})").HTTPStatus,
            200);
  EXPECT_EQ(Grid->PostCell("not json").HTTPStatus, 404);
  EXPECT_EQ(Text(1), "first");
}

class GridLookupPost : public GridTest {
protected:
  GridLookupPost() {
    TFacetDBGridColumn& status = AddColumn("NAME");
    status.SetLookup({Status, "ID_STATUS", "ID_STATUS", "NAME"});
    status.SetSelectItems(TOrderedJSON::object());
    AddColumn("AMOUNT");
    MakeEditable();
    // The page is built before the browser can post.
    Render();
  }
};

TEST_F(GridLookupPost, TheColumnOffersTheLookupRecordsAndAChoiceWritesTheKey) {
  const std::string model = Grid->Columns().ColumnsToColModel();
  EXPECT_NE(model.find(R"("edittype":"select")"), std::string::npos) << model;
  EXPECT_NE(model.find(R"("value":{"0":"--Select--","1":"Open","2":"Closed"})"), std::string::npos)
      << model;
  const TFacetDBGridPostAnswer answer =
      Grid->PostCell(R"({"NAME":"2","id":"3","oper":"edit","rowindex":"1"})");
  EXPECT_EQ(answer.HTTPStatus, 200) << answer.Body;
  EXPECT_EQ(Stored("SELECT ID_STATUS FROM REQ WHERE ID_REQ = 1"), "2");

  // Choices are data: a template tag in one reaches the browser as typed, never as a tag the
  // page would resolve.
  Connection->ExecSQL("UPDATE STATUS SET NAME = '{{Title}}' WHERE ID_STATUS = 2");
  Status->Refresh();
  const std::string tagged = Grid->Columns().ColumnsToColModel();
  EXPECT_NE(tagged.find(R"("2":"\u007b\u007bTitle}}")"), std::string::npos) << tagged;
  EXPECT_EQ(tagged.find("{{"), std::string::npos) << tagged;
}

TEST_F(GridLookupPost, NoChoiceIsRefusedOnlyWhenTheFieldHoldsAValue) {
  const TFacetDBGridPostAnswer answer =
      Grid->PostCell(R"({"NAME":"0","id":"3","oper":"edit","rowindex":"1"})");
  EXPECT_EQ(answer.HTTPStatus, 404);
  EXPECT_EQ(TOrderedJSON::parse(answer.Body)["errormessage"], "Please enter a value.");
  Connection->ExecSQL("UPDATE REQ SET ID_STATUS = NULL WHERE ID_REQ = 1");
  Requests->Refresh();
  EXPECT_EQ(Grid->PostCell(R"({"NAME":"0","id":"3","oper":"edit","rowindex":"1"})").HTTPStatus,
            200);
  EXPECT_EQ(Grid->PostCell(R"({"NAME":"9","id":"3","oper":"edit","rowindex":"1"})").HTTPStatus,
            404);
}

TEST_F(GridLookupPost, AFailedPostRestoresTheLookupKey) {
  const TFacetDBGridPostAnswer answer =
      Grid->PostCell(R"({"NAME":"2","AMOUNT":"abc","id":"3","oper":"edit","rowindex":"1"})");
  EXPECT_EQ(answer.HTTPStatus, 404);
  EXPECT_EQ(Requests->FieldByName("ID_STATUS").GetAsInteger(), 1);
  // The next post of another cell does not carry the refused choice along.
  EXPECT_EQ(Grid->PostCell(R"({"AMOUNT":"11","id":"3","oper":"edit","rowindex":"1"})").HTTPStatus,
            200);
  EXPECT_EQ(Stored("SELECT ID_STATUS FROM REQ WHERE ID_REQ = 1"), "1");
  EXPECT_EQ(Stored("SELECT AMOUNT FROM REQ WHERE ID_REQ = 1"), "11");
}

} // namespace
