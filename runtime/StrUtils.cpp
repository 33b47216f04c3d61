#include "runtime/StrUtils.h"

namespace {

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
// Blanks and control characters.
bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

std::string UpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = Upper(c);
  return result;
}

std::string LowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = Lower(c);
  return result;
}

int CompareText(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(Upper(a[i]));
    const auto y = static_cast<unsigned char>(Upper(b[i]));
    if (x != y)
      return x < y ? -1 : 1;
  }
  if (a.size() == b.size())
    return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

bool StartsText(std::string_view prefix, std::string_view text) {
  return text.size() >= prefix.size() && SameText(prefix, text.substr(0, prefix.size()));
}

bool ContainsText(std::string_view text, std::string_view part) {
  return UpperCase(text).find(UpperCase(part)) != std::string::npos;
}

std::string TrimLeft(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i]))
    ++i;
  return std::string(text.substr(i));
}

std::string TrimRight(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && IsBlank(text[n - 1]))
    --n;
  return std::string(text.substr(0, n));
}

std::string Trim(std::string_view text) {
  return TrimRight(TrimLeft(text));
}

std::string StringReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty())
    return std::string(text);
  std::string result;
  size_t pos = 0;
  for (size_t hit = text.find(from); hit != std::string_view::npos; hit = text.find(from, pos)) {
    result.append(text.substr(pos, hit - pos)).append(to);
    pos = hit + from.size();
  }
  result.append(text.substr(pos));
  return result;
}

bool IsValidIdent(std::string_view name) {
  if (name.empty())
    return false;
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!letter(name[0]))
    return false;
  for (char c : name)
    if (!letter(c) && !(c >= '0' && c <= '9'))
      return false;
  return true;
}
