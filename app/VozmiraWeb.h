#pragma once

// Vozmira served to browsers: the web starter (server controller), what each browser session
// keeps (its own data module and the user it logged in as), the login gate and the moves between
// the working pages.

#include "app/Acesso.h"
#include "runtime/Object.h"

#include <functional>
#include <memory>
#include <string>

class TDM;
class TFacetBaseClass;

// What one browser session of Vozmira keeps: its own data module, never shared, the settings
// file its database is read from, and the user the login accepted (an empty login before).
// The module connects when a login is to be checked: a session that only shows the login page
// holds no database attachment.
class TVozmiraSessionData : public TObject {
public:
  TVozmiraSessionData();
  ~TVozmiraSessionData() override;
  std::unique_ptr<TDM> Module;
  std::string ConfigFile;
  TUsuarioLogado Usuario;
};

// The calling session's data; nullptr outside a web session (on the desktop).
TVozmiraSessionData* VozmiraSessionData();

// Checks a login typed into a web session's login page with `ACheck`, on the session's data
// module, connected first: refused unchecked while the session's address or the user name waits
// after failed attempts; every attempt is logged with the address and the user name, never the
// password.
bool CheckWebLogin(const std::string& AUser, const std::function<bool()>& ACheck);
// Records the accepted user in the session, opens its data module's queries in their fixed
// order, and shows the dashboard.
void OpenWorkingPages(const TUsuarioLogado& AUsuario);
// Shows a working page: "dashboard", "solicitacoes", "situacoes", "tipossolicitacao",
// "unidades", "tiposunidade", "prefeitura", "tiposusuario" or "usuarios".  Nothing happens before
// a login, for another name, or for a page whose form the user's access level may not open (the
// refusal is logged).
void NavigateTo(const std::string& APage);
// The form class of a working page, empty for a name that is none.
std::string WorkingPageClass(const std::string& APage);
// Ends the session; the browser comes back to a fresh login page.
void LeaveSession();

// Vozmira's web server as the program runs it, not yet started: the database attached for the
// server's life (made with its starting data on first start), the framework's languages and
// manager, the server controller, and a server whose sessions each get a data module of their
// own.  Its end shuts the server down in order.
class TVozmiraWebServer {
public:
  explicit TVozmiraWebServer(const std::string& configFile);
  ~TVozmiraWebServer();
  TVozmiraWebServer(const TVozmiraWebServer&) = delete;
  TVozmiraWebServer& operator=(const TVozmiraWebServer&) = delete;
  TFacetBaseClass& Server();
  // A backup of an embedded database into the settings' backup folder (see TakeBackup).
  void TakeBackup();

private:
  struct TParts;
  std::unique_ptr<TParts> FParts;
};

// Starts the web server with the settings of `configFile` ("Config.ini" beside the program when
// empty: database, and the port in "Duo Server Config", where 0 picks a free one), prints the
// address to open, and serves until SIGTERM or SIGINT; SIGUSR1 takes a backup of an embedded
// database (TakeBackup).  The caller must have created a TTerminationSignals for SIGUSR1 too
// before anything started a thread.
int RunVozmiraWeb(const std::string& configFile = {});
