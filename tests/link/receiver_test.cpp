// TerminalReader on a real pty: idle pacing, burst pauses, a port that goes
// away under it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "link/terminal/talodataring.h"
#include "link/terminal/terminalreader.h"
#include "tests/link/linktestutil.h"

using linktest::Clock;
using linktest::MsSince;
using linktest::PumpFor;
using linktest::PumpUntil;

namespace {

struct TerminalLine : linktest::OpenPort {
  TaloDataRing Ring;
  TerminalReader Receiver{&Ring};
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
  // Each read is noticed here a moment after the receiver's thread made it
  // (the first may even be made before this thread looks), so the time
  // between two reads seen is the receiver's sleep give or take that moment.
  // For each read, note when it was seen and how many bytes had been pushed
  // by then, starting from the moment before the receiver runs.
  struct Served {
    double at;
    uint64_t pushed;
  };
  std::vector<Served> reads{{0.0, 0}};
  uint64_t seenReads = t.Receiver.ReadCount();
  const auto start = Clock::now();
  t.Receiver.Resume();
  while (t.Receiver.PushCount() < 1000 && MsSince(start) < 10000) {
    TaloThread::ServeMainThread();
    if (t.Receiver.ReadCount() != seenReads) {
      seenReads = t.Receiver.ReadCount();
      reads.push_back({MsSince(start), t.Receiver.PushCount()});
    }
  }
  ASSERT_EQ(t.Receiver.PushCount(), 1000u);
  // Bytes already waiting travel together: a handful of reads, not one per
  // byte.
  EXPECT_LT(t.Receiver.ReadCount(), 50u);
  // The read that ends at a breather's byte is followed by the 30 ms pause
  // before the next one. The count noted at a read may lag its own bytes,
  // never the earlier ones, so the pair spans the byte either way.
  std::string seen;
  for (const Served& r : reads) seen += " " + std::to_string(r.pushed) + "@" + std::to_string(r.at);
  for (const uint64_t byte : {258u, 516u, 774u}) {
    bool paused = false;
    for (size_t i = 1; i < reads.size(); ++i)
      paused |= reads[i - 1].pushed <= byte && reads[i].pushed >= byte && reads[i].at - reads[i - 1].at >= 20;
    EXPECT_TRUE(paused) << "no pause after byte " << byte << "; reads:" << seen;
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
  // The terminal stops: the worker may be about to read.
  t.Receiver.Suspend();
  t.Receiver.SetPort(nullptr);
  t.Port.Close();
  ASSERT_TRUE(t.Pty.Write("zz"));
  PumpFor(100);
  EXPECT_EQ(t.Receiver.PushCount(), 0u);
}
