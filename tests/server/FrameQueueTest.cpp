// The output queue of one socket on its own, with a socket played by a function: order, partial
// writes, the two budgets, the last frame, and nothing sent once the queue is closed, also while
// other threads push.

#include "server/Facet.Server.FrameQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// The socket: takes up to `Room` bytes in all and `PerCall` a call (no limit when negative), or
// fails.
struct TSocket {
  std::mutex Lock;
  std::string Received;
  int Calls = 0;
  long Room = -1;
  long PerCall = -1;
  bool Fails = false;
  // Set once the queue was closed: a send after that is a fault.
  std::atomic<bool> Gone = false;
  std::atomic<int> SendsAfterClose = 0;

  TFacetFrameQueue::TSend Send() {
    return [this](std::string_view AData) -> std::optional<std::size_t> {
      std::lock_guard guard(Lock);
      if (Gone)
        ++SendsAfterClose;
      ++Calls;
      if (Fails)
        return std::nullopt;
      std::size_t taken = AData.size();
      if (Room >= 0)
        taken = std::min(taken, static_cast<std::size_t>(Room));
      if (PerCall >= 0)
        taken = std::min(taken, static_cast<std::size_t>(PerCall));
      Received.append(AData.substr(0, taken));
      if (Room >= 0)
        Room -= static_cast<long>(taken);
      return taken;
    };
  }
  // The writer's completion of what `Next` asked to write with a wait.
  void Complete(std::string_view AFront) {
    std::lock_guard guard(Lock);
    Received.append(AFront);
  }
};

struct FrameQueueTest : ::testing::Test {
  std::atomic<std::size_t> Total = 0;
  TSocket Socket;
  TFacetFrameQueue Queue{Total, 100, 150, Socket.Send()};

  // Runs the strand's writer until it stops waiting, completing each wait as the socket would.
  TFacetFrameQueue::TStep::TWhat Drain() {
    for (int i = 0; i < 100; ++i) {
      const TFacetFrameQueue::TStep step = Queue.Next();
      if (step.What != TFacetFrameQueue::TStep::Wait)
        return step.What;
      Socket.Complete(step.Front);
      if (!Queue.Written())
        return TFacetFrameQueue::TStep::Stopped;
    }
    ADD_FAILURE() << "the writer never finished";
    return TFacetFrameQueue::TStep::Failed;
  }
};

TEST_F(FrameQueueTest, PushesGoThroughTheStrandUntilEnabledThenStraightOutWhileNoWriterWorks) {
  std::string frame = "abc";
  EXPECT_EQ(Queue.Push(frame), TFacetFrameQueue::TPushed::ViaStrand);
  EXPECT_EQ(frame, "abc") << "a push refused must leave the frame to the caller";

  Queue.EnableDirectPushes();
  EXPECT_EQ(Queue.Push(frame), TFacetFrameQueue::TPushed::Done);
  EXPECT_EQ(Socket.Received, "abc");

  // While the strand's writer owns the queue, pushes wait behind it in order.
  Socket.Room = 0;
  EXPECT_EQ(Queue.Queue("1"), TFacetFrameQueue::TQueued::StartWriter);
  std::string second = "2";
  std::string third = "3";
  EXPECT_EQ(Queue.Push(second), TFacetFrameQueue::TPushed::Done);
  EXPECT_EQ(Queue.Push(third), TFacetFrameQueue::TPushed::Done);
  EXPECT_EQ(Total, 3u);
  Socket.Room = -1;
  EXPECT_EQ(Drain(), TFacetFrameQueue::TStep::Idle);
  EXPECT_EQ(Socket.Received, "abc123");
  EXPECT_EQ(Total, 0u);
  EXPECT_EQ(Queue.QueuedBytes(), 0u);
}

TEST_F(FrameQueueTest, APartialWriteLeavesTheRestAtTheFrontForTheWriter) {
  Socket.Room = 4;
  ASSERT_EQ(Queue.Queue("0123456789"), TFacetFrameQueue::TQueued::StartWriter);
  ASSERT_EQ(Queue.Queue("ab"), TFacetFrameQueue::TQueued::Queued);
  const TFacetFrameQueue::TStep step = Queue.Next();
  ASSERT_EQ(step.What, TFacetFrameQueue::TStep::Wait);
  EXPECT_EQ(step.Front, "456789");
  EXPECT_EQ(Queue.QueuedBytes(), 8u);
  EXPECT_EQ(Total, 8u);
  Socket.Complete(step.Front);
  ASSERT_TRUE(Queue.Written());
  EXPECT_EQ(Socket.Received, "0123456789");
  EXPECT_EQ(Queue.QueuedBytes(), 2u);
  // The socket has no room left: the second frame waits whole.
  const TFacetFrameQueue::TStep second = Queue.Next();
  ASSERT_EQ(second.What, TFacetFrameQueue::TStep::Wait);
  EXPECT_EQ(second.Front, "ab");
  Socket.Complete(second.Front);
  ASSERT_TRUE(Queue.Written());
  EXPECT_EQ(Queue.Next().What, TFacetFrameQueue::TStep::Idle);
  EXPECT_EQ(Socket.Received, "0123456789ab");
  EXPECT_EQ(Total, 0u);
}

TEST_F(FrameQueueTest, OutputPastTheSocketsOrTheServersBudgetIsRefusedAndNotCounted) {
  TSocket slow;
  slow.Room = 0;
  TFacetFrameQueue other(Total, 100, 150, slow.Send());
  Socket.Room = 0;
  Queue.EnableDirectPushes();

  ASSERT_EQ(Queue.Queue(std::string(90, 'a')), TFacetFrameQueue::TQueued::StartWriter);
  EXPECT_EQ(Queue.Queue(std::string(11, 'b')), TFacetFrameQueue::TQueued::Overflow)
      << "over this socket's 100 bytes";
  std::string push(11, 'c');
  EXPECT_EQ(Queue.Push(push), TFacetFrameQueue::TPushed::Failed);
  EXPECT_EQ(Queue.QueuedBytes(), 90u);

  ASSERT_EQ(other.Queue(std::string(60, 'd')), TFacetFrameQueue::TQueued::StartWriter);
  EXPECT_EQ(other.Queue(std::string(1, 'e')), TFacetFrameQueue::TQueued::Overflow)
      << "over the 150 bytes of all sockets together";
  EXPECT_EQ(Total, 150u);

  EXPECT_TRUE(Queue.Close());
  EXPECT_EQ(Total, 60u) << "a closed queue gives its bytes back";
}

TEST_F(FrameQueueTest, AfterTheLastFrameNothingIsQueuedAndTheWriterFinishes) {
  ASSERT_EQ(Queue.Queue("bye", true), TFacetFrameQueue::TQueued::StartWriter);
  EXPECT_TRUE(Queue.Ending());
  EXPECT_EQ(Queue.Queue("late"), TFacetFrameQueue::TQueued::Queued);
  Queue.EnableDirectPushes();
  std::string push = "late push";
  EXPECT_EQ(Queue.Push(push), TFacetFrameQueue::TPushed::Done);
  EXPECT_EQ(Drain(), TFacetFrameQueue::TStep::Finish);
  EXPECT_EQ(Socket.Received, "bye");
}

TEST_F(FrameQueueTest, AClosedQueueNeverSendsAgain) {
  Socket.Room = 2;
  ASSERT_EQ(Queue.Queue("abcdef"), TFacetFrameQueue::TQueued::StartWriter);
  const TFacetFrameQueue::TStep step = Queue.Next();
  ASSERT_EQ(step.What, TFacetFrameQueue::TStep::Wait);
  const int calls = Socket.Calls;

  // The socket closes while a write of the front is in flight.
  ASSERT_TRUE(Queue.Close());
  EXPECT_FALSE(Queue.Close());
  EXPECT_EQ(Total, 0u);
  EXPECT_FALSE(Queue.Written()) << "the writer's completion must see the queue closed";
  EXPECT_EQ(Queue.Next().What, TFacetFrameQueue::TStep::Stopped);
  EXPECT_EQ(Queue.Queue("x"), TFacetFrameQueue::TQueued::Queued);
  Queue.EnableDirectPushes();
  std::string push = "y";
  EXPECT_EQ(Queue.Push(push), TFacetFrameQueue::TPushed::Done);
  EXPECT_EQ(Socket.Calls, calls) << "nothing may reach the descriptor after the close";
  EXPECT_EQ(Total, 0u);
}

TEST_F(FrameQueueTest, AFailingSocketIsReportedToTheWriterAndThePusher) {
  Socket.Fails = true;
  ASSERT_EQ(Queue.Queue("a"), TFacetFrameQueue::TQueued::StartWriter);
  EXPECT_EQ(Queue.Next().What, TFacetFrameQueue::TStep::Failed);
  Queue.EnableDirectPushes();
  ASSERT_TRUE(Queue.Close());
  TFacetFrameQueue fresh(Total, 100, 150, Socket.Send());
  fresh.EnableDirectPushes();
  std::string push = "b";
  EXPECT_EQ(fresh.Push(push), TFacetFrameQueue::TPushed::Failed);
}

TEST_F(FrameQueueTest, PushesFromManyThreadsArriveWholeInTheirOrderAndNoneAfterTheClose) {
  constexpr int Threads = 4;
  constexpr int Frames = 200;
  std::atomic<std::size_t> total = 0;
  TSocket socket;
  // A socket that takes a few bytes at a time keeps the strand's writer busy now and then.
  socket.PerCall = 5;
  TFacetFrameQueue queue(total, 1 << 20, 1 << 20, socket.Send());
  queue.EnableDirectPushes();
  std::vector<std::thread> pushers;
  for (int t = 0; t < Threads; ++t)
    pushers.emplace_back([&, t] {
      for (int i = 0; i < Frames; ++i) {
        std::string frame = "<" + std::to_string(t) + ":" + std::to_string(i) + ">";
        // The thread told to start the writer runs it, as the strand would.
        if (queue.Push(frame) == TFacetFrameQueue::TPushed::StartWriter)
          while (true) {
            const TFacetFrameQueue::TStep step = queue.Next();
            if (step.What != TFacetFrameQueue::TStep::Wait)
              break;
            socket.Complete(step.Front);
            queue.Written();
          }
      }
    });
  for (auto& pusher : pushers)
    pusher.join();
  EXPECT_EQ(queue.QueuedBytes(), 0u) << "the last writer left frames behind";

  std::vector<int> next(Threads, 0);
  const std::string& received = socket.Received;
  for (std::size_t at = 0; at < received.size();) {
    const std::size_t end = received.find('>', at);
    ASSERT_NE(end, std::string::npos);
    const std::string frame = received.substr(at + 1, end - at - 1);
    const int thread = std::stoi(frame.substr(0, frame.find(':')));
    EXPECT_EQ(std::stoi(frame.substr(frame.find(':') + 1)), next[thread]++) << frame;
    at = end + 1;
  }
  for (int t = 0; t < Threads; ++t)
    EXPECT_EQ(next[t], Frames);

  // Closing while threads push: no send once the close has returned.
  std::vector<std::thread> late;
  std::atomic<bool> go = false;
  for (int t = 0; t < Threads; ++t)
    late.emplace_back([&] {
      while (!go)
        std::this_thread::yield();
      for (int i = 0; i < Frames; ++i) {
        std::string frame = "z";
        queue.Push(frame);
      }
    });
  go = true;
  queue.Close();
  socket.Gone = true;
  for (auto& thread : late)
    thread.join();
  EXPECT_EQ(socket.SendsAfterClose, 0);
  EXPECT_EQ(total, 0u);
}

} // namespace
