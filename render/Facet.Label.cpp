#include "render/Facet.Label.h"

#include "bridge/Duo.Util.h"

const TClassInfo& TFacetLabel::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFacetLabel>("TFacetLabel")
          .Property("Caption", &TFacetLabel::GetCaption, &TFacetLabel::SetCaption)
          .Creatable()
          .Build();
  return info;
}

std::string TFacetLabel::GetText() const {
  return FProcGetText ? FProcGetText().AsString() : FStoredText;
}

void TFacetLabel::Initialize() {
  TFacetControl::Initialize();
  FStoredText = GetText();
}

void TFacetLabel::ProcessHTML() {
  if (FForControl.empty())
    FHTMLControl = "<span " + FHTMLCore + ">" + HTMLEncode(FStoredText) + "</span>";
  else
    FHTMLControl = "<label for=\"" + HTMLEncode(ElementIDOf(FForControl)) + "\" " + FHTMLCore +
                   ">" + HTMLEncode(FStoredText) + "</label>";
}

void TFacetLabel::UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  const std::string text = GetText();
  if (AForceUpdate || text != FStoredText) {
    FStoredText = text;
    ScriptJS.push_back(ElementJS() + ".textContent = " + FormatValueHTML(text) + ";");
  }
}
