#include "runtime/MainThread.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Runs the main thread's loop until `worker` has finished.  The worker wakes the loop when done.
void PumpUntilDone(const std::function<void()>& work) {
  std::atomic<bool> done = false;
  std::thread worker([&] {
    work();
    done = true;
    WakeMainThread();
  });
  while (!done)
    CheckSynchronize(WaitWithoutTimeout);
  worker.join();
  while (CheckSynchronize()) {
  }
}

TEST(MainThread, TheThreadThatStartedTheProgramIsTheMainThread) {
  EXPECT_TRUE(IsMainThread());
  EXPECT_EQ(MainThreadID(), std::this_thread::get_id());
  bool workerIsMain = true;
  std::thread([&] { workerIsMain = IsMainThread(); }).join();
  EXPECT_FALSE(workerIsMain);
}

TEST(MainThread, SynchronizeRunsOnTheMainThreadAndWaits) {
  std::vector<int> order;
  std::vector<std::thread::id> ranOn;
  PumpUntilDone([&] {
    for (int i = 0; i < 50; ++i) {
      TThread::Synchronize([&, i] {
        ranOn.push_back(std::this_thread::get_id());
        order.push_back(i);
      });
      // Synchronize returned, so the procedure has run.
      EXPECT_EQ(order.size(), static_cast<std::size_t>(i + 1));
    }
  });
  ASSERT_EQ(order.size(), 50u);
  for (std::thread::id id : ranOn)
    EXPECT_EQ(id, MainThreadID());
}

TEST(MainThread, SynchronizeFromSeveralWorkers) {
  std::atomic<int> done = 0;
  int counter = 0; // touched only on the main thread
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w)
    workers.emplace_back([&] {
      for (int i = 0; i < 100; ++i)
        TThread::Synchronize([&] { ++counter; });
      ++done;
      WakeMainThread();
    });
  while (done < 4)
    CheckSynchronize(WaitWithoutTimeout);
  for (std::thread& t : workers)
    t.join();
  EXPECT_EQ(counter, 400);
}

TEST(MainThread, SynchronizeRaisesTheProceduresExceptionInTheCaller) {
  std::string caught;
  bool stillRunning = false;
  PumpUntilDone([&] {
    try {
      TThread::Synchronize([] { throw Exception("Falha ao gravar"); });
    } catch (const Exception& e) {
      caught = e.Message();
    }
    TThread::Synchronize([&] { stillRunning = true; });
  });
  EXPECT_EQ(caught, "Falha ao gravar");
  EXPECT_TRUE(stillRunning);
}

TEST(MainThread, SynchronizeOnTheMainThreadRunsAtOnce) {
  bool ran = false;
  TThread::Synchronize([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_THROW(TThread::Synchronize([] { throw EAbort(); }), EAbort);
  EXPECT_FALSE(CheckSynchronize());
}

TEST(MainThread, QueuedProceduresRunLaterInOrder) {
  std::vector<int> order;
  std::thread([&] {
    for (int i = 0; i < 3; ++i)
      TThread::Queue([&, i] { order.push_back(i); });
  }).join();
  TThread::Queue([&] { order.push_back(3); });
  EXPECT_TRUE(order.empty());
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_FALSE(CheckSynchronize());
}

TEST(MainThread, AQueuedProcedureThatThrowsLeavesTheRestForTheNextCall) {
  std::vector<int> order;
  TThread::Queue([&] { order.push_back(1); });
  TThread::Queue([] { throw Exception("queued failure"); });
  TThread::Queue([&] { order.push_back(3); });
  EXPECT_THROW(CheckSynchronize(), Exception);
  EXPECT_EQ(order, (std::vector<int>{1}));
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(order, (std::vector<int>{1, 3}));
}

TEST(MainThread, ProceduresQueuedWhileRunningWaitForTheNextCall) {
  int runs = 0;
  std::function<void()> again = [&] {
    if (++runs < 2)
      TThread::Queue(again);
  };
  TThread::Queue(again);
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(runs, 2);
  EXPECT_FALSE(CheckSynchronize());
}

TEST(MainThread, WaitingEndsOnWorkOnWakeOrOnTimeout) {
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(CheckSynchronize(60ms));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 55ms);

  bool ran = false;
  std::thread late([&] {
    std::this_thread::sleep_for(30ms);
    TThread::Queue([&] { ran = true; });
  });
  start = std::chrono::steady_clock::now();
  EXPECT_TRUE(CheckSynchronize(WaitWithoutTimeout));
  EXPECT_TRUE(ran);
  late.join();

  std::thread waker([] {
    std::this_thread::sleep_for(30ms);
    WakeMainThread();
  });
  EXPECT_FALSE(CheckSynchronize(WaitWithoutTimeout));
  waker.join();
}

TEST(MainThread, CheckSynchronizeRefusesOtherThreads) {
  bool refused = false;
  std::thread([&] {
    try {
      CheckSynchronize();
    } catch (const Exception&) {
      refused = true;
    }
  }).join();
  EXPECT_TRUE(refused);
}

} // namespace
