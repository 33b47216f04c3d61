#pragma once

// What each client address holds of the server: its open connections, its anonymous sessions
// (not yet marked established by the application) and its allowance of new sessions, a bucket
// that fills at a steady rate up to a burst.  One address over its budget is refused alone.
// Thread-safe; the I/O threads and the session registry share one.

#include "server/Facet.Server.Options.h"

#include <chrono>
#include <map>
#include <mutex>
#include <string>

class TFacetClientBudgets {
public:
  using TClock = std::chrono::steady_clock;

  // The limits in force from now on (the server's own, copied when it starts).
  void SetLimits(const TFacetServerLimits& ALimits);

  // A connection from the address; false (nothing counted) when the address holds its share.
  bool TakeConnection(const std::string& AAddress);
  void GiveConnection(const std::string& AAddress);
  enum class TGrant { Granted, ShareFull, TooFast };
  // A new anonymous session for the address: within its share of anonymous sessions and its
  // allowance of new ones.  Only Granted counts it.
  TGrant TakeAnonymousSession(const std::string& AAddress, TClock::time_point ANow);
  // An anonymous session of the address became established or ended.
  void GiveAnonymousSession(const std::string& AAddress);
  int Connections(const std::string& AAddress) const;

private:
  struct TEntry {
    int Connections = 0;
    int Anonymous = 0;
    double Allowance = 0;
    TClock::time_point Filled;
  };
  // The address's entry, made with its whole allowance when it had none.  Called with FLock held.
  std::map<std::string, TEntry>::iterator EntryOf(const std::string& AAddress,
                                                  TClock::time_point ANow);
  // Gives back one of the address's connections or anonymous sessions.
  void Give(const std::string& AAddress, int TEntry::*ACount);
  // Drops an entry that holds nothing and has its whole allowance back.  Called with FLock held.
  void Tidy(std::map<std::string, TEntry>::iterator AEntry, TClock::time_point ANow);
  double Refilled(const TEntry& AEntry, TClock::time_point ANow) const;

  mutable std::mutex FLock;
  TFacetServerLimits FLimits;
  std::map<std::string, TEntry> FEntries;
};

// Whether the address is one of the limits' trusted reverse proxies.
bool TrustedProxy(const std::string& AAddress, const TFacetServerLimits& ALimits);

// The address a request is counted against: the last address of X-Forwarded-For when the
// connection comes from a trusted proxy and the header is there, else the connection's peer.
std::string ClientAddress(const std::string& APeer, const std::string& AForwardedFor,
                          const TFacetServerLimits& ALimits);
