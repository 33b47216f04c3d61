#include "app/uCadPrefeitura.h"

#include "app/FormParts.h"
#include "app/uDM.h"
#include "bridge/Duo.Item.HTML.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.h"
#include "ui/Clipbrd.h"

namespace {

TLabel* Caption(TfCadPrefeitura& form, const char* name, const char* text, int top) {
  TLabel* label = detail::Place<TLabel>(form, form.pnlDados, name, 16, top, 300, 15);
  label->SetCaption(text);
  return label;
}

TMenuItem* MenuItem(TfCadPrefeitura& form, const char* name, const char* caption) {
  auto* item = new TMenuItem(&form);
  item->SetName(name);
  item->SetCaption(caption);
  form.ppmMenu->GetItems().Add(item);
  return item;
}

} // namespace

const TClassInfo& TfCadPrefeitura::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TfCadPrefeitura>("TfCadPrefeitura").Creatable().Build();
  return info;
}

TfCadPrefeitura::TfCadPrefeitura(TComponent* AOwner) : TDuoForm(AOwner) {
  SetFormName("fCadPrefeitura");
  SetCaption("Cadastro da Prefeitura");
  SetClientWidth(700);
  SetClientHeight(420);
  GetFont().SetName("Segoe UI");
  GetFont().SetSize(9);

  const detail::TTitleBar bar =
      detail::MakeTitleBar(*this, this, "pnButtons", "Cadastro da Prefeitura", true);
  pnButtons = bar.Panel;
  lblTituloTela = bar.Title;
  btnSair = bar.Sair;

  pnlDados = detail::PlainPanel(*this, this, "pnlDados", alClient);
  lblIdPrefeitura = Caption(*this, "lblIdPrefeitura", "Id Prefeitura", 12);
  dbeIdPrefeitura = detail::Place<TDBEdit>(*this, pnlDados, "dbeIdPrefeitura", 16, 30, 121, 23);
  dbeIdPrefeitura->SetDataSource(DM->dtsPrefeitura);
  dbeIdPrefeitura->SetDataField("ID_PREFEITURA");
  detail::KeyEditLook(*dbeIdPrefeitura, false);
  lblNomePrefeitura = Caption(*this, "lblNomePrefeitura", "Nome Prefeitura", 62);
  dbeNomePrefeitura = detail::Place<TDBEdit>(*this, pnlDados, "dbeNomePrefeitura", 16, 80, 450, 23);
  dbeNomePrefeitura->SetDataSource(DM->dtsPrefeitura);
  dbeNomePrefeitura->SetDataField("NOME_PREFEITURA");
  lblLogoPrefeitura = Caption(*this, "lblLogoPrefeitura", "Logo Prefeitura", 112);
  dbiLogo = detail::Place<TDBImage>(*this, pnlDados, "dbiLogo", 16, 130, 185, 185);
  dbiLogo->SetStretch(true);
  dbiLogo->SetProportional(true);
  dbiLogo->SetDataSource(DM->dtsPrefeitura);
  dbiLogo->SetDataField("LOGO_PREFEITURA");
  btnSalvar = detail::Place<TBitBtn>(*this, pnlDados, "btnSalvar", 16, 325, 111, 41);
  btnSalvar->SetCaption("Salvar");
  btnCancelar = detail::Place<TBitBtn>(*this, pnlDados, "btnCancelar", 133, 325, 111, 41);
  btnCancelar->SetCaption("Cancelar");

  ppmMenu = new TPopupMenu(this);
  ppmMenu->SetName("ppmMenu");
  ColardareadeTransferncia1 =
      MenuItem(*this, "ColardareadeTransferncia1", "Colar da Área de Transferência");
  Anexarimagem1 = MenuItem(*this, "Anexarimagem1", "Procurar no computador");
  dbiLogo->SetPopupMenu(ppmMenu);
  odlIMAGEPR = new TOpenDialog(this);
  odlIMAGEPR->SetName("odlIMAGEPR");

  btnSalvar->OnClick = [this](TObject* Sender) { btnSalvarClick(Sender); };
  btnCancelar->OnClick = [this](TObject* Sender) { btnCancelarClick(Sender); };
  btnSair->OnClick = [this](TObject* Sender) { btnSairClick(Sender); };
  ColardareadeTransferncia1->OnClick = [this](TObject* Sender) {
    ColardareadeTransferncia1Click(Sender);
  };
  Anexarimagem1->OnClick = [this](TObject* Sender) { Anexarimagem1Click(Sender); };
  OnUpload = [this](TStrings* AFiles, TObject* Sender) { FormUpload(AFiles, Sender); };

  dtsStatus = new TDataSource(this);
  dtsStatus->SetName("dtsStatus");
  dtsStatus->OnStateChange = [this](TObject* Sender) { dtsStatusStateChange(Sender); };
  dtsStatus->SetDataSet(DM->qryPrefeitura);
}

void TfCadPrefeitura::btnSalvarClick(TObject* /*Sender*/) {
  if (!detail::IsEditing(*DM->qryPrefeitura))
    return;
  DM->qryPrefeitura->Post();
  DM->qryPrefeitura->Refresh();
}

void TfCadPrefeitura::btnCancelarClick(TObject* /*Sender*/) {
  if (detail::IsEditing(*DM->qryPrefeitura))
    DM->qryPrefeitura->Cancel();
}

void TfCadPrefeitura::btnSairClick(TObject* /*Sender*/) {
  detail::SairDaPagina();
}

void TfCadPrefeitura::dtsStatusStateChange(TObject* /*Sender*/) {
  const bool editing = detail::IsEditing(*DM->qryPrefeitura) || detail::KeepsSaveAvailable();
  btnSalvar->SetEnabled(editing);
  btnCancelar->SetEnabled(editing);
}

void TfCadPrefeitura::TrocarLogo(const TPicture& Picture) {
  DM->qryPrefeitura->Edit();
  dbiLogo->GetPicture().Assign(Picture);
}

void TfCadPrefeitura::ColardareadeTransferncia1Click(TObject* /*Sender*/) {
  const TClipboard& clipboard = GetApplication().GetClipboard();
  if (!clipboard.HasFormat(CF_BITMAP))
    return;
  TrocarLogo(clipboard.GetPicture());
}

void TfCadPrefeitura::Anexarimagem1Click(TObject* /*Sender*/) {
  if (!odlIMAGEPR->Execute())
    return;
  TPicture picture;
  if (detail::LerImagem(*this, odlIMAGEPR->GetFileName(), picture))
    TrocarLogo(picture);
}

void TfCadPrefeitura::FormUpload(TStrings* AFiles, TObject* /*Sender*/) {
  TPicture picture;
  if (detail::ImagemEnviada(*this, AFiles, picture))
    TrocarLogo(picture);
}

void TfCadPrefeitura::ExportDuo() {
  TDuoForm::ExportDuo();
  TDuoItems& items = detail::ExportWorkPage(*this, pnButtons->GetCaption(), lblTituloTela, btnSair);
  for (TControl* control :
       std::initializer_list<TControl*>{lblIdPrefeitura, dbeIdPrefeitura, lblNomePrefeitura,
                                        dbeNomePrefeitura, lblLogoPrefeitura, dbiLogo})
    items.Add().Row("row mb-2").Items.Add().UIObj(control);
  detail::AdicionarEnvioDeImagem(items.Add().Row("row mb-3").Items, "Enviar logo");
  TDuoItems& actions = items.Add().HTMLDIV("d-flex justify-content-start gap-2").Items;
  actions.Add().UIObj(btnSalvar, "btn-success [override-button-fe fe-save fa fa-save me-2]");
  actions.Add().UIObj(btnCancelar, "btn-warning [override-button-fe fe-x fa fa-x me-2]");
}
