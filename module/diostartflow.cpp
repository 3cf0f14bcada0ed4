#include "module/diostartflow.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <string>

#include "link/answerreader.h"
#include "link/deviceshell.h"
#include "link/talocomport.h"
#include "link/userdialogs.h"
#include "module/diotext.h"
#include "remote/taloappdir.h"
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

// told: whether the user has been told why the upload failed (the port went
// away, a program is missing from the installation folder).
bool UploadCompanions(const DioHost& host, bool& told) {
  QString missing;
  const QString modid =
      TaloAppDir::ShippedFile(&TaloAppFolders::ConfigFolder, Text(DioText::kModidFile), missing);
  const QString simulation =
      modid.isEmpty() ? QString()
                      : TaloAppDir::ShippedFile(&TaloAppFolders::ConfigFolder,
                                                Text(DioText::kSimulationFile), missing);
  if (simulation.isEmpty()) {
    host.Shell.Dialogs().ShowError(missing);
    told = true;
    return false;
  }
  const TransferHost transfer = HostFor(host, host.Timings.TransferTimeoutMs);
  const QString target = Text(DioText::kTargetDir);
  // Only where something can stop them may the uploads be cancelled.
  const bool cancellable = host.StopFlag != nullptr;
  const JobResult first = TransferFile(transfer, target, modid, cancellable, &told);
  ShowTransferFailure(host.Shell.Dialogs(), first);
  if (!first.Ok() || Stopped(host)) return false;
  const JobResult second = TransferFile(transfer, target, simulation, cancellable, &told);
  ShowTransferFailure(host.Shell.Dialogs(), second);
  return second.Ok();
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

// Steps 5 to 10 on the open port.
SimulationStart StartSimulation(const DioHost& host, TaloComPort& port) {
  DeviceShell& shell = host.Shell;
  {
    const StopWatch watch(port, host);
    DeviceShell::Drain(port, DioStartFlow::kDrainLimit);
  }
  if (Stopped(host)) return {{}, true};
  if (!shell.SendEchoed(port, DioText::kModidLine)) return {Text(DioText::kModidNotSent)};
  DioPause(host.Timings, host.Timings.AnswerPauseMs);
  QByteArray identified;
  {
    const StopWatch watch(port, host);
    identified = LastCompleteLine(shell, port);
  }
  // The identification ends by itself: the shell is back at its prompt.
  if (Stopped(host)) return {{}, true, true};
  if (!identified.contains(DioText::kModuleModel)) return {Text(DioText::kNoModule)};
  if (!shell.SendEchoed(port, DioText::kSimulationLine)) return {Text(DioText::kSimulationNotSent)};
  // The shell's line feed follows the echoed carriage return; a first
  // module command sent before it arrived would read it as the start of its
  // reply. After the pause the command's write discards it.
  DioPause(host.Timings, host.Timings.AnswerPauseMs);
  return {};
}

}  // namespace

namespace DioStartFlow {

DioStartResult Run(const DioHost& host, const DioPanelRunner& showPanel) {
  UserDialogs& dialogs = host.Shell.Dialogs();
  // 1.-2. The checks.
  if (host.DeviceFreeBytes == 0) {
    dialogs.ShowWarning(Text(ShellText::kRefreshFirst));
    return DioStartResult::NotStarted;
  }
  if (!dialogs.AskYesNo(Text(DioText::kFreeSpaceQuestion), UserDialogs::BoxKind::Information))
    return DioStartResult::NotStarted;
  if (Stopped(host)) return DioStartResult::Interrupted;
  // 3. The companion programs.
  bool told = false;
  const bool uploaded = UploadCompanions(host, told);
  if (Stopped(host)) return DioStartResult::Interrupted;
  if (!uploaded) {
    // An unplugged adapter or a missing program has been named already.
    if (!told) dialogs.ShowError(Text(DioText::kCheckCable));
    return DioStartResult::Failed;
  }
  // 4.-5. The module port (its own "Unable to open" message on failure).
  QString failure;
  std::unique_ptr<TaloComPort> port =
      TransferPort::Open(HostFor(host, host.Timings.PortTimeoutMs), failure);
  if (!port) {
    dialogs.ShowError(failure);
    return DioStartResult::Failed;
  }
  // 6.-10. Identification and simulation start.
  SimulationStart start;
  {
    const BusyCursor busy(dialogs);
    start = StartSimulation(host, *port);
  }
  // An unplugged adapter is no fault of the controller's programs.
  if (!start.Error.isEmpty() && port->IsDisconnected())
    start.Error = ShellText::Disconnected(host.Shell.SelectedPort());
  // 11. The panel, for as long as the user keeps it open.
  if (start.Error.isEmpty() && !start.Interrupted) showPanel(*port);
  // A start stopped after the companion programs ran leaves none behind.
  if (start.Interrupted && start.ModidStarted)
    (void)DioSession::DeleteCompanions(*port, host.Timings);
  // 12. The port goes before any message shows.
  port->Close();
  port.reset();
  if (start.Interrupted) return DioStartResult::Interrupted;
  if (!start.Error.isEmpty()) {
    dialogs.ShowError(start.Error);
    return DioStartResult::Failed;
  }
  return DioStartResult::PanelShown;
}

}  // namespace DioStartFlow
