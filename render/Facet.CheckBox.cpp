#include "render/Facet.CheckBox.h"

#include "bridge/Duo.Util.h"
#include "runtime/StrUtils.h"

const TClassInfo& TFacetCheckBox::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFacetCheckBox>("TFacetCheckBox").Creatable().Build();
  return info;
}

std::string TFacetCheckBox::GetText() const {
  return FProcGetText ? FProcGetText().AsString() : "";
}

bool TFacetCheckBox::GetChecked() const {
  return FProcGetChecked ? FProcGetChecked().AsBoolean() : false;
}

void TFacetCheckBox::SetChecked(bool Value) {
  if (FProcSetChecked && Value != FStoredChecked)
    FProcSetChecked(Variant(Value));
  FStoredChecked = Value;
}

void TFacetCheckBox::Initialize() {
  TFacetControl::Initialize();
  FStoredText = GetText();
  FStoredChecked = GetChecked();
}

void TFacetCheckBox::ProcessHTML() {
  FHTMLControl = CheckBoxHTML(FHTMLCore, ElementID(), GetChecked(), GetText());
}

void TFacetCheckBox::UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  UpdateCheckBoxState(*this, GetText(), GetChecked(), FStoredText, FStoredChecked, ScriptJS,
                      AForceUpdate);
}

void TFacetCheckBox::ProcessComponentState(const TJSON& ComponentStateInfo) {
  bool checked = false;
  if (CheckedFromState(ComponentStateInfo, checked) && checked != FStoredChecked)
    SetChecked(checked);
}

void UpdateCheckBoxState(const TFacetControl& Control, const std::string& Text, bool Checked,
                         std::string& StoredText, bool& StoredChecked,
                         std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  if (AForceUpdate || Text != StoredText) {
    StoredText = Text;
    ScriptJS.push_back(CheckBoxTextStatement(Control.ElementID(), Text));
  }
  if (AForceUpdate || Checked != StoredChecked) {
    StoredChecked = Checked;
    ScriptJS.push_back(CheckBoxCheckedStatement(Control.ElementJS(), Checked));
  }
}

std::string CheckBoxHTML(const std::string& Core, const std::string& ElementID, bool Checked,
                         const std::string& Text) {
  return "<div class=\"form-check form-switch\">\r\n<input " + Core +
         " type=\"checkbox\" role=\"switch\" " + (Checked ? "checked" : "") +
         ">\r\n<label class=\"form-check-label\" for=\"" + ElementID + "\">" + HTMLEncode(Text) +
         "</label>\r\n</div>";
}

std::string CheckBoxTextStatement(const std::string& ElementID, const std::string& Text) {
  return "document.querySelector(\"label[for=" + ElementID +
         "]\").textContent  = " + FormatValueHTML(Text) + ";";
}

std::string CheckBoxCheckedStatement(const std::string& ElementJS, bool Checked) {
  return ElementJS + ".checked = " + (Checked ? "true" : "false") + ";";
}

bool CheckedFromState(const TJSON& ComponentStateInfo, bool& Checked) {
  if (!ComponentStateInfo.contains("checked"))
    return false;
  Checked = SameText(JSONStateText(ComponentStateInfo["checked"]), "true");
  return true;
}
