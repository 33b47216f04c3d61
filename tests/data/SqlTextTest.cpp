#include "data/SqlText.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

using detail::MainTableOf;
using detail::RewriteParams;
using detail::SplitScript;

TEST(SqlText, NamedParametersBecomePositionalOutsideLiteralsIdentifiersAndComments) {
  struct Case {
    const char* sql;
    const char* rewritten;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"SELECT * FROM T WHERE ID = :P_ID", "SELECT * FROM T WHERE ID = ?", {"P_ID"}},
      {"WHERE A = :X AND B = :Y OR C = :X", "WHERE A = ? AND B = ? OR C = ?", {"X", "Y", "X"}},
      {"WHERE S = ':NOT_A_PARAM' AND T = :P", "WHERE S = ':NOT_A_PARAM' AND T = ?", {"P"}},
      {"WHERE S = 'it''s :no' AND T = :P", "WHERE S = 'it''s :no' AND T = ?", {"P"}},
      {"SELECT \":Q\" FROM T WHERE A=:A1", "SELECT \":Q\" FROM T WHERE A=?", {"A1"}},
      {"SELECT 1 -- :C\nFROM T WHERE A = :A", "SELECT 1 -- :C\nFROM T WHERE A = ?", {"A"}},
      {"SELECT /* :C */ 1 FROM T", "SELECT /* :C */ 1 FROM T", {}},
      {"SELECT '08:30' FROM T", "SELECT '08:30' FROM T", {}},
      {"SELECT 'unclosed :X", "SELECT 'unclosed :X", {}},
  };
  for (const Case& c : cases) {
    const auto parsed = RewriteParams(c.sql);
    EXPECT_EQ(parsed.Sql, c.rewritten) << c.sql;
    EXPECT_EQ(parsed.ParamNames, c.names) << c.sql;
  }
}

TEST(SqlText, MainTableIsTheFirstTableOfTheOutermostFrom) {
  const std::pair<const char*, const char*> cases[] = {
      {"SELECT SOL.ID FROM SOLICITACAO SOL LEFT JOIN USUARIO USU ON 1=1", "SOLICITACAO"},
      {"SELECT\n  USU.*,\n  TPU.TIPO_USUARIO\nFROM\n  usuario USU", "USUARIO"},
      {"SELECT (SELECT MAX(X) FROM OTHER) AS M FROM MAIN_TABLE", "MAIN_TABLE"},
      {"SELECT 'FROM X' AS T FROM REAL_ONE", "REAL_ONE"},
      {"SELECT * FROM \"Mixed Case\"", "Mixed Case"},
      {"SELECT * FROM SP_DASHBOARD_QT", "SP_DASHBOARD_QT"},
      {"SELECT 1 AS FROMAGE", ""},
  };
  for (const auto& [sql, table] : cases)
    EXPECT_EQ(MainTableOf(sql), table) << sql;
}

TEST(SqlText, ScriptSplitsOnTheCurrentTerminator) {
  const char* script = "/* header ; with a semicolon */\n"
                       "CREATE TABLE A (X INTEGER);\n"
                       "-- a comment; here\n"
                       "INSERT INTO A VALUES (';');\n"
                       "SET TERM ^ ;\n"
                       "CREATE PROCEDURE P AS BEGIN\n  X = 1;\nEND^\n"
                       "set term ; ^\n"
                       "COMMIT;\n"
                       "/* only a comment */;\n";
  const auto statements = SplitScript(script);
  ASSERT_EQ(statements.size(), 4u);
  EXPECT_EQ(statements[0].Text, "CREATE TABLE A (X INTEGER)");
  EXPECT_EQ(statements[0].Line, 2);
  EXPECT_EQ(statements[1].Text, "INSERT INTO A VALUES (';')");
  EXPECT_EQ(statements[1].Line, 4);
  EXPECT_EQ(statements[2].Text, "CREATE PROCEDURE P AS BEGIN\n  X = 1;\nEND");
  EXPECT_EQ(statements[2].Line, 6);
  EXPECT_EQ(statements[3].Text, "COMMIT");
}

TEST(SqlText, MalformedTerminatorChangeIsRefusedWithItsLine) {
  try {
    SplitScript("CREATE TABLE A (X INTEGER);\nSET TERM ^ ^\n");
    FAIL() << "no error";
  } catch (const Exception& error) {
    EXPECT_NE(error.Message().find("line 2"), std::string::npos) << error.Message();
  }
}
