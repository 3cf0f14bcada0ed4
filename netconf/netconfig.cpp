#include "netconf/netconfig.h"

#include <QDir>
#include <QFileInfo>

#include "link/devicepath.h"
#include "link/deviceshell.h"
#include "link/userdialogs.h"
#include "netconf/netconftext.h"
#include "netconf/replacefile.h"
#include "netconf/settingsreadback.h"
#include "remote/taloappdir.h"

namespace {

const QString kConfDir =
    DevicePath::OnDriveD(QString::fromLatin1(NetSettings::kConfFolder)) + QLatin1Char('\\');
const QString kRootDir = QStringLiteral("D:\\");
const QString kWebRootDir = QStringLiteral("D:\\WebRoot\\");
const QString kSettingsFile = QString::fromLatin1(NetSettings::kSettingsFileName);
const QString kAccountFile = QString::fromLatin1(NetSettings::kAccountFileName);
constexpr uint8_t kCarriageReturn = 13;

// Clears a flag when the scope ends, however it ends.
class FlagGuard {
 public:
  explicit FlagGuard(bool& flag) : Flag(flag) { Flag = true; }
  ~FlagGuard() { Flag = false; }
  FlagGuard(const FlagGuard&) = delete;
  FlagGuard& operator=(const FlagGuard&) = delete;

 private:
  bool& Flag;
};

}  // namespace

NetConfig::NetConfig(DeviceShell& shell, TransferPresenter& presenter, NetConfigTimes times)
    : Shell(shell), Presenter(presenter), Times(times) {}

bool NetConfig::ValidateAddresses(const AddressSettings& settings) {
  const AddressCheck checked = NetSettings::CheckAddresses(settings);
  for (const QString& message : checked.Messages) Shell.Dialogs().ShowError(message);
  if (!checked.Accepted()) return false;
  IpText = checked.IpText;
  GatewayText = checked.GatewayText;
  DnsText = checked.DnsText;
  return true;
}

bool NetConfig::WriteSocketCfg(const AddressSettings& settings) {
  AddressCheck checked;
  checked.IpText = IpText;
  checked.GatewayText = GatewayText;
  checked.DnsText = DnsText;
  return WriteProgramFile(kSettingsFile, NetSettings::SocketCfgBytes(settings, checked), false);
}

bool NetConfig::BuildAccountLines(const AccountSettings& accounts) {
  const AccountLines lines = NetSettings::BuildAccountLines(accounts);
  if (lines.Message) {
    Shell.Dialogs().ShowError(*lines.Message);
    return false;
  }
  FtpLine = lines.FtpLine;
  HttpLine = lines.HttpLine;
  return true;
}

bool NetConfig::WriteSocketUpw() {
  AccountLines lines;
  lines.FtpLine = FtpLine;
  lines.HttpLine = HttpLine;
  return WriteProgramFile(kAccountFile, NetSettings::SocketUpwBytes(lines), true);
}

QString NetConfig::WrittenPath(const QString& name) const {
  return OwnFolder.isEmpty() ? ProgramFolder + name
                             : TaloAppDir::JoinFolder(ProgramFolder, OwnFolder) + name;
}

bool NetConfig::WriteProgramFile(const QString& name, const QByteArray& bytes, bool secret) {
  if (!LookUpFolders()) return false;
  const QString path = WrittenPath(name);
  QDir().mkpath(QFileInfo(path).absolutePath());
  const QString reason = ReplaceFile::Write(
      path, bytes, secret ? ReplaceFile::kOwnerOnly : ReplaceFile::kReadableByAll);
  if (reason.isEmpty()) return true;
  Shell.Dialogs().ShowError(NetConfText::CannotWrite(path, reason));
  return false;
}

std::optional<AddressSettings> NetConfig::ReadSettings() {
  return SettingsReadBack::ReadSettings(Shell, Times.Read);
}

std::optional<AccountSettings> NetConfig::ReadAccounts() {
  return SettingsReadBack::ReadAccounts(Shell, Times.Read);
}

bool NetConfig::UpdateSettings(const AddressSettings& settings) {
  // 1.-2. Check and write; a file that is not complete is never sent.
  if (!ValidateAddresses(settings) || !WriteSocketCfg(settings)) return false;
  // 3. Upload.
  return LookUpFolders() && CopyToDevice(kConfDir, WrittenPath(kSettingsFile));
}

bool NetConfig::UpdateAccounts(const AccountSettings& accounts) {
  if (!BuildAccountLines(accounts) || !WriteSocketUpw()) return false;
  return LookUpFolders() && CopyToDevice(kConfDir, WrittenPath(kAccountFile));
}

QList<NetConfig::InitFile> NetConfig::SystemFiles() {
  return {{QStringLiteral("Drive_D/Default_files/CONF/SOCKET.UPW"), kConfDir},
          {QStringLiteral("Drive_D/Default_files/CONF/SOCKET.CFG"), kConfDir},
          {QStringLiteral("Drive_D/Default_files/autorun.bat"), kRootDir},
          {QStringLiteral("Drive_D/Default_files/AX8796.COM"), kRootDir},
          {QStringLiteral("Drive_D/Default_files/CFGIO.EXE"), kRootDir},
          {QStringLiteral("Drive_D/Default_files/SOCKETP.EXE"), kRootDir}};
}

QList<NetConfig::InitFile> NetConfig::ServerFiles(const ServerChoice& servers) {
  QList<InitFile> files;
  if (servers.HttpFtp)
    files.append({QStringLiteral("Drive_D/Extension_files/WebRoot/httpftpd.exe"), kWebRootDir});
  if (servers.Ftp)
    files.append({QStringLiteral("Drive_D/Extension_files/WebRoot/ftpd.exe"), kWebRootDir});
  if (servers.Http)
    files.append({QStringLiteral("Drive_D/Extension_files/WebRoot/httpd.exe"), kWebRootDir});
  return files;
}

bool NetConfig::InitialiseSystem(const ServerChoice& servers) {
  // 1. The question.
  if (!Shell.Dialogs().AskYesNo(QString::fromLatin1(NetConfText::kFormatQuestion),
                                UserDialogs::BoxKind::Warning))
    return false;
  // Every file must be at hand before the drive is formatted.
  if (!LookUpFolders()) return false;
  const QList<InitFile> system = SystemFiles();
  const QList<InitFile> extras = ServerFiles(servers);
  if (!CheckInitFiles(system + extras)) return false;
  // 2. Format and folders; a command that fails has shown its message.
  if (!PrepareDrive()) return false;
  // 3.-8. The copies, without a success message per file.
  bool succeeded = false;
  {
    FlagGuard running(InitRunning);
    succeeded = LookUpFolders() && CopyInitFiles(system, true) && CopyInitFiles(extras, false);
  }
  if (succeeded)
    Shell.Dialogs().ShowInformation(NetConfText::InitSucceeded());
  else
    Shell.Dialogs().ShowError(QString::fromLatin1(NetConfText::kInitFailed));
  return succeeded;
}

bool NetConfig::CheckInitFiles(const QList<InitFile>& files) {
  QStringList missing;
  for (const InitFile& file : files) {
    const QFileInfo info(SourceFolder + file.RelativePath);
    if (!info.isFile() || !info.isReadable()) missing.append(info.filePath());
  }
  if (missing.isEmpty()) return true;
  Shell.Dialogs().ShowError(NetConfText::MissingFiles(missing));
  return false;
}

bool NetConfig::PrepareDrive() {
  if (!SendShellCommand("C:\\DLFMT D: /C\r", Times.FormatTimeoutMs, Times.FormatBudgetMs))
    return false;
  for (const char* line : {"D:\r", "mkdir conf\r", "mkdir WebRoot\r", "dir\r"})
    if (!SendShellCommand(line, Times.CommandTimeoutMs, Times.CommandBudgetMs)) return false;
  return true;
}

bool NetConfig::CopyInitFiles(const QList<InitFile>& files, bool stopAtFailure) {
  bool all = true;
  for (const InitFile& file : files) {
    if (CopyToDevice(file.TargetDir, SourceFolder + file.RelativePath)) continue;
    all = false;
    // With the adapter unplugged every further copy would only fail to open.
    if (stopAtFailure || CopyLostLine) break;
  }
  return all;
}

bool NetConfig::SendShellCommand(const QByteArray& commandLine, uint32_t timeoutMs,
                                 uint32_t budgetMs) {
  // Read up to the carriage return, each line feed begins the next text; the
  // prompt test allows for that line feed. A prompt anywhere in a text would
  // also match an output line such as "Directory of D:\CONF".
  return Shell.RunStandardExchange(commandLine, timeoutMs, kCarriageReturn, {}, budgetMs);
}

bool NetConfig::LookUpFolders() {
  const TaloAppFolders folders = GetTaloAppDir();
  ProgramFolder = folders.ProgramFolder;
  SourceFolder = folders.SourceFolder;
  if (folders.Error.isEmpty()) return true;
  Shell.Dialogs().ShowError(folders.Error);
  return false;
}

bool NetConfig::CopyToDevice(const QString& targetDir, const QString& localPath) {
  TransferHost host{Shell.SelectedPort(), Shell.Console(), Shell.Dialogs(), Presenter};
  host.TimeoutMs = Times.TransferTimeoutMs;
  const JobResult copied = TransferFile(host, targetDir, localPath, true, &CopyLostLine);
  ShowTransferFailure(Shell.Dialogs(), copied);
  CopyOk = copied.Ok();
  if (!InitRunning && CopyOk)
    Shell.Dialogs().ShowInformation(QString::fromLatin1(NetConfText::kUpdateSuccessful));
  return CopyOk;
}
