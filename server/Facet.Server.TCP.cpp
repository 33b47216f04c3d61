#include "server/Facet.Server.TCP.h"

#include "runtime/StrUtils.h"
#include "server/Facet.HTTP.h"
#include "server/Facet.Multipart.h"
#include "server/Facet.Server.Message.h"
#include "server/Facet.Server.Paths.h"
#include "server/Facet.WebSocket.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <deque>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <thread>
#include <utility>

namespace {

using tcp = asio::ip::tcp;

constexpr const char* CRLF = "\r\n";
constexpr std::size_t ReadChunk = 16 * 1024;
// A client that does not read its pushes is dropped before they pile up without end.
constexpr std::size_t MaxQueuedBytes = 8 * 1024 * 1024;

std::string ClosingLines() {
  return std::string("Connection: Close") + CRLF + "Server: FacetServer with Duo Framework Server" +
         CRLF + CRLF;
}

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
        const TFacetServerLimits& ALimits)
      : Owner(AOwner), Handler(AHandler), Limits(ALimits) {}

  TFacetServerTCP& Owner;
  IFacetServerTCPHandler& Handler;
  const TFacetServerLimits& Limits;
  std::filesystem::path Root = "wwwroot";
  asio::io_context IO;
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> Work;
  std::optional<tcp::acceptor> Acceptor;
  std::optional<asio::ssl::context> SSL;
  std::vector<std::thread> Threads;
  std::mutex ConnectionsLock;
  std::set<std::shared_ptr<TConnectionBase>> Connections;
  std::atomic<bool> Running = false;
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
// for that.
template <class TStream>
class TConnection : public TConnectionBase,
                    public std::enable_shared_from_this<TConnection<TStream>> {
public:
  template <class... TArgs>
  TConnection(TFacetServerTCP::TImpl& AServer, TArgs&&... AArgs)
      : FServer(AServer), FStream(std::forward<TArgs>(AArgs)...), FTimer(FStream.get_executor()),
        FContext(std::make_shared<TFacetWebSocketContext>()),
        FFrames(AServer.Limits.MaxMessageBytes), FSocketHandle(Socket().native_handle()) {}

  void Start() override {
    asio::dispatch(FStream.get_executor(), [self = this->shared_from_this()] {
      self->Arm(self->FServer.Limits.ReadTimeout);
      if constexpr (std::is_same_v<TStream, tcp::socket>) {
        self->ReadHead();
      } else {
        self->FStream.async_handshake(asio::ssl::stream_base::server,
                                      [self](const std::error_code& error) {
                                        if (error)
                                          self->Close();
                                        else
                                          self->ReadHead();
                                      });
      }
    });
  }

  void SendText(std::string AMessage) override {
    if (AMessage.empty())
      return;
    std::string frame = EncodeTextFrame(AMessage);
    if (PushDirectly(frame))
      return;
    asio::post(FStream.get_executor(),
               [self = this->shared_from_this(), frame = std::move(frame)]() mutable {
                 self->Queue(std::move(frame));
               });
  }

  void Disconnect() override {
    asio::post(FStream.get_executor(), [self = this->shared_from_this()] {
      if (self->FWebSocket)
        self->CloseWebSocket(1001);
      else
        self->Close();
    });
  }

private:
  auto& Socket() {
    if constexpr (std::is_same_v<TStream, tcp::socket>)
      return FStream;
    else
      return FStream.lowest_layer();
  }

  // A read or write that takes longer than the limit closes the connection.
  void Arm(std::chrono::milliseconds ALimit) {
    FTimer.expires_after(ALimit);
    FTimer.async_wait([weak = this->weak_from_this()](const std::error_code& error) {
      if (error)
        return;
      if (auto self = weak.lock())
        self->Close();
    });
  }

  void Disarm() { FTimer.cancel(); }

  void Close() {
    {
      std::lock_guard guard(FSendLock);
      if (FClosed)
        return;
      FClosed = true;
    }
    Disarm();
    std::error_code ignored;
    Socket().shutdown(tcp::socket::shutdown_both, ignored);
    Socket().close(ignored);
    if (FContext->Established) {
      FContext->Established = false;
      try {
        FServer.Handler.WebSocketClosed(FContext, this);
      } catch (const std::exception& e) {
        std::cerr << "closing a WebSocket: " << e.what() << '\n';
      }
    }
    FContext->FacetSession = nullptr;
    FServer.Forget(this);
  }

  // ---- reading a request

  void ReadSome(std::function<void()> AThen) {
    auto buffer = std::make_shared<std::array<char, ReadChunk>>();
    FStream.async_read_some(asio::buffer(*buffer),
                            [self = this->shared_from_this(), buffer,
                             then = std::move(AThen)](const std::error_code& error, size_t n) {
                              if (error) {
                                self->Close();
                                return;
                              }
                              self->FIn.append(buffer->data(), n);
                              then();
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
        ParseHTTPHead(std::string_view(FIn).substr(0, headEnd),
                      error ? std::string() : peer.address().to_string(), error ? 0 : peer.port());
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
      Answer(std::string("HTTP/1.1 401 Unauthorized") + CRLF + ClosingLines());
      return;
    }
    std::string cookies;
    if (SameText(Query(header, "reloadpage"), "true")) {
      const std::string path = header.PathWithoutParams();
      const std::string folder = path.substr(0, path.find_last_of('/') + 1);
      for (const auto& [name, value] : {std::pair<const char*, std::string>{"Duo_Token", token},
                                        {"Duo_FacetSession", uuid},
                                        {"Duo_ReloadPage", "true"}})
        cookies += std::string("Set-Cookie: ") + name + "=" + value + "; path=" + folder + CRLF;
    }
    Answer(std::string("HTTP/1.1 202 Accepted") + CRLF + cookies + ClosingLines());
  }

  // Writes the whole text, then closes.
  void Answer(std::string AText) {
    auto text = std::make_shared<std::string>(std::move(AText));
    Arm(FServer.Limits.WriteTimeout);
    asio::async_write(
        FStream, asio::buffer(*text),
        [self = this->shared_from_this(), text](const std::error_code&, size_t) { self->Close(); });
  }

  void Page() {
    const TFacetHTTPHeader& header = FRequest.Header;
    std::string head = std::string("HTTP/1.1 200 OK") + CRLF;
    std::string status = "200 OK";
    std::string lines = "Content-Type: text/html; charset=UTF-8" + std::string(CRLF) +
                        "Connection: Close" + CRLF +
                        "Server: FacetServer with Duo Framework Server" + CRLF;
    if (header.ReloadPage) {
      const std::string path = header.PathWithoutParams();
      for (const char* cookie : {"Duo_Token", "Duo_FacetSession", "Duo_ReloadPage"})
        lines += std::string("Set-Cookie: ") + cookie +
                 "=; expires=Thu, 01 Jan 1970 00:00:00 UTC; path=" + path + CRLF;
      FContext->Token = header.Token;
      FContext->FacetSessionUUID = header.FacetSession;
      FServer.Handler.DropSessionSockets(header.Token, header.FacetSession);
    }
    Disarm();
    FServer.Handler.GetHTML(
        FRequest, FContext,
        [self = this->shared_from_this(), lines](TFacetHTTPResponse AResponse) mutable {
          asio::post(self->FStream.get_executor(), [self, lines, response = std::move(AResponse)] {
            self->Answer("HTTP/1.1 " + response.StatusCode + CRLF + lines + CRLF +
                         response.Content);
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
      Answer(std::string("HTTP/1.1 200 OK") + CRLF + "Content-Type: " + answer.MIMEType +
             "; charset=UTF-8" + CRLF + ClosingLines() + *answer.Content);
    else if (!answer.RedirectURL.empty())
      Answer(std::string("HTTP/1.1 302 Found") + CRLF + "Connection: Close" + CRLF +
             "Location: " + answer.RedirectURL + CRLF +
             "Server: FacetServer with Duo Framework Server" + CRLF + CRLF);
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
    auto text = std::make_shared<std::string>(std::string("HTTP/1.1 200 OK") + CRLF +
                                              "Content-Type: " + AMIMEType + "; charset=UTF-8" +
                                              CRLF + ClosingLines());
    Arm(FServer.Limits.WriteTimeout);
    asio::async_write(
        FStream, asio::buffer(*text),
        [self = this->shared_from_this(), text, file](const std::error_code& error, size_t) {
          if (error)
            self->Close();
          else
            self->SendFileChunk(file);
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
          if (error)
            self->Close();
          else
            self->SendFileChunk(AFile);
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
            asio::post(self->FStream.get_executor(), [self, post, response = std::move(AResponse)] {
              if (response.Content.empty() && !(post && !response.Error)) {
                self->Close();
                return;
              }
              self->Answer("HTTP/1.1 " + response.StatusCode + CRLF +
                           "Content-Type: " + response.ContentType + "; charset=UTF-8" + CRLF +
                           ClosingLines() + response.Content);
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

  // ---- uploads, streamed to the session's folder

  class TUploadSink : public IMultipartSink {
  public:
    explicit TUploadSink(std::filesystem::path AFolder) : FFolder(std::move(AFolder)) {}
    ~TUploadSink() override {
      if (!FKeep)
        for (const std::filesystem::path& file : Files) {
          std::error_code ignored;
          std::filesystem::remove(file, ignored);
        }
    }
    bool BeginPart(const std::string& fileName) override {
      const std::string name = SanitizeUploadName(fileName);
      if (name.empty())
        return false;
      FFile.emplace(CreateUniqueFile(FFolder, name));
      Files.push_back(FFile->Path());
      return true;
    }
    void PartData(std::string_view bytes) override { FFile->Write(bytes); }
    void EndPart() override {
      FFile->Close();
      FFile.reset();
    }
    void Keep() { FKeep = true; }
    std::vector<std::filesystem::path> Files;

  private:
    std::filesystem::path FFolder;
    std::optional<TCreatedFile> FFile;
    bool FKeep = false;
  };

  void Upload() {
    const TFacetHTTPHeader& header = FRequest.Header;
    const std::optional<uint64_t> length = ParseContentLength(header.ContentLength);
    if (header.Boundary.empty() || !length || *length == 0 ||
        *length > FServer.Limits.MaxUploadBytes) {
      Close();
      return;
    }
    const std::optional<std::filesystem::path> folder = FServer.Handler.UploadFolder(FRequest);
    if (!folder) {
      Close();
      return;
    }
    auto sink = std::make_shared<TUploadSink>(*folder);
    auto reader = std::make_shared<TMultipartReader>(header.Boundary, *sink);
    ContinueUpload(sink, reader, static_cast<size_t>(*length));
  }

  void ContinueUpload(const std::shared_ptr<TUploadSink>& ASink,
                      const std::shared_ptr<TMultipartReader>& AReader, size_t ALeft) {
    const size_t take = std::min(ALeft, FIn.size());
    AReader->Feed(std::string_view(FIn).substr(0, take));
    FIn.erase(0, take);
    ALeft -= take;
    if (AReader->Failed()) {
      Close();
      return;
    }
    if (ALeft > 0) {
      ReadSome([this, ASink, AReader, ALeft] { ContinueUpload(ASink, AReader, ALeft); });
      return;
    }
    if (!AReader->Finish()) {
      Close();
      return;
    }
    ASink->Keep();
    Disarm();
    FServer.Handler.UploadDone(FRequest, ASink->Files, [self = this->shared_from_this()] {
      asio::post(self->FStream.get_executor(),
                 [self] { self->Answer(std::string("HTTP/1.1 200 OK") + CRLF + ClosingLines()); });
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
    {
      std::lock_guard guard(FSendLock);
      FPushesDirect = true;
    }
    // Bytes the browser sent right behind its handshake are its first frames.
    FFrames.Feed(FIn);
    FIn.clear();
    ReadFrames();
  }

  void ReadFrames() {
    while (std::optional<TWebSocketEvent> event = FFrames.Next()) {
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
    if (FClosed || FClosing)
      return;
    auto buffer = std::make_shared<std::array<char, ReadChunk>>();
    FStream.async_read_some(asio::buffer(*buffer), [self = this->shared_from_this(), buffer](
                                                       const std::error_code& error, size_t n) {
      if (error) {
        self->Close();
        return;
      }
      self->FFrames.Feed(std::string_view(buffer->data(), n));
      self->ReadFrames();
    });
  }

  void Dispatch(const std::string& AText) {
    try {
      const TFacetWebSocketMessage message = ParseWebSocketMessage(AText);
      if (FServer.Limits.LogMessages)
        std::clog << RedactMessageForLog(message) << '\n';
      FServer.Handler.ReceiveMessage(message, FContext,
                                     [weak = this->weak_from_this()](std::string AReply) {
                                       if (auto self = weak.lock())
                                         self->SendText(std::move(AReply));
                                     });
    } catch (const std::exception& e) {
      std::cerr << "WebSocket message: " << e.what() << '\n';
    }
  }

  // Answers with a close frame and closes once it is written.
  void CloseWebSocket(std::uint16_t ACode) {
    if (FClosing || FClosed)
      return;
    Queue(EncodeCloseFrame(ACode), true);
  }

  // Queues a frame for writing; the connection closes once `ALast` is written.
  void Queue(std::string AFrame, bool ALast = false) {
    bool overflow = false;
    {
      std::lock_guard guard(FSendLock);
      if (FClosed || FClosing)
        return;
      if (!Enqueue(std::move(AFrame))) {
        overflow = true;
      } else {
        FClosing = ALast;
        if (FWriting)
          return;
        FWriting = true;
      }
    }
    if (overflow)
      Close();
    else
      WriteNext();
  }

  // Adds a frame to the queue, within the limit of queued bytes; false when over it.  Called
  // with FSendLock held.
  bool Enqueue(std::string AFrame) {
    FQueuedBytes += AFrame.size();
    if (FQueuedBytes > MaxQueuedBytes)
      return false;
    FOut.push_back(std::move(AFrame));
    return true;
  }

  // Writes the queue out, on the strand, with FWriting set: what the socket takes now at once,
  // the rest with a completion and the write timer.
  void WriteNext() {
    std::unique_lock guard(FSendLock);
    const bool failed = !WriteAtOnce();
    if (failed || FClosed) {
      guard.unlock();
      Close();
      return;
    }
    if (FOut.empty()) {
      FWriting = false;
      const bool closing = FClosing;
      guard.unlock();
      Disarm();
      if (closing)
        Close();
      return;
    }
    // Only this writer takes frames off the front; pushes add theirs at the back meanwhile,
    // which leaves the front frame where it is.
    const asio::const_buffer front = asio::buffer(FOut.front());
    guard.unlock();
    Arm(FServer.Limits.WriteTimeout);
    asio::async_write(FStream, front,
                      [self = this->shared_from_this()](const std::error_code& error, size_t) {
                        if (error) {
                          self->Close();
                          return;
                        }
                        {
                          std::lock_guard guard(self->FSendLock);
                          self->FQueuedBytes -= self->FOut.front().size();
                          self->FOut.pop_front();
                        }
                        self->WriteNext();
                      });
  }

  // Writes queued frames while the socket takes them without waiting (plain streams only;
  // encrypted ones always wait).  False when the socket failed.  Called with FSendLock held.
  bool WriteAtOnce() {
    while (!FOut.empty()) {
      std::string& frame = FOut.front();
      const std::optional<size_t> written = SendNow(frame);
      if (!written)
        return false;
      FQueuedBytes -= *written;
      if (*written < frame.size()) {
        frame.erase(0, *written);
        return true;
      }
      FOut.pop_front();
    }
    return true;
  }

  // Sends what the socket takes of `AData` without waiting: the count sent (0 when it takes
  // nothing now or the stream is encrypted), nothing when the socket failed.  Called with
  // FSendLock held, never after the socket was closed.
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

  // A push from any thread once the WebSocket is open over a plain stream: written at once when
  // nothing else is being written and the socket takes it, else queued behind the frame being
  // written (and the strand told when the queue was idle).  False when the push must go through
  // the strand: the handshake's answer is not queued yet, or the stream is encrypted.
  bool PushDirectly(std::string& AFrame) {
    if constexpr (!std::is_same_v<TStream, tcp::socket>) {
      return false;
    } else {
      std::unique_lock guard(FSendLock);
      if (!FPushesDirect)
        return false;
      if (FClosed || FClosing)
        return true;
      bool failed = false;
      if (!FWriting) {
        const std::optional<size_t> sent = SendNow(AFrame);
        if (sent && *sent == AFrame.size())
          return true;
        if (sent)
          AFrame.erase(0, *sent);
        failed = !sent;
      }
      if (!failed && !Enqueue(std::move(AFrame)))
        failed = true;
      if (!failed && FWriting)
        return true;
      if (!failed)
        FWriting = true;
      guard.unlock();
      asio::post(FStream.get_executor(), [self = this->shared_from_this(), failed] {
        if (failed)
          self->Close();
        else
          self->WriteNext();
      });
      return true;
    }
  }

  TFacetServerTCP::TImpl& FServer;
  TStream FStream;
  asio::steady_timer FTimer;
  std::shared_ptr<TFacetWebSocketContext> FContext;
  TFacetHTTPRequest FRequest;
  std::string FIn;
  TWebSocketFrameReader FFrames;
  bool FWebSocket = false;
  // Guards what follows: written on the strand and, for pushes, by the threads that make them.
  std::mutex FSendLock;
  std::deque<std::string> FOut;
  size_t FQueuedBytes = 0;
  // The strand's writer owns the queue: set from when it is asked to write until the queue is
  // empty again.  A push writes at once, under the lock, only while it is clear.
  bool FWriting = false;
  bool FClosing = false;
  bool FClosed = false;
  // Pushes may be written by the threads that make them: the WebSocket is open over a plain
  // stream and the handshake's answer is queued.
  bool FPushesDirect = false;
  const int FSocketHandle;
};

} // namespace

void TFacetServerTCP::TImpl::Accept() {
  Acceptor->async_accept(
      asio::make_strand(IO), [this](const std::error_code& error, tcp::socket socket) {
        if (error) {
          if (Running)
            Accept();
          return;
        }
        // Pushes are small frames written one after another (a page's changes, then the
        // unlock).  With Nagle's algorithm a frame written while the previous one is not yet
        // acknowledged waits for the browser's delayed acknowledgement, tens of milliseconds.
        std::error_code ignored;
        socket.set_option(tcp::no_delay(true), ignored);
        std::shared_ptr<TConnectionBase> connection;
        {
          std::lock_guard guard(ConnectionsLock);
          if (static_cast<int>(Connections.size()) < Limits.MaxConnections) {
            if (SSL)
              connection = std::make_shared<TConnection<asio::ssl::stream<tcp::socket>>>(
                  *this, std::move(socket), *SSL);
            else
              connection = std::make_shared<TConnection<tcp::socket>>(*this, std::move(socket));
            Connections.insert(connection);
          }
        }
        if (connection)
          connection->Start();
        Accept();
      });
}

TFacetServerTCP::TFacetServerTCP(IFacetServerTCPHandler& AHandler,
                                 const TFacetServerLimits& ALimits)
    : FImpl(std::make_unique<TImpl>(*this, AHandler, ALimits)) {}

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

void TFacetServerTCP::Start(int APort) {
  if (FImpl->Running)
    return;
  TImpl& impl = *FImpl;
  impl.IO.restart();
  impl.Acceptor.emplace(impl.IO);
  const tcp::endpoint endpoint(tcp::v4(), static_cast<unsigned short>(APort));
  impl.Acceptor->open(endpoint.protocol());
  impl.Acceptor->set_option(tcp::acceptor::reuse_address(true));
  impl.Acceptor->bind(endpoint);
  impl.Acceptor->listen(asio::socket_base::max_listen_connections);
  impl.BoundPort = impl.Acceptor->local_endpoint().port();
  impl.Running = true;
  impl.Work.emplace(impl.IO.get_executor());
  impl.Accept();
  int threads = impl.Limits.IOThreads;
  if (threads <= 0)
    threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  for (int i = 0; i < threads; ++i)
    impl.Threads.emplace_back([&impl] { impl.IO.run(); });
}

void TFacetServerTCP::Stop() {
  TImpl& impl = *FImpl;
  if (!impl.Running)
    return;
  impl.Running = false;
  asio::post(impl.IO, [&impl] {
    std::error_code ignored;
    impl.Acceptor->close(ignored);
  });
  CloseAllConnection();
  impl.Work.reset();
  // Closing connections ends their pending operations; what is left runs out on its own.
  for (std::thread& thread : impl.Threads)
    thread.join();
  impl.Threads.clear();
  impl.Acceptor.reset();
  std::lock_guard guard(impl.ConnectionsLock);
  impl.Connections.clear();
}

bool TFacetServerTCP::Active() const {
  return FImpl->Running;
}

int TFacetServerTCP::Port() const {
  return FImpl->BoundPort;
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
