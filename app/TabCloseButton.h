#pragma once

// A page control with a close button on every tab.  A left click on the active tab's close
// button, or a middle click anywhere on the control, raises OnCloseClick with the active tab; a
// right or middle press first activates the tab under the pointer.

#include "app/PageControlEx.h"

#include <functional>
#include <vector>

using TCloseClickEvent = std::function<void(TObject* Sender, TTabSheet* TabSheet)>;

class TTabCloseButton : public TPageControlEx {
  DUO_CLASS(TTabCloseButton, TPageControlEx)

public:
  explicit TTabCloseButton(TComponent* AOwner);

  // Makes one close-button rectangle per tab (the rectangles are placed when the tabs are drawn).
  void UpdateCloseButtons();
  const std::vector<TRect>& GetCloseButtonsRect() const { return FCloseButtonsRect; }
  bool GetCloseButtonShowPushed() const { return FCloseButtonShowPushed; }

  // Fills the tab, writes its caption and draws its close button.
  void DrawTab(int TabIndex, const TRect& Rect, bool Active) override;

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseLeave() override;

  TCloseClickEvent OnCloseClick;

private:
  std::vector<TRect> FCloseButtonsRect;
  bool FCloseButtonShowPushed = false;

  // Whether a point lies in the close button of the tab (of the active tab for -1).
  bool InCloseButton(int tabIndex, TPoint point) const;
  void RaiseCloseClick();
};
