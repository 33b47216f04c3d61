#include "render/Facet.DBEdit.h"

#include "bridge/Duo.Util.h"
#include "render/Facet.Edit.h"
#include "render/Facet.Forms.Interfaces.h"
#include "render/Facet.TextMask.h"

#include <cmath>

const TClassInfo& TFacetDBEdit::StaticClass() {
  static const TClassInfo info = TClassBuilder<TFacetDBEdit>("TFacetDBEdit").Creatable().Build();
  return info;
}

TFacetDBEdit::TFacetDBEdit(TComponent* AOwner) : TFacetDBControl(AOwner) {
  FFormatSettings.ShortDateFormat = "yyyy-mm-dd";
  FFormatSettings.DateSeparator = '-';
}

std::string TFacetDBEdit::GetText() const {
  const TField* field = Field();
  if (field == nullptr)
    return "";
  if (FDataType != FacetFieldTypeDate && FDataType != FacetFieldTypeDateTime)
    return field->GetText();
  const TDateTime value = field->IsNull() ? TDateTime() : field->GetAsDateTime();
  if (value.Value == 0)
    return "";
  return FormatDateTime(FDataType == FacetFieldTypeDate ? "yyyy-mm-dd" : "yyyy-mm-dd tt", value);
}

void TFacetDBEdit::SetText(const std::string& Value) {
  WriteField(Value != FStoredText, [&](TField& field) {
    if (FDataType != FacetFieldTypeDate && FDataType != FacetFieldTypeDateTime) {
      field.SetAsString(Value);
      return;
    }
    TDateTime value;
    if (!Value.empty() &&
        !(FDataType == FacetFieldTypeDate ? TryStrToDate(Value, value, FFormatSettings)
                                          : TryStrToDateTime(Value, value, FFormatSettings))) {
      // Text the edit cannot read goes to the field, which reads it its own way or refuses it
      // in the application's words, naming the field.
      field.SetAsString(Value);
      return;
    }
    if (value.Value == 0)
      field.Clear();
    else
      field.SetAsDateTime(value);
  });
  FStoredText = Value;
}

void TFacetDBEdit::SetTextMask(const std::string& Value) {
  FTextMask = TFacetTextMask::ProcessTextMask(Value);
}

void TFacetDBEdit::Initialize() {
  TFacetDBControl::Initialize();
  FStoredText = GetText();
  FStoredTextMask = FTextMask;
}

void TFacetDBEdit::DecideDataType(const TField& Field) {
  if (FDataType != FacetFieldTypeAuto)
    return;
  switch (Field.GetDataType()) {
  case TFieldType::ftFloat:
    FDataType = FacetFieldTypeNumber;
    break;
  case TFieldType::ftSmallint:
  case TFieldType::ftInteger:
  case TFieldType::ftLargeint:
    FDataType = FacetFieldTypeInteger;
    FTextMask = TFacetTextMask::Integer();
    break;
  case TFieldType::ftDate:
  case TFieldType::ftDateTime:
  case TFieldType::ftTimeStamp: {
    const double value = Field.IsNull() ? 0 : Field.GetAsDateTime().Value;
    FDataType = value != std::floor(value) ? FacetFieldTypeDateTime : FacetFieldTypeDate;
    break;
  }
  case TFieldType::ftTime:
    FDataType = FacetFieldTypeTime;
    break;
  default:
    break;
  }
}

void TFacetDBEdit::ProcessHTML() {
  FHTMLCore = CoreWithCharCase(FHTMLCore, FCharCase);
  const std::string language = GetForm() != nullptr ? GetForm()->GetLanguage() : "";
  FHTMLControl = "<input " + FHTMLCore + " lang=\"" + HTMLEncode(language) + "\" ";
  // The mask is written before the input type is chosen: an integer mask chosen now shows from
  // the next rendering on.
  if (!FTextMask.empty())
    FHTMLControl += " data-inputmask=\"" + HTMLEncode(FTextMask) + "\"";
  if (const TField* field = Field()) {
    DecideDataType(*field);
    FHTMLControl += " " + InputHTMLTypeByFacetFieldType(FDataType) + " ";
  }
  FHTMLControl += " value=\"" + HTMLEncodeData(BrowserValue(GetText(), FDataType)) + "\"/>";
}

void TFacetDBEdit::UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  const std::string text = GetText();
  if (AForceUpdate || text != FStoredText) {
    // Only what was sent is remembered; the field itself is written by state intake alone.
    FStoredText = text;
    ScriptJS.push_back(ElementJS() + ".value = " + FormatValueHTML(BrowserValue(text, FDataType)) +
                       ";");
  }
  if (AForceUpdate || FTextMask != FStoredTextMask) {
    FStoredTextMask = FTextMask;
    for (std::string& statement : InputMaskStatements(ElementID(), FTextMask))
      ScriptJS.push_back(std::move(statement));
  }
}

void TFacetDBEdit::ProcessComponentState(const TJSON& ComponentStateInfo) {
  if (ComponentStateInfo.contains("text"))
    SetText(JSONStateText(ComponentStateInfo["text"]));
}
