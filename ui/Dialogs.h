#pragma once

// Message dialogs and the open-file dialog.  They are shown by the calling thread's
// application's backend, so each presentation shows them its own way.

#include "runtime/Component.h"
#include "ui/Backend.h"

#include <string>

// A message in a box with an OK button, titled with the application's title.
void ShowMessage(const std::string& text);
// A message dialog of a type with buttons, titled with the type ("Warning", "Error",
// "Information", "Confirm"; the application's title for mtCustom); returns the modal result of the
// button pressed.
int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext);

// Asks the user for a file to open.
class TOpenDialog : public TComponent {
  DUO_CLASS(TOpenDialog, TComponent)

public:
  using TComponent::TComponent;

  const std::string& GetFileName() const { return FFileName; }
  void SetFileName(const std::string& fileName) { FFileName = fileName; }
  // Pairs of description and patterns separated by "|": "Pictures|*.png;*.jpg|All|*.*".
  const std::string& GetFilter() const { return FFilter; }
  void SetFilter(const std::string& filter) { FFilter = filter; }
  const std::string& GetInitialDir() const { return FInitialDir; }
  void SetInitialDir(const std::string& dir) { FInitialDir = dir; }
  const std::string& GetTitle() const { return FTitle; }
  void SetTitle(const std::string& title) { FTitle = title; }
  const std::string& GetDefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const std::string& ext) { FDefaultExt = ext; }

  // Runs the dialog: true with FileName set to the chosen file, false when cancelled.
  bool Execute();

private:
  std::string FFileName;
  std::string FFilter;
  std::string FInitialDir;
  std::string FTitle;
  std::string FDefaultExt;
};
