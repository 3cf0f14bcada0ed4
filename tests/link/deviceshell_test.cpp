// DeviceShell against a scripted controller shell on a pty: echo checks, the
// standard exchange and its messages, the prompt wait and the console log.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "link/port/talocomport.h"
#include "link/shell/answerreader.h"
#include "link/shell/deviceshell.h"
#include "link/shell/shellline.h"
#include "tests/link/linktestutil.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/scriptedshell.h"

using linktest::Clock;
using linktest::MsSince;

namespace {

// Remembers whether the busy cursor was still on when a message showed.
class OrderedDialogs : public ScriptedDialogs {
 public:
  std::vector<int> BusyAtMessage;
  void Tell(const JobResult& result) override {
    if (HowTold(result) == ToldAs::Error) BusyAtMessage.push_back(BusyDepth);
    ScriptedDialogs::Tell(result);
  }
};

struct ShellBench {
  RecordingConsole Console;
  OrderedDialogs Dialogs;
  DeviceShell Shell{Console, Dialogs, Dialogs};
  explicit ShellBench(const std::string& port = {}) {
    Shell.SetSelectedPort(QString::fromStdString(port));
  }
};

// The exchange closed its port: the line can be opened again.
bool Released(const std::string& path) {
  TaloComPort port(path);
  return port.Open();
}

std::string Lines(int from, int to) {
  std::string out;
  for (int i = from; i <= to; ++i) out += "line " + std::to_string(i) + "\r\n";
  return out;
}

// What a shell writes, each piece followed by a pause.
struct Step {
  std::string Bytes;
  int PauseMs;
};
void Play(PtyPair& line, const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    (void)line.Write(step.Bytes);
    std::this_thread::sleep_for(std::chrono::milliseconds(step.PauseMs));
  }
}

const QString kNoInit =
    "'!\n\nPlease make sure the TALO-7100 is in INIT mode\n\nand no program is running";
const QString kHeld = "!\n\nPlease make sure there is no other application using the port!!";

// The exchange's result shown as the top level shows it; true when it
// succeeded.
bool Reported(DeviceShell& shell, const JobResult& result) {
  shell.Tell(result);
  return result.Ok();
}

}  // namespace

// ---- the standard exchange -------------------------------------------------

TEST(ShellExchange, showsCommandAndAnswerAndPassesEveryLine) {
  ScriptedShell peer(ScriptedShell::Outputs(
      {{"C:\\mem", "\r\n  655360 bytes total memory\r\n  512000 bytes free\r\n"}}));
  ShellBench b(peer.Path());
  ASSERT_TRUE(peer.Emit("stale output of an earlier program\r\n"));
  QList<QByteArray> seen;
  EXPECT_TRUE(Reported(b.Shell, b.Shell.Exchange("C:\\mem\r", 100, 10, [&](const QByteArray& line) {
    seen.append(line);
    return true;
  })));
  EXPECT_TRUE(b.Dialogs.Messages.empty());
  EXPECT_EQ(b.Console.Lines, (QStringList{"C:\\mem", "  655360 bytes total memory",
                                          "  512000 bytes free", ""}));
  EXPECT_EQ(seen, (QList<QByteArray>{"\n", "\r\n", "  655360 bytes total memory\r\n",
                                     "  512000 bytes free\r\n"}));
  EXPECT_EQ(peer.Received(), "C:\\mem\r") << "the stale output never reached the shell";
  EXPECT_EQ(b.Dialogs.BusyDepth, 0);
  EXPECT_EQ(b.Dialogs.MaxBusyDepth, 1);
  EXPECT_TRUE(Released(peer.Path()));
}

TEST(ShellExchange, commandExchangeWorksAtOneSecond) {
  ScriptedShell peer(ScriptedShell::Outputs({{"A", "Aborted\r\n"}}));
  ShellBench b(peer.Path());
  const auto start = Clock::now();
  EXPECT_TRUE(Reported(b.Shell, b.Shell.CommandExchange("A\r")));
  // Drain and the final timed-out read cost 2T each at T = 1000.
  EXPECT_GE(MsSince(start), 4000.0 - 1);
  EXPECT_EQ(b.Console.Lines, (QStringList{"A", "Aborted", ""}));
  EXPECT_TRUE(b.Dialogs.Messages.empty());
}

// What came back tells the causes apart: not one byte of echo, a wrong
// echo, the shell's drive error question (the answer's ceiling is the
// listing's test). The message keeps the usual first line; the question
// ends the wait at once.
TEST(ShellExchange, failedExchangeNamesTheCauseTheBytesShow) {
  const auto driveError = [](const std::string&, PtyPair& line, const auto&) {
    (void)line.Write("\nGeneral failure reading drive D\r\n");
    return std::string("Abort, Retry, Fail?");
  };
  struct Case {
    const char* Name;
    bool Echo;
    char WrongEcho;
    ScriptedShell::Answer Answer;
    QString Cause;  // after the first line and a blank line; empty: the usual text
    std::string Received;
    JobStatus Status;
  };
  const QString noEcho = "Nothing answers on %1: check the cable and that the controller is powered";
  // What was typed is erased: one backspace finds the line empty (or
  // unanswered), one deletes the byte the wrong echo came for.
  const Case cases[] = {
      {"no echo at all", false, 0, ScriptedShell::Outputs(), noEcho, "d\b", JobStatus::TimedOut},
      {"a wrong echo", true, 'x', ScriptedShell::Outputs(), {}, "d\b\b", JobStatus::Failed},
      {"the drive error question", true, 0, driveError,
       "The controller reports a drive error: ABORT, then FORMAT if it persists", "dir\r",
       JobStatus::Failed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ShellLine::ForgetAll();  // a pty's name comes back for the next case
    ScriptedShell peer(c.Answer);
    peer.SetEcho(c.Echo, c.WrongEcho);
    ShellBench b(peer.Path());
    const auto start = Clock::now();
    // The exchange hands its failure back; the caller shows it.
    const JobResult result = b.Shell.Exchange("dir\r", 100, 10);
    EXPECT_LT(MsSince(start), 1500) << "no prompt budget waited out";
    EXPECT_EQ(result.Status, c.Status);
    EXPECT_TRUE(b.Dialogs.Messages.empty()) << "nothing shown from inside";
    b.Shell.Tell(result);
    // The command quoted without its carriage return; no echo at all keeps
    // the usual text (a running program) before the cable.
    const QString usual = "Unable to send command 'dir" + kNoInit;
    const QString cause = c.Cause.contains("%1") ? c.Cause.arg(QString::fromStdString(peer.Path())) : c.Cause;
    const QString expected = c.Cause.isEmpty() ? usual
                             : c.Echo          ? "Unable to send command 'dir'!\n\n" + cause
                                               : usual + "\n\n" + cause;
    EXPECT_EQ(b.Dialogs.Errors(), QStringList{expected});
    EXPECT_EQ(b.Dialogs.BusyAtMessage, std::vector<int>{0}) << "cursor restored before the box";
    EXPECT_EQ(peer.Received(), c.Received) << "the rest of a line is not sent";
    EXPECT_EQ(b.Console.Lines.front(), "dir") << "shown before it was sent";
    EXPECT_TRUE(Released(peer.Path()));
  }
}

TEST(ShellExchange, unopenablePortReportsUnableToOpenWithItsName) {
  PtyPair line;
  TaloComPort holder(line.SlavePath());
  ASSERT_TRUE(holder.Open());
  for (const std::string& port : {std::string(), line.SlavePath()}) {
    SCOPED_TRACE(port);
    ShellBench b(port);
    EXPECT_FALSE(Reported(b.Shell, b.Shell.CommandExchange("C:\\mem\r")));
    EXPECT_EQ(b.Dialogs.Errors(),
              QStringList{"Unable to open " + QString::fromStdString(port) + kHeld});
    EXPECT_EQ(b.Dialogs.BusyAtMessage, std::vector<int>{0});
    EXPECT_EQ(b.Console.Lines, QStringList{""}) << "nothing was sent";
  }
}

// The adapter unplugged in the middle of an answer: the exchange fails with
// the disconnection message, however much of the answer came, and the
// budget is not waited out. Lost after the prompt, the answer was whole.
TEST(ShellExchange, lineLostInTheAnswerFailsWithTheDisconnectionMessageUnlessThePromptCame) {
  for (const bool afterPrompt : {false, true}) {
    SCOPED_TRACE(afterPrompt ? "after the prompt" : "in the answer");
    ScriptedShell peer([afterPrompt](const std::string&, PtyPair& line,
                                     const std::atomic<bool>& stopping) {
      (void)line.Write(afterPrompt ? "\n  655360 bytes total memory\r\nD:\\>" : "\n  655360 by");
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      line.ReleaseSlave();
      line.CloseMaster();
      while (!stopping) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return std::string();
    });
    ShellBench b(peer.Path());
    const QString port = QString::fromStdString(peer.Path());
    EXPECT_EQ(Reported(b.Shell, b.Shell.Exchange("C:\\mem\r", 100, 10)), afterPrompt);
    if (afterPrompt) {
      EXPECT_TRUE(b.Dialogs.Messages.empty());
    } else {
      EXPECT_EQ(b.Dialogs.Errors(), QStringList{ShellText::Disconnected(port)});
      EXPECT_TRUE(b.Dialogs.Errors()[0].startsWith("The serial port " + port + " was disconnected!"));
      EXPECT_EQ(b.Dialogs.BusyAtMessage, std::vector<int>{0});
    }
    EXPECT_EQ(b.Console.Lines.front(), QStringLiteral("C:\\mem"));
  }
}

// The prompt budget counts silence: 25 silent reads of 2T at T = 200, 10 s
// whatever T is. Echoed but never back at the prompt, the command failed (a
// program still runs there). The one slow test kept on purpose.
TEST(ShellExchange, promptThatNeverComesFailsTheExchangeAfterItsBudget) {
  ScriptedShell peer([](const std::string&, PtyPair&, const auto&) { return "\nworking...\r\n"; });
  ShellBench b(peer.Path());
  const auto start = Clock::now();
  EXPECT_FALSE(Reported(b.Shell, b.Shell.Exchange("A\r", 200, 10)));
  const double elapsed = MsSince(start);
  EXPECT_GE(elapsed, 25 * 400 - 1);
  EXPECT_LE(elapsed, 25 * 400 + 2 * 400 + 1500) << "plus the drain and the answer's last read";
  EXPECT_EQ(b.Console.Lines, (QStringList{"A", "working...", ""}));
  // The line went out: the message does not say that nothing happened.
  EXPECT_EQ(b.Dialogs.Errors(), QStringList{ShellText::NoPromptAfter("A\r")});
}

// Read up to the carriage return, the prompt arrives after the last line's
// line feed; it is still the prompt, and the exchange ends there instead of
// showing it and waiting out the prompt budget.
TEST(ShellExchange, promptAfterALineFeedEndsAnExchangeReadToCarriageReturns) {
  ScriptedShell peer(ScriptedShell::Outputs({{"C:\\DLFMT D: /C", "Formatting...\r\nDone.\r\n"}}));
  ShellBench b(peer.Path());
  EXPECT_TRUE(Reported(b.Shell, b.Shell.Exchange("C:\\DLFMT D: /C\r", 200, 13)));
  EXPECT_EQ(b.Console.Lines, (QStringList{"C:\\DLFMT D: /C", "Formatting...", "Done.", ""}));
  EXPECT_TRUE(Released(peer.Path()));
}

TEST(ShellExchange, overlongLineIsShownWhole) {
  std::string longLine;
  for (int i = 0; i < 1500; ++i) longLine.push_back(static_cast<char>('a' + i % 26));
  ScriptedShell peer(ScriptedShell::Outputs({{"type big.txt", longLine + "\r\nend\r\n"}}));
  ShellBench b(peer.Path());
  EXPECT_TRUE(Reported(b.Shell, b.Shell.Exchange("type big.txt\r", 50, 10)));
  // The 1024th byte is consumed by the failing line read; everything else shows.
  const QString first = QString::fromStdString(longLine.substr(0, 1023));
  const QString rest = QString::fromStdString(longLine.substr(1024));
  EXPECT_EQ(b.Console.Lines, (QStringList{"type big.txt", first, rest, "end", ""}));
}

TEST(ShellExchange, consoleIsClearedAt300LinesOnThisPath) {
  ScriptedShell peer(ScriptedShell::Outputs({{"dir", Lines(1, 320)}}));
  ShellBench b(peer.Path());
  EXPECT_TRUE(Reported(b.Shell, b.Shell.Exchange("dir\r", 50, 10)));
  // "dir" + 299 lines fill 300; line 300 starts afresh.
  QStringList expected;
  for (int i = 300; i <= 320; ++i) expected << QStringLiteral("line %1").arg(i);
  expected << QString();
  EXPECT_EQ(b.Console.Lines, expected);
}

// ---- quick answers -----------------------------------------------------------

// Quick answers end at the prompt, yet read the whole answer whatever
// pauses the shell makes: a pause that is no prompt is waited out, a text
// that only looks like one goes on.
TEST(QuickAnswers, readEveryLineWhateverPausesTheShellMakes) {
  struct Case {
    const char* Name;
    std::vector<Step> Steps;
    QList<QByteArray> Passed;
  };
  const Case cases[] = {
      {"a pause of 3T between lines", {{"\nA\r\n", 300}, {"B\r\nD:\\>", 0}}, {"\n", "A\r\n", "B\r\n"}},
      {"a pause inside the prompt", {{"\nA\r\nD:", 300}, {"\\>", 0}}, {"\n", "A\r\n"}},
      {"a prompt's look in a line", {{"\nD:\\X>goes on\r\nD:\\>", 0}}, {"\n", "D:\\X>goes on\r\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ScriptedShell peer([&](const std::string&, PtyPair& line, const auto&) {
      Play(line, c.Steps);
      return std::string();
    });
    ShellBench b(peer.Path());
    b.Shell.SetQuickAnswers(true);
    QList<QByteArray> passed;
    const auto onLine = [&](const QByteArray& line) {
      passed.append(line);
      return true;
    };
    EXPECT_TRUE(Reported(b.Shell, b.Shell.Exchange("dir\r", 100, 10, onLine,
                                                   DeviceShell::kPromptBudgetMs,
                                                   DeviceShell::PromptAt::Start,
                                                   DeviceShell::Pace::QuickWhenChosen)));
    EXPECT_EQ(passed, c.Passed);
  }
}

// At T = 3000 the standard ending spends 12 s (2T for the drain, 2T after
// the prompt); quick answers none of it, stale output drained all the same.
TEST(QuickAnswers, endAtThePromptWithoutWaitingOutTheTimeouts) {
  ScriptedShell peer(ScriptedShell::Outputs({{"C:\\mem", "Total memory 1024K\r\n"}}));
  ShellBench b(peer.Path());
  b.Shell.SetQuickAnswers(true);
  ASSERT_TRUE(peer.Emit("stale output\r\n"));
  const auto start = Clock::now();
  EXPECT_TRUE(Reported(b.Shell, b.Shell.Exchange("C:\\mem\r", 3000, 10, {},
                                                 DeviceShell::kPromptBudgetMs,
                                                 DeviceShell::PromptAt::Start,
                                                 DeviceShell::Pace::QuickWhenChosen)));
  EXPECT_LT(MsSince(start), 3000);
  EXPECT_EQ(peer.Received(), "C:\\mem\r");
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
    ShellBench b;
    for (int i = 0; i < c.Finished; ++i) b.Console.AppendLine(QStringLiteral("old %1").arg(i));
    b.Console.AppendToLastLine(c.Partial);
    b.Shell.AppendConsoleLine(c.Text);
    const int finished = b.Console.LineCount() - (b.Console.LastLine().isEmpty() ? 1 : 0);
    EXPECT_EQ(finished, c.FinishedAfter) << c.Finished << " " << c.Text.toStdString();
  }
  ShellBench b;
  b.Shell.AppendConsoleLine(QByteArray("a\r\nb\n"));
  EXPECT_EQ(b.Console.Lines, (QStringList{"ab", ""}));
}

TEST(ShellPrimitives, promptIsATextBeginningWithCOrDDriveRoot) {
  for (const char* prompt :
       {"D:\\>", "C:\\>", "D:\\DATA>", "C:\\TEMP\\FILE.TXT\r\n", "\nD:\\>"})
    EXPECT_TRUE(DeviceShell::IsPrompt(prompt)) << prompt;
  for (const char* other : {"d:\\>", " D:\\>", "D:>", "E:\\>", "", "D:", "\n\nD:\\>", "\r\nD:\\>"})
    EXPECT_FALSE(DeviceShell::IsPrompt(other)) << other;
}

// ---- the prompt wait, on a line the test writes itself ----------------------

struct PromptLine : linktest::OpenPort {
  ShellBench B;
  explicit PromptLine(uint32_t timeoutMs) : OpenPort(timeoutMs, 10) {}
};

TEST(WaitForPrompt, promptGivenReturnsAtOnceWithoutReading) {
  PromptLine p(200);
  ASSERT_TRUE(p.Pty.Write("x\n"));
  const auto start = Clock::now();
  EXPECT_TRUE(p.B.Shell.WaitForPrompt(p.Port, "D:\\>"));
  EXPECT_LT(MsSince(start), 100);
  std::string line;
  EXPECT_TRUE(p.Port.ReadLine(16, line));
  EXPECT_EQ(line, "x\n");
}

// A shell that keeps talking has not stopped answering: lines give the
// budget back, so only silence as long as the budget ends the wait. At
// T = 50 and a budget of 300 the shell may fall silent for 600 ms at a time.
// What reaches the handler are the answer's whole lines: a line the shell
// paused in is joined, a line past the limit is shown but never passed.
TEST(WaitForPrompt, readsABusyShellToItsPromptPassingWholeLines) {
  struct Case {
    const char* Name;
    std::vector<Step> Steps;
    bool Prompted;
    QList<QByteArray> Passed;
  };
  const std::string longLine(1500, 'a');
  QList<QByteArray> many;
  for (int i = 1; i <= 120; ++i) many.append(QByteArray::fromStdString(Lines(i, i)));
  const Case cases[] = {
      {"100 lines and more", {{Lines(1, 120) + "D:\\>", 0}}, true, many},
      {"pauses longer than the budget in all",
       {{"one\r\n", 400}, {"two\r\n", 400}, {"three\r\n", 400}, {"D:\\>", 0}},
       true,
       {"one\r\n", "two\r\n", "three\r\n"}},
      {"a pause inside a line", {{"FIRST", 250}, {"HALF\r\nD:\\>", 0}}, true, {"FIRSTHALF\r\n"}},
      {"a line past the limit", {{longLine + "\r\nnext\r\nD:\\>", 0}}, true, {"next\r\n"}},
      {"silence after a line", {{"last\r\n", 0}}, false, {"last\r\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    PromptLine p(50);
    linktest::Peer peer([&](const std::atomic<bool>&) { Play(p.Pty, c.Steps); });
    QList<QByteArray> passed;
    EXPECT_EQ(p.B.Shell.WaitForPrompt(p.Port, "", DeviceShell::PromptAt::Start, 300,
                                      [&](const QByteArray& line) {
                                        passed.append(line);
                                        return true;
                                      }),
              c.Prompted);
    EXPECT_EQ(passed, c.Passed);
  }
}

// An answer that drips a line now and then renews the prompt budget with
// each one: its time ceiling ends it, as its byte and line ceilings do.
TEST(AnswerCeiling, aDrippingAnswerEndsAtItsTimeCeiling) {
  PromptLine p(50);
  linktest::Peer peer([&](const std::atomic<bool>& stop) {
    for (int i = 0; i < 40 && !stop; ++i) Play(p.Pty, {{"line\r\n", 80}});
  });
  AnswerReader reader([&](const QString& text) { p.B.Shell.AppendConsoleLine(text); }, p.Port,
                      DeviceShell::PromptAt::Start, {});
  reader.SetTimeCeiling(400);
  const auto start = Clock::now();
  EXPECT_EQ(reader.ReadAnswer(300), DeviceShell::AnswerEnd::Endless);
  EXPECT_LT(MsSince(start), 1500);
}

TEST(WaitForPrompt, listingLineStartingWithDriveRootCountsAsPrompt) {
  PromptLine p(200);
  ASSERT_TRUE(p.Pty.Write("some line\r\nC:\\TEMP\\FILE.TXT\r\nmore\r\n"));
  EXPECT_TRUE(p.B.Shell.WaitForPrompt(p.Port, ""));
  EXPECT_EQ(p.B.Console.Lines, (QStringList{"some line", ""}));
}

TEST(WaitForPrompt, zeroTimeoutStillEnds) {
  PromptLine p(0);
  const auto start = Clock::now();
  EXPECT_FALSE(p.B.Shell.WaitForPrompt(p.Port, ""));
  EXPECT_LT(MsSince(start), 5000);
}
