#include "lang/Duo.Lang.Resource.h"

namespace detail {

std::optional<std::string_view> FindLangResource(std::string_view Name) {
  for (std::size_t i = 0; i < LangResourceCount; ++i)
    if (LangResources[i].Name == Name)
      return LangResources[i].Text;
  return std::nullopt;
}

} // namespace detail
