// Building the request-list page on a database of 2,000 requests: the form's layout rendered,
// its page controls made and placed into the office's templates, every tag resolved, and the
// grid's rows written as JSON, as a first page request does.

#include "app/FormClasses.h"
#include "app/db/DatabaseScripts.h"
#include "app/uDM.h"
#include "app/uLisSolicitacoes.h"
#include "bridge/Duo.Interfaces.h"
#include "render/Duo.Facet.Page.h"
#include "render/Facet.DBGrid.h"
#include "render/Facet.Forms.h"
#include "ui/Headless.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

std::filesystem::path TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vozmira-page-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    std::abort();
  return pattern;
}

// A session that only answers who it is.
class TQuietSession : public IFacetSession {
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

// The office's database with 2,000 requests, its data module, and the request list.
struct TOffice {
  std::filesystem::path Folder = TempFolder();
  TApplication App{std::unique_ptr<TUIBackend>(new THeadlessBackend)};
  TApplicationScope Scope{App};
  TfLisSolicitacoes* List = nullptr;

  TOffice() {
    {
      TComponent owner(nullptr);
      auto* creator = new TConnection(&owner);
      TStrings& params = creator->GetParams();
      params.SetValue("Database", (Folder / "office.fdb").string());
      params.SetValue("User_Name", "SYSDBA");
      params.SetValue("CharacterSet", "WIN1252");
      creator->CreateDatabase(DatabaseScripts(), TForcedWrites::fwOff);
      creator->ExecuteScript("SET TERM ^ ;\n"
                             "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN\n"
                             "  WHILE (I < 1940) DO BEGIN\n"
                             "    INSERT INTO SOLICITACAO VALUES (0, DATEADD(:I MINUTE TO "
                             "TIMESTAMP '2026-01-01 08:00'), 'Solicitação número ' || :I, "
                             "MOD(:I, 5) + 1, 1, MOD(:I, 6) + 1, MOD(:I, 6) + 1, MOD(:I, 8) + 1);\n"
                             "    I = I + 1;\n"
                             "  END\n"
                             "END^\n"
                             "SET TERM ; ^\n");
    }
    std::ofstream(Folder / "Config.ini") << "[Database]\nDatabase=office.fdb\n";
    DM = new TDM(&App);
    DM->Connect((Folder / "Config.ini").string());
    DM->OpenQueries();
    RegisterFormClasses();
    List = CreateForm<TfLisSolicitacoes>(&App);
    List->Show();
  }
  ~TOffice() {
    delete List;
    delete DM;
    std::filesystem::remove_all(Folder);
  }
};

std::filesystem::path WebRoot() {
  return std::filesystem::path(VOZMIRA_SOURCE_DIR) / "app" / "wwwroot";
}

void BM_RequestListPage(benchmark::State& state) {
  static TOffice office;
  TQuietSession session;
  size_t bytes = 0;
  for (auto _ : state) {
    TDuoFacetPage page(*office.List, &session);
    std::string html = page.Build(WebRoot());
    for (IFacetControl* control : page.PageForm().GetControls())
      if (auto* grid = dynamic_cast<TFacetDBGrid*>(control))
        html += grid->GetDataToJSON();
    bytes = html.size();
    benchmark::DoNotOptimize(html);
  }
  state.counters["page_bytes"] = static_cast<double>(bytes);
  state.counters["rows"] = static_cast<double>(DM->qryLisSolicitacao->GetRecordCount());
}
BENCHMARK(BM_RequestListPage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
