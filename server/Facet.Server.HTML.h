#pragma once

// The page server: what the transport cannot answer by itself.  It makes or re-uses the session
// of a page request and builds the page of the session's active form, serves the built-in
// assets, answers the grids' data loads and row posts, serves downloads, stores uploads' files
// for their session, admits WebSockets, and dispatches their messages (events and callbacks)
// to the session's form code.  Every piece of form code runs on the session's executor.

#include "server/Facet.Server.TCP.h"

class TFacetBaseClass;
class TFacetForm;
class TFacetSession;

// The event and callback protocol of the page's WebSocket.
class TFacetServerFunctions {
public:
  explicit TFacetServerFunctions(TFacetBaseClass& ABase) : FBase(ABase) {}

  void ExecEvent(const std::string& UUID, const std::string& Token, bool LockClient,
                 const std::string& Parameters, const std::string& EventID, const std::string& ID,
                 const std::string& FormUUID);
  // The reply (the grid's JSON for its load event) reaches `AReply`, possibly empty.
  void GetFromEvent(const std::string& UUID, const std::string& Token,
                    std::function<void(std::string)> AReply, bool LockClient,
                    const std::string& Parameters, const std::string& EventID,
                    const std::string& ID, const std::string& FormUUID);
  void CallBack(const std::string& UUID, const std::string& Token, bool LockClient,
                const std::string& Parameters, const std::string& CallBackID,
                const std::string& FormUUID);
  // Hides the browser's loader, unless the session is closing: the page's changes and the unlock
  // leave as one message, the changes first, so the browser is unlocked over its final state.
  static void UnLockClient(TFacetSession& Session);

private:
  void ProcessEvent(const std::string& UUID, const std::string& Token,
                    std::function<void(std::string)> AReply, bool LockClient,
                    const std::string& Parameters, const std::string& EventID,
                    const std::string& ID, const std::string& FormUUID);
  // The session named by the pair when it is valid, else nullptr; a valid one is renewed.
  std::shared_ptr<TFacetSession> ValidSession(const std::string& UUID, const std::string& Token);

  TFacetBaseClass& FBase;
};

class TFacetServerHTML : public IFacetServerTCPHandler {
public:
  explicit TFacetServerHTML(TFacetBaseClass& ABase) : FBase(ABase), FFunctions(ABase) {}

  bool ReconnectValid(const std::string& AToken, const std::string& AUUID) override;
  void GetHTML(const TFacetHTTPRequest& ARequest,
               const std::shared_ptr<TFacetWebSocketContext>& AContext, TRespond ARespond) override;
  TFacetGetFileAnswer GetFile(const TFacetHTTPRequest& ARequest,
                              const std::string& AFileName) override;
  void RESTData(const TFacetHTTPRequest& ARequest,
                const std::shared_ptr<TFacetWebSocketContext>& AContext,
                TRespond ARespond) override;
  TFacetHTTPResponse DownloadData(const TFacetHTTPRequest& ARequest,
                                  const std::shared_ptr<TFacetWebSocketContext>& AContext) override;
  std::optional<std::filesystem::path> UploadFolder(const TFacetHTTPRequest& ARequest) override;
  void UploadDone(const TFacetHTTPRequest& ARequest, std::vector<std::filesystem::path> AFiles,
                  std::function<void()> ADone) override;
  bool AdmitWebSocket(TFacetWebSocketContext& AContext) override;
  void WebSocketOpened(const std::shared_ptr<TFacetWebSocketContext>& AContext,
                       const std::shared_ptr<TFacetWebSocketConnection>& AConnection) override;
  void WebSocketClosed(const std::shared_ptr<TFacetWebSocketContext>& AContext,
                       const TFacetWebSocketConnection* AConnection) override;
  void ReceiveMessage(const TFacetWebSocketMessage& AMessage,
                      const std::shared_ptr<TFacetWebSocketContext>& AContext,
                      std::function<void(std::string)> AReply) override;
  void DropSessionSockets(const std::string& AToken, const std::string& AUUID) override;

  // The error page in the language of a browser's Accept-Language header.
  std::string ErrorPage(const std::string& AAcceptLanguage) const;

private:
  // Builds the page of the session's active form; runs as a piece of the session.
  TFacetHTTPResponse LoadPageHTMLFromSession(const TFacetHTTPRequest& ARequest,
                                             TFacetSession& ASession);

  TFacetBaseClass& FBase;
  TFacetServerFunctions FFunctions;
};
