#include "server/Facet.Server.HTML.h"

#include "bridge/Duo.Util.h"
#include "lang/Duo.Lang.Core.h"
#include "render/Duo.Facet.Page.h"
#include "render/Facet.DBGrid.h"
#include "render/Facet.Forms.Controls.h"
#include "render/Facet.Forms.h"
#include "runtime/Json.h"
#include "runtime/Random.h"
#include "runtime/StrUtils.h"
#include "runtime/TextSearch.h"
#include "server/Facet.BaseClass.h"
#include "server/Facet.Server.Assets.h"
#include "server/Facet.Server.HTMLHeaders.h"
#include "server/Facet.Server.Message.h"
#include "server/Facet.Session.Web.h"
#include "server/Facet.Session.h"
#include "ui/Forms.h"

#include <iostream>

namespace {

const std::string UnLockStatement = "UnLockThreadClient();";

std::string QueryOf(const TFacetHTTPRequest& ARequest, const std::string& AName) {
  return QueryValue(ARequest.Header.QueryParams, AName);
}

// The page form's control with that element id (compared in upper case).
TFacetControl* ControlByElementID(TFacetForm& APage, const std::string& AID) {
  const std::string wanted = UpperCase(AID);
  for (IFacetControl* item : APage.GetControls())
    if (auto* control = dynamic_cast<TFacetControl*>(item))
      if (control->ElementID() == wanted)
        return control;
  return nullptr;
}

// The first event of the page's controls with that id.
TFacetControlEvent* EventByID(TFacetForm& APage, const std::string& AEventID) {
  for (IFacetControl* item : APage.GetControls())
    if (auto* control = dynamic_cast<TFacetControl*>(item))
      for (int i = 0; i < control->Events().Count(); ++i)
        if (control->Events().Item(i).GetEventID() == AEventID)
          return &control->Events().Item(i);
  return nullptr;
}

// Applies the control states the browser sent before an event: only to controls the user can
// change now (enabled, visible, not read-only).  One bad element spoils nothing else.  Returns
// the first refusal of a value the user typed (a field that cannot take it), or null.
std::exception_ptr ApplyComponentStates(TFacetForm& APage, const std::string& AStates) {
  TJSON states;
  try {
    states = TJSON::parse(AStates);
  } catch (const std::exception&) {
    return nullptr;
  }
  if (!states.is_array())
    return nullptr;
  std::exception_ptr refusal;
  APage.onComponentsUpdating();
  for (const TJSON& state : states) {
    try {
      if (!state.is_object() || !state.contains("id") || !state["id"].is_string())
        continue;
      TFacetControl* control = ControlByElementID(APage, state["id"].get<std::string>());
      if (control == nullptr || !control->GetEnabled() || !control->GetVisible() ||
          control->GetReadOnly())
        continue;
      control->ProcessComponentState(state);
      if (TDuoForm* form = APage.DuoForm())
        form->DoUpdateDuoControls(control);
    } catch (const std::exception&) {
      // A value the control cannot take leaves that control as it was.
      if (!refusal)
        refusal = std::current_exception();
    }
  }
  APage.onComponentsUpdated();
  return refusal;
}

TDuoTerm* TermsOfBrowser(const std::string& AAcceptLanguage) {
  return DuoLangCore ? DuoLangCore->LangByBrowser(AAcceptLanguage) : nullptr;
}

} // namespace

// ---- TFacetServerFunctions

// A reply a socket waits for: sent once, and sent empty when the piece that owed it ended without
// one or never ran, so that the socket reads again.
class TFacetOwedReply {
public:
  explicit TFacetOwedReply(std::function<void(std::string)> AReply) : FReply(std::move(AReply)) {}
  ~TFacetOwedReply() {
    try {
      Send({});
    } catch (const std::exception& e) {
      std::cerr << "reply: " << e.what() << '\n';
    }
  }
  TFacetOwedReply(const TFacetOwedReply&) = delete;
  TFacetOwedReply& operator=(const TFacetOwedReply&) = delete;
  void Send(std::string AText) {
    if (auto reply = std::exchange(FReply, nullptr))
      reply(std::move(AText));
  }

private:
  std::function<void(std::string)> FReply;
};

namespace {

// The event of a page control: its parameters, then its handler, when the user can use the control
// now.  A grid's data load answers with its rows.
void RunControlEvent(TFacetSession& ASession, TFacetControlEvent& AEvent, TStringList& AParams,
                     const std::exception_ptr& ARefusal, TFacetOwedReply* AReply) {
  TFacetControl& control = AEvent.GetFacetControl();
  const TFacetEventType type = AEvent.GetEventType();
  const bool gridText = control.IsDBGrid() && (type == TFacetEventType::EventOnLoadJSON ||
                                               type == TFacetEventType::EventOnCellPost);
  // A control the user cannot use now takes nothing from the event, whatever the page sent: not
  // its handler, and not what its parameters would change (a grid's selection).
  if (!gridText && (!control.GetEnabled() || !control.GetVisible()))
    return;
  control.ProcessEventParameters(AEvent, &AParams);
  if (gridText && type == TFacetEventType::EventOnLoadJSON) {
    std::string json = AEvent.CallEventResponse();
    if (AReply != nullptr)
      AReply->Send(std::move(json));
    return;
  }
  // A value the user typed and a field refused is shown to the user, as leaving that edit would
  // show it on the desktop, and the action does not run on the value left in place.
  if (ARefusal) {
    ASession.Application().RunUserAction([&] { std::rethrow_exception(ARefusal); });
    return;
  }
  ASession.Application().RunUserAction([&] { AEvent.CallEvent(&AParams); });
}

void RunAfterPageLoad(TFacetSession& ASession, TFacetForm& APage, TStringList&) {
  ASession.Application().RunUserAction([&] { APage.OnAfterPageLoad(); });
  for (TFacetForm* nested : NestedPageForms(APage))
    ASession.Application().RunUserAction([&] {
      nested->OnAfterPageLoad();
      nested->UpdateControls();
    });
}

void RunPopup(TFacetSession& ASession, TFacetForm& APage, const std::string& AName, bool AShow) {
  ASession.Application().RunUserAction([&] {
    const TOnPopup& handler = AShow ? APage.OnShowPopup : APage.OnClosePopup;
    if (handler)
      handler(AName);
    if (TDuoForm* form = APage.DuoForm()) {
      if (AShow)
        form->PopupOpened(AName);
      else
        form->PopupClosed(AName);
    }
  });
}

// Focus moves to a control the user can use now; any other is ignored.
void RunComponentFocused(TFacetSession& ASession, TFacetForm& APage, TStringList& AParams) {
  TFacetControl* control = ControlByElementID(APage, AParams.GetValue("FocusedID"));
  if (control != nullptr && control->GetEnabled() && control->GetVisible())
    ASession.Application().RunUserAction([&] { APage.SetFocusedControl(control); });
}

void RunDialogResponse(TFacetSession& ASession, TFacetForm& APage, TStringList& AParams) {
  try {
    ASession.Web().AnswerDialog(APage.GetFormUUID(), std::stoi(AParams.GetValue("result")));
  } catch (const std::exception&) {
    // Not a button's result: the dialog keeps waiting.
  }
}

// The events of a page itself (its id is the page's form UUID), and whether each unlocks the
// browser afterwards when asked to.
struct TPageEvent {
  const char* Name;
  void (*Run)(TFacetSession&, TFacetForm&, TStringList&);
  bool Unlocks;
};

const TPageEvent PageEvents[] = {
    {"AfterPageLoad", RunAfterPageLoad, true},
    {"OnShowPopup",
     [](TFacetSession& S, TFacetForm& P, TStringList& A) {
       RunPopup(S, P, A.GetValue("popupname"), true);
     },
     true},
    {"OnClosePopup",
     [](TFacetSession& S, TFacetForm& P, TStringList& A) {
       RunPopup(S, P, A.GetValue("popupname"), false);
     },
     true},
    {"ComponentFocused", RunComponentFocused, false},
    {"MessageDlgResponse", RunDialogResponse, false},
};

// Runs `AWork`, then unlocks the browser when asked to, also when the work raised.
template <class TWork> void ThenUnlock(TFacetSession& ASession, bool ALock, TWork&& AWork) {
  try {
    AWork();
  } catch (...) {
    if (ALock)
      TFacetServerFunctions::UnLockClient(ASession);
    throw;
  }
  if (ALock)
    TFacetServerFunctions::UnLockClient(ASession);
}

} // namespace

void TFacetServerFunctions::UnLockClient(TFacetSession& Session) {
  if (!Session.Closing())
    Session.FlushPages(UnLockStatement);
}

void TFacetServerFunctions::ExecEvent(const TFacetEventCall& ACall,
                                      const std::shared_ptr<TFacetSession>& ASession) {
  ProcessEvent(ACall, ASession, nullptr);
}

void TFacetServerFunctions::GetFromEvent(const TFacetEventCall& ACall,
                                         const std::shared_ptr<TFacetSession>& ASession,
                                         std::function<void(std::string)> AReply) {
  ProcessEvent(ACall, ASession, std::make_shared<TFacetOwedReply>(std::move(AReply)));
}

void TFacetServerFunctions::ProcessEvent(const TFacetEventCall& ACall,
                                         const std::shared_ptr<TFacetSession>& ASession,
                                         std::shared_ptr<TFacetOwedReply> AReply) {
  if (ACall.FormUUID.empty() || ACall.ID.empty() || ACall.EventID.empty())
    return;
  // State intake, the event's parameters and its handler are one piece of the session's form
  // code: they run in the order the browser sent them, never alongside another event.  A piece
  // finds its session as the one whose code the thread runs, so it holds no reference to it.
  ASession->ExecThread(
      [reply = std::move(AReply), ACall, arrived = TFacetMetrics::TClock::now()] {
        TFacetSession& session = *TFacetSession::Current();
        TFacetForm* page = session.ActiveFormByFormUUID(ACall.FormUUID);
        if (page == nullptr)
          return;
        const TFacetMetrics::TEventClock clock(session.Base().Metrics(), arrived);
        TStringList params = ProcessParameters(ACall.Parameters);
        const std::string states = params.GetValue("FacetComponentsStatus");
        std::exception_ptr refusal;
        if (!states.empty())
          refusal = ApplyComponentStates(*page, states);
        if (ACall.ID != page->GetFormUUID()) {
          if (TFacetControlEvent* event = EventByID(*page, ACall.EventID))
            ThenUnlock(session, ACall.LockClient,
                       [&] { RunControlEvent(session, *event, params, refusal, reply.get()); });
          return;
        }
        for (const TPageEvent& pageEvent : PageEvents)
          if (ACall.EventID == pageEvent.Name) {
            ThenUnlock(session, ACall.LockClient && pageEvent.Unlocks,
                       [&] { pageEvent.Run(session, *page, params); });
            return;
          }
      },
      ACall.Parameters.size());
}

void TFacetServerFunctions::CallBack(const TFacetEventCall& ACall,
                                     const std::shared_ptr<TFacetSession>& ASession) {
  if (ACall.FormUUID.empty() || ACall.EventID.empty())
    return;
  ASession->ExecThread(
      [ACall] {
        TFacetSession& session = *TFacetSession::Current();
        TFacetForm* page = session.ActiveFormByFormUUID(ACall.FormUUID);
        if (page == nullptr)
          return;
        // A callback runs only for the page that registered it: the id is looked for among
        // that page's callbacks alone.
        const TFacetCallBack* found = page->FormCallBacks().ByID(ACall.EventID);
        if (found == nullptr)
          return;
        const TFacetCallBack callBack = *found; // the handler may unregister it
        session.Base().Metrics().CountCallBack();
        TStringList params = ProcessParameters(ACall.Parameters);
        ThenUnlock(session, ACall.LockClient, [&] {
          session.Application().RunUserAction(
              [&] { TFacetFormCallBacks::Execute(*page, callBack, &params); });
        });
      },
      ACall.Parameters.size());
}

// ---- TFacetServerHTML

bool TFacetServerHTML::ReconnectValid(const std::string& AToken, const std::string& AUUID) {
  return FBase.ValidSession(AToken, AUUID, false) != nullptr;
}

TFacetHTTPResponse TFacetServerHTML::Health() {
  TFacetHTTPResponse response;
  response.ContentType = "text/plain; charset=utf-8";
  if (FBase.Draining()) {
    response.StatusCode = "503 Service Unavailable";
    response.Content = "stopping\n";
  } else if (!FBase.Healthy()) {
    response.StatusCode = "503 Service Unavailable";
    response.Content = "unhealthy\n";
  } else {
    response.Content = "ok\n";
  }
  return response;
}

TFacetHTTPResponse TFacetServerHTML::Metrics(const std::string& AClientAddress) {
  TFacetHTTPResponse response;
  response.ContentType = "text/plain; charset=utf-8";
  if (!FBase.Monitoring().Metrics) {
    response.StatusCode = "404 Not Found";
  } else if (!FBase.MetricsAllowed(AClientAddress)) {
    FBase.Metrics().CountRefusal(TFacetRefusal::MetricsForbidden);
    response.StatusCode = "403 Forbidden";
  } else {
    // The exposition format's own content type.
    response.ContentType = "text/plain; version=0.0.4; charset=utf-8";
    response.Content = FBase.Metrics().Text();
  }
  return response;
}

std::string TFacetServerHTML::ErrorPage(const std::string& AAcceptLanguage) const {
  std::string page(EmbeddedAsset("error500.html").value_or(""));
  const TDuoTerm* terms = TermsOfBrowser(AAcceptLanguage);
  const std::string title = terms != nullptr ? terms->GetError500().GetTitle() : "Error";
  const std::string text = terms != nullptr ? terms->GetError500().GetText() : "";
  const bool rtl = terms != nullptr && terms->Language().DuoLang() == TDuoLang::Arabic;
  page = ReplaceAllText(page, "{{_d!Error500,Title_}}", HTMLEncode(title));
  page = ReplaceAllText(page, "{{_d!Error500,Text_}}", HTMLEncode(text));
  page = ReplaceAllText(page, "{{RTL}}", rtl ? " dir=\"rtl\"" : "");
  return page;
}

TFacetHTTPResponse TFacetServerHTML::LoadPageHTMLFromSession(const TFacetHTTPRequest& ARequest,
                                                             TFacetSession& ASession,
                                                             TFacetHTTPResponse AResponse) {
  TFacetHTTPResponse response = std::move(AResponse);
  try {
    TDuoFacetPage* page = ASession.Web().ActivePage();
    if (page == nullptr)
      throw Exception("The session has no page to show");
    std::string html = page->Build(FBase.Options().RootPath());
    FBase.FacetServerHTMLHeaders().ProcessHTMLHeaderIncludes(ARequest, html, ASession,
                                                             page->PageForm());
    FBase.FacetServerHTMLHeaders().ProcessHTMLBodyIncludes(html);
    SetDocumentLanguage(html, ASession.LangCode());
    // The page asks for the assets by their versions, which browsers may keep for long.
    html = FAssets.StampVersions(html);
    // The language-dependent assets are asked for in the language of this page's request, so
    // that the URL names their content.
    if (const TDuoTerm* terms = TermsOfBrowser(ARequest.Header.AcceptLanguage))
      for (const char* file : {"duoloader.js", "error500.html"}) {
        const std::string reference = std::string(file) + "?v=" + FAssets.Version(file);
        html = ReplaceAllText(html, reference + "\"",
                              reference + "&amp;lang=" + LanguageCode(terms->Language().DuoLang()) +
                                  "\"");
      }
    page->PageForm().SetFormCacheHTMLText(html);
    response.Content = std::move(html);
  } catch (const std::exception& e) {
    std::cerr << "page of session " << ASession.GetUUID() << ": " << e.what() << '\n';
    response.StatusCode = "500 Internal Server Error";
    response.Content = ErrorPage(ARequest.Header.AcceptLanguage);
  }
  return response;
}

void TFacetServerHTML::GetHTML(const TFacetHTTPRequest& ARequest,
                               const std::shared_ptr<TFacetWebSocketContext>& AContext,
                               TRespond ARespond) {
  std::shared_ptr<TFacetSession> session =
      FBase.ValidSession(AContext->Token, AContext->FacetSessionUUID);
  // The answer a new session's handler may already fill; the page piece finishes it.
  auto answer = std::make_shared<TFacetHTTPResponse>();
  if (!session) {
    session = FBase.CreateSession(AContext->ClientAddress);
    if (!session) {
      TFacetHTTPResponse busy;
      busy.StatusCode = "503 Service Unavailable";
      busy.Content = ErrorPage(ARequest.Header.AcceptLanguage);
      ARespond(std::move(busy));
      return;
    }
    TFacetURI& uri = session->URI();
    uri.Raw = ARequest.Header.FullURL();
    uri.URL = ARequest.Header.URL();
    uri.Host = ARequest.Header.Host;
    uri.ServerPort = ARequest.Header.ServerPort;
    for (const auto& [name, value] : ARequest.Header.QueryParams)
      uri.QueryParams.push_back({name, value});
    session->InfoConnection().SetIP(ARequest.Header.RemoteIP);
    session->InfoConnection().SetUserAgent(ARequest.Header.UserAgent);
    if (const TDuoTerm* terms = TermsOfBrowser(ARequest.Header.AcceptLanguage))
      session->SetLanguageNav(terms->Language().DuoLang());
    session->ExecThread([this, ARequest, answer] {
      TFacetSession& started = *TFacetSession::Current();
      if (FBase.OnSessionStarting)
        FBase.OnSessionStarting(started);
      FBase.InstancePrimaryForm(started);
      FBase.DoNewSession(ARequest, *answer, started);
    });
  }
  AContext->Token = session->GetToken();
  AContext->FacetSessionUUID = session->GetUUID();
  AContext->FacetSession = session;
  const bool queued = session->ExecThread([this, ARequest, ARespond, answer]() mutable {
    ARespond(LoadPageHTMLFromSession(ARequest, *TFacetSession::Current(), std::move(*answer)));
  });
  if (!queued) {
    TFacetHTTPResponse closed;
    closed.StatusCode = "500 Internal Server Error";
    closed.Content = ErrorPage(ARequest.Header.AcceptLanguage);
    ARespond(std::move(closed));
  }
}

namespace {

// The script templates of the page's header blocks are not files of the site.
bool InternalAsset(std::string_view AName) {
  for (const char* internal : {"variables.js", "jsfacetws.js", "jssetconnection.js",
                               "jsfacetmethods.js", "jscallbackfacetmethods.js"})
    if (SameText(AName, internal))
      return true;
  return false;
}

} // namespace

std::optional<TFacetAssetSource>
TFacetServerHTML::AssetSource(const std::string& AName, const std::string& ALanguage, bool ANamed) {
  if (SameText(AName, "error500.html"))
    return TFacetAssetSource{ErrorPage(ALanguage), "text/html; charset=UTF-8", !ANamed};
  if (SameText(AName, "favicon.ico"))
    return TFacetAssetSource{std::string(), "image/x-icon"};
  const std::optional<std::string_view> data = EmbeddedAsset(AName);
  if (!data)
    return std::nullopt;
  std::string content(*data);
  const bool loader = SameText(AName, "duoloader.js");
  if (loader) {
    const TDuoTerm* terms = TermsOfBrowser(ALanguage);
    content = ReplaceAllText(
        content, "{{_d!Loader,WaitText_}}",
        QuotedJSString(terms != nullptr ? terms->GetLoader().GetWaitText() : std::string()));
  }
  const std::string extension = LowerCase(std::filesystem::path(AName).extension().string());
  const std::string type = extension == ".js" ? "text/javascript; charset=UTF-8"
                           : extension == ".css"
                               ? "text/css; charset=UTF-8"
                               : FBase.FacetServer().MimesType().GetMIMEType(AName);
  return TFacetAssetSource{std::move(content), type, loader && !ANamed};
}

TFacetGetFileAnswer TFacetServerHTML::GetFile(const TFacetHTTPRequest& ARequest,
                                              const std::string& AFileName) {
  TFacetGetFileAnswer answer;
  const std::string name = std::filesystem::path(AFileName).filename().string();
  if (InternalAsset(name))
    return answer;
  // The error page and the loader speak a language: the one their URL names (pages name their
  // own), else the browser's.  One kept form per language and way of naming it.
  const bool byLanguage = SameText(name, "error500.html") || SameText(name, "duoloader.js");
  const std::string named = QueryValue(ARequest.Header.QueryParams, "lang");
  const std::string& language = named.empty() ? ARequest.Header.AcceptLanguage : named;
  const TDuoTerm* terms = byLanguage ? TermsOfBrowser(language) : nullptr;
  const std::string variant =
      (terms != nullptr ? LanguageCode(terms->Language().DuoLang()) : std::string()) +
      (named.empty() ? "" : " named");
  answer.Asset =
      FAssets.Keep(name, variant, [&] { return AssetSource(name, language, !named.empty()); });
  return answer;
}

void TFacetServerHTML::PrepareAssets() {
  if (FPreparing.joinable())
    return;
  FPreparing = std::jthread([this](std::stop_token AStop) {
    for (const TEmbeddedAsset& asset : EmbeddedAssets()) {
      const std::string name(asset.Name);
      if (AStop.stop_requested())
        return;
      if (InternalAsset(name) || SameText(name, "error500.html") || SameText(name, "duoloader.js"))
        continue;
      try {
        FAssets.Keep(name, "", [&] { return AssetSource(name, std::string(), false); });
      } catch (const std::exception&) {
        // Left to the first request for it, which reports its failure to that browser.
      }
    }
  });
}

void TFacetServerHTML::StopPreparingAssets() {
  if (!FPreparing.joinable())
    return;
  FPreparing.request_stop();
  FPreparing.join();
}

void TFacetServerHTML::RESTData(const TFacetHTTPRequest& ARequest,
                                const std::shared_ptr<TFacetWebSocketContext>& AContext,
                                TRespond ARespond) {
  const std::string eventID = QueryOf(ARequest, "eventid");
  std::shared_ptr<TFacetSession> session;
  if (!AContext->FormUUID.empty() && !eventID.empty())
    session = FBase.ValidSession(AContext->Token, AContext->FacetSessionUUID);
  TFacetHTTPResponse refused;
  refused.StatusCode = "401 Unauthorized";
  refused.Error = true;
  if (!session) {
    ARespond(refused);
    return;
  }
  const std::string formUUID = AContext->FormUUID;
  const bool queued = session->ExecThread(
      [ARequest, ARespond, eventID, formUUID] {
        TFacetSession& session = *TFacetSession::Current();
        TFacetForm* page = session.ActiveFormByFormUUID(formUUID);
        TFacetControlEvent* event = page != nullptr ? EventByID(*page, eventID) : nullptr;
        TFacetHTTPResponse response;
        if (event == nullptr || !event->GetFacetControl().IsDBGrid()) {
          ARespond(std::move(response));
          return;
        }
        auto& grid = static_cast<TFacetDBGrid&>(event->GetFacetControl());
        try {
          if (event->GetEventType() == TFacetEventType::EventOnLoadJSON) {
            TStringList params;
            for (const auto& [name, value] : ARequest.Header.QueryParams)
              params.Add(name + "=" + value);
            grid.ProcessEventParameters(*event, &params);
            response.ContentType = "application/json";
            response.Content = event->CallEventResponse();
          } else if (event->GetEventType() == TFacetEventType::EventOnCellPost &&
                     IsJSONValid(ARequest.Header.Content)) {
            TFacetDBGridPostAnswer posted;
            session.Application().RunUserAction(
                [&] { posted = grid.PostCell(ARequest.Header.Content); });
            response.ContentType = "application/json";
            response.Content = posted.Body;
            if (posted.HTTPStatus != 200) {
              response.StatusCode = std::to_string(posted.HTTPStatus);
              response.Error = true;
            }
          }
        } catch (...) {
          ARespond({});
          throw;
        }
        ARespond(std::move(response));
      },
      ARequest.Header.Content.size());
  if (!queued)
    ARespond(refused);
}

TFacetHTTPResponse
TFacetServerHTML::DownloadData(const TFacetHTTPRequest& ARequest,
                               const std::shared_ptr<TFacetWebSocketContext>& AContext) {
  TFacetHTTPResponse response;
  const std::string key = QueryOf(ARequest, "file");
  const std::shared_ptr<TFacetSession> session =
      key.empty() ? nullptr : FBase.ValidSession(AContext->Token, AContext->FacetSessionUUID);
  if (!session)
    return response;
  const std::optional<std::filesystem::path> path = session->DownloadPath(key);
  std::error_code error;
  if (path && std::filesystem::is_regular_file(*path, error))
    response.FileName = *path;
  return response;
}

void TFacetServerHTML::BeginUpload(const TFacetHTTPRequest& ARequest,
                                   std::function<void(TFacetUploadGrant)> AGrant) {
  TFacetUploadGrant refused;
  refused.Refusal = "403 Forbidden";
  const std::shared_ptr<TFacetSession> session =
      FBase.ValidSession(QueryOf(ARequest, "token"), QueryOf(ARequest, "facetsession"));
  if (!session) {
    AGrant(refused);
    return;
  }
  // Only the page on show decides whether it takes files: it must hold an upload item.
  const bool queued = session->ExecThread([AGrant, refused]() mutable {
    TFacetSession& session = *TFacetSession::Current();
    if (!session.Web().ActivePageTakesUploads()) {
      AGrant(refused);
      return;
    }
    TFacetUploadGrant grant = session.UploadAllowance();
    if (grant.Refusal.empty()) {
      std::error_code error;
      std::filesystem::create_directories(grant.Folder, error);
      if (error)
        grant.Refusal = "500 Internal Server Error";
    }
    AGrant(std::move(grant));
  });
  if (!queued)
    AGrant(refused);
}

void TFacetServerHTML::UploadDone(const TFacetHTTPRequest& ARequest,
                                  std::vector<std::filesystem::path> AFiles, std::size_t ABytes,
                                  std::function<void()> ADone) {
  const std::shared_ptr<TFacetSession> session =
      FBase.ValidSession(QueryOf(ARequest, "token"), QueryOf(ARequest, "facetsession"));
  if (!session) {
    for (const std::filesystem::path& file : AFiles) {
      std::error_code ignored;
      std::filesystem::remove(file, ignored);
    }
    ADone();
    return;
  }
  session->UploadStored(static_cast<int>(AFiles.size()), ABytes);
  const bool queued = session->ExecThread([files = std::move(AFiles), ADone] {
    TFacetSession& session = *TFacetSession::Current();
    if (TFacetForm* page = session.GetActiveForm()) {
      TStringList list;
      for (const std::filesystem::path& file : files)
        list.Add(file.string());
      session.Application().RunUserAction([&] { page->DoUpload(&list, nullptr); });
    }
    ADone();
  });
  if (!queued)
    ADone();
}

bool TFacetServerHTML::AdmitWebSocket(TFacetWebSocketContext& AContext) {
  // A socket that names no session is let in, but can do nothing: it counts against its
  // address's connections and is closed when it falls silent.
  if (AContext.Token.empty())
    return true;
  if (AContext.FacetSession)
    return SameSecret(AContext.FacetSession->GetToken(), AContext.Token);
  AContext.FacetSession = FBase.ValidSession(AContext.Token, AContext.FacetSessionUUID);
  return AContext.FacetSession != nullptr;
}

void TFacetServerHTML::WebSocketOpened(
    const std::shared_ptr<TFacetWebSocketContext>& AContext,
    const std::shared_ptr<TFacetWebSocketConnection>& AConnection) {
  if (!AContext->FacetSession)
    return;
  if (AContext->ChannelName == MainChannelName)
    AContext->FacetSession->AddConnection(AConnection);
  AContext->FacetSession->ConnectionOpened();
}

void TFacetServerHTML::WebSocketClosed(const std::shared_ptr<TFacetWebSocketContext>& AContext,
                                       const TFacetWebSocketConnection* AConnection) {
  if (!AContext->FacetSession)
    return;
  AContext->FacetSession->RemoveConnection(AConnection);
  AContext->FacetSession->ConnectionClosed();
}

bool TFacetServerHTML::ReceiveMessage(const TFacetWebSocketMessage& AMessage,
                                      const std::shared_ptr<TFacetWebSocketContext>& AContext,
                                      std::function<void(std::string)> AReply) {
  if (!AMessage.IsFormatted || (AContext->FacetSession && AContext->FacetSession->Closing()))
    return false;
  const auto has = [&](std::initializer_list<const char*> names) {
    for (const char* name : names)
      if (!AMessage.HasParameter(name))
        return false;
    return true;
  };
  const bool procedure = AMessage.MessageType == TWebSocketMessageType::wsMsgProcedure;
  const bool function = AMessage.MessageType == TWebSocketMessageType::wsMsgFunction;
  const bool event =
      has({"UUID", "Token", "FormUUID", "ID", "EventID", "Parameters", "LockClient"});
  enum class TKind { None, Event, CallBack, Function };
  const TKind kind =
      procedure && SameText(AMessage.Name, "ExecEvent") && event ? TKind::Event
      : function && SameText(AMessage.Name, "CallBack") &&
              has({"UUID", "Token", "FormUUID", "CallBackID", "Parameters", "LockClient"})
          ? TKind::CallBack
      : function && SameText(AMessage.Name, "GetFromEvent") && event ? TKind::Function
                                                                     : TKind::None;
  if (kind == TKind::None)
    return false;
  TFacetEventCall call;
  call.UUID = AMessage.Parameter("UUID");
  call.Token = AMessage.Parameter("Token");
  call.FormUUID = AMessage.Parameter("FormUUID");
  call.Parameters = AMessage.Parameter("Parameters");
  call.LockClient = SameText(AMessage.Parameter("LockClient"), "true");
  call.ID = AMessage.Parameter("ID");
  call.EventID = AMessage.Parameter(kind == TKind::CallBack ? "CallBackID" : "EventID");
  // The socket waits whenever the session its messages name has too much work queued, whether
  // that is its own session or another one (a socket may name any session whose pair it knows).
  const std::shared_ptr<TFacetSession> session = FBase.ValidSession(call.Token, call.UUID);
  if (!session)
    return false;
  AContext->LastTarget = session;
  switch (kind) {
  case TKind::Event:
    FFunctions.ExecEvent(call, session);
    return false;
  case TKind::CallBack:
    FFunctions.CallBack(call, session);
    return false;
  case TKind::Function:
    FFunctions.GetFromEvent(call, session, std::move(AReply));
    return true;
  case TKind::None:
    break;
  }
  return false;
}

bool TFacetServerHTML::Backlogged(const TFacetWebSocketContext& AContext) {
  if (AContext.FacetSession && AContext.FacetSession->Backlogged())
    return true;
  const std::shared_ptr<TFacetSession> target = AContext.LastTarget.lock();
  return target && target->Backlogged();
}

void TFacetServerHTML::DropSessionSockets(const std::string& AToken, const std::string& AUUID) {
  const std::shared_ptr<TFacetSession> session = FBase.SessionByUUID(AUUID);
  if (!session || !SameSecret(session->GetToken(), AToken))
    return;
  // A dropped socket takes no more pushes from this moment, though it ends on its own strand
  // later: what is pushed from now on is for the page being served, over the socket it opens.
  for (const auto& connection : session->Connections()) {
    session->RemoveConnection(connection.get());
    connection->Disconnect();
  }
}
