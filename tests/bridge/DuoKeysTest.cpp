#include "bridge/Duo.Keys.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ConvertHTMLKeyToVK, BrowserKeyNamesGiveVirtualKeyCodes) {
  const struct {
    std::string Key;
    int Expected;
  } cases[] = {
      {"ArrowLeft", 37},
      {"ArrowUp", 38},
      {"ArrowRight", 39},
      {"ArrowDown", 40},
      {"Backspace", 8},
      {"Tab", 9},
      {"Enter", 13},
      {"Escape", 27},
      {"Space", 32},
      {" ", 32},
      {"Control", 17},
      {"Shift", 16},
      {"Delete", 46},
      {"Insert", 45},
      {"Home", 36},
      {"End", 35},
      {"PageUp", 33},
      {"PageDown", 34},
      {"Pause", 19},
      {"PrintScreen", 44},
      {"ScrollLock", 145},
      {"CapsLock", 20},
      {"NumLock", 144},
      {"ENTER", 13},
      {"F1", 112},
      {"f9", 120},
      {"F12", 123},
      {"F13", 0},
      {"F0", 0},
      {"F01", 0},
      {"a", 65},
      {"A", 65},
      {"z", 90},
      {"0", 48},
      {"9", 57},
      {"!", 33},
      {"@", 64},
      {"`", 96},
      {"\"", 34},
      {"'", 39},
      {"-", 45},
      {"~", 126},
      {"{", 123},
      {"?", 63},
      {"\xC2\xB4", 180},
      {",", 0},
      {".", 0},
      {"\\", 0},
      {"Alt", 0},
      {"ç", 0},
      {"", 0},
      {"ab", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ConvertHTMLKeyToVK(c.Key), c.Expected) << '"' << c.Key << '"';
}

} // namespace
