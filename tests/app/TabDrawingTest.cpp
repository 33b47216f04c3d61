#include "app/TabCloseButton.h"
#include "ui/Driver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using K = TTabPaintKind;

TRect Inflate(TRect r, int d) {
  return {r.Left - d, r.Top - d, r.Right + d, r.Bottom + d};
}

// A page control with close buttons and three tabs on a shown form.
class TabDrawing : public ::testing::Test {
protected:
  TabDrawing() : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App), Driver(App) {
    Host = new TForm(&App);
    Host->SetName("fHost");
    Host->SetBounds(0, 0, 800, 600);
    Tabs = new TTabCloseButton(Host);
    Tabs->SetName("Tabs");
    Tabs->SetParent(Host);
    Tabs->SetBounds(0, 0, 400, 300);
    for (const char* caption : {"Um", "Dois", "Tres"}) {
      auto* sheet = new TTabSheet(Tabs);
      sheet->SetCaption(caption);
      sheet->SetPageControl(Tabs);
    }
    Tabs->UpdateCloseButtons();
    Tabs->SetActivePageIndex(1);
    Tabs->OnCloseClick = [this](TObject*, TTabSheet* sheet) { Closed.push_back(sheet); };
    Host->Show();
    TPageControlEx::SetThemesEnabled(true);
  }
  ~TabDrawing() override { TPageControlEx::SetThemesEnabled(true); }

  std::vector<K> Kinds() const {
    std::vector<K> kinds;
    for (const TTabPaintStep& step : Tabs->LastPaint())
      kinds.push_back(step.Kind);
    return kinds;
  }
  const TTabPaintStep& Step(K kind, int tab) const {
    for (const TTabPaintStep& step : Tabs->LastPaint())
      if (step.Kind == kind && step.TabIndex == tab)
        return step;
    throw std::runtime_error("no such paint step");
  }
  TPoint Centre(TRect r) const { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }
  TPoint CloseButtonCentre(int tab) const { return Centre(Tabs->GetCloseButtonsRect()[tab]); }

  TApplication App;
  TApplicationScope Scope;
  THeadlessDriver Driver;
  TForm* Host = nullptr;
  TTabCloseButton* Tabs = nullptr;
  std::vector<TTabSheet*> Closed;
};

TEST_F(TabDrawing, ThemedPaintDrawsOtherTabsThenPaneThenSelectedTab) {
  const TPoint overThird = Centre(Tabs->TabRect(2));
  Driver.MouseMove(*Host, "Tabs", overThird.X, overThird.Y);
  ASSERT_EQ(Tabs->GetHotTabIndex(), 2);
  Tabs->Repaint();
  // The control is the only one on the form, so it has the focus: its frame comes last.
  EXPECT_EQ(Kinds(),
            (std::vector<K>{K::TabItemNormal, K::TabItemHot, K::Pane, K::TabItemSelected,
                            K::FillTab, K::Caption, K::CloseButton, K::FillTab, K::Caption,
                            K::CloseButton, K::FillTab, K::Caption, K::CloseButton, K::FocusRect}));
  const TRect second = Tabs->TabRect(1);
  const int inset = Tabs->TabRect(0).Top;
  EXPECT_EQ(Step(K::TabItemNormal, 0).Rect, Tabs->TabRect(0));
  EXPECT_EQ(Step(K::Pane, -1).Rect, Rect(0, second.Bottom, 400, 300));
  EXPECT_EQ(Step(K::TabItemSelected, 1).Rect, Inflate(second, inset));
  // Other tabs get their content drawn narrowed by the inset; the selected one enlarged.
  const TRect first = Tabs->TabRect(0);
  EXPECT_EQ(Step(K::FillTab, 0).Rect,
            Rect(first.Left + inset, first.Top, first.Right - inset, first.Bottom));
  EXPECT_EQ(Step(K::FillTab, 1).Rect, Inflate(second, inset));
  EXPECT_EQ(Step(K::Caption, 1).Text, "Dois");
  EXPECT_EQ(Step(K::Caption, 1).Rect.Left, Inflate(second, inset).Left + 6);
  EXPECT_EQ(Step(K::Caption, 0).Rect.Left, first.Left + inset + 3);
}

TEST_F(TabDrawing, SelectedTabAtAnEdgeLeavesOutACornerPixel) {
  Tabs->SetActivePageIndex(0);
  Tabs->Repaint();
  const TRect selected = Step(K::TabItemSelected, 0).Rect;
  ASSERT_EQ(selected.Left, 0);
  EXPECT_EQ(Step(K::ExcludePixel, 0).Rect, Rect(0, selected.Bottom - 1, 1, selected.Bottom));

  // Make the last tab reach the right edge.
  Tabs->SetWidth(Tabs->TabRect(2).Right + 2);
  Tabs->SetActivePageIndex(2);
  Tabs->Repaint();
  const int width = Tabs->GetWidth();
  const TRect last = Step(K::TabItemSelected, 2).Rect;
  EXPECT_EQ(last.Right, width - 2);
  EXPECT_EQ(Step(K::ExcludePixel, 2).Rect,
            Rect(width - 3, last.Bottom - 1, width - 2, last.Bottom));
}

TEST_F(TabDrawing, FocusedControlFramesTheSelectedTab) {
  Tabs->SetFocus();
  Tabs->Repaint();
  EXPECT_EQ(Kinds().back(), K::FocusRect);
  EXPECT_EQ(Step(K::FocusRect, 1).Rect, Inflate(Step(K::TabItemSelected, 1).Rect, -3));
}

TEST_F(TabDrawing, CloseButtonsSitInTheTopRightCornerOfEachTab) {
  TPageControlEx::SetThemesEnabled(false);
  Tabs->Repaint();
  // Without themes the platform draws the tabs; the control only draws their content.
  EXPECT_EQ(Kinds(), (std::vector<K>{K::FillTab, K::Caption, K::CloseButton, K::FillTab, K::Caption,
                                     K::CloseButton, K::FillTab, K::Caption, K::CloseButton}));
  for (int tab = 0; tab < 3; ++tab) {
    const TRect r = Tabs->TabRect(tab);
    const bool active = tab == 1;
    EXPECT_EQ(Tabs->GetCloseButtonsRect()[tab],
              Rect(r.Right - 19, r.Top + (active ? 4 : 3), r.Right - 5, r.Top + (active ? 18 : 17)))
        << tab;
  }
  // With themes the hit area reaches one pixel further left.
  TPageControlEx::SetThemesEnabled(true);
  Tabs->Repaint();
  const TRect selected = Step(K::TabItemSelected, 1).Rect;
  EXPECT_EQ(Tabs->GetCloseButtonsRect()[1],
            Rect(selected.Right - 20, selected.Top + 4, selected.Right - 5, selected.Top + 18));
}

TEST_F(TabDrawing, LeftClickOnTheActiveCloseButtonClosesTheActiveTab) {
  Tabs->Repaint();
  const TPoint button = CloseButtonCentre(1);
  Driver.MouseDown(*Host, "Tabs", mbLeft, button.X, button.Y, {ssLeft});
  EXPECT_TRUE(Tabs->GetCloseButtonShowPushed());
  EXPECT_TRUE(Step(K::CloseButton, 1).Pressed);
  // Moving off the button with the button held lets it up; moving back presses it again.
  Driver.MouseMove(*Host, "Tabs", button.X, 200, {ssLeft});
  EXPECT_FALSE(Tabs->GetCloseButtonShowPushed());
  EXPECT_FALSE(Step(K::CloseButton, 1).Pressed);
  Driver.MouseMove(*Host, "Tabs", button.X, button.Y, {ssLeft});
  EXPECT_TRUE(Tabs->GetCloseButtonShowPushed());
  Driver.MouseUp(*Host, "Tabs", mbLeft, button.X, button.Y);
  EXPECT_EQ(Closed, std::vector<TTabSheet*>{Tabs->Pages(1)});
  EXPECT_FALSE(Tabs->GetCloseButtonShowPushed());
}

TEST_F(TabDrawing, ReleasingOffTheButtonClosesNothing) {
  Tabs->Repaint();
  const TPoint button = CloseButtonCentre(1);
  Driver.MouseDown(*Host, "Tabs", mbLeft, button.X, button.Y, {ssLeft});
  Driver.MouseUp(*Host, "Tabs", mbLeft, button.X, 200);
  EXPECT_TRUE(Closed.empty());
  EXPECT_FALSE(Step(K::CloseButton, 1).Pressed);
  // A press outside every close button presses nothing.
  Driver.MouseDown(*Host, "Tabs", mbLeft, button.X, 200, {ssLeft});
  EXPECT_FALSE(Tabs->GetCloseButtonShowPushed());
}

TEST_F(TabDrawing, LeavingTheControlLetsTheButtonUp) {
  Tabs->Repaint();
  const TPoint button = CloseButtonCentre(1);
  Driver.MouseDown(*Host, "Tabs", mbLeft, button.X, button.Y, {ssLeft});
  Driver.MouseLeave(*Host, "Tabs");
  EXPECT_FALSE(Tabs->GetCloseButtonShowPushed());
  EXPECT_FALSE(Step(K::CloseButton, 1).Pressed);
}

TEST_F(TabDrawing, MiddleClickClosesTheTabUnderThePointer) {
  const TPoint third = Centre(Tabs->TabRect(2));
  Driver.MouseDown(*Host, "Tabs", mbMiddle, third.X, third.Y, {ssMiddle});
  EXPECT_EQ(Tabs->GetActivePageIndex(), 2);
  Driver.MouseUp(*Host, "Tabs", mbMiddle, 10, 200);
  EXPECT_EQ(Closed, std::vector<TTabSheet*>{Tabs->Pages(2)});
}

TEST_F(TabDrawing, RightClickOnlyActivatesTheTab) {
  const TPoint first = Centre(Tabs->TabRect(0));
  Driver.MouseDown(*Host, "Tabs", mbRight, first.X, first.Y, {ssRight});
  Driver.MouseUp(*Host, "Tabs", mbRight, first.X, first.Y);
  EXPECT_EQ(Tabs->GetActivePageIndex(), 0);
  EXPECT_TRUE(Closed.empty());
}

TEST_F(TabDrawing, HotTabFollowsThePointerAndRepaintsOldAndNew) {
  const TRect first = Tabs->TabRect(0);
  const TRect second = Tabs->TabRect(1);
  EXPECT_EQ(Tabs->GetHotTabIndex(), -1);
  Driver.MouseMove(*Host, "Tabs", Centre(second).X, Centre(second).Y);
  EXPECT_EQ(Tabs->GetHotTabIndex(), 1);
  EXPECT_EQ(Tabs->Invalidated(), std::vector<TRect>{second});
  Tabs->ClearInvalidated();
  // Moving inside the hot tab repaints nothing.
  Driver.MouseMove(*Host, "Tabs", second.Left + 1, second.Top + 1);
  EXPECT_TRUE(Tabs->Invalidated().empty());
  Driver.MouseMove(*Host, "Tabs", Centre(first).X, Centre(first).Y);
  EXPECT_EQ(Tabs->GetHotTabIndex(), 0);
  EXPECT_EQ(Tabs->Invalidated(), (std::vector<TRect>{second, first}));
  Tabs->ClearInvalidated();
  Driver.MouseLeave(*Host, "Tabs");
  EXPECT_EQ(Tabs->GetHotTabIndex(), -1);
  EXPECT_EQ(Tabs->Invalidated(), std::vector<TRect>{first});
  // Below the tabs nothing is hot.
  Driver.MouseMove(*Host, "Tabs", 100, 200);
  EXPECT_EQ(Tabs->GetHotTabIndex(), -1);
}

TEST_F(TabDrawing, DoubleBufferedEraseLeavesTheTabStripAlone) {
  Tabs->SetDoubleBuffered(true);
  Tabs->Repaint();
  ASSERT_GE(Tabs->LastPaint().size(), 2u);
  EXPECT_EQ(Tabs->LastPaint()[0].Kind, K::EraseOutsidePage);
  EXPECT_EQ(Tabs->LastPaint()[0].Rect, Tabs->GetDisplayRect());
  EXPECT_EQ(Tabs->LastPaint()[1].Kind, K::Pane);
  EXPECT_EQ(Tabs->LastPaint()[1].Rect.Top, Tabs->TabRect(0).Bottom);
  // Without themed drawing the platform erases as usual.
  Tabs->SetOwnerDraw(false);
  Tabs->Repaint();
  EXPECT_TRUE(Tabs->LastPaint().empty());
}

} // namespace
