#include "transfer/transferfile.h"

#include "link/port/portopener.h"
#include "link/port/talocomport.h"
#include "link/shell/deviceshell.h"
#include "transfer/transferbatch.h"
#include "transfer/transferpresenter.h"
#include "transfer/transferview.h"

namespace TransferPort {

std::unique_ptr<TaloComPort> Open(const TransferHost& host, QString& failure) {
  PortOpening opening = OpenControllerPort(host.PortName, host.TimeoutMs, kTerminator);
  if (!opening.Opened) {
    failure = ShellText::UnableToOpen(host.PortName, opening.Error);
    return nullptr;
  }
  return std::move(opening.Port);
}

}  // namespace TransferPort


JobResult TransferFile(const TransferHost& host, const QString& targetDir,
                       const QString& sourcePath, bool cancelEnabled) {
  // 1.-2. Port.
  QString failure;
  std::unique_ptr<TaloComPort> port = TransferPort::Open(host, failure);
  if (!port) return JobResult::Failed(failure);
  // 3.-4. The dialog in single-file mode.
  bool arrived = true;
  JobResult result;
  {
    TransferBatch batch(*port, host.Console, host.Dialogs);
    batch.SetSingleFile(sourcePath, targetDir, &arrived);
    host.Presenter.Present(batch, cancelEnabled);
    // Only a file that arrived counts: a skipped rename or a dialog that
    // closed without running the batch is no success for the caller.
    const auto& outcomes = batch.Outcomes();
    result = batch.Result();
    if (result.Ok() && !(batch.AllSucceeded() && arrived && outcomes.size() == 1 &&
                         outcomes.front().Outcome == TransferOutcome::Result::Sent))
      result = JobResult::Failed(QString());
  }
  // 5. Release the port in every case.
  port->Close();
  return result;
}
