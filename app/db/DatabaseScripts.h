#pragma once
#include <string>
#include <vector>

// The database's creation scripts (schema.sql, procedures.sql, seed.sql beside this file), built
// into the program, in the order they run on a new database.
std::vector<std::string> DatabaseScripts();
