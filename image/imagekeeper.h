#pragma once
// ImageKeeper: the image dialog's logic without widgets. The dialog
// (DriveImageDialog), the command line and the tests drive the same object.
//
// Principles of operation
// - Main thread only. One object lives as long as one dialog; it owns the
//   runs it starts and, when destroyed, stops a running one and joins it
//   (the dialog's FormDestroy).
// - An operation: the question and the file choice (the button handlers),
//   then the helper program's upload through TransferFile, then the run (a
//   BackupWorker or RestoreWorker) as a job on the keeper's JobRunner
//   behind the modal wait window. In the window the job runs on the
//   runner's worker while the wait window's own loop runs; on the command
//   line it runs inline and the wait window only shows how it ended. The
//   runner's published progress moves the wait window's bar; its deadline
//   is the watchdog: a run that makes no progress for 11 ticks of
//   WatchdogTickMs (backup) or 16 (restore) is stopped and ends TimedOut.
//   The job's end closes the wait window (a success fills its bar first).
// - Results are values: an operation returns a JobResult and shows no box
//   of its own; the top level that started it (the dialog, the command
//   line) tells the user through its ResultTeller, once the wait window has
//   closed: Ok carries the success text (an information box), a failure,
//   a disconnection and the watchdog's stall (TimedOut) their error text, a
//   stop its notice (see below). A result without text has nothing more to
//   say: the user said no, chose no file, or the upload's own box said it.
//   The helper's upload and the backup's command line show on the host's
//   console.
// - A restore may be verified: the drive is then read back as a backup
//   reads it, into a temporary folder that goes in every case, and compared
//   with the image's first 1 MiB, 64-byte block by block. KEEPERRD.EXE is
//   copied for it only when the restored drive does not hold it already (a
//   backup's image does): the listing of D:\ that tells runs as a job
//   (JobRunner::Await), the window painting meanwhile; the copy itself
//   changes the drive.
// - A restore whose helper answered "444" (blocks it received damaged, which
//   the exchange does not resend) says how many after its success text.
// - RequestStop() (the wait window's Cancel, Esc and close box) and Ctrl+C
//   on the command line stop the running job. Its end is
//   Cancelled, the text its notice (Warning when it is to be shown as a
//   warning): a cancelled backup leaves the image file as it was; a
//   cancelled restore leaves the drive holding part of the image, and its
//   notice says so. The dialog also puts the notice on the console.
// - The watchdog's stall is TimedOut: the dialog closes after its box.

#include <QString>
#include <cstdint>
#include <memory>

#include "image/imagekeeperview.h"
#include "link/jobs/jobrunner.h"

class TaloConsole;
class RestoreWorker;
class BackupWorker;
class ImageWorker;
class TransferPresenter;
class UserDialogs;

struct ImageKeeperHost {
  QString PortName;
  TaloConsole& Console;
  UserDialogs& Dialogs;
  TransferPresenter& Presenter;  // the helper's upload
  ImageKeeperView& View;
  // The upload's port time-out. Only tests change it (see TransferHost).
  uint32_t TransferTimeoutMs = 500;
  // The watchdog's tick: a run's allowance of silence is counted in them.
  // Only tests shorten it.
  int WatchdogTickMs = 1000;
};

class ImageKeeper {
 public:
  enum class Mode { None = 0, Backup = 1, Restore = 2 };

  static constexpr uint32_t kBackupIdleLimit = 10;   // gives up at the 11th idle tick
  static constexpr uint32_t kRestoreIdleLimit = 15;  // ... at the 16th

  explicit ImageKeeper(const ImageKeeperHost& host);
  ~ImageKeeper();
  ImageKeeper(const ImageKeeper&) = delete;
  ImageKeeper& operator=(const ImageKeeper&) = delete;

  // The buttons: question, file choice, then Backup() / Restore(); Done
  // without text when the user said no or chose no file.
  JobResult AskBackup();
  // verify: the dialog's "Verify after restore".
  JobResult AskRestore(bool verify = false);

  // An operation on a file already chosen and confirmed: Ok when the whole
  // image went through.
  JobResult Backup(const QString& imagePath);
  // verify: read the drive back afterwards and compare it with the image.
  JobResult Restore(const QString& imagePath, bool verify = false);

  // The first 64-byte block in which the first 1 MiB of the two files
  // differ; -1 when they are equal (a file too short differs where it ends).
  static int64_t FirstDifferingBlock(const QString& imagePath, const QString& readBackPath);

  // The folder the helper programs are uploaded from ("" when there is no
  // installation: bare names then).
  void LookUpProgramFolder();
  const QString& ProgramFolder() const { return ProgramFolderText; }
  // One file into a device folder through the transfer window, Cancel
  // enabled; the transfer's result (TransferFile), shown by nobody yet.
  [[nodiscard]] JobResult UploadHelper(const QString& deviceDir, const QString& localPath);

  // Stops the running job (Cancel); the operation then returns Cancelled.
  void RequestStop();

  Mode CurrentMode() const { return ModeValue; }
  // After a restore: the blocks its helper answered "444" (0 for none, or
  // when no restore ran).
  uint32_t Answered444() const;

 private:
  [[nodiscard]] JobResult UploadModeHelper(const char* helper);
  // Runs the worker as a job behind the wait window; its result, a stop's
  // carrying onCancel's text and kind.
  [[nodiscard]] JobResult RunWorker(ImageWorker& worker, const QString& imagePath,
                                    const char* waiting, const JobResult& onCancel);
  [[nodiscard]] JobResult RunBackupWorker(const QString& imagePath, const char* waiting,
                                          const JobResult& onCancel);
  [[nodiscard]] JobResult VerifyRestore(const QString& imagePath, const QString& restoreDone);
  // True when a listing of D:'s root shows the helper file.
  [[nodiscard]] bool HelperOnDrive(const QString& helper);
  void Progressed(int64_t done);

  ImageKeeperHost Host;
  std::unique_ptr<BackupWorker> BackupRun;
  std::unique_ptr<RestoreWorker> RestoreRun;
  JobRunner Runner;  // after the runs: stopped and joined before they go
  ImageWaitState* WaitWindow = nullptr;
  QString ProgramFolderText;
  Mode ModeValue = Mode::None;
};
