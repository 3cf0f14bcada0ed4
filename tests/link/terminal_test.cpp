// TaloTerminal's one reader: the controller's output reaches the console
// whole and in order while keys go out, also when the main thread is busy
// for a while in the middle of a burst.
#include <gtest/gtest.h>

#include <QThread>
#include <string>

#include "link/terminal/talodataring.h"
#include "link/terminal/taloterminal.h"
#include "tests/link/linktestutil.h"
#include "tests/support/recordingconsole.h"

using linktest::PumpFor;
using linktest::PumpUntil;

namespace {

struct BurstCase {
  const char* Name;
  int BusyMs;  // the main thread serves nothing for this long mid-burst
};

class TerminalBurst : public ::testing::TestWithParam<BurstCase> {};

TEST_P(TerminalBurst, outputArrivesWholeAndInOrderWhileKeysGoOut) {
  PtyPair line;
  ASSERT_TRUE(line.IsValid());
  RecordingConsole console;
  TaloTerminal terminal(console, nullptr);
  QString error;
  ASSERT_TRUE(terminal.Start(QString::fromStdString(line.SlavePath()), error));
  ASSERT_EQ(line.Read(1, 3000), "\r");

  // Twice what the ring holds, so the reader has to leave some in the port.
  constexpr int kLines = 250;
  QStringList expected;
  std::string burst;
  for (int i = 0; i < kLines; ++i) {
    const std::string text = "burst line " + std::to_string(1000 + i) + " of a long answer";
    expected << QString::fromStdString(text);
    burst += text + "\r\n";
  }
  expected << QString();
  ASSERT_GT(burst.size(), 2 * TaloDataRing::kCells - 2);
  linktest::Peer controller([&](const std::atomic<bool>& stop) {
    for (size_t at = 0; at < burst.size() && !stop; at += 512) {
      ASSERT_TRUE(line.Write(burst.substr(at, 512), 5000));
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });

  // Keys typed while the burst arrives; Escape leaves no typed line behind.
  terminal.SendSpecialKey(TaloTerminal::SpecialKey::F1);
  PumpFor(20);
  for (const char c : std::string("dir")) {
    terminal.KeyPress(QLatin1Char(c));
    PumpFor(5);
  }
  if (GetParam().BusyMs > 0) QThread::msleep(static_cast<unsigned long>(GetParam().BusyMs));
  terminal.KeyPress(QChar(27));
  EXPECT_EQ(line.Read(7, 3000), "\x1bOPdir\x1b");

  EXPECT_TRUE(PumpUntil([&] { return console.Lines == expected; }, 10000))
      << console.LineCount() << " lines, last " << console.Lines.value(console.LineCount() - 2).toStdString();
  EXPECT_EQ(terminal.Ring().DroppedBytes(), 0u);
  EXPECT_EQ(terminal.TypedSinceEnter(), 0);
}

INSTANTIATE_TEST_SUITE_P(Terminal, TerminalBurst,
                         ::testing::Values(BurstCase{"mainThreadServing", 0},
                                           BurstCase{"mainThreadBusyMidBurst", 600}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
