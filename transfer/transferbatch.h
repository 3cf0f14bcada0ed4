#pragma once
// TransferBatch: the transfer dialog's logic, without widgets. Sends one file
// (single-file mode) or a list of files, one XMODEM sender after another,
// into one device folder.
//
// Principles of operation
// - Main thread only. Start(view, done) goes through the files; each file's
//   upload is a job (XmodemSender::Send) on the batch's own JobRunner, and
//   the batch goes on when that job ends. In the window the job runs on the
//   runner's worker: Start returns at once, the window paints, Cancel gets
//   through, the sender's console lines are handed over, and done is called
//   once the batch has ended. Where no event loop runs (the command line,
//   tests of plain logic) every job runs inline and the batch has ended,
//   done called, when Start returns; Run(view) is that form.
// - The view hears of the file in progress when it comes up, and of the
//   runner's published progress (TransferView::ShowProgress, then Tick)
//   while it is sent, and once more when its job has ended.
// - The port is the caller's: opened and configured before Run, closed after.
// - A name that is not an 8.3 name of letters, digits and "_" (see
//   DeviceNames), or that an earlier file of the batch already went under
//   (ignoring case), or that a subfolder of the target folder bears, brings
//   up the rename prompt with a free 8.3 form filled in; Cancel there skips
//   the file (not a failure).
// - A name the target folder's listing (SetDeviceListing) holds as a file
//   asks "Replace ...?" first: No skips the file, Yes to all stops asking.
//   Without a listing nothing is asked (TransferFile's callers replace their
//   own files on purpose).
// - A failed file stops the batch; Result() then holds its text for the
//   caller to show (Failed, "Failed to transfer ..."; Disconnected, the
//   disconnection message when the port went away). A Cancel stops it with
//   Cancelled and no text. Either way AllSucceeded() is false and the
//   remaining files are not sent (files sent before stay on the controller).
//   Nothing here shows a box of its own but the questions about names.
// - Outcomes() tells for each file whether it arrived, was skipped, failed or
//   was never attempted.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "link/jobs/jobrunner.h"
#include "transfer/devicenames.h"

class TaloComPort;
class TaloConsole;
class XmodemSender;
class TransferView;
class UserDialogs;

struct TransferOutcome {
  enum class Result { Sent, Skipped, Failed, Cancelled, NotSent };
  // Why a file was skipped: the user kept the listed file of its name (No
  // to the replace question), or gave no usable name (Cancel at the prompt).
  enum class Skip { None, KeptListedFile, NoName };
  QString SourcePath;
  int Number = 0;      // its place in the batch, from 1
  QString TargetName;  // device path as given to the receiving program
  Result Outcome = Result::NotSent;
  Skip SkipReason = Skip::None;
  int64_t Size = 0;    // as measured by the sender
};

class TransferBatch {
 public:
  TransferBatch(TaloComPort& port, TaloConsole& console, UserDialogs& dialogs);
  ~TransferBatch();
  TransferBatch(const TransferBatch&) = delete;
  TransferBatch& operator=(const TransferBatch&) = delete;

  // Batch mode: every path of sources into targetDir (ending with "\").
  void SetSourceList(const QStringList& sources, const QString& targetDir);
  // Single-file mode: one file; *result (when given) becomes false when it fails.
  void SetSingleFile(const QString& sourcePath, const QString& targetDir, bool* result = nullptr);
  // What the target folder holds, from the caller's last listing of it.
  void SetDeviceListing(std::vector<DeviceFolderEntry> listing);
  // The device names to use instead of the PC file names, one per source
  // (put --rename has chosen them already); empty: the PC file names.
  void SetDeviceNames(const QStringList& names) { GivenNames = names; }

  // Runs the whole batch (see above); done once it has ended. The view must
  // outlive the batch's run.
  void Start(TransferView& view, std::function<void()> done = {});
  // Start where no event loop runs: the batch has ended when it returns.
  void Run(TransferView& view) { Start(view); }
  // The Cancel button: the running sender is stopped, the batch stops.
  void PressCancel();
  bool CancelWasPressed() const { return CancelPressed; }

  bool AllSucceeded() const { return Succeeded; }
  // Ok, or why the batch stopped (see above).
  const JobResult& Result() const { return Outcome; }
  int FileCount() const;
  const std::vector<TransferOutcome>& Outcomes() const { return Results; }

  // An 8.3 name of letters, digits and "_" (and the "~" of a suggestion).
  static bool ValidFileName(const QString& name);

 private:
  [[nodiscard]] std::optional<QString> AcceptedName(const QString& name);
  [[nodiscard]] bool MayReplace(const QString& name);
  // Takes the files from Index on until one is being sent or the batch has
  // ended; a job that ended inline goes on in the same loop, not deeper.
  void Next();
  void Step();
  void SendOne(const QString& name);
  void Sent(const JobResult& result, const QString& name);
  void Finish(int index, TransferOutcome::Result result);
  void End();

  std::unique_ptr<XmodemSender> Worker;  // the file being sent
  JobRunner Runner;                      // after Worker: stopped and joined first
  TransferView* View = nullptr;          // while the batch runs
  std::function<void()> OnEnded;
  int Index = 0;
  int Total = 0;
  bool Stepping = false;
  bool StepAgain = false;
  TaloComPort& Port;
  QStringList SourceList;
  TaloConsole& Console;
  UserDialogs& Dialogs;
  QString TargetDir;
  QString SourcePath;
  bool CancelPressed = false;
  bool SingleFile = false;
  bool* SingleResult = nullptr;
  int SingleCount = 0;
  bool Succeeded = true;
  JobResult Outcome;
  std::vector<TransferOutcome> Results;
  DeviceNames Names;
  QStringList GivenNames;
  bool ReplaceAll = false;
  TransferOutcome::Skip LastSkip = TransferOutcome::Skip::None;  // set by AcceptedName
};
