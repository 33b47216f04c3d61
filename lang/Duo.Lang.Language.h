#pragma once

#include "lang/Duo.Lang.Interfaces.h"
#include "lang/Duo.Lang.Term.h"
#include "runtime/FormatSettings.h"
#include "runtime/Json.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// A language object: one language's texts, loaded from a resource or a file, and what a page in
// that language needs (HTML codes, writing direction, number and date formats).  A key it has no
// text for is reported through `OnMissingTerm` and taken from its fallback language, so a page
// never shows an empty text where the fallback has one.
//
// Loading replaces the texts; once loaded, the object is only read and may be shared by every
// session thread.
class TDuoLanguage : public IDuoLang {
public:
  // Creates the term tree of a language object; the object owns the tree.
  using TDuoTermFactory = std::function<std::unique_ptr<TDuoTermBaseClass>(IDuoLang& ALang)>;
  using TMissingTermEvent =
      std::function<void(TDuoLang Lang, const std::string& Context, const std::string& Term)>;

  // A language object with no texts yet, whose term tree `ATermFactory` creates.
  TDuoLanguage(TDuoLang ALang, const TDuoTermFactory& ATermFactory);
  ~TDuoLanguage() override;
  TDuoLanguage(const TDuoLanguage&) = delete;
  TDuoLanguage& operator=(const TDuoLanguage&) = delete;

  void LoadJSONfromResource(std::string_view AResourceName) override;
  void ProcessJSONLang(std::string_view AJSON) override;
  // Loads the language's texts from a JSON file.
  void LoadJSONfromFile(const std::filesystem::path& AFileName);
  // The loaded texts as an indented JSON document.
  std::string GetJSON() const;
  // The language asked for the keys this one has no text for (usually English); null for none.
  void SetFallback(std::shared_ptr<const IDuoLangBaseClass> AFallback);

  const TFormatSettings& FormatSettings() const override { return FFormatSettings; }
  bool IsRTL() const override;
  std::string HTMLLangGeneric() const override;
  TDuoTermBaseClass& DuoTerm() const override { return *FDuoTerm; }
  std::string Translate(const std::string& Context, const std::string& Term) const override;

  TDuoLang DuoLang() const override { return FDuoLang; }
  std::string HTMLLang() const override;
  std::string LangName() const override;
  void DoConfigFormatSettings() override;
  // Fills a text that was not found: reports the key and asks the fallback language.
  void DoTranslate(const std::string& Context, const std::string& Term,
                   std::string& Translated) const override;

  // Called with every key this language has no text for.  Session threads call it at the same
  // time: a handler that writes somewhere must guard that place itself.
  TMissingTermEvent OnMissingTerm;

private:
  TDuoLang FDuoLang;
  TJSON FTexts;
  TFormatSettings FFormatSettings;
  std::shared_ptr<const IDuoLangBaseClass> FFallback;
  // Last: the tree refers to this object and goes first.
  std::unique_ptr<TDuoTermBaseClass> FDuoTerm;
};
