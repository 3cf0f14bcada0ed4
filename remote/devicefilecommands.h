#pragma once
// DeviceFileCommands: the device pane's context-menu commands on the
// controller's D: drive - delete, rename, make directory, properties, MEM,
// FORMAT, ABORT and "Set to AutoRun" - and the same commands for the
// command line, which gives the names instead of being asked for them.
//
// Principles of operation
// - Each command is one shell command line in one standard exchange
//   (DeviceShell): delete, rename and make directory at 200 ms, FORMAT at
//   1000 ms with carriage return as terminator, MEM and ABORT as
//   CommandExchange does (1000 ms, line feed); the time-outs are the
//   lister's DeviceTimeouts. Delete, rename, make directory and MEM take
//   quick answers when the user chose them (DeviceShell::Pace); FORMAT,
//   ABORT and autorun always wait out their time-outs.
// - Each command's exchanges, and the listing that shows the folder again
//   after it, run as one job on the shell's JobRunner; its questions and
//   name prompts come first, on the main thread, before the job starts.
//   Delete and properties of a folder count it ("dir/s") in a job of their
//   own first, since the question or the dialog depends on the count. A
//   delete of several items stops between two of them when the job is
//   asked to; a count or FORMAT stops waiting for the answer.
// - Results are values: every failure and refusal goes to the report the
//   top level set (SetReport; the shell's Tell until one is set), after
//   the port has been closed and the folder shown again. The bool each
//   command returns is what it came to where the job ran inline (no event
//   loop: the command line, tests of logic); on a running event loop it is
//   whether the job started, and the report tells the rest.
// - The commands act on the folder the pane shows (DevicePath), whatever the
//   shell's current drive and folder are: they name their file or folder by
//   its full path from D:\ with the drive (DeviceCommand says why). The
//   autorun line, which must name the root's AutoRun.bat, is typed after
//   "d:" and "cd\" in its own exchange at the file commands' 200 ms: its
//   three commands would take six seconds at CommandExchange's 1000.
// - Every name typed - from the listing or from the user - passes one check
//   (DeviceName, through DeviceCommand); a refused one is not typed, and an
//   error names it and says why. Names for new files and folders are asked
//   with the 8.3 rule stated and the result shown as it is typed; what is
//   sent is that result (DeviceName::ShortForm). Rename starts from the
//   current name.
// - Rename and make directory check the answer for the shell's error words;
//   the first such line, followed by the name sent, is shown as an error.
// - A command that changed the device shows the folder again in the user's
//   sort order with the same row selected (DeviceBrowser::RefreshKeepingView),
//   unless SetRelistAfterChange(false) (the command line shows no folder).
// - The properties dialog is shown through the PropertiesView callback, so
//   that this class needs no widgets. Main thread only; the jobs touch
//   nothing but the shell and the lister.

#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "link/shell/deviceshell.h"
#include "remote/devicecommands.h"
#include "remote/devicelister.h"

class DeviceBrowser;
struct PaneItem;

// The seven texts of the properties dialog.
struct DeviceProperties {
  QString PropModule;
  QString PropName;
  QString PropPath;
  QString PropType;
  QString PropSize;
  QString PropDate;
  QString PropContains;
};

class DeviceFileCommands {
 public:
  using PropertiesView = std::function<void(const DeviceProperties&)>;
  using Report = std::function<void(const JobResult&)>;

  DeviceFileCommands(DeviceBrowser& browser, DeviceShell& shell);

  // Shows the properties modally; without one, properties are not shown.
  void SetPropertiesView(PropertiesView view) { PropertiesViewer = std::move(view); }
  void SetRelistAfterChange(bool on) { Relist = on; }
  void SetReport(Report report) { ReportTo = std::move(report); }
  // The last command's result (inline runs: the command line).
  const JobResult& LastResult() const { return Last; }

  // selectedIndex is the selected row of the list, -1 for none. The result
  // is true when the device was asked to change (and the folder shown again).
  bool Delete(int selectedIndex);
  // Several rows at once (ascending; one row is Delete): every name
  // checked and every folder counted first, as Delete does for one -
  // a refusal or a folder that is not empty stops it before anything is
  // asked or deleted; then one question for all, each deleted in turn
  // until the first failure, and the folder listed once at the end if
  // anything was deleted. True when all were.
  bool DeleteItems(const QList<int>& rows);
  bool Rename(int selectedIndex);
  bool MakeDirectory();
  void ShowProperties(int selectedIndex);
  // Several rows (one row is ShowProperties): their number, their total
  // size and what they hold, each selected file and folder counted with
  // the files and folders below them; without the size and counts when a
  // folder could not be counted.
  void PropertiesOfItems(const QList<int>& rows);
  bool ShowMemory();
  bool Abort();
  bool Format();
  bool SetAutoRun(int selectedIndex);

  // Rename and make directory with the name given: an 8.3 name, sent as it
  // is (the check still applies).
  bool RenameItem(int index, const QString& newName);
  bool MakeDirectory(const QString& name);

 private:
  // A command's exchanges on the worker; changed tells whether the folder
  // shown may have changed (it is then listed again in the same job).
  using Work = std::function<JobResult(bool& changed)>;
  // Runs work as one job, then the folder's listing where it changed
  // (never after a stop); reports the result, then shows the listing
  // selecting selectName. See the class comment for what it returns.
  bool RunJob(Work work, const QString& selectName = QString());
  // Counts the folders called names (the folder shown for an empty one) in
  // the folder shown, in one job, up to the first failure; then runs then
  // on the main thread with the result and the counts.
  using Counted = std::function<void(const JobResult&, const std::vector<TreeCounts>&)>;
  bool CountFolders(const QStringList& names, Counted then);
  // Reports a failure (none without a text) and returns false.
  bool Refuse(const JobResult& result);
  // What the command came to where its jobs ran inline, else whether its
  // job is running.
  bool Outcome() const;
  // commandLine at 200 ms; with error words, checks the answer and refuses
  // at the first one with sentName.
  [[nodiscard]] JobResult RunChecked(const DeviceCommand::CommandLine& commandLine,
                                     const QStringList& errorWords, const QString& sentName);
  // Asks for a new name; its 8.3 form, or none when cancelled, empty or
  // refused (the refusal reported).
  [[nodiscard]] std::optional<QString> AskNewName(const QString& caption, const QString& prompt,
                                                  const QString& initial);
  // The command that deletes item ("rd" for a folder), or its refusal.
  [[nodiscard]] DeviceCommand::CommandLine DeleteCommand(const PaneItem& item) const;
  // Once the folders among items are counted (counts, in their order): a
  // folder that is not empty is refused; else the question, then each
  // deleted in turn in one job and the folder listed again.
  void DeleteCounted(const std::vector<PaneItem>& items,
                     const std::vector<DeviceCommand::CommandLine>& commandLines,
                     const std::vector<TreeCounts>& counts, const QString& question);
  // The standard exchange at the MEM/ABORT time-out.
  [[nodiscard]] JobResult DeviceCommandJob(const QByteArray& commandLine, DeviceShell::Pace pace);
  QString Folder() const;
  const DeviceTimeouts& Timeouts() const;
  void ReportResult(const JobResult& result);

  DeviceBrowser& Browser;
  DeviceShell& Shell;
  PropertiesView PropertiesViewer;
  Report ReportTo;
  JobResult Last;
  bool Relist = true;
};
