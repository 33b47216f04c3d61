#pragma once

// The bridge object of a form in the web presentation: it holds the form's layout tree (TDuo),
// the form's HTML document, its framework type and page form, its nested forms and popups, and
// the operations that act on the form's page in the browser.

#include "bridge/Duo.CSSClass.h"
#include "bridge/Duo.HTML.h"
#include "bridge/Duo.Interfaces.h"
#include "bridge/Duo.Types.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class TComponent;
class TDuoForm;
class TDuoItem;
class TDuoItemHTMLPopup;
class TDuoItems;
class TDuoManager;
class TObject;

class TDuoClass {
public:
  struct DuoOptions {
    bool EnableHTMLRender = true;
  };

  explicit TDuoClass(TComponent* FormOwner);
  virtual ~TDuoClass();
  TDuoClass(const TDuoClass&) = delete;
  TDuoClass& operator=(const TDuoClass&) = delete;

  // Renders the items into this form's HTML body.
  void RenderDuo(const std::vector<TDuoItem*>& Itens);
  void RenderDuo(const TDuoItems& Itens);

  // Nests another form's page into this one: its page form prefixes its element ids, its HTML is
  // rendered now, and it leaves the session's list of top-level pages.  Nesting it twice changes
  // nothing.
  void AddNested(TDuoForm& ADuoForm);
  // Raise an error for an index out of range.
  TDuoClass& Nested(int Index) const;
  int NestedCount() const { return static_cast<int>(FDuoNested.size()); }
  void AddPopup(TDuoItemHTMLPopup& ADuoItemHTMLPopup) { FDuoPopups.push_back(&ADuoItemHTMLPopup); }
  TDuoItemHTMLPopup& Popup(int Index) const;
  int PopupCount() const { return static_cast<int>(FDuoPopups.size()); }

  // A generated item id: the prefix ("DuoControl" when empty) and the form's counter for it.
  std::string CreateItemID(const std::string& Prefix);
  // Records an item under the id it has now; an id already recorded raises an error.
  void AddExportedControl(const std::string& AItemID, TDuoItem& AItem);
  const std::map<std::string, TDuoItem*>& ExportedControls() const { return FExportedControls; }
  const std::map<std::string, int>& ControlIDs() const { return FControlIDs; }

  // The page form's controls prefix; empty without a page form or while prefixing is off.
  std::string Prefix() const;
  // The first page control of the page form that stands for that form control.
  IFacetControl* FacetControlFromUIObj(const TObject* UIItem) const;
  // Marks a control valid or invalid in the browser, with a message under it.
  void Validation(const TObject* UIItem, bool AIsValid, const std::string& AMessage);
  void RemoveValidation(const TObject* UIItem);
  // Re-renders the control's page control and refreshes it in the browser.
  void UpdateDuoControl(const TObject* UIItem);
  void UpdateDuoAllControls();
  // The script that fires a named callback of the form's page.
  std::string CallBackJS(const std::string& ACallBackName, const std::string& Parameters,
                         bool LockClient) const;
  void RegisterCallBack(const std::string& AName, TCallBackEvent ACallBackEventProc);
  IFacetFormCallBacks* CallBacks() const;

  // The session's terms; without a session, the framework's English terms when loaded.
  TDuoTerm* Lang() const;
  TDuoTerm* LangNav() const;
  TDuoLang Language() const;
  std::string LangName() const;
  std::string LangCode() const;
  bool LangAPPIsPresent() const { return LangAPP() != nullptr; }
  TDuoAPPTerm* LangAPP() const;
  TDuoManager* GetDuoManager() const;
  std::string RootDirectory() const;
  std::string Version() const;

  IFacetSession* GetFacetSession() const { return FFacetSession; }
  void SetFacetSession(IFacetSession* Value) { FFacetSession = Value; }
  IDuoFrameworkType* FrameworkExportType() const { return FFrameworkExportType.get(); }
  void SetFrameworkExportType(std::unique_ptr<IDuoFrameworkType> Value);
  // The page form, through the framework type; nullptr when there is none.
  IDuoFrameworkForm* FrameworkForm() const;
  TComponent* Owner() const { return FAOwner; }
  TComponent* FormAOwner() const { return FAOwner; }
  TDuoClass& BaseClass() { return *this; }
  DuoOptions& Options() { return FOptions; }
  const IDuoHTMLType& RenderHTMLType() const { return FRenderHTMLType; }
  const TCSSClass& CSSClass() const { return FCSSClass; }
  TDuoHTML& HTML() { return FHTML; }
  const TDuoHTML& HTML() const { return FHTML; }
  const std::string& GetToken() const { return FToken; }
  void SetToken(const std::string& Value) { FToken = Value; }
  bool GetEnableLoader() const { return FEnableLoader; }
  void SetEnableLoader(bool Value) { FEnableLoader = Value; }
  TDuoClass* GetDuoOwner() const { return FDuoOwner; }
  void SetDuoOwner(TDuoClass* Value) { FDuoOwner = Value; }

private:
  void ExecJS(const std::string& AScript) const;

  TComponent* FAOwner;
  std::string FToken;
  TDuoHTMLBootStrap FRenderHTMLType;
  const TCSSClass& FCSSClass = CSSClassConstants();
  DuoOptions FOptions;
  TDuoHTML FHTML;
  // After the HTML document: the framework type lets go of the document when it goes first.
  std::unique_ptr<IDuoFrameworkType> FFrameworkExportType;
  bool FEnableLoader = true;
  IFacetSession* FFacetSession = nullptr;
  std::map<std::string, int> FControlIDs;
  std::vector<TDuoClass*> FDuoNested;
  std::vector<TDuoItemHTMLPopup*> FDuoPopups;
  TDuoClass* FDuoOwner = nullptr;
  std::map<std::string, TDuoItem*> FExportedControls;
};
