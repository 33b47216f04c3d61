#include "UiTest.h"

#include "runtime/MainThread.h"

#include <thread>

namespace {

using Forms = UiTest;

// A control that writes its destruction into a shared list.
class TTracedPanel : public TPanel {
public:
  TTracedPanel(TComponent* owner, std::vector<std::string>& trace) : TPanel(owner), FTrace(trace) {}
  ~TTracedPanel() override { FTrace.push_back(GetName()); }

private:
  std::vector<std::string>& FTrace;
};

TEST_F(Forms, OwnerDestroysItsComponentsNewestFirst) {
  std::vector<std::string> trace;
  TForm* form = NewForm("fOwner");
  for (const char* name : {"pnlA", "pnlB", "pnlC"}) {
    auto* panel = new TTracedPanel(form, trace);
    panel->SetName(name);
    panel->SetParent(form);
  }
  delete form;
  EXPECT_EQ(trace, (std::vector<std::string>{"pnlC", "pnlB", "pnlA"}));
  EXPECT_EQ(App.GetScreen().FindForm("fOwner"), nullptr);
}

TEST_F(Forms, FreeingAControlTakesItOutOfItsParentOwnerAndFocus) {
  TForm* form = NewForm("fFree");
  TPanel* panel = Add<TPanel>(form, "pnl", form);
  TEdit* edit = Add<TEdit>(panel, "edt", form);
  // A control owned by another component still goes when its parent goes.
  TForm* other = NewForm("fOther");
  TButton* foreign = Add<TButton>(panel, "btnForeign", other);
  form->Show();
  ASSERT_EQ(form->GetFocusedControl(), edit);

  delete edit;
  EXPECT_EQ(form->GetFocusedControl(), nullptr);
  EXPECT_EQ(form->GetActiveControl(), nullptr);
  EXPECT_EQ(form->FindComponent("edt"), nullptr);
  EXPECT_EQ(panel->ControlCount(), 1);

  delete panel;
  EXPECT_EQ(other->FindComponent("btnForeign"), nullptr);
  EXPECT_EQ(form->ControlCount(), 0);
  (void)foreign;
}

TEST_F(Forms, FreedPopupMenuAndMainMenuAreForgotten) {
  TForm* form = NewForm("fMenus");
  TEdit* edit = Add<TEdit>(form, "edt");
  auto* popup = new TPopupMenu(form);
  auto* menu = new TMainMenu(form);
  edit->SetPopupMenu(popup);
  form->SetMenu(menu);
  delete popup;
  delete menu;
  EXPECT_EQ(edit->GetPopupMenu(), nullptr);
  EXPECT_EQ(form->GetMenu(), nullptr);
}

TEST_F(Forms, ShowRunsOnShowThenActivatesAndFocusesTheFirstControl) {
  TForm* form = NewForm("fShow");
  LogForm(form);
  TEdit* second = Add<TEdit>(form, "edtSecond");
  TEdit* first = Add<TEdit>(form, "edtFirst");
  first->SetTabOrder(0);
  LogFocus(first);
  LogFocus(second);
  form->OnShow = [&](TObject*) {
    Log.push_back("fShow.Show visible=" + std::to_string(form->GetVisible()));
  };
  form->Show();
  EXPECT_EQ(Log,
            (std::vector<std::string>{"fShow.Show visible=1", "fShow.Activate", "edtFirst.Enter"}));
  EXPECT_TRUE(form->GetShowing());
  EXPECT_EQ(Screen().GetActiveForm(), form);
}

TEST_F(Forms, ShowModalReturnsTheModalResultOfTheButton) {
  TForm* form = NewForm("fDialog");
  TButton* ok = Add<TButton>(form, "btnOk");
  ok->SetModalResult(mrOk);
  Driver.Queue([&] { Driver.Click("fDialog", "btnOk"); });
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_FALSE(form->GetVisible());
  EXPECT_FALSE(form->IsModal());
  EXPECT_EQ(App.GetModalLevel(), 0);
}

TEST_F(Forms, SettingModalResultOrClosingEndsTheModalRun) {
  struct TCase {
    const char* Name;
    std::function<void(TForm&)> Action;
    TModalResult Expected;
  };
  const TCase cases[] = {
      {"modal result", [](TForm& f) { f.SetModalResult(mrYes); }, mrYes},
      {"close", [](TForm& f) { f.Close(); }, mrCancel},
      {"bkClose button", [](TForm& f) { static_cast<TBitBtn*>(f.FindComponent("btn"))->Click(); },
       mrCancel},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TForm* form = NewForm("fCase");
    Add<TBitBtn>(form, "btn")->SetKind(bkClose);
    Driver.Queue([&] { c.Action(*form); });
    EXPECT_EQ(form->ShowModal(), c.Expected);
    delete form;
  }
}

TEST_F(Forms, CloseQueryRefusingKeepsTheFormOpen) {
  TForm* form = NewForm("fQuery");
  LogForm(form);
  bool allow = false;
  form->OnCloseQuery = [&](TObject*, bool& canClose) {
    Log.push_back("CloseQuery");
    canClose = allow;
  };
  // Not modal: the form stays visible and OnClose does not run.
  form->Show();
  Log.clear();
  form->Close();
  EXPECT_TRUE(form->GetVisible());
  EXPECT_EQ(Log, (std::vector<std::string>{"CloseQuery"}));
  form->Hide();

  // Modal: the refused close resets ModalResult and the run goes on until a close is allowed.
  Log.clear();
  Driver.Queue([&] { form->SetModalResult(mrOk); });
  Driver.Queue([&] {
    EXPECT_EQ(form->GetModalResult(), mrNone);
    allow = true;
    form->SetModalResult(mrAbort);
  });
  EXPECT_EQ(form->ShowModal(), mrAbort);
  EXPECT_EQ(Log,
            (std::vector<std::string>{"fQuery.Show", "fQuery.Activate", "CloseQuery", "CloseQuery",
                                      "fQuery.Close", "fQuery.Deactivate", "fQuery.Hide"}));
}

TEST_F(Forms, CloseActionsDecideWhatHappens) {
  struct TCase {
    TCloseAction Action;
    bool Visible;
    bool Exists;
    TWindowState State;
  };
  for (const TCase& c :
       {TCase{caHide, false, true, wsNormal}, TCase{caNone, true, true, wsNormal},
        TCase{caMinimize, true, true, wsMinimized}, TCase{caFree, false, false, wsNormal}}) {
    SCOPED_TRACE(static_cast<int>(c.Action));
    TForm* form = NewForm("fAction");
    form->OnClose = [&](TObject*, TCloseAction& action) { action = c.Action; };
    form->Show();
    detail::TFreeWatch watch(form);
    form->Close();
    ASSERT_EQ(watch.Alive(), c.Exists);
    if (c.Exists) {
      EXPECT_EQ(form->GetVisible(), c.Visible);
      EXPECT_EQ(form->GetWindowState(), c.State);
      delete form;
    }
  }
}

TEST_F(Forms, ReleaseFreesAtOnceButAModalFormOnlyWhenItsRunEnds) {
  TForm* plain = NewForm("fPlain");
  detail::TFreeWatch plainWatch(plain);
  plain->Release();
  EXPECT_FALSE(plainWatch.Alive());

  TForm* modal = NewForm("fModal");
  detail::TFreeWatch modalWatch(modal);
  Driver.Queue([&] {
    modal->Release();
    EXPECT_TRUE(modalWatch.Alive());
    modal->SetModalResult(mrOk);
  });
  EXPECT_EQ(modal->ShowModal(), mrOk);
  EXPECT_FALSE(modalWatch.Alive());
}

TEST_F(Forms, AStuckModalRunFailsAtOnceNamingTheForm) {
  TForm* form = NewForm("fLogin");
  try {
    form->ShowModal();
    FAIL() << "the modal run should fail";
  } catch (const EPresentationError& e) {
    EXPECT_STREQ(e.what(), "Modal form fLogin is waiting for input but no user action is pending");
  }
  EXPECT_FALSE(form->GetVisible());
  EXPECT_FALSE(form->IsModal());
  EXPECT_EQ(App.GetModalLevel(), 0);
}

TEST_F(Forms, AStuckNestedRunFailsThroughTheOuterRun) {
  TForm* outer = NewForm("fOuter");
  TForm* inner = NewForm("fInner");
  TButton* open = Add<TButton>(outer, "btnOpen");
  open->OnClick = [&](TObject*) { inner->ShowModal(); };
  Driver.Queue([&] { Driver.Click("fOuter", "btnOpen"); });
  EXPECT_THROW(
      {
        try {
          outer->ShowModal();
        } catch (const EPresentationError& e) {
          EXPECT_NE(std::string(e.what()).find("fInner"), std::string::npos);
          throw;
        }
      },
      EPresentationError);
  EXPECT_TRUE(Driver.Messages().empty()) << "the error is not an error dialog";
  EXPECT_EQ(App.GetModalLevel(), 0);
}

TEST_F(Forms, TerminationEndsEveryModalRunAtOnce) {
  TForm* outer = NewForm("fOuter");
  TForm* inner = NewForm("fInner");
  LogForm(inner);
  TModalResult innerResult = mrNone;
  Driver.Queue([&] { innerResult = inner->ShowModal(); });
  Driver.Queue([&] { App.Terminate(); });
  Driver.Queue([&] { ADD_FAILURE() << "no input is taken after termination"; });
  EXPECT_EQ(outer->ShowModal(), mrCancel);
  EXPECT_EQ(innerResult, mrCancel);
  EXPECT_TRUE(App.GetTerminated());
  // A run started after termination shows the form and ends at once, without asking it.
  TForm* later = NewForm("fLater");
  LogForm(later);
  Log.clear();
  EXPECT_EQ(later->ShowModal(), mrCancel);
  EXPECT_EQ(Log, (std::vector<std::string>{"fLater.Show", "fLater.Activate", "fLater.Deactivate",
                                           "fLater.Hide"}));
  EXPECT_EQ(Driver.Pending(), 1);
  Driver.Backend().ClearActions();
}

TEST_F(Forms, ShowModalOfAVisibleFormIsRefused) {
  TForm* form = NewForm("fVisible");
  form->Show();
  EXPECT_THROW(form->ShowModal(), EInvalidOperation);
}

TEST_F(Forms, RunShowsTheMainFormAndEndsWhenItCloses) {
  TForm* main = nullptr;
  App.CreateForm(main);
  main->SetName("fMain");
  LogForm(main);
  TForm* second = nullptr;
  App.CreateForm(second);
  EXPECT_EQ(App.GetMainForm(), main);
  Driver.Queue([&] { main->Close(); });
  App.Run();
  EXPECT_TRUE(App.GetTerminated());
  EXPECT_EQ(Log, (std::vector<std::string>{"fMain.Show", "fMain.Activate", "fMain.CloseQuery",
                                           "fMain.Close"}));
}

TEST_F(Forms, RunWithoutAMainFormReturnsAtOnce) {
  App.Run();
  EXPECT_FALSE(App.GetTerminated());
}

// A form whose OnCreate looks at the global reference the application sets.
class TfMain : public TForm {
public:
  static inline TfMain* fMain = nullptr;
  bool SeenByCreate = false;
  int Creates = 0;
  explicit TfMain(TComponent* owner) : TForm(owner) {
    OnCreate = [this](TObject*) {
      SeenByCreate = fMain == this;
      ++Creates;
    };
  }
};

TEST_F(Forms, CreateFormSetsTheReferenceBeforeOnCreate) {
  App.CreateForm(TfMain::fMain);
  ASSERT_NE(TfMain::fMain, nullptr);
  EXPECT_TRUE(TfMain::fMain->SeenByCreate);
  TfMain::fMain->AfterConstruction();
  EXPECT_EQ(TfMain::fMain->Creates, 1) << "OnCreate runs once";
  EXPECT_EQ(App.GetMainForm(), TfMain::fMain);
  EXPECT_EQ(TfMain::fMain->GetOwner(), &App);
  TfMain::fMain = nullptr;
}

TEST_F(Forms, AFormWhoseOnCreateRaisesIsFreed) {
  struct TFailing : TForm {
    explicit TFailing(TComponent* owner) : TForm(owner) {
      SetName("fFailing");
      OnCreate = [](TObject*) { throw Exception("no database"); };
    }
  };
  TFailing* form = nullptr;
  EXPECT_THROW(App.CreateForm(form), Exception);
  EXPECT_EQ(form, nullptr);
  EXPECT_EQ(App.GetMainForm(), nullptr);
  EXPECT_THROW(CreateForm<TFailing>(&App), Exception);
  EXPECT_EQ(Screen().FindForm("fFailing"), nullptr);
}

TEST_F(Forms, ProceduresHandedToTheMainThreadRunInTheModalLoop) {
  TForm* form = NewForm("fWaiting");
  Driver.Backend().SetIdleWait(std::chrono::seconds(5));
  std::thread worker([&] { TThread::Queue([&] { form->SetModalResult(mrOk); }); });
  EXPECT_EQ(form->ShowModal(), mrOk);
  worker.join();
}

TEST_F(Forms, HandlerErrorsGoToTheErrorDialogAndAbortIsSilent) {
  TForm* form = NewForm("fErrors");
  TButton* fail = Add<TButton>(form, "btnFail");
  TButton* abort = Add<TButton>(form, "btnAbort");
  fail->OnClick = [](TObject*) { throw Exception("Connection refused"); };
  abort->OnClick = [](TObject*) { Abort(); };
  App.SetTitle("Vozmira");
  form->Show();
  Driver.Click(*form, "btnAbort");
  EXPECT_TRUE(Driver.Messages().empty());
  Driver.Click(*form, "btnFail");
  ASSERT_EQ(Driver.Messages().size(), 1u);
  EXPECT_EQ(Driver.LastMessage().Text, "Connection refused.");
  EXPECT_EQ(Driver.LastMessage().Caption, "Vozmira");
  EXPECT_EQ(Driver.LastMessage().Type, mtError);
  EXPECT_EQ(Driver.LastMessage().Buttons, TMsgDlgButtons{mbOK});
}

TEST_F(Forms, ClosingAModalFormReactivatesTheFormBelow) {
  TForm* below = NewForm("fBelow");
  TForm* modal = NewForm("fTop");
  LogForm(below);
  LogForm(modal);
  below->Show();
  Log.clear();
  Driver.Queue([&] { modal->Close(); });
  modal->ShowModal();
  EXPECT_EQ(Log, (std::vector<std::string>{"fTop.Show", "fBelow.Deactivate", "fTop.Activate",
                                           "fTop.CloseQuery", "fTop.Close", "fTop.Deactivate",
                                           "fTop.Hide", "fBelow.Activate"}));
  EXPECT_EQ(Screen().GetActiveForm(), below);
}

TEST_F(Forms, AFormInsideATabSheetIsShownThere) {
  TForm* host = NewForm("fHost", 600, 400);
  auto* pages = Add<TPageControl>(host, "pgc");
  pages->SetAlign(alClient);
  auto* sheet = new TTabSheet(pages);
  sheet->SetPageControl(pages);
  auto* inner = new TForm(sheet);
  inner->SetName("fInner");
  LogForm(inner);
  inner->SetBorderStyle(bsNone);
  inner->SetAlign(alClient);
  inner->SetParent(sheet);
  TEdit* edit = Add<TEdit>(inner, "edtInner");
  host->Show();
  inner->Show();
  EXPECT_EQ(inner->GetBoundsRect(), sheet->GetClientRect());
  EXPECT_TRUE(inner->GetShowing());
  edit->SetFocus();
  EXPECT_EQ(host->GetFocusedControl(), edit);
  EXPECT_EQ(inner->GetActiveControl(), edit);
  // The inner form goes with its sheet; the focus falls back to the page control.
  delete sheet;
  EXPECT_EQ(App.GetScreen().FindForm("fInner"), nullptr);
  EXPECT_EQ(host->GetFocusedControl(), pages);
  EXPECT_EQ(Log, (std::vector<std::string>{"fInner.Show", "fInner.Hide"}));
}

} // namespace

namespace {

TEST_F(Forms, PositionAndWindowStatePlaceTheWindow) {
  App.GetScreen().SetSize(1000, 800);
  TForm* centred = NewForm("fCentred", 384, 261);
  centred->SetPosition(poScreenCenter);
  centred->Show();
  EXPECT_EQ(centred->GetBoundsRect(), Bounds(300, 250, 400, 300));
  TForm* owned = new TForm(centred);
  owned->SetBorderStyle(bsNone);
  owned->SetBounds(0, 0, 100, 50);
  owned->SetPosition(poOwnerFormCenter);
  owned->Show();
  EXPECT_EQ(owned->GetBoundsRect(), Bounds(450, 375, 100, 50));
  owned->SetWindowState(wsMaximized);
  EXPECT_EQ(owned->GetBoundsRect(), Bounds(0, 0, 1000, 800));
  owned->SetWindowState(wsNormal);
  EXPECT_EQ(owned->GetBoundsRect(), Bounds(450, 375, 100, 50));
}

} // namespace

namespace {

TEST_F(Forms, AFormFreedByItsOwnHandlerEndsTheInputSafely) {
  // Non-modal: the button's click frees the form at once; the rest of the click is dropped.
  TForm* form = NewForm("fFreed");
  TButton* button = Add<TButton>(form, "btnSair");
  button->OnClick = [form](TObject*) { form->Release(); };
  button->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
    Log.push_back("MouseUp");
  };
  form->Show();
  detail::TFreeWatch watch(form);
  Driver.Click(*form, "btnSair");
  EXPECT_FALSE(watch.Alive());
  EXPECT_TRUE(Log.empty());

  // Modal: a form freed while it runs ends its run as cancelled.
  TForm* modal = NewForm("fGone");
  Driver.Queue([&] { delete modal; });
  EXPECT_EQ(modal->ShowModal(), mrCancel);
  EXPECT_EQ(App.GetModalLevel(), 0);
  EXPECT_EQ(Screen().FindForm("fGone"), nullptr);
}

} // namespace
