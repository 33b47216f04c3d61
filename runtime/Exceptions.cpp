#include "runtime/Exceptions.h"

#include <iostream>
#include <mutex>

namespace {

std::mutex& HookLock() {
  static std::mutex lock;
  return lock;
}

TErrorHook& Hook() {
  static TErrorHook hook;
  return hook;
}

} // namespace

void Abort() {
  throw EAbort();
}

void SetDefaultErrorHook(TErrorHook hook) {
  std::lock_guard guard(HookLock());
  Hook() = std::move(hook);
}

void HandleDefaultError(const std::exception& error) {
  if (dynamic_cast<const EAbort*>(&error) != nullptr)
    return;
  TErrorHook hook;
  {
    std::lock_guard guard(HookLock());
    hook = Hook();
  }
  if (hook)
    hook(error);
  else
    std::cerr << error.what() << '\n';
}

void RunHandlingErrors(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    HandleDefaultError(error);
  }
}
