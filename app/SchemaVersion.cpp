#include "app/SchemaVersion.h"

#include "data/Connection.h"
#include "data/Query.h"
#include "runtime/Exceptions.h"

#include <iostream>

namespace {

// What a database on a server needs to reach this program's version, run by its administrator.
constexpr const char* ServerUpgradeCommand = "deploy/vozmira-db.sh upgrade HOST[/PORT]:PATH";

Variant ReadOne(TConnection& connection, const std::string& sql) {
  TQuery query(nullptr);
  query.SetConnection(&connection);
  query.GetSQL().SetText(sql);
  query.Open();
  return query.IsEmpty() ? Variant::Null() : query.Fields(0).GetAsVariant();
}

bool HasVersionTable(TConnection& connection) {
  return !ReadOne(connection,
                  "SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'VERSAO_BANCO'")
              .IsNull();
}

std::string VersionText(int version) {
  return "schema version " + std::to_string(version);
}

} // namespace

int SchemaVersion(TConnection& connection) {
  if (!HasVersionTable(connection))
    return 1;
  // A table left empty by an upgrade that stopped between making it and filling it is still the
  // first release.
  const Variant version = ReadOne(connection, "SELECT MAX(VERSAO) FROM VERSAO_BANCO");
  return version.IsNull() ? 1 : static_cast<int>(version.AsInt64());
}

int NewestSchemaVersion(const std::vector<TSchemaMigration>& migrations) {
  return migrations.empty() ? 1 : migrations.back().Version;
}

void UpgradeSchema(TConnection& connection, const std::vector<TSchemaMigration>& migrations) {
  const int newest = NewestSchemaVersion(migrations);
  int version = SchemaVersion(connection);
  if (version == newest)
    return;
  if (version > newest)
    throw Exception("Cannot use the " + connection.Describe() + ": it is at " +
                    VersionText(version) + ", newer than this program, which knows " +
                    VersionText(newest) + "; run the program's newer release on it");
  if (!connection.IsEmbedded())
    throw Exception("Cannot use the " + connection.Describe() + ": it is at " +
                    VersionText(version) + " and this program needs " + VersionText(newest) +
                    "; the database administrator upgrades it with " + ServerUpgradeCommand);
  if (!HasVersionTable(connection))
    connection.ExecuteScript("CREATE TABLE VERSAO_BANCO (VERSAO INTEGER NOT NULL);");
  for (const TSchemaMigration& step : migrations) {
    if (step.Version <= version)
      continue;
    if (step.Version != version + 1)
      throw Exception("Cannot upgrade the " + connection.Describe() + " from " +
                      VersionText(version) + ": the program has no step to version " +
                      std::to_string(version + 1));
    try {
      connection.ExecuteTransaction(
          {step.Script, "DELETE FROM VERSAO_BANCO; INSERT INTO VERSAO_BANCO (VERSAO) VALUES (" +
                            std::to_string(step.Version) + ");"});
    } catch (const Exception& error) {
      throw Exception("Cannot upgrade the " + connection.Describe() + " to " +
                      VersionText(step.Version) + ": step " + step.Name + " failed (" +
                      error.Message() + "); the database stays at " + VersionText(version) +
                      " and the program does not start");
    }
    version = step.Version;
    std::clog << ("database upgraded to " + VersionText(version) + " (" + step.Name + ")\n");
  }
}
