#include "server/Facet.Session.Executor.h"

#include <boost/context/fiber.hpp>
#include <boost/context/protected_fixedsize_stack.hpp>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <iostream>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define DUO_FIBER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DUO_FIBER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define DUO_FIBER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define DUO_FIBER_TSAN 1
#endif
#endif

#ifdef DUO_FIBER_ASAN
#include <sanitizer/common_interface_defs.h>
#endif
#ifdef DUO_FIBER_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace ctx = boost::context;

namespace {

// One stack for form code, used piece after piece.  A worker thread switches into it to run a
// task; it switches back when the task ends or when the task parks.  A parked fiber is switched
// into again later, by whichever worker takes it up.  The sanitizers are told of every switch.
class TFiber {
public:
  explicit TFiber(std::size_t AStackBytes) {
#ifdef DUO_FIBER_TSAN
    FTsanFiber = __tsan_create_fiber(0);
#endif
    FContext = ctx::fiber(std::allocator_arg, TRecordingStack{AStackBytes, this},
                          [this](ctx::fiber&& ACaller) {
                            FCaller = std::move(ACaller);
                            Arrived();
                            while (!FExit) {
                              FTask();
                              FTask = nullptr;
                              FDone = true;
                              Leave();
                            }
                            Departing();
                            return std::move(FCaller);
                          });
  }
  ~TFiber() {
    // An idle fiber is told to end; its stack unwinds to nothing and is freed.
    FExit = true;
    Enter();
#ifdef DUO_FIBER_TSAN
    __tsan_destroy_fiber(FTsanFiber);
#endif
  }
  TFiber(const TFiber&) = delete;
  TFiber& operator=(const TFiber&) = delete;

  // The fiber running on the calling thread, or nullptr.  Not inlined: a fiber can move to
  // another thread while a caller's frame waits, and the thread's storage must be found anew.
  [[gnu::noinline]] static TFiber*& Current() {
    thread_local TFiber* current = nullptr;
    return current;
  }

  // Worker side: runs the fiber until it switches back (its task ended or parked).
  void Enter() {
    TFiber* const previous = std::exchange(Current(), this);
#ifdef DUO_FIBER_ASAN
    void* fake = nullptr;
    __sanitizer_start_switch_fiber(&fake, FStack.Bottom, FStack.Size);
#endif
#ifdef DUO_FIBER_TSAN
    FCallerTsan = __tsan_get_current_fiber();
    __tsan_switch_to_fiber(FTsanFiber, 0);
#endif
    FContext = std::move(FContext).resume();
#ifdef DUO_FIBER_ASAN
    __sanitizer_finish_switch_fiber(fake, nullptr, nullptr);
#endif
    Current() = previous;
  }

  // Fiber side: switches back to the worker that entered it; returns when entered again.
  void Leave() {
#ifdef DUO_FIBER_ASAN
    __sanitizer_start_switch_fiber(&FFake, FCallerBottom, FCallerSize);
#endif
#ifdef DUO_FIBER_TSAN
    __tsan_switch_to_fiber(FCallerTsan, 0);
#endif
    FCaller = std::move(FCaller).resume();
    Arrived();
  }

  std::function<void()> FTask;
  // Set by a parking piece: what the worker runs once the fiber has left its thread.
  std::function<void(TFiber*)> FOnParked;
  bool FDone = false;
  // The executor whose piece runs on this fiber now.
  const void* FExecutor = nullptr;

private:
  struct TStackBounds {
    const void* Bottom = nullptr;
    std::size_t Size = 0;
  };

  // The stack allocator the fiber is made with, which tells the fiber where its stack is.
  struct TRecordingStack {
    std::size_t Bytes;
    TFiber* Owner;
    ctx::stack_context allocate() {
      ctx::stack_context stack = ctx::protected_fixedsize_stack(Bytes).allocate();
      Owner->FStack.Size = stack.size;
      Owner->FStack.Bottom = static_cast<char*>(stack.sp) - stack.size;
      return stack;
    }
    void deallocate(ctx::stack_context& AStack) noexcept {
      ctx::protected_fixedsize_stack(Bytes).deallocate(AStack);
    }
  };

  void Arrived() {
#ifdef DUO_FIBER_ASAN
    __sanitizer_finish_switch_fiber(FFake, &FCallerBottom, &FCallerSize);
#endif
  }
  void Departing() {
#ifdef DUO_FIBER_ASAN
    __sanitizer_start_switch_fiber(nullptr, FCallerBottom, FCallerSize);
#endif
#ifdef DUO_FIBER_TSAN
    __tsan_switch_to_fiber(FCallerTsan, 0);
#endif
  }

  ctx::fiber FContext;
  ctx::fiber FCaller;
  TStackBounds FStack;
  bool FExit = false;
  void* FFake = nullptr;
  const void* FCallerBottom = nullptr;
  std::size_t FCallerSize = 0;
#ifdef DUO_FIBER_TSAN
  void* FTsanFiber = nullptr;
  void* FCallerTsan = nullptr;
#endif
};

// The worker threads every session's form code runs on, and the fibers they run it in.  A job is
// either a new task (run on an idle fiber) or a parked fiber to go on with.  Threads start as jobs
// need them, up to the configured count, and then stay; a job waits for a free thread when all
// are busy (busy means running code: a parked piece holds no thread).
class TWorkers {
public:
  static TWorkers& Instance() {
    // Never destroyed: idle threads wait on it until the process ends.
    static TWorkers* const workers = new TWorkers;
    return *workers;
  }

  void Configure(int AThreads, std::size_t AStackBytes) {
    std::lock_guard guard(FLock);
    FMaxThreads = AThreads < 1 ? 1 : AThreads;
    FStackBytes = AStackBytes < 64 * 1024 ? 64 * 1024 : AStackBytes;
  }

  void RunTask(std::function<void()> ATask) { Submit({std::move(ATask), nullptr}); }
  void Resume(TFiber* AFiber) { Submit({nullptr, AFiber}); }

  int Threads() {
    std::lock_guard guard(FLock);
    return FThreads;
  }

  std::atomic<int> Parked = 0;

private:
  struct TJob {
    std::function<void()> Task;
    TFiber* Fiber;
  };
#ifdef DUO_FIBER_TSAN
  // ThreadSanitizer's runtime does not survive fibers being destroyed while others run: under it
  // every fiber made is kept for reuse.
  static constexpr std::size_t KeptIdleFibers = static_cast<std::size_t>(-1);
#else
  static constexpr std::size_t KeptIdleFibers = 64;
#endif

  void Submit(TJob AJob) {
    std::lock_guard guard(FLock);
    FJobs.push_back(std::move(AJob));
    if (FIdle > 0) {
      FJobAdded.notify_one();
      return;
    }
    if (FThreads >= FMaxThreads)
      return;
    try {
      std::thread([this] { Serve(); }).detach();
      ++FThreads;
    } catch (const std::exception& e) {
      // No thread to be had now: the job waits for a running worker.
      std::cerr << "form code thread: " << e.what() << '\n';
    }
  }

  void Serve() {
    std::unique_lock guard(FLock);
    for (;;) {
      ++FIdle;
      FJobAdded.wait(guard, [this] { return !FJobs.empty(); });
      --FIdle;
      TJob job = std::move(FJobs.front());
      FJobs.pop_front();
      std::unique_ptr<TFiber> idle;
      if (job.Fiber == nullptr && !FIdleFibers.empty()) {
        idle = std::move(FIdleFibers.back());
        FIdleFibers.pop_back();
      }
      const std::size_t stack = FStackBytes;
      guard.unlock();
      try {
        Run(std::move(job), std::move(idle), stack);
      } catch (const std::exception& e) {
        std::cerr << "form code thread: " << e.what() << '\n';
      }
      guard.lock();
    }
  }

  void Run(TJob AJob, std::unique_ptr<TFiber> AIdle, std::size_t AStack) {
    TFiber* fiber = AJob.Fiber;
    if (fiber == nullptr) {
      fiber = AIdle ? AIdle.release() : new TFiber(AStack);
      fiber->FTask = std::move(AJob.Task);
    }
    fiber->Enter();
    if (fiber->FDone) {
      fiber->FDone = false;
      std::unique_ptr<TFiber> done(fiber);
      std::lock_guard guard(FLock);
      if (FIdleFibers.size() < KeptIdleFibers)
        FIdleFibers.push_back(std::move(done));
      return;
    }
    // The piece parked: it may be resumed from now on, by any thread.
    std::function<void(TFiber*)> parked = std::move(fiber->FOnParked);
    parked(fiber);
  }

  std::mutex FLock;
  std::condition_variable FJobAdded;
  std::deque<TJob> FJobs;
  std::vector<std::unique_ptr<TFiber>> FIdleFibers;
  int FThreads = 0;
  int FIdle = 0;
  int FMaxThreads = 32;
  std::size_t FStackBytes = 512 * 1024;
};

} // namespace

struct TFacetSessionExecutor::TState : std::enable_shared_from_this<TState> {
  TState(int AMaxPieces, std::size_t AMaxBytes) : MaxPieces(AMaxPieces), MaxBytes(AMaxBytes) {}

  mutable std::mutex Lock;
  std::deque<std::pair<TPiece, std::size_t>> Queue;
  std::size_t QueuedBytes = 0;
  // Parked pieces whose wait ended, in the order they became ready: they take the form lock
  // before any queued piece.
  std::deque<TFiber*> Ready;
  TPiece Final;
  std::function<void()> AfterFinal;
  bool Finishing = false;
  bool Stopped = false;
  // The form lock: a piece holds it, or a worker is on its way to run one.
  bool Active = false;
  int Parked = 0;
  const int MaxPieces;
  const std::size_t MaxBytes;

  // Hands the form lock to the next piece to run, when it is free.  Called with Lock held.
  void Schedule() {
    if (Active)
      return;
    if (!Ready.empty()) {
      Active = true;
      TFiber* fiber = Ready.front();
      Ready.pop_front();
      TWorkers::Instance().Resume(fiber);
    } else if (!Stopped && (!Queue.empty() || (Final && Parked == 0))) {
      Active = true;
      TWorkers::Instance().RunTask([self = shared_from_this()] { self->Pump(); });
    }
  }

  // Runs queued pieces while this fiber holds the form lock; a parked piece that became ready
  // gets the lock first.
  void Pump() {
    // This fiber may go on on another thread after a piece parked: it is read once, here.
    TFiber* const fiber = TFiber::Current();
    std::unique_lock guard(Lock);
    for (;;) {
      if (!Ready.empty())
        break;
      TPiece piece;
      std::function<void()> after;
      if (!Queue.empty()) {
        piece = std::move(Queue.front().first);
        QueuedBytes -= Queue.front().second;
        Queue.pop_front();
      } else if (Final && Parked == 0) {
        piece = std::exchange(Final, nullptr);
        after = std::exchange(AfterFinal, nullptr);
        Stopped = true;
      } else {
        break;
      }
      guard.unlock();
      fiber->FExecutor = this;
      try {
        piece();
      } catch (...) {
        // The piece's own error handling had its chance; the session goes on.
      }
      piece = nullptr;
      if (after)
        after();
      fiber->FExecutor = nullptr;
      guard.lock();
    }
    Active = false;
    Schedule();
  }

  void Resume(TFiber* AFiber) {
    std::lock_guard guard(Lock);
    --Parked;
    --TWorkers::Instance().Parked;
    Ready.push_back(AFiber);
    Schedule();
  }
};

void TFacetSessionExecutor::Configure(int AWorkerThreads, std::size_t AStackBytes) {
  TWorkers::Instance().Configure(AWorkerThreads, AStackBytes);
}

int TFacetSessionExecutor::WorkerThreads() {
  return TWorkers::Instance().Threads();
}

int TFacetSessionExecutor::ParkedPieces() {
  return TWorkers::Instance().Parked;
}

TFacetSessionExecutor::TFacetSessionExecutor(int AMaxQueuedPieces, std::size_t AMaxQueuedBytes)
    : FState(std::make_shared<TState>(AMaxQueuedPieces, AMaxQueuedBytes)) {}

TFacetSessionExecutor::~TFacetSessionExecutor() {
  std::deque<std::pair<TPiece, std::size_t>> dropped;
  {
    std::lock_guard guard(FState->Lock);
    FState->Stopped = true;
    dropped.swap(FState->Queue);
    FState->QueuedBytes = 0;
  }
}

bool TFacetSessionExecutor::Post(TPiece APiece, std::size_t ABytes) {
  std::lock_guard guard(FState->Lock);
  if (FState->Stopped || FState->Finishing)
    return false;
  FState->Queue.emplace_back(std::move(APiece), ABytes);
  FState->QueuedBytes += ABytes;
  FState->Schedule();
  return true;
}

void TFacetSessionExecutor::Finish(TPiece AFinal, std::function<void()> AAfter) {
  std::lock_guard guard(FState->Lock);
  if (FState->Stopped || FState->Finishing)
    return;
  FState->Finishing = true;
  FState->Final = std::move(AFinal);
  FState->AfterFinal = std::move(AAfter);
  FState->Schedule();
}

bool TFacetSessionExecutor::InPiece() const {
  const TFiber* fiber = TFiber::Current();
  return fiber != nullptr && fiber->FExecutor == FState.get();
}

void TFacetSessionExecutor::WaitReleased(const TPark& APark) {
  // Whoever ends the wait may say so more than once; the piece goes on once.
  struct TOnce {
    std::atomic<bool> Done = false;
  };
  auto once = std::make_shared<TOnce>();
  if (!InPiece()) {
    struct TLatch {
      std::mutex Lock;
      std::condition_variable Changed;
      bool Open = false;
    };
    auto latch = std::make_shared<TLatch>();
    APark([latch, once] {
      if (once->Done.exchange(true))
        return;
      std::lock_guard guard(latch->Lock);
      latch->Open = true;
      latch->Changed.notify_all();
    });
    std::unique_lock guard(latch->Lock);
    latch->Changed.wait(guard, [&] { return latch->Open; });
    return;
  }
  TState& state = *FState;
  TFiber* fiber = TFiber::Current();
  {
    std::lock_guard guard(state.Lock);
    ++state.Parked;
    ++TWorkers::Instance().Parked;
    state.Active = false;
    state.Schedule();
  }
  fiber->FOnParked = [self = FState, APark, once](TFiber* AFiber) {
    APark([self, AFiber, once] {
      if (!once->Done.exchange(true))
        self->Resume(AFiber);
    });
  };
  fiber->FExecutor = nullptr;
  fiber->Leave();
  fiber->FExecutor = FState.get();
}

bool TFacetSessionExecutor::Idle() const {
  std::lock_guard guard(FState->Lock);
  return FState->Queue.empty();
}

bool TFacetSessionExecutor::Backlogged() const {
  std::lock_guard guard(FState->Lock);
  return static_cast<int>(FState->Queue.size()) >= FState->MaxPieces ||
         FState->QueuedBytes >= FState->MaxBytes;
}

int TFacetSessionExecutor::Parked() const {
  std::lock_guard guard(FState->Lock);
  return FState->Parked;
}

int TFacetSessionExecutor::Queued() const {
  std::lock_guard guard(FState->Lock);
  return static_cast<int>(FState->Queue.size());
}
