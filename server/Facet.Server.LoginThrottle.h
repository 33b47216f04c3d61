#pragma once

// Slows down the guessing of passwords.  Failed logins are counted per client address and per user
// name; after a few, each further attempt for that address or name must wait a delay that doubles
// with every failure, and past a limit the name or address is locked out for a while.  An attempt
// made too early is refused without looking at the password.  A success clears the counts of its
// address and name.  Thread-safe.

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>

class TFacetLoginThrottle {
public:
  using TClock = std::chrono::steady_clock;

  struct TPolicy {
    int FreeFailures = 3;                       // failures before any delay
    std::chrono::milliseconds FirstDelay{1000}; // the delay after them, doubled each time
    std::chrono::milliseconds MaxDelay{60000};
    int LockOutFailures = 10; // failures that lock out
    std::chrono::milliseconds LockOut{15 * 60 * 1000};
  };

  TFacetLoginThrottle() = default;
  explicit TFacetLoginThrottle(TPolicy APolicy) : FPolicy(APolicy) {}

  // Whether an attempt for this address and user name may be checked now.
  bool Allowed(const std::string& AAddress, const std::string& AUser, TClock::time_point ANow);
  void Failed(const std::string& AAddress, const std::string& AUser, TClock::time_point ANow);
  void Succeeded(const std::string& AAddress, const std::string& AUser);

private:
  struct TCount {
    int Failures = 0;
    TClock::time_point NotBefore;
  };
  using TCounts = std::map<std::string, TCount>;
  static constexpr std::size_t MaxKeyBytes = 256;
  static constexpr std::size_t MaxKeys = 100000;
  void Count(TCounts& ACounts, const std::string& AKey, TClock::time_point ANow);
  static bool Open(const TCounts& ACounts, const std::string& AKey, TClock::time_point ANow);
  // Forgets counts whose wait ended long ago, so the maps do not grow without end.
  void Tidy(TClock::time_point ANow);

  const TPolicy FPolicy;
  std::mutex FLock;
  TCounts FByAddress;
  TCounts FByUser;
  TClock::time_point FTidied;
};
