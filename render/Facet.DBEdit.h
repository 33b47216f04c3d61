#pragma once

// The page control of a data-aware edit: an input element showing one field of the current
// record, and writing back what the user typed.

#include "render/Facet.DBControl.h"
#include "runtime/FormatSettings.h"
#include "ui/StdCtrls.h"

#include <string>
#include <vector>

class TFacetDBEdit : public TFacetDBControl {
  DUO_CLASS(TFacetDBEdit, TFacetDBControl)

public:
  explicit TFacetDBEdit(TComponent* AOwner);

  // The field's text; dates as "yyyy-mm-dd", date-times as "yyyy-mm-dd hh:nn:ss", a zero date as
  // empty.
  std::string GetText() const;
  // Writes the text into the field when it differs from the text last sent.
  void SetText(const std::string& Value);
  void SetEditDataType(TFacetFieldType Value) { FDataType = Value; }
  TFacetFieldType GetEditDataType() const { return FDataType; }
  TEditCharCase GetCharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value) { FCharCase = Value; }
  void SetTextMask(const std::string& Value);
  const std::string& GetTextMask() const { return FTextMask; }

  bool IsDBEdit() const override { return true; }
  void Initialize() override;
  void ProcessHTML() override;
  void ProcessComponentState(const TJSON& ComponentStateInfo) override;
  bool GetEnableComponentState() const override { return true; }

protected:
  void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) override;

private:
  std::string FStoredText;
  std::string FStoredTextMask;
  TFormatSettings FFormatSettings;
  TFacetFieldType FDataType = FacetFieldTypeAuto;
  TEditCharCase FCharCase = ecNormal;
  std::string FTextMask;

  // Chooses the input type from the field's data type, once.
  void DecideDataType(const TField& Field);
};
