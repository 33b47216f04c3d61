#pragma once

// The web server: its options, limits and "Config.ini", the HTTP/WebSocket transport, the page
// server, and the registry of browser sessions.  Exactly one exists while the web presentation
// runs; FacetBaseClass() returns it.

#include "bridge/Duo.Manager.h"
#include "server/Facet.Server.Options.h"

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TFacetHTTPRequest;
class TFacetServerHTML;
class TFacetServerHTMLHeaders;
class TFacetServerTCP;
class TFacetSession;
struct TFacetHTTPResponse;

// What changed about a session, as the server controller is told.
enum class TSessionChangeType {
  scNewSession = 0,
  scCloseSession = 1,
  scRenewExpire = 2,
  scClosingSession = 3,
  scUnused = 4,
  scWebSocketOpened = 5,
  scWebSocketClosed = 6
};

// The object that creates and starts the server: it names the server and hears of sessions.  It
// must not raise from SessionChanged.
class IDuoServerControllerBase {
public:
  virtual ~IDuoServerControllerBase() = default;
  virtual std::string ServerName() const = 0;
  virtual std::string ServerDescription() const = 0;
  virtual void SessionChanged(TSessionChangeType AKind, TFacetSession& ASession) = 0;
};

using TOnNewSession = std::function<void(const TFacetHTTPRequest& Request, TFacetSession& Session)>;
using TOnCloseSession = std::function<void(TFacetSession& Session)>;

class TFacetBaseClass : public IFacetBaseClass {
public:
  TFacetBaseClass();
  // Stops the server first.
  ~TFacetBaseClass() override;
  TFacetBaseClass(const TFacetBaseClass&) = delete;
  TFacetBaseClass& operator=(const TFacetBaseClass&) = delete;

  // Listens on ServerPort (every local address; 0 picks a free port, see ServerPort()), creates
  // the root's folders and wipes the sessions' temporary files.  Does nothing when started.
  void StartServer();
  // Closes every connection and every session, and returns once every session's forms are
  // freed.
  void StopServer();
  bool Started() const;
  int ServerPort() const;
  void SetServerPort(int Value);
  // Certificate chain and private key files (PEM) used when the option UseSSL is on.
  void SetSSLFiles(const std::string& ACertificateFile, const std::string& APrivateKeyFile);

  TFacetOptions& Options() { return FOptions; }
  const TFacetOptions& Options() const { return FOptions; }
  TFacetServerLimits& Limits() { return FLimits; }
  const TFacetServerLimits& Limits() const { return FLimits; }
  TFacetINIConfig& INIConfig() { return FINIConfig; }
  // Another settings file than "Config.ini" beside the executable.
  void SetINIConfigFile(const std::filesystem::path& AFileName) {
    FINIConfig = TFacetINIConfig(AFileName);
  }
  IDuoServerControllerBase* ServerController() const { return FServerController; }
  void SetServerController(IDuoServerControllerBase* Value) { FServerController = Value; }
  TFacetServerTCP& FacetServer() const { return *FFacetServerTCP; }
  TFacetServerHTML& FacetServerHTML() const { return *FFacetServerHTML; }
  TFacetServerHTMLHeaders& FacetServerHTMLHeaders() const { return *FFacetServerHTMLHeaders; }

  // IFacetBaseClass
  bool ValidateAllControls() const override { return FOptions.GetValidateAllControls(); }
  std::string RootDirectory() const override { return FOptions.RootPath().string(); }

  // ---- sessions
  // Makes and registers a new session (its UUID unique among the registered ones); nullptr when
  // the session limit is reached.
  std::shared_ptr<TFacetSession> CreateSession();
  std::shared_ptr<TFacetSession> SessionByUUID(const std::string& UUID) const;
  bool SessionValid(const std::string& UUID) const;
  bool SessionValid(const std::string& Token, const std::string& UUID) const;
  // The session whose form code the calling thread runs.  The main thread raises error 7001
  // (when alerting); a thread that runs no session's code raises error 7002.
  TFacetSession* SessionByThreadID(std::thread::id FThreadID,
                                   bool AAlertErrorThreadID = true) const;
  std::vector<std::shared_ptr<TFacetSession>> Sessions() const;
  int SessionCount() const;
  // Takes a closed session out of the registry.
  void RemoveSession(const std::string& UUID);
  // Closes the sessions that expired or had no open WebSocket for the idle timeout.
  void SweepSessions();
  // Creates the session's primary form; runs as a piece of the new session.
  void InstancePrimaryForm(TFacetSession& AFacetSession);
  void DoNewSession(const TFacetHTTPRequest& Request, TFacetSession& Session);
  void DoCloseSession(TFacetSession& Session);
  void SessionChanged(TSessionChangeType AKind, TFacetSession& ASession);
  // Sessions closed whose forms are freed now.
  void SessionTornDown();

  TOnNewSession OnNewSession;
  TOnCloseSession OnCloseSession;
  // Runs on a new session's worker before its primary form is created: where an application
  // gives the session what its forms expect to find (its data module).
  std::function<void(TFacetSession& Session)> OnSessionStarting;
  // Runs as form code of a session whenever a piece of it ended and no other piece waits in its
  // queue: where an application gives back what an idle session need not keep (its database
  // attachment) and gets again on the next need.
  std::function<void(TFacetSession& Session)> OnSessionIdle;

private:
  void Sweeper();

  TFacetOptions FOptions;
  TFacetServerLimits FLimits;
  int FServerPort = 8888;
  std::string FSSLCertificate;
  std::string FSSLPrivateKey;
  TFacetINIConfig FINIConfig;
  IDuoServerControllerBase* FServerController = nullptr;
  std::unique_ptr<TFacetServerTCP> FFacetServerTCP;
  std::unique_ptr<TFacetServerHTMLHeaders> FFacetServerHTMLHeaders;
  std::unique_ptr<TFacetServerHTML> FFacetServerHTML;
  mutable std::recursive_mutex CriticalSession;
  std::map<std::string, std::shared_ptr<TFacetSession>> FSessions;
  // Sessions made and not yet torn down, for an orderly stop.
  std::mutex FLiveLock;
  std::condition_variable FLiveChanged;
  int FLive = 0;
  // One thread for the whole server closes expired and abandoned sessions now and then.
  std::thread FSweeper;
  bool FSweeperStop = false;
};

// The server, or nullptr while none exists.
TFacetBaseClass* FacetBaseClass();

// Blocks SIGTERM and SIGINT in the calling thread and in every thread it starts from now on (call
// it first thing in main, before any library starts threads or installs handlers of its own),
// then waits for one of them: how a server process ends in an orderly way under a service manager.
class TTerminationSignals {
public:
  TTerminationSignals();
  // Returns the signal that arrived.
  int Wait();
};
