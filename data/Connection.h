#pragma once
#include "runtime/Component.h"
#include "runtime/Strings.h"
#include "runtime/Variant.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace detail {
class TFbAttachment;
struct TFbConnectParams;
} // namespace detail
class TQuery;

// Whether a new database file waits for the disk on every commit.  Off only for throw-away
// databases (tests): a crash can lose committed work.
enum class TForcedWrites { fwOn, fwOff };

// A connection to one database.  Its parameters are "Name=Value" lines:
//
//   DriverID      "FB"
//   Server        host of the database server; empty: the file is opened in this process by the
//                 embedded engine (no server, one process per file at a time)
//   Port          the server's port, 3050 when not given
//   Protocol      "TCPIP" (remote); "Local" forces the embedded engine
//   Database      path of the database file (on the server's disk for a remote database)
//   User_Name, Password   the database account
//   CharacterSet  "WIN1252" (texts converted from and to UTF-8) or "UTF8"
//
// The connection never asks the user for credentials, whatever LoginPrompt says.
class TConnection : public TComponent {
  DUO_CLASS(TConnection, TComponent)
public:
  explicit TConnection(TComponent* AOwner);
  ~TConnection() override;

  TStrings& GetParams() { return FParams; }
  const TStrings& GetParams() const { return FParams; }
  bool GetLoginPrompt() const { return FLoginPrompt; }
  void SetLoginPrompt(bool loginPrompt) { FLoginPrompt = loginPrompt; }

  bool GetConnected() const { return FAttachment != nullptr; }
  void SetConnected(bool connected);
  // Raises an error naming the server, port and database and saying what failed.
  void Open();
  // Closes the queries of this connection, then the connection.
  void Close();
  // Gives the database attachment back while the queries keep their records, field values and
  // SQL; the next operation that needs the database attaches again.  Every operation runs in a
  // transaction of its own, so nothing is pending across it.
  void Release();

  // True when texts are converted to and from WIN1252 for this connection's character set,
  // attached or not.
  bool ConvertsText() const;
  // True when the parameters name no server: the embedded engine opens the file.
  bool IsEmbedded() const;
  // "database "/srv/x.fdb" on 127.0.0.1:3050", or "database file "/srv/x.fdb" (embedded)".
  std::string Describe() const;

  // Creates the database file the parameters name and runs `scripts` on it, leaving the
  // connection open.  Only for the embedded engine: a database on a server is never created
  // from here.
  void CreateDatabase(const std::vector<std::string>& scripts, TForcedWrites forcedWrites);
  // Runs the statements of a script (see SplitScript): each definition is committed as it runs,
  // data changes at COMMIT and at the end.  An error names the line of the failing statement.
  void ExecuteScript(const std::string& script);
  // Runs every statement of `scripts`, in order, in one transaction committed at the end:
  // definitions and data changes take effect together, and when one statement (or the commit)
  // fails nothing of them remains.  A definition takes effect at the commit, so a later
  // statement cannot use what an earlier one defines; a script holds no COMMIT.  An error names
  // the script and line of the failing statement.
  void ExecuteTransaction(const std::vector<std::string>& scripts);
  // Writes an online backup of the open database to `backupFile` (the engine's own backup
  // format, restored with gbak -c) through the engine's service manager, while attachments,
  // this one included, go on working.  Only for the embedded engine: the file is written by
  // this process.  Raises when the backup fails; a partial file may be left behind.
  void Backup(const std::string& backupFile);
  // Runs one statement with positional parameters and commits it; returns the rows it changed.
  uint64_t ExecSQL(const std::string& sql, const std::vector<Variant>& params = {});

  // The key columns of a table (its primary key), in order; empty for a table without one or a
  // procedure.  Read once per table and connection.
  const std::vector<std::string>& PrimaryKeyOf(const std::string& table);
  // Raises when not connected.
  detail::TFbAttachment& Attachment() const;
  // Runs `work` on the attachment, connecting first when not connected.  When the database says
  // the connection is lost (the server stopped, the network failed, an administrator ended the
  // attachment), the attachment is dropped without closing the queries, which keep their
  // records, and the error goes on as an EDatabaseError with a clear message: the next
  // operation connects again.
  void RunAttached(const std::function<void(detail::TFbAttachment&)>& work);

  std::function<void(TObject* Sender)> AfterConnect;
  std::function<void(TObject* Sender)> BeforeDisconnect;

private:
  friend class TQuery;
  TStringList FParams;
  bool FLoginPrompt = false;
  std::unique_ptr<detail::TFbAttachment> FAttachment;
  std::map<std::string, std::vector<std::string>> FKeys;
  std::vector<TQuery*> FQueries;

  detail::TFbConnectParams ConnectParams() const;
};

// Database attachments this process holds now, of every connection.
int OpenAttachments();

// Reads the database section of a configuration file into the connection's parameters: keys
// Host (or Server), Port, Database, User, Password and CharacterSet of section "Database".  Keys
// that are missing leave the parameter as it is; a relative Database path of an embedded
// database is taken from the configuration file's folder.
void ReadDatabaseConfig(TConnection& connection, const std::string& iniFileName);
