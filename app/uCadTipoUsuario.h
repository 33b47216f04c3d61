#pragma once

// The user types and the access level each one stands for.

#include "app/CadastroForm.h"

class TfCadTipoUsuario : public detail::TCadastroForm {
  DUO_CLASS(TfCadTipoUsuario, detail::TCadastroForm)

public:
  explicit TfCadTipoUsuario(TComponent* AOwner);

  TLabel* lblIdTipoUsuario;
  TDBEdit* dbeIdTipoUsuario;
  TLabel* lblTipoUsuario;
  TDBEdit* dbeTipoUsuario;
  TDBRadioGroup* rdgTipoAcesso;
  // The browser's choice of the level: a list of the four letters, shown in the browser only.
  TLabel* lblTipoAcesso;
  TDBComboBox* dbcTipoAcesso;
};
