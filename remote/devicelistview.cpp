#include "remote/devicelistview.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QTreeView>
#include <algorithm>

namespace {
constexpr int kColumnWidths[] = {114, 49, 73, 163};
constexpr int kSmallIcon = 16;
constexpr int kLargeIcon = 32;
}  // namespace

DeviceListView::DeviceListView(QWidget* parent) : FolderView(parent) {
  auto* report = new QTreeView(this);
  report->setObjectName(QStringLiteral("lstviewTaloReport"));
  report->setRootIsDecorated(false);
  report->setItemsExpandable(false);
  report->setUniformRowHeights(true);
  report->setAllColumnsShowFocus(true);
  report->setSortingEnabled(false);
  report->header()->setSectionsClickable(true);
  report->header()->setSectionsMovable(false);
  report->header()->setStretchLastSection(false);
  report->setIconSize(QSize(kSmallIcon, kSmallIcon));
  connect(report->header(), &QHeaderView::sectionClicked, this, &DeviceListView::ColumnClicked);

  auto* icons = new QListView(this);
  icons->setObjectName(QStringLiteral("lstviewTaloIcons"));

  for (QAbstractItemView* view :
       {static_cast<QAbstractItemView*>(report), static_cast<QAbstractItemView*>(icons)})
    SetUpView(view);
  // Every cell wide enough for an 8.3 name: under its icon, or beside it.
  // The list style gets a grid too: its items are of one size, and without
  // one that is the first item's.
  const int underIcon = std::max(kLargeIcon * 3 + 16, ShortNameWidth(*icons, 0));
  const int besideIcon = std::max(kColumnWidths[0] + kSmallIcon, ShortNameWidth(*icons, kSmallIcon));
  SetViews(report, icons,
           {{{QListView::IconMode, QSize(kLargeIcon, kLargeIcon), QSize(underIcon, kLargeIcon * 2 + 8),
              QListView::LeftToRight},
             {QListView::ListMode, QSize(kSmallIcon, kSmallIcon), QSize(besideIcon, kSmallIcon + 6),
              QListView::LeftToRight},
             {QListView::ListMode, QSize(kSmallIcon, kSmallIcon), QSize(besideIcon, kSmallIcon + 6),
              QListView::TopToBottom}}});
}

void DeviceListView::SetUpView(QAbstractItemView* view) {
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  view->installEventFilter(this);
  view->viewport()->installEventFilter(this);
  view->viewport()->setAcceptDrops(true);
  connect(view, &QAbstractItemView::doubleClicked, this, [this] {
    const int row = SelectedRow();
    if (row >= 0) emit RowActivated(row);
  });
  connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& pos) {
    emit MenuRequested(view->viewport()->mapToGlobal(pos));
  });
}

void DeviceListView::SetModel(QAbstractItemModel* model) {
  ReportView()->setModel(model);
  IconView()->setModel(model);
  // One selection for all views, so a change of view keeps it.
  IconView()->setSelectionModel(ReportView()->selectionModel());
  for (int column = 0; column < 4; ++column)
    ReportView()->setColumnWidth(column, kColumnWidths[column]);
  ReportView()->setColumnWidth(
      0, std::max(kColumnWidths[0], ShortNameWidth(*ReportView(), kSmallIcon)));
}

QModelIndex DeviceListView::ScrollTarget() const {
  const int row = SelectedRow();
  return row >= 0 ? ReportView()->model()->index(row, 0) : QModelIndex();
}

int DeviceListView::SelectedRow() const {
  const QList<int> rows = SelectedRows();
  if (rows.size() < 2) return rows.value(0, -1);
  const int current = ReportView()->selectionModel()->currentIndex().row();
  return rows.contains(current) ? current : rows.first();
}

QList<int> DeviceListView::SelectedRows() const {
  QList<int> rows;
  if (!ReportView()->selectionModel()) return rows;
  for (const QModelIndex& index : ReportView()->selectionModel()->selectedRows())
    rows.append(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void DeviceListView::SelectRow(int row) {
  QItemSelectionModel* selection = ReportView()->selectionModel();
  if (!selection) return;
  const QModelIndex index = ReportView()->model()->index(row, 0);
  if (!index.isValid()) {
    selection->clearSelection();
    selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    return;
  }
  selection->setCurrentIndex(index,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  ActiveView()->scrollTo(index, QAbstractItemView::EnsureVisible);
}

void DeviceListView::ShowSort(const ListSort& sort) {
  ReportView()->header()->setSortIndicatorShown(true);
  ReportView()->header()->setSortIndicator(sort.Column, sort.Order());
}

QStringList DeviceListView::DroppedPaths(const QDropEvent& event) const {
  QStringList paths;
  const QObject* source = event.source();
  if (source && (source == ReportView() || source == IconView() ||
                 source == ReportView()->viewport() || source == IconView()->viewport()))
    return paths;
  const QMimeData* data = event.mimeData();
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths.append(url.toLocalFile());
  return paths;
}

bool DeviceListView::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      if (DroppedPaths(*drag).isEmpty()) {
        drag->ignore();
      } else {
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QStringList paths = DroppedPaths(*drop);
      if (paths.isEmpty()) {
        drop->ignore();
        return true;
      }
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      // The copy runs a modal dialog: not inside the drag's own event loop.
      QTimer::singleShot(0, this, [this, paths] { emit FilesDropped(paths); });
      return true;
    }
    default:
      break;
  }
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Backspace) {
      emit UpRequested();
      return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      const int row = SelectedRow();
      if (row >= 0) emit RowActivated(row);
      return true;
    }
    if (key->key() == Qt::Key_F5) {
      emit RefreshRequested();
      return true;
    }
    if (key->key() == Qt::Key_Delete) {
      emit DeleteRequested();
      return true;
    }
    if (key->key() == Qt::Key_F2) {
      emit RenameRequested();
      return true;
    }
  } else if (event->type() == QEvent::MouseButtonPress) {
    auto* view = qobject_cast<QAbstractItemView*>(watched->parent());
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (view && watched == view->viewport() &&
        !view->indexAt(mouse->position().toPoint()).isValid())
      SelectRow(-1);
  }
  return QStackedWidget::eventFilter(watched, event);
}
