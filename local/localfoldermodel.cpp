#include "local/localfoldermodel.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <numeric>
#include <sys/stat.h>

#include "items/datesettings.h"
#include "items/panestatus.h"
#include "local/itemorder.h"
#include "local/localiconprovider.h"
#include "local/localmessages.h"

namespace {

const char* const kColumnTitles[] = {"Name", "Size", "Type", "Modified"};

bool IsSystemMode(uint32_t mode) {
  return S_ISCHR(mode) || S_ISBLK(mode) || S_ISSOCK(mode) || S_ISFIFO(mode);
}

// Dot-files never show up in a listing, but a typed path can lead into a
// hidden folder; its items are then marked hidden.
bool IsHiddenPath(const QString& path) {
  return path.startsWith(QLatin1Char('.')) || path.contains(QLatin1String("/."));
}

}  // namespace

LocalFolderModel::LocalFolderModel(QObject* parent) : LocalFolderModel(LocalNamespace(), parent) {}

LocalFolderModel::LocalFolderModel(LocalNamespace places, QObject* parent)
    : QAbstractTableModel(parent), Places(std::move(places)) {}

LocalFolderModel::~LocalFolderModel() = default;

void LocalFolderModel::SetIconProvider(LocalIconProvider* provider) {
  Icons = provider;
  IconCache.clear();
  if (!Rows.empty()) emit dataChanged(index(0, kNameColumn), index(ItemCount() - 1, kNameColumn));
}

int LocalFolderModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ItemCount();
}

int LocalFolderModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant LocalFolderModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
  if (role == Qt::DisplayRole) return QString::fromLatin1(kColumnTitles[section]);
  if (role == Qt::TextAlignmentRole && section == kSizeColumn)
    return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
  return {};
}

QVariant LocalFolderModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const int row = index.row();
  const int column = index.column();
  const PaneItem& item = Rows[static_cast<size_t>(row)].Item;

  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      // The name is known from the listing; the other columns are details.
      if (column == kNameColumn) return item.Name;
      EnsureDetails(row);
      if (column == kSizeColumn) return SizeText(item);
      if (column == kTypeColumn) return item.TypeText;
      return item.ModifiedText;
    case Qt::DecorationRole:
      if (column != kNameColumn) return {};
      EnsureDetails(row);
      return IconFor(item.IconIndex);
    case Qt::TextAlignmentRole:
      if (column == kSizeColumn) return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
      return {};
    case Qt::ToolTipRole:
      // The size column shows KB; the tip gives the exact figure.
      if (column == kSizeColumn) return item.Folder ? QVariant() : PaneStatus::ExactSize(item.SizeBytes);
      if (column != kNameColumn) return {};
      return FullPath(row);
    case kAttributeRole:
      EnsureDetails(row);
      return item.AttributeBits;
    case kFolderRole:
      return item.Folder;
    case kPathRole:
      return FullPath(row);
    default:
      return {};
  }
}

QString LocalFolderModel::SizeText(const PaneItem& item) {
  if (item.Folder) return {};
  return QString::number(item.SizeKB) + QStringLiteral("KB");
}

QString LocalFolderModel::FullPath(int row) const {
  return Places.DisplayNameOf(LocalNamespace::JoinIds(Current, ItemAt(row).RelativeId), true);
}

Qt::ItemFlags LocalFolderModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags result = QAbstractTableModel::flags(index);
  if (index.isValid()) result |= Qt::ItemIsDragEnabled;
  return result;
}

QStringList LocalFolderModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

QMimeData* LocalFolderModel::mimeData(const QModelIndexList& indexes) const {
  // One URL per row, in row order, whatever columns the view hands in.
  std::vector<int> rows;
  for (const QModelIndex& index : indexes)
    if (index.isValid() && std::find(rows.begin(), rows.end(), index.row()) == rows.end())
      rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  QList<QUrl> urls;
  for (const int row : rows) {
    const QString path = FullPath(row);
    if (QFileInfo(path).isAbsolute() && QFileInfo::exists(path)) urls.append(QUrl::fromLocalFile(path));
  }
  if (urls.isEmpty()) return nullptr;
  auto* data = new QMimeData;
  data->setUrls(urls);
  return data;
}

int LocalFolderModel::RowOf(const QString& absoluteId) const {
  for (int row = 0; row < ItemCount(); ++row)
    if (LocalNamespace::JoinIds(Current, Rows[static_cast<size_t>(row)].Item.RelativeId) == absoluteId) return row;
  return -1;
}

int LocalFolderModel::FindHistory(const QString& text) const {
  for (size_t i = 0; i < PathHistory.size(); ++i)
    if (PathHistory[i].Text == text) return static_cast<int>(i);
  return -1;
}

LocalFolderModel::OpenResult LocalFolderModel::OpenPath(const QString& text) {
  const LocalNamespace::Resolved resolved = Places.Resolve(text, Current);
  if (!resolved.Ok) return {false, resolved.Error};
  return OpenFolder(resolved.Id);
}

LocalFolderModel::OpenResult LocalFolderModel::OpenFolder(const QString& id) {
  OpenResult result;
  // 1. The identifier must name a folder; otherwise nothing changes.
  const LocalNamespace::Resolved bound = Places.Bind(id);
  if (!bound.Ok) {
    result.Error = bound.Error;
    return result;
  }
  // 2-4. Read it; on failure the old list stays.
  QString error;
  if (!FillItems(id, error)) {
    NextSelect = 0;
    result.Error = error;
    return result;
  }
  // 5. The path text: a name for the special locations, else the path.
  const bool special = id.isEmpty() || id == LocalNamespace::ComputerId();
  CurrentText = Places.DisplayNameOf(id, !special);
  // 6. History without duplicates, newest at the top.
  result.HistoryIndex = FindHistory(CurrentText);
  if (result.HistoryIndex < 0) {
    PathHistory.insert(PathHistory.begin(), HistoryEntry{CurrentText, id});
    result.HistoryIndex = 0;
    result.HistoryAdded = true;
  }
  // 7. The row to select, clamped to the list.
  if (!Rows.empty()) result.SelectRow = std::clamp(NextSelect, 0, ItemCount() - 1);
  // 8.
  NextSelect = 0;
  result.Ok = true;
  return result;
}

bool LocalFolderModel::FillItems(const QString& id, QString& error) {
  LocalNamespace::Listing listing = Places.Enumerate(id);
  if (!listing.Ok) {
    error = listing.Error;
    return false;
  }

  beginResetModel();
  Current = id;
  Rows.clear();
  Rows.reserve(listing.Items.size());
  TotalBytes = 0;
  for (ListedItem& listed : listing.Items) {
    Row row;
    row.Item.RelativeId = std::move(listed.RelativeId);
    row.Item.Name = std::move(listed.Name);
    row.Item.Folder = listed.Folder;
    row.Item.DetailsPending = true;
    // Sizes come with the listing, so totals and copies never depend on
    // which rows happened to be shown.
    row.Item.SizeBytes = listed.Find.Size;
    row.Item.SizeKB = PaneItem::RoundUpKB(listed.Find.Size);
    row.Find = listed.Find;
    row.Place = listed.Place;
    row.PlaceKind = listed.PlaceKind;
    TotalBytes += listed.Find.Size;
    Rows.push_back(std::move(row));
  }
  SortRows(Sort);
  endResetModel();
  return true;
}

void LocalFolderModel::SetSortOrder(const ListSort& sort) {
  Sort = {std::clamp(sort.Column, 0, kColumnCount - 1), sort.Descending};
}

void LocalFolderModel::SortRows(const ListSort& sort) {
  Sorted = sort;
  std::vector<ItemOrder::Key> keys(Rows.size());
  for (size_t i = 0; i < Rows.size(); ++i) {
    const Row& row = Rows[i];
    keys[i] = {row.Item.Folder, &row.Item.Name, row.Find.Size,
               Sorted.Column == kTypeColumn ? &TypeOf(row).TypeText : nullptr, row.Find.ModifiedMs};
  }
  std::vector<size_t> order(Rows.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return ItemOrder::Less(keys[a], keys[b], Sorted.Column, Sorted.Descending); });
  std::vector<Row> sorted;
  sorted.reserve(Rows.size());
  for (size_t i : order) sorted.push_back(std::move(Rows[i]));
  Rows = std::move(sorted);
}

void LocalFolderModel::ClearItems() {
  beginResetModel();
  Rows.clear();
  TotalBytes = 0;
  endResetModel();
}

const FileTypes::Type& LocalFolderModel::TypeOf(const Row& row) const {
  if (row.Place) return Types.ForPlace(row.PlaceKind);
  if (row.Item.Folder) return Types.ForFolder();
  return Types.ForFile(row.Item.Name, row.Find.Mode);
}

void LocalFolderModel::FillRowDetails(Row& row) const {
  PaneItem& item = row.Item;
  // 1. The absolute identifier.
  item.AbsoluteId = LocalNamespace::JoinIds(Current, item.RelativeId);
  // A network place was not stat'ed while listing; do it now for its row.
  if (row.Place && !row.Find.Valid) row.Find = LocalNamespace::ReadFindData(item.AbsoluteId);
  // 2-3. Icon and type, shared per type.
  const FileTypes::Type& type = TypeOf(row);
  item.IconIndex = type.IconIndex;
  item.TypeText = type.TypeText;
  // 4. Attributes from the find data.
  item.AttributeBits = 0;
  if (LocalNamespace::IsReadOnly(item.AbsoluteId, row.Find)) item.AttributeBits |= PaneItem::kReadOnly;
  if (!row.Place && IsHiddenPath(item.AbsoluteId)) item.AttributeBits |= PaneItem::kHidden;
  if (IsSystemMode(row.Find.Mode)) item.AttributeBits |= PaneItem::kSystem;
  // 5. The date in the process-wide format; nothing for an unknown time.
  item.ModifiedText.clear();
  if (row.Find.Valid && row.Find.ModifiedMs != 0)
    // The device pane's and the image pane's format, so both lists read alike.
    item.ModifiedText =
        DateSettings::ListingFormat().Format(QDateTime::fromMSecsSinceEpoch(row.Find.ModifiedMs));
  // 6.
  item.DetailsPending = false;
}

void LocalFolderModel::EnsureDetails(int row) const {
  Row& entry = Rows[static_cast<size_t>(row)];
  if (entry.Item.DetailsPending) FillRowDetails(entry);
}

void LocalFolderModel::FillDetails(int first, int last) {
  if (first < 0 || last < first || first >= ItemCount() || last >= ItemCount()) return;
  bool changed = false;
  for (int row = first; row <= last; ++row) {
    Row& entry = Rows[static_cast<size_t>(row)];
    if (!entry.Item.DetailsPending) continue;
    FillRowDetails(entry);
    changed = true;
  }
  if (changed) emit dataChanged(index(first, 0), index(last, kColumnCount - 1));
}

QVariant LocalFolderModel::IconFor(int iconIndex) const {
  if (!Icons || iconIndex < 0) return {};
  const auto slot = static_cast<size_t>(iconIndex);
  if (slot >= IconCache.size()) IconCache.resize(slot + 1);
  if (!IconCache[slot].isValid()) IconCache[slot] = Icons->Icon(Types.IconAt(iconIndex));
  return IconCache[slot];
}

QString LocalFolderModel::CountText() const { return PaneStatus::ObjectCount(ItemCount()); }

QString LocalFolderModel::TotalText() const { return PaneStatus::TotalSize(TotalBytes); }

int LocalFolderModel::DetailedCount() const {
  return static_cast<int>(
      std::count_if(Rows.begin(), Rows.end(), [](const Row& r) { return !r.Item.DetailsPending; }));
}
