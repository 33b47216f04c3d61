#pragma once

// The page control of a data-aware label: a span showing one field of the current record.

#include "render/Facet.DBControl.h"

#include <string>
#include <vector>

class TFacetDBText : public TFacetDBControl {
  DUO_CLASS(TFacetDBText, TFacetDBControl)

public:
  using TFacetDBControl::TFacetDBControl;

  std::string GetText() const { return FieldText(); }

  bool IsDBText() const override { return true; }
  void Initialize() override;
  void ProcessHTML() override;
  void ProcessComponentState(const TJSON&) override {}
  bool GetEnableComponentState() const override { return true; }

protected:
  void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) override;

private:
  std::string FStoredText;
};
