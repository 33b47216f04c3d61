// The grid's data, column model, page script, selection, cell buttons and update statements.

#include "DBGridFixture.h"

#include "runtime/Strings.h"

#include <cstdio>
#include <fstream>

namespace {

using namespace gridtest;

// Runs a script in node and returns what it printed; the script's own errors fail the test.
std::string RunNode(const std::string& Script, const testdb::TTempFolder& Folder) {
  const auto file = Folder.Path() / "script.js";
  std::ofstream(file, std::ios::binary) << Script;
  FILE* pipe = popen(("node " + file.string() + " 2>&1").c_str(), "r");
  std::string output;
  char buffer[4096];
  while (size_t read = fread(buffer, 1, sizeof buffer, pipe))
    output.append(buffer, read);
  EXPECT_EQ(pclose(pipe), 0) << output;
  return output;
}

std::unique_ptr<TStringList> Params(const std::string& Text) {
  auto params = std::make_unique<TStringList>();
  params->SetText(Text);
  return params;
}

std::string Joined(const std::vector<std::string>& Lines) {
  std::string text;
  for (const std::string& line : Lines)
    text += line + "\n";
  return text;
}

TEST_F(GridTest, CreatedFromItsClassWithThePageAsOwner) {
  TObject* made = TFacetDBGrid::StaticClass().CreateInstance(Page);
  auto* grid = dynamic_cast<TFacetDBGrid*>(made);
  ASSERT_NE(grid, nullptr);
  EXPECT_TRUE(grid->IsDBGrid());
  EXPECT_EQ(grid->GetForm(), Page);
  EXPECT_EQ(grid->GetMaxRecords(), 5000);
  EXPECT_EQ(grid->GetRecordsPerPage(), 100);
  EXPECT_EQ(grid->GetMultiSelectWidth(), 30);
  EXPECT_NE(grid->Events().Item(EventOnLoadJSON), nullptr);
  EXPECT_NE(grid->Events().Item(EventOnCellPost), nullptr);
  EXPECT_FALSE(grid->Events().Item(EventOnCellButtonClick)->GetAutoPublishedEvent());
}

TEST_F(GridTest, DataOfAllColumnsVisibleOrNotReturningToTheRecord) {
  AddColumn("TEXT");
  AddColumn("ID_REQ").SetVisible(false);
  Grid->Columns().Add().Buttons().Add("Open");
  Grid->Columns().FirstColumnByDataField("ID_REQ")->SetColumnIndex(0);
  Requests->SetRecNo(2);
  const TOrderedJSON rows = TOrderedJSON::parse(Grid->GetDataToJSON());
  EXPECT_EQ(rows, TOrderedJSON::parse(R"([{"ID_REQ":3,"TEXT":"third","FacetRecNo":1},
      {"ID_REQ":2,"TEXT":"second","FacetRecNo":2},{"ID_REQ":1,"TEXT":"first","FacetRecNo":3}])"));
  EXPECT_EQ(Requests->GetRecNo(), 2);
  EXPECT_FALSE(Requests->ControlsDisabled());

  Grid->SetMaxRecords(2);
  EXPECT_EQ(TOrderedJSON::parse(Grid->GetDataToJSON()).size(), 2u);
  Requests->Close();
  EXPECT_EQ(Grid->GetDataToJSON(), "[]");
  EXPECT_EQ(Grid->Events().Item(EventOnLoadJSON)->CallEventResponse(), "[]");
}

// Walking the records for the browser would leave a record being entered or edited, which the
// dataset then cancels: while there is one, the grid answers no rows and the record stays.
TEST_F(GridTest, ARecordBeingEnteredOrEditedIsNotWalkedOver) {
  AddColumn("TEXT");
  for (const bool inserting : {true, false}) {
    const std::string typed = inserting ? "entered" : "edited";
    if (inserting) {
      Requests->Append();
      Requests->FieldByName("ID_REQ").SetAsInteger(4);
    } else {
      Requests->Edit();
    }
    Requests->FieldByName("TEXT").SetAsString(typed);
    EXPECT_EQ(Grid->GetDataToJSON(), "[]") << typed;
    EXPECT_EQ(Requests->GetState(), inserting ? TDataSetState::dsInsert : TDataSetState::dsEdit);
    EXPECT_EQ(Requests->FieldByName("TEXT").GetAsString(), typed);
    Requests->Post();
    // Once stored, the rows are read again, with the record as stored.
    const std::string rows = Grid->GetDataToJSON();
    EXPECT_NE(rows.find("\"" + typed + "\""), std::string::npos) << rows;
  }
}

TEST_F(GridTest, DataTextsKeptRawWithEscapesBeyondASCII) {
  AddColumn("TEXT");
  Connection->ExecSQL("UPDATE REQ SET TEXT = ? WHERE ID_REQ = 1", {Variant("<i>ç\"{{")});
  Requests->Refresh();
  const std::string json = Grid->GetDataToJSON();
  EXPECT_NE(json.find(R"("<i>\u00e7\"{{")"), std::string::npos) << json;
}

TEST_F(GridTest, ColumnNamesIndexesAndLookupByField) {
  TFacetDBGridColumns& columns = Grid->Columns();
  TFacetDBGridColumn& a = AddColumn("TEXT");
  TFacetDBGridColumn& b = AddColumn("text");
  TFacetDBGridColumn& html = columns.Add();
  html.SetDataFieldModel(FacetFieldModelHTML);
  TFacetDBGridColumn& buttons = columns.Add();
  buttons.Buttons().Add("Go");
  TFacetDBGridColumn& none = columns.Add();
  TFacetDBGridColumn& none2 = columns.Add();
  EXPECT_EQ(a.ColName(), "TEXT");
  EXPECT_EQ(b.ColName(), "text1");
  EXPECT_EQ(html.ColName(), "ColHTML");
  EXPECT_EQ(buttons.ColName(), "ColButton");
  EXPECT_EQ(buttons.GetDataFieldModel(), FacetFieldModelButton);
  EXPECT_EQ(none.ColName(), "ColNoName");
  EXPECT_EQ(none2.ColName(), "ColNoName1");
  EXPECT_EQ(none.GetTitle(), "Column");
  EXPECT_EQ(columns.ColumnByDataField("Text"), &b);
  EXPECT_EQ(columns.FirstColumnByDataField("Text"), &a);
  EXPECT_EQ(columns.ColumnByDataField(""), nullptr);

  // Positions stay a permutation when a column moves either way or past the end.
  const auto positions = [&] {
    std::vector<int> indexes;
    for (const auto& column : columns.GetColumns())
      indexes.push_back(column->GetColumnIndex());
    return indexes;
  };
  EXPECT_EQ(positions(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  none2.SetColumnIndex(1);
  EXPECT_EQ(positions(), (std::vector<int>{0, 2, 3, 4, 5, 1}));
  a.SetColumnIndex(99);
  EXPECT_EQ(positions(), (std::vector<int>{5, 1, 2, 3, 4, 0}));
  EXPECT_EQ(columns.GetColumnsNameToJSON(), (std::vector<std::string>{"text", "TEXT"}));
}

TEST_F(GridTest, ColumnModelEntries) {
  const struct {
    const char* Name;
    bool GridEditable;
    bool ColumnEditable;
    bool Select;
    TFacetAlignment Alignment;
    const char* Expected;
  } cases[] = {
      {"read-only", false, true, false, FacetAlignRigth,
       R"({"name":"TEXT","index":0,"label":"T\u00edtulo","width":160,"align":"right",)"
       R"("editable":false,"formatter":)"},
      {"editable", true, true, false, FacetAlignCenter,
       R"({"name":"TEXT","index":0,"label":"T\u00edtulo","width":160,"align":"center",)"
       R"("editable":true,"width":165,"edittype":"text","formatter":)"},
      {"column not editable", true, false, false, FacetAlignLeft,
       R"({"name":"TEXT","index":0,"label":"T\u00edtulo","width":160,"align":"left",)"
       R"("editable":false,"formatter":)"},
      {"select", true, true, true, FacetAlignNone,
       R"({"name":"TEXT","index":0,"label":"T\u00edtulo","width":160,"align":"left",)"
       R"("editable":true,"width":165,"edittype":"select","width":173,"formatter":)"},
  };
  for (const auto& c : cases) {
    Grid->Columns().Clear();
    TFacetDBGridColumn& column = AddColumn("TEXT", c.ColumnEditable);
    column.SetTitle("Título");
    column.SetAlignment(c.Alignment);
    if (c.Select)
      column.SetSelectItems(TOrderedJSON::parse(R"({"1":"a","2":"b"})"));
    Editable = c.GridEditable;
    MakeEditable();
    const std::string entry = Grid->Columns().ColumnsToColModel();
    EXPECT_EQ(entry.substr(0, std::string(c.Expected).size()), c.Expected) << c.Name;
    EXPECT_EQ(column.GetDataFieldModel(),
              c.Select && c.GridEditable ? FacetFieldModelCombobox : FacetFieldModelField)
        << c.Name;
  }
  EXPECT_NE(Grid->Columns().ColumnsToColModel().find(
                R"("editoptions":{"value":{"1":"a","2":"b"},"style":"width: 100%;box-sizing: )"
                R"(border-box;"},"classes":"CellEditable"})"),
            std::string::npos);
}

TEST_F(GridTest, ColumnModelRunsInTheBrowserShowingDataAsText) {
  MakeEditable();
  TFacetDBGridColumn& text = AddColumn("TEXT");
  text.SetCSS("wide strong");
  AddColumn("ID_REQ").SetVisible(false);
  TFacetDBGridColumn& buttons = Grid->Columns().Add();
  TFacetDBGridColumnButton& edit = buttons.Buttons().Add("Edit \"it\"");
  edit.SetButtonIcon("fa fa-pencil");
  edit.SetButtonWidth("w-100  px-1");
  TFacetDBGridColumnButton& more = buttons.Buttons().Add("More");
  more.Add("Delete").SetButtonIcon("fa fa-trash");
  TFacetDBGridColumn& html = Grid->Columns().Add();
  html.SetDataFieldModel(FacetFieldModelHTML);
  html.SetDataField("TEXT");
  html.SetHTML("<b>${value}</b>");
  const std::string script =
      "var FacetRecNo = 0;\nvar m = [" + Grid->Columns().ColumnsToColModel() +
      "];\n"
      "var row = {TEXT: \"<img src=x onerror=alert(1)>&{{Title}}\", FacetRecNo: 7};\n"
      "console.log(m.length);\n"
      "console.log(m[0].classes);\n"
      "console.log(m[0].formatter(row.TEXT, {}, row));\n"
      "console.log(m[0].unformat(\"<b>\", {}, null));\n"
      "console.log(m[0].formatter(null, {}, row) === \"\");\n"
      "console.log(m[1].classes);\n"
      "console.log(m[1].formatter(null, {}, row));\n"
      "console.log(m[2].formatter(null, {}, row));\n";
  EXPECT_EQ(RunNode(script, Folder),
            "3\n"
            "CellEditable wide strong\n"
            "&lt;img src=x onerror=alert(1)&gt;&amp;{{Title}}\n"
            "<b>\n"
            "true\n"
            "gridcolbuttons\n"
            "<div class=\"cellgridcolbuttons d-flex\"><button recno=\"7\" "
            "id=\"DBGLISTAGridButton1\" class=\"btn btn-primary w-100 px-1\" "
            "onclick=\"DBGLISTA_CellButtonClick(2,this)\" style=\"\"><i class=\"fa fa-pencil "
            "me-2\" aria-hidden=\"true\"></i>Edit &quot;it&quot;</button><span "
            "class=\"me-2\"></span><div class=\"dropdown celldropdown\"><button recno=\"7\" "
            "id=\"DBGLISTAGridButton2\" class=\"btn btn-primary\" "
            "onclick=\"DBGLISTA_CellButtonClick(2,this)\" data-bs-toggle=\"dropdown\" "
            "aria-expanded=\"false\" style=\"\">More</button><ul class=\"dropdown-menu\" "
            "aria-labelledby=\"DBGLISTA\"><li><a recno=\"7\" id=\"DBGLISTAParentGridButton2_1\" "
            "class=\"dropdown-item\" onclick=\"DBGLISTA_CellButtonClick(2,this)\"><i "
            "class=\"fa fa-trash me-2\" aria-hidden=\"true\"></i>Delete</a></li></ul></div></div>\n"
            "<b><img src=x onerror=alert(1)>&{{Title}}</b>\n");
}

TEST_F(GridTest, PageScriptIsValidAndCarriesTheGridsSettings) {
  AddColumn("TEXT");
  Grid->SetMultiSelect(true);
  Grid->SetRecordsPerPage(25);
  Grid->GetSelectedRowsID()->assign({2, 3});
  Grid->Events().Add(EventOnSelect, TOnEventProc([](TStrings*) {}));
  Grid->Events().Add(EventOnDblClick, TOnEventProc([](TStrings*) {}));
  Render();
  const std::string html = Grid->GetHTMLControl();
  const std::string load = Grid->Events().Item(EventOnLoadJSON)->GetEventID();
  const std::string post = Grid->Events().Item(EventOnCellPost)->GetEventID();
  for (const std::string& part : std::vector<std::string>{
           "<div class=\"col\">\r\n<table class=\"x\" id=\"DBGLISTA\" ></table>\r\n"
           "<div id=\"PAGERDBGLISTA\"></div>\r\n</div>\r\n<script type=\"text/javascript\">\r\n"
           "var SelectedRowIDsDBGLISTA = [2,3];\r\n",
           "rest/json/jqgrid/get?controlid=DBGLISTA&eventid=" + load +
               "&token=TOKEN0000000000000000001&facetsession=SESSIONUUID1&FormUUID=PAGEUUID000001'",
           "editurl: 'rest/json/jqgrid/post?controlid=DBGLISTA&eventid=" + post, "rowNum: 25,",
           "multiselect: true,\r\n  multiselectWidth: 30,", "editable: false,",
           "recordtext: \"Showing {0} - {1} of {2}\",",
           "FacetServer().ExecEvent('SESSIONUUID1', 'TOKEN0000000000000000001', 'PAGEUUID000001', "
           "'dbgLista', '" +
               Grid->Events().Item(EventOnSelect)->GetEventID() + "', params, 'True');"})
    EXPECT_NE(html.find(part), std::string::npos) << part;
  // Without multi-select the selection is made again after the click.
  EXPECT_EQ(html.find("setTimeout(function() {\r\n    $(\"#DBGLISTA\")"), std::string::npos);

  const size_t begin = html.find("<script type=\"text/javascript\">") + 31;
  const size_t end = html.rfind("</script>");
  RunNode("function $() {}\n" + html.substr(begin, end - begin) + "\nconsole.log('parsed');",
          Folder);
}

TEST_F(GridTest, SelectionKeepsTheServersListAndUndoesRefusedChecks) {
  std::vector<std::string> calls;
  const auto record = [&](const char* what) {
    return TOnEventProc([this, &calls, what](TStrings*) {
      calls.push_back(std::string(what) + std::to_string(Requests->GetRecNo()));
    });
  };
  Grid->Events().Add(EventOnSelect, record("select"));
  Grid->Events().Add(EventOnClick, record("click"));
  Grid->Events().Add(EventOnCheck, TOnEventProc([&](TStrings*) {
                       calls.push_back("check" + std::to_string(Requests->GetRecNo()));
                       if (Requests->GetRecNo() == 3) // refuses the last row
                         std::erase(*Grid->GetSelectedRowsID(), 3);
                     }));
  Grid->Events().Add(EventOnUncheck, record("uncheck"));
  auto shared = std::make_shared<std::vector<int>>();
  Grid->SetSelectedRowsID(shared);
  TFacetControlEvent& select = *Grid->Events().Item(EventOnSelect);

  Grid->ProcessEventParameters(select,
                               Params("rowid=2\ncol=1\nrowsids=2\nselecttype=select").get());
  EXPECT_EQ(*shared, (std::vector<int>{2}));
  EXPECT_EQ(calls, (std::vector<std::string>{"check2", "click2"}));
  calls.clear();

  Grid->ProcessEventParameters(select,
                               Params("rowid=3\ncol=0\nrowsids=1,3\nselecttype=check").get());
  EXPECT_EQ(*shared, (std::vector<int>{1}));
  EXPECT_EQ(calls, (std::vector<std::string>{"uncheck2", "check1", "check3"}));
  ASSERT_EQ(Session.Pushed.size(), 1u);
  EXPECT_EQ(Session.Pushed[0],
            "$(\"#DBGLISTA\").jqGrid(\"setSelection\", 3); if "
            "(SelectedRowIDsDBGLISTA.indexOf('3') !== -1) "
            "SelectedRowIDsDBGLISTA.splice(SelectedRowIDsDBGLISTA.indexOf('3'), 1); ");
  calls.clear();

  // A stale page names a row that is gone: it is not kept, and no handler runs on the current
  // record.
  Requests->SetRecNo(1);
  Grid->ProcessEventParameters(select, Params("rowid=9\ncol=1\nrowsids=\nselecttype=select").get());
  EXPECT_TRUE(shared->empty());
  EXPECT_EQ(calls, (std::vector<std::string>{"uncheck1"}));
  calls.clear();

  // Ids the grid does not have, and repeats, are dropped before any work: a message of a
  // hundred thousand of them selects what the grid has, once each.
  std::string flood = "0,-5,x,1,1,2";
  for (int i = 0; i < 100000; ++i)
    flood += "," + std::to_string(1000 + i % 50000);
  Grid->ProcessEventParameters(
      select, Params("rowid=1\ncol=0\nrowsids=" + flood + "\nselecttype=check").get());
  EXPECT_EQ(*shared, (std::vector<int>{1, 2}));
  EXPECT_EQ(calls, (std::vector<std::string>{"check1", "check2"}));

  Grid->ProcessEventParameters(select, Params("selecttype=selectall").get());
  EXPECT_TRUE(shared->empty());
  EXPECT_EQ(Session.Pushed.back().substr(0, 29), "SelectedRowIDsDBGLISTA = []; ");
  shared->push_back(1);
  Requests->Close();
  EXPECT_TRUE(shared->empty());
}

TEST_F(GridTest, CellButtonClicksReachThePageOnTheirRecordOnly) {
  TFacetDBGridColumn& column = Grid->Columns().Add();
  column.Buttons().Add("Edit");
  TFacetDBGridColumnButton& more = column.Buttons().Add("More");
  more.Add("Delete");
  TFacetControlEvent& click = *Grid->Events().Item(EventOnCellButtonClick);
  click.CallEvent(Params("rowid=2\nColIndex=0\nCellButtonElementID=DBGLISTAGridButton1").get());
  click.CallEvent(
      Params("rowid=3\nColIndex=0\nCellButtonElementID=DBGLISTAParentGridButton2_1").get());
  EXPECT_EQ(Requests->GetRecNo(), 3);
  for (const char* stale : {"rowid=4\nColIndex=0\nCellButtonElementID=DBGLISTAGridButton1",
                            "rowid=0\nColIndex=0\nCellButtonElementID=DBGLISTAGridButton1",
                            "rowid=x\nColIndex=0\nCellButtonElementID=DBGLISTAGridButton1",
                            "rowid=1\nColIndex=5\nCellButtonElementID=DBGLISTAGridButton1",
                            "rowid=1\nColIndex=0\nCellButtonElementID=DBGLISTAGridButton9"})
    click.CallEvent(Params(stale).get());
  EXPECT_EQ(Page->Clicks, (std::vector<std::string>{"GridButton1@2/0", "ParentGridButton2_1@3/0"}));
}

TEST_F(GridTest, UpdateStatementsForEditableChangesAndDataReloads) {
  AddColumn("TEXT");
  MakeEditable();
  EXPECT_TRUE(Update().empty());

  Editable = false;
  const std::string readOnly = Joined(Update());
  EXPECT_EQ(readOnly.substr(0, readOnly.find("\n$(\"#DBGLISTA\").jqGrid(\"setColProp\"")),
            "$(\"#DBGLISTA\").restoreRow($(\"#DBGLISTA\").getGridParam(\"selrow\"));\n"
            "SelectedColDBGLISTA = -1;\nlastEditRowIDDBGLISTA = null;");
  EXPECT_NE(readOnly.find("jqGrid(\"setColProp\", \"TEXT\", {\"name\":\"TEXT\""),
            std::string::npos);
  EXPECT_NE(readOnly.find("\"editable\":false"), std::string::npos);
  EXPECT_NE(readOnly.find("$(\"#DBGLISTA\").jqGrid(\"setGridParam\", { editable: false, "
                          "celledit: false});\n$(\"#DBGLISTA\").trigger(\"reloadGrid\", { "
                          "fromServer: false, page: 1 } );\n"),
            std::string::npos);
  EXPECT_TRUE(Update().empty());

  // The dataset opened again: the browser reloads the data once.
  Requests->Close();
  Requests->Open();
  EXPECT_TRUE(Grid->GetRefreshData());
  const std::string reload = Joined(Update());
  EXPECT_NE(reload.find("SelectedRowIDsDBGLISTA = [];\n"), std::string::npos);
  EXPECT_NE(
      reload.find("$(\"#DBGLISTA\").trigger(\"reloadGrid\", { fromServer: true, page: 1 } );"),
      std::string::npos);
  EXPECT_TRUE(Update().empty());
  EXPECT_FALSE(Update(true).empty());
}

} // namespace
