#include "app/uLogin.h"

#include "app/Artwork.h"
#include "app/FormParts.h"
#include "bridge/Duo.Item.HTML.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.h"

#include "app/VozmiraWeb.h"
#include "app/uDM.h"

#include <optional>

TSessionGlobal<TfLogin> fLogin;

const std::string& UsuarioLogado() {
  return UsuarioAtual().Login;
}

const TClassInfo& TfLogin::StaticClass() {
  static const TClassInfo info = TClassBuilder<TfLogin>("TfLogin").Creatable().Build();
  return info;
}

TfLogin::TfLogin(TComponent* AOwner) : TDuoForm(AOwner) {
  SetFormName("fLogin");
  SetCaption("Login");
  SetBorderStyle(bsNone);
  SetColor(clWhite);
  SetClientWidth(919);
  SetClientHeight(535);
  SetPosition(poDesktopCenter);
  GetFont().SetName("Segoe UI");
  GetFont().SetSize(9);

  Image2 = detail::Place<TImage>(*this, this, "Image2", 24, 24, 100, 100);
  Label1 = detail::Place<TLabel>(*this, this, "Label1", 64, 150, 344, 40);
  Label1->SetWordWrap(true);
  Label1->SetCaption("Digite seu nome de usuário e senha para entrar");
  lblLogin = detail::Place<TLabel>(*this, this, "lblLogin", 64, 210, 344, 15);
  lblLogin->SetCaption("Nome de Usuário");
  edtLogin = detail::Place<TEdit>(*this, this, "edtLogin", 64, 230, 344, 25);
  lblSenha = detail::Place<TLabel>(*this, this, "lblSenha", 64, 270, 344, 15);
  lblSenha->SetCaption("Senha");
  edtSenha = detail::Place<TEdit>(*this, this, "edtSenha", 64, 290, 344, 25);
  edtSenha->SetPasswordChar('*');
  lblLogin->SetFocusControl(edtLogin);
  lblSenha->SetFocusControl(edtSenha);
  btnEntrar = detail::Place<TButton>(*this, this, "btnEntrar", 64, 340, 344, 33);
  btnEntrar->SetCaption("Entrar");
  Button1 = detail::Place<TButton>(*this, this, "Button1", 372, 496, 90, 28);
  Button1->SetCaption("Sair");
  Image1 = detail::Place<TImage>(*this, this, "Image1", 472, 0, 447, 535);
  Image1->SetAlign(alRight);
  Image1->SetStretch(true);
  LoadArtwork(Image2->GetPicture(), "login-logo");
  LoadArtwork(Image1->GetPicture(), "login-side");

  // The tab order the form was laid out with: the entry button comes between the two edits.
  edtLogin->SetTabOrder(0);
  btnEntrar->SetTabOrder(1);
  edtSenha->SetTabOrder(2);
  Button1->SetTabOrder(3);

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  btnEntrar->OnClick = [this](TObject* Sender) { btnEntrarClick(Sender); };
  Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
}

TfLogin::~TfLogin() {
  if (fLogin == this)
    fLogin = nullptr;
}

void TfLogin::FormCreate(TObject* /*Sender*/) {
  if (DM == nullptr)
    DM = new TDM(this);
}

void TfLogin::btnEntrarClick(TObject* /*Sender*/) {
  const std::string& user = edtLogin->GetText();
  const std::string& password = edtSenha->GetText();
  if (user.empty()) {
    ShowMessage("Informe o Login");
    Abort();
  }
  if (password.empty()) {
    ShowMessage("Informe a senha");
    Abort();
  }
  const bool web = IsDuoContext();
  std::optional<TUsuarioLogado> accepted;
  const auto check = [&] {
    accepted = DM->ConfereLogin(user, password);
    return accepted.has_value();
  };
  if (web ? CheckWebLogin(user, check) : check()) {
    if (web) {
      // In the browser the working pages open in this session only.
      edtSenha->SetText("");
      OpenWorkingPages(*accepted);
      return;
    }
    DefinirUsuarioAtual(*accepted);
    if (IsModal())
      SetModalResult(mrOk);
    else
      Close();
    return;
  }
  MessageDlg("Usuário ou Senha não confere!", mtWarning, {mbOK}, 0);
}

void TfLogin::Button1Click(TObject* /*Sender*/) {
  GetApplication().Terminate();
}

void TfLogin::ExportDuo() {
  TDuoForm::ExportDuo();
  SetTitle("Brenvox");
  SetTemplateFiles("", "pages\\login.html");
  TDuoItems& items = GetDuo()->Items;
  TDuoItems& credentials = items.Add().Row("row").Items;
  credentials.Add().UIObj(lblLogin, "fs-4 fw-bold");
  credentials.Add().UIObj(edtLogin, "fs-4");
  credentials.Add().UIObj(lblSenha, "fs-4 fw-bold");
  credentials.Add().UIObj(edtSenha, "fs-4");
  items.Add().Row("row").Items.Add().UIObj(btnEntrar);
}
