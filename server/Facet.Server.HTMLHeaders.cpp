#include "server/Facet.Server.HTMLHeaders.h"

#include "bridge/Duo.Manager.h"
#include "bridge/Duo.Util.h"
#include "render/Facet.DBGrid.h"
#include "render/Facet.Forms.Controls.h"
#include "render/Facet.Forms.h"
#include "runtime/Json.h"
#include "runtime/StrUtils.h"
#include "runtime/TextSearch.h"
#include "server/Facet.BaseClass.h"
#include "server/Facet.Server.Assets.h"
#include "server/Facet.Server.Request.h"
#include "server/Facet.Session.h"

namespace {

constexpr const char* CRLF = "\r\n";

std::string AssetText(const std::string& AName) {
  const std::optional<std::string_view> data = EmbeddedAsset(AName);
  return data ? std::string(*data) : std::string();
}

std::string ServerName(const TFacetBaseClass& base) {
  const IDuoServerControllerBase* controller = base.ServerController();
  return controller != nullptr ? controller->ServerName() : std::string();
}

std::string ServerDescription(const TFacetBaseClass& base) {
  const IDuoServerControllerBase* controller = base.ServerController();
  return controller != nullptr ? controller->ServerDescription() : std::string();
}

bool IsKeyEvent(TFacetEventType type) {
  return type == TFacetEventType::EventOnKeyDown || type == TFacetEventType::EventOnKeyUp ||
         type == TFacetEventType::EventOnKeyPress;
}

// Replaces the first marker (any case) with the blocks joined by line breaks.
void ReplaceMarker(std::string& HTMLText, const std::string& Marker,
                   const std::vector<std::string>& Blocks) {
  std::string joined;
  for (const std::string& block : Blocks) {
    if (!joined.empty())
      joined += CRLF;
    joined += block;
  }
  ReplaceFirstText(HTMLText, Marker, joined);
}

} // namespace

void SetDocumentLanguage(std::string& HTMLText, const std::string& ACode) {
  const auto lower = [](std::string_view AText) { return LowerCase(AText); };
  const std::string text = lower(HTMLText);
  size_t tag = text.find("<html");
  while (tag != std::string::npos && tag + 5 < text.size() &&
         std::string_view(" \t\r\n>").find(text[tag + 5]) == std::string_view::npos)
    tag = text.find("<html", tag + 5);
  if (tag == std::string::npos || tag + 5 >= text.size())
    return;
  const size_t end = text.find('>', tag);
  if (end == std::string::npos)
    return;
  const std::string value = "\"" + ACode + "\"";
  for (size_t at = text.find("lang", tag + 5); at != std::string::npos && at < end;
       at = text.find("lang", at + 4)) {
    // The attribute itself: after a blank, followed by "=" (blanks around it allowed).
    if (std::string_view(" \t\r\n").find(text[at - 1]) == std::string_view::npos)
      continue;
    size_t eq = at + 4;
    while (eq < end && std::isspace(static_cast<unsigned char>(text[eq])))
      ++eq;
    if (eq >= end || text[eq] != '=')
      continue;
    size_t begin = eq + 1;
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
      ++begin;
    size_t stop = begin;
    if (begin < end && (text[begin] == '"' || text[begin] == '\'')) {
      stop = text.find(text[begin], begin + 1);
      stop = stop == std::string::npos || stop > end ? end : stop + 1;
    } else
      while (stop < end && !std::isspace(static_cast<unsigned char>(text[stop])) &&
             text[stop] != '/')
        ++stop;
    HTMLText.replace(begin, stop - begin, value);
    return;
  }
  HTMLText.insert(tag + 5, " lang=" + value);
}

std::string ScriptBlock(const std::string& AAssetName) {
  const std::string text = AssetText(AAssetName);
  if (StartsText("<script", TrimLeft(text)))
    return text;
  return std::string("<script type=\"text/javascript\">") + CRLF + text + CRLF + "</script>";
}

namespace {

// A script template of the built-in assets with the page's identity filled in: the session's
// UUID and token and the page form's UUID.
std::string PageScriptBlock(const std::string& AAssetName, const TFacetSession& Session,
                            const TFacetForm& PageForm) {
  std::string text = ScriptBlock(AAssetName);
  text = ReplaceAllText(text, "{{UUID}}", Session.GetUUID());
  text = ReplaceAllText(text, "{{Token}}", Session.GetToken());
  text = ReplaceAllText(text, "{{FormUUID}}", PageForm.GetFormUUID());
  return text;
}

} // namespace

std::string TFacetServerHTMLHeaders::AddVariables() const {
  std::string text = ScriptBlock("variables.js");
  const TFacetOptions& options = FBase.Options();
  ReplaceFirstText(text, "{{pathjs}}", SingleQuotedJSString(options.GetPathJS()));
  ReplaceFirstText(text, "{{pathcss}}", SingleQuotedJSString(options.GetPathCSS()));
  ReplaceFirstText(text, "{{duoloader}}", options.GetLoading() ? "true" : "false");
  return text;
}

std::string TFacetServerHTMLHeaders::AddHeadsIncludes() const {
  const TFacetOptions& options = FBase.Options();
  const std::string js = HTMLEncode(options.GetPathJS());
  const std::string css = HTMLEncode(options.GetPathCSS());
  const auto script = [&](const std::string& file) {
    return "<script type=\"text/javascript\" src=\"" + js + "/" + file + "\"></script>";
  };
  const auto sheet = [&](const std::string& file) {
    return "<link rel=\"stylesheet\" type=\"text/css\" href=\"" + css + "/" + file + "\"/>";
  };
  std::string text = script("duoloader.js");
  if (options.GetIncludeJQuery())
    text += CRLF + script("jquery-3.6.4.js");
  if (options.GetIncludeSweetAlert2())
    text += CRLF + sheet("sweetalert2.css") + CRLF + script("sweetalert2.js");
  if (options.GetIncludeStyle())
    text += CRLF + sheet("duo.css");
  return text;
}

std::string TFacetServerHTMLHeaders::AddJSFacetWS() const {
  return ScriptBlock("jsfacetws.js");
}

std::string TFacetServerHTMLHeaders::AddOnLoad(const TFacetHTTPRequest& Request,
                                               const TFacetSession& Session) const {
  std::string text = ScriptBlock("jssetconnection.js");
  // Behind a proxy that ends TLS the page is on https: its socket must be secure too.
  const bool secure = FBase.Options().GetUseSSL() || Request.Header.Secure;
  ReplaceFirstText(text, "{{protocol}}", secure ? "wss" : "ws");
  // The host comes from the request: it reaches the page only as a quoted script string.
  ReplaceFirstText(text, "{{host}}", QuotedJSString(Request.Header.Host));
  // A Host header without a port means the scheme's own port.
  const int port = Request.Header.ServerPort != 0 ? Request.Header.ServerPort : secure ? 443 : 80;
  ReplaceFirstText(text, "{{port}}", std::to_string(port));
  ReplaceFirstText(text, "{{urlpath}}", QuotedJSString(Request.Header.PathWithoutParams()));
  text = ReplaceAllText(text, "{{Token}}", Session.GetToken());
  text = ReplaceAllText(text, "{{UUID}}", Session.GetUUID());
  text = ReplaceAllText(text, "{{ChannelName}}", "FacetCallBack");
  return text;
}

std::string TFacetServerHTMLHeaders::AddFacetMethods() const {
  std::string text = ScriptBlock("jsfacetmethods.js");
  const TDuoManager* manager = DuoManager();
  text = ReplaceAllText(text, "{{version}}",
                        QuotedJSString(manager != nullptr ? manager->Version() : "1.4.7"));
  text = ReplaceAllText(text, "{{servername}}", QuotedJSString(ServerName(FBase)));
  text = ReplaceAllText(text, "{{serverdescription}}", QuotedJSString(ServerDescription(FBase)));
  return text;
}

std::string TFacetServerHTMLHeaders::AddControlEvents(const TFacetSession& Session,
                                                      TFacetForm& PageForm) const {
  const std::string uuid = Session.GetUUID();
  const std::string token = Session.GetToken();
  const std::string formUUID = PageForm.GetFormUUID();
  std::vector<std::string> lines = {"<script type=\"text/javascript\">",
                                    "document.addEventListener(\"DOMContentLoaded\", function()",
                                    "{"};
  TJSON components = TJSON::array();
  std::vector<std::string> grids;
  for (IFacetControl* item : PageForm.GetControls()) {
    auto* control = dynamic_cast<TFacetControl*>(item);
    if (control == nullptr)
      continue;
    const std::string id = control->ElementID();
    components.push_back({{"id", id}, {"FacetType", control->ClassName()}});
    if (control->IsDBGrid())
      grids.push_back(id);
    lines.push_back("if (document.getElementById(\"" + id + "\") !== null) {");
    lines.push_back("var _EV" + id + " = document.getElementById(\"" + id + "\");");
    for (int i = 0; i < control->Events().Count(); ++i) {
      const TFacetControlEvent& event = control->Events().Item(i);
      const bool key = IsKeyEvent(event.GetEventType());
      // An event with no browser counterpart has nothing to listen for.
      if ((!event.GetAutoPublishedEvent() && !key) || EventJSName(event.GetEventType()).empty())
        continue;
      lines.push_back("_EV" + id + ".addEventListener(\"" + EventJSName(event.GetEventType()) +
                      "\", function(event) {");
      const std::string call =
          key ? event.EventJS(false,
                              "\"FacetComponentsStatus=\" + GetComponentsStates([FacetComponents."
                              "find(obj => obj.id === \"" +
                                  id + "\")]) + \"&\" + \"key=\" + event.key",
                              false)
              : event.EventJS(false,
                              "\"FacetComponentsStatus=\" + GetComponentsStates(FacetComponents)",
                              true);
      if (control->NeedCheckValidation()) {
        lines.push_back("var validationgroup = this.getAttribute(\"validationgroup\");");
        lines.push_back("if (validationgroup !== null) { ");
        lines.push_back("if (!checkRequired(validationgroup)) {");
        lines.push_back(call + ";");
        lines.push_back("}");
        lines.push_back("}");
        lines.push_back("else {");
        lines.push_back(call + ";");
        lines.push_back("}");
      } else {
        lines.push_back(call + ";");
      }
      lines.push_back("});");
    }
    lines.push_back("}");
  }
  lines.push_back("var elementsfirefocus = document.querySelectorAll('input, select, textarea, "
                  "button');");
  lines.push_back("elementsfirefocus.forEach(function(elementfocused) {");
  lines.push_back("  elementfocused.addEventListener('focus', function(event) {");
  lines.push_back("    if (event.target !== focusedElement) {");
  lines.push_back("      focusedElement = event.target;");
  lines.push_back("      FacetServer().ExecEvent(\"" + uuid + "\", \"" + token + "\", \"" +
                  formUUID + "\", \"" + formUUID +
                  "\", \"ComponentFocused\", \"FacetComponentsStatus=\" + "
                  "GetComponentsStates(FacetComponents) + \"&\" + \"FocusedID=\" + "
                  "event.target.id, false); }");
  for (const std::string& id : grids)
    lines.push_back("      $(\"#" + id + "\").saveRow($(\"#" + id +
                    "\").getGridParam(\"selrow\"));");
  lines.push_back("  });");
  lines.push_back("});");
  lines.push_back("});");
  lines.push_back("var FacetComponents = FacetComponents = " + components.dump() + ";");
  lines.push_back("</script>");
  std::string text;
  for (const std::string& line : lines)
    text += line + CRLF;
  return text;
}

std::string TFacetServerHTMLHeaders::AddJSCallBackFacetMethods(const TFacetSession& Session,
                                                               const TFacetForm& PageForm) const {
  std::string text = PageScriptBlock("jscallbackfacetmethods.js", Session, PageForm);
  text = ReplaceAllText(text, "{{ControlID}}", PageForm.GetFormUUID());
  return text;
}

std::string TFacetServerHTMLHeaders::AddPageUnload(const TFacetSession& Session,
                                                   const TFacetForm& PageForm) const {
  return PageScriptBlock("jspageunload.js", Session, PageForm);
}

std::string TFacetServerHTMLHeaders::AddError500() const {
  return std::string(CRLF) +
         "<div id=\"overlayerror\" style=\"display: none; position: fixed; top: 0; left: 0; "
         "width: 100%; height: 100%; background-color: rgba(0, 0, 0, 0.7); z-index: "
         "999999999;\">" +
         CRLF +
         "  <iframe id=\"iframeoverlayerror\" src=\"error500.html\" style=\"width: 100%; height: "
         "100%; border: none; background-color: white;\"></iframe>" +
         CRLF + "</div>";
}

void TFacetServerHTMLHeaders::ProcessHTMLHeaderIncludes(const TFacetHTTPRequest& Request,
                                                        std::string& HTMLText,
                                                        TFacetSession& Session,
                                                        TFacetForm& PageForm) const {
  ReplaceMarker(HTMLText, "$_facetheader",
                {AddVariables(), AddHeadsIncludes(), AddJSFacetWS(), AddOnLoad(Request, Session),
                 AddFacetMethods(), AddControlEvents(Session, PageForm),
                 AddJSCallBackFacetMethods(Session, PageForm), PageForm.GetHeadHTMLFacet(),
                 AddPageUnload(Session, PageForm)});
}

void TFacetServerHTMLHeaders::ProcessHTMLBodyIncludes(std::string& HTMLText) const {
  const TFacetOptions& options = FBase.Options();
  const std::string js = HTMLEncode(options.GetPathJS());
  const std::string css = HTMLEncode(options.GetPathCSS());
  std::vector<std::string> blocks = {"<script type=\"text/javascript\" src=\"" + js +
                                     "/facetserver.js\"></script>"};
  if (options.GetIncludeJQGrid()) {
    // Local copies: the icon font and the grid's files are served by this server.
    blocks.push_back("<link rel=\"stylesheet\" type=\"text/css\" href=\"" + css +
                     "/font-awesome.min.css\"/>");
    blocks.push_back("<link rel=\"stylesheet\" type=\"text/css\" href=\"" + css +
                     "/ui.jqgrid-bootstrap5.css\"/>");
    blocks.push_back("<script type=\"text/javascript\" src=\"" + js +
                     "/jquery.jqgrid.min.js\"></script>");
  }
  blocks.push_back("<script type=\"text/javascript\" src=\"" + js +
                   "/jquery.inputmask.js\"></script>");
  blocks.push_back(std::string("<script type=\"text/javascript\">") + CRLF +
                   " $(document).ready(function(){" + CRLF +
                   "  Inputmask().mask(document.querySelectorAll(\"input\"));" + CRLF +
                   "  Inputmask().mask(document.querySelectorAll(\"textarea\"));" + CRLF + " });" +
                   CRLF + "</script>");
  blocks.push_back(AddError500());
  ReplaceMarker(HTMLText, "$_facetbody", blocks);
}

void TFacetServerHTMLHeaders::ReloadPage(TFacetSession& Session) const {
  const std::string token = Session.GetToken();
  const std::string uuid = Session.GetUUID();
  Session.ExecJS(std::string("if (window.location.href.indexOf('#') > -1) {") + CRLF +
                 "  history.replaceState({}, document.title, window.location.pathname);" + CRLF +
                 "}" + CRLF + "reloadSessionPage(\"" + token + "\", \"" + uuid + "\");");
}
