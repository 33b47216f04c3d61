#include "data/DB.h"

#include "data/DataTexts.h"
#include "data/FilterExpression.h"
#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"

#include <algorithm>

namespace {

const Variant& NullValue() {
  static const Variant null = Variant::Null();
  return null;
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
  if (detail::IsEditState(FState))
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

void TDataSet::RebuildView() {
  std::vector<size_t> view;
  BuildView(FFilter.get(), FFiltered, view);
  FView = std::move(view);
}

void TDataSet::ShowView(std::vector<size_t> view) {
  FView = std::move(view);
  FCursor = FView.empty() ? -1 : 0;
  FBof = true;
  FEof = FView.empty();
  DataEvent(TDataEvent::deDataSetChange);
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
  RebuildView();
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

void TDataSet::ScrollTo(int position) {
  CheckBrowseMode();
  Fire(BeforeScroll);
  MoveTo(position, true);
  FBof = FEof = false;
  Fire(AfterScroll);
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
  ScrollTo(recNo - 1);
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
  ScrollTo(position);
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
      ScrollTo(static_cast<int>(i));
      return true;
    }
  }
  return false;
}

// ---- Editing ----------------------------------------------------------------------------------

void TDataSet::CheckBrowseMode() {
  CheckActive();
  if (!detail::IsEditState(FState))
    return;
  DataEvent(TDataEvent::deCheckBrowseMode);
  UpdateRecord();
  if (FModified)
    Post();
  else
    Cancel();
}

void TDataSet::UpdateRecord() {
  if (detail::IsEditState(FState))
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
  if (detail::IsEditState(FState))
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
  if (!detail::IsEditState(FState))
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
  RebuildView();
  const int position = PositionOfRecord(id);
  FCursor = position >= 0 ? position : std::min(FCursor, static_cast<int>(FView.size()) - 1);
  FBof = FEof = FView.empty();
  LeaveEditState();
  Fire(AfterPost);
}

void TDataSet::LeaveEditState() {
  FBuffer.clear();
  FChanged.clear();
  FModified = false;
  SetState(TDataSetState::dsBrowse);
  DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Cancel() {
  if (!detail::IsEditState(FState))
    return;
  Fire(BeforeCancel);
  LeaveEditState();
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
  RebuildView();
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
    ShowView(std::move(view));
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
    FFiltered = filtered;
    ShowView(std::move(view));
    return;
  }
  FFiltered = filtered;
}
