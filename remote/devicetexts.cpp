#include "remote/devicetexts.h"

#include "items/panestatus.h"
#include "link/shell/devicename.h"
#include "link/shell/deviceshell.h"

namespace DeviceText {
namespace {

const QString kInitModeHint = QStringLiteral(
    "!\n\nPlease make sure the TALO-7100 is in INIT mode\n\nand no program is running");

}  // namespace

QString UnableToSendDrive() { return QStringLiteral("Unable to send command") + kInitModeHint; }
QString UnableToSendChangeFolder(const QString& path) {
  return QStringLiteral("Unable to send command 'cd") + path + QLatin1Char('\'') + kInitModeHint;
}
QString UnableToSendList() {
  return QStringLiteral("Unable to send command 'dir'") + kInitModeHint;
}
QString UnableToSendCountTree() {
  return QStringLiteral("Unable to send command 'dir/s'") + kInitModeHint;
}
QString ListingCutShort() {
  return QStringLiteral("The TALO-7100 stopped answering 'dir' before the listing was complete") +
         kInitModeHint;
}
QString CountCutShort() {
  return QStringLiteral("The TALO-7100 stopped answering 'dir/s' before the count was complete") +
         kInitModeHint;
}
QString ShellRefusal(const QString& line, const QString& name) {
  return line + QLatin1Char('\'') + name + QStringLiteral("'!");
}

QString FolderNotEmpty(const QString& name) {
  return QStringLiteral("The directory '") + name +
         QStringLiteral("' is not empty.\nCannot delete this directory!");
}
QString AskDeleteFolder(const QString& name) {
  return QStringLiteral("Are you sure to delete the directory '") + name +
         QStringLiteral("'\nfrom TALO-7100?");
}
QString AskDeleteFile(const QString& name) {
  return QStringLiteral("Are you sure to delete the file '") + name +
         QStringLiteral("'\nfrom TALO-7100?");
}
QString AskDeleteItems(qsizetype count) {
  return QStringLiteral("Delete %1 items from the TALO-7100?").arg(count);
}
QString RenameCaption(const QString& oldName) {
  return QStringLiteral("Rename file '") + oldName + QLatin1Char('\'');
}
QString RenamePrompt() { return QStringLiteral("Please input new file name:"); }
QString MakeDirectoryCaption() { return QStringLiteral("Make directory"); }
QString MakeDirectoryPrompt() { return QStringLiteral("Please input new directory name:"); }
QString AskFormat() {
  return QStringLiteral(
      "This action will format the D drive on TALO-7100.\nAll the data on that drive will be "
      "erased.\nAre you sure?");
}
QString FormatMayHaveStarted() {
  return QStringLiteral("FORMAT may have started: list the drive before you go on.");
}
QString CommandMayHaveRun() {
  return QStringLiteral("List the folder before you go on: it shows what the command did.");
}
QString UnsafeName(const QString& name, const QString& why) {
  return QStringLiteral("The name '") + name +
         QStringLiteral("' cannot be sent to the TALO-7100: ") + why + QLatin1Char('.');
}
QString NotFound(const QString& path) {
  return QStringLiteral("'") + path + QStringLiteral("' is not on the TALO-7100's D: drive!");
}
QString NotAProgram(const QString& path) {
  return QStringLiteral("'") + path + QStringLiteral("' is not a program (.EXE)!");
}
QString NotAFile(const QString& path) {
  return QStringLiteral("'") + path + QStringLiteral("' is a folder: only files are renamed!");
}
QString WouldBeCut(const QString& typed, const QString& shortName) {
  return QStringLiteral("The name '") + typed + QStringLiteral("' does not fit 8.3: it would be sent as ") +
         shortName + QStringLiteral(" (") + DeviceName::NewNameRule() + QLatin1Char(')');
}

QString AskViewLarge(const QString& name, int64_t bytes, int seconds) {
  return QStringLiteral("%1 holds %2 bytes: typing it takes about %3 seconds on the line.\n\n"
                        "View it?")
      .arg(name)
      .arg(bytes)
      .arg(seconds);
}
QString TextLineTooLong(const QString& path) {
  return QStringLiteral("'%1' has a line longer than %2 characters, which the shell's answer "
                        "cannot carry whole: the text is not shown.")
      .arg(path)
      .arg(DeviceShell::kLineLimit - 1);
}

QString PrintedNotWhole(const QString& path) {
  return QStringLiteral("%1 did not come through \"type\" whole (it holds bytes \"type\" cannot "
                        "carry): what was printed is not the file. \"talo7100-cli get\" copies it "
                        "as the controller holds it.")
      .arg(path);
}

QString NotReadWhole(const QString& name) {
  return QStringLiteral("%1 did not come through \"type\" whole (it holds bytes \"type\" cannot "
                        "carry), so it is not saved: the file would differ from the controller's.\n"
                        "Copy to PC copies it as the controller holds it.")
      .arg(name);
}

QString ListingFailedStatus(ListingFailure failure, const QString& port) {
  switch (failure) {
    case ListingFailure::PortNotOpened:
      return port + QStringLiteral(" cannot be opened - Refresh to try again");
    case ListingFailure::NoAnswer:
      return QStringLiteral("No answer on ") + port +
             QStringLiteral(" - check the cable and the controller, then Refresh");
    case ListingFailure::Disconnected:
      return port + QStringLiteral(" was disconnected - plug it in, then Refresh");
    case ListingFailure::FolderRefused:
      return QStringLiteral("Folder not found - go up or choose another");
    case ListingFailure::Incomplete:
    case ListingFailure::None:
      break;
  }
  return QStringLiteral("Listing incomplete - Refresh to try again");
}

QString ObjectCount(qsizetype count) { return PaneStatus::ObjectCount(count); }
QString SizeText(uint64_t totalBytes) {
  return PaneStatus::TotalSize(static_cast<int64_t>(totalBytes));
}
QString ByteCount(int64_t bytes) { return QString::number(bytes) + QStringLiteral(" byte(s)"); }
QString Contents(int64_t files, int64_t folders) {
  return QString::number(files) + QStringLiteral(" file(s), ") + QString::number(folders) +
         QStringLiteral(" folder(s)");
}
QString ModuleName() { return QStringLiteral("TALO-7100"); }
QString RootType() { return QStringLiteral("TALO disk (D:)"); }
QString FolderType() { return QStringLiteral("Folder"); }
QString ItemCount(qsizetype count) { return QStringLiteral("%1 items").arg(count); }
QString SeveralTypes() { return QStringLiteral("Several types"); }
QString CancelCaption() { return QStringLiteral("Cancel"); }

}  // namespace DeviceText
