#include "server/Facet.Session.Web.h"

#include "bridge/Duo.Item.Upload.h"
#include "bridge/Duo.Manager.h"
#include "bridge/Duo.Util.h"
#include "bridge/Duo.h"
#include "lang/Duo.Lang.Term.h"
#include "render/Duo.Facet.Page.h"
#include "render/Facet.Forms.h"
#include "runtime/Json.h"
#include "server/Facet.BaseClass.h"
#include "server/Facet.Session.h"
#include "ui/Forms.h"

#include <algorithm>

struct TFacetSessionWeb::TDialog {
  std::string Title;
  std::string Text;
  TMsgDlgType Type = mtCustom;
  TMsgDlgButtons Buttons{mbOK};
  std::string Identify;
  bool Wait = true;
  bool Toast = false;
  TToastPosition Position = ToastTop;
  int Timer = 0;
};

namespace {

const char* IconOf(TMsgDlgType type) {
  switch (type) {
  case mtWarning:
    return "warning";
  case mtError:
    return "error";
  case mtInformation:
    return "info";
  case mtConfirmation:
    return "question";
  default:
    return "";
  }
}

std::string TitleOf(TMsgDlgType type, const TDuoTerm* terms) {
  if (terms == nullptr)
    return {};
  const TDuoTermMessageType& titles = terms->GetMessageType();
  switch (type) {
  case mtWarning:
    return titles.GetTypeWarning();
  case mtError:
    return titles.GetTypeError();
  case mtInformation:
    return titles.GetTypeInformation();
  case mtConfirmation:
    return titles.GetTypeQuestion();
  default:
    return {};
  }
}

std::string CaptionOf(TMsgDlgBtn button, const TDuoTerm* terms) {
  if (terms == nullptr)
    return ButtonCaption(button);
  const TDuoTermMessageButton& captions = terms->GetMessageButton();
  switch (button) {
  case mbYes:
    return captions.GetButtonYes();
  case mbNo:
    return captions.GetButtonNo();
  case mbOK:
    return captions.GetButtonOk();
  case mbCancel:
    return captions.GetButtonCancel();
  case mbAbort:
    return captions.GetButtonAbort();
  case mbRetry:
    return captions.GetButtonRetry();
  case mbIgnore:
    return captions.GetButtonIgnore();
  case mbAll:
    return captions.GetButtonAll();
  case mbNoToAll:
    return captions.GetButtonNoToAll();
  case mbYesToAll:
    return captions.GetButtonYesToAll();
  case mbHelp:
    return captions.GetButtonmrHelp();
  case mbClose:
    return captions.GetButtonmrClose();
  }
  return ButtonCaption(button);
}

const char* PositionOf(TToastPosition position) {
  switch (position) {
  case ToastTopLeft:
    return "top-start";
  case ToastTopRigth:
    return "top-end";
  case ToastCenter:
    return "center";
  case ToastCenterLeft:
    return "center-start";
  case ToastCenterRigth:
    return "center-end";
  case ToastBottom:
    return "bottom";
  case ToastBottomLeft:
    return "bottom-start";
  case ToastBottomRigth:
    return "bottom-end";
  default:
    return "top";
  }
}

// The statement that runs `action` on the popup element with that id, when the page has it.
std::string PopupJS(const std::string& AName, const std::string& action) {
  return "(function() { var duoPopup = document.getElementById(" + QuotedJSString(AName) +
         "); if (duoPopup !== null) { " + action + " } })();";
}

} // namespace

std::vector<TFacetForm*> NestedPageForms(const TFacetForm& APage) {
  std::vector<TFacetForm*> pages;
  if (TDuoClass* duo = APage.GetBaseClass())
    for (int i = 0; i < duo->NestedCount(); ++i)
      if (IDuoFrameworkType* framework = duo->Nested(i).FrameworkExportType())
        if (auto* nested = dynamic_cast<TFacetForm*>(framework->GetForm()))
          pages.push_back(nested);
  return pages;
}

TFacetSessionWeb::TFacetSessionWeb(TFacetSession& ASession) : FSession(ASession) {}

TFacetSessionWeb::~TFacetSessionWeb() = default;

TDuoFacetPage& TFacetSessionWeb::PageOf(TDuoForm& AForm) {
  auto found = FPages.find(&AForm);
  if (found == FPages.end())
    found = FPages.emplace(&AForm, std::make_unique<TDuoFacetPage>(AForm, &FSession)).first;
  return *found->second;
}

void TFacetSessionWeb::Activate(TDuoForm& AForm) {
  TDuoFacetPage& page = PageOf(AForm);
  TDuoForm* previous = FActive;
  if (previous != nullptr && previous != &AForm) {
    TFacetForm& leaving = FPages.at(previous)->PageForm();
    leaving.onFormUnload();
    for (TFacetForm* nested : NestedPageForms(leaving))
      nested->onFormUnload();
  }
  FActive = &AForm;
  std::erase(FShown, &AForm);
  FShown.push_back(&AForm);
  AForm.SetPriorDuo(nullptr);
  if (previous != nullptr && previous != &AForm)
    AForm.SetPriorDuo(previous);
  (void)page;
  FSession.InfoConnection().SetFormName(AForm.ClassName());
}

namespace {

bool TakesUploads(TDuoClass& ADuo) {
  for (const auto& [id, item] : ADuo.ExportedControls())
    if (dynamic_cast<const TDuoItemHTMLUpload*>(item) != nullptr)
      return true;
  for (int i = 0; i < ADuo.NestedCount(); ++i)
    if (TakesUploads(ADuo.Nested(i)))
      return true;
  return false;
}

} // namespace

bool TFacetSessionWeb::ActivePageTakesUploads() const {
  const TDuoFacetPage* page = ActivePage();
  return page != nullptr && TakesUploads(page->Duo());
}

TDuoFacetPage* TFacetSessionWeb::ActivePage() const {
  if (FActive == nullptr)
    return nullptr;
  const auto found = FPages.find(FActive);
  return found != FPages.end() ? found->second.get() : nullptr;
}

TFacetForm* TFacetSessionWeb::ActivePageForm() const {
  TDuoFacetPage* page = ActivePage();
  return page != nullptr ? &page->PageForm() : nullptr;
}

TFacetForm* TFacetSessionWeb::PageFormByUUID(const std::string& AFormUUID) const {
  for (const auto& [form, page] : FPages) {
    if (page->PageForm().GetFormUUID() == AFormUUID)
      return &page->PageForm();
    for (TFacetForm* nested : NestedPageForms(page->PageForm()))
      if (nested->GetFormUUID() == AFormUUID)
        return nested;
  }
  return nullptr;
}

std::vector<TDuoClass*> TFacetSessionWeb::DuoForms() const {
  std::vector<TDuoClass*> duos;
  for (TDuoForm* form : FShown)
    duos.push_back(&FPages.at(form)->Duo());
  return duos;
}

void TFacetSessionWeb::RemoveDuo(TDuoClass* ADuo) {
  for (auto& [form, page] : FPages)
    if (static_cast<TDuoClass*>(&page->Duo()) == ADuo) {
      std::erase(FShown, form);
      if (FActive == form)
        FActive = nullptr;
      return;
    }
}

void TFacetSessionWeb::DropAllPages() {
  FActive = nullptr;
  FShown.clear();
  FPages.clear();
}

void TFacetSessionWeb::ShowPreviousPage() {
  FActive = nullptr;
  if (FShown.empty())
    return;
  Activate(*FShown.back());
  FSession.ReloadPage();
}

std::string TFacetSessionWeb::PageUUIDOf(TCustomForm& form) {
  if (auto* duoForm = dynamic_cast<TDuoForm*>(&form)) {
    const auto found = FPages.find(duoForm);
    if (found != FPages.end())
      return found->second->PageForm().GetFormUUID();
  }
  return FSession.ActiveFormUUID();
}

void TFacetSessionWeb::HandleMessage(TApplication& app, TCustomForm* waiting) {
  if (app.GetTerminated())
    return;
  if (waiting == nullptr || !waiting->IsModal())
    throw EPresentationError("A web session has no message loop of its own");
  if (!FSession.Lock(PageUUIDOf(*waiting) + "_showmodal"))
    app.Terminate();
}

void TFacetSessionWeb::ProcessMessages(TApplication& /*app*/) {
  // Everything a session does runs as a piece of its executor; nothing is pending here.
}

TModalResult TFacetSessionWeb::ShowMessageDialog(TApplication& /*app*/,
                                                 const TMessageDialog& dialog) {
  TDialog browser;
  browser.Title = dialog.Type == mtCustom ? dialog.Caption : TitleOf(dialog.Type, FSession.Lang());
  browser.Text = dialog.Text;
  browser.Type = dialog.Type;
  browser.Buttons = dialog.Buttons;
  return static_cast<TModalResult>(BrowserDialog(FSession.ActiveFormUUID(), browser));
}

std::optional<std::string> TFacetSessionWeb::ExecuteOpenDialog(TApplication& /*app*/,
                                                               const TFileDialogRequest&) {
  return std::nullopt;
}

void TFacetSessionWeb::Wake() {
  // From outside the session's form code (the session closing), the pages are not this thread's
  // to read: every wait looks again instead.
  if (TFacetSession::Current() != &FSession) {
    FSession.UnLockAll();
    return;
  }
  // A modal result was set: every modal run looks again whether its form is done.
  for (const auto& [form, page] : FPages)
    if (form->IsModal())
      FSession.UnLock(page->PageForm().GetFormUUID() + "_showmodal");
}

void TFacetSessionWeb::FormShown(TCustomForm& form) {
  auto* duoForm = dynamic_cast<TDuoForm*>(&form);
  if (duoForm == nullptr || FActive == duoForm)
    return;
  const bool pageShowing = FActive != nullptr;
  Activate(*duoForm);
  duoForm->SetShowingPage(true);
  if (pageShowing)
    FSession.ReloadPage();
}

void TFacetSessionWeb::FormHidden(TCustomForm& form) {
  auto* duoForm = dynamic_cast<TDuoForm*>(&form);
  if (duoForm == nullptr)
    return;
  duoForm->SetShowingPage(false);
  std::erase(FShown, duoForm);
  if (FActive == duoForm)
    ShowPreviousPage();
}

void TFacetSessionWeb::ModalStarted(TCustomForm& form) {
  if (auto* duoForm = dynamic_cast<TDuoForm*>(&form))
    duoForm->SetShowingModal(true);
}

void TFacetSessionWeb::ModalEnded(TCustomForm& form) {
  if (auto* duoForm = dynamic_cast<TDuoForm*>(&form))
    duoForm->DoCloseShowmodal();
}

TFacetSession* TFacetSessionWeb::FacetSession(TDuoForm& /*Form*/) {
  return &FSession;
}

IFacetFormCallBacks* TFacetSessionWeb::CallBacks(TDuoForm& Form) {
  const auto found = FPages.find(&Form);
  return found != FPages.end() ? found->second->PageForm().CallBacks() : nullptr;
}

TDuoLang TFacetSessionWeb::Language(const TDuoForm& /*Form*/) {
  return FSession.Language();
}

bool TFacetSessionWeb::IsPrimaryForm(const TDuoForm& Form) {
  const TDuoManager* manager = DuoManager();
  return manager != nullptr && manager->PrimaryFormClass() == &Form.ClassType();
}

void TFacetSessionWeb::RunCellButton(TDuoForm& Form, TFacetDBGridColumnButton& AFacetCellButton) {
  if (AFacetCellButton.Proc)
    AFacetCellButton.Proc();
  if (AFacetCellButton.OnClick)
    AFacetCellButton.OnClick(&Form);
}

void TFacetSessionWeb::CloseShowmodal(TDuoForm& Form) {
  const auto found = FPages.find(&Form);
  if (found != FPages.end())
    FSession.UnLock(found->second->PageForm().GetFormUUID() + "_showmodal");
}

void TFacetSessionWeb::ShowPopup(TDuoForm& Form, const std::string& AName) {
  if (Form.GetPopupsShowing().IndexOf(AName) < 0)
    Form.GetPopupsShowing().Add(AName);
  FSession.ExecJS(PopupJS(AName, "incduopopup(duoPopup);"));
}

void TFacetSessionWeb::ClosePopup(TDuoForm& /*Form*/, const std::string& AName) {
  FSession.ExecJS(PopupJS(AName, "bootstrap.Modal.getOrCreateInstance(duoPopup).hide();"));
}

void TFacetSessionWeb::ShowMessage(TDuoForm& Form, const std::string& Msg, bool useToast,
                                   bool ASyncMode, int TimerInterval, TMsgDlgType DlgType,
                                   TToastPosition ToastPosition) {
  TDialog dialog;
  dialog.Title = TitleOf(DlgType, FSession.Lang());
  dialog.Text = Msg;
  dialog.Type = DlgType;
  dialog.Wait = !useToast && !ASyncMode;
  dialog.Toast = useToast;
  dialog.Position = ToastPosition;
  dialog.Timer = TimerInterval;
  BrowserDialog(PageUUIDOf(Form), dialog);
}

int TFacetSessionWeb::MessageDlg(TDuoForm& Form, const std::string& Msg, TMsgDlgType DlgType,
                                 TMsgDlgButtons Buttons, int /*HelpCtx*/,
                                 const TDuoRespIdentify& RespIdentify) {
  TDialog dialog;
  dialog.Title = TitleOf(DlgType, FSession.Lang());
  dialog.Text = Msg;
  dialog.Type = DlgType;
  dialog.Buttons = Buttons;
  dialog.Identify = RespIdentify;
  const int result = BrowserDialog(PageUUIDOf(Form), dialog);
  Form.SetMessageResponse(result);
  return result;
}

void TFacetSessionWeb::FormDestroying(TDuoForm& Form) {
  const auto found = FPages.find(&Form);
  if (found == FPages.end())
    return;
  std::erase(FShown, &Form);
  const bool wasActive = FActive == &Form;
  if (wasActive)
    FActive = nullptr;
  FPages.erase(found);
  if (wasActive && !FShown.empty()) {
    Activate(*FShown.back());
    FSession.ReloadPage();
  }
}

void TFacetSessionWeb::AnswerDialog(const std::string& AFormUUID, int AResult) {
  {
    std::lock_guard guard(FAnswersLock);
    FAnswers[AFormUUID] = AResult;
  }
  FSession.UnLock(AFormUUID + "_messagedlg");
}

int TFacetSessionWeb::BrowserDialog(const std::string& AFormUUID, const TDialog& ADialog) {
  TJSON buttons = TJSON::array();
  for (TMsgDlgBtn button : ButtonsOf(ADialog.Buttons))
    buttons.push_back(
        {{"caption", CaptionOf(button, FSession.Lang())}, {"result", ModalResultOf(button)}});
  TJSON options = {{"formuuid", AFormUUID},
                   {"identify", ADialog.Identify},
                   {"title", ADialog.Title},
                   {"text", ADialog.Text},
                   {"icon", IconOf(ADialog.Type)},
                   {"buttons", buttons},
                   {"wait", ADialog.Wait},
                   {"toast", ADialog.Toast},
                   {"position", PositionOf(ADialog.Position)},
                   {"timer", ADialog.Timer}};
  {
    std::lock_guard guard(FAnswersLock);
    FAnswers.erase(AFormUUID);
  }
  FSession.ExecJS("DuoMessageDlg(" + options.dump(-1, ' ', true) + ");");
  if (!ADialog.Wait)
    return mrNone;
  if (!FSession.Lock(AFormUUID + "_messagedlg"))
    return mrCancel;
  std::lock_guard guard(FAnswersLock);
  const auto found = FAnswers.find(AFormUUID);
  return found != FAnswers.end() ? found->second : mrCancel;
}
