#pragma once
// NetConfig: the network configuration's device logic - the settings file,
// the account file and the system initialisation - without widgets. The
// dialog NetworkDialog and the command line's netconf, accounts and init
// drive the same operations.
//
// Principles of operation
// - Main thread only; the initialisation's shell steps run as one job on the
//   shell's runner (DeviceShell::Jobs, Await), so that the window paints
//   through the format. The shell gives the port (its selected port) and
//   the console. Uploads go through TransferFile with the given presenter,
//   one port connection per file, Cancel enabled.
// - The flows show nothing: each returns a ConfigResult, the messages the
//   user is to see in order, and the top level that started it (the dialog,
//   the command line) tells them (Told, handed to DeviceShell::Tell): the
//   same texts, kinds and order as ever. The format question is the top level's too,
//   asked before the initialisation starts (ConfirmFormat).
// - The files are written into the installation's program folder
//   (LookUpFolders, repeated by every operation; a folder that cannot be
//   used stops the operation with its message) through a temporary file
//   renamed into place; SOCKET.UPW is readable by its owner only. With
//   OwnFolder set they go into that subfolder of it instead (made when
//   missing), so that controllers configured at the same time each get a
//   file of their own under the name the controller expects. A file
//   that cannot be written completely stops the update with an error
//   naming the file and the reason; nothing is sent then.
// - "Update Successfully!" follows only an upload that arrived, and never
//   during the initialisation; a cancelled upload counts as failed.
// - The initialisation refuses before anything is sent when a file it would
//   copy is missing or unreadable, so a failure cannot leave the user with
//   an empty drive for want of a PC file. Once the format has run, nothing
//   is undone.
// - Each shell command of the initialisation is one standard exchange
//   (DeviceShell::Exchange) read up to the carriage return, with its own
//   time-out and prompt budget; a failed open and a missing echo count as
//   failure, with the exchange's message. So does the format's prompt that
//   never came back. After the format, a step that was echoed is sent,
//   whenever its prompt comes (the shell may take its time writing the
//   drive): ending there would leave the drive formatted and empty for no
//   fault. Its prompt is awaited kLatePromptMs more, in time-out units,
//   before the next step is typed; without it the step counts as sent and
//   the console says so. A lost port, a stop, a drive error and an endless
//   answer still end the initialisation.
// - A stop asked while the shell steps run (the runner's Cancel: Esc in the
//   dialog) ends the step running at its exchange's stop point; no further
//   command is typed and no file copied, and the result is Cancelled: the
//   stopped line in the console, no failure box.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "link/jobs/jobrunner.h"
#include "netconf/netsettings.h"
#include "netconf/settingsreadback.h"
#include "remote/devicelister.h"
#include "transfer/transferfile.h"

class DeviceShell;
class TransferPresenter;

struct NetConfigTimes {
  uint32_t FormatTimeoutMs = 1000;  // "C:\DLFMT D: /C"
  uint32_t FormatBudgetMs = 1000;
  uint32_t CommandTimeoutMs = 100;  // "D:", "mkdir ...", "dir"
  uint32_t CommandBudgetMs = 100;
  uint32_t TransferTimeoutMs = TransferPort::kTimeoutMs;
  DeviceTimeouts Read;  // the read-back's "type" (its file-command time-out)
};

// The optional server programs of the initialisation.
struct ServerChoice {
  bool HttpFtp = false;
  bool Ftp = false;
  bool Http = false;
};

// What a flow of the configuration came to, as the user is to be told it:
// Errors first, each in an error box of its own and in order (each address
// group's message, each failed copy's), then Result - its text in an error
// (or warning) box when it failed, in an information box when it succeeded
// ("Update Successfully!"), the stopped line in the console when the user
// stopped it. An empty text shows nothing.
struct ConfigResult {
  QStringList Errors;
  JobResult Result;

  bool Ok() const { return Result.Ok(); }
  // What the user is told, in order: every error, then the flow's result.
  std::vector<JobResult> Told() const;
};

class UserDialogs;

class NetConfig {
 public:
  NetConfig(DeviceShell& shell, TransferPresenter& presenter, NetConfigTimes times = {});

  // The dialog's fields.
  QString IpText;
  QString GatewayText;
  QString DnsText;
  QString FtpLine;
  QString HttpLine;
  QString ProgramFolder;
  QString SourceFolder;
  QString OwnFolder;  // a subfolder of ProgramFolder for the written files; empty: none

  // The top level's question before InitialiseSystem: true to go on.
  static bool ConfirmFormat(UserDialogs& dialogs);

  // Checks the octets: each refused group's message in order among the
  // errors; fills the texts when accepted.
  [[nodiscard]] ConfigResult ValidateAddresses(const AddressSettings& settings);
  [[nodiscard]] JobResult WriteSocketCfg(const AddressSettings& settings);
  [[nodiscard]] JobResult BuildAccountLines(const AccountSettings& accounts);
  [[nodiscard]] JobResult WriteSocketUpw();

  // The files on the controller read back (SettingsReadBack), each as a
  // job on the shell's runner: no values and the failure when missing or
  // not parsed; the passwords stay empty.
  SettingsReadBack::ReadBack<AddressSettings> ReadSettings();
  SettingsReadBack::ReadBack<AccountSettings> ReadAccounts();

  // The three updates; Ok when the file arrived (or, for the
  // initialisation, everything was done). The initialisation does not ask:
  // ConfirmFormat comes first.
  [[nodiscard]] ConfigResult UpdateSettings(const AddressSettings& settings);
  [[nodiscard]] ConfigResult UpdateAccounts(const AccountSettings& accounts);
  [[nodiscard]] ConfigResult InitialiseSystem(const ServerChoice& servers);

  // How long a step after the format waits for a late prompt, beyond its
  // own budget.
  static constexpr uint32_t kLatePromptMs = 5000;

  // One shell command line (with its carriage return) as a standard
  // exchange; Ok when the whole line was echoed and the prompt came back.
  [[nodiscard]] JobResult SendShellCommand(const QByteArray& commandLine, uint32_t timeoutMs,
                                           uint32_t budgetMs);
  // The same after the format: Ok once the line was echoed, the prompt
  // awaited kLatePromptMs more when it is late (see above).
  [[nodiscard]] JobResult SendAfterFormat(const QByteArray& commandLine, uint32_t timeoutMs,
                                          uint32_t budgetMs);
  // Failed, saying why, when the installation folder cannot be used.
  [[nodiscard]] JobResult LookUpFolders();
  // Uploads one PC file into a device directory; Ok when it arrived.
  [[nodiscard]] JobResult CopyToDevice(const QString& targetDir, const QString& localPath);

  // The PC files the initialisation copies, with their device directories,
  // in order (relative to SourceFolder).
  struct InitFile {
    QString RelativePath;
    QString TargetDir;
  };
  static QList<InitFile> SystemFiles();
  static QList<InitFile> ServerFiles(const ServerChoice& servers);

 private:
  // Where the written file name goes (ProgramFolder, OwnFolder).
  QString WrittenPath(const QString& name) const;
  [[nodiscard]] JobResult WriteProgramFile(const QString& name, const QByteArray& bytes,
                                           bool secret);
  [[nodiscard]] JobResult CheckInitFiles(const QList<InitFile>& files);
  // The format and the folders, on the job's worker; stops between steps.
  [[nodiscard]] JobResult PrepareDrive();
  // The copies; each failed one's message goes to errors. True when all
  // arrived.
  [[nodiscard]] bool CopyInitFiles(const QList<InitFile>& files, bool stopAtFailure,
                                   QStringList& errors);
  // An upload followed by "Update Successfully!" when it arrived.
  [[nodiscard]] ConfigResult Upload(const QString& name);

  DeviceShell& Shell;
  TransferPresenter& Presenter;
  NetConfigTimes Times;
};
