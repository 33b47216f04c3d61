#include "bridge/Duo.Forms.h"

#include "bridge/Duo.Manager.h"
#include "bridge/Duo.UIObj.Override.h"
#include "bridge/Duo.UIObj.h"
#include "bridge/Duo.h"

#include "lang/Duo.Lang.Core.h"
#include "ui/Dialogs.h"

#include <algorithm>
#include <atomic>

namespace {

std::atomic<bool> DuoContext = false;

} // namespace

const TClassInfo& TDuoForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDuoForm>("TDuoForm")
          .ReadOnly("Language", &TDuoForm::GetLanguage)
          .Property("Title", &TDuoForm::GetTitle, &TDuoForm::SetTitle)
          .Property("SubTitle", &TDuoForm::GetSubTitle, &TDuoForm::SetSubTitle)
          .ReadOnly("ShowingModal", &TDuoForm::GetShowingModal)
          .Property("UsedDuoInstance", &TDuoForm::GetUsedDuoInstance, &TDuoForm::SetUsedDuoInstance)
          .Creatable()
          .Build();
  return info;
}

TDuoForm::TDuoForm(TComponent* AOwner) : TForm(AOwner) {}

TDuoForm::TDuoForm(TDuoInstance& AOwner) : TForm(AOwner.GetOwner()) {}

TDuoForm::~TDuoForm() {
  // The page of the form goes while the form is still whole.  The registry the form is in notices
  // its going by itself, whichever registry is the calling thread's.
  if (IDuoFormWeb* web = Web())
    web->FormDestroying(*this);
}

IDuoFormWeb* TDuoForm::Web() const {
  if (FWeb != nullptr)
    return FWeb;
  return dynamic_cast<IDuoFormWeb*>(&GetApplication().GetBackend());
}

void TDuoForm::Release() {
  delete this;
}

void TDuoForm::DestroyInstance() {
  delete this;
}

TCustomForm* TDuoForm::CreateInstance(TFormClass FormClass) {
  if (FormClass == nullptr)
    throw Exception("CreateInstance needs a form class");
  return DuoInstance().CreateInstance(*FormClass);
}

TComponent* TDuoForm::CreateDataModuleInstance(const TClassInfo& DataModuleClass) {
  return DuoInstance().CreateDataModuleInstance(DataModuleClass);
}

bool TDuoForm::IsDuoContext() {
  return DuoContext;
}

void TDuoForm::SetDuoContext(bool Value) {
  DuoContext = Value;
}

TFacetSession* TDuoForm::FacetSession() {
  return Web() != nullptr ? Web()->FacetSession(*this) : nullptr;
}

IFacetFormCallBacks* TDuoForm::CallBacks() {
  return Web() != nullptr ? Web()->CallBacks(*this) : nullptr;
}

TDuoLang TDuoForm::GetLanguage() const {
  return Web() != nullptr ? Web()->Language(*this) : TDuoLang::English;
}

void TDuoForm::SetTitle(const std::string& Value) {
  if (Value == FTitle)
    return;
  FTitle = Value;
  Changed("Title");
}

void TDuoForm::SetSubTitle(const std::string& Value) {
  if (Value == FSubTitle)
    return;
  FSubTitle = Value;
  Changed("SubTitle");
}

void TDuoForm::SetPriorDuo(TDuoForm* Value) {
  if (Value == FPriorDuo)
    return;
  if (FPriorDuo != nullptr)
    RemoveFreeNotification(FPriorDuo);
  FPriorDuo = Value;
  if (Value != nullptr)
    FreeNotification(Value);
}

void TDuoForm::Notification(TComponent* component, TOperation operation) {
  TForm::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FPriorDuo)
    FPriorDuo = nullptr;
}

void TDuoForm::SetFormName(const std::string& UsualName) {
  const TComponent* owner = GetOwner();
  std::string name = UsualName;
  for (int number = 1; owner != nullptr && owner->FindComponent(name) != nullptr; ++number)
    name = UsualName + "_" + std::to_string(number);
  SetName(name);
}

void TDuoForm::ShowMessage(const std::string& Msg) {
  ShowMessage(Msg, false, false, 0, mtCustom, ToastTop);
}

void TDuoForm::ShowMessage(const std::string& Msg, bool useToast, int TimerInterval,
                           TMsgDlgType DlgType, TToastPosition ToastPosition) {
  ShowMessage(Msg, useToast, false, TimerInterval, DlgType, ToastPosition);
}

void TDuoForm::ShowMessage(const std::string& Msg, bool useToast, bool ASyncMode, int TimerInterval,
                           TMsgDlgType DlgType, TToastPosition ToastPosition) {
  if (Web() != nullptr) {
    Web()->ShowMessage(*this, Msg, useToast, ASyncMode, TimerInterval, DlgType, ToastPosition);
    return;
  }
  // On the desktop the other arguments have no meaning: it is the platform's plain message box.
  ::ShowMessage(Msg);
}

int TDuoForm::MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                         int HelpCtx) {
  return MessageDlg(Msg, DlgType, Buttons, HelpCtx, {});
}

int TDuoForm::MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                         int HelpCtx, const TDuoRespIdentify& RespIdentify) {
  if (Web() != nullptr)
    return Web()->MessageDlg(*this, Msg, DlgType, Buttons, HelpCtx, RespIdentify);
  return ::MessageDlg(Msg, DlgType, Buttons, HelpCtx);
}

void TDuoForm::ShowPopup(const std::string& AName) {
  if (Web() != nullptr)
    Web()->ShowPopup(*this, AName);
}

void TDuoForm::ClosePopup(const std::string& AName) {
  if (Web() != nullptr)
    Web()->ClosePopup(*this, AName);
}

void TDuoForm::PopupOpened(const std::string& AName) {
  if (OnShowPopup)
    OnShowPopup(AName);
}

void TDuoForm::PopupClosed(const std::string& AName) {
  const int index = FPopupsShowing.IndexOf(AName);
  if (index >= 0)
    FPopupsShowing.Delete(index);
  if (OnClosePopup)
    OnClosePopup(AName);
}

void TDuoForm::Render() {
  if (FDuo != nullptr)
    FDuo->RenderDuo(FDuo->Items);
}

void TDuoForm::Clear() {
  if (FDuo != nullptr)
    FDuo->HTML().Render().Clear();
}

void TDuoForm::SetTemplateFiles(const std::string& Master, const std::string& Page) {
  if (FDuo == nullptr || FDuo->FrameworkExportType() == nullptr)
    return;
  FDuo->FrameworkExportType()->SetTemplateMasterHTMLFile(Master);
  FDuo->FrameworkExportType()->SetTemplatePageHTMLFile(Page);
}

void TDuoForm::ExportDuoAllControls() {
  if (FDuo == nullptr)
    return;
  const TDuoManager* manager = DuoManager();
  const std::vector<const TClassInfo*> supported =
      manager != nullptr ? manager->SupportedUIClasses() : SupportedUIObjClasses();
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* control = Controls(i);
    if (FDuo->ObjectExported(*control))
      continue;
    const TClassInfo& mapped = OverrideUI(control->ClassType());
    if (std::find(supported.begin(), supported.end(), &mapped) != supported.end())
      FDuo->Items.Add().UIObj(control);
  }
}

void TDuoForm::DoInitFacetControl(TFacetControl* AFacetControl) {
  InitControlsDuo(AFacetControl);
}

void TDuoForm::DoBeginTranslate() {
  if (FShowCount <= 0)
    BeginTranslate(GetLanguage());
}

void TDuoForm::DoTagHTML(const std::string& TagString, std::string& ReplaceTag) {
  if (OnTagHTML)
    OnTagHTML(TagString, ReplaceTag);
  TagHTML(TagString, ReplaceTag);
}

void TDuoForm::DoTagTranslate(TDuoLang Language, const std::string& AContext,
                              const std::string& ATerm, std::string& ATranslated) {
  // The application's own texts answer first; the form's hook fills what they leave empty.
  if (DuoLangAPPCore != nullptr)
    if (TDuoAPPTerm* terms = DuoLangAPPCore->LangByTDuoLang(TDuoLang::English))
      ATranslated = terms->Language().Translate(AContext, ATerm);
  if (ATranslated.empty())
    TagTranslate(Language, AContext, ATerm, ATranslated);
}

void TDuoForm::DoUpdateDuoControls(TFacetControl* AFacetControl) {
  UpdateDuoControls(AFacetControl);
}

void TDuoForm::DoCloseShowmodal() {
  if (Web() != nullptr)
    Web()->CloseShowmodal(*this);
  FShowingModal = false;
}

void TDuoForm::DoBeginTagHTML() {
  BeginTagHTML();
}

void TDuoForm::DoEndTagHTML() {
  EndTagHTML();
}

void TDuoForm::DoPageLoaded() {
  const bool primary = Web() != nullptr && Web()->IsPrimaryForm(*this);
  if (primary)
    FShowing = true;
  if (primary || TForm::GetShowing()) {
    if (OnShow)
      OnShow(this);
    Activate();
  }
  if (FPriorDuo != nullptr && FPriorDuo != this && !FPriorDuo->GetShowingModal())
    FPriorDuo->DoCloseShowmodal();
  if (TForm::GetShowing() && OnPageLoaded)
    OnPageLoaded(this);
}

void TDuoForm::DoUpload(TStrings* AFiles, TObject* Sender) {
  if (OnUpload)
    OnUpload(AFiles, Sender);
}

void TDuoForm::DoRenderFacetControl(TFacetControl* AFacetControl, std::string& HTMLControl) {
  RenderDuo(AFacetControl, HTMLControl);
}

void TDuoForm::DoCellButtonClick(TFacetDBGrid* AFacetDBGrid,
                                 TFacetDBGridColumnButton* AFacetCellButton, int AColIndex,
                                 int ARow) {
  if (Web() != nullptr && AFacetCellButton != nullptr)
    Web()->RunCellButton(*this, *AFacetCellButton);
  CellButtonClick(AFacetDBGrid, AFacetCellButton, AColIndex, ARow);
}

void TDuoForm::DoCallBack(const std::string& CallBackName, TStrings* EventParams) {
  CallBack(CallBackName, EventParams);
}

void TDuoForm::DoShow() {
  ++FShowCount;
  BeginTagHTML();
  EndTagHTML();
  TForm::DoShow();
}
