#pragma once
#include "runtime/Variant.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Firebird {
class IAttachment;
class ITransaction;
class IStatement;
class IResultSet;
class IMessageMetadata;
class IBlob;
} // namespace Firebird

// A thin layer over the database client's object interface: every interface is held by an owner
// that releases it, every failure becomes an Exception that says what was being done, and values
// travel as Variants with text converted between UTF-8 and the connection's character set.
namespace detail {

// Ends an interface of the client: an attachment is detached, a transaction rolled back, a cursor
// or blob closed; the client releases the interface when that succeeds, and when it fails (a lost
// connection) the interface is released without it.
struct TFbRelease {
  void operator()(Firebird::IAttachment* attachment) const noexcept;
  void operator()(Firebird::ITransaction* transaction) const noexcept;
  void operator()(Firebird::IStatement* statement) const noexcept;
  void operator()(Firebird::IResultSet* cursor) const noexcept;
  void operator()(Firebird::IMessageMetadata* metadata) const noexcept;
  void operator()(Firebird::IBlob* blob) const noexcept;
};
template <class T> using TFbHandle = std::unique_ptr<T, TFbRelease>;

struct TFbConnectParams {
  std::string Host; // empty: the embedded engine opens the file in this process
  int Port = 3050;
  std::string Database;
  std::string User;
  std::string Password;
  std::string CharacterSet = "WIN1252";
};

// True when texts are converted between UTF-8 and a connection with that character set (WIN1252,
// the default when empty); false for UTF8; raises for any other.
bool ConvertsCharacterSet(const std::string& characterSet);

// "host/port:path" for a server, the plain path for the embedded engine.
std::string FbConnectString(const TFbConnectParams& params);

// How a new database file is written: forced writes wait for the disk on every commit.
enum class TFbForcedWrites { On, Off };

// Changes how an existing database file is written (attaches as its owner, then detaches).
void SetForcedWrites(const TFbConnectParams& params, TFbForcedWrites forcedWrites);

// Writes an online backup of the embedded database file `params` names to `backupFile` through
// the engine's service manager, in this process, and returns once it is complete.
// Raises with the engine's message when the backup fails.
void FbBackup(const TFbConnectParams& params, const std::string& backupFile);

class TFbAttachment {
public:
  static std::unique_ptr<TFbAttachment> Attach(const TFbConnectParams& params);
  // Creates the database file and attaches to it; its text columns default to WIN1252.
  static std::unique_ptr<TFbAttachment> Create(const TFbConnectParams& params,
                                               TFbForcedWrites forcedWrites);
  ~TFbAttachment();
  // Attachments alive in this process.
  static int Live();
  TFbAttachment(const TFbAttachment&) = delete;
  TFbAttachment& operator=(const TFbAttachment&) = delete;

  Firebird::IAttachment* Handle() const { return FHandle.get(); }
  // True when texts are converted between UTF-8 and WIN1252 (false for a UTF8 connection).
  bool ConvertsText() const { return FConvertsText; }
  std::string ToConnection(const std::string& text) const;
  std::string FromConnection(const std::string& text) const;

private:
  TFbAttachment(TFbHandle<Firebird::IAttachment> handle, bool convertsText);
  TFbHandle<Firebird::IAttachment> FHandle;
  bool FConvertsText;
};

enum class TFbTransactionKind { Read, Write };

// A read-committed transaction, rolled back on destruction unless committed.
class TFbTransaction {
public:
  TFbTransaction(TFbAttachment& attachment, TFbTransactionKind kind);
  void Commit();
  Firebird::ITransaction* Handle() const { return FHandle.get(); }

private:
  TFbHandle<Firebird::ITransaction> FHandle;
};

// One column of a result or one parameter, as the database describes it.
struct TFbColumn {
  std::string Name;     // the column's alias in the result
  std::string Field;    // the source column
  std::string Relation; // the source table or procedure; empty for an expression
  unsigned Type = 0;    // SQL_VARYING, SQL_LONG, ... (without the null flag bit)
  int SubType = 0;
  unsigned Length = 0; // bytes in the message
  int Scale = 0;
  unsigned CharSet = 0;
  bool Nullable = true;
  unsigned Offset = 0;
  unsigned NullOffset = 0;
  // Characters a text column holds (its bytes divided by the character set's width).
  unsigned CharLength() const;
};

class TFbStatement {
public:
  TFbStatement(TFbAttachment& attachment, TFbTransaction& transaction, const std::string& sql);

  const std::vector<TFbColumn>& Columns() const { return FColumns; }
  const std::vector<TFbColumn>& Params() const { return FParams; }

  // Runs a statement without a cursor.  When it returns a row (INSERT ... RETURNING), `row`
  // receives it.  Returns the number of rows it changed.
  uint64_t Execute(TFbTransaction& transaction, const std::vector<Variant>& params,
                   std::vector<Variant>* row = nullptr);
  void OpenCursor(TFbTransaction& transaction, const std::vector<Variant>& params);
  // Reads the next row into `row`; false (and the cursor closed) after the last one.
  bool Fetch(std::vector<Variant>& row);
  void CloseCursor();

private:
  TFbAttachment& FAttachment;
  TFbHandle<Firebird::IStatement> FHandle;
  TFbHandle<Firebird::IMessageMetadata> FInMeta;
  TFbHandle<Firebird::IMessageMetadata> FOutMeta;
  // Declared after the statement, so that the cursor is closed before the statement goes.
  TFbHandle<Firebird::IResultSet> FCursor;
  Firebird::ITransaction* FCursorTransaction = nullptr;
  std::vector<TFbColumn> FColumns;
  std::vector<TFbColumn> FParams;
  std::vector<unsigned char> FInBuffer;
  std::vector<unsigned char> FOutBuffer;
  std::string FSql;

  void Bind(Firebird::ITransaction* transaction, const std::vector<Variant>& params);
  void ReadRow(Firebird::ITransaction* transaction, std::vector<Variant>& row);
};

// Converts between the database's date and time counts and TDateTime.
TDateTime FbDateToDateTime(int date, unsigned time);
void DateTimeToFb(TDateTime value, int& date, unsigned& time);

} // namespace detail
