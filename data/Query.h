#pragma once
#include "data/DB.h"
#include "data/SqlText.h"
#include "runtime/Strings.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TConnection;
namespace detail {
class TFbAttachment;
class TFbTransaction;
} // namespace detail

// A named parameter of a query (":P_ID_SOLICITACAO" in its SQL).  A value set is converted to
// the declared type, so a value the type cannot hold is refused when it is set; the AsXxx
// setters declare the type when none was declared.
class TParam {
public:
  explicit TParam(std::string name) : FName(std::move(name)) {}
  const std::string& GetName() const { return FName; }
  TFieldType GetDataType() const { return FDataType; }
  void SetDataType(TFieldType dataType);
  const Variant& GetValue() const { return FValue; }
  void SetValue(const Variant& value);
  bool IsNull() const { return FValue.IsEmptyOrNull(); }
  void Clear() { FValue = Variant::Null(); }
  int32_t GetAsInteger() const { return FValue.AsInteger(); }
  void SetAsInteger(int32_t value);
  int64_t GetAsLargeInt() const { return FValue.AsInt64(); }
  void SetAsLargeInt(int64_t value);
  std::string GetAsString() const { return FValue.AsString(); }
  void SetAsString(const std::string& value);
  double GetAsFloat() const { return FValue.AsFloat(); }
  void SetAsFloat(double value);
  TDateTime GetAsDateTime() const { return FValue.AsDateTime(); }
  void SetAsDateTime(TDateTime value);

private:
  // Takes `type` as the parameter's type when none was declared, then the value.
  void SetTyped(TFieldType type, const Variant& value);
  std::string FName;
  TFieldType FDataType = TFieldType::ftUnknown;
  Variant FValue = Variant::Null();
};

class TParams {
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  TParam& Items(int index) const;
  // Names compared without case.
  TParam* FindParam(std::string_view name) const;
  TParam& ParamByName(std::string_view name) const;
  // Keeps the parameters named (with their types and values) and adds the new ones, in order.
  void Update(const std::vector<std::string>& names);

private:
  std::vector<std::unique_ptr<TParam>> FItems;
};

// A dataset read from the database by a select.  Opening reads every row.  Posting writes the
// record to the query's main table (the first table after FROM), identifying the row by that
// table's key; columns of joined tables and expressions are read-only and never written; each
// post is committed at once.  A change is written only while the columns it changes still hold
// the values read: a row another user changed or deleted meanwhile is refused with an
// EDatabaseError (dekRecordChanged, dekRecordDeleted) and the record stays in edit state.  A new
// record whose key is 0 or null gets the key the database gives it.  A query whose main table has
// no key among its columns cannot be changed.
class TQuery : public TDataSet {
  DUO_CLASS(TQuery, TDataSet)
public:
  explicit TQuery(TComponent* AOwner);
  ~TQuery() override;

  TConnection* GetConnection() const { return FConnection; }
  void SetConnection(TConnection* connection);
  // The statement, one clause item per line.  Changing it closes the query.
  TStrings& GetSQL() { return FSQL; }
  TParams& GetParams() { return FParams; }
  TParam& ParamByName(std::string_view name) const { return FParams.ParamByName(name); }
  // Runs a statement that returns no rows and commits it; returns the rows it changed.
  uint64_t ExecSQL();
  // The table posts are written to; known once the query has been opened.
  const std::string& GetUpdateTable() const { return FUpdateTable; }
  bool GetCanModify() const override;

protected:
  void InternalOpen(std::vector<TColumn>& columns, std::vector<TValues>& rows) override;
  void InternalPost(TValues& values, const TValues* original,
                    const std::vector<bool>& modified) override;
  void InternalDelete(const TValues& values) override;
  std::vector<int> KeyFieldIndexes() const override { return FKeyFields; }
  void CheckStorable(const TField& field, const Variant& value) const override;

private:
  friend class TConnection;
  TConnection* FConnection = nullptr;
  TStringList FSQL;
  TParams FParams;
  detail::TParsedSql FParsed;
  std::string FUpdateTable;
  std::vector<std::string> FSourceColumns; // per field: its column in the main table, or empty
  std::vector<int> FKeyFields;

  void SQLChanged();
  std::vector<Variant> ParamValues() const;
  std::string WhereKey(const TValues& values, std::vector<Variant>& params) const;
  void InsertRow(detail::TFbAttachment& attachment, detail::TFbTransaction& transaction,
                 TValues& values);
  // False when no column of the main table was changed (nothing to write).
  bool UpdateRow(detail::TFbAttachment& attachment, detail::TFbTransaction& transaction,
                 const TValues& values, const TValues& original, const std::vector<bool>& modified);
};
