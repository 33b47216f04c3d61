#include "app/VozmiraWeb.h"
#include "server/Facet.BaseClass.h"

#include <exception>
#include <iostream>

// The web program: Vozmira served to browsers.  An optional argument names the settings file.
int main(int argc, char** argv) {
  // Before anything starts a thread (the database engine starts its own).
  TTerminationSignals signals({SIGUSR1});
  try {
    return RunVozmiraWeb(argc > 1 ? argv[1] : "");
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
}
