// What a USB serial adapter's latency timer costs the utility: against the
// simulator at its 57600-baud line model, with the adapter holding what the
// controller sends for 16 ms (a common chip's default) and for 1 ms (low
// latency), times the first 2048 frames of a backup, a 16 KiB upload and one
// listing of the root, and projects the whole backup from the frames.
// Prints figures; asserts nothing.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "image/backupworker.h"
#include "link/jobs/jobrunner.h"
#include "link/shell/deviceshell.h"
#include "remote/devicecli.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/simfixture.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int32_t kFrames = 2048;
constexpr qsizetype kUploadBytes = 16 * 1024;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool StartSim(SimHarness& harness, uint32_t adapterMs) {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Baud = 57600;
  options.AdapterLatencyMs = adapterMs;
  if (!harness.Start(options)) {
    std::printf("simulator: %s\n", harness.LastError().c_str());
    return false;
  }
  harness.Sim().FillDemo();
  return harness.Sim().PutFile("\\KEEPERRD.EXE", "MZ stand-in");
}

// Seconds for frames 1 to kFrames of a backup (the helper's start is no part
// of the pace), or a negative value when the backup failed.
double BackupFrames(SimHarness& harness, const QString& imagePath) {
  BackupWorker backup;
  backup.PortName = QString::fromStdString(harness.PortPath());
  backup.ImagePath = imagePath;
  // A job run inline (no event loop runs here), stopped at kFrames.
  JobRunner runner;
  Clock::time_point first;
  Clock::time_point last;
  bool started = false;
  int64_t progress = 0;
  QObject::connect(&runner, &JobRunner::ProgressChanged, [&](qint64 done, qint64) {
    if (progress >= kFrames) return;
    if (!started && done >= 1) {
      first = Clock::now();
      started = true;
    }
    progress = done;
    last = Clock::now();
    if (done >= kFrames) runner.Cancel();
  });
  (void)runner.Start([&] { return backup.Run(); }, {}, {300000, QStringLiteral("no progress")});
  const bool reached = progress >= kFrames;
  const double seconds = started ? std::chrono::duration<double>(last - first).count() : -1;
  return reached ? seconds * kFrames / (kFrames - 1) : -1;
}

double Upload(SimHarness& harness, const QString& file) {
  QProcess cli;
  const auto start = Clock::now();
  cli.start(QStringLiteral(TALO_CLI_PATH),
            {"--port", QString::fromStdString(harness.PortPath()), "put", file, "\\"});
  if (!cli.waitForFinished(300000) || cli.exitCode() != 0) return -1;
  return SecondsSince(start);
}

// Seconds for a listing of the root, or a negative value when it failed;
// lines: what it listed.
double Listing(SimHarness& harness, bool quick, QStringList& lines) {
  RecordingConsole console;
  ScriptedDialogs dialogs;
  DeviceShell shell(console, dialogs, dialogs);
  shell.SetSelectedPort(QString::fromStdString(harness.PortPath()));
  shell.SetQuickAnswers(quick);
  const auto start = Clock::now();
  return DeviceCli::ListFolder(shell, QStringLiteral("\\"), lines) == 0 ? SecondsSince(start) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  QFile upload(dir.filePath(QStringLiteral("UPLOAD.BIN")));
  if (!upload.open(QIODevice::WriteOnly)) return 1;
  std::mt19937 random(7);
  QByteArray bytes(kUploadBytes, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  upload.write(bytes);
  upload.close();

  std::printf("adapter  %d backup frames   1 MiB backup   16 KiB upload   listing of \\ "
              "(standard, quick)\n",
              kFrames);
  for (const uint32_t adapterMs : {16u, 1u}) {
    SimHarness harness;
    if (!StartSim(harness, adapterMs)) return 1;
    // The backup last: its helper still runs for a while after the stop.
    QStringList standardLines;
    QStringList quickLines;
    const double listing = Listing(harness, false, standardLines);
    const double quickListing = Listing(harness, true, quickLines);
    const double put = Upload(harness, upload.fileName());
    const double frames = BackupFrames(harness, dir.filePath(QStringLiteral("part.img")));
    const double projected = frames < 0 ? -1 : frames * BackupWorker::kBlockCount / kFrames;
    std::printf("%3u ms   %10.2f s %12.0f s (%4.1f min) %10.2f s %8.2f s, %.2f s (%s)\n", adapterMs,
                frames, projected, projected / 60, put, listing, quickListing,
                quickLines == standardLines ? "same lines" : "lines differ");
    std::fflush(stdout);
  }
  return 0;
}
