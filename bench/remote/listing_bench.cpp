// Lists a folder of 100 entries through the device pane's logic on the
// simulator at 57600 baud, and splits the time into what the exchange's
// time-outs impose and the rest.
//
// A listing is one session with three commands ("d:", "cd", "dir"). The
// time-outs impose the drain at the start (one read that waits 2T on a
// quiet line) and, per command, the read that ends its answer (another 2T).
// The rest is the line itself (echo round trips, the answer's bytes) and
// our own work.
//
// Then a busy controller: a folder of 110 entries whose "dir" pauses 700 ms
// after its header, against the same folder without the pause. The goal is
// the pause plus at most 10 % of the plain listing's time: the entries
// after the pause are read as they come, never given up on.
// Prints figures; asserts nothing.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <string>

#include "link/deviceshell.h"
#include "link/userdialogs.h"
#include "remote/devicebrowser.h"
#include "remote/listingparser.h"
#include "sim/talosim.h"
#include "tests/support/recordingconsole.h"

namespace {

constexpr int kEntries = 100;
constexpr int kRuns = 3;
constexpr uint32_t kBaud = 57600;
constexpr int kCommandsPerListing = 3;
constexpr int kBusyEntries = 110;
constexpr uint32_t kBusyPauseMs = 700;

double ParseMicroseconds(const QList<QByteArray>& lines) {
  constexpr int kRepeats = 2000;
  QElapsedTimer timer;
  timer.start();
  size_t items = 0;
  const DateFormat dates = DateSettings::ListingFormat();
  for (int r = 0; r < kRepeats; ++r)
    for (const QByteArray& line : lines)
      items += DeviceListing::ParseListingLine(line, 2026, dates).LineKind ==
               DeviceListing::ListingLine::Kind::Item;
  const double total = static_cast<double>(timer.nsecsElapsed()) / 1000.0;
  return items > 0 ? total / kRepeats : 0.0;
}

// The best of kRuns listings of folder, in ms; negative when one failed.
double BestListingMs(DeviceBrowser& browser, const QString& folder) {
  double best = 1e12;
  for (int run = 0; run < kRuns; ++run) {
    QElapsedTimer timer;
    timer.start();
    int items = 0;
    const bool ok = browser.Lister().ListDeviceFolder(folder, [&](DeviceListing::ListingLine& line) {
      items += line.LineKind == DeviceListing::ListingLine::Kind::Item;
    });
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (!ok || items != kBusyEntries) return -1;
    best = std::min(best, ms);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  talosim::SimOptions options;
  options.Baud = kBaud;
  talosim::Simulator sim(options);
  if (!sim.Start()) {
    std::fprintf(stderr, "simulator: %s\n", sim.LastError().c_str());
    return 1;
  }
  sim.MakeDir("\\BENCH");
  for (int i = 0; i < kEntries; ++i) {
    if (i % 10 == 0)
      sim.MakeDir("\\BENCH\\DIR" + std::to_string(i));
    else
      sim.PutFile("\\BENCH\\FILE" + std::to_string(i) + ".DAT", std::string(100 + i, 'x'));
  }

  RecordingConsole console;
  SilentDialogs dialogs;  // the listing asks nothing; an error is kept
  DeviceShell shell(console, dialogs);
  shell.SetSelectedPort(QString::fromStdString(sim.SlavePath()));
  DeviceBrowser browser(shell);
  const uint32_t t = browser.Lister().Timeouts().ListingMs;

  QList<QByteArray> lines;
  double bestMs = 1e12;
  double sumMs = 0;
  size_t received = 0;
  for (int run = 0; run < kRuns; ++run) {
    sim.ClearReceived();
    console.Clear();
    QElapsedTimer timer;
    timer.start();
    lines.clear();
    const bool ok = browser.Lister().ListDeviceFolder(
        "\\BENCH", [&](DeviceListing::ListingLine& line) { (void)line; });
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (!ok) {
      std::fprintf(stderr, "listing failed: %s\n", qPrintable(dialogs.LastMessage()));
      return 1;
    }
    received = sim.Received().size();
    bestMs = std::min(bestMs, ms);
    sumMs += ms;
  }
  // The last run's lines (commands and answers), for the pure parse figure
  // and the bytes the controller sent: every line with its CR LF.
  size_t answerBytes = 0;
  for (const QString& text : console.Lines) {
    if (text.isEmpty()) continue;
    lines.append(text.toLatin1() + "\r\n");
    answerBytes += static_cast<size_t>(text.size()) + 2;
  }
  const double lineMs = static_cast<double>(answerBytes + received) * 10.0 * 1000.0 / kBaud;
  browser.FillDeviceItems("\\BENCH");

  const double imposedMs = static_cast<double>(2 * t) * (1 + kCommandsPerListing);
  const double meanMs = sumMs / kRuns;
  std::printf("listing of %d entries at %u baud, time-out T = %u ms, %d runs\n", kEntries, kBaud, t,
              kRuns);
  std::printf("  items listed:            %d (folders first: %s)\n", browser.ItemCount(),
              qPrintable(browser.DeviceItems().front().Name));
  std::printf("  time taken:              mean %.0f ms, best %.0f ms\n", meanMs, bestMs);
  std::printf("  imposed by time-outs:    %.0f ms (drain + %d answer ends, each 2T)\n", imposedMs,
              kCommandsPerListing);
  std::printf("  remainder (overhead):    mean %.0f ms, best %.0f ms\n", meanMs - imposedMs,
              bestMs - imposedMs);
  std::printf(
      "  bytes on the line:       %zu typed (one echo round trip each), about %zu received\n",
      received, answerBytes);
  std::printf("  of which line time:      about %.0f ms at 10 bits per byte\n", lineMs);
  std::printf("  parse of one answer:     %.1f us for %lld lines\n", ParseMicroseconds(lines),
              static_cast<long long>(lines.size()));

  for (int i = 0; i < kBusyEntries; ++i)
    sim.PutFile("\\BUSY\\F" + std::to_string(i) + ".DAT", std::string(10 + i, 'b'));
  const double plainMs = BestListingMs(browser, "\\BUSY");
  talosim::FaultPlan busy;
  busy.PauseListingMs = kBusyPauseMs;
  sim.SetFaults(busy);
  const double busyMs = BestListingMs(browser, "\\BUSY");
  sim.SetFaults({});
  if (plainMs < 0 || busyMs < 0) {
    std::fprintf(stderr, "busy listing failed: %s\n", qPrintable(dialogs.LastMessage()));
    return 1;
  }
  const double extraMs = busyMs - plainMs - kBusyPauseMs;
  std::printf("busy listing of %d entries, %u ms pause after the header, best of %d\n",
              kBusyEntries, kBusyPauseMs, kRuns);
  std::printf("  without the pause:       %.0f ms\n", plainMs);
  std::printf("  with the pause:          %.0f ms\n", busyMs);
  std::printf("  beyond the pause:        %+.0f ms (%+.1f %% of the plain listing; goal <= 10 %%)\n",
              extraMs, 100.0 * extraMs / plainMs);
  sim.Stop();
  return 0;
}
