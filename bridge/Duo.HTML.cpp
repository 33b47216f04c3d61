#include "bridge/Duo.HTML.h"

#include "bridge/Duo.BaseClass.h"
#include "runtime/StrUtils.h"

#include <algorithm>

namespace {

constexpr const char* DefaultTitle = "Duo Framework";

// The position of the control tag "{%NAME" followed by a blank or "%", the name compared without
// case; npos when there is none.
size_t FindControlTag(const std::string& text, const std::string& name) {
  const std::string open = "{%" + name;
  for (size_t pos = text.find("{%"); pos != std::string::npos; pos = text.find("{%", pos + 1)) {
    const size_t after = pos + open.size();
    if (after < text.size() && (text[after] == ' ' || text[after] == '%') &&
        SameText(std::string_view(text).substr(pos, open.size()), open))
      return pos;
  }
  return std::string::npos;
}

} // namespace

void TDuoHTML::HTMLRender::AddHTMLControls(const std::string& AName, const std::string& ANamePrefix,
                                           const std::string& HTMLText) {
  auto found = std::find_if(FHTMLControls.begin(), FHTMLControls.end(),
                            [&](const auto& entry) { return entry.first == AName; });
  if (found != FHTMLControls.end())
    found->second = HTMLText;
  else
    FHTMLControls.emplace_back(AName, HTMLText);
  if (OnAddHTMLControls)
    OnAddHTMLControls(AName, ANamePrefix, HTMLText);
}

std::string TDuoHTML::HTMLRender::GetHTMLControls(const std::string& AName) const {
  for (const auto& [name, html] : FHTMLControls)
    if (name == AName)
      return html;
  return "";
}

void TDuoHTML::HTMLRender::Clear() {
  FMeta.Clear();
  FHeaders.Clear();
  FStyles.Clear();
  FScript.Clear();
  FBody.Clear();
  FHTMLControls.clear();
}

std::unique_ptr<TStringList> TDuoHTML::HTMLRender::MakeHTML() const {
  const HTMLOptions& options = FDuoHTML.Options();
  auto html = std::make_unique<TStringList>();
  const auto addLines = [&html](const TStringList& lines) {
    for (int i = 0; i < lines.Count(); ++i)
      html->Add(lines[i]);
  };
  if (options.HTMLTags) {
    const std::string code = FDuoHTML.BaseClass().LangCode();
    html->Add("<!DOCTYPE html>");
    html->Add(code.find("ar-") != std::string::npos ? "<html lang=\"" + code + "\" dir=\"rtl\">"
                                                    : "<html lang=\"" + code + "\">");
    html->Add("<head>");
    html->Add("<title>" + (FTitle.empty() ? std::string(DefaultTitle) : FTitle) + "</title>");
    if (options.IncludeCharSet) {
      html->Add("<meta charset=\"utf-8\"/>");
      html->Add("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"/>");
    }
    if (options.IncludeViewPort)
      html->Add("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>");
    addLines(FMeta);
    if (options.IncluseBootStrap)
      html->Add("<link rel=\"stylesheet\" type=\"text/css\" href=\"css/bootstrap.min.css\"/>");
    html->Add(FDuoHTML.FStyleSheet.GetText());
    addLines(FHeaders);
    addLines(FStyles);
    html->Add("</head>");
    html->Add("<body>");
    html->Add(options.ValidateAllControls ? "<div class=\"was-validated\" id=\"DuoBody\">"
                                          : "<div id=\"DuoBody\">");
  }
  if (options.IncludeDIVContainer)
    html->Add("<div class=\"container-fluid\">");
  addLines(FBody);
  if (options.IncludeDIVContainer)
    html->Add("</div>");
  if (options.IncluseBootStrap)
    html->Add("<script src=\"js/bootstrap.bundle.min.js\"></script>");
  html->Add(FDuoHTML.FScript.GetText());
  if (options.HTMLTags) {
    html->Add("</body>");
    html->Add("</div>");
    html->Add("</html>");
  }
  return html;
}

void TDuoHTML::HTMLRender::RemoveHTMLControlToBody(const std::string& AName) {
  const std::string text = FBody.GetText();
  const size_t start = FindControlTag(text, AName);
  if (start == std::string::npos)
    return;
  const size_t close = text.find("%}", start + 2 + AName.size());
  if (close == std::string::npos)
    return;
  // The tag's line break goes with it.
  size_t resume = close + 2;
  if (text.compare(resume, 2, "\r\n") == 0)
    resume += 2;
  else if (resume < text.size())
    ++resume;
  FBody.SetText(text.substr(0, start) + text.substr(resume));
}
