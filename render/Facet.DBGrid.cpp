#include "render/Facet.DBGrid.h"

#include "bridge/Duo.FieldType.h"
#include "lang/Duo.Lang.Term.h"
#include "render/Facet.DataSetHelper.h"
#include "render/Facet.Forms.Interfaces.h"
#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"
#include "runtime/Strings.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <unordered_set>

namespace {

// A whole number written as digits with an optional minus sign and nothing else.
std::optional<int> IntegerOf(std::string_view Text) {
  int value = 0;
  const char* end = Text.data() + Text.size();
  const auto [ptr, ec] = std::from_chars(Text.data(), end, value);
  if (Text.empty() || ec != std::errc() || ptr != end)
    return std::nullopt;
  return value;
}

// A whole number of up to 64 bits written as digits with an optional minus sign; raises
// EConvertError naming the text otherwise.
int64_t LargeIntOf(std::string_view Text) {
  int64_t value = 0;
  const char* end = Text.data() + Text.size();
  const auto [ptr, ec] = std::from_chars(Text.data(), end, value);
  if (Text.empty() || ec != std::errc() || ptr != end)
    throw EConvertError("\"" + std::string(Text) + "\" is not a whole number");
  return value;
}

// The text of a member of a posted row: strings as they are, other values as JSON.
std::string MemberText(const TOrderedJSON& Value) {
  if (Value.is_string())
    return Value.get<std::string>();
  return Value.is_null() ? std::string() : Value.dump();
}

std::string MemberText(const TOrderedJSON& Row, const char* Name) {
  const auto found = Row.find(Name);
  return found != Row.end() ? MemberText(*found) : std::string();
}

// The kind of value a posted cell text is compared and written as.  Dates and times are kept
// apart from numbers here: a cell text is never a day count.
TFacetFieldType PostFieldType(TFieldType DataType) {
  switch (DataType) {
  case TFieldType::ftDate:
    return FacetFieldTypeDate;
  case TFieldType::ftTime:
    return FacetFieldTypeTime;
  default:
    return FacetFieldType(DataType);
  }
}

std::string Join(const std::vector<int>& Numbers) {
  std::string text;
  for (const int number : Numbers)
    text += (text.empty() ? "" : ",") + std::to_string(number);
  return text;
}

std::vector<std::string> SplitFields(const std::string& Names) {
  std::vector<std::string> fields;
  size_t pos = 0;
  while (pos <= Names.size()) {
    const size_t next = std::min(Names.find(';', pos), Names.size());
    const std::string name = Trim(Names.substr(pos, next - pos));
    if (!name.empty())
      fields.push_back(name);
    pos = next + 1;
  }
  return fields;
}

bool IsBeingEdited(const TDataSet& DataSet) {
  return DataSet.GetState() == TDataSetState::dsEdit ||
         DataSet.GetState() == TDataSetState::dsInsert;
}

// Keeps the dataset's controls quiet while the records are walked, and returns to the record
// it was on afterwards, also when the walk fails.
class TWalkGuard {
public:
  explicit TWalkGuard(TDataSet& DataSet) : FDataSet(DataSet), FRecNo(DataSet.GetRecNo()) {
    FDataSet.DisableControls();
  }
  ~TWalkGuard() {
    try {
      if (FRecNo > 0)
        FDataSet.SetRecNo(FRecNo);
    } catch (const std::exception&) {
      // The record was there a moment ago; nothing better can be done from a destructor.
    }
    FDataSet.EnableControls();
  }
  TWalkGuard(const TWalkGuard&) = delete;
  TWalkGuard& operator=(const TWalkGuard&) = delete;

private:
  TDataSet& FDataSet;
  int FRecNo;
};

} // namespace

// The grid's link to its data source: a record written by the controls, the dataset opening, or
// its records changing while open (a filter, a refresh, a post or a delete) asks for a data
// reload in the browser; the grid's own walk over the records does not.  A closed dataset has no
// selected rows.
class TFacetDBGrid::TFacetDBGridDataLink : public TDataLink {
public:
  explicit TFacetDBGridDataLink(TFacetDBGrid& AGrid) : FGrid(AGrid) {}

protected:
  void DataEvent(TDataEvent Event, TField* Field) override {
    TDataLink::DataEvent(Event, Field);
    const bool active = GetActive();
    // A record being entered or edited is not walked over (see GetDataToJSON): the rows are read
    // again once it is stored or cancelled, which changes the dataset again.
    if (Event == TDataEvent::deUpdateRecord ||
        (Event == TDataEvent::deUpdateState && active && !FWasActive) ||
        (Event == TDataEvent::deDataSetChange && active && !FGrid.FReadingData &&
         !IsBeingEdited(*GetDataSet())))
      FGrid.MarkDataReload();
    FWasActive = active;
    if (!active)
      FGrid.FSelectedRowsID->clear();
  }

private:
  TFacetDBGrid& FGrid;
  bool FWasActive = false;
};

// What one cell post changed, to be written back when it fails.
struct TFacetDBGrid::TCellEdit {
  bool Changed = false;
  std::string Error;
  std::vector<std::pair<TField*, Variant>> OldValues;

  // A field that cannot be written keeps its value by itself.
  void Remember(TField& Field) {
    if (Field.GetCanModify())
      OldValues.emplace_back(&Field, Field.GetAsVariant());
  }
  void Restore() {
    for (auto it = OldValues.rbegin(); it != OldValues.rend(); ++it)
      it->first->SetAsVariant(it->second);
  }
};

const TClassInfo& TFacetDBGrid::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFacetDBGrid>("TFacetDBGrid")
          .Property("MaxRecords", &TFacetDBGrid::GetMaxRecords, &TFacetDBGrid::SetMaxRecords)
          .Property("RecordsPerPage", &TFacetDBGrid::GetRecordsPerPage,
                    &TFacetDBGrid::SetRecordsPerPage)
          .Property("MultiSelect", &TFacetDBGrid::GetMultiSelect, &TFacetDBGrid::SetMultiSelect)
          .Creatable()
          .Build();
  return info;
}

TFacetDBGrid::TFacetDBGrid(TComponent* AOwner)
    : TFacetControl(AOwner), FFormatSettings(PtBrFormatSettings()),
      FDataLink(std::make_unique<TFacetDBGridDataLink>(*this)) {
  for (const TFacetEventType type : {EventOnLoadJSON, EventOnCellPost}) {
    auto event = std::make_unique<TFacetControlEvent>(*this, type);
    event->SetOnEvent(TFacetGetStrEvent([this] { return GetDataToJSON(); }));
    event->SetAutoPublishedEvent(false);
    Events().Add(std::move(event));
  }
  Events().Add(EventOnCellButtonClick,
               TOnEventProc([this](TStrings* Params) { OnCellButtonClick(Params); }), false);
}

TFacetDBGrid::~TFacetDBGrid() {
  SetDataSource(nullptr);
}

TDataSource* TFacetDBGrid::GetDataSource() const {
  return FDataLink->GetDataSource();
}

void TFacetDBGrid::SetDataSource(TDataSource* Value) {
  if (TDataSource* previous = FDataLink->GetDataSource(); previous != nullptr && previous != Value)
    RemoveFreeNotification(previous);
  FDataLink->SetDataSource(Value);
  if (Value != nullptr)
    FreeNotification(Value);
}

void TFacetDBGrid::Notification(TComponent* AComponent, TOperation Operation) {
  TFacetControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FDataLink->GetDataSource())
    FDataLink->SetDataSource(nullptr);
}

TDataSet* TFacetDBGrid::ActiveDataSet() const {
  TDataSet* dataSet = FDataLink->GetDataSet();
  return dataSet != nullptr && dataSet->GetActive() ? dataSet : nullptr;
}

void TFacetDBGrid::SetSelectedRowsID(std::shared_ptr<std::vector<int>> Value) {
  FSelectedRowsID = Value != nullptr ? std::move(Value) : std::make_shared<std::vector<int>>();
}

bool TFacetDBGrid::GetEditable() const {
  return FProcGetEditable ? FProcGetEditable().AsBoolean() : FStoredEditable;
}

int TFacetDBGrid::RecNo() const {
  const TDataSet* dataSet = ActiveDataSet();
  return dataSet != nullptr ? dataSet->GetRecNo() : -1;
}

bool TFacetDBGrid::RecNo(int AValue) {
  FStoredRecNo = AValue;
  TDataSet* dataSet = ActiveDataSet();
  if (dataSet == nullptr || AValue < 1 || AValue > dataSet->GetRecordCount())
    return false;
  if (dataSet->GetRecNo() != AValue)
    dataSet->SetRecNo(AValue);
  return dataSet->GetRecNo() == AValue;
}

void TFacetDBGrid::Initialize() {
  TFacetControl::Initialize();
  FStoredRecNo = RecNo();
  FStoredEditable = GetEditable();
}

const TDuoTermGrid* TFacetDBGrid::GridTerms() const {
  const TDuoTerm* terms = Lang();
  return terms != nullptr ? &terms->GetGrid() : nullptr;
}

void TFacetDBGrid::MarkDataReload() {
  if (GetForm() != nullptr && GetForm()->GetFormPageState() == PageStateLoaded)
    FRefreshData = true;
}

bool TFacetDBGrid::Selected(int ARecNo) const {
  return std::find(FSelectedRowsID->begin(), FSelectedRowsID->end(), ARecNo) !=
         FSelectedRowsID->end();
}

void TFacetDBGrid::CallEvent(TFacetEventType EventType, TStrings* Parameters) {
  if (const TFacetControlEvent* event = Events().Item(EventType))
    event->CallEvent(Parameters);
}

void TFacetDBGrid::ExecJS(const std::string& Script) {
  IFacetSession* session = GetForm() != nullptr ? GetForm()->GetSession() : nullptr;
  if (session != nullptr)
    session->ExecJS(Script);
}

// Data ------------------------------------------------------------------------------------------

std::string TFacetDBGrid::GetDataToJSON() {
  TDataSet* dataSet = ActiveDataSet();
  // Walking the records would leave a record being entered or edited, which the dataset then
  // cancels, losing what was typed: while there is one, the grid gets no rows.
  if (dataSet == nullptr || IsBeingEdited(*dataSet))
    return "[]";
  std::string rows;
  // The guard's end gives the controls back the dataset, which they hear as a change; the flag
  // stays set until then.
  FReadingData = true;
  try {
    TWalkGuard guard(*dataSet);
    rows = DataSetToJSONText(*dataSet, FFacetDBGridColumns.GetColumnsNameToJSON(), FMaxRecords,
                             true, FFormatSettings);
  } catch (...) {
    FReadingData = false;
    throw;
  }
  FReadingData = false;
  return rows;
}

// Selection -------------------------------------------------------------------------------------

void TFacetDBGrid::ProcessEventParameters(TFacetControlEvent& Event, TStrings* Parameters) {
  if (Event.GetEventType() != EventOnSelect || ActiveDataSet() == nullptr || Parameters == nullptr)
    return;
  const std::string selectType = Parameters->GetValue("selecttype");
  if (selectType == "selectall") {
    SelectAll();
    return;
  }
  if (selectType == "unselectall") {
    FSelectedRowsID->clear();
    CallEvent(EventOnUnselectAll, Parameters);
    return;
  }
  const std::optional<int> rowID = IntegerOf(Parameters->GetValue("rowid"));
  if (!rowID)
    return;
  // Only rows the grid has can be selected: ids outside 1..RecordCount and repeats are dropped
  // before anything else, so a message cannot make the selection cost more than the grid's rows.
  const int records = ActiveDataSet()->GetRecordCount();
  std::vector<int> newSet;
  std::unordered_set<int> seen;
  const auto take = [&](int AID) {
    if (AID >= 1 && AID <= records && seen.insert(AID).second)
      newSet.push_back(AID);
  };
  const std::string rowsIDs = Parameters->GetValue("rowsids");
  std::size_t start = 0;
  while (!rowsIDs.empty() && start <= rowsIDs.size()) {
    const std::size_t comma = std::min(rowsIDs.find(',', start), rowsIDs.size());
    if (const std::optional<int> id = IntegerOf(Trim(rowsIDs.substr(start, comma - start))))
      take(*id);
    start = comma + 1;
  }
  if (rowsIDs.empty())
    take(*rowID);
  SelectRows(newSet, Parameters);
  // A row that is no longer there (a stale page) runs no handler on whatever record is current.
  if (RecNo(*rowID) && selectType == "select")
    CallEvent(EventOnClick, Parameters);
}

void TFacetDBGrid::SelectRows(const std::vector<int>& NewSet, TStrings* Parameters) {
  const std::string id = ElementID();
  const std::unordered_set<int> wanted(NewSet.begin(), NewSet.end());
  // The selection as a set, for rows whose handlers cannot have changed it; a row that ran a
  // handler is looked up in the list itself, which the handler may have changed.
  const std::unordered_set<int> selectedBefore(FSelectedRowsID->begin(), FSelectedRowsID->end());
  const std::vector<int> before = *FSelectedRowsID;
  if (!before.empty())
    std::erase_if(*FSelectedRowsID, [&](int number) { return wanted.count(number) == 0; });
  for (auto it = before.rbegin(); it != before.rend(); ++it) {
    const int number = *it;
    if (wanted.count(number) != 0)
      continue;
    try {
      if (!RecNo(number) || Events().Item(EventOnUncheck) == nullptr)
        continue;
      CallEvent(EventOnUncheck, Parameters);
      if (Selected(number))
        ExecJS("$(\"#" + id + "\").jqGrid(\"setSelection\", " + std::to_string(number) +
               "); SelectedRowIDs" + id + ".push(" + std::to_string(number) + ");");
    } catch (const std::exception&) {
      // A failing uncheck handler leaves the selection as the browser has it.
    }
  }
  bool handled = false;
  for (const int number : NewSet) {
    if (selectedBefore.count(number) != 0 || (handled && Selected(number)))
      continue;
    FSelectedRowsID->push_back(number);
    try {
      if (!RecNo(number) || Events().Item(EventOnCheck) == nullptr)
        continue;
      handled = true;
      CallEvent(EventOnCheck, Parameters);
      if (!Selected(number)) {
        const std::string n = std::to_string(number);
        ExecJS("$(\"#" + id + "\").jqGrid(\"setSelection\", " + n + "); if (SelectedRowIDs" + id +
               ".indexOf('" + n + "') !== -1) SelectedRowIDs" + id + ".splice(SelectedRowIDs" + id +
               ".indexOf('" + n + "'), 1); ");
      }
    } catch (const std::exception&) {
      // A failing check handler leaves the selection as the browser has it.
    }
  }
}

void TFacetDBGrid::SelectAll() {
  FSelectedRowsID->clear();
  CallEvent(EventOnSelectAll, nullptr);
  const std::string id = ElementID();
  ExecJS("SelectedRowIDs" + id + " = " + SelectedRowsJS() + "; let allRowIDs = $(\"#" + id +
         "\").jqGrid(\"getDataIDs\"); allRowIDs.forEach(function(rowId) {     let "
         "shouldBeSelected = SelectedRowIDs" +
         id + ".includes(parseInt(rowId));     if (!shouldBeSelected) {         $(\"#" + id +
         "\").jqGrid(\"setSelection\", rowId, false);     } }); ");
}

std::string TFacetDBGrid::SelectedRowsJS() const {
  return "[" + Join(*FSelectedRowsID) + "]";
}

// Cell buttons ----------------------------------------------------------------------------------

void TFacetDBGrid::OnCellButtonClick(TStrings* Params) {
  if (Params == nullptr)
    return;
  const std::optional<int> colIndex = IntegerOf(Params->GetValue("ColIndex"));
  const std::optional<int> rowID = IntegerOf(Params->GetValue("rowid"));
  if (!colIndex || !rowID || !RecNo(*rowID))
    return;
  const TFacetDBGridColumn* column = FFacetDBGridColumns.ColumnByIndex(*colIndex);
  auto* owner = dynamic_cast<IFacetDBGridOwner*>(GetForm());
  if (column == nullptr || owner == nullptr)
    return;
  const std::string elementID = Params->GetValue("CellButtonElementID");
  for (const auto& button : column->Buttons().GetButtons()) {
    if (button->ElementID() == elementID) {
      owner->DoCellButtonClick(*this, *button, *rowID, *colIndex);
      return;
    }
    for (const auto& sub : button->Buttons())
      if (sub->ElementID() == elementID) {
        owner->DoCellButtonClick(*this, *sub, *rowID, *colIndex);
        return;
      }
  }
}

// Cell posts ------------------------------------------------------------------------------------

bool TFacetDBGrid::CellChanged(const TField& Field, TFacetFieldType Type,
                               const std::string& Text) const {
  if (Field.IsNull())
    return !Text.empty();
  // Dates are compared to the second, the precision the grid shows.
  const char* dateTime = "dd/mm/yyyy hh:nn:ss";
  switch (Type) {
  case FacetFieldTypeInteger:
    return Field.GetAsLargeInt() != LargeIntOf(Text);
  case FacetFieldTypeNumber:
    return Field.GetAsFloat() != StrToFloat(Text, FFormatSettings);
  case FacetFieldTypeDate:
  case FacetFieldTypeDateTime:
    return Text.empty() ||
           FormatDateTime(dateTime, Field.GetAsDateTime(), FFormatSettings) !=
               FormatDateTime(dateTime, StrToDateTime(Text, FFormatSettings), FFormatSettings);
  case FacetFieldTypeTime:
    return FormatDateTime("hh:nn:ss", Field.GetAsDateTime(), FFormatSettings) != Text;
  default:
    return Field.GetText() != Text;
  }
}

bool TFacetDBGrid::CellPostbyJSON(const std::string& AJSON, std::string& ARowID,
                                  std::string& AErrorMessage) {
  const TDuoTermGrid* terms = GridTerms();
  const std::string invalid = terms != nullptr ? terms->GetMsgErrorCellValue() : "Invalid value.";
  AErrorMessage.clear();
  const TOrderedJSON row = TOrderedJSON::parse(AJSON, nullptr, false);
  if (row.is_discarded() || !row.is_object()) {
    AErrorMessage = invalid;
    return false;
  }
  ARowID = MemberText(row, "id");
  // A grid shown read-only takes no edits, whoever posts them.
  if (!GetEditable() || ActiveDataSet() == nullptr) {
    AErrorMessage = invalid;
    return false;
  }
  const std::optional<int> rowIndex = IntegerOf(MemberText(row, "rowindex"));
  if (!SameText(MemberText(row, "oper"), "edit") || !rowIndex)
    return true;
  // The row id is the record number the row was loaded with; the row's position in the
  // browser's sorted and paged view says nothing about the record.
  const std::optional<int> recNo = IntegerOf(ARowID);
  if (!recNo || !RecNo(*recNo)) {
    AErrorMessage = invalid;
    return false;
  }
  if (*rowIndex < 0)
    return true;

  TCellEdit edit;
  for (const auto& [name, value] : row.items()) {
    if (name == "id" || name == "oper" || name == "rowindex")
      continue;
    PostMember(edit, name, MemberText(value));
    if (!edit.Error.empty())
      break;
  }
  if (edit.Changed && edit.Error.empty()) {
    try {
      ActiveDataSet()->Post();
    } catch (const std::exception& error) {
      edit.Error = error.what();
    }
  }
  if (edit.Changed && !edit.Error.empty())
    edit.Restore();
  AErrorMessage = edit.Error;
  return AErrorMessage.empty();
}

void TFacetDBGrid::PostMember(TCellEdit& Edit, const std::string& Name, const std::string& Text) {
  const TFacetDBGridColumn* column = FFacetDBGridColumns.FirstColumnByDataField(Name);
  // Only cells the browser offers for editing are taken.
  if (column == nullptr || !column->GetVisible() || !column->GetEditable())
    return;
  const TDuoTermGrid* terms = GridTerms();
  TDataSet& dataSet = *ActiveDataSet();
  const TFacetFieldModel model = column->GetDataFieldModel();
  const bool lookup = model == FacetFieldModelLookup && column->LookupReady();
  try {
    TField& field = dataSet.FieldByName(column->GetDataField());
    std::string text = Text;
    if (model == FacetFieldModelCombobox || model == FacetFieldModelLookup) {
      const std::optional<int> key = IntegerOf(Text);
      if (!key || *key <= 0) {
        const std::string current = field.IsNull() ? "" : field.GetAsString();
        if (!current.empty() && current != "0")
          Edit.Error =
              terms != nullptr ? terms->GetMsgErrorCellNoneValue() : "Please enter a value.";
        return;
      }
      if (lookup) {
        TDataSet& lookupSet = *column->GetLookup().LookupDataSet;
        if (*key > lookupSet.GetRecordCount())
          throw Exception("No choice " + std::to_string(*key));
        lookupSet.SetRecNo(*key);
        text = lookupSet.FieldByName(column->GetLookup().LookupResultField).GetText();
      } else {
        text = column->GetSelectItems().at(std::to_string(*key)).get<std::string>();
      }
    }
    if (PostFieldType(field.GetDataType()) == FacetFieldTypeNumber && !text.empty() && text != "0")
      text = PrepareFloat(text, FFormatSettings);
    if (!CellChanged(field, PostFieldType(field.GetDataType()), text))
      return;
    const TDataSetState state = dataSet.GetState();
    if (state != TDataSetState::dsEdit && state != TDataSetState::dsInsert)
      dataSet.Edit();
    Edit.Changed = true;
    if (lookup) {
      const TFacetDBGridLookup& description = column->GetLookup();
      const std::vector<std::string> keys = SplitFields(description.KeyFields);
      const std::vector<std::string> lookupKeys = SplitFields(description.LookupKeyFields);
      for (size_t i = 0; i < keys.size() && i < lookupKeys.size(); ++i) {
        TField& key = dataSet.FieldByName(keys[i]);
        Edit.Remember(key);
        key.SetAsVariant(description.LookupDataSet->FieldByName(lookupKeys[i]).GetAsVariant());
      }
      // A shown text that comes from a joined table is not stored; its key is.
      if (!field.GetCanModify())
        return;
    }
    Edit.Remember(field);
    if (text.empty())
      field.Clear();
    else
      field.SetAsString(text);
  } catch (const std::exception&) {
    Edit.Error = terms != nullptr ? terms->GetMsgErrorCellValue() : "Invalid value.";
  }
}

TFacetDBGridPostAnswer TFacetDBGrid::PostCell(const std::string& AJSON) {
  std::string rowID;
  std::string errorMessage;
  bool done = false;
  try {
    done = CellPostbyJSON(AJSON, rowID, errorMessage);
  } catch (const std::exception& error) {
    errorMessage = error.what();
  }
  TOrderedJSON answer = TOrderedJSON::object();
  answer["status"] = done ? "ok" : "error";
  answer["errormessage"] = done ? "" : errorMessage;
  answer["rowid"] = rowID;
  return {done ? 200 : 404, answer.dump(-1, ' ', true)};
}

// Page script ------------------------------------------------------------------------------------

std::string TFacetDBGrid::EventCall(TFacetEventType EventType) const {
  const TFacetControlEvent* event = Events().Item(EventType);
  return event != nullptr ? event->EventJS(false, "params", true) + ";" : std::string();
}

void TFacetDBGrid::ProcessHTML() {
  const std::string id = ElementID();
  std::vector<std::string> lines = {
      "<div class=\"col\">",
      "<table " + FHTMLCore + "></table>",
      "<div id=\"PAGER" + id + "\"></div>",
      "</div>",
      "<script type=\"text/javascript\">",
      "var SelectedRowIDs" + id + " = " + SelectedRowsJS() + ";",
      "var SelectedCol" + id + " = -1;",
      "var lastEditRowID" + id + " = null;",
      "var lastCellContent" + id + " = null;",
      "var ColEditable" + id + " = false;",
      GridScript(),
      "function " + id + "_onlinkClick(type, id) {",
      "}",
      "function " + id + "_CellButtonClick(ColIndex,CellButtonElement) {",
      "  var rowid = CellButtonElement.getAttribute(\"recno\");",
      "  var params = \"rowid=\"+rowid+\"&ColIndex=\"+ColIndex+\"&CellButtonElementID=\"+"
      "CellButtonElement.id;",
      "  " + EventCall(EventOnCellButtonClick),
      "}",
      "</script>"};
  std::string html;
  for (const std::string& line : lines)
    html += (html.empty() ? "" : "\r\n") + line;
  FHTMLControl = html;
}

std::string TFacetDBGrid::GridScript() {
  const std::string id = ElementID();
  const std::string grid = "$(\"#" + id + "\")";
  const IFacetForm* form = GetForm();
  const IFacetSession* session = form != nullptr ? form->GetSession() : nullptr;
  const std::string routeParameters =
      "&token=" + (session != nullptr ? session->GetToken() : "") +
      "&facetsession=" + (session != nullptr ? session->GetUUID() : "") +
      "&FormUUID=" + (form != nullptr ? form->GetFormUUID() : "");
  const TFacetControlEvent* load = Events().Item(EventOnLoadJSON);
  const TFacetControlEvent* post = Events().Item(EventOnCellPost);
  const TDuoTermGrid* terms = GridTerms();
  const auto term = [&](std::string (TDuoTermGrid::*get)() const) {
    return FormatValueHTML(terms != nullptr ? (terms->*get)() : "");
  };
  const std::string editable = FStoredEditable ? "true" : "false";
  const std::string model = FFacetDBGridColumns.ColumnsToColModel();

  std::vector<std::string> lines = {
      "$(function () {",
      "  \"use strict\";",
      "  " + grid + ".jqGrid(",
      "  {",
      "  recordtext: " + term(&TDuoTermGrid::GetFooterRecordText) + ",",
      "  emptyrecords: " + term(&TDuoTermGrid::GetEmptyRecords) + ",",
      "  loadtext: " + term(&TDuoTermGrid::GetLoadingData) + ",",
      "  pgtext : " + term(&TDuoTermGrid::GetFooterRecordPageText) + ",",
      "  url: window.location.href + 'rest/json/jqgrid/get?controlid=" + id +
          "&eventid=" + (load != nullptr ? load->GetEventID() : "") + routeParameters + "',",
      "  datatype : \"json\",",
      "  loadonce: true,",
      "  editable: " + editable + ",",
      "  celledit: " + editable + ",",
      "  cellsubmit: \"remote\",",
      "  editurl: 'rest/json/jqgrid/post?controlid=" + id +
          "&eventid=" + (post != nullptr ? post->GetEventID() : "") + routeParameters + "',",
      "  serializeRowData: function (postdata) {",
      "    let currentPage = " + grid + ".jqGrid(\"getGridParam\", \"page\");",
      "    let recordsPerPage = " + grid + ".jqGrid(\"getGridParam\", \"rowNum\");",
      "    let rowindexpage = " + grid + ".jqGrid(\"getInd\", postdata.id);",
      "    let rowindex = (currentPage - 1) * recordsPerPage + rowindexpage;",
      "    postdata.rowindex = rowindex;",
      "    return JSON.stringify(postdata);",
      "   },",
      "  forceClientSorting: true,",
      "  jsonReader: {",
      "    id: \"FacetRecNo\",",
      "    repeatitems: false",
      "  },",
      "  colModel : ",
      "[" + model + "],",
      "  pager: \"#PAGER" + id + "\",",
      "  gridview: true,",
      "  hoverrows: false,",
      "  scrollrows: true,",
      "  rowNum: " + std::to_string(FRecordsPerPage) + ",",
      "  viewrecords: true,",
      "  shrinkToFit: false,"};
  if (FMultiSelect) {
    lines.push_back("  multiselect: true,");
    lines.push_back("  multiselectWidth: " + std::to_string(FMultiSelectWidth) + ",");
  }
  for (const char* line :
       {"  ignorecase: true,", "  scroll: false,", "  sortable: true,", "  altRows: false,",
        "  hidegrid: true,", "  multiboxonly: true,", "  toppager: false,", "  pginput: true,",
        "  guiStyle: \"bootstrap4\",", "  iconSet: \"fontAwesome\",", "  reloadAfterSubmit: true,"})
    lines.emplace_back(line);
  lines.push_back(CellSelectScript());
  lines.push_back("  onPaging: function(pagingInfo) {");
  for (const char* direction : {"\"user\"", "\"first\"", "\"next\"", "\"last\"", "\"prev\""}) {
    lines.push_back(std::string("    if (pagingInfo.direction === ") + direction + ") {");
    lines.push_back("    }");
  }
  lines.push_back("  },");
  lines.push_back("  loadComplete: function () {");
  // For assistive technology the header and body tables are the grids (the library marks them
  // as layout inside a grid of its own, which a grid may not hold), and the sorting box inside
  // each column header gives up the header role its cell has.
  lines.push_back("    $(\"#gview_" + id +
                  "\").removeAttr(\"role aria-multiselectable\").find(\"table.ui-jqgrid-htable, "
                  "table.ui-jqgrid-btable\").attr(\"role\", \"grid\");");
  lines.push_back("    $(\"#gview_" + id +
                  "\").find(\"div.ui-jqgrid-sortable[role=columnheader]\").removeAttr(\"role\");");
  lines.push_back("    " + grid + ".jqGrid(\"resetSelection\");");
  lines.push_back("    for (var i = 0; i < SelectedRowIDs" + id + ".length; i++) {");
  lines.push_back("      " + grid + ".jqGrid(\"setSelection\", SelectedRowIDs" + id +
                  "[i], false);");
  lines.push_back("    }");
  lines.push_back("  },");
  lines.push_back(HandlersScript());
  lines.push_back("  beforeSaveCell: function (rowid, cellname, value, iRow, iCol) {");
  lines.push_back("    return true;");
  lines.push_back("  },");
  lines.push_back("  });");
  lines.push_back("});");
  std::string script;
  for (const std::string& line : lines)
    script += (script.empty() ? "" : "\r\n") + line;
  return script;
}

std::string TFacetDBGrid::CellSelectScript() const {
  const std::string id = ElementID();
  const std::string select = EventCall(EventOnSelect);
  std::vector<std::string> lines = {
      "  onCellSelect: function(rowid, iCol, cellcontent, e)",
      "  {",
      "   var ismultiselect = $(this).jqGrid(\"getGridParam\", \"multiselect\");",
      "   var rowindex = rowid;",
      "   var isRowSelected = $(this).jqGrid(\"getGridParam\", \"selrow\") === rowid;",
      "   var colModelRow = $(this).jqGrid(\"getGridParam\", \"colModel\");",
      "   ColEditable" + id + " = colModelRow[iCol].editable;",
      "   lastCellContent" + id + " = e;",
      "   if (!isRowSelected || iCol !== SelectedCol" + id + " || ismultiselect)",
      "   {",
      "     SelectedCol" + id + " = iCol;",
      "     if (iCol != 0)",
      "       $(this).jqGrid(\"setSelection\", rowid, false);",
      "     var rowsids = [];",
      "     var typeValue = null;",
      "     var $tempElement = $('<div>').html(cellcontent);",
      "     if ($tempElement.find('input').length > 0) {",
      "        if (e.target.className  === \"cbox\")",
      "        var typeValue = $tempElement.find('input').attr('type');",
      "     }",
      "     rowsids = SelectedRowIDs" + id + ";",
      "     $(this).jqGrid(\"getGridParam\", \"selarrrow\").forEach(function(_rowId) {",
      "        if (!rowsids.includes(parseInt(_rowId))) {",
      "           rowsids.push(parseInt(_rowId));",
      "        }",
      "     });",
      "     if (!rowsids.includes(parseInt(rowid)) || iCol != 0) {",
      "       if (typeValue === \"checkbox\" && iCol === 0) {",
      "          if (!rowsids.includes(parseInt(rowid))) {",
      "             rowsids.push(parseInt(rowindex));",
      "          }",
      "       }",
      "       else {",
      "          rowsids = [rowid];",
      "       }",
      "       if (typeValue === \"checkbox\") {",
      "          var params = \"rowid=\"+rowindex+\"&col=\"+iCol+\"&rowsids=\"+rowsids+"
      "\"&selecttype=check\";",
      "          SelectedRowIDs" + id + " = rowsids;",
      "          " + select,
      "       } else {",
      "          var params = \"rowid=\"+rowindex+\"&col=\"+iCol+\"&rowsids=\"+rowsids+"
      "\"&selecttype=select\";",
      "          SelectedRowIDs" + id + " = rowsids;",
      "          " + select,
      "       }",
      "     } else {",
      "          if (typeValue === \"checkbox\" && iCol === 0) {",
      "             if (rowsids.includes(parseInt(rowid)))",
      "                rowsids.splice(rowsids.indexOf(parseInt(rowid)), 1);",
      "             SelectedRowIDs" + id + " = rowsids;",
      "          } else {",
      "             rowsids = [rowid];",
      "             SelectedRowIDs" + id + " = [];",
      "          }",
      "          var params = \"rowid=\"+rowindex+\"&col=\"+iCol+\"&rowsids=\"+rowsids+"
      "\"&selecttype=unckeck\";",
      "          " + select,
      "     }",
      "   }"};
  if (!FMultiSelect) {
    lines.push_back("    setTimeout(function() {");
    lines.push_back("    $(\"#" + id + "\").jqGrid(\"setSelection\", rowid, false);");
    lines.push_back("       if (ColEditable" + id + ") { ");
    lines.push_back("          lastEditRowID" + id + " = rowid;");
    lines.push_back("       }");
    lines.push_back("    }, 0);");
  }
  lines.push_back("    return true;");
  lines.push_back("  },");
  std::string script;
  for (const std::string& line : lines)
    script += (script.empty() ? "" : "\r\n") + line;
  return script;
}

std::string TFacetDBGrid::HandlersScript() const {
  const std::string id = ElementID();
  const std::string grid = "$(\"#" + id + "\")";
  const std::string select = EventCall(EventOnSelect);
  const std::vector<std::string> lines = {
      "  ondblClickRow: function(rowid, iRow, iCol, e)",
      "  {",
      "     var rowsids = []",
      "     rowsids = jqGridSelectedRows($(this).jqGrid(\"getGridParam\", \"selarrrow\"));",
      "     if (!rowsids.includes(rowid.replace(\"jqg\", \"\")) || iCol != 0) {",
      "       rowsids.push(rowid.replace(\"jqg\", \"\"));",
      "       var params = \"rowid=\"+rowid.replace(\"jqg\", \"\")+\"&col=\"+iCol+\"&rowsids=\"+"
      "rowsids;",
      "       " + EventCall(EventOnDblClick),
      "     }",
      "     return true;",
      "  },",
      "  onSelectAll: function(aRowids, status)",
      "  {",
      "   if (SelectedRowIDs" + id + ".length > 1) {",
      "      var params = \"selecttype=unselectall\";",
      "      SelectedRowIDs" + id + " = [];",
      "      " + grid + ".jqGrid(\"resetSelection\");",
      "      " + select,
      "   } else {",
      "      if (status === true) {",
      "         var params = \"selecttype=selectall\";",
      "         SelectedRowIDs" + id + " = [];",
      "         " + select,
      "      } else {",
      "         var params = \"selecttype=unselectall\";",
      "         SelectedRowIDs" + id + " = [];",
      "         " + select,
      "      }",
      "   }",
      "  },",
      "  loadError: function (xhr, status, error) {",
      "      console.error(\"Error in Grid\", status, error);",
      "  },",
      "  onSelectRow: function(id){",
      "    if(id && id !== lastEditRowID" + id + "){",
      "      if(lastEditRowID" + id + " !== null) {",
      "$(this).jqGrid('saveRow',lastEditRowID" + id + ");",
      "      }",
      "      if (ColEditable" + id + ") { ",
      "$(this).jqGrid('editRow',id);",
      "        lastEditRowID" + id + " = id;",
      "       setTimeout(function() {",
      "lastCellContent" + id + ".target.lastChild.focus();",
      "       }, 0);",
      "      }",
      "    }",
      "  },",
      "  ajaxRowOptions: {",
      "    contentType: \"application/json; charset=utf-8\",",
      "    success: function (data, textStatus) {",
      "      if(textStatus==\"success\")",
      "      {",
      "        if (ColEditable" + id + ") { ",
      grid + ".jqGrid(\"setSelection\", lastEditRowID" + id + ", false);",
      grid + ".jqGrid('editRow', lastEditRowID" + id + ");",
      "           setTimeout(function() {",
      "lastCellContent" + id + ".target.lastChild.focus();",
      "           }, 0);",
      "        }",
      "      }",
      "      else",
      "      {",
      "",
      "      }",
      "    },",
      "    error: function(rowId, response) {",
      "      var jsonData = JSON.parse(rowId.responseText);",
      "      if (jsonData) {",
      "        var status = jsonData.status;",
      "        var errorMessage = jsonData.errormessage;",
      "        var errorrowId = jsonData.rowid;",
      "      }",
      "      var editedRowId = jQuery(\"#" + id + "\").getGridParam(\"selrow\");",
      "      jQuery(\"#" + id + "\").restoreRow(editedRowId);",
      "      lastEditRowID" + id + " = errorrowId;",
      "      jQuery(\"#" + id + "\").setSelection(errorrowId);",
      "      if (status == \"error\") {",
      "        $(this).jqGrid(\"restoreRow\", lastEditRowID" + id + ");",
      "        Swal.fire({",
      "          icon: \"error\",",
      "          title: \"Oops...\",",
      "          text: errorMessage",
      "        }).then(function () {",
      "        });",
      "      }",
      "    }",
      "  },"};
  std::string script;
  for (const std::string& line : lines)
    script += (script.empty() ? "" : "\r\n") + line;
  return script;
}

// Update cycle ----------------------------------------------------------------------------------

void TFacetDBGrid::ResetStatements(std::vector<std::string>& ScriptJS) {
  const std::string id = ElementID();
  ScriptJS.push_back("$(\"#" + id + "\").restoreRow($(\"#" + id + "\").getGridParam(\"selrow\"));");
  ScriptJS.push_back("SelectedCol" + id + " = -1;");
  ScriptJS.push_back("lastEditRowID" + id + " = null;");
}

void TFacetDBGrid::ColPropStatements(std::vector<std::string>& ScriptJS) {
  const std::string id = ElementID();
  for (const auto& [name, entry] : FFacetDBGridColumns.ColModelEntries())
    ScriptJS.push_back("$(\"#" + id + "\").jqGrid(\"setColProp\", " + FormatValueHTML(name) + ", " +
                       entry + ");");
}

void TFacetDBGrid::UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  const std::string id = ElementID();
  const bool editable = GetEditable();
  if (editable != FStoredEditable) {
    FStoredEditable = editable;
    const std::string state = editable ? "true" : "false";
    ResetStatements(ScriptJS);
    ColPropStatements(ScriptJS);
    ScriptJS.push_back("$(\"#" + id + "\").jqGrid(\"setGridParam\", { editable: " + state +
                       ", celledit: " + state + "});");
    ScriptJS.push_back("$(\"#" + id +
                       "\").trigger(\"reloadGrid\", { fromServer: false, page: 1 } );");
  }
  const bool loaded = GetForm() != nullptr && GetForm()->GetFormPageState() == PageStateLoaded;
  if (ActiveDataSet() != nullptr && (AForceUpdate || (loaded && FRefreshData))) {
    ResetStatements(ScriptJS);
    ScriptJS.push_back("SelectedRowIDs" + id + " = [];");
    ColPropStatements(ScriptJS);
    // The grid drops a reload asked for while it is still loading rows; such a reload waits for
    // that load to end (the rows it brings are already out of date), and several such reloads
    // make one.
    const std::string grid = "$(\"#" + id + "\")";
    ScriptJS.push_back(
        "(function () { var reload = function () { " + grid +
        ".trigger(\"reloadGrid\", { fromServer: true, page: 1 } ); }; var table = " + grid +
        "; if (table.length > 0 && table[0].grid && table[0].grid.hDiv.loading) { "
        "table.off(\".duoreload\").on(\"jqGridAfterLoadComplete.duoreload "
        "jqGridLoadError.duoreload\", function () { table.off(\".duoreload\"); "
        "setTimeout(reload, 0); }); } else { reload(); } })();");
    if (loaded)
      FRefreshData = false;
  }
}
