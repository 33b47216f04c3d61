#pragma once

// What the layout model needs from the layers that serve forms as web pages.  The page layer
// implements the page control, the page form and the framework type; the server implements the
// session.  The layout model only ever talks to them through these interfaces, so it never
// depends on how pages are built or carried.

#include "bridge/Duo.Types.h"
#include "lang/Duo.Lang.Types.h"

#include <functional>
#include <string>
#include <vector>

class TClassInfo;
class TObject;
class TComponent;
class TDuoClass;
class TDuoTerm;
class TDuoAPPTerm;
class IDuoFrameworkItemLabel;
class IDuoFrameworkItemButton;
class IDuoFrameworkItemEdit;
class IDuoFrameworkItemCheckBox;
class IDuoFrameworkItemDBCheckBox;
class IDuoFrameworkItemDBText;
class IDuoFrameworkItemDBEdit;
class IDuoFrameworkItemDBGrid;
class IDuoFrameworkItemDBMemo;
class IDuoFrameworkItemDBCombobox;
class IDuoFrameworkItemDBLookupCombobox;
class IDuoFrameworkItemCombobox;
class IDuoFrameworkItemImage;
class IDuoFrameworkItemMemo;

// A page control as the layout model sees it: the server-side stand-in of one form control in
// the browser.  It is a component owned by its page form.
class IFacetControl {
public:
  virtual ~IFacetControl() = default;
  virtual TComponent& AsComponent() = 0;
  virtual void SetName(const std::string& Value) = 0;
  virtual std::string GetName() const = 0;
  // The name with the page form's controls prefix; its upper case is the element id.
  virtual std::string GetNamePrefix() const = 0;
  virtual void SetIsHidden(bool Value) = 0;
  virtual void SetRequired(bool Value) = 0;
  virtual void SetValidationGroup(const Variant& Value) = 0;
  virtual void SetUIComponent(TComponent* Value) = 0;
  virtual TComponent* GetUIComponent() const = 0;
  // Takes the markup the renderer registered for the control.
  virtual void FormatHTMLControl(const std::string& HTML) = 0;
  // Asks for a fresh rendering of the control's HTML at the next update.
  virtual void Refresh() = 0;
};

// The page control of a raw HTML element item.
class IFacetHTMLElement : public virtual IFacetControl {
public:
  virtual void SetHTML(const std::string& Value) = 0;
  virtual void SetComponentHTMLElement(TComponent* Value) = 0;
};

// One callback of a page: the name page code calls it by, the id the browser sends back, the
// parameter text used when the page calls it without parameters, and its handler (none: only the
// form's CallBack hook runs).
struct TFacetCallBack {
  std::string Name;
  std::string ID;
  std::string Parameters;
  TCallBackEvent Proc;
};

// The callbacks registered for one page.  Names are compared without regard to case everywhere:
// in registration, lookup, execution and the browser's call text.
class IFacetFormCallBacks {
public:
  virtual ~IFacetFormCallBacks() = default;
  // Gives the first callback of that name the handler (none clears it); a name not registered yet
  // becomes a new callback without default parameters.
  virtual void Register(const std::string& AName, TCallBackEvent ACallBackEventProc) = 0;
  // Always a new callback, with its own id, with those default parameters.
  virtual void Register(const std::string& AName, const std::string& Parameters) = 0;
  // Removes every callback of that name.
  virtual void Unregister(const std::string& AName) = 0;
  // The first callback of that name; nullptr when there is none.
  virtual const TFacetCallBack* GetCallBack(const std::string& AName) const = 0;
};

// The page form of a bridged form: the page's controls and callbacks.
class IDuoFrameworkForm {
public:
  virtual ~IDuoFrameworkForm() = default;
  virtual TComponent& AsComponent() = 0;
  virtual void Hide() = 0;
  virtual void Show() = 0;
  virtual void Clear() = 0;
  virtual TDuoClass* GetBaseClass() const = 0;
  virtual void SetBaseClass(TDuoClass* Value) = 0;
  virtual std::string GetFormUUID() const = 0;
  virtual void AddNested(TObject* ADuoForm) = 0;
  virtual const std::vector<IFacetControl*>& GetControls() const = 0;
  virtual void AddControl(IFacetControl* AFacetControl) = 0;
  // The prefix of the page's element ids; empty unless enabled.
  virtual std::string GetControlsPrefix() const = 0;
  virtual void SetEnableControlsPrefix(bool Value) = 0;
  virtual IFacetFormCallBacks* CallBacks() = 0;
};

// The web framework type of one bridge object: its page form and one framework item per kind of
// control, through which the control adapters hand over each control's state and handlers.
class IDuoFrameworkType {
public:
  virtual ~IDuoFrameworkType() = default;
  virtual IDuoFrameworkForm* GetForm() const = 0;
  // Whether the session's active bridge object is this framework's.
  virtual bool FormShowing() const = 0;
  virtual void SetTemplateMasterHTMLFile(const std::string& Value) = 0;
  virtual void SetTemplatePageHTMLFile(const std::string& Value) = 0;
  virtual std::string GetTemplateMasterHTMLFile() const = 0;
  virtual std::string GetTemplatePageHTMLFile() const = 0;
  // Creates the page control of a raw HTML element item, owned by the page form.
  virtual IFacetHTMLElement* CreateHTMLElement() = 0;
  virtual IDuoFrameworkItemLabel& Text() = 0;
  virtual IDuoFrameworkItemEdit& Edit() = 0;
  virtual IDuoFrameworkItemButton& Button() = 0;
  virtual IDuoFrameworkItemCheckBox& CheckBox() = 0;
  virtual IDuoFrameworkItemImage& Image() = 0;
  virtual IDuoFrameworkItemDBCheckBox& DBCheckBox() = 0;
  virtual IDuoFrameworkItemDBGrid& DBGrid() = 0;
  virtual IDuoFrameworkItemDBLookupCombobox& DBLookupCombobox() = 0;
  virtual IDuoFrameworkItemDBEdit& DBEdit() = 0;
  virtual IDuoFrameworkItemDBText& DBText() = 0;
  virtual IDuoFrameworkItemCombobox& Combobox() = 0;
  virtual IDuoFrameworkItemDBCombobox& DBCombobox() = 0;
  virtual IDuoFrameworkItemDBMemo& DBMemo() = 0;
  virtual IDuoFrameworkItemMemo& Memo() = 0;
};

// A browser session as the layout model sees it.
class IFacetSession {
public:
  virtual ~IFacetSession() = default;
  virtual std::string GetUUID() const = 0;
  virtual std::string GetToken() const = 0;
  // The page UUID of the session's active page form; empty when there is none.
  virtual std::string ActiveFormUUID() const = 0;
  // The bridge object of the session's active page; nullptr when there is none.
  virtual TDuoClass* ActiveDuo() const = 0;
  // Runs a script statement in the browser.
  virtual void ExecJS(const std::string& AScript) = 0;
  // Runs `AWork` as a piece of the session's form code within 100 milliseconds: how a page
  // changed outside an event (by a background procedure) reaches the browser.
  virtual void RunSoon(std::function<void()> AWork) = 0;
  // The script that fires the named callback of a page.
  virtual std::string CallBackJS(const std::string& ACallBackName, const std::string& AFormUUID,
                                 const std::string& Parameters, bool LockClient) = 0;
  virtual TDuoLang Language() const = 0;
  virtual std::string LangCode() const = 0;
  virtual std::string LangName() const = 0;
  // The term sets of the session's language and of the browser's language.
  virtual TDuoTerm* Lang() const = 0;
  virtual TDuoTerm* LangNav() const = 0;
  // The application's own term set, or nullptr when the application registered none.
  virtual TDuoAPPTerm* LangAPP() const = 0;
  // Takes a bridge object out of the session's list of top-level pages, when it is there.
  virtual void RemoveDuoForm(TDuoClass* ADuo) = 0;
  // Makes the browser load the session's active page again, keeping the session.
  virtual void ReloadPage() = 0;
  // Waits until the named wait is released (at once when it is not held), without holding the
  // session's form code up meanwhile; returns false when the session ends while waiting.
  virtual bool Lock(const std::string& AName) = 0;
  virtual void UnLock(const std::string& AName) = 0;
};
