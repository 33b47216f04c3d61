#include "data/DB.h"

#include <vector>

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
