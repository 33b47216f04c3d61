#include "render/Facet.DBMemo.h"

const TClassInfo& TFacetDBMemo::StaticClass() {
  static const TClassInfo info = TClassBuilder<TFacetDBMemo>("TFacetDBMemo").Creatable().Build();
  return info;
}

void TFacetDBMemo::SetText(const std::string& Value) {
  WriteField(Value != FStoredText, [&](TField& field) { field.SetAsString(Value); });
  if (!GetDataField().empty())
    FStoredText = Value;
}

void TFacetDBMemo::Initialize() {
  TFacetDBControl::Initialize();
  FStoredText = GetText();
}

void TFacetDBMemo::ProcessHTML() {
  FHTMLControl = "<textarea  " + FHTMLCore + ">" + HTMLEncodeData(GetText()) + "</textarea>";
}

void TFacetDBMemo::UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  const std::string text = GetText();
  if (AForceUpdate || text != FStoredText) {
    // Only what was sent is remembered; the field itself is written by state intake alone.
    FStoredText = text;
    ScriptJS.push_back(ElementJS() + ".value = " + FormatValueHTML(text) + ";");
  }
}

void TFacetDBMemo::ProcessComponentState(const TJSON& ComponentStateInfo) {
  if (ComponentStateInfo.contains("text"))
    SetText(JSONStateText(ComponentStateInfo["text"]));
}
