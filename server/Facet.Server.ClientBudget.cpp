#include "server/Facet.Server.ClientBudget.h"

#include "runtime/StrUtils.h"

#include <algorithm>

double TFacetClientBudgets::Refilled(const TEntry& AEntry, TClock::time_point ANow) const {
  const double minutes = std::chrono::duration<double>(ANow - AEntry.Filled).count() / 60.0;
  return std::min<double>(FLimits.NewSessionsPerAddressBurst,
                          AEntry.Allowance + minutes * FLimits.NewSessionsPerAddressPerMinute);
}

void TFacetClientBudgets::Tidy(std::map<std::string, TEntry>::iterator AEntry,
                               TClock::time_point ANow) {
  const TEntry& entry = AEntry->second;
  if (entry.Connections == 0 && entry.Anonymous == 0 &&
      Refilled(entry, ANow) >= FLimits.NewSessionsPerAddressBurst)
    FEntries.erase(AEntry);
}

std::map<std::string, TFacetClientBudgets::TEntry>::iterator
TFacetClientBudgets::EntryOf(const std::string& AAddress, TClock::time_point ANow) {
  auto [entry, added] = FEntries.try_emplace(AAddress);
  if (added) {
    entry->second.Allowance = FLimits.NewSessionsPerAddressBurst;
    entry->second.Filled = ANow;
  }
  return entry;
}

void TFacetClientBudgets::Give(const std::string& AAddress, int TEntry::*ACount) {
  std::lock_guard guard(FLock);
  const auto entry = FEntries.find(AAddress);
  if (entry == FEntries.end())
    return;
  if (entry->second.*ACount > 0)
    --(entry->second.*ACount);
  Tidy(entry, TClock::now());
}

bool TFacetClientBudgets::TakeConnection(const std::string& AAddress) {
  std::lock_guard guard(FLock);
  TEntry& budget = EntryOf(AAddress, TClock::now())->second;
  if (budget.Connections >= FLimits.MaxConnectionsPerAddress)
    return false;
  ++budget.Connections;
  return true;
}

void TFacetClientBudgets::GiveConnection(const std::string& AAddress) {
  Give(AAddress, &TEntry::Connections);
}

TFacetClientBudgets::TGrant TFacetClientBudgets::TakeAnonymousSession(const std::string& AAddress,
                                                                      TClock::time_point ANow) {
  std::lock_guard guard(FLock);
  const auto entry = EntryOf(AAddress, ANow);
  TEntry& budget = entry->second;
  budget.Allowance = Refilled(budget, ANow);
  budget.Filled = ANow;
  const TGrant grant = budget.Allowance < 1 ? TGrant::TooFast
                       : budget.Anonymous >= FLimits.MaxAnonymousSessionsPerAddress
                           ? TGrant::ShareFull
                           : TGrant::Granted;
  if (grant != TGrant::Granted) {
    Tidy(entry, ANow);
    return grant;
  }
  budget.Allowance -= 1;
  ++budget.Anonymous;
  return grant;
}

void TFacetClientBudgets::GiveAnonymousSession(const std::string& AAddress) {
  Give(AAddress, &TEntry::Anonymous);
}

int TFacetClientBudgets::Connections(const std::string& AAddress) const {
  std::lock_guard guard(FLock);
  const auto entry = FEntries.find(AAddress);
  return entry != FEntries.end() ? entry->second.Connections : 0;
}

bool TrustedProxy(const std::string& AAddress, const TFacetServerLimits& ALimits) {
  return std::find(ALimits.TrustedProxies.begin(), ALimits.TrustedProxies.end(), AAddress) !=
         ALimits.TrustedProxies.end();
}

std::string ClientAddress(const std::string& APeer, const std::string& AForwardedFor,
                          const TFacetServerLimits& ALimits) {
  if (AForwardedFor.empty() || !TrustedProxy(APeer, ALimits))
    return APeer;
  // The proxy appends the address it saw; what comes before it the client may have written.
  const std::size_t comma = AForwardedFor.find_last_of(',');
  const std::string last =
      Trim(comma == std::string::npos ? AForwardedFor : AForwardedFor.substr(comma + 1));
  return last.empty() ? APeer : last;
}

void TFacetClientBudgets::SetLimits(const TFacetServerLimits& ALimits) {
  std::lock_guard guard(FLock);
  FLimits = ALimits;
}
