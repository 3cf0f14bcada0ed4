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
void Report(DeviceShell& shell, const char* name, const NetSettings::ParseError& error) {
  shell.Dialogs().ShowError(NetConfText::NotUnderstood(PathOf(name), error.Line, error.Why));
}

}  // namespace

std::optional<AddressSettings> ReadSettings(DeviceShell& shell, const DeviceTimeouts& timeouts) {
  const char* name = NetSettings::kSettingsFileName;
  const DeviceTextFile::TextRead read =
      DeviceTextFile::Read(shell, kFolder, QString::fromLatin1(name), timeouts);
  shell.Report(read.Result);
  if (!read.Result.Ok()) return std::nullopt;
  const NetSettings::SettingsParse parse = NetSettings::ParseSocketCfg(read.Text);
  if (!parse.Settings) Report(shell, name, parse.Error);
  return parse.Settings;
}

std::optional<AccountSettings> ReadAccounts(DeviceShell& shell, const DeviceTimeouts& timeouts) {
  const char* name = NetSettings::kAccountFileName;
  MaskingConsole console(&shell.Console());
  DeviceShell masked(console, shell.Dialogs());
  masked.SetSelectedPort(shell.SelectedPort());
  const DeviceTextFile::TextRead read =
      DeviceTextFile::Read(masked, kFolder, QString::fromLatin1(name), timeouts);
  shell.Report(read.Result);
  if (!read.Result.Ok()) return std::nullopt;
  NetSettings::AccountsParse parse = NetSettings::ParseSocketUpw(read.Text);
  if (!parse.Accounts) {
    Report(shell, name, parse.Error);
    return std::nullopt;
  }
  parse.Accounts->FtpPassword.clear();
  parse.Accounts->HttpPassword.clear();
  return parse.Accounts;
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
