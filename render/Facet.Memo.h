#pragma once

// The page control of a memo: a text area whose text is the live memo's lines.

#include "render/Facet.Forms.Controls.h"

#include <string>
#include <vector>

class TFacetMemo : public TFacetControl {
  DUO_CLASS(TFacetMemo, TFacetControl)

public:
  using TFacetControl::TFacetControl;

  // The live memo's lines; not owned.
  void SetLines(TStrings* Value) { FLines = Value; }
  TStrings* GetLines() const { return FLines; }
  void SetRows(int Value) { FRows = Value; }
  int GetRows() const { return FRows; }
  // The lines' text, each line ended by CR LF.
  std::string GetText() const;

  bool IsMemo() const override { return true; }
  bool NeedCheckValidation() const override { return true; }
  void Initialize() override;
  void ProcessHTML() override;
  // "text": the lines take the browser's text.
  void ProcessComponentState(const TJSON& ComponentStateInfo) override;
  bool GetEnableComponentState() const override { return true; }

protected:
  void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) override;

private:
  TStrings* FLines = nullptr;
  int FRows = 3;
  std::string FStoredText;
};
