#pragma once

// The wire: an HTTP/1.1 and WebSocket server on a few I/O threads with asynchronous I/O (no
// thread per connection).  It reads requests within the server's limits, routes them by path,
// writes the answers (a built-in asset's connection stays open for the next request; every
// other answer closes its connection), see Facet.Server.Routes and Facet.Server.Channel;
// upgrades the two WebSocket paths, reads and writes frames, streams uploads to disk and files to
// the browser.  Everything with content comes from its handler (the page server); form code never
// runs on an I/O thread, and neither does disk work of uploads.
//
// Threads: the I/O threads run every connection's reading, writing and timers, each connection on
// its own strand; a push from a session's worker may write a plain socket directly when nothing
// else is being written to it.  One more thread writes uploaded files.  Every completion handler
// runs through one guard: whatever it throws is logged and closes that connection only.
//
// Budgets: connections are counted per client address and in all (below the descriptor limit);
// a WebSocket that names no session is closed after a short silence and a session's socket is
// pinged when silent; a socket whose session has too much work queued is not read until it
// drains; output queued for one socket and for all of them is bounded.

#include "server/Facet.Server.Connection.h"
#include "server/Facet.Server.Mime.h"
#include "server/Facet.Server.Options.h"
#include "server/Facet.Server.Request.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct TFacetWebSocketMessage;

struct TFacetStaticAsset;

// What the static route may answer for a file that is not on disk.
struct TFacetGetFileAnswer {
  std::string RedirectURL;
  // A built-in asset, answered with its validators in the form the client accepts.
  std::shared_ptr<const TFacetStaticAsset> Asset;
};

class TFacetClientBudgets;
class TFacetMetrics;

class IFacetServerTCPHandler {
public:
  using TRespond = std::function<void(TFacetHTTPResponse)>;
  virtual ~IFacetServerTCPHandler() = default;
  // The reconnect probe: whether the pair names a valid session.
  virtual bool ReconnectValid(const std::string& AToken, const std::string& AUUID) = 0;
  // The page request; `ARespond` is called once, from any thread.
  virtual void GetHTML(const TFacetHTTPRequest& ARequest,
                       const std::shared_ptr<TFacetWebSocketContext>& AContext,
                       TRespond ARespond) = 0;
  // A built-in asset for a file the root does not have.
  virtual TFacetGetFileAnswer GetFile(const TFacetHTTPRequest& ARequest,
                                      const std::string& AFileName) = 0;
  // Grid data and grid row posts; an empty Content (and no post) is answered with nothing.
  virtual void RESTData(const TFacetHTTPRequest& ARequest,
                        const std::shared_ptr<TFacetWebSocketContext>& AContext,
                        TRespond ARespond) = 0;
  // The file of a download link; an empty FileName is answered with nothing.
  virtual TFacetHTTPResponse
  DownloadData(const TFacetHTTPRequest& ARequest,
               const std::shared_ptr<TFacetWebSocketContext>& AContext) = 0;
  // Whether the upload of this request may be stored; `AGrant` is called once, from any thread.
  virtual void BeginUpload(const TFacetHTTPRequest& ARequest,
                           std::function<void(TFacetUploadGrant)> AGrant) = 0;
  // Hands the stored files (of `ABytes` in all) to the session's active page; `ADone` follows its
  // handling.  Files the page did not keep are removed.
  virtual void UploadDone(const TFacetHTTPRequest& ARequest,
                          std::vector<std::filesystem::path> AFiles, std::size_t ABytes,
                          std::function<void()> ADone) = 0;
  // WebSocket admission: the context claims a session (token and UUID from the query); true
  // admits it (with its session set when it claimed one).
  virtual bool AdmitWebSocket(TFacetWebSocketContext& AContext) = 0;
  virtual void WebSocketOpened(const std::shared_ptr<TFacetWebSocketContext>& AContext,
                               const std::shared_ptr<TFacetWebSocketConnection>& AConnection) = 0;
  virtual void WebSocketClosed(const std::shared_ptr<TFacetWebSocketContext>& AContext,
                               const TFacetWebSocketConnection* AConnection) = 0;
  // One message of a WebSocket; a non-empty reply text goes back on the same socket.  True when
  // the message asks for a reply: `AReply` is then called exactly once, possibly with an empty
  // text, and the socket reads nothing more until then.
  virtual bool ReceiveMessage(const TFacetWebSocketMessage& AMessage,
                              const std::shared_ptr<TFacetWebSocketContext>& AContext,
                              std::function<void(std::string)> AReply) = 0;
  // Whether the context's session has so much work queued that its sockets should wait.
  virtual bool Backlogged(const TFacetWebSocketContext& AContext) = 0;
  // A reload that keeps its session: the session's sockets go.
  virtual void DropSessionSockets(const std::string& AToken, const std::string& AUUID) = 0;
  // The health route: 200 while the server serves and its application is healthy, 503 while it
  // drains before a stop or is not healthy.
  virtual TFacetHTTPResponse Health() = 0;
  // The metrics route for a client address: the metrics as text, 403 for an address that may not
  // read them, 404 while they are off.
  virtual TFacetHTTPResponse Metrics(const std::string& AClientAddress) = 0;
};

class TFacetServerTCP {
public:
  // The limits are read when the server starts; refusals are counted in `AMetrics`.
  TFacetServerTCP(IFacetServerTCPHandler& AHandler, const TFacetServerLimits& ALimits,
                  TFacetClientBudgets& ABudgets, TFacetMetrics& AMetrics);
  ~TFacetServerTCP();
  TFacetServerTCP(const TFacetServerTCP&) = delete;
  TFacetServerTCP& operator=(const TFacetServerTCP&) = delete;

  // Static files come from here (the options' root directory).
  void SetRootDirectory(const std::filesystem::path& Value);
  // TLS (1.2 and 1.3 only) with a certificate chain and key in PEM files.
  void InitSSL(const std::string& ACertificateFile, const std::string& APrivateKeyFile);
  // Binds every local address on the port (0: a free one) and starts the I/O threads.  The soft
  // descriptor limit is raised to the hard one first, and the connection cap kept below it.
  void Start(int APort);
  // The connection cap in force: the limits' one, or less when descriptors are short.
  int ConnectionCap() const;
  // Closes the listener and every connection and joins the I/O threads.
  void Stop();
  bool Active() const;
  // The port listened on.
  int Port() const;
  int ConnectionCount() const;
  void CloseAllConnection();
  TFacetServerFileExtensions& MimesType() { return FMimesType; }

  // The listener, the I/O threads and the connections.
  struct TImpl;

private:
  std::unique_ptr<TImpl> FImpl;
  TFacetServerFileExtensions FMimesType;
};
