#include "lang/Duo.Lang.Language.h"
#include "lang/Duo.Lang.Term.h"
#include "lang/LangTestKeys.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TDuoTermBaseClass> MakeDuoTerm(IDuoLang& lang) {
  return std::make_unique<TDuoTerm>(lang);
}

std::unique_ptr<TDuoTermBaseClass> MakeAPPTerm(IDuoLang& lang) {
  return std::make_unique<TDuoAPPTerm>(lang);
}

TEST(LanguageNames, NameAndCodeOfEveryValueAndNothingOutsideTheEnumeration) {
  struct Case {
    int Value;
    const char* Name;
    const char* Code;
  };
  const Case cases[] = {
      {0, "English", "en-US"},
      {1, "Portuguese", "pt-BR"},
      {2, "Spanish", "es-ES"},
      {3, "Arabic", "ar-SA"},
      {4, "Italian", "it-IT"},
      {5, "French", "fr-FR"},
      {6, "German", "de-DE"},
      {7, "Japanese", "ja-JP"},
      {8, "Russian", "ru-RU"},
      {9, "Chinese", "zh-CN"},
      {10, "", ""},
      {-1, "", ""},
      {255, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Value);
    EXPECT_EQ(LanguageName(static_cast<TDuoLang>(c.Value)), c.Name);
    EXPECT_EQ(LanguageCode(static_cast<TDuoLang>(c.Value)), c.Code);
  }
}

TEST(TermTree, HasEightItemsInOrderBelongingToTheTreeAndItsLanguage) {
  TDuoLanguage lang(TDuoLang::German, MakeDuoTerm);
  auto& tree = static_cast<TDuoTerm&>(lang.DuoTerm());
  EXPECT_EQ(&tree.Language(), &lang);
  EXPECT_EQ(tree.Context(), "");

  const std::vector<std::string> contexts = {
      "Button", "MessageButton", "MessageType", "Upload", "Combobox", "Grid", "Loader", "Error500"};
  ASSERT_EQ(tree.ItemCount(), contexts.size());
  for (std::size_t i = 0; i < contexts.size(); ++i) {
    const TDuoTermItem& item = tree.Items(i);
    EXPECT_EQ(item.Context(), contexts[i]);
    EXPECT_EQ(&item.DuoTerm(), &tree);
    EXPECT_EQ(&item.Language(), &lang);
  }
  EXPECT_THROW(tree.Items(contexts.size()), EListError);

  const TDuoTermItem* named[] = {
      &tree.GetButton(),   &tree.GetMessageButton(), &tree.GetMessageType(), &tree.GetUpload(),
      &tree.GetCombobox(), &tree.GetGrid(),          &tree.GetLoader(),      &tree.GetError500()};
  for (std::size_t i = 0; i < contexts.size(); ++i)
    EXPECT_EQ(named[i], &tree.Items(i)) << contexts[i];
}

TEST(TermTree, EveryPropertyAsksForItsOwnContextAndKey) {
  // Each text is its own address, so a property that asks the wrong context or key shows it.
  TJSON texts = TJSON::object();
  for (const TTermKey& key : AllTermKeys())
    texts[key.Context][key.Key] = key.Context + "|" + key.Key;
  TDuoLanguage lang(TDuoLang::English, MakeDuoTerm);
  lang.ProcessJSONLang(texts.dump());
  const auto& tree = static_cast<const TDuoTerm&>(lang.DuoTerm());

  for (const TTermKey& key : AllTermKeys())
    EXPECT_EQ(key.Property(tree), key.Context + "|" + key.Key);
}

TEST(TermTree, UploadSuccessTextIsStoredUnderTheOneCKey) {
  TDuoLanguage lang(TDuoLang::English, MakeDuoTerm);
  lang.ProcessJSONLang(R"({"Upload": {"MsgSucessUpload": "Stored with one c",
                                      "MsgSuccessUpload": "Stored with two"}})");
  const auto& tree = static_cast<const TDuoTerm&>(lang.DuoTerm());
  EXPECT_EQ(tree.GetUpload().GetMsgSuccessUpload(), "Stored with one c");
}

TEST(TermTree, ApplicationTreeHasNoItemsAndItsLanguageAnswersAnyContext) {
  TDuoLanguage lang(TDuoLang::Portuguese, MakeAPPTerm);
  lang.ProcessJSONLang(R"({"Pedidos": {"Titulo": "Solicitações"}})");
  EXPECT_NE(dynamic_cast<TDuoAPPTerm*>(&lang.DuoTerm()), nullptr);
  EXPECT_EQ(lang.DuoTerm().ItemCount(), 0u);
  EXPECT_EQ(lang.DuoTerm().Language().Translate("Pedidos", "Titulo"), "Solicitações");
}

TEST(LanguageObject, RefusesTextsOfAnotherShapeAndKeepsWhatItHad) {
  TDuoLanguage lang(TDuoLang::French, MakeDuoTerm);
  lang.ProcessJSONLang(R"({"Loader": {"WaitText": "Veuillez patienter..."}})");
  const char* bad[] = {
      "",                                 // no document
      "{\"Loader\": {\"WaitText\": ",     // cut short
      "[\"Loader\"]",                     // not an object
      "{\"Loader\": \"WaitText\"}",       // a context that is not an object
      "{\"Loader\": {\"WaitText\": 12}}", // a text that is not a string
      "{\"Loader\": {\"WaitText\": null}}",
  };
  for (const char* json : bad) {
    SCOPED_TRACE(json);
    EXPECT_THROW(lang.ProcessJSONLang(json), Exception);
    EXPECT_EQ(lang.Translate("Loader", "WaitText"), "Veuillez patienter...");
  }
}

TEST(LanguageObject, UnknownResourceAndUnreadableFileAreRefused) {
  TDuoLanguage lang(TDuoLang::Italian, MakeDuoTerm);
  EXPECT_THROW(lang.LoadJSONfromResource("DuoLang_xx-XX"), Exception);
  EXPECT_THROW(lang.LoadJSONfromFile("/nonexistent/DuoLang_it-IT.json"), Exception);
}

TEST(LanguageObject, MissingTextIsReportedAndTakenFromTheFallback) {
  auto english = std::make_shared<TDuoLanguage>(TDuoLang::English, MakeDuoTerm);
  english->ProcessJSONLang(R"({"Grid": {"LoadingData": "Loading...", "EmptyRecords": "None"}})");
  TDuoLanguage spanish(TDuoLang::Spanish, MakeDuoTerm);
  spanish.ProcessJSONLang(R"({"Grid": {"LoadingData": "Cargando...", "EmptyRecords": ""}})");
  spanish.SetFallback(english);
  std::vector<std::string> missing;
  spanish.OnMissingTerm = [&](TDuoLang lang, const std::string& context, const std::string& term) {
    missing.push_back(LanguageCode(lang) + " " + context + "/" + term);
  };

  EXPECT_EQ(spanish.Translate("Grid", "LoadingData"), "Cargando...");
  EXPECT_TRUE(missing.empty());
  // An empty text counts as missing: a page never shows an empty caption where English has one.
  EXPECT_EQ(spanish.Translate("Grid", "EmptyRecords"), "None");
  EXPECT_EQ(spanish.Translate("Grid", "Unknown"), "");
  EXPECT_EQ(spanish.Translate("Nowhere", "LoadingData"), "");
  EXPECT_EQ(missing, (std::vector<std::string>{"es-ES Grid/EmptyRecords", "es-ES Grid/Unknown",
                                               "es-ES Nowhere/LoadingData"}));
}

} // namespace
