#include "server/Facet.Server.LoginThrottle.h"

#include <algorithm>

bool TFacetLoginThrottle::Open(const TCounts& ACounts, const std::string& AKey,
                               TClock::time_point ANow) {
  const auto found = ACounts.find(AKey.substr(0, MaxKeyBytes));
  return found == ACounts.end() || ANow >= found->second.NotBefore;
}

bool TFacetLoginThrottle::Allowed(const std::string& AAddress, const std::string& AUser,
                                  TClock::time_point ANow) {
  std::lock_guard guard(FLock);
  return Open(FByAddress, AAddress, ANow) && Open(FByUser, AUser, ANow);
}

void TFacetLoginThrottle::Count(TCounts& ACounts, const std::string& AKey,
                                TClock::time_point ANow) {
  // Names are the browser's to choose: a key is at most a few hundred bytes, and the table stops
  // taking new keys when full (the per-address count still holds then).
  const std::string key = AKey.substr(0, MaxKeyBytes);
  if (ACounts.size() >= MaxKeys && ACounts.count(key) == 0)
    return;
  TCount& count = ACounts[key];
  ++count.Failures;
  if (count.Failures >= FPolicy.LockOutFailures) {
    count.NotBefore = ANow + FPolicy.LockOut;
    return;
  }
  const int delayed = count.Failures - FPolicy.FreeFailures;
  if (delayed <= 0)
    return;
  auto delay = FPolicy.FirstDelay;
  for (int i = 1; i < delayed && delay < FPolicy.MaxDelay; ++i)
    delay *= 2;
  count.NotBefore = ANow + std::min(delay, FPolicy.MaxDelay);
}

void TFacetLoginThrottle::Failed(const std::string& AAddress, const std::string& AUser,
                                 TClock::time_point ANow) {
  std::lock_guard guard(FLock);
  Tidy(ANow);
  Count(FByAddress, AAddress, ANow);
  Count(FByUser, AUser, ANow);
}

void TFacetLoginThrottle::Succeeded(const std::string& AAddress, const std::string& AUser) {
  std::lock_guard guard(FLock);
  FByAddress.erase(AAddress.substr(0, MaxKeyBytes));
  FByUser.erase(AUser.substr(0, MaxKeyBytes));
}

void TFacetLoginThrottle::Tidy(TClock::time_point ANow) {
  if (ANow - FTidied < FPolicy.LockOut)
    return;
  FTidied = ANow;
  for (TCounts* counts : {&FByAddress, &FByUser})
    std::erase_if(*counts, [&](const auto& AEntry) {
      return ANow - AEntry.second.NotBefore > FPolicy.LockOut;
    });
}
