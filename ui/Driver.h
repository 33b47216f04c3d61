#pragma once

// A script of user input for forms run by the headless backend, for tests and tools.
//
// The driver's actions act at once, as the user's input (through TUserInput), on a control found
// by its form and name.  To script input for a modal run that has not started yet, queue it:
//
//   driver.Queue([&] { driver.Type("fLogin", "edtLogin", "pelix"); });
//   driver.Queue([&] { driver.Click("fLogin", "btnEntrar"); });
//   driver.AnswerMessage(mrYes);
//   fLogin->ShowModal();
//
// Each queued action runs as one step of the modal loop, in order.  Forms can be named before
// they exist: a name is looked up among the screen's forms when the action runs.  Input the user
// could not give (a hidden or disabled control, an item that is not in a list) fails with
// EDriverError, which reaches the test instead of an error dialog.

#include "ui/Forms.h"
#include "ui/Headless.h"

#include <string>

class TMenuItem;

class EDriverError : public EPresentationError {
public:
  using EPresentationError::EPresentationError;
};

// A form given by reference, or by name (looked up when used).
class TFormRef {
public:
  TFormRef(TCustomForm& form) : FForm(&form) {}
  TFormRef(const char* name) : FName(name) {}
  TFormRef(std::string name) : FName(std::move(name)) {}

  TCustomForm& Resolve(TApplication& app) const;

private:
  TCustomForm* FForm = nullptr;
  std::string FName;
};

class THeadlessDriver {
public:
  // Drives an application whose backend is headless (EDriverError otherwise).
  explicit THeadlessDriver(TApplication& app = Application());

  TApplication& GetApplication() const { return FApp; }
  THeadlessBackend& Backend() const { return FBackend; }

  // Appends a user action for the next message loop.
  void Queue(std::function<void()> action);
  int Pending() const { return FBackend.PendingActions(); }

  TCustomForm& Form(const std::string& name) const;
  // A control of the form (a descendant, or a component the form owns), by name.
  TControl& Find(const TFormRef& form, const std::string& name) const;
  template <class T> T& Find(const TFormRef& form, const std::string& name) const {
    TControl& control = Find(form, name);
    if (!control.Is<T>())
      throw EDriverError(name + " is a " + control.ClassName() + ", not a " +
                         T::StaticClass().ClassName());
    return static_cast<T&>(control);
  }
  TMenuItem& FindMenuItem(const TFormRef& form, const std::string& name) const;

  // Types at the caret of an edit, memo or combo box, focusing it first (focusing an edit selects
  // its text, so typing replaces it).
  void Type(const TFormRef& form, const std::string& control, const std::string& text);
  void PressKey(const TFormRef& form, Word key, TShiftState shift = {});
  void Click(const TFormRef& form, const std::string& control);
  void DblClick(const TFormRef& form, const std::string& control);
  // Chooses an item (by its text, or its index) of a combo box or a radio group.
  void Choose(const TFormRef& form, const std::string& control, const std::string& item);
  void ChooseIndex(const TFormRef& form, const std::string& control, int index);
  // Clicks a check box until it has the state, or checks a radio button.
  void Check(const TFormRef& form, const std::string& control, bool checked = true);
  // Picks a value in a date picker.
  void PickDate(const TFormRef& form, const std::string& control, TDateTime value);
  // Clicks a menu item of the form (of its menus or of a popup menu it holds).
  void PickMenuItem(const TFormRef& form, const std::string& item);
  // Mouse input at a point of a control.
  void MouseDown(const TFormRef& form, const std::string& control, TMouseButton button, int x,
                 int y, TShiftState shift = {});
  void MouseMove(const TFormRef& form, const std::string& control, int x, int y,
                 TShiftState shift = {});
  void MouseUp(const TFormRef& form, const std::string& control, TMouseButton button, int x, int y,
               TShiftState shift = {});
  void MouseLeave(const TFormRef& form, const std::string& control);

  // Answers of the next dialogs, in order.
  void AnswerMessage(TModalResult result);
  void AnswerOpenDialog(const std::string& fileName);
  void CancelOpenDialog();
  const std::vector<TShownMessage>& Messages() const { return FBackend.Messages(); }
  const TShownMessage& LastMessage() const;

  // The form's control tree as indented text: class, name, text, bounds and state per line.
  std::string Dump(const TFormRef& form) const;
  static std::string Dump(const TControl& control);

private:
  TApplication& FApp;
  THeadlessBackend& FBackend;

  TWinControl& Input(const TFormRef& form, const std::string& name) const;
  TControl& Target(const TFormRef& form, const std::string& name) const;
};
