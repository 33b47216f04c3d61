#pragma once

// Finding and replacing text without regard to case, as page templates and their tags need it:
// ASCII letters fold, every other byte compares exactly (UTF-8 text is searched in place).

#include <string>
#include <string_view>

// The position of `part` in `text` at or after `from`; npos when absent or when `part` is empty.
size_t PosText(std::string_view part, std::string_view text, size_t from = 0);
// Every occurrence of `from` replaced by `to`, left to right without overlaps.
std::string ReplaceAllText(std::string_view text, std::string_view from, std::string_view to);
// The first occurrence of `from` replaced by `to`; false when there is none.
bool ReplaceFirstText(std::string& text, std::string_view from, std::string_view to);
