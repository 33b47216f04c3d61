#pragma once

// The desktop presentation's inside: a backend that shows the control model with Qt widgets.
// Only the desktop library and its tests include this header (it brings in Qt).
//
// Each presented control has a presenter that owns its widget.  Presenters are made when a form
// is first shown and follow the model from then on: every property change, every child added or
// removed.  The user's input never changes a widget directly: the backend catches the keys and
// the mouse on every presented widget and hands them to the model's input sequences (TUserInput),
// which raise the model's events in the platform's order; the widgets then show what the model
// became.

#include "ui/Backend.h"
#include "ui/Forms.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QApplication;
class QPainter;
class QTimer;
class TPageControl;
class TQtBackend;

// Presents one control with one widget.
class TQtPresenter {
public:
  TQtPresenter(TQtBackend& backend, TControl& control, QWidget* widget);
  virtual ~TQtPresenter();
  TQtPresenter(const TQtPresenter&) = delete;
  TQtPresenter& operator=(const TQtPresenter&) = delete;

  TControl& Control() const { return FControl; }
  QWidget* Widget() const { return FWidget; }
  // The widget the children's widgets go into.
  virtual QWidget* ChildHost() const { return FWidget; }
  // Where a point of the widget (or of a widget inside it) lies in the control's coordinates.
  virtual QPoint ToControl(const QWidget* receiver, QPoint point) const;

  // Reads a property of the control into the widget; an empty name reads them all.
  virtual void Sync(const std::string& name);
  // Brings over what the model changes without telling (an edit's caret, owner-drawn tabs);
  // runs after every piece of user input.
  virtual void Refresh() {}

  // The user's click at a point of the control.
  virtual void UserClick(int x, int y);
  // Whether Qt's own handling of a mouse press or a key follows the model's (lists that drop
  // down, calendars).
  virtual bool PassesMouseToWidget() const { return false; }
  virtual bool PassesKeyToWidget(Word /*key*/) const { return false; }

protected:
  TQtBackend& Backend() const { return FBackend; }
  // Whether `name` is `property` or the whole control is read.
  static bool Reads(const std::string& name, const char* property) {
    return name.empty() || name == property;
  }
  // A widget inside the presenter's own that belongs to it (a radio item, an editor part).
  void Adopt(QWidget* part) const;

private:
  TQtBackend& FBackend;
  TControl& FControl;
  QPointer<QWidget> FWidget;
};

using TPresenterFactory = std::function<std::unique_ptr<TQtPresenter>(TQtBackend&, TControl&)>;
// Paints the tabs of an owner-drawn page control: the painter draws on the control's widget.
using TTabPainter = std::function<void(QPainter&, TPageControl&)>;

// Presenters by control class: the entry of the nearest class up the control's ancestry wins.
// Libraries with controls of their own (data-aware controls, the application's workspace)
// register theirs before forms are shown.
void RegisterPresenter(const TClassInfo& controlClass, TPresenterFactory factory);
void RegisterTabPainter(const TClassInfo& pageControlClass, TTabPainter painter);
const TTabPainter* FindTabPainter(const TClassInfo& pageControlClass);

class TQtBackend : public TUIBackend {
public:
  // Qt must be started (a QApplication exists) on the calling thread, which becomes the thread
  // the presentation runs on.  A backend given the QApplication ends Qt when it goes.
  explicit TQtBackend(TApplication& app, std::unique_ptr<QApplication> qt = nullptr);
  ~TQtBackend() override;

  void HandleMessage(TApplication& app, TCustomForm* waiting) override;
  void ProcessMessages(TApplication& app) override;
  TModalResult ShowMessageDialog(TApplication& app, const TMessageDialog& dialog) override;
  std::optional<std::string> ExecuteOpenDialog(TApplication& app,
                                               const TFileDialogRequest& request) override;
  void Wake() override;
  int TextWidth(const TFont& font, const std::string& text) const override;

  void PropertyChanged(TComponent& component, const std::string& name) override;
  void ChildAdded(TWinControl& parent, TControl& child) override;
  void ChildRemoved(TWinControl& parent, TControl& child) override;
  void ControlDestroying(TControl& control) override;
  void FormShown(TCustomForm& form) override;
  void FormHidden(TCustomForm& form) override;
  void ModalStarted(TCustomForm& form) override;
  void ModalEnded(TCustomForm& form) override;
  void FocusChanged(TCustomForm& form, TWinControl* focused) override;

  TApplication& GetApplication() const { return FApp; }
  TQtPresenter* PresenterOf(const TControl& control) const;
  // The widget presenting a control; nullptr while it is not presented.
  QWidget* WidgetOf(const TControl& control) const;
  // The top-level window of a form (the form's widget when it is a window).
  QWidget* WindowOf(const TCustomForm& form) const;
  // The presented control a widget belongs to (the widget or one of its parents).
  TQtPresenter* PresenterAt(QWidget* widget) const;
  // Brings what the model changed without telling into the widgets (after user input).
  void RefreshAll();

  // Catches the input of every presented widget.
  bool FilterEvent(QObject* watched, QEvent* event);
  // The object Qt connections of the presentation live on.
  QObject& Context() const { return *FContext; }

private:
  std::unique_ptr<QApplication> FQt;
  std::unique_ptr<QObject> FContext;
  TApplication& FApp;
  std::map<const TControl*, std::unique_ptr<TQtPresenter>> FPresenters;
  std::map<const QWidget*, TQtPresenter*> FByWidget;
  std::exception_ptr FFailure;
  QTimer* FHandOverTimer;
  bool FPushingClipboard = false;
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
  // The control a left press went down on, for the click on release.
  TControl* FPressed = nullptr;
  // The control the pointer is over, for enter and leave.
  TControl* FHovered = nullptr;

  friend class TQtPresenter;
  void Present(TControl& control);
  void Dismiss(TControl& control);
  void Register(QWidget* widget, TQtPresenter* presenter);
  void Unregister(TQtPresenter* presenter);
  void ShowWindow(TCustomForm& form);
  void RunInput(const std::function<void()>& input);
  bool KeyEvent(TQtPresenter& presenter, QEvent* event);
  bool MouseEvent(TQtPresenter& presenter, QWidget* receiver, QEvent* event);
  void ShowPopupMenu(TControl& control, QPoint global);
  void ConnectClipboard();
  void RethrowFailure();
};
