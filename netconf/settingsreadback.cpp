#include "netconf/settingsreadback.h"

#include "link/shell/devicepath.h"
#include "link/shell/deviceshell.h"
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
  DeviceShell masked(console, shell.Dialogs(), shell.Teller());
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
  // The ID is the printable text the line begins with. Whatever follows it
  // is hidden whole, however the fields are separated (blanks, tabs, other
  // bytes): the controller may split them otherwise than at single blanks,
  // and a password must not show through a separator this side did not
  // expect. A line without an ID shows nothing but the mask.
  const QString stars = QStringLiteral("*****");
  qsizetype id = 0;
  while (id < line.size() && line[id].unicode() > 0x20 && line[id].unicode() < 0x7f) ++id;
  if (id == 0 || id == line.size()) return stars;
  return line.left(id) + QLatin1Char(' ') + stars;
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
