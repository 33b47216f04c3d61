#include "runtime/Strings.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

namespace {

struct CommaCase {
  const char* Input;
  std::vector<std::string> Items;
};

TEST(StringsTest, CommaTextSplitsAsBrowsersAndFilesNeedIt) {
  const CommaCase cases[] = {
      {"", {}},
      {"a,b,c", {"a", "b", "c"}},
      {"  a , b", {"a", "b"}},
      {"a b", {"a", "b"}},                    // a blank ends an item
      {"a\tb", {"a", "b"}},                   // so does a control character
      {"a,,b", {"a", "", "b"}},               // two commas give an empty item
      {",,", {"", "", ""}},                   //
      {"a,", {"a", ""}},                      // a trailing comma gives an empty item
      {"a, ", {"a"}},                         // but not when blanks follow it
      {"\"x y\",z", {"x y", "z"}},            // quoted items keep their blanks
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}}, // a doubled quote stands for one
      {"\"open", {"open"}},                   // an unclosed quote runs to the end
      {"\"a\"b", {"a", "b"}},                 // text after a closing quote is the next item
      {"pt-BR;q=0.9, en;q=0.8", {"pt-BR;q=0.9", "en;q=0.8"}},
      {"en-US,en;q=0.9,pt;q=0.8", {"en-US", "en;q=0.9", "pt;q=0.8"}},
      {"de; q=0.5", {"de;", "q=0.5"}}, // a blank after the semicolon splits the item
      {"Solicitação,Usuário", {"Solicitação", "Usuário"}},
  };
  for (const CommaCase& c : cases) {
    TStringList list;
    list.SetCommaText(c.Input);
    EXPECT_EQ(list.ToVector(), c.Items) << "input: [" << c.Input << "]";
  }
}

TEST(StringsTest, CommaTextQuotesWhatWouldNotReadBack) {
  TStringList list;
  for (const char* s : {"plain", "with blank", "with,comma", "with\"quote", ""})
    list.Add(s);
  EXPECT_EQ(list.GetCommaText(), "plain,\"with blank\",\"with,comma\",\"with\"\"quote\",");
  TStringList back;
  back.SetCommaText(list.GetCommaText());
  EXPECT_EQ(back.ToVector(), list.ToVector());

  TStringList single{""};
  EXPECT_EQ(single.GetCommaText(), "\"\"");
}

TEST(StringsTest, DelimitedTextHonoursDelimiterStrictnessAndQuote) {
  TStringList list;
  list.SetDelimiter(';');
  list.SetDelimitedText("a b;c");
  EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"a", "b", "c"}));
  list.SetStrictDelimiter(true);
  list.SetDelimitedText(" a b ;c");
  EXPECT_EQ(list.ToVector(), (std::vector<std::string>{" a b ", "c"}));
  list.SetQuoteChar('\'');
  list.SetDelimitedText("'x;y';z");
  EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"x;y", "z"}));
  EXPECT_EQ(list.GetDelimitedText(), "'x;y';z");
}

TEST(StringsTest, TextJoinsWithCrLfAndSplitsAnyLineBreak) {
  TStringList list{"SELECT *", "FROM SITUACAO"};
  EXPECT_EQ(list.GetText(), "SELECT *\r\nFROM SITUACAO\r\n");
  list.SetText("one\r\ntwo\nthree\rfour\r\n");
  EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"one", "two", "three", "four"}));
  list.SetText("a\r\n\r\nb");
  EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"a", "", "b"}));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
}

TEST(StringsTest, ValuesFindNamesWithoutCase) {
  TStringList list;
  list.Add("Host=localhost");
  list.Add("Port=3050");
  list.Add("no separator");
  EXPECT_EQ(list.GetValue("HOST"), "localhost");
  EXPECT_EQ(list.GetValue("missing"), "");
  EXPECT_EQ(list.Names(1), "Port");
  EXPECT_EQ(list.ValueFromIndex(1), "3050");
  EXPECT_EQ(list.Names(2), "");
  list.SetValue("port", "3051");
  EXPECT_EQ(list[1], "port=3051");
  list.SetValue("User", "SYSDBA");
  EXPECT_EQ(list[3], "User=SYSDBA");
  list.SetValue("HOST", "");
  EXPECT_EQ(list.IndexOfName("Host"), -1);
  EXPECT_EQ(list.Count(), 3);
}

TEST(StringsTest, EditingAndBounds) {
  TStringList list{"a", "b", "c"};
  list.Insert(1, "x");
  list.Delete(0);
  EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"x", "b", "c"}));
  EXPECT_EQ(list.IndexOf("B"), 1);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("B"), -1);
  list.Move(0, 2);
  EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"b", "c", "x"}));
  EXPECT_THROW(list.Delete(3), EListError);
  EXPECT_THROW(list.Strings(-1), EListError);
  EXPECT_THROW(list.Insert(5, "z"), EListError);
}

TEST(StringsTest, SortedListKeepsOrderAndAppliesDuplicates) {
  TStringList list;
  list.SetSorted(true);
  for (const char* s : {"pear", "Apple", "fig", "apple"})
    list.Add(s);
  EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"Apple", "fig", "pear"}));
  EXPECT_EQ(list.IndexOf("PEAR"), 2);
  EXPECT_THROW(list.Insert(0, "z"), EListError);
  list.SetDuplicates(TDuplicates::dupError);
  EXPECT_THROW(list.Add("FIG"), EListError);
  list.SetDuplicates(TDuplicates::dupAccept);
  list.Add("fig");
  EXPECT_EQ(list.Count(), 4);
}

TEST(StringsTest, ChangesReportedOncePerUpdate) {
  TStringList list;
  int changes = 0;
  list.OnChange = [&](TStrings&) { ++changes; };
  list.Add("a");
  EXPECT_EQ(changes, 1);
  list.BeginUpdate();
  list.Add("b");
  list.Add("c");
  list.EndUpdate();
  EXPECT_EQ(changes, 2);
  list.SetText("x\r\ny");
  EXPECT_EQ(changes, 3);
}

} // namespace
