#pragma once

// Key names as a browser reports them ("Enter", "ArrowLeft", "a") turned into the platform's
// virtual-key codes, so that key handlers of a form run the same whichever presentation shows it.

#include <string_view>

// The virtual-key code of a browser key name (compared without case); 0 for a name that has none.
int ConvertHTMLKeyToVK(std::string_view Key);
