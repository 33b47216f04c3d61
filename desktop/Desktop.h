#pragma once

// Real desktop windows for the control model.  The program's entry point calls
// InstallDesktopBackend before it creates any form: when a display is available the calling
// thread's application is presented with Qt widgets from then on; the forms do not know which
// presentation runs them.

#include <string>

// Whether a window system can be reached: a display (DISPLAY or WAYLAND_DISPLAY) or a platform
// chosen explicitly through QT_QPA_PLATFORM (offscreen for tests).
bool DesktopDisplayAvailable();

// What to tell a person who started the program where no window system can be reached.
std::string DesktopUnavailableMessage();

// Starts Qt and makes the desktop presentation the backend of the calling thread's application.
// `argc` and `argv` must outlive the program's run (main's own do).  Returns false, leaving the
// application as it was, when no display is available.
bool InstallDesktopBackend(int& argc, char** argv);
