#include "runtime/Component.h"

#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"

#include <algorithm>

const TClassInfo& TComponent::StaticClass() {
  static const TClassInfo info = TClassBuilder<TComponent>("TComponent")
                                     .Property("Name", &TComponent::GetName, &TComponent::SetName)
                                     .Property("Tag", &TComponent::GetTag, &TComponent::SetTag)
                                     .Creatable()
                                     .Build();
  return info;
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr)
    AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  FDestroying = true;
  DestroyComponents();
  for (TComponent* other : std::vector<TComponent*>(FFreeNotifies)) {
    other->Notification(this, TOperation::opRemove);
    std::erase(other->FFreeNotifies, this);
  }
  if (FOwner != nullptr)
    FOwner->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* last = FComponents.back();
    RemoveComponent(last);
    delete last;
  }
}

void TComponent::SetName(const std::string& name) {
  if (name == FName)
    return;
  if (!name.empty() && !IsValidIdent(name))
    throw EComponentError("\"" + name + "\" is not a valid component name");
  if (!name.empty() && FOwner != nullptr) {
    const TComponent* other = FOwner->FindComponent(name);
    if (other != nullptr && other != this)
      throw EComponentError("A component named " + name + " already exists");
  }
  FName = name;
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError("Component index out of bounds (" + std::to_string(index) + ")");
  return FComponents[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty())
    return nullptr;
  for (TComponent* component : FComponents)
    if (SameText(component->FName, name))
      return component;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (component->FOwner != nullptr)
    component->FOwner->RemoveComponent(component);
  if (!component->FName.empty() && FindComponent(component->FName) != nullptr)
    throw EComponentError("A component named " + component->FName + " already exists");
  FComponents.push_back(component);
  component->FOwner = this;
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  const auto it = std::find(FComponents.begin(), FComponents.end(), component);
  if (it == FComponents.end())
    return;
  FComponents.erase(it);
  component->FOwner = nullptr;
  Notification(component, TOperation::opRemove);
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this)
    return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
    FFreeNotifies.push_back(component);
  if (std::find(component->FFreeNotifies.begin(), component->FFreeNotifies.end(), this) ==
      component->FFreeNotifies.end())
    component->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr)
    return;
  std::erase(FFreeNotifies, component);
  std::erase(component->FFreeNotifies, this);
}

void TComponent::Notification(TComponent*, TOperation) {}
