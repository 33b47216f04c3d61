#include "lang/Duo.Lang.Types.h"

#include <array>
#include <string_view>

namespace {

struct TLangNames {
  std::string_view Name;
  std::string_view Code;
};

constexpr std::array<TLangNames, 10> LangNames = {{
    {"English", "en-US"},
    {"Portuguese", "pt-BR"},
    {"Spanish", "es-ES"},
    {"Arabic", "ar-SA"},
    {"Italian", "it-IT"},
    {"French", "fr-FR"},
    {"German", "de-DE"},
    {"Japanese", "ja-JP"},
    {"Russian", "ru-RU"},
    {"Chinese", "zh-CN"},
}};

// The names of a language, or nothing when the value lies outside the enumeration (a value
// converted from an integer read from a file or a request).
const TLangNames* NamesOf(TDuoLang Lang) {
  const auto index = static_cast<int>(Lang);
  if (index < 0 || index >= static_cast<int>(LangNames.size()))
    return nullptr;
  return &LangNames[static_cast<std::size_t>(index)];
}

} // namespace

std::string LanguageName(TDuoLang Lang) {
  const TLangNames* names = NamesOf(Lang);
  return names ? std::string(names->Name) : std::string();
}

std::string LanguageCode(TDuoLang Lang) {
  const TLangNames* names = NamesOf(Lang);
  return names ? std::string(names->Code) : std::string();
}
