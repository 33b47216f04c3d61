#include "data/TestDatabase.h"
#include "data/Win1252.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

using testdb::DatabaseTest;

namespace {

const char* RequestList = "SELECT SOL.ID_SOLICITACAO, SOL.DATA_SOLICITACAO, SOL.SOLICITACAO, "
                          "SOL.ID_USUARIO, SOL.ID_PREFEITURA, SOL.ID_SITUACAO, SOL.ID_TIPO, "
                          "SOL.ID_UNIDADE, USU.NOME_USUARIO, SIT.NOME_SITUACAO, TPS.NOME_TIPO, "
                          "UNI.NOME_UNIDADE FROM SOLICITACAO SOL "
                          "LEFT JOIN USUARIO USU ON USU.ID_USUARIO = SOL.ID_USUARIO "
                          "LEFT JOIN SITUACAO SIT ON SIT.ID_SITUACAO = SOL.ID_SITUACAO "
                          "LEFT JOIN TIPO_SOLICITACAO TPS ON TPS.ID_TIPO = SOL.ID_TIPO "
                          "LEFT JOIN UNIDADE UNI ON UNI.ID_UNIDADE = SOL.ID_UNIDADE "
                          "ORDER BY SOL.DATA_SOLICITACAO";

// Expects `action` to raise an Exception whose message holds every one of `parts`.
template <class F> void ExpectRefused(F action, std::initializer_list<std::string> parts) {
  try {
    action();
    ADD_FAILURE() << "no error raised";
  } catch (const Exception& error) {
    for (const std::string& part : parts)
      EXPECT_NE(error.Message().find(part), std::string::npos)
          << "\"" << part << "\" missing from: " << error.Message();
  }
}

} // namespace

TEST_F(DatabaseTest, FieldsComeFromTheColumnsWithKindSizeRequiredAndReadOnly) {
  TQuery* list = NewQuery("qryLis", RequestList);
  list->Open();
  ASSERT_EQ(list->GetFieldCount(), 12);
  struct Expect {
    const char* name;
    TFieldType type;
    int size;
    bool required;
    bool readOnly;
  };
  const Expect expected[] = {
      {"ID_SOLICITACAO", TFieldType::ftLargeint, 0, true, false},
      {"DATA_SOLICITACAO", TFieldType::ftTimeStamp, 0, true, false},
      {"SOLICITACAO", TFieldType::ftString, 100, true, false},
      {"ID_UNIDADE", TFieldType::ftLargeint, 0, true, false},
      {"NOME_USUARIO", TFieldType::ftString, 100, false, true},
      {"NOME_SITUACAO", TFieldType::ftString, 100, false, true},
      {"NOME_TIPO", TFieldType::ftString, 100, false, true},
      {"NOME_UNIDADE", TFieldType::ftString, 100, false, true},
  };
  for (const Expect& e : expected) {
    const TField& field = list->FieldByName(e.name);
    EXPECT_EQ(field.GetDataType(), e.type) << e.name;
    EXPECT_EQ(field.GetSize(), e.size) << e.name;
    EXPECT_EQ(field.GetRequired(), e.required) << e.name;
    EXPECT_EQ(field.GetReadOnly(), e.readOnly) << e.name;
  }
  EXPECT_EQ(list->GetUpdateTable(), "SOLICITACAO");
  EXPECT_TRUE(list->GetCanModify());

  TQuery* user = NewQuery("qryUser", "SELECT USU.*, TPU.TIPO_USUARIO FROM USUARIO USU LEFT JOIN "
                                     "TIPO_USUARIO TPU ON TPU.ID_TIPO_USUARIO = "
                                     "USU.ID_TIPO_USUARIO");
  user->Open();
  EXPECT_EQ(user->FieldByName("DATA_NASCIMENTO").GetDataType(), TFieldType::ftDate);
  EXPECT_EQ(user->FieldByName("FOTO_USUARIO").GetDataType(), TFieldType::ftBlob);
  EXPECT_FALSE(user->FieldByName("FOTO_USUARIO").GetRequired());
  EXPECT_TRUE(user->FieldByName("TIPO_USUARIO").GetReadOnly());

  TQuery* dash = NewQuery("qryDash", "SELECT * FROM SP_DASHBOARD_QT");
  dash->Open();
  EXPECT_EQ(dash->FieldByName("QT_NOVAS").GetDataType(), TFieldType::ftInteger);
  EXPECT_EQ(dash->FieldByName("QT_NOVAS").GetAsInteger() +
                dash->FieldByName("QT_ANDAMENTO").GetAsInteger() +
                dash->FieldByName("QT_FINALIZADAS").GetAsInteger(),
            60);
  EXPECT_FALSE(dash->GetCanModify());
  ExpectRefused([&] { dash->Edit(); }, {"qryDash", "cannot be modified"});
}

TEST_F(DatabaseTest, ParametersAreBoundByNameWithTheirDeclaredTypes) {
  TQuery* query = NewQuery("q", "SELECT NOME_SITUACAO FROM SITUACAO WHERE ID_SITUACAO = :P_ID "
                                "OR (NOME_SITUACAO = ':P_ID' AND ID_SITUACAO = :p_id)");
  ASSERT_EQ(query->GetParams().Count(), 1);
  query->ParamByName("P_ID").SetAsLargeInt(3);
  query->Open();
  ASSERT_EQ(query->GetRecordCount(), 1);
  EXPECT_EQ(query->FieldByName("NOME_SITUACAO").GetAsString(), "Em Andamento");

  // Keys beyond 32 bits travel whole.
  Connection->ExecSQL("INSERT INTO SITUACAO (ID_SITUACAO, NOME_SITUACAO) VALUES (?, ?)",
                      {Variant(int64_t{5000000000}), Variant("Distante")});
  query->Close();
  query->ParamByName("P_ID").SetAsLargeInt(5000000000);
  query->Open();
  ASSERT_EQ(query->GetRecordCount(), 1);
  EXPECT_EQ(query->FieldByName("NOME_SITUACAO").GetAsString(), "Distante");

  // A parameter without a value matches nothing; an unknown name is an error.
  query->Close();
  query->ParamByName("P_ID").Clear();
  query->Open();
  EXPECT_TRUE(query->IsEmpty());
  ExpectRefused([&] { query->ParamByName("P_OTHER"); }, {"P_OTHER"});

  // A declared type refuses what it cannot hold instead of narrowing it.
  TParam& small = query->ParamByName("P_ID");
  small.SetDataType(TFieldType::ftSmallint);
  ExpectRefused([&] { small.SetAsLargeInt(40000); }, {"40000", "P_ID"});
}

TEST_F(DatabaseTest, InsertWritesTheRecordAndTakesTheKeyTheDatabaseGives) {
  TQuery* query =
      NewQuery("qrySituacao", "SELECT SIT.* FROM SITUACAO SIT ORDER BY SIT.ID_SITUACAO");
  query->Open();
  query->Append();
  query->FieldByName("ID_SITUACAO").SetAsLargeInt(0);
  query->FieldByName("NOME_SITUACAO").SetAsString("Arquivada");
  query->FieldByName("COR_SITUACAO").SetAsString("#000000");
  query->Post();
  EXPECT_EQ(query->GetState(), TDataSetState::dsBrowse);
  EXPECT_EQ(query->FieldByName("ID_SITUACAO").GetAsLargeInt(), 7);
  EXPECT_EQ(query->FieldByName("NOME_SITUACAO").GetAsString(), "Arquivada");
  EXPECT_EQ(query->GetRecordCount(), 7);
  EXPECT_EQ(ReadValue("SELECT NOME_SITUACAO FROM SITUACAO WHERE ID_SITUACAO = 7").AsString(),
            "Arquivada");

  // Rows inserted by other means with key 0 or NULL are numbered by the database as well.
  Connection->ExecSQL("INSERT INTO SITUACAO (ID_SITUACAO, NOME_SITUACAO) VALUES (NULL, 'A')");
  Connection->ExecSQL("INSERT INTO SITUACAO (ID_SITUACAO, NOME_SITUACAO) VALUES (0, 'B')");
  EXPECT_EQ(ReadValue("SELECT LIST(ID_SITUACAO) FROM (SELECT ID_SITUACAO FROM SITUACAO WHERE "
                      "NOME_SITUACAO IN ('A', 'B') ORDER BY NOME_SITUACAO)")
                .AsString(),
            "8,9");
}

TEST_F(DatabaseTest, UpdateWritesOnlyTheChangedColumnsOfTheMainTable) {
  TQuery* list = NewQuery("qryLis", RequestList);
  list->Open();
  ASSERT_TRUE(list->Locate("ID_SOLICITACAO", {Variant(int64_t{5})}));
  const std::string userName = list->FieldByName("NOME_USUARIO").GetAsString();
  // Someone else changes another column of the same row meanwhile.
  Connection->ExecSQL("UPDATE SOLICITACAO SET ID_UNIDADE = 7 WHERE ID_SOLICITACAO = 5");
  list->Edit();
  list->FieldByName("SOLICITACAO").SetAsString("Texto corrigido");
  ExpectRefused([&] { list->FieldByName("NOME_USUARIO").SetAsString("Outro"); },
                {"NOME_USUARIO", "read-only"});
  list->Post();
  EXPECT_EQ(list->GetState(), TDataSetState::dsBrowse);
  EXPECT_EQ(ReadValue("SELECT SOLICITACAO FROM SOLICITACAO WHERE ID_SOLICITACAO = 5").AsString(),
            "Texto corrigido");
  EXPECT_EQ(ReadValue("SELECT ID_UNIDADE FROM SOLICITACAO WHERE ID_SOLICITACAO = 5").AsInt64(), 7);
  EXPECT_EQ(ReadValue("SELECT U.NOME_USUARIO FROM USUARIO U JOIN SOLICITACAO S ON "
                      "S.ID_USUARIO = U.ID_USUARIO WHERE S.ID_SOLICITACAO = 5")
                .AsString(),
            userName);
}

TEST_F(DatabaseTest, FailedPostsKeepTheRecordInItsStateWithTheUsersValues) {
  TQuery* query =
      NewQuery("qrySituacao", "SELECT SIT.* FROM SITUACAO SIT ORDER BY SIT.ID_SITUACAO");
  query->Open();
  query->DefineField("NOME_SITUACAO").SetDisplayLabel("Situação");

  // A required field left empty.
  query->Append();
  query->FieldByName("ID_SITUACAO").SetAsLargeInt(0);
  query->FieldByName("COR_SITUACAO").SetAsString("#123456");
  ExpectRefused([&] { query->Post(); }, {"Field \"Situação\" must have a value"});
  EXPECT_EQ(query->GetState(), TDataSetState::dsInsert);
  EXPECT_EQ(query->FieldByName("COR_SITUACAO").GetAsString(), "#123456");

  // The database refuses the row: a key that is taken.
  query->FieldByName("NOME_SITUACAO").SetAsString("Duplicada");
  query->FieldByName("ID_SITUACAO").SetAsLargeInt(1);
  ExpectRefused([&] { query->Post(); }, {"same key", "SITUACAO", "PRIMARY"});
  EXPECT_EQ(query->GetState(), TDataSetState::dsInsert);
  EXPECT_EQ(query->FieldByName("NOME_SITUACAO").GetAsString(), "Duplicada");
  EXPECT_EQ(query->GetRecordCount(), 6);

  // Corrected, the same record goes through.
  query->FieldByName("ID_SITUACAO").SetAsLargeInt(0);
  query->Post();
  EXPECT_EQ(query->GetState(), TDataSetState::dsBrowse);
  EXPECT_EQ(query->GetRecordCount(), 7);

  // The row being edited was deleted by someone else: nothing is saved, the edit stays.
  query->First();
  Connection->ExecSQL("DELETE FROM SITUACAO WHERE ID_SITUACAO = 1");
  query->Edit();
  query->FieldByName("NOME_SITUACAO").SetAsString("Perdida");
  ExpectRefused([&] { query->Post(); }, {"no longer exists", "another user"});
  EXPECT_EQ(query->GetState(), TDataSetState::dsEdit);
  EXPECT_EQ(query->FieldByName("NOME_SITUACAO").GetAsString(), "Perdida");
}

TEST_F(DatabaseTest, BadValuesAreRefusedNamingTheFieldAndLeaveItUnchanged) {
  TQuery* query = NewQuery("qrySolicitacao", RequestList);
  query->Open();
  query->DefineField("DATA_SOLICITACAO").SetDisplayLabel("Data Solicitação");
  query->DefineField("SOLICITACAO").SetDisplayLabel("Descrição");
  query->DefineField("ID_SITUACAO").SetDisplayLabel("Situação");
  query->Edit();
  struct Case {
    const char* field;
    std::string text;
    std::vector<std::string> message;
  };
  const Case cases[] = {
      {"DATA_SOLICITACAO", "31/02/2026", {"\"31/02/2026\"", "date", "\"Data Solicitação\""}},
      {"DATA_SOLICITACAO", "amanhã", {"\"amanhã\"", "\"Data Solicitação\""}},
      {"DATA_SOLICITACAO", "12/12/2026 25:00", {"\"12/12/2026 25:00\"", "\"Data Solicitação\""}},
      {"ID_SITUACAO", "12a", {"\"12a\"", "integer", "\"Situação\""}},
      {"ID_SITUACAO", "1.5", {"\"1.5\"", "\"Situação\""}},
      {"ID_SITUACAO", "99999999999999999999", {"\"Situação\""}},
      {"SOLICITACAO", std::string(101, 'x'), {"101", "100", "\"Descrição\""}},
      {"SOLICITACAO", std::string(99, 'x') + "çã", {"101", "\"Descrição\""}},
      {"SOLICITACAO", "Rua Łódź", {"\"Ł\"", "WIN1252", "\"Descrição\""}},
  };
  for (const Case& c : cases) {
    TField& field = query->FieldByName(c.field);
    const Variant before = field.GetAsVariant();
    try {
      field.SetAsString(c.text);
      ADD_FAILURE() << c.field << " took " << c.text;
    } catch (const Exception& error) {
      for (const std::string& part : c.message)
        EXPECT_NE(error.Message().find(part), std::string::npos)
            << "\"" << part << "\" missing from: " << error.Message();
    }
    EXPECT_TRUE(field.GetAsVariant() == before) << c.field << " changed by " << c.text;
  }
  // Exactly the size fits; text of the right form converts.
  query->FieldByName("SOLICITACAO").SetAsString(std::string(98, 'x') + "çã");
  query->FieldByName("DATA_SOLICITACAO").SetAsString("01/02/2026 08:30");
  EXPECT_EQ(query->FieldByName("DATA_SOLICITACAO").GetAsString(), "01/02/2026 08:30:00");
  query->FieldByName("DATA_SOLICITACAO").SetAsString("2026-03-04");
  EXPECT_EQ(query->FieldByName("DATA_SOLICITACAO").GetAsString(), "04/03/2026");
  query->FieldByName("ID_SITUACAO").SetAsString(" 4 ");
  EXPECT_EQ(query->FieldByName("ID_SITUACAO").GetAsLargeInt(), 4);
  query->Post();
  EXPECT_EQ(ReadValue("SELECT ID_SITUACAO FROM SOLICITACAO WHERE ID_SOLICITACAO = " +
                      query->FieldByName("ID_SOLICITACAO").GetAsString())
                .AsInt64(),
            4);
}

TEST_F(DatabaseTest, AccentedTextSurvivesTheRoundTripAsWin1252) {
  const std::string text = "Solicitação do Usuário – € “Ímpar” çÇ";
  TQuery* query =
      NewQuery("qrySituacao", "SELECT SIT.* FROM SITUACAO SIT ORDER BY SIT.ID_SITUACAO");
  query->Open();
  query->Append();
  query->FieldByName("ID_SITUACAO").SetAsLargeInt(0);
  query->FieldByName("NOME_SITUACAO").SetAsString(text);
  query->Post();
  const int64_t id = query->FieldByName("ID_SITUACAO").GetAsLargeInt();
  EXPECT_EQ(
      ReadValue("SELECT NOME_SITUACAO FROM SITUACAO WHERE ID_SITUACAO = " + std::to_string(id))
          .AsString(),
      text);
  // Stored one byte per character, as other clients of the database expect.
  EXPECT_EQ(ReadValue("SELECT OCTET_LENGTH(NOME_SITUACAO) FROM SITUACAO WHERE ID_SITUACAO = " +
                      std::to_string(id))
                .AsInt64(),
            static_cast<int64_t>(detail::CharacterCount(text)));
  // Accented text in the statement itself works the same.
  EXPECT_EQ(ReadValue("SELECT COUNT(*) FROM SITUACAO WHERE NOME_SITUACAO = 'Em Análise'").AsInt64(),
            1);
}

TEST_F(DatabaseTest, RequestsWhoseReferencedRowsAreMissingAreStillListed) {
  Connection->ExecSQL("INSERT INTO SOLICITACAO (ID_SOLICITACAO, DATA_SOLICITACAO, SOLICITACAO, "
                      "ID_USUARIO, ID_PREFEITURA, ID_SITUACAO, ID_TIPO, ID_UNIDADE) VALUES (0, "
                      "'2027-01-01 10:00:00', 'Órfã', 999, 1, 998, 997, 996)");
  TQuery* list = NewQuery("qryLis", RequestList);
  list->Open();
  EXPECT_EQ(list->GetRecordCount(), 61);
  list->Last();
  EXPECT_EQ(list->FieldByName("SOLICITACAO").GetAsString(), "Órfã");
  for (const char* name : {"NOME_USUARIO", "NOME_SITUACAO", "NOME_TIPO", "NOME_UNIDADE"}) {
    EXPECT_TRUE(list->FieldByName(name).IsNull()) << name;
    EXPECT_EQ(list->FieldByName(name).GetDisplayText(), "") << name;
  }
  EXPECT_EQ(list->FieldByName("ID_SITUACAO").GetAsLargeInt(), 998);
}

TEST_F(DatabaseTest, NavigationBookmarksAndLocate) {
  TQuery* query =
      NewQuery("qrySituacao", "SELECT SIT.* FROM SITUACAO SIT ORDER BY SIT.ID_SITUACAO");
  query->Open();
  EXPECT_TRUE(query->GetBof());
  EXPECT_FALSE(query->GetEof());
  EXPECT_EQ(query->GetRecNo(), 1);
  int visited = 0;
  for (query->First(); !query->GetEof(); query->Next())
    ++visited;
  EXPECT_EQ(visited, 6);
  EXPECT_EQ(query->GetRecNo(), 6);
  query->Prior();
  EXPECT_EQ(query->FieldByName("NOME_SITUACAO").GetAsString(), "Concluída");
  EXPECT_EQ(query->MoveBy(-10), -4);
  EXPECT_TRUE(query->GetBof());
  query->SetRecNo(3);
  EXPECT_EQ(query->FieldByName("ID_SITUACAO").GetAsInteger(), 3);
  const TBookmark third = query->GetBookmark();
  query->Last();
  EXPECT_TRUE(query->GetEof());
  query->GotoBookmark(third);
  EXPECT_EQ(query->GetRecNo(), 3);

  EXPECT_TRUE(query->Locate("NOME_SITUACAO", {Variant("em análise")}, {.CaseInsensitive = false}) ==
              false);
  EXPECT_TRUE(query->Locate("NOME_SITUACAO", {Variant("Aguard")}, {.PartialKey = true}));
  EXPECT_EQ(query->GetRecNo(), 4);
  EXPECT_TRUE(query->Locate("ID_SITUACAO;COR_SITUACAO", {Variant("6"), Variant("#6c757d")}));
  EXPECT_EQ(query->FieldByName("NOME_SITUACAO").GetAsString(), "Cancelada");
  EXPECT_FALSE(query->Locate("ID_SITUACAO", {Variant(42)}));
  EXPECT_EQ(query->GetRecNo(), 6);

  query->Delete();
  EXPECT_FALSE(query->BookmarkValid(query->GetBookmark()) == false);
  EXPECT_EQ(query->GetRecordCount(), 5);
  EXPECT_EQ(ReadValue("SELECT COUNT(*) FROM SITUACAO").AsInt64(), 5);
}

TEST_F(DatabaseTest, EditOnAnEmptyQueryStartsANewRecord) {
  TQuery* query = NewQuery("qryUsuario", "SELECT USU.* FROM USUARIO USU WHERE USU.ID_USUARIO = "
                                         ":P_ID_USUARIO");
  int newRecords = 0;
  query->OnNewRecord = [&](TDataSet* dataSet) {
    ++newRecords;
    dataSet->FieldByName("ID_USUARIO").SetAsLargeInt(0);
  };
  query->ParamByName("P_ID_USUARIO").SetAsLargeInt(0);
  query->Open();
  ASSERT_TRUE(query->IsEmpty());
  query->Edit();
  EXPECT_EQ(query->GetState(), TDataSetState::dsInsert);
  EXPECT_EQ(newRecords, 1);
  EXPECT_EQ(query->FieldByName("ID_USUARIO").GetAsString(), "0");
  EXPECT_FALSE(query->GetModified());
}

TEST_F(DatabaseTest, LeavingARecordPostsChangesAndDropsAnUntouchedNewRecord) {
  TQuery* query =
      NewQuery("qrySituacao", "SELECT SIT.* FROM SITUACAO SIT ORDER BY SIT.ID_SITUACAO");
  query->OnNewRecord = [](TDataSet* dataSet) {
    dataSet->FieldByName("ID_SITUACAO").SetAsLargeInt(0);
  };
  query->Open();
  query->Edit();
  query->FieldByName("COR_SITUACAO").SetAsString("#abcdef");
  query->Next();
  EXPECT_EQ(query->GetState(), TDataSetState::dsBrowse);
  EXPECT_EQ(ReadValue("SELECT COR_SITUACAO FROM SITUACAO WHERE ID_SITUACAO = 1").AsString(),
            "#abcdef");

  query->Append();
  query->First();
  EXPECT_EQ(query->GetState(), TDataSetState::dsBrowse);
  EXPECT_EQ(query->GetRecordCount(), 6);

  // Closing discards an unposted record.
  query->Append();
  query->FieldByName("NOME_SITUACAO").SetAsString("Nunca salva");
  query->Close();
  EXPECT_EQ(ReadValue("SELECT COUNT(*) FROM SITUACAO").AsInt64(), 6);
}

TEST_F(DatabaseTest, RefreshReadsAgainAndReturnsToTheSameRecordByKey) {
  TQuery* query = NewQuery("qrySituacao", "SELECT SIT.* FROM SITUACAO SIT ORDER BY "
                                          "SIT.NOME_SITUACAO");
  query->Open();
  ASSERT_TRUE(query->Locate("NOME_SITUACAO", {Variant("Em Andamento")}));
  Connection->ExecSQL("INSERT INTO SITUACAO (ID_SITUACAO, NOME_SITUACAO) VALUES (0, 'AAA')");
  query->Refresh();
  EXPECT_EQ(query->GetRecordCount(), 7);
  EXPECT_EQ(query->FieldByName("NOME_SITUACAO").GetAsString(), "Em Andamento");
  query->First();
  EXPECT_EQ(query->FieldByName("NOME_SITUACAO").GetAsString(), "AAA");
}

TEST_F(DatabaseTest, EventsRunAroundEachOperation) {
  TQuery* query =
      NewQuery("qrySituacao", "SELECT SIT.* FROM SITUACAO SIT ORDER BY SIT.ID_SITUACAO");
  std::vector<std::string> log;
  auto record = [&](const char* name) { return [&log, name](TDataSet*) { log.push_back(name); }; };
  query->AfterOpen = record("AfterOpen");
  query->BeforeScroll = record("BeforeScroll");
  query->AfterScroll = record("AfterScroll");
  query->BeforeInsert = record("BeforeInsert");
  query->OnNewRecord = [&](TDataSet* dataSet) {
    log.push_back("OnNewRecord");
    dataSet->FieldByName("ID_SITUACAO").SetAsLargeInt(0);
  };
  query->AfterInsert = record("AfterInsert");
  query->BeforePost = record("BeforePost");
  query->AfterPost = record("AfterPost");
  query->BeforeEdit = record("BeforeEdit");
  query->AfterCancel = record("AfterCancel");
  query->Open();
  query->Append();
  query->FieldByName("NOME_SITUACAO").SetAsString("Nova");
  query->Post();
  query->Edit();
  query->Cancel();
  const std::vector<std::string> expected = {
      "AfterOpen",   "AfterScroll", "BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert",
      "AfterScroll", "BeforePost",  "AfterPost",    "BeforeEdit",   "AfterCancel"};
  EXPECT_EQ(log, expected);

  // A failing BeforePost stops the post.
  query->BeforePost = [](TDataSet*) { throw EAbort(); };
  query->Edit();
  query->FieldByName("NOME_SITUACAO").SetAsString("Alterada");
  EXPECT_THROW(query->Post(), EAbort);
  EXPECT_EQ(query->GetState(), TDataSetState::dsEdit);
}

TEST_F(DatabaseTest, DisplayTextFollowsTheDisplayFormat) {
  TQuery* list = NewQuery("qryLis", RequestList);
  list->DefineField("ID_SOLICITACAO").SetDisplayFormat("00000000");
  list->Open();
  EXPECT_EQ(list->FieldByName("ID_SOLICITACAO").GetDisplayText(), "00000001");
  EXPECT_EQ(list->FieldByName("ID_SOLICITACAO").GetText(), "1");
  list->Close();
  list->Open(); // the format outlives closing
  EXPECT_EQ(list->FieldByName("ID_SOLICITACAO").GetDisplayText(), "00000001");
  list->FieldByName("DATA_SOLICITACAO").SetDisplayFormat("yyyy-mm-dd");
  EXPECT_EQ(list->FieldByName("DATA_SOLICITACAO").GetDisplayText().substr(0, 5), "2026-");
}
