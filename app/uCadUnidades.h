#pragma once

// The units that handle requests, each of a unit type.

#include "app/CadastroForm.h"

class TfCadUnidades : public detail::TCadastroForm {
  DUO_CLASS(TfCadUnidades, detail::TCadastroForm)

public:
  explicit TfCadUnidades(TComponent* AOwner);

  TLabel* lblIdUnidade;
  TDBEdit* dbeIdUnidade;
  TLabel* lblNomeUnidade;
  TDBEdit* dbeNomeUnidade;
  TLabel* lblTipoUnidade;
  TDBLookupComboBox* cbbTipoUnidade;
};
