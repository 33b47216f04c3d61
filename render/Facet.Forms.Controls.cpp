#include "render/Facet.Forms.Controls.h"

#include "bridge/Duo.Forms.h"
#include "bridge/Duo.Util.h"
#include "render/Facet.Forms.Interfaces.h"
#include "runtime/StrUtils.h"
#include "runtime/TextSearch.h"

const TClassInfo& TFacetControl::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFacetControl>("TFacetControl")
          .Property("Enabled", &TFacetControl::GetEnabled, &TFacetControl::SetEnabled)
          .Property("Visible", &TFacetControl::GetVisible, &TFacetControl::SetVisible)
          .Build();
  return info;
}

TFacetControl::TFacetControl(TComponent* AOwner) : TComponent(AOwner) {
  if (auto* form = dynamic_cast<IFacetForm*>(AOwner)) {
    FForm = form;
    form->AddControl(this);
  }
}

TFacetControl::~TFacetControl() {
  SetUIComponent(nullptr);
}

std::string TFacetControl::GetNamePrefix() const {
  const std::string prefix = FForm != nullptr ? FForm->GetControlsPrefix() : "";
  return prefix.empty() ? GetName() : prefix + "_" + GetName();
}

std::string TFacetControl::ElementID() const {
  return ElementIDOf(GetName());
}

std::string TFacetControl::ElementIDOf(const std::string& AName) const {
  const std::string prefix = FForm != nullptr ? FForm->GetControlsPrefix() : "";
  return UpperCase(prefix.empty() ? AName : prefix + "_" + AName);
}

std::string TFacetControl::ElementJS() const {
  return "document.getElementById(\"" + ElementID() + "\")";
}

bool TFacetControl::GetEnabled() const {
  return FProcGetEnabled ? FProcGetEnabled().AsBoolean() : FStoredEnabled;
}

void TFacetControl::SetEnabled(bool Value) {
  if (FProcSetEnabled && Value != FStoredEnabled)
    FProcSetEnabled(Variant(Value));
  FStoredEnabled = Value;
}

bool TFacetControl::GetVisible() const {
  return FProcGetVisible ? FProcGetVisible().AsBoolean() : FStoredVisible;
}

void TFacetControl::SetVisible(bool Value) {
  if (FProcSetVisible && Value != FStoredVisible)
    FProcSetVisible(Variant(Value));
  FStoredVisible = Value;
}

bool TFacetControl::GetReadOnly() const {
  return FProcGetReadOnly ? FProcGetReadOnly().AsBoolean() : FStoredReadOnly;
}

void TFacetControl::SetReadOnly(bool Value) {
  if (FProcSetReadOnly && Value != FStoredReadOnly)
    FProcSetReadOnly(Variant(Value));
  FStoredReadOnly = Value;
}

std::string TFacetControl::GetPlaceholder() const {
  return FProcGetPlaceholder ? FProcGetPlaceholder().AsString() : FStoredPlaceholder;
}

void TFacetControl::SetUIComponent(TComponent* Value) {
  if (FUIComponent != nullptr)
    RemoveFreeNotification(FUIComponent);
  FUIComponent = Value;
  if (FUIComponent != nullptr)
    FreeNotification(FUIComponent);
}

void TFacetControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FUIComponent)
    FUIComponent = nullptr;
}

TDuoTerm* TFacetControl::Lang() const {
  const IFacetSession* session = FForm != nullptr ? FForm->GetSession() : nullptr;
  return session != nullptr ? session->LangNav() : nullptr;
}

void TFacetControl::FormatHTMLControl(const std::string& HTML) {
  const std::string name = GetNamePrefix();
  size_t start = PosText("{%" + name + " ", HTML);
  if (start == std::string::npos)
    start = PosText("{%" + name + "%}", HTML);
  if (start == std::string::npos)
    return;
  // The tag ends at the first "%}" after its start; markup around the tag (a drop-down menu
  // after a button) is not part of it.
  const size_t stop = HTML.find("%}", start);
  if (stop == std::string::npos)
    return;
  FUnformatedHTMLControl = HTML.substr(start, stop + 2 - start);
  const size_t attributes = start + 3 + name.size();
  FHTMLCore = attributes < stop ? HTML.substr(attributes, stop - attributes) : "";
  const std::string id = ElementID();
  if (UpperCase(FUnformatedHTMLControl).find(" ID=\"" + id + "\"") == std::string::npos)
    FHTMLCore += " id=\"" + id + "\" ";
  if (!GetEnabled())
    FHTMLCore += "disabled ";
  if (!GetVisible())
    FHTMLCore = HTMLAddItemFromClass(FHTMLCore, "invisible");
  if (GetReadOnly())
    FHTMLCore += "disabled ";
  if (FRequired)
    FHTMLCore += "required ";
  if (!FValidationGroup.IsEmptyOrNull() && !FValidationGroup.AsString().empty())
    FHTMLCore += "validationgroup=\"" + HTMLEncode(FValidationGroup.AsString()) + "\" ";
  const std::string placeholder = GetPlaceholder();
  if (!placeholder.empty())
    FHTMLCore += "placeholder=\"" + HTMLEncode(placeholder) + "\" ";
}

void TFacetControl::Initialize() {
  FStoredEnabled = GetEnabled();
  FStoredVisible = GetVisible();
  FStoredReadOnly = GetReadOnly();
  FStoredPlaceholder = GetPlaceholder();
  if (!FInitilized && FForm != nullptr && FForm->DuoForm() != nullptr)
    FForm->DuoForm()->DoInitFacetControl(this);
  FInitilized = true;
}

void TFacetControl::UpdateServerControls(std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  UpdateBaseState(ScriptJS);
  UpdateControlState(ScriptJS, AForceUpdate || FRefreshControl);
  if (FRefreshControl && FForm != nullptr && FForm->DuoForm() != nullptr)
    FForm->DuoForm()->DoRenderFacetControl(this, FHTMLControl);
  FRefreshControl = false;
}

void TFacetControl::UpdateBaseState(std::vector<std::string>& ScriptJS) {
  const std::string element = ElementJS();
  const bool enabled = GetEnabled();
  if (enabled != FStoredEnabled) {
    FStoredEnabled = enabled;
    ScriptJS.push_back(element + (enabled ? ".disabled = false;" : ".disabled = true;"));
  }
  const bool visible = GetVisible();
  if (visible != FStoredVisible) {
    FStoredVisible = visible;
    if (visible) {
      ScriptJS.push_back(element + ".classList.remove(\"invisible\");");
      FHTMLCore = HTMLRemoveItemFromClass(FHTMLCore, "invisible");
    } else {
      ScriptJS.push_back(element + ".classList.add(\"invisible\");");
    }
  }
  const bool readOnly = GetReadOnly();
  if (readOnly != FStoredReadOnly) {
    FStoredReadOnly = readOnly;
    ScriptJS.push_back(element + (readOnly ? ".disabled = true;" : ".disabled = false;"));
  }
  const std::string placeholder = GetPlaceholder();
  if (placeholder != FStoredPlaceholder) {
    FStoredPlaceholder = placeholder;
    ScriptJS.push_back(element + ".setAttribute(\"placeholder\", " + FormatValueHTML(placeholder) +
                       ");");
  }
}

void TFacetControl::ProcessEventParameters(TFacetControlEvent&, TStrings*) {}

std::string JSONStateText(const TJSON& Value) {
  return Value.is_string() ? Value.get<std::string>() : Value.dump();
}
