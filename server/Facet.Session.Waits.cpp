#include "server/Facet.Session.Waits.h"

#include <mutex>

bool TFacetNamedWaits::Take(const std::string& AName) {
  std::lock_guard guard(FLock);
  return FNames.emplace(AName, TClock::now()).second;
}

void TFacetNamedWaits::Park(const std::string& AName, TFacetSessionExecutor::TResume AResume) {
  {
    std::lock_guard guard(FLock);
    if (!Over(AName)) {
      FWaiters.push_back(std::move(AResume));
      return;
    }
  }
  AResume();
}

std::optional<bool> TFacetNamedWaits::Ended(const std::string& AName) {
  std::lock_guard guard(FLock);
  if (!Over(AName))
    return std::nullopt;
  return FExpired.erase(AName) == 0 && !FClosing;
}

void TFacetNamedWaits::UnLock(const std::string& AName) {
  std::vector<TFacetSessionExecutor::TResume> waiters;
  {
    std::lock_guard guard(FLock);
    if (FNames.erase(AName) == 0)
      return;
    waiters.swap(FWaiters);
  }
  Wake(std::move(waiters));
}

void TFacetNamedWaits::UnLockAll() {
  std::vector<TFacetSessionExecutor::TResume> waiters;
  {
    std::lock_guard guard(FLock);
    FNames.clear();
    waiters.swap(FWaiters);
  }
  Wake(std::move(waiters));
}

void TFacetNamedWaits::Expire(TClock::time_point ADeadline) {
  std::vector<TFacetSessionExecutor::TResume> waiters;
  {
    std::lock_guard guard(FLock);
    const std::size_t before = FNames.size();
    std::erase_if(FNames, [&](const auto& AWait) {
      if (AWait.second >= ADeadline)
        return false;
      FExpired.insert(AWait.first);
      return true;
    });
    if (FNames.size() == before)
      return;
    waiters.swap(FWaiters);
  }
  Wake(std::move(waiters));
}

bool TFacetNamedWaits::Over(const std::string& AName) const {
  return FClosing || FNames.count(AName) == 0;
}

void TFacetNamedWaits::Wake(std::vector<TFacetSessionExecutor::TResume> AWaiters) {
  // Any unlock wakes every wait; one whose name is still locked parks again.
  for (const auto& resume : AWaiters)
    resume();
}
