#include "server/Facet.Session.Executor.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

struct TFacetSessionExecutor::TState : std::enable_shared_from_this<TState> {
  explicit TState(int AMaxWorkers) : MaxWorkers(AMaxWorkers < 1 ? 1 : AMaxWorkers) {}

  std::mutex Lock;
  std::condition_variable Changed;
  std::deque<TPiece> Queue;
  TPiece Final;
  std::function<void()> AfterFinal;
  bool Finishing = false;
  bool Stopped = false;
  // The form lock: a piece is running with it.
  bool FormLocked = false;
  // One worker takes the queued pieces; a piece that waits gives that role up.
  bool Pumping = false;
  // Pieces waiting with the form lock released, and those among them that want it back.
  int Waiting = 0;
  int Resuming = 0;
  int Workers = 0;
  const int MaxWorkers;

  // Called with Lock held.
  bool HasWork() const { return !Queue.empty() || (Final && Waiting == 0); }
  void StartPump();
  void Pump();
};

namespace {

// The executor whose piece the calling thread runs, and whether it is the one taking the queue.
thread_local TFacetSessionExecutor::TState* CurrentExecutor = nullptr;
thread_local bool PumpRole = false;

// The threads every session's workers run on.  Starting a thread costs far more than the piece of
// form code an event usually is, and a session's events come seconds apart, so a worker that ends
// keeps its thread waiting for the next session that needs one.  A job never waits for a thread:
// when none is free, a new one starts, so a piece that blocks (a modal form waiting for the
// browser) never holds up another session.  Threads beyond `KeptIdle` free ones end.
class TWorkerThreads {
public:
  static TWorkerThreads& Instance() {
    // Never destroyed: free threads wait on it until the process ends.
    static TWorkerThreads* const threads = new TWorkerThreads;
    return *threads;
  }

  // Runs `AJob` on a free thread or a new one; throws when no thread can be started.
  void Run(std::function<void()> AJob) {
    {
      std::lock_guard guard(FLock);
      // Every job handed over and not yet taken has a free thread of its own on the way.
      if (FJobs.size() < FFree) {
        FJobs.push_back(std::move(AJob));
        FJobAdded.notify_one();
        return;
      }
    }
    std::thread([this, job = std::move(AJob)]() mutable { Serve(std::move(job)); }).detach();
  }

private:
  static constexpr std::size_t KeptIdle = 64;

  void Serve(std::function<void()> AJob) {
    for (;;) {
      AJob();
      AJob = nullptr;
      std::unique_lock guard(FLock);
      if (FFree >= KeptIdle)
        return;
      ++FFree;
      FJobAdded.wait(guard, [this] { return !FJobs.empty(); });
      --FFree;
      AJob = std::move(FJobs.front());
      FJobs.pop_front();
    }
  }

  std::mutex FLock;
  std::condition_variable FJobAdded;
  std::deque<std::function<void()>> FJobs;
  std::size_t FFree = 0;
};

} // namespace

void TFacetSessionExecutor::TState::StartPump() {
  if (Pumping || Workers >= MaxWorkers || !HasWork())
    return;
  Pumping = true;
  ++Workers;
  try {
    TWorkerThreads::Instance().Run([self = shared_from_this()] { self->Pump(); });
  } catch (...) {
    // No thread to be had now: the queue waits for the next piece that ends or arrives.
    Pumping = false;
    --Workers;
  }
}

void TFacetSessionExecutor::TState::Pump() {
  CurrentExecutor = this;
  PumpRole = true;
  std::unique_lock guard(Lock);
  for (;;) {
    Changed.wait(guard, [this] { return !FormLocked && Resuming == 0; });
    TPiece piece;
    std::function<void()> after;
    if (!Queue.empty()) {
      piece = std::move(Queue.front());
      Queue.pop_front();
    } else if (Final && Waiting == 0) {
      piece = std::exchange(Final, nullptr);
      after = std::exchange(AfterFinal, nullptr);
      Stopped = true;
    } else {
      Pumping = false;
      break;
    }
    FormLocked = true;
    guard.unlock();
    try {
      piece();
    } catch (...) {
      // The piece's own error handling had its chance; the session goes on.
    }
    piece = nullptr;
    if (after)
      after();
    guard.lock();
    FormLocked = false;
    Changed.notify_all();
    if (!PumpRole) {
      // This piece waited and another worker took the queue meanwhile: this thread takes it
      // back only when nobody has it.
      if (Pumping || !HasWork())
        break;
      Pumping = true;
      PumpRole = true;
    }
  }
  --Workers;
  Changed.notify_all();
  CurrentExecutor = nullptr;
  PumpRole = false;
}

TFacetSessionExecutor::TFacetSessionExecutor(int AMaxWorkers)
    : FState(std::make_shared<TState>(AMaxWorkers)) {}

TFacetSessionExecutor::~TFacetSessionExecutor() {
  std::deque<TPiece> dropped;
  {
    std::lock_guard guard(FState->Lock);
    FState->Stopped = true;
    dropped.swap(FState->Queue);
  }
}

bool TFacetSessionExecutor::Post(TPiece APiece) {
  std::lock_guard guard(FState->Lock);
  if (FState->Stopped || FState->Finishing)
    return false;
  FState->Queue.push_back(std::move(APiece));
  if (FState->Pumping)
    FState->Changed.notify_all();
  else
    FState->StartPump();
  return true;
}

void TFacetSessionExecutor::Finish(TPiece AFinal, std::function<void()> AAfter) {
  std::lock_guard guard(FState->Lock);
  if (FState->Stopped || FState->Finishing)
    return;
  FState->Finishing = true;
  FState->Final = std::move(AFinal);
  FState->AfterFinal = std::move(AAfter);
  if (FState->Pumping)
    FState->Changed.notify_all();
  else
    FState->StartPump();
}

bool TFacetSessionExecutor::InPiece() const {
  return CurrentExecutor == FState.get();
}

void TFacetSessionExecutor::WaitReleased(const std::function<void()>& AWait) {
  TState& state = *FState;
  {
    std::lock_guard guard(state.Lock);
    state.FormLocked = false;
    ++state.Waiting;
    if (PumpRole) {
      PumpRole = false;
      state.Pumping = false;
    }
    state.StartPump();
    state.Changed.notify_all();
  }
  const auto retake = [&state] {
    std::unique_lock guard(state.Lock);
    --state.Waiting;
    ++state.Resuming;
    state.Changed.wait(guard, [&state] { return !state.FormLocked; });
    --state.Resuming;
    state.FormLocked = true;
  };
  try {
    AWait();
  } catch (...) {
    retake();
    throw;
  }
  retake();
}

bool TFacetSessionExecutor::Idle() const {
  std::lock_guard guard(FState->Lock);
  return FState->Queue.empty();
}

int TFacetSessionExecutor::Workers() const {
  std::lock_guard guard(FState->Lock);
  return FState->Workers;
}
