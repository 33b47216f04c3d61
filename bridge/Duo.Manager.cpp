#include "bridge/Duo.Manager.h"

#include "bridge/Duo.UIObj.h"

#include <atomic>

namespace {

std::atomic<TDuoManager*> ProcessManager = nullptr;

} // namespace

TDuoManager::TDuoManager() : FSupportedUIClasses(SupportedUIObjClasses()) {
  ProcessManager = this;
}

TDuoManager::~TDuoManager() {
  TDuoManager* self = this;
  ProcessManager.compare_exchange_strong(self, nullptr);
}

TDuoManager* DuoManager() {
  return ProcessManager;
}
