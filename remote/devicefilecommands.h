#pragma once
// DeviceFileCommands: the device pane's context-menu commands on the
// controller's D: drive - delete, rename, make directory, properties, MEM,
// FORMAT, ABORT and "Set to AutoRun".
//
// Principles of operation
// - Each command is one shell command line in one standard exchange
//   (DeviceShell): delete, rename and make directory at 200 ms, FORMAT at
//   1000 ms with carriage return as terminator, MEM, ABORT and the autorun
//   line as RunDeviceCommand does (1000 ms, line feed); the time-outs are
//   the lister's DeviceTimeouts. The exchange shows its own open and echo
//   failures after closing the port.
// - Names are relative to the folder the pane shows, which the last listing
//   made the shell's current folder. Names the user types are refused before
//   anything is sent when the shell would split or redirect them.
// - Rename and make directory check the answer for the shell's error words;
//   the first such line, followed by the typed name, is shown as an error.
// - A command that changed the device shows the folder again in the user's
//   sort order with the same row selected (DeviceBrowser::RefreshKeepingView).
// - The properties dialog is shown through the PropertiesView callback, so
//   that this class needs no widgets. Main thread only.

#include <QString>
#include <functional>

class DeviceBrowser;
class DeviceShell;
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
  static constexpr int kFileNameLength = 12;
  static constexpr int kFolderNameLength = 8;

  using PropertiesView = std::function<void(const DeviceProperties&)>;

  DeviceFileCommands(DeviceBrowser& browser, DeviceShell& shell);

  // Shows the properties modally; without one, properties are not shown.
  void SetPropertiesView(PropertiesView view) { ShowProperties = std::move(view); }

  // selectedIndex is the selected row of the list, -1 for none. The result
  // is true when the device was asked to change and the folder shown again.
  bool Delete1Click(int selectedIndex);
  bool Rename1Click(int selectedIndex);
  bool MakeDirectory1Click();
  void Properities1Click(int selectedIndex);
  void MEM1Click();
  void ABORT1Click();
  bool FORMAT1Click();
  void Talo7100TCP1Click(int selectedIndex);

 private:
  // Runs commandLine at 200 ms; with error words, checks the answer and
  // reports the first refusal with typedName. True when sent and not refused.
  [[nodiscard]] bool RunChecked(const QByteArray& commandLine, const QStringList& errorWords,
                                const QString& typedName);
  // Asks for a name; empty when cancelled, empty or refused as unsafe.
  [[nodiscard]] QString AskTypedName(const QString& caption, const QString& prompt, int maxLength);
  // RunDeviceCommand at the configured time-out; true when sent.
  bool RunDeviceCommand(const QByteArray& commandLine);
  const DeviceTimeouts& Timeouts() const;

  DeviceBrowser& Browser;
  DeviceShell& Shell;
  PropertiesView ShowProperties;
};
