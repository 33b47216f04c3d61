#pragma once

#include <compare>
#include <cstdint>

// A point in time as a day count: whole days since 30 December 1899, the time of day as the
// fraction.  The representation is the one stored values and date arithmetic rely on
// (`Date() + 1` is tomorrow).
struct TDateTime {
  double Value = 0.0;

  constexpr TDateTime() = default;
  constexpr explicit TDateTime(double value) : Value(value) {}

  constexpr auto operator<=>(const TDateTime&) const = default;
};

struct TDateParts {
  int Year = 0;
  int Month = 0;
  int Day = 0;
};

struct TTimeParts {
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int MilliSecond = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool IsValidDate(int year, int month, int day);
bool IsValidTime(int hour, int minute, int second, int milliSecond);

// Raise EConvertError for a date or time that does not exist (31 February, 25:00).
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int milliSecond);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int milliSecond);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int milliSecond, TDateTime& result);

TDateParts DecodeDate(TDateTime value);
TTimeParts DecodeTime(TDateTime value);
// 1 = Sunday … 7 = Saturday.
int DayOfWeek(TDateTime value);

TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);
TDateTime Now();
TDateTime Date();
