#include "app/Vozmira.h"
#include "desktop/Desktop.h"

#include <iostream>

int main(int argc, char** argv) {
  if (!InstallDesktopBackend(argc, argv)) {
    std::cerr << DesktopUnavailableMessage();
    return 1;
  }
  return RunVozmira();
}
