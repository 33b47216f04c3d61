#pragma once
// The database's schema version and how the program brings an older database up to date.

#include "app/db/DatabaseScripts.h"

class TConnection;

// The schema version of the database `connection` names, attaching first when needed: the row of
// VERSAO_BANCO, or 1 for a database made by the first release, which had no such table.
int SchemaVersion(TConnection& connection);

// The version `migrations` (in order of their versions) lead to: the last one's, or 1 when there
// are none.
int NewestSchemaVersion(const std::vector<TSchemaMigration>& migrations);

// Makes the database fit for a program whose schema is the newest of `migrations`, or raises an
// Exception that says why the program cannot start on it:
//   - a database at the newest version is left as it is;
//   - a newer one is refused and left untouched;
//   - an older embedded database gets the steps it lacks, in order, each in one transaction with
//     the new version number; when a step fails the database stays at the last version reached;
//   - an older database on a server is refused: the program's account there has no right to
//     change the schema, its administrator runs the upgrade script.
void UpgradeSchema(TConnection& connection, const std::vector<TSchemaMigration>& migrations);
