#pragma once

// The web server: its options, limits and "Config.ini", the HTTP/WebSocket transport, the page
// server, and the registry of browser sessions.  Exactly one exists while the web presentation
// runs; FacetBaseClass() returns it.

#include "bridge/Duo.Manager.h"
#include "runtime/DateTime.h"
#include "server/Facet.Server.ClientBudget.h"
#include "server/Facet.Server.LoginThrottle.h"
#include "server/Facet.Server.Metrics.h"
#include "server/Facet.Server.Options.h"

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <initializer_list>
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

// A new session's handler sees the page request that made the session and the answer that will
// carry its page (the page becomes the answer's content).
using TOnNewSession = std::function<void(const TFacetHTTPRequest& Request,
                                         TFacetHTTPResponse& Response, TFacetSession& Session)>;
using TOnCloseSession = std::function<void(TFacetSession& Session)>;

// What TLS serves with: the certificate chain and the private key, both PEM files.
struct TFacetSSLOptions {
  std::string CertFile;
  std::string KeyFile;
};

class TFacetBaseClass : public IFacetBaseClass {
public:
  TFacetBaseClass();
  // Shuts the server down first.
  ~TFacetBaseClass() override;
  TFacetBaseClass(const TFacetBaseClass&) = delete;
  TFacetBaseClass& operator=(const TFacetBaseClass&) = delete;

  // Listens on ServerPort (every local address; 0 picks a free port, see ServerPort()), creates
  // the root's folders and wipes the sessions' temporary files.  Does nothing when started.
  void StartServer();
  // Stops listening and closes every connection; the sessions stay registered, so that browsers
  // whose pages reconnect after a new start keep their pages.
  void StopServer();
  // The orderly end: stops the server, closes every session, and returns once every session's
  // forms are freed.
  void Shutdown();
  // The first step of an orderly end behind a load balancer: from now on the health route says
  // 503, while everything else is still served.  Shutdown follows after the drain time.
  void BeginDrain();
  bool Draining() const { return FDraining; }
  // Whether the health route says 200: started, not draining, and the application's last health
  // probe passed.
  bool Healthy() const;
  bool Started() const;
  int ServerPort() const;
  void SetServerPort(int Value);
  // The TLS files the server serves with when the option UseSSL is on; read by StartServer.
  TFacetSSLOptions& SSLOptions() { return FSSLOptions; }
  // Takes the port, TLS, limits and monitoring from the settings file (see TFacetINIConfig).
  void ReadINIConfig(int ADefaultPort);

  TFacetOptions& Options() { return FOptions; }
  const TFacetOptions& Options() const override { return FOptions; }
  // The server's limits.  The transport and the budgets per address take a copy when the server
  // starts; the session registry and the sweep read them as they are.
  TFacetServerLimits& Limits() { return FLimits; }
  const TFacetServerLimits& Limits() const { return FLimits; }
  TFacetMonitoring& Monitoring() { return FMonitoring; }
  const TFacetMonitoring& Monitoring() const { return FMonitoring; }
  TFacetMetrics& Metrics() { return FMetrics; }
  // Whether a client address may read the metrics (they are on, and it is local or listed).
  bool MetricsAllowed(const std::string& AClientAddress) const;
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
  // Makes and registers a new anonymous session for a client address (its UUID unique among the
  // registered ones).  The address must be within its share of anonymous sessions and its rate
  // of new ones; when the address's share or the table is full, the oldest anonymous session
  // that has no open socket (of that address, or of anyone) is closed to make room.  nullptr when
  // no room can be made.
  std::shared_ptr<TFacetSession> CreateSession(const std::string& AClientAddress = {});
  std::shared_ptr<TFacetSession> SessionByUUID(const std::string& UUID) const;
  bool SessionValid(const std::string& UUID) const;
  // The token is compared in constant time.
  bool SessionValid(const std::string& Token, const std::string& UUID) const;
  // The one way in for a request that names a session: the session when the pair names a valid
  // one (its expiry renewed unless `ARenew` is false), else nullptr.
  std::shared_ptr<TFacetSession> ValidSession(const std::string& Token, const std::string& UUID,
                                              bool ARenew = true) const;
  // The application's mark of a session worth keeping (an accepted login): it leaves its
  // address's anonymous share and is never closed to make room.
  void MarkEstablished(TFacetSession& ASession);
  // Gives the session a new UUID and token; the old pair names nothing from then on.  Called when
  // the session's user changes (a login), so that a pair known before cannot follow the user.
  void RenewIdentity(TFacetSession& ASession);
  TFacetClientBudgets& Budgets() { return FBudgets; }
  // Where an application's login counts failed attempts.
  TFacetLoginThrottle& LoginThrottle() { return FLoginThrottle; }
  // The session whose form code the calling thread runs.  The main thread raises error 7001
  // (when alerting); a thread that runs no session's code raises error 7002.
  TFacetSession* SessionByThreadID(std::thread::id FThreadID,
                                   bool AAlertErrorThreadID = true) const;
  std::vector<std::shared_ptr<TFacetSession>> Sessions() const;
  int SessionCount() const;
  // The session's place among the registered ones in the registry's order (1 for the first), 0
  // when it is not registered.
  int SessionIndex(const TFacetSession& ASession) const;
  // Takes a closed session out of the registry.
  void RemoveSession(TFacetSession& ASession);
  // Closes the sessions that expired, had no open WebSocket for the idle timeout, or never
  // opened one within the unopened grace; ends waits older than the wait limit.
  void SweepSessions() { SweepSessions(Now()); }
  // The same with expiry judged as of `ANow`.
  void SweepSessions(TDateTime ANow);
  // Creates the session's primary form; runs as a piece of the new session.
  void InstancePrimaryForm(TFacetSession& AFacetSession);
  void DoNewSession(const TFacetHTTPRequest& Request, TFacetHTTPResponse& Response,
                    TFacetSession& Session);
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
  // The application's health: true while it can serve (Vozmira: its database answers).  Run on a
  // thread of its own every HealthProbeInterval while the server runs, never on an I/O thread,
  // since it may wait for a slow database; the health route reports the last result.
  std::function<bool()> OnHealthProbe;

private:
  void Sweeper();
  void Prober();
  // A UUID no registered session has.  Called with CriticalSession held.
  std::string FreeUUID() const;
  // The oldest anonymous session with no open socket (of that address when one is given).
  std::shared_ptr<TFacetSession> EvictionCandidate(const std::string* AClientAddress) const;

  TFacetOptions FOptions;
  TFacetServerLimits FLimits;
  TFacetClientBudgets FBudgets;
  TFacetLoginThrottle FLoginThrottle;
  TFacetMonitoring FMonitoring;
  TFacetMetrics FMetrics;
  std::atomic<bool> FDraining = false;
  std::atomic<bool> FProbePassed = true;
  int FServerPort = 8888;
  TFacetSSLOptions FSSLOptions;
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
  // Runs OnHealthProbe now and then.
  std::thread FProber;
  bool FSweeperStop = false;
};

// The server, or nullptr while none exists.
TFacetBaseClass* FacetBaseClass();

// Blocks SIGTERM and SIGINT, and the signals of `also`, in the calling thread and in every thread
// it starts from now on (call it first thing in main, before any library starts threads or
// installs handlers of its own), then waits for one of them: how a server process ends in an
// orderly way under a service manager, and how it hears other requests (SIGUSR1).
class TTerminationSignals {
public:
  explicit TTerminationSignals(std::initializer_list<int> also = {});
  // Returns the signal that arrived.
  int Wait();
  // SIGTERM or SIGINT when one arrived within `ALimit` (the others asked for stay pending), 0
  // when none did.
  int Wait(std::chrono::milliseconds ALimit);

private:
  sigset_t FSignals;
};
