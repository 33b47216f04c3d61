#pragma once

// The framework manager: what the rest of the framework asks for the form a session starts with,
// the server, the enabled languages and the version.  One exists while the web presentation runs;
// its creator (the server's starter) owns it.

#include "lang/Duo.Lang.Types.h"
#include "runtime/FormatSettings.h"

#include <string>
#include <vector>

class IDuoServerControllerBase;
class TClassInfo;

// The web server's options as the layers below the server read them.
class IFacetOptions {
public:
  virtual ~IFacetOptions() = default;
  virtual const std::string& GetLanguage() const = 0;
  virtual bool GetLoading() const = 0;
  virtual const std::string& GetPathCSS() const = 0;
  virtual const std::string& GetRootDirectory() const = 0;
  virtual const std::string& GetPathJS() const = 0;
  virtual bool GetIncludeJQGrid() const = 0;
  virtual bool GetIncludeJQuery() const = 0;
  virtual bool GetIncludeSweetAlert2() const = 0;
  virtual bool GetIncludeStyle() const = 0;
  virtual bool GetForceCloseExpired() const = 0;
  virtual bool GetDataSetLog() const = 0;
  virtual bool GetUseSSL() const = 0;
  virtual bool GetUseINIConfig() const = 0;
  virtual TFormatSettings FormatSettings() const = 0;
  virtual TFormatSettings DataBaseFormatSettings() const = 0;
  virtual bool GetValidateAllControls() const = 0;
};

// The web server as the layout model sees it.
class IFacetBaseClass {
public:
  virtual ~IFacetBaseClass() = default;
  virtual const IFacetOptions& Options() const = 0;
  // Whether every control of a page is checked by the browser's form validation.
  virtual bool ValidateAllControls() const = 0;
  virtual std::string RootDirectory() const = 0;
};

class TDuoManager {
public:
  // Becomes the process's manager until it is destroyed.
  TDuoManager();
  ~TDuoManager();
  TDuoManager(const TDuoManager&) = delete;
  TDuoManager& operator=(const TDuoManager&) = delete;

  IFacetBaseClass* Facet() const { return FFacet; }
  void SetFacet(IFacetBaseClass* Value) { FFacet = Value; }
  const TClassInfo* PrimaryFormClass() const { return FPrimaryFormClass; }
  void SetPrimaryFormClass(const TClassInfo* Value) { FPrimaryFormClass = Value; }
  const TDuoLangs& Languages() const { return FLanguages; }
  void SetLanguages(const TDuoLangs& Value) { FLanguages = Value; }
  // The object that made and started the server (it hears of the sessions' changes).
  IDuoServerControllerBase* ServerController() const { return FServerController; }
  void SetServerController(IDuoServerControllerBase* Value) { FServerController = Value; }
  std::string Version() const { return "1.4.7"; }
  // The control classes that ExportDuoAllControls may export: those with a control adapter.
  const std::vector<const TClassInfo*>& SupportedUIClasses() const { return FSupportedUIClasses; }

private:
  IFacetBaseClass* FFacet = nullptr;
  const TClassInfo* FPrimaryFormClass = nullptr;
  TDuoLangs FLanguages;
  IDuoServerControllerBase* FServerController = nullptr;
  std::vector<const TClassInfo*> FSupportedUIClasses;
};

// The process's manager, or nullptr while none exists.
TDuoManager* DuoManager();
