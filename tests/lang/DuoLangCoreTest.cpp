#include "lang/Duo.Lang.Core.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace {

namespace fs = std::filesystem;

TDuoLangs AllLanguages() {
  return TDuoLangs(std::begin(AllDuoLangs), std::end(AllDuoLangs));
}

// The language whose terms the core answers with, or nothing.
std::optional<TDuoLang> Chosen(const TDuoTermBaseClass* term) {
  if (!term)
    return std::nullopt;
  return term->Language().DuoLang();
}

TEST(AcceptLanguage, HeaderChoosesTheLanguageOfItsFirstMatchingItem) {
  TDuoLangCore core;
  core.SetLanguages(AllLanguages());
  struct Case {
    const char* Header;
    TDuoLang Expected;
  };
  const Case cases[] = {
      {"", TDuoLang::English},
      {"pt-BR", TDuoLang::Portuguese},
      {"PT-br", TDuoLang::Portuguese},
      {"DE", TDuoLang::German},
      {"ja", TDuoLang::Japanese},
      {"de-DE,de;q=0.9,en;q=0.8", TDuoLang::German},
      {"en-US,pt-BR", TDuoLang::English},
      // The header's order decides, not the quality values.
      {"fr;q=0.1,ja;q=0.9", TDuoLang::French},
      {"zh-CN;q=0.8,en-US;q=0.9", TDuoLang::Chinese},
      // Items naming no language of the framework are skipped.
      {"en-GB,fr;q=0.9", TDuoLang::French},
      {"xx-YY,zz,it", TDuoLang::Italian},
      {"xx-YY, zz", TDuoLang::English},
      {"*", TDuoLang::English},
      // A blank after the semicolon ends the item: "pt-BR;" matches nothing and the quality
      // part left on its own becomes empty.
      {"pt-BR; q=0.9", TDuoLang::English},
      {"pt-BR; q=0.9, es", TDuoLang::Spanish},
      {"pt-BR;q=0.9, es", TDuoLang::Portuguese},
      // Parameters without a quality value stay and match nothing; with one they are cut.
      {"ja-JP;level=1, zh", TDuoLang::Chinese},
      {"ja-JP;level=1;q=0.5, zh", TDuoLang::Japanese},
      {"q=0.5", TDuoLang::English},
      {"ru;q=", TDuoLang::Russian},
      // Empty items from doubled or trailing commas.
      {"es-ES,", TDuoLang::Spanish},
      {",,ru-RU", TDuoLang::Russian},
      {",", TDuoLang::English},
      // Blanks and control characters end an item; a quoted item is read whole.
      {"  ar-SA   ,  fr", TDuoLang::Arabic},
      {"ar-SA\tfr", TDuoLang::Arabic},
      {"\"it-IT\"", TDuoLang::Italian},
      {"\"en-GB\",\"de\"", TDuoLang::German},
      {"\"pt-BR;q=0.5\", en", TDuoLang::Portuguese},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Chosen(core.LangByBrowser(c.Header)), c.Expected) << "header: " << c.Header;
}

TEST(AcceptLanguage, MalformedHeadersStillGetTerms) {
  TDuoLangCore core;
  core.SetLanguages({TDuoLang::English, TDuoLang::Russian});
  std::string manyItems;
  for (int i = 0; i < 20000; ++i)
    manyItems += "xx-" + std::to_string(i) + ";q=0." + std::to_string(i % 10) + ",";
  const std::string headers[] = {
      "\"en-US",                // unterminated quote
      "\"\"\"\"",               // quotes only
      std::string("ru\0en", 5), // a NUL byte
      "\xff\xfe\x80;q=\xc3",    // bytes that are no UTF-8
      ";;;q=;q=,;",             // separators only
      manyItems,                // a very long header
      manyItems + "ru",         // ... whose last item matches
  };
  for (const std::string& header : headers)
    EXPECT_NE(core.LangByBrowser(header), nullptr) << header.substr(0, 40);
  EXPECT_EQ(Chosen(core.LangByBrowser(manyItems + "ru")), TDuoLang::Russian);
}

TEST(AcceptLanguage, LanguagesThatAreNotEnabledAreSkipped) {
  TDuoLangCore core;
  core.SetLanguages({TDuoLang::English, TDuoLang::Portuguese});
  EXPECT_EQ(Chosen(core.LangByBrowser("fr-FR,pt;q=0.5")), TDuoLang::Portuguese);
  EXPECT_EQ(Chosen(core.LangByBrowser("fr-FR,de-DE")), TDuoLang::English);
  EXPECT_EQ(Chosen(core.LangByBrowser("")), TDuoLang::English);
}

TEST(AcceptLanguage, WithoutEnglishAnUnmatchedHeaderGetsTheFirstEnabledLanguage) {
  TDuoLangCore core;
  core.SetLanguages({TDuoLang::Japanese, TDuoLang::German});
  EXPECT_EQ(Chosen(core.LangByBrowser("fr-FR,en;q=0.5")), TDuoLang::German);
  EXPECT_EQ(Chosen(core.LangByBrowser("")), TDuoLang::German);
  EXPECT_EQ(Chosen(core.LangByBrowser("ja")), TDuoLang::Japanese);
}

TEST(AcceptLanguage, CoreWithoutLanguagesAnswersNothing) {
  TDuoLangCore core;
  EXPECT_EQ(core.LangByBrowser("en-US"), nullptr);
  EXPECT_EQ(core.LangByHTMLLang("en-US"), nullptr);
  EXPECT_EQ(core.LangByTDuoLang(TDuoLang::English), nullptr);
}

TEST(LanguageCore, LooksUpByValueAndByFullOrGenericCodeOfEnabledLanguagesOnly) {
  TDuoLangCore core;
  core.SetLanguages({TDuoLang::English, TDuoLang::Arabic, TDuoLang::Chinese});
  EXPECT_EQ(Chosen(core.LangByTDuoLang(TDuoLang::Arabic)), TDuoLang::Arabic);
  EXPECT_EQ(core.LangByTDuoLang(TDuoLang::French), nullptr);
  EXPECT_EQ(core.LangByTDuoLang(static_cast<TDuoLang>(10)), nullptr);
  EXPECT_EQ(core.GetArabic(), &core.LangByTDuoLang(TDuoLang::Arabic)->Language());
  EXPECT_EQ(core.GetFrench(), nullptr);

  EXPECT_EQ(Chosen(core.LangByHTMLLang("ZH-cn")), TDuoLang::Chinese);
  EXPECT_EQ(Chosen(core.LangByHTMLLang("ar")), TDuoLang::Arabic);
  EXPECT_EQ(Chosen(core.LangByHTMLLang("EN")), TDuoLang::English);
  EXPECT_EQ(core.LangByHTMLLang("fr-FR"), nullptr);
  EXPECT_EQ(core.LangByHTMLLang("zh-TW"), nullptr);
  EXPECT_EQ(core.LangByHTMLLang(""), nullptr);
}

TEST(LanguageCore, SettingLanguagesKeepsEnabledObjectsAndDropsTheOthers) {
  TDuoLangCore core;
  core.SetLanguages({TDuoLang::English, TDuoLang::Italian});
  IDuoLang* italian = core.GetItalian();
  core.SetLanguages({TDuoLang::Italian, TDuoLang::Russian});
  EXPECT_EQ(core.GetLanguages(), (TDuoLangs{TDuoLang::Italian, TDuoLang::Russian}));
  EXPECT_EQ(core.GetItalian(), italian);
  EXPECT_EQ(core.GetEnglish(), nullptr);
}

TEST(LanguageCore, RefusesALanguageObjectOfAnotherLanguageOrTermClass) {
  TDuoLangCore core;
  auto makeTerm = [](IDuoLang& lang) { return std::make_unique<TDuoTerm>(lang); };
  auto makeAPPTerm = [](IDuoLang& lang) { return std::make_unique<TDuoAPPTerm>(lang); };
  EXPECT_THROW(core.SetFrench(std::make_unique<TDuoLanguage>(TDuoLang::German, makeTerm)),
               Exception);
  EXPECT_THROW(core.SetFrench(std::make_unique<TDuoLanguage>(TDuoLang::French, makeAPPTerm)),
               Exception);
  EXPECT_EQ(core.GetFrench(), nullptr);

  core.SetFrench(std::make_unique<TDuoLanguage>(TDuoLang::French, makeTerm));
  ASSERT_NE(core.GetFrench(), nullptr);
  EXPECT_EQ(core.GetLanguages(), TDuoLangs{TDuoLang::French});
  core.SetFrench(nullptr);
  EXPECT_TRUE(core.GetLanguages().empty());
}

TEST(LanguageCore, ProcessWideCoresStartEmpty) {
  EXPECT_EQ(DuoLangCore, nullptr);
  EXPECT_EQ(DuoLangAPPCore, nullptr);
}

// A folder of translation files for cores that read files instead of the compiled-in texts.
class TranslationFiles : public ::testing::Test {
protected:
  void SetUp() override {
    Folder =
        fs::temp_directory_path() /
        ("duolang-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(Folder);
    fs::create_directories(Folder);
  }
  void TearDown() override { fs::remove_all(Folder); }

  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(Folder / name, std::ios::binary) << text;
  }

  template <class Core> void ReadFiles(Core& core) const {
    core.SetEmbedJSON(false);
    core.SetPathJSON(Folder.string());
  }

  fs::path Folder;
};

TEST_F(TranslationFiles, MissingTextFallsBackToEnglishAndIsLogged) {
  Write("DuoLang_en-US.json",
        R"({"Loader": {"WaitText": "Please wait..."}, "Error500": {"Title": "Server error"}})");
  Write("DuoLang_pt-BR.json", R"({"Loader": {"WaitText": "Aguarde..."}})");
  TDuoLangCore core;
  ReadFiles(core);
  std::vector<std::string> missing;
  core.OnLogMissing = [&](TDuoLang lang, const std::string& context, const std::string& term) {
    missing.push_back(LanguageCode(lang) + " " + context + "/" + term);
  };
  // English itself is not enabled: it still stands behind the other languages.
  core.SetLanguages({TDuoLang::Portuguese});
  const TDuoTerm& portuguese = *core.LangByTDuoLang(TDuoLang::Portuguese);

  EXPECT_EQ(portuguese.GetLoader().GetWaitText(), "Aguarde...");
  EXPECT_EQ(portuguese.GetError500().GetTitle(), "Server error");
  EXPECT_EQ(portuguese.GetError500().GetText(), "");
  EXPECT_EQ(missing, (std::vector<std::string>{"pt-BR Error500/Title", "pt-BR Error500/Text",
                                               "en-US Error500/Text"}));
}

TEST_F(TranslationFiles, AFileThatCannotBeLoadedLeavesTheCoreAsItWas) {
  Write("DuoLang_en-US.json", R"({"Loader": {"WaitText": "Please wait..."}})");
  Write("DuoLang_de-DE.json", R"({"Loader": {"WaitText": "Bitte warten..."})");
  TDuoLangCore core;
  ReadFiles(core);
  core.SetLanguages({TDuoLang::English});

  try {
    core.SetLanguages({TDuoLang::German, TDuoLang::Japanese});
    FAIL() << "an unreadable language was accepted";
  } catch (const Exception& error) {
    EXPECT_NE(error.Message().find("de-DE"), std::string::npos) << error.Message();
  }
  EXPECT_THROW(core.SetLanguages({TDuoLang::French}), Exception); // no file at all
  EXPECT_EQ(core.GetLanguages(), TDuoLangs{TDuoLang::English});
}

TEST_F(TranslationFiles, DefaultTextsAreWrittenForTranslators) {
  TDuoLangCore core;
  EXPECT_THROW(core.CreateJSONDefaultLang(), Exception); // nowhere to write to
  const TJSON english = TJSON::parse(core.JSONDefaultLang());
  EXPECT_EQ(english["Loader"]["WaitText"], "Please wait...");

  core.SetPathExportJSON((Folder / "export").string());
  core.SetExportJSON(true);
  core.SetLanguages({TDuoLang::Spanish});
  std::ifstream file(Folder / "export" / "DuoLang_en-US.json", std::ios::binary);
  ASSERT_TRUE(file);
  EXPECT_EQ(TJSON::parse(file), english);
}

TEST_F(TranslationFiles, ApplicationCoreHandsOutApplicationTermTrees) {
  TDuoLangAPPCore app;
  // The program compiles in no application texts.
  EXPECT_THROW(app.SetLanguages({TDuoLang::English}), Exception);

  Write("DuoLangAPP_pt-BR.json", R"({"Menu": {"Sair": "Sair do sistema"}})");
  ReadFiles(app);
  app.SetLanguages({TDuoLang::Portuguese});
  TDuoAPPTerm* term = app.LangByBrowser("pt-BR");
  ASSERT_NE(term, nullptr);
  EXPECT_EQ(term->Language().Translate("Menu", "Sair"), "Sair do sistema");
  // With no English texts there is no fallback: an unknown tag stays untranslated, so the
  // form's own translation can answer it.
  EXPECT_EQ(term->Language().Translate("Menu", "Outro"), "");
}

} // namespace
