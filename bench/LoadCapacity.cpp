// Capacity: sessions that each click the test form's btnRead once every two seconds (at a
// random phase), in steps of more sessions, until the 99th percentile of the round trip passes
// 200 ms or a reply is lost; the figure is the largest count that stayed within.
//
//   bench_load_capacity PATH/TO/duo_test_server [--start 1000] [--step 1000] [--max 18000]
//                       [--interval-ms 2000] [--window-seconds 20] [--limit-ms 200]
//                       [--slow-ms 0]
//
// With --slow-ms, each step also lists when the round trips slower than that started, by tenth
// of a second of the window, to tell a stall of everything from slow events spread out.
// The server is started with limits above the largest step (its defaults are 5,000 sessions
// and 10,000 connections).  The client runs on one thread; its own CPU share is printed with
// each step, so that a client at its limit is not mistaken for the server's.

#include "LoadClient.h"

#include <sys/resource.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <random>

using namespace duoload;
using namespace std::chrono_literals;

namespace {

constexpr TDuration ReplyTimeout = 30s;

double OwnCPUSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct TRun {
  TDuration Interval;
  bool Stopping = false;
  // Round trips that start while a window is open are counted in it.
  TLatencies* Window = nullptr;
  TClock::time_point WindowStart;
  // Round trips of the window over --slow-ms: when they started (seconds into the window).
  double SlowMs = 0;
  std::vector<std::pair<double, double>> Slow;
  TFaults Faults;
  std::uint64_t Events = 0;
};

// One session's clicks, until the run stops.
TTask<void> Clicks(std::shared_ptr<TBrowser> ABrowser, int AIndex, TRun& ARun, TDuration APhase) {
  std::uint64_t counter = 0;
  const std::string eventID = ABrowser->Page.EventID("btnRead");
  TClock::time_point next = TClock::now() + APhase;
  try {
    while (!ARun.Stopping) {
      const TDuration wait = next - TClock::now();
      if (wait > TDuration::zero())
        co_await Sleep(wait);
      next += ARun.Interval;
      if (ARun.Stopping)
        break;
      const std::string name = "C" + std::to_string(AIndex) + "x" + std::to_string(++counter);
      const std::string message =
          EventMessage(ABrowser->Page, "btnRead", eventID, TestFormStates(name), true);
      TLatencies* window = ARun.Window;
      const TClock::time_point start = TClock::now();
      co_await ABrowser->Socket.Send(message, ReplyTimeout);
      co_await ABrowser->Socket.WaitFor(name + "|", ReplyTimeout);
      ++ARun.Events;
      if (window != nullptr && window == ARun.Window) {
        const TDuration took = TClock::now() - start;
        window->Add(took);
        const double ms = std::chrono::duration<double, std::milli>(took).count();
        if (ARun.SlowMs > 0 && ms > ARun.SlowMs)
          ARun.Slow.emplace_back(std::chrono::duration<double>(start - ARun.WindowStart).count(),
                                 ms);
      }
    }
    co_await ABrowser->Socket.CloseOrderly();
  } catch (const TLoadError& error) {
    ARun.Faults.Add(error);
  }
}

} // namespace

int main(int argc, char** argv) {
  const TArguments arguments(argc, argv);
  if (arguments.Positional.empty()) {
    std::cerr << "usage: bench_load_capacity PATH/TO/duo_test_server [--start 1000] [--step "
                 "1000] [--max 18000] [--interval-ms 2000] [--window-seconds 20] [--limit-ms "
                 "200]\n";
    return 2;
  }
  const int start = static_cast<int>(arguments.Number("start", 1000));
  const int step = static_cast<int>(arguments.Number("step", 1000));
  const long files = RaiseFileLimit();
  const int most = static_cast<int>(std::min<long>(arguments.Number("max", 18000), files - 200));
  const TDuration window = std::chrono::duration_cast<TDuration>(
      std::chrono::duration<double>(arguments.Real("window-seconds", 20)));
  const double limit = arguments.Real("limit-ms", 200);
  TRun run;
  run.Interval = std::chrono::milliseconds(arguments.Number("interval-ms", 2000));
  run.SlowMs = arguments.Real("slow-ms", 0);

  TTempFolder folder("duo-load-capacity");
  const std::string ceiling = std::to_string(most + 1000);
  TServerProcess server({arguments.Positional[0],
                         folder.Path(),
                         {"--max-sessions", ceiling, "--max-connections", ceiling},
                         120s});
  int capacity = 0;
  double capacityP99 = 0;
  std::string stoppedBy = "the largest step (" + std::to_string(most) + ") stayed within";

  RunTask([&](asio::io_context& io) -> TTask<void> {
    const asio::any_io_executor executor = io.get_executor();
    std::minstd_rand random(11);
    int opened = 0;
    for (int target = start; target <= most; target += step) {
      TFaults openFaults;
      const double openFrom = server.CPUSeconds();
      const TClock::time_point openStart = TClock::now();
      std::vector<std::shared_ptr<TBrowser>> browsers =
          co_await OpenBrowsers(server.Endpoint(), target - opened, 16, 60s, openFaults);
      const double openSeconds = std::chrono::duration<double>(TClock::now() - openStart).count();
      for (std::shared_ptr<TBrowser>& browser : browsers) {
        const TDuration phase(
            static_cast<TDuration::rep>(random() % static_cast<unsigned>(run.Interval.count())));
        asio::co_spawn(executor, Clicks(std::move(browser), opened++, run, phase), asio::detached);
      }
      if (openFaults.Total() > 0) {
        stoppedBy = "sessions could not be opened at " + std::to_string(target) + ": " +
                    openFaults.Summary();
        break;
      }
      std::printf("%d sessions (opened %zu in %.1f s, server %.1f s CPU meanwhile)\n", opened,
                  browsers.size(), openSeconds, server.CPUSeconds() - openFrom);
      std::fflush(stdout);
      co_await Sleep(2s);
      TLatencies latencies;
      const double serverFrom = server.CPUSeconds();
      const double clientFrom = OwnCPUSeconds();
      const std::uint64_t eventsFrom = run.Events;
      run.Slow.clear();
      run.WindowStart = TClock::now();
      run.Window = &latencies;
      co_await Sleep(window);
      run.Window = nullptr;
      // Round trips started in the window finish within the reply timeout.
      co_await Sleep(std::min<TDuration>(ReplyTimeout, 2s));
      const double seconds = std::chrono::duration<double>(window).count();
      const double p50 = latencies.Percentile(0.5) / 1000;
      const double p99 = latencies.Percentile(0.99) / 1000;
      std::printf("  %d sessions: %zu events in the window (%.0f/s), p50 %.1f ms, p99 %.1f ms; "
                  "server CPU %.0f%%, client CPU %.0f%% of one core; server %.0f MB, %d "
                  "threads\n",
                  opened, latencies.Count(), static_cast<double>(run.Events - eventsFrom) / seconds,
                  p50, p99, 100 * (server.CPUSeconds() - serverFrom) / seconds,
                  100 * (OwnCPUSeconds() - clientFrom) / seconds, server.RSSKilobytes() / 1024.0,
                  server.Threads());
      if (run.SlowMs > 0) {
        // When the slow round trips started, by tenth of a second: a stall of the whole
        // process (or machine) shows as many of them in one tenth.
        std::map<int, std::pair<int, double>> tenths;
        for (const auto& [at, ms] : run.Slow) {
          auto& [count, most] = tenths[static_cast<int>(at * 10)];
          ++count;
          most = std::max(most, ms);
        }
        std::printf("  round trips over %.0f ms: %zu, by start time:", run.SlowMs, run.Slow.size());
        for (const auto& [tenth, figures] : tenths)
          std::printf(" %.1fs:%dx(max %.0f)", tenth / 10.0, figures.first, figures.second);
        std::printf("\n");
      }
      std::fflush(stdout);
      if (run.Faults.Total() > 0) {
        stoppedBy = "faults at " + std::to_string(opened) + " sessions: " + run.Faults.Summary();
        break;
      }
      if (p99 > limit) {
        stoppedBy = "p99 " + std::to_string(p99) + " ms at " + std::to_string(opened) + " sessions";
        break;
      }
      capacity = opened;
      capacityP99 = p99;
      if (!server.Running()) {
        stoppedBy = "the server ended: " + server.HowItEnded();
        break;
      }
    }
    run.Stopping = true;
    // Every session's loop ends at its next tick and closes its socket.
    co_await Sleep(run.Interval + 1s);
  });

  std::printf("stopped by: %s\n", stoppedBy.c_str());
  std::printf("largest count within the limit: %d sessions (p99 %.1f ms)\n", capacity, capacityP99);
  PrintFigure("capacity, one event per session every " +
                  std::to_string(
                      std::chrono::duration_cast<std::chrono::milliseconds>(run.Interval).count()) +
                  " ms, p99 <= " + std::to_string(static_cast<int>(limit)) + " ms",
              capacity, "sessions", ">= 5000", capacity >= 5000);
  const bool stopped = server.Stop(120s);
  std::printf("server stop: %s\n", server.HowItEnded().c_str());
  return stopped ? 0 : 1;
}
