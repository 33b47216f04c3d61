#include "server/Facet.Server.LoginThrottle.h"

#include <algorithm>

bool TFacetLoginThrottle::Open(const TCounts& ACounts, const std::string& AKey,
                               TClock::time_point ANow) {
  const auto found = ACounts.find(AKey);
  return found == ACounts.end() || ANow >= found->second.NotBefore;
}

bool TFacetLoginThrottle::Allowed(const std::string& AAddress, const std::string& AUser,
                                  TClock::time_point ANow) {
  std::lock_guard guard(FLock);
  return Open(FByAddress, AAddress, ANow) && Open(FByUser, AUser, ANow);
}

void TFacetLoginThrottle::Count(TCounts& ACounts, const std::string& AKey,
                                TClock::time_point ANow) {
  TCount& count = ACounts[AKey];
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
  FByAddress.erase(AAddress);
  FByUser.erase(AUser);
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
