#include "link/jobs/jobrunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>

#include "link/jobs/interruption.h"
#include "link/jobs/talothread.h"

namespace {

// The job running on this thread: its stop flag and, on a worker, the
// worker that hands ops over.
struct JobScope {
  const std::atomic<bool>* Stop = nullptr;
  TaloThread* Worker = nullptr;
};

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
      ScopeGuard scope({&Runner.Stop, this});
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

JobRunner::JobRunner(QObject* parent) : QObject(parent) {}

JobRunner::~JobRunner() { Abandon(); }

bool JobRunner::Start(Job job, Done done) {
  if (Running) return false;
  Stop = false;
  SetBusy(true);
  if (!EventLoopRuns()) {
    const JobResult result = Run(job);
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
  ScopeGuard scope({&Stop, nullptr});
  return job();
}

JobResult JobRunner::Await(Job job) {
  if (Running) return JobResult::Failed(BusyText());
  // Stays so when the runner is abandoned before the job's done.
  JobResult result = JobResult::Stopped();
  (void)Start(std::move(job), [&result](const JobResult& done) { result = done; });
  WaitUntilIdle();
  return result;
}

void JobRunner::WaitUntilIdle() {
  if (!Running || !Thread) return;
  QEventLoop loop;
  // Finish calls done right after this signal, before the loop looks again.
  connect(this, &JobRunner::BusyChanged, &loop, [&loop](bool busy) {
    if (!busy) loop.quit();
  });
  Waiting = &loop;
  if (loop.exec() != 0) return;  // abandoned
  Waiting = nullptr;
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
  const JobResult result = Thread->Result;
  Thread.reset();
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
  return (CurrentJob.Stop && CurrentJob.Stop->load()) || Interruption::Requested();
}

bool JobRunner::OnWorker() { return CurrentJob.Worker != nullptr; }

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
