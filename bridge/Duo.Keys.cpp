#include "bridge/Duo.Keys.h"

#include "runtime/StrUtils.h"

#include <map>
#include <string>

namespace {

// Keys with a name of their own.
const std::map<std::string, int, std::less<>>& NamedKeys() {
  static const std::map<std::string, int, std::less<>> keys = {
      {"arrowleft", 37},   {"arrowup", 38},  {"arrowright", 39}, {"arrowdown", 40},
      {"backspace", 8},    {"tab", 9},       {"enter", 13},      {"escape", 27},
      {"space", 32},       {" ", 32},        {"control", 17},    {"shift", 16},
      {"delete", 46},      {"insert", 45},   {"home", 36},       {"end", 35},
      {"pageup", 33},      {"pagedown", 34}, {"pause", 19},      {"printscreen", 44},
      {"scrolllock", 145}, {"capslock", 20}, {"numlock", 144},   {"\xC2\xB4", 180},
  };
  return keys;
}

// Punctuation that stands for its own character code.
constexpr std::string_view OwnCodeCharacters = "!#$%^&*()-_=+[]{}/?;:~@`\"'";

// "f1" to "f12": 112 to 123; 0 for anything else.
int FunctionKey(std::string_view Key) {
  if (Key.size() < 2 || Key.size() > 3 || Key[0] != 'f')
    return 0;
  int number = 0;
  for (char c : Key.substr(1)) {
    if (c < '0' || c > '9')
      return 0;
    number = number * 10 + (c - '0');
  }
  return Key[1] != '0' && number >= 1 && number <= 12 ? 111 + number : 0;
}

} // namespace

int ConvertHTMLKeyToVK(std::string_view Key) {
  const std::string key = LowerCase(Key);
  if (const auto named = NamedKeys().find(key); named != NamedKeys().end())
    return named->second;
  if (const int function = FunctionKey(key); function != 0)
    return function;
  if (key.size() == 1) {
    const char c = key[0];
    if (c >= 'a' && c <= 'z')
      return c - 'a' + 'A';
    if ((c >= '0' && c <= '9') || OwnCodeCharacters.find(c) != std::string_view::npos)
      return static_cast<unsigned char>(c);
  }
  return 0;
}
