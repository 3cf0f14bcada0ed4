// Uploads a 64 KiB random file into the simulator at its 57600-baud line
// model, (a) with our sender and (b) with lrzsz sx, and prints the times,
// the effective rates and the efficiency against the line's limit for the
// file: 132 bytes out and one ACK back per block at 5760 bytes/s; for (a)
// also the longest gap of a 10 ms main-thread timer during the upload (a
// window that answers keeps it at 50 ms or less). Prints figures; asserts
// nothing.

#include <fcntl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "link/silentdialogs.h"
#include "link/taloconsole.h"
#include "tests/support/simfixture.h"
#include "transfer/transferbatch.h"
#include "transfer/transferfile.h"
#include "transfer/transferpresenter.h"
#include "transfer/transfertext.h"
#include "transfer/transferview.h"
#include "transfer/xmodemsender.h"

namespace {

constexpr size_t kFileBytes = 64 * 1024;
constexpr double kLineBytesPerSecond = 57600.0 / 10.0;
constexpr const char* kCommand = "C:\\transfer /R ";

// Notes when the sender's data phase begins and ends.
class TimingConsole : public TaloConsole {
 public:
  QElapsedTimer Clock;
  qint64 DataStart = -1;
  qint64 DataEnd = -1;
  int Lines = 0;
  int LineCount() const override { return Lines + 1; }
  void Clear() override { Lines = 0; }
  void AppendLine(const QString& text) override {
    ++Lines;
    if (text == TransferText::kTransferring) DataStart = Clock.elapsed();
    if (text == TransferText::kGotEotAck || text == TransferText::kNoEotAck)
      DataEnd = Clock.elapsed();
  }
  void AppendToLastLine(const QString&) override {}
  void EraseLastChar() override {}
  void ClearLastLine() override {}
  void NewLine() override {}
  void ResetTo(const QStringList& lines) override { Lines = static_cast<int>(lines.size()); }
  QString LastLine() const override { return {}; }
  void BeginUpdate() override {}
  void EndUpdate() override {}
};

struct Figures {
  bool Ok = false;
  double TotalSeconds = 0;
  double DataSeconds = 0;
  qint64 LongestGapMs = 0;  // of a 10 ms main-thread timer (ours only)
};

// Runs the batch at once, as the transfer dialog's first timer tick does.
class DirectPresenter : public TransferPresenter, public TransferView {
 public:
  void Present(TransferBatch& batch, bool) override { batch.Run(*this); }
  void ShowFile(const QString&, int, int) override {}
  void ShowProgress(int, int64_t, int64_t) override {}
};

// Our sender as the dialogs run it (TransferFile): the main thread waits in
// the batch's event loop, where a 10 ms timer notes its longest gap.
Figures RunOurs(const std::string& portPath, const QString& source) {
  Figures figures;
  TimingConsole console;
  SilentDialogs dialogs;
  DirectPresenter presenter;
  const TransferHost host{QString::fromStdString(portPath), console, dialogs, presenter};
  QElapsedTimer ticks;
  qint64 lastTick = 0;
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  tick.setInterval(10);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    figures.LongestGapMs = std::max(figures.LongestGapMs, ticks.elapsed() - lastTick);
    lastTick = ticks.elapsed();
  });
  console.Clock.start();
  ticks.start();
  tick.start();
  figures.Ok = TransferFile(host, QStringLiteral("D:\\"), source).Ok();
  tick.stop();
  figures.TotalSeconds = console.Clock.elapsed() / 1000.0;
  figures.DataSeconds = (console.DataEnd - console.DataStart) / 1000.0;
  return figures;
}

// Types the command line with echo check on a raw line, then lets sx speak.
Figures RunSx(const std::string& portPath, const QString& source) {
  Figures figures;
  const int fd = open(portPath.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return figures;
  termios tio{};
  tcgetattr(fd, &tio);
  cfmakeraw(&tio);
  cfsetspeed(&tio, B57600);
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  tcsetattr(fd, TCSANOW, &tio);
  tcflush(fd, TCIOFLUSH);
  QElapsedTimer clock;
  clock.start();
  const std::string line = std::string(kCommand) + "D:\\SX.BIN\r";
  for (const char c : line) {
    char echo = 0;
    if (write(fd, &c, 1) != 1 || read(fd, &echo, 1) != 1 || echo != c) {
      close(fd);
      return figures;
    }
  }
  const qint64 typed = clock.elapsed();
  const pid_t child = fork();
  if (child == 0) {
    dup2(fd, 0);
    dup2(fd, 1);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 2);
    const QByteArray file = source.toLocal8Bit();
    // sx may wait for an ACK that its own flush swallowed: bound it.
    execlp("timeout", "timeout", "60", "sx", "-q", file.constData(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  figures.TotalSeconds = clock.elapsed() / 1000.0;
  figures.DataSeconds = (clock.elapsed() - typed) / 1000.0;
  figures.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  close(fd);
  return figures;
}

void Print(const char* who, const Figures& f, bool arrived, double limitSeconds) {
  if (!f.Ok && !arrived) {
    std::printf("%-22s failed\n", who);
    return;
  }
  std::printf("%-22s total %6.2f s  data phase %6.2f s  %6.0f B/s  efficiency %5.1f %% (data phase), "
              "%5.1f %% (total)%s\n",
              who, f.TotalSeconds, f.DataSeconds, kFileBytes / f.DataSeconds,
              100.0 * limitSeconds / f.DataSeconds, 100.0 * limitSeconds / f.TotalSeconds,
              arrived ? "" : "  [file did not arrive intact]");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  std::string bytes(kFileBytes, '\0');
  std::mt19937 gen(2024);
  for (auto& b : bytes) b = static_cast<char>(gen() & 0xFF);
  const QString source = dir.filePath("OURS.BIN");  // as our sender stores it
  {
    QFile file(source);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  const double blocks = static_cast<double>((kFileBytes + 127) / 128);
  const double limitSeconds = blocks * (132 + 1) / kLineBytesPerSecond;
  std::printf("64 KiB random file, %0.f blocks, line model 57600 baud (%.0f B/s)\n", blocks,
              kLineBytesPerSecond);
  std::printf("line limit for this file: %.2f s (%.0f B/s of file data)\n", limitSeconds,
              kFileBytes / limitSeconds);

  talosim::SimOptions options;
  options.Baud = 57600;
  SimHarness sim;
  if (!sim.Start(options)) {
    std::printf("simulator: %s\n", sim.LastError().c_str());
    return 1;
  }
  const Figures ours = RunOurs(sim.PortPath(), source);
  const bool oursArrived = sim.Sim().GetFile("\\OURS.BIN").value_or("").substr(0, kFileBytes) == bytes;
  Print("(a) TThreadXModem", ours, oursArrived, limitSeconds);
  std::printf("%-22s main thread's longest gap %lld ms (goal 50 ms)\n", "",
              static_cast<long long>(ours.LongestGapMs));

  if (QStandardPaths::findExecutable("sx").isEmpty()) {
    std::printf("(b) lrzsz sx            not installed\n");
    return 0;
  }
  // A quiet line for sx: let the shell's prompt go by.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const Figures sx = RunSx(sim.PortPath(), source);
  const bool sxArrived = sim.Sim().GetFile("\\SX.BIN").value_or("").substr(0, kFileBytes) == bytes;
  Print("(b) lrzsz sx", sx, sxArrived, limitSeconds);
  std::printf("(data phase: first block to the EOT's answer; total: from the first byte typed)\n");
  return 0;
}
