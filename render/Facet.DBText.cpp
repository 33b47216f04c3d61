#include "render/Facet.DBText.h"

const TClassInfo& TFacetDBText::StaticClass() {
  static const TClassInfo info = TClassBuilder<TFacetDBText>("TFacetDBText").Creatable().Build();
  return info;
}

void TFacetDBText::Initialize() {
  TFacetDBControl::Initialize();
  FStoredText = GetText();
}

void TFacetDBText::ProcessHTML() {
  FHTMLControl = "<span " + FHTMLCore + ">" + HTMLEncodeData(GetText()) + "</span>";
}

void TFacetDBText::UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  const std::string text = GetText();
  if (AForceUpdate || text != FStoredText) {
    FStoredText = text;
    const std::string quoted = FormatValueHTML(text);
    ScriptJS.push_back(ElementJS() + ".value = " + quoted + ";");
    ScriptJS.push_back(ElementJS() + ".textContent = " + quoted + ";");
  }
}
