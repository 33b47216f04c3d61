#include "app/DuoFormTemplate.h"

#include "app/Acesso.h"
#include "app/VozmiraWeb.h"
#include "app/uLogin.h"
#include "bridge/Duo.Util.h"
#include "runtime/Strings.h"

const TClassInfo& TDuoFormTemplate::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDuoFormTemplate>("TDuoFormTemplate").Creatable().Build();
  return info;
}

TDuoFormTemplate::TDuoFormTemplate(TComponent* AOwner) : TDuoFacetForm(AOwner) {
  OnProcessHTML = [this](TObject* Sender, std::string& AHTMLText) {
    ProcessHTML(Sender, AHTMLText);
  };
  OnTagHTML = [this](const std::string& TagString, std::string& ReplaceTag) {
    ProcessTagHTML(TagString, ReplaceTag);
  };
}

namespace {

// The next list item start tag ("<li>" or "<li ...>") from `from` on.
size_t NextItemTag(const std::string& html, size_t from) {
  for (size_t at = html.find("<li", from); at != std::string::npos; at = html.find("<li", at + 3))
    if (at + 3 < html.size() &&
        (html[at + 3] == '>' || html[at + 3] == ' ' || html[at + 3] == '\n'))
      return at;
  return std::string::npos;
}

// Removes from `html` the list item whose start tag begins at `start`, nested items included;
// false when the item does not end.
bool RemoveListItem(std::string& html, size_t start) {
  size_t depth = 0;
  for (size_t at = start; at < html.size();) {
    const size_t open = NextItemTag(html, at);
    const size_t close = html.find("</li>", at);
    if (close == std::string::npos)
      return false;
    if (open != std::string::npos && open < close) {
      ++depth;
      at = open + 3;
      continue;
    }
    if (--depth == 0) {
      html.erase(start, close + 5 - start);
      return true;
    }
    at = close + 5;
  }
  return false;
}

// The start of the list item whose start tag holds the attribute at `attribute`.
size_t ItemStart(const std::string& html, size_t attribute) {
  return html.rfind("<li ", attribute);
}

// The value of the attribute `name` whose text starts at `at`.
std::string AttributeValue(const std::string& html, size_t at, const std::string& name) {
  const size_t begin = at + name.size() + 2;
  const size_t end = html.find('"', begin);
  return end == std::string::npos ? std::string() : html.substr(begin, end - begin);
}

} // namespace

void TDuoFormTemplate::ProcessHTML(TObject* /*Sender*/, std::string& AHTMLText) {
  // A navigation entry whose page the user may not open is left out of the page...
  for (size_t at = AHTMLText.find("data-pagina=\""); at != std::string::npos;) {
    if (PodeAbrir(WorkingPageClass(AttributeValue(AHTMLText, at, "data-pagina")))) {
      at = AHTMLText.find("data-pagina=\"", at + 1);
      continue;
    }
    const size_t start = ItemStart(AHTMLText, at);
    if (start == std::string::npos || !RemoveListItem(AHTMLText, start))
      break;
    at = AHTMLText.find("data-pagina=\"", start);
  }
  // ...and so is a menu of entries left with none.
  for (size_t at = AHTMLText.find("data-menu=\""); at != std::string::npos;) {
    const size_t start = ItemStart(AHTMLText, at);
    const size_t end = AHTMLText.find("</ul>", at);
    const size_t entry = AHTMLText.find("data-pagina=\"", at);
    if (entry != std::string::npos && entry < end) {
      at = AHTMLText.find("data-menu=\"", at + 1);
      continue;
    }
    if (start == std::string::npos || !RemoveListItem(AHTMLText, start))
      break;
    at = AHTMLText.find("data-menu=\"", start);
  }
}

void TDuoFormTemplate::ProcessTagHTML(const std::string& TagString, std::string& ReplaceTag) {
  if (TagString == "UserName")
    ReplaceTag = HTMLEncode(UsuarioLogado());
}

void TDuoFormTemplate::DoCallBack(const std::string& CallBackName, TStrings* EventParams) {
  if (CallBackName == "Navegar") {
    NavigateTo(EventParams != nullptr && EventParams->Count() > 0 ? EventParams->Strings(0) : "");
    return;
  }
  if (CallBackName == "Sair") {
    LeaveSession();
    return;
  }
  TDuoFacetForm::DoCallBack(CallBackName, EventParams);
}
