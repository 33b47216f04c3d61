#pragma once
// A fresh embedded database per test, created from the application's own schema, procedure and
// seed scripts, in a temporary folder that is removed afterwards.
#include "data/Connection.h"
#include "data/Query.h"
#include "runtime/Component.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
