#include "runtime/Random.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

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
    {"GenerateRandomHex", GenerateRandomHex, "0123456789abcdef"},
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

// A generator seeded once per process (a fixed seed, or a seed kept across fork) draws the same
// characters in a forked child as in its parent; the system's random source does not.
TEST(Random, AForkedChildDrawsDifferentCharacters) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const std::string drawn = GenerateRandomString(32);
    const ssize_t written = write(pipeEnds[1], drawn.data(), drawn.size());
    _exit(written == static_cast<ssize_t>(drawn.size()) ? 0 : 1);
  }
  close(pipeEnds[1]);
  const std::string parent = GenerateRandomString(32);
  char buffer[32];
  size_t received = 0;
  while (received < sizeof buffer) {
    const ssize_t n = read(pipeEnds[0], buffer + received, sizeof buffer - received);
    if (n <= 0)
      break;
    received += static_cast<size_t>(n);
  }
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(received, sizeof buffer);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_NE(std::string(buffer, received), parent);
}

} // namespace
