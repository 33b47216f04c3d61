#include "ui/Forms.h"

#include "runtime/ScopeExit.h"
#include "runtime/StrUtils.h"
#include "ui/Clipbrd.h"
#include "ui/Headless.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

#include <algorithm>

namespace {

// The frame a top-level window with a border adds around its client area.
constexpr int BorderFrameWidth = 16;
constexpr int BorderFrameHeight = 39;

std::string FormLabel(const TCustomForm& form) {
  return form.GetName().empty() ? form.ClassName() : form.GetName();
}

// The first button, depth first in child order, that answers Enter (as the default button) or
// Escape (as the cancel button) and can take the focus.
TButton* FindDialogButton(const TWinControl& parent, Word key) {
  for (int i = 0; i < parent.ControlCount(); ++i) {
    TControl* child = parent.Controls(i);
    if (child->Is<TButton>()) {
      auto* button = static_cast<TButton*>(child);
      const bool answers = key == VK_RETURN ? button->GetDefault() : button->GetCancel();
      if (answers && button->CanFocus())
        return button;
    } else if (child->IsWindowed()) {
      if (TButton* found = FindDialogButton(*static_cast<TWinControl*>(child), key))
        return found;
    }
  }
  return nullptr;
}

thread_local TApplication* CurrentApplication = nullptr;
std::atomic<bool> ApplicationScopeRequired = false;

TApplication& ProcessApplication() {
  static TApplication app;
  return app;
}

// Errors that reach the runtime's default handling go to the calling thread's application.
void HookDefaultErrors() {
  static const bool hooked = [] {
    SetDefaultErrorHook([](const std::exception& e) { Application().HandleException(nullptr, e); });
    return true;
  }();
  (void)hooked;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TCustomForm

const TClassInfo& TCustomForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomForm>("TCustomForm")
          .Property("Caption", &TCustomForm::GetCaption, &TCustomForm::SetCaption)
          .Property("BorderStyle", &TCustomForm::GetBorderStyle, &TCustomForm::SetBorderStyle)
          .Property("Position", &TCustomForm::GetPosition, &TCustomForm::SetPosition)
          .Property("WindowState", &TCustomForm::GetWindowState, &TCustomForm::SetWindowState)
          .Property("KeyPreview", &TCustomForm::GetKeyPreview, &TCustomForm::SetKeyPreview)
          .Property("ClientWidth", &TCustomForm::GetClientWidth, &TCustomForm::SetClientWidth)
          .Property("ClientHeight", &TCustomForm::GetClientHeight, &TCustomForm::SetClientHeight)
          .Property("ModalResult", &TCustomForm::GetModalResult, &TCustomForm::SetModalResult)
          .ReadOnly("Showing", &TCustomForm::GetShowing)
          .Build();
  return info;
}

const TClassInfo& TForm::StaticClass() {
  static const TClassInfo info = TClassBuilder<TForm>("TForm").Creatable().Build();
  return info;
}

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
  InitVisible(false);
  SetParentFont(false);
  GetApplication().GetScreen().AddForm(this);
}

TCustomForm::~TCustomForm() {
  MarkDestroying();
  DestroyComponents();
  TApplication& app = GetApplication();
  app.GetScreen().RemoveForm(this);
  if (app.FMainForm == this)
    app.FMainForm = nullptr;
}

void detail::RunOnCreate(TCustomForm* form) {
  try {
    form->AfterConstruction();
  } catch (...) {
    delete form;
    throw;
  }
}

TCustomForm* CreateFormOfClass(const TClassInfo& formClass, TComponent* owner) {
  if (!formClass.InheritsFrom(TCustomForm::StaticClass()) || !formClass.IsCreatable())
    throw Exception("Class " + formClass.ClassName() + " is not a form class that can be created");
  auto* form = static_cast<TCustomForm*>(formClass.CreateInstance(owner));
  detail::RunOnCreate(form);
  return form;
}

void TCustomForm::AfterConstruction() {
  if (FCreated)
    return;
  FCreated = true;
  DoCreate();
}

void TCustomForm::DoCreate() {
  if (OnCreate)
    OnCreate(this);
}

void TCustomForm::DoShow() {
  if (OnShow)
    OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide)
    OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose)
    OnClose(this, action);
}

void TCustomForm::Activate() {
  if (OnActivate)
    OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate)
    OnDeactivate(this);
}

void TCustomForm::Show() {
  SetVisible(true);
}

void TCustomForm::Hide() {
  SetVisible(false);
}

void TCustomForm::SetVisible(bool visible) {
  TApplication& app = GetApplication();
  if (visible == GetVisible()) {
    if (visible && GetParent() == nullptr)
      app.GetScreen().ActivateForm(this);
    return;
  }
  if (visible && GetParent() == nullptr)
    PlaceOnScreen();
  TWinControl::SetVisible(visible);
  if (GetParent() != nullptr)
    return;
  if (visible) {
    app.Notify([this](TControlObserver& o) { o.FormShown(*this); });
    app.GetScreen().ActivateForm(this);
  } else {
    app.Notify([this](TControlObserver& o) { o.FormHidden(*this); });
    app.GetScreen().FormHidden(this);
  }
}

void TCustomForm::ShowingChanged() {
  if (InDestruction())
    return;
  const bool showing = GetShowing();
  GetApplication().RunUserAction([&] {
    if (showing)
      DoShow();
    else
      DoHide();
  });
}

bool TCustomForm::GetShowing() const {
  return GetParent() == nullptr ? GetVisible() : TWinControl::GetShowing();
}

int TCustomForm::FrameWidth() const {
  return FBorderStyle == bsNone ? 0 : BorderFrameWidth;
}

int TCustomForm::FrameHeight() const {
  return FBorderStyle == bsNone ? 0 : BorderFrameHeight;
}

int TCustomForm::GetClientWidth() const {
  return std::max(0, GetWidth() - FrameWidth());
}

int TCustomForm::GetClientHeight() const {
  return std::max(0, GetHeight() - FrameHeight());
}

void TCustomForm::SetClientWidth(int value) {
  SetWidth(value + FrameWidth());
}

void TCustomForm::SetClientHeight(int value) {
  SetHeight(value + FrameHeight());
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == FBorderStyle)
    return;
  // The client area keeps its size; the frame around it changes.
  const int clientWidth = GetClientWidth();
  const int clientHeight = GetClientHeight();
  FBorderStyle = style;
  Changed("BorderStyle");
  SetBounds(GetLeft(), GetTop(), clientWidth + FrameWidth(), clientHeight + FrameHeight());
}

void TCustomForm::SetPosition(TPosition position) {
  if (position == FPosition)
    return;
  FPosition = position;
  Changed("Position");
}

void TCustomForm::SetKeyPreview(bool keyPreview) {
  if (keyPreview == FKeyPreview)
    return;
  FKeyPreview = keyPreview;
  Changed("KeyPreview");
}

void TCustomForm::SetWindowState(TWindowState state) {
  if (state == FWindowState)
    return;
  const TWindowState old = FWindowState;
  FWindowState = state;
  Changed("WindowState");
  if (GetParent() != nullptr)
    return;
  // A maximised window covers the screen; it gets its own bounds back when restored.
  if (state == wsMaximized) {
    if (old == wsNormal)
      FNormalBounds = GetBoundsRect();
    const TScreen& screen = GetApplication().GetScreen();
    SetBounds(0, 0, screen.GetWidth(), screen.GetHeight());
  } else if (state == wsNormal && old == wsMaximized) {
    SetBounds(FNormalBounds.Left, FNormalBounds.Top, FNormalBounds.Width(), FNormalBounds.Height());
  }
}

void TCustomForm::PlaceOnScreen() {
  if (FWindowState == wsMaximized)
    return;
  const TScreen& screen = GetApplication().GetScreen();
  const TCustomForm* over = nullptr;
  switch (FPosition) {
  case poScreenCenter:
  case poDesktopCenter:
    SetBounds((screen.GetWidth() - GetWidth()) / 2, (screen.GetHeight() - GetHeight()) / 2,
              GetWidth(), GetHeight());
    return;
  case poMainFormCenter:
    over = GetApplication().GetMainForm();
    break;
  case poOwnerFormCenter:
    if (GetOwner() != nullptr && GetOwner()->Is<TCustomForm>())
      over = static_cast<const TCustomForm*>(GetOwner());
    break;
  default:
    return;
  }
  if (over == nullptr || over == this) {
    SetBounds((screen.GetWidth() - GetWidth()) / 2, (screen.GetHeight() - GetHeight()) / 2,
              GetWidth(), GetHeight());
    return;
  }
  SetBounds(over->GetLeft() + (over->GetWidth() - GetWidth()) / 2,
            over->GetTop() + (over->GetHeight() - GetHeight()) / 2, GetWidth(), GetHeight());
}

void TCustomForm::SetMenu(TMainMenu* menu) {
  if (menu == FMenu)
    return;
  if (FMenu != nullptr)
    RemoveFreeNotification(FMenu);
  FMenu = menu;
  if (menu != nullptr)
    FreeNotification(menu);
  Changed("Menu");
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove && FMenu != nullptr && component == FMenu)
    FMenu = nullptr;
}

void TCustomForm::SetModalResult(TModalResult result) {
  FModalResult = result;
  if (IsModal())
    GetApplication().GetBackend().Wake();
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery)
    OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  if (IsModal()) {
    SetModalResult(mrCancel);
    return;
  }
  if (!CloseQuery())
    return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone)
    return;
  TApplication& app = GetApplication();
  if (app.GetMainForm() == this)
    app.Terminate();
  else if (action == caHide)
    Hide();
  else if (action == caMinimize)
    SetWindowState(wsMinimized);
  else
    Release();
}

void TCustomForm::Release() {
  if (IsModal()) {
    FReleasePending = true;
    return;
  }
  delete this;
}

void TCustomForm::CloseModal() {
  TApplication& app = GetApplication();
  try {
    TCloseAction action = caNone;
    if (CloseQuery()) {
      action = caHide;
      DoClose(action);
    }
    if (action == caNone)
      FModalResult = mrNone;
    else if (action == caFree)
      FReleasePending = true;
  } catch (const EPresentationError&) {
    throw;
  } catch (const std::exception& e) {
    FModalResult = mrNone;
    app.HandleException(this, e);
  }
}

TModalResult TCustomForm::ShowModal() {
  if (GetVisible() || !GetEnabled() || IsModal())
    throw EInvalidOperation("Cannot make a visible window modal (" + FormLabel(*this) + ")");
  TApplication& app = GetApplication();
  detail::TFreeWatch watch(this);
  ++FModalLevel;
  ++app.FModalLevel;
  app.Notify([this](TControlObserver& o) { o.ModalStarted(*this); });
  // Ends the modal state whatever way the run ends; the form may be gone by then.
  const auto endModal = [&] {
    --app.FModalLevel;
    if (!watch.Alive())
      return;
    --FModalLevel;
    // The modal form is deactivated before it hides, as the platform does.
    app.RunUserAction([&] { SetActive(false); });
    if (watch.Alive())
      app.RunUserAction([&] { Hide(); });
    if (!watch.Alive())
      return;
    app.Notify([this](TControlObserver& o) { o.ModalEnded(*this); });
  };
  TModalResult result = mrCancel;
  try {
    app.RunUserAction([&] { Show(); });
    if (watch.Alive())
      FModalResult = mrNone;
    while (watch.Alive()) {
      if (app.GetTerminated()) {
        FModalResult = mrCancel;
        break;
      }
      if (FModalResult != mrNone) {
        CloseModal();
        if (FModalResult != mrNone)
          break;
        continue;
      }
      app.HandleMessage(this);
    }
    if (watch.Alive())
      result = FModalResult;
  } catch (...) {
    endModal();
    throw;
  }
  endModal();
  if (watch.Alive() && FReleasePending)
    delete this;
  return result;
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control == FActiveControl)
    return;
  if (control != nullptr && !ContainsControl(control))
    throw EInvalidOperation("The active control must be a control of the form");
  if (control != nullptr && FActive && GetShowing()) {
    control->SetFocus();
    return;
  }
  FActiveControl = control;
}

void TCustomForm::FocusControl(TWinControl* control) {
  TCustomForm* top = GetParentForm(this);
  if (top != this) {
    top->FocusControl(control);
    return;
  }
  if (control == FFocusedControl)
    return;
  TWinControl* old = FFocusedControl;
  // Leave the controls the focus goes out of, innermost first.
  for (TWinControl* c = old; c != nullptr && !c->ContainsControl(control); c = c->GetParent())
    if (!c->Is<TCustomForm>())
      c->DoExit();
  FFocusedControl = control;
  for (TControl* c = control; c != nullptr; c = c->GetParent())
    if (c->Is<TCustomForm>())
      static_cast<TCustomForm*>(c)->FActiveControl = control;
  // Enter the controls the focus goes into, outermost first.
  std::vector<TWinControl*> entered;
  for (TWinControl* c = control; c != nullptr && !(old != nullptr && c->ContainsControl(old));
       c = c->GetParent())
    if (!c->Is<TCustomForm>())
      entered.push_back(c);
  GetApplication().Notify([&](TControlObserver& o) { o.FocusChanged(*this, control); });
  for (auto it = entered.rbegin(); it != entered.rend(); ++it)
    (*it)->DoEnter();
}

void TCustomForm::Defocus(TControl* control) {
  const bool focused = FFocusedControl != nullptr && control->IsWindowed() &&
                       static_cast<TWinControl*>(control)->ContainsControl(FFocusedControl);
  if (focused || FFocusedControl == control)
    FFocusedControl = nullptr;
  if (FActiveControl != nullptr &&
      (FActiveControl == control ||
       (control->IsWindowed() &&
        static_cast<TWinControl*>(control)->ContainsControl(FActiveControl))))
    FActiveControl = nullptr;
  if (focused)
    GetApplication().Notify([&](TControlObserver& o) { o.FocusChanged(*this, nullptr); });
}

void TCustomForm::SetActive(bool active) {
  if (active == FActive)
    return;
  FActive = active;
  TApplication& app = GetApplication();
  if (!active) {
    app.RunUserAction([&] { Deactivate(); });
    return;
  }
  detail::TFreeWatch watch(this);
  app.RunUserAction([&] { Activate(); });
  if (!watch.Alive() || !FActive || FFocusedControl != nullptr)
    return;
  TWinControl* target = FActiveControl != nullptr && FActiveControl->CanFocus()
                            ? FActiveControl
                            : FindNextControl(nullptr, true, true, false);
  if (target != nullptr)
    app.RunUserAction([&] { FocusControl(target); });
}

bool TCustomForm::DialogKey(Word key, TShiftState shift) {
  if (shift.Contains(ssAlt))
    return false;
  if (key == VK_TAB && !shift.Contains(ssCtrl)) {
    SelectNext(FFocusedControl, !shift.Contains(ssShift), true);
    return true;
  }
  if ((key != VK_RETURN && key != VK_ESCAPE) || !shift.Empty())
    return false;
  TButton* target = nullptr;
  if (FFocusedControl != nullptr && FFocusedControl->Is<TButton>()) {
    if (key == VK_RETURN)
      target = static_cast<TButton*>(FFocusedControl);
    else
      target = FindDialogButton(*this, key);
  } else {
    target = FindDialogButton(*this, key);
  }
  if (target == nullptr || !target->CanFocus())
    return false;
  target->Click();
  return true;
}

bool TCustomForm::IsShortCut(Word key, TShiftState shift) {
  for (TControl* c = FFocusedControl; c != nullptr; c = c->GetParent())
    if (TPopupMenu* popup = c->GetPopupMenu(); popup != nullptr && popup->IsShortCut(key, shift))
      return true;
  return FMenu != nullptr && FMenu->IsShortCut(key, shift);
}

// ---------------------------------------------------------------------------------------------
// TScreen

void TScreen::SetSize(int width, int height) {
  FWidth = width;
  FHeight = height;
}

TCustomForm* TScreen::Forms(int index) const {
  if (index < 0 || index >= FormCount())
    throw EListError("Form index out of bounds (" + std::to_string(index) + ")");
  return FForms[static_cast<size_t>(index)];
}

TCustomForm* TScreen::FindForm(const std::string& name) const {
  for (TCustomForm* form : FForms)
    if (SameText(form->GetName(), name))
      return form;
  return nullptr;
}

TWinControl* TScreen::GetActiveControl() const {
  return FActiveForm == nullptr ? nullptr : FActiveForm->GetFocusedControl();
}

void TScreen::AddForm(TCustomForm* form) {
  FForms.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form) {
  std::erase(FForms, form);
  std::erase(FShownOrder, form);
  if (FActiveForm == form) {
    FActiveForm = nullptr;
    if (!FShownOrder.empty())
      ActivateForm(FShownOrder.back());
  }
}

void TScreen::ActivateForm(TCustomForm* form) {
  std::erase(FShownOrder, form);
  FShownOrder.push_back(form);
  if (FActiveForm == form)
    return;
  TCustomForm* old = FActiveForm;
  FActiveForm = form;
  if (old != nullptr)
    old->SetActive(false);
  if (FActiveForm == form)
    form->SetActive(true);
}

void TScreen::FormHidden(TCustomForm* form) {
  std::erase(FShownOrder, form);
  if (FActiveForm != form)
    return;
  FActiveForm = nullptr;
  form->SetActive(false);
  if (FActiveForm == nullptr && !FShownOrder.empty())
    ActivateForm(FShownOrder.back());
}

// ---------------------------------------------------------------------------------------------
// TApplication

const TClassInfo& TApplication::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TApplication>("TApplication")
          .Property("Title", &TApplication::GetTitle, &TApplication::SetTitle)
          .ReadOnly("Terminated", &TApplication::GetTerminated)
          .Build();
  return info;
}

namespace detail {
void RegisterControlClasses();
} // namespace detail

TApplication::TApplication(std::unique_ptr<TUIBackend> backend)
    : TComponent(nullptr),
      FBackend(backend ? std::move(backend) : std::make_unique<THeadlessBackend>()) {
  detail::RegisterControlClasses();
  HookDefaultErrors();
}

TApplication::~TApplication() {
  TApplicationScope scope(*this);
  DestroyComponents();
}

void TApplication::AdoptForm(TComponent* component) {
  if (FMainForm == nullptr && component->Is<TCustomForm>())
    FMainForm = static_cast<TCustomForm*>(component);
}

void TApplication::Run() {
  if (FMainForm == nullptr)
    return;
  FRunning = true;
  const TScopeExit running([this] { FRunning = false; });
  if (!FMainForm->GetVisible())
    RunUserAction([&] { FMainForm->Show(); });
  while (!FTerminated && FMainForm != nullptr)
    HandleMessage(FMainForm);
}

void TApplication::HandleMessage(TCustomForm* waiting) {
  FBackend->HandleMessage(*this, waiting);
}

void TApplication::ProcessMessages() {
  FBackend->ProcessMessages(*this);
}

void TApplication::Terminate() {
  FTerminated = true;
  FBackend->Wake();
}

void TApplication::RunUserAction(const std::function<void()>& action) {
  try {
    action();
  } catch (const EPresentationError&) {
    throw;
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    HandleException(this, e);
  }
}

void TApplication::HandleException(TObject* sender, const std::exception& error) {
  if (dynamic_cast<const EAbort*>(&error) != nullptr)
    return;
  if (OnException)
    OnException(sender, error);
  else
    ShowException(error);
}

void TApplication::ShowException(const std::exception& error) {
  std::string text = error.what();
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
    text += '.';
  TMessageDialog dialog;
  dialog.Caption = FTitle;
  dialog.Text = text;
  dialog.Type = mtError;
  dialog.Buttons = {mbOK};
  FBackend->ShowMessageDialog(*this, dialog);
}

std::unique_ptr<TUIBackend> TApplication::SetBackend(std::unique_ptr<TUIBackend> backend) {
  if (!backend)
    throw EInvalidOperation("An application needs a backend");
  std::swap(backend, FBackend);
  return backend;
}

void TApplication::AddObserver(TControlObserver* observer) {
  if (std::find(FObservers.begin(), FObservers.end(), observer) == FObservers.end())
    FObservers.push_back(observer);
}

void TApplication::RemoveObserver(TControlObserver* observer) {
  std::erase(FObservers, observer);
}

TClipboard& TApplication::GetClipboard() {
  if (!FClipboard)
    FClipboard = std::make_unique<TClipboard>();
  return *FClipboard;
}

TApplication& Application() {
  if (CurrentApplication != nullptr)
    return *CurrentApplication;
  if (ApplicationScopeRequired)
    throw EPresentationError("Form code ran on a thread that belongs to no session");
  return ProcessApplication();
}

TApplication& ApplicationOf(const TComponent* component) {
  for (const TComponent* c = component; c != nullptr; c = c->GetOwner())
    if (c->Is<TControl>())
      return static_cast<const TControl*>(c)->GetApplication();
  return Application();
}

void RequireApplicationScope() {
  ApplicationScopeRequired = true;
}

TScreen& Screen() {
  return Application().GetScreen();
}

TApplicationScope::TApplicationScope(TApplication& app) : FPrevious(CurrentApplication) {
  CurrentApplication = &app;
}

TApplicationScope::~TApplicationScope() {
  CurrentApplication = FPrevious;
}
