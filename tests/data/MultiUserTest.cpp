// Two users on one database: errors that carry the database's codes, edits that collide, and a
// connection that is lost in the middle of a session.  Every case runs on the embedded engine
// and over the remote protocol.
#include "data/DataTexts.h"
#include "data/DatabaseError.h"
#include "data/Firebird.h"
#include "data/TestDatabase.h"

#include <gtest/gtest.h>

#include <ibase.h>
#include <iberror.h>

#include <functional>
#include <string>

namespace {

using testdb::Raised;
using testdb::TWhere;
using testdb::WhereName;

class MultiUser : public ::testing::TestWithParam<TWhere> {
protected:
  void SetUp() override {
    if (GetParam() == TWhere::Server) {
      REQUIRE_DATABASE_SERVER();
    }
    File = testdb::CreateServerDatabase(Folder, "shared.fdb");
  }

  // A connection of its own, as each user's session has.
  TConnection* Connect() {
    auto* connection = new TConnection(&Owner);
    testdb::SetEmbeddedParams(*connection, File);
    if (GetParam() == TWhere::Server)
      connection->GetParams().SetValue("Server", "127.0.0.1");
    connection->Open();
    return connection;
  }

  TQuery* Query(TConnection* connection, const std::string& sql) {
    auto* query = new TQuery(&Owner);
    query->SetConnection(connection);
    query->GetSQL().SetText(sql);
    return query;
  }

  Variant ReadValue(TConnection* connection, const std::string& sql) {
    TQuery* query = Query(connection, sql);
    query->Open();
    Variant value = query->Fields(0).GetAsVariant();
    delete query;
    return value;
  }

  testdb::TTempFolder Folder;
  std::filesystem::path File;
  TComponent Owner{nullptr};
};

INSTANTIATE_TEST_SUITE_P(Database, MultiUser, ::testing::Values(TWhere::Embedded, TWhere::Server),
                         WhereName);

TEST_P(MultiUser, DatabaseErrorsCarryTheirCodeAndSqlState) {
  TConnection* connection = Connect();
  struct Case {
    const char* sql;
    TDatabaseErrorKind kind;
    int64_t code;
    const char* sqlState;
  };
  const Case cases[] = {
      {"INSERT INTO SITUACAO (ID_SITUACAO, NOME_SITUACAO) VALUES (1, 'Repetida')",
       TDatabaseErrorKind::dekUniqueViolation, isc_unique_key_violation, "23000"},
      {"INSERT INTO UNIDADE (ID_UNIDADE, NOME_UNIDADE, ID_TIPO_UNIDADE) VALUES (0, 'Sem tipo', 99)",
       TDatabaseErrorKind::dekForeignKey, isc_foreign_key, "23000"},
      {"DELETE FROM TIPO_UNIDADE WHERE ID_TIPO_UNIDADE = 1", TDatabaseErrorKind::dekForeignKey,
       isc_foreign_key, "23000"},
      {"SELECT * FROM NAO_EXISTE", TDatabaseErrorKind::dekOther, isc_dsql_error, "42S02"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    const EDatabaseError error = Raised([&] { connection->ExecSQL(c.sql); });
    EXPECT_EQ(error.GetKind(), c.kind) << error.Message();
    EXPECT_EQ(error.GetErrorCode(), c.code) << error.Message();
    EXPECT_EQ(error.GetSQLState(), c.sqlState);
  }
  EXPECT_TRUE(connection->GetConnected());
}

TEST_P(MultiUser, ARowHeldByAnotherTransactionIsALockConflictNotAWait) {
  TConnection* holder = Connect();
  TConnection* writer = Connect();
  detail::TFbTransaction held(holder->Attachment(), detail::TFbTransactionKind::Write);
  detail::TFbStatement(holder->Attachment(), held,
                       "UPDATE SITUACAO SET NOME_SITUACAO = 'Retida' WHERE ID_SITUACAO = 2")
      .Execute(held, {});

  const EDatabaseError error = Raised([&] {
    writer->ExecSQL("UPDATE SITUACAO SET NOME_SITUACAO = 'Outra' WHERE ID_SITUACAO = 2");
  });
  EXPECT_EQ(error.GetKind(), TDatabaseErrorKind::dekLockConflict) << error.Message();
  EXPECT_TRUE(error.HasErrorCode(isc_update_conflict)) << error.Message();
  EXPECT_EQ(error.GetSQLState().substr(0, 2), "40") << error.GetSQLState();

  held.Commit();
  EXPECT_EQ(writer->ExecSQL("UPDATE SITUACAO SET NOME_SITUACAO = 'Outra' WHERE ID_SITUACAO = 2"),
            1u);
}

// The same record edited by two users: the second save neither overwrites the first nor loses
// what the second user typed, and a refresh shows what the first saved.  Saving columns the
// first user did not change goes through and keeps the first user's change.
TEST_P(MultiUser, TheSecondSaveOfARecordChangedMeanwhileIsRefused) {
  struct Case {
    const char* sql;
    const char* key;
    const char* field;
    const char* first;
    const char* second;
    const char* otherField;
    const char* otherValue;
  };
  const Case cases[] = {
      {"SELECT SOL.* FROM SOLICITACAO SOL WHERE SOL.ID_SOLICITACAO = 5", "ID_SOLICITACAO",
       "SOLICITACAO", "Buraco na rua A", "Buraco na rua B", "ID_SITUACAO", "3"},
      {"SELECT TPU.* FROM TIPO_UNIDADE TPU WHERE TPU.ID_TIPO_UNIDADE = 2", "ID_TIPO_UNIDADE",
       "TIPO_UNIDADE", "Departamento A", "Departamento B", nullptr, nullptr},
      {"SELECT SIT.* FROM SITUACAO SIT WHERE SIT.ID_SITUACAO = 4", "ID_SITUACAO", "LOGO_SITUACAO",
       "icone-a", "icone-b", "COR_SITUACAO", "#00FF00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    TQuery* first = Query(Connect(), c.sql);
    TQuery* second = Query(Connect(), c.sql);
    first->Open();
    second->Open();
    first->Edit();
    first->FieldByName(c.field).SetAsString(c.first);
    first->Post();

    second->Edit();
    second->FieldByName(c.field).SetAsString(c.second);
    const EDatabaseError error = Raised([&] { second->Post(); });
    EXPECT_EQ(error.GetKind(), TDatabaseErrorKind::dekRecordChanged) << error.Message();
    EXPECT_EQ(error.Message(), DataTexts()->RecordChanged);
    EXPECT_EQ(second->GetState(), TDataSetState::dsEdit);
    EXPECT_EQ(second->FieldByName(c.field).GetAsString(), c.second);

    second->Cancel();
    second->Refresh();
    EXPECT_EQ(second->FieldByName(c.field).GetAsString(), c.first);
    if (c.otherField != nullptr) {
      first->Edit();
      first->FieldByName(c.otherField).SetAsString(c.otherValue);
      first->Post();
      second->Edit();
      second->FieldByName(c.field).SetAsString(c.second);
      second->Post();
      first->Refresh();
      EXPECT_EQ(first->FieldByName(c.field).GetAsString(), c.second);
      EXPECT_EQ(first->FieldByName(c.otherField).GetAsString(), c.otherValue);
    }
  }
}

TEST_P(MultiUser, SavingARowAnotherUserDeletedIsRefused) {
  TQuery* editor = Query(Connect(), "SELECT SIT.* FROM SITUACAO SIT ORDER BY SIT.ID_SITUACAO");
  editor->Open();
  Connect()->ExecSQL("DELETE FROM SITUACAO WHERE ID_SITUACAO = 1");
  editor->Edit();
  editor->FieldByName("NOME_SITUACAO").SetAsString("Perdida");
  const EDatabaseError error = Raised([&] { editor->Post(); });
  EXPECT_EQ(error.GetKind(), TDatabaseErrorKind::dekRecordDeleted) << error.Message();
  EXPECT_EQ(editor->GetState(), TDataSetState::dsEdit);
  EXPECT_EQ(editor->FieldByName("NOME_SITUACAO").GetAsString(), "Perdida");
}

// An administrator ends the session's attachment (as a server restart or a network failure
// would): the next operation reports the lost connection, the rows already read stay, and the
// operation after it connects again.
TEST_P(MultiUser, ALostConnectionIsReportedAndTheNextOperationReconnects) {
  TConnection* session = Connect();
  TQuery* list = Query(session, "SELECT SIT.* FROM SITUACAO SIT ORDER BY SIT.ID_SITUACAO");
  list->Open();
  const Variant attachmentId = ReadValue(session, "SELECT CURRENT_CONNECTION FROM RDB$DATABASE");
  Connect()->ExecSQL("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = ?", {attachmentId});

  const EDatabaseError error = Raised([&] { list->Refresh(); });
  EXPECT_EQ(error.GetKind(), TDatabaseErrorKind::dekConnectionLost) << error.Message();
  EXPECT_NE(error.Message().find("connection to the database was lost"), std::string::npos)
      << error.Message();
  EXPECT_FALSE(session->GetConnected());
  EXPECT_EQ(list->GetRecordCount(), 6);

  list->Refresh();
  EXPECT_TRUE(session->GetConnected());
  EXPECT_EQ(list->GetRecordCount(), 6);
}

// A session that idles gives its attachment back and keeps what it read: the rows, an edit under
// way and the refusal of text the database cannot store; the save attaches again and lands.
TEST_P(MultiUser, AReleasedConnectionKeepsItsRecordsAndAttachesAgainWhenNeeded) {
  TConnection* session = Connect();
  TConnection* other = Connect();
  TQuery* list = Query(session, "SELECT SIT.* FROM SITUACAO SIT ORDER BY SIT.ID_SITUACAO");
  list->Open();
  const Variant attachmentId = ReadValue(session, "SELECT CURRENT_CONNECTION FROM RDB$DATABASE");
  list->Edit();
  list->FieldByName("NOME_SITUACAO").SetAsString("Revista");

  session->Release();
  EXPECT_FALSE(session->GetConnected());
  EXPECT_EQ(ReadValue(other, "SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = " +
                                 attachmentId.AsString())
                .AsInteger(),
            0);
  EXPECT_EQ(list->GetRecordCount(), 6);
  EXPECT_EQ(list->GetState(), TDataSetState::dsEdit);
  EXPECT_THROW(list->FieldByName("NOME_SITUACAO").SetAsString("Revista \u2192 nova"),
               EConvertError);

  list->Post();
  EXPECT_TRUE(session->GetConnected());
  EXPECT_EQ(ReadValue(other, "SELECT NOME_SITUACAO FROM SITUACAO WHERE ID_SITUACAO = " +
                                 list->FieldByName("ID_SITUACAO").GetAsString())
                .AsString(),
            "Revista");
  session->Release();
  list->Refresh();
  EXPECT_EQ(list->GetRecordCount(), 6);
}

} // namespace
