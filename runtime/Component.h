#pragma once

#include "runtime/Object.h"

#include <cstdint>
#include <string>
#include <vector>

enum class TOperation { opInsert, opRemove };

// A named object that can own other components.  An owner destroys the components it owns, in
// reverse order of creation, when it is destroyed; a component destroyed earlier leaves its
// owner's list.  Components that hold pointers to other components ask for a free notification
// and drop the pointer in Notification().
class TComponent : public TObject {
  DUO_CLASS(TComponent, TObject)

public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* GetOwner() const { return FOwner; }
  const std::string& GetName() const { return FName; }
  // The name must be empty or an identifier not used by another component of the same owner
  // (compared without case); otherwise EComponentError.
  virtual void SetName(const std::string& name);
  int64_t GetTag() const { return FTag; }
  void SetTag(int64_t tag) { FTag = tag; }

  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const;
  // The owned component with that name (compared without case), or nullptr.
  TComponent* FindComponent(const std::string& name) const;

  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  // Asks to be told (through Notification with opRemove) when `component` is destroyed.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  bool IsDestroying() const { return FDestroying; }

protected:
  // Called when a component is inserted into or removed from this one, and when a component this
  // one asked to be notified about is destroyed.
  virtual void Notification(TComponent* component, TOperation operation);
  // Destroys the owned components now, newest first.  A class whose owned components refer back
  // to its own members calls this at the start of its destructor, while those members still
  // exist.
  void DestroyComponents();

private:
  TComponent* FOwner = nullptr;
  std::string FName;
  int64_t FTag = 0;
  bool FDestroying = false;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
};
