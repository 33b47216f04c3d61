#include "bridge/Duo.BaseClass.h"

#include "bridge/Duo.Forms.h"
#include "bridge/Duo.ItemCommon.h"
#include "bridge/Duo.Manager.h"
#include "bridge/Duo.Render.h"
#include "bridge/Duo.Util.h"
#include "bridge/Duo.h"
#include "lang/Duo.Lang.Core.h"
#include "runtime/Exceptions.h"
#include "runtime/Random.h"
#include "runtime/StrUtils.h"

#include <algorithm>

TDuoClass::TDuoClass(TComponent* FormOwner) : FAOwner(FormOwner), FHTML(*this) {
  if (const TDuoManager* manager = DuoManager(); manager != nullptr && manager->Facet() != nullptr)
    FHTML.Options().ValidateAllControls = manager->Facet()->ValidateAllControls();
  FToken = Gerar_String_Aleatorio(16);
}

TDuoClass::~TDuoClass() = default;

void TDuoClass::RenderDuo(const std::vector<TDuoItem*>& Itens) {
  TDuoRender(*this).RenderDuo(Itens);
}

void TDuoClass::RenderDuo(const TDuoItems& Itens) {
  RenderDuo(Itens.GetItems());
}

void TDuoClass::AddNested(TDuoForm& ADuoForm) {
  TDuo* nested = ADuoForm.GetDuo();
  if (nested == nullptr)
    throw Exception("Form " + ADuoForm.GetName() + " has no web layout to nest");
  if (std::find(FDuoNested.begin(), FDuoNested.end(), nested) != FDuoNested.end())
    return;
  nested->SetDuoOwner(this);
  if (IDuoFrameworkForm* form = nested->FrameworkForm())
    form->SetEnableControlsPrefix(true);
  ADuoForm.Clear();
  ADuoForm.Render();
  FDuoNested.push_back(nested);
  if (FFacetSession != nullptr)
    FFacetSession->RemoveDuoForm(nested);
}

TDuoClass& TDuoClass::Nested(int Index) const {
  if (Index < 0 || Index >= NestedCount())
    throw EListError("Argument out of range");
  return *FDuoNested[Index];
}

TDuoItemHTMLPopup& TDuoClass::Popup(int Index) const {
  if (Index < 0 || Index >= PopupCount())
    throw EListError("Argument out of range");
  return *FDuoPopups[Index];
}

std::string TDuoClass::CreateItemID(const std::string& Prefix) {
  const std::string prefix = Prefix.empty() ? "DuoControl" : Prefix;
  return prefix + std::to_string(++FControlIDs[prefix]);
}

void TDuoClass::AddExportedControl(const std::string& AItemID, TDuoItem& AItem) {
  if (!FExportedControls.emplace(AItemID, &AItem).second)
    throw EListError("Duplicates not allowed: an item with the id \"" + AItemID +
                     "\" is already in the form");
}

IDuoFrameworkForm* TDuoClass::FrameworkForm() const {
  return FFrameworkExportType != nullptr ? FFrameworkExportType->GetForm() : nullptr;
}

void TDuoClass::SetFrameworkExportType(std::unique_ptr<IDuoFrameworkType> Value) {
  FFrameworkExportType = std::move(Value);
}

std::string TDuoClass::Prefix() const {
  const IDuoFrameworkForm* form = FrameworkForm();
  return form != nullptr ? form->GetControlsPrefix() : "";
}

IFacetControl* TDuoClass::FacetControlFromUIObj(const TObject* UIItem) const {
  const IDuoFrameworkForm* form = FrameworkForm();
  if (form == nullptr)
    return nullptr;
  for (IFacetControl* control : form->GetControls())
    if (control->GetUIComponent() == UIItem)
      return control;
  return nullptr;
}

void TDuoClass::ExecJS(const std::string& AScript) const {
  if (FFacetSession != nullptr)
    FFacetSession->ExecJS(AScript);
}

void TDuoClass::Validation(const TObject* UIItem, bool AIsValid, const std::string& AMessage) {
  if (const IFacetControl* control = FacetControlFromUIObj(UIItem))
    ExecJS("insertValidationFeedback(" + QuotedJSString(UpperCase(control->GetNamePrefix())) +
           ", " + (AIsValid ? "true" : "false") + ", " + QuotedJSString(AMessage) + ")");
}

void TDuoClass::RemoveValidation(const TObject* UIItem) {
  if (const IFacetControl* control = FacetControlFromUIObj(UIItem))
    ExecJS("removeValidationFeedback(" + QuotedJSString(UpperCase(control->GetNamePrefix())) + ")");
}

void TDuoClass::UpdateDuoControl(const TObject* UIItem) {
  if (IFacetControl* control = FacetControlFromUIObj(UIItem)) {
    control->Refresh();
    ExecJS("UpdateDuoControls([FacetComponents.find(obj => obj.id === " +
           QuotedJSString(UpperCase(control->GetNamePrefix())) + ")])");
  }
}

void TDuoClass::UpdateDuoAllControls() {
  ExecJS("UpdateDuoControls(FacetComponents)");
}

std::string TDuoClass::CallBackJS(const std::string& ACallBackName, const std::string& Parameters,
                                  bool LockClient) const {
  return FFacetSession != nullptr
             ? FFacetSession->CallBackJS(ACallBackName, "", Parameters, LockClient)
             : std::string();
}

void TDuoClass::RegisterCallBack(const std::string& AName, TCallBackEvent ACallBackEventProc) {
  if (IFacetFormCallBacks* callBacks = CallBacks())
    callBacks->Register(AName, std::move(ACallBackEventProc));
}

IFacetFormCallBacks* TDuoClass::CallBacks() const {
  IDuoFrameworkForm* form = FrameworkForm();
  return form != nullptr ? form->CallBacks() : nullptr;
}

namespace {

TDuoTerm* EnglishTerms() {
  return DuoLangCore != nullptr ? DuoLangCore->LangByTDuoLang(TDuoLang::English) : nullptr;
}

} // namespace

TDuoTerm* TDuoClass::Lang() const {
  return FFacetSession != nullptr ? FFacetSession->Lang() : EnglishTerms();
}

TDuoTerm* TDuoClass::LangNav() const {
  return FFacetSession != nullptr ? FFacetSession->LangNav() : EnglishTerms();
}

TDuoLang TDuoClass::Language() const {
  return FFacetSession != nullptr ? FFacetSession->Language() : TDuoLang::English;
}

std::string TDuoClass::LangName() const {
  return FFacetSession != nullptr ? FFacetSession->LangName() : "English";
}

std::string TDuoClass::LangCode() const {
  return FFacetSession != nullptr ? FFacetSession->LangCode() : "en-US";
}

TDuoAPPTerm* TDuoClass::LangAPP() const {
  return FFacetSession != nullptr ? FFacetSession->LangAPP() : nullptr;
}

TDuoManager* TDuoClass::GetDuoManager() const {
  return DuoManager();
}

std::string TDuoClass::RootDirectory() const {
  const TDuoManager* manager = DuoManager();
  return manager != nullptr && manager->Facet() != nullptr ? manager->Facet()->RootDirectory() : "";
}

std::string TDuoClass::Version() const {
  const TDuoManager* manager = DuoManager();
  return manager != nullptr ? manager->Version() : "";
}
