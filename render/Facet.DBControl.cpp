#include "render/Facet.DBControl.h"

#include "render/Facet.Forms.Interfaces.h"

void TFacetFieldDataLink::DataEvent(TDataEvent Event, TField* Field) {
  const bool wasActive = FWasActive;
  TFieldDataLink::DataEvent(Event, Field);
  FWasActive = GetDataSet() != nullptr && GetDataSet()->GetActive();
  if (OnDataEvent)
    OnDataEvent(Event, wasActive);
}

const TClassInfo& TFacetDBControl::StaticClass() {
  static const TClassInfo info = TClassBuilder<TFacetDBControl>("TFacetDBControl").Build();
  return info;
}

TFacetDBControl::~TFacetDBControl() {
  SetDataSource(nullptr);
}

void TFacetDBControl::SetDataSource(TDataSource* Value) {
  WatchDataSource(FDataLink.GetDataSource(), Value);
  FDataLink.SetDataSource(Value);
}

void TFacetDBControl::WatchDataSource(TDataSource* Previous, TDataSource* Value) {
  if (Previous == Value)
    return;
  if (Previous != nullptr)
    RemoveFreeNotification(Previous);
  if (Value != nullptr)
    FreeNotification(Value);
}

void TFacetDBControl::Notification(TComponent* AComponent, TOperation Operation) {
  TFacetControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FDataLink.GetDataSource())
    FDataLink.SetDataSource(nullptr);
}

std::string TFacetDBControl::FieldText() const {
  const TField* field = Field();
  return field != nullptr ? field->GetText() : "";
}

void TFacetDBControl::WriteField(bool Changed, const std::function<void(TField&)>& Write) {
  TField* field = Field();
  if (field == nullptr || !Changed)
    return;
  const IFacetForm* form = GetForm();
  if (form != nullptr && form->GetComponentsUpdating() && !FDataLink.GetEditing())
    FDataLink.Edit();
  if (FDataLink.GetEditing())
    Write(*field);
}
