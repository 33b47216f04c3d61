#include "app/TDI.h"
#include "bridge/Duo.Forms.h"
#include "runtime/MainThread.h"
#include "ui/Driver.h"
#include "ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Forms hosted by the workspace in these tests.  Each has an edit, so that opening it moves the
// focus somewhere.
class TfAlfa : public TDuoForm {
  DUO_CLASS(TfAlfa, TDuoForm)

public:
  explicit TfAlfa(TComponent* AOwner) : TDuoForm(AOwner) {
    SetCaption("Alfa");
    auto* edit = new TEdit(this);
    edit->SetName("edtAlfa");
    edit->SetParent(this);
    OnClose = [this](TObject*, TCloseAction& action) {
      ++Closes;
      if (!MayClose)
        action = caNone;
    };
  }
  inline static int Closes = 0;
  bool MayClose = true;
};

const TClassInfo& TfAlfa::StaticClass() {
  static const TClassInfo info = TClassBuilder<TfAlfa>("TfAlfa").Creatable().Build();
  return info;
}

// A form of a subclass counts as one of its parent class.
class TfAlfaFilho : public TfAlfa {
  DUO_CLASS(TfAlfaFilho, TfAlfa)

public:
  explicit TfAlfaFilho(TComponent* AOwner) : TfAlfa(AOwner) { SetCaption("Alfa filho"); }
};

const TClassInfo& TfAlfaFilho::StaticClass() {
  static const TClassInfo info = TClassBuilder<TfAlfaFilho>("TfAlfaFilho").Creatable().Build();
  return info;
}

class TfBeta : public TDuoForm {
  DUO_CLASS(TfBeta, TDuoForm)

public:
  explicit TfBeta(TComponent* AOwner) : TDuoForm(AOwner) { SetCaption("Beta"); }
};

const TClassInfo& TfBeta::StaticClass() {
  static const TClassInfo info = TClassBuilder<TfBeta>("TfBeta").Creatable().Build();
  return info;
}

class TfGama : public TDuoForm {
  DUO_CLASS(TfGama, TDuoForm)

public:
  explicit TfGama(TComponent* AOwner) : TDuoForm(AOwner) { SetCaption("Gama"); }
};

const TClassInfo& TfGama::StaticClass() {
  static const TClassInfo info = TClassBuilder<TfGama>("TfGama").Creatable().Build();
  return info;
}

namespace {

// A shown form with a workspace, in an application of its own.
class Workspace : public ::testing::Test {
protected:
  Workspace() : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App), Driver(App) {
    Host = new TForm(&App);
    Host->SetName("fHost");
    Host->SetBounds(0, 0, 1000, 700);
    Host->Show();
    TDI = new TTDI(Host, nullptr);
    Pages = TDI->GetPageControl();
    Pages->OnChange = [this](TObject*) { ++Changes; };
  }

  // Opens one new tab per class, in order, then activates tab `active` (-1 for none).
  void OpenTabs(const std::vector<const TClassInfo*>& classes, int active) {
    for (const TClassInfo* cls : classes)
      TDI->MostrarFormulario(*cls, true);
    Pages->SetActivePageIndex(active);
  }

  std::vector<std::string> Captions() const {
    std::vector<std::string> result;
    for (int i = 0; i < Pages->PageCount(); ++i)
      result.push_back(Pages->Pages(i)->GetCaption());
    return result;
  }

  TPoint TabCentre(int tab) const {
    const TRect r = Pages->TabRect(tab);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }

  TApplication App;
  TApplicationScope Scope;
  THeadlessDriver Driver;
  TForm* Host = nullptr;
  TTDI* TDI = nullptr;
  TTDI::TPageControl* Pages = nullptr;
  int Changes = 0;
};

const TClassInfo* const A = &TfAlfa::StaticClass();
const TClassInfo* const AChild = &TfAlfaFilho::StaticClass();
const TClassInfo* const B = &TfBeta::StaticClass();
const TClassInfo* const C = &TfGama::StaticClass();

TEST_F(Workspace, ScanForTheTabOfAClass) {
  struct Case {
    std::vector<const TClassInfo*> Tabs;
    int Active;
    const TClassInfo* Wanted;
    int Expected;
  };
  const std::vector<Case> cases = {
      // The next tab of the class after the active one.
      {{A, B, A}, 0, A, 2},
      {{A, A, A}, 1, A, 2},
      // Only the active tab matches after the start: the active tab; no wrapping back to 0.
      {{A, B, A}, 2, A, 2},
      {{A, B}, 1, B, 1},
      // The active tab holds another class: the scan starts at the first tab.
      {{A, B, A}, 1, A, 0},
      {{B, A}, 0, A, 1},
      {{A, B, A}, 0, B, 1},
      // No active tab.
      {{B, A}, -1, A, 1},
      // Subclasses count.
      {{AChild, B}, 1, A, 0},
      {{A, B}, 0, AChild, -1},
      // Nothing of the class.
      {{A, B}, 0, C, -1},
      {{}, -1, A, -1},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    Pages->SetActivePageIndex(0);
    TDI->Fechar(true);
    ASSERT_EQ(Pages->PageCount(), 0);
    OpenTabs(cases[i].Tabs, cases[i].Active);
    EXPECT_EQ(TDI->Pagina(*cases[i].Wanted), cases[i].Expected) << "case " << i;
  }
}

TEST_F(Workspace, OpeningAClassTwiceActivatesItsTab) {
  EXPECT_FALSE(Pages->GetVisible());
  TDI->MostrarFormulario(*A, false);
  TDI->MostrarFormulario(*B, false);
  EXPECT_EQ(Pages->GetActivePageIndex(), 1);
  Changes = 0;
  TDI->MostrarFormulario(*A, false);
  EXPECT_EQ(Pages->PageCount(), 2);
  EXPECT_EQ(Pages->GetActivePageIndex(), 0);
  EXPECT_EQ(Changes, 1);
  // Asking again for the active tab's class changes nothing.
  TDI->MostrarFormulario(*A, false);
  EXPECT_EQ(Changes, 1);
  // Multi always opens another tab.
  TDI->MostrarFormulario(*A, true);
  EXPECT_EQ(Pages->PageCount(), 3);
  EXPECT_EQ(Pages->GetActivePageIndex(), 2);
}

TEST_F(Workspace, ANewTabHostsItsFormWithTheCaptionAndRoomForTheCloseButton) {
  TDI->MostrarFormulario(*A, false);
  TCustomForm* form = TDI->Formulario(0);
  ASSERT_NE(form, nullptr);
  // The first control of the new form took the focus.
  EXPECT_EQ(Host->GetFocusedControl(), &Driver.Find(*form, "edtAlfa"));
  TDI->MostrarFormulario(*B, false);
  EXPECT_TRUE(Pages->GetVisible());
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Alfa      ", "Beta      "}));
  EXPECT_TRUE(form->Is<TfAlfa>());
  EXPECT_EQ(form->GetOwner(), Pages->Pages(0));
  EXPECT_EQ(form->GetParent(), Pages->Pages(0));
  EXPECT_EQ(form->GetAlign(), alClient);
  EXPECT_EQ(form->GetBorderStyle(), bsNone);
  EXPECT_EQ(TDI->Formulario(2), nullptr);
  EXPECT_EQ(TDI->Formulario(-1), nullptr);
  EXPECT_EQ(Pages->GetCloseButtonsRect().size(), 2u);
}

TEST_F(Workspace, ClosingTheLastTabHidesThePageControl) {
  TDI->Fechar(false); // no tab: nothing happens
  TDI->MostrarFormulario(*A, false);
  TDI->MostrarFormulario(*B, false);
  TfAlfa::Closes = 0;
  TDI->Fechar(false);
  EXPECT_EQ(Captions(), std::vector<std::string>{"Alfa      "});
  EXPECT_TRUE(Pages->GetVisible());
  TDI->Fechar(false);
  EXPECT_EQ(TfAlfa::Closes, 1);
  EXPECT_EQ(Pages->PageCount(), 0);
  EXPECT_FALSE(Pages->GetVisible());
  EXPECT_EQ(Pages->GetCloseButtonsRect().size(), 0u);
}

TEST_F(Workspace, AFormThatRefusesToCloseKeepsItsTab) {
  OpenTabs({A, B, A}, 0);
  static_cast<TfAlfa*>(TDI->Formulario(0))->MayClose = false;
  TDI->Fechar(true);
  EXPECT_EQ(Captions(), std::vector<std::string>{"Alfa      "});
  EXPECT_TRUE(Pages->GetVisible());
}

TEST_F(Workspace, ADefaultFormOpensWithTheWorkspace) {
  TTDI other(Host, B);
  EXPECT_EQ(other.GetPageControl()->PageCount(), 1);
  EXPECT_TRUE(other.Formulario(0)->Is<TfBeta>());
  other.Fechar(true);
  EXPECT_EQ(other.GetPageControl()->PageCount(), 0);
  // Setting a default form while no tab is active shows it.
  other.SetFormPadrao(C);
  EXPECT_TRUE(other.Formulario(0)->Is<TfGama>());
}

TEST_F(Workspace, ClosingAnotherTabLeavesTheDefaultFormShowing) {
  TTDI other(Host, B);
  other.MostrarFormulario(*A, false);
  ASSERT_EQ(other.GetPageControl()->PageCount(), 2);
  other.Fechar(false);
  ASSERT_EQ(other.GetPageControl()->PageCount(), 1);
  EXPECT_TRUE(other.Formulario(0)->Is<TfBeta>());
  EXPECT_EQ(other.GetPageControl()->GetActivePageIndex(), 0);
  EXPECT_TRUE(other.Formulario(0)->GetShowing());
}

TEST_F(Workspace, DestroyingTheWorkspaceClosesEveryTab) {
  OpenTabs({A, A}, 0);
  TfAlfa::Closes = 0;
  delete TDI;
  EXPECT_EQ(TfAlfa::Closes, 2);
}

TEST_F(Workspace, AHostedFormClosesItsTabThroughAMessage) {
  OpenTabs({A, B}, 1);
  TDI->PostCloseTab(0);
  EXPECT_EQ(Pages->PageCount(), 2); // not before the loop runs it
  CheckSynchronize();
  EXPECT_EQ(Captions(), std::vector<std::string>{"Beta      "});
}

TEST_F(Workspace, TheContextMenuClosesOneOrAllTabs) {
  OpenTabs({A, B, C}, 1);
  EXPECT_FALSE(TDI->GetMostrarMenuPopup());
  TDI->SetMostrarMenuPopup(true);
  ASSERT_TRUE(TDI->GetMostrarMenuPopup());
  TPopupMenu* pop = Pages->GetPopupMenu();
  EXPECT_EQ(pop->GetName(), "pop");
  ASSERT_EQ(pop->GetItems().Count(), 2);
  EXPECT_EQ(pop->GetItems().Items(0)->GetCaption(), "Fechar janela");
  EXPECT_EQ(ShortCutToText(pop->GetItems().Items(0)->GetShortCut()), "Ctrl+F4");
  EXPECT_EQ(pop->GetItems().Items(1)->GetCaption(), "Fechar todas as janelas");
  pop->GetItems().Items(0)->Click();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Alfa      ", "Gama      "}));
  pop->GetItems().Items(1)->Click();
  EXPECT_EQ(Pages->PageCount(), 0);
  TDI->SetMostrarMenuPopup(false);
  EXPECT_FALSE(TDI->GetMostrarMenuPopup());
  // Switching it on again reuses the same menu.
  TDI->SetMostrarMenuPopup(true);
  EXPECT_EQ(Pages->GetPopupMenu(), pop);
}

TEST_F(Workspace, VisitsTheFormsOfTheTabsInOrder) {
  struct TCollect : IVisualizador {
    std::vector<std::string> Seen;
    void Visualizar(TCustomForm* Formulario) override { Seen.push_back(Formulario->GetCaption()); }
  } collect;
  OpenTabs({A, AChild, B}, 0);
  TDI->VisualizarAbas(collect, A);
  EXPECT_EQ(collect.Seen, (std::vector<std::string>{"Alfa filho", "Beta"}));
}

// Dragging the active tab onto each tab moves it there.
TEST_F(Workspace, DraggingATabOntoAnotherMovesIt) {
  for (int target = 0; target < 3; ++target) {
    TDI->Fechar(true);
    OpenTabs({A, B, C}, 2);
    const TPoint from = TabCentre(0);
    const TPoint to = TabCentre(target);
    // Pressing on the first tab activates it and prepares a drag.
    Driver.MouseDown(*Host, Pages->GetName(), mbLeft, from.X, from.Y, {ssLeft});
    EXPECT_EQ(Pages->GetActivePageIndex(), 0);
    Driver.MouseMove(*Host, Pages->GetName(), from.X, from.Y + 12, {ssLeft});
    Driver.MouseMove(*Host, Pages->GetName(), to.X, to.Y, {ssLeft});
    Driver.MouseUp(*Host, Pages->GetName(), mbLeft, to.X, to.Y);
    std::vector<std::string> expected = {"Beta      ", "Gama      "};
    expected.insert(expected.begin() + target, "Alfa      ");
    EXPECT_EQ(Captions(), expected) << "onto tab " << target;
    EXPECT_EQ(Pages->GetActivePageIndex(), target);
  }
}

TEST_F(Workspace, DroppingOutsideTheTabsKeepsTheOrder) {
  OpenTabs({A, B, C}, 0);
  const TPoint from = TabCentre(0);
  Driver.MouseDown(*Host, Pages->GetName(), mbLeft, from.X, from.Y, {ssLeft});
  Driver.MouseMove(*Host, Pages->GetName(), from.X, 300, {ssLeft});
  Driver.MouseUp(*Host, Pages->GetName(), mbLeft, from.X, 300);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Alfa      ", "Beta      ", "Gama      "}));
}

} // namespace
