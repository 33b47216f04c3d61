#include "bridge/Duo.Instance.h"

#include "bridge/Duo.Forms.h"
#include "runtime/StrUtils.h"
#include "ui/Forms.h"

#include <algorithm>

namespace detail {

// Drops a registered component from the registry when it is destroyed elsewhere, so that the
// registry never hands out or destroys a freed object.
class TInstanceWatch : public TComponent {
public:
  explicit TInstanceWatch(TDuoInstance& registry) : TComponent(nullptr), FRegistry(registry) {}
  ~TInstanceWatch() override { FDestroyingWatch = true; }

  void Watch(TComponent* component) { FreeNotification(component); }
  void Unwatch(TComponent* component) {
    if (!FDestroyingWatch)
      RemoveFreeNotification(component);
  }

protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && !FDestroyingWatch)
      FRegistry.Forget(component);
  }

private:
  TDuoInstance& FRegistry;
  bool FDestroyingWatch = false;
};

} // namespace detail

namespace {

TDuoInstance* ProcessRegistry = nullptr;
std::unique_ptr<TDuoInstance> OwnedRegistry;
thread_local TDuoInstance* ScopedRegistry = nullptr;

TComponent* AsComponent(TObject* object) {
  return object != nullptr && object->Is<TComponent>() ? static_cast<TComponent*>(object) : nullptr;
}

TObject* CreateOfClass(const TClassInfo& AClass, TComponent* owner) {
  if (!AClass.IsCreatable())
    throw Exception("Class " + AClass.ClassName() + " cannot be created by the instance registry");
  return AClass.CreateInstance(owner);
}

TCustomForm* CreateForm(const TClassInfo& AFormClass, TComponent* owner) {
  if (!AFormClass.InheritsFrom(TCustomForm::StaticClass()))
    throw Exception("Class " + AFormClass.ClassName() + " is not a form class");
  if (!AFormClass.IsCreatable())
    throw Exception("Class " + AFormClass.ClassName() +
                    " cannot be created by the instance registry");
  return CreateFormOfClass(AFormClass, owner);
}

} // namespace

std::string FixedInstanceName(const TComponent& AComponent) {
  const std::string& name = AComponent.GetName();
  const std::string& className = AComponent.ClassName();
  const std::string usual = className.empty() ? std::string() : className.substr(1);
  const std::string rest = name.size() > usual.size() ? name.substr(usual.size()) : std::string();
  const bool numbered =
      !rest.empty() && rest.front() == '_' && rest.back() >= '0' && rest.back() <= '9';
  return numbered ? usual : name;
}

TDuoInstance::TDuoInstance(TComponent* AOwner, TDuoInstanceRole ARole)
    : FRole(ARole), FOwner(AOwner), FWatch(std::make_unique<detail::TInstanceWatch>(*this)) {
  if (FRole == TDuoInstanceRole::Process)
    ProcessRegistry = this;
}

TDuoInstance::~TDuoInstance() {
  if (ProcessRegistry == this)
    ProcessRegistry = nullptr;
  std::lock_guard guard(FLock);
  // The registered objects stay alive: their owners free them.
  FObjectInstance.clear();
  FWatch.reset();
}

int TDuoInstance::InstanceCount() const {
  std::lock_guard guard(FLock);
  return static_cast<int>(FObjectInstance.size());
}

bool TDuoInstance::IsDuoContext() const {
  return TDuoForm::IsDuoContext();
}

void TDuoInstance::Register(TObject* AObject) {
  if (AObject == nullptr)
    return;
  std::lock_guard guard(FLock);
  const TClassInfo* cls = &AObject->ClassType();
  const bool present = std::any_of(FObjectInstance.begin(), FObjectInstance.end(),
                                   [cls](const auto& entry) { return entry.first == cls; });
  if (!present) {
    FObjectInstance.emplace_back(cls, AObject);
    if (TComponent* component = AsComponent(AObject))
      FWatch->Watch(component);
  }
  if (AObject->Is<TDuoForm>())
    static_cast<TDuoForm*>(AObject)->SetUsedDuoInstance(true);
}

void TDuoInstance::Forget(const TObject* AObject) {
  std::lock_guard guard(FLock);
  std::erase_if(FObjectInstance, [AObject](const auto& entry) { return entry.second == AObject; });
}

TCustomForm* TDuoInstance::CreateInstance(const TClassInfo& AFormClass, TComponent* AOwner) {
  TCustomForm* form = CreateForm(AFormClass, AOwner);
  Register(form);
  return form;
}

TCustomForm* TDuoInstance::CreateInstance(const TClassInfo& AFormClass) {
  return CreateInstance(AFormClass, FOwner);
}

TComponent* TDuoInstance::CreateDataModuleInstance(const TClassInfo& ADMClass) {
  if (!ADMClass.InheritsFrom(TComponent::StaticClass()))
    throw Exception("Class " + ADMClass.ClassName() + " is not a data module class");
  auto* module = static_cast<TComponent*>(CreateOfClass(ADMClass, FOwner));
  Register(module);
  return module;
}

void TDuoInstance::CreateInstance(TComponent* ADM) {
  Register(ADM);
}

TObject* TDuoInstance::CreateObjectInstance(const TClassInfo& AClass) {
  TObject* object = CreateOfClass(AClass, nullptr);
  Register(object);
  return object;
}

void TDuoInstance::AddInstace(TObject* AObject) {
  Register(AObject);
}

TObject* TDuoInstance::GetInstance(const TClassInfo& AClass) const {
  std::lock_guard guard(FLock);
  for (const auto& [cls, object] : FObjectInstance)
    if (cls == &AClass)
      return object;
  return nullptr;
}

TObject* TDuoInstance::GetInstanceByObjectName(const std::string& AName) const {
  std::lock_guard guard(FLock);
  for (const auto& entry : FObjectInstance)
    if (TComponent* component = AsComponent(entry.second))
      if (SameText(component->GetName(), AName))
        return component;
  for (const auto& entry : FObjectInstance)
    if (TComponent* component = AsComponent(entry.second))
      if (SameText(FixedInstanceName(*component), AName))
        return component;
  return nullptr;
}

void TDuoInstance::RemoveInstance(TCustomForm* AForm) {
  if (AForm == nullptr)
    return;
  std::lock_guard guard(FLock);
  const TObject* registered = GetInstance(AForm->ClassType());
  if (registered != AForm)
    return;
  Forget(AForm);
  FWatch->Unwatch(AForm);
}

void TDuoInstance::DestroyInstance(const TClassInfo& AClass) {
  TObject* object = nullptr;
  {
    std::lock_guard guard(FLock);
    object = GetInstance(AClass);
    if (object == nullptr)
      return;
    Forget(object);
    if (TComponent* component = AsComponent(object))
      FWatch->Unwatch(component);
  }
  // The form's destructor need not look for itself in the registry any more.  Destructors do not
  // raise, so the caller (a session closing, the program ending) always goes on.
  if (object->Is<TDuoForm>())
    static_cast<TDuoForm*>(object)->SetUsedDuoInstance(false);
  delete object;
}

void TDuoInstance::DestroyAllInstances() {
  for (;;) {
    const TClassInfo* last = nullptr;
    {
      std::lock_guard guard(FLock);
      if (FObjectInstance.empty())
        return;
      last = FObjectInstance.back().first;
    }
    DestroyInstance(*last);
  }
}

TDuoInstanceScope::TDuoInstanceScope(TDuoInstance& ARegistry) : FPrevious(ScopedRegistry) {
  ScopedRegistry = &ARegistry;
}

TDuoInstanceScope::~TDuoInstanceScope() {
  ScopedRegistry = FPrevious;
}

TDuoInstance* CurrentDuoInstance() {
  return ScopedRegistry != nullptr ? ScopedRegistry : ProcessRegistry;
}

TDuoInstance& DuoInstance() {
  if (ScopedRegistry != nullptr)
    return *ScopedRegistry;
  if (ProcessRegistry == nullptr)
    OwnedRegistry = std::make_unique<TDuoInstance>(&Application());
  return *ProcessRegistry;
}
