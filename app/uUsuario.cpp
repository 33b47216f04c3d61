#include "app/uUsuario.h"

#include "app/FormParts.h"
#include "app/uDM.h"

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
  // The password is shown as typed.
  lblSenha = Caption(*this, "lblSenha", "Senha", 432, 120);
  dbeSenha = FieldEdit(*this, "dbeSenha", "SENHA_USUARIO", 432, 138, 150);
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
}

TfUsuario::~TfUsuario() {
  if (fUsuario == this)
    fUsuario = nullptr;
}

void TfUsuario::btnSalvarClick(TObject* /*Sender*/) {
  DM->qryUsuario->Post();
  DM->qryUsuario->Refresh();
  Close();
}

void TfUsuario::btnCancelarClick(TObject* /*Sender*/) {
  DM->qryUsuario->Cancel();
  Close();
}

void TfUsuario::btnSairClick(TObject* Sender) {
  btnCancelarClick(Sender);
}

void TfUsuario::ExportDuo() {
  TDuoForm::ExportDuo();
  SetTitle("My Duo Form");
}
