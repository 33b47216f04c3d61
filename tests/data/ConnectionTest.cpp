#include "data/TestDatabase.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using testdb::DatabaseTest;
using testdb::TTempFolder;

namespace {

std::string ConnectError(TConnection& connection) {
  try {
    connection.Open();
  } catch (const Exception& error) {
    return error.Message();
  }
  return "connected";
}

} // namespace

TEST(Connection, FailuresNameTheServerPortAndDatabase) {
  TTempFolder folder;
  TComponent owner(nullptr);
  auto* connection = new TConnection(&owner);
  testdb::SetEmbeddedParams(*connection, folder.Path() / "missing.fdb");
  std::string message = ConnectError(*connection);
  EXPECT_NE(message.find((folder.Path() / "missing.fdb").string()), std::string::npos) << message;
  EXPECT_NE(message.find("embedded"), std::string::npos) << message;
  EXPECT_NE(message.find("attaching failed"), std::string::npos) << message;
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "missing.fdb"));

  connection->GetParams().SetValue("Server", "127.0.0.1");
  connection->GetParams().SetValue("Port", "1");
  connection->GetParams().SetValue("Database", "/srv/Brenvox.fdb");
  message = ConnectError(*connection);
  EXPECT_NE(message.find("\"/srv/Brenvox.fdb\" on 127.0.0.1:1"), std::string::npos) << message;
  EXPECT_NE(message.find("attaching failed"), std::string::npos) << message;
  EXPECT_FALSE(connection->GetConnected());

  connection->GetParams().SetValue("Port", "abc");
  EXPECT_NE(ConnectError(*connection).find("\"abc\""), std::string::npos);
  connection->GetParams().SetValue("Port", "3050");
  connection->GetParams().SetValue("CharacterSet", "KOI8R");
  EXPECT_NE(ConnectError(*connection).find("KOI8R"), std::string::npos);
}

TEST(Connection, ADatabaseOnAServerIsNeverCreated) {
  TComponent owner(nullptr);
  auto* connection = new TConnection(&owner);
  connection->GetParams().SetValue("Server", "127.0.0.1");
  connection->GetParams().SetValue("Database", "/tmp/never-created.fdb");
  try {
    connection->CreateDatabase(testdb::DatabaseScripts(), TForcedWrites::fwOff);
    FAIL() << "created";
  } catch (const Exception& error) {
    EXPECT_NE(error.Message().find("never created"), std::string::npos) << error.Message();
  }
  EXPECT_FALSE(std::filesystem::exists("/tmp/never-created.fdb"));
}

TEST(Connection, ConfigurationOverridesOnlyTheKeysItHas) {
  TTempFolder folder;
  TComponent owner(nullptr);
  auto* connection = new TConnection(&owner);
  TStrings& params = connection->GetParams();
  params.SetValue("User_Name", "SYSDBA");
  params.SetValue("Password", "tulipvane");
  params.SetValue("Database", "/default/Brenvox.fdb");
  const auto ini = folder.Path() / "Config.ini";

  std::ofstream(ini) << "[Database]\nDatabase=data/office.fdb\nUser=OUVIDORIA\n";
  ReadDatabaseConfig(*connection, ini.string());
  EXPECT_EQ(params.GetValue("Database"), (folder.Path() / "data/office.fdb").string());
  EXPECT_EQ(params.GetValue("User_Name"), "OUVIDORIA");
  EXPECT_EQ(params.GetValue("Password"), "tulipvane");
  EXPECT_TRUE(connection->IsEmbedded());

  std::ofstream(ini) << "[Database]\nHost=db.prefeitura.local\nPort=3051\n"
                        "Database=/srv/firebird/Brenvox.fdb\nPassword=s3cret\n";
  ReadDatabaseConfig(*connection, ini.string());
  EXPECT_FALSE(connection->IsEmbedded());
  EXPECT_EQ(connection->Describe(), "database \"/srv/firebird/Brenvox.fdb\" on "
                                    "db.prefeitura.local:3051");
  EXPECT_EQ(params.GetValue("Password"), "s3cret");

  // No file: nothing changes.
  ReadDatabaseConfig(*connection, (folder.Path() / "absent.ini").string());
  EXPECT_EQ(params.GetValue("Server"), "db.prefeitura.local");
}

TEST_F(DatabaseTest, ScriptErrorsNameTheLineAndKeepEarlierStatements) {
  try {
    Connection->ExecuteScript("CREATE TABLE T1 (A INTEGER);\n\nCREATE TABLE T1 (B INTEGER);\n");
    FAIL() << "no error";
  } catch (const Exception& error) {
    EXPECT_NE(error.Message().find("line 3"), std::string::npos) << error.Message();
  }
  EXPECT_EQ(
      ReadValue("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'T1'").AsInt64(), 1);
}

// The same work over the remote protocol, against the server the test command starts.
TEST(Connection, RemoteServerServesQueriesAndPosts) {
  REQUIRE_DATABASE_SERVER();
  TTempFolder folder;
  const auto file = testdb::CreateServerDatabase(folder, "remote.fdb");

  TComponent owner(nullptr);
  auto* connection = new TConnection(&owner);
  testdb::SetEmbeddedParams(*connection, file);
  connection->GetParams().SetValue("Server", "127.0.0.1");
  connection->GetParams().SetValue("Port", "3050");
  connection->GetParams().SetValue("Protocol", "TCPIP");
  EXPECT_FALSE(connection->IsEmbedded());

  connection->GetParams().SetValue("Password", "wrong");
  const std::string refused = ConnectError(*connection);
  EXPECT_NE(refused.find("127.0.0.1:3050"), std::string::npos) << refused;
  connection->GetParams().SetValue("Password", "tulipvane");
  connection->Open();

  auto* query = new TQuery(&owner);
  query->SetName("qrySituacao");
  query->SetConnection(connection);
  query->GetSQL().SetText("SELECT SIT.* FROM SITUACAO SIT WHERE SIT.ID_SITUACAO >= :P_MIN "
                          "ORDER BY SIT.ID_SITUACAO");
  query->ParamByName("P_MIN").SetAsLargeInt(2);
  query->Open();
  EXPECT_EQ(query->GetRecordCount(), 5);
  EXPECT_EQ(query->FieldByName("NOME_SITUACAO").GetAsString(), "Em Análise");
  query->Append();
  query->FieldByName("ID_SITUACAO").SetAsLargeInt(0);
  query->FieldByName("NOME_SITUACAO").SetAsString("Remota – ção");
  query->Post();
  EXPECT_EQ(query->FieldByName("ID_SITUACAO").GetAsLargeInt(), 7);
  query->Refresh();
  EXPECT_EQ(query->GetRecordCount(), 6);
  EXPECT_EQ(query->FieldByName("NOME_SITUACAO").GetAsString(), "Remota – ção");
}

TEST(Connection, ANewDatabaseIsCompleteAndWaitsForTheDiskWhenAsked) {
  TTempFolder folder;
  for (const TForcedWrites forcedWrites : {TForcedWrites::fwOn, TForcedWrites::fwOff}) {
    const auto file =
        folder.Path() / (forcedWrites == TForcedWrites::fwOn ? "durable.fdb" : "scratch.fdb");
    TComponent owner(nullptr);
    auto* connection = new TConnection(&owner);
    testdb::SetEmbeddedParams(*connection, file);
    connection->CreateDatabase(testdb::DatabaseScripts(), forcedWrites);
    EXPECT_TRUE(connection->GetConnected());
    auto* query = new TQuery(&owner);
    query->SetConnection(connection);
    query->GetSQL().SetText("SELECT MON$FORCED_WRITES FROM MON$DATABASE");
    query->Open();
    EXPECT_EQ(query->Fields(0).GetAsInteger(), forcedWrites == TForcedWrites::fwOn ? 1 : 0);
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".creating"));
  }

  // An existing file is never replaced; a failing script leaves nothing behind.
  TComponent owner(nullptr);
  auto* connection = new TConnection(&owner);
  testdb::SetEmbeddedParams(*connection, folder.Path() / "durable.fdb");
  const auto size = std::filesystem::file_size(folder.Path() / "durable.fdb");
  EXPECT_THROW(connection->CreateDatabase({"CREATE TABLE X (A INTEGER);"}, TForcedWrites::fwOff),
               Exception);
  EXPECT_EQ(std::filesystem::file_size(folder.Path() / "durable.fdb"), size);
  testdb::SetEmbeddedParams(*connection, folder.Path() / "broken.fdb");
  try {
    connection->CreateDatabase({"CREATE TABLE X (A INTEGER);\nCREATE TABLE X (B INTEGER);"},
                               TForcedWrites::fwOff);
    FAIL() << "created";
  } catch (const Exception& error) {
    EXPECT_NE(error.Message().find("line 2"), std::string::npos) << error.Message();
  }
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "broken.fdb"));
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "broken.fdb.creating"));
  EXPECT_FALSE(connection->GetConnected());
}
