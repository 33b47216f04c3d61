#include "app/uCadUsuarios.h"

#include "app/FormParts.h"
#include "app/uDM.h"
#include "app/uUsuario.h"
#include "bridge/Duo.Item.HTML.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.h"

#include <memory>

const TClassInfo& TfCadUsuarios::StaticClass() {
  static const TClassInfo info = TClassBuilder<TfCadUsuarios>("TfCadUsuarios").Creatable().Build();
  return info;
}

TfCadUsuarios::TfCadUsuarios(TComponent* AOwner) : TDuoForm(AOwner) {
  SetFormName("fCadUsuarios");
  SetCaption("Cadastro de Usuarios");
  SetClientWidth(1000);
  SetClientHeight(520);
  GetFont().SetName("Segoe UI");
  GetFont().SetSize(9);

  const detail::TTitleBar bar =
      detail::MakeTitleBar(*this, this, "pnButtons", "Cadastro de Usuarios", true);
  pnButtons = bar.Panel;
  lblTituloTela = bar.Title;
  btnSair = bar.Sair;

  Panel1 = detail::PlainPanel(*this, this, "Panel1", alTop, 47);
  btnNovo = detail::StripButton(*this, Panel1, "btnNovo", "Novo", 0);
  btnAlterar = detail::StripButton(*this, Panel1, "btnAlterar", "Alterar", 1);
  gpbListagem = detail::Dock<TGroupBox>(*this, this, "gpbListagem", alClient);
  gpbListagem->SetCaption("Listagem");
  DBGrid1 = detail::ReadOnlyGrid(*this, gpbListagem, "DBGrid1", DM->dtsLisUsuarios,
                                 {{"ID_USUARIO", 66},
                                  {"LOGIN_USUARIO", 93},
                                  {"NOME_USUARIO", 226},
                                  {"EMAIL_USUARIO", 335},
                                  {"TIPO_USUARIO", 223}});

  btnNovo->OnClick = [this](TObject* Sender) { btnNovoClick(Sender); };
  btnAlterar->OnClick = [this](TObject* Sender) { btnAlterarClick(Sender); };
  btnSair->OnClick = [this](TObject* Sender) { btnSairClick(Sender); };
}

void TfCadUsuarios::btnNovoClick(TObject* /*Sender*/) {
  TQuery& user = *DM->qryUsuario;
  user.Close();
  user.ParamByName("P_ID_USUARIO").SetAsLargeInt(0);
  user.Open();
  user.Insert();
  MostrarUsuario();
}

void TfCadUsuarios::btnAlterarClick(TObject* /*Sender*/) {
  TQuery& user = *DM->qryUsuario;
  user.Close();
  user.ParamByName("P_ID_USUARIO")
      .SetAsLargeInt(DM->qryLisUsuario->FieldByName("ID_USUARIO").GetAsLargeInt());
  user.Open();
  user.Edit();
  MostrarUsuario();
}

void TfCadUsuarios::MostrarUsuario() {
  detail::ShowDetailModal(fUsuario, &GetApplication());
}

void TfCadUsuarios::btnSairClick(TObject* /*Sender*/) {
  detail::SairDaPagina();
}

void TfCadUsuarios::ExportDuo() {
  TDuoForm::ExportDuo();
  TDuoItems& items = detail::ExportWorkPage(*this, pnButtons->GetCaption(), lblTituloTela, btnSair);
  TDuoItems& buttons = items.Add().HTMLDIV("d-flex justify-content-start gap-2 mb-3").Items;
  buttons.Add().UIObj(btnNovo, "btn-success [override-button-fe fe-plus fa fa-plus me-2]");
  buttons.Add().UIObj(btnAlterar, "btn-primary [override-button-fe fe-edit fa fa-edit me-2]");
  items.Add()
      .Row("row")
      .Items.Add()
      .PanelGroup(gpbListagem->GetCaption(), "", false, "col", "expanel-default")
      .Items.Add()
      .UIObj(DBGrid1);
}
