#pragma once

// The user form: one staff user, new or existing.  Its data controls write into the current
// record of the data module's user query, which the user list prepares before showing the form.

#include "app/SessionGlobal.h"
#include "bridge/Duo.Forms.h"
#include "data/DBCtrls.h"
#include "ui/Buttons.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

class TfUsuario : public TDuoForm {
  DUO_CLASS(TfUsuario, TDuoForm)

public:
  explicit TfUsuario(TComponent* AOwner);
  ~TfUsuario() override;

  TPanel* pnButtons;
  TLabel* lblTituloTela;
  TBitBtn* btnSair;
  TGroupBox* gpbListagem;
  TLabel* lblIdUsuario;
  TDBEdit* dbeIdUsuario;
  TLabel* lblLogin;
  TDBEdit* dbeLogin;
  TLabel* lblNome;
  TDBEdit* dbeNome;
  TLabel* lblDataNascimento;
  TDBEdit* dbeDataNascimento;
  TLabel* lblEmail;
  TDBEdit* dbeEmail;
  TLabel* lblSenha;
  TDBEdit* dbeSenha;
  TLabel* lblCelular;
  TDBEdit* dbeCelular;
  TLabel* lblTipoUsuario;
  TDBLookupComboBox* cbbTipoUsuario;
  TLabel* lblFoto;
  TDBImage* dbiFoto;
  TPanel* pnlBotoes;
  TBitBtn* btnSalvar;
  TBitBtn* btnCancelar;

  // Stores the user, reads it again and closes the form.
  void btnSalvarClick(TObject* Sender);
  // Discards the changes and closes the form.
  void btnCancelarClick(TObject* Sender);
  void btnSairClick(TObject* Sender);
  // The form has no web layout of its own.
  void ExportDuo() override;
};

extern TSessionGlobal<TfUsuario> fUsuario;
