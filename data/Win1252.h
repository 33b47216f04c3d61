#pragma once
#include <string>
#include <string_view>

// The program's text is UTF-8; the database connection speaks WIN1252.  These convert between the
// two.  Every WIN1252 byte has a UTF-8 counterpart, so reading never fails; writing raises an
// Exception naming the first character that WIN1252 cannot hold, or the text that is not UTF-8,
// instead of replacing anything silently.
namespace detail {

std::string Utf8ToWin1252(std::string_view text);
std::string Win1252ToUtf8(std::string_view text);

// The number of characters (code points) of a UTF-8 text.
size_t CharacterCount(std::string_view text);

} // namespace detail
