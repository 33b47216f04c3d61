#include "bridge/Duo.Forms.h"
#include "lang/Duo.Lang.Core.h"
#include "ui/Headless.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

// A form that writes down which of its hooks ran.
class TRecordingForm : public TDuoForm {
  DUO_CLASS(TRecordingForm, TDuoForm)

public:
  explicit TRecordingForm(TComponent* AOwner) : TDuoForm(AOwner) {
    OnShow = [this](TObject*) { Log.push_back("OnShow"); };
  }

  void BeginTagHTML() override { Log.push_back("BeginTagHTML"); }
  void EndTagHTML() override { Log.push_back("EndTagHTML"); }
  void BeginTranslate(TDuoLang) override { Log.push_back("BeginTranslate"); }
  void TagHTML(const std::string& TagString, std::string& ReplaceTag) override {
    Log.push_back("TagHTML " + TagString + " " + ReplaceTag);
    ReplaceTag += "+form";
  }
  void TagTranslate(TDuoLang, const std::string& AContext, const std::string& ATerm,
                    std::string& ATranslated) override {
    Log.push_back("TagTranslate " + AContext + "/" + ATerm);
    ATranslated = "from the form";
  }
  void CallBack(const std::string& CallBackName, TStrings*) override {
    Log.push_back("CallBack " + CallBackName);
  }

  std::vector<std::string> Log;
};

const TClassInfo& TRecordingForm::StaticClass() {
  static const TClassInfo info = TClassBuilder<TRecordingForm>("TRecordingForm").Build();
  return info;
}

// Each test runs its forms in an application of its own with a headless backend.
class DuoFormTest : public ::testing::Test {
protected:
  DuoFormTest()
      : Backend(new THeadlessBackend), App(std::unique_ptr<TUIBackend>(Backend)), Scope(App) {}

  THeadlessBackend* Backend;
  TApplication App;
  TApplicationScope Scope;
};

TEST_F(DuoFormTest, EachShowCountsAndRunsTheTagHooksBeforeOnShow) {
  auto* form = new TRecordingForm(&App);
  EXPECT_EQ(form->ShowCount(), 0);
  form->Show();
  form->Hide();
  form->Show();
  EXPECT_EQ(form->ShowCount(), 2);
  EXPECT_EQ(form->Log, (std::vector<std::string>{"BeginTagHTML", "EndTagHTML", "OnShow",
                                                 "BeginTagHTML", "EndTagHTML", "OnShow"}));
}

TEST_F(DuoFormTest, TranslationBeginsOnlyBeforeTheFirstShow) {
  auto* form = new TRecordingForm(&App);
  form->DoBeginTranslate();
  form->Show();
  form->Log.clear();
  form->DoBeginTranslate();
  EXPECT_TRUE(form->Log.empty());
}

TEST_F(DuoFormTest, TagReplacementAsksTheEventThenTheForm) {
  auto* form = new TRecordingForm(&App);
  form->OnTagHTML = [](const std::string& tag, std::string& replace) { replace = "event:" + tag; };
  std::string replace;
  form->DoTagHTML("Title", replace);
  EXPECT_EQ(replace, "event:Title+form");
  EXPECT_EQ(form->Log, std::vector<std::string>{"TagHTML Title event:Title"});
}

TEST_F(DuoFormTest, DispatchersReachTheirHooks) {
  auto* form = new TRecordingForm(&App);
  form->DoBeginTagHTML();
  form->DoEndTagHTML();
  form->DoCallBack("Salvar", nullptr);
  std::vector<std::string> uploaded;
  form->OnUpload = [&](TStrings* files, TObject* sender) {
    uploaded = files->ToVector();
    EXPECT_EQ(sender, form);
  };
  TStringList files{"a.png", "b.pdf"};
  form->DoUpload(&files, form);
  EXPECT_EQ(form->Log, (std::vector<std::string>{"BeginTagHTML", "EndTagHTML", "CallBack Salvar"}));
  EXPECT_EQ(uploaded, (std::vector<std::string>{"a.png", "b.pdf"}));
}

TEST_F(DuoFormTest, ClosingAPopupForgetsItAndAlwaysTellsTheForm) {
  auto* form = new TRecordingForm(&App);
  std::vector<std::string> events;
  form->OnShowPopup = [&](const std::string& name) {
    events.push_back("open " + name);
    return std::string();
  };
  form->OnClosePopup = [&](const std::string& name) {
    events.push_back("close " + name);
    return std::string();
  };
  form->GetPopupsShowing().Add("popFiltro");
  form->GetPopupsShowing().Add("popAjuda");
  form->PopupOpened("popFiltro");
  form->PopupClosed("popFiltro");
  form->PopupClosed("popNunca");
  EXPECT_EQ(form->GetPopupsShowing().ToVector(), std::vector<std::string>{"popAjuda"});
  EXPECT_EQ(events,
            (std::vector<std::string>{"open popFiltro", "close popFiltro", "close popNunca"}));
}

TEST_F(DuoFormTest, MessagesArePlatformDialogsOnTheDesktop) {
  auto* form = new TRecordingForm(&App);
  form->ShowMessage("Informe o Login");
  form->ShowMessage("Salvo", true, 3000, mtInformation, ToastBottomRigth);
  Backend->QueueMessageAnswer(mrNo);
  EXPECT_EQ(form->MessageDlg("Excluir?", mtConfirmation, mbYesNo, 0, "del"), mrNo);
  ASSERT_EQ(Backend->Messages().size(), 3u);
  EXPECT_EQ(Backend->Messages()[0].Text, "Informe o Login");
  EXPECT_EQ(Backend->Messages()[0].Buttons, TMsgDlgButtons{mbOK});
  EXPECT_EQ(Backend->Messages()[1].Text, "Salvo");
  EXPECT_EQ(Backend->Messages()[2].Type, mtConfirmation);
  EXPECT_EQ(Backend->Messages()[2].Buttons, mbYesNo);
  // Popups have no desktop form.
  form->ShowPopup("popFiltro");
  EXPECT_EQ(Backend->Messages().size(), 3u);
  EXPECT_FALSE(TDuoForm::IsDuoContext());
}

TEST_F(DuoFormTest, ReleaseFreesAtOnce) {
  TComponent owner(nullptr);
  auto* form = new TRecordingForm(&owner);
  form->Show();
  form->Release();
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST_F(DuoFormTest, PriorFormIsForgottenWhenFreed) {
  auto* prior = new TRecordingForm(&App);
  auto* form = new TRecordingForm(&App);
  form->SetPriorDuo(prior);
  delete prior;
  EXPECT_EQ(form->GetPriorDuo(), nullptr);
}

// The application's own texts answer a template tag before the form's hook does.
class TagTranslation : public DuoFormTest {
protected:
  void SetUp() override {
    Folder = std::filesystem::temp_directory_path() /
             ("vozmira-tagtranslate-" + std::to_string(::getpid()));
    std::filesystem::create_directories(Folder);
    std::ofstream(Folder / "DuoLangAPP_en-US.json") << R"({"Menu": {"Sair": "Leave"}})";
    DuoLangAPPCore = std::make_unique<TDuoLangAPPCore>();
    DuoLangAPPCore->SetEmbedJSON(false);
    DuoLangAPPCore->SetPathJSON(Folder.string());
    DuoLangAPPCore->SetLanguages({TDuoLang::English});
  }
  void TearDown() override {
    DuoLangAPPCore.reset();
    std::filesystem::remove_all(Folder);
  }
  std::filesystem::path Folder;
};

TEST_F(TagTranslation, ApplicationTextWinsAndTheFormFillsTheRest) {
  auto* form = new TRecordingForm(&App);
  std::string translated;
  form->DoTagTranslate(TDuoLang::Portuguese, "Menu", "Sair", translated);
  EXPECT_EQ(translated, "Leave");
  EXPECT_TRUE(form->Log.empty());

  translated.clear();
  form->DoTagTranslate(TDuoLang::Portuguese, "Menu", "Outro", translated);
  EXPECT_EQ(translated, "from the form");
  EXPECT_EQ(form->Log, std::vector<std::string>{"TagTranslate Menu/Outro"});
}

TEST_F(DuoFormTest, WithoutApplicationTextsTheFormTranslates) {
  auto* form = new TRecordingForm(&App);
  std::string translated;
  form->DoTagTranslate(TDuoLang::English, "Menu", "Sair", translated);
  EXPECT_EQ(translated, "from the form");
}

} // namespace

namespace {

// What the page layer would do for a form, written down.
class TRecordingWeb : public IDuoFormWeb {
public:
  TFacetSession* FacetSession(TDuoForm&) override { return nullptr; }
  IFacetFormCallBacks* CallBacks(TDuoForm&) override { return nullptr; }
  TDuoLang Language(const TDuoForm&) override { return TDuoLang::Portuguese; }
  bool IsPrimaryForm(const TDuoForm&) override { return Primary; }
  void RunCellButton(TDuoForm&, TFacetDBGridColumnButton&) override {
    Log.push_back("RunCellButton");
  }
  void CloseShowmodal(TDuoForm& form) override {
    Log.push_back("CloseShowmodal " + form.GetName());
  }
  void ShowPopup(TDuoForm&, const std::string& name) override {
    Log.push_back("ShowPopup " + name);
  }
  void ClosePopup(TDuoForm&, const std::string& name) override {
    Log.push_back("ClosePopup " + name);
  }
  void ShowMessage(TDuoForm&, const std::string& msg, bool, bool, int, TMsgDlgType,
                   TToastPosition) override {
    Log.push_back("ShowMessage " + msg);
  }
  int MessageDlg(TDuoForm&, const std::string& msg, TMsgDlgType, TMsgDlgButtons, int,
                 const TDuoRespIdentify& id) override {
    Log.push_back("MessageDlg " + msg + " " + id);
    return mrYes;
  }
  void FormDestroying(TDuoForm& form) override {
    Log.push_back("FormDestroying " + form.GetName());
  }

  bool Primary = false;
  std::vector<std::string> Log;
};

class TCellForm : public TRecordingForm {
public:
  using TRecordingForm::TRecordingForm;
  void CellButtonClick(TFacetDBGrid*, TFacetDBGridColumnButton*, int col, int row) override {
    Log.push_back("CellButtonClick " + std::to_string(col) + "," + std::to_string(row));
  }
};

TEST_F(DuoFormTest, AWebFormHandsItsPageWorkToThePresentation) {
  TRecordingWeb web;
  auto* form = new TCellForm(&App);
  form->SetName("fPagina");
  form->SetWebPresentation(&web);
  EXPECT_EQ(form->GetLanguage(), TDuoLang::Portuguese);
  form->ShowPopup("popFiltro");
  form->ClosePopup("popFiltro");
  form->ShowMessage("Salvo");
  EXPECT_EQ(form->MessageDlg("Excluir?", mtConfirmation, mbYesNo, 0, "del"), mrYes);
  // Without a button there is nothing for the presentation to run.
  form->DoCellButtonClick(nullptr, nullptr, 2, 7);
  EXPECT_EQ(web.Log, (std::vector<std::string>{"ShowPopup popFiltro", "ClosePopup popFiltro",
                                               "ShowMessage Salvo", "MessageDlg Excluir? del"}));
  EXPECT_EQ(form->Log, std::vector<std::string>{"CellButtonClick 2,7"});
  EXPECT_TRUE(Backend->Messages().empty());
  // What the presentation keeps for the form goes with the form.
  delete form;
  EXPECT_EQ(web.Log.back(), "FormDestroying fPagina");
}

TEST_F(DuoFormTest, ThePrimaryFormCountsAsShownWhenItsPageLoads) {
  TRecordingWeb web;
  web.Primary = true;
  auto* prior = new TRecordingForm(&App);
  prior->SetName("fAnterior");
  prior->SetWebPresentation(&web);
  auto* form = new TRecordingForm(&App);
  form->SetWebPresentation(&web);
  form->SetPriorDuo(prior);
  std::vector<std::string> events;
  form->OnActivate = [&](TObject*) { events.push_back("OnActivate"); };
  form->OnPageLoaded = [&](TObject*) { events.push_back("OnPageLoaded"); };
  prior->SetShowingModal(false);

  form->DoPageLoaded();
  EXPECT_TRUE(form->GetShowingPage());
  EXPECT_EQ(form->Log, std::vector<std::string>{"OnShow"});
  // The page of a form that is not a shown window reports no load.
  EXPECT_EQ(events, std::vector<std::string>{"OnActivate"});
  EXPECT_EQ(web.Log, std::vector<std::string>{"CloseShowmodal fAnterior"});

  // A prior form shown modally keeps its wait.
  web.Log.clear();
  prior->SetShowingModal(true);
  form->Show();
  events.clear();
  form->DoPageLoaded();
  EXPECT_TRUE(web.Log.empty());
  EXPECT_EQ(events, (std::vector<std::string>{"OnActivate", "OnPageLoaded"}));
  EXPECT_TRUE(prior->GetShowingModal());
  delete form;
  delete prior;
}

TEST_F(DuoFormTest, ClosingTheModalWaitClearsShowingModal) {
  TRecordingWeb web;
  auto* form = new TRecordingForm(&App);
  form->SetName("fModal");
  form->SetWebPresentation(&web);
  form->SetShowingModal(true);
  form->DoCloseShowmodal();
  EXPECT_FALSE(form->GetShowingModal());
  EXPECT_EQ(web.Log, std::vector<std::string>{"CloseShowmodal fModal"});
  delete form;
}

} // namespace

namespace {

class TNamedForm : public TDuoForm {
public:
  explicit TNamedForm(TComponent* AOwner) : TDuoForm(AOwner) { SetFormName("fNamed"); }
};

TEST_F(DuoFormTest, FurtherInstancesOfAFormGetNumberedNames) {
  TComponent owner(nullptr);
  auto* first = new TNamedForm(&owner);
  auto* second = new TNamedForm(&owner);
  auto* third = new TNamedForm(&owner);
  EXPECT_EQ(first->GetName(), "fNamed");
  EXPECT_EQ(second->GetName(), "fNamed_1");
  EXPECT_EQ(third->GetName(), "fNamed_2");
  // Another owner has its own names.
  TComponent other(nullptr);
  EXPECT_EQ((new TNamedForm(&other))->GetName(), "fNamed");
}

} // namespace
