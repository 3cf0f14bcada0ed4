// JobRunner: one job at a time on a worker while the event loop runs, its
// result back on the main thread, the hand-over in order, the stop flag,
// and the inline form without an event loop.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "link/jobs/jobrunner.h"
#include "link/jobs/talothread.h"
#include "tests/support/jobloop.h"

namespace {
// The job waits for the loop to tick several times: it ends only if the
// loop was not held while it ran.
bool TicksSeen(const std::atomic<int>& ticks) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (ticks < 5 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return ticks >= 5;
}
}  // namespace

TEST(JobRunner, runsTheJobOnAWorkerWhileTheLoopKeepsTicking) {
  JobRunner runner;
  std::thread::id jobThread;
  std::thread::id doneThread;
  std::atomic<int> ticks{0};
  bool loopRan = false;
  JobResult got = JobResult::Failed(QStringLiteral("not run"));
  RunJobInLoop(
      runner,
      [&] {
        EXPECT_TRUE(runner.Start(
            [&] {
              jobThread = std::this_thread::get_id();
              loopRan = TicksSeen(ticks);
              return JobResult{JobStatus::TimedOut, QStringLiteral("late")};
            },
            [&](const JobResult& result) {
              doneThread = std::this_thread::get_id();
              got = result;
            }));
        EXPECT_TRUE(runner.Busy());
      },
      [&] { ++ticks; });
  EXPECT_TRUE(loopRan) << "the loop was held while the job ran";
  EXPECT_NE(jobThread, std::this_thread::get_id());
  EXPECT_EQ(doneThread, std::this_thread::get_id());
  EXPECT_EQ(got.Status, JobStatus::TimedOut);
  EXPECT_EQ(got.Text, QStringLiteral("late"));
}

TEST(JobRunner, refusesASecondJobWhileOneRuns) {
  JobRunner runner;
  int ran = 0;
  RunJobInLoop(runner, [&] {
    EXPECT_TRUE(runner.Start([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      ++ran;
      return JobResult::Done();
    }));
    EXPECT_FALSE(runner.Start([&] {
      ++ran;
      return JobResult::Done();
    }));
  });
  EXPECT_EQ(ran, 1);
  EXPECT_FALSE(runner.Busy());
}

TEST(JobRunner, handsOpsToTheMainThreadInOrderWhileTheJobWaits) {
  JobRunner runner;
  std::vector<int> seen;
  bool allOnMain = true;
  RunJobInLoop(runner, [&] {
    (void)runner.Start([&] {
      for (int i = 0; i < 200; ++i)
        JobRunner::OnMainThread([&, i] {
          allOnMain = allOnMain && TaloThread::IsMainThread();
          seen.push_back(i);
        });
      // Every op has run by the time the job goes on.
      return seen.size() == 200 ? JobResult::Done() : JobResult::Failed(QStringLiteral("lost"));
    });
  });
  ASSERT_EQ(seen.size(), 200u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(seen[static_cast<size_t>(i)], i);
  EXPECT_TRUE(allOnMain);
}

TEST(JobRunner, cancelIsSeenAtTheJobsStopPoint) {
  JobRunner runner;
  JobResult got;
  RunJobInLoop(runner, [&] {
    (void)runner.Start(
        [] {
          while (!JobRunner::StopRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          return JobResult::Stopped();
        },
        [&](const JobResult& result) { got = result; });
    QTimer::singleShot(30, &runner, [&] { runner.Cancel(); });
  });
  EXPECT_TRUE(got.Cancelled());
  EXPECT_FALSE(JobRunner::StopRequested());  // outside a job
}

TEST(JobRunner, runsInlineWhereNoEventLoopRuns) {
  JobRunner runner;
  std::vector<bool> busyChanges;
  QObject::connect(&runner, &JobRunner::BusyChanged,
                   [&](bool busy) { busyChanges.push_back(busy); });
  std::thread::id jobThread;
  bool done = false;
  EXPECT_TRUE(runner.Start(
      [&] {
        jobThread = std::this_thread::get_id();
        EXPECT_FALSE(JobRunner::OnWorker());
        return JobResult::Done();
      },
      [&](const JobResult& result) { done = result.Ok(); }));
  EXPECT_TRUE(done);  // before Start returned
  EXPECT_EQ(jobThread, std::this_thread::get_id());
  EXPECT_EQ(busyChanges, (std::vector<bool>{true, false}));
}

TEST(JobRunner, destroyingTheRunnerStopsAndJoinsItsJob) {
  std::atomic<bool> started{false};
  std::atomic<bool> stopped{false};
  bool doneCalled = false;
  {
    JobRunner runner;
    QEventLoop loop;
    QTimer::singleShot(0, [&] {
      (void)runner.Start(
          [&] {
            started = true;
            while (!JobRunner::StopRequested())
              std::this_thread::sleep_for(std::chrono::milliseconds(1));
            stopped = true;
            return JobResult::Stopped();
          },
          [&](const JobResult&) { doneCalled = true; });
      while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      loop.quit();
    });
    loop.exec();
  }
  EXPECT_TRUE(stopped);
  EXPECT_FALSE(doneCalled);
}

TEST(JobRunner, awaitGivesTheResultWhileTheLoopKeepsTicking) {
  JobRunner runner;
  JobResult got;
  std::thread::id jobThread;
  std::atomic<int> ticks{0};
  bool loopRan = false;
  RunJobInLoop(
      runner,
      [&] {
        got = runner.Await([&] {
          jobThread = std::this_thread::get_id();
          loopRan = TicksSeen(ticks);
          return JobResult{JobStatus::Disconnected, QStringLiteral("gone")};
        });
      },
      [&] { ++ticks; });
  EXPECT_TRUE(loopRan) << "the loop was held while the job ran";
  EXPECT_NE(jobThread, std::this_thread::get_id());
  EXPECT_EQ(got.Status, JobStatus::Disconnected);
  EXPECT_EQ(got.Text, QStringLiteral("gone"));
  EXPECT_FALSE(runner.Busy());
}

TEST(JobRunner, abandoningTheRunnerEndsAnAwaitAsStopped) {
  JobRunner runner;
  JobResult got;
  QEventLoop loop;
  QTimer::singleShot(0, [&] {
    QTimer::singleShot(30, [&] { runner.Abandon(); });
    got = runner.Await([] {
      while (!JobRunner::StopRequested())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return JobResult::Done();
    });
    loop.quit();
  });
  loop.exec();
  EXPECT_TRUE(got.Cancelled());
  EXPECT_FALSE(runner.Busy());
}
