#include "runtime/Random.h"

#include "runtime/Exceptions.h"

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/rand.h>

#include <array>
#include <string_view>

namespace {

constexpr std::string_view DigitsAndLetters =
    "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr std::string_view Letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr std::string_view Digits = "1234567890";
constexpr std::string_view HexDigits = "0123456789abcdef";

void FillRandom(std::array<unsigned char, 64>& buffer) {
  if (RAND_bytes(buffer.data(), static_cast<int>(buffer.size())) != 1) {
    char reason[256];
    ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
    throw Exception(std::string("The secure random source failed: ") + reason);
  }
}

// Rejection sampling: a byte is used only when it falls below the largest multiple of the
// alphabet size that fits in a byte, so that every character is equally likely.
std::string RandomFrom(std::string_view alphabet, int n) {
  std::string result;
  if (n <= 0)
    return result;
  result.reserve(static_cast<std::size_t>(n));
  const unsigned size = static_cast<unsigned>(alphabet.size());
  const unsigned limit = 256 - 256 % size;
  std::array<unsigned char, 64> buffer;
  while (result.size() < static_cast<std::size_t>(n)) {
    FillRandom(buffer);
    for (unsigned char b : buffer) {
      if (b >= limit)
        continue;
      result += alphabet[b % size];
      if (result.size() == static_cast<std::size_t>(n))
        break;
    }
  }
  return result;
}

} // namespace

std::string GenerateRandomString(int n) {
  return RandomFrom(DigitsAndLetters, n);
}

std::string GenerateRandomJustString(int n) {
  return RandomFrom(Letters, n);
}

std::string GenerateRandomNumber(int n) {
  return RandomFrom(Digits, n);
}

std::string GenerateRandomHex(int n) {
  return RandomFrom(HexDigits, n);
}

std::string Gerar_String_Aleatorio(int Size) {
  return RandomFrom(DigitsAndLetters, Size);
}

bool SameSecret(std::string_view AFirst, std::string_view ASecond) {
  return AFirst.size() == ASecond.size() &&
         CRYPTO_memcmp(AFirst.data(), ASecond.data(), AFirst.size()) == 0;
}
