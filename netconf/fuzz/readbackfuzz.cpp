// The read-back parsers of SOCKET.CFG and SOCKET.UPW on any bytes: no crash,
// a refusal names a line of the file (or the one past its end), and what
// parses is what the writers write - written again, it parses to the same
// settings.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "netconf/settingsparser.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

bool Same(const AddressSettings& a, const AddressSettings& b) {
  return a.StaticIp == b.StaticIp && a.Ip == b.Ip && a.Gateway == b.Gateway &&
         a.AutoDns == b.AutoDns && a.Dns == b.Dns;
}

bool Same(const AccountSettings& a, const AccountSettings& b) {
  return a.FtpId == b.FtpId && a.FtpPassword == b.FtpPassword && a.FtpRights == b.FtpRights &&
         a.HttpId == b.HttpId && a.HttpPassword == b.HttpPassword && a.HttpRights == b.HttpRights;
}

void RequireLineOf(const QByteArray& bytes, const NetSettings::ParseError& error) {
  Require(!error.Why.isEmpty());
  Require(error.Line >= 1 && error.Line <= bytes.count('\n') + 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

  const NetSettings::SettingsParse cfg = NetSettings::ParseSocketCfg(bytes);
  if (cfg.Settings) {
    const AddressCheck check = NetSettings::CheckAddresses(*cfg.Settings);
    Require(check.Accepted());
    const NetSettings::SettingsParse again =
        NetSettings::ParseSocketCfg(NetSettings::SocketCfgBytes(*cfg.Settings, check));
    Require(again.Settings && Same(*again.Settings, *cfg.Settings));
  } else {
    RequireLineOf(bytes, cfg.Error);
  }

  const NetSettings::AccountsParse upw = NetSettings::ParseSocketUpw(bytes);
  if (upw.Accounts) {
    const AccountLines lines = NetSettings::BuildAccountLines(*upw.Accounts);
    Require(!lines.Message);
    const NetSettings::AccountsParse again =
        NetSettings::ParseSocketUpw(NetSettings::SocketUpwBytes(lines));
    Require(again.Accounts && Same(*again.Accounts, *upw.Accounts));
  } else {
    RequireLineOf(bytes, upw.Error);
  }
  return 0;
}
