// Runs the first 8192 blocks of a backup and of a restore against the
// simulator paced at 57600 baud, then stops the worker, and prints the block
// rate, the projected time for the whole 1 MiB and the efficiency against
// what the line allows: 15 bytes per 8-byte backup block (frame and reply),
// 71 per 64-byte restore block. Prints figures; asserts nothing.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <thread>

#include "image/backupworker.h"
#include "image/restoreworker.h"
#include "link/jobs/jobrunner.h"
#include "tests/support/simfixture.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kBaud = 57600;
constexpr double kLineBytesPerSecond = kBaud / 10.0;
constexpr int32_t kBlocks = 8192;

struct Direction {
  const char* Name;
  uint32_t BlockCount;
  uint32_t WireBytesPerBlock;
};

// Runs the worker as a job (inline: no event loop runs here), times blocks
// 1 to kBlocks (the command line and the helper's start are no part of the
// line's pace), then stops it.
void Measure(ImageWorker& worker, const Direction& direction) {
  JobRunner runner;
  Clock::time_point first;
  Clock::time_point last;
  bool started = false;
  int64_t progress = 0;
  QObject::connect(&runner, &JobRunner::ProgressChanged, [&](qint64 done, qint64) {
    if (!started && done >= 1) {
      first = Clock::now();
      started = true;
    }
    if (progress >= kBlocks) return;
    progress = done;
    last = Clock::now();
    if (done >= kBlocks) runner.Cancel();
  });
  JobResult end;
  (void)runner.Start([&] { return worker.Run(); }, [&](const JobResult& result) { end = result; },
                     {300000, QStringLiteral("no progress")});
  const double seconds = std::chrono::duration<double>(last - first).count();
  const int64_t blocks = progress - 1;
  if (!started || blocks <= 0) {
    std::printf("%s: no blocks (%s)\n", direction.Name, end.Text.toLocal8Bit().constData());
    return;
  }
  const double rate = blocks / seconds;
  const double projected = direction.BlockCount / rate;
  const double limit = static_cast<double>(direction.BlockCount) * direction.WireBytesPerBlock / kLineBytesPerSecond;
  std::printf("%-7s %5lld blocks in %6.2f s: %7.1f blocks/s, 1 MiB in %5.1f s (line limit %5.1f s), efficiency %.3f\n",
              direction.Name, static_cast<long long>(blocks), seconds, rate, projected, limit, limit / projected);
  std::fflush(stdout);
}

bool StartSim(SimHarness& harness, const char* helper) {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Baud = kBaud;
  if (!harness.Start(options)) {
    std::printf("simulator: %s\n", harness.LastError().c_str());
    return false;
  }
  return harness.Sim().PutFile(std::string("\\") + helper, "MZ stand-in");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  {
    SimHarness harness;
    if (!StartSim(harness, "KEEPERRD.EXE")) return 1;
    BackupWorker backup;
    backup.PortName = QString::fromStdString(harness.PortPath());
    backup.ImagePath = dir.filePath(QStringLiteral("bench.img"));
    Measure(backup, {"backup", BackupWorker::kBlockCount, 15});
  }
  {
    SimHarness harness;
    if (!StartSim(harness, "KEEPERWR.EXE")) return 1;
    const std::vector<uint8_t> image = harness.Sim().Image();
    QFile file(dir.filePath(QStringLiteral("restore.img")));
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
    file.close();
    RestoreWorker restore;
    restore.PortName = QString::fromStdString(harness.PortPath());
    restore.ImagePath = file.fileName();
    Measure(restore, {"restore", RestoreWorker::kBlockCount, 71});
  }
  return 0;
}
