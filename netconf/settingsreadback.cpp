#include "netconf/settingsreadback.h"

#include "link/devicepath.h"
#include "link/deviceshell.h"
#include "netconf/netconftext.h"
#include "netconf/settingsparser.h"
#include "remote/devicetextfile.h"

namespace SettingsReadBack {
namespace {

const QString kFolder = QString::fromLatin1(NetSettings::kConfFolder);

QString PathOf(const char* name) {
  return DevicePath::OnDriveD(kFolder, QString::fromLatin1(name));
}

// A parse that failed: which file, which line, why.
JobResult NotUnderstood(const char* name, const NetSettings::ParseError& error) {
  return JobResult::Failed(NetConfText::NotUnderstood(PathOf(name), error.Line, error.Why));
}

}  // namespace

ReadBack<AddressSettings> ReadSettings(DeviceShell& shell, const DeviceTimeouts& timeouts) {
  const char* name = NetSettings::kSettingsFileName;
  const DeviceTextFile::TextRead read =
      DeviceTextFile::Read(shell, kFolder, QString::fromLatin1(name), timeouts);
  if (!read.Result.Ok()) return {std::nullopt, read.Result};
  const NetSettings::SettingsParse parse = NetSettings::ParseSocketCfg(read.Text);
  if (!parse.Settings) return {std::nullopt, NotUnderstood(name, parse.Error)};
  return {parse.Settings, JobResult::Done()};
}

ReadBack<AccountSettings> ReadAccounts(DeviceShell& shell, const DeviceTimeouts& timeouts) {
  const char* name = NetSettings::kAccountFileName;
  MaskingConsole console(&shell.Console());
  DeviceShell masked(console, shell.Dialogs());
  masked.SetSelectedPort(shell.SelectedPort());
  const DeviceTextFile::TextRead read =
      DeviceTextFile::Read(masked, kFolder, QString::fromLatin1(name), timeouts);
  if (!read.Result.Ok()) return {std::nullopt, read.Result};
  NetSettings::AccountsParse parse = NetSettings::ParseSocketUpw(read.Text);
  if (!parse.Accounts) return {std::nullopt, NotUnderstood(name, parse.Error)};
  parse.Accounts->FtpPassword.clear();
  parse.Accounts->HttpPassword.clear();
  return {parse.Accounts, JobResult::Done()};
}

QString MaskingConsole::Masked(const QString& line) {
  QStringList fields = line.split(QLatin1Char(' '));
  const QString stars = QStringLiteral("*****");
  if (fields.size() < 2) return stars;
  fields[1] = stars;
  return fields.join(QLatin1Char(' '));
}

void MaskingConsole::Clear() {
  if (Inner) Inner->Clear();
}

void MaskingConsole::AppendLine(const QString& text) {
  if (!Inner) return;
  Inner->AppendLine(CommandShown ? Masked(text) : text);
  CommandShown = true;
}

}  // namespace SettingsReadBack
