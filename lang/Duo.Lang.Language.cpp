#include "lang/Duo.Lang.Language.h"

#include "lang/Duo.Lang.FormatSettings.h"
#include "lang/Duo.Lang.Resource.h"
#include "runtime/Exceptions.h"

#include <fstream>
#include <sstream>

namespace {

// The generic HTML code of each language: the primary language subtag of its full code.
std::string GenericCode(TDuoLang Lang) {
  const std::string code = LanguageCode(Lang);
  return code.substr(0, code.find('-'));
}

// Checks that a parsed document holds contexts of texts, naming the first place that does not.
void CheckTextsShape(const TJSON& texts, const std::string& code) {
  const std::string what = "The texts of language " + code;
  if (!texts.is_object())
    throw Exception(what + " are not a JSON object of contexts");
  for (const auto& [context, terms] : texts.items()) {
    if (!terms.is_object())
      throw Exception(what + ": context \"" + context + "\" is not an object of texts");
    for (const auto& [term, text] : terms.items())
      if (!text.is_string())
        throw Exception(what + ": \"" + context + "\" / \"" + term + "\" is not a text");
  }
}

} // namespace

TDuoLanguage::TDuoLanguage(TDuoLang ALang, const TDuoTermFactory& ATermFactory)
    : FDuoLang(ALang), FTexts(TJSON::object()) {
  if (LanguageCode(ALang).empty())
    throw Exception("Unknown language value " + std::to_string(static_cast<int>(ALang)));
  DoConfigFormatSettings();
  FDuoTerm = ATermFactory(*this);
  if (!FDuoTerm)
    throw Exception("No term tree was created for language " + LanguageCode(ALang));
}

TDuoLanguage::~TDuoLanguage() = default;

void TDuoLanguage::LoadJSONfromResource(std::string_view AResourceName) {
  const auto text = detail::FindLangResource(AResourceName);
  if (!text)
    throw Exception("No language resource named \"" + std::string(AResourceName) + "\"");
  ProcessJSONLang(*text);
}

void TDuoLanguage::LoadJSONfromFile(const std::filesystem::path& AFileName) {
  std::ifstream file(AFileName, std::ios::binary);
  if (!file)
    throw Exception("Cannot open the language file \"" + AFileName.string() + "\"");
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad())
    throw Exception("Cannot read the language file \"" + AFileName.string() + "\"");
  ProcessJSONLang(text.str());
}

void TDuoLanguage::ProcessJSONLang(std::string_view AJSON) {
  TJSON texts;
  try {
    texts = TJSON::parse(AJSON.begin(), AJSON.end());
  } catch (const TJSON::exception& error) {
    throw Exception("The texts of language " + LanguageCode(FDuoLang) +
                    " are not valid JSON: " + error.what());
  }
  CheckTextsShape(texts, LanguageCode(FDuoLang));
  FTexts = std::move(texts);
}

std::string TDuoLanguage::GetJSON() const {
  return FTexts.dump(2, ' ', false, TJSON::error_handler_t::replace) + "\n";
}

void TDuoLanguage::SetFallback(std::shared_ptr<const IDuoLangBaseClass> AFallback) {
  FFallback = std::move(AFallback);
}

bool TDuoLanguage::IsRTL() const {
  return FDuoLang == TDuoLang::Arabic;
}

std::string TDuoLanguage::HTMLLangGeneric() const {
  return GenericCode(FDuoLang);
}

std::string TDuoLanguage::HTMLLang() const {
  return LanguageCode(FDuoLang);
}

std::string TDuoLanguage::LangName() const {
  return LanguageName(FDuoLang);
}

void TDuoLanguage::DoConfigFormatSettings() {
  FFormatSettings = detail::LangFormatSettings(FDuoLang);
}

std::string TDuoLanguage::Translate(const std::string& Context, const std::string& Term) const {
  std::string translated;
  const auto context = FTexts.find(Context);
  if (context != FTexts.end()) {
    const auto text = context->find(Term);
    if (text != context->end())
      translated = text->get<std::string>();
  }
  DoTranslate(Context, Term, translated);
  return translated;
}

void TDuoLanguage::DoTranslate(const std::string& Context, const std::string& Term,
                               std::string& Translated) const {
  if (!Translated.empty())
    return;
  if (OnMissingTerm)
    OnMissingTerm(FDuoLang, Context, Term);
  if (FFallback)
    Translated = FFallback->Translate(Context, Term);
}
