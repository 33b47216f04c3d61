#include "data/DB.h"

#include "data/DataTexts.h"
#include "data/FieldText.h"
#include "data/Win1252.h"
#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"

#include <cmath>
#include <limits>

namespace {

bool IsDateType(TFieldType type) {
  return type == TFieldType::ftDate || type == TFieldType::ftTime ||
         type == TFieldType::ftDateTime || type == TFieldType::ftTimeStamp;
}

std::string DateTimeText(TFieldType type, TDateTime value) {
  switch (type) {
  case TFieldType::ftDate:
    return detail::DateFieldText(value);
  case TFieldType::ftTime:
    return detail::TimeFieldText(value);
  default:
    return detail::DateTimeFieldText(value);
  }
}

} // namespace

TField::TField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, int size)
    : FDataSet(&dataSet), FFieldName(std::move(fieldName)), FDataType(dataType), FSize(size) {}

const std::string& TField::GetDisplayLabel() const {
  return FDisplayLabel.empty() ? FFieldName : FDisplayLabel;
}

bool TField::GetCanModify() const {
  return !FReadOnly && FDataSet->GetCanModify();
}

const Variant& TField::Value() const {
  return FDataSet->FieldValue(FIndex);
}

bool TField::IsNull() const {
  return Value().IsEmptyOrNull();
}

void TField::Refuse(const std::string& why) const {
  throw EConvertError(why + " for field \"" + GetDisplayLabel() + "\"");
}

void TField::RefuseValue(const std::string TDataTexts::*text, const std::string& value) const {
  throw EConvertError(
      FormatDataText((*DataTexts()).*text, {{"field", GetDisplayLabel()}, {"value", value}}));
}

Variant TField::Convert(const Variant& value) const {
  using K = Variant::Kind;
  const K kind = value.GetKind();
  if (value.IsEmptyOrNull() || (kind == K::String && value.AsString().empty()))
    return Variant::Null();
  const bool isText = kind == K::String;
  switch (FDataType) {
  case TFieldType::ftString:
  case TFieldType::ftMemo: {
    std::string text = kind == K::DateTime
                           ? DateTimeText(TFieldType::ftDateTime, value.AsDateTime())
                       : kind == K::Float ? detail::FloatText(value.AsFloat())
                                          : value.AsString();
    if (FDataType == TFieldType::ftString && FSize > 0) {
      const size_t length = detail::CharacterCount(text);
      if (length > static_cast<size_t>(FSize))
        throw EConvertError(
            FormatDataText(DataTexts()->TooLong, {{"field", GetDisplayLabel()},
                                                  {"length", std::to_string(length)},
                                                  {"max", std::to_string(FSize)}}));
    }
    return text;
  }
  case TFieldType::ftSmallint:
  case TFieldType::ftInteger:
  case TFieldType::ftLargeint: {
    int64_t number = 0;
    if (isText) {
      const auto parsed = detail::ParseIntegerText(value.AsString());
      if (!parsed)
        RefuseValue(&TDataTexts::NotInteger, value.AsString());
      number = *parsed;
    } else if (kind == K::Float) {
      const double d = value.AsFloat();
      if (d != std::trunc(d) || !(std::fabs(d) < 9.2e18))
        Refuse(detail::FloatText(d) + " is not a whole number");
      number = static_cast<int64_t>(d);
    } else if (kind == K::Integer || kind == K::Int64 || kind == K::Boolean) {
      number = value.AsInt64();
    } else {
      Refuse("A " + std::string(Variant::KindName(kind)) + " value is not an integer");
    }
    const int64_t limit = FDataType == TFieldType::ftSmallint ? std::numeric_limits<int16_t>::max()
                          : FDataType == TFieldType::ftInteger
                              ? std::numeric_limits<int32_t>::max()
                              : std::numeric_limits<int64_t>::max();
    if (number > limit || number < -limit - 1)
      RefuseValue(&TDataTexts::OutOfRange, std::to_string(number));
    if (FDataType == TFieldType::ftLargeint)
      return number;
    return static_cast<int32_t>(number);
  }
  case TFieldType::ftFloat: {
    if (isText) {
      const auto parsed = detail::ParseFloatText(value.AsString());
      if (!parsed)
        RefuseValue(&TDataTexts::NotNumber, value.AsString());
      return *parsed;
    }
    if (!value.IsNumeric())
      Refuse("A " + std::string(Variant::KindName(kind)) + " value is not a number");
    return value.AsFloat();
  }
  case TFieldType::ftBoolean: {
    if (isText) {
      const std::string text = UpperCase(Trim(value.AsString()));
      if (text == "TRUE" || text == "1")
        return true;
      if (text == "FALSE" || text == "0")
        return false;
      Refuse("\"" + value.AsString() + "\" is not a valid boolean");
    }
    if (!value.IsNumeric() && kind != K::Boolean)
      Refuse("A " + std::string(Variant::KindName(kind)) + " value is not a boolean");
    return value.AsBoolean();
  }
  case TFieldType::ftDate:
  case TFieldType::ftTime:
  case TFieldType::ftDateTime:
  case TFieldType::ftTimeStamp: {
    TDateTime moment;
    if (isText) {
      const std::string text = value.AsString();
      const auto parsed = FDataType == TFieldType::ftDate   ? detail::ParseDateText(text)
                          : FDataType == TFieldType::ftTime ? detail::ParseTimeText(text)
                                                            : detail::ParseDateTimeText(text);
      if (!parsed)
        RefuseValue(FDataType == TFieldType::ftDate   ? &TDataTexts::NotDate
                    : FDataType == TFieldType::ftTime ? &TDataTexts::NotTime
                                                      : &TDataTexts::NotDateTime,
                    text);
      moment = *parsed;
    } else if (kind == K::DateTime || value.IsNumeric()) {
      moment = value.AsDateTime();
    } else {
      Refuse("A " + std::string(Variant::KindName(kind)) + " value is not a date");
    }
    if (FDataType == TFieldType::ftDate)
      return DateOf(moment);
    if (FDataType == TFieldType::ftTime)
      return TimeOf(moment);
    return moment;
  }
  case TFieldType::ftBlob:
  case TFieldType::ftBytes: {
    if (kind == K::Bytes)
      return value;
    const std::string text = value.AsString();
    return TBytes(text.begin(), text.end());
  }
  case TFieldType::ftUnknown:
    break;
  }
  return value;
}

void TField::SetAsVariant(const Variant& value) {
  if (!detail::IsEditState(FDataSet->GetState()))
    throw Exception("Field \"" + GetDisplayLabel() +
                    "\" cannot be changed: its dataset is not being edited");
  if (FReadOnly)
    throw Exception("Field \"" + GetDisplayLabel() + "\" is read-only");
  Variant converted = Convert(value);
  FDataSet->CheckStorable(*this, converted);
  FDataSet->SetFieldValue(*this, std::move(converted));
}

void TField::Clear() {
  SetAsVariant(Variant::Null());
}

Variant TField::GetAsVariant() const {
  const Variant& value = Value();
  return value.IsEmpty() ? Variant::Null() : value;
}

std::string TField::GetAsString() const {
  return TextOf(Value());
}

std::string TField::TextOf(const Variant& value) const {
  if (value.IsEmptyOrNull())
    return {};
  switch (value.GetKind()) {
  case Variant::Kind::DateTime:
    return DateTimeText(FDataType, value.AsDateTime());
  case Variant::Kind::Float:
    return detail::FloatText(value.AsFloat());
  case Variant::Kind::Boolean:
    return value.AsBoolean() ? "True" : "False";
  default:
    return value.AsString();
  }
}

void TField::SetAsString(const std::string& value) {
  SetAsVariant(Variant(value));
}

int32_t TField::GetAsInteger() const {
  const int64_t number = GetAsLargeInt();
  if (number > std::numeric_limits<int32_t>::max() || number < std::numeric_limits<int32_t>::min())
    Refuse(std::to_string(number) + " does not fit a 32-bit integer");
  return static_cast<int32_t>(number);
}

void TField::SetAsInteger(int32_t value) {
  SetAsVariant(Variant(value));
}

int64_t TField::GetAsLargeInt() const {
  const Variant& value = Value();
  if (value.IsEmptyOrNull())
    return 0;
  if (value.GetKind() == Variant::Kind::String) {
    const auto parsed = detail::ParseIntegerText(value.AsString());
    if (!parsed)
      Refuse("\"" + value.AsString() + "\" is not a valid integer");
    return *parsed;
  }
  return value.AsInt64();
}

void TField::SetAsLargeInt(int64_t value) {
  SetAsVariant(Variant(value));
}

double TField::GetAsFloat() const {
  const Variant& value = Value();
  if (value.IsEmptyOrNull())
    return 0;
  if (value.GetKind() == Variant::Kind::String) {
    const auto parsed = detail::ParseFloatText(value.AsString());
    if (!parsed)
      Refuse("\"" + value.AsString() + "\" is not a valid number");
    return *parsed;
  }
  return value.AsFloat();
}

void TField::SetAsFloat(double value) {
  SetAsVariant(Variant(value));
}

bool TField::GetAsBoolean() const {
  const Variant& value = Value();
  if (value.IsEmptyOrNull())
    return false;
  if (value.GetKind() == Variant::Kind::String) {
    const std::string text = UpperCase(Trim(value.AsString()));
    if (text != "TRUE" && text != "1" && text != "FALSE" && text != "0")
      Refuse("\"" + value.AsString() + "\" is not a valid boolean");
    return text == "TRUE" || text == "1";
  }
  return value.AsBoolean();
}

void TField::SetAsBoolean(bool value) {
  SetAsVariant(Variant(value));
}

TDateTime TField::GetAsDateTime() const {
  const Variant& value = Value();
  if (value.IsEmptyOrNull())
    return TDateTime();
  if (value.GetKind() == Variant::Kind::String) {
    const auto parsed = detail::ParseDateTimeText(value.AsString());
    if (!parsed)
      Refuse("\"" + value.AsString() + "\" is not a valid date and time");
    return *parsed;
  }
  return value.AsDateTime();
}

void TField::SetAsDateTime(TDateTime value) {
  SetAsVariant(Variant(value));
}

TBytes TField::GetAsBytes() const {
  const Variant& value = Value();
  if (value.IsEmptyOrNull())
    return {};
  if (value.GetKind() == Variant::Kind::Bytes)
    return value.AsBytes();
  const std::string text = GetAsString();
  return TBytes(text.begin(), text.end());
}

void TField::SetAsBytes(const TBytes& value) {
  SetAsVariant(Variant(value));
}

std::string TField::GetText() const {
  return GetAsString();
}

std::string TField::GetDisplayText() const {
  return DisplayTextOf(Value());
}

std::string TField::DisplayTextOf(const Variant& value) const {
  if (value.IsEmptyOrNull() || FDisplayFormat.empty())
    return TextOf(value);
  if (IsDateType(FDataType) && value.GetKind() == Variant::Kind::DateTime)
    return detail::FormatDateTimeField(FDisplayFormat, value.AsDateTime());
  if (value.IsNumeric())
    return detail::FormatNumberField(FDisplayFormat, value.AsFloat());
  return TextOf(value);
}
