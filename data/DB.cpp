#include "data/DB.h"

#include "data/DataTexts.h"
#include "data/FieldText.h"
#include "data/FilterExpression.h"
#include "data/Win1252.h"
#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool IsEditing(TDataSetState state) {
  return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}

bool IsDateType(TFieldType type) {
  return type == TFieldType::ftDate || type == TFieldType::ftTime ||
         type == TFieldType::ftDateTime || type == TFieldType::ftTimeStamp;
}

const Variant& NullValue() {
  static const Variant null = Variant::Null();
  return null;
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

std::vector<std::string> SplitFieldNames(const std::string& names) {
  std::vector<std::string> result;
  size_t start = 0;
  while (start <= names.size()) {
    const size_t end = std::min(names.find(';', start), names.size());
    const std::string name = Trim(std::string_view(names).substr(start, end - start));
    if (!name.empty())
      result.push_back(name);
    start = end + 1;
  }
  return result;
}

} // namespace

const char* FieldTypeName(TFieldType type) {
  switch (type) {
  case TFieldType::ftString:
    return "string";
  case TFieldType::ftSmallint:
    return "16-bit integer";
  case TFieldType::ftInteger:
    return "32-bit integer";
  case TFieldType::ftLargeint:
    return "64-bit integer";
  case TFieldType::ftBoolean:
    return "boolean";
  case TFieldType::ftFloat:
    return "number";
  case TFieldType::ftDate:
    return "date";
  case TFieldType::ftTime:
    return "time";
  case TFieldType::ftDateTime:
    return "date and time";
  case TFieldType::ftTimeStamp:
    return "time stamp";
  case TFieldType::ftMemo:
    return "memo";
  case TFieldType::ftBlob:
    return "blob";
  case TFieldType::ftBytes:
    return "bytes";
  case TFieldType::ftUnknown:
    break;
  }
  return "unknown";
}

// ---- TField -----------------------------------------------------------------------------------

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
  if (!IsEditing(FDataSet->GetState()))
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

// ---- TDataSet ---------------------------------------------------------------------------------

const TClassInfo& TDataSet::StaticClass() {
  static const TClassInfo info = TClassBuilder<TDataSet>("TDataSet").Build();
  return info;
}

TDataSet::TDataSet(TComponent* AOwner) : TComponent(AOwner) {}

TDataSet::~TDataSet() {
  for (TDataSource* source : std::vector<TDataSource*>(FDataSources))
    source->DetachDataSet();
}

void TDataSet::Fire(const TDataSetNotifyEvent& event) {
  if (event)
    event(this);
}

void TDataSet::CheckActive() const {
  if (!GetActive())
    throw Exception("Dataset \"" + GetName() + "\" is not open");
}

void TDataSet::SetActive(bool active) {
  if (active)
    Open();
  else
    Close();
}

TField& TDataSet::DefineField(const std::string& name, TFieldType dataType, int size) {
  TField* field = FindField(name);
  if (field == nullptr) {
    FFields.push_back(std::make_unique<TField>(*this, name, dataType, size));
    field = FFields.back().get();
    field->FIndex = static_cast<int>(FFields.size()) - 1;
  } else if (dataType != TFieldType::ftUnknown) {
    field->FDataType = dataType;
    field->FSize = size;
  }
  field->FDefined = true;
  return *field;
}

TField& TDataSet::Fields(int index) const {
  if (index < 0 || index >= GetFieldCount())
    throw EListError("Field index " + std::to_string(index) + " out of range in dataset \"" +
                     GetName() + "\"");
  return *FFields[index];
}

TField* TDataSet::FindField(std::string_view name) const {
  for (const auto& field : FFields)
    if (SameText(field->GetFieldName(), name))
      return field.get();
  return nullptr;
}

TField& TDataSet::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (field == nullptr)
    throw Exception("Dataset \"" + GetName() + "\" has no field \"" + std::string(name) + "\"");
  return *field;
}

const Variant& TDataSet::FieldValue(int index) const {
  if (IsEditing(FState))
    return index < static_cast<int>(FBuffer.size()) ? FBuffer[index] : NullValue();
  if (FState == TDataSetState::dsBrowse && FCursor >= 0) {
    const TValues& values = FRecords[FView[FCursor]].Values;
    return index < static_cast<int>(values.size()) ? values[index] : NullValue();
  }
  return NullValue();
}

void TDataSet::SetFieldValue(TField& field, Variant value) {
  FBuffer[field.FIndex] = std::move(value);
  FChanged[field.FIndex] = true;
  FModified = true;
  DataEvent(TDataEvent::deFieldChange, &field);
}

void TDataSet::CheckStorable(const TField&, const Variant&) const {}

void TDataSet::InternalOpen(std::vector<TColumn>& columns, std::vector<TValues>& rows) {
  for (const auto& field : FFields)
    columns.push_back({field->GetFieldName(), field->GetDataType(), field->GetSize(),
                       field->GetRequired(), field->GetReadOnly()});
  for (const TRecord& record : FRecords)
    rows.push_back(record.Values);
}

void TDataSet::InternalPost(TValues&, const TValues*, const std::vector<bool>&) {}

void TDataSet::InternalDelete(const TValues&) {}

void TDataSet::BindFields(const std::vector<TColumn>& columns) {
  for (const auto& field : FFields)
    if (field->FDefined && std::none_of(columns.begin(), columns.end(), [&](const TColumn& column) {
          return SameText(column.Name, field->GetFieldName());
        }))
      throw Exception("Field \"" + field->GetFieldName() + "\" of dataset \"" + GetName() +
                      "\" is not among the columns of its query");
  std::vector<std::unique_ptr<TField>> fields;
  bool layoutChanged = columns.size() != FFields.size();
  for (const TColumn& column : columns) {
    auto existing = std::find_if(FFields.begin(), FFields.end(), [&](const auto& field) {
      return field && SameText(field->GetFieldName(), column.Name);
    });
    std::unique_ptr<TField> field;
    if (existing != FFields.end()) {
      field = std::move(*existing);
    } else {
      field = std::make_unique<TField>(*this, column.Name, column.DataType, column.Size);
      layoutChanged = true;
    }
    if (field->FDataType != column.DataType || field->FSize != column.Size ||
        field->FIndex != static_cast<int>(fields.size()))
      layoutChanged = true;
    field->FDataType = column.DataType;
    field->FSize = column.Size;
    field->FRequired = column.Required;
    field->FReadOnly = column.ReadOnly;
    field->FIndex = static_cast<int>(fields.size());
    fields.push_back(std::move(field));
  }
  FFields = std::move(fields);
  if (layoutChanged && GetActive())
    DataEvent(TDataEvent::deLayoutChange);
}

void TDataSet::BuildView(const detail::TFilterExpression* filter, bool filtered,
                         std::vector<size_t>& view) const {
  view.clear();
  if (!filtered || filter == nullptr) {
    view.resize(FRecords.size());
    for (size_t i = 0; i < view.size(); ++i)
      view[i] = i;
    return;
  }
  std::vector<const TField*> fields;
  for (const std::string& name : filter->FieldNames()) {
    const TField* field = FindField(name);
    if (field == nullptr)
      throw Exception("Invalid filter \"" + FFilterText + "\": dataset \"" + GetName() +
                      "\" has no field \"" + name + "\"");
    fields.push_back(field);
  }
  filter->Validate(fields);
  for (size_t i = 0; i < FRecords.size(); ++i)
    if (filter->Matches(fields, FRecords[i].Values))
      view.push_back(i);
}

void TDataSet::Load() {
  std::vector<TColumn> columns;
  std::vector<TValues> rows;
  InternalOpen(columns, rows);
  BindFields(columns);
  std::vector<TRecord> records;
  records.reserve(rows.size());
  for (TValues& row : rows)
    records.push_back({FNextId++, std::move(row)});
  FRecords = std::move(records);
  std::vector<size_t> view;
  BuildView(FFilter.get(), FFiltered, view);
  FView = std::move(view);
}

void TDataSet::Open() {
  if (GetActive())
    return;
  Fire(BeforeOpen);
  try {
    Load();
  } catch (...) {
    FRecords.clear();
    FView.clear();
    InternalClose();
    throw;
  }
  FCursor = FView.empty() ? -1 : 0;
  FBof = true;
  FEof = FView.empty();
  SetState(TDataSetState::dsBrowse);
  DataEvent(TDataEvent::deDataSetChange);
  Fire(AfterOpen);
  Fire(AfterScroll);
}

void TDataSet::Close() {
  if (!GetActive())
    return;
  Fire(BeforeClose);
  InternalClose();
  FRecords.clear();
  FView.clear();
  FBuffer.clear();
  FChanged.clear();
  FModified = false;
  FCursor = -1;
  FBof = FEof = true;
  SetState(TDataSetState::dsInactive);
  Fire(AfterClose);
}

void TDataSet::SetState(TDataSetState state) {
  if (FState == state)
    return;
  FState = state;
  DataEvent(TDataEvent::deUpdateState);
}

void TDataSet::DataEvent(TDataEvent event, TField* field) {
  if (FDisableCount > 0)
    return;
  for (TDataSource* source : std::vector<TDataSource*>(FDataSources))
    source->DataEvent(event, field);
}

void TDataSet::DisableControls() {
  if (FDisableCount++ == 0)
    FStateWhenDisabled = FState;
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0 || --FDisableCount > 0)
    return;
  if (FState != FStateWhenDisabled)
    DataEvent(TDataEvent::deUpdateState);
  if (GetActive())
    DataEvent(TDataEvent::deDataSetChange);
}

// ---- Navigation -------------------------------------------------------------------------------

void TDataSet::MoveTo(int position, bool notify) {
  const int old = FCursor;
  FCursor = position;
  if (notify && old != FCursor)
    DataEvent(TDataEvent::deDataSetScroll);
}

void TDataSet::First() {
  CheckActive();
  CheckBrowseMode();
  Fire(BeforeScroll);
  MoveTo(FView.empty() ? -1 : 0, true);
  FBof = true;
  FEof = FView.empty();
  Fire(AfterScroll);
}

void TDataSet::Last() {
  CheckActive();
  CheckBrowseMode();
  Fire(BeforeScroll);
  MoveTo(static_cast<int>(FView.size()) - 1, true);
  FEof = true;
  FBof = FView.empty();
  Fire(AfterScroll);
}

int TDataSet::MoveBy(int distance) {
  CheckActive();
  CheckBrowseMode();
  if (FView.empty()) {
    FBof = FEof = true;
    return 0;
  }
  Fire(BeforeScroll);
  const int last = static_cast<int>(FView.size()) - 1;
  const int target = std::clamp(FCursor + distance, 0, last);
  const int moved = target - FCursor;
  FEof = distance > 0 && moved < distance;
  FBof = distance < 0 && moved > distance;
  MoveTo(target, true);
  Fire(AfterScroll);
  return moved;
}

void TDataSet::Next() {
  MoveBy(1);
}

void TDataSet::Prior() {
  MoveBy(-1);
}

int TDataSet::GetRecNo() const {
  return GetActive() && FCursor >= 0 ? FCursor + 1 : 0;
}

std::string TDataSet::DisplayTextAt(int recNo, const TField& field) const {
  CheckActive();
  if (field.GetDataSet() != this)
    throw EListError("Field \"" + field.GetFieldName() + "\" is not a field of " + GetName());
  if (recNo < 1 || recNo > GetRecordCount())
    throw EListError("Record " + std::to_string(recNo) + " out of range");
  if (FState == TDataSetState::dsEdit && recNo - 1 == FCursor)
    return field.GetDisplayText();
  const TValues& values = FRecords[FView[static_cast<size_t>(recNo - 1)]].Values;
  const int index = field.GetIndex();
  return field.DisplayTextOf(index < static_cast<int>(values.size()) ? values[index] : NullValue());
}

void TDataSet::SetRecNo(int recNo) {
  CheckActive();
  if (recNo < 1 || recNo > GetRecordCount() || recNo == GetRecNo())
    return;
  CheckBrowseMode();
  Fire(BeforeScroll);
  MoveTo(recNo - 1, true);
  FBof = FEof = false;
  Fire(AfterScroll);
}

TBookmark TDataSet::GetBookmark() const {
  if (FState != TDataSetState::dsBrowse && FState != TDataSetState::dsEdit)
    return {};
  return FCursor >= 0 ? TBookmark{FRecords[FView[FCursor]].Id} : TBookmark{};
}

int TDataSet::PositionOfRecord(uint64_t id) const {
  for (size_t i = 0; i < FView.size(); ++i)
    if (FRecords[FView[i]].Id == id)
      return static_cast<int>(i);
  return -1;
}

bool TDataSet::BookmarkValid(TBookmark bookmark) const {
  return bookmark.IsValid() && GetActive() && PositionOfRecord(bookmark.Id) >= 0;
}

void TDataSet::GotoBookmark(TBookmark bookmark) {
  CheckActive();
  const int position = bookmark.IsValid() ? PositionOfRecord(bookmark.Id) : -1;
  if (position < 0)
    throw Exception("Dataset \"" + GetName() + "\" no longer holds the bookmarked record");
  CheckBrowseMode();
  Fire(BeforeScroll);
  MoveTo(position, true);
  FBof = FEof = false;
  Fire(AfterScroll);
}

bool TDataSet::Locate(const std::string& keyFields, const std::vector<Variant>& keyValues,
                      TLocateOptions options) {
  CheckActive();
  const std::vector<std::string> names = SplitFieldNames(keyFields);
  if (names.size() != keyValues.size())
    throw Exception("Locate in dataset \"" + GetName() + "\" was given " +
                    std::to_string(names.size()) + " fields and " +
                    std::to_string(keyValues.size()) + " values");
  std::vector<const TField*> fields;
  std::vector<Variant> wanted;
  for (size_t i = 0; i < names.size(); ++i) {
    const TField& field = FieldByName(names[i]);
    fields.push_back(&field);
    const bool text =
        field.GetDataType() == TFieldType::ftString || field.GetDataType() == TFieldType::ftMemo;
    wanted.push_back(text ? Variant(keyValues[i].AsString()) : field.Convert(keyValues[i]));
  }
  auto matches = [&](const TValues& values) {
    for (size_t i = 0; i < fields.size(); ++i) {
      const Variant& have = values[fields[i]->GetIndex()];
      const Variant& want = wanted[i];
      if (want.IsEmptyOrNull() || have.IsEmptyOrNull()) {
        if (want.IsEmptyOrNull() != have.IsEmptyOrNull())
          return false;
        continue;
      }
      if (have.GetKind() == Variant::Kind::String) {
        std::string a = have.AsString();
        std::string b = want.AsString();
        if (options.CaseInsensitive) {
          a = UpperCase(a);
          b = UpperCase(b);
        }
        if (options.PartialKey ? a.compare(0, b.size(), b) != 0 : a != b)
          return false;
      } else if (have.IsNumeric() && want.IsNumeric()) {
        if (have.AsFloat() != want.AsFloat())
          return false;
      } else if (!(have == want)) {
        return false;
      }
    }
    return true;
  };
  for (size_t i = 0; i < FView.size(); ++i) {
    if (matches(FRecords[FView[i]].Values)) {
      CheckBrowseMode();
      Fire(BeforeScroll);
      MoveTo(static_cast<int>(i), true);
      FBof = FEof = false;
      Fire(AfterScroll);
      return true;
    }
  }
  return false;
}

// ---- Editing ----------------------------------------------------------------------------------

void TDataSet::CheckBrowseMode() {
  CheckActive();
  if (!IsEditing(FState))
    return;
  DataEvent(TDataEvent::deCheckBrowseMode);
  UpdateRecord();
  if (FModified)
    Post();
  else
    Cancel();
}

void TDataSet::UpdateRecord() {
  if (IsEditing(FState))
    DataEvent(TDataEvent::deUpdateRecord);
}

void TDataSet::StartNewRecord(bool append) {
  CheckActive();
  CheckBrowseMode();
  if (!GetCanModify())
    throw Exception("Dataset \"" + GetName() + "\" cannot be modified");
  Fire(BeforeInsert);
  Fire(BeforeScroll);
  FInsertBefore = append || FCursor < 0 ? FRecords.size() : FView[FCursor];
  FBuffer.assign(FFields.size(), Variant::Null());
  FChanged.assign(FFields.size(), false);
  SetState(TDataSetState::dsInsert);
  try {
    Fire(OnNewRecord);
  } catch (...) {
    FBuffer.clear();
    FChanged.clear();
    SetState(TDataSetState::dsBrowse);
    throw;
  }
  FModified = false;
  DataEvent(TDataEvent::deDataSetChange);
  Fire(AfterInsert);
  Fire(AfterScroll);
}

void TDataSet::Append() {
  StartNewRecord(true);
}

void TDataSet::Insert() {
  StartNewRecord(false);
}

void TDataSet::Edit() {
  CheckActive();
  if (IsEditing(FState))
    return;
  if (IsEmpty()) {
    Insert();
    return;
  }
  if (!GetCanModify())
    throw Exception("Dataset \"" + GetName() + "\" cannot be modified");
  Fire(BeforeEdit);
  FBuffer = FRecords[FView[FCursor]].Values;
  FChanged.assign(FFields.size(), false);
  FModified = false;
  SetState(TDataSetState::dsEdit);
  Fire(AfterEdit);
}

void TDataSet::CheckRequired() const {
  for (const auto& field : FFields)
    if (field->GetRequired() && !field->GetReadOnly() && FBuffer[field->GetIndex()].IsEmptyOrNull())
      throw Exception(FormatDataText(DataTexts()->Required, {{"field", field->GetDisplayLabel()}}));
}

void TDataSet::Post() {
  CheckActive();
  if (!IsEditing(FState))
    return;
  UpdateRecord();
  Fire(BeforePost);
  CheckRequired();
  TValues values = FBuffer;
  uint64_t id = 0;
  if (FState == TDataSetState::dsInsert) {
    InternalPost(values, nullptr, FChanged);
    id = FNextId++;
    FRecords.insert(FRecords.begin() + static_cast<std::ptrdiff_t>(FInsertBefore),
                    TRecord{id, std::move(values)});
  } else {
    TRecord& record = FRecords[FView[FCursor]];
    InternalPost(values, &record.Values, FChanged);
    record.Values = std::move(values);
    id = record.Id;
  }
  std::vector<size_t> view;
  BuildView(FFilter.get(), FFiltered, view);
  FView = std::move(view);
  const int position = PositionOfRecord(id);
  FCursor = position >= 0 ? position : std::min(FCursor, static_cast<int>(FView.size()) - 1);
  FBof = FEof = FView.empty();
  FBuffer.clear();
  FChanged.clear();
  FModified = false;
  SetState(TDataSetState::dsBrowse);
  DataEvent(TDataEvent::deDataSetChange);
  Fire(AfterPost);
}

void TDataSet::Cancel() {
  if (!IsEditing(FState))
    return;
  Fire(BeforeCancel);
  FBuffer.clear();
  FChanged.clear();
  FModified = false;
  SetState(TDataSetState::dsBrowse);
  DataEvent(TDataEvent::deDataSetChange);
  Fire(AfterCancel);
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == TDataSetState::dsInsert) {
    Cancel();
    return;
  }
  if (IsEmpty())
    throw Exception("Dataset \"" + GetName() + "\" is empty: there is no record to delete");
  if (!GetCanModify())
    throw Exception("Dataset \"" + GetName() + "\" cannot be modified");
  Cancel();
  Fire(BeforeDelete);
  Fire(BeforeScroll);
  const size_t index = FView[FCursor];
  InternalDelete(FRecords[index].Values);
  FRecords.erase(FRecords.begin() + static_cast<std::ptrdiff_t>(index));
  std::vector<size_t> view;
  BuildView(FFilter.get(), FFiltered, view);
  FView = std::move(view);
  FCursor = std::min(FCursor, static_cast<int>(FView.size()) - 1);
  FBof = FEof = FView.empty();
  DataEvent(TDataEvent::deDataSetChange);
  Fire(AfterDelete);
  Fire(AfterScroll);
}

std::vector<Variant> TDataSet::KeyOf(const TValues& values) const {
  std::vector<Variant> key;
  for (const int index : KeyFieldIndexes())
    key.push_back(values[index]);
  return key;
}

void TDataSet::LocateKeyOrRecNo(const std::vector<Variant>& key, int recNo) {
  if (!key.empty()) {
    for (size_t i = 0; i < FView.size(); ++i)
      if (KeyOf(FRecords[FView[i]].Values) == key) {
        FCursor = static_cast<int>(i);
        return;
      }
  }
  FCursor = FView.empty() ? -1 : std::clamp(recNo - 1, 0, static_cast<int>(FView.size()) - 1);
}

void TDataSet::Refresh() {
  CheckActive();
  CheckBrowseMode();
  Fire(BeforeRefresh);
  const std::vector<Variant> key =
      FCursor >= 0 ? KeyOf(FRecords[FView[FCursor]].Values) : std::vector<Variant>{};
  const int recNo = GetRecNo();
  Load();
  LocateKeyOrRecNo(key, recNo);
  FBof = FCursor <= 0;
  FEof = FView.empty();
  DataEvent(TDataEvent::deDataSetChange);
  Fire(AfterRefresh);
}

// ---- Filter -----------------------------------------------------------------------------------

void TDataSet::SetFilter(const std::string& filter) {
  auto parsed = Trim(filter).empty() ? nullptr : detail::TFilterExpression::Parse(filter);
  if (parsed && GetActive())
    for (const std::string& name : parsed->FieldNames())
      if (FindField(name) == nullptr)
        throw Exception("Invalid filter \"" + filter + "\": dataset \"" + GetName() +
                        "\" has no field \"" + name + "\"");
  if (GetActive() && FFiltered) {
    CheckBrowseMode();
    std::vector<size_t> view;
    const std::string previous = FFilterText;
    FFilterText = filter;
    try {
      BuildView(parsed.get(), true, view);
    } catch (...) {
      FFilterText = previous;
      throw;
    }
    FFilter = std::move(parsed);
    FView = std::move(view);
    FCursor = FView.empty() ? -1 : 0;
    FBof = true;
    FEof = FView.empty();
    DataEvent(TDataEvent::deDataSetChange);
    return;
  }
  FFilterText = filter;
  FFilter = std::move(parsed);
}

void TDataSet::SetFiltered(bool filtered) {
  if (FFiltered == filtered)
    return;
  if (GetActive()) {
    CheckBrowseMode();
    std::vector<size_t> view;
    BuildView(FFilter.get(), filtered, view);
    FView = std::move(view);
    FCursor = FView.empty() ? -1 : 0;
    FBof = true;
    FEof = FView.empty();
    FFiltered = filtered;
    DataEvent(TDataEvent::deDataSetChange);
    return;
  }
  FFiltered = filtered;
}

// ---- TDataSource ------------------------------------------------------------------------------

const TClassInfo& TDataSource::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDataSource>("TDataSource")
          .Property("AutoEdit", &TDataSource::GetAutoEdit, &TDataSource::SetAutoEdit)
          .Creatable()
          .Build();
  return info;
}

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
  if (FDataSet != nullptr)
    std::erase(FDataSet->FDataSources, this);
  for (TDataLink* link : std::vector<TDataLink*>(FLinks))
    link->SetDataSource(nullptr);
}

TDataSetState TDataSource::GetState() const {
  return FDataSet != nullptr ? FDataSet->GetState() : TDataSetState::dsInactive;
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet == FDataSet)
    return;
  if (FDataSet != nullptr)
    std::erase(FDataSet->FDataSources, this);
  FDataSet = dataSet;
  if (FDataSet != nullptr)
    FDataSet->FDataSources.push_back(this);
  FState = GetState();
  for (TDataLink* link : std::vector<TDataLink*>(FLinks)) {
    link->DataEvent(TDataEvent::deUpdateState, nullptr);
    if (link->GetActive())
      link->DataEvent(TDataEvent::deDataSetChange, nullptr);
  }
  if (OnStateChange)
    OnStateChange(this);
}

void TDataSource::DetachDataSet() {
  FDataSet = nullptr;
  FState = TDataSetState::dsInactive;
  for (TDataLink* link : std::vector<TDataLink*>(FLinks))
    link->DataEvent(TDataEvent::deUpdateState, nullptr);
}

void TDataSource::Edit() {
  if (FAutoEdit && FDataSet != nullptr && FDataSet->GetState() == TDataSetState::dsBrowse)
    FDataSet->Edit();
}

void TDataSource::NotifyStateChange() {
  const TDataSetState state = GetState();
  if (state == FState)
    return;
  FState = state;
  if (OnStateChange)
    OnStateChange(this);
}

void TDataSource::DataEvent(TDataEvent event, TField* field) {
  for (TDataLink* link : std::vector<TDataLink*>(FLinks))
    link->DataEvent(event, field);
  switch (event) {
  case TDataEvent::deUpdateState:
    NotifyStateChange();
    break;
  case TDataEvent::deFieldChange:
  case TDataEvent::deDataSetChange:
  case TDataEvent::deDataSetScroll:
  case TDataEvent::deLayoutChange:
    if (OnDataChange && FState != TDataSetState::dsInactive)
      OnDataChange(this, event == TDataEvent::deFieldChange ? field : nullptr);
    break;
  case TDataEvent::deUpdateRecord:
    if (OnUpdateData)
      OnUpdateData(this);
    break;
  case TDataEvent::deCheckBrowseMode:
    break;
  }
}

// ---- TDataLink --------------------------------------------------------------------------------

TDataLink::~TDataLink() {
  if (FDataSource != nullptr)
    std::erase(FDataSource->FLinks, this);
}

void TDataLink::SetDataSource(TDataSource* dataSource) {
  if (dataSource == FDataSource)
    return;
  if (FDataSource != nullptr)
    std::erase(FDataSource->FLinks, this);
  FDataSource = dataSource;
  if (FDataSource != nullptr)
    FDataSource->FLinks.push_back(this);
  UpdateActiveAndEditing();
  if (FActive)
    DataSetChanged();
}

TDataSet* TDataLink::GetDataSet() const {
  return FDataSource != nullptr ? FDataSource->GetDataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool readOnly) {
  if (FReadOnly == readOnly)
    return;
  FReadOnly = readOnly;
  UpdateActiveAndEditing();
}

void TDataLink::UpdateActiveAndEditing() {
  const TDataSet* dataSet = GetDataSet();
  const bool active = dataSet != nullptr && dataSet->GetActive();
  if (active != FActive) {
    FActive = active;
    ActiveChanged();
  }
  const bool editing = active && !FReadOnly && IsEditing(dataSet->GetState());
  if (editing != FEditing) {
    FEditing = editing;
    EditingChanged();
  }
}

bool TDataLink::Edit() {
  if (!FReadOnly && FDataSource != nullptr)
    FDataSource->Edit();
  return FEditing;
}

void TDataLink::UpdateRecord() {
  FUpdating = true;
  try {
    UpdateData();
  } catch (...) {
    FUpdating = false;
    throw;
  }
  FUpdating = false;
}

void TDataLink::DataEvent(TDataEvent event, TField* field) {
  switch (event) {
  case TDataEvent::deUpdateState:
    UpdateActiveAndEditing();
    break;
  case TDataEvent::deFieldChange:
    if (!FUpdating)
      RecordChanged(field);
    break;
  case TDataEvent::deDataSetChange:
    DataSetChanged();
    break;
  case TDataEvent::deDataSetScroll:
    DataSetScrolled();
    break;
  case TDataEvent::deLayoutChange:
    LayoutChanged();
    break;
  case TDataEvent::deUpdateRecord:
    UpdateRecord();
    break;
  case TDataEvent::deCheckBrowseMode:
    CheckBrowseMode();
    break;
  }
}

// ---- TFieldDataLink ---------------------------------------------------------------------------

void TFieldDataLink::SetFieldName(const std::string& fieldName) {
  if (fieldName == FFieldName)
    return;
  FFieldName = fieldName;
  ResolveField();
  if (OnDataChange)
    OnDataChange();
}

void TFieldDataLink::ResolveField() {
  TDataSet* dataSet = GetDataSet();
  FField = GetActive() && dataSet != nullptr && !FFieldName.empty() ? dataSet->FindField(FFieldName)
                                                                    : nullptr;
}

bool TFieldDataLink::GetCanModify() const {
  return !GetReadOnly() && FField != nullptr && FField->GetCanModify();
}

bool TFieldDataLink::Edit() {
  if (GetCanModify())
    TDataLink::Edit();
  return GetEditing();
}

void TFieldDataLink::ActiveChanged() {
  ResolveField();
  if (OnActiveChange)
    OnActiveChange();
  if (OnDataChange)
    OnDataChange();
}

void TFieldDataLink::EditingChanged() {
  if (OnEditingChange)
    OnEditingChange();
}

void TFieldDataLink::RecordChanged(TField* field) {
  if ((field == nullptr || field == FField) && OnDataChange)
    OnDataChange();
}

void TFieldDataLink::LayoutChanged() {
  ResolveField();
  DataSetChanged();
}

void TFieldDataLink::UpdateData() {
  if (OnUpdateData)
    OnUpdateData();
}
