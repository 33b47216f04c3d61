#pragma once

// A session's WebSockets: the established main sockets, oldest first, how many of the session's
// sockets are open, and since when none is.  Their own lock; taken by the I/O threads that open
// and close sockets, by form code that pushes, and by the sweep.

#include "server/Facet.Server.Connection.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

class TFacetSessionSockets {
public:
  using TClock = std::chrono::steady_clock;

  void Add(const std::shared_ptr<TFacetWebSocketConnection>& AConnection);
  void Remove(const TFacetWebSocketConnection* AConnection);
  // The socket the page opened last.  An older one still in the list belongs to a connection the
  // browser gave up (a network cut sends nothing, so the server may never see it end) and
  // whatever is written to it is lost.
  std::shared_ptr<TFacetWebSocketConnection> Newest() const;
  std::vector<std::shared_ptr<TFacetWebSocketConnection>> All() const;

  // Counts every socket of the session (main and response) as it opens and closes.
  void Opened() { ++FOpened; }
  void Closed();
  int OpenedCount() const { return FOpened; }
  // When the session last had no open socket (its creation when it never had one).
  TClock::time_point IdleSince() const;

private:
  mutable std::mutex FLock;
  std::vector<std::weak_ptr<TFacetWebSocketConnection>> FConnections;
  std::atomic<int> FOpened = 0;
  TClock::time_point FIdleSince = TClock::now();
};
