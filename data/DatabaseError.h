#pragma once
#include "runtime/Exceptions.h"

#include <cstdint>
#include <string>
#include <vector>

// What went wrong in the database, as far as a caller needs to react to it.
enum class TDatabaseErrorKind {
  dekOther,
  dekLockConflict,    // another transaction holds the row; nothing waited for it
  dekUniqueViolation, // a primary or unique key already exists
  dekForeignKey,      // a reference to a missing row, or a row still referenced
  dekConnectionLost,  // the server or the network went away; the next operation attaches again
  dekRecordChanged,   // the row was changed by another user since it was read
  dekRecordDeleted,   // the row was deleted by another user since it was read
};

// An error of the database or of writing a record back to it.  Beside the message it keeps the
// database's error codes (the first one is the main cause; empty when the data layer found the
// fault itself, as for a row changed by another user) and the SQLSTATE, so that callers tell a
// lock conflict, a duplicate key and a lost connection apart without reading the text.
class EDatabaseError : public Exception {
public:
  EDatabaseError(std::string message, TDatabaseErrorKind kind, std::vector<int64_t> errorCodes = {},
                 std::string sqlState = {});

  TDatabaseErrorKind GetKind() const { return FKind; }
  // The database's main error code (0 when there is none).
  int64_t GetErrorCode() const { return FErrorCodes.empty() ? 0 : FErrorCodes.front(); }
  // Every code of the error, main cause first.
  const std::vector<int64_t>& GetErrorCodes() const { return FErrorCodes; }
  bool HasErrorCode(int64_t code) const;
  // Five characters ("23000", "40001", "08006"); empty when there is none.
  const std::string& GetSQLState() const { return FSQLState; }

private:
  TDatabaseErrorKind FKind;
  std::vector<int64_t> FErrorCodes;
  std::string FSQLState;
};
