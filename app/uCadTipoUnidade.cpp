#include "app/uCadTipoUnidade.h"

#include "app/FormParts.h"
#include "app/uDM.h"

const TClassInfo& TfCadTipoUnidade::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TfCadTipoUnidade>("TfCadTipoUnidade").Creatable().Build();
  return info;
}

TfCadTipoUnidade::TfCadTipoUnidade(TComponent* AOwner)
    : TCadastroForm(AOwner, {"fCadTipoUnidade",
                             "Cadastro de Tipos de Unidade",
                             DM->qryTipoUnidade,
                             DM->dtsTipoUnidade,
                             "ID_TIPO_UNIDADE",
                             {{"ID_TIPO_UNIDADE", 0}, {"TIPO_UNIDADE", 200}},
                             338}) {
  lblIdTipoUnidade = DetailLabel("lblIdTipoUnidade", "Id Tipo Unidade");
  dbeIdTipoUnidade = DetailEdit("dbeIdTipoUnidade", "ID_TIPO_UNIDADE", 121);
  // This form's key edit takes typing and its place in the tab order.
  dbeIdTipoUnidade->SetReadOnly(false);
  dbeIdTipoUnidade->SetTabStop(true);
  lblTipoUnidade = DetailLabel("lblTipoUnidade", "Tipo de Unidade");
  dbeTipoUnidade = DetailEdit("dbeTipoUnidade", "TIPO_UNIDADE", 360);
}
