// The workspace's tabs on a real window: close buttons pressed and released with the mouse,
// middle-click close, the hot tab and dragging a tab to another place.  The page control decides;
// the test checks both its decisions and the pixels the backend painted from them.

#include "QtTest.h"

#include "app/TabCloseButton.h"

#include <QImage>

namespace {

QPoint Centre(const TRect& r) {
  return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
}

class WorkspaceTabs : public QtTest {
protected:
  WorkspaceTabs() {
    Form = new TForm(&App);
    Form->SetName("fWorkspace");
    Form->SetClientWidth(600);
    Form->SetClientHeight(260);
    Form->SetColor(clWhite);
    Tabs = new TTabCloseButton(Form);
    Tabs->SetName("pgcWorkspace");
    Tabs->SetParent(Form);
    Tabs->SetAlign(alClient);
    for (const char* caption : {"Painel", "Solicitações", "Unidades"}) {
      auto* sheet = new TTabSheet(Tabs);
      sheet->SetCaption(std::string(caption) + "      ");
      sheet->SetPageControl(Tabs);
    }
    Tabs->UpdateCloseButtons();
    // The workspace closes the tab it is told about and moves a dragged tab where it is dropped.
    Tabs->OnCloseClick = [this](TObject*, TTabSheet* sheet) {
      Log.push_back("close " + sheet->GetCaption().substr(0, sheet->GetCaption().find(' ')));
      delete sheet;
      Tabs->UpdateCloseButtons();
    };
    Tabs->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState, int, int) {
      if (button == mbLeft)
        Tabs->BeginDrag(false);
    };
    Tabs->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& accept) {
      accept = true;
    };
    Tabs->OnDragDrop = [this](TObject*, TObject*, int x, int y) {
      const int target = Tabs->IndexOfTabAt(x, y);
      if (target >= 0 && target != Tabs->GetActivePageIndex())
        Tabs->GetActivePage()->SetPageIndex(target);
    };
  }

  QWidget* TabsWidget() const { return W(*Tabs); }
  TRect CloseRect(int tab) const { return Tabs->GetCloseButtonsRect()[static_cast<size_t>(tab)]; }
  std::string ActiveCaption() const {
    const std::string caption = Tabs->GetActivePage()->GetCaption();
    return caption.substr(0, caption.find(' '));
  }
  // The colour the backend painted at a point of the tabs.
  QColor PaintedAt(QPoint point) const { return TabsWidget()->grab().toImage().pixelColor(point); }

  TForm* Form;
  TTabCloseButton* Tabs;
};

TEST_F(WorkspaceTabs, CloseButtonIsDrawnPressedWhileHeldAndClosesTheActiveTabOnRelease) {
  // Without dragging: the pointer moves off the button and back while the button is held.
  Tabs->OnMouseDown = nullptr;
  ShowAndWait(*Form);
  // Painting placed a close button on every tab.
  const TRect close = CloseRect(0);
  ASSERT_FALSE(close.IsEmpty());
  const QColor normal = PaintedAt(Centre(close) + QPoint(-3, 0));

  QTest::mousePress(TabsWidget(), Qt::LeftButton, {}, Centre(close));
  EXPECT_TRUE(Tabs->GetCloseButtonShowPushed());
  Settle();
  const QColor pressed = PaintedAt(Centre(close) + QPoint(-3, 0) + QPoint(1, 1));
  EXPECT_NE(pressed, normal);
  EXPECT_GT(pressed.red(), pressed.green() + 60) << "the pressed close button is drawn red";
  Screenshot(*Backend().WindowOf(*Form), "workspace-close-pressed");

  // Moving off the button while holding shows it released; coming back shows it pressed.
  QTest::mouseMove(TabsWidget(), QPoint(close.Left - 30, close.Top + 3));
  EXPECT_FALSE(Tabs->GetCloseButtonShowPushed());
  QTest::mouseMove(TabsWidget(), Centre(close));
  EXPECT_TRUE(Tabs->GetCloseButtonShowPushed());

  QTest::mouseRelease(TabsWidget(), Qt::LeftButton, {}, Centre(close));
  EXPECT_EQ(Log, (std::vector<std::string>{"close Painel"}));
  EXPECT_EQ(Tabs->PageCount(), 2);
  EXPECT_FALSE(Tabs->GetCloseButtonShowPushed());
}

TEST_F(WorkspaceTabs, MiddleClickClosesTheTabUnderThePointer) {
  ShowAndWait(*Form);
  QTest::mouseClick(TabsWidget(), Qt::MiddleButton, {}, Centre(Tabs->TabRect(2)));
  EXPECT_EQ(Log, (std::vector<std::string>{"close Unidades"}));
  EXPECT_EQ(ActiveCaption(), "Painel");
  EXPECT_EQ(Tabs->PageCount(), 2);
}

TEST_F(WorkspaceTabs, TabUnderThePointerIsHot) {
  ShowAndWait(*Form);
  QTest::mouseMove(TabsWidget(), Centre(Tabs->TabRect(1)));
  EXPECT_EQ(Tabs->GetHotTabIndex(), 1);
  QTest::mouseMove(TabsWidget(), Centre(Tabs->TabRect(2)));
  EXPECT_EQ(Tabs->GetHotTabIndex(), 2);
  QTest::mouseMove(TabsWidget(), QPoint(300, 200));
  EXPECT_EQ(Tabs->GetHotTabIndex(), -1);
}

TEST_F(WorkspaceTabs, DraggingATabDropsItAtTheTabUnderThePointer) {
  ShowAndWait(*Form);
  const QPoint from = Centre(Tabs->TabRect(0)) - QPoint(20, 0);
  const QPoint to = Centre(Tabs->TabRect(2));
  QTest::mousePress(TabsWidget(), Qt::LeftButton, {}, from);
  for (int step = 1; step <= 4; ++step)
    QTest::mouseMove(TabsWidget(), from + (to - from) * step / 4);
  QTest::mouseRelease(TabsWidget(), Qt::LeftButton, {}, to);
  EXPECT_EQ(Tabs->GetActivePageIndex(), 2);
  EXPECT_EQ(ActiveCaption(), "Painel");
  EXPECT_TRUE(Log.empty()) << "a drag closes nothing";

  // Dropping outside every tab leaves the order as it is.
  const QPoint start = Centre(Tabs->TabRect(0)) - QPoint(20, 0);
  QTest::mousePress(TabsWidget(), Qt::LeftButton, {}, start);
  for (int step = 1; step <= 4; ++step)
    QTest::mouseMove(TabsWidget(), start + QPoint(0, 40 * step));
  QTest::mouseRelease(TabsWidget(), Qt::LeftButton, {}, start + QPoint(0, 160));
  EXPECT_EQ(Tabs->GetActivePageIndex(), 0);
}

} // namespace
