#pragma once

// A global the application names (its data module, its forms): one value for the whole program
// on the desktop, and one per browser session on the web, where it is found through the session
// whose form code the calling thread runs.  So "if the global is empty, create it" never hands
// one user's form or data to another.

#include "server/Facet.Session.h"

template <class T> class TSessionGlobal {
public:
  T* Get() const {
    if (TFacetSession* session = TFacetSession::Current())
      return static_cast<T*>(session->Slot(this));
    return FProcess;
  }
  void Set(T* Value) {
    if (TFacetSession* session = TFacetSession::Current())
      session->Slot(this) = Value;
    else
      FProcess = Value;
  }
  operator T*() const { return Get(); }
  T* operator->() const { return Get(); }
  TSessionGlobal& operator=(T* Value) {
    Set(Value);
    return *this;
  }

private:
  T* FProcess = nullptr;
};
