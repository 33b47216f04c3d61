#include "runtime/Password.h"

#include <gtest/gtest.h>

#include <sodium.h>

#include <string>
#include <thread>
#include <vector>

namespace {

TEST(Password, AHashAcceptsOnlyItsOwnPasswordExactly) {
  const std::string hash = HashPassword("Serena@95");
  EXPECT_TRUE(hash.starts_with("$argon2id$")) << hash;
  // The library itself reads it, at the interactive cost or above.
  EXPECT_EQ(crypto_pwhash_str_verify(hash.c_str(), "Serena@95", 9), 0);
  EXPECT_TRUE(IsPasswordHash(hash));
  EXPECT_FALSE(PasswordNeedsRehash(hash));
  // A hash fits the database's 100-character password column.
  EXPECT_LE(hash.size(), 100u);
  struct Case {
    std::string Typed;
    bool Accepted;
  };
  const Case cases[] = {{"Serena@95", true},   {"serena@95", false}, {"Serena@95 ", false},
                        {" Serena@95", false}, {"Serena@9", false},  {"", false}};
  for (const Case& c : cases)
    EXPECT_EQ(VerifyPassword(hash, c.Typed), c.Accepted) << c.Typed;
}

TEST(Password, EachHashHasItsOwnSalt) {
  EXPECT_NE(HashPassword("pelix"), HashPassword("pelix"));
}

TEST(Password, TextThatIsNoHashIsNeverAccepted) {
  const std::string weak = [] {
    char hash[crypto_pwhash_STRBYTES];
    EXPECT_EQ(
        crypto_pwhash_str(hash, "pelix", 5, crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN),
        0);
    return std::string(hash);
  }();
  // A password kept as typed, even when it is typed again; a damaged or overlong hash.
  for (const std::string& stored :
       {std::string("pelix"), std::string(""), std::string("$argon2id$"),
        std::string("$argon2id$v=19$m=65536,t=2,p=1$garbage"), weak + std::string(200, 'A')}) {
    EXPECT_FALSE(IsPasswordHash(stored) && VerifyPassword(stored, "pelix")) << stored;
    EXPECT_FALSE(VerifyPassword(stored, stored)) << stored;
  }
  // A hash made at a lower cost still verifies, and asks to be made again.
  EXPECT_TRUE(VerifyPassword(weak, "pelix"));
  EXPECT_TRUE(PasswordNeedsRehash(weak));
}

TEST(Password, ManyChecksAtOnceAllGetTheirAnswer) {
  const std::string hash = HashPassword("brud");
  std::vector<int> answers(8, -1);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < answers.size(); ++i)
    threads.emplace_back([&, i] { answers[i] = VerifyPassword(hash, i % 2 == 0 ? "brud" : "x"); });
  for (std::thread& thread : threads)
    thread.join();
  for (size_t i = 0; i < answers.size(); ++i)
    EXPECT_EQ(answers[i], i % 2 == 0 ? 1 : 0) << i;
}

} // namespace
