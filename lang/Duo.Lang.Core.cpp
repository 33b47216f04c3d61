#include "lang/Duo.Lang.Core.h"

#include "lang/Duo.Lang.Resource.h"
#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"
#include "runtime/Strings.h"

#include <filesystem>
#include <fstream>
#include <optional>

std::unique_ptr<TDuoLangCore> DuoLangCore;
std::unique_ptr<TDuoLangAPPCore> DuoLangAPPCore;

namespace {

// The slot of a language, or nothing for a value outside the enumeration.
std::optional<std::size_t> SlotOf(TDuoLang Lang) {
  const auto index = static_cast<int>(Lang);
  if (index < 0 || index >= static_cast<int>(std::size(AllDuoLangs)))
    return std::nullopt;
  return static_cast<std::size_t>(index);
}

} // namespace

TDuoLangCoreBaseClass::TDuoLangCoreBaseClass(std::string AResourcePrefix)
    : FResourcePrefix(std::move(AResourcePrefix)) {}

TDuoLangCoreBaseClass::~TDuoLangCoreBaseClass() = default;

IDuoLang* TDuoLangCoreBaseClass::DuoLangByTDuoLang(TDuoLang Lang) const {
  const auto slot = SlotOf(Lang);
  return slot ? FLangs[*slot].get() : nullptr;
}

void TDuoLangCoreBaseClass::SetDuoLang(TDuoLang Lang, std::unique_ptr<IDuoLang> Value) {
  const auto slot = SlotOf(Lang);
  if (!slot)
    throw Exception("Unknown language value " + std::to_string(static_cast<int>(Lang)));
  if (Value && Value->DuoLang() != Lang)
    throw Exception("The language object of " + LanguageName(Value->DuoLang()) +
                    " cannot stand for " + LanguageName(Lang));
  if (Value && !IsDuoTermClass(Value->DuoTerm()))
    throw Exception("The language object of " + LanguageName(Lang) +
                    " has a term tree of another class than this core hands out");
  FLangs[*slot] = std::move(Value);
}

void TDuoLangCoreBaseClass::SetPortuguese(std::unique_ptr<IDuoLang> Value) {
  SetDuoLang(TDuoLang::Portuguese, std::move(Value));
}
void TDuoLangCoreBaseClass::SetEnglish(std::unique_ptr<IDuoLang> Value) {
  SetDuoLang(TDuoLang::English, std::move(Value));
}
void TDuoLangCoreBaseClass::SetSpanish(std::unique_ptr<IDuoLang> Value) {
  SetDuoLang(TDuoLang::Spanish, std::move(Value));
}
void TDuoLangCoreBaseClass::SetArabic(std::unique_ptr<IDuoLang> Value) {
  SetDuoLang(TDuoLang::Arabic, std::move(Value));
}
void TDuoLangCoreBaseClass::SetItalian(std::unique_ptr<IDuoLang> Value) {
  SetDuoLang(TDuoLang::Italian, std::move(Value));
}
void TDuoLangCoreBaseClass::SetFrench(std::unique_ptr<IDuoLang> Value) {
  SetDuoLang(TDuoLang::French, std::move(Value));
}
void TDuoLangCoreBaseClass::SetGerman(std::unique_ptr<IDuoLang> Value) {
  SetDuoLang(TDuoLang::German, std::move(Value));
}
void TDuoLangCoreBaseClass::SetJapanese(std::unique_ptr<IDuoLang> Value) {
  SetDuoLang(TDuoLang::Japanese, std::move(Value));
}
void TDuoLangCoreBaseClass::SetRussian(std::unique_ptr<IDuoLang> Value) {
  SetDuoLang(TDuoLang::Russian, std::move(Value));
}
void TDuoLangCoreBaseClass::SetChinese(std::unique_ptr<IDuoLang> Value) {
  SetDuoLang(TDuoLang::Chinese, std::move(Value));
}

TDuoLangs TDuoLangCoreBaseClass::GetLanguages() const {
  TDuoLangs result;
  for (const TDuoLang lang : AllDuoLangs)
    if (DuoLangByTDuoLang(lang))
      result.insert(lang);
  return result;
}

void TDuoLangCoreBaseClass::SetLanguages(const TDuoLangs& Value) {
  std::array<std::unique_ptr<IDuoLang>, std::size(AllDuoLangs)> loaded;
  for (const TDuoLang lang : Value) {
    const auto slot = SlotOf(lang);
    if (!slot)
      throw Exception("Unknown language value " + std::to_string(static_cast<int>(lang)));
    if (FLangs[*slot])
      continue;
    std::unique_ptr<TDuoLanguage> language = LoadLanguage(lang);
    if (lang != TDuoLang::English)
      language->SetFallback(Fallback());
    loaded[*slot] = std::move(language);
  }
  if (FExportJSON)
    CreateJSONDefaultLang();
  for (const TDuoLang lang : AllDuoLangs) {
    const std::size_t slot = *SlotOf(lang);
    if (!Value.contains(lang))
      FLangs[slot].reset();
    else if (loaded[slot])
      FLangs[slot] = std::move(loaded[slot]);
  }
}

void TDuoLangCoreBaseClass::SetPathJSON(const std::string& Value) {
  FPathJSON = Value;
  FFallback.reset();
}

void TDuoLangCoreBaseClass::SetResourcePrefix(const std::string& Value) {
  FResourcePrefix = Value;
  FFallback.reset();
}

void TDuoLangCoreBaseClass::SetEmbedJSON(bool Value) {
  FEmbedJSON = Value;
  FFallback.reset();
}

bool TDuoLangCoreBaseClass::HasSource(TDuoLang Lang) const {
  const std::string name = FResourcePrefix + LanguageCode(Lang);
  if (FEmbedJSON)
    return detail::FindLangResource(name).has_value();
  std::error_code error;
  return std::filesystem::is_regular_file(std::filesystem::path(FPathJSON) / (name + ".json"),
                                          error);
}

std::unique_ptr<TDuoLanguage> TDuoLangCoreBaseClass::LoadLanguage(TDuoLang Lang) const {
  auto language = std::make_unique<TDuoLanguage>(
      Lang, [this](IDuoLang& ALang) { return CreateDuoTerm(ALang); });
  const std::string name = FResourcePrefix + LanguageCode(Lang);
  if (FEmbedJSON)
    language->LoadJSONfromResource(name);
  else
    language->LoadJSONfromFile(std::filesystem::path(FPathJSON) / (name + ".json"));
  language->OnMissingTerm = [this](TDuoLang ALang, const std::string& Context,
                                   const std::string& Term) {
    IncludeLogMissing(ALang, Context, Term);
  };
  return language;
}

// English is the fallback of every other language, whether or not it is enabled itself.  Sources
// without English texts (an application that translates only some languages) give no fallback.
std::shared_ptr<const TDuoLanguage> TDuoLangCoreBaseClass::Fallback() {
  if (!FFallback && HasSource(TDuoLang::English))
    FFallback = LoadLanguage(TDuoLang::English);
  return FFallback;
}

TDuoTermBaseClass* TDuoLangCoreBaseClass::LangByTDuoLang(TDuoLang Lang) const {
  const IDuoLang* language = DuoLangByTDuoLang(Lang);
  return language ? &language->DuoTerm() : nullptr;
}

TDuoTermBaseClass* TDuoLangCoreBaseClass::LangByHTMLLang(std::string_view HTMLLang) const {
  for (const TDuoLang lang : AllDuoLangs) {
    TDuoTermBaseClass* term = LangByTDuoLang(lang);
    if (!term)
      continue;
    const IDuoLang& language = term->Language();
    if (SameText(language.HTMLLang(), HTMLLang) || SameText(language.HTMLLangGeneric(), HTMLLang))
      return term;
  }
  return nullptr;
}

TDuoTermBaseClass* TDuoLangCoreBaseClass::LangByBrowser(std::string_view AcceptLanguage) const {
  TDuoTermBaseClass* result = nullptr;
  try {
    TStringList items;
    items.SetCommaText(std::string(AcceptLanguage));
    // A quality part ("en;q=0.8") is cut off; an item that is only a quality part (what is left
    // of "en; q=0.8" after the blank ended the item before it) becomes empty.
    for (int i = items.Count() - 1; i >= 0; --i) {
      const std::string& item = items[i];
      if (item.find("q=") == std::string::npos)
        continue;
      const std::size_t semicolon = item.find(';');
      items.Put(i, semicolon == std::string::npos ? std::string() : item.substr(0, semicolon));
    }
    for (int i = 0; i < items.Count() && !result; ++i)
      result = LangByHTMLLang(items[i]);
    if (!result)
      result = LangByTDuoLang(TDuoLang::English);
  } catch (const std::exception&) {
    // A header that cannot be read chooses no language of its own; the default below decides.
  }
  // Without English the first enabled language answers, so a session always gets terms.
  for (auto lang = std::begin(AllDuoLangs); !result && lang != std::end(AllDuoLangs); ++lang)
    result = LangByTDuoLang(*lang);
  return result;
}

std::string TDuoLangCoreBaseClass::JSONDefaultLang() const {
  return LoadLanguage(TDuoLang::English)->GetJSON();
}

void TDuoLangCoreBaseClass::CreateJSONDefaultLang() const {
  if (FPathExportJSON.empty())
    throw Exception("No folder is set to write the default language texts to");
  const std::string text = JSONDefaultLang();
  const std::filesystem::path folder(FPathExportJSON);
  const std::filesystem::path fileName =
      folder / (FResourcePrefix + LanguageCode(TDuoLang::English) + ".json");
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error)
    throw Exception("Cannot create the folder \"" + folder.string() + "\": " + error.message());
  std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  if (!file)
    throw Exception("Cannot write the language file \"" + fileName.string() + "\"");
}

void TDuoLangCoreBaseClass::IncludeLogMissing(TDuoLang Lang, const std::string& Context,
                                              const std::string& Term) const {
  if (OnLogMissing)
    OnLogMissing(Lang, Context, Term);
}

TDuoLangCore::TDuoLangCore() : TDuoLangCoreBaseClass("DuoLang_") {}

// The base class hands out only trees this core created or accepted, all of class TDuoTerm.
TDuoTerm* TDuoLangCore::LangByTDuoLang(TDuoLang Lang) const {
  return static_cast<TDuoTerm*>(TDuoLangCoreBaseClass::LangByTDuoLang(Lang));
}
TDuoTerm* TDuoLangCore::LangByHTMLLang(std::string_view HTMLLang) const {
  return static_cast<TDuoTerm*>(TDuoLangCoreBaseClass::LangByHTMLLang(HTMLLang));
}
TDuoTerm* TDuoLangCore::LangByBrowser(std::string_view AcceptLanguage) const {
  return static_cast<TDuoTerm*>(TDuoLangCoreBaseClass::LangByBrowser(AcceptLanguage));
}

std::unique_ptr<TDuoTermBaseClass> TDuoLangCore::CreateDuoTerm(IDuoLang& ALang) const {
  return std::make_unique<TDuoTerm>(ALang);
}

bool TDuoLangCore::IsDuoTermClass(const TDuoTermBaseClass& ATerm) const {
  return dynamic_cast<const TDuoTerm*>(&ATerm) != nullptr;
}

TDuoLangAPPCore::TDuoLangAPPCore() : TDuoLangCoreBaseClass("DuoLangAPP_") {}

TDuoAPPTerm* TDuoLangAPPCore::LangByTDuoLang(TDuoLang Lang) const {
  return static_cast<TDuoAPPTerm*>(TDuoLangCoreBaseClass::LangByTDuoLang(Lang));
}
TDuoAPPTerm* TDuoLangAPPCore::LangByHTMLLang(std::string_view HTMLLang) const {
  return static_cast<TDuoAPPTerm*>(TDuoLangCoreBaseClass::LangByHTMLLang(HTMLLang));
}
TDuoAPPTerm* TDuoLangAPPCore::LangByBrowser(std::string_view AcceptLanguage) const {
  return static_cast<TDuoAPPTerm*>(TDuoLangCoreBaseClass::LangByBrowser(AcceptLanguage));
}

std::unique_ptr<TDuoTermBaseClass> TDuoLangAPPCore::CreateDuoTerm(IDuoLang& ALang) const {
  return std::make_unique<TDuoAPPTerm>(ALang);
}

bool TDuoLangAPPCore::IsDuoTermClass(const TDuoTermBaseClass& ATerm) const {
  return dynamic_cast<const TDuoAPPTerm*>(&ATerm) != nullptr;
}
