// The application's four pages built from their real forms on a fresh database, with the office's
// templates: every control in its place with its state, every template tag resolved.

#include "AppFormsFixture.h"

#include "app/uDashboard.h"
#include "app/uLisSolicitacoes.h"
#include "app/uLogin.h"
#include "app/uSolicitacao.h"
#include "render/Duo.Facet.Page.h"
#include "render/Facet.DBGrid.h"
#include "render/Facet.Forms.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <regex>

namespace {

using apptest::AppForms;
using ::testing::HasSubstr;
using ::testing::Not;

class TNoSession : public IFacetSession {
public:
  std::string GetUUID() const override { return "SESSIONUUID1"; }
  std::string GetToken() const override { return "TOKEN0000000000000000001"; }
  std::string ActiveFormUUID() const override { return ""; }
  TDuoClass* ActiveDuo() const override { return nullptr; }
  void ExecJS(const std::string&) override {}
  void RunSoon(std::function<void()> AWork) override { AWork(); }
  std::string CallBackJS(const std::string& ACallBackName, const std::string&, const std::string&,
                         bool) override {
    return "CallBack('" + ACallBackName + "')";
  }
  TDuoLang Language() const override { return TDuoLang::Portuguese; }
  std::string LangCode() const override { return "pt-BR"; }
  std::string LangName() const override { return "Português"; }
  TDuoTerm* Lang() const override { return nullptr; }
  TDuoTerm* LangNav() const override { return nullptr; }
  TDuoAPPTerm* LangAPP() const override { return nullptr; }
  void RemoveDuoForm(TDuoClass*) override {}
  void ReloadPage() override {}
  bool Lock(const std::string&) override { return true; }
  void UnLock(const std::string&) override {}
};

class WebPages : public AppForms {
protected:
  std::string Build(TDuoForm& form) {
    Pages.push_back(std::make_unique<TDuoFacetPage>(form, &Session));
    return Pages.back()->Build(std::filesystem::path(VOZMIRA_SOURCE_DIR) / "app" / "wwwroot");
  }
  void TearDown() override {
    Pages.clear();
    AppForms::TearDown();
  }
  // Every tag left on the page: template tags and control tags.
  static std::vector<std::string> TagsLeft(const std::string& html) {
    std::vector<std::string> tags;
    const std::regex tag(R"(\{\{[^}]*\}\}|\{%[^%]*%\}|\$facet\w+)");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), tag);
         it != std::sregex_iterator(); ++it)
      tags.push_back(it->str());
    return tags;
  }

  TNoSession Session;
  std::vector<std::unique_ptr<TDuoFacetPage>> Pages;
};

TEST_F(WebPages, TheLoginPage) {
  auto* login = CreateForm<TfLogin>(&App);
  login->edtLogin->SetText("");
  const std::string html = Build(*login);
  EXPECT_THAT(TagsLeft(html), testing::IsEmpty());
  EXPECT_THAT(html, HasSubstr("<title>Brenvox · Ouvidoria Municipal</title>"));
  for (const char* id : {"LBLLOGIN", "EDTLOGIN", "LBLSENHA", "EDTSENHA", "BTNENTRAR"})
    EXPECT_THAT(html, HasSubstr(std::string("id=\"") + id + "\"")) << id;
  EXPECT_THAT(html, HasSubstr(R"(type="password")"));
  EXPECT_THAT(html, Not(HasSubstr("BUTTON1")));
  EXPECT_EQ(Pages.back()->PageForm().GetControls().size(), 5U);
}

TEST_F(WebPages, TheRequestListPageWithItsGridOfRequests) {
  TfLisSolicitacoes& list = Open<TfLisSolicitacoes>();
  const std::string html = Build(list);
  EXPECT_THAT(TagsLeft(html), testing::IsEmpty());
  for (const char* id : {"CBBSITUACAO", "EDTPESQUISA", "DTPDTINICIAL", "BTNBUSCAR", "BTNNOVO",
                         "BTNALTERAR", "DBGTAREFAS"})
    EXPECT_THAT(html, HasSubstr(std::string("id=\"") + id + "\"")) << id;
  // The master template names the logged-in user.
  EXPECT_THAT(html, HasSubstr("<i class=\"fa fa-user\"></i> " + UsuarioLogado() + "</span>"));
  TFacetDBGrid* grid = nullptr;
  for (IFacetControl* control : Pages.back()->PageForm().GetControls())
    if (auto* g = dynamic_cast<TFacetDBGrid*>(control))
      grid = g;
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->GetRecordsPerPage(), 10);
  EXPECT_EQ(grid->GetMaxRecords(), 2000);
  const TJSON data = TJSON::parse(grid->GetDataToJSON());
  ASSERT_TRUE(data.is_array());
  EXPECT_EQ(data.size(), 60U);
}

// More requests than the browser's grid receives: 1,950 older ones beside the 60 of the starting
// data, and the program in its web presentation.
class WebPagesManyRequests : public WebPages {
protected:
  void PrepareDatabase() override {
    DM->conBD->ExecSQL(
        "EXECUTE BLOCK AS DECLARE n INTEGER = 0; BEGIN WHILE (n < 1950) DO BEGIN "
        "INSERT INTO SOLICITACAO (ID_SOLICITACAO, DATA_SOLICITACAO, SOLICITACAO, ID_USUARIO, "
        "ID_PREFEITURA, ID_SITUACAO, ID_TIPO, ID_UNIDADE) VALUES (0, DATEADD(-:n MINUTE TO "
        "TIMESTAMP '2025-06-01 12:00:00'), 'Antiga', 1, 1, 2, 1, 3); n = n + 1; END END");
  }
  void SetUp() override {
    TDuoForm::SetDuoContext(true);
    WebPages::SetUp();
  }
  void TearDown() override {
    WebPages::TearDown();
    TDuoForm::SetDuoContext(false);
  }
};

// The grid receives the newest 2,000 requests, and the page says that older ones exist; once the
// status narrows the list below the cap, the notice goes.
TEST_F(WebPagesManyRequests, TheRequestListSaysHowManyOfHowManyItShows) {
  TfLisSolicitacoes& list = Open<TfLisSolicitacoes>();
  const std::string html = Build(list);
  TFacetDBGrid* grid = nullptr;
  for (IFacetControl* control : Pages.back()->PageForm().GetControls())
    if (auto* g = dynamic_cast<TFacetDBGrid*>(control))
      grid = g;
  ASSERT_NE(grid, nullptr);
  const TJSON data = TJSON::parse(grid->GetDataToJSON());
  ASSERT_EQ(data.size(), 2000U);
  EXPECT_EQ(data.front()["SOLICITACAO"], "Descarte irregular de entulho em área verde");
  // The ten oldest requests are the ones left out.
  EXPECT_EQ(std::count_if(data.begin(), data.end(),
                          [](const TJSON& row) { return row["SOLICITACAO"] == "Antiga"; }),
            1940);

  const std::string notice = "Exibindo as 2.000 solicitações mais recentes de 2.010";
  EXPECT_TRUE(list.lblLimite->GetVisible());
  EXPECT_EQ(list.lblLimite->GetCaption(), notice);
  EXPECT_THAT(html, HasSubstr(">" + notice + "<"));

  // "Antiga" requests have status 2: the other statuses together stay below the cap.
  Driver.Choose("fLisSolicitacoes", "cbbSituacao", "1 - Aberta");
  EXPECT_FALSE(list.lblLimite->GetVisible());
  Driver.Choose("fLisSolicitacoes", "cbbSituacao", "Todos");
  EXPECT_TRUE(list.lblLimite->GetVisible());
  // The search text narrows it too: 1,950 requests hold "Antiga".
  Driver.Type("fLisSolicitacoes", "edtPesquisa", "Antiga");
  EXPECT_FALSE(list.lblLimite->GetVisible());
}

TEST_F(WebPages, TheRequestPageShowsTheRequestsValues) {
  auto* request = CreateForm<TfSolicitacao>(&App);
  DM->qrySolicitacao->Open();
  const std::string html = Build(*request);
  EXPECT_THAT(TagsLeft(html), testing::IsEmpty());
  for (const char* id : {"DBECONTROLE", "CBBTIPO", "DBEDATA", "DBEDESCRICAO", "CBBUNIDADE",
                         "CBBSITUACAO", "DBIIMAGE1", "DBIIMAGE5", "BTNSALVAR", "BTNCANCELAR"})
    EXPECT_THAT(html, HasSubstr(std::string("id=\"") + id + "\"")) << id;
}

TEST_F(WebPages, TheDashboardAnswersItsCountsAndTheUserName) {
  TfDashboard& dashboard = Open<TfDashboard>();
  const std::string html = Build(dashboard);
  EXPECT_THAT(TagsLeft(html), testing::IsEmpty());
  EXPECT_THAT(html, HasSubstr("id=\"userName\"><i class=\"fa fa-user\"></i> " + UsuarioLogado() +
                              "</span>"));
  for (const std::string tag : {"QT_NOVAS", "QT_ANDAMENTO", "QT_FINALIZADAS"})
    EXPECT_THAT(html, HasSubstr(">" + DM->qryDashQt->FieldByName(tag).GetAsString() + "</p>"))
        << tag;
  EXPECT_THAT(html, HasSubstr(R"(id="DBGNOVASSOLICITACOES")"));
  EXPECT_THAT(html, HasSubstr(R"(id="DBGTIPOSOLICITACOES")"));
}

// The pages take everything from the server itself: no script, style sheet, picture, font or form
// target names another host (an absolute URL, or one that keeps only the scheme's "//").
TEST_F(WebPages, NoPageReferencesAnotherHost) {
  DM->qrySolicitacao->Open();
  const std::pair<const char*, std::string> pages[] = {
      {"login", Build(*CreateForm<TfLogin>(&App))},
      {"request list", Build(Open<TfLisSolicitacoes>())},
      {"request", Build(*CreateForm<TfSolicitacao>(&App))},
      {"dashboard", Build(Open<TfDashboard>())},
  };
  const std::regex foreign(
      R"re((?:\b(?:src|href|action|srcset)\s*=\s*["']?|url\(\s*["']?)\s*(?:[a-z][a-z0-9+.-]*:)?//)re",
      std::regex::icase);
  for (const auto& [name, html] : pages) {
    std::smatch match;
    EXPECT_FALSE(std::regex_search(html, match, foreign))
        << name << ": " << html.substr(static_cast<size_t>(match.position(0)), 120);
  }
}

} // namespace
