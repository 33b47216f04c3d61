// The schema version at start: a database made by the first release's scripts (release1/) is
// brought up to date with its data, a newer one is refused untouched, a failing step leaves the
// last version reached, and an older database on a server is left to its administrator.  Also
// where the running program writes its backups, and that a failed backup is no failure of the
// program.
#include "app/DatabaseBackup.h"
#include "app/SchemaVersion.h"
#include "app/db/DatabaseScripts.h"
#include "app/uDM.h"
#include "data/TestDatabase.h"
#include "runtime/Exceptions.h"
#include "runtime/Password.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

using testdb::TTempFolder;
using ::testing::HasSubstr;

namespace {

std::vector<std::string> FirstReleaseScripts() {
  const std::filesystem::path folder =
      std::filesystem::path(VOZMIRA_SOURCE_DIR) / "tests" / "app" / "release1";
  return {testdb::ReadText(folder / "schema.sql"), testdb::ReadText(folder / "procedures.sql"),
          testdb::ReadText(folder / "seed.sql")};
}

class SchemaUpgrade : public ::testing::Test {
protected:
  // An embedded database "office.fdb" made from `scripts`, then changed by `sql` (statements
  // of a script), and the Config.ini that names it.
  void MakeDatabase(const std::vector<std::string>& scripts, const std::string& sql = {}) {
    TComponent owner(nullptr);
    auto* creator = new TConnection(&owner);
    testdb::SetEmbeddedParams(*creator, File());
    creator->CreateDatabase(scripts, TForcedWrites::fwOff);
    if (!sql.empty())
      creator->ExecuteScript(sql);
    std::ofstream(ConfigFile()) << "[Database]\nDatabase=office.fdb\n";
  }

  std::filesystem::path File() const { return Folder.Path() / "office.fdb"; }
  std::string ConfigFile() const { return (Folder.Path() / "Config.ini").string(); }

  // The error ConnectAtStart raises on the configured database; a test failure when it starts.
  std::string StartRefusal() {
    TDM module(nullptr);
    try {
      module.ConnectAtStart(ConfigFile());
    } catch (const Exception& error) {
      return error.Message();
    }
    ADD_FAILURE() << "the program started";
    return {};
  }

  // A data module on the database as it is, without the start-up's work.
  std::unique_ptr<TDM> Plain() {
    auto module = std::make_unique<TDM>(nullptr);
    module->Connect(ConfigFile());
    return module;
  }

  static Variant Read(TDM& module, const std::string& sql) {
    TQuery query(nullptr);
    query.SetConnection(module.conBD);
    query.GetSQL().SetText(sql);
    query.Open();
    return query.IsEmpty() ? Variant::Null() : query.Fields(0).GetAsVariant();
  }

  static bool HasUnitTypeKey(TDM& module) {
    return !Read(module, "SELECT 1 FROM RDB$RELATION_CONSTRAINTS WHERE RDB$CONSTRAINT_NAME = "
                         "'FK_UNIDADE_TIPO_UNIDADE'")
                .IsNull();
  }

  TTempFolder Folder;
};

const int Newest = NewestSchemaVersion(DatabaseMigrations());

TEST_F(SchemaUpgrade, TheCreationScriptsMakeTheNewestVersion) {
  // A new step in migrations/ that schema.sql does not follow would leave new databases a step
  // behind, and the next start would run the step on a schema that has it already.
  ASSERT_GE(Newest, 2);
  MakeDatabase(DatabaseScripts());
  auto module = Plain();
  EXPECT_EQ(SchemaVersion(*module->conBD), Newest);
  EXPECT_TRUE(HasUnitTypeKey(*module));
}

TEST_F(SchemaUpgrade, AFirstReleaseDatabaseIsBroughtUpToDateWithItsData) {
  MakeDatabase(FirstReleaseScripts(),
               "INSERT INTO SOLICITACAO (ID_SOLICITACAO, DATA_SOLICITACAO, SOLICITACAO, "
               "ID_USUARIO, ID_PREFEITURA, ID_SITUACAO, ID_TIPO, ID_UNIDADE) VALUES (0, "
               "'2026-03-01 10:00:00', 'Pedido feito antes da atualização', 5, 1, 1, 1, 1);");
  {
    auto module = Plain();
    ASSERT_EQ(SchemaVersion(*module->conBD), 1);
    ASSERT_FALSE(HasUnitTypeKey(*module));
  }

  TDM module(nullptr);
  module.ConnectAtStart(ConfigFile());
  EXPECT_EQ(SchemaVersion(*module.conBD), Newest);
  EXPECT_TRUE(HasUnitTypeKey(module));
  EXPECT_EQ(Read(module, "SELECT COUNT(*) FROM SOLICITACAO").AsInt64(), 61);
  EXPECT_EQ(
      Read(module, "SELECT SOLICITACAO FROM SOLICITACAO WHERE ID_SOLICITACAO = 61").AsString(),
      "Pedido feito antes da atualização");
  // The passwords the first release kept as typed are hashes now, and still let their users in.
  TQuery users(nullptr);
  users.SetConnection(module.conBD);
  users.GetSQL().SetText("SELECT LOGIN_USUARIO, SENHA_USUARIO FROM USUARIO");
  int count = 0;
  for (users.Open(); !users.GetEof(); users.Next(), ++count)
    EXPECT_TRUE(IsPasswordHash(users.FieldByName("SENHA_USUARIO").GetAsString()))
        << users.FieldByName("LOGIN_USUARIO").GetAsString();
  EXPECT_EQ(count, 5);
  EXPECT_TRUE(module.ConfereLogin("pelix", "pelix").has_value());
  EXPECT_TRUE(module.ConfereLogin("mcosta", "Ouvidoria#2026").has_value());
  EXPECT_FALSE(module.ConfereLogin("mcosta", "ouvidoria#2026").has_value());
  // The new key works as the unit-type form relies on: a retyped key carries its units along.
  const int64_t units =
      Read(module, "SELECT COUNT(*) FROM UNIDADE WHERE ID_TIPO_UNIDADE = 1").AsInt64();
  ASSERT_GT(units, 0);
  module.conBD->ExecSQL("UPDATE TIPO_UNIDADE SET ID_TIPO_UNIDADE = 40 WHERE ID_TIPO_UNIDADE = 1");
  EXPECT_EQ(Read(module, "SELECT COUNT(*) FROM UNIDADE WHERE ID_TIPO_UNIDADE = 40").AsInt64(),
            units);

  // A later start finds nothing to do.
  module.conBD->Close();
  TDM again(nullptr);
  again.ConnectAtStart(ConfigFile());
  EXPECT_EQ(SchemaVersion(*again.conBD), Newest);
}

TEST_F(SchemaUpgrade, ADatabaseNewerThanTheProgramIsRefusedAndLeftUntouched) {
  MakeDatabase(FirstReleaseScripts(), "CREATE TABLE VERSAO_BANCO (VERSAO INTEGER NOT NULL); "
                                      "INSERT INTO VERSAO_BANCO (VERSAO) VALUES (" +
                                          std::to_string(Newest + 1) + ");");
  const std::string refusal = StartRefusal();
  EXPECT_THAT(refusal, HasSubstr("office.fdb"));
  EXPECT_THAT(refusal, HasSubstr("schema version " + std::to_string(Newest + 1) +
                                 ", newer than this program"));

  auto module = Plain();
  EXPECT_EQ(SchemaVersion(*module->conBD), Newest + 1);
  EXPECT_FALSE(HasUnitTypeKey(*module));
  EXPECT_EQ(
      Read(*module, "SELECT SENHA_USUARIO FROM USUARIO WHERE LOGIN_USUARIO = 'pelix'").AsString(),
      "pelix");
}

TEST_F(SchemaUpgrade, AFailingStepLeavesTheLastVersionReached) {
  // A unit whose type is gone cannot take the foreign key: the step fails at its commit.
  MakeDatabase(FirstReleaseScripts(), "INSERT INTO UNIDADE (ID_UNIDADE, NOME_UNIDADE, "
                                      "ID_TIPO_UNIDADE) VALUES (0, 'Unidade sem tipo', 99);");
  const std::string refusal = StartRefusal();
  EXPECT_THAT(refusal, HasSubstr("step 002-unidade-tipo-unidade failed"));
  EXPECT_THAT(refusal, HasSubstr("stays at schema version 1"));
  auto module = Plain();
  EXPECT_EQ(SchemaVersion(*module->conBD), 1);
  EXPECT_FALSE(HasUnitTypeKey(*module));
  EXPECT_EQ(Read(*module, "SELECT COUNT(*) FROM UNIDADE WHERE ID_TIPO_UNIDADE = 99").AsInt64(), 1);

  // Steps that succeed stay; the failing one leaves nothing, its definitions included.
  const std::vector<TSchemaMigration> steps = {
      {2, "002-extra", "CREATE TABLE EXTRA (X INTEGER);"},
      {3, "003-broken", "ALTER TABLE EXTRA ADD Y INTEGER;\nINSERT INTO NO_SUCH_TABLE VALUES (1);"},
  };
  try {
    UpgradeSchema(*module->conBD, steps);
    ADD_FAILURE() << "the broken step was taken";
  } catch (const Exception& error) {
    EXPECT_THAT(error.Message(), HasSubstr("step 003-broken failed"));
    EXPECT_THAT(error.Message(), HasSubstr("line 2"));
    EXPECT_THAT(error.Message(), HasSubstr("stays at schema version 2"));
  }
  EXPECT_EQ(SchemaVersion(*module->conBD), 2);
  EXPECT_EQ(Read(*module, "SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = "
                          "'EXTRA'")
                .AsInt64(),
            1);
}

TEST_F(SchemaUpgrade, AnOlderDatabaseOnAServerIsLeftToTheUpgradeScript) {
  REQUIRE_DATABASE_SERVER();
  MakeDatabase(FirstReleaseScripts());
  chmod(Folder.Path().c_str(), 0777);
  chmod(File().c_str(), 0666);
  std::ofstream(ConfigFile()) << "[Database]\nHost=127.0.0.1\nDatabase=" << File().string() << "\n";
  const std::string refusal = StartRefusal();
  EXPECT_THAT(refusal, HasSubstr("on 127.0.0.1:3050"));
  EXPECT_THAT(refusal, HasSubstr("deploy/vozmira-db.sh upgrade"));
  auto module = Plain();
  EXPECT_EQ(SchemaVersion(*module->conBD), 1);
  EXPECT_FALSE(HasUnitTypeKey(*module));
}

TEST_F(SchemaUpgrade, BackupsGoWhereConfiguredAndAFailedOneIsOnlyLogged) {
  MakeDatabase(DatabaseScripts());
  TDM module(nullptr);
  module.Connect(ConfigFile());
  struct Case {
    std::string Setting;
    std::filesystem::path Expected;
  };
  const Case cases[] = {
      {"", Folder.Path() / "backup"},
      {"BackupFolder=copias\n", Folder.Path() / "copias"},
      {"BackupFolder=/var/backups/vozmira\n", "/var/backups/vozmira"},
  };
  for (const Case& c : cases) {
    std::ofstream(ConfigFile()) << "[Database]\nDatabase=office.fdb\n" << c.Setting;
    EXPECT_EQ(BackupFolder(*module.conBD, ConfigFile()), c.Expected) << c.Setting;
  }

  // A file where the folder should be: the backup fails, says so, and leaves nothing behind.
  std::ofstream(Folder.Path() / "blocked") << "not a folder";
  std::ofstream(ConfigFile()) << "[Database]\nDatabase=office.fdb\nBackupFolder=blocked/inner\n";
  EXPECT_TRUE(TakeBackup(*module.conBD, ConfigFile()).empty());

  // The engine's own refusal to write the file is a failure too, never a backup.
  EXPECT_THROW(module.conBD->Backup((Folder.Path() / "missing" / "office.fbk").string()),
               Exception);

  std::ofstream(ConfigFile()) << "[Database]\nDatabase=office.fdb\n";
  const std::filesystem::path written = TakeBackup(*module.conBD, ConfigFile());
  ASSERT_FALSE(written.empty());
  EXPECT_EQ(written.parent_path(), Folder.Path() / "backup");
  EXPECT_THAT(written.filename().string(),
              ::testing::MatchesRegex("office-[0-9]{8}-[0-9]{6}\\.fbk"));
  EXPECT_GT(std::filesystem::file_size(written), 0u);
  // A second backup in the same second gets a name of its own.
  const std::filesystem::path second = TakeBackup(*module.conBD, ConfigFile());
  EXPECT_NE(second, written);
  for (const auto& entry : std::filesystem::directory_iterator(Folder.Path() / "backup"))
    EXPECT_EQ(entry.path().extension(), ".fbk");
}

} // namespace
