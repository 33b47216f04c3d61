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
  // A new password; empty leaves the stored one as it is.
  TEdit* edtSenha;
  TLabel* lblCelular;
  TDBEdit* dbeCelular;
  TLabel* lblTipoUsuario;
  TDBLookupComboBox* cbbTipoUsuario;
  TLabel* lblFoto;
  TDBImage* dbiFoto;
  TPanel* pnlBotoes;
  TBitBtn* btnSalvar;
  TBitBtn* btnCancelar;

  // Stores the user (with the typed password, as a hash, when one was typed), reads it again and
  // closes the form.
  void btnSalvarClick(TObject* Sender);
  // Discards the changes and closes the form.
  void btnCancelarClick(TObject* Sender);
  void btnSairClick(TObject* Sender);
  // In the browser: takes the picture file sent through the page's upload item as the photo.
  void FormUpload(TStrings* AFiles, TObject* Sender);
  // The web page: the fields, the photo with its upload item, "Salvar" and "Cancelar".
  void ExportDuo() override;
};

extern TSessionGlobal<TfUsuario> fUsuario;
