#include "devicefilecommands.h"

#include <QStringList>

#include "devicebrowser.h"
#include "devicecommands.h"
#include "devicelister.h"
#include "deviceshell.h"
#include "devicetexts.h"
#include "shellitem.h"

namespace {
constexpr uint8_t kLineFeed = 10;
constexpr uint8_t kCarriageReturn = 13;
}  // namespace

DeviceFileCommands::DeviceFileCommands(DeviceBrowser& browser, DeviceShell& shell)
    : Browser(browser), Shell(shell) {}

bool DeviceFileCommands::RunChecked(const QByteArray& commandLine, const QStringList& errorWords,
                                    const QString& typedName) {
  QString refusal;
  const bool sent = Shell.RunStandardExchange(
      commandLine, Timeouts().FileCommandMs, kLineFeed,
      [&](const QByteArray& line) {
        if (refusal.isEmpty()) {
          const QString text = QString::fromLatin1(line);
          for (const QString& word : errorWords)
            if (text.contains(word)) {
              refusal = DeviceText::ShellRefusal(text, typedName);
              break;
            }
        }
        return true;  // later lines are still read and shown
      },
      Timeouts().PromptBudgetMs);
  if (!sent) return false;
  if (!refusal.isEmpty()) {
    Shell.Dialogs().ShowError(refusal);
    return false;
  }
  return true;
}

const DeviceTimeouts& DeviceFileCommands::Timeouts() const { return Browser.Lister().Timeouts(); }

bool DeviceFileCommands::RunDeviceCommand(const QByteArray& commandLine) {
  return Shell.RunStandardExchange(commandLine, Timeouts().DeviceCommandMs, kLineFeed, {},
                                   Timeouts().PromptBudgetMs);
}

QString DeviceFileCommands::AskTypedName(const QString& caption, const QString& prompt,
                                         int maxLength) {
  const std::optional<QString> answer =
      Shell.Dialogs().AskName(caption, prompt, QString(), maxLength);
  if (!answer || answer->isEmpty()) return {};
  const QString name = answer->left(maxLength);
  if (!DeviceCommand::IsSafeTypedName(name)) {
    Shell.Dialogs().ShowError(DeviceText::UnsafeName(name));
    return {};
  }
  return name;
}

bool DeviceFileCommands::Delete1Click(int selectedIndex) {
  const PShellItem* item = Browser.DeviceItemAt(selectedIndex);
  if (!item) return false;
  // 1. Remember the row (the menu's or the key's); the name is copied
  //    because a listing replaces items. After the delete the next item
  //    moves up into the row.
  Browser.DeviceMenuItemIndex = selectedIndex;
  Browser.DeviceNextSelectIndex = selectedIndex;
  const QString name = item->Name;
  QByteArray commandLine;
  QString question;
  if (item->IsFolder()) {
    // 2. "rd" refuses a non-empty folder only in its answer, which is not
    //    checked; count first so that nothing is sent for one.
    TreeCounts counts;
    if (!Browser.Lister().MeasureDeviceFolder(name, counts)) return false;
    if (counts.Files > 0 || counts.Folders > 0) {
      Shell.Dialogs().ShowWarning(DeviceText::FolderNotEmpty(name));
      return false;
    }
    commandLine = DeviceCommand::RemoveFolder(name);
    question = DeviceText::AskDeleteFolder(name);
  } else {
    // 3. A file.
    commandLine = DeviceCommand::DeleteFile(name);
    question = DeviceText::AskDeleteFile(name);
  }
  // 4. Confirmation.
  if (!Shell.Dialogs().AskYesNo(question)) return false;
  // 5. The command; its answer is only shown.
  if (!RunChecked(commandLine, {}, name)) return false;
  Browser.RefreshKeepingView();
  return true;
}

bool DeviceFileCommands::Rename1Click(int selectedIndex) {
  const PShellItem* item = Browser.DeviceItemAt(selectedIndex);
  if (!item) return false;
  Browser.DeviceMenuItemIndex = selectedIndex;
  const QString oldName = item->Name;
  const QString newName =
      AskTypedName(DeviceText::RenameCaption(oldName), DeviceText::RenamePrompt(), kFileNameLength);
  if (newName.isEmpty()) return false;
  if (!RunChecked(DeviceCommand::Rename(oldName, newName),
                  {QStringLiteral("Invalid "), QStringLiteral("Duplicate ")}, newName))
    return false;
  // The list re-sorts: the renamed file keeps the highlight, not its old row.
  Browser.RefreshSelecting(newName);
  return true;
}

bool DeviceFileCommands::MakeDirectory1Click() {
  const QString name = AskTypedName(DeviceText::MakeDirectoryCaption(),
                                    DeviceText::MakeDirectoryPrompt(), kFolderNameLength);
  if (name.isEmpty()) return false;
  if (!RunChecked(DeviceCommand::MakeFolder(name),
                  {QStringLiteral("Invalid "), QStringLiteral("Unable ")}, name))
    return false;
  Browser.RefreshSelecting(name);
  return true;
}

void DeviceFileCommands::Properities1Click(int selectedIndex) {
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
    } else if (Browser.Lister().MeasureDeviceFolder(item.Name, counts)) {
      props.PropSize = DeviceText::ByteCount(counts.Bytes);
      props.PropContains = DeviceText::Contents(counts.Files, counts.Folders);
    }
  } else {
    props.PropType =
        props.PropPath == QLatin1String("\\") ? DeviceText::RootType() : DeviceText::FolderType();
    // The shown folder itself; without its counts there is nothing to show.
    if (!Browser.Lister().MeasureDeviceFolder(QString(), counts)) return;
    props.PropSize = DeviceText::ByteCount(counts.Bytes);
    props.PropContains = DeviceText::Contents(counts.Files, counts.Folders);
  }
  if (ShowProperties) ShowProperties(props);
}

void DeviceFileCommands::MEM1Click() { RunDeviceCommand(DeviceCommand::ShowMemory()); }

void DeviceFileCommands::ABORT1Click() { RunDeviceCommand(DeviceCommand::AnswerAbort()); }

bool DeviceFileCommands::FORMAT1Click() {
  if (!Shell.Dialogs().AskYesNo(DeviceText::AskFormat())) return false;
  // The formatter ends its progress lines with a bare carriage return.
  if (!Shell.RunStandardExchange(DeviceCommand::FormatDriveD(), Timeouts().FormatMs,
                                 kCarriageReturn, {}, Timeouts().PromptBudgetMs))
    return false;
  // A folder other than "\" is gone now; its listing shows the shell's refusal.
  Browser.RefreshKeepingView();
  return true;
}

void DeviceFileCommands::Talo7100TCP1Click(int selectedIndex) {
  const PShellItem* item = Browser.DeviceItemAt(selectedIndex);
  if (!item) return;
  RunDeviceCommand(DeviceCommand::AppendToAutoRun(item->Name));
  // Shown again whether or not the line was sent: a new AutoRun.bat appears.
  Browser.RefreshKeepingView();
}
