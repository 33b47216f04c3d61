#include "data/FieldText.h"

#include "runtime/StrUtils.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace detail {
namespace {

std::string Padded(int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return buffer;
}

// Reads 1 to `maxDigits` digits at `pos`.
std::optional<int> Digits(std::string_view text, size_t& pos, size_t maxDigits) {
  size_t start = pos;
  int value = 0;
  while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9')
    value = value * 10 + (text[pos++] - '0');
  if (pos == start)
    return std::nullopt;
  return value;
}

bool Expect(std::string_view text, size_t& pos, char c) {
  if (pos < text.size() && text[pos] == c) {
    ++pos;
    return true;
  }
  return false;
}

std::optional<TDateTime> DateAt(std::string_view text, size_t& pos) {
  size_t p = pos;
  const auto first = Digits(text, p, 4);
  if (!first)
    return std::nullopt;
  int year = 0, month = 0, day = 0;
  if (p - pos == 4) { // yyyy-mm-dd
    if (!Expect(text, p, '-'))
      return std::nullopt;
    const auto m = Digits(text, p, 2);
    if (!m || !Expect(text, p, '-'))
      return std::nullopt;
    const auto d = Digits(text, p, 2);
    if (!d)
      return std::nullopt;
    year = *first;
    month = *m;
    day = *d;
  } else { // d/m/yyyy
    if (p - pos > 2 || !Expect(text, p, '/'))
      return std::nullopt;
    const auto m = Digits(text, p, 2);
    if (!m || !Expect(text, p, '/'))
      return std::nullopt;
    const size_t yearStart = p;
    const auto y = Digits(text, p, 4);
    if (!y || (p - yearStart != 4 && p - yearStart != 2))
      return std::nullopt;
    day = *first;
    month = *m;
    year = p - yearStart == 2 ? (*y < 50 ? 2000 + *y : 1900 + *y) : *y;
  }
  TDateTime result;
  if (!TryEncodeDate(year, month, day, result))
    return std::nullopt;
  pos = p;
  return result;
}

std::optional<TDateTime> TimeAt(std::string_view text, size_t& pos) {
  size_t p = pos;
  const auto hour = Digits(text, p, 2);
  if (!hour || !Expect(text, p, ':'))
    return std::nullopt;
  const auto minute = Digits(text, p, 2);
  if (!minute)
    return std::nullopt;
  int second = 0, milli = 0;
  if (Expect(text, p, ':')) {
    const auto s = Digits(text, p, 2);
    if (!s)
      return std::nullopt;
    second = *s;
    if (Expect(text, p, '.')) {
      const size_t start = p;
      const auto z = Digits(text, p, 3);
      if (!z)
        return std::nullopt;
      milli = *z * (p - start == 1 ? 100 : p - start == 2 ? 10 : 1);
    }
  }
  TDateTime result;
  if (!TryEncodeTime(*hour, *minute, second, milli, result))
    return std::nullopt;
  pos = p;
  return result;
}

} // namespace

std::string FormatDateTimeText(std::string_view format, TDateTime value) {
  const TDateParts date = DecodeDate(value);
  const TTimeParts time = DecodeTime(value);
  std::string out;
  size_t i = 0;
  auto run = [&](char c) {
    size_t n = 0;
    while (i + n < format.size() && (format[i + n] | 0x20) == c)
      ++n;
    return n;
  };
  while (i < format.size()) {
    const char c = static_cast<char>(format[i] | 0x20);
    if (format[i] == '"') {
      const size_t end = format.find('"', i + 1);
      out.append(
          format.substr(i + 1, (end == std::string_view::npos ? format.size() : end) - i - 1));
      i = end == std::string_view::npos ? format.size() : end + 1;
      continue;
    }
    size_t n = 0;
    if (c == 'd' && (n = run('d')) <= 2) {
      out += n == 2 ? Padded(date.Day, 2) : std::to_string(date.Day);
    } else if (c == 'm' && (n = run('m')) <= 2) {
      out += n == 2 ? Padded(date.Month, 2) : std::to_string(date.Month);
    } else if (c == 'y' && (n = run('y')) > 0) {
      out += n <= 2 ? Padded(date.Year % 100, 2) : Padded(date.Year, 4);
    } else if (c == 'h' && (n = run('h')) <= 2) {
      out += n == 2 ? Padded(time.Hour, 2) : std::to_string(time.Hour);
    } else if (c == 'n' && (n = run('n')) <= 2) {
      out += n == 2 ? Padded(time.Minute, 2) : std::to_string(time.Minute);
    } else if (c == 's' && (n = run('s')) <= 2) {
      out += n == 2 ? Padded(time.Second, 2) : std::to_string(time.Second);
    } else if (c == 'z' && (n = run('z')) > 0) {
      out += Padded(time.MilliSecond, 3);
    } else {
      out += format[i];
      n = 1;
    }
    i += n;
  }
  return out;
}

std::optional<TDateTime> ParseDateText(std::string_view text) {
  const std::string trimmed = Trim(text);
  size_t pos = 0;
  auto date = DateAt(trimmed, pos);
  if (!date || pos != trimmed.size())
    return std::nullopt;
  return date;
}

std::optional<TDateTime> ParseTimeText(std::string_view text) {
  const std::string trimmed = Trim(text);
  size_t pos = 0;
  auto time = TimeAt(trimmed, pos);
  if (!time || pos != trimmed.size())
    return std::nullopt;
  return time;
}

std::optional<TDateTime> ParseDateTimeText(std::string_view text) {
  const std::string trimmed = Trim(text);
  size_t pos = 0;
  auto date = DateAt(trimmed, pos);
  if (!date)
    return std::nullopt;
  if (pos == trimmed.size())
    return date;
  if (trimmed[pos] != ' ' && trimmed[pos] != 'T')
    return std::nullopt;
  while (pos < trimmed.size() && (trimmed[pos] == ' ' || trimmed[pos] == 'T'))
    ++pos;
  auto time = TimeAt(trimmed, pos);
  if (!time || pos != trimmed.size())
    return std::nullopt;
  return TDateTime(date->Value + time->Value);
}

std::optional<int64_t> ParseIntegerText(std::string_view text) {
  const std::string trimmed = Trim(text);
  const char* begin = trimmed.data();
  const char* end = begin + trimmed.size();
  if (begin != end && *begin == '+')
    ++begin;
  int64_t value = 0;
  const auto [ptr, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || ptr != end || begin == end)
    return std::nullopt;
  return value;
}

std::optional<double> ParseFloatText(std::string_view text) {
  std::string trimmed = Trim(text);
  if (trimmed.find(',') != std::string::npos && trimmed.find('.') != std::string::npos)
    return std::nullopt;
  for (char& c : trimmed)
    if (c == ',')
      c = '.';
  const char* begin = trimmed.data();
  const char* end = begin + trimmed.size();
  if (begin != end && *begin == '+')
    ++begin;
  double value = 0;
  const auto [ptr, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || ptr != end || begin == end || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::string FloatText(double value) {
  char buffer[32];
  const auto [ptr, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, ptr) : std::string();
}

std::string FormatIntegerPattern(std::string_view pattern, int64_t value) {
  size_t zeros = 0;
  for (const char c : pattern)
    if (c == '0')
      ++zeros;
  const bool negative = value < 0;
  std::string digits =
      std::to_string(negative ? -static_cast<uint64_t>(value) : static_cast<uint64_t>(value));
  if (value == 0 && zeros == 0)
    digits.clear();
  if (digits.size() < zeros)
    digits.insert(0, zeros - digits.size(), '0');
  return negative ? "-" + digits : digits;
}

} // namespace detail
