#include "render/Facet.DBLookupCombobox.h"

#include "bridge/Duo.Util.h"
#include "render/Facet.Combobox.h"
#include "render/Facet.Forms.Interfaces.h"
#include "runtime/StrUtils.h"

const TClassInfo& TFacetDBLookupCombobox::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFacetDBLookupCombobox>("TFacetDBLookupCombobox").Creatable().Build();
  return info;
}

TFacetDBLookupCombobox::TFacetDBLookupCombobox(TComponent* AOwner) : TFacetDBControl(AOwner) {
  FDataLink.OnDataEvent = [this](TDataEvent Event, bool WasActive) {
    const TDataSet* dataSet = FDataLink.GetDataSet();
    if (Event == TDataEvent::deUpdateState && !WasActive && dataSet != nullptr &&
        dataSet->GetActive())
      RequestRefresh();
  };
  FListDataLink.OnDataEvent = [this](TDataEvent Event, bool WasActive) {
    const TDataSet* dataSet = FListDataLink.GetDataSet();
    const bool active = dataSet != nullptr && dataSet->GetActive();
    if (active != (Event == TDataEvent::deUpdateState && WasActive))
      RequestRefresh();
  };
}

TFacetDBLookupCombobox::~TFacetDBLookupCombobox() {
  SetListDataSource(nullptr);
}

void TFacetDBLookupCombobox::SetListDataSource(TDataSource* Value) {
  WatchDataSource(FListDataLink.GetDataSource(), Value);
  FListDataLink.SetDataSource(Value);
}

void TFacetDBLookupCombobox::Notification(TComponent* AComponent, TOperation Operation) {
  TFacetDBControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FListDataLink.GetDataSource())
    FListDataLink.SetDataSource(nullptr);
}

void TFacetDBLookupCombobox::RequestRefresh() {
  const IFacetForm* form = GetForm();
  if (!FReadingList && form != nullptr && form->GetFormPageState() == PageStateLoaded &&
      !form->GetComponentsUpdating())
    FRefreshData = true;
}

std::string TFacetDBLookupCombobox::GetSelectedItem() const {
  if (Field() != nullptr)
    return FieldText();
  return FProcGetText ? FProcGetText().AsString() : "";
}

void TFacetDBLookupCombobox::SetSelectedItem(const std::string& Value) {
  if (Field() != nullptr)
    WriteField(Value != FStoredSelectedItem, [&](TField& field) { field.SetAsString(Value); });
  else if (FProcSetText)
    FProcSetText(Variant(Value));
  FStoredSelectedItem = Value;
}

void TFacetDBLookupCombobox::Initialize() {
  TFacetDBControl::Initialize();
  FStoredSelectedItem = GetSelectedItem();
}

std::string TFacetDBLookupCombobox::ListOptions(const std::string& SelectedKey, bool& AnySelected) {
  std::string options;
  TDataSet* list = FListDataLink.GetDataSet();
  if (list == nullptr || !list->GetActive())
    return options;
  const TField* key = list->FindField(FKeyDataField);
  const TField* text = list->FindField(FListDataField);
  if (key == nullptr || text == nullptr)
    return options;
  const int recNo = list->GetRecNo();
  FReadingList = true;
  list->DisableControls();
  try {
    list->First();
    for (int count = 0; count < FMaxRecords && !list->GetEof(); ++count) {
      const std::string keyText = key->GetText();
      const bool selected = SameText(keyText, SelectedKey);
      AnySelected = AnySelected || selected;
      options += std::string("<option ") + (selected ? "selected " : "") + "value=\"" +
                 HTMLEncodeData(keyText) + "\">" + HTMLEncodeData(text->GetText()) + "</option>";
      list->Next();
    }
    if (recNo > 0)
      list->SetRecNo(recNo);
  } catch (...) {
    list->EnableControls();
    FReadingList = false;
    throw;
  }
  list->EnableControls();
  FReadingList = false;
  return options;
}

void TFacetDBLookupCombobox::ProcessHTML() {
  const std::string term = SelectTerm(*this);
  const std::string selected = GetSelectedItem();
  const TDataSet* dataSet = FDataLink.GetDataSet();
  const bool dataActive = dataSet != nullptr && dataSet->GetActive();
  std::string options;
  if (dataActive && selected.empty())
    options += PlaceholderOption(term);
  bool anySelected = false;
  options += ListOptions(selected, anySelected);
  if (!dataActive && !anySelected)
    options += PlaceholderOption(term);
  FHTMLControl = "<select  " + FHTMLCore + " aria-label=\"" + HTMLEncode(term) + "\" " + ">" +
                 options + "</select>";
}

void TFacetDBLookupCombobox::UpdateControlState(std::vector<std::string>& ScriptJS,
                                                bool AForceUpdate) {
  const std::string selected = GetSelectedItem();
  if (AForceUpdate || selected != FStoredSelectedItem) {
    FStoredSelectedItem = selected;
    ScriptJS.push_back(ElementJS() + ".value = " + FormatValueHTML(selected) + ";");
  }
  if (AForceUpdate || FRefreshData) {
    ProcessHTML();
    ScriptJS.push_back(ElementJS() + ".outerHTML = " + FormatValueHTML(FHTMLControl) + ";");
    FRefreshData = false;
  }
}

void TFacetDBLookupCombobox::ProcessComponentState(const TJSON& ComponentStateInfo) {
  if (ComponentStateInfo.contains("selectedvalue"))
    SetSelectedItem(JSONStateText(ComponentStateInfo["selectedvalue"]));
}
