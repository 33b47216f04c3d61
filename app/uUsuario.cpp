#include "app/uUsuario.h"

#include "app/FormParts.h"
#include "app/uDM.h"
#include "bridge/Duo.Item.HTML.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.h"
#include "runtime/Password.h"

TSessionGlobal<TfUsuario> fUsuario;

namespace {

TLabel* Caption(TfUsuario& form, const char* name, const char* text, int left, int top) {
  TLabel* label = detail::Place<TLabel>(form, form.gpbListagem, name, left, top, 200, 15);
  label->SetCaption(text);
  return label;
}

TDBEdit* FieldEdit(TfUsuario& form, const char* name, const char* field, int left, int top,
                   int width) {
  TDBEdit* edit = detail::Place<TDBEdit>(form, form.gpbListagem, name, left, top, width, 23);
  edit->SetDataSource(DM->dtsUsuario);
  edit->SetDataField(field);
  return edit;
}

} // namespace

const TClassInfo& TfUsuario::StaticClass() {
  static const TClassInfo info = TClassBuilder<TfUsuario>("TfUsuario").Creatable().Build();
  return info;
}

TfUsuario::TfUsuario(TComponent* AOwner) : TDuoForm(AOwner) {
  SetFormName("fUsuario");
  SetCaption("Usuário");
  SetClientWidth(760);
  SetClientHeight(385);
  SetPosition(poDesktopCenter);
  GetFont().SetName("Segoe UI");
  GetFont().SetSize(9);

  const detail::TTitleBar bar = detail::MakeTitleBar(*this, this, "pnButtons", "Usuário", true);
  pnButtons = bar.Panel;
  lblTituloTela = bar.Title;
  btnSair = bar.Sair;

  pnlBotoes = detail::PlainPanel(*this, this, "pnlBotoes", alBottom, 47);
  btnSalvar = detail::StripButton(*this, pnlBotoes, "btnSalvar", "Salvar", 0);
  btnCancelar = detail::StripButton(*this, pnlBotoes, "btnCancelar", "Cancelar", 1);

  gpbListagem = detail::Dock<TGroupBox>(*this, this, "gpbListagem", alClient);
  gpbListagem->SetCaption("Listagem");
  lblIdUsuario = Caption(*this, "lblIdUsuario", "Id Usuário", 16, 20);
  dbeIdUsuario = FieldEdit(*this, "dbeIdUsuario", "ID_USUARIO", 16, 38, 121);
  detail::KeyEditLook(*dbeIdUsuario, false);
  lblLogin = Caption(*this, "lblLogin", "Login", 152, 20);
  dbeLogin = FieldEdit(*this, "dbeLogin", "LOGIN_USUARIO", 152, 38, 200);
  lblNome = Caption(*this, "lblNome", "Nome", 16, 70);
  dbeNome = FieldEdit(*this, "dbeNome", "NOME_USUARIO", 16, 88, 400);
  lblDataNascimento = Caption(*this, "lblDataNascimento", "Data de Nascimento", 432, 70);
  dbeDataNascimento = FieldEdit(*this, "dbeDataNascimento", "DATA_NASCIMENTO", 432, 88, 150);
  lblEmail = Caption(*this, "lblEmail", "Email", 16, 120);
  dbeEmail = FieldEdit(*this, "dbeEmail", "EMAIL_USUARIO", 16, 138, 400);
  // The stored password is never shown: what is typed here becomes the new one.
  lblSenha = Caption(*this, "lblSenha", "Senha", 432, 120);
  edtSenha = detail::Place<TEdit>(*this, gpbListagem, "edtSenha", 432, 138, 150, 23);
  edtSenha->SetPasswordChar('*');
  lblCelular = Caption(*this, "lblCelular", "Celular", 16, 170);
  dbeCelular = FieldEdit(*this, "dbeCelular", "CELULAR_USUARIO", 16, 188, 200);
  lblTipoUsuario = Caption(*this, "lblTipoUsuario", "Tipo de Usuario", 232, 170);
  cbbTipoUsuario =
      detail::Place<TDBLookupComboBox>(*this, gpbListagem, "cbbTipoUsuario", 232, 188, 350, 23);
  cbbTipoUsuario->SetDataSource(DM->dtsUsuario);
  cbbTipoUsuario->SetDataField("ID_TIPO_USUARIO");
  cbbTipoUsuario->SetListSource(DM->dtsTipoUsuario);
  cbbTipoUsuario->SetKeyField("ID_TIPO_USUARIO");
  cbbTipoUsuario->SetListField("TIPO_USUARIO");
  lblFoto = Caption(*this, "lblFoto", "Foto", 620, 20);
  dbiFoto = detail::Place<TDBImage>(*this, gpbListagem, "dbiFoto", 620, 38, 110, 110);
  dbiFoto->SetStretch(true);
  dbiFoto->SetDataSource(DM->dtsUsuario);
  dbiFoto->SetDataField("FOTO_USUARIO");

  btnSalvar->OnClick = [this](TObject* Sender) { btnSalvarClick(Sender); };
  btnCancelar->OnClick = [this](TObject* Sender) { btnCancelarClick(Sender); };
  btnSair->OnClick = [this](TObject* Sender) { btnSairClick(Sender); };
  OnUpload = [this](TStrings* AFiles, TObject* Sender) { FormUpload(AFiles, Sender); };
}

TfUsuario::~TfUsuario() {
  if (fUsuario == this)
    fUsuario = nullptr;
}

void TfUsuario::btnSalvarClick(TObject* /*Sender*/) {
  TQuery& user = *DM->qryUsuario;
  if (!edtSenha->GetText().empty()) {
    if (!detail::IsEditing(user))
      user.Edit();
    user.FieldByName("SENHA_USUARIO").SetAsString(HashPassword(edtSenha->GetText()));
  }
  user.Post();
  edtSenha->SetText("");
  // The query selects one user by its key; a new user has its key only now.
  user.ParamByName("P_ID_USUARIO").SetAsLargeInt(user.FieldByName("ID_USUARIO").GetAsLargeInt());
  user.Refresh();
  Close();
}

void TfUsuario::btnCancelarClick(TObject* /*Sender*/) {
  DM->qryUsuario->Cancel();
  Close();
}

void TfUsuario::btnSairClick(TObject* Sender) {
  btnCancelarClick(Sender);
}

void TfUsuario::FormUpload(TStrings* AFiles, TObject* /*Sender*/) {
  TPicture picture;
  if (!detail::ImagemEnviada(*this, AFiles, picture))
    return;
  if (!detail::IsEditing(*DM->qryUsuario))
    DM->qryUsuario->Edit();
  dbiFoto->GetPicture().Assign(picture);
}

void TfUsuario::ExportDuo() {
  TDuoForm::ExportDuo();
  TDuoItems& items = detail::ExportWorkPage(*this, pnButtons->GetCaption(), lblTituloTela, btnSair);
  TDuoItems& body = items.Add().Row("row").Items;
  TDuoItems& fields = body.Add().PanelGroup(gpbListagem->GetCaption(), "", false, "col-lg-8").Items;
  const std::pair<TControl*, TControl*> rows[] = {
      {lblIdUsuario, dbeIdUsuario}, {lblLogin, dbeLogin},
      {lblNome, dbeNome},           {lblDataNascimento, dbeDataNascimento},
      {lblEmail, dbeEmail},         {lblSenha, edtSenha},
      {lblCelular, dbeCelular},     {lblTipoUsuario, cbbTipoUsuario}};
  for (const auto& [label, control] : rows) {
    TDuoItems& row = fields.Add().Row("row mb-2").Items;
    row.Add().UIObj(label);
    row.Add().UIObj(control);
  }
  TDuoItems& photo = body.Add().PanelGroup(lblFoto->GetCaption(), "", false, "col-lg-4").Items;
  photo.Add().Row("row mb-2").Items.Add().UIObj(dbiFoto);
  detail::AdicionarEnvioDeImagem(photo.Add().Row("row").Items, "Enviar foto");
  TDuoItems& actions = items.Add().HTMLDIV("d-flex justify-content-start gap-2").Items;
  actions.Add().UIObj(btnSalvar, "btn-success [override-button-fe fe-save fa fa-save me-2]");
  actions.Add().UIObj(btnCancelar, "btn-warning [override-button-fe fe-x fa fa-x me-2]");
}
