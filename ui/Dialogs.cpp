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

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) {
  TApplication& app = Application();
  TMessageDialog dialog;
  dialog.Caption = app.GetTitle();
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
  TApplication& app = Application();
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
