#include "app/uLisSolicitacoes.h"
#include "app/VozmiraWeb.h"

#include "app/FormParts.h"
#include "app/uDM.h"
#include "app/uMenu.h"
#include "app/uSolicitacao.h"
#include "bridge/Duo.Item.HTML.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.h"
#include "render/Facet.DBGrid.h"
#include "runtime/FormatSettings.h"

#include <utility>

namespace {

// Puts a text between single quotes as a literal of the filter language, doubling the quotes
// inside it.
std::string QuotedStr(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'')
      quoted += '\'';
  }
  return quoted + "'";
}

// A count with its thousands grouped by ".", as the office writes them: 2000 is "2.000".
std::string Milhares(int count) {
  TFormatSettings settings;
  settings.ThousandSeparator = '.';
  settings.DecimalSeparator = ',';
  return FormatFloat("#,##0", count, settings);
}

} // namespace

const TClassInfo& TfLisSolicitacoes::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TfLisSolicitacoes>("TfLisSolicitacoes").Creatable().Build();
  return info;
}

TfLisSolicitacoes::TfLisSolicitacoes(TComponent* AOwner) : TDuoForm(AOwner) {
  SetFormName("fLisSolicitacoes");
  SetCaption("Solicitacoes");
  SetClientWidth(1100);
  SetClientHeight(600);
  GetFont().SetName("Segoe UI");
  GetFont().SetSize(9);

  const detail::TTitleBar bar =
      detail::MakeTitleBar(*this, this, "pnlTituloTela", "Lista de Solicitações", false);
  pnlTituloTela = bar.Panel;
  lblTituloTela = bar.Title;
  btnSair = bar.Sair;

  gpbFiltragem = detail::Dock<TGroupBox>(*this, this, "gpbFiltragem", alTop, 75);
  gpbFiltragem->SetCaption("Filtragem");
  pnlFiltragem = detail::PlainPanel(*this, gpbFiltragem, "pnlFiltragem", alClient);
  lblSituacao = detail::Place<TLabel>(*this, pnlFiltragem, "lblSituacao", 8, 2, 200, 15);
  lblSituacao->SetCaption("Situação");
  cbbSituacao = detail::Place<TComboBox>(*this, pnlFiltragem, "cbbSituacao", 8, 20, 200, 23);
  lblPesquisa = detail::Place<TLabel>(*this, pnlFiltragem, "lblPesquisa", 216, 2, 300, 15);
  lblPesquisa->SetCaption("Nome da Tarefa");
  edtPesquisa = detail::Place<TEdit>(*this, pnlFiltragem, "edtPesquisa", 216, 20, 300, 23);
  lblDtInicial = detail::Place<TLabel>(*this, pnlFiltragem, "lblDtInicial", 524, 2, 110, 15);
  lblDtInicial->SetCaption("Data Inicial");
  lblDtInicial->SetEnabled(false);
  dtpDtInicial =
      detail::Place<TDateTimePicker>(*this, pnlFiltragem, "dtpDtInicial", 524, 20, 110, 23);
  dtpDtInicial->SetEnabled(false);
  lblDtFinal = detail::Place<TLabel>(*this, pnlFiltragem, "lblDtFinal", 642, 2, 110, 15);
  lblDtFinal->SetCaption("Data Final");
  lblDtFinal->SetEnabled(false);
  dtpDtFinal = detail::Place<TDateTimePicker>(*this, pnlFiltragem, "dtpDtFinal", 642, 20, 110, 23);
  dtpDtFinal->SetEnabled(false);
  lblSituacao->SetFocusControl(cbbSituacao);
  lblPesquisa->SetFocusControl(edtPesquisa);
  lblDtInicial->SetFocusControl(dtpDtInicial);
  lblDtFinal->SetFocusControl(dtpDtFinal);
  btnBuscar = detail::Place<TButton>(*this, pnlFiltragem, "btnBuscar", 760, 18, 90, 27);
  btnBuscar->SetCaption("Buscar");
  btnBuscar->SetVisible(false);

  gpbTarefas = detail::Dock<TGroupBox>(*this, this, "gpbTarefas", alClient);
  gpbTarefas->SetCaption("Solicitações");
  pnlBotoes = detail::PlainPanel(*this, gpbTarefas, "pnlBotoes", alTop, 47);
  btnNovo = detail::StripButton(*this, pnlBotoes, "btnNovo", "Novo", 0);
  btnAlterar = detail::StripButton(*this, pnlBotoes, "btnAlterar", "Alterar", 1);
  lblLimite = detail::Place<TLabel>(*this, pnlBotoes, "lblLimite", 240, 16, 600, 15);
  lblLimite->SetVisible(false);
  dbgTarefas = detail::ReadOnlyGrid(*this, gpbTarefas, "dbgTarefas", DM->dtsLisSolicitacao,
                                    {{"ID_SOLICITACAO", 80},
                                     {"DATA_SOLICITACAO", 115},
                                     {"SOLICITACAO", 200},
                                     {"NOME_USUARIO", 200},
                                     {"NOME_SITUACAO", 200},
                                     {"NOME_TIPO", 200},
                                     {"NOME_UNIDADE", 200}});

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnShow = [this](TObject* Sender) { FormShow(Sender); };
  OnPageLoaded = [this](TObject*) { FRowsForPage = false; };
  cbbSituacao->OnChange = [this](TObject* Sender) { cbbSituacaoChange(Sender); };
  edtPesquisa->OnChange = [this](TObject* Sender) { edtPesquisaChange(Sender); };
  btnNovo->OnClick = [this](TObject* Sender) { btnNovoClick(Sender); };
  btnAlterar->OnClick = [this](TObject* Sender) { btnAlterarClick(Sender); };
  btnSair->OnClick = [this](TObject* Sender) { btnSairClick(Sender); };
}

void TfLisSolicitacoes::FormCreate(TObject* /*Sender*/) {
  TQuery& statuses = *DM->qrySituacao;
  cbbSituacao->GetItems().Clear();
  FSituacaoIds.clear();
  cbbSituacao->GetItems().Add("Todos");
  statuses.First();
  while (!statuses.GetEof()) {
    const int64_t id = statuses.FieldByName("ID_SITUACAO").GetAsLargeInt();
    cbbSituacao->GetItems().Add(std::to_string(id) + " - " +
                                statuses.FieldByName("NOME_SITUACAO").GetAsString());
    FSituacaoIds.push_back(id);
    statuses.Next();
  }
  statuses.First();
  cbbSituacao->SetItemIndex(0);
}

void TfLisSolicitacoes::FormShow(TObject* /*Sender*/) {
  // In the browser, opening the list shows the form (its rows are read for the page that is
  // built next) and that page's loaded event shows it again: the rows just read serve it.
  if (std::exchange(FRowsForPage, false))
    return;
  BuscarDados();
  FRowsForPage = IsDuoContext();
}

void TfLisSolicitacoes::cbbSituacaoChange(TObject* /*Sender*/) {
  BuscarDados();
}

void TfLisSolicitacoes::edtPesquisaChange(TObject* /*Sender*/) {
  FiltrarDados();
}

void TfLisSolicitacoes::BuscarDados() {
  TQuery& list = *DM->qryLisSolicitacao;
  DM->BeginListaSolicitacoesSQL();
  TStrings& sql = list.GetSQL();
  sql.BeginUpdate();
  // The chosen item stands for the status whose id it shows, which is not its position when the
  // ids have gaps.
  const int index = cbbSituacao->GetItemIndex();
  if (index > 0 && index <= static_cast<int>(FSituacaoIds.size()))
    sql.Add("   AND SOL.ID_SITUACAO = " + std::to_string(FSituacaoIds[index - 1]));
  sql.Add("ORDER BY");
  // Newest first in both presentations: the browser's grid receives at most its record cap, which
  // then leaves out only the oldest requests.
  sql.Add("  SOL.DATA_SOLICITACAO DESC");
  sql.EndUpdate();
  list.Open();
  FiltrarDados();
}

void TfLisSolicitacoes::FiltrarDados() {
  TQuery& list = *DM->qryLisSolicitacao;
  const std::string& text = edtPesquisa->GetText();
  if (text.empty()) {
    list.SetFilter("");
    list.SetFiltered(false);
  } else {
    list.SetFilter("SOLICITACAO LIKE " + QuotedStr("%" + text + "%"));
    list.SetFiltered(true);
  }
  MostrarLimite();
}

void TfLisSolicitacoes::MostrarLimite() {
  const int total = DM->qryLisSolicitacao->GetRecordCount();
  const bool cut = IsDuoContext() && total > MaxRegistrosWeb;
  lblLimite->SetCaption(cut ? "Exibindo as " + Milhares(MaxRegistrosWeb) +
                                  " solicitações mais recentes de " + Milhares(total)
                            : std::string());
  lblLimite->SetVisible(cut);
}

void TfLisSolicitacoes::btnNovoClick(TObject* /*Sender*/) {
  TQuery& request = *DM->qrySolicitacao;
  request.Close();
  request.ParamByName("P_ID_SOLICITACAO").SetAsLargeInt(0);
  request.Open();
  request.Insert();
  MostrarSolicitacao();
}

void TfLisSolicitacoes::btnAlterarClick(TObject* /*Sender*/) {
  TQuery& request = *DM->qrySolicitacao;
  request.Close();
  request.ParamByName("P_ID_SOLICITACAO")
      .SetAsLargeInt(DM->qryLisSolicitacao->FieldByName("ID_SOLICITACAO").GetAsLargeInt());
  request.Open();
  request.Edit();
  MostrarSolicitacao();
}

void TfLisSolicitacoes::MostrarSolicitacao() {
  detail::ShowDetailModal(fSolicitacao, this);
  DM->qrySolicitacao->Close();
}

void TfLisSolicitacoes::btnSairClick(TObject* /*Sender*/) {
  detail::SairDaPagina();
}

void TfLisSolicitacoes::ExportDuo() {
  TDuoForm::ExportDuo();
  TDuoItems& items =
      detail::ExportWorkPage(*this, pnlTituloTela->GetCaption(), lblTituloTela, btnSair);

  TDuoItems& filters =
      items.Add()
          .Row("row")
          .Items.Add()
          .PanelGroup(gpbFiltragem->GetCaption(), "", false, "col", "expanel-default")
          .Items.Add()
          .Row("row")
          .Items;
  filters.Add().FormGroup(pnlFiltragem->GetCaption(), "col-auto").AddUIObj(lblSituacao);
  for (TControl* control :
       std::initializer_list<TControl*>{cbbSituacao, lblPesquisa, edtPesquisa, lblDtInicial,
                                        dtpDtInicial, lblDtFinal, dtpDtFinal})
    filters.Add().FormGroup("", "col-auto").AddUIObj(control);
  filters.Add()
      .FormGroup("", "col-auto")
      .AddUIObj(btnBuscar, "btn-primary [override-button-fe fe-search fa fa-search me-2]");

  TDuoItems& requests =
      items.Add()
          .Row("row")
          .Items.Add()
          .PanelGroup(gpbTarefas->GetCaption(), "", false, "col", "expanel-default")
          .Items;
  TDuoItems& buttons = requests.Add().Row("row").Items;
  buttons.Add()
      .FormGroup(pnlBotoes->GetCaption(), "col-auto")
      .AddUIObj(btnNovo, "btn-success [override-button-fe fe-plus fa fa-plus me-2]");
  buttons.Add()
      .FormGroup("", "col-auto")
      .AddUIObj(btnAlterar, "btn-primary [override-button-fe fe-edit fa fa-edit me-2]");
  requests.Add().Row("row").Items.Add().FormGroup("", "col").AddUIObj(lblLimite);
  requests.Add().Row("row").Items.Add().UIObj(dbgTarefas);
}

void TfLisSolicitacoes::InitControlsDuo(TFacetControl* FacetControl) {
  TDuoForm::InitControlsDuo(FacetControl);
  if (auto* grid = dynamic_cast<TFacetDBGrid*>(FacetControl)) {
    grid->SetRecordsPerPage(10);
    grid->SetMaxRecords(MaxRegistrosWeb);
  }
}
