#include "transfer/transferfile.h"

#include "link/deviceshell.h"
#include "link/talocomport.h"
#include "link/userdialogs.h"
#include "transfer/transferbatch.h"
#include "transfer/transferview.h"

namespace TransferPort {

std::unique_ptr<TaloComPort> Open(const TransferHost& host) {
  auto port = std::make_unique<TaloComPort>(host.PortName.toStdString());
  port->SetTerminator(kTerminator);
  // A port that opens but refuses the line settings is as useless as one
  // that does not open: say so the same way.
  if (!port->Open() || !port->Configure(kControllerLine) || !port->SetTimeouts(host.TimeoutMs)) {
    port->Close();
    host.Dialogs.ShowError(ShellText::UnableToOpen(host.PortName, port->LastError()));
    return nullptr;
  }
  return port;
}

}  // namespace TransferPort

bool TransferFile(const TransferHost& host, const QString& targetDir, const QString& sourcePath,
                  bool cancelEnabled, bool* disconnected) {
  if (disconnected) *disconnected = false;
  // 1.-2. Port.
  std::unique_ptr<TaloComPort> port = TransferPort::Open(host);
  if (!port) return false;
  // 3.-4. The dialog in single-file mode.
  bool arrived = true;
  bool succeeded = false;
  {
    TransferBatch batch(*port, host.Console, host.Dialogs);
    batch.SetSingleFile(sourcePath, targetDir, &arrived);
    host.Presenter.Present(batch, cancelEnabled);
    // Only a file that arrived counts: a skipped rename or a dialog that
    // closed without running the batch is no success for the caller.
    const auto& outcomes = batch.Outcomes();
    succeeded = batch.AllSucceeded() && arrived && outcomes.size() == 1 &&
                outcomes.front().Outcome == TransferOutcome::Result::Sent;
  }
  if (disconnected) *disconnected = port->IsDisconnected();
  // 5. Release the port in every case.
  port->Close();
  return succeeded;
}
