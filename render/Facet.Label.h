#pragma once

// The page control of a label: a span whose text follows the live label, or, for a label that
// captions a control, a label element naming that control.

#include "render/Facet.Forms.Controls.h"

#include <string>
#include <vector>

class TFacetLabel : public TFacetControl {
  DUO_CLASS(TFacetLabel, TFacetControl)

public:
  using TFacetControl::TFacetControl;

  void SetProcGetText(TOnGetValue Value) { FProcGetText = std::move(Value); }
  // The live label's text, or the caption it was given.
  std::string GetText() const;
  void SetCaption(const std::string& Value) { FStoredText = Value; }
  std::string GetCaption() const { return GetText(); }
  // The name of the control the label captions; empty for none.
  void SetForControl(const std::string& Value) { FForControl = Value; }

  bool IsLabel() const override { return true; }
  void Initialize() override;
  void ProcessHTML() override;
  void ProcessComponentState(const TJSON&) override {}
  bool GetEnableComponentState() const override { return true; }

protected:
  void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) override;

private:
  std::string FStoredText;
  TOnGetValue FProcGetText;
  std::string FForControl;
};
