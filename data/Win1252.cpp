#include "data/Win1252.h"

#include "runtime/Exceptions.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace detail {
namespace {

// Code points of the bytes 0x80..0x9F.  The five bytes WIN1252 leaves undefined map to the C1
// control characters of the same number, as the database's own transliteration does.
constexpr std::array<char32_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes the code point at `pos`, advancing `pos`; returns false for a malformed sequence.
bool NextCodePoint(std::string_view text, size_t& pos, char32_t& cp) {
  const auto lead = static_cast<uint8_t>(text[pos]);
  int extra = 0;
  if (lead < 0x80) {
    cp = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    cp = lead & 0x1F;
    extra = 1;
  } else if ((lead & 0xF0) == 0xE0) {
    cp = lead & 0x0F;
    extra = 2;
  } else if ((lead & 0xF8) == 0xF0) {
    cp = lead & 0x07;
    extra = 3;
  } else {
    return false;
  }
  for (int i = 1; i <= extra; ++i) {
    if (pos + i >= text.size())
      return false;
    const auto next = static_cast<uint8_t>(text[pos + i]);
    if ((next & 0xC0) != 0x80)
      return false;
    cp = (cp << 6) | (next & 0x3F);
  }
  static constexpr char32_t Minimum[] = {0, 0x80, 0x800, 0x10000};
  if (cp < Minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    return false;
  pos += extra + 1;
  return true;
}

int Win1252ByteOf(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
    return static_cast<int>(cp);
  for (size_t i = 0; i < HighControls.size(); ++i)
    if (HighControls[i] == cp)
      return static_cast<int>(0x80 + i);
  return -1;
}

} // namespace

std::string Utf8ToWin1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const auto byte = static_cast<uint8_t>(text[pos]);
    if (byte < 0x80) {
      out += static_cast<char>(byte);
      ++pos;
      continue;
    }
    const size_t start = pos;
    char32_t cp = 0;
    if (!NextCodePoint(text, pos, cp))
      throw EWin1252Error("The text is not valid UTF-8 (bad byte at position " +
                              std::to_string(start + 1) + ")",
                          {});
    const int mapped = Win1252ByteOf(cp);
    if (mapped < 0) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
      const std::string character(text.substr(start, pos - start));
      throw EWin1252Error("The character \"" + character + "\" (" + code +
                              ") cannot be stored: the database holds WIN1252 text",
                          character);
    }
    out += static_cast<char>(mapped);
  }
  return out;
}

std::string Win1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (const char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte < 0x80)
      out += c;
    else if (byte < 0xA0)
      AppendUtf8(out, HighControls[byte - 0x80]);
    else
      AppendUtf8(out, byte);
  }
  return out;
}

size_t CharacterCount(std::string_view text) {
  size_t count = 0;
  for (const char c : text)
    if ((static_cast<uint8_t>(c) & 0xC0) != 0x80)
      ++count;
  return count;
}

} // namespace detail
