#pragma once

// The page server: what the transport cannot answer by itself.  It makes or re-uses the session
// of a page request and builds the page of the session's active form, serves the built-in
// assets, answers the grids' data loads and row posts, serves downloads, stores uploads' files
// for their session, admits WebSockets, and dispatches their messages (events and callbacks)
// to the session's form code.  Every piece of form code runs on the session's executor.

#include "server/Facet.Server.StaticAssets.h"
#include "server/Facet.Server.TCP.h"

#include <ctime>
#include <optional>
#include <thread>

class TFacetBaseClass;
class TFacetForm;
class TFacetSession;

// One call of the page's WebSocket protocol as the browser sent it.  For a callback, EventID
// holds the callback's id.
struct TFacetEventCall {
  std::string UUID;
  std::string Token;
  std::string FormUUID;
  std::string ID;
  std::string EventID;
  std::string Parameters;
  bool LockClient = false;
};

class TFacetOwedReply;

// The event and callback protocol of the page's WebSocket.  Each call, of a session the caller
// found valid for its pair, is queued as a piece of that session's form code; it returns at once.
class TFacetServerFunctions {
public:
  void ExecEvent(const TFacetEventCall& ACall, const std::shared_ptr<TFacetSession>& ASession);
  // The reply (the grid's JSON for its load event) reaches `AReply` exactly once, possibly empty.
  void GetFromEvent(const TFacetEventCall& ACall, const std::shared_ptr<TFacetSession>& ASession,
                    std::function<void(std::string)> AReply);
  void CallBack(const TFacetEventCall& ACall, const std::shared_ptr<TFacetSession>& ASession);
  // Hides the browser's loader, unless the session is closing: the page's changes and the unlock
  // leave as one message, the changes first, so the browser is unlocked over its final state.
  static void UnLockClient(TFacetSession& Session);

private:
  void ProcessEvent(const TFacetEventCall& ACall, const std::shared_ptr<TFacetSession>& ASession,
                    std::shared_ptr<TFacetOwedReply> AReply);
};

class TFacetServerHTML : public IFacetServerTCPHandler {
public:
  explicit TFacetServerHTML(TFacetBaseClass& ABase) : FBase(ABase), FAssets(std::time(nullptr)) {}

  bool ReconnectValid(const std::string& AToken, const std::string& AUUID) override;
  TFacetHTTPResponse Health() override;
  TFacetHTTPResponse Metrics(const std::string& AClientAddress) override;
  void GetHTML(const TFacetHTTPRequest& ARequest,
               const std::shared_ptr<TFacetWebSocketContext>& AContext, TRespond ARespond) override;
  TFacetGetFileAnswer GetFile(const TFacetHTTPRequest& ARequest,
                              const std::string& AFileName) override;
  void RESTData(const TFacetHTTPRequest& ARequest,
                const std::shared_ptr<TFacetWebSocketContext>& AContext,
                TRespond ARespond) override;
  TFacetHTTPResponse DownloadData(const TFacetHTTPRequest& ARequest,
                                  const std::shared_ptr<TFacetWebSocketContext>& AContext) override;
  void BeginUpload(const TFacetHTTPRequest& ARequest,
                   std::function<void(TFacetUploadGrant)> AGrant) override;
  void UploadDone(const TFacetHTTPRequest& ARequest, std::vector<std::filesystem::path> AFiles,
                  std::size_t ABytes, std::function<void()> ADone) override;
  bool AdmitWebSocket(TFacetWebSocketContext& AContext) override;
  void WebSocketOpened(const std::shared_ptr<TFacetWebSocketContext>& AContext,
                       const std::shared_ptr<TFacetWebSocketConnection>& AConnection) override;
  void WebSocketClosed(const std::shared_ptr<TFacetWebSocketContext>& AContext,
                       const TFacetWebSocketConnection* AConnection) override;
  bool ReceiveMessage(const TFacetWebSocketMessage& AMessage,
                      const std::shared_ptr<TFacetWebSocketContext>& AContext,
                      std::function<void(std::string)> AReply) override;
  bool Backlogged(const TFacetWebSocketContext& AContext) override;
  void DropSessionSockets(const std::string& AToken, const std::string& AUUID) override;

  // The error page in the language of a browser's Accept-Language header.
  std::string ErrorPage(const std::string& AAcceptLanguage) const;

  // Compresses the built-in assets that do not depend on a language on a thread of their own,
  // so that the first browsers after a start find them ready (brotli's best compression takes
  // a good part of a second for the largest library).  At each start (what was made before is
  // kept); requests meanwhile wait
  // for an asset being made rather than make it twice.
  void PrepareAssets();
  // Ends the preparation (after the asset it is making) and waits for it: it reads the
  // transport's file types, which go with the server.
  void StopPreparingAssets();

private:
  // The bytes and type of a built-in asset (the error page and the loader in `ALanguage`;
  // `ANamed` when the URL names it); nothing for a name the server has no asset for.
  std::optional<TFacetAssetSource> AssetSource(const std::string& AName,
                                               const std::string& ALanguage, bool ANamed);

  // Builds the page of the session's active form into `AResponse` (as a new session's handler
  // left it); runs as a piece of the session.
  TFacetHTTPResponse LoadPageHTMLFromSession(const TFacetHTTPRequest& ARequest,
                                             TFacetSession& ASession, TFacetHTTPResponse AResponse);

  TFacetBaseClass& FBase;
  TFacetServerFunctions FFunctions;
  // The built-in assets as they are answered, kept for the server's life.
  TFacetStaticAssets FAssets;
  // Prepares FAssets; stopped and joined before they go.
  std::jthread FPreparing;
};
