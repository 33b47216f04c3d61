#include "runtime/Variant.h"

#include "runtime/Exceptions.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos)
    return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

int64_t ParseInt64(const std::string& text) {
  const std::string s = Trimmed(text);
  int64_t value = 0;
  const char* begin = s.data();
  const char* end = s.data() + s.size();
  if (!s.empty() && *begin == '+')
    ++begin;
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  if (s.empty() || ec != std::errc() || ptr != end)
    throw EConvertError("'" + text + "' is not a valid integer value");
  return value;
}

double ParseFloat(const std::string& text) {
  const std::string s = Trimmed(text);
  double value = 0;
  const char* begin = s.data();
  const char* end = s.data() + s.size();
  if (!s.empty() && *begin == '+')
    ++begin;
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  if (s.empty() || ec != std::errc() || ptr != end || !std::isfinite(value))
    throw EConvertError("'" + text + "' is not a valid floating point value");
  return value;
}

std::string FloatText(double value) {
  char buffer[64];
  // Shortest text that reads back as the same double.
  const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, ptr) : std::to_string(value);
}

std::string DateTimeText(TDateTime value) {
  const TDateParts d = DecodeDate(value);
  const TTimeParts t = DecodeTime(value);
  char buffer[32];
  if (t.Hour == 0 && t.Minute == 0 && t.Second == 0 && t.MilliSecond == 0)
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", d.Year, d.Month, d.Day);
  else
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", d.Year, d.Month, d.Day,
                  t.Hour, t.Minute, t.Second);
  return buffer;
}

// Reads "yyyy-mm-dd" or "yyyy-mm-dd hh:nn[:ss[.zzz]]" (also with a "T" between the parts).
TDateTime ParseDateTime(const std::string& text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0, used = 0;
  const std::string t = Trimmed(text);
  const int fields = std::sscanf(t.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &used);
  TDateTime date;
  if (fields != 3 || !TryEncodeDate(y, mo, d, date))
    throw EConvertError("'" + text + "' is not a valid date and time");
  std::string rest = t.substr(static_cast<size_t>(used));
  if (rest.empty())
    return date;
  if (rest[0] != ' ' && rest[0] != 'T')
    throw EConvertError("'" + text + "' is not a valid date and time");
  rest.erase(0, 1);
  int timeUsed = 0;
  const int timeFields = std::sscanf(rest.c_str(), "%2d:%2d%n:%2d%n.%3d%n", &h, &mi, &timeUsed, &s,
                                     &timeUsed, &ms, &timeUsed);
  TDateTime time;
  if (timeFields < 2 || static_cast<size_t>(timeUsed) != rest.size() ||
      !TryEncodeTime(h, mi, s, ms, time))
    throw EConvertError("'" + text + "' is not a valid date and time");
  return TDateTime(date.Value + time.Value);
}

[[noreturn]] void CannotConvert(Variant::Kind from, const char* to) {
  throw EConvertError(std::string("Could not convert variant of type (") + Variant::KindName(from) +
                      ") into type (" + to + ")");
}

} // namespace

Variant Variant::Null() {
  Variant v;
  v.FValue = NullValue{};
  return v;
}

Variant::Kind Variant::GetKind() const {
  return static_cast<Kind>(FValue.index());
}

bool Variant::IsNumeric() const {
  const Kind k = GetKind();
  return k == Kind::Integer || k == Kind::Int64 || k == Kind::Float;
}

const char* Variant::KindName(Kind kind) {
  switch (kind) {
  case Kind::Empty:
    return "Empty";
  case Kind::Null:
    return "Null";
  case Kind::Boolean:
    return "Boolean";
  case Kind::Integer:
    return "Integer";
  case Kind::Int64:
    return "Int64";
  case Kind::Float:
    return "Double";
  case Kind::String:
    return "String";
  case Kind::DateTime:
    return "Date";
  case Kind::Bytes:
    return "Bytes";
  }
  return "Unknown";
}

bool Variant::AsBoolean() const {
  switch (GetKind()) {
  case Kind::Empty:
  case Kind::Null:
    return false;
  case Kind::Boolean:
    return std::get<bool>(FValue);
  case Kind::String: {
    const std::string s = Trimmed(std::get<std::string>(FValue));
    if (s == "True" || s == "true" || s == "TRUE")
      return true;
    if (s == "False" || s == "false" || s == "FALSE")
      return false;
    return ParseFloat(s) != 0.0;
  }
  case Kind::Bytes:
    CannotConvert(GetKind(), "Boolean");
  default:
    return AsFloat() != 0.0;
  }
}

int64_t Variant::AsInt64() const {
  switch (GetKind()) {
  case Kind::Empty:
  case Kind::Null:
    return 0;
  case Kind::Boolean:
    return std::get<bool>(FValue) ? -1 : 0;
  case Kind::Integer:
    return std::get<int32_t>(FValue);
  case Kind::Int64:
    return std::get<int64_t>(FValue);
  case Kind::Float:
  case Kind::DateTime: {
    const double v =
        GetKind() == Kind::Float ? std::get<double>(FValue) : std::get<TDateTime>(FValue).Value;
    if (!(v >= -9.2e18 && v <= 9.2e18))
      CannotConvert(GetKind(), "Int64");
    return std::llround(v);
  }
  case Kind::String:
    return ParseInt64(std::get<std::string>(FValue));
  case Kind::Bytes:
    break;
  }
  CannotConvert(GetKind(), "Int64");
}

int32_t Variant::AsInteger() const {
  const int64_t v = AsInt64();
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    throw EConvertError("'" + std::to_string(v) + "' is out of the range of an integer");
  return static_cast<int32_t>(v);
}

double Variant::AsFloat() const {
  switch (GetKind()) {
  case Kind::Empty:
  case Kind::Null:
    return 0.0;
  case Kind::Boolean:
    return std::get<bool>(FValue) ? -1.0 : 0.0;
  case Kind::Integer:
    return std::get<int32_t>(FValue);
  case Kind::Int64:
    return static_cast<double>(std::get<int64_t>(FValue));
  case Kind::Float:
    return std::get<double>(FValue);
  case Kind::DateTime:
    return std::get<TDateTime>(FValue).Value;
  case Kind::String:
    return ParseFloat(std::get<std::string>(FValue));
  case Kind::Bytes:
    break;
  }
  CannotConvert(GetKind(), "Double");
}

std::string Variant::AsString() const {
  switch (GetKind()) {
  case Kind::Empty:
  case Kind::Null:
    return {};
  case Kind::Boolean:
    return std::get<bool>(FValue) ? "True" : "False";
  case Kind::Integer:
    return std::to_string(std::get<int32_t>(FValue));
  case Kind::Int64:
    return std::to_string(std::get<int64_t>(FValue));
  case Kind::Float:
    return FloatText(std::get<double>(FValue));
  case Kind::String:
    return std::get<std::string>(FValue);
  case Kind::DateTime:
    return DateTimeText(std::get<TDateTime>(FValue));
  case Kind::Bytes: {
    const TBytes& b = std::get<TBytes>(FValue);
    return std::string(b.begin(), b.end());
  }
  }
  return {};
}

TDateTime Variant::AsDateTime() const {
  switch (GetKind()) {
  case Kind::Empty:
  case Kind::Null:
    return TDateTime();
  case Kind::DateTime:
    return std::get<TDateTime>(FValue);
  case Kind::String:
    return ParseDateTime(std::get<std::string>(FValue));
  case Kind::Integer:
  case Kind::Int64:
  case Kind::Float:
    return TDateTime(AsFloat());
  case Kind::Boolean:
  case Kind::Bytes:
    break;
  }
  CannotConvert(GetKind(), "Date");
}

TBytes Variant::AsBytes() const {
  switch (GetKind()) {
  case Kind::Empty:
  case Kind::Null:
    return {};
  case Kind::Bytes:
    return std::get<TBytes>(FValue);
  case Kind::String: {
    const std::string& s = std::get<std::string>(FValue);
    return TBytes(s.begin(), s.end());
  }
  default:
    CannotConvert(GetKind(), "Bytes");
  }
}
