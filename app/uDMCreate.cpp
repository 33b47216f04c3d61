// The data module's start-up in the desktop program: connect, log in, open the queries, run the
// menu.

#include "app/Vozmira.h"
#include "app/uDM.h"
#include "app/uLogin.h"
#include "app/uMenu.h"
#include "ui/Forms.h"

TSessionGlobal<TDM> DM;

void TDM::DataModuleCreate(TObject* /*Sender*/) {
  ConnectAtStart(StartUpConfigFile());

  if (fLogin == nullptr)
    fLogin = CreateForm<TfLogin>(this);
  const TModalResult login = fLogin->ShowModal();
  delete fLogin;
  // Only an accepted pair lets the user in; any other end of the login ends the program, as
  // "Sair" does.
  if (login != mrOk)
    Application().Terminate();

  OpenQueries();

  if (fMenu == nullptr)
    fMenu = CreateForm<TfMenu>(this);
  fMenu->ShowModal();
  delete fMenu;
}
