#pragma once
// MainWindow: the main window. It composes the local pane, the copy button,
// the device pane and the console memo, owns the terminal (ring, receiver,
// console output thread, terminal port), the shell exchange and the dialog
// service, and runs start-up and shut-down.
//
// Principles of operation
// - Construction creates the terminal's ring and paused threads before any
//   step that can fail; StartUp() then runs the visible start-up steps behind
//   the progress dialog (panes, port scan).
// - The panes are self-contained widgets: the main window calls their public
//   operations and finds the controls it connects (the terminal toggle
//   tbtnDOSCmd, the port box cbxCOM) by object name.
// - While the terminal is on, every control that would start a shell
//   exchange is disabled, so at most one party uses the port. A terminal
//   whose port goes away turns itself off; the window enables the controls
//   again and says so.
// - Shut-down (destruction): the terminal's workers are stopped and joined,
//   then the ring goes, then the terminal port is closed.
// - Main thread only.

#include <QMainWindow>
#include <QString>
#include <memory>
#include <vector>

#include "app/consolefeed.h"
#include "app/widgetdialogs.h"
#include "link/loggedconsole.h"
#include "link/shell/deviceshell.h"
#include "link/terminal/taloterminal.h"
#include "link/terminallog.h"

namespace Ui {
class MainWindow;
}
class DevicePane;
struct CopySelection;
struct DeviceToolHost;
class LocalPane;
class QAction;
class QComboBox;
class QToolButton;
class ConsoleView;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // dialogs: the dialog service to use (tests pass scripted answers); null
  // means message boxes and dialogs on this window.
  // The dialogs and the teller of results given (tests) or the window's own.
  explicit MainWindow(UserDialogs* dialogs = nullptr, ResultTeller* teller = nullptr,
                      QWidget* parent = nullptr);
  ~MainWindow() override;

  // The start-up steps behind StartupWindow. preferredPort (e.g. from
  // --port) is added to the port box when missing and selected.
  void StartUp(const QString& preferredPort = QString());

  const QString& SelectedPort() const { return ShellPtr->SelectedPort(); }
  ConsoleView* ConsoleWidget() const;
  TaloTerminal& Terminal() { return *Term; }
  // --log FILE: starts the terminal log; false (after an error box) when the
  // file cannot be opened.
  bool StartTerminalLog(const QString& path);
  // The shell exchange every device feature uses (selected port, console,
  // dialogs).
  DeviceShell& Shell() { return *ShellPtr; }
  UserDialogs& Dialogs() { return *DialogService; }
  QToolButton* CopyButton() const;
  LocalPane* LocalPanel() const { return Local; }
  // The image dialog's "Verify after restore", kept by the program's
  // settings between runs.
  bool VerifyAfterRestore = false;
  DevicePane* DevicePanel() const { return Device; }

 public slots:
  void ToggleTerminal();
  // picked: chosen from the list, which lists the root even when it is the
  // port already selected; a typed name lists only when it changed.
  void PortChanged(bool picked = false);
  // Copies the selected PC files into the folder the device pane shows.
  void CopySelectedToDevice();
  // Files dropped on the device list: copied as the copy button copies.
  void CopyDroppedFiles(const QStringList& paths);
  // The device pane's Copy to PC on rows of its list: into the folder the
  // local pane shows.
  void CopyToPc(const QList<int>& rows);
  void AskAndExit();
  void ShowAbout();
  // Turns the terminal on if needed and types text followed by CR into it.
  void RunInTerminal(const QString& text);
  // Lists the device root through the selected port at start-up (the port
  // given with --port or remembered from the last run); a failure shows in
  // the device pane's status bar and the console, not in a box.
  void OpenDeviceRoot();
  // OpenDeviceRoot once the window has been painted for the first time: a
  // listing runs on this thread, and a window not yet painted would stay
  // blank (or black) for as long as the controller takes to answer.
  void OpenDeviceRootOncePainted();

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormClose
  void showEvent(QShowEvent* event) override;    // FormShow
  bool event(QEvent* event) override;

 private:
  void BuildPanes();
  void ConnectDeviceToolBar();
  // The menu bar: every command of the panes and tools, with its key.
  void BuildMenuBar();
  // Copies the controller's programs the installation lacks from a folder the
  // user picks, and says what was copied and what is still missing.
  void ImportHelperPrograms();
  // Runs a device tool's Open with this window's shell and device pane.
  void OpenDeviceTool(void (*open)(DeviceToolHost& host));
  void ScanComPort(const QString& preferredPort);
  void SetPortBoxSelection(const QString& port);
  // Enables or disables every control that would start a shell exchange.
  void EnableDeviceControls(bool enable);
  void ShowTerminalState();
  // The terminal turned itself off: its port went away.
  void TerminalDisconnected(const QString& port);
  bool ConfirmExit();
  void SizePanes();
  void CopyIntoDeviceFolder(std::vector<CopySelection> selected);
  QComboBox* PortCombo() const;
  QAction* TerminalAction() const;

  std::unique_ptr<Ui::MainWindow> Form;
  std::unique_ptr<WidgetDialogs> OwnDialogs;
  UserDialogs* DialogService = nullptr;
  ResultTeller* TellerService = nullptr;
  std::unique_ptr<ConsoleFeed> Console;
  // What the console shows also goes to the terminal log, when one is open;
  // every feature writes to the console through Logged.
  TerminalLog Log;
  std::unique_ptr<LoggedConsole> Logged;
  std::unique_ptr<DeviceShell> ShellPtr;
  std::unique_ptr<TaloTerminal> Term;
  LocalPane* Local = nullptr;
  DevicePane* Device = nullptr;
  bool ExitConfirmed = false;
  bool PanesSized = false;
  bool OpenRootOnPaint = false;
};
