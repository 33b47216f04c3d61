// What each access level opens on the desktop: the menu's commands and side buttons, the forms
// opened anyway, and a citizen's requests.

#include "AppFormsFixture.h"
#include "app/FormParts.h"
#include "app/uSolicitacao.h"
#include "app/uUsuario.h"

#include <map>

namespace {

using apptest::AppForms;

struct TLevelCase {
  const char* User;
  const char* Password;
  // Whether the level's menu offers: requests, reference tables, users.
  bool Requests;
  bool Cadastros;
  bool Usuarios;
};

const TLevelCase Levels[] = {
    {"pelix", "pelix", true, true, true},
    {"brud", "brud", true, true, false},
    {"mcosta", "Ouvidoria#2026", true, false, false},
    {"jsouza", "cidadao123", true, false, false},
};

TEST_F(AppForms, TheMenuOffersWhatTheLevelOpensAndRefusesTheRest) {
  for (const TLevelCase& level : Levels) {
    LogIn(level.User, level.Password);
    auto* menu = CreateForm<TfMenu>(&App);
    fMenu = menu;
    menu->FormShow(menu);
    const std::map<TSpeedButton*, bool> buttons = {
        {menu->SpeedButton4, level.Requests},  {menu->SpeedButton1, level.Usuarios},
        {menu->SpeedButton3, level.Usuarios},  {menu->SpeedButton6, level.Cadastros},
        {menu->SpeedButton7, level.Cadastros}, {menu->SpeedButton8, level.Cadastros},
        {menu->SpeedButton9, level.Cadastros}, {menu->SpeedButton10, level.Cadastros}};
    for (const auto& [button, shown] : buttons)
      EXPECT_EQ(button->GetVisible(), shown) << level.User << " " << button->GetName();
    const std::map<TMenuItem*, bool> items = {{menu->Solicitaes1, true},
                                              {menu->GerenciamentodeSolicitaes1, level.Requests},
                                              {menu->Cadastros1, level.Cadastros},
                                              {menu->Prefeitura1, level.Cadastros},
                                              {menu->SituaodeSolicitao1, level.Cadastros},
                                              {menu->Usurios1, level.Usuarios},
                                              {menu->CadastrodeUsurios1, level.Usuarios},
                                              {menu->iposdeUsurio1, level.Usuarios}};
    for (const auto& [item, shown] : items)
      EXPECT_EQ(item->GetVisible(), shown) << level.User << " " << item->GetName();
    EXPECT_EQ(menu->pnlCadastros->GetVisible(), level.Cadastros) << level.User;
    EXPECT_EQ(menu->pnlUsuarios->GetVisible(), level.Usuarios) << level.User;

    // A command run anyway (a hidden item clicked from code) opens nothing.
    const int tabs = FTDI->GetPageControl()->PageCount();
    for (const auto& [item, allowed] : {std::pair{menu->CadastrodeUsurios1, level.Usuarios},
                                        std::pair{menu->iposdeUsurio1, level.Usuarios},
                                        std::pair{menu->SituaodeSolicitao1, level.Cadastros}}) {
      if (allowed)
        continue;
      try {
        item->Click();
        ADD_FAILURE() << level.User << " opened " << item->GetName();
      } catch (const Exception& refused) {
        EXPECT_EQ(refused.Message(), "Acesso negado");
      }
    }
    EXPECT_EQ(FTDI->GetPageControl()->PageCount(), tabs) << level.User;
    if (!level.Usuarios) {
      EXPECT_THROW(detail::ShowDetailModal(fUsuario, &App), Exception) << level.User;
      EXPECT_EQ(fUsuario, nullptr);
    }
    fMenu = nullptr;
    delete menu;
  }
}

// A citizen's lists hold their own requests only; a request they save is theirs, new, and keeps
// the unit it was given.
TEST_F(AppForms, ACitizenSeesAndRegistersOnlyTheirOwnRequests) {
  Exec("INSERT INTO SOLICITACAO (ID_SOLICITACAO, DATA_SOLICITACAO, SOLICITACAO, ID_USUARIO, "
       "ID_PREFEITURA, ID_SITUACAO, ID_TIPO, ID_UNIDADE) VALUES (0, '2026-06-01 10:00:00', "
       "'Pedido do cidadão', 5, 1, 3, 1, 2)");
  LogIn("jsouza", "cidadao123");
  DM->BuscaSolicitacoes("DATA_DESCENDING");
  TQuery& list = *DM->qryLisSolicitacao;
  ASSERT_EQ(list.GetRecordCount(), 1);
  EXPECT_EQ(list.FieldByName("SOLICITACAO").GetAsString(), "Pedido do cidadão");
  const int64_t own = list.FieldByName("ID_SOLICITACAO").GetAsLargeInt();

  // Status and unit changed in the form's record: saving keeps what the request had.
  TQuery& request = *DM->qrySolicitacao;
  request.Close();
  request.ParamByName("P_ID_SOLICITACAO").SetAsLargeInt(own);
  request.Open();
  request.Edit();
  auto* form = CreateForm<TfSolicitacao>(&App);
  EXPECT_FALSE(form->cbbSituacao->GetEnabled());
  EXPECT_FALSE(form->cbbUnidade->GetEnabled());
  request.FieldByName("ID_SITUACAO").SetAsLargeInt(5);
  request.FieldByName("ID_UNIDADE").SetAsLargeInt(7);
  request.FieldByName("SOLICITACAO").SetAsString("Pedido do cidadão, com detalhes");
  form->btnSalvarClick(form);
  const std::string where = " FROM SOLICITACAO WHERE ID_SOLICITACAO = " + std::to_string(own);
  EXPECT_EQ(ReadValue("SELECT ID_SITUACAO" + where).AsInt64(), 3);
  EXPECT_EQ(ReadValue("SELECT ID_UNIDADE" + where).AsInt64(), 2);
  EXPECT_EQ(ReadValue("SELECT SOLICITACAO" + where).AsString(), "Pedido do cidadão, com detalhes");
  delete form;

  // A new request: theirs, in the first status, at the unit they chose.
  request.Close();
  request.ParamByName("P_ID_SOLICITACAO").SetAsLargeInt(0);
  request.Open();
  request.Insert();
  form = CreateForm<TfSolicitacao>(&App);
  EXPECT_FALSE(form->cbbSituacao->GetEnabled());
  EXPECT_TRUE(form->cbbUnidade->GetEnabled());
  request.FieldByName("SOLICITACAO").SetAsString("Outro pedido");
  request.FieldByName("ID_TIPO").SetAsLargeInt(2);
  request.FieldByName("ID_UNIDADE").SetAsLargeInt(4);
  request.FieldByName("ID_SITUACAO").SetAsLargeInt(6);
  request.FieldByName("ID_USUARIO").SetAsLargeInt(1);
  form->btnSalvarClick(form);
  EXPECT_EQ(ReadValue("SELECT ID_USUARIO || '/' || ID_SITUACAO || '/' || ID_UNIDADE FROM "
                      "SOLICITACAO WHERE SOLICITACAO = 'Outro pedido'")
                .AsString(),
            "5/1/4");
  // Once saved, the unit is the request's too.
  EXPECT_FALSE(form->cbbUnidade->GetEnabled());
  delete form;
  DM->BuscaSolicitacoes("");
  EXPECT_EQ(list.GetRecordCount(), 2);
}

} // namespace
