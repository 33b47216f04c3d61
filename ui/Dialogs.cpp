#include "ui/Dialogs.h"

#include "ui/Forms.h"

void ShowMessage(const std::string& text) {
  TApplication& app = Application();
  TMessageDialog dialog;
  dialog.Caption = app.GetTitle();
  dialog.Text = text;
  dialog.Type = mtCustom;
  dialog.Buttons = {mbOK};
  app.GetBackend().ShowMessageDialog(app, dialog);
}

namespace {

// A message dialog is titled with its type; a custom one with the application's title.
std::string CaptionOf(TMsgDlgType type, const TApplication& app) {
  switch (type) {
  case mtWarning:
    return "Warning";
  case mtError:
    return "Error";
  case mtInformation:
    return "Information";
  case mtConfirmation:
    return "Confirm";
  default:
    return app.GetTitle();
  }
}

} // namespace

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) {
  TApplication& app = Application();
  TMessageDialog dialog;
  dialog.Caption = CaptionOf(type, app);
  dialog.Text = text;
  dialog.Type = type;
  dialog.Buttons = buttons;
  dialog.HelpContext = helpContext;
  return app.GetBackend().ShowMessageDialog(app, dialog);
}

const TClassInfo& TOpenDialog::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TOpenDialog>("TOpenDialog")
          .Property("FileName", &TOpenDialog::GetFileName, &TOpenDialog::SetFileName)
          .Property("Filter", &TOpenDialog::GetFilter, &TOpenDialog::SetFilter)
          .Property("InitialDir", &TOpenDialog::GetInitialDir, &TOpenDialog::SetInitialDir)
          .Property("Title", &TOpenDialog::GetTitle, &TOpenDialog::SetTitle)
          .Property("DefaultExt", &TOpenDialog::GetDefaultExt, &TOpenDialog::SetDefaultExt)
          .Creatable()
          .Build();
  return info;
}

bool TOpenDialog::Execute() {
  TApplication& app = ApplicationOf(this);
  TFileDialogRequest request;
  request.Title = FTitle;
  request.Filter = FFilter;
  request.InitialDir = FInitialDir;
  request.FileName = FFileName;
  request.DefaultExt = FDefaultExt;
  const std::optional<std::string> chosen = app.GetBackend().ExecuteOpenDialog(app, request);
  if (!chosen)
    return false;
  FFileName = *chosen;
  return true;
}
