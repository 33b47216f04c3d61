#include "app/CadastroForm.h"

#include "app/FormParts.h"
#include "app/uMenu.h"

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
  FTDI->Fechar(false);
}

void TCadastroForm::dtsStatusStateChange(TObject* /*Sender*/) {
  const bool editing = IsEditing(*FQuery);
  btnNovo->SetEnabled(!editing);
  btnSalvar->SetEnabled(editing);
  btnCancelar->SetEnabled(editing);
}

void TCadastroForm::ExportDuo() {
  TDuoForm::ExportDuo();
  SetTitle("My Duo Form");
}

} // namespace detail
