// Terminal throughput: the controller prints a large file with "type" and the
// terminal shows it in the real console memo (offscreen). Once with the line
// unpaced, once at the 57600-baud line model with the memo drawn, once at
// 57600 with the memo hidden (the receive path and the console's text alone,
// no drawing), and once more at 57600 with the main thread blocked for a
// second half-way through (a busy window must not cost output). Then picocom
// receives the same file on its own simulated 57600-baud line, as the
// yardstick for the receive path: the summary gives the hidden run's CPU time
// as a multiple of picocom's, and the drawn run's share of a core. Prints what
// was sent, shown and dropped, CPU time and share of a core, and the
// sustained rate; asserts nothing. TALO_BENCH_HIDDEN=1 keeps the memo hidden
// in every run.
//
// The simulator runs in a child process forked before anything else starts,
// so the CPU figures are the utility's alone.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextBlock>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "app/consolefeed.h"
#include "app/consoleview.h"
#include "link/terminal/talodataring.h"
#include "link/terminal/taloterminal.h"
#include "link/terminal/terminalprinter.h"
#include "link/terminal/terminalreader.h"
#include "sim/talosim.h"
#include "tests/support/simprocess.h"

namespace {

constexpr size_t kFileBytes = 96 * 1024;
constexpr double kLineBytesPerSecond = 5760.0;  // 57600 baud, 10 bits a byte
constexpr int kQuietEndMs = 3000;
constexpr unsigned long kBlockMs = 1000;

std::string FileContent() {
  std::string text;
  for (int line = 0; text.size() < kFileBytes; ++line) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%06d The quick brown fox jumps over the lazy dog 0123456789\r\n",
                  line);
    text += buffer;
  }
  text.resize(kFileBytes - 2);
  text += "\r\n";
  return text;
}

// Forks a simulator at the given pace holding BIG.TXT.
void SpawnSimulator(SimProcess& sim, uint32_t baud, const std::string& content) {
  talosim::SimOptions options;
  options.Baud = baud;
  sim.Start(options, [&](talosim::Simulator& controller) {
    return controller.PutFile("\\BIG.TXT", content);
  });
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The same file read by a bare raw reader: the pace the simulated line
// really delivers, for comparison.
void MeasureBareLine(const char* label, const SimProcess& sim, const std::string& content) {
  const int fd = open(sim.Port().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  termios mode{};
  tcgetattr(fd, &mode);
  cfmakeraw(&mode);
  tcsetattr(fd, TCSANOW, &mode);
  tcflush(fd, TCIFLUSH);
  const char command[] = "type BIG.TXT\r";
  (void)!write(fd, command, sizeof command - 1);
  QElapsedTimer clock;
  clock.start();
  size_t total = 0;
  qint64 last = 0;
  char buffer[4096];
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 1000) <= 0) break;
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    total += static_cast<size_t>(got);
    last = clock.elapsed();
  }
  close(fd);
  const double seconds = static_cast<double>(last) / 1000.0;
  std::printf("%-8s bare reader: %zu B in %.2f s = %.0f B/s = %.2f x 5760 B/s (file %zu B)\n", label,
              total, seconds, static_cast<double>(total) / seconds,
              static_cast<double>(total) / seconds / kLineBytesPerSecond, content.size());
}

// How often the measurement looks at the console: seldom enough that its
// own wake-ups stay out of the utility's figures.
constexpr int kLookMs = 25;

// Runs the event loop until done() or timeoutMs.
template <typename Done>
bool RunUntil(Done done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  QEventLoop loop;
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QTimer::singleShot(kLookMs, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

struct Figures {
  double CpuSeconds = -1;  // negative: not measured
  double Seconds = 0;
  uint64_t Lost = 0;
};

// blockMainThread: once half the file is shown, the main thread sleeps
// kBlockMs, as a window busy elsewhere would.
Figures Measure(const char* label, const SimProcess& sim, const std::string& content,
                bool blockMainThread = false, bool hidden = false) {
  ConsoleView memo;
  memo.resize(900, 400);
  if (!hidden && !getenv("TALO_BENCH_HIDDEN")) memo.show();
  ConsoleFeed console(memo, ConsoleFeed::kFrameMs);  // as the main window has it
  TaloTerminal terminal(console, nullptr);
  QString error;
  if (sim.Port().empty() || !terminal.Start(QString::fromStdString(sim.Port()), error)) {
    std::printf("%-8s could not start the terminal: %s\n", label, qPrintable(error));
    return {};
  }
  const QString prompt = QStringLiteral("D:\\>");
  if (!RunUntil([&] { return console.LastLine() == prompt; }, 5000)) {
    std::printf("%-8s no prompt\n", label);
    return {};
  }
  const uint64_t shownBefore = terminal.Printer().BytesShown();
  const uint64_t droppedBefore = terminal.Ring().DroppedBytes();
  const uint64_t readsBefore = terminal.Receiver().ReadCount();
  const double cpuBefore = CpuSeconds();
  QElapsedTimer clock;
  clock.start();

  for (QChar c : QStringLiteral("type BIG.TXT\r")) terminal.KeyPress(c);
  // Done when the prompt is back after the file, or nothing new arrived for
  // a while (a dropped prompt).
  uint64_t lastShown = 0;
  qint64 lastChange = 0;
  bool blocked = false;
  bool complete = false;
  const QString lastFileLine = QString::fromLatin1(content.data() + content.rfind('\n', content.size() - 2) + 1).trimmed();
  RunUntil(
      [&] {
        if (getenv("TALO_BENCH_TRACE") && clock.elapsed() % 1000 < kLookMs + 1)
          std::printf("  t=%lld shown=%llu dropped=%llu last=%s\n", (long long)clock.elapsed(),
                      (unsigned long long)terminal.Printer().BytesShown(),
                      (unsigned long long)terminal.Ring().DroppedBytes(), qPrintable(console.LastLine()));
        const uint64_t shown = terminal.Printer().BytesShown();
        if (blockMainThread && !blocked && shown - shownBefore >= content.size() / 2) {
          blocked = true;
          QThread::msleep(kBlockMs);
        }
        if (shown != lastShown) {
          lastShown = shown;
          lastChange = clock.elapsed();
        }
        const bool promptBack = console.LastLine() == prompt &&
                                memo.document()->lastBlock().previous().text() == lastFileLine;
        complete = promptBack;
        return promptBack || clock.elapsed() - lastChange > kQuietEndMs;
      },
      600000);
  const double seconds = static_cast<double>(lastChange) / 1000.0;
  const double cpu = CpuSeconds() - cpuBefore;
  const uint64_t shown = terminal.Printer().BytesShown() - shownBefore;
  const uint64_t dropped = terminal.Ring().DroppedBytes() - droppedBefore;
  const double rate = static_cast<double>(content.size()) / seconds;
  // Each read is a hand-over to the main thread: what the receive path costs.
  const double reads = static_cast<double>(terminal.Receiver().ReadCount() - readsBefore);
  // Lost: what the ring dropped, or everything when the prompt never came
  // back after the file's last line.
  const uint64_t lost = complete ? dropped : content.size();
  std::printf("%-8s file %zu B  shown %llu B  dropped by ring %llu B  time %.2f s  CPU %.2f s  "
              "(%.1f %% of a core)  rate %.0f B/s = %.2f x 5760 B/s  reads %.0f/s  console lines %d  "
              "lost %llu B\n",
              label, content.size(), static_cast<unsigned long long>(shown),
              static_cast<unsigned long long>(dropped), seconds, cpu, 100.0 * cpu / seconds, rate,
              rate / kLineBytesPerSecond, reads / seconds, memo.document()->blockCount(),
              static_cast<unsigned long long>(lost));
  terminal.Stop();
  return {cpu, seconds, lost};
}

// picocom on its own simulated line, with a pseudo-terminal for its screen
// that is read as fast as it writes: its CPU time for the same stream.
Figures MeasurePicocom(const char* label, const SimProcess& sim, const std::string& content) {
  int screen = -1;
  winsize size{};
  size.ws_row = 50;
  size.ws_col = 132;
  const pid_t child = forkpty(&screen, nullptr, nullptr, &size);
  if (child < 0) {
    std::printf("%-8s picocom: no pseudo-terminal\n", label);
    return {};
  }
  if (child == 0) {
    execlp("picocom", "picocom", "--quiet", "--baud", "57600", "--noreset", "--initstring",
           "type BIG.TXT\r", "--exit-after", "2000", sim.Port().c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  QElapsedTimer clock;
  clock.start();
  size_t total = 0;
  qint64 first = -1, last = 0;
  char buffer[4096];
  for (;;) {
    pollfd p{screen, POLLIN, 0};
    const int ready = poll(&p, 1, 10000);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    const ssize_t got = read(screen, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // picocom has gone: its side of the pty is closed
    total += static_cast<size_t>(got);
    if (first < 0) first = clock.elapsed();
    last = clock.elapsed();
  }
  close(screen);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 127) {
    std::printf("%-8s picocom could not run (is it installed?)\n", label);
    return {};
  }
  const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  const double seconds = static_cast<double>(last - std::max<qint64>(first, 0)) / 1000.0;
  // Its screen also shows the command's echo and the prompts.
  const uint64_t lost = total >= content.size() ? 0 : content.size() - total;
  std::printf("%-8s picocom: screen %zu B  time %.2f s  CPU %.2f s  (%.1f %% of a core)  lost %llu B\n",
              label, total, seconds, cpu, seconds > 0 ? 100.0 * cpu / seconds : 0.0,
              static_cast<unsigned long long>(lost));
  return {cpu, seconds, lost};
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const std::string content = FileContent();
  // Both simulators first: nothing else may run in this process at fork time.
  SimProcess unpaced, paced, hidden, blocked, reference;
  SpawnSimulator(unpaced, 0, content);
  SpawnSimulator(paced, 57600, content);
  SpawnSimulator(hidden, 57600, content);
  SpawnSimulator(blocked, 57600, content);
  SpawnSimulator(reference, 57600, content);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int result = 0;
  {
    QApplication app(argc, argv);
    std::printf("Terminal throughput: \"type\" of a %zu-byte file into the console memo\n",
                content.size());
    Measure("unpaced", unpaced, content);
    const Figures drawn = Measure("57600", paced, content);
    const Figures receive = Measure("57600 memo hidden", hidden, content, false, true);
    Measure("57600 main thread blocked 1 s", blocked, content, true);
    MeasureBareLine("57600", paced, content);
    const Figures picocom = MeasurePicocom("57600", reference, content);
    if (drawn.CpuSeconds >= 0 && drawn.Seconds > 0)
      std::printf("summary  console drawn: %.1f %% of a core, lost %llu B\n",
                  100.0 * drawn.CpuSeconds / drawn.Seconds,
                  static_cast<unsigned long long>(drawn.Lost));
    if (receive.CpuSeconds >= 0 && picocom.CpuSeconds > 0)
      std::printf("summary  receive path: CPU %.3f s = %.2f x picocom's %.3f s, lost %llu B\n",
                  receive.CpuSeconds, receive.CpuSeconds / picocom.CpuSeconds, picocom.CpuSeconds,
                  static_cast<unsigned long long>(receive.Lost));
  }
  // Each child holds copies of the earlier ones' pipes: the last stops first,
  // as the simulators go in reverse order.
  return result;
}
