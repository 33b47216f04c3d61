#include "data/DB.h"

#include <vector>

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
  const bool editing = active && !FReadOnly && detail::IsEditState(dataSet->GetState());
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
