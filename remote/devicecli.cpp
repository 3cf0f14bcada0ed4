#include "remote/devicecli.h"

#include <algorithm>

#include "clisupport/clicommand.h"
#include "link/shell/devicename.h"
#include "link/shell/devicepath.h"
#include "link/shell/deviceshell.h"
#include "remote/devicebrowser.h"
#include "remote/devicecommands.h"
#include "remote/devicefilecommands.h"
#include "remote/devicetextfile.h"
#include "remote/devicetexts.h"

namespace DeviceCli {
namespace {

// The pane's logic for one command: a browser and its commands, which list
// nothing again after a change (nobody sees the folder).
struct Pane {
  Pane(DeviceShell& shell, const DeviceTimeouts& timeouts) : Browser(shell), Commands(Browser, shell) {
    Browser.Lister().SetTimeouts(timeouts);
    Commands.SetRelistAfterChange(false);
    // The command line is the top level: its dialogs print the failures.
    const auto report = [&shell](const JobResult& result) { shell.Tell(result); };
    Browser.SetReport(report);
    Commands.SetReport(report);
  }
  // Shows the folder of path as the pane would; the row of path's item, or
  // -1 when the listing failed or does not hold it (the message shown).
  int Locate(const QString& path) {
    const QString normal = DevicePath::Normalised(path);
    Browser.OpenDeviceFolder(DeviceBrowser::ParentPath(normal));
    if (!Browser.LastListingRead()) return -1;
    const int index = Browser.IndexOfName(NameOf(normal));
    if (index < 0) Browser.Shell().Teller().Tell(JobResult::Failed(DeviceText::NotFound(normal)));
    return index;
  }
  DeviceBrowser Browser;
  DeviceFileCommands Commands;
};

int Status(bool done) { return done ? kExitOk : kExitFailed; }

}  // namespace

QString FolderOf(const QString& path) {
  return DeviceBrowser::ParentPath(DevicePath::Normalised(path));
}

QString NameOf(const QString& path) {
  const QString normal = DevicePath::Normalised(path);
  return normal.mid(normal.lastIndexOf(QLatin1Char('\\')) + 1);
}

bool CheckNameArgument(DeviceShell& shell, const QString& path, bool needsName) {
  const QString normal = DevicePath::Normalised(path);
  QString refusal = DeviceCommand::CheckPath(normal);
  if (refusal.isEmpty() && needsName && normal == QLatin1String("\\"))
    refusal = DeviceText::UnsafeName(path, QStringLiteral("it names the root, not a file or folder"));
  if (refusal.isEmpty()) return true;
  shell.Teller().Tell(JobResult::Failed(refusal));
  return false;
}

std::optional<QString> CheckNewNameArgument(DeviceShell& shell, const QString& typed) {
  const DeviceName::ShortName form = DeviceName::ShortForm(typed);
  if (form.Name.isEmpty())
    shell.Teller().Tell(JobResult::Failed(DeviceText::UnsafeName(typed, form.Why)));
  else if (form.Cut)
    shell.Teller().Tell(JobResult::Failed(DeviceText::WouldBeCut(typed, form.Name)));
  else
    return form.Name;
  return std::nullopt;
}

int ShowTextFile(DeviceShell& shell, const QString& path, QStringList& lines,
                 const DeviceTimeouts& timeouts) {
  TextShown shown;
  const int status = ShowTextFile(shell, path, shown, timeouts);
  lines.append(DeviceTextFile::Lines(shown.Text));
  return status;
}

int ShowTextFile(DeviceShell& shell, const QString& path, TextShown& shown,
                 const DeviceTimeouts& timeouts) {
  // The listed size tells whether "type" gave the whole file.
  std::vector<PaneItem> listed;
  if (!ReadFreeSpace(shell, FolderOf(path), timeouts, &listed)) return kExitFailed;
  const QString name = NameOf(path);
  const auto item = std::find_if(listed.begin(), listed.end(), [&](const PaneItem& entry) {
    return entry.Name.compare(name, Qt::CaseInsensitive) == 0;
  });
  DeviceTextFile::TextRead read;
  const JobResult result = shell.Jobs().Run([&] {
    read = DeviceTextFile::Read(shell, FolderOf(path), name, timeouts);
    return read.Result;
  });
  shell.Tell(result);
  if (!result.Ok()) return kExitFailed;
  shown.Text = read.Text;
  shown.Whole = item != listed.end() && DeviceTextFile::ShowsWhole(read.Typed, item->SizeBytes);
  if (shown.Whole) return kExitOk;
  // What was printed is not all of the file (a program, a text holding a
  // ^Z): said, and no success.
  shell.Teller().Tell(JobResult::Failed(DeviceText::PrintedNotWhole(DevicePath::OnDriveD(FolderOf(path), name))));
  return kExitFailed;
}

int ListFolder(DeviceShell& shell, const QString& folder, FolderListing& listing,
               const DeviceTimeouts& timeouts) {
  DeviceBrowser browser(shell);
  browser.Lister().SetTimeouts(timeouts);
  const QString path = DevicePath::Normalised(folder);
  if (!browser.FillDeviceItems(path)) return kExitFailed;
  browser.FillDeviceDetails(0, browser.ItemCount() - 1);
  listing.Items = browser.DeviceItems();
  listing.ObjectsText = browser.ObjectsText();
  listing.SizeText = browser.SizeStatusText();
  listing.FreeBytes = browser.DeviceFreeBytes();
  return kExitOk;
}

QStringList ListingLines(const FolderListing& listing) {
  QStringList lines;
  const QChar tab(QLatin1Char('\t'));
  for (const PaneItem& item : listing.Items) {
    const QString size = item.IsFolder() ? QString() : QString::number(item.SizeBytes);
    const QString type = item.IsFolder() ? QStringLiteral("<DIR>") : item.TypeText;
    lines.append(item.Name + tab + size + tab + type + tab + item.ModifiedText);
  }
  lines.append(listing.ObjectsText);
  lines.append(listing.SizeText);
  return lines;
}

int ListFolder(DeviceShell& shell, const QString& folder, QStringList& lines,
               const DeviceTimeouts& timeouts) {
  FolderListing listing;
  const int status = ListFolder(shell, folder, listing, timeouts);
  if (status == kExitOk) lines.append(ListingLines(listing));
  return status;
}

std::optional<int64_t> ReadFreeSpace(DeviceShell& shell, const QString& folder,
                                     const DeviceTimeouts& timeouts,
                                     std::vector<PaneItem>* items) {
  DeviceBrowser browser(shell);
  browser.Lister().SetTimeouts(timeouts);
  if (!browser.FillDeviceItems(DevicePath::Normalised(folder))) return std::nullopt;
  if (items) *items = browser.DeviceItems();
  return browser.DeviceFreeBytes();
}

int MeasureFolder(DeviceShell& shell, const QString& name, QStringList& lines,
                  const DeviceTimeouts& timeouts) {
  TreeCounts counts;
  const int status = MeasureFolder(shell, name, counts, timeouts);
  if (status == kExitOk)
    lines.append(DeviceText::Contents(counts.Files, counts.Folders) + QLatin1Char('\t') +
                 DeviceText::ByteCount(counts.Bytes));
  return status;
}

int MeasureFolder(DeviceShell& shell, const QString& name, TreeCounts& counts,
                  const DeviceTimeouts& timeouts) {
  // "dir/s" names its folder by its full path: no listing first.
  const QString path = DevicePath::Normalised(name);
  const bool wholeDrive = path == QLatin1String("\\");
  DeviceLister lister(shell);
  lister.SetTimeouts(timeouts);
  const JobResult counted = shell.Jobs().Run([&] {
    return lister.MeasureDeviceFolder(DeviceBrowser::ParentPath(path),
                                      wholeDrive ? QString() : NameOf(path), counts);
  });
  shell.Tell(counted);
  return counted.Ok() ? kExitOk : kExitFailed;
}

int Remove(DeviceShell& shell, const QStringList& paths, const DeviceTimeouts& timeouts) {
  int status = kExitOk;
  for (const QString& path : paths) {
    Pane pane(shell, timeouts);
    const int index = pane.Locate(path);
    if (index < 0 || !pane.Commands.Delete(index)) status = kExitFailed;
  }
  return status;
}

int Rename(DeviceShell& shell, const QString& path, const QString& newName,
           const DeviceTimeouts& timeouts) {
  Pane pane(shell, timeouts);
  const int index = pane.Locate(path);
  if (index < 0) return kExitFailed;
  if (pane.Browser.DeviceItemAt(index)->IsFolder()) {
    shell.Teller().Tell(JobResult::Failed(DeviceText::NotAFile(DevicePath::Normalised(path))));
    return kExitFailed;
  }
  return Status(pane.Commands.RenameItem(index, newName));
}

int MakeFolder(DeviceShell& shell, const QString& folder, const QString& name,
               const DeviceTimeouts& timeouts) {
  Pane pane(shell, timeouts);
  // The folder it goes into, listed as the pane has it before the command.
  pane.Browser.OpenDeviceFolder(DevicePath::Normalised(folder));
  return Status(pane.Browser.LastListingRead() && pane.Commands.MakeDirectory(name));
}

int ShowMemory(DeviceShell& shell, const DeviceTimeouts& timeouts) {
  Pane pane(shell, timeouts);
  return Status(pane.Commands.ShowMemory());
}

int Format(DeviceShell& shell, const DeviceTimeouts& timeouts) {
  Pane pane(shell, timeouts);
  return Status(pane.Commands.Format());
}

int AutoRun(DeviceShell& shell, const QString& path, const DeviceTimeouts& timeouts) {
  Pane pane(shell, timeouts);
  const int index = pane.Locate(path);
  if (index < 0) return kExitFailed;
  // The pane offers the entry for its programs only.
  if (!pane.Browser.PopupMenuState(index).SetToAutoRun) {
    shell.Teller().Tell(JobResult::Failed(DeviceText::NotAProgram(DevicePath::Normalised(path))));
    return kExitFailed;
  }
  return Status(pane.Commands.SetAutoRun(index));
}

}  // namespace DeviceCli
