#pragma once

// The unit types.  Their key can be typed: the database refuses re-keying a type a unit uses.

#include "app/CadastroForm.h"

class TfCadTipoUnidade : public detail::TCadastroForm {
  DUO_CLASS(TfCadTipoUnidade, detail::TCadastroForm)

public:
  explicit TfCadTipoUnidade(TComponent* AOwner);

  TLabel* lblIdTipoUnidade;
  TDBEdit* dbeIdTipoUnidade;
  TLabel* lblTipoUnidade;
  TDBEdit* dbeTipoUnidade;
};
