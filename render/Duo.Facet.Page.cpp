#include "render/Duo.Facet.Page.h"

#include "bridge/Duo.h"
#include "render/Duo.Facet.Framework.h"
#include "render/Facet.Forms.h"
#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"
#include "runtime/TextSearch.h"

#include <fstream>
#include <sstream>

namespace {

// A template file of the web root; names may be written with either slash.
std::string ReadTemplate(const std::filesystem::path& WebRoot, const std::string& Name) {
  const std::filesystem::path path = WebRoot / StringReplaceAll(Name, "\\", "/");
  std::ifstream file(path, std::ios::binary);
  if (!file)
    throw Exception("Page template \"" + Name + "\" not found in " + WebRoot.string());
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Inserts `text` before the first `tag` (any letter case); at the end when there is none.
void InsertBefore(std::string& html, const std::string& tag, const std::string& text) {
  const size_t pos = PosText(tag, html);
  html.insert(pos == std::string::npos ? html.size() : pos, text);
}

} // namespace

TDuoFacetPage::TDuoFacetPage(TDuoForm& AForm, IFacetSession* ASession)
    : FForm(AForm), FDuo(std::make_unique<TDuo>(&AForm)) {
  FDuo->SetFacetSession(ASession);
  auto framework = std::make_unique<TDuoFacetFramework>(*FDuo);
  FFramework = framework.get();
  FDuo->SetFrameworkExportType(std::move(framework));
  FForm.SetDuo(FDuo.get());
  FForm.ExportDuo();
  FPageForm = &FFramework->AddFormByClass(FForm.GetTemplateClassForm(), &FForm);
}

TDuoFacetPage::~TDuoFacetPage() {
  FForm.SetDuo(nullptr);
  delete FPageForm;
}

std::string TDuoFacetPage::LoadTemplates(const std::filesystem::path& WebRoot) {
  const std::string master = FFramework->GetTemplateMasterHTMLFile();
  const std::string page = FFramework->GetTemplatePageHTMLFile();
  std::string html;
  if (!master.empty() && std::filesystem::exists(WebRoot / StringReplaceAll(master, "\\", "/"))) {
    html = ReadTemplate(WebRoot, master);
    if (!page.empty()) {
      const size_t pos = PosText("$facetpage", html);
      if (pos != std::string::npos)
        html.replace(pos, std::string("$facetpage").size(), ReadTemplate(WebRoot, page));
    }
  } else if (!page.empty()) {
    html = ReadTemplate(WebRoot, page);
  } else {
    TDuoHTML::HTMLOptions& options = FDuo->HTML().Options();
    options.HTMLTags = true;
    options.IncluseBootStrap = true;
    options.IncludeCharSet = true;
    options.IncludeViewPort = true;
    options.IncludeDIVContainer = true;
    FDuo->HTML().Render().SetTitle(FForm.GetTitle());
    // The skeleton carries only the body's mark: the page form puts the rendered body there.
    TStringList& body = FDuo->HTML().Render().Body();
    const std::string rendered = body.GetText();
    body.SetText("$facetbody");
    html = FDuo->HTML().Render().MakeHTML()->GetText();
    body.SetText(rendered);
  }
  InsertBefore(html, "</head>", std::string("\r\n") + FacetHeaderMark + "\r\n");
  InsertBefore(html, "</body>", std::string("\r\n") + FacetBodyMark + "\r\n");
  return html;
}

std::string TDuoFacetPage::Build(const std::filesystem::path& WebRoot) {
  FForm.Clear();
  FForm.Render();
  FPageForm->OnBeforePageLoad();
  std::string html = LoadTemplates(WebRoot);
  FPageForm->SetFormHTMLText(html);
  FPageForm->BuildPage(html);
  return html;
}
