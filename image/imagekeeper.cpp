#include "imagekeeper.h"

#include "imagetext.h"
#include "taloappdir.h"
#include "taloghostresthread.h"
#include "taloghostthread.h"
#include "transferfile.h"
#include "userdialogs.h"

namespace {

QString Text(const char* text) { return QString::fromLatin1(text); }

}  // namespace

ImageKeeper::ImageKeeper(const ImageKeeperHost& host) : Host(host) {
  Host.View.SetTimerEnabled(false);
}

// FormDestroy: a worker still running is asked to stop and joined.
ImageKeeper::~ImageKeeper() {
  BackupWorker.reset();
  RestoreWorker.reset();
}

void ImageKeeper::BtBackupImgClick() {
  // 1.-3.
  if (!Host.Dialogs.AskYesNo(Text(ImageText::kBackupQuestion))) return;
  ModeValue = Mode::Backup;
  const std::optional<QString> path = Host.Dialogs.ChooseSaveFile(
      Text(ImageText::kDialogCaption), Text(ImageText::kDefaultImageName), Text(ImageText::kImageFilter));
  if (!path || path->isEmpty()) return;
  (void)Backup(*path);
}

void ImageKeeper::BtRestoreImgClick() {
  // 1.-3.
  if (!Host.Dialogs.AskYesNo(Text(ImageText::kRestoreQuestion))) return;
  ModeValue = Mode::Restore;
  const std::optional<QString> path = Host.Dialogs.ChooseOpenFile(
      Text(ImageText::kDialogCaption), Text(ImageText::kDefaultImageName), Text(ImageText::kImageFilter));
  if (!path || path->isEmpty()) return;
  (void)Restore(*path);
}

bool ImageKeeper::Backup(const QString& imagePath) {
  ModeValue = Mode::Backup;
  LastResult = Outcome::None;
  // 4.-5.
  if (!UploadModeHelper(ImageText::kBackupHelper)) return false;
  // 6.-8.
  BackupWorker.reset();
  BackupWorker = std::make_unique<TaloGhostThread>();
  BackupWorker->Console = &Host.Console;
  StartWorker(*BackupWorker, imagePath);
  (void)ShowWaitWindow(Text(ImageText::kBackupWaiting));
  return LastResult == Outcome::Succeeded;
}

bool ImageKeeper::Restore(const QString& imagePath) {
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
  StartWorker(*RestoreWorker, imagePath);
  (void)ShowWaitWindow(Text(ImageText::kRestoreWaiting));
  return LastResult == Outcome::Succeeded;
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
  return TransferFile(transfer, deviceDir, localPath, /*cancelEnabled=*/true, disconnected);
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

void ImageKeeper::TimerChkGhostTimer() {
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
  if (worker.Succeeded) {
    LastResult = Outcome::Succeeded;
    if (WaitWindow) WaitWindow->Position = worker.BlockCount.load();
    Host.Dialogs.ShowInformation(
        Text(ModeValue == Mode::Backup ? ImageText::kBackupDone : ImageText::kRestoreDone));
    return;
  }
  LastResult = Outcome::Failed;
  if (WaitWindow) WaitWindow->CloseRequested = true;
  // A run stopped on request has nothing to say; the one who asked knows.
  if (!worker.ErrorText.isEmpty()) Host.Dialogs.ShowError(worker.ErrorText);
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
