// The dashboard on a fresh database: the counts of the moment of login and the newest requests.

#include "AppFormsFixture.h"
#include "app/uDashboard.h"
#include "app/uLisSolicitacoes.h"

namespace {

using apptest::AppForms;

TEST_F(AppForms, DashboardShowsTheCountsAndTheNewestRequestsFirst) {
  TfDashboard& form = Open<TfDashboard>();
  EXPECT_EQ(form.GetCaption(), "Painel de Bordo");
  EXPECT_EQ(form.GetColor(), clWhite);
  EXPECT_EQ(form.Panel1->GetHeight(), 115);
  EXPECT_EQ(form.Panel2->GetWidth(), 336);
  const std::vector<std::tuple<TGroupBox*, TDBText*, std::string, TColor, std::string>> boxes = {
      {form.GroupBox1, form.DBText1, "Novas Solicitações", RGB(103, 254, 235), "QT_NOVAS"},
      {form.GroupBox2, form.DBText2, "Em Andamento", RGB(255, 255, 168), "QT_ANDAMENTO"},
      {form.GroupBox3, form.DBText3, "Finalizadas", RGB(132, 132, 255), "QT_FINALIZADAS"}};
  for (const auto& [box, text, caption, color, field] : boxes) {
    EXPECT_EQ(box->GetCaption(), caption);
    EXPECT_EQ(box->GetWidth(), 185);
    EXPECT_EQ(box->GetColor(), color);
    EXPECT_EQ(text->GetCaption(), ReadValue("SELECT " + field + " FROM SP_DASHBOARD_QT").AsString())
        << field;
    EXPECT_TRUE(text->GetFont().GetStyle().Contains(fsBold));
  }
  EXPECT_EQ(form.gpbTipoSolicitacoes->GetCaption(), "Tipo de Solicitações");
  EXPECT_EQ(form.dbgTipoSolicitacoes->GetColumns().Items(0).GetTitleCaption(),
            "Tipo de Solicitação");
  EXPECT_EQ(form.dbgTipoSolicitacoes->GetColumns().Items(0).GetWidth(), 196);
  EXPECT_EQ(form.dbgTipoSolicitacoes->GetColumns().Items(1).GetTitleCaption(), "Quantidade");
  EXPECT_EQ(form.gpbNovasSolicitacoes->GetCaption(), "Novas Solicitações");
  TDBGridColumns& requests = form.dbgNovasSolicitacoes->GetColumns();
  ASSERT_EQ(requests.Count(), 6);
  EXPECT_EQ(requests.Items(0).GetFieldName(), "DATA_SOLICITACAO");
  EXPECT_EQ(requests.Items(0).GetWidth(), 119);
  EXPECT_EQ(requests.Items(1).GetWidth(), 259);
  EXPECT_EQ(requests.Items(5).GetFieldName(), "NOME_UNIDADE");
  EXPECT_EQ(requests.Items(5).GetTitleCaption(), "Unidade");
  for (TDBGrid* grid : {form.dbgTipoSolicitacoes, form.dbgNovasSolicitacoes})
    for (int i = 0; i < grid->GetColumns().Count(); ++i) {
      const TColumn& column = grid->GetColumns().Items(i);
      EXPECT_EQ(column.GetFont().GetName(), "Segoe UI");
      EXPECT_EQ(column.GetFont().GetHeight(), -12);
      EXPECT_TRUE(column.GetFont().GetStyle().Empty());
      EXPECT_EQ(column.GetTitleFont().GetHeight(), -12);
      EXPECT_TRUE(column.GetTitleFont().GetStyle().Contains(fsBold));
    }

  TQuery& list = *DM->qryLisSolicitacao;
  EXPECT_EQ(list.GetRecordCount(), 60);
  list.First();
  EXPECT_EQ(list.FieldByName("SOLICITACAO").GetAsString(),
            "Descarte irregular de entulho em área verde");
  EXPECT_EQ(list.FieldByName("ID_SOLICITACAO").GetAsLargeInt(), 60);
}

TEST_F(AppForms, DashboardCountsStayThoseOfTheLoginAndTheListReordersTheSharedQuery) {
  TfDashboard& form = Open<TfDashboard>();
  const std::string before = form.DBText1->GetCaption();
  const int typesBefore = DM->qryDashTipo->GetRecordCount();
  Exec("INSERT INTO SOLICITACAO (ID_SOLICITACAO, DATA_SOLICITACAO, SOLICITACAO, ID_USUARIO, "
       "ID_PREFEITURA, ID_SITUACAO, ID_TIPO, ID_UNIDADE) VALUES (0, '2026-12-31 10:00:00', "
       "'Nova', 1, 1, 1, 1, 3)");
  Exec("INSERT INTO TIPO_SOLICITACAO (ID_TIPO, NOME_TIPO) VALUES (0, 'Outro')");
  EXPECT_EQ(form.DBText1->GetCaption(), before);
  EXPECT_EQ(DM->qryDashTipo->GetRecordCount(), typesBefore);

  // The request list rebuilds the same query with its own text, newest first; the dashboard's
  // grid follows and now shows the request added after the login.
  Open<TfLisSolicitacoes>();
  EXPECT_EQ(form.dbgNovasSolicitacoes->GetDataSource(), DM->dtsLisSolicitacao);
  EXPECT_NE(DM->qryLisSolicitacao->GetSQL().GetText().find("WHERE 1=1"), std::string::npos);
  DM->qryLisSolicitacao->First();
  EXPECT_EQ(DM->qryLisSolicitacao->FieldByName("SOLICITACAO").GetAsString(), "Nova");
}

} // namespace
