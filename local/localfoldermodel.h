#pragma once
// LocalFolderModel: one folder of the PC as a four-column table (Name, Size,
// Type, Modified) for the local pane's views.
//
// Principles of operation
// - Every change of folder goes through OpenFolder (OpenPath resolves a text
//   first), which replaces the whole item list with a model reset; the item
//   list and CurrentId always describe the same folder. A folder that cannot
//   be opened or read leaves everything as it was and returns the system's
//   message in the result; the caller shows it.
// - Opening costs one directory read and one stat() per item. Type, icon,
//   attributes and date text ("details") are filled only for rows someone
//   asks about: FillDetails(first, last), or data() of a row still pending.
//   Views with uniform row sizes ask only for the rows they paint.
// - Sizes and totals are 64-bit; ItemAt(row).SizeBytes is valid from the
//   fill on, details pending or not.
// - Every fill sorts by the order the user chose last (SetSortOrder; by name
//   ascending until one is chosen), navigation included. The row to select
//   after a fill is consumed by it (back to 0), so navigation selects the
//   first row unless the caller asks otherwise just before.
// - QtCore only; icons arrive through LocalIconProvider. Main thread only.

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "items/filetypes.h"
#include "items/listsort.h"
#include "items/paneitem.h"
#include "local/localnamespace.h"

class LocalIconProvider;

class LocalFolderModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kNameColumn, kSizeColumn, kTypeColumn, kModifiedColumn, kColumnCount };
  enum Role {
    kAttributeRole = Qt::UserRole + 1,  // AttributeBits (uint)
    kFolderRole,                        // bool
    kPathRole,                          // full path (parsing name)
  };

  struct HistoryEntry {
    QString Text;
    QString Id;
  };
  struct OpenResult {
    bool Ok = false;
    QString Error;          // the system's message when !Ok
    int SelectRow = -1;     // the row to select; -1 for an empty folder
    int HistoryIndex = -1;  // the path box entry of the folder
    bool HistoryAdded = false;  // a new entry went in at index 0
  };

  explicit LocalFolderModel(QObject* parent = nullptr);
  explicit LocalFolderModel(LocalNamespace places, QObject* parent = nullptr);
  ~LocalFolderModel() override;

  void SetIconProvider(LocalIconProvider* provider);
  const LocalNamespace& Namespace() const { return Places; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  // Rows are dragged as the file URLs of their full paths (places without a
  // path on disk are left out), so the device list and other programs can
  // take them.
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;

  int ItemCount() const { return static_cast<int>(Rows.size()); }
  const PaneItem& ItemAt(int row) const { return Rows.at(static_cast<size_t>(row)).Item; }
  // Full path of a row (JoinIds of the current folder and the row's id).
  QString FullPath(int row) const;
  // The row of an item of the current folder by its full path, or -1.
  int RowOf(const QString& absoluteId) const;
  // Whether the row is an entry of the computer location (a drive).
  bool IsPlace(int row) const { return Rows.at(static_cast<size_t>(row)).Place; }

  [[nodiscard]] OpenResult OpenPath(const QString& text);
  [[nodiscard]] OpenResult OpenFolder(const QString& id);
  void ClearItems();
  void FillDetails(int first, int last);

  QString CurrentId() const { return Current; }
  QString ComputerId() const { return LocalNamespace::ComputerId(); }
  QString DesktopDirId() const { return Places.DesktopDirId(); }
  QString ParentId() const { return Places.ParentId(Current); }
  // The path box text of the current folder.
  QString PathText() const { return CurrentText; }
  const std::vector<HistoryEntry>& History() const { return PathHistory; }
  int FindHistory(const QString& text) const;

  // Status bar texts of the last fill.
  QString CountText() const;
  QString TotalText() const;
  int64_t Total() const { return TotalBytes; }

  const ListSort& SortOrder() const { return Sort; }
  // Takes effect at the next fill.
  void SetSortOrder(const ListSort& sort);
  int NextSelectIndex() const { return NextSelect; }
  void SetNextSelectIndex(int row) { NextSelect = row; }
  int MenuItemIndex() const { return MenuItem; }
  void SetMenuItemIndex(int row) { MenuItem = row; }
  // The column the list is sorted by now.
  int SortedColumn() const { return Sorted.Column; }
  const ListSort& SortedBy() const { return Sorted; }
  // Rows whose details have been filled (benchmarks).
  int DetailedCount() const;

 private:
  struct Row {
    PaneItem Item;
    FindData Find;
    bool Place = false;
    MountEntry::Kind PlaceKind = MountEntry::Kind::Disk;
  };

  [[nodiscard]] bool FillItems(const QString& id, QString& error);
  void SortRows(const ListSort& sort);
  const FileTypes::Type& TypeOf(const Row& row) const;
  void FillRowDetails(Row& row) const;
  void EnsureDetails(int row) const;
  QVariant IconFor(int iconIndex) const;
  static QString SizeText(const PaneItem& item);

  LocalNamespace Places;
  LocalIconProvider* Icons = nullptr;
  // Details are a cache filled on demand from const data().
  mutable std::vector<Row> Rows;
  mutable FileTypes Types;
  mutable std::vector<QVariant> IconCache;

  QString Current;
  QString CurrentText;
  std::vector<HistoryEntry> PathHistory;
  int64_t TotalBytes = 0;
  ListSort Sort;
  int NextSelect = 0;
  int MenuItem = 0;
  ListSort Sorted;
};
