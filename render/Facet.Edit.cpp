#include "render/Facet.Edit.h"

#include "bridge/Duo.Util.h"
#include "render/Facet.TextMask.h"

const TClassInfo& TFacetEdit::StaticClass() {
  static const TClassInfo info = TClassBuilder<TFacetEdit>("TFacetEdit").Creatable().Build();
  return info;
}

TFacetEdit::TFacetEdit(TComponent* AOwner) : TFacetControl(AOwner) {
  FFormatSettings.ShortDateFormat = "yyyy-MM-dd";
  FFormatSettings.DateSeparator = '-';
}

std::string TFacetEdit::GetText() const {
  if (!FProcGetText)
    return FStoredText;
  const std::string text = FProcGetText().AsString();
  if (FDataType != FacetFieldTypeDate && FDataType != FacetFieldTypeDateTime)
    return text;
  TDateTime value;
  if (!TryStrToDateTime(text, value))
    return text;
  return FormatDateTime("yyyy-mm-dd", value);
}

void TFacetEdit::SetText(const std::string& Value) {
  if (FProcSetText && Value != FStoredText) {
    if ((FDataType == FacetFieldTypeDate || FDataType == FacetFieldTypeDateTime) && !Value.empty())
      FProcSetText(Variant(StrToDateTime(Value, FFormatSettings)));
    else
      FProcSetText(Variant(Value));
  }
  FStoredText = Value;
}

void TFacetEdit::SetEditDataType(TFacetFieldType Value) {
  FDataType = Value;
  if (Value == FacetFieldTypeInteger)
    FTextMask = TFacetTextMask::Integer();
}

void TFacetEdit::SetTextMask(const std::string& Value) {
  FTextMask = TFacetTextMask::ProcessTextMask(Value);
}

void TFacetEdit::Initialize() {
  TFacetControl::Initialize();
  FStoredText = GetText();
  FStoredTextMask = FTextMask;
  FStoredDataType = FDataType;
}

void TFacetEdit::ProcessHTML() {
  FHTMLCore = CoreWithCharCase(FHTMLCore, FCharCase);
  FHTMLControl = "<input " + FHTMLCore;
  if (!FTextMask.empty())
    FHTMLControl += " data-inputmask=\"" + HTMLEncode(FTextMask) + "\"";
  FHTMLControl += " " + InputHTMLTypeByFacetFieldType(FDataType) + " ";
  FHTMLControl += " value = \"" + HTMLEncodeData(BrowserValue(GetText(), FDataType)) + "\"/>";
}

void TFacetEdit::UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  const std::string element = ElementJS();
  const std::string text = GetText();
  if (AForceUpdate || text != FStoredText) {
    FStoredText = text;
    ScriptJS.push_back(element + ".value = " + FormatValueHTML(BrowserValue(text, FDataType)) +
                       ";");
  }
  if (AForceUpdate || FDataType != FStoredDataType) {
    FStoredDataType = FDataType;
    for (std::string& statement : InputTypeStatements(element, FDataType))
      ScriptJS.push_back(std::move(statement));
  }
  if (AForceUpdate || FTextMask != FStoredTextMask) {
    FStoredTextMask = FTextMask;
    for (std::string& statement : InputMaskStatements(ElementID(), FTextMask))
      ScriptJS.push_back(std::move(statement));
  }
}

void TFacetEdit::ProcessComponentState(const TJSON& ComponentStateInfo) {
  if (ComponentStateInfo.contains("text"))
    SetText(JSONStateText(ComponentStateInfo["text"]));
}

std::string BrowserValue(const std::string& AText, TFacetFieldType AType) {
  return AType == FacetFieldTypePassword ? std::string() : AText;
}

std::string CoreWithCharCase(const std::string& Core, TEditCharCase CharCase) {
  switch (CharCase) {
  case ecLowerCase:
    return HTMLAddItemFromClass(Core, "text-lowercase");
  case ecUpperCase:
    return HTMLAddItemFromClass(Core, "text-uppercase");
  default:
    return Core;
  }
}

std::vector<std::string> InputTypeStatements(const std::string& ElementJS, TFacetFieldType Type) {
  // The attribute text holds one or more `name="value"` pairs separated by blanks; each becomes
  // its own assignment, so that the statement stays valid script.
  std::vector<std::string> statements;
  const std::string attributes = InputHTMLTypeByFacetFieldType(Type);
  size_t pos = 0;
  while (pos < attributes.size()) {
    const size_t start = attributes.find_first_not_of(' ', pos);
    if (start == std::string::npos)
      break;
    const size_t open = attributes.find('"', start);
    const size_t close = attributes.find('"', open + 1);
    statements.push_back(ElementJS + "." + attributes.substr(start, close + 1 - start) + ";");
    pos = close + 1;
  }
  return statements;
}

std::vector<std::string> InputMaskStatements(const std::string& ElementID,
                                             const std::string& Mask) {
  std::vector<std::string> statements = {"$(\"#" + ElementID + "\").inputmask(\"remove\");"};
  if (!Mask.empty())
    statements.push_back("$(\"#" + ElementID + "\").inputmask({" + Mask + "});");
  return statements;
}
