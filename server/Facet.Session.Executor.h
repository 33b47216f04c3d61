#pragma once

// Runs one session's form code: every piece (an event with the states it brings, a callback, a
// page build, a grid load or post, an upload delivery) one at a time, in the order the pieces
// arrived, under the session's form lock, so two events of one session never touch the same
// controls at once, as on the desktop's single user-interface thread.
//
// Pieces run on workers that exist only while there is work: an idle session holds no thread.
// The threads under them are shared by every session and kept for the next worker.  A piece that
// waits for the browser (a form shown modally, a message dialog) releases the form lock while it
// waits, and the next pieces go on meanwhile on another worker; at most `MaxWorkers` threads of the
// session exist at once, most of them waiting.

#include <functional>
#include <memory>

class TFacetSessionExecutor {
public:
  using TPiece = std::function<void()>;

  explicit TFacetSessionExecutor(int AMaxWorkers);
  // Drops the pieces not yet started; running ones finish on their own threads.
  ~TFacetSessionExecutor();
  TFacetSessionExecutor(const TFacetSessionExecutor&) = delete;
  TFacetSessionExecutor& operator=(const TFacetSessionExecutor&) = delete;

  // Queues a piece; false (and the piece dropped) once the executor stopped.  An exception that
  // leaves a piece ends that piece only.
  bool Post(TPiece APiece);
  // Runs `AFinal` once the queue is empty and no piece is running or waiting, then accepts no
  // more pieces: how a closing session frees its forms after every handler it woke has ended.
  // `AAfter` runs once `AFinal` and everything it held are gone.
  void Finish(TPiece AFinal, std::function<void()> AAfter);
  // Whether the calling thread is running a piece of this executor.
  bool InPiece() const;
  // Called by a piece: runs `AWait` with the form lock released, and takes the lock again
  // afterwards, before any piece queued meanwhile that has not started yet.
  void WaitReleased(const std::function<void()>& AWait);
  // Whether no piece waits in the queue to start.
  bool Idle() const;
  // Threads of this executor alive now (running or waiting pieces).
  int Workers() const;

  // The shared state the workers keep alive while they run.
  struct TState;

private:
  std::shared_ptr<TState> FState;
};
