// Abuse: users logged in to Vozmira's web program keep working while an attacker from another
// address of the machine tries to wear the server down, and a new visitor from a third address
// asks for the login page meanwhile.
//
//   bench_load_abuse PATH/TO/vozmira-web [--defenders 200] [--seconds 20] [--settle-seconds 5]
//                    [--attack-seconds S] [--idle 10000] [--sessions 10000] [--sockets 10000]
//                    [--floods 1000] [--flood-sockets 4] [--uploads 500] [--upload-parts 100]
//                    [--name-length 300] [--dialogs 2000] [--visits 5]
//                    [--reply-timeout-seconds 60]
//
// Defenders (each from an address of 127.0.1.x) log in as the office's staff do and click once a
// second, each click's answer awaited and timed.  Three phases of --seconds each: the defenders
// alone
// ("baseline"); the same while the attacker (from 127.0.0.2) works ("attack"); and, after the
// attacker closed everything and --settle-seconds passed, the defenders alone again ("after").
// The attacker, each part bounded in count and by --attack-seconds:
//   idle      TCP connections opened and left silent;
//   sessions  new sessions, "GET /" and nothing else;
//   sockets   WebSockets on the main channel with no session token, left open;
//   floods    event messages of almost a megabyte each (control states) over anonymous sessions'
//             sockets, as fast as the server reads them;
//   uploads   multipart uploads into anonymous sessions, many parts, the first part's file
//             name --name-length characters long;
//   dialogs   anonymous sessions that type a wrong pair on the login page, press "Entrar" and
//             never answer the dialog that follows.
// What the server refuses or closes is counted, not a fault: a server that defends itself
// refuses.  The visitor (from 127.0.0.3) asks for "/" a few times in each phase and must get
// the login page.
//
// The run fails only on a defender's reply that never came (within the reply timeout), a
// visitor that did not get the login page, or a server that died: never on a time or a figure.
// The attacker opens more sockets than a process may by default: the tool raises its limit of
// open files to the hard limit, and what the attacker could not open under it is counted as the
// tool's limit.

#include "LoadClient.h"

#include <nlohmann/json.hpp>

#include <array>
#include <atomic>
#include <cstdio>
#include <iostream>
#include <random>

using namespace duoload;
using namespace std::chrono_literals;
using tcp = asio::ip::tcp;

namespace {

const std::string Unlocked = "UnLockThreadClient();";
const std::string Dialog = "DuoMessageDlg(";
// Each defender speaks from an address of its own, as each of the office's computers does.
asio::ip::address DefenderAddress(int AIndex) {
  return asio::ip::make_address("127.0.1." + std::to_string(AIndex % 250 + 1));
}
const asio::ip::address AttackerAddress = asio::ip::make_address("127.0.0.2");
const asio::ip::address VisitorAddress = asio::ip::make_address("127.0.0.3");
// How long the attacker waits for a connection, and for any answer.
constexpr TDuration ConnectTimeout = 10s;
constexpr TDuration AnswerTimeout = 30s;
// Descriptors kept out of the attacker's reach: the defenders', the visitor's, the server's
// pipe, the tool's own files.
constexpr int ReservedDescriptors = 300;

TDuration Seconds(double ASeconds) {
  return std::chrono::duration_cast<TDuration>(std::chrono::duration<double>(ASeconds));
}

// ---- the defenders' side: phases and what was measured in each

enum TPhase { Baseline, Attack, After, Between, Preparing, Done };
constexpr int MeasuredPhases = 3;
const std::array<const char*, 4> PhaseNames{"baseline", "attack", "after", "between"};

struct TPhaseFigures {
  std::uint64_t Sent = 0;
  std::uint64_t Answered = 0;
  std::uint64_t Lost = 0;
  TLatencies RoundTrips;
  int ThreadsMax = 0;
  long RSSMax = 0;
  bool Alive = true;
  int Visits = 0;
  int Served = 0;
  TLatencies VisitTimes;
  TFaults VisitFaults;
};

struct TDefence {
  TEndpoint Server;
  TServerProcess* Process = nullptr;
  TDuration Timeout;
  TPhase Phase = Preparing;
  std::array<TPhaseFigures, 4> Figures;
  TFaults Faults;
  int LoggedIn = 0;
  int Working = 0;
  long RSSStart = 0;
  long RSSMax = 0;
  long RSSAfter = 0;
  int ThreadsMax = 0;
  // The figures of the phase now running; what happens between the phases, or before the
  // first, counts in the last slot.
  TPhaseFigures& Now() { return Figures[static_cast<std::size_t>(std::min<int>(Phase, 3))]; }
};

// What a defender repeats once a second: the working page's page-loaded event, as the page's
// script sends it on every view of the page, awaited until the server's answer unlocks the page.
// It runs the page's own code and changes no data.
TTask<void> Click(TBrowser& ABrowser, TDuration ATimeout) {
  co_await ABrowser.Socket.Send(
      EventMessage(ABrowser.Page, ABrowser.Page.FormUUID, "AfterPageLoad", "", true), ATimeout);
  co_await ABrowser.Socket.WaitFor(Unlocked, ATimeout);
}

TTask<void> Defend(std::shared_ptr<TBrowser> ABrowser, TDefence& ADefence, TDuration APhase) {
  co_await Sleep(APhase);
  TClock::time_point next = TClock::now();
  while (ADefence.Phase != Done) {
    TPhaseFigures& figures = ADefence.Now();
    ++figures.Sent;
    const TClock::time_point start = TClock::now();
    try {
      co_await Click(*ABrowser, ADefence.Timeout);
      ++figures.Answered;
      figures.RoundTrips.Add(TClock::now() - start);
    } catch (const TLoadError& error) {
      // A reply that did not come, or a socket the server closed under a working user: the
      // user is left with a locked page.
      ++figures.Lost;
      ADefence.Faults.Add(error);
      --ADefence.Working;
      break;
    }
    next += 1s;
    if (next > TClock::now())
      co_await Sleep(next - TClock::now());
    else
      next = TClock::now();
  }
  ABrowser->Socket.Drop();
}

// Reads the server's threads and resident memory five times a second.
TTask<void> Sample(TDefence& ADefence) {
  while (ADefence.Phase != Done) {
    const int threads = ADefence.Process->Threads();
    const long rss = ADefence.Process->RSSKilobytes();
    TPhaseFigures& figures = ADefence.Now();
    figures.ThreadsMax = std::max(figures.ThreadsMax, threads);
    figures.RSSMax = std::max(figures.RSSMax, rss);
    ADefence.ThreadsMax = std::max(ADefence.ThreadsMax, threads);
    ADefence.RSSMax = std::max(ADefence.RSSMax, rss);
    co_await Sleep(200ms);
  }
}

// A new visitor asks for the site and must get the login page: its form with the entry button.
TTask<void> Visit(TDefence& ADefence) {
  TPhaseFigures& figures = ADefence.Now();
  ++figures.Visits;
  const TClock::time_point start = TClock::now();
  try {
    const THTTPAnswer answer = co_await HTTPGet(ADefence.Server, std::string("/"), std::string(),
                                                ADefence.Timeout, VisitorAddress);
    if (answer.Status != 200)
      throw TLoadError(TFault::Refused, "GET / answered " + std::to_string(answer.Status));
    const TPage page = ParsePage(answer.Body);
    if (page.EventID("btnEntrar").empty() || page.Body.find("EDTSENHA") == std::string::npos)
      throw TLoadError(TFault::Protocol, "GET / answered a page without the login form");
    ++figures.Served;
    figures.VisitTimes.Add(TClock::now() - start);
  } catch (const TLoadError& error) {
    figures.VisitFaults.Add(error);
  }
}

TTask<void> Visitor(TDefence& ADefence, TDuration AInterval) {
  while (ADefence.Phase != Done) {
    if (ADefence.Phase < MeasuredPhases)
      co_await Visit(ADefence);
    co_await Sleep(AInterval);
  }
}

// ---- the attacker's side

struct TKind {
  explicit TKind(std::string AName) : Name(std::move(AName)) {}
  std::string Name;
  int Planned = 0;
  // Resources of this kind the attacker may hold open at once (its share of the descriptors).
  int Allowance = 0;
  int Workers = 1;
  // Whether an attempt counts itself as tried (the flood counts its messages, not its sessions).
  bool CountsItself = false;
  int Tried = 0;
  int Accepted = 0;
  int ClosedLater = 0; // held open, then closed by the server while the attacker held it
  int Open = 0;
  std::uint64_t Bytes = 0;
  TFaults Faults;
  int Refused() const {
    return Faults.Count(TFault::Refused) + Faults.Count(TFault::Closed) +
           Faults.Count(TFault::Protocol);
  }
};

struct TAttacker {
  TEndpoint Server;
  TClock::time_point Deadline;
  bool Closing = false;
  int UploadParts = 100;
  int NameLength = 300;
  int Floods = 0;
  TKind Idle{"idle TCP connections"};
  TKind Sessions{"new sessions (GET /)"};
  TKind Sockets{"token-less WebSockets"};
  TKind Flood{"large event messages"};
  TKind Uploads{"uploads"};
  TKind Dialogs{"unanswered dialogs"};
  std::vector<std::shared_ptr<tcp::socket>> HeldConnections;
  std::vector<std::shared_ptr<TWebSocket>> HeldSockets;

  // Drops everything the attacker holds; the coroutines waiting on it end.
  void CloseAll() {
    Closing = true;
    for (const std::shared_ptr<tcp::socket>& socket : HeldConnections) {
      std::error_code ignored;
      socket->close(ignored);
    }
    for (const std::shared_ptr<TWebSocket>& socket : HeldSockets)
      socket->Drop();
    HeldConnections.clear();
    HeldSockets.clear();
  }
};

// Runs `AOne(index)` for every planned attempt of the kind on its workers, until the count or
// the deadline; an attempt beyond the kind's allowance of open resources is counted as the
// tool's limit and not made.
TTask<void> Spread(TAttacker& AAttacker, TKind& AKind, std::function<TTask<void>(int)> AOne) {
  const asio::any_io_executor executor = co_await asio::this_coro::executor;
  TWaitGroup group(executor);
  int next = 0;
  for (int worker = 0; worker < std::min(AKind.Workers, AKind.Planned); ++worker) {
    group.Add();
    asio::co_spawn(
        executor,
        [&]() -> TTask<void> {
          while (next < AKind.Planned && TClock::now() < AAttacker.Deadline && !AAttacker.Closing) {
            const int index = next++;
            if (AKind.Open >= AKind.Allowance) {
              AKind.Faults.Add(
                  TLoadError(TFault::Local, "not tried: the tool's share of descriptors is held"));
              continue;
            }
            if (!AKind.CountsItself)
              ++AKind.Tried;
            // Once the attacker leaves, what fails is its own doing.
            try {
              co_await AOne(index);
            } catch (const TLoadError& error) {
              if (!AAttacker.Closing)
                AKind.Faults.Add(error);
            } catch (const std::exception& error) {
              if (!AAttacker.Closing)
                AKind.Faults.Add(TLoadError(TFault::Protocol, error.what()));
            }
          }
          group.Done();
        },
        asio::detached);
  }
  co_await group.Wait();
}

// Holds a connection until the attacker leaves, noting whether the server closed it first.
TTask<void> HoldConnection(TAttacker& AAttacker, TKind& AKind,
                           std::shared_ptr<tcp::socket> ASocket) {
  std::array<char, 256> buffer;
  for (;;) {
    std::error_code error;
    co_await ASocket->async_read_some(asio::buffer(buffer),
                                      asio::redirect_error(asio::use_awaitable, error));
    if (error)
      break;
  }
  if (!AAttacker.Closing)
    ++AKind.ClosedLater;
  std::error_code ignored;
  ASocket->close(ignored);
  --AKind.Open;
}

TTask<void> HoldSocket(TAttacker& AAttacker, TKind& AKind, std::shared_ptr<TWebSocket> ASocket) {
  // The hold ends when the server ends the socket or the attacker drops it.
  bool ended = false;
  while (!ended && !AAttacker.Closing && ASocket->IsOpen())
    ended = co_await ASocket->WaitForEnd(600s);
  if (!AAttacker.Closing)
    ++AKind.ClosedLater;
  ASocket->Drop();
  --AKind.Open;
}

TTask<void> OpenIdle(TAttacker& AAttacker) {
  const asio::any_io_executor executor = co_await asio::this_coro::executor;
  co_await Spread(AAttacker, AAttacker.Idle, [&](int) -> TTask<void> {
    ++AAttacker.Idle.Open;
    try {
      auto socket = std::make_shared<tcp::socket>(
          co_await OpenConnection(AAttacker.Server, AttackerAddress, ConnectTimeout));
      ++AAttacker.Idle.Accepted;
      if (AAttacker.Closing) {
        --AAttacker.Idle.Open;
        co_return;
      }
      AAttacker.HeldConnections.push_back(socket);
      asio::co_spawn(executor, HoldConnection(AAttacker, AAttacker.Idle, socket), asio::detached);
    } catch (...) {
      --AAttacker.Idle.Open;
      throw;
    }
  });
}

TTask<void> NewSessions(TAttacker& AAttacker) {
  co_await Spread(AAttacker, AAttacker.Sessions, [&](int) -> TTask<void> {
    const THTTPAnswer answer = co_await HTTPGet(AAttacker.Server, std::string("/"), std::string(),
                                                AnswerTimeout, AttackerAddress);
    if (answer.Status != 200)
      throw TLoadError(TFault::Refused, "GET / answered " + std::to_string(answer.Status));
    ParsePage(answer.Body);
    ++AAttacker.Sessions.Accepted;
  });
}

TTask<void> TokenlessSockets(TAttacker& AAttacker) {
  const asio::any_io_executor executor = co_await asio::this_coro::executor;
  co_await Spread(AAttacker, AAttacker.Sockets, [&](int) -> TTask<void> {
    auto socket = std::make_shared<TWebSocket>(executor);
    socket->LocalAddress = AttackerAddress;
    ++AAttacker.Sockets.Open;
    try {
      co_await socket->Connect(AAttacker.Server, std::string("/websocket/connectionparams"),
                               ConnectTimeout);
    } catch (...) {
      --AAttacker.Sockets.Open;
      throw;
    }
    ++AAttacker.Sockets.Accepted;
    if (AAttacker.Closing) {
      socket->Drop();
      --AAttacker.Sockets.Open;
      co_return;
    }
    AAttacker.HeldSockets.push_back(socket);
    asio::co_spawn(executor, HoldSocket(AAttacker, AAttacker.Sockets, socket), asio::detached);
  });
}

// An anonymous session on the login page, its socket open, from the attacker's address.
TTask<std::shared_ptr<TBrowser>> AnonymousSession(TAttacker& AAttacker) {
  auto browser = std::make_shared<TBrowser>(co_await asio::this_coro::executor, AAttacker.Server,
                                            AttackerAddress);
  co_await browser->Open(AnswerTimeout);
  co_return browser;
}

// Control states of almost a megabyte: the login edit's text, many times over.
std::string LargeStates(std::size_t ABytes) {
  nlohmann::json states = nlohmann::json::array();
  const std::string text(1000, 'x');
  std::size_t size = 0;
  while (size + 1040 < ABytes) {
    states.push_back({{"id", "EDTLOGIN"}, {"text", text}});
    size += text.size() + 32;
  }
  return "FocusedID=EDTLOGIN&FacetComponentsStatus=" + states.dump();
}

TTask<void> FloodMessages(TAttacker& AAttacker) {
  TKind& kind = AAttacker.Flood;
  // Each worker floods over one session's socket; when the server closes it the worker opens
  // another session and goes on.  Tried and accepted count messages; the first message of a
  // session is tried with the session's opening, so a session refused is a message refused.
  co_await Spread(AAttacker, kind, [&](int) -> TTask<void> {
    if (AAttacker.Floods <= 0)
      co_return;
    --AAttacker.Floods;
    ++kind.Tried;
    ++kind.Open;
    struct TRelease {
      int& Open;
      ~TRelease() { --Open; }
    } release{kind.Open};
    std::shared_ptr<TBrowser> browser = co_await AnonymousSession(AAttacker);
    AAttacker.HeldSockets.push_back(std::shared_ptr<TWebSocket>(browser, &browser->Socket));
    const std::string message =
        EventMessage(browser->Page, browser->Page.FormUUID, "ComponentFocused",
                     LargeStates(960 * 1000 - 400), false);
    for (;;) {
      co_await browser->Socket.Send(message, AnswerTimeout);
      ++kind.Accepted;
      kind.Bytes += message.size();
      if (AAttacker.Floods <= 0 || TClock::now() >= AAttacker.Deadline || AAttacker.Closing)
        break;
      --AAttacker.Floods;
      ++kind.Tried;
    }
  });
}

// A multipart body of `AParts` small files, the first with a name of `ANameLength` characters.
std::string UploadBody(const std::string& ABoundary, int AParts, int ANameLength, int AIndex) {
  std::string body;
  const std::string content(512, 'u');
  for (int part = 0; part < AParts; ++part) {
    const std::string name =
        part == 0
            ? std::string(static_cast<std::size_t>(std::max(1, ANameLength - 4)), 'n') + ".txt"
            : "file-" + std::to_string(AIndex) + "-" + std::to_string(part) + ".txt";
    body += "--" + ABoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
            name + "\"\r\nContent-Type: text/plain\r\n\r\n" + content + "\r\n";
  }
  body += "--" + ABoundary + "--\r\n";
  return body;
}

TTask<void> Uploads(TAttacker& AAttacker) {
  TKind& kind = AAttacker.Uploads;
  co_await Spread(AAttacker, kind, [&](int AIndex) -> TTask<void> {
    const THTTPAnswer page = co_await HTTPGet(AAttacker.Server, std::string("/"), std::string(),
                                              AnswerTimeout, AttackerAddress);
    if (page.Status != 200)
      throw TLoadError(TFault::Refused,
                       "the session's page answered " + std::to_string(page.Status));
    const TPage session = ParsePage(page.Body);
    const std::string boundary = "----duoload" + std::to_string(AIndex);
    std::string body = UploadBody(boundary, AAttacker.UploadParts, AAttacker.NameLength, AIndex);
    const std::size_t size = body.size();
    const THTTPAnswer answer =
        co_await HTTPRequest(AAttacker.Server, std::string("POST"),
                             "/duo/upload?token=" + session.Token + "&facetsession=" + session.UUID,
                             "Content-Type: multipart/form-data; boundary=" + boundary + "\r\n",
                             AnswerTimeout, std::move(body), AttackerAddress);
    if (answer.Status != 200)
      throw TLoadError(TFault::Refused, "the upload answered " + std::to_string(answer.Status));
    ++kind.Accepted;
    kind.Bytes += size;
  });
}

// The login page's states with a pair the office does not know.
std::string WrongPair() {
  return StatesParameter({{"EDTLOGIN", "intruso"}, {"EDTSENHA", "errada"}});
}

TTask<void> Dialogs(TAttacker& AAttacker) {
  TKind& kind = AAttacker.Dialogs;
  const asio::any_io_executor executor = co_await asio::this_coro::executor;
  co_await Spread(AAttacker, kind, [&](int) -> TTask<void> {
    ++kind.Open;
    std::shared_ptr<TBrowser> browser;
    try {
      browser = co_await AnonymousSession(AAttacker);
      co_await browser->Event("btnEntrar", WrongPair(), Dialog, AnswerTimeout);
    } catch (...) {
      --kind.Open;
      throw;
    }
    ++kind.Accepted;
    if (AAttacker.Closing) {
      browser->Socket.Drop();
      --kind.Open;
      co_return;
    }
    auto socket = std::shared_ptr<TWebSocket>(browser, &browser->Socket);
    AAttacker.HeldSockets.push_back(socket);
    asio::co_spawn(executor, HoldSocket(AAttacker, kind, socket), asio::detached);
  });
}

TTask<void> RunAttacker(TAttacker& AAttacker) {
  const asio::any_io_executor executor = co_await asio::this_coro::executor;
  TWaitGroup group(executor);
  using TPart = TTask<void> (*)(TAttacker&);
  const std::array<TPart, 6> parts{&OpenIdle,      &NewSessions, &TokenlessSockets,
                                   &FloodMessages, &Uploads,     &Dialogs};
  for (const TPart part : parts) {
    group.Add();
    asio::co_spawn(executor, part(AAttacker), [&group](std::exception_ptr) { group.Done(); });
  }
  co_await group.Wait();
}

// ---- the report

std::string Milliseconds(const TLatencies& ALatencies, double AFraction) {
  if (ALatencies.Count() == 0)
    return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", ALatencies.Percentile(AFraction) / 1000.0);
  return text;
}

void Row(const std::string& AName, const std::array<std::string, MeasuredPhases>& AValues) {
  std::printf("| %-36s |", AName.c_str());
  for (const std::string& value : AValues)
    std::printf(" %14s |", value.c_str());
  std::printf("\n");
}

template <class F> std::array<std::string, MeasuredPhases> Each(const TDefence& ADefence, F AF) {
  std::array<std::string, MeasuredPhases> values;
  for (int phase = 0; phase < MeasuredPhases; ++phase)
    values[static_cast<std::size_t>(phase)] = AF(ADefence.Figures[static_cast<std::size_t>(phase)]);
  return values;
}

void Report(const TDefence& ADefence, const TAttacker& AAttacker) {
  const auto number = [](auto AValue) { return std::to_string(AValue); };
  std::printf("\n%d defenders logged in from %s; %d still working at the end\n", ADefence.LoggedIn,
              "127.0.1.x", ADefence.Working);
  Row("", {"baseline", "attack", "after"});
  Row("defenders' events sent", Each(ADefence, [&](auto& f) { return number(f.Sent); }));
  Row("  answered", Each(ADefence, [&](auto& f) { return number(f.Answered); }));
  Row("  lost", Each(ADefence, [&](auto& f) { return number(f.Lost); }));
  Row("  round trip p50 (ms)",
      Each(ADefence, [](auto& f) { return Milliseconds(f.RoundTrips, 0.5); }));
  Row("  round trip p99 (ms)",
      Each(ADefence, [](auto& f) { return Milliseconds(f.RoundTrips, 0.99); }));
  Row("server threads, max", Each(ADefence, [&](auto& f) { return number(f.ThreadsMax); }));
  Row("server RSS, max (MB)", Each(ADefence, [](auto& f) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", f.RSSMax / 1024.0);
        return std::string(text);
      }));
  Row("server alive at the end",
      Each(ADefence, [](auto& f) { return std::string(f.Alive ? "yes" : "NO"); }));
  Row("visitor: login page / asked",
      Each(ADefence, [&](auto& f) { return number(f.Served) + " / " + number(f.Visits); }));
  Row("  time p50 / max (ms)", Each(ADefence, [](auto& f) {
        return Milliseconds(f.VisitTimes, 0.5) + " / " + Milliseconds(f.VisitTimes, 1.0);
      }));
  const TPhaseFigures& between = ADefence.Figures[3];
  std::printf("between the attack and the after phase: %llu events sent, %llu lost\n",
              static_cast<unsigned long long>(between.Sent),
              static_cast<unsigned long long>(between.Lost));
  std::printf("server RSS: %.1f MB at the start, %.1f MB at most, %.1f MB after the attacker "
              "left (%.2f x the start); threads at most %d\n",
              ADefence.RSSStart / 1024.0, ADefence.RSSMax / 1024.0, ADefence.RSSAfter / 1024.0,
              ADefence.RSSStart > 0 ? double(ADefence.RSSAfter) / double(ADefence.RSSStart) : 0.0,
              ADefence.ThreadsMax);
  for (int phase = 0; phase < MeasuredPhases; ++phase) {
    const TPhaseFigures& figures = ADefence.Figures[static_cast<std::size_t>(phase)];
    if (figures.VisitFaults.Total() > 0)
      std::printf("visitor refused (%s): %s\n", PhaseNames[static_cast<std::size_t>(phase)],
                  figures.VisitFaults.Summary().c_str());
  }
  if (ADefence.Faults.Total() > 0)
    std::printf("defenders' faults: %s\n", ADefence.Faults.Summary().c_str());

  std::printf("\nattacker from %s (refused, closed and unanswered are the server's defence, "
              "not faults):\n",
              AttackerAddress.to_string().c_str());
  std::printf("| %-24s | %7s | %7s | %8s | %16s | %9s | %12s | %10s |\n", "kind", "planned",
              "tried", "accepted", "refused/closed", "no answer", "closed later", "tool limit");
  for (const TKind* kind : {&AAttacker.Idle, &AAttacker.Sessions, &AAttacker.Sockets,
                            &AAttacker.Flood, &AAttacker.Uploads, &AAttacker.Dialogs})
    std::printf("| %-24s | %7d | %7d | %8d | %16d | %9d | %12d | %10d |\n", kind->Name.c_str(),
                kind->Planned, kind->Tried, kind->Accepted, kind->Refused(),
                kind->Faults.Count(TFault::Timeout), kind->ClosedLater,
                kind->Faults.Count(TFault::Local));
  std::printf("large event messages written whole: %.1f MB; uploads accepted: %.2f MB\n",
              AAttacker.Flood.Bytes / 1e6, AAttacker.Uploads.Bytes / 1e6);
  for (const TKind* kind : {&AAttacker.Idle, &AAttacker.Sessions, &AAttacker.Sockets,
                            &AAttacker.Flood, &AAttacker.Uploads, &AAttacker.Dialogs})
    if (kind->Faults.Total() > 0)
      std::printf("%s: %s\n", kind->Name.c_str(), kind->Faults.Summary().c_str());
}

} // namespace

int main(int argc, char** argv) {
  const TArguments arguments(argc, argv);
  if (arguments.Positional.empty()) {
    std::cerr << "usage: bench_load_abuse PATH/TO/vozmira-web [--defenders 200] [--seconds 20] "
                 "[--settle-seconds 5] [--attack-seconds S] [--idle 10000] [--sessions 10000] "
                 "[--sockets 10000] [--floods 1000] [--flood-sockets 4] [--uploads 500] "
                 "[--upload-parts 100] [--name-length 300] [--dialogs 2000] [--visits 5] "
                 "[--reply-timeout-seconds 60]\n";
    return 2;
  }
  const int defenders = static_cast<int>(arguments.Number("defenders", 200));
  const double seconds = arguments.Real("seconds", 20);
  const double settle = arguments.Real("settle-seconds", 5);
  const double attackSeconds = arguments.Real("attack-seconds", seconds);
  const int visits = std::max(1, static_cast<int>(arguments.Number("visits", 5)));
  const long descriptors = RaiseFileLimit();

  TDefence defence;
  defence.Timeout = std::chrono::seconds(arguments.Number("reply-timeout-seconds", 60));
  TAttacker attacker;
  const auto plan = [&](TKind& AKind, const char* AOption, long ADefault, int AWorkers) {
    AKind.Planned = static_cast<int>(arguments.Number(AOption, ADefault));
    AKind.Workers = AWorkers;
    AKind.Allowance = AWorkers;
  };
  plan(attacker.Idle, "idle", 10000, 64);
  plan(attacker.Sessions, "sessions", 10000, 32);
  plan(attacker.Sockets, "sockets", 10000, 64);
  // The flood's workers each hold one session's socket; a worker whose socket the server closed
  // opens another session, at most once for each message.
  plan(attacker.Flood, "flood-sockets", 4, 1);
  attacker.Flood.Workers = attacker.Flood.Allowance = attacker.Flood.Planned;
  attacker.Floods = static_cast<int>(arguments.Number("floods", 1000));
  attacker.Flood.Planned = attacker.Floods;
  attacker.Flood.CountsItself = true;
  plan(attacker.Uploads, "uploads", 500, 8);
  plan(attacker.Dialogs, "dialogs", 2000, 16);
  attacker.UploadParts = static_cast<int>(arguments.Number("upload-parts", 100));
  attacker.NameLength = static_cast<int>(arguments.Number("name-length", 300));
  // What the attacker holds open: the idle connections and the dialogs' sessions all, the
  // token-less sockets as many as the descriptors left allow.
  attacker.Idle.Allowance = attacker.Idle.Planned;
  attacker.Dialogs.Allowance = attacker.Dialogs.Planned;
  const long budget = descriptors - defenders - ReservedDescriptors;
  attacker.Sockets.Allowance = static_cast<int>(
      std::max<long>(0, std::min<long>(attacker.Sockets.Planned,
                                       budget - attacker.Idle.Allowance -
                                           attacker.Dialogs.Allowance - attacker.Flood.Allowance -
                                           attacker.Sessions.Workers - attacker.Uploads.Workers)));

  TTempFolder folder("duo-load-abuse");
  // The server keeps its own budgets per client address: they are what is measured.
  TServerProcess server({arguments.Positional[0], folder.Path(), {}, 300s, 0, false});
  defence.Server = server.Endpoint();
  defence.Process = &server;
  attacker.Server = server.Endpoint();
  std::printf("server %s, pid %d, port %d; the tool's open files limit %ld\n",
              arguments.Positional[0].c_str(), static_cast<int>(server.Pid()), server.Port(),
              descriptors);
  std::fflush(stdout);

  asio::io_context attackIO(1);
  std::atomic<bool> attackEnded{false};
  std::thread attackThread;
  bool crashed = false;
  const auto alive = [&](TPhaseFigures& AFigures) {
    AFigures.Alive = server.Running();
    crashed = crashed || !AFigures.Alive;
    return AFigures.Alive;
  };

  bool broken = false;
  try {
    RunTask([&](asio::io_context& io) -> TTask<void> {
      // The defenders log in, a few at a time.
      std::vector<std::shared_ptr<TBrowser>> browsers;
      {
        TWaitGroup group(io.get_executor());
        int next = 0;
        for (int worker = 0; worker < std::min(8, defenders); ++worker) {
          group.Add();
          asio::co_spawn(
              io,
              [&]() -> TTask<void> {
                while (next < defenders) {
                  const int index = next++;
                  const std::string user = index % 2 == 0 ? "pelix" : "brud";
                  auto browser = std::make_shared<TBrowser>(io.get_executor(), defence.Server,
                                                            DefenderAddress(index));
                  try {
                    co_await browser->Open(defence.Timeout);
                    co_await LogIn(*browser, user, user, defence.Timeout);
                    browsers.push_back(browser);
                  } catch (const TLoadError& error) {
                    defence.Faults.Add(error);
                  }
                }
                group.Done();
              },
              asio::detached);
        }
        co_await group.Wait();
      }
      defence.LoggedIn = static_cast<int>(browsers.size());
      std::printf("%d of %d defenders logged in\n", defence.LoggedIn, defenders);
      std::fflush(stdout);
      if (browsers.empty())
        co_return;

      defence.Phase = Baseline;
      defence.RSSStart = server.RSSKilobytes();
      TWaitGroup group(io.get_executor());
      std::minstd_rand random(11);
      for (const std::shared_ptr<TBrowser>& browser : browsers) {
        group.Add();
        ++defence.Working;
        const TDuration phase(static_cast<TDuration::rep>(
            random() % static_cast<unsigned>(std::chrono::duration_cast<TDuration>(1s).count())));
        asio::co_spawn(io, Defend(browser, defence, phase),
                       [&group](std::exception_ptr) { group.Done(); });
      }
      browsers.clear();
      group.Add();
      asio::co_spawn(io, Sample(defence), [&group](std::exception_ptr) { group.Done(); });
      group.Add();
      asio::co_spawn(io, Visitor(defence, Seconds(seconds / visits)),
                     [&group](std::exception_ptr) { group.Done(); });

      co_await Sleep(Seconds(seconds));
      alive(defence.Figures[Baseline]);

      // The attack, on a thread of its own so that the attacker's work does not delay the
      // defenders' clock.
      std::printf("attack from %s ...\n", AttackerAddress.to_string().c_str());
      std::fflush(stdout);
      defence.Phase = Attack;
      attacker.Deadline = TClock::now() + Seconds(attackSeconds);
      asio::co_spawn(attackIO, RunAttacker(attacker), [](std::exception_ptr) {});
      attackThread = std::thread([&] {
        attackIO.run();
        attackEnded = true;
      });
      co_await Sleep(Seconds(seconds));
      alive(defence.Figures[Attack]);

      // The attacker leaves: everything it holds is closed.
      defence.Phase = Between;
      asio::post(attackIO, [&] { attacker.CloseAll(); });
      while (!attackEnded)
        co_await Sleep(100ms);
      co_await Sleep(Seconds(settle));
      defence.Phase = After;
      co_await Sleep(Seconds(seconds));
      alive(defence.Figures[After]);
      defence.RSSAfter = server.RSSKilobytes();
      defence.Phase = Done;
      co_await group.Wait();
    });
  } catch (const std::exception& error) {
    std::printf("the run broke off: %s\n", error.what());
    broken = true;
  }
  if (attackThread.joinable()) {
    asio::post(attackIO, [&] { attacker.CloseAll(); });
    attackThread.join();
  }

  Report(defence, attacker);
  const bool running = server.Running();
  crashed = crashed || !running || server.ReportedSanitizerError();
  const bool stopped = server.Stop(60s);
  std::printf("server stop: %s%s\n", server.HowItEnded().c_str(), stopped ? "" : " (not in order)");
  std::uint64_t lost = 0;
  int refused = 0;
  for (const TPhaseFigures& figures : defence.Figures) {
    lost += figures.Lost;
    refused += figures.Visits - figures.Served;
  }
  const bool loggedIn = defence.LoggedIn == defenders;
  if (crashed || !stopped)
    std::printf("server's error output:\n%s\n", server.ErrorOutputTail().c_str());
  const bool passed = !broken && !crashed && lost == 0 && refused == 0 && loggedIn;
  std::printf("%s: %llu defenders' replies lost, %d of %d defenders logged in, %d visits "
              "refused, server %s\n",
              passed ? "PASSED" : "FAILED", static_cast<unsigned long long>(lost), defence.LoggedIn,
              defenders, refused, crashed ? "CRASHED" : "alive");
  return passed ? 0 : 1;
}
