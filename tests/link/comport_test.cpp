// TaloComPort on real pseudo-terminals: time-outs, purge, line reads,
// exclusive open, hang-up, names and the module command helpers.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>

#include <cerrno>
#include <future>

#include "linktestutil.h"
#include "portscan.h"
#include "talocomport.h"

using linktest::Clock;
using linktest::MsSince;
using linktest::Peer;

namespace {

// Generous upper slack: the machine is shared and loaded; the lower bounds
// are what proves a time-out is not cut short.
constexpr double kSlackMs = 150;

struct OpenPort {
  PtyPair Pty;
  TaloComPort Port{Pty.SlavePath()};
  explicit OpenPort(uint32_t timeoutMs, uint8_t terminator = 13) {
    EXPECT_TRUE(Pty.IsValid());
    EXPECT_TRUE(Port.Open()) << "errno " << Port.LastError();
    EXPECT_TRUE(Port.Configure(57600, 8, 0, 0));
    EXPECT_TRUE(Port.SetTimeouts(timeoutMs));
    Port.SetTerminator(terminator);
  }
};

double CpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

}  // namespace

// ---- time-outs -------------------------------------------------------------

class IdleReadTimeout : public ::testing::TestWithParam<uint32_t> {};

TEST_P(IdleReadTimeout, oneByteReadGivesUpAfterTwiceTheTimeout) {
  const uint32_t t = GetParam();
  OpenPort p(t);
  uint8_t byte = 0;
  size_t got = 99;
  const auto start = Clock::now();
  EXPECT_FALSE(p.Port.Read(1, &byte, &got));
  const double elapsed = MsSince(start);
  EXPECT_EQ(got, 0u);
  EXPECT_GE(elapsed, 2.0 * t - 0.5);
  EXPECT_LE(elapsed, 2.0 * t + kSlackMs);
  EXPECT_TRUE(p.Port.IsOpen()) << "a time-out is not an error of the port";
}

INSTANTIATE_TEST_SUITE_P(Timeouts, IdleReadTimeout, ::testing::Values(1u, 100u, 200u, 500u));

TEST(ComPortTimeouts, idleReadOfSeveralBytesWaitsTimeoutPerByteAndOneMore) {
  OpenPort p(100);
  uint8_t buffer[5];
  const auto start = Clock::now();
  EXPECT_FALSE(p.Port.Read(5, buffer));
  const double elapsed = MsSince(start);
  EXPECT_GE(elapsed, 600 - 0.5);
  EXPECT_LE(elapsed, 600 + kSlackMs);
}

TEST(ComPortTimeouts, readEndsAtGapLongerThanTimeoutAfterFirstByte) {
  OpenPort p(100);
  ASSERT_TRUE(p.Pty.Write("abc"));
  uint8_t buffer[10] = {};
  size_t got = 0;
  const auto start = Clock::now();
  EXPECT_FALSE(p.Port.Read(10, buffer, &got));
  const double elapsed = MsSince(start);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 3), "abc");
  EXPECT_GE(elapsed, 100 - 0.5);
  EXPECT_LE(elapsed, 100 + kSlackMs) << "must not wait for the total of T*n+T";
}

TEST(ComPortTimeouts, firstByteMayComeLaterThanOneTimeout) {
  // Before the first byte only the total counts (2T for one byte), not the gap.
  OpenPort p(200);
  Peer peer([&](const auto&) {
    std::this_thread::sleep_for(std::chrono::milliseconds(280));
    p.Pty.Write("x");
  });
  uint8_t byte = 0;
  EXPECT_TRUE(p.Port.Read(1, &byte));
  EXPECT_EQ(byte, 'x');
}

TEST(ComPortTimeouts, bytesSpacedBelowTimeoutCompleteTheRead) {
  OpenPort p(100);
  Peer peer([&](const auto& stop) {
    for (char c = 'a'; c < 'g' && !stop; ++c) {
      p.Pty.Write(std::string(1, c));
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
  });
  uint8_t buffer[6] = {};
  EXPECT_TRUE(p.Port.Read(6, buffer));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 6), "abcdef");
}

TEST(ComPortTimeouts, writeOnBlockedLineEndsShortAfterItsBound) {
  OpenPort p(100);
  ASSERT_GT(p.Pty.FillTowardsMaster(), 0u);  // nobody reads the master
  const uint8_t bytes[4] = {1, 2, 3, 4};
  const auto start = Clock::now();
  EXPECT_FALSE(p.Port.Write(4, bytes));
  const double elapsed = MsSince(start);
  EXPECT_GE(elapsed, 500 - 0.5);
  EXPECT_LE(elapsed, 500 + kSlackMs);
  EXPECT_TRUE(p.Port.IsOpen());
}

// ---- write and purge -------------------------------------------------------

TEST(ComPortWrite, discardsUnreadInputBeforeWriting) {
  OpenPort p(100);
  ASSERT_TRUE(p.Pty.Write("stale echo"));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  ASSERT_TRUE(p.Port.WriteText("A"));
  EXPECT_EQ(p.Pty.Read(1, 1000), "A");
  ASSERT_TRUE(p.Pty.Write("E"));
  uint8_t byte = 0;
  ASSERT_TRUE(p.Port.Read(1, &byte));
  EXPECT_EQ(byte, 'E') << "the stale bytes must not satisfy the read";
}

TEST(ComPortWrite, sendsEveryByteUnchanged) {
  OpenPort p(100);
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  ASSERT_TRUE(p.Port.WriteText(all));
  EXPECT_EQ(p.Pty.Read(all.size(), 2000), all) << "raw mode: no CR/LF translation, no XON/XOFF";
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
  EXPECT_EQ(std::string(reinterpret_cast<char*>(rest), got), c.Next);
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
        LineCase{"limitOneStoresNothing", "xy", 1, false, "", "y"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ComPortReadLine, longLineKeeps1023BytesAndDropsThe1024th) {
  OpenPort p(20, 10);
  std::string wire;
  for (int i = 0; i < 2000; ++i) wire.push_back(static_cast<char>('A' + i % 26));
  ASSERT_TRUE(p.Pty.Write(wire));
  std::string text;
  EXPECT_FALSE(p.Port.ReadLine(1024, text));
  EXPECT_EQ(text, wire.substr(0, 1023));
  uint8_t next = 0;
  ASSERT_TRUE(p.Port.Read(1, &next));
  EXPECT_EQ(next, static_cast<uint8_t>(wire[1024]));
}

// ---- exclusive open and names ----------------------------------------------

TEST(ComPortOpen, secondObjectCannotHoldTheSamePort) {
  OpenPort first(100);
  TaloComPort second(first.Pty.SlavePath());
  EXPECT_FALSE(second.Open());
  EXPECT_TRUE(second.IsHeldElsewhere());
  EXPECT_EQ(second.LastError(), EBUSY);
  first.Port.Close();
  EXPECT_TRUE(second.Open()) << "free again once the first closed it";
  EXPECT_EQ(second.LastError(), 0);
}

TEST(ComPortOpen, portLockedByAnotherProgramIsReportedHeld) {
  PtyPair pty;
  const int other = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  TaloComPort port(pty.SlavePath());
  EXPECT_FALSE(port.Open());
  EXPECT_TRUE(port.IsHeldElsewhere());
  ::close(other);
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
  EXPECT_FALSE(empty.IsOpen());
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

TEST(ComPortHangUp, masterClosedMidReadFailsAndLaterOperationsFailFast) {
  OpenPort p(500);
  auto reader = std::async(std::launch::async, [&] {
    uint8_t buffer[10];
    const auto start = Clock::now();
    const bool ok = p.Port.Read(10, buffer);
    return std::make_pair(ok, MsSince(start));
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  p.Pty.ReleaseSlave();
  p.Pty.CloseMaster();
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  const auto [ok, elapsed] = reader.get();
  EXPECT_FALSE(ok);
  EXPECT_LT(elapsed, 5500) << "ends at the hang-up, not at the time-out";
  EXPECT_FALSE(p.Port.IsOpen()) << "the pty is gone, so the re-open fails";

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

TEST(ComPortHangUp, masterClosedMidWriteFails) {
  OpenPort p(1000);
  ASSERT_GT(p.Pty.FillTowardsMaster(), 0u);
  auto writer = std::async(std::launch::async, [&] {
    const uint8_t bytes[3] = {1, 2, 3};
    return p.Port.Write(3, bytes);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  p.Pty.ReleaseSlave();
  p.Pty.CloseMaster();
  ASSERT_EQ(writer.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_FALSE(writer.get());
  EXPECT_FALSE(p.Port.IsOpen());
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
  ASSERT_TRUE(p.Pty.Write("a\rb\n"));
  uint8_t buffer[4] = {};
  ASSERT_TRUE(p.Port.Read(4, buffer));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "a\rb\n") << "raw again";
  EXPECT_EQ(p.Pty.Read(1, 100), "") << "no echo";
}

// ---- module commands -------------------------------------------------------

TEST(ModuleChecksum, helpersFollowTheByteSum) {
  EXPECT_EQ(TaloComPort::Checksum("$016"), 0xBB);
  EXPECT_EQ(TaloComPort::Checksum(""), 0);
  EXPECT_EQ(TaloComPort::Checksum("\xFF\x02"), 0x01) << "bytes above 127 count unsigned";
  EXPECT_EQ(TaloComPort::Checksum("\xFF"), 0xFF);

  std::string command = "$016\r";
  TaloComPort::AppendChecksum(command);
  EXPECT_EQ(command, "$016BB\r");
  std::string high = "\xFF\r";
  TaloComPort::AppendChecksum(high);
  EXPECT_EQ(high, "\xFF" "FF\r") << "always two digits";

  TaloComPort port("unused");
  struct Case {
    std::string Reply;
    bool Ok;
    std::string After;
  };
  // '!' + '0' + '1' = 33 + 48 + 49 = 130 = 0x82; '>' = 0x3E.
  const Case cases[] = {
      {"!0182\r", true, "!01\r"},
      {"!01BB\r", false, "!01"},  // mismatch: shortened anyway
      {"!01ZZ\r", false, "!01"},  // not hexadecimal
      {"!01 8\r", false, "!01"},  // a blank is not a digit
      {"AB\r", false, "AB\r"},    // too short
      {">00\r", false, ">"},
      {">3E\r", true, ">\r"},
      {">3e\r", true, ">\r"},
  };
  for (const auto& c : cases) {
    std::string reply = c.Reply;
    const bool ok = port.VerifyChecksum(reply);
    EXPECT_EQ(ok, c.Ok) << c.Reply;
    EXPECT_EQ(reply, c.After) << c.Reply;
  }
}

struct ModuleCase {
  const char* Name;
  bool Checksums;
  std::string Reply;
  bool Result;
  std::string ReplyAfter;
};

class ModuleCommandCases : public ::testing::TestWithParam<ModuleCase> {};

TEST_P(ModuleCommandCases, judgesTheReply) {
  const ModuleCase& c = GetParam();
  OpenPort p(50);
  p.Port.SetChecksumMode(c.Checksums);
  std::string sent;
  std::string reply;
  {
    Peer peer([&](const auto&) {
      sent = p.Pty.ReadUntil("\r", 2000);
      p.Pty.Write(c.Reply);
    });
    EXPECT_EQ(p.Port.ModuleCommand("$016\r", 1024, &reply), c.Result);
  }
  EXPECT_EQ(sent, c.Checksums ? "$016BB\r" : "$016\r");
  EXPECT_EQ(reply, c.ReplyAfter);
}

INSTANTIATE_TEST_SUITE_P(
    ModuleCommand, ModuleCommandCases,
    ::testing::Values(ModuleCase{"questionMarkIsRefused", false, "?01\r", false, "?01\r"},
                      ModuleCase{"bareAcknowledgeIsAccepted", false, ">\r", true, ">\r"},
                      ModuleCase{"replyWithoutCarriageReturnTimesOut", false, "!017101", false,
                                 "!017101"},
                      ModuleCase{"dataReplyIsAccepted", false, "!017101\r", true, "!017101\r"},
                      ModuleCase{"checksummedReplyIsVerifiedAndStripped", true, ">3E\r", true,
                                 ">\r"},
                      ModuleCase{"wrongChecksumIsRefused", true, ">00\r", false, ">"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ModuleCommand, withoutReplyBufferSendsAndFails) {
  OpenPort p(50);
  EXPECT_FALSE(p.Port.ModuleCommand("#01\r", 1024, nullptr));
  EXPECT_EQ(p.Pty.Read(4, 1000), "#01\r");
}
