#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace detail {

// A text compiled into the program under a name.
struct TLangResource {
  std::string_view Name;
  std::string_view Text;
};

// The table of translation resources, generated at build time from the translation files.
extern const TLangResource LangResources[];
extern const std::size_t LangResourceCount;

// The text of the translation resource with that exact name, or nothing.
std::optional<std::string_view> FindLangResource(std::string_view Name);

} // namespace detail
