#pragma once

// Forms, the screen and the application object with its message loop.
//
// Each thread sees one application through Application(): the one a TApplicationScope made
// current on that thread, else the process's own.  A control belongs to the application that was
// current when it was created, and reports its changes to that application's observers; so a
// presentation that keeps several independent sets of forms (one per web session) gives each its
// own application and backend.

#include "ui/Backend.h"
#include "ui/Controls.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class TClipboard;
class TMainMenu;

enum class TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
using enum TPosition;

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
using enum TWindowState;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using enum TCloseAction;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// A window.  A form without a parent is a top-level window; a form given a parent (a tab sheet)
// is shown inside it.  A top-level form is placed when shown as its Position asks (centred on the
// screen, the main form or its owner form); a maximised one covers the screen.
//
// Show makes the form visible: OnShow runs, then the form becomes the active one (OnActivate)
// and its first control in tab order takes the focus.  Close asks OnCloseQuery, then OnClose
// decides: caHide hides, caFree frees, caMinimize minimises, caNone keeps the form open; closing
// the application's main form terminates the application.  ShowModal runs the application's
// message loop until ModalResult is set (a button with a ModalResult sets it; Close sets
// mrCancel), then closes through OnCloseQuery and OnClose and returns the result.
class TCustomForm : public TWinControl {
  DUO_CLASS(TCustomForm, TWinControl)

public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  // Runs OnCreate once the constructors have built the form; CreateForm calls it.
  virtual void AfterConstruction();

  void Show();
  void Hide();
  void Close();
  TModalResult ShowModal();
  // Frees the form at once; a form running modally is freed when its modal run returns.
  void Release();
  // Asks OnCloseQuery whether the form may close.
  virtual bool CloseQuery();

  bool IsModal() const { return FModalLevel > 0; }
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult result);

  TFormBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle style);
  TPosition GetPosition() const { return FPosition; }
  void SetPosition(TPosition position);
  TWindowState GetWindowState() const { return FWindowState; }
  void SetWindowState(TWindowState state);
  bool GetKeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool keyPreview);
  TMainMenu* GetMenu() const { return FMenu; }
  void SetMenu(TMainMenu* menu);

  int GetClientWidth() const override;
  int GetClientHeight() const override;
  void SetClientWidth(int value) override;
  void SetClientHeight(int value) override;
  bool GetShowing() const override;

  // The control that has (or will have, once the form is shown) the focus.
  TWinControl* GetActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* control);
  // Moves the focus to `control` (on this form or a form inside it): OnExit of the controls the
  // focus leaves, innermost first, then OnEnter of those it enters, outermost first.  An OnExit
  // that raises keeps the focus where it was.
  void FocusControl(TWinControl* control);
  TWinControl* GetFocusedControl() const { return FFocusedControl; }
  bool GetActive() const { return FActive; }

  // The keyboard's navigation keys: Tab moves the focus, Enter clicks the focused button or the
  // default button, Escape the cancel button.  Returns whether the key was used.
  virtual bool DialogKey(Word key, TShiftState shift);
  // Clicks the enabled, visible menu item (of the form's menu or of the popup menu of a control
  // around the focus) whose shortcut this is.  Returns whether one was clicked.
  virtual bool IsShortCut(Word key, TShiftState shift);

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

  // Hooks descendants override; each runs the matching event.
  virtual void DoCreate();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);
  virtual void Activate();
  virtual void Deactivate();

protected:
  void SetVisible(bool visible) override;
  void ShowingChanged() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend class TScreen;
  friend class TWinControl;

  TFormBorderStyle FBorderStyle = bsSizeable;
  TPosition FPosition = poDefaultPosOnly;
  TWindowState FWindowState = wsNormal;
  bool FKeyPreview = false;
  TMainMenu* FMenu = nullptr;
  TModalResult FModalResult = mrNone;
  int FModalLevel = 0;
  bool FReleasePending = false;
  bool FCreated = false;
  bool FActive = false;
  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  TRect FNormalBounds;

  // Places a top-level form being shown as its Position asks.
  void PlaceOnScreen();
  int FrameWidth() const;
  int FrameHeight() const;
  void CloseModal();
  void SetActive(bool active);
  void Defocus(TControl* control);
};

class TForm : public TCustomForm {
  DUO_CLASS(TForm, TCustomForm)

public:
  using TCustomForm::TCustomForm;
};

// The screen: its forms, the active one, its pixel density.
class TScreen {
public:
  int GetPixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int ppi) { FPixelsPerInch = ppi; }
  int GetWidth() const { return FWidth; }
  int GetHeight() const { return FHeight; }
  void SetSize(int width, int height);

  int FormCount() const { return static_cast<int>(FForms.size()); }
  TCustomForm* Forms(int index) const;
  // The form named `name` (compared without case), or nullptr.
  TCustomForm* FindForm(const std::string& name) const;
  TCustomForm* GetActiveForm() const { return FActiveForm; }
  TWinControl* GetActiveControl() const;

private:
  friend class TCustomForm;

  std::vector<TCustomForm*> FForms;
  TCustomForm* FActiveForm = nullptr;
  // Top-level forms that are shown, most recently activated last.
  std::vector<TCustomForm*> FShownOrder;
  int FPixelsPerInch = 96;
  int FWidth = 1920;
  int FHeight = 1080;

  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  void ActivateForm(TCustomForm* form);
  void FormHidden(TCustomForm* form);
};

using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;

// What a drag in progress carries: its source, where it may start, whether it has started and
// the control the pointer is over.
struct TDragInfo {
  TPoint MouseDownAt;
  TControl* Source = nullptr;
  TPoint Start;
  int Threshold = 5;
  bool Started = false;
  TControl* Target = nullptr;
  bool Accepted = false;
};

class TApplication : public TComponent {
  DUO_CLASS(TApplication, TComponent)

public:
  // Without a backend the application runs headless.
  explicit TApplication(std::unique_ptr<TUIBackend> backend = nullptr);
  ~TApplication() override;

  const std::string& GetTitle() const { return FTitle; }
  void SetTitle(const std::string& title) { FTitle = title; }
  TCustomForm* GetMainForm() const { return FMainForm; }

  // Creates a form (or any component) owned by the application, sets `reference` to it before
  // its OnCreate runs, and makes the first form created this way the main form.
  template <class T> void CreateForm(T*& reference);

  // The message loop: shows the main form and handles messages until termination is requested
  // (closing the main form requests it).  Without a main form it returns at once.
  void Run();
  // Runs one piece of work of the loop; `waiting` is the form being waited for.
  void HandleMessage(TCustomForm* waiting = nullptr);
  // Runs the procedures handed to the main thread, without waiting for input.
  void ProcessMessages();
  // Requests termination: the message loop and every modal run end.
  void Terminate();
  bool GetTerminated() const { return FTerminated; }
  int GetModalLevel() const { return FModalLevel; }

  // Runs a piece of user input: EAbort is swallowed, other errors of the handlers go to
  // HandleException; EPresentationError reaches the caller.
  void RunUserAction(const std::function<void()>& action);
  // The default error handling: OnException when assigned, else ShowException.
  void HandleException(TObject* sender, const std::exception& error);
  // The error dialog: the message (with a final period) in an error box with an OK button.
  void ShowException(const std::exception& error);
  TExceptionEvent OnException;

  TUIBackend& GetBackend() const { return *FBackend; }
  // Replaces the backend; the old one is returned.
  std::unique_ptr<TUIBackend> SetBackend(std::unique_ptr<TUIBackend> backend);
  void AddObserver(TControlObserver* observer);
  void RemoveObserver(TControlObserver* observer);
  // Tells the backend and every observer.
  template <class F> void Notify(F&& call);

  TScreen& GetScreen() { return FScreen; }
  TClipboard& GetClipboard();
  TDragInfo& GetDrag() { return FDrag; }

private:
  friend class TCustomForm;

  std::string FTitle;
  TCustomForm* FMainForm = nullptr;
  std::atomic<bool> FTerminated = false;
  bool FRunning = false;
  int FModalLevel = 0;
  std::unique_ptr<TUIBackend> FBackend;
  std::vector<TControlObserver*> FObservers;
  TScreen FScreen;
  std::unique_ptr<TClipboard> FClipboard;
  TDragInfo FDrag;

  void AdoptForm(TComponent* component);
};

// The calling thread's application: the one a TApplicationScope made current, else the
// process's.  Once a presentation that keeps one application per session has called
// RequireApplicationScope(), a thread without a scope has no application: Application() raises
// EPresentationError instead of attaching controls to an application shared by everyone.
TApplication& Application();
void RequireApplicationScope();
// The application a component belongs to: that of the nearest control among its owners, else the
// calling thread's.  Menus and dialogs follow their owner, wherever their code is called from.
TApplication& ApplicationOf(const TComponent* component);
TScreen& Screen();

// Makes an application the calling thread's for the scope's lifetime.
class TApplicationScope {
public:
  explicit TApplicationScope(TApplication& app);
  ~TApplicationScope();
  TApplicationScope(const TApplicationScope&) = delete;
  TApplicationScope& operator=(const TApplicationScope&) = delete;

private:
  TApplication* FPrevious;
};

namespace detail {
// Runs a new form's OnCreate; a form whose OnCreate raises is freed and the error raised again.
void RunOnCreate(TCustomForm* form);
} // namespace detail

// Creates a form owned by `owner` and runs its OnCreate; a form whose OnCreate raises is freed
// and the error raised again.
template <class T> T* CreateForm(TComponent* owner) {
  T* form = new T(owner);
  detail::RunOnCreate(form);
  return form;
}

// The same for a form class known by its class info; raises when the class is not a form class
// that can be created by name.
TCustomForm* CreateFormOfClass(const TClassInfo& formClass, TComponent* owner);

template <class T> void TApplication::CreateForm(T*& reference) {
  reference = new T(this);
  AdoptForm(reference);
  if constexpr (std::is_base_of_v<TCustomForm, T>) {
    try {
      reference->AfterConstruction();
    } catch (...) {
      if (FMainForm == reference)
        FMainForm = nullptr;
      delete reference;
      reference = nullptr;
      throw;
    }
  }
}

template <class F> void TApplication::Notify(F&& call) {
  call(static_cast<TControlObserver&>(*FBackend));
  for (TControlObserver* observer : std::vector<TControlObserver*>(FObservers))
    call(*observer);
}
