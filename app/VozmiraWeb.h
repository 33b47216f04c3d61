#pragma once

// Vozmira served to browsers: the web starter (server controller), what each browser session
// keeps (its own data module and the user it logged in as), the login gate and the moves between
// the working pages.

#include "runtime/Object.h"

#include <functional>
#include <memory>
#include <string>

class TDM;

// What one browser session of Vozmira keeps: its own data module, never shared, the settings
// file its database is read from, and the user whose pair the login accepted (empty before).
// The module connects once a login was accepted: a session on the login page holds no database
// attachment.
class TVozmiraSessionData : public TObject {
public:
  TVozmiraSessionData();
  ~TVozmiraSessionData() override;
  std::unique_ptr<TDM> Module;
  std::string ConfigFile;
  std::string User;
};

// The calling session's data; nullptr outside a web session (on the desktop).
TVozmiraSessionData* VozmiraSessionData();

// Records the accepted user in the session, connects its data module with its queries opened in
// their fixed order, and shows the dashboard.
// Checks a login typed into a web session's login page with `ACheck`: refused unchecked while the
// session's address or the user name waits after failed attempts; every attempt is logged with
// the address and the user name, never the password.
bool CheckWebLogin(const std::string& AUser, const std::function<bool()>& ACheck);
void OpenWorkingPages(const std::string& AUser);
// Shows a working page: "dashboard" or "solicitacoes".  Nothing happens before a login.
void NavigateTo(const std::string& APage);
// Ends the session; the browser comes back to a fresh login page.
void LeaveSession();

// Starts the web server with the settings of `configFile` ("Config.ini" beside the program when
// empty: database, and the port in "Duo Server Config", where 0 picks a free one), prints the
// address to open, and serves until SIGTERM or SIGINT.  The caller must
// have created a TTerminationSignals before anything started a thread.
int RunVozmiraWeb(const std::string& configFile = {});
