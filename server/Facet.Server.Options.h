#pragma once

// The web server's options, its limits, and the "Config.ini" beside the executable.

#include "runtime/FormatSettings.h"
#include "runtime/IniFile.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <string>

// Every option of the server with its default.  Options are set before the server starts.
class TFacetOptions {
public:
  TFacetOptions();

  const std::string& GetLanguage() const { return FLanguage; }
  // "pt" or "pt-br" (any letter case) also switches the format settings to Brazilian ones.
  void SetLanguage(const std::string& Value);
  bool GetLoading() const { return FLoading; }
  void SetLoading(bool Value) { FLoading = Value; }
  const std::string& GetPathCSS() const { return FPathCSS; }
  void SetPathCSS(const std::string& Value) { FPathCSS = Value; }
  const std::string& GetPathJS() const { return FPathJS; }
  void SetPathJS(const std::string& Value) { FPathJS = Value; }
  // The web root, "wwwroot" by default; a relative folder is taken from the executable's folder,
  // so a service's working directory cannot redirect what is served or wiped.
  const std::string& GetRootDirectory() const { return FRootDirectory; }
  void SetRootDirectory(const std::string& Value) { FRootDirectory = Value; }
  std::filesystem::path RootPath() const;
  bool GetIncludeSweetAlert2() const { return FIncludeSweetAlert2; }
  void SetIncludeSweetAlert2(bool Value) { FIncludeSweetAlert2 = Value; }
  bool GetIncludeJQuery() const { return FIncludeJQuery; }
  void SetIncludeJQuery(bool Value) { FIncludeJQuery = Value; }
  bool GetIncludeJQGrid() const { return FIncludeJQGrid; }
  void SetIncludeJQGrid(bool Value) { FIncludeJQGrid = Value; }
  bool GetIncludeStyle() const { return FIncludeStyle; }
  void SetIncludeStyle(bool Value) { FIncludeStyle = Value; }
  bool GetForceCloseExpired() const { return FForceCloseExpired; }
  void SetForceCloseExpired(bool Value) { FForceCloseExpired = Value; }
  bool GetDataSetLog() const { return FDataSetLog; }
  void SetDataSetLog(bool Value) { FDataSetLog = Value; }
  bool GetUseSSL() const { return FUseSSL; }
  void SetUseSSL(bool Value) { FUseSSL = Value; }
  bool GetUseINIConfig() const { return FUseINIConfig; }
  void SetUseINIConfig(bool Value) { FUseINIConfig = Value; }
  bool GetValidateAllControls() const { return FValidateAllControls; }
  void SetValidateAllControls(bool Value) { FValidateAllControls = Value; }
  TFormatSettings FormatSettings() const;
  TFormatSettings DataBaseFormatSettings() const { return FDataBaseFormatSettings; }

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
// answer (a page request over the session limit gets "503 Service Unavailable").
struct TFacetServerLimits {
  int MaxConnections = 10000;
  int MaxSessions = 5000;
  std::size_t MaxHeadBytes = 64 * 1024;
  std::size_t MaxLineBytes = 8 * 1024;
  std::size_t MaxPostBytes = 1024 * 1024;        // grid row posts
  std::size_t MaxUploadBytes = 32 * 1024 * 1024; // streamed to disk
  std::size_t MaxMessageBytes = 1024 * 1024;     // one WebSocket message
  std::chrono::milliseconds ReadTimeout{30000};  // a request's head and body
  std::chrono::milliseconds WriteTimeout{30000}; // any answer or push
  // A session with no open WebSocket for this long is closed (reloads reconnect well within it).
  std::chrono::milliseconds IdleSessionTimeout{10 * 60 * 1000};
  std::chrono::milliseconds SweepInterval{60 * 1000};
  // Threads that may run one session's form code at once (most of them waiting on the browser).
  int MaxSessionWorkers = 16;
  // I/O threads; 0 means one per core.
  int IOThreads = 0;
  // Writes one line per WebSocket message to the error stream: its kind, name and parameter
  // names, never their values (control states may hold passwords).
  bool LogMessages = false;
};

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
  TIniFile& FileINIConfig() { return FFile; }

private:
  TIniFile FFile;
};

// The folder of the running executable.
std::filesystem::path ExecutableDirectory();
