#include "bridge/Duo.Util.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Headless.h"
#include "ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

TEST(TrataHTMLTag, TrimsAndLeavesEmptyAttributesBare) {
  EXPECT_EQ(TrataHTMLTag(R"(  class="row" style="" )"), R"(class="row" style)");
  EXPECT_EQ(TrataHTMLTag(R"(id="a" class="" style="")"), R"(id="a" class style)");
  EXPECT_EQ(TrataHTMLTag(R"(value="x")"), R"(value="x")");
  EXPECT_EQ(TrataHTMLTag(""), "");
}

class StateUpTheParents : public ::testing::Test {
protected:
  StateUpTheParents()
      : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App), Form(new TForm(&App)),
        Pages(new TPageControl(Form)), Sheet(new TTabSheet(Form)), Panel(new TPanel(Form)),
        Edit(new TEdit(Form)) {
    Pages->SetParent(Form);
    Sheet->SetPageControl(Pages);
    Panel->SetParent(Sheet);
    Edit->SetParent(Panel);
  }

  TApplication App;
  TApplicationScope Scope;
  TForm* Form;
  TPageControl* Pages;
  TTabSheet* Sheet;
  TPanel* Panel;
  TEdit* Edit;
};

TEST_F(StateUpTheParents, EnabledNeedsEveryParentUpToTheForm) {
  EXPECT_TRUE(GetEnabledRecursive(Edit));
  Form->SetEnabled(false);
  EXPECT_TRUE(GetEnabledRecursive(Edit)); // the form itself does not count
  Panel->SetEnabled(false);
  EXPECT_FALSE(GetEnabledRecursive(Edit));
  Panel->SetEnabled(true);
  Pages->SetEnabled(false);
  EXPECT_FALSE(GetEnabledRecursive(Edit));
}

TEST_F(StateUpTheParents, VisibleCountsATabSheetByItsTab) {
  EXPECT_TRUE(GetVisibleRecursive(Edit));
  Sheet->SetTabVisible(false);
  EXPECT_FALSE(GetVisibleRecursive(Edit));
  Sheet->SetTabVisible(true);
  Panel->SetVisible(false);
  EXPECT_FALSE(GetVisibleRecursive(Edit));
  Panel->SetVisible(true);
  Form->Hide(); // forms do not count
  EXPECT_TRUE(GetVisibleRecursive(Edit));
}

TEST(WidthPPI, ScalesToTheDefaultDensity) {
  struct Case {
    int PixelsPerInch;
    int Value;
    int Expected;
  };
  const std::vector<Case> cases = {
      {96, 200, 200}, {120, 200, 160}, {144, 200, 133}, {144, 201, 134},
      {192, 33, 17},  {192, -33, -17}, {72, 100, 133},
  };
  TApplication app(std::unique_ptr<TUIBackend>(new THeadlessBackend));
  TApplicationScope scope(app);
  for (const Case& c : cases) {
    Screen().SetPixelsPerInch(c.PixelsPerInch);
    EXPECT_EQ(WidthPPI(c.Value), c.Expected) << c.PixelsPerInch << " " << c.Value;
  }
}

} // namespace
