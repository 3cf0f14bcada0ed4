#pragma once
// SettingsReadBack: the controller's SOCKET.CFG and SOCKET.UPW read back
// from D:\CONF, for the configuration dialog's "Read from controller" and
// talo7100-cli netconf --show and accounts --show. QtCore only.
//
// Principles of operation
// - One "type" exchange per file (DeviceTextFile::Read), then the parser
//   (settingsparser.h). A file that is missing, does not come back whole or
//   does not parse gives no values and one failure: the shell's words, or
//   the file and the line that does not fit. The top level shows it.
// - Passwords are neither kept nor shown: the accounts come back with empty
//   password fields, and while SOCKET.UPW is typed the console (which shows
//   every answer's lines) gets each of its lines with everything after the
//   ID, the password among it, masked.
// - Runs wherever its shell's exchanges run: inside a job, the console's
//   lines (masked ones included) are handed to the main thread.

#include <QString>
#include <optional>

#include "link/jobs/jobrunner.h"
#include "link/taloconsole.h"
#include "netconf/netsettings.h"
#include "remote/devicelister.h"

class DeviceShell;

namespace SettingsReadBack {

// What a read-back came to: the values, or none and the failure.
template <typename Values>
struct ReadBack {
  std::optional<Values> Value;
  JobResult Result;
};

ReadBack<AddressSettings> ReadSettings(DeviceShell& shell, const DeviceTimeouts& timeouts = {});
ReadBack<AccountSettings> ReadAccounts(DeviceShell& shell, const DeviceTimeouts& timeouts = {});

// A console in front of another for the account file's answer: the first
// line (the command typed) passes as it is, every later one as its ID (the
// printable ASCII it begins with) and asterisks for all the rest - or, with
// no ID or nothing after it, asterisks alone. Without an inner console it
// shows nothing at all.
class MaskingConsole : public TaloConsole {
 public:
  explicit MaskingConsole(TaloConsole* inner) : Inner(inner) {}

  static QString Masked(const QString& line);

  int LineCount() const override { return Inner ? Inner->LineCount() : 1; }
  void Clear() override;
  void AppendLine(const QString& text) override;
  void AppendToLastLine(const QString&) override {}
  void EraseLastChar() override {}
  void ClearLastLine() override {}
  void NewLine() override {}
  void ResetTo(const QStringList&) override {}
  QString LastLine() const override { return Inner ? Inner->LastLine() : QString(); }
  void BeginUpdate() override {}
  void EndUpdate() override {}

 private:
  TaloConsole* Inner;
  bool CommandShown = false;
};

}  // namespace SettingsReadBack
