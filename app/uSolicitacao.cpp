#include "app/uSolicitacao.h"

#include "app/Acesso.h"
#include "app/FormParts.h"
#include "app/uDM.h"
#include "bridge/Duo.Item.HTML.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.h"

#include <utility>

TSessionGlobal<TfSolicitacao> fSolicitacao;

namespace {

// A new request belongs to the city hall and to the user who logged in; the form offers no
// control for either.
void FillNewRequestOwners(TQuery& request) {
  TField& cityHall = request.FieldByName("ID_PREFEITURA");
  if (cityHall.IsNull() && !DM->qryPrefeitura->IsEmpty())
    cityHall.SetAsLargeInt(DM->qryPrefeitura->FieldByName("ID_PREFEITURA").GetAsLargeInt());
  TField& user = request.FieldByName("ID_USUARIO");
  if (user.IsNull() || UsuarioCidadao())
    user.SetAsLargeInt(UsuarioAtual().Id);
}

// The status a new request starts in: the first one.
Variant FirstStatus() {
  TQuery& statuses = *DM->qrySituacao;
  if (statuses.IsEmpty())
    return Variant::Null();
  const TBookmark here = statuses.GetBookmark();
  statuses.First();
  const Variant first = statuses.FieldByName("ID_SITUACAO").GetAsVariant();
  statuses.GotoBookmark(here);
  return first;
}

TDBLookupComboBox* LookupBox(TfSolicitacao& form, const char* name, int left, int top, int width,
                             const char* dataField, TDataSource* list, const char* listField) {
  auto* box = detail::Place<TDBLookupComboBox>(form, &form, name, left, top, width, 23);
  box->SetDataSource(DM->dtsSolicitacao);
  box->SetDataField(dataField);
  box->SetListSource(list);
  box->SetKeyField(dataField);
  box->SetListField(listField);
  return box;
}

TLabel* Caption(TfSolicitacao& form, const char* name, const char* text, int left, int top) {
  auto* label = detail::Place<TLabel>(form, &form, name, left, top, 120, 15);
  label->SetCaption(text);
  return label;
}

TDBEdit* FieldEdit(TfSolicitacao& form, const char* name, const char* field, int left, int top,
                   int width) {
  auto* edit = detail::Place<TDBEdit>(form, &form, name, left, top, width, 23);
  edit->SetDataSource(DM->dtsSolicitacao);
  edit->SetDataField(field);
  return edit;
}

} // namespace

const TClassInfo& TfSolicitacao::StaticClass() {
  static const TClassInfo info = TClassBuilder<TfSolicitacao>("TfSolicitacao").Creatable().Build();
  return info;
}

TfSolicitacao::TfSolicitacao(TComponent* AOwner) : TDuoForm(AOwner) {
  SetFormName("fSolicitacao");
  SetCaption("Solicitacao");
  SetClientWidth(624);
  SetClientHeight(441);
  SetPosition(poDesktopCenter);
  GetFont().SetName("Segoe UI");
  GetFont().SetSize(9);

  const detail::TTitleBar bar = detail::MakeTitleBar(*this, this, "pnButtons", "Solicitação", true);
  pnButtons = bar.Panel;
  lblTituloTela = bar.Title;
  btnSair = bar.Sair;

  lblControle = Caption(*this, "lblControle", "Controle", 16, 56);
  dbeControle = FieldEdit(*this, "dbeControle", "ID_SOLICITACAO", 16, 74, 121);
  detail::KeyEditLook(*dbeControle, false);
  lblTipo = Caption(*this, "lblTipo", "Tipo", 152, 56);
  cbbTipo =
      LookupBox(*this, "cbbTipo", 152, 74, 273, "ID_TIPO", DM->dtsTipoSolicitacao, "NOME_TIPO");
  lblData = Caption(*this, "lblData", "Data Solicitação", 440, 56);
  dbeData = FieldEdit(*this, "dbeData", "DATA_SOLICITACAO", 440, 74, 168);
  lblDescricao = Caption(*this, "lblDescricao", "Descrição", 16, 108);
  dbeDescricao = FieldEdit(*this, "dbeDescricao", "SOLICITACAO", 16, 126, 592);
  dbeDescricao->SetMaxLength(100);
  lblUnidade = Caption(*this, "lblUnidade", "Unidade", 16, 160);
  cbbUnidade =
      LookupBox(*this, "cbbUnidade", 16, 178, 296, "ID_UNIDADE", DM->dtsUnidades, "NOME_UNIDADE");
  lblSituacao = Caption(*this, "lblSituacao", "Situação", 328, 160);
  cbbSituacao = LookupBox(*this, "cbbSituacao", 328, 178, 280, "ID_SITUACAO", DM->dtsSituacao,
                          "NOME_SITUACAO");

  for (const auto& [label, control] : {std::pair<TLabel*, TWinControl*>{lblControle, dbeControle},
                                       {lblTipo, cbbTipo},
                                       {lblData, dbeData},
                                       {lblDescricao, dbeDescricao},
                                       {lblUnidade, cbbUnidade},
                                       {lblSituacao, cbbSituacao}})
    label->SetFocusControl(control);

  gpbFotos = detail::Place<TGroupBox>(*this, this, "gpbFotos", 16, 212, 592, 150);
  gpbFotos->SetCaption("Fotos");
  TDBImage** photos[] = {&dbiImage1, &dbiImage2, &dbiImage3, &dbiImage4, &dbiImage5};
  const char* photoNames[] = {"dbiImage1", "dbiImage2", "dbiImage3", "dbiImage4", "dbiImage5"};
  for (int i = 0; i < 5; ++i) {
    *photos[i] = detail::Place<TDBImage>(*this, gpbFotos, photoNames[i], 8 + i * 115, 24, 105, 101);
    (*photos[i])->SetStretch(true);
  }

  btnSalvar = detail::Place<TBitBtn>(*this, this, "btnSalvar", 16, 384, 111, 41);
  btnSalvar->SetCaption("Salvar");
  btnCancelar = detail::Place<TBitBtn>(*this, this, "btnCancelar", 133, 384, 111, 41);
  btnCancelar->SetCaption("Cancelar");

  // The order the form was laid out with: the key first (skipped), the text, the status and the
  // unit, the photos, then the type and the date.
  int order = 0;
  for (TWinControl* control : std::initializer_list<TWinControl*>{
           dbeControle, dbeDescricao, cbbSituacao, cbbUnidade, gpbFotos, cbbTipo, dbeData,
           btnSalvar, btnCancelar, pnButtons})
    control->SetTabOrder(order++);

  btnSalvar->OnClick = [this](TObject* Sender) { btnSalvarClick(Sender); };
  btnCancelar->OnClick = [this](TObject* Sender) { btnCancelarClick(Sender); };
  btnSair->OnClick = [this](TObject* Sender) { btnSairClick(Sender); };

  // A citizen chooses the unit of a new request only, and never the status; what the request
  // had is kept on saving, whatever the boxes were made to send.
  if (UsuarioCidadao())
    GuardarSituacaoEUnidade();
}

TfSolicitacao::~TfSolicitacao() {
  if (fSolicitacao == this)
    fSolicitacao = nullptr;
}

void TfSolicitacao::btnSalvarClick(TObject* /*Sender*/) {
  TQuery& query = *DM->qrySolicitacao;
  if (!detail::IsEditing(query))
    return;
  const bool inserting = query.GetState() == TDataSetState::dsInsert;
  if (inserting)
    FillNewRequestOwners(query);
  if (UsuarioCidadao()) {
    query.FieldByName("ID_SITUACAO").SetAsVariant(inserting ? FirstStatus() : FSituacaoGuardada);
    if (!inserting)
      query.FieldByName("ID_UNIDADE").SetAsVariant(FUnidadeGuardada);
  }
  query.Post();
  // The query selects one request by its key; a new request has its key only now, so the query
  // is pointed at it before it is read again.
  query.ParamByName("P_ID_SOLICITACAO")
      .SetAsLargeInt(query.FieldByName("ID_SOLICITACAO").GetAsLargeInt());
  query.Refresh();
  if (UsuarioCidadao())
    GuardarSituacaoEUnidade();
}

void TfSolicitacao::GuardarSituacaoEUnidade() {
  TQuery& request = *DM->qrySolicitacao;
  cbbSituacao->SetEnabled(false);
  cbbUnidade->SetEnabled(request.GetState() == TDataSetState::dsInsert);
  FSituacaoGuardada = request.FieldByName("ID_SITUACAO").GetAsVariant();
  FUnidadeGuardada = request.FieldByName("ID_UNIDADE").GetAsVariant();
}

void TfSolicitacao::btnCancelarClick(TObject* /*Sender*/) {
  if (detail::IsEditing(*DM->qrySolicitacao))
    DM->qrySolicitacao->Cancel();
}

void TfSolicitacao::btnSairClick(TObject* /*Sender*/) {
  Close();
}

void TfSolicitacao::ExportDuo() {
  TDuoForm::ExportDuo();
  TDuoItems& items = detail::ExportWorkPage(*this, pnButtons->GetCaption(), lblTituloTela, btnSair);

  const std::pair<TControl*, TControl*> fields[] = {
      {lblControle, dbeControle},   {lblTipo, cbbTipo},       {lblData, dbeData},
      {lblDescricao, dbeDescricao}, {lblUnidade, cbbUnidade}, {lblSituacao, cbbSituacao}};
  for (const auto& [label, control] : fields) {
    TDuoItems& row = items.Add().Row("row").Items;
    row.Add().UIObj(label);
    row.Add().UIObj(control);
  }

  // Each photo stands in the row right after an empty group, not inside it.
  TDuoItems& photos = items.Add().Row("row").Items;
  photos.Add().FormGroup(gpbFotos->GetCaption(), "col-auto");
  photos.Add().UIObj(dbiImage1);
  for (TDBImage* photo : {dbiImage2, dbiImage3, dbiImage4, dbiImage5}) {
    photos.Add().FormGroup("", "col-auto");
    photos.Add().UIObj(photo);
  }

  TDuoItems& actions = items.Add().HTMLDIV("d-flex justify-content-start gap-2").Items;
  actions.Add().UIObj(btnSalvar, "btn-success [override-button-fe fe-save fa fa-save me-2]");
  actions.Add().UIObj(btnCancelar, "btn-warning [override-button-fe fe-x fa fa-x me-2]");
}
