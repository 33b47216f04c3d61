#pragma once

// The request statuses: their names, icons and colours.

#include "app/CadastroForm.h"

class TfCadSituacao : public detail::TCadastroForm {
  DUO_CLASS(TfCadSituacao, detail::TCadastroForm)

public:
  explicit TfCadSituacao(TComponent* AOwner);

  TLabel* lblIdSituacao;
  TDBEdit* dbeIdSituacao;
  TLabel* lblNomeSituacao;
  TDBEdit* dbeNomeSituacao;
  TLabel* lblLogoSituacao;
  TDBImage* dbiLogoSituacao;
  TLabel* lblCorSituacao;
  TDBEdit* dbeCorSituacao;
};
