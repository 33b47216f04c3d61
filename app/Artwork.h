#pragma once

// The program's own pictures (logos, the login's illustration, the menu's button glyphs), shipped
// as PNG files in the folder "art" beside the program.

#include "ui/Graphics.h"

#include <string>

// Loads the picture `name` ("login-logo", "prefeitura"...) into `picture`.  A picture that is
// not shipped leaves `picture` as it was: the forms work without their artwork.
void LoadArtwork(TPicture& picture, const std::string& name);
