#include "local/localpane.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTreeView>
#include <algorithm>

#include "items/panestatus.h"
#include "link/busycursor.h"
#include "link/silentdialogs.h"
#include "local/localcontextmenu.h"
#include "local/localitemdelegate.h"
#include "local/localmessages.h"
#include "local/themeiconprovider.h"
#include "ui_localpane.h"
#include "widgets/toolicons.h"

namespace {

const int kColumnWidths[] = {114, 49, 73, 163};
constexpr int kStatusCountWidth = 150;
constexpr int kStatusTotalWidth = 100;

bool IsEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

}  // namespace

LocalPane::LocalPane(QWidget* parent) : LocalPane(LocalNamespace(), parent) {}

LocalPane::LocalPane(LocalNamespace places, QWidget* parent)
    : QWidget(parent),
      Form(std::make_unique<Ui::LocalPane>()),
      IconSource(std::make_unique<ThemeIconProvider>()),
      FallbackDialogs(std::make_unique<SilentDialogs>()),
      Model(new LocalFolderModel(std::move(places), this)),
      Menu(std::make_unique<LocalContextMenu>(*this)) {
  Form->setupUi(this);
  Model->SetIconProvider(IconSource.get());
  SetUpToolBar();
  SetUpViews();
  SetUpStatusBar();

  connect(Form->cbxLocal, qOverload<int>(&QComboBox::activated), this, [this] { PlaceChosen(); });
  Form->cbxLocal->installEventFilter(this);
  Form->cbxLocal->lineEdit()->installEventFilter(this);
}

LocalPane::~LocalPane() = default;

void LocalPane::SetDialogs(UserDialogs* dialogs, ResultTeller* teller) {
  UserDialogsPtr = dialogs;
  TellerPtr = teller;
}

void LocalPane::SetUrlOpener(std::function<bool(const QUrl&)> opener) { Menu->SetUrlOpener(std::move(opener)); }

UserDialogs& LocalPane::Dialogs() const { return UserDialogsPtr ? *UserDialogsPtr : *FallbackDialogs; }

ResultTeller& LocalPane::Teller() const { return TellerPtr ? *TellerPtr : *FallbackDialogs; }

void LocalPane::SetUpToolBar() {
  using ToolIcons::Kind;
  Form->tbtnLocalOpenDir->setIcon(ToolIcons::For(Kind::OpenDir));
  Form->tbtnLocalUp->setIcon(ToolIcons::For(Kind::Up));
  Form->tbtnLocalRefresh->setIcon(ToolIcons::For(Kind::Refresh));
  Form->tbtnLocalLgIcon->setIcon(ToolIcons::For(Kind::LargeIcons));
  Form->tbtnLocalSmIcon->setIcon(ToolIcons::For(Kind::SmallIcons));
  Form->tbtnLocalLsIcon->setIcon(ToolIcons::For(Kind::List));
  Form->tbtnLocalDtIcon->setIcon(ToolIcons::For(Kind::Report));

  connect(Form->tbtnLocalOpenDir, &QAction::triggered, this, [this] { ChooseFolder(); });
  connect(Form->tbtnLocalUp, &QAction::triggered, this, [this] { GoUp(); });
  connect(Form->tbtnLocalRefresh, &QAction::triggered, this, [this] { RefreshFolder(); });
  connect(Form->tbtnLocalLgIcon, &QAction::triggered, this, [this] { SetViewStyle(ViewStyle::LargeIcons); });
  connect(Form->tbtnLocalSmIcon, &QAction::triggered, this, [this] { SetViewStyle(ViewStyle::SmallIcons); });
  connect(Form->tbtnLocalLsIcon, &QAction::triggered, this, [this] { SetViewStyle(ViewStyle::List); });
  connect(Form->tbtnLocalDtIcon, &QAction::triggered, this, [this] { SetViewStyle(ViewStyle::Report); });
}

void LocalPane::SetUpViews() {
  QTreeView* report = Form->lstviewLocalReport;
  QListView* icons = Form->lstviewLocalIcons;
  report->setModel(Model);
  icons->setModel(Model);
  // One selection for both views, so switching keeps what the user picked.
  Selection = new QItemSelectionModel(Model, this);
  report->setSelectionModel(Selection);
  icons->setSelectionModel(Selection);
  connect(Selection, &QItemSelectionModel::selectionChanged, this, &LocalPane::SelectionChanged);

  // Files are dragged out (onto the device list, or another program), but
  // nothing is dropped here: a drag within this pane does nothing.
  for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(report), static_cast<QAbstractItemView*>(icons)}) {
    view->setDragEnabled(true);
    view->setDragDropMode(QAbstractItemView::DragOnly);
    view->setDefaultDropAction(Qt::CopyAction);
  }

  report->setItemDelegate(new LocalItemDelegate(report));
  IconsDelegate = new LocalItemDelegate(icons);
  icons->setItemDelegate(IconsDelegate);

  QHeaderView* header = report->header();
  header->setStretchLastSection(false);
  header->setSectionsMovable(false);
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(LocalFolderModel::kNameColumn, Qt::AscendingOrder);
  for (int column = 0; column < LocalFolderModel::kColumnCount; ++column)
    header->resizeSection(column, kColumnWidths[column]);
  header->resizeSection(LocalFolderModel::kNameColumn,
                        std::max(kColumnWidths[0], FolderView::ShortNameWidth(*report, 16)));
  connect(header, &QHeaderView::sectionClicked, this, [this](int column) { SortByColumn(column); });

  for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(report), static_cast<QAbstractItemView*>(icons)}) {
    connect(view, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { OpenItem(index); });
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint& position) { Menu->Popup(view->viewport()->mapToGlobal(position)); });
    view->installEventFilter(this);
  }
  // Small icons run in rows, the list in columns.
  // Wide enough for an 8.3 name under or beside its icon; longer PC names wrap.
  const int underIcon = std::max(96, FolderView::ShortNameWidth(*icons, 0));
  const int besideIcon = std::max(180, FolderView::ShortNameWidth(*icons, 16));
  Form->lstviewLocal->SetViews(
      report, icons,
      {{{QListView::IconMode, QSize(32, 32), QSize(underIcon, 72), QListView::LeftToRight, true},
        {QListView::ListMode, QSize(16, 16), QSize(besideIcon, 22), QListView::LeftToRight, false},
        {QListView::ListMode, QSize(16, 16), QSize(besideIcon, 22), QListView::TopToBottom, false}}});
}

void LocalPane::SetUpStatusBar() {
  StatusCount = new QLabel(Form->stabarLocal);
  StatusCount->setObjectName(QStringLiteral("stabarLocalPanel0"));
  StatusCount->setFixedWidth(kStatusCountWidth);
  StatusTotal = new QLabel(Form->stabarLocal);
  StatusTotal->setObjectName(QStringLiteral("stabarLocalPanel1"));
  StatusTotal->setMinimumWidth(kStatusTotalWidth);
  StatusSelection = new QLabel(Form->stabarLocal);
  StatusSelection->setObjectName(QStringLiteral("stabarLocalSelection"));
  Form->stabarLocal->addWidget(StatusCount);
  Form->stabarLocal->addWidget(StatusTotal, 1);
  Form->stabarLocal->addWidget(StatusSelection);
  connect(this, &LocalPane::SelectionChanged, this, &LocalPane::ShowSelectionSummary);
}

void LocalPane::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // stabarLocalResize: the count panel takes a third of the pane.
  StatusCount->setFixedWidth(width() / 3);
}

// ---- Opening folders -------------------------------------------------------

bool LocalPane::Start() {
  Form->tbtnLocalDtIcon->setChecked(true);
  SetViewStyle(ViewStyle::Report);
  const bool opened = OpenFolder(Model->ComputerId());
  FocusPathBox();
  return opened;
}

bool LocalPane::OpenPath(const QString& text) {
  return Navigate([&] { return Model->OpenPath(text); });
}

bool LocalPane::OpenFolder(const QString& id) {
  return Navigate([&] { return Model->OpenFolder(id); });
}

bool LocalPane::Navigate(const std::function<LocalFolderModel::OpenResult()>& open) {
  LocalFolderModel::OpenResult result;
  {
    BusyCursor busy(Dialogs());
    // No repaint of a half-filled list.
    Form->lstviewLocal->setUpdatesEnabled(false);
    result = open();
    if (result.Ok) ShowOpened(result);
    Form->lstviewLocal->setUpdatesEnabled(true);
  }
  if (!result.Ok) {
    Teller().Tell(JobResult::Failed(result.Error));
    return false;
  }
  emit FolderOpened(Model->CurrentId());
  return true;
}

void LocalPane::ShowOpened(const LocalFolderModel::OpenResult& result) {
  QComboBox* box = Form->cbxLocal;
  {
    const QSignalBlocker quiet(box);
    if (result.HistoryAdded) box->insertItem(0, Model->PathText(), Model->CurrentId());
    box->setCurrentIndex(result.HistoryIndex);
    box->setEditText(Model->PathText());
  }
  if (result.SelectRow >= 0) {
    const QModelIndex row = Model->index(result.SelectRow, LocalFolderModel::kNameColumn);
    Selection->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ActiveView()->scrollTo(row, QAbstractItemView::EnsureVisible);
  }
  StatusCount->setText(Model->CountText());
  StatusTotal->setText(Model->TotalText());
  Form->lstviewLocalReport->header()->setSortIndicator(Model->SortedBy().Column,
                                                       Model->SortedBy().Order());
  // Up has nowhere to go from the computer location.
  Form->tbtnLocalUp->setEnabled(!Model->ParentId().isEmpty());
}

void LocalPane::ClearSelection() { Selection->clearSelection(); }

void LocalPane::RefreshAfterCommand() {
  // After a command: re-read (in the user's order) with the same row selected.
  Model->SetNextSelectIndex(Model->MenuItemIndex());
  OpenFolder(Model->CurrentId());
}

void LocalPane::FocusPathBox() {
  Form->cbxLocal->setFocus();
  Form->cbxLocal->lineEdit()->selectAll();
}

std::vector<int> LocalPane::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : Selection->selectedRows(LocalFolderModel::kNameColumn))
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void LocalPane::ShowSelectionSummary() {
  int64_t bytes = 0;
  const std::vector<int> rows = SelectedRows();
  for (const int row : rows) bytes += Model->ItemAt(row).SizeBytes;
  StatusSelection->setText(PaneStatus::SelectionSummary(static_cast<qsizetype>(rows.size()), bytes));
}

std::vector<LocalPane::SelectedItem> LocalPane::SelectedItems() const {
  std::vector<SelectedItem> items;
  for (const int row : SelectedRows()) {
    const PaneItem& item = Model->ItemAt(row);
    items.push_back({Model->FullPath(row), item.IsFolder(), item.SizeBytes});
  }
  return items;
}

// ---- Views -----------------------------------------------------------------

QAbstractItemView* LocalPane::ActiveView() const { return Form->lstviewLocal->ActiveView(); }

LocalPane::ViewStyle LocalPane::CurrentViewStyle() const { return Form->lstviewLocal->Style(); }

void LocalPane::SetViewStyle(ViewStyle style) {
  switch (style) {
    case ViewStyle::LargeIcons:
      Form->tbtnLocalLgIcon->setChecked(true);
      IconsDelegate->SetItemSize(QSize(92, 68));
      break;
    case ViewStyle::SmallIcons:
    case ViewStyle::List:
      (style == ViewStyle::List ? Form->tbtnLocalLsIcon : Form->tbtnLocalSmIcon)->setChecked(true);
      IconsDelegate->SetItemSize(QSize(176, 20));
      break;
    case ViewStyle::Report:
      Form->tbtnLocalDtIcon->setChecked(true);
      break;
  }
  Form->lstviewLocal->SetViewStyle(style);
}

// ---- Handlers ----------------------------------------------------------------

void LocalPane::GoUp() {
  const QString parent = Model->ParentId();
  // The root has no parent: from the computer location nothing happens.
  if (parent.isEmpty()) return;
  const QString child = Model->CurrentId();
  if (!OpenFolder(parent)) return;
  ClearSelection();
  // Nothing selected, but the keyboard carries on from the folder we left.
  const int row = Model->RowOf(child);
  if (row < 0) return;
  const QModelIndex index = Model->index(row, LocalFolderModel::kNameColumn);
  Selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  ActiveView()->scrollTo(index);
}

void LocalPane::RefreshFolder() {
  if (OpenFolder(Model->CurrentId())) ClearSelection();
}

void LocalPane::ChooseFolder() {
  const QString current = Model->CurrentId();
  const QString start = current.startsWith(QLatin1Char('/')) ? current : Model->Namespace().HomeId();
  const std::optional<QString> chosen = Dialogs().ChooseFolder(LocalMessages::kSelectDirectory, start);
  if (chosen && !chosen->isEmpty()) OpenPath(*chosen);
}

void LocalPane::PlaceChosen() {
  const QString text = Form->cbxLocal->currentText();
  if (text.trimmed().isEmpty()) return;
  const int entry = Model->FindHistory(text);
  if (entry >= 0)
    OpenFolder(Model->History()[static_cast<size_t>(entry)].Id);
  else
    OpenPath(text);
}

void LocalPane::OpenItem(const QModelIndex& index) {
  if (!index.isValid() || !Model->ItemAt(index.row()).IsFolder()) return;
  if (OpenFolder(Model->FullPath(index.row()))) ClearSelection();
}

void LocalPane::SortByColumn(int column) { SetSortOrder(Model->SortOrder().Clicked(column)); }

void LocalPane::SetSortOrder(const ListSort& sort) {
  Model->SetSortOrder(sort);
  if (!Model->CurrentId().isEmpty()) OpenFolder(Model->CurrentId());
}

bool LocalPane::ListKeyDown(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Backspace || (key == Qt::Key_Up && event->modifiers() == Qt::AltModifier)) {
    GoUp();
    return true;
  }
  if (IsEnter(key)) {
    const std::vector<int> rows = SelectedRows();
    if (!rows.empty()) OpenItem(Model->index(rows.front(), 0));
    return true;
  }
  if (key == Qt::Key_F5) {
    RefreshFolder();
    return true;
  }
  if (key == Qt::Key_F2 && !SelectedRows().empty()) {
    RunMenuCommand(MenuCommand::Rename);
    return true;
  }
  if (key == Qt::Key_Delete && !SelectedRows().empty()) {
    RunMenuCommand(MenuCommand::Delete);
    return true;
  }
  return false;
}

bool LocalPane::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (watched == Form->cbxLocal || watched == Form->cbxLocal->lineEdit()) {
    // The down arrow drops the history down rather than stepping through it.
    if (key->key() == Qt::Key_Down && !(key->modifiers() & Qt::AltModifier)) {
      Form->cbxLocal->showPopup();
      return true;
    }
    // Enter opens what was typed; the box's own handling would pick a
    // history entry by similar text and open a second time.
    if (IsEnter(key->key())) {
      PlaceChosen();
      return true;
    }
    return false;
  }
  if (watched == Form->lstviewLocalReport || watched == Form->lstviewLocalIcons) return ListKeyDown(key);
  return QWidget::eventFilter(watched, event);
}

void LocalPane::RunMenuCommand(MenuCommand command) { Menu->Run(command); }
