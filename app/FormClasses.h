#pragma once

// Registers the class of every form the menu opens by name, so that a command finds its form's
// class.  Safe to call more than once.
void RegisterFormClasses();
