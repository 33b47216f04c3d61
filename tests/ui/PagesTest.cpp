#include "UiTest.h"

namespace {

class Pages : public UiTest {
protected:
  TForm* Form = nullptr;
  TPageControl* Control = nullptr;
  std::vector<TTabSheet*> Sheets;

  void SetUp() override {
    Form = NewForm("fPages", 600, 400);
    Control = Add<TPageControl>(Form, "pgc");
    Control->SetAlign(alClient);
    Control->OnChange = Note("Change");
    for (const char* caption : {"Aaa", "Bbb", "Ccc"})
      AddSheet(caption);
  }

  TTabSheet* AddSheet(const std::string& caption) {
    auto* sheet = new TTabSheet(Control);
    sheet->SetName("ts" + caption);
    sheet->SetCaption(caption);
    sheet->SetPageControl(Control);
    sheet->OnShow = Note(sheet->GetName() + ".Show");
    sheet->OnHide = Note(sheet->GetName() + ".Hide");
    Sheets.push_back(sheet);
    return sheet;
  }

  std::vector<std::string> Order() const {
    std::vector<std::string> names;
    for (int i = 0; i < Control->PageCount(); ++i)
      names.push_back(Control->Pages(i)->GetCaption());
    return names;
  }

  TPoint CentreOfTab(int tabIndex) const {
    const TRect r = Control->TabRect(tabIndex);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
};

TEST_F(Pages, TheFirstPageAddedBecomesActiveAndPagesFillTheControl) {
  EXPECT_EQ(Control->GetActivePage(), Sheets[0]);
  EXPECT_EQ(Control->PageCount(), 3);
  EXPECT_TRUE(Sheets[0]->GetVisible());
  EXPECT_FALSE(Sheets[1]->GetVisible());
  EXPECT_EQ(Sheets[1]->GetBoundsRect(), Control->GetDisplayRect());
  EXPECT_EQ(Control->GetDisplayRect(), Rect(4, 27, 596, 396));
}

TEST_F(Pages, ActivatingByCodeShowsTheNewPageThenHidesTheOld) {
  Form->Show();
  EXPECT_EQ(Log, (std::vector<std::string>{"tsAaa.Show"}));
  Log.clear();
  Control->SetActivePage(Sheets[2]);
  EXPECT_EQ(Log, (std::vector<std::string>{"tsCcc.Show", "tsAaa.Hide"}));
  EXPECT_EQ(Control->GetActivePageIndex(), 2);
  Log.clear();
  Control->SetActivePageIndex(1);
  EXPECT_EQ(Log, (std::vector<std::string>{"tsBbb.Show", "tsCcc.Hide"}));
  // Pages of another page control are refused.
  TPageControl* other = Add<TPageControl>(Form, "pgcOther");
  auto* foreign = new TTabSheet(other);
  foreign->SetPageControl(other);
  Control->SetActivePage(foreign);
  EXPECT_EQ(Control->GetActivePage(), Sheets[1]);
}

TEST_F(Pages, MovingAPageChangesItsIndexAndTabOrder) {
  Sheets[0]->SetPageIndex(2);
  EXPECT_EQ(Order(), (std::vector<std::string>{"Bbb", "Ccc", "Aaa"}));
  EXPECT_EQ(Sheets[0]->GetPageIndex(), 2);
  EXPECT_EQ(Sheets[0]->GetTabIndex(), 2);
  Sheets[0]->SetPageIndex(-5);
  EXPECT_EQ(Order(), (std::vector<std::string>{"Aaa", "Bbb", "Ccc"}));
  EXPECT_EQ(Control->GetActivePage(), Sheets[0]) << "moving does not change the active page";
}

TEST_F(Pages, HidingATabSkipsItAndMovesOffIt) {
  Form->Show();
  Log.clear();
  Sheets[0]->SetTabVisible(false);
  EXPECT_EQ(Control->GetActivePage(), Sheets[1]);
  EXPECT_EQ(Sheets[0]->GetTabIndex(), -1);
  EXPECT_EQ(Sheets[2]->GetTabIndex(), 1);
  EXPECT_EQ(Control->PageOfTab(0), Sheets[1]);
  EXPECT_EQ(Log, (std::vector<std::string>{"tsBbb.Show", "tsAaa.Hide"}));
  // The hidden tab has no rectangle; the others close up.
  EXPECT_EQ(Control->TabRect(0), Rect(2, 2, 34, 23));
  EXPECT_TRUE(Control->TabRect(2).IsEmpty());
  EXPECT_EQ(Control->FindNextPage(Sheets[2], true, true), Sheets[1]);
  EXPECT_EQ(Control->FindNextPage(Sheets[2], true, false), Sheets[0]);
}

TEST_F(Pages, FreeingTheActivePageActivatesTheNextOne) {
  Form->Show();
  Log.clear();
  delete Sheets[0];
  EXPECT_EQ(Control->GetActivePage(), Sheets[1]);
  EXPECT_EQ(Control->PageCount(), 2);
  EXPECT_EQ(Log, (std::vector<std::string>{"tsBbb.Show", "tsAaa.Hide"}));
  delete Sheets[1];
  delete Sheets[2];
  EXPECT_EQ(Control->GetActivePage(), nullptr);
  EXPECT_EQ(Control->GetTabIndex(), -1);
}

TEST_F(Pages, TabRectanglesFollowTheCaptions) {
  EXPECT_EQ(Control->TabRect(0), Rect(2, 2, 34, 23));
  EXPECT_EQ(Control->TabRect(1), Rect(34, 2, 66, 23));
  EXPECT_EQ(Control->TabRect(2), Rect(66, 2, 98, 23));
  EXPECT_TRUE(Control->TabRect(3).IsEmpty());
  EXPECT_EQ(Control->IndexOfTabAt(40, 10), 1);
  EXPECT_EQ(Control->IndexOfTabAt(200, 10), -1);
  Control->SetTabWidth(50);
  EXPECT_EQ(Control->TabRect(1), Rect(52, 2, 102, 23));
}

TEST_F(Pages, APressOnATabAsksThenChangesBeforeOnMouseDown) {
  Control->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState, int x, int) {
    Log.push_back("MouseDown " + std::to_string(static_cast<int>(button)) + " at " +
                  std::to_string(x));
  };
  bool allow = false;
  Control->OnChanging = [&](TObject*, bool& allowChange) {
    Log.push_back("Changing");
    allowChange = allow;
  };
  Form->Show();
  Log.clear();
  const TPoint tab1 = CentreOfTab(1);
  Driver.MouseDown(*Form, "pgc", mbLeft, tab1.X, tab1.Y);
  EXPECT_EQ(Control->GetActivePage(), Sheets[0]);
  allow = true;
  Driver.MouseUp(*Form, "pgc", mbLeft, tab1.X, tab1.Y);
  Driver.MouseDown(*Form, "pgc", mbLeft, tab1.X, tab1.Y);
  EXPECT_EQ(Control->GetActivePage(), Sheets[1]);
  // The right button does not change the page by itself.
  const TPoint tab2 = CentreOfTab(2);
  Driver.MouseDown(*Form, "pgc", mbRight, tab2.X, tab2.Y);
  EXPECT_EQ(Log, (std::vector<std::string>{"Changing", "MouseDown 0 at 50", "Changing",
                                           "tsBbb.Show", "tsAaa.Hide", "Change",
                                           "MouseDown 0 at 50", "MouseDown 1 at 82"}));
  EXPECT_EQ(Form->GetFocusedControl(), Control);
}

TEST_F(Pages, DraggingATabOntoAnotherMovesIt) {
  // The workspace's rules: a left press starts a drag once the pointer has moved; a drag over
  // the page control is accepted; the drop moves the active tab to the tab under the point.
  Control->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState, int, int) {
    if (button == mbLeft)
      Control->BeginDrag(false);
  };
  Control->OnStartDrag = Note("StartDrag");
  Control->OnDragOver = [this](TObject*, TObject* source, int, int, TDragState, bool& accept) {
    accept = source == Control;
  };
  Control->OnDragDrop = [this](TObject*, TObject*, int x, int y) {
    Log.push_back("DragDrop");
    for (int i = 0; i < Control->PageCount(); ++i)
      if (Control->TabRect(i).Contains({x, y}) && Control->GetActivePage()->GetPageIndex() != i)
        Control->GetActivePage()->SetPageIndex(i);
  };
  Control->OnEndDrag = [this](TObject*, TObject* target, int, int) {
    Log.push_back(target == Control ? "EndDrag dropped" : "EndDrag cancelled");
  };
  Control->OnMouseMove = [this](TObject*, TShiftState, int, int) { Log.push_back("MouseMove"); };
  Form->Show();
  Log.clear();

  const TPoint from = CentreOfTab(0);
  const TPoint to = CentreOfTab(2);
  Driver.MouseDown(*Form, "pgc", mbLeft, from.X, from.Y);
  Driver.MouseMove(*Form, "pgc", from.X + 2, from.Y);
  EXPECT_EQ(Log, std::vector<std::string>{}) << "no drag before the pointer moved far enough";
  Driver.MouseMove(*Form, "pgc", to.X, to.Y);
  Driver.MouseUp(*Form, "pgc", mbLeft, to.X, to.Y);
  EXPECT_EQ(Log, (std::vector<std::string>{"StartDrag", "DragDrop", "EndDrag dropped"}));
  EXPECT_EQ(Order(), (std::vector<std::string>{"Bbb", "Ccc", "Aaa"}));
  EXPECT_FALSE(Control->Dragging());

  // A drop outside every tab leaves the order unchanged; moves after the drag are plain again.
  Log.clear();
  Driver.MouseDown(*Form, "pgc", mbLeft, CentreOfTab(2).X, CentreOfTab(2).Y);
  Driver.MouseMove(*Form, "pgc", 300, 200);
  Driver.MouseUp(*Form, "pgc", mbLeft, 300, 200);
  Driver.MouseMove(*Form, "pgc", 310, 200);
  EXPECT_EQ(Order(), (std::vector<std::string>{"Bbb", "Ccc", "Aaa"}));
  EXPECT_EQ(Log,
            (std::vector<std::string>{"StartDrag", "DragDrop", "EndDrag dropped", "MouseMove"}));
}

TEST_F(Pages, ARefusedDragEndsWithoutADrop) {
  Control->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
    Control->BeginDrag(false);
  };
  Control->OnDragDrop = [this](TObject*, TObject*, int, int) { Log.push_back("DragDrop"); };
  Control->OnEndDrag = [this](TObject*, TObject* target, int, int) {
    Log.push_back(target == nullptr ? "EndDrag cancelled" : "EndDrag dropped");
  };
  Form->Show();
  Driver.MouseDown(*Form, "pgc", mbLeft, 10, 10);
  Driver.MouseMove(*Form, "pgc", 100, 10);
  Driver.MouseUp(*Form, "pgc", mbLeft, 100, 10);
  EXPECT_EQ(Log, (std::vector<std::string>{"tsAaa.Show", "EndDrag cancelled"}));
}

TEST_F(Pages, OwnerDrawingHandsEachTabToTheHandler) {
  Control->SetOwnerDraw(true);
  Control->OnDrawTab = [this](TObject*, int tab, const TRect& rect, bool active) {
    Log.push_back(std::to_string(tab) + (active ? " active " : " ") + std::to_string(rect.Left));
  };
  for (int i = 0; i < 3; ++i)
    Control->DrawTab(i, Control->TabRect(i), Control->GetTabIndex() == i);
  EXPECT_EQ(Log, (std::vector<std::string>{"0 active 2", "1 34", "2 66"}));
}

TEST_F(Pages, FocusOnALeavingPageMovesToThePageControl) {
  TEdit* edit = Add<TEdit>(Sheets[0], "edtOnA");
  LogFocus(edit);
  Sheets[0]->OnEnter = Note("tsAaa.Enter");
  Form->Show();
  ASSERT_EQ(Form->GetFocusedControl(), Control);
  Log.clear();
  edit->SetFocus();
  Control->SetActivePage(Sheets[1]);
  EXPECT_EQ(Form->GetFocusedControl(), Control);
  EXPECT_EQ(Log, (std::vector<std::string>{"tsAaa.Enter", "edtOnA.Enter", "edtOnA.Exit",
                                           "tsBbb.Show", "tsAaa.Hide"}));
  EXPECT_FALSE(edit->CanFocus());
}

} // namespace

namespace {

TEST_F(Pages, MouseLeaveAndDoubleClickReachThePageControl) {
  Control->OnMouseLeave = Note("MouseLeave");
  Control->OnDblClick = Note("DblClick");
  Control->OnClick = Note("Click");
  Control->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
    Log.push_back("MouseUp");
  };
  Form->Show();
  Log.clear();
  Driver.DblClick(*Form, "pgc");
  Driver.MouseLeave(*Form, "pgc");
  EXPECT_EQ(Log,
            (std::vector<std::string>{"Click", "MouseUp", "DblClick", "MouseUp", "MouseLeave"}));
}

} // namespace
