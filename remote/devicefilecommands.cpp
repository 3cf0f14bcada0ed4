#include "remote/devicefilecommands.h"

#include <QStringList>
#include <algorithm>
#include <vector>

#include "items/shellitem.h"
#include "link/devicename.h"
#include "link/deviceshell.h"
#include "remote/devicebrowser.h"
#include "remote/devicelister.h"
#include "remote/devicetexts.h"

namespace {
constexpr uint8_t kLineFeed = 10;
constexpr uint8_t kCarriageReturn = 13;
const QString kRoot = QStringLiteral("\\");
}  // namespace

DeviceFileCommands::DeviceFileCommands(DeviceBrowser& browser, DeviceShell& shell)
    : Browser(browser), Shell(shell) {}

bool DeviceFileCommands::RunChecked(const DeviceCommand::CommandLine& commandLine,
                                    const QStringList& errorWords, const QString& sentName) {
  if (commandLine.Refused()) {
    Shell.Dialogs().ShowError(commandLine.Refusal);
    return false;
  }
  QString refusal;
  const bool sent = Shell.RunStandardExchange(
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
  if (!sent) return false;
  if (!refusal.isEmpty()) {
    Shell.Dialogs().ShowError(refusal);
    return false;
  }
  return true;
}

const DeviceTimeouts& DeviceFileCommands::Timeouts() const { return Browser.Lister().Timeouts(); }

QString DeviceFileCommands::Folder() const {
  return Browser.DevicePath().isEmpty() ? kRoot : Browser.DevicePath();
}

void DeviceFileCommands::ShowAgain(const QString& selectName) {
  if (Relist) Browser.RefreshSelecting(selectName);
}

bool DeviceFileCommands::RunDeviceCommand(const QByteArray& commandLine, DeviceShell::Pace pace) {
  return Shell.RunStandardExchange(commandLine, Timeouts().DeviceCommandMs, kLineFeed, {},
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
    Shell.Dialogs().ShowError(DeviceText::UnsafeName(*answer, form.Why));
    return std::nullopt;
  }
  return form.Name;
}

std::optional<DeviceCommand::CommandLine> DeviceFileCommands::DeleteCommand(
    const PShellItem& item) {
  if (item.IsFolder()) {
    // "rd" refuses a non-empty folder only in its answer, which is not
    // checked; count first so that nothing is sent for one.
    TreeCounts counts;
    if (!Browser.Lister().MeasureDeviceFolder(Folder(), item.Name, counts)) return std::nullopt;
    if (counts.Files > 0 || counts.Folders > 0) {
      Shell.Dialogs().ShowWarning(DeviceText::FolderNotEmpty(item.Name));
      return std::nullopt;
    }
  }
  DeviceCommand::CommandLine commandLine = item.IsFolder()
                                               ? DeviceCommand::RemoveFolder(Folder(), item.Name)
                                               : DeviceCommand::DeleteFile(Folder(), item.Name);
  // A name that cannot be typed is refused before any question.
  if (!commandLine.Refused()) return commandLine;
  Shell.Dialogs().ShowError(commandLine.Refusal);
  return std::nullopt;
}

bool DeviceFileCommands::Delete(int selectedIndex) {
  const PShellItem* selected = Browser.DeviceItemAt(selectedIndex);
  if (!selected) return false;
  // 1. Remember the row (the menu's or the key's); the item is copied
  //    because a listing replaces items. After the delete the next item
  //    moves up into the row.
  Browser.DeviceMenuItemIndex = selectedIndex;
  Browser.DeviceNextSelectIndex = selectedIndex;
  const PShellItem item = *selected;
  // 2, 3. The command; a folder only when empty.
  const std::optional<DeviceCommand::CommandLine> commandLine = DeleteCommand(item);
  if (!commandLine) return false;
  // 4. Confirmation.
  if (!Shell.Dialogs().AskYesNo(item.IsFolder() ? DeviceText::AskDeleteFolder(item.Name)
                                                : DeviceText::AskDeleteFile(item.Name)))
    return false;
  // 5. The command; its answer is only shown.
  if (!RunChecked(*commandLine, {}, item.Name)) return false;
  ShowAgain();
  return true;
}

bool DeviceFileCommands::DeleteItems(const QList<int>& rows) {
  if (rows.size() < 2) return Delete(rows.value(0, -1));
  std::vector<PShellItem> items;
  for (const int row : rows) {
    const PShellItem* item = Browser.DeviceItemAt(row);
    if (!item) return false;
    items.push_back(*item);
  }
  Browser.DeviceMenuItemIndex = rows.front();
  Browser.DeviceNextSelectIndex = rows.front();
  // Every command before the question: a refusal leaves all items in place.
  std::vector<DeviceCommand::CommandLine> commandLines;
  for (const PShellItem& item : items) {
    std::optional<DeviceCommand::CommandLine> commandLine = DeleteCommand(item);
    if (!commandLine) return false;
    commandLines.push_back(std::move(*commandLine));
  }
  if (!Shell.Dialogs().AskYesNo(DeviceText::AskDeleteItems(rows.size()))) return false;
  size_t deleted = 0;
  while (deleted < items.size() && RunChecked(commandLines[deleted], {}, items[deleted].Name))
    ++deleted;
  // Once, however many went: the pane shows what is left.
  if (deleted > 0) ShowAgain();
  return deleted == items.size();
}

bool DeviceFileCommands::Rename(int selectedIndex) {
  const PShellItem* item = Browser.DeviceItemAt(selectedIndex);
  if (!item) return false;
  Browser.DeviceMenuItemIndex = selectedIndex;
  const QString oldName = item->Name;
  // A name that cannot be typed is refused before anything is asked.
  if (const QString refusal = DeviceCommand::CheckName(oldName); !refusal.isEmpty()) {
    Shell.Dialogs().ShowError(refusal);
    return false;
  }
  const std::optional<QString> newName =
      AskNewName(DeviceText::RenameCaption(oldName), DeviceText::RenamePrompt(), oldName);
  // OK on the unchanged name asks for nothing.
  if (!newName || newName->compare(oldName, Qt::CaseInsensitive) == 0) return false;
  return RenameItem(selectedIndex, *newName);
}

bool DeviceFileCommands::RenameItem(int index, const QString& newName) {
  const PShellItem* item = Browser.DeviceItemAt(index);
  if (!item) return false;
  Browser.DeviceMenuItemIndex = index;
  if (!RunChecked(DeviceCommand::Rename(Folder(), item->Name, newName),
                  {QStringLiteral("Invalid "), QStringLiteral("Duplicate ")}, newName))
    return false;
  // The list re-sorts: the renamed file keeps the highlight, not its old row.
  ShowAgain(newName);
  return true;
}

bool DeviceFileCommands::MakeDirectory() {
  const std::optional<QString> name =
      AskNewName(DeviceText::MakeDirectoryCaption(), DeviceText::MakeDirectoryPrompt(), QString());
  return name && MakeDirectory(*name);
}

bool DeviceFileCommands::MakeDirectory(const QString& name) {
  if (!RunChecked(DeviceCommand::MakeFolder(Folder(), name),
                  {QStringLiteral("Invalid "), QStringLiteral("Unable ")}, name))
    return false;
  ShowAgain(name);
  return true;
}

void DeviceFileCommands::ShowProperties(int selectedIndex) {
  DeviceProperties props;
  props.PropModule = DeviceText::ModuleName();
  props.PropPath = Browser.PathBoxText();
  const PShellItem* selected = Browser.DeviceItemAt(selectedIndex);
  TreeCounts counts;
  if (selected) {
    // The type text may not have been looked up yet if the row never showed.
    Browser.FillDeviceDetails(selectedIndex, selectedIndex);
    const PShellItem item = *selected;
    props.PropName = item.Name;
    props.PropType = item.TypeText;
    props.PropDate = item.ModifiedText;
    if (!item.IsFolder()) {
      props.PropSize = DeviceText::ByteCount(item.SizeBytes);
    } else if (Browser.Lister().MeasureDeviceFolder(Folder(), item.Name, counts)) {
      props.PropSize = DeviceText::ByteCount(counts.Bytes);
      props.PropContains = DeviceText::Contents(counts.Files, counts.Folders);
    }
  } else {
    props.PropType =
        props.PropPath == kRoot ? DeviceText::RootType() : DeviceText::FolderType();
    // The shown folder itself; without its counts there is nothing to show.
    if (!Browser.Lister().MeasureDeviceFolder(Folder(), QString(), counts)) return;
    props.PropSize = DeviceText::ByteCount(counts.Bytes);
    props.PropContains = DeviceText::Contents(counts.Files, counts.Folders);
  }
  if (PropertiesViewer) PropertiesViewer(props);
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
  std::vector<PShellItem> items;
  for (const int row : rows) {
    Browser.FillDeviceDetails(row, row);
    if (const PShellItem* item = Browser.DeviceItemAt(row)) items.push_back(*item);
  }
  const bool oneType = std::all_of(items.begin(), items.end(), [&](const PShellItem& item) {
    return item.TypeText == items.front().TypeText;
  });
  props.PropType = oneType && !items.empty() ? items.front().TypeText : DeviceText::SeveralTypes();
  TreeCounts total;
  for (const PShellItem& item : items) {
    if (!item.IsFolder()) {
      ++total.Files;
      total.Bytes += std::max<int64_t>(item.SizeBytes, 0);  // a listing may say anything
      continue;
    }
    TreeCounts counts;
    // A folder that could not be counted (its message shown) leaves the
    // totals unknown rather than too small.
    if (!Browser.Lister().MeasureDeviceFolder(Folder(), item.Name, counts)) {
      if (PropertiesViewer) PropertiesViewer(props);
      return;
    }
    total.Files += counts.Files;
    total.Bytes += counts.Bytes;
    total.Folders += counts.Folders + 1;
  }
  props.PropSize = DeviceText::ByteCount(total.Bytes);
  props.PropContains = DeviceText::Contents(total.Files, total.Folders);
  if (PropertiesViewer) PropertiesViewer(props);
}

bool DeviceFileCommands::ShowMemory() {
  return RunDeviceCommand(DeviceCommand::ShowMemory(), DeviceShell::Pace::QuickWhenChosen);
}

void DeviceFileCommands::Abort() {
  RunDeviceCommand(DeviceCommand::AnswerAbort(), DeviceShell::Pace::Standard);
}

bool DeviceFileCommands::Format() {
  if (!Shell.Dialogs().AskYesNo(DeviceText::AskFormat())) return false;
  // The formatter ends its progress lines with a bare carriage return.
  if (!Shell.RunStandardExchange(DeviceCommand::FormatDriveD(), Timeouts().FormatMs,
                                 kCarriageReturn, {}, Timeouts().PromptBudgetMs))
    return false;
  // A folder other than "\" is gone now; its listing shows the shell's refusal.
  ShowAgain();
  return true;
}

bool DeviceFileCommands::SetAutoRun(int selectedIndex) {
  const PShellItem* item = Browser.DeviceItemAt(selectedIndex);
  if (!item) return false;
  const DeviceCommand::CommandLine append = DeviceCommand::AppendToAutoRun(Folder(), item->Name);
  if (append.Refused()) {
    Shell.Dialogs().ShowError(append.Refusal);
    return false;
  }
  QString error;
  {
    // The line names the root's AutoRun.bat relative to the shell's folder:
    // make that the root of D: first, in the same exchange.
    ShellSession session(Shell, Timeouts().FileCommandMs, kLineFeed);
    if (!session.IsOpen()) {
      error = session.OpenErrorText();
    } else if (error = Browser.Lister().SelectFolder(session, kRoot); error.isEmpty()) {
      // Echoed but never back at the prompt: a program still runs there.
      if (!session.Send(append.Line) || !session.ReadAnswer({}, Timeouts().PromptBudgetMs))
        error = session.FailureText(ShellText::UnableToSend(QString::fromLatin1(append.Line)));
    }
  }  // The port is closed before anything is shown.
  if (!error.isEmpty()) Shell.Dialogs().ShowError(error);
  // Shown again whether or not the line was sent: a new AutoRun.bat appears.
  ShowAgain();
  return error.isEmpty();
}
