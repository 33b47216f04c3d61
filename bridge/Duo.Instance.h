#pragma once

// The registry of form and data-module instances: at most one registered instance per class, so
// that code can find "the" form of a class by its class or by its name.

#include "runtime/Component.h"

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class IFacetSession;
class TCustomForm;

class IDuoInstance {
public:
  virtual ~IDuoInstance() = default;
  virtual std::shared_ptr<IFacetSession> GetFacetSession() const = 0;
};

namespace detail {
class TInstanceWatch;
}

// Whose registry it is: the process's (the desktop presentation) or one web session's.
enum class TDuoInstanceRole { Process, Session };

// Registering an object adds it under its class when that class has no entry yet; an object of a
// class already present is not added (and not freed).  A registered component that is destroyed
// by someone else leaves the registry.  Every operation is guarded by the registry's own lock.
class TDuoInstance : public IDuoInstance {
public:
  // Forms and data modules the registry creates are owned by `AOwner`.  The newest process
  // registry is the process's until it is destroyed; a session's registry is found through a
  // TDuoInstanceScope on the threads that run the session's form code.
  explicit TDuoInstance(TComponent* AOwner, TDuoInstanceRole ARole = TDuoInstanceRole::Process);
  ~TDuoInstance() override;
  TDuoInstance(const TDuoInstance&) = delete;
  TDuoInstance& operator=(const TDuoInstance&) = delete;

  TComponent* GetOwner() const { return FOwner; }

  // Create a form of that class (with its OnCreate run) and register it.
  TCustomForm* CreateInstance(const TClassInfo& AFormClass, TComponent* AOwner);
  TCustomForm* CreateInstance(const TClassInfo& AFormClass);
  // Creates a data module of that class owned by the registry's owner and registers it.
  TComponent* CreateDataModuleInstance(const TClassInfo& ADMClass);
  // Registers an existing data module.
  void CreateInstance(TComponent* ADM);
  // Creates a plain object of that class and registers it.
  TObject* CreateObjectInstance(const TClassInfo& AClass);
  // Registers an existing object.
  void AddInstace(TObject* AObject);

  // The object registered for exactly that class, or nullptr.
  TObject* GetInstance(const TClassInfo& AClass) const;
  // The first registered component named AName (without case); failing that, the first whose
  // usual name is AName: further instances of a form are named with the usual name, "_" and a
  // number.  nullptr when none matches.
  TObject* GetInstanceByObjectName(const std::string& AName) const;
  // Forgets AForm when it is the object registered for its class.
  void RemoveInstance(TCustomForm* AForm);
  // Destroys the object registered for that class and forgets it.
  void DestroyInstance(const TClassInfo& AClass);
  // Destroys every registered object, the most recently registered class first.
  void DestroyAllInstances();
  int InstanceCount() const;

  // The registry's own session; the desktop presentation has none.
  std::shared_ptr<IFacetSession> GetFacetSession() const override { return FFacetSession; }
  void SetFacetSession(std::shared_ptr<IFacetSession> ASession) {
    FFacetSession = std::move(ASession);
  }
  bool IsDuoContext() const;

private:
  friend class detail::TInstanceWatch;

  // Recursive: destroying a registered form reaches the registry again through its watch.
  mutable std::recursive_mutex FLock;
  // Class and object, in registration order.
  std::vector<std::pair<const TClassInfo*, TObject*>> FObjectInstance;
  TDuoInstanceRole FRole;
  std::shared_ptr<IFacetSession> FFacetSession;
  TComponent* FOwner;
  std::unique_ptr<detail::TInstanceWatch> FWatch;

  void Register(TObject* AObject);
  void Forget(const TObject* AObject);
};

// Makes a registry the calling thread's for the scope's lifetime: a web session's threads see
// their session's registry.
class TDuoInstanceScope {
public:
  explicit TDuoInstanceScope(TDuoInstance& ARegistry);
  ~TDuoInstanceScope();
  TDuoInstanceScope(const TDuoInstanceScope&) = delete;
  TDuoInstanceScope& operator=(const TDuoInstanceScope&) = delete;

private:
  TDuoInstance* FPrevious;
};

// The calling thread's registry (its scope's), else the process's; nullptr when there is none.
TDuoInstance* CurrentDuoInstance();
// The calling thread's registry; the process's is created on first use with the calling thread's
// application as owner.
TDuoInstance& DuoInstance();

// The name a component would have as the first instance of its class: a name made of the usual
// name (the class name without its leading "T"), "_" and a number gives the usual name; any other
// name is returned unchanged.
std::string FixedInstanceName(const TComponent& AComponent);
