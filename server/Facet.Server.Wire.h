#pragma once

// Inside the transport: its shared state, and one connection as its HTTP routes
// (Facet.Server.Routes) and its WebSocket channel (Facet.Server.Channel) see it.  The connection
// itself, reading a request's head, writing and closing, lives in Facet.Server.TCP.cpp.

#include "server/Facet.Server.Metrics.h"
#include "server/Facet.Server.TCP.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

class TFacetChannel;

// One client connection.  Every call is made on the connection's strand, except `Hold`, `Later`
// and the pushes of TFacetWebSocketConnection, which any thread may make.
class IFacetExchange : public TFacetWebSocketConnection {
public:
  // Starts reading the first request (after the TLS handshake, if any).
  virtual void Start() = 0;

  // The request read so far, and the bytes read past its head.
  virtual TFacetHTTPRequest& Request() = 0;
  virtual std::string& Input() = 0;
  virtual const std::shared_ptr<TFacetWebSocketContext>& Context() = 0;
  virtual TFacetServerTCP::TImpl& Server() = 0;
  // Keeps the connection alive for work that finishes later.
  virtual std::shared_ptr<IFacetExchange> Hold() = 0;
  // Runs `AWork` on the strand from any thread; whatever it throws closes this connection only.
  virtual void Later(std::function<void(IFacetExchange&)> AWork) = 0;
  virtual void Log(const char* AWhat) noexcept = 0;

  // Reads more bytes into Input(), then runs `AThen`; a failed read closes the connection.
  virtual void ReadSome(std::function<void()> AThen) = 0;
  // A read or write that takes longer than the limit closes the connection.
  virtual void Arm(std::chrono::milliseconds ALimit) = 0;
  virtual void Disarm() = 0;
  // Writes the whole text, then closes.
  virtual void Answer(std::string AText) = 0;
  // Writes the head and then the body, bytes that `AOwner` keeps; then reads the next request
  // when `AKeepOpen`, else closes.
  virtual void Answer(std::string AHead, std::shared_ptr<const void> AOwner, std::string_view ABody,
                      bool AKeepOpen) = 0;
  // Streams a file after its head, then closes.
  virtual void SendFile(const std::filesystem::path& AFile, const std::string& AMIMEType) = 0;
  virtual void Close() noexcept = 0;

  // The WebSocket: the channel takes over the connection once admitted.
  virtual void OpenChannel() = 0;
  // Queues bytes for writing behind what is queued; the connection closes once `ALast` is written.
  virtual void Queue(std::string ABytes, bool ALast = false) = 0;
  // A last frame is queued, or the connection is closed.
  virtual bool Ending() const = 0;
  // Pushes of other threads may write the socket directly from now on (plain streams only).
  virtual void EnableDirectPushes() = 0;
  virtual asio::any_io_executor Executor() = 0;
};

struct TFacetServerTCP::TImpl {
  TImpl(TFacetServerTCP& AOwner, IFacetServerTCPHandler& AHandler,
        const TFacetServerLimits& ALimits, TFacetClientBudgets& ABudgets, TFacetMetrics& AMetrics)
      : Owner(AOwner), Handler(AHandler), Configured(ALimits), Budgets(ABudgets),
        Metrics(AMetrics) {}

  TFacetServerTCP& Owner;
  IFacetServerTCPHandler& Handler;
  const TFacetServerLimits& Configured;
  // The limits in force, copied from the configured ones when the server starts.
  TFacetServerLimits Limits;
  TFacetClientBudgets& Budgets;
  TFacetMetrics& Metrics;
  int ConnectionCap = 0;
  std::filesystem::path Root = "wwwroot";
  asio::io_context IO;
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> Work;
  std::optional<asio::ip::tcp::acceptor> Acceptor;
  // The listener, its pause and its end are touched on this strand only.
  std::optional<asio::strand<asio::io_context::executor_type>> AcceptStrand;
  std::optional<asio::steady_timer> AcceptPauseTimer;
  std::optional<asio::ssl::context> SSL;
  std::vector<std::thread> Threads;
  // Writes uploaded files, so that no I/O thread waits for a disk.
  std::optional<asio::thread_pool> Disk;
  std::mutex ConnectionsLock;
  std::set<std::shared_ptr<IFacetExchange>> Connections;
  std::atomic<bool> Running = false;
  // Bytes queued for writing on every socket together.
  std::atomic<std::size_t> QueuedOutput = 0;
  int BoundPort = 0;

  void Accept();
  void Forget(const IFacetExchange* AConnection) {
    std::lock_guard guard(ConnectionsLock);
    for (auto it = Connections.begin(); it != Connections.end(); ++it)
      if (it->get() == AConnection) {
        Connections.erase(it);
        return;
      }
  }
};
