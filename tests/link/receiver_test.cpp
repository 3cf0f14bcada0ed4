// TaloComReceiver on a real pty: idle pacing, burst pauses, a port that goes
// away under it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "linktestutil.h"
#include "talodataring.h"
#include "taloreceiver.h"

using linktest::Clock;
using linktest::MsSince;
using linktest::PumpFor;
using linktest::PumpUntil;

namespace {

struct TerminalLine : linktest::OpenPort {
  TaloDataRing Ring;
  TaloComReceiver Receiver{&Ring};
  TerminalLine() : OpenPort(1) { Receiver.SetPort(&Port); }
  ~TerminalLine() {
    Receiver.Terminate();
    Receiver.WaitFor();
  }
};

}  // namespace

// An idle line, no port at all and a line that hung up all cost one short
// read every 52 ms: more would mean the receiver does not sleep. The hang-up
// is reported once, on the main thread, and the dead port is let go.
TEST(Receiver, idlesAtOneShortReadEvery52MsWithOrWithoutALine) {
  for (const std::string state : {"idle line", "no port", "hung up"}) {
    SCOPED_TRACE(state);
    TerminalLine t;
    int lost = 0;
    t.Receiver.SetLineLostHandler([&] {
      EXPECT_TRUE(TaloThread::IsMainThread());
      ++lost;
    });
    if (state == "no port") t.Receiver.SetPort(nullptr);
    t.Receiver.Resume();
    PumpFor(60);
    if (state == "hung up") {
      t.Pty.ReleaseSlave();
      t.Pty.CloseMaster();
      // The receiver notices at its next read; a loaded machine (or a
      // sanitizer build) can put that later than one read interval.
      for (int waited = 0; waited < 2000 && t.Receiver.GetPort() != nullptr; waited += 20)
        PumpFor(20);
      EXPECT_FALSE(t.Port.IsOpen());
      EXPECT_TRUE(t.Port.IsDisconnected());
      EXPECT_EQ(t.Receiver.GetPort(), nullptr);
    }
    const uint64_t before = t.Receiver.ReadCount();
    PumpFor(520);
    const uint64_t reads = t.Receiver.ReadCount() - before;
    EXPECT_LE(reads, 12u) << "about 10";
    EXPECT_GE(reads, 4u);
    EXPECT_EQ(t.Receiver.PushCount(), 0u);
    EXPECT_EQ(lost, state == "hung up" ? 1 : 0);
  }
}

TEST(Receiver, streamPausesAfterEvery258Bytes) {
  TerminalLine t;
  std::string data;
  for (int i = 0; i < 1000; ++i) data.push_back(static_cast<char>(i % 256));
  ASSERT_TRUE(t.Pty.Write(data));
  t.Receiver.Resume();
  // Watch the push counter from the main thread, which serves every read: a
  // pause shows as the counter standing still. The main thread may itself be
  // scheduled late on a loaded machine, so it sees less than the receiver's
  // 30 ms; any stand-still well above a read's hand-over counts.
  std::vector<std::pair<uint64_t, double>> stalls;  // count, length
  uint64_t last = 0;
  auto lastChange = Clock::now();
  const auto start = Clock::now();
  while (t.Receiver.PushCount() < 1000 && MsSince(start) < 10000) {
    TaloThread::ServeMainThread();
    const uint64_t now = t.Receiver.PushCount();
    if (now != last) {
      if (MsSince(lastChange) > 10) stalls.emplace_back(last, MsSince(lastChange));
      last = now;
      lastChange = Clock::now();
    }
  }
  ASSERT_EQ(t.Receiver.PushCount(), 1000u);
  // Bytes already waiting travel together: a handful of hand-overs to the
  // main thread, not one per byte.
  EXPECT_LT(t.Receiver.ReadCount(), 50u);
  for (const uint64_t at : {258u, 516u, 774u}) {
    const auto found = std::find_if(stalls.begin(), stalls.end(),
                                    [&](const auto& s) { return s.first == at; });
    std::string seen;
    for (const auto& s : stalls) seen += " " + std::to_string(s.first) + "/" + std::to_string(s.second);
    EXPECT_NE(found, stalls.end()) << "no pause after byte " << at << "; pauses seen:" << seen;
  }
  std::string got;
  uint8_t byte = 0;
  while (t.Ring.Pop(byte)) got.push_back(static_cast<char>(byte));
  EXPECT_EQ(got, data);
}

// A line slower than the reads (57600 baud: about six bytes a millisecond)
// costs a few hand-overs per breather, not one for every byte or two, and
// loses nothing.
TEST(Receiver, pacedStreamGathersBytesBetweenReads) {
  TerminalLine t;
  std::string data;
  for (int i = 0; i < 1800; ++i) data.push_back(static_cast<char>('0' + i % 64));
  t.Receiver.Resume();
  linktest::Peer controller([&](const std::atomic<bool>& stop) {
    for (size_t at = 0; at < data.size() && !stop; at += 6) {
      (void)t.Pty.Write(data.substr(at, 6));
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  ASSERT_TRUE(PumpUntil([&] { return t.Receiver.PushCount() >= data.size(); }, 10000));
  EXPECT_LT(t.Receiver.ReadCount(), 100u) << "about three per 258 bytes";
  std::string got;
  uint8_t byte = 0;
  while (t.Ring.Pop(byte)) got.push_back(static_cast<char>(byte));
  EXPECT_EQ(got, data);
}

TEST(Receiver, readHandedOverAfterThePortWasClearedDoesNothing) {
  TerminalLine t;
  t.Receiver.Resume();
  PumpFor(30);
  // The terminal stops: the worker may already have a read queued for us.
  t.Receiver.Suspend();
  t.Receiver.SetPort(nullptr);
  t.Port.Close();
  ASSERT_TRUE(t.Pty.Write("zz"));
  PumpFor(100);
  EXPECT_EQ(t.Receiver.PushCount(), 0u);
}
