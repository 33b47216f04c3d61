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

} // namespace

void TFacetSessionExecutor::TState::StartPump() {
  if (Pumping || Workers >= MaxWorkers || !HasWork())
    return;
  Pumping = true;
  ++Workers;
  try {
    std::thread([self = shared_from_this()] { self->Pump(); }).detach();
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

int TFacetSessionExecutor::Workers() const {
  std::lock_guard guard(FState->Lock);
  return FState->Workers;
}
