#include "app/Vozmira.h"

#include <exception>
#include <iostream>

int main() {
  try {
    return RunVozmira();
  } catch (const std::exception& e) {
    // The presentation itself failed (no way to take the user's input): say why and stop.
    std::cerr << e.what() << '\n';
    return 1;
  }
}
