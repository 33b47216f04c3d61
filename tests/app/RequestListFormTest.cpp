// The request list and the request form on a fresh database: filtering by status and by text,
// creating, changing and discarding requests.

#include "AppFormsFixture.h"
#include "app/uLisSolicitacoes.h"
#include "app/uSolicitacao.h"

#include <set>
#include <vector>

namespace {

using apptest::AppForms;

std::set<int64_t> StatusesShown() {
  std::set<int64_t> statuses;
  TQuery& list = *DM->qryLisSolicitacao;
  for (list.First(); !list.GetEof(); list.Next())
    statuses.insert(list.FieldByName("ID_SITUACAO").GetAsLargeInt());
  return statuses;
}

std::vector<std::string> TextsShown() {
  std::vector<std::string> texts;
  TQuery& list = *DM->qryLisSolicitacao;
  for (list.First(); !list.GetEof(); list.Next())
    texts.push_back(list.FieldByName("SOLICITACAO").GetAsString());
  return texts;
}

TEST_F(AppForms, RequestListShowsEveryRequestNewestFirstWithItsColumns) {
  TfLisSolicitacoes& form = Open<TfLisSolicitacoes>();
  EXPECT_EQ(form.GetName(), "fLisSolicitacoes");
  EXPECT_EQ(form.GetCaption(), "Solicitacoes");
  EXPECT_EQ(FTDI->GetPageControl()->GetActivePage()->GetCaption(), "Solicitacoes      ");
  EXPECT_EQ(form.lblTituloTela->GetCaption(), "Lista de Solicitações");
  EXPECT_EQ(form.gpbFiltragem->GetCaption(), "Filtragem");
  EXPECT_EQ(form.gpbFiltragem->GetHeight(), 75);
  EXPECT_EQ(form.pnlTituloTela->GetHeight(), 41);
  EXPECT_EQ(form.lblPesquisa->GetCaption(), "Nome da Tarefa");
  EXPECT_FALSE(form.dtpDtInicial->GetEnabled());
  EXPECT_FALSE(form.dtpDtFinal->GetEnabled());
  EXPECT_FALSE(form.btnBuscar->GetVisible());
  EXPECT_EQ(form.gpbTarefas->GetCaption(), "Solicitações");

  const std::vector<std::tuple<std::string, int, std::string>> columns = {
      {"ID_SOLICITACAO", 80, "Controle"}, {"DATA_SOLICITACAO", 115, "Data Solicitação"},
      {"SOLICITACAO", 200, "Descrição"},  {"NOME_USUARIO", 200, "Usuário"},
      {"NOME_SITUACAO", 200, "Situação"}, {"NOME_TIPO", 200, "Tipo"},
      {"NOME_UNIDADE", 200, "Unidade"}};
  TDBGridColumns& grid = form.dbgTarefas->GetColumns();
  ASSERT_EQ(grid.Count(), static_cast<int>(columns.size()));
  for (int i = 0; i < grid.Count(); ++i) {
    EXPECT_EQ(grid.Items(i).GetFieldName(), std::get<0>(columns[i]));
    EXPECT_EQ(grid.Items(i).GetWidth(), std::get<1>(columns[i]));
    EXPECT_EQ(grid.Items(i).GetTitleCaption(), std::get<2>(columns[i]));
  }
  EXPECT_FALSE(form.dbgTarefas->CanEditCell());

  TStrings& items = form.cbbSituacao->GetItems();
  ASSERT_EQ(items.Count(), 7);
  EXPECT_EQ(items[0], "Todos");
  EXPECT_EQ(items[1], "1 - Aberta");
  EXPECT_EQ(items[6], "6 - Cancelada");
  EXPECT_EQ(form.cbbSituacao->GetItemIndex(), 0);

  TQuery& list = *DM->qryLisSolicitacao;
  EXPECT_EQ(list.GetRecordCount(), 60);
  list.First();
  EXPECT_EQ(list.FieldByName("SOLICITACAO").GetAsString(),
            "Descarte irregular de entulho em área verde");
  list.Last();
  EXPECT_EQ(list.FieldByName("ID_SOLICITACAO").GetDisplayText(), "00000001");
  // Every request is in the desktop's grid: it has no notice of requests left out.
  EXPECT_FALSE(form.lblLimite->GetVisible());
}

TEST_F(AppForms, RequestListFiltersByTheChosenStatusAndBackToAll) {
  TfLisSolicitacoes& form = Open<TfLisSolicitacoes>();
  for (int index = 1; index <= 6; ++index) {
    Driver.ChooseIndex("fLisSolicitacoes", "cbbSituacao", index);
    EXPECT_EQ(StatusesShown(), std::set<int64_t>{index}) << index;
    EXPECT_EQ(
        DM->qryLisSolicitacao->GetRecordCount(),
        ReadValue("SELECT COUNT(*) FROM SOLICITACAO WHERE ID_SITUACAO = " + std::to_string(index))
            .AsInteger());
  }
  Driver.Choose("fLisSolicitacoes", "cbbSituacao", "Todos");
  EXPECT_EQ(DM->qryLisSolicitacao->GetRecordCount(), 60);
  // Text that names no item leaves the status out.
  Driver.Type("fLisSolicitacoes", "cbbSituacao", "Nenhuma");
  EXPECT_EQ(DM->qryLisSolicitacao->GetRecordCount(), 60);
  // The dates take no part.
  form.dtpDtInicial->SetDate(EncodeDate(2026, 12, 1));
  form.dtpDtFinal->SetDate(EncodeDate(2026, 12, 2));
  Driver.Choose("fLisSolicitacoes", "cbbSituacao", "Todos");
  EXPECT_EQ(DM->qryLisSolicitacao->GetRecordCount(), 60);
}

// Status ids with a gap: the box's items show ids 1 to 6 and 8.
class RequestListWithStatusGap : public AppForms {
protected:
  void PrepareDatabase() override {
    Exec("INSERT INTO SITUACAO (ID_SITUACAO, NOME_SITUACAO) VALUES (0, 'Descartada')");
    Exec("DELETE FROM SITUACAO WHERE ID_SITUACAO = 7");
    Exec("INSERT INTO SITUACAO (ID_SITUACAO, NOME_SITUACAO) VALUES (0, 'Arquivada')");
    Exec("UPDATE SOLICITACAO SET ID_SITUACAO = 8 WHERE ID_SOLICITACAO IN (1, 2, 3)");
  }
};

TEST_F(RequestListWithStatusGap, StatusFilterUsesTheIdTheItemShows) {
  TfLisSolicitacoes& form = Open<TfLisSolicitacoes>();
  ASSERT_EQ(form.cbbSituacao->GetItems().Count(), 8);
  EXPECT_EQ(form.cbbSituacao->GetItems()[7], "8 - Arquivada");
  Driver.Choose("fLisSolicitacoes", "cbbSituacao", "8 - Arquivada");
  EXPECT_EQ(DM->qryLisSolicitacao->GetRecordCount(), 3);
  EXPECT_EQ(StatusesShown(), std::set<int64_t>{8});
  EXPECT_EQ(DM->qryLisSolicitacao->GetSQL().GetText().find("   AND SOL.ID_SITUACAO = 8\r\n") !=
                std::string::npos,
            true);
}

// Requests whose texts hold quotes and letter case the search must respect.
class RequestListSearch : public AppForms {
protected:
  void PrepareDatabase() override {
    Exec("INSERT INTO SOLICITACAO (ID_SOLICITACAO, DATA_SOLICITACAO, SOLICITACAO, ID_USUARIO, "
         "ID_PREFEITURA, ID_SITUACAO, ID_TIPO, ID_UNIDADE) VALUES (0, '2026-12-30 10:00:00', "
         "'Buraco na Rua D''Ajuda', 1, 1, 1, 1, 3)");
    Exec("INSERT INTO SOLICITACAO (ID_SOLICITACAO, DATA_SOLICITACAO, SOLICITACAO, ID_USUARIO, "
         "ID_PREFEITURA, ID_SITUACAO, ID_TIPO, ID_UNIDADE) VALUES (0, '2026-12-30 11:00:00', "
         "'Praça D''Ajuda sem luz', 1, 1, 3, 1, 3)");
  }
};

TEST_F(RequestListSearch, TextFilterQuotesTheTextAndKeepsAcrossStatusChanges) {
  TfLisSolicitacoes& form = Open<TfLisSolicitacoes>();
  Driver.Type("fLisSolicitacoes", "edtPesquisa", "D'Ajuda");
  EXPECT_EQ(DM->qryLisSolicitacao->GetFilter(), "SOLICITACAO LIKE '%D''Ajuda%'");
  EXPECT_TRUE(DM->qryLisSolicitacao->GetFiltered());
  EXPECT_EQ(TextsShown(),
            (std::vector<std::string>{"Praça D'Ajuda sem luz", "Buraco na Rua D'Ajuda"}));

  // A new status query keeps the text filter on its rows.
  Driver.Choose("fLisSolicitacoes", "cbbSituacao", "3 - Em Andamento");
  EXPECT_EQ(TextsShown(), std::vector<std::string>{"Praça D'Ajuda sem luz"});
  Driver.Choose("fLisSolicitacoes", "cbbSituacao", "Todos");

  const std::vector<std::pair<std::string, int>> cases = {
      {"d'ajuda", 0},        // case-sensitive
      {"Rua D'A", 1},        // quote inside
      {"Poda", 6},           // plain text
      {"Rua _pê", 3},        // "_" stands for one character
      {"Ilumina%Matriz", 2}, // "%" for any run
      {"'", 2},              // a lone quote
  };
  for (const auto& [text, rows] : cases) {
    form.edtPesquisa->SetText("");
    Driver.Type("fLisSolicitacoes", "edtPesquisa", text);
    EXPECT_EQ(DM->qryLisSolicitacao->GetRecordCount(), rows) << text;
  }
  // Clearing the box shows every row again, from the rows already read.
  form.edtPesquisa->SetText("");
  EXPECT_FALSE(DM->qryLisSolicitacao->GetFiltered());
  EXPECT_EQ(DM->qryLisSolicitacao->GetRecordCount(), 62);
}

TEST_F(AppForms, NewRequestIsSavedWithTheCityHallAndTheLoggedUser) {
  Open<TfLisSolicitacoes>();
  const TDateTime before = Now();
  bool checked = false;
  Driver.Queue([&] {
    ASSERT_NE(fSolicitacao, nullptr);
    EXPECT_EQ(fSolicitacao->GetOwner()->GetName(), "fLisSolicitacoes");
    EXPECT_TRUE(fSolicitacao->IsModal());
    EXPECT_EQ(fSolicitacao->GetCaption(), "Solicitacao");
    EXPECT_EQ(fSolicitacao->GetClientWidth(), 624);
    EXPECT_EQ(fSolicitacao->GetClientHeight(), 441);
    EXPECT_EQ(fSolicitacao->lblTituloTela->GetCaption(), "Solicitação");
    EXPECT_EQ(fSolicitacao->dbeControle->GetText(), "0");
    EXPECT_TRUE(fSolicitacao->dbeControle->GetReadOnly());
    EXPECT_FALSE(fSolicitacao->dbeControle->GetTabStop());
    const TDateTime shown = DM->qrySolicitacao->FieldByName("DATA_SOLICITACAO").GetAsDateTime();
    EXPECT_GE(shown.Value + 1e-5, before.Value);
    EXPECT_EQ(fSolicitacao->dbeData->GetText(),
              DM->qrySolicitacao->FieldByName("DATA_SOLICITACAO").GetText());
    checked = true;
  });
  Driver.Queue([&] { Driver.Type("fSolicitacao", "dbeDescricao", "Vazamento na Rua D'Ajuda"); });
  Driver.Queue([&] { Driver.Choose("fSolicitacao", "cbbTipo", "Reclamação"); });
  Driver.Queue([&] { Driver.Choose("fSolicitacao", "cbbUnidade", "Secretaria de Saúde"); });
  Driver.Queue([&] { Driver.Choose("fSolicitacao", "cbbSituacao", "Em Análise"); });
  Driver.Queue([&] {
    EXPECT_EQ(DM->qrySolicitacao->FieldByName("ID_SITUACAO").GetAsLargeInt(), 2);
    EXPECT_EQ(fSolicitacao->cbbSituacao->GetText(), "Em Análise");
    Driver.Click("fSolicitacao", "btnSalvar");
  });
  int64_t saved = 0;
  Driver.Queue([&] {
    // Saved and still shown, with the key the database gave it.
    EXPECT_EQ(DM->qrySolicitacao->GetState(), TDataSetState::dsBrowse);
    saved = DM->qrySolicitacao->FieldByName("ID_SOLICITACAO").GetAsLargeInt();
    EXPECT_EQ(fSolicitacao->dbeControle->GetText(), std::to_string(saved));
    EXPECT_EQ(fSolicitacao->dbeDescricao->GetText(), "Vazamento na Rua D'Ajuda");
    Driver.Click("fSolicitacao", "btnSair");
  });
  Driver.Click("fLisSolicitacoes", "btnNovo");

  EXPECT_TRUE(checked);
  EXPECT_EQ(Driver.Pending(), 0);
  EXPECT_TRUE(Driver.Messages().empty());
  EXPECT_EQ(fSolicitacao, nullptr);
  EXPECT_FALSE(DM->qrySolicitacao->GetActive());
  EXPECT_EQ(saved, 61);
  EXPECT_EQ(ReadValue("SELECT SOLICITACAO FROM SOLICITACAO WHERE ID_SOLICITACAO = 61").AsString(),
            "Vazamento na Rua D'Ajuda");
  EXPECT_EQ(ReadValue("SELECT ID_USUARIO FROM SOLICITACAO WHERE ID_SOLICITACAO = 61").AsInt64(),
            ReadValue("SELECT ID_USUARIO FROM USUARIO WHERE LOGIN_USUARIO = 'pelix'").AsInt64());
  EXPECT_EQ(ReadValue("SELECT ID_PREFEITURA FROM SOLICITACAO WHERE ID_SOLICITACAO = 61").AsInt64(),
            1);
  // The list is not read again after the form.
  EXPECT_EQ(DM->qryLisSolicitacao->GetRecordCount(), 60);
}

TEST_F(AppForms, RequestFormCancelDiscardsAndSaveStoresAChange) {
  Open<TfLisSolicitacoes>();
  TQuery& list = *DM->qryLisSolicitacao;
  ASSERT_TRUE(list.Locate("ID_SOLICITACAO", {Variant(int64_t{5})}));
  const std::string original = list.FieldByName("SOLICITACAO").GetAsString();

  Driver.Queue([&] {
    EXPECT_EQ(fSolicitacao->dbeControle->GetText(), "5");
    EXPECT_EQ(DM->qrySolicitacao->GetState(), TDataSetState::dsEdit);
    EXPECT_EQ(fSolicitacao->dbeDescricao->GetText(), original);
    Driver.Type("fSolicitacao", "dbeDescricao", "Texto trocado");
    Driver.Click("fSolicitacao", "btnCancelar");
    EXPECT_EQ(fSolicitacao->dbeDescricao->GetText(), original);
    Driver.Click("fSolicitacao", "btnSair");
  });
  Driver.Click("fLisSolicitacoes", "btnAlterar");
  EXPECT_EQ(ReadValue("SELECT SOLICITACAO FROM SOLICITACAO WHERE ID_SOLICITACAO = 5").AsString(),
            original);

  // Typing without "Salvar" is lost when the form closes.
  Driver.Queue([&] { Driver.Type("fSolicitacao", "dbeDescricao", "Nunca salvo"); });
  Driver.Queue([&] { Driver.Click("fSolicitacao", "btnSair"); });
  Driver.Click("fLisSolicitacoes", "btnAlterar");
  EXPECT_EQ(ReadValue("SELECT SOLICITACAO FROM SOLICITACAO WHERE ID_SOLICITACAO = 5").AsString(),
            original);

  Driver.Queue([&] {
    Driver.Type("fSolicitacao", "dbeDescricao", "Texto corrigido");
    Driver.Choose("fSolicitacao", "cbbUnidade", "Departamento de Trânsito");
    Driver.Click("fSolicitacao", "btnSalvar");
    // Salvar and Cancelar while browsing do nothing.
    Driver.Click("fSolicitacao", "btnSalvar");
    Driver.Click("fSolicitacao", "btnCancelar");
    EXPECT_EQ(fSolicitacao->dbeDescricao->GetText(), "Texto corrigido");
    Driver.Click("fSolicitacao", "btnSair");
  });
  Driver.Click("fLisSolicitacoes", "btnAlterar");
  EXPECT_EQ(ReadValue("SELECT SOLICITACAO FROM SOLICITACAO WHERE ID_SOLICITACAO = 5").AsString(),
            "Texto corrigido");
  EXPECT_EQ(ReadValue("SELECT ID_UNIDADE FROM SOLICITACAO WHERE ID_SOLICITACAO = 5").AsInt64(), 5);
  EXPECT_TRUE(Driver.Messages().empty());
  EXPECT_EQ(list.FieldByName("SOLICITACAO").GetAsString(), original);
}

TEST_F(AppForms, RequestFormRefusesAPostWithARequiredFieldEmptyAndStaysOpen) {
  Open<TfLisSolicitacoes>();
  Driver.Queue([&] { Driver.Click("fSolicitacao", "btnSalvar"); });
  Driver.Queue([&] {
    ASSERT_EQ(Driver.Messages().size(), 1u);
    EXPECT_EQ(Driver.Messages()[0].Type, mtError);
    EXPECT_NE(fSolicitacao, nullptr);
    EXPECT_EQ(DM->qrySolicitacao->GetState(), TDataSetState::dsInsert);
    Driver.Click("fSolicitacao", "btnSair");
  });
  Driver.Click("fLisSolicitacoes", "btnNovo");
  EXPECT_EQ(ReadValue("SELECT COUNT(*) FROM SOLICITACAO").AsInteger(), 60);
}

TEST_F(AppForms, RequestFormTabOrder) {
  Open<TfLisSolicitacoes>();
  std::vector<std::string> order;
  Driver.Queue([&] {
    for (TWinControl* control : fSolicitacao->GetTabOrderList())
      if (control->GetTabStop() && control->GetParent() == fSolicitacao)
        order.push_back(control->GetName());
    Driver.Click("fSolicitacao", "btnSair");
  });
  Driver.Click("fLisSolicitacoes", "btnNovo");
  EXPECT_EQ(order, (std::vector<std::string>{"dbeDescricao", "cbbSituacao", "cbbUnidade", "cbbTipo",
                                             "dbeData", "btnSalvar", "btnCancelar"}));
}

// A request whose key does not fit in 32 bits.
class RequestWithLargeKey : public AppForms {
protected:
  void PrepareDatabase() override {
    Exec("INSERT INTO SOLICITACAO (ID_SOLICITACAO, DATA_SOLICITACAO, SOLICITACAO, ID_USUARIO, "
         "ID_PREFEITURA, ID_SITUACAO, ID_TIPO, ID_UNIDADE) VALUES (5000000001, "
         "'2026-12-30 10:00:00', 'Chave grande', 1, 1, 1, 1, 3)");
  }
};

TEST_F(RequestWithLargeKey, AlterarOpensTheSelectedRequest) {
  Open<TfLisSolicitacoes>();
  ASSERT_TRUE(DM->qryLisSolicitacao->Locate("ID_SOLICITACAO", {Variant(int64_t{5000000001})}));
  std::string shown;
  Driver.Queue([&] {
    shown = fSolicitacao->dbeDescricao->GetText();
    EXPECT_EQ(fSolicitacao->dbeControle->GetText(), "5000000001");
    Driver.Click("fSolicitacao", "btnSair");
  });
  Driver.Click("fLisSolicitacoes", "btnAlterar");
  EXPECT_EQ(shown, "Chave grande");
}

TEST_F(AppForms, RequestListSairClosesItsTab) {
  Open<TfLisSolicitacoes>();
  ASSERT_EQ(FTDI->GetPageControl()->PageCount(), 1);
  Driver.Click("fLisSolicitacoes", "btnSair");
  EXPECT_EQ(FTDI->GetPageControl()->PageCount(), 0);
  // The query keeps its last SQL and filter.
  EXPECT_TRUE(DM->qryLisSolicitacao->GetActive());
}

} // namespace

namespace {

TEST_F(AppForms, AlterarOnAnEmptyListOpensANewRequest) {
  Open<TfLisSolicitacoes>();
  Driver.Type("fLisSolicitacoes", "edtPesquisa", "nada disso existe");
  ASSERT_TRUE(DM->qryLisSolicitacao->IsEmpty());
  bool seen = false;
  Driver.Queue([&] {
    seen = true;
    EXPECT_EQ(DM->qrySolicitacao->GetState(), TDataSetState::dsInsert);
    EXPECT_EQ(fSolicitacao->dbeControle->GetText(), "0");
    Driver.Click("fSolicitacao", "btnSair");
  });
  Driver.Click("fLisSolicitacoes", "btnAlterar");
  EXPECT_TRUE(seen);
  EXPECT_TRUE(Driver.Messages().empty());
}

// After "Cancelar" the form shows no request; typing starts a new one, which is saved with its
// owners as one started by "Novo".
TEST_F(AppForms, RequestStartedAfterCancelIsSavedWithItsOwners) {
  Open<TfLisSolicitacoes>();
  Driver.Queue([&] {
    Driver.Type("fSolicitacao", "dbeDescricao", "Primeira tentativa");
    Driver.Click("fSolicitacao", "btnCancelar");
    EXPECT_TRUE(DM->qrySolicitacao->IsEmpty());
    Driver.Type("fSolicitacao", "dbeDescricao", "Segunda tentativa");
    EXPECT_EQ(DM->qrySolicitacao->GetState(), TDataSetState::dsInsert);
    Driver.Choose("fSolicitacao", "cbbTipo", "Sugestão");
    Driver.Choose("fSolicitacao", "cbbUnidade", "Secretaria de Educação");
    Driver.Choose("fSolicitacao", "cbbSituacao", "Aberta");
    Driver.Click("fSolicitacao", "btnSalvar");
    EXPECT_EQ(DM->qrySolicitacao->GetState(), TDataSetState::dsBrowse);
    Driver.Click("fSolicitacao", "btnSair");
  });
  Driver.Click("fLisSolicitacoes", "btnNovo");
  EXPECT_TRUE(Driver.Messages().empty());
  EXPECT_EQ(ReadValue("SELECT COUNT(*) FROM SOLICITACAO WHERE SOLICITACAO = 'Segunda tentativa' "
                      "AND ID_USUARIO = 1 AND ID_PREFEITURA = 1")
                .AsInteger(),
            1);
  EXPECT_EQ(ReadValue("SELECT COUNT(*) FROM SOLICITACAO").AsInteger(), 61);
}

} // namespace
