// Measures, on a pseudo-terminal with nobody talking:
// - the return time of a one-byte read at T = 1, 200 and 1000 ms (bound: 2T),
// - the return time of ReadLine on a silent line (one byte's wait: 2T),
// - the terminal receiver's read rate on an idle line (about one per 52 ms),
// - the echo round trip per command byte of a shell exchange,
// - how fast the console output thread empties the ring.
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "link/port/talocomport.h"
#include "link/shell/deviceshell.h"
#include "link/silentdialogs.h"
#include "link/taloconsole.h"
#include "link/terminal/talodataring.h"
#include "link/terminal/terminalprinter.h"
#include "link/terminal/terminalreader.h"
#include "tests/support/ptypair.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void PrintRuns(const char* what, uint32_t t, std::vector<double> runs) {
  std::sort(runs.begin(), runs.end());
  std::printf("%-34s T=%4u ms  runs=%2zu  min=%9.3f  median=%9.3f  max=%9.3f ms  (bound 2T=%u)\n",
              what, t, runs.size(), runs.front(), runs[runs.size() / 2], runs.back(), 2 * t);
}

bool OpenIdle(PtyPair& pty, TaloComPort& port, uint32_t t) {
  return pty.IsValid() && port.Open() && port.Configure(kControllerLine) && port.SetTimeouts(t);
}

void OneByteReads() {
  for (const auto& [t, runs] : {std::pair{1u, 50}, {200u, 7}, {1000u, 3}}) {
    PtyPair pty;
    TaloComPort port(pty.SlavePath());
    if (!OpenIdle(pty, port, t)) return;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
      uint8_t byte = 0;
      const auto start = Clock::now();
      (void)port.Read(1, &byte);
      times.push_back(MsSince(start));
    }
    PrintRuns("one-byte read, idle line", t, times);
  }
}

void SilentReadLines() {
  for (const auto& [t, runs] : {std::pair{1u, 50}, {200u, 7}, {1000u, 3}}) {
    PtyPair pty;
    TaloComPort port(pty.SlavePath());
    if (!OpenIdle(pty, port, t)) return;
    port.SetTerminator(10);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
      std::string line;
      const auto start = Clock::now();
      (void)port.ReadLine(1024, line);
      times.push_back(MsSince(start));
    }
    PrintRuns("ReadLine, silent line", t, times);
  }
}

void ServeFor(int ms) {
  const auto start = Clock::now();
  while (MsSince(start) < ms) {
    TaloThread::ServeMainThread();
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

void ReceiverIdleRate() {
  PtyPair pty;
  TaloComPort port(pty.SlavePath());
  if (!OpenIdle(pty, port, 1)) return;
  TaloDataRing ring;
  TerminalReader receiver(&ring);
  receiver.SetPort(&port);
  receiver.Resume();
  ServeFor(100);
  const uint64_t before = receiver.ReadCount();
  const auto start = Clock::now();
  ServeFor(3000);
  const double elapsed = MsSince(start);
  const uint64_t reads = receiver.ReadCount() - before;
  std::printf("receiver, idle line: %llu reads in %.0f ms = one per %.1f ms (%.1f reads/s)\n",
              static_cast<unsigned long long>(reads), elapsed, elapsed / double(reads),
              1000.0 * double(reads) / elapsed);
  receiver.Terminate();
  receiver.WaitFor();
}

class NullConsole : public TaloConsole {
 public:
  int Lines = 1;
  int LineCount() const override { return Lines; }
  void Clear() override { Lines = 1; }
  void AppendLine(const QString&) override { ++Lines; }
  void AppendToLastLine(const QString&) override {}
  void EraseLastChar() override {}
  void ClearLastLine() override {}
  void NewLine() override { ++Lines; }
  void ResetTo(const QStringList& lines) override { Lines = int(lines.size()) + 1; }
  QString LastLine() const override { return {}; }
  void BeginUpdate() override {}
  void EndUpdate() override {}
};

void EchoRoundTrip() {
  PtyPair pty;
  TaloComPort port(pty.SlavePath());
  if (!OpenIdle(pty, port, 500)) return;
  std::atomic<bool> stop{false};
  std::thread echo([&] {
    while (!stop) {
      const std::string in = pty.Read(1, 10);
      if (!in.empty()) pty.Write(in);
    }
  });
  NullConsole console;
  SilentDialogs dialogs;  // the echo check asks nothing
  DeviceShell shell(console, dialogs, dialogs);
  const QByteArray command = "dir D:\\DATA\\LOGS\r";
  std::vector<double> perByte;
  for (int i = 0; i < 20; ++i) {
    const auto start = Clock::now();
    if (!shell.SendEchoed(port, command)) break;
    perByte.push_back(MsSince(start) * 1000.0 / double(command.size()));
  }
  stop = true;
  echo.join();
  if (perByte.empty()) return;
  std::sort(perByte.begin(), perByte.end());
  std::printf("echo check per command byte (pty): min=%.1f median=%.1f max=%.1f us\n",
              perByte.front(), perByte[perByte.size() / 2], perByte.back());
}

void PrinterThroughput() {
  TaloDataRing ring;
  NullConsole console;
  TerminalPrinter printer(&ring, &console);
  const std::string line = "03-12-24  10:15a          1234 LOGFILE  TXT\r\n";
  for (size_t i = 0; i + line.size() < TaloDataRing::kCells; i += line.size())
    for (const char c : line) ring.Push(static_cast<uint8_t>(c));
  const uint64_t bytes = (TaloDataRing::kCells - 1) / line.size() * line.size();
  const auto start = Clock::now();
  printer.Resume();
  while (printer.BytesShown() < bytes && MsSince(start) < 10000) {
    TaloThread::ServeMainThread();
    std::this_thread::yield();
  }
  const double elapsed = MsSince(start);
  std::printf("console output thread: %llu bytes (%d lines) in %.1f ms = %.0f lines/s\n",
              static_cast<unsigned long long>(printer.BytesShown()), console.Lines - 1, elapsed,
              1000.0 * (console.Lines - 1) / elapsed);
  printer.Terminate();
  printer.WaitFor();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  OneByteReads();
  SilentReadLines();
  ReceiverIdleRate();
  EchoRoundTrip();
  PrinterThroughput();
  return 0;
}
