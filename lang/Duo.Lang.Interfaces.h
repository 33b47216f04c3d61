#pragma once

#include "lang/Duo.Lang.Types.h"

#include <memory>
#include <string>
#include <string_view>

struct TFormatSettings;
class IDuoLang;
class TDuoTermBaseClass;

// A term tree: the object through which the framework asks a language for its texts.
class IDuoTerm {
public:
  virtual ~IDuoTerm() = default;

  // The language object the tree belongs to.
  virtual IDuoLang& Language() const = 0;
};

// One context of a term tree ("Grid", "Upload", ...).
class IDuoTermItem {
public:
  virtual ~IDuoTermItem() = default;

  virtual IDuoTerm& DuoTerm() const = 0;
  virtual IDuoLang& Language() const = 0;
  virtual const std::string& Context() const = 0;
};

// What every language object offers: its texts, looked up by context and key, and the settings
// a page in that language needs.
class IDuoLangBaseClass {
public:
  virtual ~IDuoLangBaseClass() = default;

  // Loads the language's texts from the resource compiled into the program under that name.
  virtual void LoadJSONfromResource(std::string_view AResourceName) = 0;
  // Takes the language's texts from a JSON document: an object of contexts, each an object of
  // keys and texts.  Refuses a document of another shape.
  virtual void ProcessJSONLang(std::string_view AJSON) = 0;
  // The language's number and date formats.
  virtual const TFormatSettings& FormatSettings() const = 0;
  // Whether the language is written right to left.
  virtual bool IsRTL() const = 0;
  // The generic HTML language code ("en", "pt", ...).
  virtual std::string HTMLLangGeneric() const = 0;
  // The language's term tree.
  virtual TDuoTermBaseClass& DuoTerm() const = 0;
  // The text of key `Term` in context `Context`.
  virtual std::string Translate(const std::string& Context, const std::string& Term) const = 0;
};

class IDuoLang : public IDuoLangBaseClass {
public:
  virtual TDuoLang DuoLang() const = 0;
  // The full HTML language code ("en-US", "pt-BR", ...).
  virtual std::string HTMLLang() const = 0;
  virtual std::string LangName() const = 0;
  // Sets up the language's format settings.
  virtual void DoConfigFormatSettings() = 0;
  // Called by `Translate` with the text found for the key (empty when none was found), which it
  // may change.
  virtual void DoTranslate(const std::string& Context, const std::string& Term,
                           std::string& Translated) const = 0;
};

// Holds one language object per language (none for a language that is not enabled) and where
// their texts come from.
class IDuoLangCoreBaseClass {
public:
  virtual ~IDuoLangCoreBaseClass() = default;

  // The language object of each language, or null when that language is not enabled.  Setting
  // one replaces the held object (null removes it); the core owns what it is given.
  virtual IDuoLang* GetPortuguese() const = 0;
  virtual void SetPortuguese(std::unique_ptr<IDuoLang> Value) = 0;
  virtual IDuoLang* GetEnglish() const = 0;
  virtual void SetEnglish(std::unique_ptr<IDuoLang> Value) = 0;
  virtual IDuoLang* GetSpanish() const = 0;
  virtual void SetSpanish(std::unique_ptr<IDuoLang> Value) = 0;
  virtual IDuoLang* GetArabic() const = 0;
  virtual void SetArabic(std::unique_ptr<IDuoLang> Value) = 0;
  virtual IDuoLang* GetItalian() const = 0;
  virtual IDuoLang* GetFrench() const = 0;
  virtual IDuoLang* GetGerman() const = 0;
  virtual IDuoLang* GetJapanese() const = 0;
  virtual IDuoLang* GetRussian() const = 0;
  virtual IDuoLang* GetChinese() const = 0;
  virtual void SetItalian(std::unique_ptr<IDuoLang> Value) = 0;
  virtual void SetFrench(std::unique_ptr<IDuoLang> Value) = 0;
  virtual void SetGerman(std::unique_ptr<IDuoLang> Value) = 0;
  virtual void SetJapanese(std::unique_ptr<IDuoLang> Value) = 0;
  virtual void SetRussian(std::unique_ptr<IDuoLang> Value) = 0;
  virtual void SetChinese(std::unique_ptr<IDuoLang> Value) = 0;
  // The enabled languages.  Setting them creates and loads an object for every language in the
  // set that has none and drops the objects of the languages left out.
  virtual TDuoLangs GetLanguages() const = 0;
  virtual void SetLanguages(const TDuoLangs& Value) = 0;
  // The folder `CreateJSONDefaultLang` writes to.
  virtual std::string GetPathExportJSON() const = 0;
  virtual void SetPathExportJSON(const std::string& Value) = 0;
  // The folder the translation files are read from when they are not embedded.
  virtual std::string GetPathJSON() const = 0;
  virtual void SetPathJSON(const std::string& Value) = 0;
  // The first part of the name of every translation resource and file; the language code and,
  // for a file, ".json" follow it.
  virtual std::string GetResourcePrefix() const = 0;
  virtual void SetResourcePrefix(const std::string& Value) = 0;
  // Whether enabling languages also writes the default texts out (`CreateJSONDefaultLang`).
  virtual bool GetExportJSON() const = 0;
  virtual void SetExportJSON(bool Value) = 0;
  // Whether the texts come from resources compiled into the program (true) or from files in
  // `PathJSON` (false).
  virtual bool GetEmbedJSON() const = 0;
  virtual void SetEmbedJSON(bool Value) = 0;

  // The term tree of a language, or null when that language is not enabled.
  virtual TDuoTermBaseClass* LangByTDuoLang(TDuoLang Lang) const = 0;
  // The term tree of the first enabled language whose full or generic HTML code equals
  // `HTMLLang` without regard to letter case, or null.
  virtual TDuoTermBaseClass* LangByHTMLLang(std::string_view HTMLLang) const = 0;
  // The term tree for a browser's Accept-Language header value.
  virtual TDuoTermBaseClass* LangByBrowser(std::string_view AcceptLanguage) const = 0;
  // The default (English) texts as a JSON document: the model a translation starts from.
  virtual std::string JSONDefaultLang() const = 0;
  // Writes `JSONDefaultLang` into the file ResourcePrefix + "en-US.json" in `PathExportJSON`.
  virtual void CreateJSONDefaultLang() const = 0;
  // Reports a key a language has no text for to the core's missing-text hook.
  virtual void IncludeLogMissing(TDuoLang Lang, const std::string& Context,
                                 const std::string& Term) const = 0;
};

class IDuoLangCore : public IDuoLangCoreBaseClass {};
