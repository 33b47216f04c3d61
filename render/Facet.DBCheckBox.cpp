#include "render/Facet.DBCheckBox.h"

#include "render/Facet.CheckBox.h"
#include "runtime/StrUtils.h"

const TClassInfo& TFacetDBCheckBox::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFacetDBCheckBox>("TFacetDBCheckBox").Creatable().Build();
  return info;
}

std::string TFacetDBCheckBox::GetText() const {
  return FProcGetText ? FProcGetText().AsString() : "";
}

bool TFacetDBCheckBox::GetChecked() const {
  const TField* field = Field();
  return field != nullptr && SameText(field->GetText(), FValueChecked);
}

void TFacetDBCheckBox::SetChecked(bool Value) {
  if (GetDataField().empty())
    return;
  if (TField* field = Field()) {
    if (!FDataLink.GetEditing() && Value != FStoredChecked)
      FDataLink.Edit();
    if (FDataLink.GetEditing())
      field->SetAsString(Value ? FValueChecked : FValueUnChecked);
  }
  FStoredChecked = Value;
}

void TFacetDBCheckBox::Initialize() {
  TFacetDBControl::Initialize();
  FStoredText = GetText();
  FStoredChecked = GetChecked();
}

void TFacetDBCheckBox::ProcessHTML() {
  FHTMLControl = CheckBoxHTML(FHTMLCore, ElementID(), GetChecked(), GetText());
}

void TFacetDBCheckBox::UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  UpdateCheckBoxState(*this, GetText(), GetChecked(), FStoredText, FStoredChecked, ScriptJS,
                      AForceUpdate);
}

void TFacetDBCheckBox::ProcessComponentState(const TJSON& ComponentStateInfo) {
  bool checked = false;
  if (CheckedFromState(ComponentStateInfo, checked) && checked != FStoredChecked)
    SetChecked(checked);
}
