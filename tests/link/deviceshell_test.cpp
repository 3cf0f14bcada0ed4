// DeviceShell against a scripted controller shell on a pty: echo checks, the
// standard exchange and its messages, the prompt wait and the console log.
#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "deviceshell.h"
#include "linktestutil.h"
#include "recordingconsole.h"
#include "scripteddialogs.h"
#include "talocomport.h"

using linktest::Clock;
using linktest::MsSince;

namespace {

// The controller's shell as the utility sees it: echoes every byte, answers a
// command line after its CR with LF, the command's output and the prompt.
class ShellPeer {
 public:
  explicit ShellPeer(PtyPair& pty) : Pty(pty), Thread([this] { Serve(); }) {}
  ~ShellPeer() {
    Stop = true;
    Thread.join();
  }
  void Answer(const std::string& command, const std::string& output) {
    std::lock_guard lock(Lock);
    Answers[command] = output;
  }
  void SetEcho(bool echo, char wrongEcho = 0) {
    std::lock_guard lock(Lock);
    Echo = echo;
    WrongEcho = wrongEcho;
  }
  std::string Received() const {
    std::lock_guard lock(Lock);
    return Got;
  }

 private:
  void Serve() {
    std::string line;
    while (!Stop) {
      const std::string in = Pty.Read(1, 10);
      if (in.empty()) continue;
      std::lock_guard lock(Lock);
      Got += in;
      if (!Echo) continue;
      Pty.Write(WrongEcho ? std::string(1, WrongEcho) : in);
      if (in[0] != '\r') {
        line += in;
        continue;
      }
      const auto answer = Answers.find(line);
      Pty.Write("\n" + (answer == Answers.end() ? std::string() : answer->second) + "D:\\>");
      line.clear();
    }
  }

  PtyPair& Pty;
  mutable std::mutex Lock;
  std::map<std::string, std::string> Answers;
  bool Echo = true;
  char WrongEcho = 0;
  std::string Got;
  std::atomic<bool> Stop{false};
  std::thread Thread;
};

// Remembers whether the busy cursor was still on when a message showed.
class OrderedDialogs : public ScriptedDialogs {
 public:
  std::vector<int> BusyAtMessage;
  void ShowError(const QString& text) override {
    BusyAtMessage.push_back(BusyDepth);
    ScriptedDialogs::ShowError(text);
  }
};

struct ShellBench {
  PtyPair Pty;
  RecordingConsole Console;
  OrderedDialogs Dialogs;
  DeviceShell Shell{Console, Dialogs};
  ShellBench() { Shell.SetSelectedPort(QString::fromStdString(Pty.SlavePath())); }
  // The slave can be opened again: the exchange closed its port.
  bool PortReleased() {
    TaloComPort port(Pty.SlavePath());
    return port.Open();
  }
};

const QString kNoInit =
    "'!\n\nPlease make sure the TALO-7100 is in INIT mode\n\nand no program is running";
const QString kHeld = "!\n\nPlease make sure there is no other application using the port!!";

}  // namespace

// ---- the standard exchange -------------------------------------------------

TEST(ShellExchange, showsCommandAndAnswerAndPassesEveryLine) {
  ShellBench b;
  ShellPeer peer(b.Pty);
  peer.Answer("C:\\mem", "\r\n  655360 bytes total memory\r\n  512000 bytes free\r\n");
  ASSERT_TRUE(b.Pty.Write("stale output of an earlier program\r\n"));
  QList<QByteArray> seen;
  EXPECT_TRUE(b.Shell.RunStandardExchange("C:\\mem\r", 100, 10, [&](const QByteArray& line) {
    seen.append(line);
    return true;
  }));
  EXPECT_TRUE(b.Dialogs.Messages.empty());
  EXPECT_EQ(b.Console.Lines, (QStringList{"C:\\mem", "  655360 bytes total memory",
                                          "  512000 bytes free", ""}));
  EXPECT_EQ(seen, (QList<QByteArray>{"\n", "\r\n", "  655360 bytes total memory\r\n",
                                     "  512000 bytes free\r\n"}));
  EXPECT_EQ(peer.Received(), "C:\\mem\r") << "the stale output never reached the shell";
  EXPECT_EQ(b.Dialogs.BusyDepth, 0);
  EXPECT_EQ(b.Dialogs.MaxBusyDepth, 1);
  EXPECT_TRUE(b.PortReleased());
}

TEST(ShellExchange, runDeviceCommandWorksAtOneSecond) {
  ShellBench b;
  ShellPeer peer(b.Pty);
  peer.Answer("A", "Aborted\r\n");
  const auto start = Clock::now();
  EXPECT_TRUE(b.Shell.RunDeviceCommand("A\r"));
  // Drain and the final timed-out read cost 2T each at T = 1000.
  EXPECT_GE(MsSince(start), 4000.0 - 1);
  EXPECT_EQ(b.Console.Lines, (QStringList{"A", "Aborted", ""}));
  EXPECT_TRUE(b.Dialogs.Messages.empty());
}

struct EchoFault {
  const char* Name;
  bool Echo;
  char WrongEcho;
};

class MissingEcho : public ::testing::TestWithParam<EchoFault> {};

TEST_P(MissingEcho, failsWithTheInitModeMessageAfterTheFirstByte) {
  ShellBench b;
  ShellPeer peer(b.Pty);
  peer.SetEcho(GetParam().Echo, GetParam().WrongEcho);
  EXPECT_FALSE(b.Shell.RunStandardExchange("dir\r", 100, 10));
  EXPECT_EQ(b.Dialogs.Errors(), QStringList{"Unable to send command 'dir\r" + kNoInit});
  EXPECT_EQ(b.Dialogs.BusyAtMessage, std::vector<int>{0}) << "cursor restored before the box";
  EXPECT_EQ(peer.Received(), "d") << "the rest of the line is not sent";
  EXPECT_EQ(b.Console.Lines, (QStringList{"dir", ""})) << "shown before it was sent";
  EXPECT_TRUE(b.PortReleased());
}

INSTANTIATE_TEST_SUITE_P(ShellExchange, MissingEcho,
                         ::testing::Values(EchoFault{"programRunningWithoutEcho", false, 0},
                                           EchoFault{"wrongEcho", true, 'x'}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(ShellExchange, noSelectedPortReportsUnableToOpenAnEmptyName) {
  RecordingConsole console;
  OrderedDialogs dialogs;
  DeviceShell shell(console, dialogs);
  EXPECT_FALSE(shell.RunDeviceCommand("C:\\mem\r"));
  EXPECT_EQ(dialogs.Errors(), QStringList{"Unable to open " + kHeld});
  EXPECT_EQ(dialogs.BusyAtMessage, std::vector<int>{0});
  EXPECT_EQ(console.Lines, QStringList{""}) << "nothing was sent";
}

TEST(ShellExchange, portHeldElsewhereReportsItsName) {
  ShellBench b;
  TaloComPort holder(b.Pty.SlavePath());
  ASSERT_TRUE(holder.Open());
  EXPECT_FALSE(b.Shell.RunStandardExchange("dir\r", 100, 10));
  EXPECT_EQ(b.Dialogs.Errors(), QStringList{"Unable to open " + b.Shell.SelectedPort() + kHeld});
}

TEST(ShellExchange, overlongLineIsShownWhole) {
  ShellBench b;
  ShellPeer peer(b.Pty);
  std::string longLine;
  for (int i = 0; i < 1500; ++i) longLine.push_back(static_cast<char>('a' + i % 26));
  peer.Answer("type big.txt", longLine + "\r\nend\r\n");
  EXPECT_TRUE(b.Shell.RunStandardExchange("type big.txt\r", 50, 10));
  // The 1024th byte is consumed by the failing line read; everything else shows.
  const QString first = QString::fromStdString(longLine.substr(0, 1023));
  const QString rest = QString::fromStdString(longLine.substr(1024));
  EXPECT_EQ(b.Console.Lines, (QStringList{"type big.txt", first, rest, "end", ""}));
}

TEST(ShellExchange, consoleIsClearedAt300LinesOnThisPath) {
  ShellBench b;
  ShellPeer peer(b.Pty);
  std::string output;
  for (int i = 1; i <= 320; ++i) output += "line " + std::to_string(i) + "\r\n";
  peer.Answer("dir", output);
  EXPECT_TRUE(b.Shell.RunStandardExchange("dir\r", 50, 10));
  // "dir" + 299 lines fill 300; line 300 starts afresh.
  QStringList expected;
  for (int i = 300; i <= 320; ++i) expected << QStringLiteral("line %1").arg(i);
  expected << QString();
  EXPECT_EQ(b.Console.Lines, expected);
}

// ---- primitives ------------------------------------------------------------

TEST(ShellPrimitives, appendConsoleLineStripsLineEndsAndClearsAt300FinishedLines) {
  struct Case {
    int Finished;
    QString Partial;  // unfinished text on the last line
    QString Text;
    int FinishedAfter;
  };
  const Case cases[] = {
      {0, "", "\r\n\r", 0},      // nothing but line ends: nothing added
      {0, "", "a\r\nb\n", 1},    // line ends inside are removed too
      {299, "", "x", 300},
      {300, "", "x", 1},         // cleared, then added
      {299, "abc", "x", 1},      // a written last line counts as a line
  };
  for (const auto& c : cases) {
    RecordingConsole console;
    ScriptedDialogs dialogs;
    DeviceShell shell(console, dialogs);
    for (int i = 0; i < c.Finished; ++i) console.AppendLine(QStringLiteral("old %1").arg(i));
    console.AppendToLastLine(c.Partial);
    shell.AppendConsoleLine(c.Text);
    const int finished = console.LineCount() - (console.LastLine().isEmpty() ? 1 : 0);
    EXPECT_EQ(finished, c.FinishedAfter) << c.Finished << " " << c.Text.toStdString();
  }
  RecordingConsole console;
  ScriptedDialogs dialogs;
  DeviceShell(console, dialogs).AppendConsoleLine(QByteArray("a\r\nb\n"));
  EXPECT_EQ(console.Lines, (QStringList{"ab", ""}));
}

TEST(ShellPrimitives, promptIsATextBeginningWithCOrDDriveRoot) {
  for (const char* prompt : {"D:\\>", "C:\\>", "D:\\DATA>", "C:\\TEMP\\FILE.TXT\r\n"})
    EXPECT_TRUE(DeviceShell::IsPrompt(prompt)) << prompt;
  for (const char* other : {"d:\\>", " D:\\>", "D:>", "E:\\>", "", "D:"})
    EXPECT_FALSE(DeviceShell::IsPrompt(other)) << other;
}

struct PromptOpenPort {
  ShellBench B;
  TaloComPort Port{B.Pty.SlavePath()};
  explicit PromptOpenPort(uint32_t timeoutMs) {
    EXPECT_TRUE(Port.Open());
    EXPECT_TRUE(Port.Configure(57600, 8, 0, 0));
    EXPECT_TRUE(Port.SetTimeouts(timeoutMs));
    Port.SetTerminator(10);
  }
};

TEST(WaitForPrompt, promptGivenReturnsAtOnceWithoutReading) {
  PromptOpenPort p(200);
  ASSERT_TRUE(p.B.Pty.Write("x\n"));
  const auto start = Clock::now();
  EXPECT_TRUE(p.B.Shell.WaitForPrompt(p.Port, "D:\\>"));
  EXPECT_LT(MsSince(start), 100);
  std::string line;
  EXPECT_TRUE(p.Port.ReadLine(16, line));
  EXPECT_EQ(line, "x\n");
}

TEST(WaitForPrompt, talkativeShellEndsTheWaitAfter25LinesAt200) {
  PromptOpenPort p(200);
  std::string lines;
  for (int i = 1; i <= 100; ++i) lines += "line " + std::to_string(i) + "\r\n";
  ASSERT_TRUE(p.B.Pty.Write(lines));
  EXPECT_FALSE(p.B.Shell.WaitForPrompt(p.Port, "partial"));
  EXPECT_EQ(p.B.Console.LineCount(), 26);
  EXPECT_EQ(p.B.Console.Lines.at(24), "line 25");
}

TEST(WaitForPrompt, listingLineStartingWithDriveRootCountsAsPrompt) {
  PromptOpenPort p(200);
  ASSERT_TRUE(p.B.Pty.Write("some line\r\nC:\\TEMP\\FILE.TXT\r\nmore\r\n"));
  EXPECT_TRUE(p.B.Shell.WaitForPrompt(p.Port, ""));
  EXPECT_EQ(p.B.Console.Lines, (QStringList{"some line", ""}));
}

TEST(WaitForPrompt, silentLineGivesUpAfter25ReadsAt200) {
  PromptOpenPort p(200);
  const auto start = Clock::now();
  EXPECT_FALSE(p.B.Shell.WaitForPrompt(p.Port, ""));
  const double elapsed = MsSince(start);
  EXPECT_GE(elapsed, 25 * 400 - 1);
  EXPECT_LE(elapsed, 25 * 400 + 1500);
}

TEST(WaitForPrompt, zeroTimeoutStillEnds) {
  PromptOpenPort p(0);
  const auto start = Clock::now();
  EXPECT_FALSE(p.B.Shell.WaitForPrompt(p.Port, ""));
  EXPECT_LT(MsSince(start), 5000);
}
