#include "runtime/MainThread.h"

#include "runtime/Exceptions.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>

namespace {

// Completion of one Synchronize() call, guarded by the queue's lock.
struct TSynchronizeState {
  bool Done = false;
  std::exception_ptr Error;
};

struct TPendingProcedure {
  TThreadProcedure Proc;
  std::shared_ptr<TSynchronizeState> Waiter; // empty for Queue()
};

struct TMainQueue {
  std::mutex Lock;
  std::condition_variable WorkArrived; // the main thread waits on it
  std::condition_variable WorkDone;    // Synchronize() callers wait on it
  std::deque<TPendingProcedure> Pending;
  bool WakeRequested = false;
};

TMainQueue& MainQueue() {
  static TMainQueue queue;
  return queue;
}

// Static initialisation runs on the thread that starts the program.
std::atomic<std::thread::id> GMainThreadID{std::this_thread::get_id()};

void RunSynchronized(TMainQueue& queue, TPendingProcedure& item) {
  std::exception_ptr error;
  try {
    item.Proc();
  } catch (...) {
    error = std::current_exception();
  }
  {
    std::lock_guard<std::mutex> guard(queue.Lock);
    item.Waiter->Error = error;
    item.Waiter->Done = true;
  }
  queue.WorkDone.notify_all();
}

thread_local IThreadQueue* CurrentThreadQueue = nullptr;

} // namespace

TThreadQueueScope::TThreadQueueScope(IThreadQueue& queue) : FPrevious(CurrentThreadQueue) {
  CurrentThreadQueue = &queue;
}

TThreadQueueScope::~TThreadQueueScope() {
  CurrentThreadQueue = FPrevious;
}

std::thread::id MainThreadID() {
  return GMainThreadID.load();
}

bool IsMainThread() {
  return std::this_thread::get_id() == GMainThreadID.load();
}

void SetMainThread() {
  GMainThreadID.store(std::this_thread::get_id());
}

void TThread::Synchronize(const TThreadProcedure& proc) {
  if (!proc)
    return;
  if (IsMainThread() || CurrentThreadQueue != nullptr) {
    proc();
    return;
  }
  TMainQueue& queue = MainQueue();
  auto waiter = std::make_shared<TSynchronizeState>();
  std::unique_lock<std::mutex> lock(queue.Lock);
  queue.Pending.push_back({proc, waiter});
  queue.WorkArrived.notify_all();
  queue.WorkDone.wait(lock, [&] { return waiter->Done; });
  lock.unlock();
  if (waiter->Error)
    std::rethrow_exception(waiter->Error);
}

void TThread::Queue(TThreadProcedure proc) {
  if (!proc)
    return;
  if (CurrentThreadQueue != nullptr) {
    CurrentThreadQueue->Queue(std::move(proc));
    return;
  }
  TMainQueue& queue = MainQueue();
  {
    std::lock_guard<std::mutex> guard(queue.Lock);
    queue.Pending.push_back({std::move(proc), nullptr});
  }
  queue.WorkArrived.notify_all();
}

bool CheckSynchronize(std::chrono::milliseconds timeout) {
  if (!IsMainThread())
    throw Exception("CheckSynchronize was called on a thread that is not the main thread");
  TMainQueue& queue = MainQueue();
  std::deque<TPendingProcedure> batch;
  {
    std::unique_lock<std::mutex> lock(queue.Lock);
    const auto ready = [&] { return !queue.Pending.empty() || queue.WakeRequested; };
    if (timeout == WaitWithoutTimeout)
      queue.WorkArrived.wait(lock, ready);
    else if (timeout.count() > 0)
      queue.WorkArrived.wait_for(lock, timeout, ready);
    queue.WakeRequested = false;
    batch.swap(queue.Pending);
  }

  const bool ran = !batch.empty();
  while (!batch.empty()) {
    TPendingProcedure item = std::move(batch.front());
    batch.pop_front();
    if (item.Waiter) {
      RunSynchronized(queue, item);
      continue;
    }
    try {
      item.Proc();
    } catch (...) {
      // What was not run yet stays first in line for the next call.
      std::lock_guard<std::mutex> guard(queue.Lock);
      queue.Pending.insert(queue.Pending.begin(), std::make_move_iterator(batch.begin()),
                           std::make_move_iterator(batch.end()));
      throw;
    }
  }
  return ran;
}

void WakeMainThread() {
  TMainQueue& queue = MainQueue();
  {
    std::lock_guard<std::mutex> guard(queue.Lock);
    queue.WakeRequested = true;
  }
  queue.WorkArrived.notify_all();
}
