#include "app/Vozmira.h"
#include "desktop/Desktop.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
  if (!InstallDesktopBackend(argc, argv)) {
    std::cerr << DesktopUnavailableMessage();
    return 1;
  }
  try {
    return RunVozmira();
  } catch (const std::exception& e) {
    // The presentation itself failed (no way to take the user's input): say why and stop.
    std::cerr << e.what() << '\n';
    return 1;
  }
}
