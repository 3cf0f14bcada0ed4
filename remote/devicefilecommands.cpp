#include "devicefilecommands.h"

#include <QStringList>

#include "devicebrowser.h"
#include "devicelister.h"
#include "devicename.h"
#include "deviceshell.h"
#include "devicetexts.h"
#include "shellitem.h"

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

bool DeviceFileCommands::Delete1Click(int selectedIndex) {
  const PShellItem* item = Browser.DeviceItemAt(selectedIndex);
  if (!item) return false;
  // 1. Remember the row (the menu's or the key's); the name is copied
  //    because a listing replaces items. After the delete the next item
  //    moves up into the row.
  Browser.DeviceMenuItemIndex = selectedIndex;
  Browser.DeviceNextSelectIndex = selectedIndex;
  const QString name = item->Name;
  DeviceCommand::CommandLine commandLine;
  QString question;
  if (item->IsFolder()) {
    // 2. "rd" refuses a non-empty folder only in its answer, which is not
    //    checked; count first so that nothing is sent for one.
    TreeCounts counts;
    if (!Browser.Lister().MeasureDeviceFolder(Folder(), name, counts)) return false;
    if (counts.Files > 0 || counts.Folders > 0) {
      Shell.Dialogs().ShowWarning(DeviceText::FolderNotEmpty(name));
      return false;
    }
    commandLine = DeviceCommand::RemoveFolder(Folder(), name);
    question = DeviceText::AskDeleteFolder(name);
  } else {
    // 3. A file; a name that cannot be typed is refused before the question.
    commandLine = DeviceCommand::DeleteFile(Folder(), name);
    if (commandLine.Refused()) return RunChecked(commandLine, {}, name);
    question = DeviceText::AskDeleteFile(name);
  }
  // 4. Confirmation.
  if (!Shell.Dialogs().AskYesNo(question)) return false;
  // 5. The command; its answer is only shown.
  if (!RunChecked(commandLine, {}, name)) return false;
  ShowAgain();
  return true;
}

bool DeviceFileCommands::Rename1Click(int selectedIndex) {
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

bool DeviceFileCommands::MakeDirectory1Click() {
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
  if (ShowProperties) ShowProperties(props);
}

bool DeviceFileCommands::MEM1Click() {
  return RunDeviceCommand(DeviceCommand::ShowMemory(), DeviceShell::Pace::QuickWhenChosen);
}

void DeviceFileCommands::ABORT1Click() {
  RunDeviceCommand(DeviceCommand::AnswerAbort(), DeviceShell::Pace::Standard);
}

bool DeviceFileCommands::FORMAT1Click() {
  if (!Shell.Dialogs().AskYesNo(DeviceText::AskFormat())) return false;
  // The formatter ends its progress lines with a bare carriage return.
  if (!Shell.RunStandardExchange(DeviceCommand::FormatDriveD(), Timeouts().FormatMs,
                                 kCarriageReturn, {}, Timeouts().PromptBudgetMs))
    return false;
  // A folder other than "\" is gone now; its listing shows the shell's refusal.
  ShowAgain();
  return true;
}

bool DeviceFileCommands::Talo7100TCP1Click(int selectedIndex) {
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
