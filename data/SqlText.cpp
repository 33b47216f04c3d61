#include "data/SqlText.h"

#include "runtime/Exceptions.h"

#include <cctype>

namespace detail {
namespace {

bool IsIdentStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsIdentChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}
bool IsSpace(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// When `pos` starts a string literal, quoted identifier or comment, returns the position just
// after it (the end of the text when it is not closed); otherwise returns `pos`.
size_t SkipUnit(std::string_view text, size_t pos) {
  const char c = text[pos];
  if (c == '\'' || c == '"') {
    size_t i = pos + 1;
    while (i < text.size()) {
      if (text[i] == c) {
        if (i + 1 < text.size() && text[i + 1] == c) {
          i += 2;
          continue;
        }
        return i + 1;
      }
      ++i;
    }
    return text.size();
  }
  if (c == '-' && pos + 1 < text.size() && text[pos + 1] == '-') {
    const size_t end = text.find('\n', pos);
    return end == std::string_view::npos ? text.size() : end + 1;
  }
  if (c == '/' && pos + 1 < text.size() && text[pos + 1] == '*') {
    const size_t end = text.find("*/", pos + 2);
    return end == std::string_view::npos ? text.size() : end + 2;
  }
  return pos;
}

bool IsComment(std::string_view text, size_t pos) {
  return pos + 1 < text.size() &&
         ((text[pos] == '-' && text[pos + 1] == '-') || (text[pos] == '/' && text[pos + 1] == '*'));
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// Skips blanks and comments.
size_t SkipBlank(std::string_view text, size_t pos) {
  while (pos < text.size()) {
    if (IsSpace(text[pos]))
      ++pos;
    else if (IsComment(text, pos))
      pos = SkipUnit(text, pos);
    else
      break;
  }
  return pos;
}

bool MatchWord(std::string_view text, size_t pos, std::string_view word) {
  if (pos + word.size() > text.size())
    return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(text[pos + i])) != word[i])
      return false;
  return pos + word.size() == text.size() || !IsIdentChar(text[pos + word.size()]);
}

} // namespace

TParsedSql RewriteParams(std::string_view sql) {
  TParsedSql result;
  result.Sql.reserve(sql.size());
  size_t pos = 0;
  while (pos < sql.size()) {
    const size_t skipped = SkipUnit(sql, pos);
    if (skipped != pos) {
      result.Sql.append(sql.substr(pos, skipped - pos));
      pos = skipped;
      continue;
    }
    if (sql[pos] == ':' && pos + 1 < sql.size() && IsIdentStart(sql[pos + 1])) {
      size_t end = pos + 1;
      while (end < sql.size() && IsIdentChar(sql[end]))
        ++end;
      result.ParamNames.emplace_back(sql.substr(pos + 1, end - pos - 1));
      result.Sql += '?';
      pos = end;
      continue;
    }
    result.Sql += sql[pos++];
  }
  return result;
}

std::string MainTableOf(std::string_view sql) {
  int depth = 0;
  size_t pos = 0;
  while (pos < sql.size()) {
    const size_t skipped = SkipUnit(sql, pos);
    if (skipped != pos) {
      pos = skipped;
      continue;
    }
    const char c = sql[pos];
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      --depth;
    } else if (depth == 0 && IsIdentStart(c) && (pos == 0 || !IsIdentChar(sql[pos - 1]))) {
      if (MatchWord(sql, pos, "FROM")) {
        size_t start = SkipBlank(sql, pos + 4);
        if (start >= sql.size())
          return {};
        if (sql[start] == '"') {
          const size_t end = SkipUnit(sql, start);
          std::string name;
          for (size_t i = start + 1; i + 1 < end; ++i) {
            name += sql[i];
            if (sql[i] == '"')
              ++i;
          }
          return name;
        }
        size_t end = start;
        while (end < sql.size() && IsIdentChar(sql[end]))
          ++end;
        return Upper(sql.substr(start, end - start));
      }
      while (pos < sql.size() && IsIdentChar(sql[pos]))
        ++pos;
      continue;
    }
    ++pos;
  }
  return {};
}

std::vector<TScriptStatement> SplitScript(std::string_view script) {
  std::vector<TScriptStatement> statements;
  std::string terminator = ";";
  size_t pos = 0;
  int line = 1;
  auto advanceTo = [&](size_t target) {
    for (; pos < target; ++pos)
      if (script[pos] == '\n')
        ++line;
  };
  while (true) {
    advanceTo(SkipBlank(script, pos));
    if (pos >= script.size())
      break;
    const int startLine = line;
    if (MatchWord(script, pos, "SET") && MatchWord(script, SkipBlank(script, pos + 3), "TERM")) {
      size_t at = SkipBlank(script, SkipBlank(script, pos + 3) + 4);
      size_t end = at;
      while (end < script.size() && !IsSpace(script[end]))
        ++end;
      const std::string next(script.substr(at, end - at));
      at = SkipBlank(script, end);
      if (next.empty() || script.substr(at, terminator.size()) != terminator)
        throw Exception("Script line " + std::to_string(startLine) +
                        ": SET TERM must give the new terminator followed by the current one (" +
                        terminator + ")");
      advanceTo(at + terminator.size());
      terminator = next;
      continue;
    }
    const size_t start = pos;
    size_t end = pos;
    while (end < script.size() && script.substr(end, terminator.size()) != terminator) {
      const size_t skipped = SkipUnit(script, end);
      end = skipped != end ? skipped : end + 1;
    }
    std::string_view text = script.substr(start, end - start);
    while (!text.empty() && IsSpace(text.back()))
      text.remove_suffix(1);
    advanceTo(std::min(script.size(), end + terminator.size()));
    if (SkipBlank(text, 0) < text.size())
      statements.push_back({std::string(text), startLine});
  }
  return statements;
}

} // namespace detail
