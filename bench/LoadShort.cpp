// A short load run for the test suite: a few hundred sessions on the test form server, each
// clicking btnRead a few times a second for a few seconds and waiting for every reply, while
// some of them drop their WebSocket in the middle of an event and reconnect, and some reload
// their page.  It fails on a lost reply, an answer the protocol does not allow, a connection
// the server closed on its own, a crashed server or one that does not stop in order - never on
// how long anything took: the reply timeout is far above any round trip the run expects.
//
//   bench_load_short PATH/TO/duo_test_server [--sessions 300] [--seconds 5]
//                    [--interval-ms 250] [--reply-timeout-seconds 120]

#include "LoadClient.h"

#include <cstdio>
#include <iostream>
#include <random>

using namespace duoload;
using namespace std::chrono_literals;

namespace {

const std::string Button = "btnRead";

struct TRun {
  TClock::time_point End;
  TDuration Interval;
  TDuration Timeout;
  TFaults Faults;
  std::uint64_t Events = 0;
  std::uint64_t Drops = 0;
  std::uint64_t Reloads = 0;
};

// What a session does besides clicking: every few events, sessions of the second kind cut
// their socket right after sending an event (its reply is lost with the socket, as in a real
// network cut) and connect again; sessions of the third kind ask for their page again as a
// browser does after a reload.
enum class TBehaviour { Clicks, Drops, Reloads };

TTask<void> Session(std::shared_ptr<TBrowser> ABrowser, int AIndex, TBehaviour ABehaviour,
                    TRun& ARun, TDuration APhase) {
  std::uint64_t counter = 0;
  try {
    co_await Sleep(APhase);
    while (TClock::now() < ARun.End) {
      const std::string name = "S" + std::to_string(AIndex) + "x" + std::to_string(++counter);
      const std::string states = TestFormStates(name);
      if (ABehaviour == TBehaviour::Drops && counter % 4 == 0) {
        co_await ABrowser->SendEvent(Button, states, ARun.Timeout);
        ABrowser->Socket.Drop();
        ++ARun.Drops;
        co_await ABrowser->Connect(ARun.Timeout);
      } else if (ABehaviour == TBehaviour::Reloads && counter % 4 == 0) {
        co_await ABrowser->Socket.CloseOrderly();
        co_await ABrowser->LoadPage(true, ARun.Timeout);
        co_await ABrowser->Connect(ARun.Timeout);
        ++ARun.Reloads;
      } else {
        co_await ABrowser->Event(Button, states, name + "|", ARun.Timeout);
        ++ARun.Events;
      }
      co_await Sleep(ARun.Interval);
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
    std::cerr << "usage: bench_load_short PATH/TO/duo_test_server [--sessions 300] [--seconds 5] "
                 "[--interval-ms 250] [--reply-timeout-seconds 120]\n";
    return 2;
  }
  const int sessions = static_cast<int>(arguments.Number("sessions", 300));
  const double seconds = arguments.Real("seconds", 5);
  RaiseFileLimit();
  TRun run;
  run.Interval = std::chrono::milliseconds(arguments.Number("interval-ms", 250));
  run.Timeout = std::chrono::seconds(arguments.Number("reply-timeout-seconds", 120));

  TTempFolder folder("duo-load-short");
  TServerProcess server({arguments.Positional[0], folder.Path(), {}, 300s});
  std::size_t opened = 0;
  RunTask([&](asio::io_context& io) -> TTask<void> {
    std::vector<std::shared_ptr<TBrowser>> browsers =
        co_await OpenBrowsers(server.Endpoint(), sessions, 16, run.Timeout, run.Faults);
    opened = browsers.size();
    run.End = TClock::now() +
              std::chrono::duration_cast<TDuration>(std::chrono::duration<double>(seconds));
    std::minstd_rand random(5);
    for (std::size_t i = 0; i < browsers.size(); ++i) {
      const TBehaviour behaviour = i % 10 == 3   ? TBehaviour::Drops
                                   : i % 10 == 7 ? TBehaviour::Reloads
                                                 : TBehaviour::Clicks;
      const TDuration phase(
          static_cast<TDuration::rep>(random() % static_cast<unsigned>(run.Interval.count())));
      asio::co_spawn(io, Session(browsers[i], static_cast<int>(i), behaviour, run, phase),
                     asio::detached);
    }
    co_return;
  });

  const bool alive = server.Running();
  const bool stopped = server.Stop(120s);
  std::printf("%zu of %d sessions opened; %llu events answered, %llu sockets dropped "
              "mid-event, %llu pages reloaded\n",
              opened, sessions, static_cast<unsigned long long>(run.Events),
              static_cast<unsigned long long>(run.Drops),
              static_cast<unsigned long long>(run.Reloads));
  std::printf("faults: %s\n", run.Faults.Summary().c_str());
  std::printf("server: %s at the end of the run; stop: %s\n", alive ? "running" : "ENDED",
              server.HowItEnded().c_str());
  const bool sanitizer = server.ReportedSanitizerError();
  if (!alive || !stopped || sanitizer || run.Faults.Total() > 0)
    std::printf("server's error output:\n%s\n", server.ErrorOutputTail().c_str());
  const bool passed = alive && stopped && !sanitizer && run.Faults.Total() == 0 &&
                      opened == static_cast<std::size_t>(sessions) && run.Events > 0;
  std::printf("%s\n", passed ? "PASSED" : "FAILED");
  return passed ? 0 : 1;
}
