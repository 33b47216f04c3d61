#pragma once

// The list of staff users with their user type; opens the user form for a new user or for the
// selected one.

#include "bridge/Duo.Forms.h"
#include "data/DBGrids.h"
#include "ui/Buttons.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

class TfCadUsuarios : public TDuoForm {
  DUO_CLASS(TfCadUsuarios, TDuoForm)

public:
  explicit TfCadUsuarios(TComponent* AOwner);

  TPanel* pnButtons;
  TLabel* lblTituloTela;
  TBitBtn* btnSair;
  TPanel* Panel1;
  TBitBtn* btnNovo;
  TBitBtn* btnAlterar;
  TGroupBox* gpbListagem;
  TDBGrid* DBGrid1;

  void btnNovoClick(TObject* Sender);
  void btnAlterarClick(TObject* Sender);
  void btnSairClick(TObject* Sender);
  // The web page: the title bar, "Novo" and "Alterar", and the grid of users.
  void ExportDuo() override;

private:
  // Shows the user form on the user query as it was prepared.
  void MostrarUsuario();
};
