#pragma once

// The page control of a check box: a switch with its caption, checked as the live check box is.

#include "render/Facet.Forms.Controls.h"

#include <string>
#include <vector>

class TFacetCheckBox : public TFacetControl {
  DUO_CLASS(TFacetCheckBox, TFacetControl)

public:
  using TFacetControl::TFacetControl;

  void SetProcGetText(TOnGetValue Value) { FProcGetText = std::move(Value); }
  void SetProcGetChecked(TOnGetValue Value) { FProcGetChecked = std::move(Value); }
  void SetProcSetChecked(TOnSetValue Value) { FProcSetChecked = std::move(Value); }
  // The live check box's caption; empty without one.
  std::string GetText() const;
  bool GetChecked() const;
  // Passes the state to the live check box when it differs from the state last sent.
  void SetChecked(bool Value);
  void SetCheckBoxType(TCheckBoxType Value) { FCheckBoxType = Value; }
  TCheckBoxType GetCheckBoxType() const { return FCheckBoxType; }

  bool IsCheckBox() const override { return true; }
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
  TOnGetValue FProcGetChecked;
  TOnSetValue FProcSetChecked;
  TCheckBoxType FCheckBoxType = CBSwitchType;
};

// The switch markup shared by the plain and the data-aware check box.
// Appends the label text and checked statements of a check box whose values changed since they
// were last sent (both when forced) and remembers the values sent.
void UpdateCheckBoxState(const TFacetControl& Control, const std::string& Text, bool Checked,
                         std::string& StoredText, bool& StoredChecked,
                         std::vector<std::string>& ScriptJS, bool AForceUpdate);
std::string CheckBoxHTML(const std::string& Core, const std::string& ElementID, bool Checked,
                         const std::string& Text);
// The statements that bring a switch's caption and state up to date.
std::string CheckBoxTextStatement(const std::string& ElementID, const std::string& Text);
std::string CheckBoxCheckedStatement(const std::string& ElementJS, bool Checked);
// The state a browser state object gives a check box, when it gives one.
bool CheckedFromState(const TJSON& ComponentStateInfo, bool& Checked);
