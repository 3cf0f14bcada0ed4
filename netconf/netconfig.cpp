#include "netconf/netconfig.h"

#include <QDir>
#include <QFileInfo>

#include "installation/taloappfolders.h"
#include "link/shell/devicepath.h"
#include "link/shell/deviceshell.h"
#include "link/shell/shellsession.h"
#include "link/userdialogs.h"
#include "netconf/netconftext.h"
#include "netconf/replacefile.h"
#include "netconf/settingsreadback.h"

namespace {

const QString kConfDir =
    DevicePath::OnDriveD(QString::fromLatin1(NetSettings::kConfFolder)) + QLatin1Char('\\');
const QString kRootDir = QStringLiteral("D:\\");
const QString kWebRootDir = QStringLiteral("D:\\WebRoot\\");
const QString kSettingsFile = QString::fromLatin1(NetSettings::kSettingsFileName);
const QString kAccountFile = QString::fromLatin1(NetSettings::kAccountFileName);
constexpr uint8_t kCarriageReturn = 13;

// One file's read-back as a job on the shell's runner.
template <typename Values>
SettingsReadBack::ReadBack<Values> ReadAsJob(
    DeviceShell& shell,
    SettingsReadBack::ReadBack<Values> (*read)(DeviceShell&, const DeviceTimeouts&),
    const DeviceTimeouts& timeouts) {
  SettingsReadBack::ReadBack<Values> back;
  // A job that did not run (another one was running) leaves its reason.
  back.Result = shell.Jobs().Await([&] {
    back = read(shell, timeouts);
    return back.Result;
  });
  return back;
}

}  // namespace

std::vector<JobResult> ConfigResult::Told() const {
  std::vector<JobResult> told;
  for (const QString& error : Errors) told.push_back(JobResult::Failed(error));
  told.push_back(Result);
  return told;
}

NetConfig::NetConfig(DeviceShell& shell, TransferPresenter& presenter, NetConfigTimes times)
    : Shell(shell), Presenter(presenter), Times(times) {}

bool NetConfig::ConfirmFormat(UserDialogs& dialogs) {
  return dialogs.AskYesNo(QString::fromLatin1(NetConfText::kFormatQuestion),
                          UserDialogs::BoxKind::Warning);
}

ConfigResult NetConfig::ValidateAddresses(const AddressSettings& settings) {
  const AddressCheck checked = NetSettings::CheckAddresses(settings);
  if (!checked.Accepted()) return {checked.Messages, JobResult::Failed(QString())};
  IpText = checked.IpText;
  GatewayText = checked.GatewayText;
  DnsText = checked.DnsText;
  return {checked.Messages, JobResult::Done()};
}

JobResult NetConfig::WriteSocketCfg(const AddressSettings& settings) {
  AddressCheck checked;
  checked.IpText = IpText;
  checked.GatewayText = GatewayText;
  checked.DnsText = DnsText;
  return WriteProgramFile(kSettingsFile, NetSettings::SocketCfgBytes(settings, checked), false);
}

JobResult NetConfig::BuildAccountLines(const AccountSettings& accounts) {
  const AccountLines lines = NetSettings::BuildAccountLines(accounts);
  if (lines.Message) return JobResult::Failed(*lines.Message);
  FtpLine = lines.FtpLine;
  HttpLine = lines.HttpLine;
  return JobResult::Done();
}

JobResult NetConfig::WriteSocketUpw() {
  AccountLines lines;
  lines.FtpLine = FtpLine;
  lines.HttpLine = HttpLine;
  return WriteProgramFile(kAccountFile, NetSettings::SocketUpwBytes(lines), true);
}

QString NetConfig::WrittenPath(const QString& name) const {
  return OwnFolder.isEmpty() ? ProgramFolder + name
                             : TaloAppDir::JoinFolder(ProgramFolder, OwnFolder) + name;
}

JobResult NetConfig::WriteProgramFile(const QString& name, const QByteArray& bytes, bool secret) {
  if (JobResult folders = LookUpFolders(); !folders) return folders;
  const QString path = WrittenPath(name);
  QDir().mkpath(QFileInfo(path).absolutePath());
  const QString reason = ReplaceFile::Write(
      path, bytes, secret ? ReplaceFile::kOwnerOnly : ReplaceFile::kReadableByAll);
  if (reason.isEmpty()) return JobResult::Done();
  return JobResult::Failed(NetConfText::CannotWrite(path, reason));
}

SettingsReadBack::ReadBack<AddressSettings> NetConfig::ReadSettings() {
  return ReadAsJob(Shell, &SettingsReadBack::ReadSettings, Times.Read);
}

SettingsReadBack::ReadBack<AccountSettings> NetConfig::ReadAccounts() {
  return ReadAsJob(Shell, &SettingsReadBack::ReadAccounts, Times.Read);
}

ConfigResult NetConfig::UpdateSettings(const AddressSettings& settings) {
  // 1.-2. Check and write; a file that is not complete is never sent.
  ConfigResult checked = ValidateAddresses(settings);
  if (!checked.Ok()) return checked;
  if (JobResult written = WriteSocketCfg(settings); !written) return {{}, written};
  // 3. Upload.
  return Upload(kSettingsFile);
}

ConfigResult NetConfig::UpdateAccounts(const AccountSettings& accounts) {
  if (JobResult built = BuildAccountLines(accounts); !built) return {{}, built};
  if (JobResult written = WriteSocketUpw(); !written) return {{}, written};
  return Upload(kAccountFile);
}

ConfigResult NetConfig::Upload(const QString& name) {
  if (JobResult folders = LookUpFolders(); !folders) return {{}, folders};
  JobResult copied = CopyToDevice(kConfDir, WrittenPath(name));
  if (!copied) return {{}, copied};
  return {{}, JobResult::Done(QString::fromLatin1(NetConfText::kUpdateSuccessful))};
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

ConfigResult NetConfig::InitialiseSystem(const ServerChoice& servers) {
  // Every file must be at hand before the drive is formatted.
  if (JobResult folders = LookUpFolders(); !folders) return {{}, folders};
  const QList<InitFile> system = SystemFiles();
  const QList<InitFile> extras = ServerFiles(servers);
  if (JobResult checked = CheckInitFiles(system + extras); !checked) return {{}, checked};
  // 2. Format and folders, one job: the window paints meanwhile, and a stop
  // ends them between lines or steps. A command that fails ends the
  // initialisation with its own message.
  const JobResult prepared = Shell.Jobs().Await([this] { return PrepareDrive(); });
  if (!prepared) return {{}, prepared};
  // 3.-8. The copies, without a success message per file.
  ConfigResult result;
  const JobResult folders = LookUpFolders();
  if (!folders) result.Errors.append(folders.Text);
  const bool succeeded = folders.Ok() && CopyInitFiles(system, true, result.Errors) &&
                         CopyInitFiles(extras, false, result.Errors);
  result.Result = succeeded ? JobResult::Done(NetConfText::InitSucceeded())
                            : JobResult::Failed(QString::fromLatin1(NetConfText::kInitFailed));
  return result;
}

JobResult NetConfig::CheckInitFiles(const QList<InitFile>& files) {
  QStringList missing;
  for (const InitFile& file : files) {
    const QFileInfo info(SourceFolder + file.RelativePath);
    if (!info.isFile() || !info.isReadable()) missing.append(info.filePath());
  }
  if (missing.isEmpty()) return JobResult::Done();
  return JobResult::Failed(NetConfText::MissingFiles(missing));
}

JobResult NetConfig::PrepareDrive() {
  struct Step {
    QByteArray Line;
    uint32_t TimeoutMs;
    uint32_t BudgetMs;
  };
  const Step steps[] = {{"C:\\DLFMT D: /C\r", Times.FormatTimeoutMs, Times.FormatBudgetMs},
                        {"D:\r", Times.CommandTimeoutMs, Times.CommandBudgetMs},
                        {"mkdir conf\r", Times.CommandTimeoutMs, Times.CommandBudgetMs},
                        {"mkdir WebRoot\r", Times.CommandTimeoutMs, Times.CommandBudgetMs},
                        {"dir\r", Times.CommandTimeoutMs, Times.CommandBudgetMs}};
  for (const Step& step : steps) {
    const bool formatted = &step != steps;
    JobResult sent = formatted ? SendAfterFormat(step.Line, step.TimeoutMs, step.BudgetMs)
                               : SendShellCommand(step.Line, step.TimeoutMs, step.BudgetMs);
    if (!sent) {
      // From the format on, D: may have been formatted whatever failed.
      sent.MayHaveRun = sent.MayHaveRun || formatted;
      return ShellText::WithCheck(sent, NetConfText::InitStepMayHaveRun());
    }
    // A stop that came while the step's answer was read to its end: nothing
    // further is typed, nor copied after the last step.
    if (JobRunner::StopRequested()) return JobResult::Stopped();
  }
  return JobResult::Done();
}

bool NetConfig::CopyInitFiles(const QList<InitFile>& files, bool stopAtFailure,
                              QStringList& errors) {
  bool all = true;
  for (const InitFile& file : files) {
    const JobResult copied = CopyToDevice(file.TargetDir, SourceFolder + file.RelativePath);
    if (copied) continue;
    if (!copied.Text.isEmpty()) errors.append(copied.Text);
    all = false;
    // With the adapter unplugged every further copy would only fail to open.
    if (stopAtFailure || copied.Status == JobStatus::Disconnected) break;
  }
  return all;
}

JobResult NetConfig::SendShellCommand(const QByteArray& commandLine, uint32_t timeoutMs,
                                      uint32_t budgetMs) {
  // Read up to the carriage return, each line feed begins the next text; the
  // prompt test allows for that line feed. A prompt anywhere in a text would
  // also match an output line such as "Directory of D:\CONF".
  return Shell.Exchange(commandLine, timeoutMs, kCarriageReturn, {}, budgetMs);
}

JobResult NetConfig::SendAfterFormat(const QByteArray& commandLine, uint32_t timeoutMs,
                                     uint32_t budgetMs) {
  ShellSession session(Shell, timeoutMs, kCarriageReturn);
  if (!session.IsOpen()) return JobResult::Failed(session.OpenErrorText());
  const QString unableToSend = ShellText::UnableToSend(QString::fromLatin1(commandLine));
  // A line whose carriage return went out counts as sent, its echo checked
  // or not, as a late prompt does.
  if (!session.Send(commandLine) && !session.CommandEntered()) return session.Failure(unableToSend);
  if (session.ReadAnswer({}, budgetMs) || session.ReadAnswer({}, kLatePromptMs))
    return JobResult::Done();
  // Silence alone is a late prompt; whatever else ended the answer ends the
  // initialisation.
  const JobResult late = session.Failure(unableToSend);
  if (late.Status != JobStatus::TimedOut) return late;
  Shell.AppendConsoleLine(NetConfText::LatePrompt(commandLine));
  return JobResult::Done();
}  // the port is closed before the next step opens it

JobResult NetConfig::LookUpFolders() {
  const TaloAppFolders folders = GetTaloAppDir();
  ProgramFolder = folders.ProgramFolder;
  SourceFolder = folders.SourceFolder;
  if (folders.Error.isEmpty()) return JobResult::Done();
  return JobResult::Failed(folders.Error);
}

JobResult NetConfig::CopyToDevice(const QString& targetDir, const QString& localPath) {
  TransferHost host{Shell.SelectedPort(), Shell.Console(), Shell.Dialogs(), Presenter};
  host.TimeoutMs = Times.TransferTimeoutMs;
  // The transfer's failure goes up with its text; the top level shows it.
  return TransferFile(host, targetDir, localPath, true);
}
