#pragma once

// The load tools' client side: the server under test as a child process (its port, CPU time and
// resident memory read from /proc), and simulated browsers that speak the real protocol over
// real sockets on Asio coroutines: GET "/" for a page, the WebSocket handshake on the page's
// channel, masked text frames carrying event messages with control states, and the pushed
// {"ExecJS":[...]} frames read back.  A WebSocket echo server in the same process gives the
// round trip of the bare transport, measured with the same client code.
//
// Everything of one io_context runs on one thread: the coroutines of a run share no data with
// other threads, and the programs read their figures after the context has stopped or through
// the context's own thread.

#include <asio.hpp>

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace duoload {

using TClock = std::chrono::steady_clock;
using TDuration = TClock::duration;
using TEndpoint = asio::ip::tcp::endpoint;
template <class T> using TTask = asio::awaitable<T>;

// ---- what can go wrong for a simulated browser

enum class TFault {
  Timeout,  // an answer the server owed did not come in time: a lost reply
  Closed,   // the server closed or reset the connection
  Protocol, // the server answered something the protocol does not allow
  Refused,  // the server refused the request (connection refused, an error status)
  Local     // the tool's own descriptors or ports ran out: nothing the server did
};

const char* FaultName(TFault AFault);

class TLoadError : public std::runtime_error {
public:
  TLoadError(TFault AKind, const std::string& AWhat) : std::runtime_error(AWhat), Kind(AKind) {}
  TFault Kind;
};

// Counts of faults by kind, with the first messages of each kind kept for the report.
class TFaults {
public:
  void Add(const TLoadError& AError);
  int Count(TFault AKind) const;
  int Total() const;
  std::string Summary() const;

private:
  std::map<TFault, int> FCounts;
  std::map<TFault, std::vector<std::string>> FFirst;
};

// ---- figures

// Durations in microseconds; percentiles by nearest rank.
class TLatencies {
public:
  void Add(TDuration ADuration);
  void Merge(const TLatencies& AOther);
  void Clear() { FMicros.clear(); }
  std::size_t Count() const { return FMicros.size(); }
  // `AFraction` in [0, 1]: 0.5 is the median, 0.99 the 99th percentile.  0 when empty.
  double Percentile(double AFraction) const;

private:
  std::vector<double> FMicros;
};

// Raises the limit of open files (the hard one too when the process may, then the soft one to it;
// children inherit it) and returns the soft limit now in force.
long RaiseFileLimit();

// A fresh folder under the system's temporary folder, removed with the object.
class TTempFolder {
public:
  explicit TTempFolder(const std::string& APrefix);
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  const std::filesystem::path& Path() const { return FPath; }

private:
  std::filesystem::path FPath;
};

// ---- the server under test

// Which program is under test decides how it is started: the test form server takes its web
// root folder, the web program a settings file naming its database.
enum class TServerKind { TestForm, Vozmira };

struct TServerOptions {
  std::filesystem::path Binary;
  // A fresh folder of the run: web root, settings, database, the server's error output.
  std::filesystem::path Folder;
  // Passed after the program's own arguments (the test form server's limit options).
  std::vector<std::string> ExtraArguments;
  std::chrono::seconds StartTimeout{120};
  // The web program's port; 0 takes a free one.  A restart on the same folder passes the port
  // of the first start, so that browsers find the server where it was.
  int Port = 0;
  // The tools' simulated browsers all speak from one loopback address, where the web program
  // would count them as one client: its budgets per client address are then made as large as
  // its own.  A tool that measures those budgets turns this off.
  bool OneAddressForMany = true;
};

// The kind of the program at that path, by its file name.
TServerKind KindOf(const std::filesystem::path& ABinary);

class TServerProcess {
public:
  // Starts the program and waits until it printed the port it listens on.  Throws when it ends
  // first or stays silent for the start timeout.  The server is killed when the thread that
  // started it ends (so that it never outlives the tool): start it from a thread that lives as
  // long as it is needed.
  explicit TServerProcess(TServerOptions AOptions);
  // Stops the server if it still runs (SIGTERM, then SIGKILL).
  ~TServerProcess();
  TServerProcess(const TServerProcess&) = delete;
  TServerProcess& operator=(const TServerProcess&) = delete;

  TServerKind Kind() const { return FKind; }
  int Port() const { return FPort; }
  pid_t Pid() const { return FPid; }
  TEndpoint Endpoint() const;
  // The embedded database file of the web program (empty for the test form server).
  std::filesystem::path Database() const { return FDatabase; }
  // Whether the process still runs; once it has ended, how it ended.
  bool Running();
  std::string HowItEnded() const { return FEnded; }
  // SIGTERM and waits; SIGKILL when it does not end within `ATimeout`.  True when it ended on
  // its own with code 0.
  bool Stop(std::chrono::seconds ATimeout = std::chrono::seconds(60));
  // Ends the process at once, as a crash or a power cut would.
  void Kill();
  // User plus system CPU time the process used so far, in seconds.
  double CPUSeconds() const;
  // Resident memory, in kilobytes.
  long RSSKilobytes() const;
  int Threads() const;
  // The end of the server's error output, for a report.
  std::string ErrorOutputTail(std::size_t ABytes = 4000) const;
  // Whether the error output holds a sanitizer report or a runtime error.
  bool ReportedSanitizerError() const;

private:
  void Reap(int AStatus);

  TServerOptions FOptions;
  TServerKind FKind;
  pid_t FPid = -1;
  int FPort = 0;
  bool FEndedFlag = false;
  int FStatus = 0;
  std::string FEnded;
  std::filesystem::path FDatabase;
  std::filesystem::path FErrorLog;
  std::thread FReader; // drains the server's standard output
};

// ---- connections

// A client socket connected to `AServer`.  A specified `ALocal` address (127.0.0.2, ...) is
// bound before connecting, so that the server sees the connection come from that address; the
// port is chosen at connect time, so that many connections from one address to one server do
// not run out of ports sooner than they must.  Throws TLoadError.
TTask<asio::ip::tcp::socket> OpenConnection(TEndpoint AServer, asio::ip::address ALocal,
                                            TDuration ATimeout);

// ---- HTTP

struct THTTPAnswer {
  int Status = 0;
  std::string Head;
  std::string Body;
};

// One request on a connection of its own, read until the server closes.  A non-empty `ABody`
// is sent after the head with its Content-Length; `ALocal`, when specified, is the address the
// request comes from.  Throws TLoadError.
TTask<THTTPAnswer> HTTPRequest(TEndpoint AServer, std::string AMethod, std::string APath,
                               std::string AExtraHeaders, TDuration ATimeout,
                               std::string ABody = {}, asio::ip::address ALocal = {});
TTask<THTTPAnswer> HTTPGet(TEndpoint AServer, std::string APath, std::string AExtraHeaders,
                           TDuration ATimeout, asio::ip::address ALocal = {});

// What a page tells its browser: the session, its token, the page form, and the event ids its
// controls are wired with.
struct TPage {
  std::string UUID;
  std::string Token;
  std::string FormUUID;
  std::string Body;
  // The event id the page wires for the named control (as written in the page's script), or
  // empty.
  std::string EventID(std::string_view AControl) const;
  // The same, for the first call that comes after `AMarker` in the page (a grid wires several
  // events; the one of its row selection comes after "onCellSelect").
  std::string EventIDAfter(std::string_view AMarker, std::string_view AControl) const;
  // The quoted arguments of every call of `AFunction` ("FacetServer().CallBack(") in the page.
  std::vector<std::vector<std::string>> Calls(std::string_view AFunction) const;
  std::string SocketPath() const;
};

// Reads the session and page form from a page; throws TLoadError(Protocol) when they are not
// there.
TPage ParsePage(std::string ABody);

// ---- WebSocket client

class TWebSocket {
public:
  explicit TWebSocket(const asio::any_io_executor& AExecutor);
  ~TWebSocket();

  // Connects and upgrades on `APath`.  Throws TLoadError.
  TTask<void> Connect(TEndpoint AServer, std::string APath, TDuration ATimeout);
  // Sends one masked text frame.
  TTask<void> Send(std::string_view APayload, TDuration ATimeout);
  // The next text frame (pings are answered, pongs skipped).  A close frame, an end of stream or
  // a frame a server may not send throws.
  TTask<std::string> Next(TDuration ATimeout);
  // The next text frame containing `APart`; earlier frames are passed by.
  TTask<std::string> WaitFor(std::string APart, TDuration ATimeout);
  // The text frames the server has already sent, read from the socket's buffer without
  // waiting for more.
  std::vector<std::string> TakeBuffered();
  // Cuts the connection without a close frame, as a dropped network does.
  void Drop();
  // Leaves the connection open but never uses it again, as a network cut the server does not
  // notice leaves it: the server sees no end of its socket.  The socket is handed over so that
  // the caller keeps it open.
  asio::ip::tcp::socket Abandon();
  // Sends a close frame and closes.
  TTask<void> CloseOrderly();
  bool IsOpen() const { return FSocket.is_open(); }
  std::uint64_t FramesReceived() const { return FFrames; }
  // Waits until the server ends the connection (true) or the timeout passes (false); what the
  // server sends meanwhile is passed by.
  TTask<bool> WaitForEnd(TDuration ATimeout);

  // The address connections come from when specified (see OpenConnection).
  asio::ip::address LocalAddress;

private:
  TTask<void> ReadMore(TClock::time_point ADeadline);
  std::optional<std::pair<std::uint8_t, std::string>> TakeFrame();
  std::string MaskedFrame(std::uint8_t AFirst, std::string_view APayload);

  asio::ip::tcp::socket FSocket;
  std::string FIn;
  std::uint64_t FFrames = 0;
  std::minstd_rand FMask;
};

// ---- a simulated browser

// The states of controls as a page's script sends them with an event: one JSON object per
// control, its element id and what the user typed or chose.
std::string StatesParameter(const std::vector<std::pair<std::string, std::string>>& ATexts);
// The states the test form's page sends with a click: every control of the form, the name
// edit holding `AName`, the check box off and the first colour chosen.
std::string TestFormStates(const std::string& AName);
// A callback message as the page's script sends it.
std::string CallBackMessage(const TPage& APage, const std::string& ACallBackID,
                            const std::string& AParameters, bool ALockClient);
// An event message as the page's script sends it.
std::string EventMessage(const TPage& APage, const std::string& AID, const std::string& AEventID,
                         const std::string& AParameters, bool ALockClient);

class TBrowser {
public:
  // `ALocal`, when specified, is the address the browser's connections come from.
  TBrowser(const asio::any_io_executor& AExecutor, TEndpoint AServer,
           asio::ip::address ALocal = {});

  // GET "/": a new session's first page, or, with `AReload`, the same session's page again as
  // the browser asks for it after the server's reload script (the session's cookies and
  // Duo_ReloadPage=true).
  TTask<void> LoadPage(bool AReload, TDuration ATimeout);
  // Opens the page's WebSocket and reports the page loaded as the page's script does, then
  // waits for the server's unlock.
  TTask<void> Connect(TDuration ATimeout);
  // Both, as a browser opening the site.
  TTask<void> Open(TDuration ATimeout);
  // Sends a control's event and waits for the pushed frame that contains `AExpect`.
  TTask<std::string> Event(const std::string& AControl, const std::string& AParameters,
                           std::string AExpect, TDuration ATimeout);
  // Sends a control's event without waiting for anything.
  TTask<void> SendEvent(const std::string& AControl, const std::string& AParameters,
                        TDuration ATimeout);

  TPage Page;
  TWebSocket Socket;
  TEndpoint Server;
  asio::ip::address Local;
};

// The statement with which the server tells a page to reload into its session's current page.
inline const std::string ReloadStatement = "reloadSessionPage(";

// Logs in on Vozmira's login page (the browser must have it open) as the user would: types the
// pair, clicks "Entrar", and follows the server's reload script to the working page, whose
// socket it opens.
TTask<void> LogIn(TBrowser& ABrowser, const std::string& AUser, const std::string& APassword,
                  TDuration ATimeout);
// Presses the entry of Vozmira's navigation that opens `APage` ("dashboard", "solicitacoes") and
// waits for the server's reload script; the caller follows it.
TTask<void> PressNavigation(TBrowser& ABrowser, const std::string& APage, TDuration ATimeout);

// ---- the bare transport for comparison

// A WebSocket echo server on a free port of 127.0.0.1, on a thread of its own: it answers the
// handshake and sends every text message back as a text frame.
class TEchoServer {
public:
  TEchoServer();
  ~TEchoServer();
  TEchoServer(const TEchoServer&) = delete;
  TEchoServer& operator=(const TEchoServer&) = delete;
  int Port() const { return FPort; }

private:
  asio::io_context FIO;
  asio::ip::tcp::acceptor FAcceptor;
  int FPort = 0;
  std::thread FThread;
};

// ---- running coroutines

// Counts coroutines still running and lets another wait until none is.
class TWaitGroup {
public:
  explicit TWaitGroup(const asio::any_io_executor& AExecutor);
  void Add(int ACount = 1) { FCount += ACount; }
  void Done();
  TTask<void> Wait();
  int Running() const { return FCount; }

private:
  asio::steady_timer FTimer;
  int FCount = 0;
};

// Opens `ACount` browsers, at most `AParallel` at a time.  A browser that cannot open is counted
// in `AFaults` and left out.
TTask<std::vector<std::shared_ptr<TBrowser>>>
OpenBrowsers(TEndpoint AServer, int ACount, int AParallel, TDuration ATimeout, TFaults& AFaults);

// Runs `ATask` on a fresh single-threaded context until it and everything it spawned ended.
// Rethrows what the task threw.
void RunTask(std::function<TTask<void>(asio::io_context&)> ATask);

// Sleeps on the coroutine's executor.
TTask<void> Sleep(TDuration ADuration);

// The arguments of a program: options "--name value" and the positional ones.
struct TArguments {
  TArguments(int argc, char** argv);
  std::vector<std::string> Positional;
  std::map<std::string, std::string> Options;
  long Number(const std::string& AName, long ADefault) const;
  double Real(const std::string& AName, double ADefault) const;
  bool Flag(const std::string& AName) const { return Options.count(AName) != 0; }
};

// A figure line: "name: value unit" with the goal and whether it is met, for the README table.
void PrintFigure(const std::string& AName, double AValue, const std::string& AUnit,
                 const std::string& AGoal, std::optional<bool> AMet);

} // namespace duoload
