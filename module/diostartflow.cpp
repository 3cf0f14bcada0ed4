#include "diostartflow.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <string>

#include "answerreader.h"
#include "deviceshell.h"
#include "diotext.h"
#include "taloappdir.h"
#include "talocomport.h"
#include "transferfile.h"
#include "userdialogs.h"

namespace {

QString Text(const char* text) { return QString::fromLatin1(text); }

TransferHost HostFor(const DioHost& host, uint32_t timeoutMs) {
  TransferHost transfer{host.Shell.SelectedPort(), host.Shell.Console(), host.Shell.Dialogs(),
                        host.Presenter};
  transfer.TimeoutMs = timeoutMs;
  return transfer;
}

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
  return TransferFile(transfer, target, modid, false, &told) &&
         TransferFile(transfer, target, simulation, false, &told);
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

// Steps 5 to 10 on the open port; the error text, empty when the simulation
// runs.
QString StartSimulation(const DioHost& host, TaloComPort& port) {
  DeviceShell& shell = host.Shell;
  DeviceShell::Drain(port, DioStartFlow::kDrainLimit);
  if (!shell.SendEchoed(port, DioText::kModidLine)) return Text(DioText::kModidNotSent);
  DioPause(host.Timings, host.Timings.AnswerPauseMs);
  if (!LastCompleteLine(shell, port).contains(DioText::kModuleModel)) return Text(DioText::kNoModule);
  if (!shell.SendEchoed(port, DioText::kSimulationLine)) return Text(DioText::kSimulationNotSent);
  return {};
}

}  // namespace

namespace DioStartFlow {

DioStartResult Run(const DioHost& host, const DioPanelRunner& showPanel) {
  UserDialogs& dialogs = host.Shell.Dialogs();
  // 1.-2. The checks.
  if (host.DeviceFreeBytes == 0) {
    dialogs.ShowWarning(Text(DioText::kRefreshFirst));
    return DioStartResult::NotStarted;
  }
  if (!dialogs.AskYesNo(Text(DioText::kFreeSpaceQuestion))) return DioStartResult::NotStarted;
  // 3. The companion programs.
  bool told = false;
  if (!UploadCompanions(host, told)) {
    // An unplugged adapter or a missing program has been named already.
    if (!told) dialogs.ShowError(Text(DioText::kCheckCable));
    return DioStartResult::Failed;
  }
  // 4.-5. The module port (its own "Unable to open" message on failure).
  std::unique_ptr<TaloComPort> port = TransferPort::Open(HostFor(host, host.Timings.PortTimeoutMs));
  if (!port) return DioStartResult::Failed;
  // 6.-10. Identification and simulation start.
  QString error;
  {
    const BusyCursor busy(dialogs);
    error = StartSimulation(host, *port);
  }
  // An unplugged adapter is no fault of the controller's programs.
  if (!error.isEmpty() && port->IsDisconnected())
    error = ShellText::Disconnected(host.Shell.SelectedPort());
  // 11. The panel, for as long as the user keeps it open.
  if (error.isEmpty()) showPanel(*port);
  // 12. The port goes before any message shows.
  port->Close();
  port.reset();
  if (!error.isEmpty()) {
    dialogs.ShowError(error);
    return DioStartResult::Failed;
  }
  return DioStartResult::PanelShown;
}

}  // namespace DioStartFlow
