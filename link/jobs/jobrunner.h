#pragma once
// JobRunner: the one way device work runs - an operation's port I/O on a
// worker thread, one operation at a time, one result value back.
//
// Principles of operation
// - A job is a function that does an operation's exchanges and returns a
//   JobResult: a status and the text the user is to be told (empty when
//   there is nothing to tell). It shows nothing itself; the top level that
//   started it (a pane, a dialog, a command-line subcommand) turns the
//   result into a message box, a console line or an exit code.
// - Start(job, done) runs the job on a worker thread (a TaloThread) and,
//   once it has returned and the worker is gone, calls done with the
//   result on the thread that started it, from its event loop. Meanwhile
//   that event loop keeps running: the window paints and resizes. Only one
//   job runs at a time: Start refuses (false) while one is running, so a
//   second click cannot start a second exchange on the port.
// - Where the starting thread runs no event loop (the command line, a test
//   of plain logic, the start-up before the window's loop), Start runs the
//   job inline and calls done before it returns, as TaloThread's
//   Synchronize runs its op at once where there is no main thread to hand
//   over to. Run(job) is always that inline form, for a caller that needs
//   the result now.
// - Await(job) is for a flow that needs a step's result before it can go
//   on (a dialog's initialisation, an image operation's helper check): it
//   starts the job as Start does and waits for the result in a local event
//   loop, so the window paints and the Cancel or Esc that stops the job
//   gets through. The caller keeps its own controls disabled meanwhile;
//   the views that follow BusyChanged do the rest. Without an event loop
//   it is Run. Abandoning the runner ends the wait with Cancelled.
// - Inside a job, device logic reaches the main thread through OnMainThread
//   (TaloThread's hand-over: the worker waits until the op has run, so
//   console lines arrive live and in order). Outside a job, and in an
//   inline job, OnMainThread runs the op at once.
// - Cancel() only sets a flag; the job sees it through StopRequested() at
//   the points where its operation may stop (between the lines of an
//   answer, between the files of a batch) and returns Cancelled, leaving
//   what it was to change as it was. A command line being typed stops
//   before its next byte and is erased from the shell's line
//   (DeviceShell::TypeEchoed), so nothing is left for a later command to
//   complete.
// - The ports see the same stop: every wait of a TaloComPort asks
//   StopRequested() (TaloComPort::WatchStops, installed by the first
//   runner), so a job blocked on the line ends its read or write within
//   TaloComPort::kStopPollMs of a Cancel, a deadline or Ctrl+C.
// - A job may have a deadline (Start's limit): once limit.IdleMs pass
//   without progress - since the start or the job's last Report - it is
//   stopped as by Cancel, and whatever it returns, it ends TimedOut with
//   limit.Text. Only the job's own stop points and the ports' waits see
//   it, as they see a Cancel.
// - Progress is the runner's: a job tells it through Report(done, total),
//   which renews the deadline; the runner publishes it (ProgressChanged,
//   on the runner's thread; several reports between two turns of its event
//   loop come as one, the latest) and keeps the latest (LastProgress) for
//   views that draw at their own pace. An inline job's report is published
//   at once.
// - Busy() is true from Start until done has been called (BusyChanged
//   tells the views). Destroying the runner cancels a running job and
//   waits for it; its done is then not called.
// - Start, Cancel and Busy belong to the thread that owns the runner.

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "link/jobs/jobresult.h"

class QEventLoop;

// While one lives, JobRunner::StopRequested() is false on its thread: for
// the steps that end an operation cleanly after a stop (ending a helper
// program, deleting what the operation put on the drive), which must be
// typed and read whole because they are how a stop ends.
class StopsHeld {
 public:
  StopsHeld();
  ~StopsHeld();
  StopsHeld(const StopsHeld&) = delete;
  StopsHeld& operator=(const StopsHeld&) = delete;
};

class JobRunner : public QObject {
  Q_OBJECT

 public:
  using Job = std::function<JobResult()>;
  using Done = std::function<void(const JobResult&)>;

  // A job's deadline (see above); none while IdleMs is 0.
  struct Limit {
    int64_t IdleMs = 0;
    QString Text;  // what the user is told when it passes
  };
  struct Progress {
    int64_t Done = 0;
    int64_t Total = 0;
  };

  explicit JobRunner(QObject* parent = nullptr);
  ~JobRunner() override;

  // False, and nothing run, while another job is running.
  bool Start(Job job, Done done = {});
  // As Start, the job with a deadline.
  bool Start(Job job, Done done, Limit limit);
  // The job inline on the calling thread; its result.
  JobResult Run(const Job& job);
  // The job on the worker, its result once done (see above); Failed with
  // BusyText() when another job is running.
  JobResult Await(Job job);
  bool Busy() const { return Running; }
  // Asks the running job to stop at its next stop point.
  void Cancel();
  // For an owner of done that goes away: stops the running job, waits for
  // it and forgets its done (BusyChanged is not emitted).
  void Abandon();

  // For device logic inside a job: whether its job was asked to stop, or
  // the process to end (Interruption: Ctrl+C or SIGTERM in the command
  // line, inside a job or not). False while a StopsHeld lives.
  static bool StopRequested();
  // True on a job's worker thread.
  static bool OnWorker();
  // For device logic inside a job: how far it has come (see above). Outside
  // a job it does nothing.
  static void Report(int64_t done, int64_t total);
  // The running (or last) job's latest report.
  Progress LastProgress() const { return {ProgressDone.load(), ProgressTotal.load()}; }
  // Runs op on the main thread (see above) and waits for it.
  static void OnMainThread(const std::function<void()>& op);

  // The console's line for a job that stopped on request.
  static QString StoppedText();
  // Why a second job was not started.
  static QString BusyText();

 signals:
  void BusyChanged(bool busy);
  void ProgressChanged(qint64 done, qint64 total);

 private:
  class Worker;
  void SetBusy(bool busy);
  void Finish();
  // The job's own result, or its deadline's when that passed.
  JobResult Ended(const JobResult& result) const;
  // Job side: Report, StopRequested.
  void Progressed(int64_t done, int64_t total);
  bool DeadlinePassed();
  void PublishProgress();

  std::unique_ptr<Worker> Thread;
  std::atomic<bool> Stop{false};
  // The deadline: IdleNs of silence allowed, the steady-clock time (ns) it
  // passes at, whether it has passed.
  int64_t IdleNs = 0;
  std::atomic<int64_t> DeadlineAt{0};
  std::atomic<bool> Expired{false};
  QString ExpiredText;
  std::atomic<int64_t> ProgressDone{0};
  std::atomic<int64_t> ProgressTotal{0};
  std::atomic<bool> ProgressPosted{false};
  bool Running = false;
  Done OnDone;
  QEventLoop* Waiting = nullptr;  // Await's loop, while it waits
};
