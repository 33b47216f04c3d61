#include "server/Facet.Server.FrameQueue.h"

#include <utility>

TFacetFrameQueue::TFacetFrameQueue(std::atomic<std::size_t>& ATotal, std::size_t ASocketLimit,
                                   std::size_t ATotalLimit, TSend ASend)
    : FTotal(ATotal), FSocketLimit(ASocketLimit), FTotalLimit(ATotalLimit),
      FSend(std::move(ASend)) {}

TFacetFrameQueue::~TFacetFrameQueue() {
  if (!FClosed)
    FTotal -= FQueued;
}

TFacetFrameQueue::TQueued TFacetFrameQueue::Queue(std::string ABytes, bool ALast) {
  std::lock_guard guard(FLock);
  if (FClosed || FLast)
    return TQueued::Queued;
  if (!Enqueue(std::move(ABytes)))
    return TQueued::Overflow;
  FLast = ALast;
  if (FWriting)
    return TQueued::Queued;
  FWriting = true;
  return TQueued::StartWriter;
}

TFacetFrameQueue::TPushed TFacetFrameQueue::Push(std::string& AFrame) {
  std::lock_guard guard(FLock);
  if (!FDirect)
    return TPushed::ViaStrand;
  if (FClosed || FLast)
    return TPushed::Done;
  if (!FWriting) {
    const std::optional<std::size_t> sent = FSend(AFrame);
    if (!sent)
      return TPushed::Failed;
    if (*sent == AFrame.size())
      return TPushed::Done;
    AFrame.erase(0, *sent);
  }
  if (!Enqueue(std::move(AFrame)))
    return TPushed::Failed;
  if (FWriting)
    return TPushed::Done;
  FWriting = true;
  return TPushed::StartWriter;
}

void TFacetFrameQueue::EnableDirectPushes() {
  std::lock_guard guard(FLock);
  FDirect = true;
}

TFacetFrameQueue::TStep TFacetFrameQueue::Next() {
  std::lock_guard guard(FLock);
  if (FClosed)
    return {TStep::Stopped, {}};
  if (!WriteAtOnce())
    return {TStep::Failed, {}};
  if (FBytes.empty()) {
    FWriting = false;
    return {FLast ? TStep::Finish : TStep::Idle, {}};
  }
  return {TStep::Wait, FBytes.front()};
}

bool TFacetFrameQueue::Written() {
  std::lock_guard guard(FLock);
  if (FClosed)
    return false;
  Release(FBytes.front().size());
  FBytes.pop_front();
  return true;
}

bool TFacetFrameQueue::Close() {
  std::lock_guard guard(FLock);
  if (FClosed)
    return false;
  FClosed = true;
  FTotal -= FQueued;
  FQueued = 0;
  return true;
}

bool TFacetFrameQueue::Closed() const {
  std::lock_guard guard(FLock);
  return FClosed;
}

bool TFacetFrameQueue::Ending() const {
  std::lock_guard guard(FLock);
  return FClosed || FLast;
}

std::size_t TFacetFrameQueue::QueuedBytes() const {
  std::lock_guard guard(FLock);
  return FQueued;
}

bool TFacetFrameQueue::Enqueue(std::string ABytes) {
  const std::size_t size = ABytes.size();
  const std::size_t total = FTotal += size;
  if (FQueued + size > FSocketLimit || total > FTotalLimit) {
    FTotal -= size;
    return false;
  }
  FQueued += size;
  FBytes.push_back(std::move(ABytes));
  return true;
}

void TFacetFrameQueue::Release(std::size_t ACount) {
  FQueued -= ACount;
  FTotal -= ACount;
}

bool TFacetFrameQueue::WriteAtOnce() {
  while (!FBytes.empty()) {
    std::string& front = FBytes.front();
    const std::optional<std::size_t> written = FSend(front);
    if (!written)
      return false;
    Release(*written);
    if (*written < front.size()) {
      front.erase(0, *written);
      return true;
    }
    FBytes.pop_front();
  }
  return true;
}
