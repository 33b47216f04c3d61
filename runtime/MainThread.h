#pragma once

// The main thread and its queue of procedures handed over by other threads.  The main thread is
// the thread that initialised the program's static state (the one that runs main()), unless a
// thread has claimed it with SetMainThread().  Its loop calls CheckSynchronize(), which waits on
// the queue without polling and runs what other threads handed over.

#include <chrono>
#include <functional>
#include <thread>

using TThreadProcedure = std::function<void()>;

std::thread::id MainThreadID();
bool IsMainThread();
// Makes the calling thread the main thread.
void SetMainThread();

class TThread {
public:
  // Runs proc on the main thread and waits until it has run.  On the main thread proc runs at
  // once.  An exception thrown by proc is raised again in the caller (not on the main thread).
  static void Synchronize(const TThreadProcedure& proc);
  // Hands proc to the main thread without waiting; it runs on a later CheckSynchronize(), also
  // when queued from the main thread itself.  An exception thrown by proc leaves that
  // CheckSynchronize() call.
  static void Queue(TThreadProcedure proc);
};

// Where a thread that runs one session's form code sends what it hands to "the main thread": the
// session's own queue, so that a session never waits on the process's main loop or on another
// session.  Synchronize() from such a thread runs the procedure at once (the thread already runs
// the session's form code alone); Queue() hands it to the session's queue.
class IThreadQueue {
public:
  virtual ~IThreadQueue() = default;
  virtual void Queue(TThreadProcedure proc) = 0;
};

// Makes a queue the calling thread's for the scope's lifetime.
class TThreadQueueScope {
public:
  explicit TThreadQueueScope(IThreadQueue& queue);
  ~TThreadQueueScope();
  TThreadQueueScope(const TThreadQueueScope&) = delete;
  TThreadQueueScope& operator=(const TThreadQueueScope&) = delete;

private:
  IThreadQueue* FPrevious;
};

// Used as a CheckSynchronize() timeout: wait until there is work or WakeMainThread() is called.
inline constexpr std::chrono::milliseconds WaitWithoutTimeout = std::chrono::milliseconds::max();

// Called by the main thread's loop: when nothing is pending, waits up to timeout for a procedure
// (or a WakeMainThread() call), then runs the procedures that are pending, in the order they
// were handed over.  Procedures handed over while these run wait for the next call.  Returns
// whether any procedure ran.  Raises Exception when called on another thread.
bool CheckSynchronize(std::chrono::milliseconds timeout = std::chrono::milliseconds(0));
// Ends a CheckSynchronize() wait early, so that the loop can attend to work of its own.  A call
// made while the main thread is not waiting ends its next wait at once.
void WakeMainThread();
