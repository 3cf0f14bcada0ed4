#include "image/imagekeeper.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "image/backupworker.h"
#include "image/imagetext.h"
#include "image/restoreworker.h"
#include "installation/taloappfolders.h"
#include "link/shell/deviceshell.h"
#include "link/silentdialogs.h"
#include "link/userdialogs.h"
#include "remote/devicelister.h"
#include "transfer/transferfile.h"

namespace {

QString Text(const char* text) { return QString::fromLatin1(text); }

// A stop's notice, kept as the worker's end but with the user's text.
JobResult Notice(const QString& text, bool warning = false) {
  return {JobStatus::Cancelled, text, warning};
}

}  // namespace

ImageKeeper::ImageKeeper(const ImageKeeperHost& host) : Host(host) {
  QObject::connect(&Runner, &JobRunner::ProgressChanged, &Runner,
                   [this](qint64 done, qint64) { Progressed(done); });
}

// FormDestroy: a run still going is stopped and joined.
ImageKeeper::~ImageKeeper() { Runner.Abandon(); }

JobResult ImageKeeper::AskBackup() {
  // 1.-3.
  if (!Host.Dialogs.AskYesNo(Text(ImageText::kBackupQuestion), UserDialogs::BoxKind::Information))
    return JobResult::Done();
  ModeValue = Mode::Backup;
  const std::optional<QString> path = Host.Dialogs.ChooseSaveFile(
      Text(ImageText::kDialogCaption), Text(ImageText::kDefaultImageName), Text(ImageText::kImageFilter));
  if (!path || path->isEmpty()) return JobResult::Done();
  return Backup(*path);
}

JobResult ImageKeeper::AskRestore(bool verify) {
  // 1.-3.
  if (!Host.Dialogs.AskYesNo(Text(ImageText::kRestoreQuestion), UserDialogs::BoxKind::Warning))
    return JobResult::Done();
  ModeValue = Mode::Restore;
  const std::optional<QString> path = Host.Dialogs.ChooseOpenFile(
      Text(ImageText::kDialogCaption), Text(ImageText::kDefaultImageName), Text(ImageText::kImageFilter));
  if (!path || path->isEmpty()) return JobResult::Done();
  return Restore(*path, verify);
}

JobResult ImageKeeper::Backup(const QString& imagePath) {
  ModeValue = Mode::Backup;
  if (!BackupWorker::TargetUsable(imagePath))
    return JobResult::Failed(Text(ImageText::kLinkRefused));
  if (const QString problem = BackupWorker::TargetProblem(imagePath); !problem.isEmpty())
    return JobResult::Failed(Text(ImageText::kWriteFailed) + problem);
  // 4.-5.
  if (JobResult uploaded = UploadModeHelper(ImageText::kBackupHelper); !uploaded) return uploaded;
  // 6.-8.
  JobResult run = RunBackupWorker(imagePath, ImageText::kBackupWaiting,
                                  Notice(Text(ImageText::kBackupCancelled)));
  if (run) run.Text = Text(ImageText::kBackupDone);
  return run;
}

JobResult ImageKeeper::Restore(const QString& imagePath, bool verify) {
  ModeValue = Mode::Restore;
  // A file that cannot give a whole image is refused before the helper goes
  // up: the helper would write whatever it got past the file's end.
  if (!RestoreWorker::ImageFileUsable(imagePath))
    return JobResult::Failed(Text(ImageText::kReadFailed));
  // 4.-5.
  if (JobResult uploaded = UploadModeHelper(ImageText::kRestoreHelper); !uploaded) return uploaded;
  // 6.-8.
  RestoreRun.reset();
  RestoreRun = std::make_unique<RestoreWorker>();
  const JobResult run = RunWorker(*RestoreRun, imagePath, ImageText::kRestoreWaiting,
                                  Notice(Text(ImageText::kRestoreCancelled), /*warning=*/true));
  if (!run) return run;
  const QString done = Text(ImageText::kRestoreDone);
  if (verify) return VerifyRestore(imagePath, done);
  const uint32_t damaged = RestoreRun->Answered444;
  return JobResult::Done(damaged ? done + ImageText::Answered444Note(damaged) : done);
}

JobResult ImageKeeper::VerifyRestore(const QString& imagePath, const QString& restoreDone) {
  // The drive is read back as a backup reads it, into a folder of our own
  // that goes with everything in it, whatever the end.
  const QTemporaryDir scratch;
  if (!scratch.isValid())
    return JobResult::Failed(Text(ImageText::kVerifyReadFailed) + scratch.errorString());
  const QString readBack = scratch.filePath(Text(ImageText::kDefaultImageName));
  ModeValue = Mode::Backup;
  // Copying the helper changes the drive: only when it is not there already
  // (an image made by a backup holds it).
  const bool copied = !HelperOnDrive(Text(ImageText::kBackupHelper));
  if (copied) {
    if (JobResult uploaded = UploadModeHelper(ImageText::kBackupHelper); !uploaded) return uploaded;
  }
  // The drive holds the whole image by now: a read-back stopped part-way
  // only leaves it unchecked.
  JobResult read = RunBackupWorker(
      readBack, ImageText::kVerifyWaiting,
      Notice(restoreDone + QStringLiteral("\n\n") + Text(ImageText::kVerifyCancelled)));
  // The worker ends (and closes its file) before the folder goes.
  BackupRun.reset();
  if (!read) {
    // A stall says so as it is; a failure says what could not be checked.
    const bool failed =
        read.Status == JobStatus::Failed || read.Status == JobStatus::Disconnected;
    if (failed && !read.Text.isEmpty()) read.Text.prepend(Text(ImageText::kVerifyReadFailed));
    return read;
  }
  const int64_t block = FirstDifferingBlock(imagePath, readBack);
  if (block >= 0) {
    QString text = ImageText::VerifyDiffers(block, block * RestoreWorker::kBlockSize);
    if (copied) text += Text(ImageText::kVerifyHelperCopied);
    return JobResult::Failed(text);
  }
  return JobResult::Done(restoreDone + QStringLiteral("\n\n") + Text(ImageText::kRestoreVerified));
}

bool ImageKeeper::HelperOnDrive(const QString& helper) {
  // A failed listing is no message: the helper is then copied anyway.
  SilentDialogs unheard;
  DeviceShell shell(Host.Console, Host.Dialogs, unheard);
  shell.SetSelectedPort(Host.PortName);
  DeviceLister lister(shell);
  // The year is read here: the clock's time zone is the main thread's.
  const int year = lister.CurrentYear();
  bool found = false;
  // A listing that fails leaves the helper to be copied: the read-back
  // then says so if the drive differs.
  const JobResult listed = shell.Jobs().Await([&] {
    return lister.ReadListing(QStringLiteral("\\"), [&](DeviceListing::ListingLine& line) {
      if (line.LineKind == DeviceListing::ListingLine::Kind::Item &&
          line.Item.Name.compare(helper, Qt::CaseInsensitive) == 0)
        found = true;
    }, year);
  });
  return listed.Ok() && found;
}

int64_t ImageKeeper::FirstDifferingBlock(const QString& imagePath, const QString& readBackPath) {
  QFile image(imagePath);
  QFile readBack(readBackPath);
  if (!image.open(QIODevice::ReadOnly) || !readBack.open(QIODevice::ReadOnly)) return 0;
  const QByteArray expected = image.read(RestoreWorker::kImageBytes);
  const QByteArray found = readBack.read(RestoreWorker::kImageBytes);
  const qsizetype blockSize = RestoreWorker::kBlockSize;
  for (qsizetype at = 0; at < RestoreWorker::kImageBytes; at += blockSize) {
    if (expected.mid(at, blockSize) != found.mid(at, blockSize)) return at / blockSize;
  }
  return -1;
}

JobResult ImageKeeper::RunBackupWorker(const QString& imagePath, const char* waiting,
                                       const JobResult& onCancel) {
  BackupRun.reset();
  BackupRun = std::make_unique<BackupWorker>();
  BackupRun->Console = &Host.Console;
  return RunWorker(*BackupRun, imagePath, waiting, onCancel);
}

JobResult ImageKeeper::RunWorker(ImageWorker& worker, const QString& imagePath,
                                 const char* waiting, const JobResult& onCancel) {
  worker.ImagePath = imagePath;
  worker.PortName = Host.PortName;
  ImageWaitState wait;
  wait.Message = Text(waiting);
  const bool backup = ModeValue == Mode::Backup;
  wait.Maximum = backup ? BackupWorker::kBlockCount : RestoreWorker::kBlockCount;
  // The watchdog: a run that moves on gets the whole allowance again.
  const uint32_t idleTicks = (backup ? kBackupIdleLimit : kRestoreIdleLimit) + 1;
  const JobRunner::Limit limit{int64_t{idleTicks} * Host.WatchdogTickMs, Text(ImageText::kStalled)};
  JobResult end = JobResult::Failed(QString());
  WaitWindow = &wait;
  Host.View.WaitBegins(wait);
  (void)Runner.Start([&worker] { return worker.Run(); },
                     [&end, &wait](const JobResult& result) {
                       end = result;
                       // The bar ends full only on success; the message follows the window.
                       if (result.Ok())
                         wait.Position = wait.Maximum;
                       else
                         wait.CloseRequested = true;
                     },
                     limit);
  Host.View.RunWaitWindow(wait);
  // A window closed under a running job (the program going) leaves nothing
  // running behind it.
  if (Runner.Busy()) {
    Runner.Abandon();
    end = JobResult::Stopped();
  }
  WaitWindow = nullptr;
  return end.Cancelled() ? onCancel : end;
}

void ImageKeeper::Progressed(int64_t done) {
  if (!WaitWindow) return;
  // The last block's index: only the job's end fills the bar.
  WaitWindow->Position = static_cast<uint32_t>(std::min<int64_t>(done, WaitWindow->Maximum - 1));
  Host.View.PositionMoved(*WaitWindow);
}

JobResult ImageKeeper::UploadModeHelper(const char* helper) {
  LookUpProgramFolder();
  // A helper that is not there is no cable fault: the message names it.
  QString missing;
  const QString path =
      TaloAppDir::ShippedFile(&TaloAppFolders::ProgramFolder, Text(helper), missing);
  if (!missing.isEmpty()) return JobResult::Failed(missing);
  const JobResult uploaded = path.isEmpty() ? JobResult::Failed(QString())
                                            : UploadHelper(Text(ImageText::kHelperDir), path);
  // An unplugged adapter says so itself. A cancelled upload counts as a
  // failed one; a failed transfer says what failed and what to check, in
  // one box.
  if (uploaded.Ok() || uploaded.Status == JobStatus::Disconnected) return uploaded;
  const QString cable = Text(ImageText::kCableProblem);
  return JobResult::Failed(uploaded.Cancelled() || uploaded.Text.isEmpty()
                               ? cable
                               : uploaded.Text + QStringLiteral("\n\n") + cable);
}

void ImageKeeper::LookUpProgramFolder() {
  ProgramFolderText.clear();
  ProgramFolderText = GetTaloAppDir().ProgramFolder;
}

JobResult ImageKeeper::UploadHelper(const QString& deviceDir, const QString& localPath) {
  TransferHost transfer{Host.PortName, Host.Console, Host.Dialogs, Host.Presenter};
  transfer.TimeoutMs = Host.TransferTimeoutMs;
  return TransferFile(transfer, deviceDir, localPath, /*cancelEnabled=*/true);
}

void ImageKeeper::RequestStop() { Runner.Cancel(); }

uint32_t ImageKeeper::Answered444() const {
  return RestoreRun && !Runner.Busy() ? RestoreRun->Answered444 : 0;
}
