#pragma once
// DioWorker: runs the DIO panel's exchanges on a thread of their own, so
// the panel keeps repainting and answering while a module takes its time.
//
// Principles of operation
// - Run(job, done): job runs on the worker thread, jobs strictly one after
//   another in the order given, so the order on the wire is the order of the
//   calls. done then runs on the thread that created the worker (the main
//   thread), from its event loop, with the job's result: a JobResult, as
//   every device job gives (link/jobs/jobrunner.h). What a job reads beside it
//   (a poll's bytes) it leaves in an object that done reads after it: the
//   hand-back orders the two.
// - Busy() tells whether a job is queued or running; the owner uses it to
//   keep polls from piling up behind a slow module.
// - The destructor lets the queued jobs finish and joins the thread; done
//   calls that have not run by then are dropped. Jobs must not touch the
//   widgets, only what the owner hands to the worker for good (the port and
//   the module object).

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

#include "link/jobs/jobrunner.h"

class DioWorker : public QObject {
  Q_OBJECT

 public:
  explicit DioWorker(QObject* parent = nullptr);
  ~DioWorker() override;

  void Run(JobRunner::Job job, JobRunner::Done done) {
    // The result travels by value inside the hand-back.
    Post([job = std::move(job), done = std::move(done)]() mutable -> std::function<void()> {
      return [done = std::move(done), result = job()] { done(result); };
    });
  }
  bool Busy() const { return Pending > 0; }

 private:
  // Runs job on the thread; what it returns runs on the owner's thread.
  void Post(std::function<std::function<void()>()> job);

  QThread Thread;
  std::unique_ptr<QObject> Context;  // lives on Thread; jobs are queued to it
  int Pending = 0;
};
