#pragma once
// DevicePane (pnlTalo): the right-hand pane - one folder of the controller's
// D: drive with its tool bar, path box, list and status bar.
//
// Principles of operation
// - Owns the pane's logic (DeviceBrowser, DeviceFileCommands) and its item
//   model; talks to the controller only through the DeviceShell it is given,
//   which the owner keeps alive for the pane's lifetime.
// - Holds the whole tool bar tlbarTalo, never narrower than all its buttons,
//   and the port box cbxCOM ("Port:", beside the path box, where no window
//   size hides it). The actions of other features (tbtnTaloConf, tbtnDOSCmd,
//   tbtnTCPConf, tbtnGHOST) and the port box are only created here; the main
//   window finds them by object name or through the accessors and connects
//   them.
// - The owner tells the pane when the port changed (PortChanged) and when
//   the terminal takes or releases the port (SetTerminalActive); the pane
//   asks the owner to run a program in the terminal (RunProgramRequested:
//   turn the terminal on, type the name and a carriage return).
// - View (context menu) and a double-click or Enter on a file with a text
//   extension show the file's text (DeviceTextFile) in a read-only viewer
//   that stays open beside the main window; a double-click on any other
//   file runs it in the terminal as before. The file is read as a job (a
//   large one after a question); the viewer opens when it is done, and a
//   failed or stopped read is reported instead.
// - Device work runs as jobs on the shell's JobRunner (link/jobs/jobrunner.h):
//   while one runs the pane shows the hourglass, every control that starts
//   device work is disabled (the feature tools, the terminal toggle and the
//   port box included), and a Cancel button in the status bar and Esc ask
//   the job to stop. The rest of the window stays usable. The pane is the
//   top level of its browser's and commands' results: it shows them
//   through the shell's UserDialogs (DeviceShell::Report).
// - The list takes several items at once (Shift, Ctrl): Delete and
//   Properties act on all selected, the other entries on one item only.
// - Copy to PC (context menu) asks the owner to copy the selected items to
//   the PC (CopyToPcRequested): that copy may read the whole drive through
//   the image feature, which lies above this pane.
// - The context menu's last entry, "Standard waits", switches the shell's
//   quick answers off when checked (DeviceShell::SetQuickAnswers); the owner
//   keeps the choice between runs.

#include <QWidget>
#include <functional>
#include <cstdint>
#include <memory>
#include <optional>

#include "remote/devicebrowser.h"
#include "remote/devicefilecommands.h"

class DeviceIcons;
class DeviceItemModel;
class DeviceListView;
class DeviceShell;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QShortcut;
struct PaneItem;

namespace Ui {
class DevicePane;
}

class DevicePane : public QWidget {
  Q_OBJECT

 public:
  explicit DevicePane(DeviceShell& shell, QWidget* parent = nullptr);
  ~DevicePane() override;

  DeviceBrowser& Browser() { return *BrowserPtr; }
  DeviceFileCommands& Commands() { return *CommandsPtr; }
  DeviceItemModel& Model() { return *ModelPtr; }

  // State the other features read.
  int64_t DeviceFreeBytes() const { return BrowserPtr->DeviceFreeBytes(); }
  const QString& DevicePath() const { return BrowserPtr->DevicePath(); }
  // The text of the path box cbxTalo (the folder last opened).
  QString PathBoxText() const { return BrowserPtr->PathBoxText(); }
  int SelectedIndex() const;
  const PaneItem* SelectedItem() const;

  // Controls other features connect. The feature tools (tbtnTaloConf "Config
  // TALO", tbtnTCPConf "Talo-7100 Configuration", tbtnGHOST "Quantelix Image
  // Keeper") are found by their object names (widgets/devicetool.h).
  QAction* TerminalAction() const;  // tbtnDOSCmd "Launch Terminal" (checkable)
  QComboBox* PortBox() const { return cbxCOM; }
  DeviceListView* ListView() const;
  QMenu* ContextMenu() const { return ItemMenu; }

  // Replaces the properties dialog (tests, other front ends).
  void SetPropertiesView(DeviceFileCommands::PropertiesView view);
  // Replaces the text viewer: the file's name, its text as read and, when
  // that text is the whole file, the file's bytes.
  using TextView = std::function<void(const QString& name, const QByteArray& text,
                                      const std::optional<QByteArray>& file)>;
  void SetTextView(TextView view) { ShowText = std::move(view); }
  // ViewAction: the text of the file at index, read as a job (a question first
  // when large); the viewer opens, or the failure is reported, when done.
  void ViewFile(int index);
  // Enables the context menu's entries for the current selection; the menu
  // runs this each time it opens.
  void RefreshMenuItems();

 public slots:
  // The port in the shell changed: sort by name, select the first row and
  // list the root "\" through the new port.
  void PortChanged();
  // The same at start-up, for the port given or remembered: a failure is
  // told by the status bar and the console, without a box.
  void ListRootAtStart();
  // On: the terminal holds the port, every control that would start an
  // exchange is disabled (the terminal toggle itself stays usable).
  void SetTerminalActive(bool on);
  // Lists the folder again in the user's sort order with the user's row
  // selected (after a copy or another change of the device); with a name,
  // the item of that name where the listing holds it.
  void RefreshKeepingView(const QString& selectName = QString());
  // The terminal has let go of the port, and commands typed there may have
  // changed the folder: lists it again in the user's sort order keeping the
  // selected item (or none). Nothing when no folder was listed yet.
  void RelistAfterTerminal();
  // tbtnRefresh: lists the folder again by name, nothing selected.
  void Refresh();

 signals:
  void RunProgramRequested(const QString& name);
  // Copy to PC on the selected items (rows of the browser's list).
  void CopyToPcRequested(const QList<int>& rows);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // A job started or ended: the hourglass, the controls, Cancel and Esc.
  void SetJobActive(bool on);
  void UpdateControls();
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildToolBar();
  void BuildPortBox();
  void BuildContextMenu();
  void InstallShortcuts();
  void ConnectBrowser();
  void UpdatePathBox(const QString& path);
  void UpdateStatusBar();
  void ShowSelectionSummary();

  std::unique_ptr<Ui::DevicePane> Form;
  std::unique_ptr<DeviceBrowser> BrowserPtr;
  std::unique_ptr<DeviceFileCommands> CommandsPtr;
  std::unique_ptr<DeviceIcons> Icons;
  DeviceItemModel* ModelPtr = nullptr;
  QComboBox* cbxCOM = nullptr;
  QLabel* StatusObjects = nullptr;
  QLabel* StatusSize = nullptr;
  QLabel* StatusSelection = nullptr;  // the selection's items and size
  QMenu* ItemMenu = nullptr;
  TextView ShowText;
  QAction* ViewAction = nullptr;
  QAction* CopyToPcAction = nullptr;
  QAction* MakeDirectoryAction = nullptr;
  QAction* DeleteAction = nullptr;
  QAction* RenameAction = nullptr;
  QAction* SetToAutoRunAction = nullptr;
  QAction* PropertiesAction = nullptr;
  QAction* QuickListingsAction = nullptr;  // "Standard waits": checked = no quick answers
  QPushButton* btnCancel = nullptr;   // shown while a job runs
  QShortcut* EscCancel = nullptr;
  QAction* DosCommandAction = nullptr;
  QAction* NewFolderAction = nullptr;
  bool TerminalOn = false;
  bool JobOn = false;
};
