#pragma once

// The page control of a data-aware check box: a switch that is checked when its field holds the
// checked value, and writes the checked or unchecked value back.

#include "render/Facet.DBControl.h"

#include <string>
#include <vector>

class TFacetDBCheckBox : public TFacetDBControl {
  DUO_CLASS(TFacetDBCheckBox, TFacetDBControl)

public:
  using TFacetDBControl::TFacetDBControl;

  void SetProcGetText(TOnGetValue Value) { FProcGetText = std::move(Value); }
  std::string GetText() const;
  void SetValueChecked(const std::string& Value) { FValueChecked = Value; }
  const std::string& GetValueChecked() const { return FValueChecked; }
  void SetValueUnChecked(const std::string& Value) { FValueUnChecked = Value; }
  const std::string& GetValueUnChecked() const { return FValueUnChecked; }
  // Whether the field's text is the checked value (without case).
  bool GetChecked() const;
  // Writes the checked or unchecked value into the field; nothing without a linked field.
  void SetChecked(bool Value);
  void SetCheckBoxType(TCheckBoxType Value) { FCheckBoxType = Value; }
  TCheckBoxType GetCheckBoxType() const { return FCheckBoxType; }

  bool IsDBCheckBox() const override { return true; }
  bool NeedCheckValidation() const override { return true; }
  void Initialize() override;
  void ProcessHTML() override;
  // "checked": applied at once, so the event handler that follows sees it.
  void ProcessComponentState(const TJSON& ComponentStateInfo) override;
  bool GetEnableComponentState() const override { return true; }

protected:
  void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) override;

private:
  bool FStoredChecked = false;
  std::string FStoredText;
  TOnGetValue FProcGetText;
  TCheckBoxType FCheckBoxType = CBSwitchType;
  std::string FValueChecked;
  std::string FValueUnChecked;
};
