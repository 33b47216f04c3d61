#include "runtime/Hash.h"

#include "runtime/Exceptions.h"

#include <openssl/evp.h>

namespace {

std::string HexOf(std::span<const std::uint8_t> bytes) {
  static constexpr char Digits[] = "0123456789abcdef";
  std::string result;
  result.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    result += Digits[b >> 4];
    result += Digits[b & 0x0F];
  }
  return result;
}

bool IsBase64Char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '/';
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

[[noreturn]] void RaiseInvalidBase64(const std::string& why) {
  throw Exception("Invalid Base64 text: " + why);
}

} // namespace

std::vector<std::uint8_t> SHA1Bytes(std::string_view data) {
  std::vector<std::uint8_t> digest(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  if (EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_sha1(), nullptr) != 1)
    throw Exception("SHA-1 digest failed");
  digest.resize(length);
  return digest;
}

std::string SHA1Hex(std::string_view data) {
  return HexOf(SHA1Bytes(data));
}

std::string Base64Encode(std::span<const std::uint8_t> bytes) {
  if (bytes.empty())
    return {};
  std::string text(4 * ((bytes.size() + 2) / 3), '\0');
  // EVP_EncodeBlock writes a terminating NUL after the text, so it needs one byte more.
  text.resize(text.size() + 1);
  const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(),
                                      static_cast<int>(bytes.size()));
  text.resize(static_cast<std::size_t>(written));
  return text;
}

std::string Base64Encode(std::string_view bytes) {
  return Base64Encode(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::vector<std::uint8_t> Base64Decode(std::string_view text) {
  // Validate here so that the error says what is wrong; EVP_DecodeBlock only answers -1.
  std::string clean;
  clean.reserve(text.size());
  std::size_t padding = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsBlank(c))
      continue;
    if (c == '=') {
      ++padding;
    } else if (!IsBase64Char(c)) {
      RaiseInvalidBase64("character " + std::to_string(static_cast<unsigned char>(c)) +
                         " at position " + std::to_string(i) + " is not in the alphabet");
    } else if (padding > 0) {
      RaiseInvalidBase64("data after the \"=\" padding");
    }
    clean += c;
  }
  if (clean.size() % 4 != 0)
    RaiseInvalidBase64("length " + std::to_string(clean.size()) + " is not a multiple of 4");
  if (padding > 2)
    RaiseInvalidBase64("more than two \"=\" padding characters");
  if (clean.empty())
    return {};

  std::vector<std::uint8_t> bytes(clean.size() / 4 * 3);
  const int written =
      EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(clean.data()),
                      static_cast<int>(clean.size()));
  if (written < 0)
    RaiseInvalidBase64("malformed groups");
  // EVP_DecodeBlock counts the padding positions as zero bytes.
  bytes.resize(static_cast<std::size_t>(written) - padding);
  return bytes;
}
