#pragma once
#include <string>
#include <vector>

// The database's creation scripts (schema.sql, procedures.sql, seed.sql beside this file), built
// into the program, in the order they run on a new database.  They make the newest schema
// version directly.
std::vector<std::string> DatabaseScripts();

// One step of migrations/NNN-name.sql: it takes a database from version `Version` - 1 to
// `Version`.
struct TSchemaMigration {
  int Version = 0;
  std::string Name;
  std::string Script;
};

// The steps of migrations/, built into the program, in the order of their versions.
std::vector<TSchemaMigration> DatabaseMigrations();
