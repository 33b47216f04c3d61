#include "runtime/Regex.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

constexpr TRegExOptions Tag = TRegExOptions::IgnoreCase | TRegExOptions::MultiLine;

struct TFirstMatchCase {
  const char* Pattern;
  TRegExOptions Options;
  std::string Subject;
  std::optional<std::string> Expected; // empty: no match
  std::size_t Index = 0;
};

TEST(Regex, FirstMatchTable) {
  const TFirstMatchCase cases[] = {
      // Template tags: a tag may not start with "_" and ends at the first "}}".
      {"{{(?!_).*?}}", Tag, "a {{_x_}} b {{Title}} c {{d}}", "{{Title}}", 12},
      {"{{(?!_).*?}}", Tag, "{{_only_}}", std::nullopt},
      {"{{(?!_).*?}}", Tag, "{{a\n}}", std::nullopt}, // "." stops at a line break
      {"{{(?!_).*?}}", Tag | TRegExOptions::DotAll, "{{a\n}}", "{{a\n}}"},
      {"{{_.*?_}}", Tag, "x {{_menu,Abrir_}} {{_Sair_}}", "{{_menu,Abrir_}}", 2},
      // Lazy against greedy.
      {"<.+?>", TRegExOptions::None, "<a><b>", "<a>"},
      {"<.+>", TRegExOptions::None, "<a><b>", "<a><b>"},
      {"<.+>", TRegExOptions::Ungreedy, "<a><b>", "<a>"},
      // Case.
      {"title", TRegExOptions::None, "TITLE", std::nullopt},
      {"title", TRegExOptions::IgnoreCase, "the TITLE", "TITLE", 4},
      {"ção", TRegExOptions::IgnoreCase, "SOLICITAÇÃO", "ÇÃO", 8},
      // Lines.
      {"^b$", TRegExOptions::None, "a\nb\nc", std::nullopt},
      {"^b$", TRegExOptions::MultiLine, "a\nb\nc", "b", 2},
      {"^b$", TRegExOptions::MultiLine, "a\r\nb\r\nc", "b", 3},
      // Negative look-ahead.
      {"foo(?!bar)", TRegExOptions::None, "foobar foobaz", "foo", 7},
      // Bytes that are not UTF-8 do not stop the search.
      {"b", TRegExOptions::None,
       "a\xFF"
       "b",
       "b", 2},
  };
  for (const TFirstMatchCase& c : cases) {
    SCOPED_TRACE(std::string(c.Pattern) + " on \"" + c.Subject + "\"");
    const TMatch match = TRegEx(c.Pattern, c.Options).Match(c.Subject);
    ASSERT_EQ(match.Success(), c.Expected.has_value());
    if (c.Expected) {
      EXPECT_EQ(match.Value(), *c.Expected);
      EXPECT_EQ(match.Index(), c.Index);
      EXPECT_EQ(match.Length(), c.Expected->size());
    }
  }
}

TEST(Regex, StartOffset) {
  const TRegEx re("\\d+");
  EXPECT_EQ(re.Match("12 34", 1).Value(), "2");
  EXPECT_EQ(re.Match("12 34", 2).Index(), 3u);
  EXPECT_FALSE(re.Match("12 34", 5).Success());
  EXPECT_FALSE(re.Match("12 34", 99).Success());
  // An offset inside a multi-byte character is allowed; the search starts at the next one.
  EXPECT_EQ(TRegEx(".").Match("\xC3\xA9x", 1).Index(), 2u);
  // Look-behind sees the text before the offset.
  EXPECT_EQ(TRegEx("(?<=a)b").Match("ab", 1).Index(), 1u);
}

// The page scanner replaces each tag and continues after what it inserted; the subject grows and
// the inserted text (which itself looks like a tag) must not be scanned again.
TEST(Regex, ScanningWhileRewritingTheSubject) {
  const TRegEx re("{{(?!_).*?}}", Tag);
  std::string page = "<p>{{a}}</p>{{_t_}}{{bb}}{{c}}\n{{Title}} end";
  std::vector<std::string> seen;
  std::size_t position = 0;
  for (TMatch m = re.Match(page, position); m.Success(); m = re.Match(page, position)) {
    const std::string inner = m.Value().substr(2, m.Length() - 4);
    seen.push_back(inner);
    const std::string replacement = "<span>{{" + inner + "}}</span>";
    page.replace(m.Index(), m.Length(), replacement);
    position = m.Index() + replacement.size();
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "bb", "c", "Title"}));
  EXPECT_EQ(page, "<p><span>{{a}}</span></p>{{_t_}}<span>{{bb}}</span><span>{{c}}</span>\n"
                  "<span>{{Title}}</span> end");
}

TEST(Regex, GroupsByNumberAndName) {
  const TRegEx re("(?<key>\\w+)=(\\d+)?");
  const TMatch full = re.Match("x port=8888");
  ASSERT_TRUE(full.Success());
  EXPECT_EQ(full.GroupCount(), 3u);
  EXPECT_EQ(full.Group("key").Value, "port");
  EXPECT_EQ(full.Group(1).Index, 2u);
  EXPECT_EQ(full.Group(2).Value, "8888");

  const TMatch partial = re.Match("name=");
  EXPECT_TRUE(partial.Group(1).Success);
  EXPECT_FALSE(partial.Group(2).Success);
  EXPECT_EQ(partial.Group(2).Value, "");

  EXPECT_THROW(full.Group(3), Exception);
  EXPECT_THROW(full.Group("value"), Exception);
  EXPECT_THROW(TMatch().Group(0), Exception);

  const TMatch none = re.Match("nothing to see");
  EXPECT_FALSE(none.Success());
  EXPECT_EQ(none.Index(), 0u);
  EXPECT_EQ(none.Length(), 0u);
  EXPECT_EQ(none.Value(), "");
  EXPECT_EQ(none.GroupCount(), 0u);
}

TEST(Regex, AllMatches) {
  std::vector<std::pair<std::size_t, std::string>> found;
  for (const TMatch& m : TRegEx("\\d+").Matches("a1b22c333"))
    found.emplace_back(m.Index(), m.Value());
  EXPECT_EQ(found, (decltype(found){{1, "1"}, {3, "22"}, {6, "333"}}));

  // Empty matches advance; an empty match never repeats at the same place.
  found.clear();
  for (const TMatch& m : TRegEx("x*").Matches("xa"))
    found.emplace_back(m.Index(), m.Value());
  EXPECT_EQ(found, (decltype(found){{0, "x"}, {1, ""}, {2, ""}}));

  EXPECT_TRUE(TRegEx("b+").IsMatch("abbc"));
  EXPECT_FALSE(TRegEx("^b+").IsMatch("abbc"));
}

TEST(Regex, Replace) {
  const TRegEx re("(?<user>\\w+)@(\\w+)");
  EXPECT_EQ(re.Replace("ana@x, bia@y", "$2:${user} $$"), "x:ana $, y:bia $");
  EXPECT_EQ(re.Replace("no address", "$1"), "no address");
  EXPECT_EQ(re.Replace("ana@x bia@y", [](const TMatch& m) { return "<" + m.Group(2).Value + ">"; }),
            "<x> <y>");
  EXPECT_THROW(re.Replace("ana@x", "$9"), Exception);
}

TEST(Regex, BadPatternNamesPatternReasonAndOffset) {
  try {
    TRegEx("{{(a.*?}}");
    FAIL() << "compiled";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find("'{{(a.*?}}'"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("missing closing parenthesis"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("offset 9"), std::string::npos) << e.Message();
  }
}

TEST(Regex, LongPage) {
  std::string page;
  for (int i = 0; i < 20000; ++i)
    page += "<div class=\"row\">{{_term_}} some text {{Tag" + std::to_string(i) + "}}</div>\n";
  page += std::string(1 << 20, 'x') + "{{last}}";
  const auto matches = TRegEx("{{(?!_).*?}}", Tag).Matches(page);
  ASSERT_EQ(matches.size(), 20001u);
  EXPECT_EQ(matches.back().Value(), "{{last}}");
}

// Backtracking over a megabyte outgrows the compiled matcher's stack; the search still answers.
TEST(Regex, DeepBacktrackingOnLongText) {
  const std::string text(1 << 20, 'a');
  const TMatch match = TRegEx("(a|b)*$").Match(text);
  ASSERT_TRUE(match.Success());
  EXPECT_EQ(match.Length(), text.size());
}

} // namespace
