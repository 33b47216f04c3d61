#include "server/Facet.Server.TCP.h"

#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"
#include "server/Facet.HTTP.h"
#include "server/Facet.Server.Channel.h"
#include "server/Facet.Server.ClientBudget.h"
#include "server/Facet.Server.FrameQueue.h"
#include "server/Facet.Server.Response.h"
#include "server/Facet.Server.Routes.h"
#include "server/Facet.Server.Wire.h"
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
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

namespace {

using tcp = asio::ip::tcp;

constexpr std::size_t ReadChunk = 16 * 1024;
// How long accepting pauses when the process is out of descriptors.
constexpr std::chrono::milliseconds AcceptPause{100};

// One client connection over a plain or a TLS stream: reading a request's head (its routes answer
// it), writing, and the end of the socket; once admitted, its WebSocket channel reads the frames.
// Everything it does runs on its strand, but for one thing: once its WebSocket is open, a push over
// a plain stream is written by the thread that makes it (a session's worker) when nothing else is
// being written, which spares the push a hand-over to an I/O thread.  The write queue and the end
// of the socket are guarded by a lock for that; nothing is written to the socket once it is closed,
// since its descriptor number may belong to another connection by then.
template <class TStream>
class TConnection final : public IFacetExchange,
                          public std::enable_shared_from_this<TConnection<TStream>> {
public:
  template <class... TArgs>
  TConnection(TFacetServerTCP::TImpl& AServer, std::string APeer, bool ACounted, TArgs&&... AArgs)
      : FServer(AServer), FStream(std::forward<TArgs>(AArgs)...), FTimer(FStream.get_executor()),
        FContext(std::make_shared<TFacetWebSocketContext>()),
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
      Later([](IFacetExchange& AThis) { static_cast<TConnection&>(AThis).WriteNext(); });
      return;
    case TFacetFrameQueue::TPushed::Failed:
      Later([](IFacetExchange& AThis) { AThis.Close(); });
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
        if (self->FChannel)
          self->FChannel->CloseWebSocket(1001);
        else
          self->Close();
      });
    });
  }

  TFacetHTTPRequest& Request() override { return FRequest; }
  std::string& Input() override { return FIn; }
  const std::shared_ptr<TFacetWebSocketContext>& Context() override { return FContext; }
  TFacetServerTCP::TImpl& Server() override { return FServer; }
  std::shared_ptr<IFacetExchange> Hold() override { return this->shared_from_this(); }
  asio::any_io_executor Executor() override { return FStream.get_executor(); }

  void Later(std::function<void(IFacetExchange&)> AWork) override {
    asio::post(FStream.get_executor(),
               [self = this->shared_from_this(), work = std::move(AWork)]() mutable {
                 self->Guarded([&] { work(*self); });
               });
  }

  void Log(const char* AWhat) noexcept override {
    try {
      std::cerr << ("connection from " + FPeer + ": " + AWhat + "\n");
    } catch (...) {
    }
  }

  void ReadSome(std::function<void()> AThen) override {
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

  void Arm(std::chrono::milliseconds ALimit) override {
    FTimer.expires_after(ALimit);
    FTimer.async_wait([weak = this->weak_from_this()](const std::error_code& error) {
      if (error)
        return;
      if (auto self = weak.lock())
        self->Guarded([&] { self->Close(); });
    });
  }

  void Disarm() override { FTimer.cancel(); }

  void Close() noexcept override {
    if (!FOut.Close())
      return;
    std::error_code ignored;
    FTimer.cancel();
    if (FChannel)
      FChannel->Cancel();
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

  void Answer(std::string AText) override {
    auto text = std::make_shared<std::string>(std::move(AText));
    Arm(FServer.Limits.WriteTimeout);
    asio::async_write(FStream, asio::buffer(*text),
                      [self = this->shared_from_this(), text](const std::error_code&, size_t) {
                        self->Guarded([&] { self->Close(); });
                      });
  }

  void Answer(std::string AHead, std::shared_ptr<const void> AOwner, std::string_view ABody,
              bool AKeepOpen) override {
    auto head = std::make_shared<std::string>(std::move(AHead));
    Arm(FServer.Limits.WriteTimeout);
    const std::array<asio::const_buffer, 2> buffers = {asio::buffer(*head),
                                                       asio::buffer(ABody.data(), ABody.size())};
    asio::async_write(FStream, buffers,
                      [self = this->shared_from_this(), head, owner = std::move(AOwner),
                       AKeepOpen](const std::error_code& error, size_t) {
                        self->Guarded([&] {
                          if (error || !AKeepOpen) {
                            self->Close();
                            return;
                          }
                          // The next request on the same connection, within the read limit.
                          self->FRequest = TFacetHTTPRequest();
                          self->Arm(self->FServer.Limits.ReadTimeout);
                          self->ReadHead();
                        });
                      });
  }

  void SendFile(const std::filesystem::path& AFile, const std::string& AMIMEType) override {
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

  void OpenChannel() override {
    FChannel.emplace(*this);
    FChannel->Open();
  }

  void Queue(std::string AFrame, bool ALast = false) override {
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

  bool Ending() const override { return FOut.Ending(); }

  void EnableDirectPushes() override {
    if constexpr (std::is_same_v<TStream, tcp::socket>)
      FOut.EnableDirectPushes();
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

  void GiveBudget() noexcept {
    if (!std::exchange(FCounted, false))
      return;
    try {
      FServer.Budgets.GiveConnection(FPeer);
    } catch (...) {
    }
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
    FRequest.Header.Secure =
        FServer.SSL.has_value() || (TrustedProxy(FPeer, FServer.Limits) &&
                                    SameText(Trim(FRequest.Header.ForwardedProto), "https"));
    FIn.erase(0, headEnd);
    RouteRequest(*this);
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
  std::shared_ptr<TFacetWebSocketContext> FContext;
  TFacetHTTPRequest FRequest;
  std::string FIn;
  // The WebSocket, once admitted.
  std::optional<TFacetChannel> FChannel;
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
          std::shared_ptr<IFacetExchange> connection;
          {
            std::lock_guard guard(ConnectionsLock);
            const bool counted = !TrustedProxy(address, Limits);
            const bool room = static_cast<int>(Connections.size()) < ConnectionCap;
            if (!room)
              Metrics.CountRefusal(TFacetRefusal::ConnectionCap);
            else if (counted && !Budgets.TakeConnection(address))
              Metrics.CountRefusal(TFacetRefusal::ConnectionsPerAddress);
            else {
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
                                 const TFacetServerLimits& ALimits, TFacetClientBudgets& ABudgets,
                                 TFacetMetrics& AMetrics)
    : FImpl(std::make_unique<TImpl>(*this, AHandler, ALimits, ABudgets, AMetrics)) {}

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
  // A file that cannot be used (a key that is not the certificate's included) stops the start with
  // a message that names it: a server asked for TLS never serves plain HTTP instead.
  const auto use = [](const std::string& AWhat, const std::string& AFile, auto AUse) {
    std::error_code error;
    AUse(error);
    if (error)
      throw Exception("TLS is on but the " + AWhat + " \"" + AFile +
                      "\" cannot be used: " + error.message());
  };
  use("certificate file", ACertificateFile,
      [&](std::error_code& e) { context.use_certificate_chain_file(ACertificateFile, e); });
  use("private key file", APrivateKeyFile, [&](std::error_code& e) {
    context.use_private_key_file(APrivateKeyFile, asio::ssl::context::pem, e);
  });
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
  std::vector<std::shared_ptr<IFacetExchange>> connections;
  {
    std::lock_guard guard(FImpl->ConnectionsLock);
    connections.assign(FImpl->Connections.begin(), FImpl->Connections.end());
  }
  for (const auto& connection : connections)
    connection->Disconnect();
}
