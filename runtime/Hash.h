#pragma once

// SHA-1 digests and Base64 text, as used by the WebSocket handshake and for pictures and blobs
// carried in JSON.  Bytes are std::uint8_t; text is std::string (Base64 is plain ASCII).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The 20-byte SHA-1 digest of `data`.
std::vector<std::uint8_t> SHA1Bytes(std::string_view data);
// The SHA-1 digest of `data` as 40 lower-case hexadecimal digits.
std::string SHA1Hex(std::string_view data);

// Standard Base64 (RFC 4648 alphabet, with "=" padding, no line breaks).
std::string Base64Encode(std::span<const std::uint8_t> bytes);
std::string Base64Encode(std::string_view bytes);

// Decodes standard Base64.  Blanks and line breaks between the characters are ignored; anything
// else outside the alphabet, misplaced padding or a length that is not a whole number of
// four-character groups raises Exception.
std::vector<std::uint8_t> Base64Decode(std::string_view text);
