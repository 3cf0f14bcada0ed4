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
//   RunDeviceCommand does (1000 ms, line feed); the time-outs are the
//   lister's DeviceTimeouts. Delete, rename, make directory and MEM take
//   quick answers when the user chose them (DeviceShell::Pace); FORMAT,
//   ABORT and autorun always wait out their time-outs. The exchange shows
//   its own open and echo failures after closing the port.
// - The commands act on the folder the pane shows (DevicePath), whatever the
//   shell's current drive and folder are: they name their file or folder by
//   its full path from D:\ with the drive (DeviceCommand says why). The
//   autorun line, which must name the root's AutoRun.bat, is typed after
//   "d:" and "cd\" in its own exchange at the file commands' 200 ms: its
//   three commands would take six seconds at RunDeviceCommand's 1000.
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
//   that this class needs no widgets. Main thread only.

#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "link/deviceshell.h"
#include "remote/devicecommands.h"

class DeviceBrowser;
struct PShellItem;
struct DeviceTimeouts;

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

  DeviceFileCommands(DeviceBrowser& browser, DeviceShell& shell);

  // Shows the properties modally; without one, properties are not shown.
  void SetPropertiesView(PropertiesView view) { PropertiesViewer = std::move(view); }
  void SetRelistAfterChange(bool on) { Relist = on; }

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
  void Abort();
  bool Format();
  bool SetAutoRun(int selectedIndex);

  // Rename and make directory with the name given: an 8.3 name, sent as it
  // is (the check still applies).
  bool RenameItem(int index, const QString& newName);
  bool MakeDirectory(const QString& name);

 private:
  // Runs commandLine at 200 ms; with error words, checks the answer and
  // reports the first refusal with sentName. True when sent and not refused.
  [[nodiscard]] bool RunChecked(const DeviceCommand::CommandLine& commandLine,
                                const QStringList& errorWords, const QString& sentName);
  // Asks for a new name; its 8.3 form, or none when cancelled, empty or
  // refused (the refusal shown).
  [[nodiscard]] std::optional<QString> AskNewName(const QString& caption, const QString& prompt,
                                                  const QString& initial);
  // The command that deletes item: "del", or for a folder "rd" once
  // "dir/s" found it empty. None when refused (the refusal shown).
  [[nodiscard]] std::optional<DeviceCommand::CommandLine> DeleteCommand(const PShellItem& item);
  // RunDeviceCommand at the configured time-out; true when sent.
  bool RunDeviceCommand(const QByteArray& commandLine, DeviceShell::Pace pace);
  // The folder shown, "\" before the first listing.
  QString Folder() const;
  void ShowAgain(const QString& selectName = QString());
  const DeviceTimeouts& Timeouts() const;

  DeviceBrowser& Browser;
  DeviceShell& Shell;
  PropertiesView PropertiesViewer;
  bool Relist = true;
};
