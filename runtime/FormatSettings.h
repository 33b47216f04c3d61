#pragma once

// Locale settings for turning dates, times and numbers into text and back, and the conversions
// that use them.
//
// Date and time format tokens (letters in any case):
//   d dd            day of the month without / with a leading zero
//   ddd dddd        short / long day name
//   ddddd dddddd    ShortDateFormat / LongDateFormat
//   m mm            month without / with a leading zero (minutes when right after an hour token)
//   mmm mmmm        short / long month name
//   yy yyyy         year in two / four digits
//   h hh            hour without / with a leading zero (12-hour clock when the format holds an
//                   am/pm token)
//   n nn  s ss      minute, second without / with a leading zero
//   z zzz           millisecond without / with leading zeros
//   t tt            ShortTimeFormat / LongTimeFormat
//   c               ShortDateFormat, then a blank and LongTimeFormat unless the time is midnight
//   am/pm a/p       the letters as written in the format; ampm: TimeAMString / TimePMString
//   /  :            DateSeparator / TimeSeparator
//   "text" 'text'   literal text; any other character is copied as it is.
//
// Number formats (FormatFloat), up to three sections separated by ";" (positive; negative;
// zero); a negative value formatted by the second section shows no minus sign:
//   0   a digit, a zero when there is none      #   a digit, nothing when there is none
//   .   the decimal separator                   ,   group thousands (anywhere before the ".")
//   "text" 'text' literal text; any other character is copied as it is.
// Values are rounded half away from zero on their 15-digit decimal value (2.675 gives "2.68").

#include "runtime/DateTime.h"

#include <array>
#include <string>
#include <string_view>

struct TFormatSettings {
  char DateSeparator = '-';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "yyyy-mm-dd";
  std::string LongDateFormat = "dddd, mmmm d, yyyy";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  std::string CurrencyString = "$";
  // January first.
  std::array<std::string, 12> ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames = {"January",   "February", "March",    "April",
                                                "May",       "June",     "July",     "August",
                                                "September", "October",  "November", "December"};
  // Sunday first.
  std::array<std::string, 7> ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
  // A two-digit year is read as the year within this many years before the current one, or
  // after it (with 50 in 2026: "76" is 1976, "75" is 2075).
  int TwoDigitYearCenturyWindow = 50;
};

// The process's settings: a default-constructed TFormatSettings, i.e. English names with ISO
// dates ("yyyy-mm-dd", "-"), 24-hour times ("hh:nn:ss", ":"), "." decimal and "," thousands.
const TFormatSettings& FormatSettings();
// Brazilian Portuguese: "dd/mm/yyyy", "hh:nn:ss", "," decimal, "." thousands, "R$", Portuguese
// month and day names.
const TFormatSettings& PtBrFormatSettings();
// For values exchanged with the data layer: the process's settings with "yyyy-mm-dd", "-",
// "," decimal and "." thousands.
const TFormatSettings& DataBaseFormatSettings();

std::string FormatDateTime(std::string_view format, TDateTime value,
                           const TFormatSettings& settings = FormatSettings());
// ShortDateFormat.
std::string DateToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());
// LongTimeFormat.
std::string TimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());
// "c": the date, and the time unless it is midnight.
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());

// Dates are read as three numbers separated by DateSeparator, in the order of day, month and
// year in ShortDateFormat; a year of one or two digits goes through TwoDigitYearCenturyWindow.
// Times are hours and minutes, optionally seconds and a fraction of a second (after "." or the
// DecimalSeparator), separated by TimeSeparator, optionally followed by TimeAMString/TimePMString
// or "AM"/"PM".  A date-time is a date, blanks, and a time (or a date alone).  Blanks around the
// text are ignored.  Dates that do not exist (31/02) are refused.  The StrTo... functions raise
// EConvertError naming the text; the TryStrTo... functions return false and leave value as it was.
TDateTime StrToDate(std::string_view text, const TFormatSettings& settings = FormatSettings());
TDateTime StrToTime(std::string_view text, const TFormatSettings& settings = FormatSettings());
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings = FormatSettings());
bool TryStrToDate(std::string_view text, TDateTime& value,
                  const TFormatSettings& settings = FormatSettings());
bool TryStrToTime(std::string_view text, TDateTime& value,
                  const TFormatSettings& settings = FormatSettings());
bool TryStrToDateTime(std::string_view text, TDateTime& value,
                      const TFormatSettings& settings = FormatSettings());

// Up to 15 significant digits, no thousands separators, an exponent ("1E20", "1E-5") for very
// large or small values; "NAN", "INF", "-INF" for the special values.
std::string FloatToStr(double value, const TFormatSettings& settings = FormatSettings());
// An optional sign, digits with an optional DecimalSeparator, an optional exponent; blanks
// around the text are ignored.  Thousands separators and "." in place of a "," DecimalSeparator
// are refused.
double StrToFloat(std::string_view text, const TFormatSettings& settings = FormatSettings());
bool TryStrToFloat(std::string_view text, double& value,
                   const TFormatSettings& settings = FormatSettings());
std::string FormatFloat(std::string_view format, double value,
                        const TFormatSettings& settings = FormatSettings());
