#include "desktop/QtBackend.h"

#include "desktop/Presenters.h"
#include "desktop/QtConvert.h"
#include "runtime/MainThread.h"
#include "ui/Clipbrd.h"
#include "ui/Input.h"
#include "ui/Menus.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace {

// How often the presentation runs the procedures other threads hand to the main thread while it
// waits for input.
constexpr int HandOverIntervalMs = 20;

const char* PresentedProperty = "vozmiraPresented";

std::map<const TClassInfo*, TPresenterFactory>& PresenterFactories() {
  static std::map<const TClassInfo*, TPresenterFactory> factories;
  return factories;
}

std::map<const TClassInfo*, TTabPainter>& TabPainters() {
  static std::map<const TClassInfo*, TTabPainter> painters;
  return painters;
}

template <class Map> auto* FindByClass(Map& map, const TClassInfo& cls) {
  for (const TClassInfo* c = &cls; c != nullptr; c = c->ClassParent())
    if (auto it = map.find(c); it != map.end())
      return &it->second;
  return static_cast<decltype(&map.begin()->second)>(nullptr);
}

bool IsMouseEvent(QEvent::Type type) {
  return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
         type == QEvent::MouseButtonDblClick || type == QEvent::MouseMove;
}

// "Pictures|*.png;*.jpg|All|*.*" as Qt writes it: "Pictures (*.png *.jpg);;All (*.*)".
QString QtFilter(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    entries << parts[i] + " (" + parts[i + 1].replace(';', ' ') + ")";
  return entries.join(";;");
}

QMessageBox::Icon IconOf(TMsgDlgType type) {
  switch (type) {
  case mtWarning:
    return QMessageBox::Warning;
  case mtError:
    return QMessageBox::Critical;
  case mtInformation:
    return QMessageBox::Information;
  case mtConfirmation:
    return QMessageBox::Question;
  case mtCustom:
    break;
  }
  return QMessageBox::NoIcon;
}

// Hands every event of the application to the backend first.
class TInputFilter : public QObject {
public:
  explicit TInputFilter(TQtBackend& backend) : FBackend(backend) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    return FBackend.FilterEvent(watched, event);
  }

private:
  TQtBackend& FBackend;
};

} // namespace

void RegisterPresenter(const TClassInfo& controlClass, TPresenterFactory factory) {
  PresenterFactories()[&controlClass] = std::move(factory);
}

void RegisterTabPainter(const TClassInfo& pageControlClass, TTabPainter painter) {
  TabPainters()[&pageControlClass] = std::move(painter);
}

const TTabPainter* FindTabPainter(const TClassInfo& pageControlClass) {
  return FindByClass(TabPainters(), pageControlClass);
}

// ---------------------------------------------------------------------------------------------
// TQtPresenter

TQtPresenter::TQtPresenter(TQtBackend& backend, TControl& control, QWidget* widget)
    : FBackend(backend), FControl(control), FWidget(widget) {
  widget->setObjectName(QString::fromStdString(control.GetName()));
  Adopt(widget);
}

TQtPresenter::~TQtPresenter() {
  if (FWidget) {
    // The widget outlives the presenter for a moment: nothing it signals may reach it.
    QObject::disconnect(FWidget, nullptr, nullptr, nullptr);
    FWidget->hide();
    FWidget->setParent(nullptr);
    // The widget may be the one whose event is being handled: it goes once that is over.
    FWidget->deleteLater();
  }
}

void TQtPresenter::Adopt(QWidget* part) const {
  part->setProperty(PresentedProperty, true);
  part->setFocusPolicy(Qt::NoFocus);
  part->setMouseTracking(true);
  part->setAttribute(Qt::WA_Hover, false);
}

QPoint TQtPresenter::ToControl(const QWidget* receiver, QPoint point) const {
  if (receiver == FWidget)
    return point;
  return FWidget->mapFromGlobal(receiver->mapToGlobal(point));
}

void TQtPresenter::Sync(const std::string& name) {
  TControl& c = FControl;
  const bool window = c.Is<TCustomForm>() && c.GetParent() == nullptr;
  if (Reads(name, "Bounds") && !window)
    FWidget->setGeometry(c.GetLeft(), c.GetTop(), c.GetWidth(), c.GetHeight());
  if (Reads(name, "Visible") && !window)
    FWidget->setVisible(c.GetVisible());
  if (Reads(name, "Enabled"))
    FWidget->setEnabled(c.GetEnabled());
  if (Reads(name, "Font"))
    FWidget->setFont(QtFont(c.GetFont()));
  if (Reads(name, "Font") || Reads(name, "Color")) {
    QPalette palette = FWidget->palette();
    palette.setColor(QPalette::WindowText, QtColor(c.GetFont().GetColor()));
    palette.setColor(QPalette::Text, QtColor(c.GetFont().GetColor()));
    palette.setColor(QPalette::ButtonText, QtColor(c.GetFont().GetColor()));
    palette.setColor(QPalette::Window, QtColor(c.GetColor()));
    FWidget->setPalette(palette);
  }
  if (Reads(name, "Hint") || Reads(name, "ShowHint"))
    FWidget->setToolTip(c.GetShowHint() ? QString::fromStdString(c.GetHint()) : QString());
  if (Reads(name, "ZOrder") && !window)
    FWidget->raise();
}

void TQtPresenter::UserClick(int, int) {
  FControl.GetApplication().RunUserAction([&] { FControl.PerformClick(); });
}

// ---------------------------------------------------------------------------------------------
// TQtBackend

TQtBackend::TQtBackend(TApplication& app, std::unique_ptr<QApplication> qt)
    : FQt(std::move(qt)), FContext(std::make_unique<TInputFilter>(*this)), FApp(app),
      FHandOverTimer(new QTimer(FContext.get())) {
  RegisterStandardPresenters();
  RegisterDataPresenters();
  RegisterWorkspacePainting();
  qApp->installEventFilter(FContext.get());
  QObject::connect(FHandOverTimer, &QTimer::timeout, FContext.get(), [this] {
    if (!IsMainThread())
      return;
    try {
      FApp.RunUserAction([] { CheckSynchronize(); });
    } catch (...) {
      FFailure = std::current_exception();
      Wake();
    }
  });
  FHandOverTimer->start(HandOverIntervalMs);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    FApp.GetScreen().SetSize(screen->geometry().width(), screen->geometry().height());
    FApp.GetScreen().SetPixelsPerInch(static_cast<int>(screen->logicalDotsPerInch()));
  }
  ConnectClipboard();
}

TQtBackend::~TQtBackend() {
  *FAlive = false;
  FByWidget.clear();
  FPresenters.clear();
  if (qApp != nullptr) {
    qApp->removeEventFilter(FContext.get());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  FContext.reset();
}

void TQtBackend::RethrowFailure() {
  if (FFailure) {
    std::exception_ptr failure = FFailure;
    FFailure = nullptr;
    std::rethrow_exception(failure);
  }
}

void TQtBackend::HandleMessage(TApplication&, TCustomForm*) {
  RethrowFailure();
  // Widgets of controls that went away during the last event are deleted here, outside any
  // event handler.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  RethrowFailure();
}

void TQtBackend::ProcessMessages(TApplication& app) {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (IsMainThread())
    app.RunUserAction([] { CheckSynchronize(); });
  RethrowFailure();
}

void TQtBackend::Wake() {
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(FContext->thread()))
    dispatcher->wakeUp();
}

int TQtBackend::TextWidth(const TFont& font, const std::string& text) const {
  return QFontMetrics(QtFont(font)).horizontalAdvance(QString::fromStdString(text));
}

TModalResult TQtBackend::ShowMessageDialog(TApplication& app, const TMessageDialog& dialog) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(
      QString::fromStdString(dialog.Caption.empty() ? app.GetTitle() : dialog.Caption));
  box.setText(QString::fromStdString(dialog.Text));
  box.setIcon(IconOf(dialog.Type));
  std::map<QAbstractButton*, TModalResult> results;
  const std::vector<TMsgDlgBtn> buttons = ButtonsOf(dialog.Buttons);
  for (TMsgDlgBtn button : buttons) {
    const QMessageBox::ButtonRole role = button == mbCancel || button == mbNo || button == mbAbort
                                             ? QMessageBox::RejectRole
                                             : QMessageBox::AcceptRole;
    QPushButton* b = box.addButton(ButtonCaption(button), role);
    results[b] = ModalResultOf(button);
    // Enter answers with the first button, as on the platform.
    if (results.size() == 1)
      box.setDefaultButton(b);
    if (button == mbCancel || (button == mbNo && !dialog.Buttons.Contains(mbCancel)) ||
        buttons.size() == 1)
      box.setEscapeButton(b);
  }
  box.exec();
  if (auto it = results.find(box.clickedButton()); it != results.end())
    return it->second;
  return dialog.Buttons.Contains(mbCancel) ? mrCancel : mrNone;
}

std::optional<std::string> TQtBackend::ExecuteOpenDialog(TApplication&,
                                                         const TFileDialogRequest& request) {
  QString start = QString::fromStdString(request.InitialDir);
  if (!request.FileName.empty())
    start = start.isEmpty() ? QString::fromStdString(request.FileName)
                            : start + "/" + QString::fromStdString(request.FileName);
  QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.Title), start,
                     QtFilter(request.Filter));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (!request.DefaultExt.empty())
    dialog.setDefaultSuffix(QString::fromStdString(request.DefaultExt));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

void TQtBackend::ConnectClipboard() {
  TClipboard& clipboard = FApp.GetClipboard();
  // The clipboard may outlive the backend (the application takes it apart last).
  clipboard.OnChange = [this, &clipboard, alive = FAlive] {
    if (!*alive)
      return;
    FPushingClipboard = true;
    QClipboard* system = QGuiApplication::clipboard();
    if (clipboard.HasFormat(CF_TEXT))
      system->setText(QString::fromStdString(clipboard.GetAsText()));
    else if (!clipboard.GetPicture().Empty())
      system->setImage(QtImage(clipboard.GetPicture()));
    else
      system->clear();
    FPushingClipboard = false;
  };
  // Text copied in other programs becomes the model's clipboard text.
  QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, FContext.get(),
                   [this, &clipboard] {
                     if (FPushingClipboard)
                       return;
                     const std::string text = QGuiApplication::clipboard()->text().toStdString();
                     if (text == clipboard.GetAsText() && clipboard.HasFormat(CF_TEXT))
                       return;
                     FPushingClipboard = true;
                     clipboard.SetAsText(text);
                     FPushingClipboard = false;
                   });
}

// ---------------------------------------------------------------------------------------------
// Following the model

TQtPresenter* TQtBackend::PresenterOf(const TControl& control) const {
  auto it = FPresenters.find(&control);
  return it == FPresenters.end() ? nullptr : it->second.get();
}

QWidget* TQtBackend::WidgetOf(const TControl& control) const {
  TQtPresenter* presenter = PresenterOf(control);
  return presenter == nullptr ? nullptr : presenter->Widget();
}

QWidget* TQtBackend::WindowOf(const TCustomForm& form) const {
  QWidget* widget = WidgetOf(form);
  return widget == nullptr ? nullptr : widget->window();
}

TQtPresenter* TQtBackend::PresenterAt(QWidget* widget) const {
  for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (auto it = FByWidget.find(w); it != FByWidget.end())
      return it->second;
    if (w->isWindow())
      break;
  }
  return nullptr;
}

void TQtBackend::Register(QWidget* widget, TQtPresenter* presenter) {
  FByWidget[widget] = presenter;
}

void TQtBackend::Unregister(TQtPresenter* presenter) {
  std::erase_if(FByWidget, [&](const auto& entry) { return entry.second == presenter; });
}

void TQtBackend::Present(TControl& control) {
  if (PresenterOf(control) != nullptr)
    return;
  QWidget* host = nullptr;
  if (control.GetParent() != nullptr) {
    TQtPresenter* parent = PresenterOf(*control.GetParent());
    if (parent == nullptr)
      return;
    host = parent->ChildHost();
  }
  const TPresenterFactory* factory = FindByClass(PresenterFactories(), control.ClassType());
  if (factory == nullptr)
    return;
  std::unique_ptr<TQtPresenter> presenter = (*factory)(*this, control);
  TQtPresenter* p = presenter.get();
  FPresenters[&control] = std::move(presenter);
  Register(p->Widget(), p);
  if (host != nullptr)
    p->Widget()->setParent(host);
  p->Sync({});
  if (control.IsWindowed()) {
    auto& win = static_cast<TWinControl&>(control);
    for (int i = 0; i < win.ControlCount(); ++i)
      Present(*win.Controls(i));
  }
}

void TQtBackend::Dismiss(TControl& control) {
  if (FPressed == &control)
    FPressed = nullptr;
  if (FHovered == &control)
    FHovered = nullptr;
  std::vector<const TControl*> gone;
  for (const auto& [c, presenter] : FPresenters)
    for (const TControl* p = c; p != nullptr; p = p->GetParent())
      if (p == &control) {
        gone.push_back(c);
        break;
      }
  // Innermost first, so that no widget is deleted under a presenter that still holds it.
  std::sort(gone.begin(), gone.end(), [](const TControl* a, const TControl* b) {
    auto depth = [](const TControl* c) {
      int d = 0;
      for (; c != nullptr; c = c->GetParent())
        ++d;
      return d;
    };
    return depth(a) > depth(b);
  });
  for (const TControl* c : gone) {
    if (FPressed == c)
      FPressed = nullptr;
    if (FHovered == c)
      FHovered = nullptr;
    auto it = FPresenters.find(c);
    Unregister(it->second.get());
    FPresenters.erase(it);
  }
}

void TQtBackend::PropertyChanged(TComponent& component, const std::string& name) {
  if (component.Is<TControl>()) {
    if (TQtPresenter* presenter = PresenterOf(static_cast<TControl&>(component)))
      presenter->Sync(name);
    return;
  }
  // A menu item changed: forms showing its menu read the menu again.
  if (component.Is<TMenuItem>()) {
    TMenu* menu = static_cast<TMenuItem&>(component).GetMenu();
    for (const auto& [control, presenter] : FPresenters)
      if (control->Is<TCustomForm>() && menu != nullptr &&
          static_cast<const TCustomForm*>(control)->GetMenu() == menu)
        presenter->Sync("Menu");
  }
}

void TQtBackend::ChildAdded(TWinControl& parent, TControl& child) {
  Dismiss(child);
  if (PresenterOf(parent) != nullptr)
    Present(child);
}

void TQtBackend::ChildRemoved(TWinControl&, TControl& child) {
  Dismiss(child);
}

void TQtBackend::ControlDestroying(TControl& control) {
  Dismiss(control);
}

void TQtBackend::FormShown(TCustomForm& form) {
  Present(form);
  ShowWindow(form);
}

void TQtBackend::ShowWindow(TCustomForm& form) {
  TQtPresenter* presenter = PresenterOf(form);
  if (presenter == nullptr)
    return;
  QWidget* window = presenter->Widget();
  presenter->Sync("Bounds");
  switch (form.GetPosition()) {
  case poScreenCenter:
  case poDesktopCenter:
  case poMainFormCenter:
  case poOwnerFormCenter:
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect area = screen->availableGeometry();
      window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
    break;
  case poDesigned:
    window->move(form.GetLeft(), form.GetTop());
    break;
  default:
    break;
  }
  if (form.GetWindowState() == wsMaximized)
    window->showMaximized();
  else if (form.GetWindowState() == wsMinimized)
    window->showMinimized();
  else
    window->show();
  window->raise();
  window->activateWindow();
  if (TWinControl* focused = form.GetFocusedControl())
    if (QWidget* widget = WidgetOf(*focused))
      widget->setFocus();
}

void TQtBackend::FormHidden(TCustomForm& form) {
  if (QWidget* window = WidgetOf(form); window != nullptr && window->isWindow())
    window->hide();
}

void TQtBackend::ModalStarted(TCustomForm& form) {
  Present(form);
  if (QWidget* window = WidgetOf(form); window != nullptr && window->isWindow())
    window->setWindowModality(Qt::ApplicationModal);
}

void TQtBackend::ModalEnded(TCustomForm& form) {
  if (QWidget* window = WidgetOf(form); window != nullptr && window->isWindow()) {
    window->hide();
    window->setWindowModality(Qt::NonModal);
  }
}

void TQtBackend::FocusChanged(TCustomForm& form, TWinControl* focused) {
  QWidget* widget = focused != nullptr ? WidgetOf(*focused) : nullptr;
  if (widget == nullptr) {
    if (TQtPresenter* presenter = PresenterOf(form))
      presenter->ChildHost()->setFocus();
    return;
  }
  widget->setFocus(Qt::OtherFocusReason);
}

void TQtBackend::RefreshAll() {
  std::vector<TQtPresenter*> presenters;
  for (const auto& [control, presenter] : FPresenters)
    presenters.push_back(presenter.get());
  for (TQtPresenter* presenter : presenters)
    presenter->Refresh();
}

// ---------------------------------------------------------------------------------------------
// The user's input

void TQtBackend::RunInput(const std::function<void()>& input) {
  try {
    input();
  } catch (...) {
    // Qt events cannot carry exceptions: the loop that waits raises it once the event is over.
    FFailure = std::current_exception();
    Wake();
  }
  RefreshAll();
}

bool TQtBackend::FilterEvent(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType())
    return false;
  auto* widget = static_cast<QWidget*>(watched);
  if (!widget->property(PresentedProperty).toBool())
    return false;
  const QEvent::Type type = event->type();
  const bool key =
      type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride;
  const bool mouse = IsMouseEvent(type) || type == QEvent::Enter || type == QEvent::Leave ||
                     type == QEvent::ContextMenu;
  const bool window = type == QEvent::Close || type == QEvent::Resize;
  if (!key && !mouse && !window)
    return false;
  // A drop-down list or a menu that is open handles its own input.
  if ((key || mouse) && QApplication::activePopupWidget() != nullptr)
    return false;
  TQtPresenter* presenter = PresenterAt(widget);
  if (presenter == nullptr)
    return false;
  if (key)
    return KeyEvent(*presenter, event);
  if (mouse)
    return MouseEvent(*presenter, widget, event);

  // The window of a form: closing it is the form's Close; its size is the form's client size.
  TControl& control = presenter->Control();
  if (!control.Is<TCustomForm>() || control.GetParent() != nullptr)
    return false;
  auto& form = static_cast<TCustomForm&>(control);
  if (type == QEvent::Close && widget == presenter->Widget()) {
    static_cast<QCloseEvent*>(event)->ignore();
    RunInput([&] { form.GetApplication().RunUserAction([&] { form.Close(); }); });
    return true;
  }
  if (type == QEvent::Resize && widget == presenter->ChildHost()) {
    const QSize size = static_cast<QResizeEvent*>(event)->size();
    if (size.width() != form.GetClientWidth() || size.height() != form.GetClientHeight())
      RunInput([&] {
        form.GetApplication().RunUserAction([&] {
          form.SetClientWidth(size.width());
          form.SetClientHeight(size.height());
        });
      });
  }
  return false;
}

bool TQtBackend::KeyEvent(TQtPresenter& presenter, QEvent* event) {
  auto* keyEvent = static_cast<QKeyEvent*>(event);
  const Word key = VirtualKeyOf(*keyEvent);
  const bool passes = presenter.PassesKeyToWidget(key);
  // Shortcuts are the model's (menus' shortcuts are tested by its key handling), never Qt's.
  if (event->type() == QEvent::ShortcutOverride) {
    event->accept();
    return false;
  }
  if (event->type() == QEvent::KeyRelease)
    return !passes;
  TCustomForm* form = GetParentForm(&presenter.Control());
  if (form == nullptr || key == 0)
    return !passes;
  const TShiftState shift = ShiftOf(keyEvent->modifiers(), Qt::NoButton);
  const std::string typed = TypedText(*keyEvent, key, shift);
  RunInput([&] { TUserInput::PressKey(*form, key, shift, typed); });
  return !passes;
}

bool TQtBackend::MouseEvent(TQtPresenter& presenter, QWidget* receiver, QEvent* event) {
  const QEvent::Type type = event->type();
  TControl& control = presenter.Control();
  TApplication& app = control.GetApplication();
  detail::TFreeWatch watch(&control);

  if (type == QEvent::ContextMenu)
    return true;
  if (type == QEvent::Enter) {
    if (FHovered == &control)
      return false;
    // Qt keeps a parent hovered while the pointer is over its child; the model's controls, like
    // the platform's windows, are left when the pointer moves into a child.
    if (TControl* left = FHovered) {
      FHovered = nullptr;
      RunInput([&] { TUserInput::MouseLeave(*left); });
    }
    if (!watch.Alive())
      return false;
    FHovered = &control;
    RunInput([&] { app.RunUserAction([&] { control.MouseEnter(); }); });
    return false;
  }
  if (type == QEvent::Leave) {
    // Leaving into a part of the same control is no leave.
    if (PresenterAt(QApplication::widgetAt(QCursor::pos())) == &presenter)
      return false;
    if (FHovered == &control)
      FHovered = nullptr;
    RunInput([&] { TUserInput::MouseLeave(control); });
    return false;
  }

  auto* mouseEvent = static_cast<QMouseEvent*>(event);
  const QPoint at = presenter.ToControl(receiver, mouseEvent->position().toPoint());
  const TMouseButton button = mouseEvent->button() == Qt::RightButton    ? mbRight
                              : mouseEvent->button() == Qt::MiddleButton ? mbMiddle
                                                                         : mbLeft;
  const TShiftState shift = ShiftOf(mouseEvent->modifiers(), mouseEvent->buttons());
  const bool passes = presenter.PassesMouseToWidget();

  switch (type) {
  case QEvent::MouseButtonPress:
    FPressed = button == mbLeft ? &control : nullptr;
    RunInput([&] { TUserInput::MouseDown(control, button, shift, at.x(), at.y()); });
    return !passes;
  case QEvent::MouseButtonDblClick:
    RunInput([&] {
      app.RunUserAction(
          [&] { control.MouseDown(button, shift + TShiftState{ssDouble}, at.x(), at.y()); });
      if (watch.Alive() && button == mbLeft)
        app.RunUserAction([&] { control.DblClick(); });
    });
    return !passes;
  case QEvent::MouseMove: {
    // While a drag runs, the control under the pointer is the one it is over.
    TControl* target = &control;
    QPoint point = at;
    if (app.GetDrag().Source != nullptr) {
      QWidget* under = QApplication::widgetAt(mouseEvent->globalPosition().toPoint());
      if (TQtPresenter* over = under != nullptr ? PresenterAt(under) : nullptr) {
        target = &over->Control();
        point =
            over->ToControl(under, under->mapFromGlobal(mouseEvent->globalPosition().toPoint()));
      }
    }
    RunInput([&] { TUserInput::MouseMove(*target, shift, point.x(), point.y()); });
    return !passes;
  }
  case QEvent::MouseButtonRelease: {
    TControl* target = &control;
    QPoint point = at;
    const TDragInfo& drag = app.GetDrag();
    if (drag.Source != nullptr && drag.Started) {
      QWidget* under = QApplication::widgetAt(mouseEvent->globalPosition().toPoint());
      if (TQtPresenter* over = under != nullptr ? PresenterAt(under) : nullptr) {
        target = &over->Control();
        point =
            over->ToControl(under, under->mapFromGlobal(mouseEvent->globalPosition().toPoint()));
      }
    }
    const bool dragging = drag.Source != nullptr && drag.Started;
    const bool click = button == mbLeft && FPressed == &control && !dragging &&
                       QRect(0, 0, control.GetWidth(), control.GetHeight()).contains(at);
    FPressed = nullptr;
    RunInput([&] {
      if (click)
        presenter.UserClick(at.x(), at.y());
      if (watch.Alive() || target != &control)
        TUserInput::MouseUp(*target, button, shift, point.x(), point.y());
    });
    if (button == mbRight && watch.Alive())
      ShowPopupMenu(control, mouseEvent->globalPosition().toPoint());
    return !passes;
  }
  default:
    return false;
  }
}

void TQtBackend::ShowPopupMenu(TControl& control, QPoint global) {
  TPopupMenu* popup = control.GetPopupMenu();
  if (popup == nullptr || !popup->GetAutoPopup())
    return;
  QMenu menu;
  FillMenu(menu, popup->GetItems(), [this](TMenuItem& item) {
    RunInput([&] { FApp.RunUserAction([&] { item.Click(); }); });
  });
  menu.exec(global);
}
