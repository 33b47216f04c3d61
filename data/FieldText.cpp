#include "data/FieldText.h"

#include "runtime/FormatSettings.h"
#include "runtime/StrUtils.h"

#include <charconv>
#include <cmath>

namespace detail {
namespace {

using TTryParse = bool (*)(std::string_view, TDateTime&, const TFormatSettings&);

std::optional<TDateTime> ParseEitherForm(std::string_view text, TTryParse parse) {
  TDateTime value;
  if (parse(text, value, PtBrFormatSettings()) || parse(text, value, DataBaseFormatSettings()))
    return value;
  return std::nullopt;
}

} // namespace

std::string DateTimeFieldText(TDateTime value) {
  return DateTimeToStr(value, PtBrFormatSettings());
}

std::string DateFieldText(TDateTime value) {
  return DateToStr(value, PtBrFormatSettings());
}

std::string TimeFieldText(TDateTime value) {
  return TimeToStr(value, PtBrFormatSettings());
}

std::string FormatDateTimeField(std::string_view format, TDateTime value) {
  return FormatDateTime(format, value, PtBrFormatSettings());
}

std::string FormatNumberField(std::string_view format, double value) {
  return FormatFloat(format, value, PtBrFormatSettings());
}

std::optional<TDateTime> ParseDateText(std::string_view text) {
  return ParseEitherForm(text, &TryStrToDate);
}

std::optional<TDateTime> ParseTimeText(std::string_view text) {
  return ParseEitherForm(text, &TryStrToTime);
}

std::optional<TDateTime> ParseDateTimeText(std::string_view text) {
  return ParseEitherForm(text, &TryStrToDateTime);
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

} // namespace detail
