#include "remote/deviceitemmodel.h"

#include "items/paneitem.h"
#include "items/panestatus.h"
#include "remote/devicebrowser.h"

DeviceItemModel::DeviceItemModel(DeviceBrowser& browser, QObject* parent)
    : QAbstractTableModel(parent), Browser(browser) {
  connect(&Browser, &DeviceBrowser::ItemsAboutToReset, this, [this] { beginResetModel(); });
  connect(&Browser, &DeviceBrowser::ItemsReset, this, [this] { endResetModel(); });
  // A sort moves the same items: the views keep their selection and current
  // row on the items, wherever these went.
  connect(&Browser, &DeviceBrowser::ItemsAboutToSort, this,
          [this] { emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint); });
  connect(&Browser, &DeviceBrowser::ItemsSorted, this, &DeviceItemModel::MoveRows);
}

void DeviceItemModel::MoveRows(const QList<int>& newRows) {
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before) {
    const int row = newRows.value(index.row(), -1);
    after.append(row < 0 ? QModelIndex() : createIndex(row, index.column()));
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int DeviceItemModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Browser.ItemCount();
}

int DeviceItemModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QString DeviceItemModel::SizeCellText(bool folder, int64_t sizeBytes) {
  if (folder) return {};
  return QString::number(PaneItem::RoundUpKB(sizeBytes)) + QStringLiteral("KB");
}

QVariant DeviceItemModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
    return {};
  const int row = index.row();
  const PaneItem* item = Browser.DeviceItemAt(row);
  if (!item) return {};
  if (item->DetailsPending && (role == Qt::DisplayRole || role == Qt::DecorationRole)) {
    Browser.FillDeviceDetails(row, row);
  }
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case kName:
          return item->Name;
        case kSize:
          return SizeCellText(item->IsFolder(), item->SizeBytes);
        case kType:
          return item->TypeText;
        case kModified:
          return item->ModifiedText;
      }
      break;
    case Qt::DecorationRole:
      if (index.column() == kName && Icons) return Icons(item->IconIndex);
      break;
    case Qt::TextAlignmentRole:
      if (index.column() == kSize) return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
      break;
    case Qt::ToolTipRole:
      // The column shows KB; the tip gives the exact figure.
      if (index.column() == kSize && !item->IsFolder()) return PaneStatus::ExactSize(item->SizeBytes);
      break;
    default:
      break;
  }
  return {};
}

QVariant DeviceItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::TextAlignmentRole && section == kSize)
    return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole) return {};
  static const char* const kTitles[kColumnCount] = {"Name", "Size", "Type", "Modified"};
  return section >= 0 && section < kColumnCount ? QString::fromLatin1(kTitles[section])
                                                : QVariant();
}

Qt::ItemFlags DeviceItemModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}
