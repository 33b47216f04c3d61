#pragma once

// The request types: their names, icons and colours.

#include "app/CadastroForm.h"

class TfCadTipoSolicitacao : public detail::TCadastroForm {
  DUO_CLASS(TfCadTipoSolicitacao, detail::TCadastroForm)

public:
  explicit TfCadTipoSolicitacao(TComponent* AOwner);

  TLabel* lblIdTipo;
  TDBEdit* dbeIdTipo;
  TLabel* lblNomeTipo;
  TDBEdit* dbeNomeTipo;
  TLabel* lblLogoTipo;
  TDBImage* dbiLogoTipo;
  TLabel* lblCorTipo;
  TDBEdit* dbeCorTipo;
};
