#include "data/FilterExpression.h"
#include "data/TestDatabase.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

using testdb::DatabaseTest;

namespace {

class FilterTest : public DatabaseTest {
protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    for (const char* text :
         {"Rua D'Ávila esburacada", "100% de desconto", "a_b", "A_B", "Calçada quebrada"})
      Connection->ExecSQL("INSERT INTO SOLICITACAO (ID_SOLICITACAO, DATA_SOLICITACAO, "
                          "SOLICITACAO, ID_USUARIO, ID_PREFEITURA, ID_SITUACAO, ID_TIPO, "
                          "ID_UNIDADE) VALUES (0, '2027-01-01', ?, 1, 1, 1, 1, 1)",
                          {Variant(text)});
    Connection->ExecSQL("INSERT INTO SOLICITACAO (ID_SOLICITACAO, DATA_SOLICITACAO, "
                        "SOLICITACAO, ID_USUARIO, ID_PREFEITURA, ID_SITUACAO, ID_TIPO, "
                        "ID_UNIDADE) VALUES (0, '2027-01-02', 'Sem situação', 1, 1, 99, 1, 1)");
    List = NewQuery("qryLisSolicitacao",
                    "SELECT SOL.ID_SOLICITACAO, SOL.DATA_SOLICITACAO, SOL.SOLICITACAO, "
                    "SOL.ID_SITUACAO, SIT.NOME_SITUACAO FROM SOLICITACAO SOL LEFT JOIN "
                    "SITUACAO SIT ON SIT.ID_SITUACAO = SOL.ID_SITUACAO ORDER BY "
                    "SOL.DATA_SOLICITACAO");
    List->Open();
  }

  // The number of rows the database itself finds with the same condition.
  int64_t CountInDatabase(const std::string& where) {
    return ReadValue("SELECT COUNT(*) FROM (SELECT SOL.ID_SOLICITACAO, SOL.DATA_SOLICITACAO, "
                     "SOL.SOLICITACAO, SOL.ID_SITUACAO, SIT.NOME_SITUACAO FROM SOLICITACAO SOL "
                     "LEFT JOIN SITUACAO SIT ON SIT.ID_SITUACAO = SOL.ID_SITUACAO) WHERE " +
                     where)
        .AsInt64();
  }

  TQuery* List = nullptr;
};

} // namespace

TEST_F(FilterTest, LocalFilterAgreesWithTheDatabase) {
  // Each expression is also valid SQL with the same meaning.
  const char* expressions[] = {
      "SOLICITACAO LIKE '%calçada%'",
      "SOLICITACAO LIKE '%Calçada%'",
      "SOLICITACAO LIKE '%D''Ávila%'",
      "SOLICITACAO LIKE '100%'",
      "SOLICITACAO LIKE 'a_b'",
      "SOLICITACAO LIKE '_ua%'",
      "SOLICITACAO NOT LIKE '%a%'",
      "SOLICITACAO = 'A_B'",
      "ID_SITUACAO = 3",
      "ID_SITUACAO <> 3",
      "ID_SITUACAO >= 5 AND ID_SITUACAO < 6",
      "ID_SITUACAO = 1 OR ID_SITUACAO = 2 AND SOLICITACAO LIKE 'B%'",
      "(ID_SITUACAO = 1 OR ID_SITUACAO = 2) AND SOLICITACAO LIKE 'B%'",
      "NOT (ID_SITUACAO > 2)",
      "NOME_SITUACAO IS NULL",
      "NOME_SITUACAO IS NOT NULL AND NOME_SITUACAO <> 'Aberta'",
      "NOME_SITUACAO = 'Concluída'",
      "ID_SOLICITACAO <= 10",
      "id_situacao = 4 and solicitacao like '%a%'",
  };
  for (const char* expression : expressions) {
    List->SetFilter(expression);
    List->SetFiltered(true);
    EXPECT_EQ(List->GetRecordCount(), CountInDatabase(expression)) << expression;
    List->SetFiltered(false);
  }
  EXPECT_EQ(List->GetRecordCount(), 66);
}

TEST_F(FilterTest, FilterOnDatesAndTheSearchOfTheRequestList) {
  List->SetFilter("DATA_SOLICITACAO >= '01/01/2027'");
  List->SetFiltered(true);
  EXPECT_EQ(List->GetRecordCount(), 6);
  // The list's search: "%" + text + "%" with quotes doubled; a typed "%" or "_" stays a wildcard.
  const std::pair<std::string, int> searches[] = {{"D'Ávila", 1}, {"100%", 1},  {"a_b", -1},
                                                  {"_", 66},      {"ÁVILA", 0}, {"calçada", -1}};
  for (const auto& [text, count] : searches) {
    std::string quoted;
    for (const char c : "%" + text + "%")
      quoted += c == '\'' ? std::string("''") : std::string(1, c);
    const std::string filter = "SOLICITACAO LIKE '" + quoted + "'";
    List->SetFilter(filter);
    EXPECT_EQ(List->GetRecordCount(), CountInDatabase(filter)) << text;
    if (count >= 0) {
      EXPECT_EQ(List->GetRecordCount(), count) << text;
    }
  }
  // Clearing the filter shows every row again without reading them again.
  List->SetFilter("");
  List->SetFiltered(false);
  EXPECT_EQ(List->GetRecordCount(), 66);
}

TEST_F(FilterTest, MalformedExpressionsAreRefusedAndChangeNothing) {
  List->SetFilter("ID_SITUACAO = 1");
  List->SetFiltered(true);
  const int before = List->GetRecordCount();
  const std::pair<const char*, const char*> cases[] = {
      {"SOLICITACAO LIKE", "missing"},
      {"SOLICITACAO = 'abc", "not closed"},
      {"(ID_SITUACAO = 1", "\")\""},
      {"ID_SITUACAO == 1", "position"},
      {"SOLICITACAO", "comparison"},
      {"ID_SITUACAO = 1 AND", "missing"},
      {"ID_SITUACAO = 1 XOR ID_SITUACAO = 2", "XOR"},
      {"NO_FIELD = 1", "NO_FIELD"},
      {"ID_SITUACAO = 'abc'", "\"abc\""},
      {"SOLICITACAO IS 1", "NULL"},
      {"ID_SITUACAO # 1", "#"},
  };
  for (const auto& [expression, part] : cases) {
    try {
      List->SetFilter(expression);
      ADD_FAILURE() << expression;
    } catch (const Exception& error) {
      EXPECT_NE(error.Message().find(part), std::string::npos) << error.Message();
    }
    EXPECT_EQ(List->GetFilter(), "ID_SITUACAO = 1") << expression;
    EXPECT_EQ(List->GetRecordCount(), before) << expression;
  }
}

// Expressions at and past the limits: deep nesting and huge texts are refused with a clear
// error instead of exhausting the stack, and a long flat chain within the limits still works.
TEST(FilterLimits, NestingAndLengthAreBounded) {
  using detail::MaxFilterLength;
  using detail::MaxFilterNesting;
  auto nested = [](int levels, const std::string& open, const std::string& close) {
    std::string text;
    for (int i = 0; i < levels; ++i)
      text += open;
    text += "A = 1";
    for (int i = 0; i < levels; ++i)
      text += close;
    return text;
  };
  std::string chain = "A = 1";
  while (chain.size() + 10 <= MaxFilterLength)
    chain += " AND A = 1";
  struct Case {
    std::string text;
    const char* refusal; // nullptr: accepted
  };
  const Case cases[] = {
      {nested(MaxFilterNesting, "(", ")"), nullptr},
      {nested(MaxFilterNesting, "NOT ", ""), nullptr},
      {nested(MaxFilterNesting + 1, "(", ")"), "nested more than 64"},
      {nested(MaxFilterNesting + 1, "NOT ", ""), "nested more than 64"},
      {nested(MaxFilterNesting / 2, "NOT (", ")") + " OR " + nested(2, "(", ")"), nullptr},
      {nested(100000, "(", ")"), "characters long"},
      {std::string(200000, '('), "characters long"},
      {nested(1000, "(", ""), "nested more than 64"},
      {chain, nullptr},
      {chain + " AND A = 1", "characters long"},
      {"A = '" + std::string(MaxFilterLength, 'x') + "'", "characters long"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    try {
      const auto expression = detail::TFilterExpression::Parse(c.text);
      EXPECT_EQ(c.refusal, nullptr) << "accepted";
    } catch (const Exception& error) {
      ASSERT_NE(c.refusal, nullptr) << error.Message();
      EXPECT_NE(error.Message().find(c.refusal), std::string::npos) << error.Message();
      EXPECT_LT(error.Message().size(), 300u) << "the refusal does not repeat a huge expression";
    }
  }
}

// Random sequences of the language's own pieces: every one is either accepted or refused with an
// Exception; none crashes the parser or escapes as another kind of error.
TEST(FilterLimits, RandomPiecesAreParsedOrRefusedCleanly) {
  const char* pieces[] = {"(", ")",  "NOT ", " AND ", " OR ", "A",      "[A B]", "'x'",  "''",
                          "'", "1",  "-2.5", "=",     "<>",   " LIKE ", " IS ",  "NULL", "[",
                          "]", "<=", ">",    "\xC3",  "%",    " ",      "9e999"};
  uint64_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<size_t>(seed >> 33);
  };
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    const size_t count = next() % 40;
    for (size_t i = 0; i < count; ++i)
      text += pieces[next() % std::size(pieces)];
    try {
      detail::TFilterExpression::Parse(text);
    } catch (const Exception&) {
    }
  }
}

TEST(LikePattern, WildcardsMatchCharactersNotBytes) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"ação", "a_ão", true},  {"ação", "a__o", true}, {"ação", "%ç%", true},
      {"ação", "AÇÃO", false}, {"", "%", true},        {"", "_", false},
      {"abc", "a%c%", true},   {"abc", "%b", false},   {"a%b", "a%%b", true},
  };
  for (const auto& [text, pattern, expected] : cases)
    EXPECT_EQ(detail::MatchesLike(text, pattern), expected) << text << " LIKE " << pattern;
}

TEST_F(FilterTest, FilteredRecordsArePostedAndLeaveTheViewWhenTheyNoLongerMatch) {
  TQuery* empty = NewQuery("qryEmpty", "SELECT SIT.* FROM SITUACAO SIT WHERE 1 = 0");
  empty->Open();
  empty->SetFiltered(true);
  EXPECT_THROW(empty->SetFilter("ID_SITUACAO = 'abc'"), EConvertError);
  EXPECT_EQ(empty->GetFilter(), "");

  List->SetFilter("ID_SITUACAO = 1");
  List->SetFiltered(true);
  const int before = List->GetRecordCount();
  const int64_t id = List->FieldByName("ID_SOLICITACAO").GetAsLargeInt();
  List->Edit();
  List->FieldByName("ID_SITUACAO").SetAsInteger(2);
  List->Post();
  EXPECT_EQ(List->GetRecordCount(), before - 1);
  EXPECT_EQ(
      ReadValue("SELECT ID_SITUACAO FROM SOLICITACAO WHERE ID_SOLICITACAO = " + std::to_string(id))
          .AsInt64(),
      2);
}
