#pragma once

// The web presentation of one session: the backend of the session's application.  It keeps a
// page for every form shown in the session, knows which page the browser shows (the active one,
// the most recently shown form last in the stack), turns showing, hiding and modal runs of forms
// into page changes, and shows message dialogs, popups and modal waits in the browser.

#include "bridge/Duo.Forms.h"
#include "ui/Backend.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TDuoClass;
class TDuoFacetPage;
class TFacetForm;
class TFacetSession;

// The page forms of the bridge objects nested in a page, in their order.
std::vector<TFacetForm*> NestedPageForms(const TFacetForm& APage);

class TFacetSessionWeb : public TUIBackend, public IDuoFormWeb {
public:
  explicit TFacetSessionWeb(TFacetSession& ASession);
  ~TFacetSessionWeb() override;

  // The page of a form, made on first need; the form becomes a web page of this session.
  TDuoFacetPage& PageOf(TDuoForm& AForm);
  // Makes the form's page the one the browser shows (without telling the browser).
  void Activate(TDuoForm& AForm);
  TDuoFacetPage* ActivePage() const;
  // Whether the page on show (or a page nested in it) holds an upload item: only such a page
  // takes files from the browser.
  bool ActivePageTakesUploads() const;
  TFacetForm* ActivePageForm() const;
  // The page form of any of the session's pages (or of a page nested in one) with that UUID.
  TFacetForm* PageFormByUUID(const std::string& AFormUUID) const;
  // The bridge objects of the forms in the stack of shown pages, the active one last.
  std::vector<TDuoClass*> DuoForms() const;
  // Takes a bridge object's form out of the stack of shown pages.
  void RemoveDuo(TDuoClass* ADuo);
  // Frees every page before the forms go.
  void DropAllPages();
  // The browser answered the form's message dialog.
  void AnswerDialog(const std::string& AFormUUID, int AResult);

  // TUIBackend: a modal run waits for the browser with the form lock released.
  void HandleMessage(TApplication& app, TCustomForm* waiting) override;
  void ProcessMessages(TApplication& app) override;
  TModalResult ShowMessageDialog(TApplication& app, const TMessageDialog& dialog) override;
  // Files come from the browser through uploads; there is no file dialog on the server.
  std::optional<std::string> ExecuteOpenDialog(TApplication& app,
                                               const TFileDialogRequest& request) override;
  void Wake() override;
  void FormShown(TCustomForm& form) override;
  void FormHidden(TCustomForm& form) override;
  void ModalStarted(TCustomForm& form) override;
  void ModalEnded(TCustomForm& form) override;

  // IDuoFormWeb
  TFacetSession* FacetSession(TDuoForm& Form) override;
  IFacetFormCallBacks* CallBacks(TDuoForm& Form) override;
  TDuoLang Language(const TDuoForm& Form) override;
  bool IsPrimaryForm(const TDuoForm& Form) override;
  void RunCellButton(TDuoForm& Form, TFacetDBGridColumnButton& AFacetCellButton) override;
  void CloseShowmodal(TDuoForm& Form) override;
  void ShowPopup(TDuoForm& Form, const std::string& AName) override;
  void ClosePopup(TDuoForm& Form, const std::string& AName) override;
  void ShowMessage(TDuoForm& Form, const std::string& Msg, bool useToast, bool ASyncMode,
                   int TimerInterval, TMsgDlgType DlgType, TToastPosition ToastPosition) override;
  int MessageDlg(TDuoForm& Form, const std::string& Msg, TMsgDlgType DlgType,
                 TMsgDlgButtons Buttons, int HelpCtx,
                 const TDuoRespIdentify& RespIdentify) override;
  void FormDestroying(TDuoForm& Form) override;

private:
  struct TDialog;
  // Shows a dialog in the browser; when it waits, returns the button the user pressed (mrCancel
  // when the session ends meanwhile).
  int BrowserDialog(const std::string& AFormUUID, const TDialog& ADialog);
  std::string PageUUIDOf(TCustomForm& form);
  // Shows the page of the newest form still shown, after the active one went away.
  void ShowPreviousPage();

  TFacetSession& FSession;
  std::map<TDuoForm*, std::unique_ptr<TDuoFacetPage>> FPages;
  // Forms with a page, in the order they were last shown; the last is active.
  std::vector<TDuoForm*> FShown;
  TDuoForm* FActive = nullptr;
  // Answers of message dialogs by page form UUID.
  std::mutex FAnswersLock;
  std::map<std::string, int> FAnswers;
};
