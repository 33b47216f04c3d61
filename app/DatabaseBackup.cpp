#include "app/DatabaseBackup.h"

#include "data/Connection.h"
#include "runtime/Exceptions.h"
#include "runtime/IniFile.h"

#include <ctime>
#include <exception>
#include <iostream>

std::filesystem::path BackupFolder(const TConnection& database, const std::string& configFile) {
  const std::filesystem::path configured =
      TIniFile(configFile).ReadString("Database", "BackupFolder", "");
  if (configured.empty())
    return std::filesystem::path(database.GetParams().GetValue("Database")).parent_path() /
           "backup";
  if (configured.is_relative())
    return std::filesystem::absolute(configFile).parent_path() / configured;
  return configured;
}

namespace {

// "<database name>-20260102-093000.fbk", with "-2", "-3"... when a backup of the same second is
// there already.
std::filesystem::path BackupName(const std::filesystem::path& folder,
                                 const std::filesystem::path& database) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string base = database.stem().string() + "-" + stamp;
  std::filesystem::path name = folder / (base + ".fbk");
  for (int copy = 2; std::filesystem::exists(name); ++copy)
    name = folder / (base + "-" + std::to_string(copy) + ".fbk");
  return name;
}

} // namespace

std::filesystem::path TakeBackup(TConnection& database, const std::string& configFile) {
  std::filesystem::path partial;
  try {
    if (!database.IsEmbedded())
      throw Exception("the " + database.Describe() +
                      " is on a server; deploy/vozmira-db.sh backup takes its backups");
    const std::filesystem::path folder = BackupFolder(database, configFile);
    std::filesystem::create_directories(folder);
    const std::filesystem::path target =
        BackupName(folder, database.GetParams().GetValue("Database"));
    partial = target.string() + ".part";
    database.Backup(partial.string());
    std::filesystem::rename(partial, target);
    std::clog << ("backup written to " + target.string() + "\n");
    return target;
  } catch (const std::exception& error) {
    std::error_code ignored;
    if (!partial.empty())
      std::filesystem::remove(partial, ignored);
    std::clog << ("backup failed: " + std::string(error.what()) + "\n");
    return {};
  }
}
