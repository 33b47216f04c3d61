#pragma once
// Backups of the embedded database taken by the running program, which holds the file open:
// the web server takes one whenever it receives SIGUSR1.

#include <filesystem>
#include <string>

class TConnection;

// Where backups of `database` go: [Database] BackupFolder of `configFile` (a relative folder is
// taken from the folder of `configFile`), or the folder "backup" beside the database file.
std::filesystem::path BackupFolder(const TConnection& database, const std::string& configFile);

// Writes an online backup of the embedded database `database` names into its BackupFolder (made
// when missing) as "<database name>-<YYYYMMDD>-<HHMMSS>.fbk", local time, under a ".part" name
// until it is complete, and logs a line saying where it went or why it failed.  Never raises:
// a failed backup does not stop the program.  A database on a server is not backed up from here
// (the line says so).  Returns the file written, or an empty path.
std::filesystem::path TakeBackup(TConnection& database, const std::string& configFile);
