#pragma once

// The web server's options, its limits, and the "Config.ini" beside the executable.

#include "bridge/Duo.Manager.h"
#include "runtime/FormatSettings.h"
#include "runtime/IniFile.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

// Every option of the server with its default.  Options are set before the server starts.
class TFacetOptions : public IFacetOptions {
public:
  TFacetOptions();

  const std::string& GetLanguage() const override { return FLanguage; }
  // "pt" or "pt-br" (any letter case) also switches the format settings to Brazilian ones.
  void SetLanguage(const std::string& Value);
  bool GetLoading() const override { return FLoading; }
  void SetLoading(bool Value) { FLoading = Value; }
  const std::string& GetPathCSS() const override { return FPathCSS; }
  void SetPathCSS(const std::string& Value) { FPathCSS = Value; }
  const std::string& GetPathJS() const override { return FPathJS; }
  void SetPathJS(const std::string& Value) { FPathJS = Value; }
  // The web root, "wwwroot" by default; a relative folder is taken from the executable's folder,
  // so a service's working directory cannot redirect what is served or wiped.
  const std::string& GetRootDirectory() const override { return FRootDirectory; }
  void SetRootDirectory(const std::string& Value) { FRootDirectory = Value; }
  std::filesystem::path RootPath() const;
  bool GetIncludeSweetAlert2() const override { return FIncludeSweetAlert2; }
  void SetIncludeSweetAlert2(bool Value) { FIncludeSweetAlert2 = Value; }
  bool GetIncludeJQuery() const override { return FIncludeJQuery; }
  void SetIncludeJQuery(bool Value) { FIncludeJQuery = Value; }
  bool GetIncludeJQGrid() const override { return FIncludeJQGrid; }
  void SetIncludeJQGrid(bool Value) { FIncludeJQGrid = Value; }
  bool GetIncludeStyle() const override { return FIncludeStyle; }
  void SetIncludeStyle(bool Value) { FIncludeStyle = Value; }
  bool GetForceCloseExpired() const override { return FForceCloseExpired; }
  void SetForceCloseExpired(bool Value) { FForceCloseExpired = Value; }
  bool GetDataSetLog() const override { return FDataSetLog; }
  void SetDataSetLog(bool Value) { FDataSetLog = Value; }
  bool GetUseSSL() const override { return FUseSSL; }
  void SetUseSSL(bool Value) { FUseSSL = Value; }
  bool GetUseINIConfig() const override { return FUseINIConfig; }
  void SetUseINIConfig(bool Value) { FUseINIConfig = Value; }
  bool GetValidateAllControls() const override { return FValidateAllControls; }
  void SetValidateAllControls(bool Value) { FValidateAllControls = Value; }
  TFormatSettings FormatSettings() const override;
  TFormatSettings DataBaseFormatSettings() const override { return FDataBaseFormatSettings; }

private:
  mutable std::mutex FLock; // the format settings are read by every session
  std::string FLanguage = "pt-BR";
  bool FLoading = true;
  std::string FPathCSS = "css";
  std::string FPathJS = "js";
  std::string FRootDirectory = "wwwroot";
  bool FIncludeSweetAlert2 = true;
  bool FIncludeJQuery = false;
  bool FIncludeJQGrid = true;
  bool FIncludeStyle = true;
  bool FForceCloseExpired = false;
  bool FDataSetLog = false;
  bool FUseSSL = false;
  bool FUseINIConfig = true;
  bool FValidateAllControls = false;
  TFormatSettings FFormatSettings;
  TFormatSettings FDataBaseFormatSettings;
};

// How much one client may ask of the server.  Over a limit the connection is closed without an
// answer, or the request is refused with a status that says why ("503 Service Unavailable" for a
// page when no session can be made, "403 Forbidden" for an upload the page did not ask for, "413
// Payload Too Large" for one over its quota).  A budget of one client address refuses that
// address only; everyone else goes on.
struct TFacetServerLimits {
  int MaxConnections = 10000;
  int MaxSessions = 5000;
  std::size_t MaxHeadBytes = 64 * 1024;
  std::size_t MaxLineBytes = 8 * 1024;
  std::size_t MaxPostBytes = 1024 * 1024;        // grid row posts
  std::size_t MaxUploadBytes = 32 * 1024 * 1024; // one upload request, streamed to disk
  std::size_t MaxMessageBytes = 1024 * 1024;     // one WebSocket message
  std::chrono::milliseconds ReadTimeout{30000};  // a request's head, and silence within a body
  std::chrono::milliseconds WriteTimeout{30000}; // any answer or push
  // A session with no open WebSocket for this long is closed (reloads reconnect well within it).
  std::chrono::milliseconds IdleSessionTimeout{10 * 60 * 1000};
  // A session not marked established (no accepted login) is closed after this long without an
  // open WebSocket, whether its page never opened one or lost it: it holds nothing of value.
  std::chrono::milliseconds AnonymousSessionTimeout{60 * 1000};
  std::chrono::milliseconds SweepInterval{15 * 1000};
  // Threads that run form code, shared by every session.  A piece waiting for the browser holds
  // none; a database call holds its thread while it runs.
  int WorkerThreads = 32;
  // Stack of one piece of form code (a waiting piece keeps its stack, not a thread).
  std::size_t FormCodeStackBytes = 512 * 1024;
  // How long form code may wait for the browser (a modal form, a message dialog) before the wait
  // ends as if the session had closed.
  std::chrono::milliseconds MaxWait{30 * 60 * 1000};
  // I/O threads; 0 means one per core.
  int IOThreads = 0;
  // Writes one line per WebSocket message to the error stream: its kind, name and parameter
  // names, never their values (control states may hold passwords).
  bool LogMessages = false;

  // ---- per client address (the proxy's client when the connection comes from a trusted proxy)
  int MaxConnectionsPerAddress = 1000;
  // Sessions not yet marked established by the application (Vozmira: before an accepted login).
  int MaxAnonymousSessionsPerAddress = 200;
  // New sessions an address may start at once, and how many more it earns a minute.
  int NewSessionsPerAddressBurst = 60;
  int NewSessionsPerAddressPerMinute = 120;
  // Addresses of reverse proxies whose X-Forwarded-For names the client; they are exempt from the
  // per-address connection budget.
  std::vector<std::string> TrustedProxies;

  // ---- WebSockets
  // A WebSocket that names no session is closed after this long without a frame.
  std::chrono::milliseconds TokenlessSocketTimeout{30000};
  // A session's WebSocket silent for this long is pinged, and closed when the next period passes
  // without a frame from the browser.
  std::chrono::milliseconds PingInterval{60000};
  // Pieces of work of one session waiting to run, and their bytes; when full the session's
  // sockets are not read until it drains, and a socket held up longer than ReadTimeout is closed.
  int MaxQueuedPieces = 64;
  std::size_t MaxQueuedPieceBytes = 4 * 1024 * 1024;
  // Output queued for one socket, and for all sockets together; a socket over either is closed.
  std::size_t MaxSocketOutputBytes = 8 * 1024 * 1024;
  std::size_t MaxTotalOutputBytes = 512 * 1024 * 1024;

  // ---- uploads
  int MaxUploadParts = 20;                              // files in one request
  int MaxSessionUploadFiles = 100;                      // kept for one session
  std::size_t MaxSessionUploadBytes = 64 * 1024 * 1024; // kept for one session
  // A body slower than this on average (after its first ReadTimeout) is dropped.
  std::size_t MinUploadBytesPerSecond = 8 * 1024;

  // Descriptors kept back from the connection cap for files, the database and the process.
  int ReservedDescriptors = 256;
};

// Reads the limits from the section "Duo Server Limits" of a settings file; a missing key keeps
// the value it has.
void ReadLimits(const TIniFile& AFile, TFacetServerLimits& ALimits);

// The routes a load balancer and a monitor ask ("/health", "/metrics"), and the orderly stop.
struct TFacetMonitoring {
  // "/metrics" is answered only when on, and only to the local address (127.0.0.1, ::1) and the
  // addresses listed; everyone else gets 403.  Behind a trusted proxy the client it names is
  // judged, not the proxy.
  bool Metrics = false;
  std::vector<std::string> MetricsAddresses;
  // How often the application's health probe (its database) runs, off the I/O threads.
  std::chrono::milliseconds HealthProbeInterval{2000};
  // Between a stop being asked for and the sessions closing, the health route says 503 while the
  // server still serves: time for a load balancer to stop sending it new sessions.
  std::chrono::milliseconds DrainTime{0};
};

// Reads the section "Duo Server Monitoring" (Metrics, MetricsAddresses, HealthProbeInterval,
// DrainTime); a missing key keeps the value it has.
void ReadMonitoring(const TIniFile& AFile, TFacetMonitoring& AMonitoring);

// A comma-separated list of addresses, blanks around each ignored.
std::vector<std::string> AddressList(const std::string& AText);

// "Config.ini" in the executable's folder, section "Duo Server Config".  Reading never creates
// the file; writing does.
class TFacetINIConfig {
public:
  TFacetINIConfig();
  explicit TFacetINIConfig(std::filesystem::path AFileName);

  int ServerPort(int ADefaultPort) const;
  std::string ServerName(const std::string& ADefaultServerName) const;
  std::string ServerDescription(const std::string& ADefaultServerDescription) const;
  void WriteServer(int APort, const std::string& AName, const std::string& ADescription);
  // TLS on the server's own listener ("UseSSL"), with the certificate chain and private key in
  // PEM files ("SSLCertificateFile", "SSLPrivateKeyFile"; a relative path is taken from the
  // settings file's folder).
  bool UseSSL() const;
  std::string SSLCertificateFile() const;
  std::string SSLPrivateKeyFile() const;
  TIniFile& FileINIConfig() { return FFile; }

private:
  std::string PathOf(const char* AKey) const;

  std::filesystem::path FFileName;
  TIniFile FFile;
};

// The folder of the running executable.
std::filesystem::path ExecutableDirectory();
