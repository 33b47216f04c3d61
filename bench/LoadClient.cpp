#include "LoadClient.h"

#include "server/Facet.WebSocket.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

extern char** environ;

namespace duoload {

namespace {

using tcp = asio::ip::tcp;
using asio::use_awaitable;

// Cancels the socket's pending operations when the deadline passes first.
class TWatch {
public:
  TWatch(tcp::socket& ASocket, TClock::time_point ADeadline)
      : FTimer(ASocket.get_executor()), FFired(std::make_shared<bool>(false)),
        FAlive(std::make_shared<bool>(true)) {
    FTimer.expires_at(ADeadline);
    FTimer.async_wait([&ASocket, fired = FFired, alive = FAlive](const std::error_code& AError) {
      if (AError || !*alive)
        return;
      *fired = true;
      std::error_code ignored;
      ASocket.cancel(ignored);
    });
  }
  ~TWatch() {
    *FAlive = false;
    FTimer.cancel();
  }
  TWatch(const TWatch&) = delete;
  TWatch& operator=(const TWatch&) = delete;
  bool Fired() const { return *FFired; }

private:
  asio::steady_timer FTimer;
  std::shared_ptr<bool> FFired;
  std::shared_ptr<bool> FAlive;
};

// Turns the error of a socket operation into the load error it stands for.
[[noreturn]] void Fail(const TWatch& AWatch, const std::error_code& AError,
                       const std::string& AWhat) {
  if (AWatch.Fired())
    throw TLoadError(TFault::Timeout, AWhat + ": no answer in time");
  if (AError == asio::error::connection_refused)
    throw TLoadError(TFault::Refused, AWhat + ": connection refused");
  if (AError == asio::error::no_descriptors || AError == asio::error::address_in_use ||
      AError == std::errc::too_many_files_open_in_system ||
      AError == std::errc::address_not_available || AError == asio::error::no_buffer_space)
    throw TLoadError(TFault::Local, AWhat + ": " + AError.message());
  throw TLoadError(TFault::Closed, AWhat + ": " + AError.message());
}

// Opens the socket bound to `ALocal` (when specified) with its port left to the connect, which
// picks one free for that server: a port bound without a destination would have to be free for
// every destination, and one address would run out of them sooner.
std::error_code BindLocal(tcp::socket& ASocket, const asio::ip::address& ALocal) {
  std::error_code error;
  if (ALocal.is_unspecified())
    return error;
  ASocket.open(ALocal.is_v4() ? tcp::v4() : tcp::v6(), error);
  if (error)
    return error;
#ifdef IP_BIND_ADDRESS_NO_PORT
  const int on = 1;
  setsockopt(ASocket.native_handle(), IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &on, sizeof on);
#endif
  ASocket.bind(TEndpoint(ALocal, 0), error);
  return error;
}

std::string HeaderValue(std::string_view AHead, std::string_view AName) {
  std::size_t pos = 0;
  while (pos < AHead.size()) {
    const std::size_t end = AHead.find("\r\n", pos);
    const std::string_view line =
        AHead.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    const std::size_t colon = line.find(':');
    if (colon == AName.size() &&
        std::equal(AName.begin(), AName.end(), line.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) ==
                 std::tolower(static_cast<unsigned char>(b));
        })) {
      std::string_view value = line.substr(colon + 1);
      while (!value.empty() && value.front() == ' ')
        value.remove_prefix(1);
      return std::string(value);
    }
    if (end == std::string_view::npos)
      break;
    pos = end + 2;
  }
  return {};
}

int StatusOf(std::string_view AHead) {
  // "HTTP/1.1 200 OK"
  if (AHead.size() < 12 || AHead.substr(0, 5) != "HTTP/")
    return 0;
  const std::size_t space = AHead.find(' ');
  if (space == std::string_view::npos)
    return 0;
  return std::atoi(std::string(AHead.substr(space + 1, 3)).c_str());
}

// The quoted arguments of a script call starting at `AOpen` (just after its "("), up to the
// closing parenthesis: each argument between `AQuote` characters.
std::vector<std::string> QuotedArguments(std::string_view AText, std::size_t AOpen, char AQuote,
                                         std::size_t AMax) {
  std::vector<std::string> arguments;
  std::size_t pos = AOpen;
  while (arguments.size() < AMax && pos < AText.size()) {
    while (pos < AText.size() && (AText[pos] == ' ' || AText[pos] == ','))
      ++pos;
    if (pos >= AText.size() || AText[pos] != AQuote)
      break;
    const std::size_t end = AText.find(AQuote, pos + 1);
    if (end == std::string_view::npos)
      break;
    arguments.emplace_back(AText.substr(pos + 1, end - pos - 1));
    pos = end + 1;
  }
  return arguments;
}

} // namespace

const char* FaultName(TFault AFault) {
  switch (AFault) {
  case TFault::Timeout:
    return "lost reply";
  case TFault::Closed:
    return "connection closed";
  case TFault::Protocol:
    return "protocol error";
  case TFault::Refused:
    return "refused";
  case TFault::Local:
    return "tool's own limit";
  }
  return "?";
}

// ---- TFaults

void TFaults::Add(const TLoadError& AError) {
  ++FCounts[AError.Kind];
  std::vector<std::string>& first = FFirst[AError.Kind];
  if (first.size() < 3)
    first.emplace_back(AError.what());
}

int TFaults::Count(TFault AKind) const {
  const auto found = FCounts.find(AKind);
  return found == FCounts.end() ? 0 : found->second;
}

int TFaults::Total() const {
  int total = 0;
  for (const auto& [kind, count] : FCounts)
    total += count;
  return total;
}

std::string TFaults::Summary() const {
  if (FCounts.empty())
    return "none";
  std::string text;
  for (const auto& [kind, count] : FCounts) {
    if (!text.empty())
      text += "; ";
    text += std::string(FaultName(kind)) + " x" + std::to_string(count) + " (first:";
    for (const std::string& what : FFirst.at(kind))
      text += "\n  - " + what;
    text += ")";
  }
  return text;
}

// ---- TLatencies

void TLatencies::Add(TDuration ADuration) {
  FMicros.push_back(std::chrono::duration<double, std::micro>(ADuration).count());
}

void TLatencies::Merge(const TLatencies& AOther) {
  FMicros.insert(FMicros.end(), AOther.FMicros.begin(), AOther.FMicros.end());
}

double TLatencies::Percentile(double AFraction) const {
  if (FMicros.empty())
    return 0;
  std::vector<double> sorted = FMicros;
  const std::size_t rank =
      std::min(sorted.size() - 1,
               static_cast<std::size_t>(std::ceil(AFraction * static_cast<double>(sorted.size()))) -
                   (AFraction > 0 ? 1 : 0));
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(rank),
                   sorted.end());
  return sorted[rank];
}

long RaiseFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
    return -1;
  // A privileged run may raise the hard limit itself, for this tool and the server it starts;
  // otherwise the hard limit stays what it is.
  constexpr rlim_t Wanted = 65536;
  if (limit.rlim_max < Wanted) {
    const rlimit raised{Wanted, Wanted};
    if (setrlimit(RLIMIT_NOFILE, &raised) == 0)
      limit = raised;
  }
  if (limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
  }
  return static_cast<long>(limit.rlim_cur);
}

// ---- TTempFolder

TTempFolder::TTempFolder(const std::string& APrefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (APrefix + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot make a temporary folder: " + std::string(strerror(errno)));
  FPath = pattern;
}

TTempFolder::~TTempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(FPath, ignored);
}

// ---- TServerProcess

TServerKind KindOf(const std::filesystem::path& ABinary) {
  return ABinary.filename().string().find("vozmira") != std::string::npos ? TServerKind::Vozmira
                                                                          : TServerKind::TestForm;
}

TServerProcess::TServerProcess(TServerOptions AOptions)
    : FOptions(std::move(AOptions)), FKind(KindOf(FOptions.Binary)) {
  std::vector<std::string> arguments{FOptions.Binary.string()};
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry)
    environment.emplace_back(*entry);
  std::filesystem::create_directories(FOptions.Folder);
  if (FKind == TServerKind::Vozmira) {
    // A fresh embedded database, created with its starting data on the first start; port 0
    // takes a free one.  The server writes its port back into the file, so it is rewritten
    // before every start.
    const std::filesystem::path settings = FOptions.Folder / "settings.ini";
    std::ofstream file(settings);
    file << "[Database]\nDatabase=vozmira.fdb\n[Duo Server Config]\nServer Port=" << FOptions.Port
         << "\n";
    if (FOptions.OneAddressForMany)
      file << "[Duo Server Limits]\nMaxConnectionsPerAddress=100000\n"
              "MaxAnonymousSessionsPerAddress=100000\nNewSessionsPerAddressBurst=100000\n"
              "NewSessionsPerAddressPerMinute=1000000\n";
    file.close();
    FDatabase = FOptions.Folder / "vozmira.fdb";
    const std::filesystem::path lock = FOptions.Folder / "lock";
    std::filesystem::create_directories(lock);
    std::erase_if(environment,
                  [](const std::string& entry) { return entry.rfind("FIREBIRD_LOCK=", 0) == 0; });
    environment.push_back("FIREBIRD_LOCK=" + lock.string());
    arguments.push_back(settings.string());
  } else {
    arguments.push_back((FOptions.Folder / "wwwroot").string());
  }
  for (const std::string& extra : FOptions.ExtraArguments)
    arguments.push_back(extra);
  // Each start on the folder keeps its own error output.
  for (int start = 1; FErrorLog.empty() || std::filesystem::exists(FErrorLog); ++start)
    FErrorLog = FOptions.Folder / ("server-errors-" + std::to_string(start) + ".log");

  std::vector<char*> argv;
  for (std::string& argument : arguments)
    argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& entry : environment)
    envp.push_back(entry.data());
  envp.push_back(nullptr);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe: " + std::string(strerror(errno)));
  const int errors = open(FErrorLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
  const pid_t parent = getpid();
  FPid = fork();
  if (FPid < 0)
    throw std::runtime_error("fork: " + std::string(strerror(errno)));
  if (FPid == 0) {
    // The server must not outlive the tool that measures it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
      _exit(127);
    dup2(nothing, 0);
    dup2(out[1], 1);
    dup2(errors, 2);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(out[1]);
  close(errors);
  close(nothing);

  // The port line; everything the server prints later is drained by the reader thread.
  std::string printed;
  const auto deadline = TClock::now() + FOptions.StartTimeout;
  while (FPort == 0) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
    if (left.count() <= 0) {
      Kill();
      close(out[0]);
      throw std::runtime_error("the server printed no port within the start timeout:\n" +
                               ErrorOutputTail());
    }
    pollfd wait{out[0], POLLIN, 0};
    if (poll(&wait, 1, static_cast<int>(std::min<long>(left.count(), 1000))) <= 0)
      continue;
    char buffer[4096];
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) {
      close(out[0]);
      Stop(std::chrono::seconds(5));
      throw std::runtime_error("the server ended before it printed its port (" + FEnded + "):\n" +
                               ErrorOutputTail());
    }
    printed.append(buffer, static_cast<std::size_t>(n));
    for (const char* marker : {"listening ", "http://localhost:"}) {
      const std::size_t at = printed.find(marker);
      if (at != std::string::npos) {
        const std::size_t digits = at + std::strlen(marker);
        if (printed.find_first_not_of("0123456789", digits) != std::string::npos)
          FPort = std::atoi(printed.c_str() + digits);
      }
    }
  }
  FReader = std::thread([fd = out[0]] {
    char buffer[4096];
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
    close(fd);
  });
}

TServerProcess::~TServerProcess() {
  if (!FEndedFlag)
    Stop(std::chrono::seconds(30));
  if (FReader.joinable())
    FReader.join();
}

TEndpoint TServerProcess::Endpoint() const {
  return TEndpoint(asio::ip::address_v4::loopback(), static_cast<unsigned short>(FPort));
}

void TServerProcess::Reap(int AStatus) {
  FEndedFlag = true;
  FStatus = AStatus;
  if (WIFEXITED(AStatus))
    FEnded = "exit code " + std::to_string(WEXITSTATUS(AStatus));
  else if (WIFSIGNALED(AStatus))
    FEnded =
        "signal " + std::to_string(WTERMSIG(AStatus)) + " (" + strsignal(WTERMSIG(AStatus)) + ")";
  else
    FEnded = "status " + std::to_string(AStatus);
}

bool TServerProcess::Running() {
  if (FEndedFlag)
    return false;
  int status = 0;
  if (waitpid(FPid, &status, WNOHANG) == FPid) {
    Reap(status);
    return false;
  }
  return true;
}

bool TServerProcess::Stop(std::chrono::seconds ATimeout) {
  if (Running()) {
    kill(FPid, SIGTERM);
    const auto deadline = TClock::now() + ATimeout;
    while (Running() && TClock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (Running()) {
      kill(FPid, SIGKILL);
      int status = 0;
      waitpid(FPid, &status, 0);
      Reap(status);
      FEnded += " after SIGKILL: it did not stop on SIGTERM";
      return false;
    }
  }
  return WIFEXITED(FStatus) && WEXITSTATUS(FStatus) == 0;
}

void TServerProcess::Kill() {
  if (!Running())
    return;
  kill(FPid, SIGKILL);
  int status = 0;
  waitpid(FPid, &status, 0);
  Reap(status);
}

namespace {

// The fields of /proc/PID/stat after the program name, from field 3 (the state) on.
std::vector<std::string> StatFields(pid_t APid) {
  std::ifstream file("/proc/" + std::to_string(APid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::size_t close = text.rfind(')');
  std::vector<std::string> fields;
  if (close == std::string::npos)
    return fields;
  std::istringstream rest(text.substr(close + 1));
  std::string field;
  while (rest >> field)
    fields.push_back(field);
  return fields;
}

} // namespace

double TServerProcess::CPUSeconds() const {
  const std::vector<std::string> fields = StatFields(FPid);
  // utime and stime are fields 14 and 15 of the file.
  if (fields.size() < 13)
    return 0;
  const double ticks = std::stod(fields[11]) + std::stod(fields[12]);
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

int TServerProcess::Threads() const {
  const std::vector<std::string> fields = StatFields(FPid);
  return fields.size() > 17 ? std::stoi(fields[17]) : 0;
}

long TServerProcess::RSSKilobytes() const {
  std::ifstream file("/proc/" + std::to_string(FPid) + "/status");
  std::string line;
  while (std::getline(file, line))
    if (line.rfind("VmRSS:", 0) == 0)
      return std::atol(line.c_str() + 6);
  return 0;
}

std::string TServerProcess::ErrorOutputTail(std::size_t ABytes) const {
  std::ifstream file(FErrorLog, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (text.size() > ABytes)
    text = "..." + text.substr(text.size() - ABytes);
  return text;
}

bool TServerProcess::ReportedSanitizerError() const {
  std::ifstream file(FErrorLog, std::ios::binary);
  std::string line;
  while (std::getline(file, line))
    if (line.find("ERROR: AddressSanitizer") != std::string::npos ||
        line.find("ERROR: LeakSanitizer") != std::string::npos ||
        line.find("runtime error:") != std::string::npos ||
        line.find("WARNING: ThreadSanitizer") != std::string::npos)
      return true;
  return false;
}

// ---- HTTP

TTask<tcp::socket> OpenConnection(TEndpoint AServer, asio::ip::address ALocal, TDuration ATimeout) {
  tcp::socket socket(co_await asio::this_coro::executor);
  TWatch watch(socket, TClock::now() + ATimeout);
  std::error_code error = BindLocal(socket, ALocal);
  if (error)
    Fail(watch, error, "connect");
  co_await socket.async_connect(AServer, asio::redirect_error(use_awaitable, error));
  if (error)
    Fail(watch, error, "connect");
  co_return socket;
}

TTask<THTTPAnswer> HTTPGet(TEndpoint AServer, std::string APath, std::string AExtraHeaders,
                           TDuration ATimeout, asio::ip::address ALocal) {
  co_return co_await HTTPRequest(AServer, std::string("GET"), std::move(APath),
                                 std::move(AExtraHeaders), ATimeout, std::string(), ALocal);
}

TTask<THTTPAnswer> HTTPRequest(TEndpoint AServer, std::string AMethod, std::string APath,
                               std::string AExtraHeaders, TDuration ATimeout, std::string ABody,
                               asio::ip::address ALocal) {
  tcp::socket socket(co_await asio::this_coro::executor);
  TWatch watch(socket, TClock::now() + ATimeout);
  std::error_code error = BindLocal(socket, ALocal);
  if (error)
    Fail(watch, error, AMethod + " " + APath + ": connect");
  co_await socket.async_connect(AServer, asio::redirect_error(use_awaitable, error));
  if (error)
    Fail(watch, error, AMethod + " " + APath + ": connect");
  if (!ABody.empty())
    AExtraHeaders += "Content-Length: " + std::to_string(ABody.size()) + "\r\n";
  const std::string request =
      AMethod + " " + APath + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(AServer.port()) +
      "\r\nUser-Agent: duo-load\r\nAccept-Language: pt-BR,pt;q=0.9\r\n" + AExtraHeaders + "\r\n";
  const std::array<asio::const_buffer, 2> parts{asio::buffer(request), asio::buffer(ABody)};
  co_await asio::async_write(socket, parts, asio::redirect_error(use_awaitable, error));
  if (error)
    Fail(watch, error, AMethod + " " + APath + ": write");
  std::string text;
  std::array<char, 16384> buffer;
  for (;;) {
    const std::size_t n = co_await socket.async_read_some(
        asio::buffer(buffer), asio::redirect_error(use_awaitable, error));
    text.append(buffer.data(), n);
    if (error == asio::error::eof)
      break;
    if (error) {
      if (!watch.Fired() && !text.empty() && error == asio::error::connection_reset)
        break;
      Fail(watch, error, AMethod + " " + APath + ": read");
    }
  }
  THTTPAnswer answer;
  const std::size_t end = text.find("\r\n\r\n");
  if (end == std::string::npos)
    throw TLoadError(text.empty() ? TFault::Closed : TFault::Protocol,
                     AMethod + " " + APath + ": no complete answer head (" +
                         std::to_string(text.size()) + " bytes)");
  answer.Head = text.substr(0, end + 2);
  answer.Body = text.substr(end + 4);
  answer.Status = StatusOf(answer.Head);
  if (answer.Status == 0)
    throw TLoadError(TFault::Protocol, AMethod + " " + APath + ": no status line");
  co_return answer;
}

// ---- TPage

std::string TPage::EventID(std::string_view AControl) const {
  return EventIDAfter("", AControl);
}

std::string TPage::EventIDAfter(std::string_view AMarker, std::string_view AControl) const {
  // ExecEvent('UUID', 'TOKEN', 'FORMUUID', 'control', 'EVENTID', ...
  std::size_t pos = AMarker.empty() ? 0 : Body.find(AMarker);
  if (pos == std::string::npos)
    return {};
  while ((pos = Body.find("ExecEvent('", pos)) != std::string::npos) {
    pos += std::strlen("ExecEvent(");
    const std::vector<std::string> arguments = QuotedArguments(Body, pos, '\'', 5);
    if (arguments.size() == 5 && arguments[3] == AControl)
      return arguments[4];
  }
  return {};
}

std::vector<std::vector<std::string>> TPage::Calls(std::string_view AFunction) const {
  std::vector<std::vector<std::string>> calls;
  std::size_t pos = 0;
  while ((pos = Body.find(AFunction, pos)) != std::string::npos) {
    pos += AFunction.size();
    calls.push_back(QuotedArguments(Body, pos, '\'', 16));
  }
  return calls;
}

std::string TPage::SocketPath() const {
  return "/websocket/connectionparams?token=" + Token + "&facetsession=" + UUID +
         "&channelname=FacetCallBack";
}

TPage ParsePage(std::string ABody) {
  TPage page;
  // The focus reporting call names the session, its token and the page form:
  // ExecEvent("UUID", "TOKEN", "FORMUUID", "FORMUUID", "ComponentFocused", ...
  const std::size_t focused = ABody.find("\"ComponentFocused\"");
  const std::size_t call =
      focused == std::string::npos ? std::string::npos : ABody.rfind("ExecEvent(", focused);
  if (call != std::string::npos) {
    const std::vector<std::string> arguments =
        QuotedArguments(ABody, call + std::strlen("ExecEvent("), '"', 3);
    if (arguments.size() == 3) {
      page.UUID = arguments[0];
      page.Token = arguments[1];
      page.FormUUID = arguments[2];
    }
  }
  if (page.UUID.size() != 12 || page.Token.size() != 24 || page.FormUUID.empty())
    throw TLoadError(TFault::Protocol, "the page names no session (" +
                                           std::to_string(ABody.size()) +
                                           " bytes: " + ABody.substr(0, 200) + ")");
  page.Body = std::move(ABody);
  return page;
}

// ---- TWebSocket

TWebSocket::TWebSocket(const asio::any_io_executor& AExecutor)
    : FSocket(AExecutor), FMask(std::random_device{}()) {}

TWebSocket::~TWebSocket() = default;

TTask<void> TWebSocket::Connect(TEndpoint AServer, std::string APath, TDuration ATimeout) {
  Drop();
  FIn.clear();
  TWatch watch(FSocket, TClock::now() + ATimeout);
  std::error_code error = BindLocal(FSocket, LocalAddress);
  if (error)
    Fail(watch, error, "WebSocket connect");
  co_await FSocket.async_connect(AServer, asio::redirect_error(use_awaitable, error));
  if (error)
    Fail(watch, error, "WebSocket connect");
  FSocket.set_option(tcp::no_delay(true), error);
  std::array<std::uint8_t, 16> nonce;
  for (std::uint8_t& byte : nonce)
    byte = static_cast<std::uint8_t>(FMask());
  static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string key;
  for (std::size_t i = 0; i < nonce.size(); i += 3) {
    const std::uint32_t group = (nonce[i] << 16) |
                                ((i + 1 < nonce.size() ? nonce[i + 1] : 0) << 8) |
                                (i + 2 < nonce.size() ? nonce[i + 2] : 0);
    key += digits[(group >> 18) & 63];
    key += digits[(group >> 12) & 63];
    key += i + 1 < nonce.size() ? digits[(group >> 6) & 63] : '=';
    key += i + 2 < nonce.size() ? digits[group & 63] : '=';
  }
  const std::string request = "GET " + APath +
                              " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(AServer.port()) +
                              "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                              "Sec-WebSocket-Key: " +
                              key + "\r\nSec-WebSocket-Version: 13\r\n\r\n";
  co_await asio::async_write(FSocket, asio::buffer(request),
                             asio::redirect_error(use_awaitable, error));
  if (error)
    Fail(watch, error, "WebSocket handshake write");
  std::array<char, 4096> buffer;
  while (FIn.find("\r\n\r\n") == std::string::npos) {
    const std::size_t n = co_await FSocket.async_read_some(
        asio::buffer(buffer), asio::redirect_error(use_awaitable, error));
    if (error)
      Fail(watch, error, "WebSocket handshake read");
    FIn.append(buffer.data(), n);
    if (FIn.size() > 64 * 1024)
      throw TLoadError(TFault::Protocol, "WebSocket handshake: answer head too long");
  }
  const std::size_t end = FIn.find("\r\n\r\n");
  const std::string head = FIn.substr(0, end + 2);
  FIn.erase(0, end + 4);
  if (StatusOf(head) != 101)
    throw TLoadError(StatusOf(head) == 0 ? TFault::Protocol : TFault::Refused,
                     "WebSocket handshake answered: " + head.substr(0, head.find("\r\n")));
  if (HeaderValue(head, "Sec-WebSocket-Accept") != WebSocketAcceptKey(key))
    throw TLoadError(TFault::Protocol, "WebSocket handshake: wrong accept key");
}

std::string TWebSocket::MaskedFrame(std::uint8_t AFirst, std::string_view APayload) {
  std::string frame(1, static_cast<char>(AFirst));
  if (APayload.size() < 126) {
    frame += static_cast<char>(0x80 | APayload.size());
  } else if (APayload.size() <= 0xFFFF) {
    frame += static_cast<char>(0x80 | 126);
    frame += static_cast<char>(APayload.size() >> 8);
    frame += static_cast<char>(APayload.size() & 0xFF);
  } else {
    frame += static_cast<char>(0x80 | 127);
    for (int shift = 56; shift >= 0; shift -= 8)
      frame += static_cast<char>((static_cast<std::uint64_t>(APayload.size()) >> shift) & 0xFF);
  }
  const std::uint32_t mask = static_cast<std::uint32_t>(FMask());
  const char key[4] = {static_cast<char>(mask >> 24), static_cast<char>(mask >> 16),
                       static_cast<char>(mask >> 8), static_cast<char>(mask)};
  frame.append(key, 4);
  const std::size_t start = frame.size();
  frame.resize(start + APayload.size());
  for (std::size_t i = 0; i < APayload.size(); ++i)
    frame[start + i] = static_cast<char>(APayload[i] ^ key[i % 4]);
  return frame;
}

TTask<void> TWebSocket::Send(std::string_view APayload, TDuration ATimeout) {
  if (!FSocket.is_open())
    throw TLoadError(TFault::Closed, "WebSocket send: not connected");
  const std::string frame = MaskedFrame(0x81, APayload);
  TWatch watch(FSocket, TClock::now() + ATimeout);
  std::error_code error;
  co_await asio::async_write(FSocket, asio::buffer(frame),
                             asio::redirect_error(use_awaitable, error));
  if (error)
    Fail(watch, error, "WebSocket send");
}

std::optional<std::pair<std::uint8_t, std::string>> TWebSocket::TakeFrame() {
  if (FIn.size() < 2)
    return std::nullopt;
  const auto first = static_cast<std::uint8_t>(FIn[0]);
  const auto second = static_cast<std::uint8_t>(FIn[1]);
  if ((second & 0x80) != 0)
    throw TLoadError(TFault::Protocol, "a server frame is masked");
  if ((first & 0x70) != 0)
    throw TLoadError(TFault::Protocol, "a server frame has reserved bits set");
  std::size_t header = 2;
  std::uint64_t length = second & 0x7F;
  if (length == 126) {
    if (FIn.size() < 4)
      return std::nullopt;
    length = (static_cast<std::uint8_t>(FIn[2]) << 8) | static_cast<std::uint8_t>(FIn[3]);
    header = 4;
  } else if (length == 127) {
    if (FIn.size() < 10)
      return std::nullopt;
    length = 0;
    for (int i = 2; i < 10; ++i)
      length = (length << 8) | static_cast<std::uint8_t>(FIn[static_cast<std::size_t>(i)]);
    header = 10;
  }
  if (length > 64 * 1024 * 1024)
    throw TLoadError(TFault::Protocol,
                     "a server frame announces " + std::to_string(length) + " bytes");
  if (FIn.size() < header + length)
    return std::nullopt;
  std::pair<std::uint8_t, std::string> frame{first, FIn.substr(header, length)};
  FIn.erase(0, header + length);
  ++FFrames;
  return frame;
}

TTask<void> TWebSocket::ReadMore(TClock::time_point ADeadline) {
  if (!FSocket.is_open())
    throw TLoadError(TFault::Closed, "WebSocket read: not connected");
  TWatch watch(FSocket, ADeadline);
  std::array<char, 16384> buffer;
  std::error_code error;
  const std::size_t n = co_await FSocket.async_read_some(
      asio::buffer(buffer), asio::redirect_error(use_awaitable, error));
  if (error)
    Fail(watch, error, "WebSocket read");
  FIn.append(buffer.data(), n);
}

TTask<std::string> TWebSocket::Next(TDuration ATimeout) {
  const TClock::time_point deadline = TClock::now() + ATimeout;
  for (;;) {
    while (std::optional<std::pair<std::uint8_t, std::string>> frame = TakeFrame()) {
      const std::uint8_t opcode = frame->first & 0x0F;
      const bool final = (frame->first & 0x80) != 0;
      if (!final)
        throw TLoadError(TFault::Protocol, "the server sent a fragmented frame");
      switch (opcode) {
      case 0x1:
        co_return std::move(frame->second);
      case 0x8: {
        const int code = frame->second.size() >= 2
                             ? (static_cast<std::uint8_t>(frame->second[0]) << 8) |
                                   static_cast<std::uint8_t>(frame->second[1])
                             : 1005;
        Drop();
        throw TLoadError(TFault::Closed,
                         "the server closed the WebSocket with code " + std::to_string(code));
      }
      case 0x9:
        co_await Send(frame->second, ATimeout);
        break;
      case 0xA:
        break;
      default:
        throw TLoadError(TFault::Protocol,
                         "the server sent a frame with opcode " + std::to_string(opcode));
      }
    }
    co_await ReadMore(deadline);
  }
}

TTask<std::string> TWebSocket::WaitFor(std::string APart, TDuration ATimeout) {
  const TClock::time_point deadline = TClock::now() + ATimeout;
  for (;;) {
    const TDuration left = deadline - TClock::now();
    if (left <= TDuration::zero())
      throw TLoadError(TFault::Timeout, "no pushed message with \"" + APart + "\" in time");
    std::string text = co_await Next(left);
    if (text.find(APart) != std::string::npos)
      co_return text;
  }
}

TTask<bool> TWebSocket::WaitForEnd(TDuration ATimeout) {
  const TClock::time_point deadline = TClock::now() + ATimeout;
  bool ended = true;
  try {
    for (;;) {
      co_await ReadMore(deadline);
      FIn.clear();
    }
  } catch (const TLoadError& error) {
    ended = error.Kind != TFault::Timeout;
  }
  co_return ended;
}

std::vector<std::string> TWebSocket::TakeBuffered() {
  std::vector<std::string> texts;
  for (;;) {
    while (std::optional<std::pair<std::uint8_t, std::string>> frame = TakeFrame())
      if ((frame->first & 0x0F) == 0x1)
        texts.push_back(std::move(frame->second));
    std::error_code error;
    if (!FSocket.is_open() || FSocket.available(error) == 0 || error)
      return texts;
    std::array<char, 16384> buffer;
    const std::size_t n = FSocket.read_some(asio::buffer(buffer), error);
    if (error)
      return texts;
    FIn.append(buffer.data(), n);
  }
}

asio::ip::tcp::socket TWebSocket::Abandon() {
  tcp::socket old = std::move(FSocket);
  FSocket = tcp::socket(old.get_executor());
  FIn.clear();
  return old;
}

void TWebSocket::Drop() {
  std::error_code ignored;
  if (FSocket.is_open()) {
    FSocket.shutdown(tcp::socket::shutdown_both, ignored);
    FSocket.close(ignored);
  }
}

TTask<void> TWebSocket::CloseOrderly() {
  if (!FSocket.is_open())
    co_return;
  const std::string frame = MaskedFrame(0x88, std::string("\x03\xE8", 2));
  std::error_code error;
  TWatch watch(FSocket, TClock::now() + std::chrono::seconds(5));
  co_await asio::async_write(FSocket, asio::buffer(frame),
                             asio::redirect_error(use_awaitable, error));
  Drop();
}

// ---- messages

std::string StatesParameter(const std::vector<std::pair<std::string, std::string>>& ATexts) {
  nlohmann::json states = nlohmann::json::array();
  for (const auto& [id, text] : ATexts)
    states.push_back({{"id", id}, {"text", text}});
  return "FacetComponentsStatus=" + states.dump();
}

std::string TestFormStates(const std::string& AName) {
  const nlohmann::json states =
      nlohmann::json::array({{{"id", "EDTNAME"}, {"text", AName}},
                             {{"id", "CHKAGREE"}, {"checked", false}},
                             {{"id", "CMBCOLOUR"}, {"selecteditemindex", "0"}},
                             {{"id", "BTNREAD"}},
                             {{"id", "BTNASK"}},
                             {{"id", "LBLRESULT"}}});
  return "FacetComponentsStatus=" + states.dump();
}

std::string CallBackMessage(const TPage& APage, const std::string& ACallBackID,
                            const std::string& AParameters, bool ALockClient) {
  const nlohmann::json message = {
      {"type", "function"},
      {"name", "CallBack"},
      {"wait", false},
      {"parameters", nlohmann::json::array({{{"UUID", APage.UUID}},
                                            {{"Token", APage.Token}},
                                            {{"FormUUID", APage.FormUUID}},
                                            {{"CallBackID", ACallBackID}},
                                            {{"Parameters", AParameters}},
                                            {{"LockClient", ALockClient}}})}};
  return message.dump();
}

std::string EventMessage(const TPage& APage, const std::string& AID, const std::string& AEventID,
                         const std::string& AParameters, bool ALockClient) {
  const nlohmann::json message = {
      {"type", "procedure"},
      {"name", "ExecEvent"},
      {"wait", false},
      {"parameters", nlohmann::json::array({{{"UUID", APage.UUID}},
                                            {{"Token", APage.Token}},
                                            {{"FormUUID", APage.FormUUID}},
                                            {{"ID", AID}},
                                            {{"EventID", AEventID}},
                                            {{"Parameters", AParameters}},
                                            {{"LockClient", ALockClient}}})}};
  return message.dump();
}

// ---- TBrowser

TBrowser::TBrowser(const asio::any_io_executor& AExecutor, TEndpoint AServer,
                   asio::ip::address ALocal)
    : Socket(AExecutor), Server(AServer), Local(ALocal) {
  Socket.LocalAddress = ALocal;
}

TTask<void> TBrowser::LoadPage(bool AReload, TDuration ATimeout) {
  std::string cookies;
  if (AReload)
    cookies = "Cookie: Duo_Token=" + Page.Token + "; Duo_FacetSession=" + Page.UUID +
              "; Duo_ReloadPage=true\r\n";
  const THTTPAnswer answer = co_await HTTPGet(Server, std::string("/"), cookies, ATimeout, Local);
  if (answer.Status != 200)
    throw TLoadError(TFault::Refused, "GET / answered " + std::to_string(answer.Status));
  TPage page = ParsePage(answer.Body);
  if (AReload && (page.UUID != Page.UUID || page.Token != Page.Token))
    throw TLoadError(TFault::Protocol, "a reload gave another session");
  Page = std::move(page);
}

TTask<void> TBrowser::Connect(TDuration ATimeout) {
  co_await Socket.Connect(Server, Page.SocketPath(), ATimeout);
  const std::string loaded = EventMessage(Page, Page.FormUUID, "AfterPageLoad", "", true);
  co_await Socket.Send(loaded, ATimeout);
  co_await Socket.WaitFor(std::string("UnLockThreadClient();"), ATimeout);
}

TTask<void> TBrowser::Open(TDuration ATimeout) {
  co_await LoadPage(false, ATimeout);
  co_await Connect(ATimeout);
}

TTask<void> TBrowser::SendEvent(const std::string& AControl, const std::string& AParameters,
                                TDuration ATimeout) {
  const std::string id = Page.EventID(AControl);
  if (id.empty())
    throw TLoadError(TFault::Protocol, "the page wires no event for " + AControl);
  co_await Socket.Send(EventMessage(Page, AControl, id, AParameters, true), ATimeout);
}

TTask<std::string> TBrowser::Event(const std::string& AControl, const std::string& AParameters,
                                   std::string AExpect, TDuration ATimeout) {
  co_await SendEvent(AControl, AParameters, ATimeout);
  co_return co_await Socket.WaitFor(std::move(AExpect), ATimeout);
}

TTask<void> LogIn(TBrowser& ABrowser, const std::string& AUser, const std::string& APassword,
                  TDuration ATimeout) {
  const std::string loginForm = ABrowser.Page.FormUUID;
  const std::string states = StatesParameter({{"EDTLOGIN", AUser}, {"EDTSENHA", APassword}});
  const std::string control = "btnEntrar";
  // The server answers an accepted pair with its reload script, which names the session's new
  // token and UUID: a login renews them, and the reload carries the new pair.
  const std::string reload = co_await ABrowser.Event(control, states, ReloadStatement, ATimeout);
  std::vector<std::string> pair;
  for (const nlohmann::json& statement :
       nlohmann::json::parse(reload).value("ExecJS", nlohmann::json::array())) {
    const std::string text = statement.is_string() ? statement.get<std::string>() : "";
    const std::size_t at = text.find(ReloadStatement);
    if (at == std::string::npos)
      continue;
    // reloadSessionPage("<token>", "<uuid>");
    for (std::size_t quote = text.find('"', at); quote != std::string::npos && pair.size() < 2;
         quote = text.find('"', text.find('"', quote + 1) + 1))
      pair.push_back(text.substr(quote + 1, text.find('"', quote + 1) - quote - 1));
  }
  if (pair.size() != 2)
    throw TLoadError(TFault::Protocol, "the reload script names no session");
  ABrowser.Page.Token = pair[0];
  ABrowser.Page.UUID = pair[1];
  // The page goes away: its socket closes, and the browser asks for the page again with the
  // session's reload cookies, which the server set in answer to the page's probe.
  co_await ABrowser.Socket.CloseOrderly();
  co_await ABrowser.LoadPage(true, ATimeout);
  if (ABrowser.Page.FormUUID == loginForm)
    throw TLoadError(TFault::Protocol, "after the login the server still shows the login page");
  co_await ABrowser.Connect(ATimeout);
}

TTask<void> PressNavigation(TBrowser& ABrowser, const std::string& APage, TDuration ATimeout) {
  std::string id;
  for (const std::vector<std::string>& call : ABrowser.Page.Calls("FacetServer().CallBack("))
    if (call.size() >= 5 && call[4] == APage)
      id = call[3];
  if (id.empty())
    throw TLoadError(TFault::Protocol, "the page has no navigation to " + APage);
  co_await ABrowser.Socket.Send(CallBackMessage(ABrowser.Page, id, APage, true), ATimeout);
  co_await ABrowser.Socket.WaitFor(ReloadStatement, ATimeout);
}

// ---- TEchoServer

namespace {

TTask<void> EchoSession(tcp::socket ASocket) {
  try {
    ASocket.set_option(tcp::no_delay(true));
    std::string in;
    std::array<char, 16384> buffer;
    while (in.find("\r\n\r\n") == std::string::npos) {
      const std::size_t n = co_await ASocket.async_read_some(asio::buffer(buffer), use_awaitable);
      in.append(buffer.data(), n);
    }
    const std::size_t end = in.find("\r\n\r\n");
    const std::string answer =
        "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n"
        "Connection: Upgrade\r\nSec-WebSocket-Accept: " +
        WebSocketAcceptKey(HeaderValue(in.substr(0, end + 2), "Sec-WebSocket-Key")) + "\r\n\r\n";
    co_await asio::async_write(ASocket, asio::buffer(answer), use_awaitable);
    TWebSocketFrameReader reader;
    reader.Feed(std::string_view(in).substr(end + 4));
    for (;;) {
      while (std::optional<TWebSocketEvent> event = reader.Next()) {
        if (event->kind == TWebSocketEvent::Text) {
          const std::string frame = EncodeTextFrame(event->payload);
          co_await asio::async_write(ASocket, asio::buffer(frame), use_awaitable);
        } else if (event->kind != TWebSocketEvent::Ping && event->kind != TWebSocketEvent::Pong) {
          co_return;
        }
      }
      const std::size_t n = co_await ASocket.async_read_some(asio::buffer(buffer), use_awaitable);
      reader.Feed(std::string_view(buffer.data(), n));
    }
  } catch (const std::exception&) {
    // The client went away.
  }
}

TTask<void> EchoAccept(tcp::acceptor& AAcceptor) {
  for (;;) {
    std::error_code error;
    tcp::socket socket =
        co_await AAcceptor.async_accept(asio::redirect_error(use_awaitable, error));
    if (error) {
      if (error == asio::error::operation_aborted || !AAcceptor.is_open())
        co_return;
      continue;
    }
    asio::co_spawn(AAcceptor.get_executor(), EchoSession(std::move(socket)), asio::detached);
  }
}

} // namespace

TEchoServer::TEchoServer()
    : FIO(1), FAcceptor(FIO, TEndpoint(asio::ip::address_v4::loopback(), 0)) {
  FAcceptor.listen(asio::socket_base::max_listen_connections);
  FPort = FAcceptor.local_endpoint().port();
  asio::co_spawn(FIO, EchoAccept(FAcceptor), asio::detached);
  FThread = std::thread([this] { FIO.run(); });
}

TEchoServer::~TEchoServer() {
  FIO.stop();
  FThread.join();
}

// ---- running

TWaitGroup::TWaitGroup(const asio::any_io_executor& AExecutor)
    : FTimer(AExecutor, TClock::time_point::max()) {}

void TWaitGroup::Done() {
  if (--FCount == 0)
    FTimer.cancel();
}

TTask<void> TWaitGroup::Wait() {
  while (FCount > 0) {
    std::error_code ignored;
    co_await FTimer.async_wait(asio::redirect_error(use_awaitable, ignored));
  }
}

TTask<std::vector<std::shared_ptr<TBrowser>>>
OpenBrowsers(TEndpoint AServer, int ACount, int AParallel, TDuration ATimeout, TFaults& AFaults) {
  const asio::any_io_executor executor = co_await asio::this_coro::executor;
  std::vector<std::shared_ptr<TBrowser>> opened(static_cast<std::size_t>(ACount));
  int next = 0;
  TWaitGroup group(executor);
  for (int worker = 0; worker < std::min(AParallel, ACount); ++worker) {
    group.Add();
    asio::co_spawn(
        executor,
        [&, executor]() -> TTask<void> {
          while (next < ACount) {
            const int index = next++;
            auto browser = std::make_shared<TBrowser>(executor, AServer);
            try {
              co_await browser->Open(ATimeout);
              opened[static_cast<std::size_t>(index)] = std::move(browser);
            } catch (const TLoadError& error) {
              AFaults.Add(error);
            } catch (const std::exception& error) {
              AFaults.Add(TLoadError(TFault::Protocol, error.what()));
            }
          }
          group.Done();
        },
        asio::detached);
  }
  co_await group.Wait();
  std::erase(opened, nullptr);
  co_return opened;
}

void RunTask(std::function<TTask<void>(asio::io_context&)> ATask) {
  asio::io_context io(1);
  std::exception_ptr failure;
  asio::co_spawn(io, ATask(io), [&failure](std::exception_ptr AError) { failure = AError; });
  io.run();
  if (failure)
    std::rethrow_exception(failure);
}

TTask<void> Sleep(TDuration ADuration) {
  asio::steady_timer timer(co_await asio::this_coro::executor);
  timer.expires_after(ADuration);
  co_await timer.async_wait(use_awaitable);
}

// ---- TArguments

TArguments::TArguments(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.rfind("--", 0) == 0) {
      const std::size_t equals = argument.find('=');
      if (equals != std::string::npos)
        Options[argument.substr(2, equals - 2)] = argument.substr(equals + 1);
      else if (i + 1 < argc && std::string(argv[i + 1]).rfind("--", 0) != 0)
        Options[argument.substr(2)] = argv[++i];
      else
        Options[argument.substr(2)] = "";
    } else {
      Positional.push_back(argument);
    }
  }
}

long TArguments::Number(const std::string& AName, long ADefault) const {
  const auto found = Options.find(AName);
  return found == Options.end() || found->second.empty() ? ADefault : std::stol(found->second);
}

double TArguments::Real(const std::string& AName, double ADefault) const {
  const auto found = Options.find(AName);
  return found == Options.end() || found->second.empty() ? ADefault : std::stod(found->second);
}

void PrintFigure(const std::string& AName, double AValue, const std::string& AUnit,
                 const std::string& AGoal, std::optional<bool> AMet) {
  std::printf("FIGURE | %s | %.3g %s | goal %s | %s\n", AName.c_str(), AValue, AUnit.c_str(),
              AGoal.empty() ? "-" : AGoal.c_str(), !AMet ? "-" : (*AMet ? "met" : "MISSED"));
  std::fflush(stdout);
}

} // namespace duoload
