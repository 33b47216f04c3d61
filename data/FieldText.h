#pragma once
#include "runtime/DateTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Text forms of field values.  Dates are shown day first, as the office writes them
// ("31/12/2026 14:05:00", the time left out at midnight); the ISO form ("2026-12-31 14:05") is
// read as well.  Numbers are read with "," or "." as the decimal separator.
namespace detail {

std::string DateTimeFieldText(TDateTime value);
std::string DateFieldText(TDateTime value);
std::string TimeFieldText(TDateTime value);
// A display format applied to a date or to a number.
std::string FormatDateTimeField(std::string_view format, TDateTime value);
std::string FormatNumberField(std::string_view format, double value);

std::optional<TDateTime> ParseDateText(std::string_view text);
std::optional<TDateTime> ParseTimeText(std::string_view text);
std::optional<TDateTime> ParseDateTimeText(std::string_view text);
std::optional<int64_t> ParseIntegerText(std::string_view text);
std::optional<double> ParseFloatText(std::string_view text);
// The shortest text that reads back as the same number, with "." as the decimal point.
std::string FloatText(double value);

} // namespace detail
