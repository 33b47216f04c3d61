#include "app/uCadTipoSolicitacao.h"

#include "app/uDM.h"

const TClassInfo& TfCadTipoSolicitacao::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TfCadTipoSolicitacao>("TfCadTipoSolicitacao").Creatable().Build();
  return info;
}

TfCadTipoSolicitacao::TfCadTipoSolicitacao(TComponent* AOwner)
    : TCadastroForm(AOwner, {"fCadTipoSolicitacao",
                             "Cadastro de Tipo de Solicitação",
                             DM->qryTipoSolicitacao,
                             DM->dtsTipoSolicitacao,
                             "ID_TIPO",
                             {{"ID_TIPO", 51}, {"NOME_TIPO", 241}},
                             338}) {
  lblIdTipo = DetailLabel("lblIdTipo", "Id Tipo");
  dbeIdTipo = DetailEdit("dbeIdTipo", "ID_TIPO", 121);
  lblNomeTipo = DetailLabel("lblNomeTipo", "Tipo de Solicitação");
  dbeNomeTipo = DetailEdit("dbeNomeTipo", "NOME_TIPO", 360);
  // Icons and colours are kept but not yet maintained here.
  lblLogoTipo = DetailLabel("lblLogoTipo", "Ícone");
  dbiLogoTipo = DetailImage("dbiLogoTipo", "LOGO_SITUACAO", 105);
  lblCorTipo = DetailLabel("lblCorTipo", "Cor");
  dbeCorTipo = DetailEdit("dbeCorTipo", "COR_SITUACAO", 121);
  for (TControl* control :
       std::initializer_list<TControl*>{lblLogoTipo, dbiLogoTipo, lblCorTipo, dbeCorTipo})
    control->SetEnabled(false);
}
