#pragma once
#include "runtime/Component.h"
#include "runtime/Variant.h"

#include <compare>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Datasets, fields, data sources and data links: the records a form works on, the field values
// with their conversions and refusals, and the notifications controls follow.

struct TDataTexts;
class TDataSet;
class TDataSource;
class TDataLink;

namespace detail {
class TFilterExpression;
}

enum class TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftLargeint,
  ftBoolean,
  ftFloat,
  ftDate,
  ftTime,
  ftDateTime,
  ftTimeStamp,
  ftMemo,
  ftBlob,
  ftBytes
};

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// What a dataset tells its data sources and links.
enum class TDataEvent {
  deFieldChange,     // one field of the current record changed (the field is given)
  deDataSetChange,   // the records changed (open, refresh, filter, post, delete)
  deDataSetScroll,   // another record became current
  deLayoutChange,    // the fields changed
  deUpdateRecord,    // controls are asked to write what they hold into the record
  deUpdateState,     // the state changed (inactive, browse, edit, insert)
  deCheckBrowseMode, // the dataset is about to leave the current record
};

// Identifies a record for as long as it exists in the dataset (not across Close).
struct TBookmark {
  uint64_t Id = 0;
  bool IsValid() const { return Id != 0; }
  auto operator<=>(const TBookmark&) const = default;
};

struct TLocateOptions {
  bool CaseInsensitive = false;
  bool PartialKey = false;
};

using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;

// One column of a dataset.  Values are read from the dataset's current record, or from the
// record being edited or inserted; writing needs the edit or insert state.  Every value written
// is converted to the field's type first: text that is not a valid number or date, text longer
// than the field, or a value out of the field's range raises an error naming the field's label
// and leaves the field unchanged.  Writing the empty text, or Clear, makes the field null.
class TField {
public:
  TField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, int size);
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  TDataSet* GetDataSet() const { return FDataSet; }
  const std::string& GetFieldName() const { return FFieldName; }
  TFieldType GetDataType() const { return FDataType; }
  // Characters of a text field; 0 for other types.
  int GetSize() const { return FSize; }
  // Position among the dataset's fields.
  int GetIndex() const { return FIndex; }

  // The label shown as a grid title and in messages; the field name when none was set.
  const std::string& GetDisplayLabel() const;
  void SetDisplayLabel(std::string label) { FDisplayLabel = std::move(label); }
  // A number format ("00000000" pads to eight digits) or a date format ("dd/mm/yyyy"), with
  // Brazilian separators.
  const std::string& GetDisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(std::string format) { FDisplayFormat = std::move(format); }
  bool GetRequired() const { return FRequired; }
  void SetRequired(bool required) { FRequired = required; }
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool visible) { FVisible = visible; }
  // Not read-only, and the dataset can be changed.
  bool GetCanModify() const;

  bool IsNull() const;
  void Clear();
  Variant GetAsVariant() const;
  void SetAsVariant(const Variant& value);
  std::string GetAsString() const;
  void SetAsString(const std::string& value);
  int32_t GetAsInteger() const;
  void SetAsInteger(int32_t value);
  int64_t GetAsLargeInt() const;
  void SetAsLargeInt(int64_t value);
  double GetAsFloat() const;
  void SetAsFloat(double value);
  bool GetAsBoolean() const;
  void SetAsBoolean(bool value);
  TDateTime GetAsDateTime() const;
  void SetAsDateTime(TDateTime value);
  TBytes GetAsBytes() const;
  void SetAsBytes(const TBytes& value);
  // The value as a control edits it ("31/12/2026 14:05:00" for a time stamp).
  std::string GetText() const;
  void SetText(const std::string& text) { SetAsString(text); }
  // The value as shown, through the display format.
  std::string GetDisplayText() const;

  // The value converted to this field's type, or an error naming the field.
  Variant Convert(const Variant& value) const;

private:
  friend class TDataSet;
  TDataSet* FDataSet;
  std::string FFieldName;
  TFieldType FDataType;
  int FSize;
  int FIndex = 0;
  std::string FDisplayLabel;
  std::string FDisplayFormat;
  bool FRequired = false;
  bool FReadOnly = false;
  bool FVisible = true;
  bool FDefined = false; // declared before opening: kept when the dataset's columns change

  const Variant& Value() const;
  std::string TextOf(const Variant& value) const;
  std::string DisplayTextOf(const Variant& value) const;
  [[noreturn]] void Refuse(const std::string& why) const;
  // Refuses `value` with one of the texts the user reads (see DataTexts.h).
  [[noreturn]] void RefuseValue(const std::string TDataTexts::*text,
                                const std::string& value) const;
};

// Records in memory with a current record, states, navigation, editing with events, and a local
// filter.  A concrete dataset reads its records and writes posted changes (TQuery); this base
// keeps them in memory only.
class TDataSet : public TComponent {
  DUO_CLASS(TDataSet, TComponent)
public:
  explicit TDataSet(TComponent* AOwner);
  ~TDataSet() override;

  bool GetActive() const { return FState != TDataSetState::dsInactive; }
  void SetActive(bool active);
  void Open();
  void Close();
  TDataSetState GetState() const { return FState; }

  // Fields.  DefineField declares a field before the dataset opens, so that its label, format and
  // flags are kept across Close and Open; its type is the column's when the data has one.
  TField& DefineField(const std::string& name, TFieldType dataType = TFieldType::ftUnknown,
                      int size = 0);
  int GetFieldCount() const { return static_cast<int>(FFields.size()); }
  TField& Fields(int index) const;
  TField* FindField(std::string_view name) const;
  // Raises an error naming the field and the dataset when there is no such field.
  TField& FieldByName(std::string_view name) const;

  // Navigation over the records that pass the filter.  Leaving a record that is being edited
  // posts it when it was changed, and cancels it otherwise.
  void First();
  void Last();
  void Next();
  void Prior();
  int MoveBy(int distance);
  bool GetEof() const { return FEof; }
  bool GetBof() const { return FBof; }
  bool IsEmpty() const { return FView.empty(); }
  int GetRecordCount() const { return static_cast<int>(FView.size()); }
  // 1 for the first record; 0 when there is none.
  int GetRecNo() const;
  void SetRecNo(int recNo);
  // A field's display text in the record at `recNo` (1-based, among the records that pass the
  // filter) without making that record current, so that no scroll events are raised: what a grid
  // paints for its rows.  The current record shows the values being edited.
  std::string DisplayTextAt(int recNo, const TField& field) const;
  TBookmark GetBookmark() const;
  bool BookmarkValid(TBookmark bookmark) const;
  void GotoBookmark(TBookmark bookmark);
  // Fields separated by ";" and one value per field; true when a record matched and became
  // current.
  bool Locate(const std::string& keyFields, const std::vector<Variant>& keyValues,
              TLocateOptions options = {});

  // Editing.  Edit on an empty dataset starts a new record.  Post checks required fields, writes
  // the record (see the concrete dataset) and returns to browse; when any of that fails the record
  // stays in its edit or insert state with the values given.
  void Append();
  void Insert();
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  // Reads the records again and returns to the same record (by key when the dataset has one).
  void Refresh();
  bool GetModified() const { return FModified; }
  virtual bool GetCanModify() const { return true; }
  void CheckBrowseMode();
  // Asks the controls to write what they hold into the record.
  void UpdateRecord();

  // The local filter: an expression over field names evaluated on the records already read
  // (see FilterExpression.h).  Setting a malformed expression raises and changes nothing.
  const std::string& GetFilter() const { return FFilterText; }
  void SetFilter(const std::string& filter);
  bool GetFiltered() const { return FFiltered; }
  void SetFiltered(bool filtered);

  // While disabled (counted), data sources and links are not told of changes; enabling tells them
  // once that everything may have changed.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount > 0; }

  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
  // Called when a record is appended or inserted, before it is shown: sets its defaults.
  TDataSetNotifyEvent OnNewRecord;

protected:
  struct TColumn {
    std::string Name;
    TFieldType DataType = TFieldType::ftUnknown;
    int Size = 0;
    bool Required = false;
    bool ReadOnly = false;
  };
  using TValues = std::vector<Variant>;

  // Reads the columns and all records.  The base class has no source: it keeps the defined
  // fields and no records.
  virtual void InternalOpen(std::vector<TColumn>& columns, std::vector<TValues>& rows);
  virtual void InternalClose() {}
  // Writes a posted record.  `original` is the record before the edit (null for an insert);
  // `modified` flags the fields written since.  May change `values` (keys the database gave).
  virtual void InternalPost(TValues& values, const TValues* original,
                            const std::vector<bool>& modified);
  virtual void InternalDelete(const TValues& values);
  // Fields that identify a record across a refresh; none by default.
  virtual std::vector<int> KeyFieldIndexes() const { return {}; }
  // Refuses a value the dataset's storage cannot hold (raises naming the field).
  virtual void CheckStorable(const TField& field, const Variant& value) const;

  void DataEvent(TDataEvent event, TField* field = nullptr);

private:
  friend class TField;
  friend class TDataSource;

  struct TRecord {
    uint64_t Id = 0;
    TValues Values;
  };

  std::vector<std::unique_ptr<TField>> FFields;
  std::vector<TRecord> FRecords;
  std::vector<size_t> FView; // indexes into FRecords of the records that pass the filter
  int FCursor = -1;          // position in FView
  bool FEof = true;
  bool FBof = true;
  TDataSetState FState = TDataSetState::dsInactive;
  TValues FBuffer;            // the record being edited or inserted
  std::vector<bool> FChanged; // fields written since Edit or the new-record defaults
  bool FModified = false;
  size_t FInsertBefore = 0; // FRecords index the inserted record goes before
  uint64_t FNextId = 1;
  std::string FFilterText;
  std::shared_ptr<const detail::TFilterExpression> FFilter;
  bool FFiltered = false;
  int FDisableCount = 0;
  TDataSetState FStateWhenDisabled = TDataSetState::dsInactive;
  std::vector<TDataSource*> FDataSources;

  const Variant& FieldValue(int index) const;
  void SetFieldValue(TField& field, Variant value);
  void SetState(TDataSetState state);
  void Fire(const TDataSetNotifyEvent& event);
  void CheckActive() const;
  void Load();
  void BindFields(const std::vector<TColumn>& columns);
  void BuildView(const detail::TFilterExpression* filter, bool filtered,
                 std::vector<size_t>& view) const;
  // Applies the filter to the records again (the cursor is left to the caller).
  void RebuildView();
  // Shows `view` from its first record and tells the data sources.
  void ShowView(std::vector<size_t> view);
  void MoveTo(int position, bool notify);
  // Makes the record at `position` of the view current, leaving the record being edited first.
  void ScrollTo(int position);
  void StartNewRecord(bool append);
  // Drops the record being edited and returns to browsing, telling the data sources.
  void LeaveEditState();
  void CheckRequired() const;
  std::vector<Variant> KeyOf(const TValues& values) const;
  void LocateKeyOrRecNo(const std::vector<Variant>& key, int recNo);
  int PositionOfRecord(uint64_t id) const;
};

// Connects controls to a dataset.  Linking it to a dataset counts as a state change.
class TDataSource : public TComponent {
  DUO_CLASS(TDataSource, TComponent)
public:
  explicit TDataSource(TComponent* AOwner);
  ~TDataSource() override;

  TDataSet* GetDataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* dataSet);
  // The dataset's state; inactive without a dataset.
  TDataSetState GetState() const;
  // Whether typing into a control puts the dataset into edit state.
  bool GetAutoEdit() const { return FAutoEdit; }
  void SetAutoEdit(bool autoEdit) { FAutoEdit = autoEdit; }
  // Puts the dataset into edit state when AutoEdit allows and it is browsing.
  void Edit();

  std::function<void(TObject* Sender)> OnStateChange;
  std::function<void(TObject* Sender, TField* Field)> OnDataChange;
  std::function<void(TObject* Sender)> OnUpdateData;

private:
  friend class TDataSet;
  friend class TDataLink;
  TDataSet* FDataSet = nullptr;
  bool FAutoEdit = true;
  TDataSetState FState = TDataSetState::dsInactive;
  std::vector<TDataLink*> FLinks;

  void DataEvent(TDataEvent event, TField* field);
  void DetachDataSet();
  void NotifyStateChange();
};

// What a control holds to follow a data source: whether its dataset is open, whether it is being
// edited, and every change of record, records and fields.  Derived links override the reactions.
class TDataLink {
public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* GetDataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* dataSource);
  TDataSet* GetDataSet() const;
  bool GetActive() const { return FActive; }
  bool GetEditing() const { return FEditing; }
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool readOnly);
  // Puts the dataset into edit state when the link and the data source allow it; returns whether
  // the link is editing afterwards.
  virtual bool Edit();
  // Asks the control to write its value (UpdateData).
  void UpdateRecord();

protected:
  virtual void DataEvent(TDataEvent event, TField* field);
  virtual void ActiveChanged() {}
  virtual void EditingChanged() {}
  virtual void RecordChanged(TField* /*field*/) {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled() { DataSetChanged(); }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void UpdateData() {}
  virtual void CheckBrowseMode() {}

private:
  friend class TDataSource;
  TDataSource* FDataSource = nullptr;
  bool FActive = false;
  bool FEditing = false;
  bool FReadOnly = false;
  bool FUpdating = false;

  void UpdateActiveAndEditing();
};

// A link to one field of the current record: what a data-aware edit, label or check box holds.
class TFieldDataLink : public TDataLink {
public:
  const std::string& GetFieldName() const { return FFieldName; }
  void SetFieldName(const std::string& fieldName);
  // The linked field while the dataset is open and has it; nullptr otherwise.
  TField* GetField() const { return FField; }
  bool GetCanModify() const;
  bool Edit() override;

  // Reactions, for controls that hold a link instead of deriving from it.
  std::function<void()> OnDataChange;    // the field's value or the record changed
  std::function<void()> OnEditingChange; // editing started or ended
  std::function<void()> OnUpdateData;    // write the control's value now
  std::function<void()> OnActiveChange;  // the dataset opened or closed

protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void RecordChanged(TField* field) override;
  void LayoutChanged() override;
  void UpdateData() override;

private:
  std::string FFieldName;
  TField* FField = nullptr;
  void ResolveField();
};

const char* FieldTypeName(TFieldType type);

namespace detail {

// Whether a dataset in `state` holds a record being edited or inserted.
inline bool IsEditState(TDataSetState state) {
  return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}

} // namespace detail
