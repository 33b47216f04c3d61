// The reference-table forms and the city-hall form on a fresh database: layout, button states,
// saving and discarding rows, access levels, and the city hall's logo.

#include "AppFormsFixture.h"
#include "app/uCadPrefeitura.h"
#include "app/uCadSituacao.h"
#include "app/uCadTipoSolicitacao.h"
#include "app/uCadTipoUnidade.h"
#include "app/uCadTipoUsuario.h"
#include "app/uCadUnidades.h"
#include "ui/Clipbrd.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <vector>

namespace {

using apptest::AppForms;
using detail::TCadastroForm;

struct TMember {
  std::function<TCadastroForm&(AppForms&)> Open;
  std::string Name;
  std::string Caption;
  std::string Table;
  std::string Key;
  std::vector<std::tuple<std::string, int, std::string>> Columns;
  int ListagemWidth;
  std::string KeyEdit;
  bool KeyTypable;
  // The edit of the row's name and a value the table takes.
  std::string NameEdit;
  std::string NameColumn;
};

class ReferenceForms : public AppForms {
protected:
  template <class T> static std::function<TCadastroForm&(AppForms&)> Opener() {
    return [](AppForms& test) -> TCadastroForm& {
      return static_cast<ReferenceForms&>(test).Open<T>();
    };
  }

  std::vector<TMember> Members() {
    return {
        {Opener<TfCadSituacao>(),
         "fCadSituacao",
         "Cadastro de Situação de Solicitação",
         "SITUACAO",
         "ID_SITUACAO",
         {{"ID_SITUACAO", 68, "Id Situacao"}, {"NOME_SITUACAO", 225, "Situação"}},
         338,
         "dbeIdSituacao",
         false,
         "dbeNomeSituacao",
         "NOME_SITUACAO"},
        {Opener<TfCadTipoSolicitacao>(),
         "fCadTipoSolicitacao",
         "Cadastro de Tipo de Solicitação",
         "TIPO_SOLICITACAO",
         "ID_TIPO",
         {{"ID_TIPO", 51, "Id Tipo"}, {"NOME_TIPO", 241, "Tipo de Solicitação"}},
         338,
         "dbeIdTipo",
         false,
         "dbeNomeTipo",
         "NOME_TIPO"},
        {Opener<TfCadUnidades>(),
         "fCadUnidades",
         "Cadastro de Unidades",
         "UNIDADE",
         "ID_UNIDADE",
         {{"ID_UNIDADE", 65, "Id Unidade"}, {"NOME_UNIDADE", 228, "Nome da Unidade"}},
         338,
         "dbeIdUnidade",
         false,
         "dbeNomeUnidade",
         "NOME_UNIDADE"},
        {Opener<TfCadTipoUnidade>(),
         "fCadTipoUnidade",
         "Cadastro de Tipos de Unidade",
         "TIPO_UNIDADE",
         "ID_TIPO_UNIDADE",
         {{"ID_TIPO_UNIDADE", 64, "Id Tipo Unidade"}, {"TIPO_UNIDADE", 200, "Tipo de Unidade"}},
         338,
         "dbeIdTipoUnidade",
         true,
         "dbeTipoUnidade",
         "TIPO_UNIDADE"},
        {Opener<TfCadTipoUsuario>(),
         "fCadTipoUsuario",
         "Cadastro de Tipos de Usuário",
         "TIPO_USUARIO",
         "ID_TIPO_USUARIO",
         {{"ID_TIPO_USUARIO", 42, "Id Tipo de Usuário"},
          {"TIPO_USUARIO", 200, "Tipo de Usuário"},
          {"TIPO_ACESSO", 64, "Nível de Acesso"}},
         382,
         "dbeIdTipoUsuario",
         false,
         "dbeTipoUsuario",
         "TIPO_USUARIO"},
    };
  }

  // Which of "Novo", "Salvar" and "Cancelar" are enabled.
  static std::vector<bool> Buttons(const TCadastroForm& form) {
    return {form.btnNovo->GetEnabled(), form.btnSalvar->GetEnabled(),
            form.btnCancelar->GetEnabled()};
  }
};

const std::vector<bool> Browsing = {true, false, false};
const std::vector<bool> Editing = {false, true, true};

TEST_F(ReferenceForms, EveryMemberHasItsLayout) {
  for (const TMember& m : Members()) {
    TCadastroForm& form = m.Open(*this);
    SCOPED_TRACE(m.Name);
    EXPECT_EQ(form.GetName(), m.Name);
    EXPECT_EQ(form.GetCaption(), m.Caption);
    EXPECT_EQ(form.lblTituloTela->GetCaption(), m.Caption);
    EXPECT_EQ(form.btnSair->GetCaption(), "Sair");
    EXPECT_EQ(form.pnButtons->GetHeight(), 41);
    EXPECT_EQ(form.pnButtons->GetBevelInner(), bvRaised);
    EXPECT_EQ(form.pnButtons->GetBevelOuter(), bvLowered);
    EXPECT_EQ(form.Panel1->GetHeight(), 47);
    int left = 0;
    for (TBitBtn* button : {form.btnNovo, form.btnSalvar, form.btnCancelar}) {
      EXPECT_EQ(button->GetWidth(), 111);
      EXPECT_EQ(button->GetHeight(), 41);
      EXPECT_GT(button->GetLeft(), left);
      left = button->GetLeft();
    }
    EXPECT_EQ(form.btnNovo->GetCaption(), "Novo");
    EXPECT_EQ(form.btnSalvar->GetCaption(), "Salvar");
    EXPECT_EQ(form.btnCancelar->GetCaption(), "Cancelar");
    EXPECT_EQ(form.gpbListagem->GetCaption(), "Listagem");
    EXPECT_EQ(form.gpbListagem->GetWidth(), m.ListagemWidth);
    EXPECT_EQ(form.gpbDetalhes->GetCaption(), "Detalhes");
    TDBGridColumns& columns = form.DBGrid1->GetColumns();
    ASSERT_EQ(columns.Count(), static_cast<int>(m.Columns.size()));
    for (int i = 0; i < columns.Count(); ++i) {
      EXPECT_EQ(columns.Items(i).GetFieldName(), std::get<0>(m.Columns[i]));
      EXPECT_EQ(columns.Items(i).GetWidth(), std::get<1>(m.Columns[i]));
      EXPECT_EQ(columns.Items(i).GetTitleCaption(), std::get<2>(m.Columns[i]));
    }
    EXPECT_FALSE(form.DBGrid1->CanEditCell());
    auto& key = Driver.Find<TDBEdit>(form, m.KeyEdit);
    EXPECT_EQ(key.GetColor(), clBtnFace);
    EXPECT_EQ(key.GetReadOnly(), !m.KeyTypable);
    EXPECT_EQ(key.GetTabStop(), m.KeyTypable);
    EXPECT_EQ(Buttons(form), Browsing);
    EXPECT_EQ(FTDI->GetPageControl()->GetActivePage()->GetCaption(), m.Caption + "      ");
  }
  EXPECT_EQ(FTDI->GetPageControl()->PageCount(), 5);

  // Icons and colours of statuses and request types are shown but disabled.
  auto& situacao = Open<TfCadSituacao>();
  for (TControl* control :
       std::initializer_list<TControl*>{situacao.lblLogoSituacao, situacao.dbiLogoSituacao,
                                        situacao.lblCorSituacao, situacao.dbeCorSituacao})
    EXPECT_FALSE(control->GetEnabled()) << control->GetName();
  EXPECT_EQ(situacao.dbiLogoSituacao->GetWidth(), 105);
  auto& tipo = Open<TfCadTipoSolicitacao>();
  for (TControl* control : std::initializer_list<TControl*>{tipo.lblLogoTipo, tipo.dbiLogoTipo,
                                                            tipo.lblCorTipo, tipo.dbeCorTipo})
    EXPECT_FALSE(control->GetEnabled()) << control->GetName();
  EXPECT_EQ(tipo.lblCorTipo->GetCaption(), "Cor");
}

TEST_F(ReferenceForms, ButtonsFollowTheQueryAndRowsAreSavedOrDiscarded) {
  for (const TMember& m : Members()) {
    TCadastroForm& form = m.Open(*this);
    SCOPED_TRACE(m.Name);
    TQuery& query = form.GetQuery();
    const int rows = query.GetRecordCount();
    const std::string where = " FROM " + m.Table + " WHERE " + m.Key + " = ";

    // Typing into the current row starts an edit; "Cancelar" discards it.
    query.First();
    const int64_t firstKey = query.FieldByName(m.Key).GetAsLargeInt();
    const std::string stored = query.FieldByName(m.NameColumn).GetAsString();
    Driver.Type(form, m.NameEdit, "Trocado");
    EXPECT_EQ(query.GetState(), TDataSetState::dsEdit);
    EXPECT_EQ(Buttons(form), Editing);
    Driver.Click(form, "btnCancelar");
    EXPECT_EQ(Buttons(form), Browsing);
    EXPECT_EQ(Driver.Find<TDBEdit>(form, m.NameEdit).GetText(), stored);

    // An edit saved is stored and read again.
    Driver.Type(form, m.NameEdit, "Nome alterado");
    Driver.Click(form, "btnSalvar");
    EXPECT_EQ(Buttons(form), Browsing);
    EXPECT_EQ(ReadValue("SELECT " + m.NameColumn + where + std::to_string(firstKey)).AsString(),
              "Nome alterado");

    // "Novo" appends a row with key 0; saved, it gets the database's key.
    Driver.Click(form, "btnNovo");
    EXPECT_EQ(query.GetState(), TDataSetState::dsInsert);
    EXPECT_EQ(Buttons(form), Editing);
    EXPECT_EQ(Driver.Find<TDBEdit>(form, m.KeyEdit).GetText(), "0");
    Driver.Type(form, m.NameEdit, "Nova linha");
    if (m.Name == "fCadUnidades")
      Driver.Choose(form, "cbbTipoUnidade", "Autarquia");
    Driver.Click(form, "btnSalvar");
    EXPECT_EQ(Buttons(form), Browsing);
    EXPECT_TRUE(Driver.Messages().empty());
    EXPECT_EQ(query.GetRecordCount(), rows + 1);
    EXPECT_EQ(
        ReadValue("SELECT COUNT(*) FROM " + m.Table + " WHERE " + m.NameColumn + " = 'Nova linha'")
            .AsInteger(),
        1);
    EXPECT_GT(query.FieldByName(m.Key).GetAsLargeInt(), 0);
    EXPECT_EQ(query.FieldByName(m.NameColumn).GetAsString(), "Nova linha");

    // A required field left empty: the data layer's error, and the row stays in insert state.
    Driver.Click(form, "btnNovo");
    Driver.Click(form, "btnSalvar");
    ASSERT_EQ(Driver.Messages().size(), 1u);
    EXPECT_EQ(Driver.Messages()[0].Type, mtError);
    EXPECT_EQ(query.GetState(), TDataSetState::dsInsert);
    EXPECT_EQ(Buttons(form), Editing);
    Driver.Click(form, "btnCancelar");
    EXPECT_EQ(query.GetRecordCount(), rows + 1);
    Driver.Backend().ClearMessages();
  }
}

TEST_F(ReferenceForms, FormOpenedOnAQueryBeingEditedStartsWithSaveEnabled) {
  DM->qrySituacao->Edit();
  TfCadSituacao& form = Open<TfCadSituacao>();
  EXPECT_EQ(Buttons(form), Editing);
  Driver.Click(form, "btnCancelar");
  EXPECT_EQ(Buttons(form), Browsing);
}

TEST_F(ReferenceForms, UnitTypeKeyCanBeTypedAndAnEmptyKeyIsGivenByTheDatabase) {
  TfCadTipoUnidade& form = Open<TfCadTipoUnidade>();
  Driver.Click(form, "btnNovo");
  // Clearing the typable key does not block saving: the database numbers the row.
  form.dbeIdTipoUnidade->SetText("");
  ASSERT_TRUE(DM->qryTipoUnidade->FieldByName("ID_TIPO_UNIDADE").IsNull());
  Driver.Type(form, "dbeTipoUnidade", "Fundação");
  Driver.Click(form, "btnSalvar");
  EXPECT_TRUE(Driver.Messages().empty());
  EXPECT_EQ(ReadValue("SELECT ID_TIPO_UNIDADE FROM TIPO_UNIDADE WHERE TIPO_UNIDADE = 'Fundação'")
                .AsInt64(),
            5);
  std::vector<std::string> order;
  for (TWinControl* control : form.gpbDetalhes->GetTabOrderList())
    if (control->GetTabStop())
      order.push_back(control->GetName());
  EXPECT_EQ(order, (std::vector<std::string>{"dbeIdTipoUnidade", "dbeTipoUnidade"}));
}

TEST_F(ReferenceForms, UserTypeAccessLevelIsStoredAsItsLetter) {
  TfCadTipoUsuario& form = Open<TfCadTipoUsuario>();
  EXPECT_EQ(form.rdgTipoAcesso->GetCaption(), "Nível de Acesso");
  EXPECT_EQ(form.rdgTipoAcesso->GetColumns(), 2);
  EXPECT_EQ(form.rdgTipoAcesso->GetItems().GetText(),
            "Administrador\r\nGerente/Encarregado\r\nServidor\r\nCidadão\r\n");
  TQuery& query = *DM->qryTipoUsuario;
  const std::vector<std::pair<int64_t, int>> shown = {{1, 0}, {2, 1}, {3, 2}, {4, 3}};
  for (const auto& [key, index] : shown) {
    ASSERT_TRUE(query.Locate("ID_TIPO_USUARIO", {Variant(key)}));
    EXPECT_EQ(form.rdgTipoAcesso->GetItemIndex(), index) << key;
  }
  // Choosing a level edits the row; "Salvar" stores its letter.
  ASSERT_TRUE(query.Locate("ID_TIPO_USUARIO", {Variant(int64_t{4})}));
  Driver.Choose(form, "rdgTipoAcesso", "Administrador");
  EXPECT_EQ(Buttons(form), Editing);
  Driver.Click(form, "btnSalvar");
  EXPECT_EQ(ReadValue("SELECT TIPO_ACESSO FROM TIPO_USUARIO WHERE ID_TIPO_USUARIO = 4").AsString(),
            "A");
  // A letter outside the four selects no button.
  Exec("UPDATE TIPO_USUARIO SET TIPO_ACESSO = 'X' WHERE ID_TIPO_USUARIO = 3");
  query.Refresh();
  ASSERT_TRUE(query.Locate("ID_TIPO_USUARIO", {Variant(int64_t{3})}));
  EXPECT_EQ(form.rdgTipoAcesso->GetItemIndex(), -1);
}

TEST_F(ReferenceForms, SairClosesTheFormsTabAndLeavesTheQueryOpen) {
  Open<TfCadSituacao>();
  TfCadUnidades& unidades = Open<TfCadUnidades>();
  Driver.Type(unidades, "dbeNomeUnidade", "Pendente");
  Driver.Click(unidades, "btnSair");
  EXPECT_EQ(FTDI->GetPageControl()->PageCount(), 1);
  EXPECT_TRUE(DM->qryUnidades->GetActive());
  // A change left pending stays for the next form that uses the query.
  EXPECT_EQ(DM->qryUnidades->GetState(), TDataSetState::dsEdit);
  TfCadUnidades& again = Open<TfCadUnidades>();
  EXPECT_EQ(Buttons(again), Editing);
}

// ---- City hall ---------------------------------------------------------------------------------

// Bytes that read as a PNG picture of 2 x 2 pixels, padded to `size` bytes.
// The bytes are allocated at their final size and the header copied in: growing a vector of
// constant contents makes GCC 12's optimiser report a false out-of-bounds copy.
TBytes PngOfSize(size_t size) {
  static constexpr unsigned char Header[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A,
                                             0,    0,   0,   13,  'I',  'H',  'D',  'R',
                                             0,    0,   0,   2,   0,    0,    0,    2};
  TBytes bytes(size, 0);
  std::copy_n(Header, std::min(size, sizeof Header), bytes.begin());
  return bytes;
}

class CityHallForm : public AppForms {
protected:
  std::string WriteFile(const std::string& name, const TBytes& bytes) {
    const std::string path = (Folder.Path() / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  TBytes StoredLogo() { return ReadValue("SELECT LOGO_PREFEITURA FROM PREFEITURA").AsBytes(); }
};

TEST_F(CityHallForm, LayoutAndButtonStates) {
  TfCadPrefeitura& form = Open<TfCadPrefeitura>();
  EXPECT_EQ(form.GetCaption(), "Cadastro da Prefeitura");
  EXPECT_EQ(form.lblTituloTela->GetCaption(), "Cadastro da Prefeitura");
  EXPECT_EQ(form.dbiLogo->GetWidth(), 185);
  EXPECT_EQ(form.dbiLogo->GetHeight(), 185);
  EXPECT_EQ(form.dbiLogo->GetPopupMenu(), form.ppmMenu);
  EXPECT_EQ(form.ColardareadeTransferncia1->GetCaption(), "Colar da Área de Transferência");
  EXPECT_EQ(form.Anexarimagem1->GetCaption(), "Procurar no computador");
  EXPECT_EQ(form.odlIMAGEPR->GetFilter(), "");
  EXPECT_TRUE(form.dbeIdPrefeitura->GetReadOnly());
  EXPECT_FALSE(form.dbeIdPrefeitura->GetTabStop());
  EXPECT_EQ(form.dbeNomePrefeitura->GetText(), "Prefeitura Municipal de Vila Serena");
  EXPECT_EQ(form.FindComponent("btnNovo"), nullptr);
  EXPECT_FALSE(form.btnSalvar->GetEnabled());
  EXPECT_FALSE(form.btnCancelar->GetEnabled());

  Driver.Type(form, "dbeNomePrefeitura", "Prefeitura de Vila Serena");
  EXPECT_TRUE(form.btnSalvar->GetEnabled());
  EXPECT_TRUE(form.btnCancelar->GetEnabled());
  Driver.Click(form, "btnSalvar");
  EXPECT_FALSE(form.btnSalvar->GetEnabled());
  EXPECT_EQ(ReadValue("SELECT NOME_PREFEITURA FROM PREFEITURA").AsString(),
            "Prefeitura de Vila Serena");
  Driver.Click(form, "btnSair");
  EXPECT_EQ(FTDI->GetPageControl()->PageCount(), 0);
}

TEST_F(CityHallForm, PastedLogoPutsTheRowInEditAndIsSaved) {
  TfCadPrefeitura& form = Open<TfCadPrefeitura>();
  // Nothing on the clipboard but text: nothing happens.
  Clipboard().SetAsText("texto");
  Driver.PickMenuItem(form, "ColardareadeTransferncia1");
  EXPECT_EQ(DM->qryPrefeitura->GetState(), TDataSetState::dsBrowse);
  EXPECT_TRUE(form.dbiLogo->GetPicture().Empty());

  TPicture picture;
  picture.LoadFromBytes(PngOfSize(200));
  Clipboard().Assign(picture);
  Driver.PickMenuItem(form, "ColardareadeTransferncia1");
  EXPECT_EQ(DM->qryPrefeitura->GetState(), TDataSetState::dsEdit);
  EXPECT_TRUE(form.btnSalvar->GetEnabled());
  EXPECT_EQ(form.dbiLogo->GetPicture().GetData(), PngOfSize(200));
  Driver.Click(form, "btnSalvar");
  EXPECT_EQ(StoredLogo(), PngOfSize(200));
  EXPECT_EQ(form.dbiLogo->GetPicture().GetData(), PngOfSize(200));
}

TEST_F(CityHallForm, LogoFileUpToOneMebibyteIsTakenAndALargerOneRefused) {
  TfCadPrefeitura& form = Open<TfCadPrefeitura>();
  const std::string large = WriteFile("grande.png", PngOfSize(1048577));
  const std::string limit = WriteFile("limite.png", PngOfSize(1048576));

  Driver.AnswerOpenDialog(large);
  Driver.PickMenuItem(form, "Anexarimagem1");
  ASSERT_EQ(Driver.Messages().size(), 1u);
  EXPECT_EQ(Driver.Messages()[0].Text, "A imagem selecionado é maior que 1mb");
  EXPECT_TRUE(form.dbiLogo->GetPicture().Empty());
  EXPECT_EQ(DM->qryPrefeitura->GetState(), TDataSetState::dsBrowse);

  // Cancelling the dialog changes nothing.
  Driver.CancelOpenDialog();
  Driver.PickMenuItem(form, "Anexarimagem1");
  EXPECT_EQ(DM->qryPrefeitura->GetState(), TDataSetState::dsBrowse);

  Driver.AnswerOpenDialog(limit);
  Driver.PickMenuItem(form, "Anexarimagem1");
  EXPECT_EQ(Driver.Messages().size(), 1u);
  EXPECT_EQ(form.dbiLogo->GetPicture().GetData().size(), 1048576u);
  EXPECT_TRUE(form.btnSalvar->GetEnabled());
  Driver.Click(form, "btnSalvar");
  EXPECT_EQ(StoredLogo().size(), 1048576u);

  // "Cancelar" after replacing the logo brings the stored one back.
  const std::string other = WriteFile("outro.png", PngOfSize(300));
  Driver.AnswerOpenDialog(other);
  Driver.PickMenuItem(form, "Anexarimagem1");
  EXPECT_EQ(form.dbiLogo->GetPicture().GetData().size(), 300u);
  Driver.Click(form, "btnCancelar");
  EXPECT_EQ(form.dbiLogo->GetPicture().GetData().size(), 1048576u);
  EXPECT_EQ(StoredLogo().size(), 1048576u);
}

TEST_F(CityHallForm, FileThatIsNoPictureIsRefusedAndChangesNothing) {
  TfCadPrefeitura& form = Open<TfCadPrefeitura>();
  const std::string text = WriteFile("nota.png", TBytes{'o', 'l', 'a'});
  Driver.AnswerOpenDialog(text);
  Driver.PickMenuItem(form, "Anexarimagem1");
  ASSERT_EQ(Driver.Messages().size(), 1u);
  EXPECT_EQ(Driver.Messages()[0].Type, mtError);
  EXPECT_TRUE(form.dbiLogo->GetPicture().Empty());
  EXPECT_EQ(DM->qryPrefeitura->GetState(), TDataSetState::dsBrowse);
  EXPECT_FALSE(form.btnSalvar->GetEnabled());
}

} // namespace
