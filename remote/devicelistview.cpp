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

DeviceListView::DeviceListView(QWidget* parent) : QStackedWidget(parent) {
  Report = new QTreeView(this);
  Report->setObjectName(QStringLiteral("lstviewTaloReport"));
  Report->setRootIsDecorated(false);
  Report->setItemsExpandable(false);
  Report->setUniformRowHeights(true);
  Report->setAllColumnsShowFocus(true);
  Report->setSortingEnabled(false);
  Report->header()->setSectionsClickable(true);
  Report->header()->setSectionsMovable(false);
  Report->header()->setStretchLastSection(false);
  Report->setIconSize(QSize(kSmallIcon, kSmallIcon));
  connect(Report->header(), &QHeaderView::sectionClicked, this, &DeviceListView::ColumnClicked);

  Icons = new QListView(this);
  Icons->setObjectName(QStringLiteral("lstviewTaloIcons"));
  Icons->setUniformItemSizes(true);
  Icons->setMovement(QListView::Static);
  Icons->setResizeMode(QListView::Adjust);
  Icons->setWrapping(true);

  for (QAbstractItemView* view :
       {static_cast<QAbstractItemView*>(Report), static_cast<QAbstractItemView*>(Icons)}) {
    SetUpView(view);
    addWidget(view);
  }
  setCurrentWidget(Report);
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
  Report->setModel(model);
  Icons->setModel(model);
  // One selection for all views, so a change of view keeps it.
  Icons->setSelectionModel(Report->selectionModel());
  for (int column = 0; column < 4; ++column) Report->setColumnWidth(column, kColumnWidths[column]);
}

QAbstractItemView* DeviceListView::ActiveView() const {
  return CurrentStyle == ViewStyle::Report ? static_cast<QAbstractItemView*>(Report)
                                           : static_cast<QAbstractItemView*>(Icons);
}

void DeviceListView::SetViewStyle(ViewStyle style) {
  CurrentStyle = style;
  switch (style) {
    case ViewStyle::LargeIcons:
      Icons->setViewMode(QListView::IconMode);
      Icons->setIconSize(QSize(kLargeIcon, kLargeIcon));
      // Wide enough for an 8.3 name under its icon.
      Icons->setGridSize(QSize(kLargeIcon * 3 + 16, kLargeIcon * 2 + 8));
      Icons->setFlow(QListView::LeftToRight);
      break;
    case ViewStyle::SmallIcons:
      Icons->setViewMode(QListView::ListMode);
      Icons->setIconSize(QSize(kSmallIcon, kSmallIcon));
      Icons->setGridSize(QSize(kColumnWidths[0] + kSmallIcon, kSmallIcon + 6));
      Icons->setFlow(QListView::LeftToRight);
      break;
    case ViewStyle::List:
      Icons->setViewMode(QListView::ListMode);
      Icons->setIconSize(QSize(kSmallIcon, kSmallIcon));
      Icons->setGridSize(QSize());
      Icons->setFlow(QListView::TopToBottom);
      break;
    case ViewStyle::Report:
      break;
  }
  if (style != ViewStyle::Report) Icons->setWrapping(true);
  QWidget* shown = ActiveView();
  const bool hadFocus = currentWidget() && currentWidget()->hasFocus();
  setCurrentWidget(shown);
  if (hadFocus) shown->setFocus();
  const int row = SelectedRow();
  if (row >= 0) ActiveView()->scrollTo(Report->model()->index(row, 0));
}

int DeviceListView::SelectedRow() const {
  const QList<int> rows = SelectedRows();
  if (rows.size() < 2) return rows.value(0, -1);
  const int current = Report->selectionModel()->currentIndex().row();
  return rows.contains(current) ? current : rows.first();
}

QList<int> DeviceListView::SelectedRows() const {
  QList<int> rows;
  if (!Report->selectionModel()) return rows;
  for (const QModelIndex& index : Report->selectionModel()->selectedRows())
    rows.append(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void DeviceListView::SelectRow(int row) {
  QItemSelectionModel* selection = Report->selectionModel();
  if (!selection) return;
  const QModelIndex index = Report->model()->index(row, 0);
  if (!index.isValid()) {
    selection->clearSelection();
    selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    return;
  }
  selection->setCurrentIndex(index,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  ActiveView()->scrollTo(index, QAbstractItemView::EnsureVisible);
}

void DeviceListView::ShowSortColumn(int column) {
  Report->header()->setSortIndicatorShown(true);
  Report->header()->setSortIndicator(column, Qt::AscendingOrder);
}

QStringList DeviceListView::DroppedPaths(const QDropEvent& event) const {
  QStringList paths;
  const QObject* source = event.source();
  if (source && (source == Report || source == Icons || source == Report->viewport() ||
                 source == Icons->viewport()))
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
