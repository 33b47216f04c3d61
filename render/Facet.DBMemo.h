#pragma once

// The page control of a data-aware memo: a text area showing one field of the current record,
// and writing back what the user typed.

#include "render/Facet.DBControl.h"

#include <string>
#include <vector>

class TFacetDBMemo : public TFacetDBControl {
  DUO_CLASS(TFacetDBMemo, TFacetDBControl)

public:
  using TFacetDBControl::TFacetDBControl;

  std::string GetText() const { return FieldText(); }
  // Writes the text into the field when it differs from the text last sent.
  void SetText(const std::string& Value);

  bool IsDBMemo() const override { return true; }
  void Initialize() override;
  void ProcessHTML() override;
  void ProcessComponentState(const TJSON& ComponentStateInfo) override;
  bool GetEnableComponentState() const override { return true; }

protected:
  void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) override;

private:
  std::string FStoredText;
};
