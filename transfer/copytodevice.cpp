#include "transfer/copytodevice.h"

#include <QFileInfo>
#include <algorithm>
#include <memory>

#include "link/port/talocomport.h"
#include "link/shell/deviceshell.h"
#include "link/resultteller.h"
#include "transfer/transferfile.h"
#include "transfer/transferpresenter.h"
#include "transfer/transfertext.h"
#include "transfer/transferview.h"

namespace CopyToDeviceLogic {

Checked CheckSelection(const std::vector<CopySelection>& selected, int64_t deviceFreeBytes) {
  Checked result;
  if (selected.empty()) {
    result.Warning = QString::fromLatin1(TransferText::kSelectFile);
    return result;
  }
  for (const CopySelection& item : selected) {
    // Only regular files can be sent: a FIFO, a device or a socket is refused
    // like a folder (reading one could wait for ever or never end).
    const QFileInfo info(item.FullPath);
    if (item.IsFolder || (info.exists() && !info.isFile())) {
      result.Warning = QString::fromLatin1(TransferText::kOnlyFiles);
      return result;
    }
    result.Sources.append(item.FullPath);
    result.TotalBytes += std::max<int64_t>(item.SizeBytes, 0);
  }
  if (deviceFreeBytes == 0) {
    result.Warning = QString::fromLatin1(ShellText::kRefreshFirst);
    return result;
  }
  // The whole total counts: files of 4 GiB and more must not wrap round to a
  // small number and pass.
  if (result.TotalBytes == 0 || result.TotalBytes >= deviceFreeBytes)
    result.Warning = QString::fromLatin1(TransferText::kNoSpace);
  return result;
}

QString TargetDirFor(const QString& devicePathText) {
  if (devicePathText == QLatin1String("\\")) return QStringLiteral("D:\\");
  QString dir = QStringLiteral("D:") + devicePathText;
  if (!dir.endsWith(QLatin1Char('\\'))) dir += QLatin1Char('\\');
  return dir;
}

QStringList UploadMismatches(const std::vector<TransferOutcome>& outcomes,
                             const std::vector<DeviceFolderEntry>& listing) {
  constexpr int64_t kBlock = 128;
  QStringList lines;
  for (const TransferOutcome& outcome : outcomes) {
    if (outcome.Outcome != TransferOutcome::Result::Sent) continue;
    const QString name = outcome.TargetName.section(QLatin1Char('\\'), -1);
    const auto listed = std::find_if(listing.begin(), listing.end(), [&](const DeviceFolderEntry& e) {
      return !e.IsFolder && e.Name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (listed == listing.end()) {
      lines.append(TransferText::NotArrived(outcome.TargetName, outcome.Size));
      continue;
    }
    const int64_t padded = (outcome.Size + kBlock - 1) / kBlock * kBlock;
    if (listed->SizeBytes != outcome.Size && listed->SizeBytes != padded)
      lines.append(TransferText::ArrivedShort(outcome.TargetName, listed->SizeBytes, outcome.Size));
  }
  return lines;
}

}  // namespace CopyToDeviceLogic

namespace {

// One console line per skipped file, and a final message with them all:
// after a long batch nobody remembers which questions were answered No.
void ReportSkipped(const TransferHost& host, const std::vector<TransferOutcome>& outcomes,
                   ResultTeller& teller) {
  QStringList lines;
  int copied = 0;
  for (const TransferOutcome& outcome : outcomes) {
    if (outcome.Outcome == TransferOutcome::Result::Sent) ++copied;
    if (outcome.Outcome == TransferOutcome::Result::Skipped)
      lines.append(TransferText::SkippedLine(outcome));
  }
  if (lines.isEmpty()) return;
  DeviceShell console(host.Console, host.Dialogs, teller);
  for (const QString& line : lines) console.AppendConsoleLine(line);
  teller.Tell(JobResult::Done(
      TransferText::SkippedSummary(copied, static_cast<int>(outcomes.size()), lines)));
}

}  // namespace

CopyReport CopyToDevice(const TransferHost& host, const CopyRequest& request,
                        ResultTeller& teller) {
  CopyReport report;
  // 1.-4. The checks, in order.
  const CopyToDeviceLogic::Checked checked =
      CopyToDeviceLogic::CheckSelection(request.Selected, request.DeviceFreeBytes);
  if (checked.Warning) {
    teller.Tell(JobResult::Warned(*checked.Warning));
    return report;
  }
  // 5.-6. The port.
  QString failure;
  std::unique_ptr<TaloComPort> port = TransferPort::Open(host, failure);
  if (!port) {
    teller.Tell(JobResult::Failed(failure));
    return report;
  }
  report.Started = true;
  // 7.-8. The dialog runs the batch; the port is closed when it has gone.
  {
    TransferBatch batch(*port, host.Console, host.Dialogs);
    batch.SetSourceList(checked.Sources, CopyToDeviceLogic::TargetDirFor(request.DevicePathText));
    batch.SetDeviceListing(request.DeviceListing);
    batch.SetDeviceNames(request.DeviceNames);
    host.Presenter.Present(batch, true);
    report.AllSucceeded = batch.AllSucceeded();
    report.Outcomes = batch.Outcomes();
    report.Result = batch.Result();
  }
  report.Disconnected = port->IsDisconnected();
  port->Close();
  port.reset();
  // The batch's failure, told before the folder is listed again.
  teller.Tell(report.Result);
  // The batch has said the port went away; a listing could only fail again.
  if (report.Disconnected) return report;
  // 9. Show the folder again, keeping the user's view.
  QString copiedName;
  if (report.Outcomes.size() == 1 && report.Outcomes[0].Outcome == TransferOutcome::Result::Sent)
    copiedName = report.Outcomes[0].TargetName.section(QLatin1Char('\\'), -1);
  // 10.-11. Once listed: what the listing shows must be what was sent; the
  // files the user chose not to send are named once more at the end.
  auto ended = std::make_shared<CopyReport>(std::move(report));
  // The teller is the front's, which outlives the listing.
  const auto listed = [host, ended, teller = &teller](std::optional<CopyRequest::Listing> listing) {
    if (listing) {
      ended->Mismatches = CopyToDeviceLogic::UploadMismatches(ended->Outcomes, *listing);
      if (!ended->Mismatches.isEmpty())
        teller->Tell(JobResult::Warned(ended->Mismatches.join(QLatin1Char('\n'))));
    }
    ReportSkipped(host, ended->Outcomes, *teller);
  };
  if (request.RefreshDevicePane)
    request.RefreshDevicePane(copiedName, listed);
  else
    listed(std::nullopt);
  return *ended;
}
