// TaloPrinterThread: the console semantics of the terminal output, with a
// recording console and the ring fed directly.
#include <gtest/gtest.h>

#include "linktestutil.h"
#include "recordingconsole.h"
#include "talodataring.h"
#include "taloprinterthread.h"

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
  TaloPrinterThread Printer{&Ring, &Console};
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

QStringList Numbered(int from, int to) {
  QStringList out;
  for (int i = from; i <= to; ++i) out << QStringLiteral("L%1").arg(i);
  return out;
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
        OutputCase{"bellAddsNothing", "a\x07" "b", {"ab"}},
        OutputCase{"promptWithoutLineEndIsShown", "D:\\>", {"D:\\>"}},
        OutputCase{"longLineIsNotBroken", std::string(200, 'x') + "\r\n",
                   {QString(200, QLatin1Char('x')), ""}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Printer, bellRingsOnThePrinterThread) {
  Terminal t;
  t.Feed("\x07\x07");
  t.Printer.Resume();
  EXPECT_TRUE(PumpUntil([&] { return t.Bells == 2; }, 3000));
}

TEST(Printer, longLineIsHandedOverIn80CharacterChunks) {
  Terminal t;
  t.Feed(std::string(200, 'x') + "\n");
  t.Printer.Resume();
  ASSERT_TRUE(t.WaitForLines({QString(200, QLatin1Char('x')), ""}));
  EXPECT_EQ(t.Console.Appends, 3) << "80 + 80 + 40, not one call per byte";
}

TEST(Printer, pendingTextIsShownAfterAShortSilenceOnly) {
  Terminal t;
  t.Printer.Resume();
  PumpFor(20);
  const auto start = Clock::now();
  t.Feed("D:\\>");
  ASSERT_TRUE(PumpUntil([&] { return t.Console.LastLine() == "D:\\>"; }, 3000));
  EXPECT_GE(MsSince(start), 24.0) << "five 5 ms waits on an empty ring first";
}

TEST(Printer, crFollowedByAPauseIsForgotten) {
  Terminal t;
  t.Printer.Resume();
  t.Feed("abc\r");
  ASSERT_TRUE(t.WaitForLines({"abc"}));
  PumpFor(100);
  t.Feed("xy");
  EXPECT_TRUE(t.WaitForLines({"abcxy"})) << t.Console.Text().toStdString();
}

TEST(Printer, backspaceOnAnEmptyBufferErasesWhatIsShown) {
  Terminal t;
  t.Printer.Resume();
  t.Feed("abc");
  ASSERT_TRUE(t.WaitForLines({"abc"}));
  t.Feed("\b\b");
  EXPECT_TRUE(t.WaitForLines({"a"}));
}

TEST(Printer, burstHoldsRepaintingFromLine25AndReleasesEvery48Lines) {
  Terminal t;
  t.Feed(NumberedBytes(1, 100));  // all there before the printer starts: one burst
  t.Printer.Resume();
  QStringList expected = Numbered(1, 100);
  expected << QString();
  ASSERT_TRUE(t.WaitForLines(expected, 5000));
  ASSERT_TRUE(PumpUntil([&] { return !t.Console.Held; }, 2000));
  EXPECT_EQ(t.Console.BeginAt, (std::vector<int>{25, 74}));
  EXPECT_EQ(t.Console.EndAt, (std::vector<int>{73, 100}));
}

TEST(Printer, consoleIsResetToTheRecentLinesAt512) {
  Terminal t;
  t.Feed(NumberedBytes(1, 511));
  t.Printer.Resume();
  QStringList before = Numbered(1, 511);
  before << QString();
  ASSERT_TRUE(t.WaitForLines(before, 10000));
  t.Feed(NumberedBytes(512, 512));
  QStringList after = Numbered(256, 512);
  after << QString();
  EXPECT_TRUE(t.WaitForLines(after)) << t.Console.LineCount();

  // The reset starts collecting afresh: 512 more lines reset again to the
  // lines finished since the console passed 256 lines.
  for (int from = 513; from <= 1024; from += 256) {
    t.Feed(NumberedBytes(from, from + 255));
    ASSERT_TRUE(PumpUntil([&] { return t.Console.Lines.contains(QStringLiteral("L%1").arg(from + 255)); }, 10000));
  }
  PumpFor(100);
  EXPECT_LE(t.Console.LineCount(), 513);
  EXPECT_EQ(t.Console.Lines.at(t.Console.LineCount() - 2), "L1024");
}

TEST(Printer, halfReceivedLineSurvivesAPause) {
  Terminal t;
  t.Printer.Resume();
  t.Feed("abc\r");
  ASSERT_TRUE(t.WaitForLines({"abc"}));
  t.Printer.Suspend();
  PumpFor(80);
  t.Feed("\ndef");
  PumpFor(80);
  EXPECT_EQ(t.Console.Lines, QStringList{"abc"}) << "nothing while paused";
  t.Printer.Resume();
  EXPECT_TRUE(t.WaitForLines({"abc", "def"})) << t.Console.Text().toStdString();
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
