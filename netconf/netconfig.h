#pragma once
// NetConfig: the network configuration's device logic - the settings file,
// the account file and the system initialisation - without widgets. The
// dialog TdlgTaloTCPConf and the command line's netconf, accounts and init
// drive the same operations.
//
// Principles of operation
// - Main thread only. The shell gives the port (its selected port), the
//   console and the dialog service; every message goes through the latter.
//   Uploads go through TransferFile with the given presenter, one port
//   connection per file, Cancel enabled.
// - The files are written into the installation's program folder
//   (LookUpFolders, repeated by every operation; a folder that cannot be
//   used stops the operation with its message) through a temporary file
//   renamed into place; SOCKET.UPW is readable by its owner only. With
//   OwnFolder set they go into that subfolder of it instead (made when
//   missing), so that controllers configured at the same time each get a
//   file of their own under the name the controller expects. A file
//   that cannot be written completely stops the update with an error box
//   naming the file and the reason; nothing is sent then.
// - "Update Successfully!" follows only an upload that arrived, and never
//   during the initialisation; a cancelled upload counts as failed.
// - The initialisation asks before it formats, and refuses before anything
//   is sent when a file it would copy is missing or unreadable, so a failure
//   cannot leave the user with an empty drive for want of a PC file. Once
//   the format has run, nothing is undone.
// - Each shell command of the initialisation is one standard exchange
//   (DeviceShell) read up to the carriage return, with its own time-out and
//   prompt budget; a failed open, a missing echo and a prompt that never
//   came back count as failure.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "netconf/netsettings.h"
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
  bool InitRunning = false;
  bool CopyOk = false;
  bool CopyLostLine = false;  // the last copy failed because the port went away

  // Checks the octets, showing each group's message in order; fills the
  // texts when accepted.
  [[nodiscard]] bool ValidateAddresses(const AddressSettings& settings);
  [[nodiscard]] bool WriteSocketCfg(const AddressSettings& settings);
  [[nodiscard]] bool BuildAccountLines(const AccountSettings& accounts);
  [[nodiscard]] bool WriteSocketUpw();

  // The files on the controller read back (SettingsReadBack): none, after
  // saying why, when missing or not parsed; the passwords stay empty.
  std::optional<AddressSettings> ReadSettings();
  std::optional<AccountSettings> ReadAccounts();

  // The three updates; true when the file arrived (or, for the
  // initialisation, everything was done).
  bool UpdateSettings(const AddressSettings& settings);
  bool UpdateAccounts(const AccountSettings& accounts);
  bool InitialiseSystem(const ServerChoice& servers);

  // One shell command line (with its carriage return) as a standard
  // exchange; true when the whole line was echoed and the prompt came back.
  bool SendShellCommand(const QByteArray& commandLine, uint32_t timeoutMs, uint32_t budgetMs);
  // False, after saying why, when the installation folder cannot be used.
  [[nodiscard]] bool LookUpFolders();
  // Uploads one PC file into a device directory; true when it arrived.
  bool CopyToDevice(const QString& targetDir, const QString& localPath);

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
  [[nodiscard]] bool WriteProgramFile(const QString& name, const QByteArray& bytes, bool secret);
  [[nodiscard]] bool CheckInitFiles(const QList<InitFile>& files);
  [[nodiscard]] bool PrepareDrive();
  [[nodiscard]] bool CopyInitFiles(const QList<InitFile>& files, bool stopAtFailure);

  DeviceShell& Shell;
  TransferPresenter& Presenter;
  NetConfigTimes Times;
};
