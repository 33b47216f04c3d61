#pragma once

// Runs one session's form code: every piece (an event with the states it brings, a callback, a
// page build, a grid load or post, an upload delivery) one at a time, in the order the pieces
// arrived, under the session's form lock, so two events of one session never touch the same
// controls at once, as on the desktop's single user-interface thread.
//
// Pieces run on a stack of their own (a fiber) on one of a bounded set of worker threads shared
// by every session; an idle session holds neither.  A piece that waits for the browser (a form
// shown modally, a message dialog) parks: it keeps its stack, gives its thread back and releases
// the form lock, and the session's next pieces go on meanwhile.  When its wait ends it takes the
// form lock again, before any piece that has not started yet, and goes on, possibly on another
// worker thread.  A wait for a person therefore costs a stack, never a thread; a database call
// holds its thread while it runs.
//
// Each session's queue is bounded (pieces and the bytes of browser data they hold); a full queue
// still takes work but says it is backlogged, and the sockets that feed it stop reading until it
// drains.

#include <cstddef>
#include <functional>
#include <memory>

class TFacetSessionExecutor {
public:
  using TPiece = std::function<void()>;
  // Makes a parked piece ready to go on; called once, from any thread.
  using TResume = std::function<void()>;
  // Called once the piece has left its thread: arranges for `TResume` to be called when the
  // wait is over (at once when it already is).
  using TPark = std::function<void(TResume)>;

  // The worker threads and the stack size of every executor; set before the first piece runs
  // (the server does it when it starts).  Threads start as they are needed, up to the count.
  static void Configure(int AWorkerThreads, std::size_t AStackBytes);
  // Worker threads alive now, and pieces parked now, in the whole process.
  static int WorkerThreads();
  static int ParkedPieces();

  TFacetSessionExecutor(int AMaxQueuedPieces, std::size_t AMaxQueuedBytes);
  // Drops the pieces not yet started; running and parked ones finish on their own.
  ~TFacetSessionExecutor();
  TFacetSessionExecutor(const TFacetSessionExecutor&) = delete;
  TFacetSessionExecutor& operator=(const TFacetSessionExecutor&) = delete;

  // Queues a piece holding `ABytes` of browser data; false (and the piece dropped) once the
  // executor stopped.  An exception that leaves a piece ends that piece only.
  bool Post(TPiece APiece, std::size_t ABytes = 0);
  // Runs `AFinal` once the queue is empty and no piece is running or parked, then accepts no
  // more pieces: how a closing session frees its forms after every handler it woke has ended.
  // `AAfter` runs once `AFinal` and everything it held are gone.
  void Finish(TPiece AFinal, std::function<void()> AAfter);
  // Whether the calling code runs a piece of this executor.
  bool InPiece() const;
  // Called by a piece: parks it with the form lock released until `APark`'s resume is called,
  // and takes the lock again afterwards, before any piece queued meanwhile that has not started
  // yet.  Outside a piece, blocks the calling thread until then instead.
  void WaitReleased(const TPark& APark);
  // Whether no piece waits in the queue to start.
  bool Idle() const;
  // Whether the queue holds as many pieces or bytes as it should.
  bool Backlogged() const;
  // Pieces of this executor parked now, and queued and not yet started.
  int Parked() const;
  int Queued() const;

  // The shared state the fibers keep alive while they run.
  struct TState;

private:
  std::shared_ptr<TState> FState;
};
