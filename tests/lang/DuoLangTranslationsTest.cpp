#include "lang/Duo.Lang.Core.h"
#include "lang/LangTestKeys.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// A core with every language enabled from the texts compiled into the program, recording every
// key a language had no text of its own for.
class Translations : public ::testing::Test {
protected:
  void SetUp() override {
    Core.OnLogMissing = [this](TDuoLang lang, const std::string& context, const std::string& term) {
      Missing.push_back(LanguageCode(lang) + " " + context + "/" + term);
    };
    Core.SetLanguages(TDuoLangs(std::begin(AllDuoLangs), std::end(AllDuoLangs)));
  }

  const TDuoTerm& Term(TDuoLang lang) const { return *Core.LangByTDuoLang(lang); }

  TDuoLangCore Core;
  std::vector<std::string> Missing;
};

TEST_F(Translations, EveryKeyHasAnOwnNonEmptyTextInEveryLanguage) {
  for (const TDuoLang lang : AllDuoLangs)
    for (const TTermKey& key : AllTermKeys()) {
      SCOPED_TRACE(LanguageCode(lang) + " " + key.Context + "/" + key.Key);
      EXPECT_FALSE(key.Property(Term(lang)).empty());
    }
  EXPECT_TRUE(Missing.empty()) << "first missing: " << Missing.front();
}

TEST_F(Translations, TranslationFilesHoldExactlyTheKnownKeys) {
  std::set<std::string> known;
  for (const TTermKey& key : AllTermKeys())
    known.insert(key.Context + "/" + key.Key);
  for (const TDuoLang lang : AllDuoLangs) {
    const auto& language = dynamic_cast<const TDuoLanguage&>(*Core.DuoLangByTDuoLang(lang));
    std::set<std::string> present;
    const TJSON texts = TJSON::parse(language.GetJSON());
    for (const auto& [context, terms] : texts.items())
      for (const auto& [term, text] : terms.items())
        present.insert(context + "/" + term);
    EXPECT_EQ(present, known) << LanguageCode(lang);
  }
}

TEST_F(Translations, NoLanguageCopiesTheEnglishTexts) {
  // Words a language writes exactly as English does.
  const std::map<TDuoLang, std::set<std::string>> sharedWords = {
      {TDuoLang::Portuguese, {"Menu", "OK", "Info"}},
      {TDuoLang::Spanish, {"No", "Error"}},
      {TDuoLang::Italian, {"Menu", "No", "OK"}},
      {TDuoLang::French, {"Menu", "Options", "OK", "Info", "Information", "Question"}},
      {TDuoLang::German, {"OK", "Information"}},
      {TDuoLang::Japanese, {"OK"}},
  };
  for (const TDuoLang lang : AllDuoLangs) {
    if (lang == TDuoLang::English)
      continue;
    const auto shared = sharedWords.find(lang);
    for (const TTermKey& key : AllTermKeys()) {
      const std::string english = key.Property(Term(TDuoLang::English));
      if (shared != sharedWords.end() && shared->second.contains(english))
        continue;
      EXPECT_NE(key.Property(Term(lang)), english)
          << LanguageCode(lang) << " " << key.Context << "/" << key.Key;
    }
  }
}

TEST_F(Translations, TextsCanBeInsertedIntoScriptsAndMarkupAsTheyAre) {
  // The upload script puts texts between double quotes or into template strings, the grid
  // between double quotes, the pages into markup: none of them escapes the text.
  const std::string unsafe[] = {"\"", "'", "`", "\\", "<", ">", "&", "${", "\r", "\n"};
  for (const TDuoLang lang : AllDuoLangs)
    for (const TTermKey& key : AllTermKeys()) {
      const std::string text = key.Property(Term(lang));
      for (const std::string& part : unsafe)
        EXPECT_EQ(text.find(part), std::string::npos)
            << LanguageCode(lang) << " " << key.Context << "/" << key.Key << ": " << text;
    }
}

TEST_F(Translations, GridFooterTextsKeepTheirPlaceholders) {
  for (const TDuoLang lang : AllDuoLangs) {
    SCOPED_TRACE(LanguageCode(lang));
    const TDuoTermGrid& grid = Term(lang).GetGrid();
    for (const char* placeholder : {"{0}", "{1}", "{2}"})
      EXPECT_NE(grid.GetFooterRecordText().find(placeholder), std::string::npos) << placeholder;
    for (const char* placeholder : {"{0}", "{1}"})
      EXPECT_NE(grid.GetFooterRecordPageText().find(placeholder), std::string::npos) << placeholder;
  }
}

TEST_F(Translations, HTMLCodesAndWritingDirectionOfEveryLanguage) {
  struct Case {
    TDuoLang Lang;
    const char* HTMLLang;
    const char* Generic;
    bool RTL;
  };
  const Case cases[] = {
      {TDuoLang::English, "en-US", "en", false}, {TDuoLang::Portuguese, "pt-BR", "pt", false},
      {TDuoLang::Spanish, "es-ES", "es", false}, {TDuoLang::Arabic, "ar-SA", "ar", true},
      {TDuoLang::Italian, "it-IT", "it", false}, {TDuoLang::French, "fr-FR", "fr", false},
      {TDuoLang::German, "de-DE", "de", false},  {TDuoLang::Japanese, "ja-JP", "ja", false},
      {TDuoLang::Russian, "ru-RU", "ru", false}, {TDuoLang::Chinese, "zh-CN", "zh", false},
  };
  for (const Case& c : cases) {
    const IDuoLang& lang = *Core.DuoLangByTDuoLang(c.Lang);
    SCOPED_TRACE(c.HTMLLang);
    EXPECT_EQ(lang.DuoLang(), c.Lang);
    EXPECT_EQ(lang.HTMLLang(), c.HTMLLang);
    EXPECT_EQ(lang.HTMLLangGeneric(), c.Generic);
    EXPECT_EQ(lang.IsRTL(), c.RTL);
    EXPECT_EQ(lang.LangName(), LanguageName(c.Lang));
  }
}

} // namespace
