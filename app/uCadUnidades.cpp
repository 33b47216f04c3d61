#include "app/uCadUnidades.h"

#include "app/uDM.h"

const TClassInfo& TfCadUnidades::StaticClass() {
  static const TClassInfo info = TClassBuilder<TfCadUnidades>("TfCadUnidades").Creatable().Build();
  return info;
}

TfCadUnidades::TfCadUnidades(TComponent* AOwner)
    : TCadastroForm(AOwner, {"fCadUnidades",
                             "Cadastro de Unidades",
                             DM->qryUnidades,
                             DM->dtsUnidades,
                             "ID_UNIDADE",
                             {{"ID_UNIDADE", 65}, {"NOME_UNIDADE", 228}},
                             338}) {
  lblIdUnidade = DetailLabel("lblIdUnidade", "Id Unidade");
  dbeIdUnidade = DetailEdit("dbeIdUnidade", "ID_UNIDADE", 121);
  lblNomeUnidade = DetailLabel("lblNomeUnidade", "Nome da Unidade");
  dbeNomeUnidade = DetailEdit("dbeNomeUnidade", "NOME_UNIDADE", 360);
  lblTipoUnidade = DetailLabel("lblTipoUnidade", "Tipo de Unidade");
  cbbTipoUnidade =
      DetailLookup("cbbTipoUnidade", "ID_TIPO_UNIDADE", DM->dtsTipoUnidade, "TIPO_UNIDADE", 360);
}
