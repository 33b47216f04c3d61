#pragma once

// The login form: the user types a user name and a password, which must be those of a user of
// the office's users table.  The accepted user is kept for the rest of the run (on the web, of
// the session): the requests the user registers are theirs, and the user's access level decides
// which forms open.

#include "app/SessionGlobal.h"
#include "bridge/Duo.Forms.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

#include <string>

class TfLogin : public TDuoForm {
  DUO_CLASS(TfLogin, TDuoForm)

public:
  explicit TfLogin(TComponent* AOwner);
  ~TfLogin() override;

  TImage* Image2;
  TLabel* Label1;
  TLabel* lblLogin;
  TEdit* edtLogin;
  TLabel* lblSenha;
  TEdit* edtSenha;
  TButton* btnEntrar;
  TButton* Button1;
  TImage* Image1;

  // Makes sure a data module exists: one owned by the form when none was created before it.
  void FormCreate(TObject* Sender);
  // Checks the typed pair; an accepted pair closes the form with the modal result mrOk.
  void btnEntrarClick(TObject* Sender);
  // Ends the program.
  void Button1Click(TObject* Sender);

  // The login page: the user-name and password pairs and the "Entrar" button.
  void ExportDuo() override;
};

extern TSessionGlobal<TfLogin> fLogin;

// The login name of the user the login accepted; empty until a login succeeded.
const std::string& UsuarioLogado();
