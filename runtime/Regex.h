#pragma once

// Regular expressions (Perl syntax, UTF-8 text) for scanning whole pages.  A TRegEx compiles its
// pattern once and may then be used from several threads at the same time; copies share the
// compiled pattern.  All positions are 0-based byte offsets into the subject.  Line breaks are
// LF, CR or CR LF.

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class TRegExOptions : unsigned {
  None = 0,
  IgnoreCase = 1u << 0, // letters match without regard to case
  MultiLine = 1u << 1,  // "^" and "$" also match at the start and end of every line
  DotAll = 1u << 2,     // "." also matches line breaks
  Ungreedy = 1u << 3,   // quantifiers are lazy unless followed by "?"
};

constexpr TRegExOptions operator|(TRegExOptions a, TRegExOptions b) {
  return static_cast<TRegExOptions>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr TRegExOptions operator&(TRegExOptions a, TRegExOptions b) {
  return static_cast<TRegExOptions>(static_cast<unsigned>(a) & static_cast<unsigned>(b));
}
constexpr bool HasOption(TRegExOptions options, TRegExOptions option) {
  return (options & option) != TRegExOptions::None;
}

namespace detail {
struct TCompiledRegEx;
using TRegExGroupNames = std::map<std::string, std::size_t, std::less<>>;
} // namespace detail

// One capturing group of a match; group 0 is the whole match.
struct TGroup {
  bool Success = false; // false when the group took no part in the match
  std::size_t Index = 0;
  std::size_t Length = 0;
  std::string Value;
};

class TMatch {
public:
  // An unsuccessful match.
  TMatch() = default;

  bool Success() const { return !FGroups.empty(); }
  // For an unsuccessful match: 0, 0 and "".
  std::size_t Index() const { return Whole().Index; }
  std::size_t Length() const { return Whole().Length; }
  // The offset just after the match.
  std::size_t End() const { return Index() + Length(); }
  const std::string& Value() const { return Whole().Value; }

  // Number of groups, group 0 included; 0 for an unsuccessful match.
  std::size_t GroupCount() const { return FGroups.size(); }
  // Raises Exception for a number out of range (also for any number on an unsuccessful match).
  const TGroup& Group(std::size_t number) const;
  // Raises Exception when the pattern has no group of that name.
  const TGroup& Group(std::string_view name) const;

private:
  friend class TRegEx;
  const TGroup& Whole() const;

  std::vector<TGroup> FGroups;
  std::shared_ptr<const detail::TRegExGroupNames> FNames;
};

class TRegEx {
public:
  // Raises Exception naming the pattern, the compiler's message and the offset of the error.
  explicit TRegEx(std::string_view pattern, TRegExOptions options = TRegExOptions::None);

  const std::string& GetPattern() const;

  // The first match that starts at or after startOffset; unsuccessful when there is none or when
  // startOffset lies beyond the end of the subject.  Look-behind may see text before startOffset.
  TMatch Match(std::string_view subject, std::size_t startOffset = 0) const;
  // Every match from left to right, without overlaps.  After an empty match the next one must
  // not be empty at the same place.
  std::vector<TMatch> Matches(std::string_view subject) const;
  bool IsMatch(std::string_view subject) const;

  // Replaces every match.  In the replacement "$1" or "${1}" is a group by number, "${name}" a
  // group by name and "$$" a dollar sign.  Raises Exception for a reference to a missing group.
  std::string Replace(std::string_view subject, std::string_view replacement) const;
  // Replaces every match by what the evaluator returns for it.
  std::string Replace(std::string_view subject,
                      const std::function<std::string(const TMatch&)>& evaluator) const;

private:
  TMatch Execute(std::string_view subject, std::size_t startOffset, unsigned matchOptions) const;

  std::shared_ptr<const detail::TCompiledRegEx> FCode;
};
