#include "remote/devicepane.h"

#include <QAbstractItemView>
#include <QActionGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>

#include "items/panestatus.h"
#include "link/jobs/jobrunner.h"
#include "link/shell/deviceshell.h"
#include "remote/deviceicons.h"
#include "remote/deviceitemmodel.h"
#include "remote/devicelistview.h"
#include "remote/devicetextfile.h"
#include "remote/devicetexts.h"
#include "remote/devicetextviewer.h"
#include "remote/propertiesdialog.h"
#include "ui_devicepane.h"
#include "widgets/toolicons.h"

namespace {

constexpr int kPortBoxWidth = 89;
constexpr int kObjectsPanelMinWidth = 150;
constexpr int kSizePanelMinWidth = 50;

QIcon ThemedIcon(const QWidget* widget, const char* name, QStyle::StandardPixmap fallback) {
  return ToolIcons::Themed(name, widget->style()->standardIcon(fallback));
}

}  // namespace

DevicePane::DevicePane(DeviceShell& shell, QWidget* parent)
    : QWidget(parent),
      Form(new Ui::DevicePane),
      BrowserPtr(std::make_unique<DeviceBrowser>(shell)),
      CommandsPtr(std::make_unique<DeviceFileCommands>(*BrowserPtr, shell)),
      Icons(std::make_unique<DeviceIcons>(BrowserPtr->TypeCatalog())) {
  Form->setupUi(this);
  setObjectName(QStringLiteral("pnlTalo"));
  ModelPtr = new DeviceItemModel(*BrowserPtr, this);
  ModelPtr->SetIconSource([this](int index) { return QVariant(Icons->IconAt(index)); });
  Form->lstviewTalo->SetModel(ModelPtr);

  BuildToolBar();
  BuildPortBox();
  BuildContextMenu();
  InstallShortcuts();

  StatusObjects = new QLabel(this);
  StatusObjects->setObjectName(QStringLiteral("stabarTaloPanel0"));
  StatusObjects->setMinimumWidth(kObjectsPanelMinWidth);
  StatusSize = new QLabel(this);
  StatusSize->setObjectName(QStringLiteral("stabarTaloPanel1"));
  StatusSize->setMinimumWidth(kSizePanelMinWidth);
  StatusSelection = new QLabel(this);
  StatusSelection->setObjectName(QStringLiteral("stabarTaloSelection"));
  Form->stabarTalo->addWidget(StatusObjects);
  Form->stabarTalo->addWidget(StatusSize, 1);
  Form->stabarTalo->addWidget(StatusSelection);
  btnCancel = new QPushButton(DeviceText::CancelCaption(), this);
  btnCancel->setObjectName(QStringLiteral("btnTaloCancel"));
  btnCancel->hide();
  Form->stabarTalo->addPermanentWidget(btnCancel);
  EscCancel = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  EscCancel->setContext(Qt::WindowShortcut);
  EscCancel->setEnabled(false);
  JobRunner& jobs = shell.Jobs();
  connect(btnCancel, &QPushButton::clicked, &jobs, &JobRunner::Cancel);
  connect(EscCancel, &QShortcut::activated, &jobs, &JobRunner::Cancel);
  connect(&jobs, &JobRunner::BusyChanged, this, &DevicePane::SetJobActive);
  // The pane is the top level of the device work it starts.
  const auto report = [&shell](const JobResult& result) { shell.Tell(result); };
  BrowserPtr->SetReport(report);
  CommandsPtr->SetReport(report);

  // The path box is a history to choose from; typing into it means nothing.
  Form->cbxTalo->installEventFilter(this);
  connect(Form->cbxTalo, &QComboBox::activated, this,
          [this](int index) { BrowserPtr->ChooseHistoryPath(Form->cbxTalo->itemText(index)); });

  ConnectBrowser();
  SetPropertiesView([this](const DeviceProperties& texts) {
    PropertiesDialog dialog(this);
    dialog.SetTexts(texts);
    dialog.exec();
  });
  SetTextView([this](const QString& name, const QByteArray& text,
                     const std::optional<QByteArray>& file) {
    auto* viewer = new DeviceTextViewer(name, text, file, BrowserPtr->Shell().Dialogs(),
                                        BrowserPtr->Shell().Teller(), this);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->show();
  });
}

DevicePane::~DevicePane() {
  // A job still running uses the browser's lister: stopped and joined
  // before the browser goes.
  BrowserPtr->Shell().Jobs().Abandon();
}

void DevicePane::BuildToolBar() {
  // The commands the local pane has too look the same in both panes.
  using ToolIcons::Kind;
  Form->tbtnTaloUp->setIcon(ToolIcons::For(Kind::Up));
  Form->tbtnRefresh->setIcon(ToolIcons::For(Kind::Refresh));
  Form->tbtnTaloLgIcon->setIcon(ToolIcons::For(Kind::LargeIcons));
  Form->tbtnTaloSmIcon->setIcon(ToolIcons::For(Kind::SmallIcons));
  Form->tbtnTaloLsIcon->setIcon(ToolIcons::For(Kind::List));
  Form->tbtnTaloDtIcon->setIcon(ToolIcons::For(Kind::Report));
  Form->tbtnTaloConf->setIcon(ThemedIcon(this, "preferences-system", QStyle::SP_ComputerIcon));
  Form->tbtnDOSCmd->setIcon(ThemedIcon(this, "utilities-terminal", QStyle::SP_CommandLink));
  Form->tbtnTCPConf->setIcon(ThemedIcon(this, "network-wired", QStyle::SP_DriveNetIcon));
  Form->tbtnGHOST->setIcon(ThemedIcon(this, "drive-harddisk", QStyle::SP_DriveHDIcon));

  auto* views = new QActionGroup(this);
  views->setExclusive(true);
  const std::pair<QAction*, FolderView::ViewStyle> styles[] = {
      {Form->tbtnTaloLgIcon, FolderView::ViewStyle::LargeIcons},
      {Form->tbtnTaloSmIcon, FolderView::ViewStyle::SmallIcons},
      {Form->tbtnTaloLsIcon, FolderView::ViewStyle::List},
      {Form->tbtnTaloDtIcon, FolderView::ViewStyle::Report}};
  for (const auto& [action, style] : styles) {
    views->addAction(action);
    connect(action, &QAction::triggered, this,
            [this, style = style] { Form->lstviewTalo->SetViewStyle(style); });
  }
  Form->tbtnTaloDtIcon->setChecked(true);

  connect(Form->tbtnTaloUp, &QAction::triggered, this, [this] { BrowserPtr->GoUp(); });
  connect(Form->tbtnRefresh, &QAction::triggered, this, &DevicePane::Refresh);

  // The tool bar never hides a button behind its overflow arrow (which
  // opens nothing outside a main window's tool bar area): the pane is never
  // narrower than the whole bar.
  Form->tlbarTalo->setMinimumWidth(Form->tlbarTalo->sizeHint().width());
}

void DevicePane::BuildPortBox() {
  // Beside the path box rather than at the end of the tool bar: whatever the
  // width of the window and the length of the port names, the box a new user
  // needs first stays in sight.
  auto* label = new QLabel(QStringLiteral("&Port:"), Form->pnlTaloCbx);
  label->setObjectName(QStringLiteral("lblCOM"));
  cbxCOM = new QComboBox(Form->pnlTaloCbx);
  cbxCOM->setObjectName(QStringLiteral("cbxCOM"));
  cbxCOM->setEditable(true);
  cbxCOM->setInsertPolicy(QComboBox::NoInsert);
  cbxCOM->setFixedWidth(kPortBoxWidth);
  label->setBuddy(cbxCOM);
  Form->layTaloCbx->addWidget(label);
  Form->layTaloCbx->addWidget(cbxCOM);
}

void DevicePane::BuildContextMenu() {
  ItemMenu = new QMenu(this);
  ItemMenu->setObjectName(QStringLiteral("PopupMenu2"));
  auto add = [](QMenu* menu, const char* caption, const char* name) {
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
  };
  ViewAction = add(ItemMenu, "&View", "View1");
  CopyToPcAction = add(ItemMenu, "Copy to &PC", "CopyToPC1");
  ItemMenu->addSeparator();
  MakeDirectoryAction = add(ItemMenu, "&Make Directory", "MakeDirectory1");
  ItemMenu->addSeparator();
  add(ItemMenu, "TALO Cop&y", "TALOCopy1")->setEnabled(false);
  add(ItemMenu, "TALO Pas&te", "TALOPaste1")->setEnabled(false);
  ItemMenu->addSeparator();
  DeleteAction = add(ItemMenu, "&Delete", "Delete1");
  RenameAction = add(ItemMenu, "&Rename", "Rename1");
  ItemMenu->addSeparator();
  QMenu* dos = ItemMenu->addMenu(QStringLiteral("D&OS command"));
  DosCommandAction = dos->menuAction();
  DosCommandAction->setObjectName(QStringLiteral("DOScommand1"));
  QAction* abort = add(dos, "&ABORT", "ABORT1");
  QAction* format = add(dos, "&FORMAT", "FORMAT1");
  QAction* mem = add(dos, "M&EM", "MEM1");
  QMenu* autorun = ItemMenu->addMenu(QStringLiteral("Set to &AutoRun"));
  SetToAutoRunAction = autorun->menuAction();
  SetToAutoRunAction->setObjectName(QStringLiteral("SetToAutoRun1"));
  QAction* talo = add(autorun, "Talo-7100", "Talo7100TCP1");
  ItemMenu->addSeparator();
  PropertiesAction = add(ItemMenu, "&Properities", "Properities1");
  ItemMenu->addSeparator();
  // Checked: the answers are read to their time-outs, as before quick
  // answers (ended at the prompt) became the default.
  QuickListingsAction = add(ItemMenu, "&Standard waits (answers read to their time-outs)", "StandardWaits1");
  QuickListingsAction->setCheckable(true);
  connect(QuickListingsAction, &QAction::toggled, this,
          [this](bool on) { BrowserPtr->Shell().SetQuickAnswers(!on); });

  DeviceFileCommands& commands = *CommandsPtr;
  connect(ViewAction, &QAction::triggered, this, [this] { ViewFile(SelectedIndex()); });
  connect(CopyToPcAction, &QAction::triggered, this,
          [this] { emit CopyToPcRequested(Form->lstviewTalo->SelectedRows()); });
  connect(MakeDirectoryAction, &QAction::triggered, this,
          [&commands] { commands.MakeDirectory(); });
  connect(DeleteAction, &QAction::triggered, this,
          [this, &commands] { commands.DeleteItems(Form->lstviewTalo->SelectedRows()); });
  connect(RenameAction, &QAction::triggered, this,
          [this, &commands] { commands.Rename(SelectedIndex()); });
  connect(abort, &QAction::triggered, this, [&commands] { commands.Abort(); });
  connect(format, &QAction::triggered, this, [&commands] { commands.Format(); });
  connect(mem, &QAction::triggered, this, [&commands] { commands.ShowMemory(); });
  connect(talo, &QAction::triggered, this,
          [this, &commands] { commands.SetAutoRun(SelectedIndex()); });
  connect(PropertiesAction, &QAction::triggered, this,
          [this, &commands] { commands.PropertiesOfItems(Form->lstviewTalo->SelectedRows()); });

  connect(Form->lstviewTalo, &DeviceListView::MenuRequested, this, [this](const QPoint& pos) {
    RefreshMenuItems();
    ItemMenu->exec(pos);
  });
  // The keys run the menu's entries under the menu's own rules (no rename of
  // a folder, nothing without a selection).
  const auto runIfEnabled = [this](QAction* action) {
    RefreshMenuItems();
    if (action->isEnabled() && SelectedIndex() >= 0) action->trigger();
  };
  connect(Form->lstviewTalo, &DeviceListView::DeleteRequested, this,
          [this, runIfEnabled] { runIfEnabled(DeleteAction); });
  connect(Form->lstviewTalo, &DeviceListView::RenameRequested, this,
          [this, runIfEnabled] { runIfEnabled(RenameAction); });
  connect(Form->lstviewTalo, &DeviceListView::RefreshRequested, this, &DevicePane::Refresh);
}

void DevicePane::ConnectBrowser() {
  DeviceBrowser& browser = *BrowserPtr;
  DeviceListView* list = Form->lstviewTalo;
  connect(&browser, &DeviceBrowser::SelectRequested, list, &DeviceListView::SelectRow);
  connect(&browser, &DeviceBrowser::ItemsReset, list, [this, list, &browser] {
    list->ShowSort(browser.SortedBy());
    ShowSelectionSummary();
  });
  connect(list->ReportView()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &DevicePane::ShowSelectionSummary);
  connect(&browser, &DeviceBrowser::ItemsSorted, list, [list, &browser] {
    list->ShowSort(browser.SortedBy());
    // The item the user was on stays in sight wherever the sort put it.
    QAbstractItemView* view = list->ActiveView();
    if (view->currentIndex().isValid()) view->scrollTo(view->currentIndex());
  });
  connect(&browser, &DeviceBrowser::StatusChanged, this, &DevicePane::UpdateStatusBar);
  connect(&browser, &DeviceBrowser::PathShown, this, &DevicePane::UpdatePathBox);
  connect(&browser, &DeviceBrowser::FreeSpaceCaptionChanged, StatusSize, &QLabel::setText);
  connect(&browser, &DeviceBrowser::RunProgramRequested, this, &DevicePane::RunProgramRequested);

  connect(list, &DeviceListView::RowActivated, this, [this](int index) {
    const PaneItem* item = BrowserPtr->DeviceItemAt(index);
    if (item && !item->IsFolder() && DeviceTextFile::OpensInViewer(item->Name))
      ViewFile(index);
    else
      BrowserPtr->OpenItem(index);
  });
  connect(list, &DeviceListView::UpRequested, &browser, &DeviceBrowser::GoUp);
  connect(list, &DeviceListView::ColumnClicked, &browser, &DeviceBrowser::SortByColumn);
}

void DevicePane::ShowSelectionSummary() {
  int64_t bytes = 0;
  const QList<int> rows = Form->lstviewTalo->SelectedRows();
  for (const int row : rows)
    if (const PaneItem* item = BrowserPtr->DeviceItemAt(row)) bytes += item->SizeBytes;
  StatusSelection->setText(PaneStatus::SelectionSummary(rows.size(), bytes));
}

int DevicePane::SelectedIndex() const { return Form->lstviewTalo->SelectedRow(); }

const PaneItem* DevicePane::SelectedItem() const {
  return BrowserPtr->DeviceItemAt(SelectedIndex());
}

QAction* DevicePane::TerminalAction() const { return Form->tbtnDOSCmd; }
DeviceListView* DevicePane::ListView() const { return Form->lstviewTalo; }

void DevicePane::SetPropertiesView(DeviceFileCommands::PropertiesView view) {
  CommandsPtr->SetPropertiesView(std::move(view));
}

void DevicePane::ViewFile(int index) {
  DeviceShell& shell = BrowserPtr->Shell();
  const PaneItem* item = BrowserPtr->DeviceItemAt(index);
  const int64_t size = item ? item->SizeBytes : -1;
  (void)DeviceTextFile::ViewItem(
      *BrowserPtr, index,
      [this, &shell, size](const QString& name, const DeviceTextFile::TextRead& read) {
        shell.Tell(read.Result);
        if (read.Result.Ok() && ShowText)
          ShowText(name, read.Text, DeviceTextFile::FileBytes(read.Typed, size));
      });
}

void DevicePane::InstallShortcuts() {
  // The context menu offers Make Directory on the empty part of the list
  // only; from the menu bar and its key a new folder can be made whatever
  // is selected.
  NewFolderAction = new QAction(QStringLiteral("&New Folder..."), this);
  NewFolderAction->setObjectName(QStringLiteral("NewFolder1"));
  connect(NewFolderAction, &QAction::triggered, this, [this] { CommandsPtr->MakeDirectory(); });
  // Keys of the pane's own commands, shown wherever the actions are (the
  // window's menu bar too) and taken while the focus is in this pane: the
  // PC pane has the same keys for its own files.
  const std::pair<QAction*, QKeySequence> keys[] = {
      {Form->tbtnRefresh, QKeySequence(Qt::Key_F5)},
      {Form->tbtnTaloUp, QKeySequence(Qt::ALT | Qt::Key_Up)},
      {DeleteAction, QKeySequence(Qt::Key_Delete)},
      {RenameAction, QKeySequence(Qt::Key_F2)},
      {NewFolderAction, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
      {PropertiesAction, QKeySequence(Qt::ALT | Qt::Key_Return)},
  };
  for (const auto& [action, key] : keys) {
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(action);
  }
  // A key acts only where the menu would offer the command.
  connect(Form->lstviewTalo->ReportView()->selectionModel(), &QItemSelectionModel::selectionChanged,
          this, &DevicePane::RefreshMenuItems);
  connect(&*BrowserPtr, &DeviceBrowser::ItemsReset, this, &DevicePane::RefreshMenuItems);
  RefreshMenuItems();
}

void DevicePane::RefreshMenuItems() {
  if (!ViewAction) return;  // before the menu is built
  // Nothing starts beside a job, or while the terminal holds the port.
  const bool free = !TerminalOn && !JobOn;
  DosCommandAction->setEnabled(free);
  const PaneItem* selected = SelectedItem();
  ViewAction->setEnabled(free && selected && !selected->IsFolder() &&
                         Form->lstviewTalo->SelectedRows().size() == 1);
  CopyToPcAction->setEnabled(free && selected != nullptr);
  const DeviceMenuState state = BrowserPtr->PopupMenuState(Form->lstviewTalo->SelectedRows());
  MakeDirectoryAction->setEnabled(free && state.MakeDirectory);
  if (NewFolderAction) NewFolderAction->setEnabled(free && !BrowserPtr->DevicePath().isEmpty());
  DeleteAction->setEnabled(free && state.Delete);
  RenameAction->setEnabled(free && state.Rename);
  SetToAutoRunAction->setEnabled(free && state.SetToAutoRun);
  PropertiesAction->setEnabled(free && state.Properties);
  QuickListingsAction->setChecked(!BrowserPtr->Shell().QuickAnswers());
}

void DevicePane::PortChanged() { BrowserPtr->PortChanged(); }

void DevicePane::ListRootAtStart() { BrowserPtr->ListRootQuietly(); }

void DevicePane::SetTerminalActive(bool on) {
  TerminalOn = on;
  UpdateControls();
}

void DevicePane::SetJobActive(bool on) {
  JobOn = on;
  UpdateControls();
  // Over the device pane only: the local pane and the console stay usable.
  if (on)
    setCursor(Qt::WaitCursor);
  else
    unsetCursor();
  btnCancel->setVisible(on);
  EscCancel->setEnabled(on);
}

void DevicePane::UpdateControls() {
  const bool enabled = !TerminalOn && !JobOn;
  // The terminal would take the port from a running job.
  Form->tbtnDOSCmd->setEnabled(!JobOn);
  for (QAction* action : {Form->tbtnTaloConf, Form->tbtnTaloUp, Form->tbtnRefresh,
                          Form->tbtnTaloLgIcon, Form->tbtnTaloSmIcon, Form->tbtnTaloLsIcon,
                          Form->tbtnTaloDtIcon, Form->tbtnTCPConf, Form->tbtnGHOST})
    action->setEnabled(enabled);
  cbxCOM->setEnabled(enabled);
  Form->cbxTalo->setEnabled(enabled);
  Form->lstviewTalo->setEnabled(enabled);
  RefreshMenuItems();
}

void DevicePane::RefreshKeepingView(const QString& selectName) {
  BrowserPtr->RefreshSelecting(selectName);
}

void DevicePane::RelistAfterTerminal() {
  if (BrowserPtr->DevicePath().isEmpty()) return;
  const PaneItem* selected = SelectedItem();
  BrowserPtr->RefreshKeepingItem(selected ? selected->Name : QString());
}

void DevicePane::Refresh() { BrowserPtr->Refresh(); }

void DevicePane::UpdatePathBox(const QString& path) {
  QComboBox* box = Form->cbxTalo;
  const QSignalBlocker blocker(box);
  const QStringList& history = BrowserPtr->PathHistory();
  if (box->count() != history.size()) {
    box->clear();
    box->addItems(history);
  }
  const int index = box->findText(path, Qt::MatchFixedString);  // case-insensitive
  box->setCurrentIndex(index);
}

void DevicePane::UpdateStatusBar() {
  StatusObjects->setText(BrowserPtr->ObjectsText());
  StatusSize->setText(BrowserPtr->SizeStatusText());
}

void DevicePane::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  StatusObjects->setFixedWidth(std::max(width() / 3, 1));
}

bool DevicePane::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Form->cbxTalo && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!key->text().isEmpty() && key->text().at(0).isPrint()) return true;
  }
  return QWidget::eventFilter(watched, event);
}
