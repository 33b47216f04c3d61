#include "data/DBCtrls.h"
#include "data/DBGrids.h"
#include "data/TestDatabase.h"
#include "runtime/Exceptions.h"
#include "ui/Forms.h"
#include "ui/Input.h"

#include <gtest/gtest.h>

using testdb::DatabaseTest;

namespace {

// Data-aware controls on a form of their own, over a fresh database.
class DBControlsTest : public DatabaseTest {
protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    Form = new TForm(&App);
    Form->SetName("fTest");
  }

  std::pair<TQuery*, TDataSource*> Bound(const std::string& name, const std::string& sql) {
    TQuery* query = NewQuery(name, sql);
    auto* source = new TDataSource(&Owner);
    source->SetDataSet(query);
    query->Open();
    return {query, source};
  }

  // A lookup of a unit's type among the unit types.
  TDBLookupComboBox* UnitTypeLookup(TDataSource* units, TDataSource* types) {
    auto* lookup = Add<TDBLookupComboBox>("cbbTipo");
    lookup->SetDataSource(units);
    lookup->SetDataField("ID_TIPO_UNIDADE");
    lookup->SetListSource(types);
    lookup->SetListField("TIPO_UNIDADE");
    lookup->SetKeyField("ID_TIPO_UNIDADE");
    return lookup;
  }

  template <class T> T* Add(const std::string& name) {
    T* control = new T(Form);
    control->SetName(name);
    control->SetParent(Form);
    return control;
  }

  TApplication App;
  TApplicationScope Scope{App};
  TForm* Form = nullptr;
};

const char* Requests = "SELECT SOL.ID_SOLICITACAO, SOL.DATA_SOLICITACAO, SOL.SOLICITACAO, "
                       "SIT.NOME_SITUACAO FROM SOLICITACAO SOL LEFT JOIN SITUACAO SIT ON "
                       "SIT.ID_SITUACAO = SOL.ID_SITUACAO ORDER BY SOL.ID_SOLICITACAO";

// A 1 x 1 GIF picture.
TBytes Picture(uint8_t color) {
  return {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, color, color, color, 0, 0,
          0,   ',', 0,   0,   0,   0,   1, 0, 1, 0, 0,    0, 2, 2,     'D',   1,     0, ';'};
}

} // namespace

TEST_F(DBControlsTest, TypingIntoAnEditStartsEditingAndWritesTheField) {
  auto [query, source] = Bound("qrySolicitacao", Requests);
  query->DefineField("DATA_SOLICITACAO").SetDisplayLabel("Data Solicitação");
  query->DefineField("ID_SOLICITACAO").SetDisplayFormat("00000000");
  auto* text = Add<TDBText>("dbtControle");
  text->SetDataSource(source);
  text->SetDataField("ID_SOLICITACAO");
  auto* description = Add<TDBEdit>("dbeDescricao");
  description->SetDataSource(source);
  description->SetDataField("SOLICITACAO");
  auto* date = Add<TDBEdit>("dbeData");
  date->SetDataSource(source);
  date->SetDataField("DATA_SOLICITACAO");
  EXPECT_EQ(text->GetCaption(), "00000001");
  EXPECT_EQ(description->GetText(), query->FieldByName("SOLICITACAO").GetAsString());
  EXPECT_EQ(description->GetMaxLength(), 100);

  query->Next();
  EXPECT_EQ(text->GetCaption(), "00000002");
  description->SelectAll();
  description->InsertText("Calçada rachada");
  EXPECT_EQ(query->GetState(), TDataSetState::dsEdit);
  EXPECT_EQ(query->FieldByName("SOLICITACAO").GetAsString(), "Calçada rachada");
  EXPECT_EQ(description->GetText(), "Calçada rachada");

  // A date that is not one stays in the edit; the post refuses it by the field's label.
  date->SelectAll();
  date->InsertText("32/01/2026");
  EXPECT_EQ(date->GetText(), "32/01/2026");
  try {
    query->Post();
    FAIL() << "posted";
  } catch (const Exception& error) {
    EXPECT_NE(error.Message().find("\"Data Solicitação\""), std::string::npos) << error.Message();
  }
  EXPECT_EQ(query->GetState(), TDataSetState::dsEdit);
  date->SelectAll();
  date->InsertText("03/01/2026 10:00");
  query->Post();
  EXPECT_EQ(ReadValue("SELECT SOLICITACAO FROM SOLICITACAO WHERE ID_SOLICITACAO = 2").AsString(),
            "Calçada rachada");
  EXPECT_EQ(date->GetText(), "03/01/2026 10:00:00");
}

TEST_F(DBControlsTest, EditsRefuseInputTheyCannotWrite) {
  auto [query, source] = Bound("qryLis", Requests);
  auto* joined = Add<TDBEdit>("dbeSituacao");
  joined->SetDataSource(source);
  joined->SetDataField("NOME_SITUACAO");
  const std::string before = joined->GetText();
  joined->InsertText("x");
  EXPECT_EQ(joined->GetText(), before);
  EXPECT_EQ(query->GetState(), TDataSetState::dsBrowse);

  source->SetAutoEdit(false);
  auto* description = Add<TDBEdit>("dbeDescricao");
  description->SetDataSource(source);
  description->SetDataField("SOLICITACAO");
  description->InsertText("x");
  EXPECT_EQ(query->GetState(), TDataSetState::dsBrowse);
  query->Edit();
  description->InsertText("!");
  EXPECT_EQ(query->FieldByName("SOLICITACAO").GetAsString(), description->GetText());
  EXPECT_NE(description->GetText().find('!'), std::string::npos);
}

TEST_F(DBControlsTest, LookupShowsTheListRowOfTheKeyAndStoresTheChosenKey) {
  auto [units, unitSource] =
      Bound("qryUnidades", "SELECT UNI.* FROM UNIDADE UNI ORDER BY UNI.ID_UNIDADE");
  auto [types, typeSource] =
      Bound("qryTipoUnidade", "SELECT TPU.* FROM TIPO_UNIDADE TPU ORDER BY TPU.ID_TIPO_UNIDADE");
  types->SetRecNo(3);
  auto* lookup = UnitTypeLookup(unitSource, typeSource);
  EXPECT_EQ(lookup->GetItems().Count(), 4);
  EXPECT_EQ(lookup->GetText(), "Secretaria");
  EXPECT_EQ(types->GetRecNo(), 3); // reading the list leaves it where it was

  units->Last(); // the water service, of the fourth type
  EXPECT_EQ(lookup->GetText(), "Autarquia");
  EXPECT_EQ(lookup->GetKeyValue().AsInt64(), 4);

  lookup->SelectItem(1);
  EXPECT_EQ(units->GetState(), TDataSetState::dsEdit);
  EXPECT_EQ(units->FieldByName("ID_TIPO_UNIDADE").GetAsLargeInt(), 2);
  EXPECT_EQ(lookup->GetText(), "Departamento");
  units->Post();
  EXPECT_EQ(ReadValue("SELECT ID_TIPO_UNIDADE FROM UNIDADE WHERE ID_UNIDADE = 8").AsInt64(), 2);

  // A key with no list row shows nothing (a type added after the list was read).
  Connection->ExecSQL(
      "INSERT INTO TIPO_UNIDADE (ID_TIPO_UNIDADE, TIPO_UNIDADE) VALUES (77, 'Nova')");
  Connection->ExecSQL("UPDATE UNIDADE SET ID_TIPO_UNIDADE = 77 WHERE ID_UNIDADE = 1");
  units->Refresh();
  units->First();
  EXPECT_EQ(lookup->GetItemIndex(), -1);
  EXPECT_EQ(lookup->GetText(), "");
}

TEST_F(DBControlsTest, RadioGroupAndCheckBoxStoreTheirValues) {
  auto [query, source] =
      Bound("qryTipoUsuario", "SELECT TPU.* FROM TIPO_USUARIO TPU ORDER BY TPU.ID_TIPO_USUARIO");
  auto* access = Add<TDBRadioGroup>("rgpAcesso");
  access->GetItems().SetText("Administrador\nGerente/Encarregado\nServidor\nCidadão");
  access->GetValues().SetText("A\nG\nS\nC");
  access->SetDataSource(source);
  access->SetDataField("TIPO_ACESSO");
  EXPECT_EQ(access->GetItemIndex(), 0);
  query->Last();
  EXPECT_EQ(access->GetItemIndex(), 3);
  access->SelectItem(1);
  EXPECT_EQ(query->FieldByName("TIPO_ACESSO").GetAsString(), "G");
  query->Post();
  Connection->ExecSQL("UPDATE TIPO_USUARIO SET TIPO_ACESSO = 'X' WHERE ID_TIPO_USUARIO = 1");
  query->Refresh();
  query->First();
  EXPECT_EQ(access->GetItemIndex(), -1);

  auto* admin = Add<TDBCheckBox>("chkAdmin");
  admin->SetValueChecked("A");
  admin->SetValueUnchecked("S");
  admin->SetDataSource(source);
  admin->SetDataField("TIPO_ACESSO");
  query->SetRecNo(2);
  EXPECT_FALSE(admin->GetChecked());
  admin->Toggle();
  EXPECT_TRUE(admin->GetChecked());
  EXPECT_EQ(query->FieldByName("TIPO_ACESSO").GetAsString(), "A");
  EXPECT_EQ(access->GetItemIndex(), 0);
  admin->Toggle();
  EXPECT_EQ(query->FieldByName("TIPO_ACESSO").GetAsString(), "S");
}

// Read-only boxes leave their field alone, also while the record is being edited (by another
// control); their flag off again, they write it.
TEST_F(DBControlsTest, ReadOnlyDataAwareBoxesDoNotWriteTheirField) {
  auto [units, unitSource] =
      Bound("qryUnidades", "SELECT UNI.* FROM UNIDADE UNI ORDER BY UNI.ID_UNIDADE");
  auto [types, typeSource] =
      Bound("qryTipoUnidade", "SELECT TPU.* FROM TIPO_UNIDADE TPU ORDER BY TPU.ID_TIPO_UNIDADE");
  auto* lookup = UnitTypeLookup(unitSource, typeSource);
  auto* combo = Add<TDBComboBox>("cbbNome");
  combo->GetItems().SetText("Outra\nMais uma");
  combo->SetDataSource(unitSource);
  combo->SetDataField("NOME_UNIDADE");
  auto* check = Add<TDBCheckBox>("chkTipo");
  check->SetValueChecked("1");
  check->SetValueUnchecked("2");
  check->SetDataSource(unitSource);
  check->SetDataField("ID_TIPO_UNIDADE");
  const int64_t type = units->FieldByName("ID_TIPO_UNIDADE").GetAsLargeInt();
  const std::string name = units->FieldByName("NOME_UNIDADE").GetAsString();
  const auto unchanged = [&](const char* step) {
    EXPECT_EQ(units->FieldByName("ID_TIPO_UNIDADE").GetAsLargeInt(), type) << step;
    EXPECT_EQ(units->FieldByName("NOME_UNIDADE").GetAsString(), name) << step;
  };
  for (bool editing : {false, true}) {
    SCOPED_TRACE(editing ? "while editing" : "while browsing");
    if (editing)
      units->Edit();
    lookup->SetReadOnly(true);
    combo->SetReadOnly(true);
    check->SetReadOnly(true);
    lookup->SelectItem(type == 2 ? 0 : 1);
    unchanged("lookup");
    combo->SelectItem(1);
    combo->InsertText("x");
    unchanged("combo");
    check->Toggle();
    unchanged("check box");
    EXPECT_EQ(units->GetState(), editing ? TDataSetState::dsEdit : TDataSetState::dsBrowse);
  }
  lookup->SetReadOnly(false);
  lookup->SelectItem(type == 2 ? 0 : 1);
  EXPECT_NE(units->FieldByName("ID_TIPO_UNIDADE").GetAsLargeInt(), type);
  combo->SetReadOnly(false);
  combo->SelectItem(1);
  EXPECT_EQ(units->FieldByName("NOME_UNIDADE").GetAsString(), "Mais uma");
  units->Cancel();
}

TEST_F(DBControlsTest, PictureIsSavedOnlyWhenReplacedWhileEditing) {
  Connection->ExecSQL("UPDATE PREFEITURA SET LOGO_PREFEITURA = ?", {Variant(Picture(0x10))});
  auto [query, source] = Bound("qryPrefeitura", "SELECT * FROM PREFEITURA");
  auto* logo = Add<TDBImage>("dbiLogo");
  logo->SetDataSource(source);
  logo->SetDataField("LOGO_PREFEITURA");
  EXPECT_EQ(logo->GetPicture().GetData(), Picture(0x10));

  // Replaced while browsing: not saved, and the stored one returns when editing starts.
  logo->GetPicture().LoadFromBytes(Picture(0x20));
  query->Post();
  query->Edit();
  EXPECT_EQ(logo->GetPicture().GetData(), Picture(0x10));

  // Replaced while editing: written by the post.
  logo->GetPicture().LoadFromBytes(Picture(0x30));
  query->Post();
  EXPECT_EQ(ReadValue("SELECT LOGO_PREFEITURA FROM PREFEITURA").AsBytes(), Picture(0x30));
  EXPECT_EQ(logo->GetPicture().GetData(), Picture(0x30));
}

TEST_F(DBControlsTest, GridFollowsTheDataSetAndKeepsSelectedRowsByBookmark) {
  auto [query, source] = Bound("qrySituacao", "SELECT SIT.ID_SITUACAO, SIT.NOME_SITUACAO FROM "
                                              "SITUACAO SIT ORDER BY SIT.ID_SITUACAO");
  query->DefineField("NOME_SITUACAO").SetDisplayLabel("Situação");
  auto* grid = Add<TDBGrid>("DBGrid1");
  grid->SetDataSource(source);
  ASSERT_EQ(grid->GetColumns().Count(), 2);
  EXPECT_EQ(grid->GetColumns().Items(1).GetTitleCaption(), "Situação");

  std::vector<std::string> log;
  grid->OnColEnter = [&](TObject*) { log.push_back("ColEnter"); };
  grid->OnCellClick = [&](TColumn* column) { log.push_back("Click " + column->GetFieldName()); };
  grid->ClickCell(1, 4);
  EXPECT_EQ(query->GetRecNo(), 4);
  EXPECT_EQ(log, (std::vector<std::string>{"ColEnter", "Click NOME_SITUACAO"}));

  // Editing a cell goes through the field; a read-only column is refused.
  grid->EditCell("Aguardando Resposta");
  EXPECT_EQ(query->FieldByName("NOME_SITUACAO").GetAsString(), "Aguardando Resposta");
  query->Post();
  grid->GetColumns().Items(1); // default columns are rebuilt only with the fields
  grid->SetOptions(grid->GetOptions() - TDBGridOptions{dgEditing} + TDBGridOptions{dgMultiSelect});
  grid->EditCell("Outra");
  EXPECT_EQ(query->GetState(), TDataSetState::dsBrowse);

  grid->ClickCell(0, 2);
  grid->ClickCell(0, 5, {TShiftStateItem::ssCtrl});
  EXPECT_EQ(grid->GetSelectedRows().Count(), 2);
  grid->ClickCell(0, 2, {TShiftStateItem::ssCtrl});
  ASSERT_EQ(grid->GetSelectedRows().Count(), 1);
  query->GotoBookmark(grid->GetSelectedRows().Items(0));
  EXPECT_EQ(query->FieldByName("ID_SITUACAO").GetAsInteger(), 5);
  query->Close();
  EXPECT_EQ(grid->GetSelectedRows().Count(), 0);
  EXPECT_EQ(grid->GetColumns().Count(), 0);
}

TEST_F(DBControlsTest, DisplayTextAtReadsAnyRowWithoutScrolling) {
  auto [query, source] = Bound("qrySituacao", "SELECT SIT.ID_SITUACAO, SIT.NOME_SITUACAO FROM "
                                              "SITUACAO SIT ORDER BY SIT.ID_SITUACAO");
  TField& id = query->FieldByName("ID_SITUACAO");
  TField& name = query->FieldByName("NOME_SITUACAO");
  id.SetDisplayFormat("000");
  int scrolls = 0;
  query->AfterScroll = [&](TDataSet*) { ++scrolls; };
  query->SetRecNo(2);
  scrolls = 0;

  EXPECT_EQ(query->DisplayTextAt(1, id), "001");
  EXPECT_EQ(query->DisplayTextAt(6, name), "Cancelada");
  EXPECT_EQ(query->GetRecNo(), 2);
  EXPECT_EQ(scrolls, 0);

  // Positions count the records that pass the filter.
  query->SetFilter("ID_SITUACAO >= 4");
  query->SetFiltered(true);
  ASSERT_EQ(query->GetRecordCount(), 3);
  EXPECT_EQ(query->DisplayTextAt(1, name), "Aguardando Cidadão");
  EXPECT_EQ(query->DisplayTextAt(3, id), "006");
  query->SetFiltered(false);

  // The record being edited shows its new value; the others what is stored.
  query->SetRecNo(3);
  query->Edit();
  name.SetAsString("Em Execução");
  EXPECT_EQ(query->DisplayTextAt(3, name), "Em Execução");
  EXPECT_EQ(query->DisplayTextAt(2, name), "Em Análise");
  query->Cancel();
  EXPECT_EQ(query->DisplayTextAt(3, name), "Em Andamento");

  // Refusals: rows out of range, a field of another dataset, a closed dataset.
  auto [other, otherSource] = Bound("qryTipo", "SELECT ID_TIPO FROM TIPO_SOLICITACAO");
  EXPECT_THROW(query->DisplayTextAt(0, name), EListError);
  EXPECT_THROW(query->DisplayTextAt(7, name), EListError);
  EXPECT_THROW(query->DisplayTextAt(1, other->Fields(0)), EListError);
  query->Close();
  EXPECT_THROW(query->DisplayTextAt(1, name), Exception);
}

TEST_F(DBControlsTest, UpAndDownKeysInAGridMoveTheRecord) {
  auto [query, source] = Bound("qrySituacao", "SELECT SIT.ID_SITUACAO, SIT.NOME_SITUACAO FROM "
                                              "SITUACAO SIT ORDER BY SIT.ID_SITUACAO");
  auto* grid = Add<TDBGrid>("DBGrid1");
  grid->SetDataSource(source);
  Form->Show();
  grid->SetFocus();
  TUserInput::PressKey(*Form, VK_DOWN);
  TUserInput::PressKey(*Form, VK_DOWN);
  EXPECT_EQ(query->GetRecNo(), 3);
  TUserInput::PressKey(*Form, VK_UP);
  EXPECT_EQ(query->GetRecNo(), 2);
  query->Last();
  TUserInput::PressKey(*Form, VK_DOWN);
  EXPECT_EQ(query->GetRecNo(), 6);
  EXPECT_EQ(query->GetState(), TDataSetState::dsBrowse);
}
