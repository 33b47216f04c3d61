#include "data/Connection.h"

#include "data/DataTexts.h"
#include "data/DatabaseError.h"
#include "data/Firebird.h"
#include "data/Query.h"
#include "data/SqlText.h"
#include "runtime/Exceptions.h"
#include "runtime/IniFile.h"
#include "runtime/StrUtils.h"

#include <filesystem>

namespace {

bool IsDataChange(const std::string& statement) {
  const std::string upper = UpperCase(TrimLeft(statement));
  for (const char* word : {"INSERT", "UPDATE", "DELETE", "MERGE", "SELECT", "EXECUTE", "WITH"})
    if (upper.rfind(word, 0) == 0)
      return true;
  return false;
}

} // namespace

const TClassInfo& TConnection::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TConnection>("TConnection")
          .Property("LoginPrompt", &TConnection::GetLoginPrompt, &TConnection::SetLoginPrompt)
          .Creatable()
          .Build();
  return info;
}

TConnection::TConnection(TComponent* AOwner) : TComponent(AOwner) {}

TConnection::~TConnection() {
  for (TQuery* query : std::vector<TQuery*>(FQueries))
    query->SetConnection(nullptr);
}

void TConnection::SetConnected(bool connected) {
  if (connected)
    Open();
  else
    Close();
}

bool TConnection::IsEmbedded() const {
  return Trim(FParams.GetValue("Server")).empty() ||
         SameText(Trim(FParams.GetValue("Protocol")), "Local");
}

detail::TFbConnectParams TConnection::ConnectParams() const {
  detail::TFbConnectParams params;
  if (!IsEmbedded())
    params.Host = Trim(FParams.GetValue("Server"));
  const std::string port = Trim(FParams.GetValue("Port"));
  if (!port.empty()) {
    try {
      params.Port = std::stoi(port);
    } catch (const std::logic_error&) {
      throw Exception("The database port \"" + port + "\" is not a number");
    }
  }
  params.Database = Trim(FParams.GetValue("Database"));
  params.User = FParams.GetValue("User_Name");
  params.Password = FParams.GetValue("Password");
  const std::string charset = Trim(FParams.GetValue("CharacterSet"));
  if (!charset.empty())
    params.CharacterSet = charset;
  return params;
}

bool TConnection::ConvertsText() const {
  if (FAttachment)
    return FAttachment->ConvertsText();
  const std::string charset = Trim(FParams.GetValue("CharacterSet"));
  return detail::ConvertsCharacterSet(charset);
}

std::string TConnection::Describe() const {
  const std::string database = Trim(FParams.GetValue("Database"));
  if (IsEmbedded())
    return "database file \"" + database + "\" (embedded engine)";
  const std::string port = Trim(FParams.GetValue("Port"));
  return "database \"" + database + "\" on " + Trim(FParams.GetValue("Server")) + ":" +
         (port.empty() ? "3050" : port);
}

void TConnection::Open() {
  if (GetConnected())
    return;
  const detail::TFbConnectParams params = ConnectParams();
  if (params.Database.empty())
    throw Exception("Cannot connect: no database is configured");
  try {
    FAttachment = detail::TFbAttachment::Attach(params);
  } catch (Exception& error) {
    error.SetMessage("Cannot connect to the " + Describe() + ": " + error.Message());
    throw;
  }
  if (AfterConnect)
    AfterConnect(this);
}

void TConnection::Close() {
  if (!GetConnected())
    return;
  if (BeforeDisconnect)
    BeforeDisconnect(this);
  for (TQuery* query : std::vector<TQuery*>(FQueries))
    query->Close();
  FKeys.clear();
  FAttachment.reset();
}

void TConnection::Release() {
  FAttachment.reset();
}

detail::TFbAttachment& TConnection::Attachment() const {
  if (!FAttachment)
    throw Exception("The connection \"" + GetName() + "\" to the " + Describe() + " is not open");
  return *FAttachment;
}

void TConnection::RunAttached(const std::function<void(detail::TFbAttachment&)>& work) {
  Open();
  try {
    work(*FAttachment);
  } catch (EDatabaseError& error) {
    if (error.GetKind() == TDatabaseErrorKind::dekConnectionLost) {
      FAttachment.reset();
      error.SetMessage(FormatDataText(DataTexts()->ConnectionLost,
                                      {{"detail", Describe() + ": " + error.Message()}}));
    }
    throw;
  }
}

void TConnection::CreateDatabase(const std::vector<std::string>& scripts,
                                 TForcedWrites forcedWrites) {
  if (!IsEmbedded())
    throw Exception("The " + Describe() +
                    " is on a server; databases on a server are never created by the program");
  Close();
  const detail::TFbConnectParams params = ConnectParams();
  if (params.Database.empty())
    throw Exception("Cannot create a database: no database file is configured");
  if (std::filesystem::exists(params.Database))
    throw Exception("Cannot create the " + Describe() + ": the file already exists");
  // The database is built under a temporary name without waiting for the disk, and gets its
  // final setting and name only once complete: an interrupted first start leaves no half-made
  // database behind, and the next start builds it again.
  detail::TFbConnectParams building = params;
  building.Database = params.Database + ".creating";
  std::error_code ignored;
  std::filesystem::remove(building.Database, ignored);
  try {
    FAttachment = detail::TFbAttachment::Create(building, detail::TFbForcedWrites::Off);
    for (const std::string& script : scripts)
      ExecuteScript(script);
    FAttachment.reset();
    if (forcedWrites == TForcedWrites::fwOn)
      detail::SetForcedWrites(building, detail::TFbForcedWrites::On);
    std::filesystem::rename(building.Database, params.Database);
  } catch (const Exception& error) {
    FAttachment.reset();
    std::filesystem::remove(building.Database, ignored);
    throw Exception("Cannot create the " + Describe() + ": " + error.Message());
  } catch (const std::filesystem::filesystem_error& error) {
    std::filesystem::remove(building.Database, ignored);
    throw Exception("Cannot create the " + Describe() + ": " + error.what());
  }
  Open();
}

void TConnection::ExecuteScript(const std::string& script) {
  detail::TFbAttachment& attachment = Attachment();
  auto transaction =
      std::make_unique<detail::TFbTransaction>(attachment, detail::TFbTransactionKind::Write);
  for (const detail::TScriptStatement& statement : detail::SplitScript(script)) {
    if (SameText(Trim(statement.Text), "COMMIT")) {
      transaction->Commit();
      transaction =
          std::make_unique<detail::TFbTransaction>(attachment, detail::TFbTransactionKind::Write);
      continue;
    }
    try {
      detail::TFbStatement(attachment, *transaction, statement.Text).Execute(*transaction, {});
    } catch (const Exception& error) {
      throw Exception("Script statement at line " + std::to_string(statement.Line) + ": " +
                      error.Message());
    }
    if (!IsDataChange(statement.Text)) {
      transaction->Commit();
      transaction =
          std::make_unique<detail::TFbTransaction>(attachment, detail::TFbTransactionKind::Write);
    }
  }
  transaction->Commit();
}

void TConnection::ExecuteTransaction(const std::vector<std::string>& scripts) {
  RunAttached([&](detail::TFbAttachment& attachment) {
    detail::TFbTransaction transaction(attachment, detail::TFbTransactionKind::Write);
    for (size_t index = 0; index < scripts.size(); ++index) {
      for (const detail::TScriptStatement& statement : detail::SplitScript(scripts[index])) {
        const std::string where = "Script " + std::to_string(index + 1) + ", statement at line " +
                                  std::to_string(statement.Line) + ": ";
        if (SameText(Trim(statement.Text), "COMMIT"))
          throw Exception(where + "a script run as one transaction holds no COMMIT");
        try {
          detail::TFbStatement(attachment, transaction, statement.Text).Execute(transaction, {});
        } catch (Exception& error) {
          error.SetMessage(where + error.Message());
          throw;
        }
      }
    }
    try {
      transaction.Commit();
    } catch (Exception& error) {
      error.SetMessage("Committing the scripts: " + error.Message());
      throw;
    }
  });
}

void TConnection::Backup(const std::string& backupFile) {
  if (!IsEmbedded())
    throw Exception("The " + Describe() +
                    " is on a server; its backups are taken with gbak through the server");
  try {
    detail::FbBackup(ConnectParams(), backupFile);
  } catch (Exception& error) {
    error.SetMessage("Backing up the " + Describe() + " to \"" + backupFile +
                     "\" failed: " + error.Message());
    throw;
  }
}

uint64_t TConnection::ExecSQL(const std::string& sql, const std::vector<Variant>& params) {
  uint64_t changed = 0;
  RunAttached([&](detail::TFbAttachment& attachment) {
    detail::TFbTransaction transaction(attachment, detail::TFbTransactionKind::Write);
    detail::TFbStatement statement(attachment, transaction, sql);
    changed = statement.Execute(transaction, params);
    transaction.Commit();
  });
  return changed;
}

const std::vector<std::string>& TConnection::PrimaryKeyOf(const std::string& table) {
  auto found = FKeys.find(table);
  if (found != FKeys.end())
    return found->second;
  std::vector<std::string> columns;
  RunAttached([&](detail::TFbAttachment& attachment) {
    detail::TFbTransaction transaction(attachment, detail::TFbTransactionKind::Read);
    detail::TFbStatement statement(
        attachment, transaction,
        "SELECT TRIM(S.RDB$FIELD_NAME) FROM RDB$RELATION_CONSTRAINTS C "
        "JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = C.RDB$INDEX_NAME "
        "WHERE C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' AND C.RDB$RELATION_NAME = ? "
        "ORDER BY S.RDB$FIELD_POSITION");
    statement.OpenCursor(transaction, {Variant(table)});
    std::vector<Variant> row;
    while (statement.Fetch(row))
      columns.push_back(row[0].AsString());
    transaction.Commit();
  });
  return FKeys.emplace(table, std::move(columns)).first->second;
}

int OpenAttachments() {
  return detail::TFbAttachment::Live();
}

void ReadDatabaseConfig(TConnection& connection, const std::string& iniFileName) {
  const TIniFile ini(iniFileName);
  const char* Section = "Database";
  TStrings& params = connection.GetParams();
  auto apply = [&](const char* key, const char* param) {
    if (ini.ValueExists(Section, key))
      params.SetValue(param, ini.ReadString(Section, key, ""));
  };
  apply("Server", "Server");
  apply("Host", "Server");
  apply("Port", "Port");
  apply("User", "User_Name");
  apply("Password", "Password");
  apply("CharacterSet", "CharacterSet");
  if (ini.ValueExists(Section, "Database")) {
    std::filesystem::path database = ini.ReadString(Section, "Database", "");
    if (connection.IsEmbedded() && database.is_relative() && !database.empty())
      database = std::filesystem::absolute(iniFileName).parent_path() / database;
    params.SetValue("Database", database.string());
  }
}
