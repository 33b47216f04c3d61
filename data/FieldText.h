#pragma once
#include "runtime/DateTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Text forms of field values: how dates, times and numbers are shown and which texts are read
// back.  Dates are day first ("31/12/2026"), as the office writes them; the ISO form
// ("2026-12-31", "2026-12-31T14:05") is read as well, which is what browsers send.
namespace detail {

// "dd", "d", "mm", "m", "yyyy", "yy", "hh", "h", "nn", "n", "ss", "s", "zzz"; anything else is
// copied (text between double quotes literally).
std::string FormatDateTimeText(std::string_view format, TDateTime value);

std::optional<TDateTime> ParseDateText(std::string_view text);
std::optional<TDateTime> ParseTimeText(std::string_view text);
// A date with an optional time after a blank or "T".
std::optional<TDateTime> ParseDateTimeText(std::string_view text);

std::optional<int64_t> ParseIntegerText(std::string_view text);
// "." or "," as the decimal separator; no thousands separators.
std::optional<double> ParseFloatText(std::string_view text);
// The shortest text that reads back as the same number, with "." as the decimal point.
std::string FloatText(double value);

// A run of "0" and "#": the count of "0" is the least number of digits shown.
std::string FormatIntegerPattern(std::string_view pattern, int64_t value);

} // namespace detail
