#include "app/CadastroForm.h"

#include "app/FormParts.h"
#include "bridge/Duo.Item.HTML.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.h"

namespace detail {

const TClassInfo& TCadastroForm::StaticClass() {
  static const TClassInfo info = TClassBuilder<TCadastroForm>("TCadastroForm").Build();
  return info;
}

TCadastroForm::TCadastroForm(TComponent* AOwner, const TLayout& Layout)
    : TDuoForm(AOwner), FQuery(Layout.Query), FDataSource(Layout.DataSource),
      FKeyField(Layout.KeyField) {
  SetFormName(Layout.FormName);
  SetCaption(Layout.Caption);
  SetClientWidth(900);
  SetClientHeight(520);
  GetFont().SetName("Segoe UI");
  GetFont().SetSize(9);

  const TTitleBar bar = MakeTitleBar(*this, this, "pnButtons", Layout.Caption, true);
  pnButtons = bar.Panel;
  lblTituloTela = bar.Title;
  btnSair = bar.Sair;

  pnlDados = PlainPanel(*this, this, "pnlDados", alClient);
  Panel1 = PlainPanel(*this, pnlDados, "Panel1", alTop, 47);
  btnNovo = StripButton(*this, Panel1, "btnNovo", "Novo", 0);
  btnSalvar = StripButton(*this, Panel1, "btnSalvar", "Salvar", 1);
  btnCancelar = StripButton(*this, Panel1, "btnCancelar", "Cancelar", 2);
  gpbListagem = Dock<TGroupBox>(*this, pnlDados, "gpbListagem", alLeft, Layout.ListagemWidth);
  gpbListagem->SetCaption("Listagem");
  DBGrid1 = ReadOnlyGrid(*this, gpbListagem, "DBGrid1", FDataSource, Layout.Columns);
  gpbDetalhes = Dock<TGroupBox>(*this, pnlDados, "gpbDetalhes", alClient);
  gpbDetalhes->SetCaption("Detalhes");

  btnNovo->OnClick = [this](TObject* Sender) { btnNovoClick(Sender); };
  btnSalvar->OnClick = [this](TObject* Sender) { btnSalvarClick(Sender); };
  btnCancelar->OnClick = [this](TObject* Sender) { btnCancelarClick(Sender); };
  btnSair->OnClick = [this](TObject* Sender) { btnSairClick(Sender); };

  // Linking the watcher to the query counts as a state change: the buttons start as the query's
  // state asks.
  dtsStatus = new TDataSource(this);
  dtsStatus->SetName("dtsStatus");
  dtsStatus->OnStateChange = [this](TObject* Sender) { dtsStatusStateChange(Sender); };
  dtsStatus->SetDataSet(FQuery);
}

TLabel* TCadastroForm::DetailLabel(const char* name, const char* caption) {
  TLabel* label = Place<TLabel>(*this, gpbDetalhes, name, 16, FNextTop, 300, 15);
  label->SetCaption(caption);
  FNextTop += 18;
  return label;
}

TDBEdit* TCadastroForm::DetailEdit(const char* name, const char* field, int width) {
  TDBEdit* edit = Place<TDBEdit>(*this, gpbDetalhes, name, 16, FNextTop, width, 23);
  edit->SetDataSource(FDataSource);
  edit->SetDataField(field);
  if (field == FKeyField)
    KeyEditLook(*edit, false);
  FNextTop += 35;
  return edit;
}

TDBImage* TCadastroForm::DetailImage(const char* name, const char* field, int size) {
  TDBImage* image = Place<TDBImage>(*this, gpbDetalhes, name, 16, FNextTop, size, size);
  image->SetStretch(true);
  image->SetDataSource(FDataSource);
  image->SetDataField(field);
  FNextTop += size + 12;
  return image;
}

TDBLookupComboBox* TCadastroForm::DetailLookup(const char* name, const char* field,
                                               TDataSource* list, const char* listField,
                                               int width) {
  auto* box = Place<TDBLookupComboBox>(*this, gpbDetalhes, name, 16, FNextTop, width, 23);
  box->SetDataSource(FDataSource);
  box->SetDataField(field);
  box->SetListSource(list);
  box->SetKeyField(field);
  box->SetListField(listField);
  FNextTop += 35;
  return box;
}

TDBRadioGroup*
TCadastroForm::DetailRadioGroup(const char* name, const char* caption, const char* field,
                                std::initializer_list<std::pair<const char*, const char*>> items) {
  auto* group = Place<TDBRadioGroup>(*this, gpbDetalhes, name, 16, FNextTop, 360, 80);
  group->SetCaption(caption);
  group->SetColumns(2);
  TStringList values;
  for (const auto& [itemCaption, value] : items) {
    group->GetItems().Add(itemCaption);
    values.Add(value);
  }
  group->SetValues(values);
  group->SetDataSource(FDataSource);
  group->SetDataField(field);
  FNextTop += 92;
  return group;
}

void TCadastroForm::btnNovoClick(TObject* /*Sender*/) {
  FQuery->Append();
}

void TCadastroForm::btnSalvarClick(TObject* /*Sender*/) {
  if (!IsEditing(*FQuery))
    return;
  // A new row whose key was left empty is numbered by the database, as one with key 0 is.
  TField& key = FQuery->FieldByName(FKeyField);
  if (FQuery->GetState() == TDataSetState::dsInsert && key.IsNull())
    key.SetAsLargeInt(0);
  FQuery->Post();
  FQuery->Refresh();
}

void TCadastroForm::btnCancelarClick(TObject* /*Sender*/) {
  if (IsEditing(*FQuery))
    FQuery->Cancel();
}

void TCadastroForm::btnSairClick(TObject* /*Sender*/) {
  detail::SairDaPagina();
}

void TCadastroForm::dtsStatusStateChange(TObject* /*Sender*/) {
  const bool editing = IsEditing(*FQuery);
  btnNovo->SetEnabled(!editing);
  btnSalvar->SetEnabled(editing || KeepsSaveAvailable());
  btnCancelar->SetEnabled(editing || KeepsSaveAvailable());
}

void TCadastroForm::ExportDuo() {
  TDuoForm::ExportDuo();
  TDuoItems& items = ExportWorkPage(*this, pnButtons->GetCaption(), lblTituloTela, btnSair);
  TDuoItems& buttons = items.Add().HTMLDIV("d-flex justify-content-start gap-2 mb-3").Items;
  buttons.Add().UIObj(btnNovo, "btn-success [override-button-fe fe-plus fa fa-plus me-2]");
  buttons.Add().UIObj(btnSalvar, "btn-primary [override-button-fe fe-save fa fa-save me-2]");
  buttons.Add().UIObj(btnCancelar, "btn-warning [override-button-fe fe-x fa fa-x me-2]");
  TDuoItems& body = items.Add().Row("row").Items;
  body.Add()
      .PanelGroup(gpbListagem->GetCaption(), "", false, "col-lg-5", "expanel-default")
      .Items.Add()
      .UIObj(DBGrid1);
  TDuoItems& details =
      body.Add()
          .PanelGroup(gpbDetalhes->GetCaption(), "", false, "col-lg-7", "expanel-default")
          .Items;
  // Each detail control on a row of its own, in the order they stand in the box; a radio group
  // has a box of its own in the browser (see the user-type form).
  for (int i = 0; i < gpbDetalhes->ControlCount(); ++i) {
    TControl* control = gpbDetalhes->Controls(i);
    if (!control->Is<TDBRadioGroup>())
      details.Add().Row("row mb-2").Items.Add().UIObj(control);
  }
}

} // namespace detail
