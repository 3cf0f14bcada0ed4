#include "app/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <chrono>
#include <memory>
#include <thread>

#include "app/aboutdialog.h"
#include "app/appicons.h"
#include "app/apptext.h"
#include "app/consoleview.h"
#include "app/portbox.h"
#include "app/startupwindow.h"
#include "app/taloapplication.h"
#include "image/ui/copytopcflow.h"
#include "image/ui/driveimagedialog.h"
#include "image/ui/imagepane.h"
#include "installation/helperfiles.h"
#include "link/jobs/jobrunner.h"
#include "link/port/portscan.h"
#include "local/localpane.h"
#include "module/ui/diopanelflow.h"
#include "netconf/ui/networkdialog.h"
#include "remote/devicebrowser.h"
#include "remote/devicelistview.h"
#include "remote/devicepane.h"
#include "transfer/copytodevice.h"
#include "transfer/transferfile.h"
#include "transfer/ui/transferdialogpresenter.h"
#include "ui_mainwindow.h"

namespace {

constexpr int kRestoredWidth = 721;
constexpr int kRestoredHeight = 580;
constexpr double kLocalShare = 0.4;
constexpr std::chrono::milliseconds kBellLength{100};

// Every control that would start a shell exchange while the terminal holds
// the port; the panes own most of them.
constexpr const char* kDeviceControls[] = {
    "tbtnTaloConf",   "tbtnTaloUp",     "tbtnRefresh", "tbtnTaloLgIcon", "tbtnTaloSmIcon",
    "tbtnTaloLsIcon", "tbtnTaloDtIcon", "cbxCOM",      "cbxTalo",        "lstviewTalo",
    "btnCopy",        "tbtnTCPConf",    "tbtnGHOST"};

// The bell: the platform beep on the main thread (queued, so the main thread
// never waits for it), the console output thread pausing for its length.
void RingBell() {
  QMetaObject::invokeMethod(qApp, [] { QApplication::beep(); }, Qt::QueuedConnection);
  std::this_thread::sleep_for(kBellLength);
}

}  // namespace

MainWindow::MainWindow(UserDialogs* dialogs, ResultTeller* teller, QWidget* parent)
    : QMainWindow(parent), Form(std::make_unique<Ui::MainWindow>()) {
  Form->setupUi(this);
  setWindowTitle(AppText::MainCaption());
  setWindowIcon(AppIcons::ProgramIcon());
  if (!dialogs || !teller) {
    OwnDialogs = std::make_unique<WidgetDialogs>(this);
    if (!dialogs) dialogs = OwnDialogs.get();
    if (!teller) teller = OwnDialogs.get();
  }
  DialogService = dialogs;
  TellerService = teller;

  // The long-lived objects come first, so nothing that fails later in the
  // start-up leaves a control that reaches a missing object.
  // The terminal's output reaches the memo a frame at a time.
  Console = std::make_unique<ConsoleFeed>(*Form->meoDos, ConsoleFeed::kFrameMs);
  Logged = std::make_unique<LoggedConsole>(*Console, Log);
  ShellPtr = std::make_unique<DeviceShell>(*Logged, *DialogService, *TellerService);
  Term = std::make_unique<TaloTerminal>(*Logged, RingBell);
  Form->meoDos->SetTerminal(Term.get());
  Form->meoDos->SetDialogs(DialogService, TellerService);
  Form->meoDos->SetLog(&Log);
  connect(Term.get(), &TaloTerminal::Disconnected, this, &MainWindow::TerminalDisconnected);

  Form->btnCopy->setIcon(AppIcons::CopyToDevice());
  Form->btnCopy->setToolTip(AppText::CopyButtonHint());
  Form->actExit->setIcon(AppIcons::Exit());
  Form->actAbout->setIcon(AppIcons::About());
  connect(Form->btnCopy, &QToolButton::clicked, this, &MainWindow::CopySelectedToDevice);
  // The copy would start a second exchange beside a job of the device pane.
  connect(&ShellPtr->Jobs(), &JobRunner::BusyChanged, this,
          [this](bool busy) { Form->btnCopy->setEnabled(!busy && !Term->IsOn()); });
  connect(Form->actExit, &QAction::triggered, this, &MainWindow::AskAndExit);
  connect(Form->actAbout, &QAction::triggered, this, &MainWindow::ShowAbout);
  connect(Form->actOpenImage, &QAction::triggered, this,
          [this] { (void)ImagePane::Open(this, *DialogService, *TellerService); });
  connect(Form->actCompareImages, &QAction::triggered, this,
          [this] { ImagePane::Compare(this, *DialogService, *TellerService); });

  BuildPanes();
  ConnectDeviceToolBar();
  BuildMenuBar();

  // The form's size, or more when the panes need more (a larger font): the
  // first window shows every button of both tool bars.
  const QSize least = minimumSizeHint();
  resize(std::max(kRestoredWidth, least.width()), std::max(kRestoredHeight, least.height()));
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

MainWindow::~MainWindow() {
  // Workers stopped and joined, then the ring, then the terminal port; the
  // console they write to is still alive here.
  Term->ShutDown();
  // The window closes only in the base destructor, after the members: the
  // focus and key events of that close reach the console, which must not
  // ask a terminal that is gone by then.
  Form->meoDos->SetTerminal(nullptr);
  // The panes use the shell and the dialog service, which are members and
  // go before the child widgets would.
  delete Device;
  Device = nullptr;
  delete Local;
  Local = nullptr;
}

bool MainWindow::StartTerminalLog(const QString& path) { return Form->meoDos->StartLog(path); }

ConsoleView* MainWindow::ConsoleWidget() const { return Form->meoDos; }
QToolButton* MainWindow::CopyButton() const { return Form->btnCopy; }

void MainWindow::BuildPanes() {
  Local = new LocalPane(Form->splLocalDevice);
  Local->setObjectName(QStringLiteral("pnlLocal"));
  Local->setMinimumWidth(150);
  Local->SetDialogs(DialogService, TellerService);
  Form->splLocalDevice->insertWidget(0, Local);
  Device = new DevicePane(*ShellPtr, Form->splButtonDevice);
  Device->setObjectName(QStringLiteral("pnlTalo"));
  Form->splButtonDevice->addWidget(Device);
  // Resizing the window keeps the proportions of the first layout.
  Form->splLocalDevice->setStretchFactor(0, 2);
  Form->splLocalDevice->setStretchFactor(1, 3);
  Form->splButtonDevice->setStretchFactor(0, 0);
  Form->splButtonDevice->setStretchFactor(1, 1);
  Form->splHori->setStretchFactor(0, 2);
  Form->splHori->setStretchFactor(1, 1);
  // A double-click on a program file runs it in the terminal.
  connect(Device, &DevicePane::RunProgramRequested, this, &MainWindow::RunInTerminal);
  connect(Device, &DevicePane::CopyToPcRequested, this, &MainWindow::CopyToPc);
}

void MainWindow::BuildMenuBar() {
  auto action = [](QWidget* pane, const char* name) {
    return pane->findChild<QAction*>(QLatin1String(name));
  };
  // The PC pane's keys, as the device pane has them for its files.
  for (const auto& [name, key] : {std::pair{"tbtnLocalRefresh", QKeySequence(Qt::Key_F5)},
                                  std::pair{"tbtnLocalUp", QKeySequence(Qt::ALT | Qt::Key_Up)}}) {
    if (QAction* local = action(Local, name)) {
      local->setShortcut(key);
      local->setShortcutContext(Qt::WidgetWithChildrenShortcut);
      Local->addAction(local);
    }
  }

  // Controller: the device pane's commands, the same actions as its tool bar
  // and context menu, so their keys and enabling are the pane's.
  QMenu* controller = Form->mnuController;
  for (const char* name : {"tbtnRefresh", "tbtnTaloUp"})
    if (QAction* tool = action(Device, name)) controller->addAction(tool);
  controller->addSeparator();
  for (QAction* item : Device->ContextMenu()->actions()) {
    const QString name = item->objectName();
    // Placeholders the context menu keeps greyed out are not repeated here.
    if (name == QLatin1String("TALOCopy1") || name == QLatin1String("TALOPaste1")) continue;
    // Make Directory, there for the empty part of the list, is New Folder here.
    if (name == QLatin1String("MakeDirectory1")) item = action(Device, "NewFolder1");
    controller->addAction(item);
  }
  controller->addSeparator();
  Form->actCopyToDevice->setIcon(AppIcons::CopyToDevice());
  controller->addAction(Form->actCopyToDevice);
  connect(Form->actCopyToDevice, &QAction::triggered, this, &MainWindow::CopySelectedToDevice);
  connect(controller, &QMenu::aboutToShow, this, [this] {
    Device->RefreshMenuItems();
    Form->actCopyToDevice->setEnabled(Form->btnCopy->isEnabled());
  });

  // View: each pane's view styles.
  QMenu* view = Form->mnuView;
  view->addSection(QStringLiteral("PC files"));
  for (const char* name : {"tbtnLocalLgIcon", "tbtnLocalSmIcon", "tbtnLocalLsIcon", "tbtnLocalDtIcon",
                           "tbtnLocalRefresh", "tbtnLocalUp"})
    if (QAction* local = action(Local, name)) view->addAction(local);
  view->addSection(QStringLiteral("TALO-7100 files"));
  for (const char* name : {"tbtnTaloLgIcon", "tbtnTaloSmIcon", "tbtnTaloLsIcon", "tbtnTaloDtIcon"})
    if (QAction* device = action(Device, name)) view->addAction(device);

  // Tools: what each does in the menu; the tool bar's hint keeps its name
  // and says the same.
  struct Tool {
    const char* Name;
    const char* Text;
    const char* Does;
    QKeySequence Key;
  };
  const Tool tools[] = {
      {"tbtnDOSCmd", "&Terminal", "type into the controller's shell", QKeySequence(Qt::CTRL | Qt::Key_T)},
      {"tbtnTaloConf", "&Digital I/O Module...", "the inputs and outputs of the I/O module", {}},
      {"tbtnTCPConf", "&Network Settings...", "network settings, accounts and system initialisation", {}},
      {"tbtnGHOST", "Drive &Image Backup and Restore...", "back drive D: up to an image file, or restore one", {}},
  };
  QAction* import = Form->mnuTools->addAction(QStringLiteral("Import &Helper Programs..."));
  import->setObjectName(QStringLiteral("actImportHelpers"));
  connect(import, &QAction::triggered, this, &MainWindow::ImportHelperPrograms);
  Form->mnuTools->addSeparator();
  for (const Tool& tool : tools) {
    QAction* item = action(Device, tool.Name);
    if (!item) continue;
    const QString name = item->toolTip();
    item->setText(QString::fromLatin1(tool.Text));
    item->setToolTip(QStringLiteral("%1: %2").arg(name, QLatin1String(tool.Does)) +
                     (tool.Key.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(tool.Key.toString(QKeySequence::NativeText))));
    if (!tool.Key.isEmpty()) item->setShortcut(tool.Key);
    Form->mnuTools->addAction(item);
  }
}

void MainWindow::ImportHelperPrograms() {
  const TaloAppFolders folders = GetTaloAppDir();
  if (!folders.Error.isEmpty()) {
    TellerService->Tell(JobResult::Failed(folders.Error));
    return;
  }
  const auto from = DialogService->ChooseFolder(
      QStringLiteral("The folder that holds the controller's programs (its CD, the maker's archive)"),
      QDir::homePath());
  if (!from) return;
  const HelperFiles::ImportResult result = HelperFiles::Import(*from, folders);
  QString text;
  if (!result.Copied.isEmpty())
    text += QStringLiteral("Copied into %1:\n  %2\n\n").arg(folders.InstallFolder, result.Copied.join(QStringLiteral("\n  ")));
  if (!result.Failed.isEmpty())
    text += QStringLiteral("Could not copy:\n  %1\n\n").arg(result.Failed.join(QStringLiteral("\n  ")));
  QStringList missing;
  for (const HelperFiles::State& state : HelperFiles::Check(folders))
    if (!state.Present)
      missing.append(QStringLiteral("%1 (%2%3)").arg(QDir(folders.InstallFolder).relativeFilePath(state.Where),
                                                   QLatin1String(state.File->Feature),
                                                   state.File->Optional ? QStringLiteral(", optional") : QString()));
  if (missing.isEmpty())
    text += QStringLiteral("Every file the controller needs is in place.");
  else
    text += QStringLiteral("Not found in %1:\n  %2").arg(*from, missing.join(QStringLiteral("\n  ")));
  TellerService->Tell(result.Failed.isEmpty() ? JobResult::Done(text) : JobResult::Failed(text));
}

QComboBox* MainWindow::PortCombo() const {
  return Device->findChild<QComboBox*>(QStringLiteral("cbxCOM"));
}

QAction* MainWindow::TerminalAction() const {
  return Device->findChild<QAction*>(QStringLiteral("tbtnDOSCmd"));
}

void MainWindow::ConnectDeviceToolBar() {
  // The features the device pane's tool bar opens, one per area.
  for (const DeviceTool& tool : {DioPanelTool(), ImageKeeperTool(), NetConfTool()}) {
    if (QAction* action = Device->findChild<QAction*>(QLatin1String(tool.ActionName)))
      connect(action, &QAction::triggered, this, [this, open = tool.Open] { OpenDeviceTool(open); });
  }
  connect(Device->ListView(), &DeviceListView::FilesDropped, this, &MainWindow::CopyDroppedFiles);
  if (QAction* toggle = TerminalAction()) {
    toggle->setCheckable(true);
    connect(toggle, &QAction::triggered, this, &MainWindow::ToggleTerminal);
  }
  if (QComboBox* ports = PortCombo()) {
    // A pick from the list counts at once, also a pick of the port already
    // selected: the device pane stays empty until a port is picked, and with
    // one adapter there is no other port to pick. A typed name counts when the
    // user presses Enter or leaves the box (not at every character), and only
    // when it changed.
    connect(ports, &QComboBox::activated, this, [this] { PortChanged(true); });
    if (QLineEdit* edit = ports->lineEdit())
      connect(edit, &QLineEdit::editingFinished, this, [this] { PortChanged(false); });
  }
}

void MainWindow::OpenDeviceTool(void (*open)(DeviceToolHost& host)) {
  if (Term->IsOn()) return;  // the terminal holds the port
  DeviceToolHost host{.Parent = this,
                      .Shell = *ShellPtr,
                      .DeviceFreeBytes = Device->DeviceFreeBytes(),
                      .RefreshKeepingView = [this] { Device->RefreshKeepingView(); },
                      .ForgetListing = [this] { Device->Browser().ResetDeviceFreeBytes(); },
                      .VerifyAfterRestore = VerifyAfterRestore};
  open(host);
}

void MainWindow::StartUp(const QString& preferredPort) {
  StartupWindow init(this);
  init.show();
  try {
    init.ChangeLabelText(AppText::InitScanningLocal());
    init.ChangeLabelText(AppText::InitScanningPorts());
    ScanComPort(preferredPort);
    init.ChangeLabelText(AppText::InitConstructingLocal());
    // Opens the computer location in report view.
    (void)Local->Start();
    init.ChangeLabelText(AppText::InitStartingThreads());
    Local->FocusPathBox();
    // The ring and the paused workers exist since construction.
    init.ChangeLabelText(AppText::InitDone());
  } catch (...) {
    // The rest of the start-up is skipped; the window opens with what is set
    // up, and the terminal still has its ring and workers.
    TellerService->Tell(
        JobResult::Failed(TaloApplication::DescribeException(std::current_exception())));
  }
  init.close();
}

void MainWindow::ScanComPort(const QString& preferredPort) {
  QComboBox* ports = PortCombo();
  if (!ports) return;
  const QSignalBlocker quiet(ports);
  PortBox::Fill(*ports, ScanPorts(), preferredPort);
  SetPortBoxSelection(preferredPort.isEmpty() ? ports->itemData(0).toString() : preferredPort);
}

void MainWindow::SetPortBoxSelection(const QString& port) {
  if (QComboBox* ports = PortCombo()) {
    const QSignalBlocker quiet(ports);
    PortBox::Select(*ports, port);
  }
  ShellPtr->SetSelectedPort(port);
}

void MainWindow::PortChanged(bool picked) {
  QComboBox* ports = PortCombo();
  if (!ports || Term->IsOn()) return;
  const QString port = PortBox::ChosenPort(*ports, picked);
  if (!picked && port == SelectedPort()) return;
  ShellPtr->SetSelectedPort(port);
  Device->PortChanged();
}

void MainWindow::OpenDeviceRoot() {
  if (!Term->IsOn() && !SelectedPort().isEmpty()) Device->ListRootAtStart();
}

void MainWindow::OpenDeviceRootOncePainted() { OpenRootOnPaint = true; }

bool MainWindow::event(QEvent* event) {
  const bool handled = QMainWindow::event(event);
  // The window's own paint event comes first in a repaint; the zero timer
  // lets the rest of the window paint and reach the screen before the first
  // listing starts (its job's hourglass and disabled controls included).
  if (OpenRootOnPaint && event->type() == QEvent::Paint) {
    OpenRootOnPaint = false;
    QTimer::singleShot(0, this, &MainWindow::OpenDeviceRoot);
  }
  return handled;
}

void MainWindow::ToggleTerminal() {
  if (!Term->IsOn()) {
    QString error;
    if (!Term->Start(SelectedPort(), error)) {
      if (!Term->PermissionHint().isEmpty()) Console->AppendLine(Term->PermissionHint());
      ShowTerminalState();
      EnableDeviceControls(true);
      TellerService->Tell(JobResult::Failed(error));
      return;
    }
  } else {
    Term->Stop();
  }
  ShowTerminalState();
  EnableDeviceControls(!Term->IsOn());
  // Commands typed in the terminal may have changed the folder shown.
  if (!Term->IsOn()) Device->RelistAfterTerminal();
}

void MainWindow::TerminalDisconnected(const QString& port) {
  // The terminal is off already. The folder is not listed again: the port it
  // would open is gone. The next operation opens the port by its name, so
  // the adapter plugged in again (or a new device at the same path) works.
  ShowTerminalState();
  EnableDeviceControls(true);
  const QString message = ShellText::Disconnected(port);
  Logged->AppendLine(message);
  TellerService->Tell(JobResult::Failed(message));
}

void MainWindow::ShowTerminalState() {
  const bool on = Term->IsOn();
  if (QAction* toggle = TerminalAction()) toggle->setChecked(on);
  Form->meoDos->SetTerminalColours(on);
  Console->SetAlwaysShowEnd(on);
  if (on) {
    Form->meoDos->setFocus();
    Form->meoDos->MoveCaretToEnd();
  }
}

void MainWindow::EnableDeviceControls(bool enable) {
  Device->SetTerminalActive(!enable);
  for (const char* name : kDeviceControls) {
    for (QObject* control : findChildren<QObject*>(QLatin1String(name))) {
      if (auto* widget = qobject_cast<QWidget*>(control))
        widget->setEnabled(enable);
      else if (auto* action = qobject_cast<QAction*>(control))
        action->setEnabled(enable);
    }
  }
}

void MainWindow::CopySelectedToDevice() {
  std::vector<CopySelection> selected;
  for (const LocalPane::SelectedItem& item : Local->SelectedItems())
    selected.push_back({item.Path, item.IsFolder, item.SizeBytes});
  CopyIntoDeviceFolder(std::move(selected));
}

void MainWindow::CopyDroppedFiles(const QStringList& paths) {
  std::vector<CopySelection> selected;
  for (const QString& path : paths) {
    const QFileInfo info(path);
    selected.push_back({info.absoluteFilePath(), info.isDir(), info.size()});
  }
  CopyIntoDeviceFolder(std::move(selected));
}

void MainWindow::CopyToPc(const QList<int>& rows) {
  // The terminal holds the port, or a job of the device pane uses it.
  if (Term->IsOn() || ShellPtr->Jobs().Busy()) return;
  std::vector<PaneItem> items;
  for (const int row : rows)
    if (const PaneItem* item = Device->Browser().DeviceItemAt(row)) items.push_back(*item);
  const CopyToPcFlow::Outcome outcome =
      CopyToPcFlow::Run(this, *ShellPtr, Device->DevicePath(), items, Local->CurrentId());
  if (outcome.Ran) Local->RefreshAfterCommand();
  if (outcome.DriveRead) Device->Browser().ResetDeviceFreeBytes();
}

void MainWindow::CopyIntoDeviceFolder(std::vector<CopySelection> selected) {
  // The terminal holds the port, or a job of the device pane uses it.
  if (Term->IsOn() || ShellPtr->Jobs().Busy()) return;
  CopyRequest request;
  request.Selected = std::move(selected);
  request.DeviceFreeBytes = Device->DeviceFreeBytes();
  request.DevicePathText = Device->PathBoxText();
  // The listing the pane holds tells which names would replace a file.
  for (const PaneItem& item : Device->Browser().DeviceItems())
    request.DeviceListing.push_back(
        {item.Name, item.IsFolder(), item.SizeBytes, item.ModifiedText});
  request.RefreshDevicePane = [this](const QString& copied, CopyRequest::Listed listed) {
    // What is checked is what the new listing shows, not the listing from
    // before the copy: from the window's loop it runs as a job, and the
    // check goes on when that job has ended.
    const auto shown = [this, listed] {
      const DeviceBrowser& browser = Device->Browser();
      if (!browser.LastListingRead()) return listed(std::nullopt);
      CopyRequest::Listing listing;
      for (const PaneItem& item : browser.DeviceItems())
        listing.push_back({item.Name, item.IsFolder(), item.SizeBytes, item.ModifiedText});
      listed(listing);
    };
    Device->RefreshKeepingView(copied);
    JobRunner& jobs = ShellPtr->Jobs();
    if (!jobs.Busy()) return shown();
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = connect(&jobs, &JobRunner::BusyChanged, this, [this, once, shown](bool busy) {
      if (busy) return;
      QObject::disconnect(*once);
      // The runner tells the views it is idle before it hands the listing
      // over: the check goes on after that.
      QMetaObject::invokeMethod(this, shown, Qt::QueuedConnection);
    });
  };
  TransferDialogPresenter presenter(this);
  const TransferHost host{SelectedPort(), *Logged, *DialogService, presenter};
  (void)::CopyToDevice(host, request, *TellerService);
}

void MainWindow::RunInTerminal(const QString& text) {
  if (!Term->IsOn()) ToggleTerminal();
  if (!Term->IsOn()) return;
  for (QChar c : text) Term->KeyPress(c);
  Term->KeyPress(QLatin1Char('\r'));
}

bool MainWindow::ConfirmExit() {
  DialogService->Beep();
  return DialogService->AskYesNo(AppText::ExitQuestion());
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!ExitConfirmed && !ConfirmExit()) {
    event->ignore();
    return;
  }
  ExitConfirmed = true;
  Console->Flush();  // the last output stays in the memo as long as it lives
  event->accept();
}

void MainWindow::AskAndExit() {
  if (!ConfirmExit()) return;
  ExitConfirmed = true;  // the window closes without a second question
  close();
}

void MainWindow::ShowAbout() {
  AboutDialog about(this);
  about.exec();
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!PanesSized) {
    PanesSized = true;
    SizePanes();
  }
}

void MainWindow::SizePanes() {
  // The local pane takes 40 % of the width left beside the copy button and
  // the two splitter bars; the console a third of the height.
  const int buttonWidth = Form->pnlBtn->width();
  const int splitterWidth = Form->splLocalDevice->handleWidth();
  const int localWidth =
      static_cast<int>(kLocalShare * (width() - buttonWidth - 2 * splitterWidth));
  const int rest = std::max(0, width() - localWidth - splitterWidth);
  Form->splLocalDevice->setSizes({localWidth, rest});
  const int consoleHeight = height() / 3;
  const int upper = std::max(0, Form->splHori->height() - consoleHeight - Form->splHori->handleWidth());
  Form->splHori->setSizes({upper, consoleHeight});
}
