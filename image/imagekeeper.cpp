#include "image/imagekeeper.h"

#include <QFile>
#include <QTemporaryDir>

#include "image/imagetext.h"
#include "image/taloghostresthread.h"
#include "image/taloghostthread.h"
#include "link/deviceshell.h"
#include "link/userdialogs.h"
#include "remote/devicelister.h"
#include "remote/taloappdir.h"
#include "transfer/transferfile.h"

namespace {

QString Text(const char* text) { return QString::fromLatin1(text); }

}  // namespace

void ImageNotice::ShowIn(UserDialogs& dialogs) const {
  if (Warning)
    dialogs.ShowWarning(Text);
  else
    dialogs.ShowInformation(Text);
}

ImageKeeper::ImageKeeper(const ImageKeeperHost& host) : Host(host) {
  Host.View.SetTimerEnabled(false);
}

// FormDestroy: a worker still running is asked to stop and joined.
ImageKeeper::~ImageKeeper() {
  BackupWorker.reset();
  RestoreWorker.reset();
}

void ImageKeeper::AskBackup() {
  // 1.-3.
  if (!Host.Dialogs.AskYesNo(Text(ImageText::kBackupQuestion), UserDialogs::BoxKind::Information))
    return;
  ModeValue = Mode::Backup;
  const std::optional<QString> path = Host.Dialogs.ChooseSaveFile(
      Text(ImageText::kDialogCaption), Text(ImageText::kDefaultImageName), Text(ImageText::kImageFilter));
  if (!path || path->isEmpty()) return;
  (void)Backup(*path);
}

void ImageKeeper::AskRestore(bool verify) {
  // 1.-3.
  if (!Host.Dialogs.AskYesNo(Text(ImageText::kRestoreQuestion), UserDialogs::BoxKind::Warning))
    return;
  ModeValue = Mode::Restore;
  const std::optional<QString> path = Host.Dialogs.ChooseOpenFile(
      Text(ImageText::kDialogCaption), Text(ImageText::kDefaultImageName), Text(ImageText::kImageFilter));
  if (!path || path->isEmpty()) return;
  (void)Restore(*path, verify);
}

bool ImageKeeper::Backup(const QString& imagePath) {
  ModeValue = Mode::Backup;
  LastResult = Outcome::None;
  if (!TaloGhostThread::TargetUsable(imagePath)) {
    LastResult = Outcome::Refused;
    Host.Dialogs.ShowError(Text(ImageText::kLinkRefused));
    return false;
  }
  // 4.-5.
  if (!UploadModeHelper(ImageText::kBackupHelper)) return false;
  // 6.-8.
  if (!RunBackupWorker(imagePath, ImageText::kBackupWaiting, {Text(ImageText::kBackupCancelled)}))
    return ReportFailure(*BackupWorker);
  Host.Dialogs.ShowInformation(Text(ImageText::kBackupDone));
  return true;
}

bool ImageKeeper::Restore(const QString& imagePath, bool verify) {
  ModeValue = Mode::Restore;
  LastResult = Outcome::None;
  // A file that cannot give a whole image is refused before the helper goes
  // up: the helper would write whatever it got past the file's end.
  if (!TaloGhostResThread::ImageFileUsable(imagePath)) {
    LastResult = Outcome::Refused;
    Host.Dialogs.ShowError(Text(ImageText::kReadFailed));
    return false;
  }
  // 4.-5.
  if (!UploadModeHelper(ImageText::kRestoreHelper)) return false;
  // 6.-8.
  RestoreWorker.reset();
  RestoreWorker = std::make_unique<TaloGhostResThread>();
  if (!RunWorker(*RestoreWorker, imagePath, ImageText::kRestoreWaiting,
                 {Text(ImageText::kRestoreCancelled), /*Warning=*/true}))
    return ReportFailure(*RestoreWorker);
  const QString done = Text(ImageText::kRestoreDone);
  if (verify) return VerifyRestore(imagePath, done);
  const uint32_t damaged = RestoreWorker->Answered444;
  Host.Dialogs.ShowInformation(damaged ? done + ImageText::Answered444Note(damaged) : done);
  return true;
}

bool ImageKeeper::VerifyRestore(const QString& imagePath, const QString& restoreDone) {
  // The drive is read back as a backup reads it, into a folder of our own
  // that goes with everything in it, whatever the end.
  const QTemporaryDir scratch;
  if (!scratch.isValid()) {
    LastResult = Outcome::Failed;
    Host.Dialogs.ShowError(Text(ImageText::kVerifyReadFailed) + scratch.errorString());
    return false;
  }
  const QString readBack = scratch.filePath(Text(ImageText::kDefaultImageName));
  ModeValue = Mode::Backup;
  // Copying the helper changes the drive: only when it is not there already
  // (an image made by a backup holds it).
  const bool copied = !HelperOnDrive(Text(ImageText::kBackupHelper));
  if (copied && !UploadModeHelper(ImageText::kBackupHelper)) return false;
  // The drive holds the whole image by now: a read-back stopped part-way
  // only leaves it unchecked.
  const bool read = RunBackupWorker(
      readBack, ImageText::kVerifyWaiting,
      {restoreDone + QStringLiteral("\n\n") + Text(ImageText::kVerifyCancelled)});
  // The worker ends (and closes its file) before the folder goes.
  const QString readError = BackupWorker->ErrorText;
  BackupWorker.reset();
  if (!read) {
    if (LastResult == Outcome::Failed && !readError.isEmpty())
      Host.Dialogs.ShowError(Text(ImageText::kVerifyReadFailed) + readError);
    return false;
  }
  const int64_t block = FirstDifferingBlock(imagePath, readBack);
  if (block >= 0) {
    LastResult = Outcome::Failed;
    QString text = ImageText::VerifyDiffers(block, block * TaloGhostResThread::kBlockSize);
    if (copied) text += Text(ImageText::kVerifyHelperCopied);
    Host.Dialogs.ShowError(text);
    return false;
  }
  Host.Dialogs.ShowInformation(restoreDone + QStringLiteral("\n\n") + Text(ImageText::kRestoreVerified));
  return true;
}

bool ImageKeeper::HelperOnDrive(const QString& helper) {
  DeviceShell shell(Host.Console, Host.Dialogs);
  shell.SetSelectedPort(Host.PortName);
  DeviceLister lister(shell);
  bool found = false;
  QString error;
  const bool listed = lister.ListDeviceFolder(
      QStringLiteral("\\"), [&](DeviceListing::ListingLine& line) {
        if (line.LineKind == DeviceListing::ListingLine::Kind::Item &&
            line.Item.Name.compare(helper, Qt::CaseInsensitive) == 0)
          found = true;
      }, &error);
  return listed && found;
}

int64_t ImageKeeper::FirstDifferingBlock(const QString& imagePath, const QString& readBackPath) {
  QFile image(imagePath);
  QFile readBack(readBackPath);
  if (!image.open(QIODevice::ReadOnly) || !readBack.open(QIODevice::ReadOnly)) return 0;
  const QByteArray expected = image.read(TaloGhostResThread::kImageBytes);
  const QByteArray found = readBack.read(TaloGhostResThread::kImageBytes);
  const qsizetype blockSize = TaloGhostResThread::kBlockSize;
  for (qsizetype at = 0; at < TaloGhostResThread::kImageBytes; at += blockSize) {
    if (expected.mid(at, blockSize) != found.mid(at, blockSize)) return at / blockSize;
  }
  return -1;
}

bool ImageKeeper::RunBackupWorker(const QString& imagePath, const char* waiting,
                                  const ImageNotice& onCancel) {
  BackupWorker.reset();
  BackupWorker = std::make_unique<TaloGhostThread>();
  BackupWorker->Console = &Host.Console;
  return RunWorker(*BackupWorker, imagePath, waiting, onCancel);
}

bool ImageKeeper::RunWorker(TaloGhostWorker& worker, const QString& imagePath, const char* waiting,
                            const ImageNotice& onCancel) {
  StartWorker(worker, imagePath);
  (void)ShowWaitWindow(Text(waiting));
  if (LastResult == Outcome::Cancelled) CancelNote = onCancel;
  return LastResult == Outcome::Succeeded;
}

bool ImageKeeper::ReportFailure(const TaloGhostWorker& worker) {
  // A stall has been told by the watchdog; a run stopped on request has
  // nothing to say, the one who asked knows.
  if (LastResult == Outcome::Failed && !worker.ErrorText.isEmpty())
    Host.Dialogs.ShowError(worker.ErrorText);
  return false;
}

bool ImageKeeper::UploadModeHelper(const char* helper) {
  LookUpProgramFolder();
  // A helper that is not there is no cable fault: the message names it.
  QString missing;
  const QString path =
      TaloAppDir::ShippedFile(&TaloAppFolders::ProgramFolder, Text(helper), missing);
  bool disconnected = false;
  if (!path.isEmpty() && UploadHelper(Text(ImageText::kHelperDir), path, &disconnected))
    return true;
  LastResult = Outcome::Failed;
  // An unplugged adapter has been named already; once is enough.
  if (!missing.isEmpty())
    Host.Dialogs.ShowError(missing);
  else if (!disconnected)
    Host.Dialogs.ShowError(Text(ImageText::kCableProblem));
  return false;
}

void ImageKeeper::LookUpProgramFolder() {
  ProgramFolderText.clear();
  ProgramFolderText = GetTaloAppDir().ProgramFolder;
}

bool ImageKeeper::UploadHelper(const QString& deviceDir, const QString& localPath,
                               bool* disconnected) {
  TransferHost transfer{Host.PortName, Host.Console, Host.Dialogs, Host.Presenter};
  transfer.TimeoutMs = Host.TransferTimeoutMs;
  const JobResult result =
      TransferFile(transfer, deviceDir, localPath, /*cancelEnabled=*/true, disconnected);
  ShowTransferFailure(Host.Dialogs, result);
  return result.Ok();
}

void ImageKeeper::StartWorker(TaloGhostWorker& worker, const QString& imagePath) {
  worker.ImagePath = imagePath;
  worker.PortName = Host.PortName;
  // A new run gets the whole watchdog allowance, whatever the last one left.
  IdleTicks = 0;
  LastProgress = 0;
  worker.Resume();
  Host.View.SetTimerEnabled(true);
}

bool ImageKeeper::ShowWaitWindow(const QString& message) {
  const TaloGhostWorker* worker = CurrentWorker();
  if (!worker) return false;
  ImageWaitState wait;
  wait.Message = message;
  wait.Maximum = ModeValue == Mode::Backup ? TaloGhostThread::kBlockCount : TaloGhostResThread::kBlockCount;
  WaitWindow = &wait;
  Host.View.RunWaitWindow(wait);
  WaitWindow = nullptr;
  return true;
}

void ImageKeeper::WatchdogTick() {
  TaloGhostWorker* worker = CurrentWorker();
  if (!worker) return;
  // 1. The watchdog.
  if (WaitWindow) {
    const int32_t progress = worker->Progress.load();
    if (progress == LastProgress) {
      const uint32_t limit = ModeValue == Mode::Backup ? kBackupIdleLimit : kRestoreIdleLimit;
      if (++IdleTicks > limit) {
        IdleTicks = 0;
        WaitWindow->CloseRequested = true;
        Host.View.SetTimerEnabled(false);
        LastResult = Outcome::Stalled;
        Host.Dialogs.ShowError(Text(ImageText::kStalled));
        worker->RequestStop();
        Host.View.CloseDialog();
        return;
      }
    } else {
      LastProgress = progress;
      WaitWindow->Position = static_cast<uint32_t>(progress);
      IdleTicks = 0;
    }
  }
  // 2. The end of the run.
  if (worker->Done.load()) ReportEnd(*worker);
}

void ImageKeeper::ReportEnd(TaloGhostWorker& worker) {
  Host.View.SetTimerEnabled(false);
  // A worker that failed on its own before it saw the stop says why.
  const bool stopped = worker.StopWasRequested() && worker.ErrorText.isEmpty();
  LastResult = worker.Succeeded ? Outcome::Succeeded
               : stopped        ? Outcome::Cancelled
                                : Outcome::Failed;
  if (!WaitWindow) return;
  // The bar ends full only on success; the message follows the window.
  if (worker.Succeeded)
    WaitWindow->Position = worker.BlockCount.load();
  else
    WaitWindow->CloseRequested = true;
}

void ImageKeeper::RequestStop() {
  if (TaloGhostWorker* worker = CurrentWorker()) worker->RequestStop();
}

int32_t ImageKeeper::WorkerProgress() const {
  const TaloGhostWorker* worker = CurrentWorker();
  return worker ? worker->Progress.load() : 0;
}

uint32_t ImageKeeper::WorkerBlockCount() const {
  const TaloGhostWorker* worker = CurrentWorker();
  return worker ? worker->BlockCount.load() : 0;
}

TaloGhostWorker* ImageKeeper::CurrentWorker() const {
  if (ModeValue == Mode::Backup) return BackupWorker.get();
  if (ModeValue == Mode::Restore) return RestoreWorker.get();
  return nullptr;
}
