#pragma once

// The base class of every application form.  Beside its ordinary window a form can declare how it
// looks as a web page and answer the hooks the page layer calls.  In the desktop presentation the
// form is an ordinary window: messages are platform dialogs, popups are not shown, and the hooks
// that bracket a page's template tags run each time the window is shown.

#include "bridge/Duo.CSSClass.h"
#include "lang/Duo.Lang.Types.h"
#include "runtime/Strings.h"
#include "ui/Backend.h"
#include "ui/Forms.h"

#include <functional>
#include <string>

// Types of the web presentation: the bridge object, the page controls, the grid, the session and
// the page form's callbacks live in the layers that serve forms as pages.
class TDuo;
class TFacetControl;
class TFacetDBGrid;
class TFacetDBGridColumnButton;
class TFacetSession;
class IFacetFormCallBacks;
class TDuoForm;
class TDuoInstance;

enum class TToastPosition {
  ToastTop,
  ToastTopLeft,
  ToastTopRigth,
  ToastCenter,
  ToastCenterLeft,
  ToastCenterRigth,
  ToastBottom,
  ToastBottomLeft,
  ToastBottomRigth
};
using enum TToastPosition;

// Which of several message dialogs of a form an answer belongs to, in the browser.
using TDuoRespIdentify = std::string;

// A popup's name, reported opened or closed; the returned text is not used by the form.
using TOnPopup = std::function<std::string(const std::string& AName)>;
using TOnTagHTML = std::function<void(const std::string& TagString, std::string& ReplaceTag)>;
using TOnUpload = std::function<void(TStrings* AFiles, TObject* Sender)>;

// A form class as a value: its run-time class information.
using TFormClass = const TClassInfo*;

// What the web presentation does for a form: the layer that serves forms as pages implements it,
// either as the backend of the application the form belongs to (every form of a web session) or
// attached to one form (TDuoForm::SetWebPresentation).  A form without one is a desktop window.
class IDuoFormWeb {
public:
  virtual ~IDuoFormWeb() = default;
  virtual TFacetSession* FacetSession(TDuoForm& Form) = 0;
  virtual IFacetFormCallBacks* CallBacks(TDuoForm& Form) = 0;
  virtual TDuoLang Language(const TDuoForm& Form) = 0;
  // Whether the form's class is the one a new session starts with.
  virtual bool IsPrimaryForm(const TDuoForm& Form) = 0;
  // Runs the grid button's own procedure, then its click event with the form as sender.
  virtual void RunCellButton(TDuoForm& Form, TFacetDBGridColumnButton& AFacetCellButton) = 0;
  // Ends the browser's modal wait for the form.
  virtual void CloseShowmodal(TDuoForm& Form) = 0;
  virtual void ShowPopup(TDuoForm& Form, const std::string& AName) = 0;
  virtual void ClosePopup(TDuoForm& Form, const std::string& AName) = 0;
  virtual void ShowMessage(TDuoForm& Form, const std::string& Msg, bool useToast, bool ASyncMode,
                           int TimerInterval, TMsgDlgType DlgType,
                           TToastPosition ToastPosition) = 0;
  virtual int MessageDlg(TDuoForm& Form, const std::string& Msg, TMsgDlgType DlgType,
                         TMsgDlgButtons Buttons, int HelpCtx,
                         const TDuoRespIdentify& RespIdentify) = 0;
  // The form is being destroyed: whatever the presentation keeps for it goes first.
  virtual void FormDestroying(TDuoForm& Form) = 0;
};

class TDuoForm : public TForm {
  DUO_CLASS(TDuoForm, TForm)

public:
  explicit TDuoForm(TComponent* AOwner);
  // Owned by the registry's owner.
  explicit TDuoForm(TDuoInstance& AOwner);
  ~TDuoForm() override;

  // Frees the form at once.
  void Release();
  void DestroyInstance();

  // Ask the process's registry to create and register an instance of class T (resp. of the
  // given form class), owned by the registry's owner.
  template <class T> static T* CreateInstance();
  static TCustomForm* CreateInstance(TFormClass FormClass);
  static TComponent* CreateDataModuleInstance(const TClassInfo& DataModuleClass);
  // The registry's instance of class T, or nullptr.
  template <class T> static T* GetInstance();

  // False in the desktop presentation, true where forms are served as web pages.
  static bool IsDuoContext();
  // Set once by the starter of the web presentation.
  static void SetDuoContext(bool Value);

  TFacetSession* FacetSession();
  IFacetFormCallBacks* CallBacks();
  int ShowCount() const { return FShowCount; }

  void ShowMessage(const std::string& Msg);
  void ShowMessage(const std::string& Msg, bool useToast, int TimerInterval, TMsgDlgType DlgType,
                   TToastPosition ToastPosition);
  void ShowMessage(const std::string& Msg, bool useToast, bool ASyncMode, int TimerInterval,
                   TMsgDlgType DlgType, TToastPosition ToastPosition);
  int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
  int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx,
                 const TDuoRespIdentify& RespIdentify);

  void ShowPopup(const std::string& AName);
  void ClosePopup(const std::string& AName);
  void PopupOpened(const std::string& AName);
  void PopupClosed(const std::string& AName);

  // Renders the layout into the bridge object's HTML body; nothing without a bridge object.
  void Render();
  // Empties the bridge object's HTML document.
  void Clear();
  // Adds a control item for every direct child control of a supported class that no item
  // exports yet.
  void ExportDuoAllControls();
  void DoInitFacetControl(TFacetControl* AFacetControl);
  void DoBeginTranslate();
  void DoTagHTML(const std::string& TagString, std::string& ReplaceTag);
  void DoTagTranslate(TDuoLang Language, const std::string& AContext, const std::string& ATerm,
                      std::string& ATranslated);
  void DoUpdateDuoControls(TFacetControl* AFacetControl);
  // Ends the browser's modal wait for this form and clears ShowingModal.
  void DoCloseShowmodal();

  // Hooks: empty here, application forms override them.
  virtual void ExportDuo() {}
  virtual void InitControlsDuo(TFacetControl* /*FacetControl*/) {}
  virtual void RenderDuo(TFacetControl* /*FacetControl*/, std::string& /*HTMLControl*/) {}
  virtual void TagHTML(const std::string& /*TagString*/, std::string& /*ReplaceTag*/) {}
  virtual void CallBack(const std::string& /*CallBackName*/, TStrings* /*EventParams*/) {}
  virtual void CellButtonClick(TFacetDBGrid* /*AFacetDBGrid*/,
                               TFacetDBGridColumnButton* /*AFacetCellButton*/, int /*AColIndex*/,
                               int /*ARow*/) {}
  virtual void BeginTranslate(TDuoLang /*Language*/) {}
  virtual void UpdateDuoControls(TFacetControl* /*FacetControl*/) {}
  virtual void BeginTagHTML() {}
  virtual void EndTagHTML() {}
  virtual void TagTranslate(TDuoLang /*Language*/, const std::string& /*AContext*/,
                            const std::string& /*ATerm*/, std::string& /*ATranslated*/) {}
  virtual void SetupDuo() {}

  // Dispatchers the page layer calls.
  virtual void DoBeginTagHTML();
  virtual void DoEndTagHTML();
  virtual void DoPageLoaded();
  virtual void DoUpload(TStrings* AFiles, TObject* Sender);
  virtual void DoRenderFacetControl(TFacetControl* AFacetControl, std::string& HTMLControl);
  // A grid's cell button was clicked: the button's procedure and click event (through the
  // presentation, which knows page controls), then CellButtonClick.
  virtual void DoCellButtonClick(TFacetDBGrid* AFacetDBGrid,
                                 TFacetDBGridColumnButton* AFacetCellButton, int AColIndex,
                                 int ARow);
  virtual void DoCallBack(const std::string& CallBackName, TStrings* EventParams);

  // Counts the show and runs the tag hooks, then the platform's show handling (OnShow).
  void DoShow() override;

  // The session's language; English where the form is no web page.
  TDuoLang GetLanguage() const;
  TDuo* GetDuo() const { return FDuo; }
  void SetDuo(TDuo* ADuo) { FDuo = ADuo; }
  // The form's web presentation, or nullptr for a desktop window.
  IDuoFormWeb* GetWebPresentation() const { return Web(); }
  void SetWebPresentation(IDuoFormWeb* AWeb) { FWeb = AWeb; }
  TFormClass GetTemplateClassForm() const { return FTemplateClassForm; }
  void SetTemplateClassForm(TFormClass Value) { FTemplateClassForm = Value; }
  const std::string& GetTitle() const { return FTitle; }
  void SetTitle(const std::string& Value);
  const std::string& GetSubTitle() const { return FSubTitle; }
  void SetSubTitle(const std::string& Value);
  // The page's master template and page template (empty for none), kept by the framework type.
  void SetTemplateFiles(const std::string& Master, const std::string& Page);
  const TCSSClass& GetCSSClass() const { return FCSSClass; }
  TStrings& GetPopupsShowing() { return FPopupsShowing; }
  // Whether the form counts as shown in the browser.
  bool GetShowingPage() const { return FShowing; }
  void SetShowingPage(bool Value) { FShowing = Value; }
  bool GetShowingModal() const { return FShowingModal; }
  void SetShowingModal(bool Value) { FShowingModal = Value; }
  TDuoForm* GetPriorDuo() const { return FPriorDuo; }
  void SetPriorDuo(TDuoForm* Value);
  bool GetUsedDuoInstance() const { return FUsedDuoInstance; }
  void SetUsedDuoInstance(bool Value) { FUsedDuoInstance = Value; }
  int GetMessageResponse() const { return FMessageResponse; }
  void SetMessageResponse(int Value) { FMessageResponse = Value; }

  TOnPopup OnShowPopup;
  TOnPopup OnClosePopup;
  TNotifyEvent OnPageLoaded;
  TOnTagHTML OnTagHTML;
  TOnUpload OnUpload;

protected:
  // Names the form with its usual name, or, when the owner already has a component of that name,
  // with the usual name, "_" and the first free number, as further instances of a form are named.
  void SetFormName(const std::string& UsualName);
  void Notification(TComponent* component, TOperation operation) override;

private:
  IDuoFormWeb* Web() const;

  TDuo* FDuo = nullptr;
  int FMessageResponse = 0;
  TFormClass FTemplateClassForm = nullptr;
  std::string FTitle;
  std::string FSubTitle;
  const TCSSClass& FCSSClass = CSSClassConstants();
  // The form counts as shown in the browser.
  bool FShowing = false;
  TStringList FPopupsShowing;
  bool FUsedDuoInstance = false;
  bool FShowingModal = false;
  TDuoForm* FPriorDuo = nullptr;
  int FShowCount = 0;
  IDuoFormWeb* FWeb = nullptr;
};

#include "bridge/Duo.Instance.h"

template <class T> T* TDuoForm::CreateInstance() {
  return static_cast<T*>(CreateInstance(&T::StaticClass()));
}

template <class T> T* TDuoForm::GetInstance() {
  TDuoInstance* registry = CurrentDuoInstance();
  if (registry == nullptr)
    return nullptr;
  return static_cast<T*>(registry->GetInstance(T::StaticClass()));
}
