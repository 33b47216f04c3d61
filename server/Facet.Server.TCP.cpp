#include "server/Facet.Server.TCP.h"

#include "runtime/StrUtils.h"
#include "server/Facet.HTTP.h"
#include "server/Facet.Multipart.h"
#include "server/Facet.Server.ClientBudget.h"
#include "server/Facet.Server.FrameQueue.h"
#include "server/Facet.Server.Message.h"
#include "server/Facet.Server.Paths.h"
#include "server/Facet.Server.Response.h"
#include "server/Facet.Server.UploadSink.h"
#include "server/Facet.WebSocket.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <sys/resource.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <fstream>
#include <iostream>
#include <limits>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <thread>
#include <utility>

namespace {

using tcp = asio::ip::tcp;
using TClock = std::chrono::steady_clock;

constexpr const char* CRLF = "\r\n";
constexpr std::size_t ReadChunk = 16 * 1024;
// How often a socket held back by its session's queue looks whether the queue drained.
constexpr std::chrono::milliseconds BacklogPoll{10};
// How long accepting pauses when the process is out of descriptors.
constexpr std::chrono::milliseconds AcceptPause{100};

// The value of a query pair inside the path, for the few routes that read one before parsing.
std::string Query(const TFacetHTTPHeader& AHeader, std::string_view AName) {
  return QueryValue(AHeader.QueryParams, AName);
}

class TConnectionBase : public TFacetWebSocketConnection {
public:
  virtual void Start() = 0;
};

} // namespace

struct TFacetServerTCP::TImpl {
  TImpl(TFacetServerTCP& AOwner, IFacetServerTCPHandler& AHandler,
        const TFacetServerLimits& ALimits, TFacetClientBudgets& ABudgets)
      : Owner(AOwner), Handler(AHandler), Configured(ALimits), Budgets(ABudgets) {}

  TFacetServerTCP& Owner;
  IFacetServerTCPHandler& Handler;
  const TFacetServerLimits& Configured;
  // The limits in force, copied from the configured ones when the server starts.
  TFacetServerLimits Limits;
  TFacetClientBudgets& Budgets;
  int ConnectionCap = 0;
  std::filesystem::path Root = "wwwroot";
  asio::io_context IO;
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> Work;
  std::optional<tcp::acceptor> Acceptor;
  // The listener, its pause and its end are touched on this strand only.
  std::optional<asio::strand<asio::io_context::executor_type>> AcceptStrand;
  std::optional<asio::steady_timer> AcceptPauseTimer;
  std::optional<asio::ssl::context> SSL;
  std::vector<std::thread> Threads;
  // Writes uploaded files, so that no I/O thread waits for a disk.
  std::optional<asio::thread_pool> Disk;
  std::mutex ConnectionsLock;
  std::set<std::shared_ptr<TConnectionBase>> Connections;
  std::atomic<bool> Running = false;
  // Bytes queued for writing on every socket together.
  std::atomic<std::size_t> QueuedOutput = 0;
  int BoundPort = 0;

  void Accept();
  void Forget(const TConnectionBase* AConnection) {
    std::lock_guard guard(ConnectionsLock);
    for (auto it = Connections.begin(); it != Connections.end(); ++it)
      if (it->get() == AConnection) {
        Connections.erase(it);
        return;
      }
  }
};

namespace {

// One client connection over a plain or a TLS stream.  Everything it does runs on its strand, but
// for one thing: once its WebSocket is open, a push over a plain stream is written by the thread
// that makes it (a session's worker) when nothing else is being written, which spares the push a
// hand-over to an I/O thread.  The write queue and the end of the socket are guarded by a lock
// for that; nothing is written to the socket once it is closed, since its descriptor number may
// belong to another connection by then.
template <class TStream>
class TConnection : public TConnectionBase,
                    public std::enable_shared_from_this<TConnection<TStream>> {
public:
  template <class... TArgs>
  TConnection(TFacetServerTCP::TImpl& AServer, std::string APeer, bool ACounted, TArgs&&... AArgs)
      : FServer(AServer), FStream(std::forward<TArgs>(AArgs)...), FTimer(FStream.get_executor()),
        FKeepAlive(FStream.get_executor()), FBacklog(FStream.get_executor()),
        FContext(std::make_shared<TFacetWebSocketContext>()),
        FFrames(AServer.Limits.MaxMessageBytes),
        FOut(AServer.QueuedOutput, AServer.Limits.MaxSocketOutputBytes,
             AServer.Limits.MaxTotalOutputBytes,
             [this](std::string_view AData) { return SendNow(AData); }),
        FSocketHandle(Socket().native_handle()), FPeer(std::move(APeer)), FCounted(ACounted) {
    FContext->ClientAddress = FPeer;
  }

  ~TConnection() override { GiveBudget(); }

  void Start() override {
    asio::dispatch(FStream.get_executor(), [self = this->shared_from_this()] {
      self->Guarded([&] {
        self->Arm(self->FServer.Limits.ReadTimeout);
        if constexpr (std::is_same_v<TStream, tcp::socket>) {
          self->ReadHead();
        } else {
          self->FStream.async_handshake(asio::ssl::stream_base::server,
                                        [self](const std::error_code& error) {
                                          self->Guarded([&] {
                                            if (error)
                                              self->Close();
                                            else
                                              self->ReadHead();
                                          });
                                        });
        }
      });
    });
  }

  void SendText(std::string AMessage) override {
    if (AMessage.empty())
      return;
    std::string frame = EncodeTextFrame(AMessage);
    switch (FOut.Push(frame)) {
    case TFacetFrameQueue::TPushed::ViaStrand:
      break;
    case TFacetFrameQueue::TPushed::Done:
      return;
    case TFacetFrameQueue::TPushed::StartWriter:
      OnStrand([](TConnection& AThis) { AThis.WriteNext(); });
      return;
    case TFacetFrameQueue::TPushed::Failed:
      OnStrand([](TConnection& AThis) { AThis.Close(); });
      return;
    }
    asio::post(FStream.get_executor(),
               [self = this->shared_from_this(), frame = std::move(frame)]() mutable {
                 self->Guarded([&] { self->Queue(std::move(frame)); });
               });
  }

  void Disconnect() override {
    asio::post(FStream.get_executor(), [self = this->shared_from_this()] {
      self->Guarded([&] {
        if (self->FWebSocket)
          self->CloseWebSocket(1001);
        else
          self->Close();
      });
    });
  }

private:
  auto& Socket() {
    if constexpr (std::is_same_v<TStream, tcp::socket>)
      return FStream;
    else
      return FStream.lowest_layer();
  }

  // Runs the work of a completion handler: whatever it throws closes this connection, and only
  // it; nothing leaves an I/O thread's handler.
  template <class TWork> void Guarded(TWork&& AWork) noexcept {
    try {
      AWork();
    } catch (const std::exception& e) {
      Log(e.what());
      Close();
    } catch (...) {
      Log("unknown error");
      Close();
    }
  }

  void Log(const char* AWhat) noexcept {
    try {
      std::cerr << ("connection from " + FPeer + ": " + AWhat + "\n");
    } catch (...) {
    }
  }

  // A read or write that takes longer than the limit closes the connection.
  void Arm(std::chrono::milliseconds ALimit) {
    FTimer.expires_after(ALimit);
    FTimer.async_wait([weak = this->weak_from_this()](const std::error_code& error) {
      if (error)
        return;
      if (auto self = weak.lock())
        self->Guarded([&] { self->Close(); });
    });
  }

  void Disarm() { FTimer.cancel(); }

  void GiveBudget() noexcept {
    if (!std::exchange(FCounted, false))
      return;
    try {
      FServer.Budgets.GiveConnection(FPeer);
    } catch (...) {
    }
  }

  void Close() noexcept {
    if (!FOut.Close())
      return;
    std::error_code ignored;
    FTimer.cancel();
    FKeepAlive.cancel();
    FBacklog.cancel();
    Socket().shutdown(tcp::socket::shutdown_both, ignored);
    Socket().close(ignored);
    if (FContext->Established) {
      FContext->Established = false;
      try {
        FServer.Handler.WebSocketClosed(FContext, this);
      } catch (const std::exception& e) {
        Log(e.what());
      }
    }
    FContext->FacetSession = nullptr;
    GiveBudget();
    FServer.Forget(this);
  }

  // Answers with a bare status (and the lines every answer has), then closes.
  void AnswerStatus(std::string_view AStatus) {
    Answer(TFacetResponseHead(AStatus).Protect(TFacetAnswerKind::Data).Text());
  }

  // ---- reading a request

  void ReadSome(std::function<void()> AThen) {
    auto buffer = std::make_shared<std::array<char, ReadChunk>>();
    FStream.async_read_some(asio::buffer(*buffer),
                            [self = this->shared_from_this(), buffer,
                             then = std::move(AThen)](const std::error_code& error, size_t n) {
                              self->Guarded([&] {
                                if (error) {
                                  self->Close();
                                  return;
                                }
                                self->FIn.append(buffer->data(), n);
                                then();
                              });
                            });
  }

  void ReadHead() {
    size_t headEnd = 0;
    const THTTPLimits limits{FServer.Limits.MaxHeadBytes, FServer.Limits.MaxLineBytes};
    switch (ScanHTTPHead(FIn, limits, headEnd)) {
    case THeadScan::NeedMore:
      ReadSome([this] { ReadHead(); });
      return;
    case THeadScan::TooLarge:
      Close();
      return;
    case THeadScan::Complete:
      break;
    }
    std::error_code error;
    const tcp::endpoint peer = Socket().remote_endpoint(error);
    FRequest.Header =
        ParseHTTPHead(std::string_view(FIn).substr(0, headEnd), FPeer, error ? 0 : peer.port());
    FContext->ClientAddress = ClientAddress(FPeer, FRequest.Header.ForwardedFor, FServer.Limits);
    FRequest.Header.RemoteIP = FContext->ClientAddress;
    FIn.erase(0, headEnd);
    Route();
  }

  // Reads the rest of a body of `ALength` bytes into FIn.
  void ReadBody(size_t ALength, std::function<void()> AThen) {
    if (FIn.size() >= ALength) {
      FIn.resize(ALength);
      AThen();
      return;
    }
    ReadSome([this, ALength, then = std::move(AThen)]() mutable { ReadBody(ALength, then); });
  }

  void TakeQuery() {
    const TFacetHTTPHeader& header = FRequest.Header;
    FContext->Token = Query(header, "token");
    FContext->ChannelName = Query(header, "channelname");
    FContext->FacetSessionUUID = Query(header, "facetsession");
    FContext->FormUUID = Query(header, "FormUUID");
  }

  void Route() {
    const TFacetHTTPHeader& header = FRequest.Header;
    const std::string& path = header.Path;
    const auto contains = [&](const char* part) { return path.find(part) != std::string::npos; };
    if (header.HasRequestLine && header.WebMethod == TWebMethod::wmtHEAD &&
        contains("reconnect?token=")) {
      Reconnect();
    } else if (contains("/duo/upload")) {
      Upload();
    } else if (contains("/duo/download?file=")) {
      TakeQuery();
      const TFacetHTTPResponse response = FServer.Handler.DownloadData(FRequest, FContext);
      if (response.FileName.empty())
        Close();
      else
        SendFile(response.FileName, "application/octet-stream");
    } else if (contains("/rest/json/jqgrid/")) {
      REST();
    } else if (!header.HasRequestLine) {
      Close();
    } else if (header.Upgrade == "websocket" && !header.SecWebSocketKey.empty() &&
               (contains("/websocket/connectionparams") ||
                contains("/websocket/connectionresponseparams")) &&
               !FContext->Established) {
      AdmitWebSocket();
    } else if (path.empty() || path == "/" || StartsText("/?", path)) {
      Page();
    } else {
      StaticFile();
    }
  }

  // ---- answers

  // The lines that set (or, with an empty token, clear) the three reload cookies for the folder
  // of the request: read by the server only, sent to this site only, and short-lived, since they
  // serve one reload.
  std::string ReloadCookies(const std::string& AToken, const std::string& AUUID) const {
    const std::string folder = CookieFolder(FRequest.Header.PathWithoutParams());
    const bool clear = AToken.empty();
    std::string attributes = "; Path=" + folder + "; HttpOnly; SameSite=Strict";
    attributes += clear ? "; expires=Thu, 01 Jan 1970 00:00:00 UTC" : "; Max-Age=60";
    if (FServer.SSL)
      attributes += "; Secure";
    std::string lines;
    for (const auto& [name, value] : {std::pair<const char*, std::string>{"Duo_Token", AToken},
                                      {"Duo_FacetSession", AUUID},
                                      {"Duo_ReloadPage", clear ? "" : "true"}})
      lines += std::string("Set-Cookie: ") + name + "=" + value + attributes + CRLF;
    return lines;
  }

  // The reconnect probe: 202 while the session is valid, 401 once it is not.  A page about to
  // reload asks with "reloadpage=true" and gets its session's reload cookies from the answer:
  // cookies written by the page's script can reach the browser's cookie store after the reload's
  // request has left without them, and that reload would start a new session on the login page.
  // Cookies of an answer are stored before the page sees the answer.
  void Reconnect() {
    const TFacetHTTPHeader& header = FRequest.Header;
    const std::string token = Query(header, "token");
    const std::string uuid = Query(header, "facetsession");
    if (!FServer.Handler.ReconnectValid(token, uuid)) {
      AnswerStatus("401 Unauthorized");
      return;
    }
    TFacetResponseHead head("202 Accepted");
    std::string text = head.Protect(TFacetAnswerKind::Data).Text();
    if (SameText(Query(header, "reloadpage"), "true"))
      text.insert(text.find("Connection: Close"), ReloadCookies(token, uuid));
    Answer(std::move(text));
  }

  // Writes the whole text, then closes.
  void Answer(std::string AText) {
    auto text = std::make_shared<std::string>(std::move(AText));
    Arm(FServer.Limits.WriteTimeout);
    asio::async_write(FStream, asio::buffer(*text),
                      [self = this->shared_from_this(), text](const std::error_code&, size_t) {
                        self->Guarded([&] { self->Close(); });
                      });
  }

  // Runs `AWork` on this connection's strand, guarded, from whatever thread calls it.
  template <class TWork> void OnStrand(TWork&& AWork) {
    asio::post(FStream.get_executor(),
               [self = this->shared_from_this(), work = std::forward<TWork>(AWork)]() mutable {
                 self->Guarded([&] { work(*self); });
               });
  }

  void Page() {
    const TFacetHTTPHeader& header = FRequest.Header;
    std::string cookies;
    if (header.ReloadPage) {
      cookies = ReloadCookies({}, {});
      FContext->Token = header.Token;
      FContext->FacetSessionUUID = header.FacetSession;
      FServer.Handler.DropSessionSockets(header.Token, header.FacetSession);
    }
    Disarm();
    FServer.Handler.GetHTML(
        FRequest, FContext,
        [self = this->shared_from_this(), cookies](TFacetHTTPResponse AResponse) mutable {
          self->OnStrand([cookies, response = std::move(AResponse)](TConnection& AThis) {
            TFacetResponseHead head(response.StatusCode);
            head.Add("Content-Type", "text/html; charset=UTF-8").Protect(TFacetAnswerKind::Page);
            std::string text = head.Text();
            text.insert(text.find("Connection: Close"), cookies);
            AThis.Answer(std::move(text) + response.Content);
          });
        });
  }

  void StaticFile() {
    const std::optional<std::filesystem::path> file =
        ResolveStaticFile(FServer.Root, FRequest.Header.Path);
    std::error_code error;
    if (file && std::filesystem::is_regular_file(*file, error)) {
      SendFile(*file, FServer.Owner.MimesType().GetMIMEType(file->filename().string()));
      return;
    }
    const std::string path = FRequest.Header.PathWithoutParams();
    const std::string name = path.substr(path.find_last_of('/') + 1);
    const TFacetGetFileAnswer answer = FServer.Handler.GetFile(FRequest, name);
    if (answer.Content)
      Answer(TFacetResponseHead("200 OK")
                 .Add("Content-Type", answer.MIMEType + "; charset=UTF-8")
                 .Protect(TFacetAnswerKind::File)
                 .Text() +
             *answer.Content);
    else if (!answer.RedirectURL.empty())
      Answer(TFacetResponseHead("302 Found")
                 .Add("Location", answer.RedirectURL)
                 .Protect(TFacetAnswerKind::File)
                 .Text());
    else
      Close();
  }

  // Streams a file after its head, then closes.
  void SendFile(const std::filesystem::path& AFile, const std::string& AMIMEType) {
    auto file = std::make_shared<std::ifstream>(AFile, std::ios::binary);
    if (!*file) {
      Close();
      return;
    }
    auto text =
        std::make_shared<std::string>(TFacetResponseHead("200 OK")
                                          .Add("Content-Type", AMIMEType + "; charset=UTF-8")
                                          .Protect(TFacetAnswerKind::File)
                                          .Text());
    Arm(FServer.Limits.WriteTimeout);
    asio::async_write(
        FStream, asio::buffer(*text),
        [self = this->shared_from_this(), text, file](const std::error_code& error, size_t) {
          self->Guarded([&] {
            if (error)
              self->Close();
            else
              self->SendFileChunk(file);
          });
        });
  }

  void SendFileChunk(const std::shared_ptr<std::ifstream>& AFile) {
    auto chunk = std::make_shared<std::string>(ReadChunk * 4, '\0');
    AFile->read(chunk->data(), static_cast<std::streamsize>(chunk->size()));
    chunk->resize(static_cast<size_t>(AFile->gcount()));
    if (chunk->empty()) {
      Close();
      return;
    }
    Arm(FServer.Limits.WriteTimeout);
    asio::async_write(
        FStream, asio::buffer(*chunk),
        [self = this->shared_from_this(), chunk, AFile](const std::error_code& error, size_t) {
          self->Guarded([&] {
            if (error)
              self->Close();
            else
              self->SendFileChunk(AFile);
          });
        });
  }

  void REST() {
    TakeQuery();
    const bool post = FRequest.Header.Path.find("/rest/json/jqgrid/post") != std::string::npos;
    const std::optional<uint64_t> length = ParseContentLength(FRequest.Header.ContentLength);
    const auto ask = [this, post] {
      FRequest.Header.Content = post ? FIn : std::string();
      Disarm();
      FServer.Handler.RESTData(
          FRequest, FContext,
          [self = this->shared_from_this(), post](TFacetHTTPResponse AResponse) {
            self->OnStrand([post, response = std::move(AResponse)](TConnection& AThis) {
              if (response.Content.empty()) {
                // A post is always answered, a refused one with its status (never as if it had
                // been taken); a data load with nothing to say is closed.
                if (post)
                  AThis.AnswerStatus(response.Error ? response.StatusCode : "200 OK");
                else
                  AThis.Close();
                return;
              }
              AThis.Answer(TFacetResponseHead(response.StatusCode)
                               .Add("Content-Type", response.ContentType + "; charset=UTF-8")
                               .Protect(TFacetAnswerKind::Data)
                               .Text() +
                           response.Content);
            });
          });
    };
    if (post && length && *length > 0) {
      if (*length > FServer.Limits.MaxPostBytes) {
        Close();
        return;
      }
      ReadBody(static_cast<size_t>(*length), ask);
      return;
    }
    FIn.clear();
    ask();
  }

  // ---- uploads, granted by the session's page and streamed to its folder on the disk thread

  void Upload() {
    const TFacetHTTPHeader& header = FRequest.Header;
    const std::optional<uint64_t> length = ParseContentLength(header.ContentLength);
    if (header.Boundary.empty() || !length || *length == 0) {
      AnswerStatus("400 Bad Request");
      return;
    }
    if (*length > FServer.Limits.MaxUploadBytes) {
      AnswerStatus("413 Payload Too Large");
      return;
    }
    Disarm();
    FServer.Handler.BeginUpload(
        FRequest, [self = this->shared_from_this(),
                   left = static_cast<size_t>(*length)](TFacetUploadGrant AGrant) {
          self->OnStrand([left, grant = std::move(AGrant)](TConnection& AThis) {
            AThis.StartUpload(grant, left);
          });
        });
  }

  void StartUpload(const TFacetUploadGrant& AGrant, size_t ALength) {
    if (!AGrant.Refusal.empty()) {
      AnswerStatus(AGrant.Refusal);
      return;
    }
    const int files = std::min(AGrant.FilesLeft, FServer.Limits.MaxUploadParts);
    auto sink = std::make_shared<TFacetUploadSink>(AGrant.Folder, files, AGrant.BytesLeft);
    auto reader = std::make_shared<TMultipartReader>(FRequest.Header.Boundary, *sink);
    FUploadStarted = TClock::now();
    ContinueUpload(sink, reader, ALength);
  }

  // Hands what was read of the body to the disk thread; its answer comes back to the strand.
  void ContinueUpload(const std::shared_ptr<TFacetUploadSink>& ASink,
                      const std::shared_ptr<TMultipartReader>& AReader, size_t ALeft) {
    const size_t take = std::min(ALeft, FIn.size());
    std::string chunk = FIn.substr(0, take);
    FIn.erase(0, take);
    ALeft -= take;
    FUploadRead += take;
    asio::post(*FServer.Disk,
               [self = this->shared_from_this(), ASink, AReader, ALeft, chunk = std::move(chunk)] {
                 bool failed = false;
                 try {
                   AReader->Feed(chunk);
                   failed = AReader->Failed() || (ALeft == 0 && !AReader->Finish());
                 } catch (const std::exception&) {
                   failed = true;
                 }
                 // A failed upload leaves nothing behind by the time it is answered.
                 if (failed)
                   ASink->Discard();
                 self->OnStrand([ASink, AReader, ALeft, failed](TConnection& AThis) {
                   AThis.UploadFed(ASink, AReader, ALeft, failed);
                 });
               });
  }

  void UploadFed(const std::shared_ptr<TFacetUploadSink>& ASink,
                 const std::shared_ptr<TMultipartReader>& AReader, size_t ALeft, bool AFailed) {
    if (AFailed) {
      AnswerStatus(ASink->Refusal().empty() ? "400 Bad Request" : ASink->Refusal());
      return;
    }
    if (ALeft > 0) {
      // A body may come slowly, but not slower on average than the limits' rate, and no read
      // may wait longer than the read timeout.
      const auto elapsed = TClock::now() - FUploadStarted;
      const double seconds = std::chrono::duration<double>(elapsed).count();
      if (elapsed > FServer.Limits.ReadTimeout &&
          static_cast<double>(FUploadRead) < seconds * FServer.Limits.MinUploadBytesPerSecond) {
        Close();
        return;
      }
      Arm(FServer.Limits.ReadTimeout);
      ReadSome([this, ASink, AReader, ALeft] { ContinueUpload(ASink, AReader, ALeft); });
      return;
    }
    ASink->Keep();
    Disarm();
    FServer.Handler.UploadDone(
        FRequest, ASink->Files, ASink->Bytes, [self = this->shared_from_this()] {
          self->OnStrand([](TConnection& AThis) {
            AThis.Answer(TFacetResponseHead("200 OK").Protect(TFacetAnswerKind::Data).Text());
          });
        });
  }

  // ---- WebSocket

  void AdmitWebSocket() {
    const TFacetHTTPHeader& header = FRequest.Header;
    if (FContext->Token.empty())
      TakeQuery();
    FContext->ChannelName = header.Path.find("/websocket/connectionparams") != std::string::npos
                                ? MainChannelName
                                : ResponseChannelName;
    if (!FServer.Handler.AdmitWebSocket(*FContext)) {
      Close();
      return;
    }
    FWebSocket = true;
    Disarm();
    FContext->Established = true;
    // The session knows the socket before the browser learns it is open, so nothing pushed
    // after that is lost.
    FServer.Handler.WebSocketOpened(FContext, this->shared_from_this());
    Queue(std::string("HTTP/1.1 101 Switching Protocols") + CRLF + "Upgrade: websocket" + CRLF +
          "Connection: Upgrade" + CRLF +
          "Sec-WebSocket-Accept: " + WebSocketAcceptKey(header.SecWebSocketKey) + CRLF + CRLF);
    if constexpr (std::is_same_v<TStream, tcp::socket>)
      FOut.EnableDirectPushes();
    KeepAlive();
    // Bytes the browser sent right behind its handshake are its first frames.
    FFrames.Feed(FIn);
    FIn.clear();
    ReadFrames();
  }

  // A socket that names no session may stay only while it speaks; a session's socket is pinged
  // when silent and closed when it stays silent for another period.
  void KeepAlive() {
    const bool sessionless = FContext->FacetSession == nullptr;
    FKeepAlive.expires_after(sessionless ? FServer.Limits.TokenlessSocketTimeout
                                         : FServer.Limits.PingInterval);
    FKeepAlive.async_wait([weak = this->weak_from_this(), sessionless](const std::error_code& e) {
      if (e)
        return;
      if (auto self = weak.lock())
        self->Guarded([&] {
          if (self->FOut.Ending())
            return;
          const bool heard = std::exchange(self->FHeard, false);
          if (!heard && (sessionless || self->FPinged)) {
            self->Close();
            return;
          }
          self->FPinged = !heard;
          if (self->FPinged)
            self->Queue(EncodePingFrame());
          self->KeepAlive();
        });
    });
  }

  void ReadFrames() {
    while (!FReplyPending && !FOut.Ending()) {
      if (FServer.Handler.Backlogged(*FContext)) {
        WaitForBacklog(TClock::now() + FServer.Limits.ReadTimeout);
        return;
      }
      std::optional<TWebSocketEvent> event = FFrames.Next();
      if (!event)
        break;
      switch (event->kind) {
      case TWebSocketEvent::Text:
        Dispatch(event->payload);
        break;
      case TWebSocketEvent::Ping:
        Queue(EncodePongFrame(event->payload));
        break;
      case TWebSocketEvent::Pong:
        break;
      case TWebSocketEvent::Close:
        CloseWebSocket(1000);
        return;
      case TWebSocketEvent::ProtocolError:
        CloseWebSocket(1002);
        return;
      case TWebSocketEvent::TooLarge:
        CloseWebSocket(1009);
        return;
      }
    }
    if (FOut.Ending() || FReplyPending || FReading)
      return;
    FReading = true;
    auto buffer = std::make_shared<std::array<char, ReadChunk>>();
    FStream.async_read_some(asio::buffer(*buffer), [self = this->shared_from_this(), buffer](
                                                       const std::error_code& error, size_t n) {
      self->Guarded([&] {
        self->FReading = false;
        if (error) {
          self->Close();
          return;
        }
        self->FHeard = true;
        self->FFrames.Feed(std::string_view(buffer->data(), n));
        self->ReadFrames();
      });
    });
  }

  // The session has too much work queued: this socket is not read until it drains, and is closed
  // when it does not drain in time.
  void WaitForBacklog(TClock::time_point ADeadline) {
    if (TClock::now() > ADeadline) {
      Close();
      return;
    }
    FBacklog.expires_after(BacklogPoll);
    FBacklog.async_wait([weak = this->weak_from_this(), ADeadline](const std::error_code& error) {
      if (error)
        return;
      if (auto self = weak.lock())
        self->Guarded([&] {
          if (self->FServer.Handler.Backlogged(*self->FContext))
            self->WaitForBacklog(ADeadline);
          else
            self->ReadFrames();
        });
    });
  }

  void Dispatch(const std::string& AText) {
    TFacetWebSocketMessage message;
    try {
      message = ParseWebSocketMessage(AText);
    } catch (const std::exception& e) {
      Log(e.what());
      return;
    }
    if (FServer.Limits.LogMessages)
      std::clog << RedactMessageForLog(message) + "\n";
    // The socket reads nothing more until a reply it asked for is on its way: a socket that does
    // not read its answers cannot make the server hold more than one of them.
    FReplyPending = FServer.Handler.ReceiveMessage(
        message, FContext, [weak = this->weak_from_this()](std::string AReply) {
          auto self = weak.lock();
          if (!self)
            return;
          self->SendText(std::move(AReply));
          self->OnStrand([](TConnection& AThis) {
            AThis.FReplyPending = false;
            AThis.ReadFrames();
          });
        });
  }

  // Answers with a close frame and closes once it is written.
  void CloseWebSocket(std::uint16_t ACode) {
    if (!FOut.Ending())
      Queue(EncodeCloseFrame(ACode), true);
  }

  // Queues a frame for writing; the connection closes once `ALast` is written.
  void Queue(std::string AFrame, bool ALast = false) {
    switch (FOut.Queue(std::move(AFrame), ALast)) {
    case TFacetFrameQueue::TQueued::Queued:
      return;
    case TFacetFrameQueue::TQueued::StartWriter:
      WriteNext();
      return;
    case TFacetFrameQueue::TQueued::Overflow:
      Close();
      return;
    }
  }

  // The queue's writer, on the strand: what the socket takes now is written at once, the rest
  // with a completion and the write timer.
  void WriteNext() {
    const TFacetFrameQueue::TStep step = FOut.Next();
    switch (step.What) {
    case TFacetFrameQueue::TStep::Stopped:
      return;
    case TFacetFrameQueue::TStep::Failed:
      Close();
      return;
    case TFacetFrameQueue::TStep::Idle:
      Disarm();
      return;
    case TFacetFrameQueue::TStep::Finish:
      Disarm();
      Close();
      return;
    case TFacetFrameQueue::TStep::Wait:
      break;
    }
    Arm(FServer.Limits.WriteTimeout);
    asio::async_write(FStream, asio::buffer(step.Front.data(), step.Front.size()),
                      [self = this->shared_from_this()](const std::error_code& error, size_t) {
                        self->Guarded([&] {
                          if (error) {
                            self->Close();
                            return;
                          }
                          if (!self->FOut.Written())
                            return;
                          self->Disarm();
                          self->WriteNext();
                        });
                      });
  }

  // Sends what the socket takes of `AData` without waiting: the count sent (0 when it takes
  // nothing now or the stream is encrypted), nothing when the socket failed.  The frame queue
  // calls it under its lock, never once it is closed.
  std::optional<size_t> SendNow(std::string_view AData) {
    if constexpr (std::is_same_v<TStream, tcp::socket>) {
      size_t sent = 0;
      while (sent < AData.size()) {
        const ssize_t n = ::send(FSocketHandle, AData.data() + sent, AData.size() - sent,
                                 MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
          sent += static_cast<size_t>(n);
          continue;
        }
        if (n < 0 && errno == EINTR)
          continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
          break;
        return std::nullopt;
      }
      return sent;
    } else {
      static_cast<void>(AData);
      return 0;
    }
  }

  TFacetServerTCP::TImpl& FServer;
  TStream FStream;
  // The deadline of the read or write in progress.
  asio::steady_timer FTimer;
  // An open WebSocket's check that its browser is still there.
  asio::steady_timer FKeepAlive;
  // A WebSocket held back by its session's queue looks again when this expires.
  asio::steady_timer FBacklog;
  std::shared_ptr<TFacetWebSocketContext> FContext;
  TFacetHTTPRequest FRequest;
  std::string FIn;
  TWebSocketFrameReader FFrames;
  bool FWebSocket = false;
  // A WebSocket read is in flight; a frame arrived since the last keep-alive check; a ping went
  // out unanswered; a reply this socket asked for is not yet on its way.  Strand only.
  bool FReading = false;
  bool FHeard = false;
  bool FPinged = false;
  bool FReplyPending = false;
  TClock::time_point FUploadStarted;
  size_t FUploadRead = 0;
  // What waits to be written; pushes of other threads may write through it directly.
  TFacetFrameQueue FOut;
  const int FSocketHandle;
  // The peer's address, and whether this connection counts against its budget.
  const std::string FPeer;
  bool FCounted;
};

} // namespace

void TFacetServerTCP::TImpl::Accept() {
  Acceptor->async_accept(
      asio::make_strand(IO),
      asio::bind_executor(*AcceptStrand, [this](const std::error_code& error, tcp::socket socket) {
        if (error) {
          if (!Running)
            return;
          // Out of descriptors (or memory) accepting fails again at once: wait a moment instead
          // of spinning, while connections end and give theirs back.
          if (error == asio::error::no_descriptors || error.value() == ENFILE ||
              error == asio::error::no_buffer_space || error == asio::error::no_memory) {
            AcceptPauseTimer->expires_after(AcceptPause);
            AcceptPauseTimer->async_wait([this](const std::error_code& e) {
              if (!e && Running)
                Accept();
            });
            return;
          }
          Accept();
          return;
        }
        try {
          // Pushes are small frames written one after another (a page's changes, then the
          // unlock).  With Nagle's algorithm a frame written while the previous one is not yet
          // acknowledged waits for the browser's delayed acknowledgement, tens of milliseconds.
          std::error_code ignored;
          socket.set_option(tcp::no_delay(true), ignored);
          const tcp::endpoint peer = socket.remote_endpoint(ignored);
          const std::string address = ignored ? std::string() : peer.address().to_string();
          std::shared_ptr<TConnectionBase> connection;
          {
            std::lock_guard guard(ConnectionsLock);
            const bool counted = !TrustedProxy(address, Limits);
            if (static_cast<int>(Connections.size()) < ConnectionCap &&
                (!counted || Budgets.TakeConnection(address))) {
              if (SSL)
                connection = std::make_shared<TConnection<asio::ssl::stream<tcp::socket>>>(
                    *this, address, counted, std::move(socket), *SSL);
              else
                connection = std::make_shared<TConnection<tcp::socket>>(*this, address, counted,
                                                                        std::move(socket));
              Connections.insert(connection);
            }
          }
          if (connection)
            connection->Start();
        } catch (const std::exception& e) {
          std::cerr << "accepting a connection: " << e.what() << '\n';
        }
        Accept();
      }));
}

TFacetServerTCP::TFacetServerTCP(IFacetServerTCPHandler& AHandler,
                                 const TFacetServerLimits& ALimits, TFacetClientBudgets& ABudgets)
    : FImpl(std::make_unique<TImpl>(*this, AHandler, ALimits, ABudgets)) {}

TFacetServerTCP::~TFacetServerTCP() {
  Stop();
}

void TFacetServerTCP::SetRootDirectory(const std::filesystem::path& Value) {
  FImpl->Root = Value;
}

void TFacetServerTCP::InitSSL(const std::string& ACertificateFile,
                              const std::string& APrivateKeyFile) {
  asio::ssl::context context(asio::ssl::context::tls_server);
  // TLS 1.2 and 1.3 only; no client certificates are asked for.
  context.set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                      asio::ssl::context::no_sslv3 | asio::ssl::context::no_tlsv1 |
                      asio::ssl::context::no_tlsv1_1);
  SSL_CTX_set_min_proto_version(context.native_handle(), TLS1_2_VERSION);
  context.set_verify_mode(asio::ssl::verify_none);
  context.use_certificate_chain_file(ACertificateFile);
  context.use_private_key_file(APrivateKeyFile, asio::ssl::context::pem);
  FImpl->SSL.emplace(std::move(context));
}

namespace {

// Raises the soft descriptor limit to the hard one and returns the soft limit now in force.
int RaiseDescriptorLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
    return 1024;
  if (limit.rlim_cur < limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
      limit = raised;
  }
  return limit.rlim_cur > static_cast<rlim_t>(std::numeric_limits<int>::max())
             ? std::numeric_limits<int>::max()
             : static_cast<int>(limit.rlim_cur);
}

} // namespace

void TFacetServerTCP::Start(int APort) {
  if (FImpl->Running)
    return;
  TImpl& impl = *FImpl;
  impl.Limits = impl.Configured;
  const int descriptors = RaiseDescriptorLimit();
  impl.ConnectionCap = std::max(
      1, std::min(impl.Limits.MaxConnections, descriptors - impl.Limits.ReservedDescriptors));
  impl.IO.restart();
  impl.Acceptor.emplace(impl.IO);
  impl.AcceptStrand.emplace(asio::make_strand(impl.IO));
  impl.AcceptPauseTimer.emplace(*impl.AcceptStrand);
  const tcp::endpoint endpoint(tcp::v4(), static_cast<unsigned short>(APort));
  impl.Acceptor->open(endpoint.protocol());
  impl.Acceptor->set_option(tcp::acceptor::reuse_address(true));
  impl.Acceptor->bind(endpoint);
  impl.Acceptor->listen(asio::socket_base::max_listen_connections);
  impl.BoundPort = impl.Acceptor->local_endpoint().port();
  impl.Disk.emplace(1);
  impl.Running = true;
  impl.Work.emplace(impl.IO.get_executor());
  impl.Accept();
  int threads = impl.Limits.IOThreads;
  if (threads <= 0)
    threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  for (int i = 0; i < threads; ++i)
    impl.Threads.emplace_back([&impl] {
      // A handler that throws ends only its own run; the thread goes back to the others.
      for (;;) {
        try {
          impl.IO.run();
          return;
        } catch (const std::exception& e) {
          std::cerr << "I/O thread: " << e.what() << '\n';
        } catch (...) {
          std::cerr << "I/O thread: unknown error\n";
        }
      }
    });
}

void TFacetServerTCP::Stop() {
  TImpl& impl = *FImpl;
  if (!impl.Running)
    return;
  impl.Running = false;
  asio::post(*impl.AcceptStrand, [&impl] {
    std::error_code ignored;
    impl.Acceptor->close(ignored);
    impl.AcceptPauseTimer->cancel();
  });
  CloseAllConnection();
  impl.Work.reset();
  // Closing connections ends their pending operations; what is left runs out on its own.
  for (std::thread& thread : impl.Threads)
    thread.join();
  impl.Threads.clear();
  impl.Disk->join();
  impl.Disk.reset();
  impl.Acceptor.reset();
  impl.AcceptPauseTimer.reset();
  impl.AcceptStrand.reset();
  std::lock_guard guard(impl.ConnectionsLock);
  impl.Connections.clear();
}

bool TFacetServerTCP::Active() const {
  return FImpl->Running;
}

int TFacetServerTCP::Port() const {
  return FImpl->BoundPort;
}

int TFacetServerTCP::ConnectionCap() const {
  return FImpl->ConnectionCap;
}

int TFacetServerTCP::ConnectionCount() const {
  std::lock_guard guard(FImpl->ConnectionsLock);
  return static_cast<int>(FImpl->Connections.size());
}

void TFacetServerTCP::CloseAllConnection() {
  std::vector<std::shared_ptr<TConnectionBase>> connections;
  {
    std::lock_guard guard(FImpl->ConnectionsLock);
    connections.assign(FImpl->Connections.begin(), FImpl->Connections.end());
  }
  for (const auto& connection : connections)
    connection->Disconnect();
}
