#include "link/jobs/jobrunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <chrono>

#include "link/jobs/interruption.h"
#include "link/jobs/talothread.h"
#include "link/port/talocomport.h"

namespace {

// The job running on this thread: its stop flag and, on a worker, the
// worker that hands ops over.
struct JobScope {
  const std::atomic<bool>* Stop = nullptr;
  TaloThread* Worker = nullptr;
  JobRunner* Runner = nullptr;
};

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

thread_local JobScope CurrentJob;
thread_local int StopsHeldDepth = 0;

// Sets the calling thread's job for the lifetime of the guard.
class ScopeGuard {
 public:
  explicit ScopeGuard(JobScope scope) : Saved(CurrentJob) { CurrentJob = scope; }
  ~ScopeGuard() { CurrentJob = Saved; }
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;

 private:
  JobScope Saved;
};

bool EventLoopRuns() {
  return QCoreApplication::instance() && TaloThread::IsMainThread() &&
         QThread::currentThread()->loopLevel() > 0;
}

}  // namespace

class JobRunner::Worker : public TaloThread {
 public:
  Worker(JobRunner& runner, Job job) : Runner(runner), Body(std::move(job)) {}
  ~Worker() override {
    Terminate();
    WaitFor();
  }
  bool Hand(const std::function<void()>& op) { return Synchronize(op); }
  JobResult Result;

 protected:
  void Execute() override {
    {
      ScopeGuard scope({&Runner.Stop, this, &Runner});
      Result = Body();
    }
    if (Terminated()) return;  // the runner is going: nobody waits for done
    // Queued after every op this job handed over, each of which has run.
    QMetaObject::invokeMethod(&Runner, [runner = &Runner] { runner->Finish(); },
                              Qt::QueuedConnection);
  }

 private:
  JobRunner& Runner;
  Job Body;
};

JobRunner::JobRunner(QObject* parent) : QObject(parent) {
  TaloComPort::WatchStops(&JobRunner::StopRequested);
}

JobRunner::~JobRunner() { Abandon(); }

bool JobRunner::Start(Job job, Done done) { return Start(std::move(job), std::move(done), Limit()); }

bool JobRunner::Start(Job job, Done done, Limit limit) {
  if (Running) return false;
  Stop = false;
  Expired = false;
  ExpiredText = limit.Text;
  IdleNs = limit.IdleMs > 0 ? limit.IdleMs * 1000000 : 0;
  DeadlineAt = IdleNs ? NowNs() + IdleNs : 0;
  ProgressDone = 0;
  ProgressTotal = 0;
  SetBusy(true);
  if (!EventLoopRuns()) {
    const JobResult result = Ended(Run(job));
    DeadlineAt = 0;
    SetBusy(false);
    if (done) done(result);
    return true;
  }
  OnDone = std::move(done);
  Thread = std::make_unique<Worker>(*this, std::move(job));
  Thread->Resume();
  return true;
}

JobResult JobRunner::Run(const Job& job) {
  ScopeGuard scope({&Stop, nullptr, this});
  return job();
}

JobResult JobRunner::Ended(const JobResult& result) const {
  if (Expired.load()) return {JobStatus::TimedOut, ExpiredText};
  return result;
}

JobResult JobRunner::Await(Job job) {
  if (Running) return JobResult::Failed(BusyText());
  // Stays so when the runner is abandoned before the job's done.
  JobResult result = JobResult::Stopped();
  (void)Start(std::move(job), [&result](const JobResult& done) { result = done; });
  if (!Running || !Thread) return result;  // ran inline
  QEventLoop loop;
  // Finish calls done right after this signal, before the loop looks again.
  connect(this, &JobRunner::BusyChanged, &loop, [&loop](bool busy) {
    if (!busy) loop.quit();
  });
  Waiting = &loop;
  if (loop.exec() != 0) return result;  // abandoned
  Waiting = nullptr;
  return result;
}

void JobRunner::Cancel() {
  if (Running) Stop = true;
}

void JobRunner::Abandon() {
  if (Waiting) {
    Waiting->exit(1);
    Waiting = nullptr;
  }
  if (!Thread) return;
  Stop = true;
  Thread.reset();
  OnDone = {};
  Running = false;
}

void JobRunner::Finish() {
  if (!Thread) return;
  Thread->WaitFor();  // it has returned from its job: a short join
  const JobResult result = Ended(Thread->Result);
  Thread.reset();
  DeadlineAt = 0;
  Done done = std::move(OnDone);
  OnDone = {};
  SetBusy(false);
  if (done) done(result);
}

void JobRunner::SetBusy(bool busy) {
  if (Running == busy) return;
  Running = busy;
  emit BusyChanged(busy);
}

StopsHeld::StopsHeld() { ++StopsHeldDepth; }

StopsHeld::~StopsHeld() { --StopsHeldDepth; }

bool JobRunner::StopRequested() {
  if (StopsHeldDepth > 0) return false;
  if (CurrentJob.Stop && CurrentJob.Stop->load()) return true;
  if (CurrentJob.Runner && CurrentJob.Runner->DeadlinePassed()) return true;
  return Interruption::Requested();
}

bool JobRunner::DeadlinePassed() {
  if (Expired.load()) return true;
  const int64_t at = DeadlineAt.load();
  if (at == 0 || NowNs() < at) return false;
  Expired = true;
  return true;
}

bool JobRunner::OnWorker() { return CurrentJob.Worker != nullptr; }

void JobRunner::Report(int64_t done, int64_t total) {
  if (CurrentJob.Runner) CurrentJob.Runner->Progressed(done, total);
}

void JobRunner::Progressed(int64_t done, int64_t total) {
  const bool moved = done != ProgressDone.load() || total != ProgressTotal.load();
  ProgressDone = done;
  ProgressTotal = total;
  // Progress renews the allowance; a report of the same figures is none.
  if (moved && IdleNs && !Expired.load()) DeadlineAt = NowNs() + IdleNs;
  if (!CurrentJob.Worker) {
    emit ProgressChanged(done, total);
    return;
  }
  // One post at a time: what it publishes is the latest report when it runs.
  if (ProgressPosted.exchange(true)) return;
  QMetaObject::invokeMethod(this, [this] { PublishProgress(); }, Qt::QueuedConnection);
}

void JobRunner::PublishProgress() {
  ProgressPosted = false;
  emit ProgressChanged(ProgressDone.load(), ProgressTotal.load());
}

void JobRunner::OnMainThread(const std::function<void()>& op) {
  if (auto* worker = static_cast<Worker*>(CurrentJob.Worker))
    (void)worker->Hand(op);  // refused only when the runner is being destroyed
  else
    op();
}

QString JobRunner::StoppedText() { return QStringLiteral("Stopped by the user."); }

QString JobRunner::BusyText() {
  return QStringLiteral("Another operation on the controller is still running.");
}
