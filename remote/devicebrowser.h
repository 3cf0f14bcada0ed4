#pragma once
// DeviceBrowser: the state and the logic of the device pane, without widgets.
//
// Principles of operation
// - Holds the folder shown (DevicePath), its items (DeviceItems, owned),
//   the free space of D: from the last listing (DeviceFreeBytes, 0 = never
//   listed), the sort and selection fields, the path history and the two
//   status texts. Nothing of a listing is cached: every change of folder
//   and refresh lists the folder again through DeviceLister. A sort orders
//   the items held (ItemsSorted), without a new listing: the listing has
//   nothing the sort needs.
// - Every fill sorts by the order the user chose last (by name ascending
//   until one is chosen; a second click on the same column turns it round),
//   whatever asked for it. OpenDeviceFolder is the one way to
//   show a folder. Refresh and navigation select the first item (and then
//   clear the selection); RefreshKeepingView, used after commands that
//   change the device, keeps the user's selection: by name where the command knows
//   the item to show (a renamed file, a new folder, a copied file), since a
//   re-sorted list puts another item on the old row; by row otherwise (after
//   a delete the row holds the next item).
// - Views follow it through signals: ItemsReset after the item list changed,
//   ItemsSorted after a sort moved the same items (each old row's new row,
//   so a view keeps its selection), SelectRequested with the row to select (-1: none), StatusChanged,
//   PathShown. RunProgramRequested asks the owner (the main window) to turn
//   the terminal on and type a program's name.
// - Every listing is a job on the shell's JobRunner (link/jobs/jobrunner.h): the
//   worker reads the folder (FolderListing), the main thread then shows it
//   (ShowFolder). Nothing of the pane changes while the job runs, so a job
//   stopped by the user leaves the pane as it was and says so in the
//   console. On a running event loop OpenDeviceFolder and the actions
//   return before the listing is shown; without one they run inline.
//   FillDeviceItems always runs inline.
// - Failures are handed to the report the top level set (SetReport; the
//   shell's Tell until one is set) once the views are consistent.
// - A failed listing leaves an empty list (nothing read before the failure is kept),
//   DeviceFreeBytes 0 (so the features that need a listing ask for a
//   Refresh), no free-space caption, DevicePath on the folder asked for, and
//   in place of the sizes a status text that says what went wrong.
// - A name from the listing is checked before it is typed (a folder opened,
//   a program run in the terminal); a refused one is not, and the error
//   says which and why.
// - Main thread only; only the listing's exchanges run on the worker, and
//   they touch nothing of the browser but its lister.

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "items/listsort.h"
#include "items/paneitem.h"
#include "remote/devicelister.h"
#include "remote/devicetypecatalog.h"

class DeviceShell;

// Which context-menu entries apply to the current selection.
struct DeviceMenuState {
  bool MakeDirectory = false;
  bool Delete = false;
  bool Rename = false;
  bool SetToAutoRun = false;
  bool Properties = true;
};

class DeviceBrowser : public QObject {
  Q_OBJECT

 public:
  enum SortColumn { kSortName = 0, kSortSize = 1, kSortType = 2, kSortModified = 3 };

  explicit DeviceBrowser(DeviceShell& shell, QObject* parent = nullptr);

  DeviceShell& Shell() { return ShellRef; }
  DeviceLister& Lister() { return ListerRef; }
  DeviceTypeCatalog& TypeCatalog() { return Catalog; }

  // State read by the other features.
  const QString& DevicePath() const { return Path; }
  int64_t DeviceFreeBytes() const { return FreeBytes; }
  const std::vector<PaneItem>& DeviceItems() const { return Items; }
  // Whether the last fill read a whole listing (DeviceItems is the folder's
  // content) rather than failing with an empty list.
  bool LastListingRead() const { return ListingRead; }
  const QString& FreeSpaceCaption() const { return FreeCaption; }
  const QStringList& PathHistory() const { return History; }
  // The path box's text: the folder last opened (empty before the first).
  const QString& PathBoxText() const { return PathText; }
  const QString& ObjectsText() const { return StatusObjects; }
  const QString& SizeStatusText() const { return StatusSize; }
  // The order the items are in, which every fill follows: a change of it
  // sorts the items held at once, so the two never differ.
  const ListSort& SortedBy() const { return ChosenSort; }
  const ListSort& SortOrder() const { return ChosenSort; }
  // Sorts the items held by sort and keeps it for later fills.
  void SetSortOrder(const ListSort& sort);

  int ItemCount() const { return static_cast<int>(Items.size()); }
  // The record at index, or null when out of range.
  const PaneItem* DeviceItemAt(int index) const;
  // Icon and type text of the items first..last that do not have them yet.
  void FillDeviceDetails(int first, int last);
  // Drops the free-space figure (the image feature does so after a restore).
  void ResetDeviceFreeBytes() { FreeBytes = 0; }

  // Negative when a goes first: folders first, then by column, then by
  // name; descending turns round all but the folders-first. Texts compare
  // by code unit, case-sensitive; dates by their value where both have one.
  static int CompareDeviceItems(const PaneItem& a, const PaneItem& b, int column,
                                bool descending = false);
  // The parent folder of a device path: "\" for "\" and for one-level paths.
  static QString ParentPath(const QString& path);
  // The path of a folder named name inside path, without doubled "\".
  static QString ChildPath(const QString& path, const QString& name);

  // Sort and selection fields of the next fill (see the class comment).
  int DeviceNextSelectIndex = 0;
  int DeviceMenuItemIndex = 0;
  // When set, the next fill selects the item of this name (ignoring case)
  // instead of the row DeviceNextSelectIndex, if the listing holds one.
  // A negative DeviceNextSelectIndex selects nothing where no name does.
  QString DeviceNextSelectName;

  // Where failures go: the top level's choice of box or console line.
  using Report = std::function<void(const JobResult&)>;
  void SetReport(Report report) { ReportTo = std::move(report); }
  void ReportResult(const JobResult& result);

  // Shows the folder: lists it, records it as DevicePath and in the
  // history, and selects the row of DeviceNextSelectIndex (clamped). False
  // when another job runs (nothing is done).
  bool OpenDeviceFolder(const QString& path);
  // Lists, sorts and counts inline; false when the listing failed.
  bool FillDeviceItems(const QString& path);
  // The main thread's half of a listing: shows what a job read of path as
  // OpenDeviceFolder does, then reports its failure (a stopped listing
  // changes nothing). clearSelection: nothing selected afterwards.
  void ShowFolder(const QString& path, FolderListing listing, bool clearSelection = false);
  // After a command changed the folder shown: its listing, read in the
  // command's job, shown as RefreshSelecting shows it.
  void ShowRelisted(FolderListing listing, const QString& selectName = QString());
  // The folder shown, "\" before the first listing.
  QString FolderShown() const;

  // User actions.
  void Refresh();             // list again by name, no selection
  void RefreshKeepingView();  // list again in the user's order and selection
  // As RefreshKeepingView, selecting the item called name where it is listed.
  void RefreshSelecting(const QString& name);
  // Lists again in the user's order, selecting the item called name where
  // it is listed and nothing otherwise.
  void RefreshKeepingItem(const QString& name);
  // The row of the item called name (ignoring case), -1 when none.
  int IndexOfName(const QString& name) const;
  void GoUp();                // parent folder, no selection
  void OpenItem(int index);   // folder: open it; file: RunProgramRequested
  void ChooseHistoryPath(const QString& path);
  void SortByColumn(int column);  // a header click: SetSortOrder(SortOrder().Clicked(column))
  void PortChanged();             // fresh start on the root of the new port
  // As PortChanged, for the listing nobody asked for at start-up: a failure
  // goes to the status bar and the console instead of a box.
  void ListRootQuietly();
  // The context menu opens on the selected row (-1: none).
  DeviceMenuState PopupMenuState(int selectedIndex);
  // The same for the selected rows (ascending): several take Delete and
  // Properties only; DeviceMenuItemIndex becomes the first.
  DeviceMenuState PopupMenuState(const QList<int>& selectedRows);

 signals:
  void ItemsAboutToReset();
  void ItemsReset();
  void ItemsAboutToSort();
  // newRows[oldRow]: where each item went.
  void ItemsSorted(const QList<int>& newRows);
  void SelectRequested(int row);
  void StatusChanged();
  void FreeSpaceCaptionChanged(const QString& caption);
  void PathShown(const QString& path);
  void RunProgramRequested(const QString& name);

 private:
  // Lists path in a job and shows it (ShowFolder).
  bool ListAndShow(const QString& path, bool clearSelection);
  // Takes the listing's items, free space and status; false when it failed.
  bool ApplyListing(FolderListing& listing);
  void ReportListing(const JobResult& result, bool quiet);
  // Sorts Items; each old row's new row.
  QList<int> SortItems(const ListSort& sort);
  void UpdateStatus();
  void RecordInHistory(const QString& path);

  DeviceShell& ShellRef;
  DeviceLister ListerRef;
  DeviceTypeCatalog Catalog;
  QString Path;
  std::vector<PaneItem> Items;
  int64_t FreeBytes = 0;
  bool ListingRead = false;
  bool QuietFailures = false;
  Report ReportTo;
  QString FailureStatus;  // empty after a listing that was read
  QString FreeCaption;
  QStringList History;
  QString PathText;
  QString StatusObjects;
  QString StatusSize;
  ListSort ChosenSort;
};
