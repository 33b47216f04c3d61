#pragma once

// A page control whose tabs are drawn with the visual theme and follow the mouse: the tab under
// the pointer is drawn hot.  Drawing is described as a list of steps (which element, which tab,
// which rectangle, in which order), so that a backend can paint it and a test can read it.

#include "ui/ComCtrls.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// One step of painting the tabs.
enum class TTabPaintKind {
  // The platform erases everything outside the page area.
  EraseOutsidePage,
  // Theme elements.
  TabItemNormal,
  TabItemHot,
  TabItemSelected,
  Pane,
  // A single pixel left out of the painting.
  ExcludePixel,
  // What a tab's owner drawing puts on it.
  FillTab,
  Caption,
  CloseButton,
  FocusRect
};

struct TTabPaintStep {
  TTabPaintStep(TTabPaintKind kind, int tabIndex, TRect rect, std::string text = {},
                bool pressed = false)
      : Kind(kind), TabIndex(tabIndex), Rect(rect), Text(std::move(text)), Pressed(pressed) {}

  TTabPaintKind Kind;
  // The tab drawn, -1 for the pane and the background.
  int TabIndex;
  TRect Rect;
  std::string Text;
  bool Pressed;
  bool operator==(const TTabPaintStep&) const = default;
};

class TPageControlEx;

// The drawing object of a page control: tracks the hot tab and describes how the control is
// painted.
class TCustomTabControlHelper {
public:
  explicit TCustomTabControlHelper(TPageControlEx& AControl) : FControl(AControl) {}

  int GetHotTabIndex() const { return FHotTabIndex; }
  TRect GetHotTabRect() const { return FHotTabRect; }
  // Owner drawing is on, themes are in use, the tabs are tabs and sit at the top.
  bool ThemedDrawing() const;

  // The steps of painting the whole control.
  std::vector<TTabPaintStep> Paint();
  // The steps of erasing the background before a paint.
  std::vector<TTabPaintStep> EraseBackground() const;

  // The pointer entered, moved over or left the control.
  void PointerEntered(TPoint point);
  void PointerMoved(TPoint point);
  void PointerLeft();

  // Where the steps of the current paint go (DrawTab adds its own).
  std::vector<TTabPaintStep>& Canvas() { return FCanvas; }

private:
  TPageControlEx& FControl;
  int FHotTabIndex = -1;
  TRect FHotTabRect;
  std::vector<TTabPaintStep> FCanvas;

  void UpdateHotTab(TPoint point);
  // The first tab row's distance from the control's top.
  int TabInset() const;
};

class TPageControlEx : public TPageControl {
  DUO_CLASS(TPageControlEx, TPageControl)

public:
  explicit TPageControlEx(TComponent* AOwner);
  ~TPageControlEx() override;

  TCustomTabControlHelper& GetHelper() const { return *FHelper; }
  int GetHotTabIndex() const { return FHelper->GetHotTabIndex(); }

  // Whether the platform's theme services are in use (they are unless switched off).
  static bool ThemesEnabled();
  static void SetThemesEnabled(bool enabled);

  bool GetDoubleBuffered() const { return FDoubleBuffered; }
  void SetDoubleBuffered(bool value) { FDoubleBuffered = value; }

  // Paints the control now and keeps the steps as the last paint.
  void Repaint();
  // Asks for an area to be painted again: it is noted (until cleared) and the control repainted.
  void InvalidateRect(const TRect& rect);
  const std::vector<TTabPaintStep>& LastPaint() const { return FLastPaint; }
  const std::vector<TRect>& Invalidated() const { return FInvalidated; }
  void ClearInvalidated() { FInvalidated.clear(); }

  void MouseEnter() override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseLeave() override;

private:
  std::unique_ptr<TCustomTabControlHelper> FHelper;
  bool FDoubleBuffered = false;
  TPoint FPointer{-1, -1};
  std::vector<TTabPaintStep> FLastPaint;
  std::vector<TRect> FInvalidated;
};
