#pragma once
// TransferBatch: the transfer dialog's logic, without widgets. Sends one file
// (single-file mode) or a list of files, one XMODEM sender after another,
// into one device folder.
//
// Principles of operation
// - Main thread only. Run(view) is the dialog's first timer tick and
//   returns when the batch has ended. While a sender runs on its thread the
//   main thread waits in an event loop (the window paints, Cancel gets
//   through, the sender's hand-overs are served) and every 5 ms updates the
//   view and calls view.Tick(). Without a QCoreApplication (plain logic) it
//   waits in 5 ms sleeps, serving the hand-overs itself.
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
  static constexpr int kPumpIntervalMs = 5;

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

  // Runs the whole batch (the dialog's RunBatch).
  void Run(TransferView& view);
  // The Cancel button: the running sender is cancelled, the batch stops.
  void PressCancel() { CancelPressed = true; }
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
  [[nodiscard]] int32_t SendOne(int index, int total, const QString& name, TransferView& view);
  // Until the sender has ended: the view kept up to date, Cancel passed on.
  void AwaitSender(int index, int total, TransferView& view);
  void UpdateView(int index, int total, TransferView& view);
  void Finish(int index, TransferOutcome::Result result, TransferView& view);

  std::unique_ptr<XmodemSender> Worker;
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
