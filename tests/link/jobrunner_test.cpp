// JobRunner: one job at a time on a worker while the event loop runs, its
// result back on the main thread, the hand-over in order, the stop flag,
// the inline form without an event loop, the deadline, the published
// progress, and the stop reaching a port blocked on the line.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include "link/jobs/interruption.h"
#include "link/jobs/jobrunner.h"
#include "link/jobs/talothread.h"
#include "tests/link/linktestutil.h"
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

// A job that stops reporting is stopped once its deadline passes and ends
// TimedOut with the deadline's text, whatever it returns; one that keeps
// reporting goes past the same limit to its own end. Inline and on a worker.
struct DeadlineCase {
  const char* Name;
  bool OnWorker;
  int ReportsForMs;  // reports every few ms for this long before it falls silent
  bool Silent;       // then waits for the stop; else returns Done
  JobStatus Expected;
};

class JobDeadline : public ::testing::TestWithParam<DeadlineCase> {};

TEST_P(JobDeadline, stopsASilentJobAndTellsItsText) {
  const DeadlineCase& c = GetParam();
  JobRunner runner;
  JobResult got;
  int reports = 0;
  const auto job = [&] {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(c.ReportsForMs);
    while (std::chrono::steady_clock::now() < until) {
      JobRunner::Report(++reports, 1000000);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      if (JobRunner::StopRequested()) return JobResult::Failed(QStringLiteral("stopped early"));
    }
    if (!c.Silent) return JobResult::Done();
    while (!JobRunner::StopRequested())
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return JobResult::Stopped();
  };
  // Wide against the 5 ms steps: a loaded machine (or a sanitizer) may
  // oversleep one by a few hundred ms.
  const JobRunner::Limit limit{1000, QStringLiteral("No progress.")};
  const auto start = [&] {
    EXPECT_TRUE(runner.Start(job, [&](const JobResult& result) { got = result; }, limit));
  };
  if (c.OnWorker)
    RunJobInLoop(runner, start);
  else
    start();
  EXPECT_EQ(got.Status, c.Expected);
  if (c.Expected == JobStatus::TimedOut) {
    EXPECT_EQ(got.Text, QStringLiteral("No progress."));
  }
  EXPECT_EQ(runner.LastProgress().Done, reports);
}

INSTANTIATE_TEST_SUITE_P(
    JobRunner, JobDeadline,
    ::testing::Values(DeadlineCase{"silentFromTheStart", true, 0, true, JobStatus::TimedOut},
                      DeadlineCase{"silentAfterProgress", true, 1500, true, JobStatus::TimedOut},
                      DeadlineCase{"reportingPastTheLimit", true, 1500, false, JobStatus::Ok},
                      DeadlineCase{"inlineSilent", false, 100, true, JobStatus::TimedOut},
                      DeadlineCase{"inlineReporting", false, 1500, false, JobStatus::Ok}),
    [](const auto& info) { return std::string(info.param.Name); });

// A worker's reports reach the runner's thread in order, the last one among
// them; an inline job's at once.
TEST(JobRunner, publishesProgressOnItsThread) {
  JobRunner runner;
  std::vector<qint64> seen;
  bool allOnMain = true;
  QObject::connect(&runner, &JobRunner::ProgressChanged, [&](qint64 done, qint64 total) {
    allOnMain = allOnMain && TaloThread::IsMainThread();
    EXPECT_EQ(total, 500);
    seen.push_back(done);
  });
  const auto job = [] {
    for (int i = 1; i <= 500; ++i) JobRunner::Report(i, 500);
    return JobResult::Done();
  };
  RunJobInLoop(runner, [&] { (void)runner.Start(job); });
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), 500);
  EXPECT_TRUE(allOnMain);
  seen.clear();
  (void)runner.Start(job);  // no loop runs: inline
  EXPECT_EQ(seen.size(), 500u);
}

// A port blocked on the line gives up its read or write soon after the stop
// is asked - a Cancel, Ctrl+C - but not while the stop is held (the erase of
// a half-typed line reads its echoes after a stop).
struct PortStopCase {
  const char* Name;
  bool Write;         // a write on a full line, else a read of silence
  bool ByInterrupt;   // Interruption::Request, else runner.Cancel
  bool Held;          // inside a StopsHeld
};

class PortStop : public ::testing::TestWithParam<PortStopCase> {};

TEST_P(PortStop, blockedReadOrWriteGivesUpWhenAsked) {
  const PortStopCase& c = GetParam();
  Interruption::Reset();
  linktest::OpenPort p(c.Held ? 200 : 300000);  // held: ends at its own bound
  if (c.Write) {
    ASSERT_GT(p.Pty.FillTowardsMaster(), 0u);  // nobody reads the master
  }
  JobRunner runner;
  double endedAfterMs = -1;
  RunJobInLoop(runner, [&] {
    (void)runner.Start([&] {
      std::optional<StopsHeld> held;
      if (c.Held) held.emplace();
      uint8_t buffer[8] = {};
      const auto start = linktest::Clock::now();
      const bool ok = c.Write ? p.Port.Write(4, buffer) : p.Port.Read(8, buffer);
      endedAfterMs = linktest::MsSince(start);
      return ok ? JobResult::Done() : JobResult::Stopped();
    });
    QTimer::singleShot(50, &runner, [&] {
      if (c.ByInterrupt)
        Interruption::Request();
      else
        runner.Cancel();
    });
  });
  Interruption::Reset();
  // Held, the wait runs to its own bound (4 bytes at 200 ms: a second;
  // 8 bytes: 1.8 s) and not to the stop.
  if (c.Held) {
    EXPECT_GE(endedAfterMs, 900);
  } else {
    EXPECT_LT(endedAfterMs, 50 + 500) << "the wait did not end at the stop";
  }
  EXPECT_GE(endedAfterMs, 40);
  EXPECT_TRUE(p.Port.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    JobRunner, PortStop,
    ::testing::Values(PortStopCase{"readCancelled", false, false, false},
                      PortStopCase{"writeCancelled", true, false, false},
                      PortStopCase{"readInterrupted", false, true, false},
                      PortStopCase{"writeInterrupted", true, true, false},
                      PortStopCase{"readHeld", false, false, true},
                      PortStopCase{"writeHeld", true, true, true}),
    [](const auto& info) { return std::string(info.param.Name); });
