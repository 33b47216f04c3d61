// The page form: template tags in their resolution order, callbacks and translations, control
// placement in templates, and the one message of updates after each piece of work.

#include "PageFixture.h"

#include <unistd.h>

#include "bridge/Duo.Forms.h"
#include "bridge/Duo.Item.HTML.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.h"
#include "render/Duo.Facet.Framework.h"
#include "render/Duo.Facet.Page.h"
#include "render/Facet.Edit.h"
#include "render/Facet.Forms.h"
#include "render/Facet.Label.h"
#include "ui/Headless.h"
#include "ui/StdCtrls.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <thread>

namespace {

int CountOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1))
    ++count;
  return count;
}

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

// A session whose callback script names the callback, the page and the parameters.
class TCallBackSession : public pagetest::TSession {
public:
  std::string CallBackJS(const std::string& ACallBackName, const std::string& AFormUUID,
                         const std::string& Parameters, bool LockClient) override {
    return "CB(" + ACallBackName + "|" + AFormUUID + "|" + Parameters + "|" +
           (LockClient ? "lock" : "free") + ")";
  }
};

// A form that answers a few tags and translations, with its own page form.
class TTagForm : public TDuoForm {
public:
  using TDuoForm::TDuoForm;
  void TagHTML(const std::string& TagString, std::string& ReplaceTag) override {
    if (TagString == "Nome")
      ReplaceTag = "Maria";
    if (TagString == "Grow")
      ReplaceTag = "{{Nome}} and {{Nome}}";
    if (TagString == "Empty")
      ReplaceTag = "";
  }
  void TagTranslate(TDuoLang, const std::string& AContext, const std::string& ATerm,
                    std::string& ATranslated) override {
    Asked.push_back(AContext + "/" + ATerm);
    if (ATerm == "File")
      ATranslated = AContext.empty() ? "Arquivo" : "Arquivo de " + AContext;
  }
  std::vector<std::string> Asked;
};

class PageFormTest : public ::testing::Test {
protected:
  PageFormTest()
      : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App),
        Form(new TTagForm(&App)), Page(new TFacetForm(Form)) {
    Form->SetTitle("Solicitações");
    Page->SetSession(&Session);
  }

  std::string Tags(std::string html) {
    Page->ProcessTagHTML(html);
    Page->ProcessCallBackTagHTML(html);
    Page->ProcessTagTranslate(html);
    return html;
  }

  TApplication App;
  TApplicationScope Scope;
  TTagForm* Form;
  TFacetForm* Page;
  TCallBackSession Session;
};

TEST_F(PageFormTest, APageNoFormOwnsStandsForTheFormOfTheSessionsActivePage) {
  TFacetForm loose(nullptr);
  loose.SetSession(&Session);
  EXPECT_EQ(loose.DuoForm(), nullptr);
  auto* other = new TTagForm(&App);
  TDuo active(other);
  Session.Active = &active;
  EXPECT_EQ(loose.DuoForm(), other);
  // The form that owns its page is the page's form whatever page is active.
  EXPECT_EQ(Page->DuoForm(), Form);
  Session.Active = nullptr;
  // Without a server there are no options and no language.
  EXPECT_EQ(Page->FacetOptions(), nullptr);
  EXPECT_EQ(Page->GetLanguage(), "");
}

TEST_F(PageFormTest, TheTagGrammar) {
  struct Case {
    std::string Html;
    std::string Expected;
  };
  const std::vector<Case> cases = {
      {"<p>{{Nome}}</p>", "<p>Maria</p>"},
      {"{{Title}}", "Solicitações"},
      {"{{title}}", "{{title}}"},
      {"{{Unknown}} stays", "{{Unknown}} stays"},
      {"{{Empty}}x", "x"},
      // A replacement is not scanned again in the same pass.
      {"a{{Grow}}b", "a{{Nome}} and {{Nome}}b"},
      {"{{Nome}}{{Nome}}", "MariaMaria"},
      {"{{Nome\r\n}}", "{{Nome\r\n}}"},
      {"{{CallBackClose}}", "{{CallBackClose}}"},
      {"<a onclick=\"{{CallBack= Save (1,2)}}\">",
       "<a onclick=\"CB(Save|" + Page->GetFormUUID() + "|'1,2'|lock)\">"},
      {"{{CallBack=Go}}", "CB(Go|" + Page->GetFormUUID() + "|''|lock)"},
      {"{{CallBack=Q(it's)}}", "CB(Q|" + Page->GetFormUUID() + "|'it\\'s'|lock)"},
      {"{{_Menu,File_}} {{_File_}}", "Arquivo de Menu Arquivo"},
      {"{{_Other_}}", "{{_Other_}}"},
      {"{{_Menu,File_}}{{Nome}}", "Arquivo de MenuMaria"},
      {"{{ {{Nome}} }}", "{{ {{Nome}} }}"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Tags(c.Html), c.Expected) << c.Html;
  EXPECT_THAT(Form->Asked, testing::Contains("/File"));
  EXPECT_THAT(Form->Asked, testing::Contains("Menu/File"));
  ASSERT_FALSE(Page->SimpleCallBacks().empty());
  EXPECT_EQ(Page->SimpleCallBacks()[0].Name, "Save");
  EXPECT_EQ(Page->SimpleCallBacks()[0].Parameters, "1,2");
}

TEST_F(PageFormTest, ARegisteredCallBackRunsTheFormsHookAndItsHandler) {
  std::vector<std::string> ran;
  Page->CallBacks()->Register(
      "Salvar", [&ran](TStrings* params) { ran.push_back("handler " + params->Strings(0)); });
  std::string html = "<b onclick=\"{{salvar}}\">";
  Page->ProcessCallBackTagHTML(html);
  EXPECT_EQ(html, "<b onclick=\"CB(Salvar|" + Page->GetFormUUID() + "||lock)\">");
  // The tag of a callback written into the page keeps the handler the form gave it.
  std::string again = "{{CallBack=Salvar}}";
  Page->ProcessTagHTML(again);
  TStringList params;
  params.Add("7");
  EXPECT_TRUE(Page->FormCallBacks().Execute(*Page, "Salvar", &params));
  EXPECT_TRUE(Page->FormCallBacks().Execute(*Page, "SALVAR", &params));
  EXPECT_FALSE(Page->FormCallBacks().Execute(*Page, "Salva", &params));
  EXPECT_THAT(ran, ElementsAre("handler 7", "handler 7"));
}

// The page's callback list: each registration step and what the list holds after it, names
// compared without regard to case throughout.
TEST_F(PageFormTest, CallBacksAreRegisteredFoundAndRemovedByNameEachUnderItsOwnID) {
  IFacetFormCallBacks& callBacks = *Page->CallBacks();
  std::vector<std::string> ran;
  const auto handler = [&ran](const char* tag) {
    return [&ran, tag](TStrings*) { ran.push_back(tag); };
  };
  struct TStep {
    std::function<void()> Do;
    std::vector<std::pair<std::string, std::string>> NamesAndParameters;
  };
  const TStep steps[] = {
      {[&] { callBacks.Register("Save", std::string("1,2")); }, {{"Save", "1,2"}}},
      // A second registration with parameters is a second callback of the name.
      {[&] { callBacks.Register("save", std::string("3")); }, {{"Save", "1,2"}, {"save", "3"}}},
      // A handler goes to the first callback of the name, without a new entry.
      {[&] { callBacks.Register("SAVE", handler("first")); }, {{"Save", "1,2"}, {"save", "3"}}},
      {[&] { callBacks.Register("Load", handler("load")); },
       {{"Save", "1,2"}, {"save", "3"}, {"Load", ""}}},
      {[&] { callBacks.Unregister("sAvE"); }, {{"Load", ""}}},
      {[&] { callBacks.Unregister("Nothing"); }, {{"Load", ""}}},
  };
  std::set<std::string> ids;
  std::vector<std::string> saveIDs;
  for (size_t i = 0; i < std::size(steps); ++i) {
    steps[i].Do();
    std::vector<std::pair<std::string, std::string>> held;
    for (const TFacetCallBack& item : Page->FormCallBacks().Items()) {
      held.emplace_back(item.Name, item.Parameters);
      ids.insert(item.ID);
      EXPECT_EQ(item.ID.size(), 18U);
      EXPECT_EQ(Page->FormCallBacks().ByID(item.ID), &item);
    }
    EXPECT_EQ(held, steps[i].NamesAndParameters) << "step " << i;
    if (i == 2) {
      const TFacetCallBack* save = callBacks.GetCallBack("sAVE");
      ASSERT_NE(save, nullptr);
      EXPECT_EQ(save->Parameters, "1,2");
      ASSERT_TRUE(save->Proc);
      EXPECT_TRUE(Page->FormCallBacks().Execute(*Page, "save", nullptr));
      EXPECT_THAT(ran, ElementsAre("first"));
      for (const TFacetCallBack& item : Page->FormCallBacks().Items())
        saveIDs.push_back(item.ID);
    }
  }
  // Three callbacks were made, each under an id of its own; the removed ones answer no more.
  EXPECT_EQ(ids.size(), 3U);
  EXPECT_EQ(callBacks.GetCallBack("Save"), nullptr);
  for (const std::string& id : saveIDs)
    EXPECT_EQ(Page->FormCallBacks().ByID(id), nullptr);
}

// Three controls with getters on a form's edits; the page is loaded and up to date.
class PageUpdatesTest : public PageFormTest {
protected:
  PageUpdatesTest() {
    for (const char* name : {"edtA", "edtB", "edtC"}) {
      auto* edit = new TEdit(Form);
      edit->SetName(name);
      auto* page = new TFacetEdit(Page);
      page->SetName(name);
      page->SetProcGetText([edit] { return Variant(edit->GetText()); });
      page->FormatHTMLControl(std::string("{%") + name + " class=\"form-control\"%}");
      Edits.push_back(edit);
    }
    Page->Initialize();
    Page->OnBeforePageLoad();
    Page->OnAfterPageLoad();
    Session.Pushed.clear();
  }
  std::vector<TEdit*> Edits;
};

TEST_F(PageUpdatesTest, AHandlerThatChangesThreeControlsSendsOneMessageWithThreeStatements) {
  for (TEdit* edit : Edits)
    edit->SetText("novo " + edit->GetName());
  EXPECT_TRUE(Page->FlushControlUpdates());
  ASSERT_EQ(Session.Pushed.size(), 1U);
  EXPECT_EQ(
      Session.Pushed[0],
      R"(if (document.getElementById("EDTA") !== null) {document.getElementById("EDTA").value = "novo edtA";} )"
      R"(if (document.getElementById("EDTB") !== null) {document.getElementById("EDTB").value = "novo edtB";} )"
      R"(if (document.getElementById("EDTC") !== null) {document.getElementById("EDTC").value = "novo edtC";})");
  // Nothing changed since: no message at all.
  EXPECT_FALSE(Page->FlushControlUpdates());
  EXPECT_EQ(Session.Pushed.size(), 1U);
}

TEST_F(PageUpdatesTest, NothingIsSentWhileTheBrowsersStatesAreAppliedAndAForcedUpdateResendsAll) {
  Edits[0]->SetText("x");
  Page->onComponentsUpdating();
  EXPECT_FALSE(Page->FlushControlUpdates());
  Page->onComponentsUpdated();
  Page->UpdateControls();
  EXPECT_TRUE(Page->FlushControlUpdates());
  ASSERT_EQ(Session.Pushed.size(), 1U);
  for (const char* id : {"EDTA", "EDTB", "EDTC"})
    EXPECT_THAT(Session.Pushed[0], HasSubstr(std::string("getElementById(\"") + id));
}

// A loaded page keeps no timer: longer than an observer's period later it has asked its session
// for no work, and flushing it finds nothing to send.
TEST_F(PageUpdatesTest, AnIdlePageSchedulesNoWorkAndSendsNothing) {
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(Session.Soon.empty());
  for (int i = 0; i < 100; ++i)
    EXPECT_FALSE(Page->FlushControlUpdates());
  EXPECT_TRUE(Session.Soon.empty());
  EXPECT_TRUE(Session.Pushed.empty());
}

TEST_F(PageUpdatesTest, AChangeOutsideAnEventIsSentOnceBySessionWorkAskedForOnce) {
  Edits[0]->SetText("de fundo");
  Page->MarkDirty();
  Edits[1]->SetText("também");
  Page->MarkDirty();
  ASSERT_EQ(Session.Soon.size(), 1U);
  EXPECT_TRUE(Session.Pushed.empty());
  Session.Soon[0]();
  ASSERT_EQ(Session.Pushed.size(), 1U);
  EXPECT_THAT(Session.Pushed[0], HasSubstr("de fundo"));
  EXPECT_THAT(Session.Pushed[0], HasSubstr("também"));
  // Marked again after the flush: asked for again.
  Page->MarkDirty();
  EXPECT_EQ(Session.Soon.size(), 2U);
  // The page is gone before the session runs the work: nothing happens.
  delete Page;
  Page = nullptr;
  Session.Soon[1]();
  EXPECT_EQ(Session.Pushed.size(), 1U);
}

TEST_F(PageFormTest, ShowingReloadsThePageAndAModalFormWaitsForItsClosing) {
  Page->Show();
  EXPECT_THAT(Session.Pushed, ElementsAre("reload"));
  Session.Pushed.clear();
  Form->SetShowingModal(true);
  Page->Show();
  EXPECT_THAT(Session.Pushed, ElementsAre("reload", "lock " + Page->GetFormUUID() + "_showmodal"));
  Session.Ended = true;
  EXPECT_THROW(Page->Show(), EAbort);
}

TEST_F(PageUpdatesTest, ControlsArePlacedWhereTheTemplateNamesThem) {
  Page->SetTemplatePageHTMLFile("page.html");
  std::string html = "<div>{%edtA%}</div><div>{%edtb class=\"big\"%}</div>";
  Page->ProcessControlsToHTML(html);
  EXPECT_THAT(html, HasSubstr("<div><input class=\"form-control\" id=\"EDTA\""));
  EXPECT_THAT(html, HasSubstr("<div><input  class=\"big\" id=\"EDTB\""));
  EXPECT_THAT(html, Not(HasSubstr("{%")));
  EXPECT_THAT(html, Not(HasSubstr("edtC")));
}

// A form with a label and an edit, served as a page from templates in a folder of its own.
class TSmallForm : public TDuoForm {
public:
  explicit TSmallForm(TComponent* AOwner) : TDuoForm(AOwner) {
    SetFormName("fSmall");
    lblNome = new TLabel(this);
    lblNome->SetName("lblNome");
    lblNome->SetParent(this);
    lblNome->SetCaption("Nome");
    edtNome = new TEdit(this);
    edtNome->SetName("edtNome");
    edtNome->SetParent(this);
  }
  void ExportDuo() override {
    SetTitle("Pequeno");
    SetTemplateFiles(Master, Page);
    TDuoItems& row = GetDuo()->Items.Add().Row().Items;
    row.Add().UIObj(lblNome);
    row.Add().UIObj(edtNome, "fs-4");
  }
  void TagHTML(const std::string& TagString, std::string& ReplaceTag) override {
    if (TagString == "Saudacao")
      ReplaceTag = "Olá";
  }
  TLabel* lblNome;
  TEdit* edtNome;
  std::string Master;
  std::string Page;
};

class PageBuildTest : public ::testing::Test {
protected:
  PageBuildTest()
      : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App),
        Root(std::filesystem::temp_directory_path() /
             ("duo-page-build-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(Root / "pages");
  }
  ~PageBuildTest() override { std::filesystem::remove_all(Root); }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(Root / name, std::ios::binary) << text;
  }

  TApplication App;
  TApplicationScope Scope;
  std::filesystem::path Root;
  pagetest::TSession Session;
};

TEST_F(PageBuildTest, APageWithoutTemplatesIsTheSkeletonWithEveryControlInPlace) {
  auto* form = new TSmallForm(&App);
  form->edtNome->SetText("<b>\"typed\"</b> {{Title}}");
  TDuoFacetPage page(*form, &Session);
  const std::string html = page.Build(Root);
  EXPECT_THAT(html, HasSubstr("<title>Pequeno</title>"));
  EXPECT_THAT(html, HasSubstr(R"(<span class="form-control-plaintext")"));
  // Every control is in the page once.
  EXPECT_EQ(CountOf(html, R"(id="EDTNOME")"), 1);
  EXPECT_EQ(CountOf(html, R"(id="LBLNOME")"), 1);
  EXPECT_THAT(html, HasSubstr("&lt;b&gt;&quot;typed&quot;&lt;/b&gt; &#123;&#123;Title}}"));
  EXPECT_THAT(html, Not(HasSubstr("{%")));
  EXPECT_THAT(html, HasSubstr(FacetHeaderMark));
  EXPECT_THAT(html, HasSubstr(FacetBodyMark));
  EXPECT_EQ(page.PageForm().GetControls().size(), 2U);
}

TEST_F(PageBuildTest, APageInsideAMasterTemplateResolvesItsTagsAndPlacesItsControls) {
  Write("master.html", "<html><head><title>{{Title}}</title></head><body>$facetpage</body></html>");
  // The page names only the label; the body is not part of it.
  Write("pages/page.html", "<h1>{{Saudacao}}</h1><p>{%lblNome%}</p>");
  auto* form = new TSmallForm(&App);
  form->Master = "master.html";
  form->Page = "pages\\page.html";
  TDuoFacetPage page(*form, &Session);
  const std::string html = page.Build(Root);
  EXPECT_THAT(html, HasSubstr("<title>Pequeno</title>"));
  EXPECT_THAT(html, HasSubstr("<h1>Olá</h1>"));
  EXPECT_THAT(html, HasSubstr(R"(<p><span class="form-control-plaintext")"));
  // The label took its place in the template and left the rendered body; the edit, named by
  // no template, is not on the page.
  EXPECT_THAT(page.Duo().HTML().Render().Body().GetText(), Not(HasSubstr("lblNome")));
  EXPECT_THAT(html, Not(HasSubstr("EDTNOME")));
  EXPECT_THAT(html, Not(HasSubstr("{%")));
  EXPECT_LT(html.find(FacetHeaderMark), html.find("</head>"));
  EXPECT_LT(html.find(FacetBodyMark), html.find("</body>"));
}

TEST_F(PageBuildTest, APageBuiltAgainKeepsOneEntryPerCallbackTag) {
  Write("pages/page.html", R"(<a onclick="{{CallBack=Go(1)}}">{%lblNome%}</a>)");
  auto* form = new TSmallForm(&App);
  form->Page = "pages/page.html";
  TDuoFacetPage page(*form, &Session);
  for (int build = 0; build < 3; ++build)
    page.Build(Root);
  EXPECT_EQ(page.PageForm().SimpleCallBacks().size(), 1U);
}

TEST_F(PageBuildTest, AMissingTemplateIsReportedByName) {
  auto* form = new TSmallForm(&App);
  form->Page = "pages/missing.html";
  TDuoFacetPage page(*form, &Session);
  EXPECT_THROW(
      {
        try {
          page.Build(Root);
        } catch (const Exception& e) {
          EXPECT_THAT(e.Message(), HasSubstr("\"pages/missing.html\""));
          throw;
        }
      },
      Exception);
}

} // namespace
