#include "server/Facet.Session.Sockets.h"

void TFacetSessionSockets::Add(const std::shared_ptr<TFacetWebSocketConnection>& AConnection) {
  std::lock_guard guard(FLock);
  std::erase_if(FConnections, [](const auto& c) { return c.expired(); });
  FConnections.push_back(AConnection);
}

void TFacetSessionSockets::Remove(const TFacetWebSocketConnection* AConnection) {
  std::lock_guard guard(FLock);
  std::erase_if(FConnections, [AConnection](const auto& c) {
    const auto alive = c.lock();
    return !alive || alive.get() == AConnection;
  });
}

std::shared_ptr<TFacetWebSocketConnection> TFacetSessionSockets::Newest() const {
  std::lock_guard guard(FLock);
  for (auto c = FConnections.rbegin(); c != FConnections.rend(); ++c)
    if (auto alive = c->lock())
      return alive;
  return nullptr;
}

std::vector<std::shared_ptr<TFacetWebSocketConnection>> TFacetSessionSockets::All() const {
  std::lock_guard guard(FLock);
  std::vector<std::shared_ptr<TFacetWebSocketConnection>> result;
  for (const auto& c : FConnections)
    if (auto alive = c.lock())
      result.push_back(std::move(alive));
  return result;
}

void TFacetSessionSockets::Closed() {
  int count = FOpened.load();
  while (count > 0 && !FOpened.compare_exchange_weak(count, count - 1)) {
  }
  if (count == 1) {
    std::lock_guard guard(FLock);
    FIdleSince = TClock::now();
  }
}

TFacetSessionSockets::TClock::time_point TFacetSessionSockets::IdleSince() const {
  std::lock_guard guard(FLock);
  return FIdleSince;
}
