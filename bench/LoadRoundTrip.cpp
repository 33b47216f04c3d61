// Event round trip: a click on the test form's btnRead, whose handler writes the typed name into
// a label, until the pushed message with the label's statement arrives; against the round trip
// of a bare WebSocket echo server in this process, measured with the same client code in the
// same run.  Both are measured with one session and with many sessions active at once, in
// alternating blocks, so that the load of a shared machine weighs on both alike.
//
//   bench_load_roundtrip PATH/TO/duo_test_server [--sessions 200] [--rounds 6]
//                        [--block-seconds 3] [--single-events 600] [--paces 1000,100,0]
//
// The many sessions are measured at each pace of --paces: a positive pace lets every session
// send one event every that many milliseconds, at a random phase; 0 keeps every session busy, its
// next event sent as soon as the last reply came, which measures throughput more than latency
// (the round trip is then the number of sessions divided by the events handled a second).

#include "LoadClient.h"

#include <cstdio>
#include <iostream>
#include <random>

using namespace duoload;
using namespace std::chrono_literals;

namespace {

constexpr TDuration ReplyTimeout = 30s;

// One side of the comparison: a connection that sends the event message and waits for the part
// of the answer that proves it was handled.
struct TTarget {
  std::shared_ptr<TBrowser> Browser; // the session on the server under test
  std::shared_ptr<TWebSocket> Echo;  // or a connection to the echo server
  std::string Prefix;
  std::uint64_t Counter = 0;
};

// One round trip; the latency is added to `ALatencies`.
TTask<void> RoundTrip(TTarget& ATarget, TLatencies& ALatencies) {
  const std::string name = ATarget.Prefix + "x" + std::to_string(++ATarget.Counter);
  const std::string parameters = TestFormStates(name);
  if (ATarget.Browser) {
    TBrowser& browser = *ATarget.Browser;
    const std::string message =
        EventMessage(browser.Page, "btnRead", browser.Page.EventID("btnRead"), parameters, true);
    const TClock::time_point start = TClock::now();
    co_await browser.Socket.Send(message, ReplyTimeout);
    // The label's statement carries "name|off|" (the check box is off).
    co_await browser.Socket.WaitFor(name + "|", ReplyTimeout);
    ALatencies.Add(TClock::now() - start);
  } else {
    // The same message, to the echo server: it comes back whole.
    const std::string message =
        EventMessage(TPage{"ECHOSESSION1", std::string(24, 'E'), "ECHOFORM", ""}, "btnRead",
                     "ECHOEVENTID", parameters, true);
    const TClock::time_point start = TClock::now();
    co_await ATarget.Echo->Send(message, ReplyTimeout);
    co_await ATarget.Echo->WaitFor(name, ReplyTimeout);
    ALatencies.Add(TClock::now() - start);
  }
}

// Every target runs round trips until `AEnd`: back to back, or one every `APace`.
TTask<void> Block(std::vector<TTarget>& ATargets, TClock::time_point AEnd, TDuration APace,
                  TLatencies& ALatencies, TFaults& AFaults) {
  const asio::any_io_executor executor = co_await asio::this_coro::executor;
  TWaitGroup group(executor);
  std::minstd_rand random(7);
  for (TTarget& target : ATargets) {
    group.Add();
    const TDuration phase = APace > TDuration::zero()
                                ? TDuration(static_cast<TDuration::rep>(
                                      random() % static_cast<unsigned>(APace.count())))
                                : TDuration::zero();
    asio::co_spawn(
        executor,
        [&, phase]() -> TTask<void> {
          TClock::time_point next = TClock::now() + phase;
          try {
            for (;;) {
              if (APace > TDuration::zero()) {
                if (next >= AEnd)
                  break;
                const TDuration wait = next - TClock::now();
                if (wait > TDuration::zero())
                  co_await Sleep(wait);
                next += APace;
              } else if (TClock::now() >= AEnd) {
                break;
              }
              co_await RoundTrip(target, ALatencies);
            }
          } catch (const TLoadError& error) {
            AFaults.Add(error);
          }
          group.Done();
        },
        asio::detached);
  }
  co_await group.Wait();
}

struct TFigures {
  TLatencies Facet;
  TLatencies Echo;
  double ServerCPU = 0; // seconds the server spent while its blocks ran
};

void Report(const std::string& ALabel, const TFigures& AFigures, bool AGoalP99) {
  const double facet50 = AFigures.Facet.Percentile(0.5);
  const double facet99 = AFigures.Facet.Percentile(0.99);
  const double echo50 = AFigures.Echo.Percentile(0.5);
  const double echo99 = AFigures.Echo.Percentile(0.99);
  std::printf("%s: server p50 %.0f us, p99 %.0f us (%zu events, %.0f us of server CPU an "
              "event); echo p50 %.0f us, p99 %.0f us (%zu messages)\n",
              ALabel.c_str(), facet50, facet99, AFigures.Facet.Count(),
              AFigures.Facet.Count() > 0
                  ? 1e6 * AFigures.ServerCPU / static_cast<double>(AFigures.Facet.Count())
                  : 0.0,
              echo50, echo99, AFigures.Echo.Count());
  PrintFigure("round trip p50 / echo p50, " + ALabel, facet50 / echo50, "x", "<= 2",
              facet50 <= 2 * echo50);
  PrintFigure("round trip p99, " + ALabel, facet99 / 1000.0, "ms", AGoalP99 ? "<= 5" : "",
              AGoalP99 ? std::optional<bool>(facet99 <= 5000) : std::nullopt);
}

std::vector<long> NumberList(const std::string& AText) {
  std::vector<long> numbers;
  std::size_t pos = 0;
  while (pos < AText.size()) {
    const std::size_t comma = AText.find(',', pos);
    numbers.push_back(std::stol(AText.substr(pos, comma - pos)));
    if (comma == std::string::npos)
      break;
    pos = comma + 1;
  }
  return numbers;
}

} // namespace

int main(int argc, char** argv) {
  const TArguments arguments(argc, argv);
  if (arguments.Positional.empty()) {
    std::cerr << "usage: bench_load_roundtrip PATH/TO/duo_test_server [--sessions 200] "
                 "[--rounds 6] [--block-seconds 3] [--single-events 600] [--paces 1000,100,0]\n";
    return 2;
  }
  const int sessions = static_cast<int>(arguments.Number("sessions", 200));
  const int rounds = static_cast<int>(arguments.Number("rounds", 6));
  const TDuration block = std::chrono::duration_cast<TDuration>(
      std::chrono::duration<double>(arguments.Real("block-seconds", 3)));
  const int singleEvents = static_cast<int>(arguments.Number("single-events", 600));
  const std::vector<long> paces =
      NumberList(arguments.Options.count("paces") ? arguments.Options.at("paces") : "1000,100,0");
  RaiseFileLimit();

  TTempFolder folder("duo-load-roundtrip");
  TServerProcess server({arguments.Positional[0], folder.Path(), {}, 120s});
  TEchoServer echo;
  const TEndpoint echoEndpoint(asio::ip::address_v4::loopback(),
                               static_cast<unsigned short>(echo.Port()));
  TFaults faults;
  TFigures single;
  std::vector<TFigures> many(paces.size());

  RunTask([&](asio::io_context& io) -> TTask<void> {
    const asio::any_io_executor executor = io.get_executor();
    // A target of each kind per session, opened before anything is measured.
    const auto targets =
        [&](int ACount) -> TTask<std::pair<std::vector<TTarget>, std::vector<TTarget>>> {
      std::vector<TTarget> facet;
      std::vector<TTarget> bare;
      for (std::shared_ptr<TBrowser>& browser :
           co_await OpenBrowsers(server.Endpoint(), ACount, 16, ReplyTimeout, faults))
        facet.push_back({std::move(browser), nullptr, "L" + std::to_string(facet.size()), 0});
      for (int i = 0; i < ACount; ++i) {
        auto socket = std::make_shared<TWebSocket>(executor);
        co_await socket->Connect(echoEndpoint, std::string("/echo"), ReplyTimeout);
        bare.push_back({nullptr, std::move(socket), "E" + std::to_string(i), 0});
      }
      co_return std::make_pair(std::move(facet), std::move(bare));
    };

    // One session: events one after another, alternating blocks of each kind.
    {
      auto [facet, bare] = co_await targets(1);
      if (facet.empty())
        throw std::runtime_error("no session could be opened: " + faults.Summary());
      TLatencies warmUp;
      for (int i = 0; i < 100; ++i) {
        co_await RoundTrip(facet[0], warmUp);
        co_await RoundTrip(bare[0], warmUp);
      }
      const int perRound = std::max(1, singleEvents / rounds);
      for (int round = 0; round < rounds; ++round) {
        const double from = server.CPUSeconds();
        for (int i = 0; i < perRound; ++i)
          co_await RoundTrip(facet[0], single.Facet);
        single.ServerCPU += server.CPUSeconds() - from;
        for (int i = 0; i < perRound; ++i)
          co_await RoundTrip(bare[0], single.Echo);
      }
      co_await facet[0].Browser->Socket.CloseOrderly();
    }

    // Many sessions at once, at each pace.
    {
      auto [facet, bare] = co_await targets(sessions);
      std::printf("%zu sessions open (server: %.0f MB resident, %d threads)\n", facet.size(),
                  server.RSSKilobytes() / 1024.0, server.Threads());
      for (std::size_t p = 0; p < paces.size(); ++p) {
        const TDuration pace = std::chrono::milliseconds(paces[p]);
        TLatencies warmUp;
        co_await Block(facet, TClock::now() + 1s, pace, warmUp, faults);
        co_await Block(bare, TClock::now() + 1s, pace, warmUp, faults);
        for (int round = 0; round < rounds; ++round) {
          const double from = server.CPUSeconds();
          co_await Block(facet, TClock::now() + block, pace, many[p].Facet, faults);
          many[p].ServerCPU += server.CPUSeconds() - from;
          co_await Block(bare, TClock::now() + block, pace, many[p].Echo, faults);
        }
      }
      for (TTarget& target : facet)
        co_await target.Browser->Socket.CloseOrderly();
    }
  });

  std::printf("server under test: %s, pid %d\n", arguments.Positional[0].c_str(),
              static_cast<int>(server.Pid()));
  Report("1 session", single, false);
  for (std::size_t p = 0; p < paces.size(); ++p)
    Report(std::to_string(sessions) + " sessions, " +
               (paces[p] > 0 ? "each one event every " + std::to_string(paces[p]) + " ms"
                             : std::string("back to back")),
           many[p], true);
  std::printf("faults: %s\n", faults.Summary().c_str());
  const bool stopped = server.Stop();
  std::printf("server stop: %s\n", server.HowItEnded().c_str());
  return faults.Total() == 0 && stopped ? 0 : 1;
}
