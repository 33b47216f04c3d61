#include "bridge/Duo.CSSClass.h"

std::string TCSSClassButton::iconbutton(const std::string& Icon) {
  return "btn-info [override-button-" + Icon + "]";
}

const TCSSClass& CSSClassConstants() {
  static const TCSSClass constants;
  return constants;
}
