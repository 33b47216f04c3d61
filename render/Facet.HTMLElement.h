#pragma once

// The page control of a raw HTML element: a block holding markup that the form gives, either
// directly or as the text of one of its labels, edits or memos.  The markup is inserted as it
// is; link it to trusted text only.

#include "render/Facet.Forms.Controls.h"

#include <string>
#include <vector>

class TFacetHTMLElement : public TFacetControl, public IFacetHTMLElement {
  DUO_CLASS(TFacetHTMLElement, TFacetControl)

public:
  using TFacetControl::TFacetControl;
  ~TFacetHTMLElement() override;

  // The linked component's text, or the markup set when no component is linked.
  std::string GetHTML() const;
  void SetHTML(const std::string& Value) override { FHTML = Value; }
  TComponent* GetLabelHTMLElement() const { return FLabel; }
  void SetComponentHTMLElement(TComponent* Value) override;

  bool IsHTMLElement() const override { return true; }
  void Initialize() override;
  void ProcessHTML() override;
  void ProcessComponentState(const TJSON&) override {}
  bool GetEnableComponentState() const override { return true; }

protected:
  void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  std::string FStoredHTML;
  std::string FHTML;
  TComponent* FLabel = nullptr;
};
