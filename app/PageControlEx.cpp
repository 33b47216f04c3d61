#include "app/PageControlEx.h"

#include <atomic>

namespace {

std::atomic<bool> ThemeServicesEnabled = true;

TRect Inflate(TRect r, int dx, int dy) {
  return {r.Left - dx, r.Top - dy, r.Right + dx, r.Bottom + dy};
}

} // namespace

bool TCustomTabControlHelper::ThemedDrawing() const {
  return FControl.GetOwnerDraw() && TPageControlEx::ThemesEnabled() &&
         FControl.GetStyle() == tsTabs && FControl.GetTabPosition() == tpTop;
}

int TCustomTabControlHelper::TabInset() const {
  const TRect first = FControl.TabRect(0);
  return first.IsEmpty() ? 0 : first.Top;
}

std::vector<TTabPaintStep> TCustomTabControlHelper::Paint() {
  FCanvas.clear();
  const int selected = FControl.GetTabIndex();
  if (!ThemedDrawing()) {
    // The platform draws the tabs; an owner-drawn control still draws each tab's content.
    if (FControl.GetOwnerDraw())
      for (int i = 0; FControl.PageOfTab(i) != nullptr; ++i)
        FControl.DrawTab(i, FControl.TabRect(i), i == selected);
    return std::move(FCanvas);
  }
  const int inset = TabInset();
  const int width = FControl.GetWidth();
  const int height = FControl.GetHeight();
  std::vector<int> others;
  for (int i = 0; FControl.PageOfTab(i) != nullptr; ++i)
    if (i != selected) {
      others.push_back(i);
      FCanvas.push_back(
          {i == FHotTabIndex ? TTabPaintKind::TabItemHot : TTabPaintKind::TabItemNormal, i,
           FControl.TabRect(i)});
    }
  TRect selectedRect;
  if (selected >= 0) {
    const TRect tab = FControl.TabRect(selected);
    FCanvas.push_back({TTabPaintKind::Pane, -1, Rect(0, tab.Bottom, width, height)});
    selectedRect = Inflate(tab, inset, inset);
    if (selectedRect.Right >= width - 1) {
      selectedRect.Right = width - 2;
      FCanvas.push_back({TTabPaintKind::ExcludePixel, selected,
                         Rect(selectedRect.Right - 1, selectedRect.Bottom - 1, selectedRect.Right,
                              selectedRect.Bottom)});
    }
    if (selectedRect.Left == 0)
      FCanvas.push_back({TTabPaintKind::ExcludePixel, selected,
                         Rect(0, selectedRect.Bottom - 1, 1, selectedRect.Bottom)});
    FCanvas.push_back({TTabPaintKind::TabItemSelected, selected, selectedRect});
  } else {
    FCanvas.push_back({TTabPaintKind::Pane, -1, Rect(0, 0, width, height)});
  }
  // The contents, with the control's font and brush and a clear brush style.
  for (int i : others) {
    const TRect tab = FControl.TabRect(i);
    FControl.DrawTab(i, Rect(tab.Left + inset, tab.Top, tab.Right - inset, tab.Bottom), false);
  }
  if (selected >= 0) {
    FControl.DrawTab(selected, selectedRect, true);
    if (FControl.Focused())
      FCanvas.push_back({TTabPaintKind::FocusRect, selected, Inflate(selectedRect, -3, -3)});
  }
  return std::move(FCanvas);
}

std::vector<TTabPaintStep> TCustomTabControlHelper::EraseBackground() const {
  if (!FControl.GetDoubleBuffered() || !ThemedDrawing())
    return {};
  const TRect page = FControl.GetDisplayRect();
  const int strip = TabInset() + FControl.GetTabHeight();
  return {{TTabPaintKind::EraseOutsidePage, -1, page},
          {TTabPaintKind::Pane, -1, Rect(0, strip, FControl.GetWidth(), FControl.GetHeight())}};
}

void TCustomTabControlHelper::UpdateHotTab(TPoint point) {
  const int index = FControl.IndexOfTabAt(point.X, point.Y);
  if (index == FHotTabIndex)
    return;
  const TRect old = FHotTabRect;
  FHotTabIndex = index;
  FHotTabRect = index >= 0 ? FControl.TabRect(index) : TRect{};
  if (!old.IsEmpty())
    FControl.InvalidateRect(old);
  if (!FHotTabRect.IsEmpty())
    FControl.InvalidateRect(FHotTabRect);
}

void TCustomTabControlHelper::PointerEntered(TPoint point) {
  UpdateHotTab(point);
}

void TCustomTabControlHelper::PointerMoved(TPoint point) {
  if (!FHotTabRect.Contains(point))
    UpdateHotTab(point);
}

void TCustomTabControlHelper::PointerLeft() {
  if (FHotTabIndex != -1)
    UpdateHotTab({-1, -1});
}

const TClassInfo& TPageControlEx::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TPageControlEx>("TPageControlEx").Creatable().Build();
  return info;
}

TPageControlEx::TPageControlEx(TComponent* AOwner)
    : TPageControl(AOwner), FHelper(std::make_unique<TCustomTabControlHelper>(*this)) {}

TPageControlEx::~TPageControlEx() = default;

bool TPageControlEx::ThemesEnabled() {
  return ThemeServicesEnabled;
}

void TPageControlEx::SetThemesEnabled(bool enabled) {
  ThemeServicesEnabled = enabled;
}

void TPageControlEx::Repaint() {
  std::vector<TTabPaintStep> steps = FHelper->EraseBackground();
  for (TTabPaintStep& step : FHelper->Paint())
    steps.push_back(std::move(step));
  FLastPaint = std::move(steps);
}

void TPageControlEx::InvalidateRect(const TRect& rect) {
  FInvalidated.push_back(rect);
  Repaint();
}

void TPageControlEx::MouseEnter() {
  TPageControl::MouseEnter();
  FHelper->PointerEntered(FPointer);
}

void TPageControlEx::MouseMove(TShiftState shift, int x, int y) {
  FPointer = {x, y};
  TPageControl::MouseMove(shift, x, y);
  FHelper->PointerMoved(FPointer);
}

void TPageControlEx::MouseLeave() {
  FHelper->PointerLeft();
  TPageControl::MouseLeave();
}
