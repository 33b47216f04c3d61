#include "bridge/Duo.UIObj.h"

#include "bridge/Duo.UIObj.DBCtrls.h"
#include "bridge/Duo.UIObj.Override.h"
#include "bridge/Duo.UIObj.StdCtrls.h"
#include "bridge/Duo.UIObj.TDBGrid.h"
#include "runtime/StrUtils.h"

#include <algorithm>
#include <mutex>

namespace {

constexpr std::string_view AdapterPrefix = "TUIObj";

struct TRegisteredUIObj {
  std::string Name;
  // The class served, when known at registration; otherwise found by the name.
  const TClassInfo* Served;
  TUIObjFactory Factory;
};

struct TRegistry {
  std::mutex Lock;
  std::vector<TRegisteredUIObj> Classes;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

void Add(std::string AName, const TClassInfo* AServed, TUIObjFactory AFactory) {
  TRegistry& registry = Registry();
  const std::lock_guard lock(registry.Lock);
  registry.Classes.push_back({std::move(AName), AServed, std::move(AFactory)});
}

template <class T> void AddBuiltIn(std::string AName) {
  Add(std::move(AName), &T::ServedClass(),
      [](TDuoItemUIObj& AOwner) { return std::make_unique<T>(AOwner); });
}

// The adapters of the control library, registered once, before any other.
void RegisterBuiltInUIObjClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    AddBuiltIn<TUIObjTLabel>("TUIObjTLabel");
    AddBuiltIn<TUIObjTEdit>("TUIObjTEdit");
    AddBuiltIn<TUIObjTButton>("TUIObjTButton");
    AddBuiltIn<TUIObjTSpeedButton>("TUIObjTSpeedButton");
    AddBuiltIn<TUIObjTDBText>("TUIObjTDBText");
    AddBuiltIn<TUIObjTDBMemo>("TUIObjTDBMemo");
    AddBuiltIn<TUIObjTImage>("TUIObjTImage");
    AddBuiltIn<TUIObjTMemo>("TUIObjTMemo");
    AddBuiltIn<TUIObjTDBLookupComboBox>("TUIObjTDBLookupComboBox");
    AddBuiltIn<TUIObjTDBGrid>("TUIObjTDBGrid");
    AddBuiltIn<TUIObjTDBEdit>("TUIObjTDBEdit");
    AddBuiltIn<TUIObjTDBComboBox>("TUIObjTDBComboBox");
    AddBuiltIn<TUIObjTDBCheckBox>("TUIObjTDBCheckBox");
    AddBuiltIn<TUIObjTDateTimePicker>("TUIObjTDateTimePicker");
    AddBuiltIn<TUIObjTComboBox>("TUIObjTComboBox");
    AddBuiltIn<TUIObjTCheckBox>("TUIObjTCheckBox");
    AddBuiltIn<TUIObjTRadioButton>("TUIObjTRadioButton");
    AddBuiltIn<TUIObjTDBImage>("TUIObjTDBImage");
  });
}

std::vector<TRegisteredUIObj> RegisteredClasses() {
  RegisterBuiltInUIObjClasses();
  TRegistry& registry = Registry();
  const std::lock_guard lock(registry.Lock);
  return registry.Classes;
}

// The control class an adapter name stands for: "TUIObj" followed by its name.
const TClassInfo* ClassNamedBy(const std::string& AName) {
  if (!StartsText(AdapterPrefix, AName))
    return nullptr;
  return FindClass(std::string_view(AName).substr(AdapterPrefix.size()));
}

} // namespace

std::vector<std::string> IDuoUIObj::PropertyCopyList() const {
  return DefaultPropertyCopyList();
}

void RegisterUIObjClass(const std::string& AName, TUIObjFactory AFactory) {
  RegisterBuiltInUIObjClasses();
  Add(AName, nullptr, std::move(AFactory));
}

std::unique_ptr<IDuoUIObj> FindUIObj(const TClassInfo& AClass, TDuoItemUIObj& AOwner) {
  const TClassInfo& served = OverrideUI(AClass);
  const std::string name = std::string(AdapterPrefix) + served.ClassName();
  for (const TRegisteredUIObj& registered : RegisteredClasses()) {
    if (!SameText(registered.Name, name))
      continue;
    std::unique_ptr<IDuoUIObj> adapter = registered.Factory(AOwner);
    if (adapter != nullptr && &adapter->UIClass() == &served)
      return adapter;
  }
  return nullptr;
}

std::vector<const TClassInfo*> SupportedUIObjClasses() {
  std::vector<const TClassInfo*> result;
  for (const TRegisteredUIObj& registered : RegisteredClasses()) {
    const TClassInfo* served =
        registered.Served != nullptr ? registered.Served : ClassNamedBy(registered.Name);
    if (served != nullptr && std::find(result.begin(), result.end(), served) == result.end())
      result.push_back(served);
  }
  return result;
}

std::vector<std::string> DefaultPropertyCopyList() {
  return {"Left", "Top", "Width", "Heigth", "Parent", "Caption", "Color", "Enabled", "Visible"};
}
