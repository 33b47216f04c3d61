#pragma once

#include <set>
#include <string>

// The languages the framework speaks, in their fixed order.  The order matters: language lookups
// by code walk it from the first value to the last.
enum class TDuoLang : int {
  English,
  Portuguese,
  Spanish,
  Arabic,
  Italian,
  French,
  German,
  Japanese,
  Russian,
  Chinese,
};

// A set of languages, such as the languages a core has enabled.
using TDuoLangs = std::set<TDuoLang>;

// Every language in enumeration order.
inline constexpr TDuoLang AllDuoLangs[] = {
    TDuoLang::English, TDuoLang::Portuguese, TDuoLang::Spanish, TDuoLang::Arabic,
    TDuoLang::Italian, TDuoLang::French,     TDuoLang::German,  TDuoLang::Japanese,
    TDuoLang::Russian, TDuoLang::Chinese,
};

// The enumeration name of a language ("English", "Portuguese", ...); empty for a value outside
// the enumeration.
std::string LanguageName(TDuoLang Lang);

// The language's code ("en-US", "pt-BR", ...); empty for a value outside the enumeration.
std::string LanguageCode(TDuoLang Lang);
