#include "remote/devicefilecommands.h"

#include <QStringList>
#include <algorithm>
#include <memory>
#include <vector>

#include "items/paneitem.h"
#include "link/shell/devicename.h"
#include "link/shell/deviceshell.h"
#include "link/shell/shellsession.h"
#include "remote/devicebrowser.h"
#include "remote/devicelister.h"
#include "remote/devicetexts.h"

namespace {
constexpr uint8_t kLineFeed = 10;
constexpr uint8_t kCarriageReturn = 13;
const QString kRoot = QStringLiteral("\\");

// A question answered No, a prompt cancelled: nothing to tell.
JobResult Declined() { return {JobStatus::Failed, QString()}; }
}  // namespace

DeviceFileCommands::DeviceFileCommands(DeviceBrowser& browser, DeviceShell& shell)
    : Browser(browser), Shell(shell) {}

const DeviceTimeouts& DeviceFileCommands::Timeouts() const { return Browser.Lister().Timeouts(); }

QString DeviceFileCommands::Folder() const { return Browser.FolderShown(); }

void DeviceFileCommands::ReportResult(const JobResult& result) {
  if (ReportTo)
    ReportTo(result);
  else
    Shell.Tell(result);
}

bool DeviceFileCommands::Refuse(const JobResult& result) {
  Last = result;
  ReportResult(result);
  return false;
}

bool DeviceFileCommands::Outcome() const { return Shell.Jobs().Busy() || Last.Ok(); }

bool DeviceFileCommands::RunJob(Work work, const QString& selectName) {
  const QString folder = Folder();
  const bool relist = Relist;
  DeviceLister& lister = Browser.Lister();
  auto listing = std::make_shared<std::optional<FolderListing>>();
  Last = JobResult::Done();
  const bool started = Shell.Jobs().Start(
      [work = std::move(work), relist, folder, listing, &lister, year = lister.CurrentYear()] {
        bool changed = false;
        const JobResult result = work(changed);
        if (relist && changed && !JobRunner::StopRequested())
          *listing = lister.ReadFolder(folder, year);
        return result;
      },
      [this, listing, selectName](const JobResult& result) {
        Last = result;
        ReportResult(result);
        if (*listing) Browser.ShowRelisted(std::move(**listing), selectName);
      });
  if (!started) Last = Declined();
  return Outcome();
}

bool DeviceFileCommands::CountFolders(const QStringList& names, Counted then) {
  const QString folder = Folder();
  DeviceLister& lister = Browser.Lister();
  auto counts = std::make_shared<std::vector<TreeCounts>>(static_cast<size_t>(names.size()));
  Last = JobResult::Done();
  const bool started = Shell.Jobs().Start(
      [names, folder, counts, &lister] {
        for (qsizetype i = 0; i < names.size(); ++i) {
          if (JobRunner::StopRequested()) return JobResult::Stopped();
          JobResult counted =
              lister.MeasureDeviceFolder(folder, names[i], (*counts)[static_cast<size_t>(i)]);
          if (!counted.Ok()) return counted;
        }
        return JobResult::Done();
      },
      [counts, then = std::move(then)](const JobResult& result) { then(result, *counts); });
  if (!started) Last = Declined();
  return Outcome();
}

JobResult DeviceFileCommands::RunChecked(const DeviceCommand::CommandLine& commandLine,
                                         const QStringList& errorWords, const QString& sentName) {
  if (commandLine.Refused()) return JobResult::Failed(commandLine.Refusal);
  QString refusal;
  JobResult result = Shell.Exchange(
      commandLine.Line, Timeouts().FileCommandMs, kLineFeed,
      [&](const QByteArray& line) {
        if (refusal.isEmpty()) {
          const QString text = QString::fromLatin1(line);
          for (const QString& word : errorWords)
            if (text.contains(word)) {
              refusal = DeviceText::ShellRefusal(text, sentName);
              break;
            }
        }
        return true;  // later lines are still read and shown
      },
      Timeouts().PromptBudgetMs, DeviceShell::PromptAt::Start, DeviceShell::Pace::QuickWhenChosen);
  if (result.Ok() && !refusal.isEmpty()) return JobResult::Failed(refusal);
  return ShellText::WithCheck(result, DeviceText::CommandMayHaveRun());
}

JobResult DeviceFileCommands::DeviceCommandJob(const QByteArray& commandLine,
                                               DeviceShell::Pace pace) {
  return Shell.Exchange(commandLine, Timeouts().DeviceCommandMs, kLineFeed, {},
                        Timeouts().PromptBudgetMs, DeviceShell::PromptAt::Start, pace);
}

std::optional<QString> DeviceFileCommands::AskNewName(const QString& caption,
                                                      const QString& prompt,
                                                      const QString& initial) {
  const std::optional<QString> answer = Shell.Dialogs().AskDeviceName(
      caption, DeviceName::PromptWithRule(prompt), initial, DeviceName::kPromptLength);
  if (!answer || answer->trimmed().isEmpty()) return std::nullopt;
  const DeviceName::ShortName form = DeviceName::ShortForm(*answer);
  if (form.Name.isEmpty()) {
    Refuse(JobResult::Failed(DeviceText::UnsafeName(*answer, form.Why)));
    return std::nullopt;
  }
  return form.Name;
}

DeviceCommand::CommandLine DeviceFileCommands::DeleteCommand(const PaneItem& item) const {
  return item.IsFolder() ? DeviceCommand::RemoveFolder(Folder(), item.Name)
                         : DeviceCommand::DeleteFile(Folder(), item.Name);
}

bool DeviceFileCommands::Delete(int selectedIndex) {
  if (!Browser.DeviceItemAt(selectedIndex)) return false;
  return DeleteItems({selectedIndex});
}

bool DeviceFileCommands::DeleteItems(const QList<int>& rows) {
  std::vector<PaneItem> items;
  for (const int row : rows) {
    const PaneItem* item = Browser.DeviceItemAt(row);
    if (!item) return false;
    // Copied: a listing replaces the items.
    items.push_back(*item);
  }
  if (items.empty()) return false;
  // 1. Remember the row (the menu's or the key's): after the delete the
  //    next item moves up into it.
  Browser.DeviceMenuItemIndex = rows.front();
  Browser.DeviceNextSelectIndex = rows.front();
  // 2. Every command before anything is counted or asked: a name that
  //    cannot be typed leaves all items in place.
  std::vector<DeviceCommand::CommandLine> commandLines;
  QStringList folders;
  for (const PaneItem& item : items) {
    commandLines.push_back(DeleteCommand(item));
    if (commandLines.back().Refused()) return Refuse(JobResult::Failed(commandLines.back().Refusal));
    if (item.IsFolder()) folders.append(item.Name);
  }
  const QString question =
      items.size() > 1 ? DeviceText::AskDeleteItems(items.size())
      : items.front().IsFolder() ? DeviceText::AskDeleteFolder(items.front().Name)
                                 : DeviceText::AskDeleteFile(items.front().Name);
  // 3. "rd" refuses a non-empty folder only in its answer, which is not
  //    checked: the folders are counted first, so nothing is sent for one.
  if (folders.isEmpty()) {
    DeleteCounted(items, commandLines, {}, question);
    return Outcome();
  }
  return CountFolders(folders, [this, items, commandLines, question](
                                   const JobResult& result, const std::vector<TreeCounts>& counts) {
    if (!result.Ok()) {
      Refuse(result);
      return;
    }
    DeleteCounted(items, commandLines, counts, question);
  });
}

void DeviceFileCommands::DeleteCounted(const std::vector<PaneItem>& items,
                                       const std::vector<DeviceCommand::CommandLine>& commandLines,
                                       const std::vector<TreeCounts>& counts,
                                       const QString& question) {
  size_t folder = 0;
  for (const PaneItem& item : items) {
    if (!item.IsFolder()) continue;
    const TreeCounts& count = counts[folder++];
    if (count.Files > 0 || count.Folders > 0) {
      Refuse(JobResult::Warned(DeviceText::FolderNotEmpty(item.Name)));
      return;
    }
  }
  // 4. Confirmation.
  if (!Shell.Dialogs().AskYesNo(question)) {
    Last = Declined();
    return;
  }
  // 5. Each in turn until the first failure; the folder is listed once at
  //    the end if anything went, and shows what is left.
  RunJob([this, items, commandLines](bool& changed) {
    for (size_t i = 0; i < items.size(); ++i) {
      if (JobRunner::StopRequested()) return JobResult::Stopped();
      JobResult deleted = RunChecked(commandLines[i], {}, items[i].Name);
      changed = changed || deleted.Ok() || deleted.MayHaveRun;
      if (!deleted.Ok()) return deleted;
    }
    return JobResult::Done();
  });
}

bool DeviceFileCommands::Rename(int selectedIndex) {
  const PaneItem* item = Browser.DeviceItemAt(selectedIndex);
  if (!item) return false;
  Browser.DeviceMenuItemIndex = selectedIndex;
  const QString oldName = item->Name;
  // A name that cannot be typed is refused before anything is asked.
  if (const QString refusal = DeviceCommand::CheckName(oldName); !refusal.isEmpty())
    return Refuse(JobResult::Failed(refusal));
  const std::optional<QString> newName =
      AskNewName(DeviceText::RenameCaption(oldName), DeviceText::RenamePrompt(), oldName);
  // OK on the unchanged name asks for nothing.
  if (!newName || newName->compare(oldName, Qt::CaseInsensitive) == 0) return false;
  return RenameItem(selectedIndex, *newName);
}

bool DeviceFileCommands::RenameItem(int index, const QString& newName) {
  const PaneItem* item = Browser.DeviceItemAt(index);
  if (!item) return false;
  Browser.DeviceMenuItemIndex = index;
  const DeviceCommand::CommandLine rename = DeviceCommand::Rename(Folder(), item->Name, newName);
  // The list re-sorts: the renamed file keeps the highlight, not its old row.
  return RunJob(
      [this, rename, newName](bool& changed) {
        JobResult renamed = RunChecked(
            rename, {QStringLiteral("Invalid "), QStringLiteral("Duplicate ")}, newName);
        changed = renamed.Ok() || renamed.MayHaveRun;
        return renamed;
      },
      newName);
}

bool DeviceFileCommands::MakeDirectory() {
  const std::optional<QString> name =
      AskNewName(DeviceText::MakeDirectoryCaption(), DeviceText::MakeDirectoryPrompt(), QString());
  return name && MakeDirectory(*name);
}

bool DeviceFileCommands::MakeDirectory(const QString& name) {
  const DeviceCommand::CommandLine make = DeviceCommand::MakeFolder(Folder(), name);
  return RunJob(
      [this, make, name](bool& changed) {
        JobResult made =
            RunChecked(make, {QStringLiteral("Invalid "), QStringLiteral("Unable ")}, name);
        changed = made.Ok() || made.MayHaveRun;
        return made;
      },
      name);
}

void DeviceFileCommands::ShowProperties(int selectedIndex) {
  DeviceProperties props;
  props.PropModule = DeviceText::ModuleName();
  props.PropPath = Browser.PathBoxText();
  const PaneItem* selected = Browser.DeviceItemAt(selectedIndex);
  if (selected && !selected->IsFolder()) {
    // The type text may not have been looked up yet if the row never showed.
    Browser.FillDeviceDetails(selectedIndex, selectedIndex);
    props.PropName = selected->Name;
    props.PropType = selected->TypeText;
    props.PropDate = selected->ModifiedText;
    props.PropSize = DeviceText::ByteCount(selected->SizeBytes);
    if (PropertiesViewer) PropertiesViewer(props);
    return;
  }
  if (selected) {
    Browser.FillDeviceDetails(selectedIndex, selectedIndex);
    props.PropName = selected->Name;
    props.PropType = selected->TypeText;
    props.PropDate = selected->ModifiedText;
  } else {
    props.PropType =
        props.PropPath == kRoot ? DeviceText::RootType() : DeviceText::FolderType();
  }
  // The shown folder itself when nothing is selected; without its counts
  // there is nothing to show of it, while a folder item still shows its
  // name, type and date.
  const bool itself = selected == nullptr;
  (void)CountFolders({itself ? QString() : selected->Name},
                     [this, props, itself](const JobResult& result,
                                           const std::vector<TreeCounts>& counts) mutable {
                       if (!result.Ok()) {
                         Refuse(result);
                         if (itself || result.Cancelled()) return;
                       } else {
                         props.PropSize = DeviceText::ByteCount(counts.front().Bytes);
                         props.PropContains =
                             DeviceText::Contents(counts.front().Files, counts.front().Folders);
                       }
                       if (PropertiesViewer) PropertiesViewer(props);
                     });
}

void DeviceFileCommands::PropertiesOfItems(const QList<int>& rows) {
  if (rows.size() < 2) {
    ShowProperties(rows.value(0, -1));
    return;
  }
  DeviceProperties props;
  props.PropModule = DeviceText::ModuleName();
  props.PropPath = Browser.PathBoxText();
  props.PropName = DeviceText::ItemCount(rows.size());
  std::vector<PaneItem> items;
  for (const int row : rows) {
    Browser.FillDeviceDetails(row, row);
    if (const PaneItem* item = Browser.DeviceItemAt(row)) items.push_back(*item);
  }
  const bool oneType = std::all_of(items.begin(), items.end(), [&](const PaneItem& item) {
    return item.TypeText == items.front().TypeText;
  });
  props.PropType = oneType && !items.empty() ? items.front().TypeText : DeviceText::SeveralTypes();
  TreeCounts files;
  QStringList folders;
  for (const PaneItem& item : items) {
    if (item.IsFolder()) {
      folders.append(item.Name);
      continue;
    }
    ++files.Files;
    files.Bytes += std::max<int64_t>(item.SizeBytes, 0);  // a listing may say anything
  }
  (void)CountFolders(folders, [this, props, files](const JobResult& result,
                                                   const std::vector<TreeCounts>& counts) mutable {
    // A folder that could not be counted leaves the totals unknown rather
    // than too small.
    if (!result.Ok()) {
      Refuse(result);
      if (!result.Cancelled() && PropertiesViewer) PropertiesViewer(props);
      return;
    }
    TreeCounts total = files;
    for (const TreeCounts& counted : counts) {
      total.Files += counted.Files;
      total.Bytes += counted.Bytes;
      total.Folders += counted.Folders + 1;
    }
    props.PropSize = DeviceText::ByteCount(total.Bytes);
    props.PropContains = DeviceText::Contents(total.Files, total.Folders);
    if (PropertiesViewer) PropertiesViewer(props);
  });
}

bool DeviceFileCommands::ShowMemory() {
  return RunJob([this](bool&) {
    return DeviceCommandJob(DeviceCommand::ShowMemory(), DeviceShell::Pace::QuickWhenChosen);
  });
}

bool DeviceFileCommands::Abort() {
  return RunJob([this](bool&) {
    return DeviceCommandJob(DeviceCommand::AnswerAbort(), DeviceShell::Pace::Standard);
  });
}

bool DeviceFileCommands::Format() {
  if (!Shell.Dialogs().AskYesNo(DeviceText::AskFormat())) return Refuse(Declined());
  return RunJob([this](bool& changed) {
    // The formatter ends its progress lines with a bare carriage return.
    JobResult formatted = ShellText::WithCheck(
        Shell.Exchange(DeviceCommand::FormatDriveD(), Timeouts().FormatMs, kCarriageReturn, {},
                       Timeouts().PromptBudgetMs),
        DeviceText::FormatMayHaveStarted());
    // A folder other than "\" is gone now; its listing shows the shell's
    // refusal. One that may have been formatted is listed to show the truth.
    changed = formatted.Ok() || formatted.MayHaveRun;
    return formatted;
  });
}

bool DeviceFileCommands::SetAutoRun(int selectedIndex) {
  const PaneItem* item = Browser.DeviceItemAt(selectedIndex);
  if (!item) return false;
  const DeviceCommand::CommandLine append = DeviceCommand::AppendToAutoRun(Folder(), item->Name);
  if (append.Refused()) return Refuse(JobResult::Failed(append.Refusal));
  return RunJob([this, append](bool& changed) {
    // Shown again whether or not the line was sent: a new AutoRun.bat appears.
    changed = true;
    // The line names the root's AutoRun.bat relative to the shell's folder:
    // make that the root of D: first, in the same exchange.
    ShellSession session(Shell, Timeouts().FileCommandMs, kLineFeed);
    if (!session.IsOpen()) return JobResult::Failed(session.OpenErrorText());
    if (JobResult selected = Browser.Lister().SelectFolder(session, kRoot); !selected.Ok())
      return selected;
    return ShellText::WithCheck(session.Run(append.Line, {}, Timeouts().PromptBudgetMs),
                                DeviceText::CommandMayHaveRun());
  });
}
