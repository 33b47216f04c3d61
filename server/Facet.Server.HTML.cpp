#include "server/Facet.Server.HTML.h"

#include "bridge/Duo.Util.h"
#include "lang/Duo.Lang.Core.h"
#include "render/Duo.Facet.Page.h"
#include "render/Facet.DBGrid.h"
#include "render/Facet.Forms.Controls.h"
#include "render/Facet.Forms.h"
#include "runtime/Json.h"
#include "runtime/StrUtils.h"
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

std::shared_ptr<TFacetSession> TFacetServerFunctions::ValidSession(const std::string& UUID,
                                                                   const std::string& Token) {
  if (UUID.empty() || Token.empty() || !FBase.SessionValid(Token, UUID))
    return nullptr;
  std::shared_ptr<TFacetSession> session = FBase.SessionByUUID(UUID);
  if (session)
    session->RenewExpireDate();
  return session;
}

void TFacetServerFunctions::UnLockClient(TFacetSession& Session) {
  if (!Session.Closing())
    Session.FlushPages(UnLockStatement);
}

void TFacetServerFunctions::ExecEvent(const std::string& UUID, const std::string& Token,
                                      bool LockClient, const std::string& Parameters,
                                      const std::string& EventID, const std::string& ID,
                                      const std::string& FormUUID) {
  ProcessEvent(UUID, Token, nullptr, LockClient, Parameters, EventID, ID, FormUUID);
}

void TFacetServerFunctions::GetFromEvent(const std::string& UUID, const std::string& Token,
                                         std::function<void(std::string)> AReply, bool LockClient,
                                         const std::string& Parameters, const std::string& EventID,
                                         const std::string& ID, const std::string& FormUUID) {
  ProcessEvent(UUID, Token, std::move(AReply), LockClient, Parameters, EventID, ID, FormUUID);
}

void TFacetServerFunctions::ProcessEvent(const std::string& UUID, const std::string& Token,
                                         std::function<void(std::string)> AReply, bool LockClient,
                                         const std::string& Parameters, const std::string& EventID,
                                         const std::string& ID, const std::string& FormUUID) {
  if (FormUUID.empty() || ID.empty() || EventID.empty())
    return;
  std::shared_ptr<TFacetSession> session = ValidSession(UUID, Token);
  if (!session)
    return;
  // State intake, the event's parameters and its handler are one piece of the session's form
  // code: they run in the order the browser sent them, never alongside another event.
  session->ExecThread([session = session.get(), reply = std::move(AReply), LockClient, Parameters,
                       EventID, ID, FormUUID] {
    TFacetForm* page = session->ActiveFormByFormUUID(FormUUID);
    if (page == nullptr)
      return;
    TStringList params = ProcessParameters(Parameters);
    const std::string states = params.GetValue("FacetComponentsStatus");
    std::exception_ptr refusal;
    if (!states.empty())
      refusal = ApplyComponentStates(*page, states);
    struct TUnlock {
      TFacetSession& Session;
      bool Lock;
      ~TUnlock() {
        if (Lock)
          TFacetServerFunctions::UnLockClient(Session);
      }
    };
    if (ID != page->GetFormUUID()) {
      TFacetControlEvent* event = EventByID(*page, EventID);
      if (event == nullptr)
        return;
      TUnlock unlock{*session, LockClient};
      TFacetControl& control = event->GetFacetControl();
      control.ProcessEventParameters(*event, &params);
      const bool gridText =
          control.IsDBGrid() && (event->GetEventType() == TFacetEventType::EventOnLoadJSON ||
                                 event->GetEventType() == TFacetEventType::EventOnCellPost);
      if (gridText && event->GetEventType() == TFacetEventType::EventOnLoadJSON) {
        std::string json = event->CallEventResponse();
        if (reply)
          reply(std::move(json));
        return;
      }
      // A control the user cannot use now does not run its handler, whatever the page sent.
      if (!gridText && (!control.GetEnabled() || !control.GetVisible()))
        return;
      // A value the user typed and a field refused is shown to the user, as leaving that edit
      // would show it on the desktop, and the action does not run on the value left in place.
      if (refusal) {
        session->Application().RunUserAction([&] { std::rethrow_exception(refusal); });
        return;
      }
      session->Application().RunUserAction([&] { event->CallEvent(&params); });
      return;
    }
    if (EventID == "AfterPageLoad") {
      TUnlock unlock{*session, LockClient};
      session->Application().RunUserAction([&] { page->OnAfterPageLoad(); });
      for (TFacetForm* nested : NestedPageForms(*page))
        session->Application().RunUserAction([&] {
          nested->OnAfterPageLoad();
          nested->UpdateControls();
        });
    } else if (EventID == "OnShowPopup" || EventID == "OnClosePopup") {
      TUnlock unlock{*session, LockClient};
      const bool show = EventID == "OnShowPopup";
      const std::string name = params.GetValue("popupname");
      session->Application().RunUserAction([&] {
        const TOnPopup& handler = show ? page->OnShowPopup : page->OnClosePopup;
        if (handler)
          handler(name);
        if (TDuoForm* form = page->DuoForm()) {
          if (show)
            form->PopupOpened(name);
          else
            form->PopupClosed(name);
        }
      });
    } else if (EventID == "ComponentFocused") {
      if (TFacetControl* control = ControlByElementID(*page, params.GetValue("FocusedID")))
        session->Application().RunUserAction([&] { page->SetFocusedControl(control); });
    } else if (EventID == "MessageDlgResponse") {
      try {
        session->Web().AnswerDialog(FormUUID, std::stoi(params.GetValue("result")));
      } catch (const std::exception&) {
        // Not a button's result: the dialog keeps waiting.
      }
    }
  });
}

void TFacetServerFunctions::CallBack(const std::string& UUID, const std::string& Token,
                                     bool LockClient, const std::string& Parameters,
                                     const std::string& CallBackID, const std::string& FormUUID) {
  if (FormUUID.empty() || CallBackID.empty())
    return;
  std::shared_ptr<TFacetSession> session = ValidSession(UUID, Token);
  if (!session)
    return;
  session->ExecThread([session = session.get(), LockClient, Parameters, CallBackID, FormUUID] {
    TFacetForm* page = session->ActiveFormByFormUUID(FormUUID);
    if (page == nullptr)
      return;
    const auto entry = session->CallBackByID(CallBackID);
    // A callback runs only for the page that registered it.
    if (!entry || entry->first != FormUUID)
      return;
    TStringList params = ProcessParameters(Parameters);
    session->Application().RunUserAction(
        [&] { page->FormCallBacks().Execute(*page, entry->second, &params); });
    if (LockClient)
      UnLockClient(*session);
  });
}

// ---- TFacetServerHTML

bool TFacetServerHTML::ReconnectValid(const std::string& AToken, const std::string& AUUID) {
  return FBase.SessionValid(AToken, AUUID);
}

std::string TFacetServerHTML::ErrorPage(const std::string& AAcceptLanguage) const {
  std::string page(EmbeddedAsset("error500.html").value_or(""));
  const TDuoTerm* terms = TermsOfBrowser(AAcceptLanguage);
  const std::string title = terms != nullptr ? terms->GetError500().GetTitle() : "Error";
  const std::string text = terms != nullptr ? terms->GetError500().GetText() : "";
  const bool rtl = terms != nullptr && terms->Language().DuoLang() == TDuoLang::Arabic;
  ReplaceTextIgnoringCase(page, "{{_d!Error500,Title_}}", HTMLEncode(title), true);
  ReplaceTextIgnoringCase(page, "{{_d!Error500,Text_}}", HTMLEncode(text), true);
  ReplaceTextIgnoringCase(page, "{{RTL}}", rtl ? " dir=\"rtl\"" : "", true);
  return page;
}

TFacetHTTPResponse TFacetServerHTML::LoadPageHTMLFromSession(const TFacetHTTPRequest& ARequest,
                                                             TFacetSession& ASession) {
  TFacetHTTPResponse response;
  try {
    TDuoFacetPage* page = ASession.Web().ActivePage();
    if (page == nullptr)
      throw Exception("The session has no page to show");
    std::string html = page->Build(FBase.Options().RootPath());
    FBase.FacetServerHTMLHeaders().ProcessHTMLHeaderIncludes(ARequest, html, ASession,
                                                             page->PageForm());
    FBase.FacetServerHTMLHeaders().ProcessHTMLBodyIncludes(html);
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
  std::shared_ptr<TFacetSession> session;
  if (!AContext->Token.empty() && !AContext->FacetSessionUUID.empty() &&
      FBase.SessionValid(AContext->Token, AContext->FacetSessionUUID))
    session = FBase.SessionByUUID(AContext->FacetSessionUUID);
  if (session) {
    session->RenewExpireDate();
  } else {
    session = FBase.CreateSession();
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
    session->ExecThread([this, session = session.get(), ARequest] {
      if (FBase.OnSessionStarting)
        FBase.OnSessionStarting(*session);
      FBase.InstancePrimaryForm(*session);
      FBase.DoNewSession(ARequest, *session);
    });
  }
  AContext->Token = session->GetToken();
  AContext->FacetSessionUUID = session->GetUUID();
  AContext->FacetSession = session;
  const bool queued =
      session->ExecThread([this, session = session.get(), ARequest, ARespond]() mutable {
        ARespond(LoadPageHTMLFromSession(ARequest, *session));
      });
  if (!queued) {
    TFacetHTTPResponse closed;
    closed.StatusCode = "500 Internal Server Error";
    closed.Content = ErrorPage(ARequest.Header.AcceptLanguage);
    ARespond(std::move(closed));
  }
}

TFacetGetFileAnswer TFacetServerHTML::GetFile(const TFacetHTTPRequest& ARequest,
                                              const std::string& AFileName) {
  TFacetGetFileAnswer answer;
  const std::string name = std::filesystem::path(AFileName).filename().string();
  if (SameText(name, "error500.html")) {
    answer.MIMEType = "text/html";
    answer.Content = ErrorPage(ARequest.Header.AcceptLanguage);
    return answer;
  }
  if (SameText(name, "favicon.ico")) {
    answer.MIMEType = "image/x-icon";
    answer.Content = std::string();
    return answer;
  }
  // The script templates of the page's header blocks are not files of the site.
  for (const char* internal : {"variables.js", "jsfacetws.js", "jssetconnection.js",
                               "jsfacetmethods.js", "jscallbackfacetmethods.js"})
    if (SameText(name, internal))
      return answer;
  const std::optional<std::string_view> data = EmbeddedAsset(name);
  if (!data)
    return answer;
  std::string content(*data);
  if (SameText(name, "duoloader.js")) {
    const TDuoTerm* terms = TermsOfBrowser(ARequest.Header.AcceptLanguage);
    ReplaceTextIgnoringCase(
        content, "{{_d!Loader,WaitText_}}",
        QuotedJSString(terms != nullptr ? terms->GetLoader().GetWaitText() : std::string()), true);
  }
  const std::string extension = std::filesystem::path(name).extension().string();
  answer.MIMEType = extension == ".js"    ? "application/javascript"
                    : extension == ".css" ? "text/css"
                                          : FBase.FacetServer().MimesType().GetMIMEType(name);
  if (SameText(name, "facetserver.js"))
    answer.MIMEType = "text/javascript";
  answer.Content = std::move(content);
  return answer;
}

void TFacetServerHTML::RESTData(const TFacetHTTPRequest& ARequest,
                                const std::shared_ptr<TFacetWebSocketContext>& AContext,
                                TRespond ARespond) {
  const std::string eventID = QueryOf(ARequest, "eventid");
  std::shared_ptr<TFacetSession> session;
  if (!AContext->Token.empty() && !AContext->FormUUID.empty() && !eventID.empty() &&
      FBase.SessionValid(AContext->Token, AContext->FacetSessionUUID))
    session = FBase.SessionByUUID(AContext->FacetSessionUUID);
  if (!session) {
    ARespond({});
    return;
  }
  session->RenewExpireDate();
  const std::string formUUID = AContext->FormUUID;
  const bool queued =
      session->ExecThread([session = session.get(), ARequest, ARespond, eventID, formUUID] {
        TFacetHTTPResponse response;
        struct TAnswer {
          TRespond& Respond;
          TFacetHTTPResponse& Response;
          ~TAnswer() { Respond(std::move(Response)); }
        } answer{const_cast<TRespond&>(ARespond), response};
        TFacetForm* page = session->ActiveFormByFormUUID(formUUID);
        if (page == nullptr)
          return;
        TFacetControlEvent* event = EventByID(*page, eventID);
        if (event == nullptr || !event->GetFacetControl().IsDBGrid())
          return;
        auto& grid = static_cast<TFacetDBGrid&>(event->GetFacetControl());
        if (event->GetEventType() == TFacetEventType::EventOnLoadJSON) {
          TStringList params;
          for (const auto& [name, value] : ARequest.Header.QueryParams)
            params.Add(name + "=" + value);
          grid.ProcessEventParameters(*event, &params);
          response.ContentType = "application/json";
          response.Content = event->CallEventResponse();
        } else if (event->GetEventType() == TFacetEventType::EventOnCellPost) {
          if (!IsJSONValid(ARequest.Header.Content))
            return;
          TFacetDBGridPostAnswer posted;
          session->Application().RunUserAction(
              [&] { posted = grid.PostCell(ARequest.Header.Content); });
          response.ContentType = "application/json";
          response.Content = posted.Body;
          if (posted.HTTPStatus != 200) {
            response.StatusCode = std::to_string(posted.HTTPStatus);
            response.Error = true;
          }
        }
      });
  if (!queued)
    ARespond({});
}

TFacetHTTPResponse
TFacetServerHTML::DownloadData(const TFacetHTTPRequest& ARequest,
                               const std::shared_ptr<TFacetWebSocketContext>& AContext) {
  TFacetHTTPResponse response;
  const std::string key = QueryOf(ARequest, "file");
  if (AContext->Token.empty() || AContext->FacetSessionUUID.empty() || key.empty() ||
      !FBase.SessionValid(AContext->Token, AContext->FacetSessionUUID))
    return response;
  const std::shared_ptr<TFacetSession> session = FBase.SessionByUUID(AContext->FacetSessionUUID);
  if (!session)
    return response;
  const std::optional<std::filesystem::path> path = session->DownloadPath(key);
  std::error_code error;
  if (path && std::filesystem::is_regular_file(*path, error))
    response.FileName = *path;
  return response;
}

std::optional<std::filesystem::path>
TFacetServerHTML::UploadFolder(const TFacetHTTPRequest& ARequest) {
  const std::string token = QueryOf(ARequest, "token");
  const std::string uuid = QueryOf(ARequest, "facetsession");
  if (token.empty() || uuid.empty() || !FBase.SessionValid(token, uuid))
    return std::nullopt;
  const std::shared_ptr<TFacetSession> session = FBase.SessionByUUID(uuid);
  if (!session)
    return std::nullopt;
  session->RenewExpireDate();
  std::error_code error;
  std::filesystem::create_directories(session->PathSession(), error);
  if (error)
    return std::nullopt;
  return session->PathSession();
}

void TFacetServerHTML::UploadDone(const TFacetHTTPRequest& ARequest,
                                  std::vector<std::filesystem::path> AFiles,
                                  std::function<void()> ADone) {
  const std::shared_ptr<TFacetSession> session =
      FBase.SessionByUUID(QueryOf(ARequest, "facetsession"));
  if (!session) {
    ADone();
    return;
  }
  const bool queued =
      session->ExecThread([session = session.get(), files = std::move(AFiles), ADone] {
        struct TDone {
          const std::function<void()>& Done;
          ~TDone() { Done(); }
        } done{ADone};
        TFacetForm* page = session->GetActiveForm();
        if (page == nullptr)
          return;
        TStringList list;
        for (const std::filesystem::path& file : files)
          list.Add(file.string());
        session->Application().RunUserAction([&] { page->DoUpload(&list, page); });
      });
  if (!queued)
    ADone();
}

bool TFacetServerHTML::AdmitWebSocket(TFacetWebSocketContext& AContext) {
  if (AContext.Token.empty())
    return true;
  if (AContext.FacetSession)
    return AContext.FacetSession->GetToken() == AContext.Token;
  if (!FBase.SessionValid(AContext.Token, AContext.FacetSessionUUID))
    return false;
  AContext.FacetSession = FBase.SessionByUUID(AContext.FacetSessionUUID);
  if (AContext.FacetSession)
    AContext.FacetSession->RenewExpireDate();
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

void TFacetServerHTML::ReceiveMessage(const TFacetWebSocketMessage& AMessage,
                                      const std::shared_ptr<TFacetWebSocketContext>& AContext,
                                      std::function<void(std::string)> AReply) {
  if (!AMessage.IsFormatted || (AContext->FacetSession && AContext->FacetSession->Closing()))
    return;
  const auto has = [&](std::initializer_list<const char*> names) {
    for (const char* name : names)
      if (!AMessage.HasParameter(name))
        return false;
    return true;
  };
  const bool lock = SameText(AMessage.Parameter("LockClient"), "true");
  const bool procedure = AMessage.MessageType == TWebSocketMessageType::wsMsgProcedure;
  const bool function = AMessage.MessageType == TWebSocketMessageType::wsMsgFunction;
  if (procedure && SameText(AMessage.Name, "ExecEvent") &&
      has({"UUID", "Token", "FormUUID", "ID", "EventID", "Parameters", "LockClient"})) {
    FFunctions.ExecEvent(AMessage.Parameter("UUID"), AMessage.Parameter("Token"), lock,
                         AMessage.Parameter("Parameters"), AMessage.Parameter("EventID"),
                         AMessage.Parameter("ID"), AMessage.Parameter("FormUUID"));
  } else if (function && SameText(AMessage.Name, "CallBack") &&
             has({"UUID", "Token", "FormUUID", "CallBackID", "Parameters", "LockClient"})) {
    FFunctions.CallBack(AMessage.Parameter("UUID"), AMessage.Parameter("Token"), lock,
                        AMessage.Parameter("Parameters"), AMessage.Parameter("CallBackID"),
                        AMessage.Parameter("FormUUID"));
  } else if (function && SameText(AMessage.Name, "GetFromEvent") &&
             has({"UUID", "Token", "FormUUID", "ID", "EventID", "Parameters", "LockClient"})) {
    FFunctions.GetFromEvent(AMessage.Parameter("UUID"), AMessage.Parameter("Token"),
                            std::move(AReply), lock, AMessage.Parameter("Parameters"),
                            AMessage.Parameter("EventID"), AMessage.Parameter("ID"),
                            AMessage.Parameter("FormUUID"));
  }
}

void TFacetServerHTML::DropSessionSockets(const std::string& AToken, const std::string& AUUID) {
  const std::shared_ptr<TFacetSession> session = FBase.SessionByUUID(AUUID);
  if (!session || session->GetToken() != AToken)
    return;
  // A dropped socket takes no more pushes from this moment, though it ends on its own strand
  // later: what is pushed from now on is for the page being served, over the socket it opens.
  for (const auto& connection : session->Connections()) {
    session->RemoveConnection(connection.get());
    connection->Disconnect();
  }
}
