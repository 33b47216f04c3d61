#include "data/Query.h"

#include "data/Connection.h"
#include "data/DataTexts.h"
#include "data/DatabaseError.h"
#include "data/Firebird.h"
#include "data/Win1252.h"
#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"

#include <algorithm>
#include <limits>

namespace {

std::string Quote(const std::string& name) {
  std::string quoted(1, '"');
  quoted += StringReplaceAll(name, "\"", "\"\"");
  quoted += '"';
  return quoted;
}

TFieldType FieldTypeOf(const detail::TFbColumn& column, int& size) {
  size = 0;
  switch (column.Type) {
  case 448: // SQL_VARYING
  case 452: // SQL_TEXT
    if (column.CharSet == 1)
      return TFieldType::ftBytes;
    size = static_cast<int>(column.CharLength());
    return TFieldType::ftString;
  case 500: // SQL_SHORT
    return column.Scale != 0 ? TFieldType::ftFloat : TFieldType::ftSmallint;
  case 496: // SQL_LONG
    return column.Scale != 0 ? TFieldType::ftFloat : TFieldType::ftInteger;
  case 580: // SQL_INT64
    return column.Scale != 0 ? TFieldType::ftFloat : TFieldType::ftLargeint;
  case 480: // SQL_DOUBLE
  case 482: // SQL_FLOAT
    return TFieldType::ftFloat;
  case 510: // SQL_TIMESTAMP
    return TFieldType::ftTimeStamp;
  case 570: // SQL_TYPE_DATE
    return TFieldType::ftDate;
  case 560: // SQL_TYPE_TIME
    return TFieldType::ftTime;
  case 32764: // SQL_BOOLEAN
    return TFieldType::ftBoolean;
  case 520: // SQL_BLOB
    return column.SubType == 1 ? TFieldType::ftMemo : TFieldType::ftBlob;
  default:
    return TFieldType::ftUnknown;
  }
}

// Says what a query was doing in an error only a developer can make sense of; a database refusal
// the user caused (a duplicate key, a row another user holds, changed or deleted, a lost
// connection) gets the text the user reads instead.
void Explain(Exception& error, const std::string& context) {
  const auto* database = dynamic_cast<const EDatabaseError*>(&error);
  const TDatabaseErrorKind kind =
      database == nullptr ? TDatabaseErrorKind::dekOther : database->GetKind();
  const auto texts = DataTexts();
  switch (kind) {
  case TDatabaseErrorKind::dekOther:
    error.SetMessage(context + error.Message());
    break;
  case TDatabaseErrorKind::dekUniqueViolation:
    error.SetMessage(FormatDataText(texts->DuplicateKey, {{"detail", error.Message()}}));
    break;
  case TDatabaseErrorKind::dekForeignKey:
    error.SetMessage(FormatDataText(texts->RecordReferenced, {{"detail", error.Message()}}));
    break;
  case TDatabaseErrorKind::dekLockConflict:
    error.SetMessage(FormatDataText(texts->RecordLocked, {{"detail", error.Message()}}));
    break;
  case TDatabaseErrorKind::dekConnectionLost:
  case TDatabaseErrorKind::dekRecordChanged:
  case TDatabaseErrorKind::dekRecordDeleted:
    break;
  }
}

} // namespace

// ---- TParam -----------------------------------------------------------------------------------

void TParam::SetDataType(TFieldType dataType) {
  FDataType = dataType;
  if (!FValue.IsEmptyOrNull())
    SetValue(Variant(FValue));
}

void TParam::SetValue(const Variant& value) {
  if (value.IsEmptyOrNull()) {
    FValue = Variant::Null();
    return;
  }
  auto refuse = [&](const std::string& why) {
    throw EConvertError(why + " for parameter " + FName + " (" + FieldTypeName(FDataType) + ")");
  };
  switch (FDataType) {
  case TFieldType::ftSmallint:
  case TFieldType::ftInteger:
  case TFieldType::ftLargeint: {
    int64_t number = 0;
    try {
      number = value.AsInt64();
    } catch (const EConvertError&) {
      refuse("\"" + value.AsString() + "\" is not a valid integer");
    }
    const int64_t limit = FDataType == TFieldType::ftSmallint ? std::numeric_limits<int16_t>::max()
                          : FDataType == TFieldType::ftInteger
                              ? std::numeric_limits<int32_t>::max()
                              : std::numeric_limits<int64_t>::max();
    if (number > limit || number < -limit - 1)
      refuse(std::to_string(number) + " is out of range");
    FValue = FDataType == TFieldType::ftLargeint ? Variant(number)
                                                 : Variant(static_cast<int32_t>(number));
    return;
  }
  default:
    FValue = value;
  }
}

void TParam::SetTyped(TFieldType type, const Variant& value) {
  if (FDataType == TFieldType::ftUnknown)
    FDataType = type;
  SetValue(value);
}

void TParam::SetAsInteger(int32_t value) {
  SetTyped(TFieldType::ftInteger, Variant(value));
}

void TParam::SetAsLargeInt(int64_t value) {
  SetTyped(TFieldType::ftLargeint, Variant(value));
}

void TParam::SetAsString(const std::string& value) {
  SetTyped(TFieldType::ftString, Variant(value));
}

void TParam::SetAsFloat(double value) {
  SetTyped(TFieldType::ftFloat, Variant(value));
}

void TParam::SetAsDateTime(TDateTime value) {
  SetTyped(TFieldType::ftTimeStamp, Variant(value));
}

TParam& TParams::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("Parameter index " + std::to_string(index) + " out of range");
  return *FItems[index];
}

TParam* TParams::FindParam(std::string_view name) const {
  for (const auto& param : FItems)
    if (SameText(param->GetName(), name))
      return param.get();
  return nullptr;
}

TParam& TParams::ParamByName(std::string_view name) const {
  TParam* param = FindParam(name);
  if (param == nullptr)
    throw Exception("Parameter \"" + std::string(name) + "\" not found");
  return *param;
}

void TParams::Update(const std::vector<std::string>& names) {
  std::vector<std::unique_ptr<TParam>> items;
  for (const std::string& name : names) {
    if (std::any_of(items.begin(), items.end(),
                    [&](const auto& item) { return SameText(item->GetName(), name); }))
      continue;
    auto existing = std::find_if(FItems.begin(), FItems.end(), [&](const auto& item) {
      return item && SameText(item->GetName(), name);
    });
    items.push_back(existing != FItems.end() ? std::move(*existing)
                                             : std::make_unique<TParam>(name));
  }
  FItems = std::move(items);
}

// ---- TQuery -----------------------------------------------------------------------------------

const TClassInfo& TQuery::StaticClass() {
  static const TClassInfo info = TClassBuilder<TQuery>("TQuery").Creatable().Build();
  return info;
}

TQuery::TQuery(TComponent* AOwner) : TDataSet(AOwner) {
  FSQL.OnChange = [this](TStrings&) { SQLChanged(); };
}

TQuery::~TQuery() {
  FSQL.OnChange = nullptr;
  SetConnection(nullptr);
}

void TQuery::SetConnection(TConnection* connection) {
  if (connection == FConnection)
    return;
  Close();
  if (FConnection != nullptr)
    std::erase(FConnection->FQueries, this);
  FConnection = connection;
  if (FConnection != nullptr)
    FConnection->FQueries.push_back(this);
}

void TQuery::SQLChanged() {
  Close();
  FParsed = detail::RewriteParams(FSQL.GetText());
  FParams.Update(FParsed.ParamNames);
}

bool TQuery::GetCanModify() const {
  return !FKeyFields.empty();
}

std::vector<Variant> TQuery::ParamValues() const {
  std::vector<Variant> values;
  values.reserve(FParsed.ParamNames.size());
  for (const std::string& name : FParsed.ParamNames)
    values.push_back(FParams.ParamByName(name).GetValue());
  return values;
}

void TQuery::InternalOpen(std::vector<TColumn>& columns, std::vector<TValues>& rows) {
  if (FConnection == nullptr)
    throw Exception("Query \"" + GetName() + "\" has no connection");
  if (Trim(FParsed.Sql).empty())
    throw Exception("Query \"" + GetName() + "\" has no SQL");
  std::vector<detail::TFbColumn> described;
  try {
    FConnection->RunAttached([&](detail::TFbAttachment& attachment) {
      detail::TFbTransaction transaction(attachment, detail::TFbTransactionKind::Read);
      detail::TFbStatement statement(attachment, transaction, FParsed.Sql);
      statement.OpenCursor(transaction, ParamValues());
      TValues row;
      while (statement.Fetch(row))
        rows.push_back(std::move(row));
      transaction.Commit();
      described = statement.Columns();
    });
  } catch (Exception& error) {
    Explain(error, "Query \"" + GetName() + "\": ");
    throw;
  }

  FUpdateTable = detail::MainTableOf(FParsed.Sql);
  FSourceColumns.clear();
  FKeyFields.clear();
  for (const detail::TFbColumn& column : described) {
    TColumn field;
    field.Name = column.Name;
    field.DataType = FieldTypeOf(column, field.Size);
    const bool writable =
        !FUpdateTable.empty() && column.Relation == FUpdateTable && !column.Field.empty();
    field.ReadOnly = !writable;
    field.Required = writable && !column.Nullable;
    FSourceColumns.push_back(writable ? column.Field : std::string());
    columns.push_back(std::move(field));
  }
  if (FUpdateTable.empty())
    return;
  for (const std::string& key : FConnection->PrimaryKeyOf(FUpdateTable)) {
    const auto found = std::find(FSourceColumns.begin(), FSourceColumns.end(), key);
    if (found == FSourceColumns.end()) {
      FKeyFields.clear();
      return;
    }
    FKeyFields.push_back(static_cast<int>(found - FSourceColumns.begin()));
  }
}

std::string TQuery::WhereKey(const TValues& values, std::vector<Variant>& params) const {
  std::string where;
  for (const int index : FKeyFields) {
    where += (where.empty() ? " WHERE " : " AND ") + Quote(FSourceColumns[index]) + " = ?";
    params.push_back(values[index]);
  }
  return where;
}

void TQuery::InternalPost(TValues& values, const TValues* original,
                          const std::vector<bool>& modified) {
  if (FKeyFields.empty())
    throw Exception("Query \"" + GetName() + "\" cannot be modified");
  try {
    FConnection->RunAttached([&](detail::TFbAttachment& attachment) {
      detail::TFbTransaction transaction(attachment, detail::TFbTransactionKind::Write);
      if (original == nullptr)
        InsertRow(attachment, transaction, values);
      else if (!UpdateRow(attachment, transaction, values, *original, modified))
        return;
      transaction.Commit();
    });
  } catch (Exception& error) {
    Explain(error, "Query \"" + GetName() + "\": saving to " + FUpdateTable + " failed: ");
    throw;
  }
}

void TQuery::InsertRow(detail::TFbAttachment& attachment, detail::TFbTransaction& transaction,
                       TValues& values) {
  std::vector<Variant> params;
  std::string names, marks, returning;
  for (size_t i = 0; i < FSourceColumns.size(); ++i) {
    if (FSourceColumns[i].empty() || values[i].IsEmptyOrNull())
      continue;
    names += (names.empty() ? "" : ", ") + Quote(FSourceColumns[i]);
    marks += marks.empty() ? "?" : ", ?";
    params.push_back(values[i]);
  }
  for (const int index : FKeyFields)
    returning += (returning.empty() ? "" : ", ") + Quote(FSourceColumns[index]);
  const std::string sql =
      "INSERT INTO " + Quote(FUpdateTable) +
      (names.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + marks + ")") +
      " RETURNING " + returning;
  detail::TFbStatement statement(attachment, transaction, sql);
  TValues keys;
  statement.Execute(transaction, params, &keys);
  for (size_t k = 0; k < FKeyFields.size() && k < keys.size(); ++k)
    values[FKeyFields[k]] = Fields(FKeyFields[k]).Convert(keys[k]);
}

// The row is found by its key as it was read, and written only while every column being changed
// still holds the value read: a row another user changed meanwhile is left as that user saved
// it, and the caller learns whether it was changed or deleted.
bool TQuery::UpdateRow(detail::TFbAttachment& attachment, detail::TFbTransaction& transaction,
                       const TValues& values, const TValues& original,
                       const std::vector<bool>& modified) {
  std::vector<Variant> params;
  std::vector<Variant> unchanged;
  std::string assignments, stillAsRead;
  for (size_t i = 0; i < FSourceColumns.size(); ++i) {
    if (FSourceColumns[i].empty() || !modified[i])
      continue;
    assignments += (assignments.empty() ? "" : ", ") + Quote(FSourceColumns[i]) + " = ?";
    params.push_back(values[i]);
    stillAsRead += " AND " + Quote(FSourceColumns[i]) + " IS NOT DISTINCT FROM ?";
    unchanged.push_back(original[i]);
  }
  if (assignments.empty())
    return false;
  std::vector<Variant> key;
  const std::string where = WhereKey(original, key);
  params.insert(params.end(), key.begin(), key.end());
  params.insert(params.end(), unchanged.begin(), unchanged.end());
  detail::TFbStatement statement(attachment, transaction,
                                 "UPDATE " + Quote(FUpdateTable) + " SET " + assignments + where +
                                     stillAsRead);
  if (statement.Execute(transaction, params) > 0)
    return true;
  detail::TFbStatement exists(attachment, transaction,
                              "SELECT 1 FROM " + Quote(FUpdateTable) + where);
  std::vector<Variant> row;
  exists.OpenCursor(transaction, key);
  const auto texts = DataTexts();
  if (exists.Fetch(row))
    throw EDatabaseError(texts->RecordChanged, TDatabaseErrorKind::dekRecordChanged);
  throw EDatabaseError(texts->RecordDeleted, TDatabaseErrorKind::dekRecordDeleted);
}

void TQuery::InternalDelete(const TValues& values) {
  if (FKeyFields.empty())
    throw Exception("Query \"" + GetName() + "\" cannot be modified");
  try {
    FConnection->RunAttached([&](detail::TFbAttachment& attachment) {
      detail::TFbTransaction transaction(attachment, detail::TFbTransactionKind::Write);
      std::vector<Variant> params;
      const std::string where = WhereKey(values, params);
      detail::TFbStatement(attachment, transaction, "DELETE FROM " + Quote(FUpdateTable) + where)
          .Execute(transaction, params);
      transaction.Commit();
    });
  } catch (Exception& error) {
    Explain(error, "Query \"" + GetName() + "\": deleting from " + FUpdateTable + " failed: ");
    throw;
  }
}

void TQuery::CheckStorable(const TField& field, const Variant& value) const {
  if (FConnection == nullptr || value.GetKind() != Variant::Kind::String ||
      !FConnection->ConvertsText())
    return;
  try {
    detail::Utf8ToWin1252(value.AsString());
  } catch (const detail::EWin1252Error& error) {
    if (error.GetCharacter().empty())
      throw EConvertError(error.Message() + " (field \"" + field.GetDisplayLabel() + "\")");
    throw EConvertError(
        FormatDataText(DataTexts()->NotStorable,
                       {{"field", field.GetDisplayLabel()}, {"character", error.GetCharacter()}}));
  }
}

uint64_t TQuery::ExecSQL() {
  if (FConnection == nullptr)
    throw Exception("Query \"" + GetName() + "\" has no connection");
  try {
    return FConnection->ExecSQL(FParsed.Sql, ParamValues());
  } catch (Exception& error) {
    Explain(error, "Query \"" + GetName() + "\": ");
    throw;
  }
}
