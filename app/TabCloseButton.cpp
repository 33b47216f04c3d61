#include "app/TabCloseButton.h"

#include "ui/Controls.h"

namespace {

constexpr int CloseButtonSize = 14;
constexpr int CloseButtonRightMargin = 5;

} // namespace

const TClassInfo& TTabCloseButton::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TTabCloseButton>("TTabCloseButton").Creatable().Build();
  return info;
}

TTabCloseButton::TTabCloseButton(TComponent* AOwner) : TPageControlEx(AOwner) {
  SetOwnerDraw(true);
  UpdateCloseButtons();
}

void TTabCloseButton::UpdateCloseButtons() {
  int tabs = 0;
  while (PageOfTab(tabs) != nullptr)
    ++tabs;
  FCloseButtonsRect.resize(static_cast<size_t>(tabs));
}

void TTabCloseButton::DrawTab(int TabIndex, const TRect& Rect, bool Active) {
  if (TabIndex < 0 || TabIndex >= static_cast<int>(FCloseButtonsRect.size()))
    return;
  TRect& button = FCloseButtonsRect[static_cast<size_t>(TabIndex)];
  button = Bounds(Rect.Right - CloseButtonRightMargin - CloseButtonSize,
                  Rect.Top + (Active ? 4 : 3), CloseButtonSize, CloseButtonSize);
  std::vector<TTabPaintStep>& canvas = GetHelper().Canvas();
  canvas.push_back({TTabPaintKind::FillTab, TabIndex, Rect});
  const TTabSheet* page = PageOfTab(TabIndex);
  canvas.push_back({TTabPaintKind::Caption, TabIndex,
                    Bounds(Rect.Left + (Active ? 6 : 3), Rect.Top + 3, 0, 0), page->GetCaption()});
  // The theme's close glyph reaches one pixel further left than the classic one.
  if (ThemesEnabled())
    button.Left -= 1;
  const bool pressed = Active && FCloseButtonShowPushed;
  canvas.push_back({TTabPaintKind::CloseButton, TabIndex, button, {}, pressed});
}

bool TTabCloseButton::InCloseButton(int tabIndex, TPoint point) const {
  if (tabIndex < 0 || tabIndex >= static_cast<int>(FCloseButtonsRect.size()))
    return false;
  return FCloseButtonsRect[static_cast<size_t>(tabIndex)].Contains(point);
}

void TTabCloseButton::RaiseCloseClick() {
  detail::TFreeWatch watch(this);
  if (OnCloseClick)
    OnCloseClick(this, GetActivePage());
  if (watch.Alive())
    Repaint();
}

void TTabCloseButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  detail::TFreeWatch watch(this);
  TPageControlEx::MouseDown(button, shift, x, y);
  if (!watch.Alive())
    return;
  if (button == mbLeft) {
    for (size_t i = 0; i < FCloseButtonsRect.size(); ++i)
      if (FCloseButtonsRect[i].Contains({x, y})) {
        FCloseButtonShowPushed = true;
        Repaint();
        break;
      }
    return;
  }
  const int tab = IndexOfTabAt(x, y);
  if (tab >= 0 && tab != GetTabIndex())
    SetActivePage(PageOfTab(tab));
}

void TTabCloseButton::MouseMove(TShiftState shift, int x, int y) {
  TPageControlEx::MouseMove(shift, x, y);
  if (!shift.Contains(ssLeft))
    return;
  const bool pushed = InCloseButton(GetTabIndex(), {x, y});
  if (pushed != FCloseButtonShowPushed) {
    FCloseButtonShowPushed = pushed;
    Repaint();
  }
}

void TTabCloseButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  detail::TFreeWatch watch(this);
  TPageControlEx::MouseUp(button, shift, x, y);
  if (!watch.Alive())
    return;
  if (button == mbLeft) {
    // Releasing the button ends the press, wherever the pointer is.
    const bool wasPushed = FCloseButtonShowPushed;
    FCloseButtonShowPushed = false;
    if (InCloseButton(GetTabIndex(), {x, y}))
      RaiseCloseClick();
    else if (wasPushed)
      Repaint();
  } else if (button == mbMiddle) {
    RaiseCloseClick();
  }
}

void TTabCloseButton::MouseLeave() {
  TPageControlEx::MouseLeave();
  FCloseButtonShowPushed = false;
  Repaint();
}
