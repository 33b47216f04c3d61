#pragma once

// The page control of a button: a button element with its caption; it has no value of its own.

#include "render/Facet.Forms.Controls.h"

#include <string>
#include <vector>

class TFacetButton : public TFacetControl {
  DUO_CLASS(TFacetButton, TFacetControl)

public:
  using TFacetControl::TFacetControl;

  void SetCaption(const std::string& Value) { FCaption = Value; }
  const std::string& GetCaption() const { return FCaption; }

  bool IsButton() const override { return true; }
  bool NeedCheckValidation() const override { return true; }
  void ProcessHTML() override;
  void ProcessComponentState(const TJSON&) override {}
  bool GetEnableComponentState() const override { return false; }

protected:
  void UpdateControlState(std::vector<std::string>&, bool) override {}

private:
  std::string FCaption;
};
