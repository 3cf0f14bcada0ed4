// Soak: many listings, uploads, backups and DIO polls against one simulator
// in one process, with the utility's resident memory, open file descriptors
// and threads printed at the start, after a first round of each operation
// (what the libraries set up once) and at the end. What a leak looks like:
// an end figure above the first round's. Prints figures; asserts nothing.
//
//   soak_bench [DIVISOR]   runs 1/DIVISOR of the counts below (default 1)
//
// The simulator runs in a child process forked before anything else starts,
// unpaced and with its programs' waits shortened, so the figures are the
// utility's alone and the run takes minutes, not hours. The exchanges use
// the short time-outs the tests use against a simulator that answers at once.

#include <dirent.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "image/backupworker.h"
#include "link/jobs/jobrunner.h"
#include "link/port/talocomport.h"
#include "link/shell/deviceshell.h"
#include "link/silentdialogs.h"
#include "module/diostartflow.h"
#include "remote/devicebrowser.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/simprocess.h"
#include "transfer/terminalprogress.h"
#include "transfer/transferfile.h"

namespace {

constexpr int kListings = 1000;
constexpr int kUploads = 100;
constexpr int kBackups = 10;
constexpr int32_t kBackupBlocks = 8192;
constexpr int kDioStarts = 10;  // each start polls kDioPolls / kDioStarts times
constexpr int kDioPolls = 1000;

struct Usage {
  long ResidentKiB = 0;
  int Descriptors = 0;
  int Threads = 0;
};

long StatusField(const char* name) {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return -1;
  char line[256];
  long value = -1;
  const size_t length = std::strlen(name);
  while (std::fgets(line, sizeof line, status))
    if (std::strncmp(line, name, length) == 0 && line[length] == ':') value = std::atol(line + length + 1);
  std::fclose(status);
  return value;
}

int CountDescriptors() {
  DIR* folder = opendir("/proc/self/fd");
  if (!folder) return -1;
  int count = 0;
  while (const dirent* entry = readdir(folder))
    if (entry->d_name[0] != '.') ++count;
  closedir(folder);
  return count - 1;  // the listing's own descriptor
}

Usage Measure() {
  return {StatusField("VmRSS"), CountDescriptors(), static_cast<int>(StatusField("Threads"))};
}

void PrintUsage(const char* when, const Usage& usage) {
  std::printf("  %-22s %8ld KiB resident  %3d descriptors  %2d threads\n", when, usage.ResidentKiB,
              usage.Descriptors, usage.Threads);
  std::fflush(stdout);
}

// Says yes to the DIO start question; silent otherwise.
class YesDialogs : public SilentDialogs {
 public:
  bool AskYesNo(const QString&, BoxKind) override { return true; }
};

class Soak {
 public:
  Soak(const std::string& port, const QString& scratch)
      : Shell(Console, Dialogs, Dialogs), Browser(Shell), Quiet(std::fopen("/dev/null", "w")),
        Progress(Quiet, false), Scratch(scratch) {
    Shell.SetSelectedPort(QString::fromStdString(port));
    DeviceTimeouts t;
    t.ListingMs = 40;
    t.FileCommandMs = 40;
    t.DeviceCommandMs = 40;
    t.FormatMs = 40;
    Browser.Lister().SetTimeouts(t);
    QFile upload(Scratch + QStringLiteral("/SOAK.DAT"));
    if (upload.open(QIODevice::WriteOnly)) upload.write(QByteArray(4096, 'u'));
  }

  ~Soak() { std::fclose(Quiet); }
  Soak(const Soak&) = delete;
  Soak& operator=(const Soak&) = delete;

  int Failures = 0;

  void Listing() {
    if (!Browser.FillDeviceItems(QStringLiteral("\\"))) Fail("listing");
    Console.Clear();
  }

  void Upload() {
    const TransferHost host{Shell.SelectedPort(), Console, Dialogs, Progress, 100};
    if (!TransferFile(host, QStringLiteral("\\"), Scratch + QStringLiteral("/SOAK.DAT")).Ok())
      Fail("upload");
    Console.Clear();
  }

  void Backup() {
    BackupWorker worker;
    worker.PortName = Shell.SelectedPort();
    worker.ImagePath = Scratch + QStringLiteral("/soak.img");
    // A job run inline (no event loop runs here), stopped part-way.
    JobRunner runner;
    QObject::connect(&runner, &JobRunner::ProgressChanged, [&](qint64 done, qint64) {
      if (done >= kBackupBlocks) runner.Cancel();
    });
    (void)runner.Start([&] { return worker.Run(); }, [this](const JobResult& end) {
      if (!end.Ok() && !end.Cancelled()) Fail("backup");
    });
    // The helper on the controller gives up after its own silence and hands
    // the line back to the shell; the simulator's is 1.5 s in its fast mode.
    std::this_thread::sleep_for(std::chrono::milliseconds(1700));
  }

  void Dio(int polls) {
    DioTimings timings;
    timings.PortTimeoutMs = 100;
    timings.TransferTimeoutMs = 100;
    timings.PollIntervalMs = 0;
    timings.ReleasePauseMs = 40;
    timings.DeletePauseMs = 40;
    const DioHost host{Shell, Progress, 1 << 20, timings};
    int answered = 0;
    const DioStart start = DioStartFlow::Run(host, [&](TaloComPort& port) {
      DioSession session(port, DioStartFlow::kModuleAddress, timings);
      for (int i = 0; i < polls; ++i) answered += session.Poll().Ok ? 1 : 0;
      (void)session.Release();
    });
    if (start.State != DioStartResult::PanelShown || answered != polls) Fail("DIO poll");
    Console.Clear();
  }

 private:
  void Fail(const char* what) {
    ++Failures;
    std::printf("  %s failed: %s\n", what, qPrintable(Dialogs.LastMessage()));
  }

  RecordingConsole Console;
  YesDialogs Dialogs;
  DeviceShell Shell;
  DeviceBrowser Browser;
  FILE* Quiet;  // where the uploads' progress lines go
  TerminalProgress Progress;
  QString Scratch;
};

template <typename Op>
void Repeat(const char* name, int count, Op op) {
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < count; ++i) op();
  std::printf("  %5d x %-16s %7.1f s\n", count, name, static_cast<double>(clock.elapsed()) / 1000.0);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const int divisor = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;

  talosim::SimOptions options;
  options.FastTimeouts = true;
  SimProcess sim;
  const bool started = sim.Start(options, [](talosim::Simulator& controller) {
    return controller.PutFile("\\KEEPERRD.EXE", "MZ stand-in") &&
           controller.PutFile("\\AUTORUN.BAT", "PROG.EXE\r\n");
  });
  if (!started) {
    std::fprintf(stderr, "simulator did not start\n");
    return 1;
  }

  QCoreApplication app(argc, argv);
  QTemporaryDir home;
  QDir().mkpath(home.filePath(QStringLiteral("Config")));
  for (const char* name : {"MODID.EXE", "SIMU7101.EXE"})
    QFile::copy(QStringLiteral(TALO_DEMO_SEED "/Config/") + QLatin1String(name),
                home.filePath(QStringLiteral("Config/") + QLatin1String(name)));
  qputenv("TALO7100_HOME", home.path().toLocal8Bit());

  std::printf("soak against the simulator (unpaced, 1/%d of the full counts)\n", divisor);
  const Usage start = Measure();
  Soak soak(sim.Port(), home.path());
  const int dioPolls = kDioPolls / kDioStarts;

  // One of each first: what the libraries allocate once is no leak.
  soak.Listing();
  soak.Upload();
  soak.Backup();
  soak.Dio(dioPolls);
  const Usage warm = Measure();

  Repeat("listings", kListings / divisor, [&] { soak.Listing(); });
  Repeat("uploads", kUploads / divisor, [&] { soak.Upload(); });
  Repeat("backups (8192 bl.)", std::max(1, kBackups / divisor), [&] { soak.Backup(); });
  Repeat("DIO starts", std::max(1, kDioStarts / divisor), [&] { soak.Dio(dioPolls); });
  const Usage end = Measure();

  std::printf("usage:\n");
  PrintUsage("at the start", start);
  PrintUsage("after one of each", warm);
  PrintUsage("at the end", end);
  std::printf("growth after the first round: %+ld KiB resident, %+d descriptors, %+d threads; %d failures\n",
              end.ResidentKiB - warm.ResidentKiB, end.Descriptors - warm.Descriptors,
              end.Threads - warm.Threads, soak.Failures);
  return soak.Failures == 0 ? 0 : 1;
}
