#pragma once

// A session's named waits: form code waits until its name is unlocked (a dialog answered, a
// procedure's result come back), parked on the session's executor, never holding a thread.  The
// names, the parked waits and the waits that outlived their limit have their own lock, taken
// from form code, the I/O threads that deliver answers and the sweep.

#include "server/Facet.Session.Executor.h"

#include <atomic>
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

class TFacetNamedWaits {
public:
  using TClock = std::chrono::steady_clock;

  // `AClosing` is the session's end: no wait starts and every wait ends once it is set (the
  // session then unlocks all).
  explicit TFacetNamedWaits(const std::atomic<bool>& AClosing) : FClosing(AClosing) {}

  // Locks the name for a wait beginning now: false when it was locked already.
  bool Take(const std::string& AName);
  // Where a parked wait for the name goes: resumed at once when the wait is over, else kept
  // until the next unlock.
  void Park(const std::string& AName, TFacetSessionExecutor::TResume AResume);
  // After a wake: nothing while the name is still locked; else whether the wait ended with its
  // unlock (false when the session closed or the wait outlived its limit).
  std::optional<bool> Ended(const std::string& AName);
  void UnLock(const std::string& AName);
  void UnLockAll();
  // Ends the waits that began before `ADeadline`.
  void Expire(TClock::time_point ADeadline);

private:
  bool Over(const std::string& AName) const;
  // Resumes the parked waits taken out of the list.
  static void Wake(std::vector<TFacetSessionExecutor::TResume> AWaiters);

  const std::atomic<bool>& FClosing;
  std::mutex FLock;
  // Names waited for, with when each wait began.
  std::map<std::string, TClock::time_point> FNames;
  // Names whose wait outlived the limit, until their waits have seen it.
  std::set<std::string> FExpired;
  // Parked waits to resume when a name is unlocked.
  std::vector<TFacetSessionExecutor::TResume> FWaiters;
};
