#include "transfer/putcommand.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include "link/escapecontrols.h"
#include "link/shell/devicepath.h"
#include "link/shell/deviceshell.h"
#include "transfer/copytodevice.h"
#include "transfer/terminalprogress.h"
#include "transfer/transferfile.h"
#include "transfer/transfertext.h"

namespace PutCommand {

namespace {

bool LooksLikeDevicePath(const QString& text) {
  return text.startsWith(QLatin1Char('\\')) || text.startsWith(QLatin1String("D:"), Qt::CaseInsensitive);
}

QString NoSuchFile(const QString& path) {
  return QStringLiteral("Cannot find the file '") + path + QStringLiteral("'.");
}

// Settles the device name of every file before anything is sent. Fills
// request.Selected and request.DeviceNames with the files to send; false
// when a name refuses the whole call. refusedSome: a file was left out
// because it would replace one without --force.
bool SettleNames(DeviceShell& shell, const Arguments& call, const std::vector<CopySelection>& files,
                 const FolderState& folder, const Output& output, CopyRequest& request,
                 bool& refusedSome) {
  DeviceNames names(folder.Entries);
  bool usable = true;
  for (const CopySelection& file : files) {
    const QString pcName = QFileInfo(file.FullPath).fileName();
    QString name = pcName;
    const DeviceNames::Verdict verdict = names.Examine(name);
    if (verdict == DeviceNames::Verdict::FileListed && !call.Force) {
      const DeviceFolderEntry* listed = names.Listed(name);
      shell.Teller().Tell(JobResult::Failed(TransferText::NotReplaced(
          file.FullPath, listed->Name, listed->SizeBytes, listed->ModifiedText)));
      refusedSome = true;
      continue;
    }
    if (verdict != DeviceNames::Verdict::Free && verdict != DeviceNames::Verdict::FileListed) {
      const QString suggestion = names.Suggest(pcName);
      if (call.Rename) {
        PrintEscapedLine(output.Stream,
                         file.FullPath + QStringLiteral(": renamed to ") + suggestion);
      } else {
        shell.Teller().Tell(JobResult::Failed(
            TransferText::NameRefused(file.FullPath, name.toUpper(), verdict, suggestion)));
        usable = false;
      }
      name = suggestion;
    }
    names.Take(name);
    request.Selected.push_back(file);
    request.DeviceNames.append(name);
  }
  return usable;
}

}  // namespace

std::optional<Arguments> Parse(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption rename(QStringLiteral("rename"),
                                  QStringLiteral("Send names the controller cannot keep as 8.3."));
  const QCommandLineOption force(QStringLiteral("force"),
                                 QStringLiteral("Replace files the folder already holds."));
  parser.addOption(rename);
  parser.addOption(force);
  parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("PC files to copy."));
  if (!parser.parse(QStringList{QStringLiteral("put")} + arguments)) return std::nullopt;
  Arguments parsed;
  parsed.Rename = parser.isSet(rename);
  parsed.Force = parser.isSet(force);
  parsed.Files = parser.positionalArguments();
  parsed.Folder = QStringLiteral("\\");
  if (parsed.Files.size() > 1 && LooksLikeDevicePath(parsed.Files.last()) &&
      !QFileInfo::exists(parsed.Files.last()))
    parsed.Folder = DevicePath::Normalised(parsed.Files.takeLast());
  if (parsed.Files.isEmpty()) return std::nullopt;
  return parsed;
}

int Run(DeviceShell& shell, const QStringList& arguments, const FolderReader& readFolder,
        const Output& output) {
  // 1. The call.
  const std::optional<Arguments> parsed = Parse(arguments);
  if (!parsed) return kUsageError;
  // 2. The PC files, before the controller is bothered.
  std::vector<CopySelection> files;
  for (const QString& path : parsed->Files) {
    const QFileInfo info(path);
    if (!info.exists()) {
      shell.Teller().Tell(JobResult::Failed(NoSuchFile(path)));
      return kExitFailed;
    }
    if (!info.isFile()) {  // a folder, FIFO, device or socket
      shell.Teller().Tell(JobResult::Warned(QString::fromLatin1(TransferText::kOnlyFiles)));
      return kExitFailed;
    }
    files.push_back({info.absoluteFilePath(), false, info.size()});
  }
  // 3. The folder must exist; its listing tells the free space and the names
  //    already taken.
  const std::optional<FolderState> folder = readFolder(parsed->Folder);
  if (!folder) return kExitFailed;
  // 4. The device names, all settled before the first file goes.
  CopyRequest request;
  bool refusedSome = false;
  if (!SettleNames(shell, *parsed, files, *folder, output, request, refusedSome))
    return kExitFailed;
  if (request.Selected.empty()) return kExitFailed;
  request.DeviceFreeBytes = folder->FreeBytes;
  request.DevicePathText = parsed->Folder;
  // 5. The copy, with the checks of the copy button.
  TerminalProgress progress(output.Progress, output.Interactive, output.Stream);
  // The folder is listed again afterwards, what it shows must be what was
  // sent; not after Ctrl+C, which asks to stop at once.
  request.RefreshDevicePane = [&](const QString&, const CopyRequest::Listed& listed) {
    if (progress.CancelledByUser()) return listed(std::nullopt);
    const std::optional<FolderState> after = readFolder(parsed->Folder);
    if (!after) return listed(std::nullopt);
    listed(after->Entries);
  };
  const TransferHost host{shell.SelectedPort(), progress.Console(shell.Console()), shell.Dialogs(),
                          progress};
  const CopyReport report = CopyToDevice(host, request, shell.Teller());
  // 6. The verdict.
  if (progress.CancelledByUser()) return kExitInterrupted;
  if (refusedSome) return kExitFailed;
  if (!report.Started || report.Outcomes.size() != request.Selected.size()) return kExitFailed;
  if (!report.Mismatches.isEmpty()) return kExitFailed;
  for (const TransferOutcome& outcome : report.Outcomes)
    if (outcome.Outcome != TransferOutcome::Result::Sent) return kExitFailed;
  return kExitOk;
}

}  // namespace PutCommand
