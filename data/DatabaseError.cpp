#include "data/DatabaseError.h"

#include <algorithm>

EDatabaseError::EDatabaseError(std::string message, TDatabaseErrorKind kind,
                               std::vector<int64_t> errorCodes, std::string sqlState)
    : Exception(std::move(message)), FKind(kind), FErrorCodes(std::move(errorCodes)),
      FSQLState(std::move(sqlState)) {}

bool EDatabaseError::HasErrorCode(int64_t code) const {
  return std::find(FErrorCodes.begin(), FErrorCodes.end(), code) != FErrorCodes.end();
}
