#include "link/jobs/talothread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <deque>

namespace {

// Operations handed to the main thread, process-wide. Each one lives on the
// stack of the worker that handed it over until it is Done or withdrawn.
enum class OpState { Queued, Running, Done };

struct PendingOp {
  const std::function<void()>* Op;
  OpState State = OpState::Queued;
};

struct MainQueue {
  std::mutex Lock;
  // Signalled when an op is queued or done, when a thread finishes and on
  // Terminate: every waiter rechecks its own condition.
  std::condition_variable Changed;
  std::deque<PendingOp*> Ops;
};

MainQueue& Queue() {
  static MainQueue queue;
  return queue;
}

void NotifyQueue() {
  auto& q = Queue();
  { std::lock_guard lock(q.Lock); }  // orders the notify after a waiter's check
  q.Changed.notify_all();
}

}  // namespace

TaloThread::TaloThread() = default;

TaloThread::~TaloThread() {
  Terminate();
  WaitFor();
}

bool TaloThread::IsMainThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

void TaloThread::Resume() {
  std::lock_guard lock(GateLock);
  SuspendFlag = false;
  if (!StartedFlag) {
    StartedFlag = true;
    Worker = std::thread([this] { Run(); });
    return;
  }
  Gate.notify_all();
}

void TaloThread::Suspend() {
  // Only a request: the worker parks at its next safe point. Never waits, so
  // the main thread can pause a worker that is waiting for the main thread.
  std::lock_guard lock(GateLock);
  SuspendFlag = true;
}

void TaloThread::Terminate() {
  {
    std::lock_guard lock(GateLock);
    TerminateFlag = true;
  }
  Gate.notify_all();
  NotifyQueue();  // a worker waiting in Synchronize withdraws its op
}

void TaloThread::WaitFor() {
  if (!Worker.joinable()) return;
  if (IsMainThread()) {
    // The worker may need the main thread once more before it can finish.
    auto& q = Queue();
    for (;;) {
      ServeMainThread();
      std::unique_lock lock(q.Lock);
      if (FinishedFlag) break;
      q.Changed.wait_for(lock, std::chrono::milliseconds(20),
                         [&] { return FinishedFlag.load() || !q.Ops.empty(); });
      if (FinishedFlag && q.Ops.empty()) break;
    }
  }
  Worker.join();
}

void TaloThread::Run() {
  if (!Terminated()) Execute();
  FinishedFlag = true;
  NotifyQueue();
}

bool TaloThread::SafePoint() {
  if (!SuspendFlag && !TerminateFlag) return true;
  std::unique_lock lock(GateLock);
  Gate.wait(lock, [&] { return !SuspendFlag || TerminateFlag; });
  return !TerminateFlag;
}

void TaloThread::Sleep(int milliseconds) {
  {
    std::unique_lock lock(GateLock);
    Gate.wait_for(lock, std::chrono::milliseconds(std::max(milliseconds, 0)),
                  [&] { return TerminateFlag.load(); });
  }
  SafePoint();
}

bool TaloThread::Synchronize(const std::function<void()>& op) { return HandOver(op, false); }

bool TaloThread::SynchronizeOnExit(const std::function<void()>& op) { return HandOver(op, true); }

bool TaloThread::HandOver(const std::function<void()>& op, bool evenIfTerminated) {
  if (IsMainThread()) {
    op();
    return true;
  }
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) {
    if (!evenIfTerminated && Terminated()) return false;
    op();
    return true;
  }
  // Park here rather than with a call pending: a paused worker then holds
  // nothing the main thread waits for.
  if (!evenIfTerminated && !SafePoint()) return false;

  auto& q = Queue();
  PendingOp pending{&op};
  {
    std::lock_guard lock(q.Lock);
    q.Ops.push_back(&pending);
  }
  q.Changed.notify_all();  // a main thread inside WaitFor serves it at once
  QMetaObject::invokeMethod(app, [] { ServeMainThread(); }, Qt::QueuedConnection);

  std::unique_lock lock(q.Lock);
  for (;;) {
    if (pending.State == OpState::Done) return true;
    if (pending.State == OpState::Queued && !evenIfTerminated && Terminated()) {
      q.Ops.erase(std::find(q.Ops.begin(), q.Ops.end(), &pending));
      return false;
    }
    q.Changed.wait(lock);
  }
}

void TaloThread::ServeMainThread() {
  auto& q = Queue();
  std::unique_lock lock(q.Lock);
  while (!q.Ops.empty()) {
    PendingOp* pending = q.Ops.front();
    q.Ops.pop_front();
    pending->State = OpState::Running;
    const std::function<void()>& op = *pending->Op;
    lock.unlock();
    op();
    lock.lock();
    // From here the worker may return and free *pending: do not touch it.
    pending->State = OpState::Done;
    q.Changed.notify_all();
  }
}
