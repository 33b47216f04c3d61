#pragma once

// The desktop program's entry sequence: the application's title, the data module (whose start-up
// runs the login and the menu) and the message loop.

#include <string>

// Runs the program on the calling thread's application; returns the exit code.  The database
// settings come from `configFile` ("Config.ini" beside the program when empty).
int RunVozmira(const std::string& configFile = {});

// The settings file the data module's start-up connects with.
const std::string& StartUpConfigFile();
