#pragma once
#include "runtime/Exceptions.h"

#include <string>
#include <string_view>

// The program's text is UTF-8; the database connection speaks WIN1252.  These convert between the
// two.  Every WIN1252 byte has a UTF-8 counterpart, so reading never fails; writing raises an
// Exception naming the first character that WIN1252 cannot hold, or the text that is not UTF-8,
// instead of replacing anything silently.
namespace detail {

// A text WIN1252 cannot hold.  GetCharacter() is the first character it cannot hold; empty for a
// text that is not UTF-8.
class EWin1252Error : public Exception {
public:
  EWin1252Error(std::string message, std::string character)
      : Exception(std::move(message)), FCharacter(std::move(character)) {}
  const std::string& GetCharacter() const { return FCharacter; }

private:
  std::string FCharacter;
};

std::string Utf8ToWin1252(std::string_view text);
std::string Win1252ToUtf8(std::string_view text);

// The number of characters (code points) of a UTF-8 text.
size_t CharacterCount(std::string_view text);

} // namespace detail
