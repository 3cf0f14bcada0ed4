#pragma once
// DeviceItemModel: the device pane's items as a four-column table (Name,
// Size, Type, Modified) for the list views.
//
// Principles of operation
// - A view over DeviceBrowser::DeviceItems: it holds no rows of its own and
//   resets whenever the browser replaces its items.
// - Icons and type texts are looked up when a row is first asked for, so
//   only rows a view shows cost a look-up (views must use uniform row
//   sizes). The icon itself comes from IconSource, which the widgets set;
//   without one there is no decoration (QtCore only here).
// - Sorting belongs to the browser; the model passes a sort on to the views
//   as a layout change that moves their selection along with the items.
// - Main thread only.

#include <QAbstractTableModel>
#include <functional>

class DeviceBrowser;

class DeviceItemModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kName = 0, kSize = 1, kType = 2, kModified = 3, kColumnCount = 4 };

  explicit DeviceItemModel(DeviceBrowser& browser, QObject* parent = nullptr);

  // The icon of a catalog entry (PaneItem::IconIndex), as a QVariant
  // holding a QIcon.
  using IconSource = std::function<QVariant(int iconIndex)>;
  void SetIconSource(IconSource source) { Icons = std::move(source); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // "%dKB" rounded up for a file, empty for a folder.
  static QString SizeCellText(bool folder, int64_t sizeBytes);

 private:
  void MoveRows(const QList<int>& newRows);

  DeviceBrowser& Browser;
  IconSource Icons;
};
