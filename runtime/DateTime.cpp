#include "runtime/DateTime.h"

#include "runtime/Exceptions.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace {

constexpr double MilliSecondsPerDay = 86'400'000.0;

// Days since 1970-01-01 of a civil date (Howard Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

TDateParts CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// 1899-12-30 is 25569 days before 1970-01-01.
constexpr int64_t UnixEpochDay = 25569;

// The day count and the milliseconds of the day of a value, rounded to the millisecond.  Before
// the epoch the fraction still counts forward from midnight (-1.25 is 29 Dec 1899, 06:00).
void Split(TDateTime value, int64_t& day, int64_t& ms) {
  const double whole = std::trunc(value.Value);
  ms = std::llround(std::fabs(value.Value - whole) * MilliSecondsPerDay);
  day = static_cast<int64_t>(whole);
  if (ms >= static_cast<int64_t>(MilliSecondsPerDay)) {
    ms -= static_cast<int64_t>(MilliSecondsPerDay);
    day += value.Value < 0 ? -1 : 1;
  }
}

} // namespace

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12)
    return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second, int milliSecond) {
  return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
         milliSecond >= 0 && milliSecond < 1000;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (!IsValidDate(year, month, day))
    return false;
  const int64_t days =
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  result = TDateTime(static_cast<double>(days + UnixEpochDay));
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int milliSecond, TDateTime& result) {
  if (!IsValidTime(hour, minute, second, milliSecond))
    return false;
  const double ms = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + milliSecond;
  result = TDateTime(ms / MilliSecondsPerDay);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result;
  if (!TryEncodeDate(year, month, day, result))
    throw EConvertError("Invalid date: year " + std::to_string(year) + ", month " +
                        std::to_string(month) + ", day " + std::to_string(day));
  return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int milliSecond) {
  TDateTime result;
  if (!TryEncodeTime(hour, minute, second, milliSecond, result))
    throw EConvertError("Invalid time: " + std::to_string(hour) + ":" + std::to_string(minute) +
                        ":" + std::to_string(second) + "." + std::to_string(milliSecond));
  return result;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int milliSecond) {
  const TDateTime date = EncodeDate(year, month, day);
  const TDateTime time = EncodeTime(hour, minute, second, milliSecond);
  return TDateTime(date.Value >= 0 ? date.Value + time.Value : date.Value - time.Value);
}

TDateParts DecodeDate(TDateTime value) {
  int64_t day = 0, ms = 0;
  Split(value, day, ms);
  return CivilFromDays(day - UnixEpochDay);
}

TTimeParts DecodeTime(TDateTime value) {
  int64_t day = 0, ms = 0;
  Split(value, day, ms);
  TTimeParts parts;
  parts.MilliSecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  parts.Second = static_cast<int>(ms % 60);
  ms /= 60;
  parts.Minute = static_cast<int>(ms % 60);
  parts.Hour = static_cast<int>(ms / 60);
  return parts;
}

int DayOfWeek(TDateTime value) {
  int64_t day = 0, ms = 0;
  Split(value, day, ms);
  const int64_t weekday = ((day - UnixEpochDay) % 7 + 7 + 4) % 7; // 1970-01-01 was a Thursday
  return static_cast<int>(weekday) + 1;
}

TDateTime DateOf(TDateTime value) {
  return TDateTime(std::trunc(value.Value));
}

TDateTime TimeOf(TDateTime value) {
  return TDateTime(std::fabs(value.Value - std::trunc(value.Value)));
}

TDateTime Now() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) %
                  std::chrono::seconds(1);
  return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, local.tm_sec, static_cast<int>(ms.count()));
}

TDateTime Date() {
  return DateOf(Now());
}
