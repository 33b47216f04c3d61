#include "app/uDashboard.h"

#include "app/DuoFormTemplate.h"
#include "app/FormParts.h"
#include "app/uDM.h"
#include "bridge/Duo.Item.HTML.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.h"

namespace {

// A count box of the top strip: a coloured group box with a bold caption and, centred inside,
// the count in large bold figures.
TGroupBox* CountBox(TfDashboard& form, const char* name, const char* caption, TColor color,
                    const char* textName, const char* field, TDBText*& text) {
  auto* box = detail::Dock<TGroupBox>(form, form.Panel1, name, alLeft, 185);
  box->SetCaption(caption);
  box->SetColor(color);
  detail::BoldFont(box->GetFont(), 16);
  text = detail::Dock<TDBText>(form, box, textName, alClient);
  text->SetAutoSize(false);
  text->SetAlignment(taCenter);
  text->SetLayout(tlCenter);
  detail::BoldFont(text->GetFont(), 21);
  text->SetDataSource(DM->dtsDashQt);
  text->SetDataField(field);
  return box;
}

} // namespace

const TClassInfo& TfDashboard::StaticClass() {
  static const TClassInfo info = TClassBuilder<TfDashboard>("TfDashboard").Creatable().Build();
  return info;
}

TfDashboard::TfDashboard(TComponent* AOwner) : TDuoForm(AOwner) {
  SetFormName("fDashboard");
  SetCaption("Painel de Bordo");
  SetColor(clWhite);
  GetFont().SetName("Segoe UI");
  GetFont().SetSize(9);
  SetClientWidth(1100);
  SetClientHeight(600);

  Panel1 = detail::PlainPanel(*this, this, "Panel1", alTop, 115);
  GroupBox1 = CountBox(*this, "GroupBox1", "Novas Solicitações", RGB(103, 254, 235), "DBText1",
                       "QT_NOVAS", DBText1);
  GroupBox2 = CountBox(*this, "GroupBox2", "Em Andamento", RGB(255, 255, 168), "DBText2",
                       "QT_ANDAMENTO", DBText2);
  GroupBox3 = CountBox(*this, "GroupBox3", "Finalizadas", RGB(132, 132, 255), "DBText3",
                       "QT_FINALIZADAS", DBText3);
  Image1 = detail::Dock<TImage>(*this, Panel1, "Image1", alClient);
  Image1->SetCenter(true);

  Panel2 = detail::PlainPanel(*this, this, "Panel2", alRight, 336);
  gpbTipoSolicitacoes = detail::Dock<TGroupBox>(*this, Panel2, "gpbTipoSolicitacoes", alClient);
  gpbTipoSolicitacoes->SetCaption("Tipo de Solicitações");
  dbgTipoSolicitacoes = detail::ReadOnlyGrid(*this, gpbTipoSolicitacoes, "dbgTipoSolicitacoes",
                                             DM->dtsDashTipo, {{"NOME_TIPO", 196}, {"QT", 0}});

  pnlDash1 = detail::PlainPanel(*this, this, "pnlDash1", alClient);
  gpbNovasSolicitacoes = detail::Dock<TGroupBox>(*this, pnlDash1, "gpbNovasSolicitacoes", alClient);
  gpbNovasSolicitacoes->SetCaption("Novas Solicitações");
  dbgNovasSolicitacoes = detail::ReadOnlyGrid(*this, gpbNovasSolicitacoes, "dbgNovasSolicitacoes",
                                              DM->dtsLisSolicitacao,
                                              {{"DATA_SOLICITACAO", 119},
                                               {"SOLICITACAO", 259},
                                               {"NOME_SITUACAO", 130},
                                               {"NOME_USUARIO", 130},
                                               {"NOME_TIPO", 130},
                                               {"NOME_UNIDADE", 130}});
  // Cells in regular and titles in bold 12-pixel letters.
  for (TDBGrid* grid : {dbgTipoSolicitacoes, dbgNovasSolicitacoes})
    for (int i = 0; i < grid->GetColumns().Count(); ++i) {
      TColumn& column = grid->GetColumns().Items(i);
      column.GetFont().SetName("Segoe UI");
      column.GetFont().SetHeight(-12);
      detail::BoldFont(column.GetTitleFont(), 12);
    }

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
}

void TfDashboard::FormCreate(TObject* /*Sender*/) {
  DM->BuscaSolicitacoes("DATA_DESCENDING");
}

void TfDashboard::ExportDuo() {
  TDuoForm::ExportDuo();
  OnTagHTML = [this](const std::string& TagString, std::string& ReplaceTag) {
    TagHTML(TagString, ReplaceTag);
  };
  SetTemplateClassForm(&TDuoFormTemplate::StaticClass());
  SetTemplateFiles("pages/template.html", "pages/dashboard.html");
  SetTitle("Dashboard");
  TDuoItems& items = GetDuo()->Items;
  items.Add()
      .Row("row")
      .Items.Add()
      .PanelGroup(gpbNovasSolicitacoes->GetCaption(), "", false, "col", "expanel-default")
      .Items.Add()
      .UIObj(dbgNovasSolicitacoes);
  items.Add()
      .Row("row")
      .Items.Add()
      .PanelGroup(gpbTipoSolicitacoes->GetCaption(), "", false, "col", "expanel-default")
      .Items.Add()
      .UIObj(dbgTipoSolicitacoes);
}

void TfDashboard::TagHTML(const std::string& TagString, std::string& ReplaceTag) {
  for (const char* count : {"QT_NOVAS", "QT_ANDAMENTO", "QT_FINALIZADAS"})
    if (TagString == count)
      ReplaceTag = DM->qryDashQt->FieldByName(count).GetAsString();
}
