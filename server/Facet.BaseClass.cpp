#include "server/Facet.BaseClass.h"

#include "bridge/Duo.Forms.h"
#include "bridge/Duo.Instance.h"
#include "runtime/Exceptions.h"
#include "runtime/MainThread.h"
#include "runtime/Random.h"
#include "server/Facet.Server.HTML.h"
#include "server/Facet.Server.HTMLHeaders.h"
#include "server/Facet.Server.TCP.h"
#include "server/Facet.Session.Executor.h"
#include "server/Facet.Session.Web.h"
#include "server/Facet.Session.h"
#include "ui/Forms.h"

#include <algorithm>
#include <csignal>
#include <iostream>
#include <malloc.h>
#include <pthread.h>

namespace {

TFacetBaseClass* TheFacetBaseClass = nullptr;

void CreateDirectoryChecked(const std::filesystem::path& APath) {
  std::filesystem::create_directories(APath);
}

} // namespace

TFacetBaseClass* FacetBaseClass() {
  return TheFacetBaseClass;
}

TFacetBaseClass::TFacetBaseClass()
    : FFacetServerHTMLHeaders(std::make_unique<TFacetServerHTMLHeaders>(*this)),
      FFacetServerHTML(std::make_unique<TFacetServerHTML>(*this)) {
  FFacetServerTCP =
      std::make_unique<TFacetServerTCP>(*FFacetServerHTML, FLimits, FBudgets, FMetrics);
  TheFacetBaseClass = this;
  const auto sessions = [this](bool AEstablished) {
    return [this, AEstablished] {
      std::lock_guard guard(CriticalSession);
      return static_cast<double>(
          std::count_if(FSessions.begin(), FSessions.end(), [AEstablished](const auto& entry) {
            return entry.second->Established() == AEstablished;
          }));
    };
  };
  FMetrics.AddGauge("duo_sessions{state=\"anonymous\"}",
                    "Registered sessions, anonymous or established by the application (a login).",
                    sessions(false));
  FMetrics.AddGauge("duo_sessions{state=\"established\"}", "", sessions(true));
  FMetrics.AddGauge("duo_connections", "Open client connections.",
                    [this] { return static_cast<double>(FFacetServerTCP->ConnectionCount()); });
  FMetrics.AddGauge("duo_draining", "1 from the moment an orderly stop began.",
                    [this] { return FDraining ? 1.0 : 0.0; });
}

TFacetBaseClass::~TFacetBaseClass() {
  Shutdown();
  FFacetServerTCP.reset();
  if (TheFacetBaseClass == this)
    TheFacetBaseClass = nullptr;
}

void TFacetBaseClass::StartServer() {
  if (Started())
    return;
  // Form code runs only on session threads from now on: a thread without a session has no
  // application to attach controls to.
  RequireApplicationScope();
  TDuoForm::SetDuoContext(true);
  const std::filesystem::path root = FOptions.RootPath();
  CreateDirectoryChecked(root);
  CreateDirectoryChecked(root / FOptions.GetPathCSS());
  CreateDirectoryChecked(root / FOptions.GetPathJS());
  CreateDirectoryChecked(root / "temp");
  std::filesystem::remove_all(root / "temp" / "Sessions");
  CreateDirectoryChecked(root / "temp" / "Sessions");
  FFacetServerTCP->SetRootDirectory(root);
  TFacetSessionExecutor::Configure(FLimits.WorkerThreads, FLimits.FormCodeStackBytes);
  // A server asked for TLS never falls back to plain HTTP.
  if (FOptions.GetUseSSL()) {
    if (FSSLOptions.CertFile.empty() || FSSLOptions.KeyFile.empty())
      throw Exception("TLS is on but no certificate and key files are set");
    FFacetServerTCP->InitSSL(FSSLOptions.CertFile, FSSLOptions.KeyFile);
  }
  FBudgets.SetLimits(FLimits);
  FFacetServerTCP->Start(FServerPort);
  FFacetServerHTML->PrepareAssets();
  {
    std::lock_guard guard(FLiveLock);
    FSweeperStop = false;
  }
  FSweeper = std::thread([this] { Sweeper(); });
  FDraining = false;
  FProbePassed = true;
  if (OnHealthProbe)
    FProber = std::thread([this] { Prober(); });
  // The settings file is told where the server listens.  A file the process may not write (a
  // service's settings are read-only to it) does not stop a server that is already serving.
  if (FOptions.GetUseINIConfig()) {
    try {
      FINIConfig.WriteServer(
          ServerPort(), FServerController != nullptr ? FServerController->ServerName() : "",
          FServerController != nullptr ? FServerController->ServerDescription() : "");
    } catch (const std::exception& e) {
      std::clog << (std::string(e.what()) + "; the server goes on without writing it\n");
    }
  }
}

void TFacetBaseClass::Sweeper() {
  std::unique_lock guard(FLiveLock);
  while (!FLiveChanged.wait_for(guard, FLimits.SweepInterval, [this] { return FSweeperStop; })) {
    guard.unlock();
    SweepSessions();
    guard.lock();
  }
}

void TFacetBaseClass::Prober() {
  std::unique_lock guard(FLiveLock);
  do {
    guard.unlock();
    bool passed = false;
    try {
      passed = OnHealthProbe();
    } catch (const std::exception& e) {
      std::cerr << "health probe: " << e.what() << '\n';
    }
    if (passed != FProbePassed.exchange(passed))
      std::clog << (passed ? "health probe passes again\n" : "health probe fails\n");
    guard.lock();
  } while (!FLiveChanged.wait_for(guard, FMonitoring.HealthProbeInterval,
                                  [this] { return FSweeperStop; }));
}

void TFacetBaseClass::StopServer() {
  {
    std::lock_guard guard(FLiveLock);
    FSweeperStop = true;
    FLiveChanged.notify_all();
  }
  if (FSweeper.joinable())
    FSweeper.join();
  if (FProber.joinable())
    FProber.join();
  FFacetServerHTML->StopPreparingAssets();
  FFacetServerTCP->Stop();
}

void TFacetBaseClass::BeginDrain() {
  if (!FDraining.exchange(true))
    std::clog << "draining: the health route says 503 from now on\n";
}

bool TFacetBaseClass::Healthy() const {
  return Started() && !FDraining && FProbePassed;
}

bool TFacetBaseClass::MetricsAllowed(const std::string& AClientAddress) const {
  if (!FMonitoring.Metrics)
    return false;
  if (AClientAddress == "127.0.0.1" || AClientAddress == "::1" ||
      AClientAddress == "::ffff:127.0.0.1")
    return true;
  return std::find(FMonitoring.MetricsAddresses.begin(), FMonitoring.MetricsAddresses.end(),
                   AClientAddress) != FMonitoring.MetricsAddresses.end();
}

void TFacetBaseClass::ReadINIConfig(int ADefaultPort) {
  SetServerPort(FINIConfig.ServerPort(ADefaultPort));
  FOptions.SetUseSSL(FINIConfig.UseSSL());
  FSSLOptions.CertFile = FINIConfig.SSLCertificateFile();
  FSSLOptions.KeyFile = FINIConfig.SSLPrivateKeyFile();
  ReadLimits(FINIConfig.FileINIConfig(), FLimits);
  ReadMonitoring(FINIConfig.FileINIConfig(), FMonitoring);
}

void TFacetBaseClass::Shutdown() {
  StopServer();
  for (const std::shared_ptr<TFacetSession>& session : Sessions())
    session->Close();
  std::unique_lock guard(FLiveLock);
  FLiveChanged.wait(guard, [this] { return FLive == 0; });
}

bool TFacetBaseClass::Started() const {
  return FFacetServerTCP->Active();
}

int TFacetBaseClass::ServerPort() const {
  return Started() ? FFacetServerTCP->Port() : FServerPort;
}

void TFacetBaseClass::SetServerPort(int Value) {
  FServerPort = Value;
}

std::string TFacetBaseClass::FreeUUID() const {
  std::string uuid;
  do
    uuid = GenerateRandomString(12);
  while (FSessions.count(uuid) != 0);
  return uuid;
}

std::shared_ptr<TFacetSession>
TFacetBaseClass::EvictionCandidate(const std::string* AClientAddress) const {
  std::lock_guard guard(CriticalSession);
  std::shared_ptr<TFacetSession> oldest;
  for (const auto& [uuid, session] : FSessions)
    if (!session->Established() && session->OpenedConnections() == 0 &&
        (AClientAddress == nullptr || session->ClientAddress() == *AClientAddress) &&
        (!oldest || session->IdleSince() < oldest->IdleSince()))
      oldest = session;
  return oldest;
}

std::shared_ptr<TFacetSession> TFacetBaseClass::CreateSession(const std::string& AClientAddress) {
  using TGrant = TFacetClientBudgets::TGrant;
  TGrant grant = FBudgets.TakeAnonymousSession(AClientAddress, std::chrono::steady_clock::now());
  if (grant == TGrant::ShareFull) {
    if (const std::shared_ptr<TFacetSession> victim = EvictionCandidate(&AClientAddress)) {
      victim->Close();
      grant = FBudgets.TakeAnonymousSession(AClientAddress, std::chrono::steady_clock::now());
    }
  }
  if (grant != TGrant::Granted) {
    FMetrics.CountRefusal(grant == TGrant::TooFast ? TFacetRefusal::NewSessionsPerAddress
                                                   : TFacetRefusal::SessionsPerAddress);
    return nullptr;
  }
  // The session is made outside the registry's lock (it builds its application); the lock only
  // registers it, under a UUID no other session has.
  auto made = std::make_shared<TFacetSession>(*this, GenerateRandomString(12), AClientAddress);
  std::shared_ptr<TFacetSession> session;
  for (int attempt = 0; attempt < 2 && !session; ++attempt) {
    {
      std::lock_guard guard(CriticalSession);
      if (static_cast<int>(FSessions.size()) < FLimits.MaxSessions) {
        if (FSessions.count(made->GetUUID()) != 0)
          made->SetIdentity(FreeUUID(), made->GetToken());
        session = made;
        FSessions.emplace(session->GetUUID(), session);
      }
    }
    if (!session) {
      const std::shared_ptr<TFacetSession> victim = EvictionCandidate(nullptr);
      if (!victim)
        break;
      victim->Close();
    }
  }
  if (!session) {
    FMetrics.CountRefusal(TFacetRefusal::SessionTableFull);
    FBudgets.GiveAnonymousSession(AClientAddress);
    return nullptr;
  }
  FMetrics.CountSessionStarted();
  std::lock_guard guard(FLiveLock);
  ++FLive;
  return session;
}

std::shared_ptr<TFacetSession> TFacetBaseClass::SessionByUUID(const std::string& UUID) const {
  std::lock_guard guard(CriticalSession);
  const auto found = FSessions.find(UUID);
  return found != FSessions.end() ? found->second : nullptr;
}

bool TFacetBaseClass::SessionValid(const std::string& UUID) const {
  const std::shared_ptr<TFacetSession> session = SessionByUUID(UUID);
  return session && session->Valid(Now());
}

bool TFacetBaseClass::SessionValid(const std::string& Token, const std::string& UUID) const {
  return ValidSession(Token, UUID, false) != nullptr;
}

std::shared_ptr<TFacetSession> TFacetBaseClass::ValidSession(const std::string& Token,
                                                             const std::string& UUID,
                                                             bool ARenew) const {
  if (Token.empty() || UUID.empty())
    return nullptr;
  std::shared_ptr<TFacetSession> session = SessionByUUID(UUID);
  if (!session || !session->Valid(Now()) || !SameSecret(session->GetToken(), Token))
    return nullptr;
  if (ARenew)
    session->RenewExpireDate();
  return session;
}

void TFacetBaseClass::MarkEstablished(TFacetSession& ASession) {
  ASession.MarkEstablished();
  if (ASession.ReleaseAnonymous())
    FBudgets.GiveAnonymousSession(ASession.ClientAddress());
}

void TFacetBaseClass::RenewIdentity(TFacetSession& ASession) {
  std::lock_guard guard(CriticalSession);
  const auto found = FSessions.find(ASession.GetUUID());
  if (found == FSessions.end() || found->second.get() != &ASession)
    return;
  std::shared_ptr<TFacetSession> session = found->second;
  FSessions.erase(found);
  const std::string uuid = FreeUUID();
  session->SetIdentity(uuid, GenerateRandomString(24));
  FSessions.emplace(uuid, std::move(session));
}

TFacetSession* TFacetBaseClass::SessionByThreadID(std::thread::id FThreadID,
                                                  bool AAlertErrorThreadID) const {
  if (FThreadID == MainThreadID()) {
    if (AAlertErrorThreadID)
      throw Exception("Error in Thread becouse ID is Main Thread: Error 7001");
    return nullptr;
  }
  // A thread belongs to a session only while it runs a piece of that session's form code.
  TFacetSession* session =
      FThreadID == std::this_thread::get_id() ? TFacetSession::Current() : nullptr;
  if (session == nullptr && AAlertErrorThreadID)
    throw Exception("Error searching Session Thread, Session is nil: Error 7002");
  return session;
}

std::vector<std::shared_ptr<TFacetSession>> TFacetBaseClass::Sessions() const {
  std::lock_guard guard(CriticalSession);
  std::vector<std::shared_ptr<TFacetSession>> sessions;
  sessions.reserve(FSessions.size());
  for (const auto& [uuid, session] : FSessions)
    sessions.push_back(session);
  return sessions;
}

int TFacetBaseClass::SessionCount() const {
  std::lock_guard guard(CriticalSession);
  return static_cast<int>(FSessions.size());
}

int TFacetBaseClass::SessionIndex(const TFacetSession& ASession) const {
  std::lock_guard guard(CriticalSession);
  int index = 0;
  for (const auto& [uuid, session] : FSessions) {
    ++index;
    if (session.get() == &ASession)
      return index;
  }
  return 0;
}

void TFacetBaseClass::RemoveSession(TFacetSession& ASession) {
  {
    std::lock_guard guard(CriticalSession);
    const auto found = FSessions.find(ASession.GetUUID());
    if (found != FSessions.end() && found->second.get() == &ASession)
      FSessions.erase(found);
  }
  if (ASession.ReleaseAnonymous())
    FBudgets.GiveAnonymousSession(ASession.ClientAddress());
}

void TFacetBaseClass::SweepSessions(TDateTime ANow) {
  const auto steady = std::chrono::steady_clock::now();
  const auto idleSince = steady - FLimits.IdleSessionTimeout;
  const auto anonymousSince = steady - FLimits.AnonymousSessionTimeout;
  bool closed = false;
  for (const std::shared_ptr<TFacetSession>& session : Sessions()) {
    if (!session->Valid(ANow) ||
        (session->OpenedConnections() == 0 &&
         session->IdleSince() < (session->Established() ? idleSince : anonymousSince))) {
      session->Close();
      closed = true;
    } else {
      session->ExpireWaits(steady - FLimits.MaxWait);
    }
  }
  // What the closed sessions held goes back to the system, not only to the allocator: memory
  // taken by a burst of visitors (or an attacker) does not stay with the process.
  if (closed)
    ::malloc_trim(0);
}

void TFacetBaseClass::InstancePrimaryForm(TFacetSession& AFacetSession) {
  const TDuoManager* manager = DuoManager();
  if (manager == nullptr || manager->PrimaryFormClass() == nullptr)
    throw Exception("The web server has no primary form class");
  TCustomForm* form = AFacetSession.Instance().CreateInstance(*manager->PrimaryFormClass());
  if (auto* duoForm = dynamic_cast<TDuoForm*>(form))
    AFacetSession.Web().Activate(*duoForm);
}

void TFacetBaseClass::DoNewSession(const TFacetHTTPRequest& Request, TFacetHTTPResponse& Response,
                                   TFacetSession& Session) {
  SessionChanged(TSessionChangeType::scNewSession, Session);
  if (OnNewSession)
    OnNewSession(Request, Response, Session);
}

void TFacetBaseClass::DoCloseSession(TFacetSession& Session) {
  SessionChanged(TSessionChangeType::scCloseSession, Session);
  if (OnCloseSession)
    OnCloseSession(Session);
}

void TFacetBaseClass::SessionChanged(TSessionChangeType AKind, TFacetSession& ASession) {
  if (FServerController == nullptr)
    return;
  try {
    FServerController->SessionChanged(AKind, ASession);
  } catch (const std::exception& e) {
    std::cerr << "server controller: " << e.what() << '\n';
  }
}

void TFacetBaseClass::SessionTornDown() {
  std::lock_guard guard(FLiveLock);
  --FLive;
  FLiveChanged.notify_all();
}

namespace {

// The signals that ask a server process to end.
sigset_t EndingSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

} // namespace

TTerminationSignals::TTerminationSignals(std::initializer_list<int> also)
    : FSignals(EndingSignals()) {
  for (const int signal : also)
    sigaddset(&FSignals, signal);
  pthread_sigmask(SIG_BLOCK, &FSignals, nullptr);
}

int TTerminationSignals::Wait() {
  int signal = 0;
  while (sigwait(&FSignals, &signal) != 0) {
  }
  return signal;
}

int TTerminationSignals::Wait(std::chrono::milliseconds ALimit) {
  const sigset_t set = EndingSignals();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(ALimit);
  const timespec limit{static_cast<time_t>(seconds.count()),
                       static_cast<long>((ALimit - seconds).count() * 1000000)};
  const int signal = sigtimedwait(&set, nullptr, &limit);
  return signal > 0 ? signal : 0;
}
