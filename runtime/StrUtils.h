#pragma once

#include <string>
#include <string_view>

// Text helpers on UTF-8 strings.  Case folding touches ASCII letters only, which is what names of
// controls, properties, headers and keys need.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// Compares without case: negative, zero or positive.
int CompareText(std::string_view a, std::string_view b);
bool StartsText(std::string_view prefix, std::string_view text);
bool ContainsText(std::string_view text, std::string_view part);

std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// Replaces every occurrence of `from` (exactly, case included).
std::string StringReplaceAll(std::string_view text, std::string_view from, std::string_view to);
bool IsValidIdent(std::string_view name);
