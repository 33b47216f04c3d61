#include "data/Win1252.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <string>

using detail::Utf8ToWin1252;
using detail::Win1252ToUtf8;

TEST(Win1252, TextOfTheOfficeRoundTrips) {
  for (const char* text : {"Solicitação", "Usuário", "Ícone Situação", "Nível de Acesso",
                           "€ 10 – “aspas” • ‰ Œ ž Ÿ", "plain ASCII", ""}) {
    const std::string encoded = Utf8ToWin1252(text);
    EXPECT_EQ(encoded.size(), detail::CharacterCount(text)) << text;
    EXPECT_EQ(Win1252ToUtf8(encoded), text);
  }
  EXPECT_EQ(Utf8ToWin1252("ção"), "\xE7\xE3o");
  EXPECT_EQ(Utf8ToWin1252("€"), "\x80");
}

TEST(Win1252, EveryByteReadsBackUnchanged) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte)
    all += static_cast<char>(byte);
  EXPECT_EQ(Utf8ToWin1252(Win1252ToUtf8(all)), all);
}

TEST(Win1252, CharactersItCannotHoldAreRefusedByName) {
  const std::pair<const char*, const char*> cases[] = {
      {"Łódź", "U+0141"}, {"日本", "U+65E5"}, {"smile 😀", "U+1F600"}, {"ŋ", "U+014B"}};
  for (const auto& [text, code] : cases) {
    try {
      Utf8ToWin1252(text);
      FAIL() << text;
    } catch (const Exception& error) {
      EXPECT_NE(error.Message().find(code), std::string::npos) << error.Message();
      EXPECT_NE(error.Message().find("WIN1252"), std::string::npos) << error.Message();
    }
  }
}

TEST(Win1252, MalformedUtf8IsRefused) {
  for (const char* text : {"\xC3", "a\xC3(", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xFF"})
    EXPECT_THROW(Utf8ToWin1252(text), Exception) << text;
}

// Every byte against an independent table, the C library's converter: a swapped or mistyped
// entry of ours shows here.  The five bytes WIN1252 leaves undefined are unknown to that
// converter; ours maps them to the C1 control characters of the same number, as the database's
// own transliteration does.
TEST(Win1252, EveryByteAgreesWithTheSystemConverter) {
  iconv_t converter = iconv_open("UTF-8", "WINDOWS-1252");
  ASSERT_NE(converter, reinterpret_cast<iconv_t>(-1));
  for (int byte = 1; byte < 256; ++byte) {
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    const bool known =
        iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1);
    const std::string ours = Win1252ToUtf8(std::string(1, static_cast<char>(byte)));
    if (known) {
      EXPECT_EQ(ours, std::string(out, outPtr)) << "byte " << byte;
    } else {
      EXPECT_TRUE(byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D)
          << "byte " << byte;
      const std::string control = {static_cast<char>(0xC2), static_cast<char>(byte)};
      EXPECT_EQ(ours, control) << "byte " << byte;
    }
  }
  iconv_close(converter);
}
