#include "putcommand.h"

#include <QFileInfo>

#include "copytodevice.h"
#include "devicepath.h"
#include "deviceshell.h"
#include "terminalprogress.h"
#include "transferfile.h"
#include "transfertext.h"

namespace PutCommand {

namespace {

bool LooksLikeDevicePath(const QString& text) {
  return text.startsWith(QLatin1Char('\\')) || text.startsWith(QLatin1String("D:"), Qt::CaseInsensitive);
}

QString NoSuchFile(const QString& path) {
  return QStringLiteral("Cannot find the file '") + path + QStringLiteral("'.");
}

}  // namespace

std::optional<Arguments> Parse(const QStringList& arguments) {
  Arguments parsed;
  parsed.Files = arguments;
  parsed.Folder = QStringLiteral("\\");
  if (parsed.Files.size() > 1 && LooksLikeDevicePath(parsed.Files.last()) &&
      !QFileInfo::exists(parsed.Files.last()))
    parsed.Folder = DevicePath::Normalised(parsed.Files.takeLast());
  if (parsed.Files.isEmpty()) return std::nullopt;
  return parsed;
}

int Run(DeviceShell& shell, const QStringList& arguments, const FreeSpaceReader& readFreeSpace,
        const Output& output) {
  // 1. The call.
  const std::optional<Arguments> parsed = Parse(arguments);
  if (!parsed) return kExitUsage;
  // 2. The PC files, before the controller is bothered.
  CopyRequest request;
  for (const QString& path : parsed->Files) {
    const QFileInfo info(path);
    if (!info.exists()) {
      shell.Dialogs().ShowError(NoSuchFile(path));
      return kExitFailed;
    }
    if (!info.isFile()) {  // a folder, FIFO, device or socket
      shell.Dialogs().ShowWarning(QString::fromLatin1(TransferText::kOnlyFiles));
      return kExitFailed;
    }
    request.Selected.push_back({info.absoluteFilePath(), false, info.size()});
  }
  // 3. The folder must exist; its listing tells the free space.
  const std::optional<int64_t> free = readFreeSpace(parsed->Folder);
  if (!free) return kExitFailed;
  request.DeviceFreeBytes = *free;
  request.DevicePathText = parsed->Folder;
  // 4. The copy, with the checks of the copy button.
  TerminalProgress progress(output.Stream, output.Interactive);
  const TransferHost host{shell.SelectedPort(), progress.Console(shell.Console()), shell.Dialogs(),
                          progress};
  const CopyReport report = CopyToDevice(host, request);
  // 5. The verdict.
  if (progress.CancelledByUser()) return kExitInterrupted;
  if (!report.Started || report.Outcomes.size() != request.Selected.size()) return kExitFailed;
  for (const TransferOutcome& outcome : report.Outcomes)
    if (outcome.Outcome != TransferOutcome::Result::Sent) return kExitFailed;
  return kExitOk;
}

}  // namespace PutCommand
