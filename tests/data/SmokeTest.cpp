#include "data/TestDatabase.h"
using testdb::DatabaseTest;
TEST_F(DatabaseTest, Smoke) {
  TQuery* q = NewQuery("q", "SELECT * FROM SITUACAO ORDER BY ID_SITUACAO");
  q->Open();
  EXPECT_EQ(q->GetRecordCount(), 6);
  EXPECT_EQ(q->FieldByName("NOME_SITUACAO").GetAsString(), "Aberta");
  EXPECT_EQ(ReadValue("SELECT COUNT(*) FROM SOLICITACAO").AsInt64(), 60);
}
