#pragma once
// ImageKeeper: the image dialog's logic without widgets. The dialog
// (TdlgTaloGhost), the command line and the tests drive the same object.
//
// Principles of operation
// - Main thread only. One object lives as long as one dialog; it owns the
//   workers it starts and, when destroyed, asks a running one to stop and
//   joins it (the dialog's FormDestroy).
// - An operation: the question and the file choice (the button handlers),
//   then the helper program's upload through TransferFile, then a worker
//   behind the modal wait window. The view runs the wait window and the
//   watchdog timer; every second the timer calls WatchdogTick(), which
//   moves the wait window's bar, abandons a worker that made no progress for
//   11 ticks (backup) or 16 ticks (restore), and reports the worker's end.
// - Messages go through the host's dialog service, once the wait window has
//   closed; the helper's upload and the backup's command line show on the
//   host's console.
// - A restore may be verified: the drive is then read back as a backup
//   reads it, into a temporary folder that goes in every case, and compared
//   with the image's first 1 MiB, 64-byte block by block. KEEPERRD.EXE is
//   copied for it only when the restored drive does not hold it already (a
//   backup's image does): the copy itself changes the drive.
// - A restore whose helper answered "444" (blocks it received damaged, which
//   the exchange does not resend) says how many after its success text.
// - RequestStop() (the wait window's Cancel, Esc and close box; Ctrl+C on
//   the command line) asks the running worker to stop. Its end is reported
//   as Outcome::Cancelled with a CancelNotice() that the keeper does not
//   show: the top level that asked (the dialog, the command line) tells the
//   user once. A cancelled backup leaves the image file as it was; a
//   cancelled restore leaves the drive holding part of the image, and its
//   notice says so.
// - LastOutcome() tells the command line how the last operation ended.

#include <QString>
#include <cstdint>
#include <memory>

class TaloConsole;
class TaloGhostResThread;
class TaloGhostThread;
class TaloGhostWorker;
class TransferPresenter;
class UserDialogs;

// The wait window as the flow sees it. The flow writes Position and
// CloseRequested; the window shows Position on its own timer and closes once
// it reaches Maximum or CloseRequested is set.
struct ImageWaitState {
  QString Message;
  uint32_t Maximum = 0;
  uint32_t Position = 0;
  bool CloseRequested = false;

  bool ShouldClose() const { return CloseRequested || Position >= Maximum; }
};

class ImageKeeper;

// What the top level tells the user after an operation.
struct ImageNotice {
  QString Text;
  bool Warning = false;  // else information

  // In a warning or an information box.
  void ShowIn(UserDialogs& dialogs) const;
};

// What the flow needs from the window around it.
class ImageKeeperView {
 public:
  virtual ~ImageKeeperView() = default;
  // TimerChkGhost: while on, calls keeper.WatchdogTick() every second.
  virtual void SetTimerEnabled(bool on) = 0;
  // Shows the wait window modally (serving the workers' hand-overs to the
  // main thread meanwhile); returns when it has closed.
  virtual void RunWaitWindow(ImageWaitState& wait) = 0;
  // The watchdog gave up: the dialog closes.
  virtual void CloseDialog() = 0;
};

struct ImageKeeperHost {
  QString PortName;
  TaloConsole& Console;
  UserDialogs& Dialogs;
  TransferPresenter& Presenter;  // the helper's upload
  ImageKeeperView& View;
  // The upload's port time-out. Only tests change it (see TransferHost).
  uint32_t TransferTimeoutMs = 500;
};

class ImageKeeper {
 public:
  enum class Mode { None = 0, Backup = 1, Restore = 2 };
  enum class Outcome { None, Succeeded, Failed, Stalled, Refused, Cancelled };

  static constexpr uint32_t kBackupIdleLimit = 10;   // gives up at the 11th idle tick
  static constexpr uint32_t kRestoreIdleLimit = 15;  // ... at the 16th

  explicit ImageKeeper(const ImageKeeperHost& host);
  ~ImageKeeper();
  ImageKeeper(const ImageKeeper&) = delete;
  ImageKeeper& operator=(const ImageKeeper&) = delete;

  // The buttons: question, file choice, then Backup() / Restore().
  void AskBackup();
  // verify: the dialog's "Verify after restore".
  void AskRestore(bool verify = false);

  // An operation on a file already chosen and confirmed. True when the whole
  // image went through.
  bool Backup(const QString& imagePath);
  // verify: read the drive back afterwards and compare it with the image.
  bool Restore(const QString& imagePath, bool verify = false);

  // The first 64-byte block in which the first 1 MiB of the two files
  // differ; -1 when they are equal (a file too short differs where it ends).
  static int64_t FirstDifferingBlock(const QString& imagePath, const QString& readBackPath);

  // The folder the helper programs are uploaded from ("" when there is no
  // installation: bare names then).
  void LookUpProgramFolder();
  const QString& ProgramFolder() const { return ProgramFolderText; }
  // One file into a device folder through the transfer window, Cancel
  // enabled; a cancelled upload is a failed one. *disconnected as for
  // TransferFile.
  bool UploadHelper(const QString& deviceDir, const QString& localPath,
                    bool* disconnected = nullptr);
  // The wait window for the worker of the current mode; false (nothing
  // shown) when there is none.
  bool ShowWaitWindow(const QString& message);
  void WatchdogTick();

  // Asks the running worker to stop (Cancel, Ctrl+C). Its end is reported by
  // the next timer tick, without a message of its own: see CancelNotice().
  void RequestStop();
  // The running worker's progress and block count (0 when there is none).
  int32_t WorkerProgress() const;
  uint32_t WorkerBlockCount() const;

  Mode CurrentMode() const { return ModeValue; }
  Outcome LastOutcome() const { return LastResult; }
  // Valid when LastOutcome() is Cancelled.
  const ImageNotice& CancelNotice() const { return CancelNote; }

 private:
  TaloGhostWorker* CurrentWorker() const;
  [[nodiscard]] bool UploadModeHelper(const char* helper);
  void StartWorker(TaloGhostWorker& worker, const QString& imagePath);
  // Starts the worker behind the wait window; true when it succeeded.
  // onCancel: the notice when the user stops it.
  [[nodiscard]] bool RunWorker(TaloGhostWorker& worker, const QString& imagePath,
                               const char* waiting, const ImageNotice& onCancel);
  [[nodiscard]] bool RunBackupWorker(const QString& imagePath, const char* waiting,
                                     const ImageNotice& onCancel);
  // Shows a failed worker's message (none for a stall or a stop); false.
  bool ReportFailure(const TaloGhostWorker& worker);
  [[nodiscard]] bool VerifyRestore(const QString& imagePath, const QString& restoreDone);
  // True when a listing of D:'s root shows the helper file.
  [[nodiscard]] bool HelperOnDrive(const QString& helper);
  void ReportEnd(TaloGhostWorker& worker);

  ImageKeeperHost Host;
  std::unique_ptr<TaloGhostThread> BackupWorker;
  std::unique_ptr<TaloGhostResThread> RestoreWorker;
  ImageWaitState* WaitWindow = nullptr;
  QString ProgramFolderText;
  Mode ModeValue = Mode::None;
  int32_t LastProgress = 0;
  uint32_t IdleTicks = 0;
  Outcome LastResult = Outcome::None;
  ImageNotice CancelNote;
};
