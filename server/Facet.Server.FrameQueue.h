#pragma once

// The output of one socket: the bytes waiting to be written, in order, within the socket's own
// budget and a budget shared by every socket of the server.
//
// Two kinds of callers write through it.  The socket's strand queues answers and frames and runs
// the one writer; any other thread may push a frame, which is written at once, under the lock,
// when the socket takes it and nothing else is being written.  Invariants, all under one lock:
// - only the writer (from `Queue` or `Push` returning StartWriter until `Next` says Idle or
//   Finish) takes bytes off the front, so the front stays put while a write of it is in flight;
//   pushes add at the back meanwhile;
// - the bytes counted for this socket and in the shared total are exactly the bytes queued;
// - once closed, nothing is queued and the send function is never called again: the socket's
//   descriptor number may belong to another connection by then;
// - after a last frame (a WebSocket close) nothing more is queued.

#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

class TFacetFrameQueue {
public:
  // Sends what the socket takes of the bytes without waiting: the count taken (0 when it takes
  // nothing now), nothing when the socket failed.  Called under the queue's lock, never once the
  // queue is closed.
  using TSend = std::function<std::optional<std::size_t>(std::string_view)>;

  TFacetFrameQueue(std::atomic<std::size_t>& ATotal, std::size_t ASocketLimit,
                   std::size_t ATotalLimit, TSend ASend);
  // What is still queued leaves the shared total.
  ~TFacetFrameQueue();
  TFacetFrameQueue(const TFacetFrameQueue&) = delete;
  TFacetFrameQueue& operator=(const TFacetFrameQueue&) = delete;

  enum class TQueued {
    // Queued behind the writer at work, or dropped because the queue is closed or closing.
    Queued,
    // Queued, and the caller must start the writer (`Next`) on the strand.
    StartWriter,
    // Over a budget: nothing was queued and the caller must close the socket.
    Overflow,
  };
  // From the strand: queues bytes; after `ALast` nothing more is taken.
  TQueued Queue(std::string ABytes, bool ALast = false);

  enum class TPushed {
    // Pushes are not taken directly (not enabled): the caller goes through the strand.
    ViaStrand,
    // Written, queued behind the writer at work, or dropped on a closed queue.
    Done,
    // Queued; the caller must start the writer on the strand.
    StartWriter,
    // The socket failed or the push is over a budget: the caller must close the socket.
    Failed,
  };
  // From any thread: writes the frame at once when possible, else queues it.  The frame is taken
  // unless the answer is ViaStrand.
  TPushed Push(std::string& AFrame);
  // From the strand: pushes may be written by the threads that make them from now on.
  void EnableDirectPushes();

  struct TStep {
    enum TWhat {
      // The queue was closed meanwhile: nothing to do.
      Stopped,
      // The socket failed: close it.
      Failed,
      // Everything is written; the writer stops.
      Idle,
      // Everything is written, the last of it a last frame: close the socket.
      Finish,
      // `Front` must be written with a completion, then `Written`, then `Next` again.
      Wait,
    } What;
    // The front bytes, stable until `Written` is called.
    std::string_view Front;
  };
  // The writer's step: writes what the socket takes at once and says what is left to do.
  TStep Next();
  // The writer's completion of a Wait: the front is off the queue.  False when the queue was
  // closed meanwhile.
  bool Written();

  // Nothing more is queued or sent; what was queued leaves the budgets (the bytes stay until the
  // queue goes: a write in flight may still refer to the front).  False when already closed.
  bool Close();
  bool Closed() const;
  // A last frame was queued, or the queue is closed.
  bool Ending() const;
  std::size_t QueuedBytes() const;

private:
  // Adds bytes within the budgets; false when over either.  Lock held.
  bool Enqueue(std::string ABytes);
  // Takes `ACount` bytes off the counts.  Lock held.
  void Release(std::size_t ACount);
  // Sends from the front while the socket takes the bytes at once; false when it failed.  Lock
  // held, queue open.
  bool WriteAtOnce();

  mutable std::mutex FLock;
  std::atomic<std::size_t>& FTotal;
  const std::size_t FSocketLimit;
  const std::size_t FTotalLimit;
  const TSend FSend;
  std::deque<std::string> FBytes;
  std::size_t FQueued = 0;
  bool FWriting = false;
  bool FLast = false;
  bool FClosed = false;
  bool FDirect = false;
};
