#pragma once

// What the server has done since it started, for a monitor: counters, a histogram of how long
// events take, and gauges read when asked (sessions, connections, whatever the application adds),
// written in the Prometheus text format.  Counting is lock-free; any thread may count.

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Why a request, a connection or a login was refused.
enum class TFacetRefusal {
  ConnectionCap,         // the server holds as many connections as it may
  ConnectionsPerAddress, // the address holds its share of connections
  SessionsPerAddress,    // the address holds its share of anonymous sessions
  NewSessionsPerAddress, // the address starts sessions faster than its allowance
  SessionTableFull,      // no session could be made room for
  UploadRefused,         // an upload the page did not ask for
  UploadTooLarge,        // an upload over its quota
  BadRequest,            // a request that could not be read
  LoginThrottled,        // a login refused unchecked after failed attempts
  MetricsForbidden,      // metrics asked for from an address that may not read them
};
constexpr std::size_t FacetRefusalCount =
    static_cast<std::size_t>(TFacetRefusal::MetricsForbidden) + 1;

class TFacetMetrics {
public:
  using TClock = std::chrono::steady_clock;

  void CountRefusal(TFacetRefusal AReason);
  void CountSessionStarted();
  void CountEvent(TClock::duration ATook);
  void CountCallBack();
  void CountPush();
  void CountUpload(int AFiles, std::uint64_t ABytes);

  // A value read when the metrics are written: a gauge of the application's (its database
  // attachments) or of the server's own state.  `AName` is a metric name, with labels when
  // several gauges of one name are added one after another (`AHelp`, one line, is the first's).
  void AddGauge(std::string AName, std::string AHelp, std::function<double()> ARead);

  // Every metric in the Prometheus text exposition format (version 0.0.4).
  std::string Text() const;

  // Times one event from its arrival to the end of its handling.
  class TEventClock {
  public:
    TEventClock(TFacetMetrics& AMetrics, TClock::time_point AArrived)
        : FMetrics(AMetrics), FArrived(AArrived) {}
    ~TEventClock() { FMetrics.CountEvent(TClock::now() - FArrived); }
    TEventClock(const TEventClock&) = delete;
    TEventClock& operator=(const TEventClock&) = delete;

  private:
    TFacetMetrics& FMetrics;
    TClock::time_point FArrived;
  };

  // The histogram's upper bounds in seconds (the last bucket, +Inf, is implied).
  static constexpr std::array<double, 11> EventBuckets = {0.001, 0.0025, 0.005, 0.01, 0.025, 0.05,
                                                          0.1,   0.25,   0.5,   1,    2.5};

private:
  struct TGauge {
    std::string Name;
    std::string Help;
    std::function<double()> Read;
  };

  std::array<std::atomic<std::uint64_t>, FacetRefusalCount> FRefusals{};
  std::atomic<std::uint64_t> FSessionsStarted = 0;
  std::array<std::atomic<std::uint64_t>, EventBuckets.size() + 1> FEventBuckets{};
  std::atomic<std::uint64_t> FEventMicroseconds = 0;
  std::atomic<std::uint64_t> FCallBacks = 0;
  std::atomic<std::uint64_t> FPushes = 0;
  std::atomic<std::uint64_t> FUploadFiles = 0;
  std::atomic<std::uint64_t> FUploadBytes = 0;
  mutable std::mutex FGaugesLock;
  std::vector<TGauge> FGauges;
};
