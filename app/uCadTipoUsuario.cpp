#include "app/uCadTipoUsuario.h"

#include "app/uDM.h"

const TClassInfo& TfCadTipoUsuario::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TfCadTipoUsuario>("TfCadTipoUsuario").Creatable().Build();
  return info;
}

TfCadTipoUsuario::TfCadTipoUsuario(TComponent* AOwner)
    : TCadastroForm(AOwner, {"fCadTipoUsuario",
                             "Cadastro de Tipos de Usuário",
                             DM->qryTipoUsuario,
                             DM->dtsTipoUsuario,
                             "ID_TIPO_USUARIO",
                             {{"ID_TIPO_USUARIO", 42}, {"TIPO_USUARIO", 200}, {"TIPO_ACESSO", 0}},
                             382}) {
  lblIdTipoUsuario = DetailLabel("lblIdTipoUsuario", "Id Tipo de Usuário");
  dbeIdTipoUsuario = DetailEdit("dbeIdTipoUsuario", "ID_TIPO_USUARIO", 121);
  lblTipoUsuario = DetailLabel("lblTipoUsuario", "Tipo de Usuário");
  dbeTipoUsuario = DetailEdit("dbeTipoUsuario", "TIPO_USUARIO", 360);
  rdgTipoAcesso = DetailRadioGroup(
      "rdgTipoAcesso", "Nível de Acesso", "TIPO_ACESSO",
      {{"Administrador", "A"}, {"Gerente/Encarregado", "G"}, {"Servidor", "S"}, {"Cidadão", "C"}});
  lblTipoAcesso = DetailLabel("lblTipoAcesso", "Nível de Acesso (A, G, S, C)");
  dbcTipoAcesso = new TDBComboBox(this);
  dbcTipoAcesso->SetName("dbcTipoAcesso");
  dbcTipoAcesso->SetParent(gpbDetalhes);
  dbcTipoAcesso->SetStyle(csDropDownList);
  for (const char* letter : {"A", "G", "S", "C"})
    dbcTipoAcesso->GetItems().Add(letter);
  dbcTipoAcesso->SetDataSource(DM->dtsTipoUsuario);
  dbcTipoAcesso->SetDataField("TIPO_ACESSO");
  lblTipoAcesso->SetVisible(IsDuoContext());
  dbcTipoAcesso->SetVisible(IsDuoContext());
}
