#include "desktop/Desktop.h"

#include "desktop/QtBackend.h"
#include "ui/Forms.h"

#include <QApplication>

#include <cstdlib>

namespace {

bool EnvironmentSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

} // namespace

bool DesktopDisplayAvailable() {
  return EnvironmentSet("DISPLAY") || EnvironmentSet("WAYLAND_DISPLAY") ||
         EnvironmentSet("QT_QPA_PLATFORM");
}

std::string DesktopUnavailableMessage() {
  return "Vozmira shows its windows on a graphical desktop, but none was found: neither DISPLAY "
         "nor WAYLAND_DISPLAY is set.\n"
         "Start it from a desktop session (or over a connection that forwards the display, such "
         "as ssh -X).\n"
         "To run its windows without a screen, for tests, set QT_QPA_PLATFORM=offscreen.\n";
}

bool InstallDesktopBackend(int& argc, char** argv) {
  if (!DesktopDisplayAvailable())
    return false;
  TApplication& app = Application();
  std::unique_ptr<QApplication> qt;
  if (QApplication::instance() == nullptr)
    qt = std::make_unique<QApplication>(argc, argv);
  QApplication::setApplicationName(QString::fromStdString(app.GetTitle()));
  // The program ends when its forms' runs end, not when Qt sees its last window close.
  QApplication::setQuitOnLastWindowClosed(false);
  app.SetBackend(std::make_unique<TQtBackend>(app, std::move(qt)));
  return true;
}
