// Finding and replacing without case: ASCII letters fold, other bytes (UTF-8 included) compare
// exactly, replacements go left to right and are never searched again.

#include "runtime/TextSearch.h"

#include <gtest/gtest.h>

namespace {

TEST(TextSearchTest, FindsAndReplacesWithoutCase) {
  struct TCase {
    std::string Text;
    std::string From;
    std::string To;
    size_t Pos;        // PosText(From, Text)
    std::string All;   // ReplaceAllText
    std::string First; // ReplaceFirstText (the text unchanged when absent)
  };
  const TCase cases[] = {
      {"<HEAD></head>", "</Head>", "|", 6, "<HEAD>|", "<HEAD>|"},
      {"$FacetBody x $facetbody", "$facetbody", "B", 0, "B x B", "B x $facetbody"},
      // A replacement that holds what is searched for is not searched again.
      {"aa", "a", "Aa", 0, "AaAa", "Aaa"},
      {"{{x}}{{X}}", "{{x}}", "", 0, "", "{{X}}"},
      // Only ASCII letters fold: "É" and "é" differ.
      {"Édito", "édito", "?", std::string::npos, "Édito", "Édito"},
      {"ção", "ÇÃO", "?", std::string::npos, "ção", "ção"},
      {"abc", "", "x", std::string::npos, "abc", "abc"},
      {"ab", "abc", "x", std::string::npos, "ab", "ab"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(PosText(c.From, c.Text), c.Pos) << c.Text << " / " << c.From;
    EXPECT_EQ(ReplaceAllText(c.Text, c.From, c.To), c.All) << c.Text << " / " << c.From;
    std::string first = c.Text;
    EXPECT_EQ(ReplaceFirstText(first, c.From, c.To), c.Pos != std::string::npos) << c.Text;
    EXPECT_EQ(first, c.First) << c.Text << " / " << c.From;
  }
  // A search from a position skips what lies before it, and a position past the end finds none.
  EXPECT_EQ(PosText("ID", "id id", 1), 3U);
  EXPECT_EQ(PosText("id", "id", 3), std::string::npos);
}

} // namespace
