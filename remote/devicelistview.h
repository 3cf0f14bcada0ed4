#pragma once
// DeviceListView (lstviewTalo): the device folder's list in the four view
// styles of a FolderView - report (Name, Size, Type, Modified) in a
// QTreeView, the icon styles in a QListView.
//
// Extended selection (Shift for a range, Ctrl for one more), read-only. Rows are asked for only when visible
// (uniform row sizes), which is when the model looks up icons and types.
// Double-click and Enter activate the selected row, Backspace asks to go up,
// F5, Delete and F2 ask for the refresh, delete and rename commands as in the
// local pane, a click on a column header asks to sort; a press on empty space clears the
// selection, so that the context menu can act on the folder itself.
// Files dropped from another widget (the local pane) or another program are
// handed on as FilesDropped, once the drop has ended, to be copied into the
// folder shown; a drag that starts in this list itself is not taken.

#include <QList>

#include "items/listsort.h"
#include "widgets/folderview.h"

class QAbstractItemModel;
class QAbstractItemView;
class QDropEvent;
class QItemSelectionModel;
class QListView;
class QTreeView;

class DeviceListView : public FolderView {
  Q_OBJECT

 public:
  explicit DeviceListView(QWidget* parent = nullptr);

  void SetModel(QAbstractItemModel* model);

  // The selected row, -1 for none; of several, the current one where it is
  // selected, else the first.
  int SelectedRow() const;
  // Every selected row, ascending.
  QList<int> SelectedRows() const;
  // Selects row, gives it the focus state and scrolls it fully into view;
  // -1 clears the selection.
  void SelectRow(int row);
  void ShowSort(const ListSort& sort);


 signals:
  void RowActivated(int row);
  void UpRequested();
  void ColumnClicked(int column);
  void MenuRequested(const QPoint& globalPos);
  void RefreshRequested();
  void DeleteRequested();
  void RenameRequested();
  void FilesDropped(const QStringList& paths);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The selected row (SelectedRow).
  QModelIndex ScrollTarget() const override;

 private:
  void SetUpView(QAbstractItemView* view);
  // The local paths a drag carries; empty when it is none of ours to take.
  QStringList DroppedPaths(const QDropEvent& event) const;

};
