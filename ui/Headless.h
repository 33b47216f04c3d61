#pragma once

// The headless backend: forms run without a screen.  User input comes from a queue of pending
// actions that a script (ui/Driver.h) fills; a message loop runs them one at a time, together
// with the procedures other threads hand to the main thread.  A loop that has nothing left to
// run fails at once with an error naming the form it waits for, instead of hanging.  Message
// dialogs take their answers from a queue (a dialog with a single button answers itself) and are
// recorded; so are file dialogs.

#include "ui/Backend.h"

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A message dialog the application showed, with the answer it got.
struct TShownMessage {
  std::string Caption;
  std::string Text;
  TMsgDlgType Type = mtCustom;
  TMsgDlgButtons Buttons;
  int HelpContext = 0;
  TModalResult Result = mrNone;
};

class THeadlessBackend : public TUIBackend {
public:
  void HandleMessage(TApplication& app, TCustomForm* waiting) override;
  void ProcessMessages(TApplication& app) override;
  TModalResult ShowMessageDialog(TApplication& app, const TMessageDialog& dialog) override;
  std::optional<std::string> ExecuteOpenDialog(TApplication& app,
                                               const TFileDialogRequest& request) override;

  // Appends a user action; loops run the actions in order.
  void QueueAction(std::function<void()> action);
  int PendingActions() const { return static_cast<int>(FActions.size()); }
  void ClearActions() { FActions.clear(); }

  // The answer of the next message dialog: one of its buttons' modal results.
  void QueueMessageAnswer(TModalResult result);
  // The answer of the next open-file dialog: a file, or nothing for "cancelled".
  void QueueFileAnswer(std::optional<std::string> file);
  int PendingMessageAnswers() const { return static_cast<int>(FMessageAnswers.size()); }
  int PendingFileAnswers() const { return static_cast<int>(FFileAnswers.size()); }

  const std::vector<TShownMessage>& Messages() const { return FMessages; }
  const std::vector<TFileDialogRequest>& FileDialogs() const { return FFileDialogs; }
  void ClearMessages() { FMessages.clear(); }

  // How long a loop with no user action left waits for procedures from other threads before it
  // fails; none by default.
  void SetIdleWait(std::chrono::milliseconds wait) { FIdleWait = wait; }

private:
  std::deque<std::function<void()>> FActions;
  std::deque<TModalResult> FMessageAnswers;
  std::deque<std::optional<std::string>> FFileAnswers;
  std::vector<TShownMessage> FMessages;
  std::vector<TFileDialogRequest> FFileDialogs;
  std::chrono::milliseconds FIdleWait{0};

  bool RunHandedOver(TApplication& app, std::chrono::milliseconds wait);
};
