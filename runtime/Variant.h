#pragma once

#include "runtime/DateTime.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

using TBytes = std::vector<uint8_t>;

// A value of one of the few kinds that properties, fields and parameters carry.  Empty means "no
// value given"; Null is the database's missing value.  Conversions between kinds follow the usual
// rules: numbers and texts convert both ways (numbers in texts use "." as the decimal point),
// Empty and Null read as zero, false or the empty text, and a text that is not a number raises
// EConvertError naming the text.
class Variant {
public:
  enum class Kind { Empty, Null, Boolean, Integer, Int64, Float, String, DateTime, Bytes };

  Variant() = default;
  Variant(bool value) : FValue(value) {}
  Variant(int32_t value) : FValue(value) {}
  Variant(int64_t value) : FValue(value) {}
  Variant(double value) : FValue(value) {}
  Variant(std::string value) : FValue(std::move(value)) {}
  Variant(const char* value) : FValue(std::string(value)) {}
  Variant(TDateTime value) : FValue(value) {}
  Variant(TBytes value) : FValue(std::move(value)) {}

  static Variant Null();

  Kind GetKind() const;
  bool IsEmpty() const { return GetKind() == Kind::Empty; }
  bool IsNull() const { return GetKind() == Kind::Null; }
  bool IsEmptyOrNull() const { return IsEmpty() || IsNull(); }
  bool IsNumeric() const;

  bool AsBoolean() const;
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  double AsFloat() const;
  std::string AsString() const;
  TDateTime AsDateTime() const;
  TBytes AsBytes() const;

  // Same kind and same value; Empty equals Empty and Null equals Null.
  bool operator==(const Variant& other) const { return FValue == other.FValue; }

  static const char* KindName(Kind kind);

private:
  struct NullValue {
    bool operator==(const NullValue&) const { return true; }
  };
  std::variant<std::monostate, NullValue, bool, int32_t, int64_t, double, std::string, TDateTime,
               TBytes>
      FValue;
};
