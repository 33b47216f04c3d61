// The executor of a session's form code on its own: pieces one at a time in arrival order, waits
// that park a piece without holding a thread, the final piece after every wait, and the queue's
// budget.

#include "server/Facet.Session.Executor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A wait that a test ends by hand: the resume of the piece parked on it.
class TGate {
public:
  TFacetSessionExecutor::TPark Park() {
    return [this](TFacetSessionExecutor::TResume AResume) {
      std::lock_guard guard(FLock);
      if (FOpen)
        AResume();
      else
        FWaiting.push_back(std::move(AResume));
    };
  }
  void Open() {
    std::vector<TFacetSessionExecutor::TResume> waiting;
    {
      std::lock_guard guard(FLock);
      FOpen = true;
      waiting.swap(FWaiting);
    }
    for (const auto& resume : waiting)
      resume();
  }
  std::size_t Waiting() {
    std::lock_guard guard(FLock);
    return FWaiting.size();
  }

private:
  std::mutex FLock;
  bool FOpen = false;
  std::vector<TFacetSessionExecutor::TResume> FWaiting;
};

bool WaitUntil(const std::function<bool()>& ACondition) {
  for (int i = 0; i < 1000; ++i) {
    if (ACondition())
      return true;
    std::this_thread::sleep_for(10ms);
  }
  return ACondition();
}

class SessionExecutorTest : public testing::Test {
protected:
  static void SetUpTestSuite() { TFacetSessionExecutor::Configure(4, 256 * 1024); }
};

TEST_F(SessionExecutorTest, PiecesRunOneAtATimeInArrivalOrder) {
  TFacetSessionExecutor executor(1000, 1 << 20);
  std::mutex lock;
  std::vector<int> order;
  std::atomic<int> running = 0;
  std::atomic<int> overlap = 0;
  std::latch done(200);
  for (int i = 0; i < 200; ++i)
    executor.Post([&, i] {
      EXPECT_TRUE(executor.InPiece());
      if (++running > 1)
        ++overlap;
      {
        std::lock_guard guard(lock);
        order.push_back(i);
      }
      // Long enough for any other worker to start and overlap.
      for (int turn = 0; turn < 200; ++turn) {
        std::this_thread::yield();
        if (running > 1)
          ++overlap;
      }
      --running;
      done.count_down();
    });
  done.wait();
  EXPECT_EQ(overlap, 0);
  ASSERT_EQ(order.size(), 200U);
  for (int i = 0; i < 200; ++i)
    EXPECT_EQ(order[static_cast<size_t>(i)], i);
  EXPECT_FALSE(executor.InPiece());
}

// A parked piece releases the form lock: the next pieces run; when its wait ends it goes on
// before any piece that has not started yet.
TEST_F(SessionExecutorTest, AParkedPieceLetsOthersRunAndGoesOnFirstWhenItsWaitEnds) {
  TFacetSessionExecutor executor(1000, 1 << 20);
  TGate gate;
  std::mutex lock;
  std::vector<std::string> order;
  const auto note = [&](const char* AWhat) {
    std::lock_guard guard(lock);
    order.push_back(AWhat);
  };
  std::latch done(1);
  std::atomic<bool> later = false;
  executor.Post([&] {
    note("waits");
    executor.WaitReleased(gate.Park());
    EXPECT_TRUE(executor.InPiece());
    note("goes on");
  });
  executor.Post([&] { note("runs meanwhile"); });
  ASSERT_TRUE(WaitUntil([&] {
    std::lock_guard guard(lock);
    return order.size() == 2;
  }));
  // The lock is held by a piece while the gate opens: the parked piece must come before the one
  // queued after it.
  std::latch holding(1);
  std::latch release(1);
  executor.Post([&] {
    holding.count_down();
    release.wait();
  });
  holding.wait();
  executor.Post([&] {
    note("queued later");
    later = true;
    done.count_down();
  });
  gate.Open();
  release.count_down();
  done.wait();
  EXPECT_EQ(order,
            (std::vector<std::string>{"waits", "runs meanwhile", "goes on", "queued later"}));
}

// Many pieces waiting for the browser at once hold no thread: a few worker threads serve them
// and other sessions go on meanwhile.
TEST_F(SessionExecutorTest, ParkedPiecesHoldNoThread) {
  constexpr int Sessions = 500;
  TGate gate;
  std::vector<std::unique_ptr<TFacetSessionExecutor>> executors;
  std::atomic<int> resumed = 0;
  for (int i = 0; i < Sessions; ++i) {
    executors.push_back(std::make_unique<TFacetSessionExecutor>(10, 1 << 20));
    TFacetSessionExecutor& executor = *executors.back();
    executor.Post([&] {
      executor.WaitReleased(gate.Park());
      ++resumed;
    });
  }
  ASSERT_TRUE(WaitUntil([&] { return gate.Waiting() == Sessions; }));
  EXPECT_LE(TFacetSessionExecutor::WorkerThreads(), 4);
  EXPECT_GE(TFacetSessionExecutor::ParkedPieces(), Sessions);
  // Another session's work is not held up by the waits.
  TFacetSessionExecutor other(10, 1 << 20);
  std::latch ran(1);
  other.Post([&] { ran.count_down(); });
  ran.wait();
  gate.Open();
  ASSERT_TRUE(WaitUntil([&] { return resumed == Sessions; }));
  EXPECT_LE(TFacetSessionExecutor::WorkerThreads(), 4);
  for (const auto& executor : executors)
    EXPECT_EQ(executor->Parked(), 0);
}

TEST_F(SessionExecutorTest, TheFinalPieceRunsAfterEveryWaitAndNothingIsTakenAfterIt) {
  TFacetSessionExecutor executor(1000, 1 << 20);
  TGate gate;
  std::atomic<bool> waitEnded = false;
  std::atomic<bool> finalSawWaitEnd = false;
  std::latch after(1);
  executor.Post([&] {
    executor.WaitReleased(gate.Park());
    waitEnded = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return gate.Waiting() == 1; }));
  executor.Finish([&] { finalSawWaitEnd = waitEnded.load(); }, [&] { after.count_down(); });
  EXPECT_FALSE(executor.Post([] {}));
  gate.Open();
  after.wait();
  EXPECT_TRUE(finalSawWaitEnd);
}

TEST_F(SessionExecutorTest, AFullQueueSaysItIsBackloggedUntilItDrains) {
  struct TCase {
    int Pieces;
    std::size_t BytesEach;
    bool Backlogged;
  };
  const TCase cases[] = {
      {3, 0, false},   // below both budgets
      {4, 0, true},    // as many pieces as allowed
      {1, 1000, true}, // as many bytes as allowed
      {2, 400, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Pieces) + " pieces of " + std::to_string(c.BytesEach));
    TFacetSessionExecutor executor(4, 1000);
    std::latch holding(1);
    std::latch release(1);
    executor.Post([&] {
      holding.count_down();
      release.wait();
    });
    holding.wait();
    for (int i = 0; i < c.Pieces; ++i)
      EXPECT_TRUE(executor.Post([] {}, c.BytesEach));
    EXPECT_EQ(executor.Backlogged(), c.Backlogged);
    release.count_down();
    EXPECT_TRUE(WaitUntil([&] { return executor.Idle() && !executor.Backlogged(); }));
  }
}

TEST_F(SessionExecutorTest, OutsideAPieceAWaitBlocksTheCallerUntilItEnds) {
  TFacetSessionExecutor executor(10, 1 << 20);
  TGate gate;
  std::atomic<bool> returned = false;
  std::thread waiter([&] {
    executor.WaitReleased(gate.Park());
    returned = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return gate.Waiting() == 1; }));
  EXPECT_FALSE(returned);
  gate.Open();
  waiter.join();
  EXPECT_TRUE(returned);
}

} // namespace
