#include "runtime/Regex.h"

#include "runtime/Exceptions.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace detail {

struct TCompiledRegEx {
  std::string Pattern;
  pcre2_code* Code = nullptr;
  std::shared_ptr<const detail::TRegExGroupNames> Names;

  TCompiledRegEx() = default;
  TCompiledRegEx(const TCompiledRegEx&) = delete;
  TCompiledRegEx& operator=(const TCompiledRegEx&) = delete;
  ~TCompiledRegEx() { pcre2_code_free(Code); }
};

} // namespace detail

namespace {

std::string ErrorText(int code) {
  PCRE2_UCHAR buffer[256];
  if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0)
    return "error " + std::to_string(code);
  return reinterpret_cast<const char*>(buffer);
}

PCRE2_SPTR Bytes(std::string_view text) {
  return reinterpret_cast<PCRE2_SPTR>(text.data());
}

uint32_t CompileOptions(TRegExOptions options) {
  // Invalid UTF-8 in a subject then never matches instead of failing the whole search: pages
  // may hold bytes from anywhere.
  uint32_t result = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF;
  if (HasOption(options, TRegExOptions::IgnoreCase))
    result |= PCRE2_CASELESS;
  if (HasOption(options, TRegExOptions::MultiLine))
    result |= PCRE2_MULTILINE;
  if (HasOption(options, TRegExOptions::DotAll))
    result |= PCRE2_DOTALL;
  if (HasOption(options, TRegExOptions::Ungreedy))
    result |= PCRE2_UNGREEDY;
  return result;
}

std::shared_ptr<const detail::TRegExGroupNames> ReadNames(const pcre2_code* code) {
  auto names = std::make_shared<detail::TRegExGroupNames>();
  uint32_t count = 0;
  uint32_t entrySize = 0;
  PCRE2_SPTR table = nullptr;
  pcre2_pattern_info(code, PCRE2_INFO_NAMECOUNT, &count);
  pcre2_pattern_info(code, PCRE2_INFO_NAMEENTRYSIZE, &entrySize);
  pcre2_pattern_info(code, PCRE2_INFO_NAMETABLE, &table);
  // Each entry: the group number in two bytes, then the NUL-terminated name.
  for (uint32_t i = 0; i < count; ++i) {
    PCRE2_SPTR entry = table + i * entrySize;
    const std::size_t number = (static_cast<std::size_t>(entry[0]) << 8) | entry[1];
    names->emplace(reinterpret_cast<const char*>(entry + 2), number);
  }
  return names;
}

struct TMatchData {
  pcre2_match_data* Data;
  explicit TMatchData(const pcre2_code* code)
      : Data(pcre2_match_data_create_from_pattern(code, nullptr)) {
    if (Data == nullptr)
      throw std::bad_alloc();
  }
  TMatchData(const TMatchData&) = delete;
  TMatchData& operator=(const TMatchData&) = delete;
  ~TMatchData() { pcre2_match_data_free(Data); }
};

} // namespace

const TGroup& TMatch::Whole() const {
  static const TGroup none;
  return FGroups.empty() ? none : FGroups.front();
}

const TGroup& TMatch::Group(std::size_t number) const {
  if (number >= FGroups.size())
    throw Exception("Regular expression match has no group " + std::to_string(number));
  return FGroups[number];
}

const TGroup& TMatch::Group(std::string_view name) const {
  if (FNames) {
    auto found = FNames->find(name);
    if (found != FNames->end())
      return Group(found->second);
  }
  throw Exception("Regular expression match has no group named '" + std::string(name) + "'");
}

TRegEx::TRegEx(std::string_view pattern, TRegExOptions options) {
  auto compiled = std::make_shared<detail::TCompiledRegEx>();
  compiled->Pattern = pattern;

  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  if (context == nullptr)
    throw std::bad_alloc();
  pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  compiled->Code = pcre2_compile(Bytes(pattern), pattern.size(), CompileOptions(options), &error,
                                 &errorOffset, context);
  pcre2_compile_context_free(context);
  if (compiled->Code == nullptr)
    throw Exception("Invalid regular expression '" + compiled->Pattern + "': " + ErrorText(error) +
                    " at offset " + std::to_string(errorOffset));

  // Without JIT support the interpreter runs the same pattern, only slower.
  pcre2_jit_compile(compiled->Code, PCRE2_JIT_COMPLETE);
  compiled->Names = ReadNames(compiled->Code);
  FCode = std::move(compiled);
}

const std::string& TRegEx::GetPattern() const {
  return FCode->Pattern;
}

TMatch TRegEx::Execute(std::string_view subject, std::size_t startOffset,
                       unsigned matchOptions) const {
  if (startOffset > subject.size())
    return {};
  TMatchData match(FCode->Code);
  int rc = pcre2_match(FCode->Code, Bytes(subject), subject.size(), startOffset, matchOptions,
                       match.Data, nullptr);
  if (rc == PCRE2_ERROR_JIT_STACKLIMIT) {
    // The interpreter keeps its backtracking state on the heap and copes with deeper searches.
    rc = pcre2_match(FCode->Code, Bytes(subject), subject.size(), startOffset,
                     matchOptions | PCRE2_NO_JIT, match.Data, nullptr);
  }
  if (rc == PCRE2_ERROR_NOMATCH)
    return {};
  if (rc < 0)
    throw Exception("Regular expression '" + FCode->Pattern + "' failed: " + ErrorText(rc));

  const uint32_t pairs = pcre2_get_ovector_count(match.Data);
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match.Data);
  TMatch result;
  result.FNames = FCode->Names;
  result.FGroups.resize(pairs);
  for (uint32_t i = 0; i < pairs; ++i) {
    const PCRE2_SIZE start = ovector[2 * i];
    const PCRE2_SIZE end = ovector[2 * i + 1];
    if (start == PCRE2_UNSET || end < start)
      continue;
    TGroup& group = result.FGroups[i];
    group.Success = true;
    group.Index = start;
    group.Length = end - start;
    group.Value = subject.substr(start, end - start);
  }
  return result;
}

TMatch TRegEx::Match(std::string_view subject, std::size_t startOffset) const {
  return Execute(subject, startOffset, 0);
}

std::vector<TMatch> TRegEx::Matches(std::string_view subject) const {
  std::vector<TMatch> result;
  std::size_t offset = 0;
  unsigned options = 0;
  while (offset <= subject.size()) {
    TMatch match = Execute(subject, offset, options);
    if (!match.Success())
      break;
    offset = match.End();
    // An empty match may not repeat at the same place; a non-empty one may start there.
    options = match.Length() == 0 ? PCRE2_NOTEMPTY_ATSTART : 0;
    result.push_back(std::move(match));
  }
  return result;
}

bool TRegEx::IsMatch(std::string_view subject) const {
  return Match(subject).Success();
}

std::string TRegEx::Replace(std::string_view subject, std::string_view replacement) const {
  const uint32_t options =
      PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH | PCRE2_SUBSTITUTE_UNSET_EMPTY;
  std::string output(subject.size() + replacement.size() + 64, '\0');
  for (;;) {
    PCRE2_SIZE length = output.size();
    const int rc = pcre2_substitute(FCode->Code, Bytes(subject), subject.size(), 0, options,
                                    nullptr, nullptr, Bytes(replacement), replacement.size(),
                                    reinterpret_cast<PCRE2_UCHAR*>(output.data()), &length);
    if (rc == PCRE2_ERROR_NOMEMORY) {
      // The first call measured the needed length (with its terminating NUL).
      output.resize(length);
      continue;
    }
    if (rc < 0)
      throw Exception("Regular expression '" + FCode->Pattern + "' cannot replace with '" +
                      std::string(replacement) + "': " + ErrorText(rc));
    output.resize(length);
    return output;
  }
}

std::string TRegEx::Replace(std::string_view subject,
                            const std::function<std::string(const TMatch&)>& evaluator) const {
  std::string result;
  std::size_t copied = 0;
  for (const TMatch& match : Matches(subject)) {
    result.append(subject, copied, match.Index() - copied);
    result += evaluator(match);
    copied = match.End();
  }
  result.append(subject, copied);
  return result;
}
