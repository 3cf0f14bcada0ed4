// The configuration dialog's and the command line's inputs: UTF-8 text cut
// at "|" into flags ("d" DHCP, "a" automatic name server), the twelve octets
// of address, gateway and name server, and the two accounts (ID, password,
// rights). What the checks accept must be what the controller can read:
// - an octet is accepted only when it is a decimal number (optional sign,
//   ASCII digits, nothing else) of 0..255, and it is written back plain;
// - an accepted SOCKET.CFG holds dotted quads of such numbers, printable
//   ASCII and CR LF line ends only;
// - accepted accounts give two lines of four blank-free printable fields,
//   rights in their fixed order; SOCKET.UPW is those two lines and nothing
//   else.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "netconf/netsettings.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// A decimal number as the user means one: an optional sign, then ASCII
// digits only.
std::optional<long long> PlainDecimal(const QString& text) {
  qsizetype at = 0;
  bool negative = false;
  if (at < text.size() && (text[at] == QLatin1Char('+') || text[at] == QLatin1Char('-')))
    negative = text[at++] == QLatin1Char('-');
  if (at == text.size()) return std::nullopt;
  long long value = 0;
  for (; at < text.size(); ++at) {
    const char16_t c = text[at].unicode();
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
    if (value > 100000) value = 100000;  // far out of range is out of range
  }
  return negative ? -value : value;
}

bool IsDottedQuad(const QString& text) {
  const QStringList parts = text.split(QLatin1Char('.'));
  if (parts.size() != 4) return false;
  for (const QString& part : parts) {
    const std::optional<long long> value = PlainDecimal(part);
    if (!value || *value < 0 || *value > 255 || QString::number(*value) != part) return false;
  }
  return true;
}

bool PrintableLines(const QByteArray& bytes) {
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<uint8_t>(bytes[i]);
    if (c == '\r') {
      if (i + 1 >= bytes.size() || bytes[i + 1] != '\n') return false;
      ++i;
    } else if (c < 0x20 || c >= 0x7F) {
      return false;
    }
  }
  return true;
}

bool PlainField(const QString& text) {
  if (text.isEmpty()) return false;
  for (const QChar c : text)
    if (c.unicode() <= 0x20 || c.unicode() >= 0x7F) return false;
  return true;
}

void CheckOctet(const QString& text) {
  const std::optional<int> octet = NetSettings::ParseOctet(text);
  const std::optional<long long> plain = PlainDecimal(text);
  Require(octet.has_value() == (plain && *plain >= 0 && *plain <= 255));
  if (octet) Require(*octet == *plain);
}

void CheckAccountLine(const QString& line, const QString& rights, const char* order) {
  const QStringList fields = line.split(QLatin1Char(' '));
  Require(fields.size() == 4);
  for (int i = 0; i < 3; ++i) Require(PlainField(fields[i]));
  Require(fields[3] == NetSettings::OrderedRights(rights, order));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QStringList fields = text.split(QLatin1Char('|'));
  const auto field = [&fields](int i) { return fields.value(i); };

  for (const QString& one : fields) CheckOctet(one);
  if (const std::optional<OctetTexts> quad = NetSettings::SplitDottedQuad(text))
    Require(QStringList{(*quad)[0], (*quad)[1], (*quad)[2], (*quad)[3]}.join(QLatin1Char('.')) == text);

  AddressSettings settings;
  settings.StaticIp = !field(0).contains(QLatin1Char('d'));
  settings.AutoDns = field(0).contains(QLatin1Char('a'));
  for (int i = 0; i < 4; ++i) {
    settings.Ip[static_cast<size_t>(i)] = field(1 + i);
    settings.Gateway[static_cast<size_t>(i)] = field(5 + i);
    settings.Dns[static_cast<size_t>(i)] = field(9 + i);
  }
  const AddressCheck check = NetSettings::CheckAddresses(settings);
  Require(check.Messages.size() <= 3);
  if (check.Accepted()) {
    const QByteArray cfg = NetSettings::SocketCfgBytes(settings, check);
    Require(PrintableLines(cfg) && cfg.endsWith("\r\n"));
    if (settings.StaticIp) {
      Require(IsDottedQuad(check.IpText) && check.IpText != QLatin1String("0.0.0.0"));
      Require(check.GatewayText == QLatin1String("0") || IsDottedQuad(check.GatewayText));
      if (!settings.AutoDns) Require(IsDottedQuad(check.DnsText));
    }
  }

  AccountSettings accounts;
  accounts.FtpId = field(13);
  accounts.FtpPassword = field(14);
  accounts.FtpRights = field(15);
  accounts.HttpId = field(16);
  accounts.HttpPassword = field(17);
  accounts.HttpRights = field(18);
  const AccountLines lines = NetSettings::BuildAccountLines(accounts);
  if (!lines.Message) {
    CheckAccountLine(lines.FtpLine, accounts.FtpRights, NetSettings::kFtpRightsOrder);
    CheckAccountLine(lines.HttpLine, accounts.HttpRights, NetSettings::kHttpRightsOrder);
    Require(lines.FtpLine.contains(QLatin1String(" WebRoot ")) &&
            lines.HttpLine.contains(QLatin1String(" / ")));
    const QByteArray upw = NetSettings::SocketUpwBytes(lines);
    Require(PrintableLines(upw));
    Require(upw == lines.FtpLine.toLatin1() + "\r\n\r\n" + lines.HttpLine.toLatin1());
  }
  for (const QString& rights : {field(15), field(18)}) {
    const bool valid = NetSettings::RightsLettersValid(rights, NetSettings::kFtpRightsOrder);
    for (const QChar c : rights)
      if (valid) Require(QStringLiteral("dcwr").contains(c));
  }
  return 0;
}
