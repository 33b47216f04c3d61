#pragma once
// A fresh embedded database per test, created from the application's own schema, procedure and
// seed scripts, in a temporary folder that is removed afterwards.
#include "data/Connection.h"
#include "data/DatabaseError.h"
#include "data/Query.h"
#include "runtime/Component.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace testdb {

inline std::filesystem::path ScriptFolder() {
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "app" / "db";
}

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file)
    throw std::runtime_error("cannot read " + path.string());
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

inline std::vector<std::string> DatabaseScripts() {
  return {ReadText(ScriptFolder() / "schema.sql"), ReadText(ScriptFolder() / "procedures.sql"),
          ReadText(ScriptFolder() / "seed.sql")};
}

// A folder under the system's temporary folder, removed with everything in it.
class TTempFolder {
public:
  TTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vozmira-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("cannot create a temporary folder");
    FPath = pattern;
  }
  ~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  const std::filesystem::path& Path() const { return FPath; }

private:
  std::filesystem::path FPath;
};

inline void SetEmbeddedParams(TConnection& connection, const std::filesystem::path& file) {
  TStrings& params = connection.GetParams();
  params.SetValue("DriverID", "FB");
  params.SetValue("Database", file.string());
  params.SetValue("User_Name", "SYSDBA");
  params.SetValue("Password", "tulipvane");
  params.SetValue("CharacterSet", "WIN1252");
}

// Whether a database server listens on 127.0.0.1:3050, where the test command starts one.
inline bool ServerListens() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(3050);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool open = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return open;
}

// Creates `name` in `folder` from the creation scripts, readable and writable by the server,
// which runs under its own account.
inline std::filesystem::path CreateServerDatabase(const TTempFolder& folder,
                                                  const std::string& name) {
  chmod(folder.Path().c_str(), 0777);
  const auto file = folder.Path() / name;
  {
    TComponent owner(nullptr);
    auto* creator = new TConnection(&owner);
    SetEmbeddedParams(*creator, file);
    creator->CreateDatabase(DatabaseScripts(), TForcedWrites::fwOff);
  }
  chmod(file.c_str(), 0666);
  return file;
}

} // namespace testdb

// A test of the remote protocol fails when the test command started a server that does not
// answer, and is skipped when it runs outside the test command with no server.
#define REQUIRE_DATABASE_SERVER()                                                                  \
  if (!testdb::ServerListens()) {                                                                  \
    if (std::getenv("VOZMIRA_FIREBIRD_SERVER") != nullptr)                                         \
      FAIL() << "no database server listens on 127.0.0.1:3050 although the test command "          \
                "started one";                                                                     \
    GTEST_SKIP() << "no database server listens on 127.0.0.1:3050; "                               \
                    "scripts/firebird-server.sh start runs one";                                   \
  }

namespace testdb {

// Where a test's database runs: in the test's process, or behind the server.
enum class TWhere { Embedded, Server };

inline std::string WhereName(const ::testing::TestParamInfo<TWhere>& info) {
  return info.param == TWhere::Embedded ? "Embedded" : "Server";
}

// The database error `action` raises; a test failure when it raises none.
inline EDatabaseError Raised(const std::function<void()>& action) {
  try {
    action();
  } catch (const EDatabaseError& error) {
    return error;
  }
  ADD_FAILURE() << "no database error raised";
  return EDatabaseError("", TDatabaseErrorKind::dekOther);
}

class DatabaseTest : public ::testing::Test {
protected:
  void SetUp() override {
    Connection = new TConnection(&Owner);
    Connection->SetName("conBD");
    SetEmbeddedParams(*Connection, DatabaseFile());
    Connection->CreateDatabase(DatabaseScripts(), TForcedWrites::fwOff);
  }

  std::filesystem::path DatabaseFile() const { return Folder.Path() / "test.fdb"; }

  TQuery* NewQuery(const std::string& name, const std::string& sql) {
    auto* query = new TQuery(&Owner);
    query->SetName(name);
    query->SetConnection(Connection);
    query->GetSQL().SetText(sql);
    return query;
  }

  // One value read straight from the database, bypassing the dataset under test.
  Variant ReadValue(const std::string& sql) {
    TQuery* query = NewQuery("", sql);
    query->Open();
    Variant value = query->IsEmpty() ? Variant::Null() : query->Fields(0).GetAsVariant();
    delete query;
    return value;
  }

  TTempFolder Folder;
  TComponent Owner{nullptr};
  TConnection* Connection = nullptr;
};

} // namespace testdb
