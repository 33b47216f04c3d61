#pragma once

// What the model asks of a presentation: run the message loop, show message dialogs and file
// dialogs, measure text.  A backend also observes the model (TControlObserver) to present it.
// The headless backend (ui/Headless.h) runs without a screen; others show real windows or keep
// the forms of a web session.

#include "ui/Controls.h"

#include <optional>
#include <string>

class TApplication;

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
using enum TMsgDlgType;

enum class TMsgDlgBtn {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp,
  mbClose
};
using enum TMsgDlgBtn;
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

inline constexpr TMsgDlgButtons mbYesNo{mbYes, mbNo};
inline constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline constexpr TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// The modal result a dialog returns for a button.
TModalResult ModalResultOf(TMsgDlgBtn button);
// The buttons of a set, in the order a dialog shows them.
std::vector<TMsgDlgBtn> ButtonsOf(TMsgDlgButtons buttons);
// The button's caption ("OK", "Cancel", "Yes"...).
const char* ButtonCaption(TMsgDlgBtn button);

// A message dialog to show.  Caption is the window title (the application's title when empty).
struct TMessageDialog {
  std::string Caption;
  std::string Text;
  TMsgDlgType Type = mtCustom;
  TMsgDlgButtons Buttons{mbOK};
  int HelpContext = 0;
};

// An open-file dialog to run.
struct TFileDialogRequest {
  std::string Title;
  std::string Filter;
  std::string InitialDir;
  std::string FileName;
  std::string DefaultExt;
};

// The presentation cannot go on: a loop waits for input that will never come, or a script asks
// for a control that is not there.  These errors go to whoever started the loop, never to the
// application's error dialog.
class EPresentationError : public Exception {
public:
  using Exception::Exception;
};

class TUIBackend : public TControlObserver {
public:
  // Runs the next piece of work of a message loop (a user action, a procedure handed to the main
  // thread), waiting for it when the presentation has input to wait for.  `waiting` is the form
  // whose modal run (or the main form whose message loop) waits.  Raises EPresentationError when
  // nothing can ever arrive.
  virtual void HandleMessage(TApplication& app, TCustomForm* waiting) = 0;
  // Runs what is already pending without waiting.
  virtual void ProcessMessages(TApplication& app) = 0;
  // Shows a message dialog and returns the modal result of the button pressed.
  virtual TModalResult ShowMessageDialog(TApplication& app, const TMessageDialog& dialog) = 0;
  // Runs an open-file dialog: the chosen file, or nothing when the user cancelled.
  virtual std::optional<std::string> ExecuteOpenDialog(TApplication& app,
                                                       const TFileDialogRequest& request) = 0;
  // Ends a wait in HandleMessage early (termination or a modal result set from another thread).
  virtual void Wake() {}
  // The width in pixels of a text in a font; the default is an estimate from the font's size.
  virtual int TextWidth(const TFont& font, const std::string& text) const;
};
