// TaloThread: created paused, safe-point pausing, hand-over to the main
// thread, termination of paused and waiting threads.
#include <gtest/gtest.h>

#include <atomic>

#include "link/jobs/talothread.h"
#include "tests/link/linktestutil.h"

using linktest::Clock;
using linktest::MsSince;
using linktest::PumpUntil;

namespace {

// Counts loop passes; each pass is a safe point followed by a short sleep.
class CountingThread : public TaloThread {
 public:
  std::atomic<int> Passes{0};
  ~CountingThread() override {
    Terminate();
    WaitFor();
  }

 protected:
  void Execute() override {
    while (SafePoint()) {
      ++Passes;
      Sleep(1);
    }
  }
};

// Hands one operation to the main thread per pass.
class HandingThread : public TaloThread {
 public:
  std::atomic<int> Ran{0};
  std::atomic<int> Refused{0};
  std::atomic<bool> RanOnMain{true};
  int Passes = 1;
  ~HandingThread() override {
    Terminate();
    WaitFor();
  }

 protected:
  void Execute() override {
    for (int i = 0; i < Passes && !Terminated(); ++i) {
      const bool ok = Synchronize([this] {
        if (!IsMainThread()) RanOnMain = false;
        ++Ran;
      });
      if (!ok) ++Refused;
    }
  }
};

}  // namespace

TEST(TaloThread, runsOnlyBetweenResumeAndSuspendParkingAtSafePoints) {
  CountingThread t;
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(t.Passes.load(), 0) << "created paused";
  EXPECT_FALSE(t.Started());
  t.Resume();
  ASSERT_TRUE(PumpUntil([&] { return t.Passes > 3; }, 5000));
  t.Suspend();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));  // let it reach the safe point
  const int parked = t.Passes;
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(t.Passes.load(), parked);
  t.Resume();
  EXPECT_TRUE(PumpUntil([&] { return t.Passes > parked + 3; }, 5000));
}

TEST(TaloThread, terminatingAPausedThreadRunsNothingMoreOfItsLoop) {
  CountingThread t;
  t.Resume();
  ASSERT_TRUE(PumpUntil([&] { return t.Passes > 0; }, 5000));
  t.Suspend();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const int parked = t.Passes;
  const auto start = Clock::now();
  t.Terminate();
  t.WaitFor();
  EXPECT_LT(MsSince(start), 1000);
  EXPECT_EQ(t.Passes.load(), parked);
  EXPECT_TRUE(t.Finished());
}

TEST(TaloThread, sleepEndsEarlyOnTerminate) {
  class Sleeper : public TaloThread {
   public:
    ~Sleeper() override {
      Terminate();
      WaitFor();
    }

   protected:
    void Execute() override { Sleep(60000); }
  } t;
  t.Resume();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const auto start = Clock::now();
  t.Terminate();
  t.WaitFor();
  EXPECT_LT(MsSince(start), 1000);
}

TEST(TaloThread, synchronizeRunsOnTheMainThreadServedByWaitFor) {
  // The main thread joins without pumping events: WaitFor itself must serve
  // the worker's hand-overs or both would wait for ever.
  HandingThread t;
  t.Passes = 20;
  t.Resume();
  const auto start = Clock::now();
  t.WaitFor();
  EXPECT_LT(MsSince(start), 5000);
  EXPECT_EQ(t.Ran.load(), 20);
  EXPECT_TRUE(t.RanOnMain.load());
}

TEST(TaloThread, terminateWithdrawsAnOperationNotYetRun) {
  HandingThread t;
  t.Resume();
  // Nobody serves the main thread here: the op stays queued.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  t.Terminate();
  const auto start = Clock::now();
  while (!t.Finished() && MsSince(start) < 5000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(t.Finished()) << "Synchronize returned without the main thread";
  TaloThread::ServeMainThread();
  EXPECT_EQ(t.Ran.load(), 0);
  EXPECT_EQ(t.Refused.load(), 1);
}

TEST(TaloThread, suspendDoesNotBlockTheMainThreadWhileWorkerWaitsForIt) {
  HandingThread t;
  t.Passes = 1000000;
  t.Resume();
  ASSERT_TRUE(PumpUntil([&] { return t.Ran > 3; }, 5000));
  // The worker is most likely waiting in Synchronize now.
  const auto start = Clock::now();
  t.Suspend();
  EXPECT_LT(MsSince(start), 100);
  PumpUntil([] { return false; }, 30);  // the pending op runs, then it parks
  const int parked = t.Ran;
  PumpUntil([] { return false; }, 60);
  EXPECT_EQ(t.Ran.load(), parked);
  t.Resume();
  EXPECT_TRUE(PumpUntil([&] { return t.Ran > parked + 3; }, 5000));
}
