#include "render/Facet.DBGrid.Columns.h"

#include "bridge/Duo.FieldType.h"
#include "bridge/Duo.Util.h"
#include "data/DB.h"
#include "lang/Duo.Lang.Term.h"
#include "render/Facet.DBGrid.h"
#include "runtime/StrUtils.h"

#include <algorithm>
#include <cmath>

namespace {

const std::string NoQuotationMarks = "[NoQuotationMarks]";

int ScaledWidth(int Width) {
  return static_cast<int>(std::lround(Width * 1.6));
}

// A value as compact JSON with every character below 32 and above 127 escaped.
std::string JSONText(const TOrderedJSON& Value) {
  return Value.dump(-1, ' ', true);
}

// JSON text whose strings have every "{" written as an escape: the browser reads the same
// values, and a template tag inside data taken into the page is never resolved by the page.
std::string EscapeBracesInStrings(const std::string& JSON) {
  std::string text;
  text.reserve(JSON.size());
  bool inString = false;
  bool escaped = false;
  for (const char c : JSON) {
    if (inString && c == '{') {
      text += "\\u007b";
      continue;
    }
    text += c;
    if (escaped)
      escaped = false;
    else if (inString && c == '\\')
      escaped = true;
    else if (c == '"')
      inString = !inString;
  }
  return text;
}

// Words of class texts (blanks in between), in order, joined with single blanks.
std::string JoinClasses(const std::vector<std::string>& Texts) {
  std::string joined;
  for (const std::string& text : Texts) {
    size_t pos = 0;
    while (pos < text.size()) {
      const size_t blank = std::min(text.find(' ', pos), text.size());
      if (blank > pos)
        joined += (joined.empty() ? "" : " ") + text.substr(pos, blank - pos);
      pos = blank + 1;
    }
  }
  return joined;
}

// Removes the quotes around script written into a JSON text between two markers.
std::string UnquoteScript(std::string Text) {
  Text = StringReplaceAll(Text, "\"" + NoQuotationMarks, "");
  return StringReplaceAll(Text, NoQuotationMarks + "\"", "");
}

// A script function the column model uses as its display formatter: shows a data value as
// text, so that markup stored in the data is never interpreted by the browser.
// Written without double quotes and backslashes: the column model's JSON writing would escape
// them, and the function stands in the model as script, not as a string.
const char* EncodingFormatter =
    "function (cellvalue) { if (cellvalue === null || cellvalue === undefined) return ''; "
    "return String(cellvalue).replace(/&/g, '&amp;').replace(/</g, '&lt;')"
    ".replace(/>/g, '&gt;').split(String.fromCharCode(34)).join('&quot;')"
    ".replace(/'/g, '&#39;'); }";
// Gives the editor the text as shown, decoded.
const char* RawUnformatter = "function (cellvalue) { return cellvalue; }";

// Members of an object literal written one after another; a name may repeat.
class TEntryWriter {
public:
  void Add(const std::string& Name, const TOrderedJSON& Value) {
    FText += (FText.size() > 1 ? "," : "") + JSONText(Name) + ":" + JSONText(Value);
  }
  // A value that holds data, such as the choices read from a lookup dataset.
  void AddData(const std::string& Name, const TOrderedJSON& Value) {
    FText += (FText.size() > 1 ? "," : "") + JSONText(Name) + ":" +
             EscapeBracesInStrings(JSONText(Value));
  }
  void AddScript(const std::string& Name, const std::string& Script) {
    Add(Name, NoQuotationMarks + Script + NoQuotationMarks);
  }
  std::string Text() const { return UnquoteScript(FText + "}"); }

private:
  std::string FText = "{";
};

} // namespace

// Buttons ----------------------------------------------------------------------------------------

TFacetDBGridColumnButton::TFacetDBGridColumnButton(TFacetDBGridColumn& AColumn,
                                                   TFacetDBGridColumnButton* AParent,
                                                   std::string AName)
    : FName(std::move(AName)), FIdentify(FName), FFacetDBGridColumn(AColumn),
      FButtonParent(AParent) {}

TFacetDBGridColumnButton& TFacetDBGridColumnButton::Add() {
  const std::string name = "Parent" + FName + "_" + std::to_string(FButtons.size() + 1);
  FButtons.push_back(std::make_unique<TFacetDBGridColumnButton>(FFacetDBGridColumn, this, name));
  return *FButtons.back();
}

TFacetDBGridColumnButton& TFacetDBGridColumnButton::Add(const std::string& ACaption) {
  TFacetDBGridColumnButton& button = Add();
  button.SetCaption(ACaption);
  return button;
}

std::string TFacetDBGridColumnButton::ElementID() const {
  const TFacetDBGrid* grid = FFacetDBGridColumn.FacetDBGrid();
  return (grid != nullptr ? grid->ElementID() : std::string()) + FName;
}

std::string TFacetDBGridColumnButton::MakeHTML() const {
  const TFacetDBGrid* grid = FFacetDBGridColumn.FacetDBGrid();
  const std::string gridID = grid != nullptr ? grid->ElementID() : "";
  const std::string click =
      gridID + "_CellButtonClick(" + std::to_string(FFacetDBGridColumn.GetColumnIndex()) + ",this)";
  const bool dropdown = !FButtons.empty();
  std::string icon = FButtonIcon;
  if (!icon.empty() && !FCaption.empty())
    icon += " me-2";
  const std::string classes = JoinClasses({FCSS, FButtonType, FButtonWidth, FButtonHeigth});

  std::string html;
  if (dropdown)
    html += "<div class=\"dropdown celldropdown\">";
  html += "<button recno=\"${recNo}\" id=\"" + HTMLEncode(ElementID()) + "\" class=\"" +
          HTMLEncode(classes) + "\" onclick=\"" + click + "\"";
  if (dropdown)
    html += " data-bs-toggle=\"dropdown\" aria-expanded=\"false\"";
  html += " style=\"\">";
  if (!icon.empty())
    html += "<i class=\"" + HTMLEncode(icon) + "\" aria-hidden=\"true\"></i>";
  html += HTMLEncode(FCaption) + "</button>";
  if (dropdown) {
    html += "<ul class=\"dropdown-menu\" aria-labelledby=\"" + gridID + "\">";
    for (const auto& sub : FButtons) {
      html += "<li><a recno=\"${recNo}\" id=\"" + HTMLEncode(sub->ElementID()) +
              "\" class=\"dropdown-item\" onclick=\"" + click + "\">";
      if (!sub->GetButtonIcon().empty())
        html +=
            "<i class=\"" + HTMLEncode(sub->GetButtonIcon()) + " me-2\" aria-hidden=\"true\"></i>";
      html += HTMLEncode(sub->GetCaption()) + "</a></li>";
    }
    html += "</ul></div>";
  }
  return html;
}

TFacetDBGridColumnButton& TFacetDBGridColumnButtons::Add() {
  const std::string name = "GridButton" + std::to_string(FButtons.size() + 1);
  FButtons.push_back(std::make_unique<TFacetDBGridColumnButton>(FColumn, nullptr, name));
  FColumn.SetDataFieldModel(FacetFieldModelButton);
  return *FButtons.back();
}

TFacetDBGridColumnButton& TFacetDBGridColumnButtons::Add(const std::string& ACaption) {
  TFacetDBGridColumnButton& button = Add();
  button.SetCaption(ACaption);
  return button;
}

std::string TFacetDBGridColumnButtons::MakeHTML() const {
  std::string html;
  for (const auto& button : FButtons)
    html += (html.empty() ? "" : "<span class=\"me-2\"></span>") + button->MakeHTML();
  return html.empty() ? html : "<div class=\"cellgridcolbuttons d-flex\">" + html + "</div>";
}

// Columns ----------------------------------------------------------------------------------------

TFacetDBGridColumn::TFacetDBGridColumn(TFacetDBGridColumns& AColumns) : FColumns(AColumns) {
  for (const auto& column : AColumns.FColumns)
    FColumnIndex = std::max(FColumnIndex, column->FColumnIndex + 1);
  UpdateColName();
}

TFacetDBGrid* TFacetDBGridColumn::FacetDBGrid() const {
  return FColumns.FacetDBGrid();
}

void TFacetDBGridColumn::SetDataField(const std::string& Value) {
  FDataField = Value;
  UpdateColName();
}

void TFacetDBGridColumn::SetDataFieldModel(TFacetFieldModel Value) {
  FDataFieldModel = Value;
  UpdateColName();
}

void TFacetDBGridColumn::UpdateColName() {
  std::string base = FDataField;
  if (base.empty())
    base = FDataFieldModel == FacetFieldModelHTML     ? "ColHTML"
           : FDataFieldModel == FacetFieldModelButton ? "ColButton"
                                                      : "ColNoName";
  std::string name = base;
  for (int suffix = 1; FColumns.NameTaken(*this, name); ++suffix)
    name = base + std::to_string(suffix);
  FColName = name;
}

void TFacetDBGridColumn::SetColumnIndex(int Value) {
  const int last = static_cast<int>(FColumns.FColumns.size()) - 1;
  Value = std::max(0, std::min(Value, last));
  for (const auto& other : FColumns.FColumns) {
    if (other.get() == this)
      continue;
    if (Value < FColumnIndex && other->FColumnIndex >= Value && other->FColumnIndex < FColumnIndex)
      ++other->FColumnIndex;
    else if (Value > FColumnIndex && other->FColumnIndex <= Value &&
             other->FColumnIndex > FColumnIndex)
      --other->FColumnIndex;
  }
  FColumnIndex = Value;
}

bool TFacetDBGridColumn::EditableInGrid() const {
  const TFacetDBGrid* grid = FacetDBGrid();
  return FEditable && grid != nullptr && grid->GetStoredEditable();
}

bool TFacetDBGridColumn::LookupReady() const {
  return FLookup.LookupDataSet != nullptr && FLookup.LookupDataSet->GetActive() &&
         !FLookup.KeyFields.empty() && !FLookup.LookupKeyFields.empty() &&
         !FLookup.LookupResultField.empty();
}

void TFacetDBGridColumn::FillLookupItems() {
  const TFacetDBGrid* grid = FacetDBGrid();
  const TDuoTerm* terms = grid != nullptr ? grid->Lang() : nullptr;
  const std::string select = terms != nullptr ? terms->GetCombobox().GetSelect() : "Select";
  TDataSet& lookup = *FLookup.LookupDataSet;
  const TField& result = lookup.FieldByName(FLookup.LookupResultField);
  TOrderedJSON items = TOrderedJSON::object();
  items["0"] = "--" + select + "--";
  // Read without moving the lookup dataset, so that nothing following it sees a scroll.
  for (int recNo = 1; recNo <= lookup.GetRecordCount(); ++recNo)
    items[std::to_string(recNo)] = lookup.DisplayTextAt(recNo, result);
  FSelectItems = std::move(items);
}

std::string TFacetDBGridColumn::Formatter() const {
  const std::string value =
      FDataField.empty() ? " var value = null; " : " var value = rowObject." + FDataField + "; ";
  const std::string body = FDataFieldModel == FacetFieldModelButton ? FButtons.MakeHTML() : FHTML;
  return "function (cellvalue, options, rowObject) { " + value +
         " var recNo = rowObject.FacetRecNo; " + " var data = rowObject; " + " return `" + body +
         "`}";
}

std::string TFacetDBGridColumn::ColModelEntry() {
  TEntryWriter entry;
  entry.Add("name", FColName);
  entry.Add("index", FColumnIndex);
  entry.Add("label", FTitle);
  entry.Add("width", ScaledWidth(FWidth));
  entry.Add("align", FAlignment == FacetAlignRigth    ? "right"
                     : FAlignment == FacetAlignCenter ? "center"
                                                      : "left");
  if (FDataFieldModel == FacetFieldModelNone)
    SetDataFieldModel(FacetFieldModelField);

  std::vector<std::string> classes;
  TOrderedJSON editOptions = TOrderedJSON::object();
  TFacetDBGrid* grid = FacetDBGrid();
  TDataSet* dataSet = grid != nullptr ? grid->ActiveDataSet() : nullptr;
  if (EditableInGrid()) {
    entry.Add("editable", true);
    classes.push_back("CellEditable");
    entry.Add("width", ScaledWidth(FWidth + 3));
    if (LookupReady() && dataSet != nullptr && dataSet->FindField(FDataField) != nullptr) {
      SetDataFieldModel(FacetFieldModelLookup);
      entry.Add("width", ScaledWidth(FWidth + 8));
      if (!FSelectItems.is_null())
        FillLookupItems();
    }
    if (FSelectItems.is_object() && !FSelectItems.empty()) {
      if (FDataFieldModel != FacetFieldModelLookup)
        SetDataFieldModel(FacetFieldModelCombobox);
      entry.Add("edittype", "select");
      editOptions["value"] = FSelectItems;
      editOptions["style"] = "width: 100%;box-sizing: border-box;";
      entry.Add("width", ScaledWidth(FWidth + 8));
    } else {
      entry.Add("edittype", "text");
    }
    if (!FDataField.empty() && FDataFieldType == FacetFieldTypeAuto && dataSet != nullptr)
      if (const TField* field = dataSet->FindField(FDataField))
        FDataFieldType = FacetFieldType(field->GetDataType());
  } else {
    entry.Add("editable", false);
  }
  if (!FCSS.empty())
    classes.push_back(FCSS);
  if (FDataFieldModel == FacetFieldModelButton || FDataFieldModel == FacetFieldModelHTML) {
    entry.AddScript("formatter", Formatter());
    classes.push_back(FDataFieldModel == FacetFieldModelButton ? "gridcolbuttons" : "gridcolhtml");
  } else {
    entry.AddScript("formatter", EncodingFormatter);
    entry.AddScript("unformat", RawUnformatter);
  }
  if (!editOptions.empty())
    entry.AddData("editoptions", editOptions);
  entry.Add("classes", JoinClasses(classes));
  return entry.Text();
}

// Column list ------------------------------------------------------------------------------------

TFacetDBGridColumn& TFacetDBGridColumns::Add() {
  auto column = std::make_unique<TFacetDBGridColumn>(*this);
  FColumns.push_back(std::move(column));
  return *FColumns.back();
}

bool TFacetDBGridColumns::NameTaken(const TFacetDBGridColumn& AColumn,
                                    const std::string& AName) const {
  return std::any_of(FColumns.begin(), FColumns.end(), [&](const auto& column) {
    return column.get() != &AColumn && SameText(column->FColName, AName);
  });
}

TFacetDBGridColumn* TFacetDBGridColumns::ColumnByDataField(const std::string& ADataField) const {
  if (ADataField.empty())
    return nullptr;
  for (auto it = FColumns.rbegin(); it != FColumns.rend(); ++it)
    if (SameText((*it)->GetDataField(), ADataField))
      return it->get();
  return nullptr;
}

TFacetDBGridColumn*
TFacetDBGridColumns::FirstColumnByDataField(const std::string& ADataField) const {
  if (ADataField.empty())
    return nullptr;
  for (const auto& column : FColumns)
    if (SameText(column->GetDataField(), ADataField))
      return column.get();
  return nullptr;
}

TFacetDBGridColumn* TFacetDBGridColumns::ColumnByIndex(int AColumnIndex) const {
  for (const auto& column : FColumns)
    if (column->GetColumnIndex() == AColumnIndex)
      return column.get();
  return nullptr;
}

std::vector<TFacetDBGridColumn*> TFacetDBGridColumns::ByIndex() const {
  std::vector<TFacetDBGridColumn*> columns;
  for (const auto& column : FColumns)
    columns.push_back(column.get());
  std::stable_sort(columns.begin(), columns.end(), [](const auto* a, const auto* b) {
    return a->GetColumnIndex() < b->GetColumnIndex();
  });
  return columns;
}

std::vector<std::string> TFacetDBGridColumns::GetColumnsNameToJSON() const {
  std::vector<std::string> names;
  for (const TFacetDBGridColumn* column : ByIndex())
    if (!column->GetDataField().empty())
      names.push_back(column->GetDataField());
  return names;
}

std::vector<std::pair<std::string, std::string>> TFacetDBGridColumns::ColModelEntries() {
  std::vector<std::pair<std::string, std::string>> entries;
  for (TFacetDBGridColumn* column : ByIndex())
    if (column->GetVisible()) {
      std::string entry = column->ColModelEntry();
      entries.emplace_back(column->ColName(), std::move(entry));
    }
  return entries;
}

std::string TFacetDBGridColumns::ColumnsToColModel() {
  std::string model;
  for (const auto& [name, entry] : ColModelEntries())
    model += (model.empty() ? "" : ",\r\n") + entry;
  return model;
}
