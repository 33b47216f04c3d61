// Idle cost: sessions with their page loaded and their WebSocket open, and no traffic at all;
// the server's CPU time (user plus system, from /proc/PID/stat) over a quiet period, as a share
// of one core.
//
//   bench_load_idle PATH/TO/SERVER [--sessions 2000] [--seconds 30] [--settle-seconds 5]
//
// SERVER is duo_test_server or vozmira-web (its login page).

#include "LoadClient.h"

#include <cstdio>
#include <iostream>

using namespace duoload;
using namespace std::chrono_literals;

int main(int argc, char** argv) {
  const TArguments arguments(argc, argv);
  if (arguments.Positional.empty()) {
    std::cerr << "usage: bench_load_idle PATH/TO/SERVER [--sessions 2000] [--seconds 30] "
                 "[--settle-seconds 5]\n";
    return 2;
  }
  const int sessions = static_cast<int>(arguments.Number("sessions", 2000));
  const double seconds = arguments.Real("seconds", 30);
  const double settle = arguments.Real("settle-seconds", 5);
  const long files = RaiseFileLimit();
  if (files < sessions + 100)
    std::cerr << "warning: only " << files << " open files allowed\n";

  TTempFolder folder("duo-load-idle");
  TServerProcess server({arguments.Positional[0], folder.Path(), {}, 120s});
  TFaults faults;
  std::size_t open = 0;
  std::size_t stillOpen = 0;
  double busy = 0;
  double before = 0;
  double after = 0;
  int threadsDuring = 0;
  std::uint64_t framesDuring = 0;

  RunTask([&](asio::io_context&) -> TTask<void> {
    std::vector<std::shared_ptr<TBrowser>> browsers =
        co_await OpenBrowsers(server.Endpoint(), sessions, 16, 60s, faults);
    open = browsers.size();
    std::printf("%zu sessions open; server %.0f MB resident, %d threads\n", open,
                server.RSSKilobytes() / 1024.0, server.Threads());
    std::fflush(stdout);
    // Whatever the opening left behind (pages, page-loaded events, freed workers) ends first.
    co_await Sleep(std::chrono::duration_cast<TDuration>(std::chrono::duration<double>(settle)));
    std::uint64_t framesBefore = 0;
    for (const auto& browser : browsers)
      framesBefore += browser->Socket.FramesReceived();
    before = server.CPUSeconds();
    const TClock::time_point start = TClock::now();
    co_await Sleep(std::chrono::duration_cast<TDuration>(std::chrono::duration<double>(seconds)));
    after = server.CPUSeconds();
    busy = std::chrono::duration<double>(TClock::now() - start).count();
    threadsDuring = server.Threads();
    // Nothing was read during the quiet period; what the server pushed meanwhile is still in the
    // sockets.  A short read of each tells whether the server pushed anything or closed them.
    for (const auto& browser : browsers) {
      try {
        co_await browser->Socket.Next(1ms);
      } catch (const TLoadError& error) {
        if (error.Kind != TFault::Timeout)
          faults.Add(error);
      }
      if (browser->Socket.IsOpen())
        ++stillOpen;
      framesDuring += browser->Socket.FramesReceived();
    }
    framesDuring -= framesBefore;
    for (const auto& browser : browsers)
      co_await browser->Socket.CloseOrderly();
  });

  const double share = 100.0 * (after - before) / busy;
  std::printf("server: %s, %zu sessions idle for %.1f s: %.3f s of CPU, %d threads; %zu "
              "sockets still open, %llu frames pushed meanwhile\n",
              arguments.Positional[0].c_str(), open, busy, after - before, threadsDuring, stillOpen,
              static_cast<unsigned long long>(framesDuring));
  PrintFigure("idle CPU, " + std::to_string(open) + " sessions", share, "% of one core", "< 2",
              share < 2.0);
  std::printf("faults: %s\n", faults.Summary().c_str());
  const bool stopped = server.Stop();
  std::printf("server stop: %s\n", server.HowItEnded().c_str());
  return faults.Total() == 0 && stopped && open == static_cast<std::size_t>(sessions) ? 0 : 1;
}
