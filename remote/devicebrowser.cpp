#include "remote/devicebrowser.h"

#include <algorithm>
#include <memory>
#include <numeric>

#include "link/shell/deviceshell.h"
#include "remote/devicecommands.h"
#include "remote/devicetexts.h"

namespace {

const QString kRoot = QStringLiteral("\\");

int Sign(int64_t value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

int CompareTexts(const QString& a, const QString& b) {
  return Sign(QString::compare(a, b, Qt::CaseSensitive));
}

}  // namespace

DeviceBrowser::DeviceBrowser(DeviceShell& shell, QObject* parent)
    : QObject(parent), ShellRef(shell), ListerRef(shell) {}

const PaneItem* DeviceBrowser::DeviceItemAt(int index) const {
  if (index < 0 || index >= ItemCount()) return nullptr;
  return &Items[static_cast<size_t>(index)];
}

void DeviceBrowser::FillDeviceDetails(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, ItemCount() - 1);
  for (int i = first; i <= last; ++i) Catalog.FillDetails(Items[static_cast<size_t>(i)]);
}

int DeviceBrowser::CompareDeviceItems(const PaneItem& a, const PaneItem& b, int column,
                                      bool descending) {
  if (a.IsFolder() != b.IsFolder()) return a.IsFolder() ? -1 : 1;
  int order = 0;
  switch (column) {
    case kSortName:
      break;
    case kSortSize:
      order = Sign(a.SizeBytes - b.SizeBytes);
      break;
    case kSortType:
      order = CompareTexts(a.TypeText, b.TypeText);
      break;
    default:
      // The shown text sorts by date only while the date comes first in it
      // and its time has a fixed width; the value always does.
      if (a.ModifiedAt.isValid() && b.ModifiedAt.isValid())
        order = Sign(a.ModifiedAt.toMSecsSinceEpoch() - b.ModifiedAt.toMSecsSinceEpoch());
      else
        order = CompareTexts(a.ModifiedText, b.ModifiedText);
      break;
  }
  if (order == 0) order = CompareTexts(a.Name, b.Name);
  return descending ? -order : order;
}

QString DeviceBrowser::ParentPath(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('\\'));
  return slash <= 0 ? kRoot : path.left(slash);
}

QString DeviceBrowser::ChildPath(const QString& path, const QString& name) {
  return (path == kRoot ? path : path + QLatin1Char('\\')) + name;
}

bool DeviceBrowser::OpenDeviceFolder(const QString& path) { return ListAndShow(path, false); }

bool DeviceBrowser::ListAndShow(const QString& path, bool clearSelection) {
  auto listing = std::make_shared<FolderListing>();
  return ShellRef.Jobs().Start(
      [this, path, listing, year = ListerRef.CurrentYear()] {
        *listing = ListerRef.ReadFolder(path, year);
        return listing->Result;
      },
      [this, path, listing, clearSelection, quiet = QuietFailures](const JobResult&) {
        const bool wasQuiet = QuietFailures;
        QuietFailures = quiet;
        ShowFolder(path, std::move(*listing), clearSelection);
        QuietFailures = wasQuiet;
      });
}

void DeviceBrowser::ShowFolder(const QString& path, FolderListing listing, bool clearSelection) {
  const JobResult result = listing.Result;
  if (!result.Cancelled()) {
    // A failed listing leaves an empty folder; the path is still the one
    // asked for, so Refresh retries it.
    (void)ApplyListing(listing);
    Path = path;
    RecordInHistory(path);
    const int named = DeviceNextSelectName.isEmpty() ? -1 : IndexOfName(DeviceNextSelectName);
    if (named < 0 && DeviceNextSelectIndex < 0)
      emit SelectRequested(-1);
    else if (!Items.empty())
      emit SelectRequested(named >= 0 ? named
                                      : std::clamp(DeviceNextSelectIndex, 0, ItemCount() - 1));
    if (clearSelection) emit SelectRequested(-1);
  }
  DeviceNextSelectIndex = 0;
  DeviceNextSelectName.clear();
  // The failure's box opens once the views see a consistent list: its event
  // loop may well paint them.
  ReportListing(result, QuietFailures);
}

void DeviceBrowser::ShowRelisted(FolderListing listing, const QString& selectName) {
  DeviceNextSelectName = selectName;
  DeviceNextSelectIndex = DeviceMenuItemIndex;
  ShowFolder(FolderShown(), std::move(listing));
}

QString DeviceBrowser::FolderShown() const { return Path.isEmpty() ? kRoot : Path; }

bool DeviceBrowser::FillDeviceItems(const QString& path) {
  FolderListing listing;
  (void)ShellRef.Jobs().Run([&] {
    listing = ListerRef.ReadFolder(path);
    return listing.Result;
  });
  const JobResult result = listing.Result;
  const bool listed = ApplyListing(listing);
  ReportListing(result, QuietFailures);
  return listed;
}

bool DeviceBrowser::ApplyListing(FolderListing& listing) {
  const bool listed = listing.Result.Ok();
  emit ItemsAboutToReset();
  if (listed) {
    Items = std::move(listing.Items);
    if (listing.HasFreeSpace) {
      FreeCaption = listing.FreeCaption;
      FreeBytes = listing.FreeBytes;
      emit FreeSpaceCaptionChanged(FreeCaption);
    }
  } else {
    // What was read before the failure is part of a folder, and the free
    // space may be an older listing's: shown, or checked against by a copy,
    // either would pass for the whole. The pane is empty and says why, and
    // the features that need a listing ask for a Refresh.
    Items.clear();
    FreeBytes = 0;
    if (!FreeCaption.isEmpty()) {
      FreeCaption.clear();
      emit FreeSpaceCaptionChanged(FreeCaption);
    }
  }
  (void)SortItems(ChosenSort);
  ListingRead = listed;
  FailureStatus =
      listed ? QString() : DeviceText::ListingFailedStatus(listing.Failure, ShellRef.SelectedPort());
  emit ItemsReset();
  UpdateStatus();
  return listed;
}

void DeviceBrowser::ReportListing(const JobResult& result, bool quiet) {
  if (quiet && !result.Cancelled()) {
    if (!result.Ok())
      for (const QString& line : result.Text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        ShellRef.AppendConsoleLine(line);
    return;
  }
  ReportResult(result);
}

void DeviceBrowser::ReportResult(const JobResult& result) {
  if (ReportTo)
    ReportTo(result);
  else
    ShellRef.Tell(result);
}

QList<int> DeviceBrowser::SortItems(const ListSort& sort) {
  // Type texts are otherwise looked up only for rows that become visible; a
  // sort by type needs them all, or it would compare empty texts.
  if (sort.Column == kSortType) FillDeviceDetails(0, ItemCount() - 1);
  std::vector<int> order(Items.size());
  std::iota(order.begin(), order.end(), 0);
  // Stable: a listing may name an item twice, and equal items keep their
  // places rather than swap at every sort.
  std::stable_sort(order.begin(), order.end(), [this, &sort](int a, int b) {
    return CompareDeviceItems(Items[static_cast<size_t>(a)], Items[static_cast<size_t>(b)],
                              sort.Column, sort.Descending) < 0;
  });
  std::vector<PaneItem> sorted;
  sorted.reserve(Items.size());
  QList<int> newRows(ItemCount());
  for (int row = 0; row < ItemCount(); ++row) {
    const int old = order[static_cast<size_t>(row)];
    sorted.push_back(std::move(Items[static_cast<size_t>(old)]));
    newRows[old] = row;
  }
  Items = std::move(sorted);
  return newRows;
}

void DeviceBrowser::UpdateStatus() {
  uint64_t total = 0;
  for (const PaneItem& item : Items)
    total += static_cast<uint64_t>(std::max<int64_t>(item.SizeBytes, 0));
  StatusObjects = DeviceText::ObjectCount(ItemCount());
  StatusSize = FailureStatus.isEmpty() ? DeviceText::SizeText(total) + FreeCaption : FailureStatus;
  emit StatusChanged();
}

void DeviceBrowser::RecordInHistory(const QString& path) {
  if (!History.contains(path, Qt::CaseInsensitive)) History.prepend(path);
  PathText = path;
  emit PathShown(path);
}

void DeviceBrowser::Refresh() { ListAndShow(FolderShown(), true); }

void DeviceBrowser::RefreshKeepingView() {
  DeviceNextSelectIndex = DeviceMenuItemIndex;
  OpenDeviceFolder(FolderShown());
}

void DeviceBrowser::RefreshSelecting(const QString& name) {
  DeviceNextSelectName = name;
  RefreshKeepingView();
}

void DeviceBrowser::RefreshKeepingItem(const QString& name) {
  DeviceNextSelectName = name;
  DeviceNextSelectIndex = -1;
  OpenDeviceFolder(FolderShown());
}

int DeviceBrowser::IndexOfName(const QString& name) const {
  for (int i = 0; i < ItemCount(); ++i)
    if (Items[static_cast<size_t>(i)].Name.compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

void DeviceBrowser::GoUp() { ListAndShow(ParentPath(Path), true); }

void DeviceBrowser::OpenItem(int index) {
  const PaneItem* item = DeviceItemAt(index);
  if (!item) return;
  // A name from the listing is typed either way (into the terminal, or in
  // "cd"): one the shell would take for more than a name is refused here.
  if (const QString refusal = DeviceCommand::CheckName(item->Name); !refusal.isEmpty()) {
    ReportResult(JobResult::Failed(refusal));
    return;
  }
  if (!item->IsFolder()) {
    emit RunProgramRequested(item->Name);
    return;
  }
  ListAndShow(ChildPath(FolderShown(), item->Name), true);
}

void DeviceBrowser::ChooseHistoryPath(const QString& path) { OpenDeviceFolder(path); }

void DeviceBrowser::SortByColumn(int column) { SetSortOrder(ChosenSort.Clicked(column)); }

void DeviceBrowser::SetSortOrder(const ListSort& sort) {
  ChosenSort = {std::clamp(sort.Column, int{kSortName}, int{kSortModified}), sort.Descending};
  emit ItemsAboutToSort();
  const QList<int> newRows = SortItems(ChosenSort);
  emit ItemsSorted(newRows);
}

void DeviceBrowser::PortChanged() {
  DeviceNextSelectIndex = 0;
  // What the last port did not answer is not this port's: the status bar
  // forgets it before this port is listed.
  if (!FailureStatus.isEmpty()) {
    FailureStatus.clear();
    UpdateStatus();
  }
  OpenDeviceFolder(kRoot);
}

void DeviceBrowser::ListRootQuietly() {
  QuietFailures = true;
  PortChanged();
  QuietFailures = false;
}

DeviceMenuState DeviceBrowser::PopupMenuState(const QList<int>& selectedRows) {
  if (selectedRows.size() < 2) return PopupMenuState(selectedRows.value(0, -1));
  DeviceMenuItemIndex = selectedRows.front();
  DeviceMenuState state;
  state.Delete = true;
  return state;
}

DeviceMenuState DeviceBrowser::PopupMenuState(int selectedIndex) {
  DeviceMenuState state;
  const PaneItem* item = DeviceItemAt(selectedIndex);
  if (!item) {
    state.MakeDirectory = true;
    return state;
  }
  DeviceMenuItemIndex = selectedIndex;
  state.Delete = true;
  if (!item->IsFolder()) {
    state.Rename = true;
    // Case-sensitive: the controller lists names in capitals, and only those
    // are taken for its programs.
    state.SetToAutoRun = item->Name.contains(QLatin1String(".EXE"));
  }
  return state;
}
