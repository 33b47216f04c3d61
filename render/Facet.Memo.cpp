#include "render/Facet.Memo.h"

#include "runtime/Strings.h"

const TClassInfo& TFacetMemo::StaticClass() {
  static const TClassInfo info = TClassBuilder<TFacetMemo>("TFacetMemo").Creatable().Build();
  return info;
}

std::string TFacetMemo::GetText() const {
  return FLines != nullptr ? FLines->GetText() : "";
}

void TFacetMemo::Initialize() {
  TFacetControl::Initialize();
  FStoredText = GetText();
}

void TFacetMemo::ProcessHTML() {
  FHTMLControl = "<div><textarea rows=\"" + std::to_string(FRows) + "\" " + FHTMLCore + ">" +
                 HTMLEncodeData(GetText()) + "</textarea></div>";
}

void TFacetMemo::UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  const std::string text = GetText();
  if (AForceUpdate || text != FStoredText) {
    FStoredText = text;
    ScriptJS.push_back(ElementJS() + ".value= " + FormatValueHTML(text) + ";");
  }
}

void TFacetMemo::ProcessComponentState(const TJSON& ComponentStateInfo) {
  if (!ComponentStateInfo.contains("text") || FLines == nullptr)
    return;
  FLines->SetText(JSONStateText(ComponentStateInfo["text"]));
  FStoredText = FLines->GetText();
}
