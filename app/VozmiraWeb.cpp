#include "app/VozmiraWeb.h"

#include "app/DatabaseBackup.h"
#include "app/DuoFormTemplate.h"
#include "app/uDM.h"
#include "app/uLogin.h"
#include "app/uMenu.h"
#include "bridge/Duo.Instance.h"
#include "data/Connection.h"
#include "lang/Duo.Lang.Core.h"
#include "server/Facet.BaseClass.h"
#include "server/Facet.Session.h"

#include <chrono>
#include <iostream>
#include <string_view>

namespace {

// Names the server and notes the sessions that start and end.
class TVozmiraServerController : public IDuoServerControllerBase {
public:
  std::string ServerName() const override { return "Vozmira"; }
  std::string ServerDescription() const override {
    return "Ouvidoria Municipal: solicitações dos cidadãos";
  }
  // Each line is written whole: sessions start and end on several threads at once.
  void SessionChanged(TSessionChangeType AKind, TFacetSession& ASession) override {
    if (AKind == TSessionChangeType::scNewSession)
      std::clog << ("session " + ASession.GetUUID() + " from " + ASession.InfoConnection().GetIP() +
                    " started\n");
    else if (AKind == TSessionChangeType::scCloseSession)
      std::clog << ("session " + ASession.GetUUID() + " closed\n");
  }
};

struct TWorkingPage {
  std::string_view Page;
  std::string_view FormClass;
};

// The working pages by the names the navigation bar asks for them with.
constexpr TWorkingPage WorkingPages[] = {
    {"dashboard", "TfDashboard"},      {"solicitacoes", "TfLisSolicitacoes"},
    {"situacoes", "TfCadSituacao"},    {"tipossolicitacao", "TfCadTipoSolicitacao"},
    {"unidades", "TfCadUnidades"},     {"tiposunidade", "TfCadTipoUnidade"},
    {"prefeitura", "TfCadPrefeitura"}, {"tiposusuario", "TfCadTipoUsuario"},
    {"usuarios", "TfCadUsuarios"},
};

// The session's form of a working page, or nullptr while it has none.
TDuoForm* ExistingPage(std::string_view AFormClass) {
  TDuoInstance* registry = CurrentDuoInstance();
  return registry != nullptr ? dynamic_cast<TDuoForm*>(
                                   registry->GetInstance(FormClassByName(std::string(AFormClass))))
                             : nullptr;
}

// The working page of that form class, created in the session on first need.
TDuoForm* WorkingPage(const std::string& AFormClass) {
  if (TDuoForm* page = ExistingPage(AFormClass))
    return page;
  return static_cast<TDuoForm*>(TDuoForm::CreateInstance(&FormClassByName(AFormClass)));
}

} // namespace

TVozmiraSessionData::TVozmiraSessionData() = default;

TVozmiraSessionData::~TVozmiraSessionData() = default;

TVozmiraSessionData* VozmiraSessionData() {
  TFacetSession* session = TFacetSession::Current();
  return session != nullptr ? dynamic_cast<TVozmiraSessionData*>(session->GetData()) : nullptr;
}

namespace {

// A user name as a log line shows it: quoted, with control characters (line breaks) replaced.
std::string LogName(const std::string& AUser) {
  std::string shown = "'";
  for (const char c : AUser)
    shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
  return shown + "'";
}

} // namespace

bool CheckWebLogin(const std::string& AUser, const std::function<bool()>& ACheck) {
  TFacetSession* session = TFacetSession::Current();
  TFacetBaseClass* server = FacetBaseClass();
  TVozmiraSessionData* data = VozmiraSessionData();
  if (session == nullptr || server == nullptr || data == nullptr)
    return false;
  const std::string address = session->ClientAddress();
  TFacetLoginThrottle& throttle = server->LoginThrottle();
  const auto now = std::chrono::steady_clock::now();
  // Too soon after failures of this address or name: refused like a wrong pair, unchecked.
  const bool allowed = throttle.Allowed(address, AUser, now);
  // The users are read from the database: the session's module attaches for the check.
  if (allowed)
    data->Module->Connect(data->ConfigFile);
  if (allowed && ACheck()) {
    throttle.Succeeded(address, AUser);
    std::clog << ("login of " + LogName(AUser) + " from " + address + " accepted\n");
    return true;
  }
  if (allowed)
    throttle.Failed(address, AUser, now);
  else
    server->Metrics().CountRefusal(TFacetRefusal::LoginThrottled);
  std::clog << ("login of " + LogName(AUser) + " from " + address +
                (allowed ? " refused\n" : " refused: too many failures\n"));
  return false;
}

void OpenWorkingPages(const TUsuarioLogado& AUsuario) {
  TVozmiraSessionData* data = VozmiraSessionData();
  if (data == nullptr)
    return;
  // The session is now a user's: it is kept under load, and the pair its page was served with
  // (which anyone could have planted or seen before the login) names nothing any more.  The
  // working page's reload carries the new pair.
  TFacetSession* session = TFacetSession::Current();
  FacetBaseClass()->MarkEstablished(*session);
  FacetBaseClass()->RenewIdentity(*session);
  // The user is known before the queries open: a citizen's list holds only their own requests.
  const bool first = data->Usuario.Login.empty();
  data->Usuario = AUsuario;
  if (first)
    data->Module->OpenQueries();
  TFacetSession::Current()->InfoConnection().SetUser(AUsuario.Login);
  NavigateTo("dashboard");
}

std::string WorkingPageClass(const std::string& APage) {
  for (const TWorkingPage& page : WorkingPages)
    if (page.Page == APage)
      return std::string(page.FormClass);
  return {};
}

void NavigateTo(const std::string& APage) {
  const TVozmiraSessionData* data = VozmiraSessionData();
  // The login gate: no working page opens before a login was accepted in this session.
  if (data == nullptr || data->Usuario.Login.empty())
    return;
  // An open request or user form is modal, as on the desktop: the pages stay where they are
  // until it is closed.
  if (TFacetSession::Current()->Application().GetModalLevel() > 0)
    return;
  const std::string formClass = WorkingPageClass(APage);
  if (formClass.empty())
    return;
  // Whatever the browser sends, a page the user's level may not open is not made.
  if (!PodeAbrir(formClass)) {
    std::clog << ("page " + formClass + " refused to " + LogName(data->Usuario.Login) + " from " +
                  TFacetSession::Current()->ClientAddress() + "\n");
    return;
  }
  // The browser shows the page of the form shown last, and showing a form that is already
  // visible changes nothing; so the working page being left is hidden once the other one is
  // shown, and coming back to it shows it again.
  TDuoForm* target = WorkingPage(formClass);
  target->Show();
  for (const TWorkingPage& page : WorkingPages)
    if (TDuoForm* other = ExistingPage(page.FormClass))
      if (other != target && other->GetVisible())
        other->Hide();
}

void LeaveSession() {
  if (TFacetSession* session = TFacetSession::Current())
    session->Close();
}

// What the web server is made of, in the order it is made and the reverse order it goes.
struct TVozmiraWebServer::TParts {
  // The database is made (on first start) before any session can ask for it.  This attachment
  // stays for the server's life: sessions give theirs back when idle, and with none left the
  // engine would close the database and read it anew on the next attach.
  TDM Keeper{nullptr};
  // The health probe's own attachment: the probe runs on a thread of its own.
  TConnection Probe{nullptr};
  std::string ConfigFile;
  TDuoManager Manager;
  TVozmiraServerController Controller;
  TFacetBaseClass Server;
};

TVozmiraWebServer::TVozmiraWebServer(const std::string& configFile)
    : FParts(std::make_unique<TParts>()) {
  FParts->Keeper.ConnectAtStart(configFile);
  FParts->ConfigFile = configFile.empty() ? TDM::DefaultConfigFile() : configFile;
  DuoLangCore = std::make_unique<TDuoLangCore>();
  const TDuoLangs languages(std::begin(AllDuoLangs), std::end(AllDuoLangs));
  DuoLangCore->SetLanguages(languages);
  TDuoManager& manager = FParts->Manager;
  TFacetBaseClass& server = FParts->Server;
  manager.SetPrimaryFormClass(&TfLogin::StaticClass());
  manager.SetLanguages(languages);
  server.SetServerController(&FParts->Controller);
  manager.SetServerController(&FParts->Controller);
  if (!configFile.empty())
    server.SetINIConfigFile(configFile);
  server.ReadINIConfig(8888);
  server.Options().SetIncludeJQuery(true);
  // Healthy while the database answers a statement; a lost attachment is made again by the
  // next probe.
  TConnection& probe = FParts->Probe;
  probe.GetParams().Assign(FParts->Keeper.conBD->GetParams());
  server.OnHealthProbe = [&probe] {
    probe.ExecSQL("EXECUTE BLOCK AS BEGIN END");
    return true;
  };
  server.Metrics().AddGauge("vozmira_database_attachments",
                            "Database attachments the process holds (sessions and its own).",
                            [] { return static_cast<double>(OpenAttachments()); });
  manager.SetFacet(&server);
  server.OnSessionStarting = [configFile](TFacetSession& session) {
    auto data = std::make_unique<TVozmiraSessionData>();
    data->Module = std::make_unique<TDM>(nullptr);
    data->ConfigFile = configFile;
    DM = data->Module.get();
    session.SetData(std::move(data));
  };
  // An idle session keeps its records but not its database attachment, which costs the engine
  // far more memory than the records; the next piece of work that reads or saves attaches again.
  server.OnSessionIdle = [](TFacetSession& session) {
    if (auto* data = dynamic_cast<TVozmiraSessionData*>(session.GetData()))
      data->Module->conBD->Release();
  };
}

TVozmiraWebServer::~TVozmiraWebServer() {
  FParts->Server.Shutdown();
  FParts->Manager.SetFacet(nullptr);
}

TFacetBaseClass& TVozmiraWebServer::Server() {
  return FParts->Server;
}

void TVozmiraWebServer::TakeBackup() {
  ::TakeBackup(*FParts->Keeper.conBD, FParts->ConfigFile);
}

int RunVozmiraWeb(const std::string& configFile) {
  TVozmiraWebServer web(configFile);
  TFacetBaseClass& server = web.Server();
  server.StartServer();
  std::cout << "Vozmira: open " << (server.Options().GetUseSSL() ? "https" : "http")
            << "://localhost:" << server.ServerPort() << "/ in a browser\n"
            << std::flush;
  // SIGUSR1 asks for a backup of the database, taken while the sessions go on.
  TTerminationSignals signals({SIGUSR1});
  int signal = 0;
  while ((signal = signals.Wait()) == SIGUSR1)
    web.TakeBackup();
  std::clog << "signal " << signal << ": stopping\n";
  // Behind a load balancer: the health route says 503 at once, and the sessions stay served
  // until it has stopped sending new ones here (a second signal cuts the wait short).  The
  // server's end shuts it down in order.
  server.BeginDrain();
  if (server.Monitoring().DrainTime.count() > 0)
    signals.Wait(server.Monitoring().DrainTime);
  return 0;
}
