#include "runtime/Hash.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

std::string AsText(const std::vector<std::uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

TEST(Hash, SHA1OfKnownTexts) {
  EXPECT_EQ(SHA1Hex(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(SHA1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(SHA1Bytes("abc").size(), 20u);
}

TEST(Hash, WebSocketAcceptKey) {
  const std::string key = "dGhlIHNhbXBsZSBub25jZQ==";
  const std::string guid = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
  EXPECT_EQ(Base64Encode(SHA1Bytes(key + guid)), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
}

TEST(Hash, Base64KnownValuesBothWays) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, encoded] : cases) {
    EXPECT_EQ(Base64Encode(plain), encoded) << plain;
    EXPECT_EQ(AsText(Base64Decode(encoded)), plain) << encoded;
  }
}

TEST(Hash, Base64RoundTripOfEveryByteValue) {
  std::vector<std::uint8_t> bytes(256);
  std::iota(bytes.begin(), bytes.end(), 0);
  EXPECT_EQ(Base64Decode(Base64Encode(bytes)), bytes);
}

TEST(Hash, Base64DecodeIgnoresLineBreaksAndBlanks) {
  EXPECT_EQ(AsText(Base64Decode("Zm9v\r\nYmFy\n")), "foobar");
  EXPECT_EQ(AsText(Base64Decode(" Zm9v YmE= ")), "fooba");
}

TEST(Hash, Base64DecodeRefusesInvalidText) {
  const char* cases[] = {"Zm9", "Zm9v!", "Zm=v", "Zg==Zg==", "====", "Zm9v-_8=", "Zg=\xC3\xA9"};
  for (const char* text : cases) {
    try {
      Base64Decode(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const Exception& e) {
      EXPECT_NE(e.Message().find("Invalid Base64"), std::string::npos) << e.Message();
    }
  }
}

} // namespace
