// TerminalPrinter: the console semantics of the terminal output, with a
// recording console and the ring fed directly.
#include <gtest/gtest.h>

#include "link/terminal/talodataring.h"
#include "link/terminal/terminalprinter.h"
#include "tests/link/linktestutil.h"
#include "tests/support/recordingconsole.h"

using linktest::Clock;
using linktest::MsSince;
using linktest::PumpFor;
using linktest::PumpUntil;

namespace {

// Also records where the repaint holds happen and how often text is handed over.
class CountingConsole : public RecordingConsole {
 public:
  std::vector<int> BeginAt, EndAt;  // finished lines at each hold and release
  int Appends = 0;
  int Finished() const { return LineCount() - 1; }
  void BeginUpdate() override {
    BeginAt.push_back(Finished());
    RecordingConsole::BeginUpdate();
  }
  void EndUpdate() override {
    EndAt.push_back(Finished());
    RecordingConsole::EndUpdate();
  }
  void AppendToLastLine(const QString& text) override {
    ++Appends;
    RecordingConsole::AppendToLastLine(text);
  }
};

struct Terminal {
  TaloDataRing Ring;
  CountingConsole Console;
  TerminalPrinter Printer{&Ring, &Console};
  std::atomic<int> Bells{0};  // rung on the printer thread
  Terminal() {
    Printer.SetBell([this] { ++Bells; });
  }
  void Feed(const std::string& bytes) {
    for (const char c : bytes) Ring.Push(static_cast<uint8_t>(c));
  }
  bool WaitForLines(const QStringList& lines, int timeoutMs = 3000) {
    return PumpUntil([&] { return Console.Lines == lines; }, timeoutMs);
  }
  ~Terminal() {
    Printer.Terminate();
    Printer.WaitFor();
  }
};

// Lines from to to as the console shows them once finished.
QStringList Numbered(int from, int to) {
  QStringList out;
  for (int i = from; i <= to; ++i) out << QStringLiteral("L%1").arg(i);
  return out << QString();
}

std::string NumberedBytes(int from, int to) {
  std::string out;
  for (int i = from; i <= to; ++i) out += "L" + std::to_string(i) + "\r\n";
  return out;
}

}  // namespace

struct OutputCase {
  const char* Name;
  std::string Bytes;
  QStringList Lines;
  int Bells = 0;     // rung on the printer thread
  int Appends = -1;  // text hand-overs, when it matters
};

class PrinterOutput : public ::testing::TestWithParam<OutputCase> {};

TEST_P(PrinterOutput, showsBytesAsTheShellMeantThem) {
  const OutputCase& c = GetParam();
  Terminal t;
  t.Feed(c.Bytes);
  t.Printer.Resume();
  EXPECT_TRUE(t.WaitForLines(c.Lines)) << t.Console.Text().toStdString();
  PumpFor(60);
  EXPECT_EQ(t.Console.Lines, c.Lines) << "and nothing more happens";
  EXPECT_FALSE(t.Console.Held);
  EXPECT_EQ(t.Bells, c.Bells);
  if (c.Appends >= 0) {
    EXPECT_EQ(t.Console.Appends, c.Appends);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Printer, PrinterOutput,
    ::testing::Values(
        OutputCase{"crLfEndsALine", "abc\r\n", {"abc", ""}},
        OutputCase{"lfAloneEndsALine", "abc\ndef\n", {"abc", "def", ""}},
        OutputCase{"crThenTextStartsTheLineAgain", "abc\rxy", {"xy"}},
        OutputCase{"repeatedCrIsOneCr", "abc\r\r\r\nd", {"abc", "d"}},
        OutputCase{"emptyLinesAreKept", "ab\r\n\r\ncd", {"ab", "", "cd"}},
        OutputCase{"backspacesEditTheBuffer", "abc\b\b\bd", {"d"}},
        OutputCase{"bellRingsAndAddsNothing", "a\x07\x07" "b", {"ab"}, 2},
        OutputCase{"nulPaddingIsNotShown", std::string("type\r\nend\0\0\0\r\n", 14), {"type", "end", ""}},
        OutputCase{"promptWithoutLineEndIsShown", "D:\\>", {"D:\\>"}},
        // 80 + 80 + 40, not one call per byte.
        OutputCase{"longLineIsHandedOverIn80CharacterChunks", std::string(200, 'x') + "\r\n",
                   {QString(200, QLatin1Char('x')), ""}, 0, 3}),
    [](const auto& info) { return std::string(info.param.Name); });

struct SplitCase {
  const char* Name;
  std::string First;
  QStringList Shown;
  bool Suspended;  // the printer is paused while the second part arrives
  std::string Second;
  QStringList Lines;
};

class PrinterAfterAPause : public ::testing::TestWithParam<SplitCase> {};

TEST_P(PrinterAfterAPause, goesOnAsTheShellMeantIt) {
  const SplitCase& c = GetParam();
  Terminal t;
  t.Printer.Resume();
  t.Feed(c.First);
  ASSERT_TRUE(t.WaitForLines(c.Shown));
  if (c.Suspended) t.Printer.Suspend();
  PumpFor(100);
  t.Feed(c.Second);
  if (c.Suspended) {
    PumpFor(80);
    EXPECT_EQ(t.Console.Lines, c.Shown) << "nothing while paused";
    t.Printer.Resume();
  }
  EXPECT_TRUE(t.WaitForLines(c.Lines)) << t.Console.Text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Printer, PrinterAfterAPause,
    ::testing::Values(
        SplitCase{"crFollowedByAPauseIsForgotten", "abc\r", {"abc"}, false, "xy", {"abcxy"}},
        SplitCase{"backspaceOnAnEmptyBufferErasesWhatIsShown", "abc", {"abc"}, false, "\b\b",
                  {"a"}},
        SplitCase{"halfReceivedLineSurvivesSuspension", "abc\r", {"abc"}, true, "\ndef",
                  {"abc", "def"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Printer, pendingTextIsShownAfterAShortSilenceOnly) {
  Terminal t;
  t.Printer.Resume();
  PumpFor(20);
  const auto start = Clock::now();
  t.Feed("D:\\>");
  ASSERT_TRUE(PumpUntil([&] { return t.Console.LastLine() == "D:\\>"; }, 3000));
  EXPECT_GE(MsSince(start), 24.0) << "five 5 ms waits on an empty ring first";
}

TEST(Printer, burstHoldsRepaintingFromLine25AndReleasesEvery48Lines) {
  Terminal t;
  t.Feed(NumberedBytes(1, 100));  // all there before the printer starts: one burst
  t.Printer.Resume();
  ASSERT_TRUE(t.WaitForLines(Numbered(1, 100), 5000));
  ASSERT_TRUE(PumpUntil([&] { return !t.Console.Held; }, 2000));
  EXPECT_EQ(t.Console.BeginAt, (std::vector<int>{25, 74}));
  EXPECT_EQ(t.Console.EndAt, (std::vector<int>{73, 100}));
}

TEST(Printer, consoleIsResetToTheRecentLinesAt512) {
  Terminal t;
  t.Feed(NumberedBytes(1, 511));
  t.Printer.Resume();
  ASSERT_TRUE(t.WaitForLines(Numbered(1, 511), 10000));
  t.Feed(NumberedBytes(512, 512));
  EXPECT_TRUE(t.WaitForLines(Numbered(256, 512))) << t.Console.LineCount();

  // The reset starts collecting afresh: 512 more lines reset again to the
  // lines finished since the console passed 256 lines.
  for (int from = 513; from <= 1024; from += 256) {
    t.Feed(NumberedBytes(from, from + 255));
    const QString last = QStringLiteral("L%1").arg(from + 255);
    ASSERT_TRUE(PumpUntil([&] { return t.Console.Lines.contains(last); }, 10000));
  }
  PumpFor(100);
  EXPECT_LE(t.Console.LineCount(), 513);
  EXPECT_EQ(t.Console.Lines.at(t.Console.LineCount() - 2), "L1024");
}

TEST(Printer, terminationReleasesAHeldRepaint) {
  Terminal t;
  t.Feed(NumberedBytes(1, 400));
  t.Printer.Resume();
  ASSERT_TRUE(PumpUntil([&] { return t.Console.Held; }, 5000));
  t.Printer.Suspend();
  PumpFor(20);
  t.Printer.Terminate();
  t.Printer.WaitFor();
  EXPECT_FALSE(t.Console.Held);
  EXPECT_EQ(t.Console.BeginUpdates, t.Console.EndUpdates);
}
