#include "app/uCadSituacao.h"

#include "app/uDM.h"

const TClassInfo& TfCadSituacao::StaticClass() {
  static const TClassInfo info = TClassBuilder<TfCadSituacao>("TfCadSituacao").Creatable().Build();
  return info;
}

TfCadSituacao::TfCadSituacao(TComponent* AOwner)
    : TCadastroForm(AOwner, {"fCadSituacao",
                             "Cadastro de Situação de Solicitação",
                             DM->qrySituacao,
                             DM->dtsSituacao,
                             "ID_SITUACAO",
                             {{"ID_SITUACAO", 68}, {"NOME_SITUACAO", 225}},
                             338}) {
  lblIdSituacao = DetailLabel("lblIdSituacao", "Id Situacao");
  dbeIdSituacao = DetailEdit("dbeIdSituacao", "ID_SITUACAO", 121);
  lblNomeSituacao = DetailLabel("lblNomeSituacao", "Situação");
  dbeNomeSituacao = DetailEdit("dbeNomeSituacao", "NOME_SITUACAO", 360);
  // Icons and colours are kept but not yet maintained here.
  lblLogoSituacao = DetailLabel("lblLogoSituacao", "Ícone Situação");
  dbiLogoSituacao = DetailImage("dbiLogoSituacao", "LOGO_SITUACAO", 105);
  lblCorSituacao = DetailLabel("lblCorSituacao", "Cor Situação");
  dbeCorSituacao = DetailEdit("dbeCorSituacao", "COR_SITUACAO", 121);
  for (TControl* control : std::initializer_list<TControl*>{lblLogoSituacao, dbiLogoSituacao,
                                                            lblCorSituacao, dbeCorSituacao})
    control->SetEnabled(false);
}
