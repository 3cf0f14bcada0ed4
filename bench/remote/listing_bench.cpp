// Lists folders of 10, 100 and 500 entries through the device pane's logic
// on the simulator at 57600 baud, once waiting out the read time-outs after
// every answer (standard) and once ending each answer at the shell's prompt
// (quick), and sets both against the line time of the listing's bytes.
//
// A listing is one session with three commands ("d:", "cd", "dir"). The
// standard ending waits 2T for the drain at the start and 2T after each
// answer's prompt: 8T, 1.6 s at T = 200 ms, whatever the folder holds. The
// quick one waits the settle time instead. The line time counts every byte
// of the exchange, typed and received: the typing goes one byte and its echo
// at a time, so the two directions never overlap. Goal: quick within
// 1.15 x the line time for 100 and 500 entries.
//
// Then a busy controller: a folder of 110 entries whose "dir" pauses 700 ms
// after its header, against the same folder without the pause, in both
// paces. Goal: the pause plus at most 10 % of the plain listing's time, with
// every entry listed (a pause is waited out, never taken for the end).
// Prints figures; asserts nothing.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <string>

#include "link/shell/deviceshell.h"
#include "link/silentdialogs.h"
#include "remote/devicebrowser.h"
#include "remote/devicelister.h"
#include "remote/devicelisting.h"
#include "sim/talosim.h"
#include "tests/support/recordingconsole.h"

namespace {

constexpr int kRuns = 3;
constexpr uint32_t kBaud = 57600;
constexpr int kSizes[] = {10, 100, 500};
constexpr int kBusyEntries = 110;
constexpr uint32_t kBusyPauseMs = 700;

struct Listing {
  double BestMs = -1;  // negative: a run failed or missed entries
  size_t LineBytes = 0;
  QString Failure;  // why a run failed
};

// The best of kRuns listings of folder, which holds entries items.
Listing BestListing(talosim::Simulator& sim, DeviceLister& lister, const QString& folder,
                    int entries, const talosim::FaultPlan& faults = {}) {
  Listing result;
  double best = 1e12;
  for (int run = 0; run < kRuns; ++run) {
    sim.ClearReceived();
    sim.SetFaults(faults);  // also restarts the count of bytes sent
    int items = 0;
    QElapsedTimer timer;
    timer.start();
    const JobResult listed = lister.ReadListing(folder, [&](DeviceListing::ListingLine& line) {
      items += line.LineKind == DeviceListing::ListingLine::Kind::Item;
    });
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (!listed || items != entries) {
      result.Failure = listed.Ok() ? QStringLiteral("%1 of %2 entries").arg(items).arg(entries)
                                   : listed.Text;
      return result;
    }
    best = std::min(best, ms);
    result.LineBytes = sim.Received().size() + static_cast<size_t>(sim.SentSinceFaults());
  }
  sim.SetFaults({});
  result.BestMs = best;
  return result;
}

double LineMs(size_t bytes) { return static_cast<double>(bytes) * 10.0 * 1000.0 / kBaud; }

QByteArray LoadAverage() {
  QFile file(QStringLiteral("/proc/loadavg"));
  return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("unknown");
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
  for (const int entries : kSizes) {
    const std::string folder = "\\L" + std::to_string(entries);
    sim.MakeDir(folder);
    for (int i = 0; i < entries; ++i) {
      if (i % 10 == 0)
        sim.MakeDir(folder + "\\DIR" + std::to_string(i));
      else
        sim.PutFile(folder + "\\FILE" + std::to_string(i) + ".DAT", std::string(100 + i, 'x'));
    }
  }
  for (int i = 0; i < kBusyEntries; ++i)
    sim.PutFile("\\BUSY\\F" + std::to_string(i) + ".DAT", std::string(10 + i, 'b'));

  RecordingConsole console;
  SilentDialogs dialogs;  // the listing asks nothing and shows nothing
  DeviceShell shell(console, dialogs, dialogs);
  shell.SetSelectedPort(QString::fromStdString(sim.SlavePath()));
  DeviceLister lister(shell);
  const auto listed = [&](bool quick, const QString& folder, int entries,
                          const talosim::FaultPlan& faults = {}) {
    shell.SetQuickAnswers(quick);
    console.Clear();
    const Listing listing = BestListing(sim, lister, folder, entries, faults);
    if (listing.BestMs < 0)
      std::fprintf(stderr, "listing of %s failed: %s\n", qPrintable(folder),
                   qPrintable(listing.Failure));
    return listing;
  };

  std::printf("listing at %u baud, T = %u ms, settle %u ms, best of %d; load %s\n", kBaud,
              lister.Timeouts().ListingMs, DeviceShell::kQuickSettleMs, kRuns,
              LoadAverage().constData());
  std::printf("| entries | bytes | line ms | standard ms | quick ms | quick / line |\n");
  std::printf("|--------:|------:|--------:|------------:|---------:|-------------:|\n");
  for (const int entries : kSizes) {
    const QString folder = QStringLiteral("\\L%1").arg(entries);
    const Listing standard = listed(false, folder, entries);
    const Listing quick = listed(true, folder, entries);
    if (standard.BestMs < 0 || quick.BestMs < 0) return 1;
    const double lineMs = LineMs(quick.LineBytes);
    std::printf("| %7d | %5zu | %7.0f | %11.0f | %8.0f | %12.2f |\n", entries, quick.LineBytes,
                lineMs, standard.BestMs, quick.BestMs, quick.BestMs / lineMs);
  }

  talosim::FaultPlan busy;
  busy.PauseListingMs = kBusyPauseMs;
  std::printf("\nbusy listing of %d entries, %u ms pause after the header, best of %d\n",
              kBusyEntries, kBusyPauseMs, kRuns);
  for (const bool quick : {false, true}) {
    const QString folder = QStringLiteral("\\BUSY");
    const Listing plain = listed(quick, folder, kBusyEntries);
    const Listing paused = listed(quick, folder, kBusyEntries, busy);
    if (plain.BestMs < 0 || paused.BestMs < 0) return 1;
    const double extraMs = paused.BestMs - plain.BestMs - kBusyPauseMs;
    std::printf("  %-8s plain %5.0f ms, paused %5.0f ms, beyond the pause %+4.0f ms "
                "(%+.1f %%; goal <= 10 %%), all %d entries listed\n",
                quick ? "quick:" : "standard:", plain.BestMs, paused.BestMs, extraMs,
                100.0 * extraMs / plain.BestMs, kBusyEntries);
  }
  sim.Stop();
  return 0;
}
