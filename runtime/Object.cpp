#include "runtime/Object.h"

#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"

#include <map>
#include <mutex>

namespace {

struct TClassRegistry {
  std::mutex Lock;
  std::map<std::string, const TClassInfo*> ByName; // keyed by the upper-case name
};

TClassRegistry& Registry() {
  static TClassRegistry registry;
  return registry;
}

} // namespace

const char* detail::TypeKindName(TTypeKind kind) {
  switch (kind) {
  case TTypeKind::Boolean:
    return "Boolean";
  case TTypeKind::Integer:
    return "Integer";
  case TTypeKind::Int64:
    return "Int64";
  case TTypeKind::Float:
    return "Double";
  case TTypeKind::String:
    return "string";
  case TTypeKind::DateTime:
    return "TDateTime";
  case TTypeKind::Enumeration:
    return "Enumeration";
  case TTypeKind::Variant:
    return "Variant";
  case TTypeKind::Bytes:
    return "TBytes";
  }
  return "Unknown";
}

void detail::RegisterClassInfo(const TClassInfo& info) {
  TClassRegistry& registry = Registry();
  std::lock_guard guard(registry.Lock);
  registry.ByName[UpperCase(info.ClassName())] = &info;
}

void detail::UnregisterClassInfo(const TClassInfo& info) {
  TClassRegistry& registry = Registry();
  std::lock_guard guard(registry.Lock);
  const auto it = registry.ByName.find(UpperCase(info.ClassName()));
  if (it != registry.ByName.end() && it->second == &info)
    registry.ByName.erase(it);
}

TClassInfo::TClassInfo(std::string className, const TClassInfo* parent,
                       std::vector<TPropInfo> properties, TObjectFactory factory)
    : FClassName(std::move(className)), FParent(parent), FProperties(std::move(properties)),
      FFactory(std::move(factory)) {
  detail::RegisterClassInfo(*this);
}

TClassInfo::~TClassInfo() {
  detail::UnregisterClassInfo(*this);
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
  for (const TClassInfo* info = this; info != nullptr; info = info->FParent)
    if (info == &other)
      return true;
  return false;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
  for (const TClassInfo* info = this; info != nullptr; info = info->FParent)
    for (const TPropInfo& prop : info->FProperties)
      if (SameText(prop.Name, name))
        return &prop;
  return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::Properties() const {
  std::vector<const TClassInfo*> chain;
  for (const TClassInfo* info = this; info != nullptr; info = info->FParent)
    chain.push_back(info);
  std::vector<const TPropInfo*> result;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (const TPropInfo& prop : (*it)->FProperties)
      if (FindProperty(prop.Name) == &prop)
        result.push_back(&prop);
  return result;
}

TObject* TClassInfo::CreateInstance(TComponent* owner) const {
  if (!FFactory)
    throw EClassNotFound("Class " + FClassName + " cannot be created by name");
  return FFactory(owner);
}

const TClassInfo& TObject::StaticClass() {
  static const TClassInfo info("TObject", nullptr, {},
                               [](TComponent*) -> TObject* { return new TObject(); });
  return info;
}

bool TObject::HasProperty(std::string_view name) const {
  return ClassType().FindProperty(name) != nullptr;
}

Variant TObject::GetPropValue(std::string_view name) const {
  const TPropInfo* prop = ClassType().FindProperty(name);
  if (prop == nullptr)
    throw EPropertyError("Property " + std::string(name) + " not found in class " + ClassName());
  return prop->Getter(*this);
}

void TObject::SetPropValue(std::string_view name, const Variant& value) {
  const TPropInfo* prop = ClassType().FindProperty(name);
  if (prop == nullptr)
    throw EPropertyError("Property " + std::string(name) + " not found in class " + ClassName());
  if (!prop->IsWritable())
    throw EPropertyError("Property " + prop->Name + " of class " + ClassName() + " is read-only");
  prop->Setter(*this, value);
}

const TClassInfo* FindClass(std::string_view className) {
  TClassRegistry& registry = Registry();
  std::lock_guard guard(registry.Lock);
  const auto it = registry.ByName.find(UpperCase(className));
  return it == registry.ByName.end() ? nullptr : it->second;
}

const TClassInfo& GetClass(std::string_view className) {
  const TClassInfo* info = FindClass(className);
  if (info == nullptr)
    throw EClassNotFound("Class " + std::string(className) + " not found");
  return *info;
}

TObject* CreateObjectByClassName(std::string_view className, TComponent* owner) {
  return GetClass(className).CreateInstance(owner);
}

std::vector<std::string> CopyPropertiesByName(const TObject& source, TObject& target,
                                              const std::vector<std::string>& names) {
  std::vector<std::string> copied;
  for (const TPropInfo* from : source.ClassType().Properties()) {
    if (!names.empty()) {
      bool wanted = false;
      for (const std::string& name : names)
        wanted = wanted || SameText(name, from->Name);
      if (!wanted)
        continue;
    }
    const TPropInfo* to = target.ClassType().FindProperty(from->Name);
    if (to == nullptr || !to->IsWritable() || !to->IsSameType(*from))
      continue;
    try {
      to->Setter(target, from->Getter(source));
      copied.push_back(to->Name);
    } catch (const std::exception&) {
      // One property that cannot be copied does not stop the others.
    }
  }
  return copied;
}
