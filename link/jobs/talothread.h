#pragma once
// TaloThread: the base of every worker thread.
//
// Principles of operation
// - Created paused: the OS thread starts at the first Resume().
// - Execute() is the body. It checks Terminated() at its own loop points.
// - Suspend() asks the thread to pause and returns at once; the thread parks at
//   its next safe point: SafePoint(), Sleep(), or just before handing an
//   operation to the main thread. It never parks while it holds a lock that
//   another thread needs (the ring's lock is held only inside Push/Pop, which
//   contain no safe point). Resume() lets it go on.
// - Synchronize(op) runs op on the main thread (the thread that created the
//   QCoreApplication) and waits until it has run. Called on the main thread it
//   runs op at once. While the main thread waits in WaitFor() it keeps serving
//   the operations its workers hand over, so joining never deadlocks.
// - Terminate() sets Terminated and wakes a paused or sleeping thread; an
//   operation handed over but not yet started is then dropped and Synchronize
//   returns false. The destructor terminates and joins; a paused thread leaves
//   at its safe point without running anything more of its loop.
// - Derived classes call Terminate() and WaitFor() in their own destructor:
//   the base destructor runs after the derived part is gone, too late to stop
//   an Execute() that still uses it.
// - Without a QCoreApplication there is no main thread to hand over to:
//   Synchronize then runs op at once on the calling worker. That mode is for
//   device logic without an event loop (tests of pure logic); the caller must
//   not share what op touches with another thread.
// - Fields a worker shares with the main thread need no extra guard when only
//   ops handed over by Synchronize touch them on the main thread: the hand-over
//   orders the accesses.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class TaloThread {
 public:
  TaloThread();
  virtual ~TaloThread();
  TaloThread(const TaloThread&) = delete;
  TaloThread& operator=(const TaloThread&) = delete;

  void Resume();
  void Suspend();
  void Terminate();
  // Joins the thread (main thread: serving handed-over operations meanwhile).
  void WaitFor();

  bool Terminated() const { return TerminateFlag.load(); }
  bool Suspended() const { return SuspendFlag.load(); }
  bool Started() const { return StartedFlag.load(); }
  bool Finished() const { return FinishedFlag.load(); }

  // Runs every operation that workers have handed to the main thread. Main
  // thread only; called by the event loop and by WaitFor.
  static void ServeMainThread();
  static bool IsMainThread();

 protected:
  virtual void Execute() = 0;

  // Runs op on the main thread and waits. False when the thread was
  // terminated before op ran (op then never runs).
  bool Synchronize(const std::function<void()>& op);
  // As Synchronize, but op also runs when the thread has been terminated: for
  // the clean-up an Execute() owes the main thread on its way out. The main
  // thread serves it while it waits in WaitFor() or the destructor.
  bool SynchronizeOnExit(const std::function<void()>& op);
  // Parks while suspended. Returns !Terminated().
  bool SafePoint();
  // Sleeps ms milliseconds; wakes early on Terminate. A safe point.
  void Sleep(int milliseconds);

 private:
  void Run();
  bool HandOver(const std::function<void()>& op, bool evenIfTerminated);

  std::thread Worker;
  std::mutex GateLock;
  std::condition_variable Gate;
  std::atomic<bool> TerminateFlag{false};
  std::atomic<bool> SuspendFlag{true};
  std::atomic<bool> StartedFlag{false};
  std::atomic<bool> FinishedFlag{false};
};
