#include "app/cli/fleetrunner.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <memory>

#include "app/cli/fleetscreen.h"
#include "clisupport/progressline.h"

namespace {

// What the signal handler may touch.
int InterruptPipe[2] = {-1, -1};
std::atomic<int> Interrupts{0};
std::atomic<pid_t>* ChildPids = nullptr;
std::atomic<int> ChildCount{0};

extern "C" void OnFleetInterrupt(int) {
  if (Interrupts.fetch_add(1) == 0) {
    const char byte = 'i';
    (void)!::write(InterruptPipe[1], &byte, 1);
    return;
  }
  // The second Ctrl+C: the children and this program end the usual way.
  for (int i = 0; i < ChildCount.load(); ++i)
    if (const pid_t pid = ChildPids[i].load(); pid > 0) ::kill(pid, SIGINT);
  std::signal(SIGINT, SIG_DFL);
  std::raise(SIGINT);
}

}  // namespace

struct FleetRunner::Child {
  QProcess Process;
  QByteArray Pending[2];  // standard output, standard error: the unfinished line
  QElapsedTimer Clock;
};

FleetRunner::FleetRunner(FleetScreen& screen, QList<QStringList> arguments, int jobs,
                         QProcessEnvironment environment)
    : Screen(screen),
      Arguments(std::move(arguments)),
      Jobs(jobs > 0 ? jobs : static_cast<int>(Arguments.size())),
      Environment(std::move(environment)),
      Ports(Arguments.size()) {}

FleetRunner::~FleetRunner() = default;

void FleetRunner::Run() {
  auto pids = std::make_unique<std::atomic<pid_t>[]>(static_cast<size_t>(Arguments.size()));
  for (qsizetype i = 0; i < Arguments.size(); ++i) pids[i] = 0;
  ChildPids = pids.get();
  ChildCount = static_cast<int>(Arguments.size());
  Interrupts = 0;
  std::unique_ptr<QSocketNotifier> notifier;
  if (::pipe2(InterruptPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
    notifier = std::make_unique<QSocketNotifier>(InterruptPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] {
      char byte;
      while (::read(InterruptPipe[0], &byte, 1) > 0) {
      }
      Interrupt();
    });
  } else {
    InterruptPipe[0] = InterruptPipe[1] = -1;
  }
  using Handler = void (*)(int);
  const Handler previousInterrupt = std::signal(SIGINT, OnFleetInterrupt);
  // SIGTERM stops the ports as Ctrl+C does: each child ends cleanly.
  const Handler previousTerminate = std::signal(SIGTERM, OnFleetInterrupt);
  // A reader of our output that goes away must not take the ports' clean
  // ends with it.
  const Handler previousPipe = std::signal(SIGPIPE, SIG_IGN);

  QEventLoop loop;
  QTimer tick;
  if (Screen.DrawsProgress()) {
    QObject::connect(&tick, &QTimer::timeout, [this] { Screen.Refresh(); });
    tick.start(FleetScreen::kRedrawIntervalMs);
  }
  Children.resize(static_cast<size_t>(Arguments.size()));
  while (Running < Jobs && NextPort < Arguments.size()) StartNext();
  while (Running > 0) loop.processEvents(QEventLoop::WaitForMoreEvents);

  std::signal(SIGPIPE, previousPipe == SIG_ERR ? SIG_DFL : previousPipe);
  std::signal(SIGINT, previousInterrupt == SIG_ERR ? SIG_DFL : previousInterrupt);
  std::signal(SIGTERM, previousTerminate == SIG_ERR ? SIG_DFL : previousTerminate);
  ChildCount = 0;
  ChildPids = nullptr;
  notifier.reset();
  for (int& end : InterruptPipe) {
    if (end >= 0) ::close(end);
    end = -1;
  }
}

void FleetRunner::StartNext() {
  const int port = NextPort++;
  auto child = std::make_unique<Child>();
  QProcess& process = child->Process;
  process.setProgram(QCoreApplication::applicationFilePath());
  process.setArguments(Arguments[port]);
  process.setProcessEnvironment(Environment);
  process.setStandardInputFile(QProcess::nullDevice());
  const pid_t parent = ::getpid();
  process.setChildProcessModifier([parent] {
    // A group of its own: the terminal's Ctrl+C reaches the parent only,
    // which passes it on once (twice would end the child the hard way).
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGINT);
    if (::getppid() != parent) ::raise(SIGINT);
  });
  QObject::connect(&process, &QProcess::readyReadStandardOutput, [this, port] { Read(port, false); });
  QObject::connect(&process, &QProcess::readyReadStandardError, [this, port] { Read(port, true); });
  QObject::connect(&process, &QProcess::finished, [this, port](int code, QProcess::ExitStatus how) {
    Finish(port, how == QProcess::NormalExit ? code : -1);
  });
  QObject::connect(&process, &QProcess::errorOccurred, [this, port](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    Ports[port].ErrorLines.append(QStringLiteral("Error: cannot start ") + Children[port]->Process.program() +
                                  QStringLiteral(": ") + Children[port]->Process.errorString());
    Finish(port, -1);
  });
  child->Clock.start();
  Children[port] = std::move(child);
  ++Running;
  Ports[port].Started = true;
  Screen.Started(port);
  process.start();
  if (process.processId() > 0) ChildPids[port] = static_cast<pid_t>(process.processId());
}

void FleetRunner::Read(int port, bool error) {
  Child& child = *Children[port];
  QByteArray& pending = child.Pending[error ? 1 : 0];
  pending += error ? child.Process.readAllStandardError() : child.Process.readAllStandardOutput();
  qsizetype end;
  while ((end = pending.indexOf('\n')) >= 0) {
    const QString line = QString::fromLocal8Bit(pending.left(end));
    pending.remove(0, end + 1);
    if (const std::optional<QString> frame = ProgressLine::FrameOf(line)) {
      Screen.Progress(port, *frame);
      continue;
    }
    Screen.Line(port, error, line);
    if (!error) continue;
    QStringList& kept = Ports[port].ErrorLines;
    kept.append(line);
    if (kept.size() > kKeptErrorLines) kept.removeFirst();
  }
}

void FleetRunner::Finish(int port, int status) {
  Child& child = *Children[port];
  if (!Ports[port].Started || ChildPids[port] < 0) return;  // told twice
  ChildPids[port] = -1;
  // What came last, and an unfinished last line.
  for (const bool error : {false, true}) {
    Read(port, error);
    QByteArray& pending = child.Pending[error ? 1 : 0];
    if (!pending.isEmpty()) {
      pending += '\n';
      Read(port, error);
    }
  }
  Ports[port].Status = status;
  Ports[port].Seconds = static_cast<double>(child.Clock.elapsed()) / 1000.0;
  Screen.Ended(port);
  --Running;
  if (!WasInterrupted && NextPort < Arguments.size()) StartNext();
}

void FleetRunner::Interrupt() {
  if (WasInterrupted) return;
  WasInterrupted = true;
  for (qsizetype port = 0; port < Arguments.size(); ++port)
    if (const pid_t pid = ChildPids[port].load(); pid > 0) ::kill(pid, SIGINT);
}
