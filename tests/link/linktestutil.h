#pragma once
// Helpers of the device-link tests: elapsed time, serving the main thread
// while a worker needs it, a port on a pty and a controller peer thread on
// the pty's master.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "link/jobs/talothread.h"
#include "link/port/talocomport.h"
#include "tests/support/ptypair.h"

namespace linktest {

using Clock = std::chrono::steady_clock;

inline double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs the main thread's share (handed-over operations, events) until pred
// holds or timeoutMs passed. Returns pred().
inline bool PumpUntil(const std::function<bool()>& pred, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!pred()) {
    if (Clock::now() >= deadline) return false;
    TaloThread::ServeMainThread();
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

inline void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

// A port on a fresh pty's slave, set up as the utility sets its ports up.
struct OpenPort {
  PtyPair Pty;
  TaloComPort Port{Pty.SlavePath()};
  explicit OpenPort(uint32_t timeoutMs, uint8_t terminator = 13) {
    EXPECT_TRUE(Pty.IsValid());
    EXPECT_TRUE(Port.Open()) << "errno " << Port.LastError();
    EXPECT_TRUE(Port.Configure(kControllerLine));
    EXPECT_TRUE(Port.SetTimeouts(timeoutMs));
    Port.SetTerminator(terminator);
  }
};

// A thread playing the controller on the master side; joined on destruction.
class Peer {
 public:
  Peer() = default;
  explicit Peer(std::function<void(const std::atomic<bool>& stop)> body)
      : Thread([this, body = std::move(body)] { body(Stop); }) {}
  ~Peer() {
    Stop = true;
    if (Thread.joinable()) Thread.join();
  }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

 private:
  std::atomic<bool> Stop{false};
  std::thread Thread;
};

}  // namespace linktest
