#pragma once

// The page control of an edit: an input element whose text, input type and input mask follow
// the live edit.

#include "render/Facet.Forms.Controls.h"
#include "runtime/FormatSettings.h"
#include "ui/StdCtrls.h"

#include <string>
#include <vector>

class TFacetEdit : public TFacetControl {
  DUO_CLASS(TFacetEdit, TFacetControl)

public:
  explicit TFacetEdit(TComponent* AOwner);

  void SetProcGetText(TOnGetValue Value) { FProcGetText = std::move(Value); }
  void SetProcSetText(TOnSetValue Value) { FProcSetText = std::move(Value); }
  // The live edit's text; date texts as "yyyy-mm-dd", the form a date input takes.
  std::string GetText() const;
  // Passes the text to the live edit when it differs from the text last sent (dates as date
  // values).
  void SetText(const std::string& Value);
  // An integer edit also gets the integer mask.
  void SetEditDataType(TFacetFieldType Value);
  TFacetFieldType GetEditDataType() const { return FDataType; }
  TEditCharCase GetCharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value) { FCharCase = Value; }
  void SetTextMask(const std::string& Value);
  const std::string& GetTextMask() const { return FTextMask; }

  bool IsEdit() const override { return true; }
  void Initialize() override;
  void ProcessHTML() override;
  void ProcessComponentState(const TJSON& ComponentStateInfo) override;
  bool GetEnableComponentState() const override { return true; }

protected:
  void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) override;

private:
  std::string FStoredText;
  std::string FStoredTextMask;
  TFacetFieldType FStoredDataType = FacetFieldTypeAuto;
  TOnSetValue FProcSetText;
  TOnGetValue FProcGetText;
  TFacetFieldType FDataType = FacetFieldTypeAuto;
  TFormatSettings FFormatSettings;
  TEditCharCase FCharCase = ecNormal;
  std::string FTextMask;
};

// The class that shows an edit's character case in the browser ("text-uppercase", …), added to
// an attribute text.
// What the browser is given of an edit's text: nothing of a password, ever (not in the page, not
// in an update), so no secret travels back to the browser or shows in the page's source.
std::string BrowserValue(const std::string& AText, TFacetFieldType AType);
std::string CoreWithCharCase(const std::string& Core, TEditCharCase CharCase);
// The statements that give an input element the attributes of a field type, one assignment per
// attribute (`X.type="number";`, `X.step="1";`).
std::vector<std::string> InputTypeStatements(const std::string& ElementJS, TFacetFieldType Type);
// The statements that replace an input element's mask.
std::vector<std::string> InputMaskStatements(const std::string& ElementID, const std::string& Mask);
