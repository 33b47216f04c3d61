#include "runtime/Random.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string_view>

namespace {

struct TGenerator {
  const char* Name;
  std::function<std::string(int)> Generate;
  std::string_view Alphabet;
};

const TGenerator Generators[] = {
    {"GenerateRandomString", GenerateRandomString,
     "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"},
    {"GenerateRandomJustString", GenerateRandomJustString,
     "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"},
    {"GenerateRandomNumber", GenerateRandomNumber, "1234567890"},
    {"Gerar_String_Aleatorio", Gerar_String_Aleatorio,
     "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"},
};

TEST(Random, LengthAndAlphabet) {
  for (const TGenerator& g : Generators) {
    for (int length : {-5, 0, 1, 4, 9, 12, 24, 100}) {
      const std::string text = g.Generate(length);
      EXPECT_EQ(text.size(), static_cast<std::size_t>(std::max(length, 0))) << g.Name;
      EXPECT_EQ(text.find_first_not_of(g.Alphabet), std::string::npos) << g.Name << ": " << text;
    }
  }
}

TEST(Random, TokensDoNotRepeat) {
  std::set<std::string> seen;
  for (int i = 0; i < 5000; ++i)
    EXPECT_TRUE(seen.insert(GenerateRandomString(12)).second);
}

// A modulo-biased draw over 62 characters makes the first 8 characters about 25 % more likely
// than the others; the tolerance below is far outside chance but well inside that bias.
TEST(Random, EveryCharacterIsEquallyLikely) {
  for (const TGenerator& g : Generators) {
    const int perCharacter = 2000;
    const int total = perCharacter * static_cast<int>(g.Alphabet.size());
    std::map<char, int> counts;
    for (char c : g.Generate(total))
      ++counts[c];
    ASSERT_EQ(counts.size(), g.Alphabet.size()) << g.Name;
    for (const auto& [c, count] : counts) {
      EXPECT_GT(count, perCharacter * 0.85) << g.Name << " '" << c << "'";
      EXPECT_LT(count, perCharacter * 1.15) << g.Name << " '" << c << "'";
    }
  }
}

} // namespace
