#pragma once

// Control adapters: one class per supported control class, named "TUIObj" + that class name.
// An adapter knows its control class's default CSS class and framework item, and hands the
// control's state and handlers to that framework item as procedures, which the page control later
// calls to read and write the live control and to run its handlers.

#include <functional>
#include <memory>
#include <string>
#include <vector>

class IDuoFrameworkItem;
class IFacetControl;
class TClassInfo;
class TDuoItemUIObj;

class IDuoUIObj {
public:
  explicit IDuoUIObj(TDuoItemUIObj& AOwner) : FDuoItemUIObj(AOwner) {}
  virtual ~IDuoUIObj() = default;
  IDuoUIObj(const IDuoUIObj&) = delete;
  IDuoUIObj& operator=(const IDuoUIObj&) = delete;

  // The CSS class every control of this kind carries.
  virtual std::string CSSClass() const = 0;
  // The control class the adapter serves (exactly; descendants are not served).
  virtual const TClassInfo& UIClass() const = 0;
  // Whether the kind is shown as a button (it may then carry a popup menu).
  virtual bool IsButton() const { return false; }
  // This kind's framework item, from the bridge object's framework type.
  virtual IDuoFrameworkItem& FrameworkItemClass() const = 0;
  // Names of the published properties copied by name from the control to its page control.
  virtual std::vector<std::string> PropertyCopyList() const;
  // Fills the framework item's state procedures and own members from the control.
  virtual void ProcessPropertyClass(IFacetControl& NewObj) = 0;
  // Fills the framework item's event procedures for the handlers the control has.
  virtual void ProcessEventClass() = 0;

  TDuoItemUIObj& GetDuoItemUIObj() const { return FDuoItemUIObj; }

private:
  TDuoItemUIObj& FDuoItemUIObj;
};

using TUIObjFactory = std::function<std::unique_ptr<IDuoUIObj>(TDuoItemUIObj& AOwner)>;

// Makes an adapter class known by its name.
void RegisterUIObjClass(const std::string& AName, TUIObjFactory AFactory);

// The adapter for a control class: the registered "TUIObj" + name of the class after
// substitution (OverrideUI), whose UIClass is exactly that class; nullptr when there is none.
std::unique_ptr<IDuoUIObj> FindUIObj(const TClassInfo& AClass, TDuoItemUIObj& AOwner);

// The control classes that have an adapter.
std::vector<const TClassInfo*> SupportedUIObjClasses();

// The default list of properties copied by name.
std::vector<std::string> DefaultPropertyCopyList();
