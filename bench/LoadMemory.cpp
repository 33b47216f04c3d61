// Memory a session costs in Vozmira's web program: the growth of the server's resident memory
// (VmRSS of /proc/PID/status) over many sessions, divided by their number.
//
//   bench_load_memory PATH/TO/vozmira-web [--sessions 1000] [--small 100]
//                     [--only login|working] [--settle-seconds 5]
//
// login:   sessions with the login page loaded and its WebSocket open.
// working: sessions logged in (as pelix) and idle on the dashboard, each with its data module;
//          measured over --small sessions and over --sessions sessions.
// Each measurement runs on a fresh server and a fresh database.  A few sessions are opened
// before the first reading, so that what the first session loads once for all (code, page
// templates, the database engine's caches) is not counted against the others.

#include "LoadClient.h"

#include <cstdio>
#include <iostream>

using namespace duoload;
using namespace std::chrono_literals;

namespace {

constexpr int WarmUpSessions = 10;
const std::string User = "pelix";
constexpr TDuration StepTimeout = 120s;

struct TMeasure {
  int Sessions = 0;
  long Before = 0;
  long After = 0;
  double PerSession() const { return Sessions > 0 ? double(After - Before) / Sessions : 0; }
};

// Opens `ACount` sessions, logged in when `AWorking`, at most `AParallel` at a time.
TTask<std::vector<std::shared_ptr<TBrowser>>> Sessions(TEndpoint AServer, int ACount, bool AWorking,
                                                       TFaults& AFaults) {
  std::vector<std::shared_ptr<TBrowser>> browsers =
      co_await OpenBrowsers(AServer, ACount, 8, StepTimeout, AFaults);
  if (!AWorking)
    co_return browsers;
  const asio::any_io_executor executor = co_await asio::this_coro::executor;
  TWaitGroup group(executor);
  std::size_t next = 0;
  std::vector<std::shared_ptr<TBrowser>> working;
  for (int worker = 0; worker < 8; ++worker) {
    group.Add();
    asio::co_spawn(
        executor,
        [&]() -> TTask<void> {
          while (next < browsers.size()) {
            std::shared_ptr<TBrowser> browser = browsers[next++];
            try {
              co_await LogIn(*browser, User, User, StepTimeout);
              working.push_back(browser);
            } catch (const TLoadError& error) {
              AFaults.Add(error);
            }
          }
          group.Done();
        },
        asio::detached);
  }
  co_await group.Wait();
  co_return working;
}

TMeasure Measure(const std::string& ABinary, int ACount, bool AWorking, double ASettle,
                 TFaults& AFaults) {
  TTempFolder folder("duo-load-memory");
  TServerProcess server({ABinary, folder.Path(), {}, 300s});
  TMeasure measure;
  const TDuration settle =
      std::chrono::duration_cast<TDuration>(std::chrono::duration<double>(ASettle));
  RunTask([&](asio::io_context&) -> TTask<void> {
    std::vector<std::shared_ptr<TBrowser>> warm =
        co_await Sessions(server.Endpoint(), WarmUpSessions, AWorking, AFaults);
    co_await Sleep(settle);
    measure.Before = server.RSSKilobytes();
    std::vector<std::shared_ptr<TBrowser>> browsers =
        co_await Sessions(server.Endpoint(), ACount, AWorking, AFaults);
    measure.Sessions = static_cast<int>(browsers.size());
    co_await Sleep(settle);
    measure.After = server.RSSKilobytes();
    std::printf("%s, %d sessions: resident %.1f MB before, %.1f MB after, %d threads\n",
                AWorking ? "working" : "login page", measure.Sessions, measure.Before / 1024.0,
                measure.After / 1024.0, server.Threads());
    std::fflush(stdout);
    for (const auto& browser : browsers)
      co_await browser->Socket.CloseOrderly();
    for (const auto& browser : warm)
      co_await browser->Socket.CloseOrderly();
  });
  if (!server.Stop())
    AFaults.Add(
        TLoadError(TFault::Closed, "the server did not stop in order: " + server.HowItEnded() +
                                       "\n" + server.ErrorOutputTail()));
  return measure;
}

} // namespace

int main(int argc, char** argv) {
  const TArguments arguments(argc, argv);
  if (arguments.Positional.empty()) {
    std::cerr << "usage: bench_load_memory PATH/TO/vozmira-web [--sessions 1000] [--small 100] "
                 "[--only login|working] [--settle-seconds 5]\n";
    return 2;
  }
  const std::string binary = arguments.Positional[0];
  const int sessions = static_cast<int>(arguments.Number("sessions", 1000));
  const int small = static_cast<int>(arguments.Number("small", 100));
  const double settle = arguments.Real("settle-seconds", 5);
  const std::string only = arguments.Options.count("only") ? arguments.Options.at("only") : "";
  RaiseFileLimit();
  TFaults faults;
  if (only.empty() || only == "login") {
    const TMeasure login = Measure(binary, sessions, false, settle, faults);
    PrintFigure("memory, login page, " + std::to_string(login.Sessions) + " sessions",
                login.PerSession(), "KB a session", "<= 250", login.PerSession() <= 250);
  }
  if (only.empty() || only == "working") {
    for (const int count : {small, sessions}) {
      const TMeasure working = Measure(binary, count, true, settle, faults);
      PrintFigure("memory, working on the dashboard, " + std::to_string(working.Sessions) +
                      " sessions",
                  working.PerSession(), "KB a session", "<= 500", working.PerSession() <= 500);
    }
  }
  std::printf("faults: %s\n", faults.Summary().c_str());
  return faults.Total() == 0 ? 0 : 1;
}
