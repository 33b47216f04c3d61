#include "runtime/TextSearch.h"

#include <algorithm>

size_t PosText(std::string_view part, std::string_view text, size_t from) {
  if (part.empty() || from > text.size())
    return std::string_view::npos;
  const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  const auto found =
      std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), part.begin(),
                  part.end(), [&fold](char a, char b) { return fold(a) == fold(b); });
  return found == text.end() ? std::string_view::npos : static_cast<size_t>(found - text.begin());
}

std::string ReplaceAllText(std::string_view text, std::string_view from, std::string_view to) {
  std::string result;
  size_t last = 0;
  for (size_t pos = PosText(from, text); pos != std::string_view::npos;
       pos = PosText(from, text, last)) {
    result.append(text, last, pos - last);
    result.append(to);
    last = pos + from.size();
  }
  result.append(text, last);
  return result;
}

bool ReplaceFirstText(std::string& text, std::string_view from, std::string_view to) {
  const size_t pos = PosText(from, text);
  if (pos == std::string_view::npos)
    return false;
  text.replace(pos, from.size(), to);
  return true;
}
