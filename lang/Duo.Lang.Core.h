#pragma once

#include "lang/Duo.Lang.Interfaces.h"
#include "lang/Duo.Lang.Language.h"
#include "lang/Duo.Lang.Term.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// A language core: one language object per enabled language, loaded from the translation
// resources compiled into the program (`EmbedJSON`, the default) or from the files in `PathJSON`,
// each named `ResourcePrefix` + language code (+ ".json" for a file).  Every language object it
// creates asks English for the keys it has no text for; such keys are reported to `OnLogMissing`.
//
// A core is set up once (sources first, then `SetLanguages`) and only read afterwards, so the
// lookups may run on any number of threads.
class TDuoLangCoreBaseClass : public IDuoLangCore {
public:
  explicit TDuoLangCoreBaseClass(std::string AResourcePrefix);
  ~TDuoLangCoreBaseClass() override;
  TDuoLangCoreBaseClass(const TDuoLangCoreBaseClass&) = delete;
  TDuoLangCoreBaseClass& operator=(const TDuoLangCoreBaseClass&) = delete;

  IDuoLang* GetPortuguese() const override { return DuoLangByTDuoLang(TDuoLang::Portuguese); }
  void SetPortuguese(std::unique_ptr<IDuoLang> Value) override;
  IDuoLang* GetEnglish() const override { return DuoLangByTDuoLang(TDuoLang::English); }
  void SetEnglish(std::unique_ptr<IDuoLang> Value) override;
  IDuoLang* GetSpanish() const override { return DuoLangByTDuoLang(TDuoLang::Spanish); }
  void SetSpanish(std::unique_ptr<IDuoLang> Value) override;
  IDuoLang* GetArabic() const override { return DuoLangByTDuoLang(TDuoLang::Arabic); }
  void SetArabic(std::unique_ptr<IDuoLang> Value) override;
  IDuoLang* GetItalian() const override { return DuoLangByTDuoLang(TDuoLang::Italian); }
  IDuoLang* GetFrench() const override { return DuoLangByTDuoLang(TDuoLang::French); }
  IDuoLang* GetGerman() const override { return DuoLangByTDuoLang(TDuoLang::German); }
  IDuoLang* GetJapanese() const override { return DuoLangByTDuoLang(TDuoLang::Japanese); }
  IDuoLang* GetRussian() const override { return DuoLangByTDuoLang(TDuoLang::Russian); }
  IDuoLang* GetChinese() const override { return DuoLangByTDuoLang(TDuoLang::Chinese); }
  void SetItalian(std::unique_ptr<IDuoLang> Value) override;
  void SetFrench(std::unique_ptr<IDuoLang> Value) override;
  void SetGerman(std::unique_ptr<IDuoLang> Value) override;
  void SetJapanese(std::unique_ptr<IDuoLang> Value) override;
  void SetRussian(std::unique_ptr<IDuoLang> Value) override;
  void SetChinese(std::unique_ptr<IDuoLang> Value) override;
  TDuoLangs GetLanguages() const override;
  // Loads every newly enabled language before changing anything: a language whose texts cannot
  // be loaded leaves the core as it was and raises the loading error.
  void SetLanguages(const TDuoLangs& Value) override;
  std::string GetPathExportJSON() const override { return FPathExportJSON; }
  void SetPathExportJSON(const std::string& Value) override { FPathExportJSON = Value; }
  std::string GetPathJSON() const override { return FPathJSON; }
  void SetPathJSON(const std::string& Value) override;
  std::string GetResourcePrefix() const override { return FResourcePrefix; }
  void SetResourcePrefix(const std::string& Value) override;
  bool GetExportJSON() const override { return FExportJSON; }
  void SetExportJSON(bool Value) override { FExportJSON = Value; }
  bool GetEmbedJSON() const override { return FEmbedJSON; }
  void SetEmbedJSON(bool Value) override;

  TDuoTermBaseClass* LangByTDuoLang(TDuoLang Lang) const override;
  TDuoTermBaseClass* LangByHTMLLang(std::string_view HTMLLang) const override;
  // Reads the header's items in their own order (quality values do not reorder them); the first
  // item naming an enabled language decides.  With no match the result is English, or, when
  // English is not enabled, the first enabled language.  Null only when no language is enabled.
  TDuoTermBaseClass* LangByBrowser(std::string_view AcceptLanguage) const override;
  std::string JSONDefaultLang() const override;
  void CreateJSONDefaultLang() const override;
  void IncludeLogMissing(TDuoLang Lang, const std::string& Context,
                         const std::string& Term) const override;

  // The language object of `Lang`, or null when that language is not enabled.
  IDuoLang* DuoLangByTDuoLang(TDuoLang Lang) const;

  // Told of every key a language of this core has no text for.  Session threads call it at the
  // same time: a handler that writes somewhere must guard that place itself.
  TDuoLanguage::TMissingTermEvent OnLogMissing;

protected:
  // The term tree of a language object this core creates.
  virtual std::unique_ptr<TDuoTermBaseClass> CreateDuoTerm(IDuoLang& ALang) const = 0;
  // Whether a term tree is of the class this core hands out.
  virtual bool IsDuoTermClass(const TDuoTermBaseClass& ATerm) const = 0;

private:
  void SetDuoLang(TDuoLang Lang, std::unique_ptr<IDuoLang> Value);
  bool HasSource(TDuoLang Lang) const;
  std::unique_ptr<TDuoLanguage> LoadLanguage(TDuoLang Lang) const;
  std::shared_ptr<const TDuoLanguage> Fallback();

  std::array<std::unique_ptr<IDuoLang>, std::size(AllDuoLangs)> FLangs;
  std::string FPathExportJSON;
  std::string FPathJSON;
  std::string FResourcePrefix;
  bool FExportJSON = false;
  bool FEmbedJSON = true;
  // English as loaded from the current sources, shared by the languages created from them.
  std::shared_ptr<const TDuoLanguage> FFallback;
};

// The framework's own texts: term trees of class `TDuoTerm`, resources "DuoLang_" + code.
class TDuoLangCore : public TDuoLangCoreBaseClass {
public:
  TDuoLangCore();

  TDuoTerm* LangByTDuoLang(TDuoLang Lang) const override;
  TDuoTerm* LangByHTMLLang(std::string_view HTMLLang) const override;
  TDuoTerm* LangByBrowser(std::string_view AcceptLanguage) const override;

protected:
  std::unique_ptr<TDuoTermBaseClass> CreateDuoTerm(IDuoLang& ALang) const override;
  bool IsDuoTermClass(const TDuoTermBaseClass& ATerm) const override;
};

// The application's own texts: term trees of class `TDuoAPPTerm`, resources or files
// "DuoLangAPP_" + code.
class TDuoLangAPPCore : public TDuoLangCoreBaseClass {
public:
  TDuoLangAPPCore();

  TDuoAPPTerm* LangByTDuoLang(TDuoLang Lang) const override;
  TDuoAPPTerm* LangByHTMLLang(std::string_view HTMLLang) const override;
  TDuoAPPTerm* LangByBrowser(std::string_view AcceptLanguage) const override;

protected:
  std::unique_ptr<TDuoTermBaseClass> CreateDuoTerm(IDuoLang& ALang) const override;
  bool IsDuoTermClass(const TDuoTermBaseClass& ATerm) const override;
};

// The process-wide cores.  Both are empty until the web server's starter creates them at
// start-up (the desktop presentation never does); the application's core may stay empty.
extern std::unique_ptr<TDuoLangCore> DuoLangCore;
extern std::unique_ptr<TDuoLangAPPCore> DuoLangAPPCore;
