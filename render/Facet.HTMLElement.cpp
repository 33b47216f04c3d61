#include "render/Facet.HTMLElement.h"

#include "ui/StdCtrls.h"

const TClassInfo& TFacetHTMLElement::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFacetHTMLElement>("TFacetHTMLElement").Creatable().Build();
  return info;
}

TFacetHTMLElement::~TFacetHTMLElement() {
  SetComponentHTMLElement(nullptr);
}

void TFacetHTMLElement::SetComponentHTMLElement(TComponent* Value) {
  if (FLabel != nullptr)
    RemoveFreeNotification(FLabel);
  FLabel = Value;
  if (FLabel != nullptr)
    FreeNotification(FLabel);
}

void TFacetHTMLElement::Notification(TComponent* AComponent, TOperation Operation) {
  TFacetControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FLabel)
    FLabel = nullptr;
}

std::string TFacetHTMLElement::GetHTML() const {
  if (FLabel == nullptr)
    return FHTML;
  // Labels and data-aware texts, edits, memos and their data-aware forms give their text.
  if (const auto* label = dynamic_cast<const TLabel*>(FLabel))
    return label->GetText();
  if (const auto* edit = dynamic_cast<const TCustomEdit*>(FLabel))
    return edit->GetText();
  return "";
}

void TFacetHTMLElement::Initialize() {
  TFacetControl::Initialize();
  FStoredHTML = GetHTML();
}

void TFacetHTMLElement::ProcessHTML() {
  FHTMLControl = "<div class=\"duohtmlelement\" id=\"" + ElementID() + "\">" + GetHTML() + "</div>";
}

void TFacetHTMLElement::UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  const std::string html = GetHTML();
  if (AForceUpdate || html != FStoredHTML) {
    FStoredHTML = html;
    ScriptJS.push_back(ElementJS() + ".innerHTML = " + FormatValueHTML(html) + ";");
  }
}
