#include "module/diostartflow.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <string>
#include <utility>

#include "installation/taloappfolders.h"
#include "link/busycursor.h"
#include "link/port/portopener.h"
#include "link/port/talocomport.h"
#include "link/shell/answerreader.h"
#include "link/shell/deviceshell.h"
#include "link/userdialogs.h"
#include "module/diotext.h"
#include "transfer/transferfile.h"

namespace {

QString Text(const char* text) { return QString::fromLatin1(text); }

TransferHost HostFor(const DioHost& host, uint32_t timeoutMs) {
  TransferHost transfer{host.Shell.SelectedPort(), host.Shell.Console(), host.Shell.Dialogs(),
                        host.Presenter};
  transfer.TimeoutMs = timeoutMs;
  return transfer;
}

bool Stopped(const DioHost& host) { return host.StopFlag && host.StopFlag->load(); }

// Lets the port's reads end as soon as the stop flag is set, for its
// lifetime.
class StopWatch {
 public:
  StopWatch(TaloComPort& port, const DioHost& host) : Port(port) { Port.SetStopFlag(host.StopFlag); }
  ~StopWatch() { Port.SetStopFlag(nullptr); }
  StopWatch(const StopWatch&) = delete;
  StopWatch& operator=(const StopWatch&) = delete;

 private:
  TaloComPort& Port;
};

// The installation's two companion programs, or the text that names the one
// missing.
struct Companions {
  QString Modid;
  QString Simulation;
  QString Missing;
};

Companions FindCompanions() {
  Companions found;
  found.Modid = TaloAppDir::ShippedFile(&TaloAppFolders::ConfigFolder, Text(DioText::kModidFile),
                                        found.Missing);
  if (!found.Modid.isEmpty())
    found.Simulation = TaloAppDir::ShippedFile(&TaloAppFolders::ConfigFolder,
                                               Text(DioText::kSimulationFile), found.Missing);
  return found;
}

// The two uploads; Ok, or the result of the first that failed.
JobResult UploadCompanions(const DioHost& host, const Companions& files) {
  const TransferHost transfer = HostFor(host, host.Timings.TransferTimeoutMs);
  const QString target = Text(DioText::kTargetDir);
  // Only where something can stop them may the uploads be cancelled.
  const bool cancellable = host.StopFlag != nullptr;
  const JobResult first = TransferFile(transfer, target, files.Modid, cancellable);
  if (!first.Ok() || Stopped(host)) return first;
  return TransferFile(transfer, target, files.Simulation, cancellable);
}

// Reads the identification's lines until a read fails (or up to an answer's
// ceiling) and returns the last complete one; each line goes to the console.
QByteArray LastCompleteLine(DeviceShell& shell, TaloComPort& port) {
  QByteArray last;
  std::string text;
  for (int lines = 0;
       lines < AnswerReader::kAnswerLines && port.ReadLine(DioStartFlow::kLineLimit, text); ++lines) {
    last = QByteArray::fromStdString(text);
    shell.AppendConsoleLine(last);
    text.clear();
  }
  return last;
}

struct SimulationStart {
  QString Error;  // empty: the simulation runs (or was interrupted)
  bool Interrupted = false;
  bool ModidStarted = false;  // its line went out: the programs were started
};

// A program's line that was not typed whole; one whose carriage return went
// out may have started the program all the same.
QString NotSent(const char* notSent, const DeviceShell::Typing& typing, const char* mayHaveRun) {
  if (!typing.Entered) return Text(notSent);
  return Text(notSent) + QStringLiteral("\n\n") + Text(mayHaveRun);
}

// Steps 5 to 10 on the open port.
SimulationStart StartSimulation(const DioHost& host, TaloComPort& port) {
  DeviceShell& shell = host.Shell;
  {
    const StopWatch watch(port, host);
    DeviceShell::Drain(port, DioStartFlow::kDrainLimit);
  }
  if (Stopped(host)) return {{}, true};
  DeviceShell::Typing typing;
  if (!shell.SendEchoed(port, DioText::kModidLine, &typing))
    return {NotSent(DioText::kModidNotSent, typing, DioText::kModidMayHaveRun)};
  DioPause(host.Timings, host.Timings.AnswerPauseMs);
  QByteArray identified;
  {
    const StopWatch watch(port, host);
    identified = LastCompleteLine(shell, port);
  }
  // The identification ends by itself: the shell is back at its prompt.
  if (Stopped(host)) return {{}, true, true};
  if (!identified.contains(DioText::kModuleModel)) return {Text(DioText::kNoModule)};
  if (!shell.SendEchoed(port, DioText::kSimulationLine, &typing))
    return {NotSent(DioText::kSimulationNotSent, typing, DioText::kSimulationMayHaveRun)};
  // The shell's line feed follows the echoed carriage return; a first
  // module command sent before it arrived would read it as the start of its
  // reply. After the pause the command's write discards it.
  DioPause(host.Timings, host.Timings.AnswerPauseMs);
  return {};
}

}  // namespace

namespace DioStartFlow {

DioStart Run(const DioHost& host, const DioPanelRunner& showPanel) {
  UserDialogs& dialogs = host.Shell.Dialogs();
  DioStart outcome;
  const auto ended = [&outcome](DioStartResult state, JobResult result) {
    outcome.State = state;
    outcome.Result = std::move(result);
    return outcome;
  };
  const auto interrupted = [&] { return ended(DioStartResult::Interrupted, JobResult::Stopped()); };
  // 1.-2. The checks.
  if (host.DeviceFreeBytes == 0)
    return ended(DioStartResult::NotStarted, JobResult::Warned(Text(ShellText::kRefreshFirst)));
  if (!dialogs.AskYesNo(Text(DioText::kFreeSpaceQuestion), UserDialogs::BoxKind::Information))
    return ended(DioStartResult::NotStarted, JobResult::Stopped());
  if (Stopped(host)) return interrupted();
  // 3. The companion programs: a missing one names itself.
  const Companions files = FindCompanions();
  if (files.Simulation.isEmpty())
    return ended(DioStartResult::Failed, JobResult::Failed(files.Missing));
  const JobResult uploaded = UploadCompanions(host, files);
  if (Stopped(host)) return interrupted();
  if (!uploaded.Ok()) {
    // The upload's own message comes first; an unplugged adapter needs no
    // word about the cable after it.
    outcome.Upload = uploaded;
    return ended(DioStartResult::Failed,
                 uploaded.Status == JobStatus::Disconnected
                     ? JobResult{JobStatus::Disconnected, QString()}
                              : JobResult::Failed(Text(DioText::kCheckCable)));
  }
  // 4.-5. The module port.
  const QString portName = host.Shell.SelectedPort();
  PortOpening opening = OpenControllerPort(portName, host.Timings.PortTimeoutMs);
  if (!opening.Opened)
    return ended(DioStartResult::Failed,
                 JobResult::Failed(ShellText::UnableToOpen(portName, opening.Error)));
  std::unique_ptr<TaloComPort> port = std::move(opening.Port);
  // 6.-10. Identification and simulation start, on the shell's runner.
  SimulationStart start;
  {
    const BusyCursor busy(dialogs);
    bool ran = false;
    const JobResult job = host.Shell.Jobs().Await([&] {
      start = StartSimulation(host, *port);
      ran = true;
      return JobResult::Done();
    });
    // Not run at all (another job held the port): nothing was typed.
    if (!ran) start.Error = job.Text.isEmpty() ? JobRunner::BusyText() : job.Text;
  }
  // An unplugged adapter is no fault of the controller's programs.
  if (!start.Error.isEmpty() && port->IsDisconnected())
    start.Error = ShellText::Disconnected(host.Shell.SelectedPort());
  // 11. The panel, for as long as the user keeps it open.
  if (start.Error.isEmpty() && !start.Interrupted) showPanel(*port);
  // A start stopped after the companion programs ran leaves none behind.
  if (start.Interrupted && start.ModidStarted)
    (void)host.Shell.Jobs().Await(
        [&] { return DioSession::DeleteCompanions(*port, host.Timings); });
  // 12. The port goes before any message shows.
  port->Close();
  port.reset();
  if (start.Interrupted) return interrupted();
  if (!start.Error.isEmpty()) return ended(DioStartResult::Failed, JobResult::Failed(start.Error));
  return ended(DioStartResult::PanelShown, JobResult::Done());
}

std::vector<JobResult> Told(const DioStart& start) {
  // A start stopped on request, or answered No, says nothing.
  if (start.Result.Cancelled()) return {start.Upload};
  return {start.Upload, start.Result};
}

}  // namespace DioStartFlow
