// TaloComPort on real pseudo-terminals: time-outs, purge, line reads,
// exclusive open, hang-up, names and line settings.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>

#include <linux/serial.h>

#include <cerrno>
#include <future>

#include "link/port/lowlatencymode.h"
#include "link/port/portscan.h"
#include "link/port/talocomport.h"
#include "tests/link/linktestutil.h"

using linktest::Clock;
using linktest::MsSince;
using linktest::OpenPort;
using linktest::Peer;

namespace {

// Generous upper slack: the machine is shared and loaded; the lower bounds
// are what proves a time-out is not cut short.
constexpr double kSlackMs = 150;

std::string Text(const uint8_t* bytes, size_t count) {
  return std::string(reinterpret_cast<const char*>(bytes), count);
}

double CpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

}  // namespace

// ---- time-outs -------------------------------------------------------------

struct BoundCase {
  const char* Name;
  uint32_t Timeout;
  std::string Waiting;  // already on the line
  size_t Count;         // bytes asked for; 0: a write of four bytes on a full line
  double EndsAtMs;
};

class TimeoutBound : public ::testing::TestWithParam<BoundCase> {};

TEST_P(TimeoutBound, operationEndsAtItsBoundAndNotBefore) {
  const BoundCase& c = GetParam();
  OpenPort p(c.Timeout);
  if (c.Count == 0) {
    ASSERT_GT(p.Pty.FillTowardsMaster(), 0u);  // nobody reads the master
  }
  ASSERT_TRUE(p.Pty.Write(c.Waiting));
  uint8_t buffer[16] = {};
  size_t got = 99;
  const auto start = Clock::now();
  EXPECT_FALSE(c.Count ? p.Port.Read(c.Count, buffer, &got) : p.Port.Write(4, buffer));
  const double elapsed = MsSince(start);
  if (c.Count) {
    EXPECT_EQ(Text(buffer, got), c.Waiting);
  }
  EXPECT_GE(elapsed, c.EndsAtMs - 0.5);
  EXPECT_LE(elapsed, c.EndsAtMs + kSlackMs);
  EXPECT_TRUE(p.Port.IsOpen()) << "a time-out is not an error of the port";
}

INSTANTIATE_TEST_SUITE_P(
    ComPort, TimeoutBound,
    ::testing::Values(BoundCase{"idleOneByteReadAt1WaitsTwiceTheTimeout", 1, "", 1, 2},
                      BoundCase{"idleOneByteReadAt100", 100, "", 1, 200},
                      BoundCase{"idleOneByteReadAt200", 200, "", 1, 400},
                      BoundCase{"idleOneByteReadAt500", 500, "", 1, 1000},
                      BoundCase{"idleReadOfFiveBytesWaitsTimeoutPerByteAndOneMore", 100, "", 5, 600},
                      BoundCase{"gapLongerThanTimeoutAfterFirstBytesEndsTheRead", 100, "abc", 10, 100},
                      BoundCase{"writeOnBlockedLineEndsAtItsBound", 100, "", 0, 500}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ComPortTimeouts, readCompletesWhileBytesKeepComing) {
  // Before the first byte only the total counts (2T for one byte), not the
  // gap; after it, bytes spaced below T keep the read going.
  const struct {
    uint32_t Timeout;
    int FirstMs, SpacingMs;
    std::string Bytes;
  } cases[] = {{200, 280, 0, "x"}, {100, 0, 30, "abcdef"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Bytes);
    OpenPort p(c.Timeout);
    Peer peer([&](const auto& stop) {
      std::this_thread::sleep_for(std::chrono::milliseconds(c.FirstMs));
      for (size_t i = 0; i < c.Bytes.size() && !stop; ++i) {
        p.Pty.Write(c.Bytes.substr(i, 1));
        std::this_thread::sleep_for(std::chrono::milliseconds(c.SpacingMs));
      }
    });
    uint8_t buffer[8] = {};
    EXPECT_TRUE(p.Port.Read(c.Bytes.size(), buffer));
    EXPECT_EQ(Text(buffer, c.Bytes.size()), c.Bytes);
  }
}

// A worker's stop request ends a read that would otherwise wait for minutes
// (past the test's own deadline); the bytes that came stay in the buffer.
TEST(ComPortTimeouts, stopFlagEndsAWaitingReadKeepingWhatArrived) {
  OpenPort p(300000);  // five minutes between bytes
  std::atomic<bool> stopRequested{false};
  p.Port.SetStopFlag(&stopRequested);
  Peer peer([&](const auto&) {
    p.Pty.Write("ab");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stopRequested = true;
  });
  uint8_t buffer[10] = {};
  size_t received = 0;
  EXPECT_FALSE(p.Port.Read(10, buffer, &received));
  EXPECT_EQ(Text(buffer, received), "ab");
  EXPECT_TRUE(p.Port.IsOpen());
}

TEST(ComPortWrite, discardsUnreadInputAndSendsEveryByteUnchanged) {
  OpenPort p(100);
  ASSERT_TRUE(p.Pty.Write("stale echo"));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  ASSERT_TRUE(p.Port.WriteText(all));
  EXPECT_EQ(p.Pty.Read(all.size(), 2000), all) << "raw mode: no CR/LF translation, no XON/XOFF";
  ASSERT_TRUE(p.Pty.Write("E"));
  uint8_t byte = 0;
  ASSERT_TRUE(p.Port.Read(1, &byte));
  EXPECT_EQ(byte, 'E') << "the stale bytes must not satisfy the read";
}

// ---- ReadLine --------------------------------------------------------------

struct LineCase {
  const char* Name;
  std::string Wire;
  size_t Limit;
  bool Result;
  std::string Text;
  std::string Next;  // what a following read of up to 8 bytes gets
};

class ReadLineCases : public ::testing::TestWithParam<LineCase> {};

TEST_P(ReadLineCases, keepsLimitsAndPartialText) {
  const LineCase& c = GetParam();
  OpenPort p(20, 10);
  ASSERT_TRUE(p.Pty.Write(c.Wire));
  std::string text = "old";
  EXPECT_EQ(p.Port.ReadLine(c.Limit, text), c.Result);
  EXPECT_EQ(text, c.Text);
  uint8_t rest[8] = {};
  size_t got = 0;
  (void)p.Port.Read(8, rest, &got);
  EXPECT_EQ(Text(rest, got), c.Next);
}

std::string Alphabet(size_t size) {
  std::string text;
  for (size_t i = 0; i < size; ++i) text.push_back(static_cast<char>('A' + i % 26));
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    ComPortReadLine, ReadLineCases,
    ::testing::Values(
        LineCase{"lineEndsWithTerminator", "dir\r\nnext", 1024, true, "dir\r\n", "next"},
        LineCase{"promptWithoutLineEndIsKeptOnTimeout", "D:\\>", 1024, false, "D:\\>", ""},
        LineCase{"zeroByteCountsButIsNotStored", std::string("a\0b\n", 4), 1024, true, "ab\n", ""},
        LineCase{"zeroBytesCountAgainstTheLimit", std::string("a\0bc\nX", 6), 4, false, "ab",
                 "\nX"},
        LineCase{"limitThByteIsConsumedAndDropped", "abcdef", 4, false, "abc", "ef"},
        LineCase{"terminatorAsLimitThByteIsDropped", "abc\nZ", 4, false, "abc", "Z"},
        LineCase{"limitOneStoresNothing", "xy", 1, false, "", "y"},
        LineCase{"longLineKeeps1023BytesAndDropsThe1024th", Alphabet(1032), 1024, false,
                 Alphabet(1023), Alphabet(1032).substr(1024)}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- exclusive open and names ----------------------------------------------

TEST(ComPortOpen, portHeldByAnotherObjectOrProgramCannotBeOpened) {
  OpenPort first(100);
  TaloComPort second(first.Pty.SlavePath());
  EXPECT_FALSE(second.Open());
  EXPECT_TRUE(second.IsHeldElsewhere());
  EXPECT_EQ(second.LastError(), EBUSY);
  first.Port.Close();
  const int other = ::open(first.Pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_FALSE(second.Open());
  EXPECT_TRUE(second.IsHeldElsewhere()) << "another program's lock counts the same";
  ::close(other);
  EXPECT_TRUE(second.Open()) << "free again once the others let it go";
  EXPECT_EQ(second.LastError(), 0);
}

// A USB serial driver as the ioctl layer sees it: its flags, and whether it
// takes the serial-settings requests at all.
struct FakeDriver {
  int Flags = ASYNC_SPD_HI;  // something the utility must leave as it is
  bool Supports = true;
  bool SetFails = false;
  int Sets = 0;
};
FakeDriver Driver;

int FakeIoctl(int, unsigned long request, serial_struct* settings) {
  if (!Driver.Supports) return errno = ENOTTY, -1;
  if (request == TIOCGSERIAL) {
    *settings = serial_struct{};
    settings->flags = Driver.Flags;
    return 0;
  }
  if (Driver.SetFails) return errno = EIO, -1;
  ++Driver.Sets;
  Driver.Flags = settings->flags;
  return 0;
}

TEST(ComPortOpen, asksForLowLatencyAndPutsBackWhatItFound) {
  LowLatencyMode::SetIoctlForTesting(&FakeIoctl);
  PtyPair pty;
  {
    Driver = FakeDriver{};
    TaloComPort port(pty.SlavePath());
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(Driver.Flags, ASYNC_SPD_HI | ASYNC_LOW_LATENCY);
    EXPECT_TRUE(port.Close());
    EXPECT_EQ(Driver.Flags, ASYNC_SPD_HI) << "restored on close";
  }
  {
    Driver = FakeDriver{};
    Driver.Flags |= ASYNC_LOW_LATENCY;
    TaloComPort port(pty.SlavePath());
    ASSERT_TRUE(port.Open());
    EXPECT_TRUE(port.Close());
    EXPECT_EQ(Driver.Flags, ASYNC_SPD_HI | ASYNC_LOW_LATENCY) << "already on: left on";
    EXPECT_EQ(Driver.Sets, 0);
  }
  for (const bool refuses : {true, false}) {
    Driver = FakeDriver{};
    Driver.Supports = !refuses;   // no serial settings at all
    Driver.SetFails = !refuses;   // settings readable, changes refused
    TaloComPort port(pty.SlavePath());
    EXPECT_TRUE(port.Open()) << "a refusal never fails the open";
    EXPECT_TRUE(port.Close());
    EXPECT_EQ(Driver.Flags, ASYNC_SPD_HI);
  }
  {
    Driver = FakeDriver{};
    TaloComPort port(pty.SlavePath());
    ASSERT_TRUE(port.Open());
    Driver.SetFails = true;  // the adapter went away
    EXPECT_TRUE(port.Close()) << "a failed restore does not fail the close";
    EXPECT_TRUE(port.Open()) << "and the port opens again";
    EXPECT_TRUE(port.Close());
  }
  LowLatencyMode::SetIoctlForTesting(nullptr);
  // A real pty has no serial settings: open, exchange and close as ever.
  OpenPort plain(100);
  const uint8_t byte = 'x';
  EXPECT_TRUE(plain.Port.Write(1, &byte));
  EXPECT_TRUE(plain.Port.Close());
}

TEST(ComPortOpen, missingOrEmptyNameFailsWithItsOsError) {
  TaloComPort missing("/dev/talo-no-such-port");
  EXPECT_FALSE(missing.Open());
  EXPECT_EQ(missing.LastError(), ENOENT);
  EXPECT_FALSE(missing.IsHeldElsewhere());
  TaloComPort notATerminal("/dev/null");
  EXPECT_FALSE(notATerminal.Open());
  EXPECT_FALSE(notATerminal.IsOpen()) << "nothing is left open";
  EXPECT_EQ(notATerminal.LastError(), ENOTTY);
  TaloComPort empty("");
  EXPECT_FALSE(empty.Open());
  EXPECT_TRUE(empty.Close()) << "closing a port that never opened is fine";
  uint8_t byte = 0;
  EXPECT_FALSE(empty.Read(1, &byte));
  EXPECT_FALSE(empty.Write(1, &byte));
}

TEST(ComPortNames, resolveAsTheUserTypesThem) {
  const std::pair<std::string, std::string> cases[] = {
      {"ttyUSB0", "/dev/ttyUSB0"},
      {"ttyS0", "/dev/ttyS0"},
      {"COM1", "/dev/ttyS0"},
      {"com12", "/dev/ttyS11"},
      {"COM255", "/dev/ttyS254"},
      {"COM0", "/dev/COM0"},
      {"COMX", "/dev/COMX"},
      {"/tmp/ttyTALO", "/tmp/ttyTALO"},
      {"serial/by-id/usb-adapter-port0", "serial/by-id/usb-adapter-port0"},  // a path
      {"ttyUSB_a_rather_long_adapter_name_0", "/dev/ttyUSB_a_rather_long_adapter_name_0"},
      {"", ""},
  };
  for (const auto& [name, path] : cases) {
    EXPECT_EQ(TaloComPort::ResolveDevicePath(name), path) << name;
    EXPECT_EQ(TaloComPort(name).PortName(), name) << "names are never cut";
  }
}

TEST(PortScan, listsEnvironmentPortsWhenFreeOrHeldButNotMissingOnes) {
  PtyPair a, b;
  const std::string list = a.SlavePath() + "::/dev/talo-no-such-port:" + b.SlavePath() + ":/dev/null";
  ::setenv("TALO7100_PORTS", list.c_str(), 1);
  TaloComPort holder(b.SlavePath());
  ASSERT_TRUE(holder.Open());
  const auto ports = ScanComPort();
  ::unsetenv("TALO7100_PORTS");
  std::vector<std::string> tail(ports.end() - std::min<size_t>(ports.size(), 2), ports.end());
  EXPECT_EQ(tail, (std::vector<std::string>{a.SlavePath(), b.SlavePath()}));
  EXPECT_TRUE(holder.IsOpen()) << "the scan leaves a held port alone";
  for (const auto& name : ports) {
    EXPECT_NE(name, "/dev/null");
    EXPECT_NE(name, "/dev/talo-no-such-port");
  }
  // The scan released what it opened.
  TaloComPort again(a.SlavePath());
  EXPECT_TRUE(again.Open());
}

// ---- hang-up ---------------------------------------------------------------

TEST(ComPortHangUp, masterClosedMidReadOrWriteFailsAndLaterOperationsFailFast) {
  for (const bool writing : {false, true}) {
    SCOPED_TRACE(writing ? "write" : "read");
    OpenPort p(500);
    if (writing) {
      ASSERT_GT(p.Pty.FillTowardsMaster(), 0u);
    }
    auto operation = std::async(std::launch::async, [&] {
      uint8_t buffer[10] = {};
      const auto start = Clock::now();
      const bool ok = writing ? p.Port.Write(3, buffer) : p.Port.Read(10, buffer);
      return std::make_pair(ok, MsSince(start));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    p.Pty.ReleaseSlave();
    p.Pty.CloseMaster();
    ASSERT_EQ(operation.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    const auto [ok, elapsed] = operation.get();
    EXPECT_FALSE(ok);
    EXPECT_LT(elapsed, 1900) << "ends at the hang-up, not at the time-out";
    EXPECT_FALSE(p.Port.IsOpen()) << "the pty is gone, so the re-open fails";
    EXPECT_TRUE(p.Port.IsDisconnected()) << "which callers can name";

    // A loop over the dead port must neither spin nor wait.
    const double cpuBefore = CpuMs();
    const auto start = Clock::now();
    uint8_t byte = 0;
    std::string line;
    for (int i = 0; i < 1000; ++i) {
      EXPECT_FALSE(p.Port.Read(1, &byte));
      EXPECT_FALSE(p.Port.Write(1, &byte));
      EXPECT_FALSE(p.Port.ReadLine(16, line));
    }
    EXPECT_LT(MsSince(start), 500);
    EXPECT_LT(CpuMs() - cpuBefore, 500);
    EXPECT_TRUE(p.Port.Close());
  }
}

TEST(ComPortHangUp, transientHangUpReopensWithTheLineSettingsInForce) {
  if (::geteuid() != 0) GTEST_SKIP() << "TIOCVHANGUP needs root";
  OpenPort p(100);
  // What a fresh open of a tty gives: cooked mode, echo, CR turned into LF.
  termios cooked{};
  ASSERT_EQ(::tcgetattr(p.Pty.MasterFd(), &cooked), 0);
  cooked.c_lflag |= ECHO | ICANON;
  cooked.c_iflag |= ICRNL;
  ASSERT_EQ(::tcsetattr(p.Pty.MasterFd(), TCSANOW, &cooked), 0);
  const int other = ::open(p.Pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::ioctl(other, TIOCVHANGUP), 0);  // every open file of the slave hangs up
  ::close(other);

  uint8_t byte = 0;
  EXPECT_FALSE(p.Port.Read(1, &byte)) << "the operation that meets the hang-up fails";
  ASSERT_TRUE(p.Port.IsOpen()) << "and the port is open again";
  EXPECT_FALSE(p.Port.IsDisconnected());
  ASSERT_TRUE(p.Pty.Write("a\rb\n"));
  uint8_t buffer[4] = {};
  ASSERT_TRUE(p.Port.Read(4, buffer));
  EXPECT_EQ(Text(buffer, 4), "a\rb\n") << "raw again";
  EXPECT_EQ(p.Pty.Read(1, 100), "") << "no echo";
}

// The named settings reach the driver; what termios cannot do is refused
// rather than approximated. (A pty keeps no parity bits, so parity is not
// read back here.)
TEST(ComPortLineSettings, namedParityAndStopBitsReachTheDriver) {
  struct Case {
    LineSettings Line;
    bool Accepted;
    tcflag_t Set;
    tcflag_t Clear;
  } cases[] = {
      {kControllerLine, true, CS8, PARENB | CSTOPB},
      {{9600, 7, LineParity::None, LineStopBits::Two}, true, CS7 | CSTOPB, 0},
      {{57600, 8, LineParity::None, LineStopBits::OneAndAHalf}, false, 0, 0},
      {{57601, 8, LineParity::None, LineStopBits::One}, false, 0, 0},
  };
  for (const Case& c : cases) {
    PtyPair pty;
    TaloComPort port(pty.SlavePath());
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.Configure(c.Line), c.Accepted) << c.Line.BaudRate;
    if (!c.Accepted) continue;
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.MasterFd(), &t), 0);  // the slave's settings
    EXPECT_EQ(t.c_cflag & (c.Set | c.Clear), c.Set) << c.Line.BaudRate;
    EXPECT_EQ(::cfgetospeed(&t), c.Line.BaudRate == 9600 ? B9600 : B57600);
  }
}
