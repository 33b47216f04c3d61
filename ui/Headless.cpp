#include "ui/Headless.h"

#include "runtime/MainThread.h"
#include "ui/Forms.h"

namespace {

std::string NameOf(const TCustomForm& form) {
  return form.GetName().empty() ? form.ClassName() : form.GetName();
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

} // namespace

void THeadlessBackend::QueueAction(std::function<void()> action) {
  FActions.push_back(std::move(action));
}

void THeadlessBackend::QueueMessageAnswer(TModalResult result) {
  FMessageAnswers.push_back(result);
}

void THeadlessBackend::QueueFileAnswer(std::optional<std::string> file) {
  FFileAnswers.push_back(std::move(file));
}

bool THeadlessBackend::RunHandedOver(TApplication& app, std::chrono::milliseconds wait) {
  if (!IsMainThread())
    return false;
  bool ran = false;
  app.RunUserAction([&] { ran = CheckSynchronize(wait); });
  return ran;
}

void THeadlessBackend::HandleMessage(TApplication& app, TCustomForm* waiting) {
  if (!FActions.empty()) {
    std::function<void()> action = std::move(FActions.front());
    FActions.pop_front();
    app.RunUserAction(action);
    return;
  }
  if (RunHandedOver(app, FIdleWait))
    return;
  if (waiting == nullptr)
    throw EPresentationError("The application is waiting for input but no user action is pending");
  throw EPresentationError((waiting->IsModal() ? "Modal form " : "Form ") + NameOf(*waiting) +
                           " is waiting for input but no user action is pending");
}

void THeadlessBackend::ProcessMessages(TApplication& app) {
  RunHandedOver(app, std::chrono::milliseconds(0));
}

TModalResult THeadlessBackend::ShowMessageDialog(TApplication& app, const TMessageDialog& dialog) {
  TShownMessage shown;
  shown.Caption = dialog.Caption.empty() ? app.GetTitle() : dialog.Caption;
  shown.Text = dialog.Text;
  shown.Type = dialog.Type;
  shown.Buttons = dialog.Buttons;
  shown.HelpContext = dialog.HelpContext;
  const std::vector<TMsgDlgBtn> buttons = ButtonsOf(dialog.Buttons);
  if (!FMessageAnswers.empty()) {
    const TModalResult answer = FMessageAnswers.front();
    FMessageAnswers.pop_front();
    bool offered = false;
    for (TMsgDlgBtn button : buttons)
      offered = offered || ModalResultOf(button) == answer;
    if (!offered)
      throw EPresentationError("The queued answer " + std::to_string(answer) +
                               " is not a button of the message dialog " + Quoted(dialog.Text));
    shown.Result = answer;
  } else if (buttons.size() == 1) {
    shown.Result = ModalResultOf(buttons.front());
  } else {
    FMessages.push_back(shown);
    throw EPresentationError("Message dialog " + Quoted(dialog.Text) +
                             " is waiting for an answer but none is queued");
  }
  FMessages.push_back(shown);
  return shown.Result;
}

std::optional<std::string> THeadlessBackend::ExecuteOpenDialog(TApplication&,
                                                               const TFileDialogRequest& request) {
  FFileDialogs.push_back(request);
  if (FFileAnswers.empty())
    throw EPresentationError("An open-file dialog" +
                             (request.Title.empty() ? std::string() : " " + Quoted(request.Title)) +
                             " is waiting for a file but no answer is queued");
  std::optional<std::string> answer = std::move(FFileAnswers.front());
  FFileAnswers.pop_front();
  return answer;
}
