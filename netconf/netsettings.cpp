#include "netconf/netsettings.h"

#include <QRegularExpression>

#include "netconf/netconftext.h"

namespace NetSettings {

namespace {

const QByteArray kLineEnd("\r\n");

// Each group stops at its first bad octet; the dotted text of a good group.
std::optional<QString> DottedOctets(const OctetTexts& octets) {
  QStringList parts;
  for (const QString& text : octets) {
    const std::optional<int> value = ParseOctet(text);
    if (!value) return std::nullopt;
    parts.append(QString::number(*value));
  }
  return parts.join(QLatin1Char('.'));
}

bool AllEmpty(const OctetTexts& octets) {
  for (const QString& text : octets)
    if (!text.isEmpty()) return false;
  return true;
}

bool AllZero(const OctetTexts& octets) {
  for (const QString& text : octets)
    if (ParseOctet(text) != 0) return false;
  return true;
}

// Printable ASCII without the blank: what the servers can read as one field.
bool PlainField(const QString& text) {
  for (const QChar c : text)
    if (c.unicode() <= 0x20 || c.unicode() >= 0x7F) return false;
  return true;
}

}  // namespace

std::optional<int> ParseOctet(const QString& text) {
  // \A and \z: "$" would also match before a final line feed, and "12\n"
  // is no number.
  static const QRegularExpression decimal(QStringLiteral("\\A[+-]?[0-9]+\\z"));
  if (!decimal.match(text).hasMatch()) return std::nullopt;
  bool ok = false;
  const int value = text.toInt(&ok, 10);
  if (!ok || value < 0 || value > 255) return std::nullopt;
  return value;
}

std::optional<OctetTexts> SplitDottedQuad(const QString& text) {
  const QStringList parts = text.split(QLatin1Char('.'));
  if (parts.size() != 4) return std::nullopt;
  return OctetTexts{parts[0], parts[1], parts[2], parts[3]};
}

AddressCheck CheckAddresses(const AddressSettings& settings) {
  AddressCheck result;
  if (!settings.StaticIp) {
    result.IpText = QString::fromLatin1(kDhcpAddress);
    return result;
  }
  // 0.0.0.0 is no address, however it is spelt ("00" is 0 too); nothing
  // else is looked at then.
  if (AllZero(settings.Ip)) {
    result.Messages.append(QString::fromLatin1(NetConfText::kIpIllegal));
    return result;
  }
  const std::optional<QString> ip = DottedOctets(settings.Ip);
  if (!ip) result.Messages.append(QString::fromLatin1(NetConfText::kIpIllegal));
  const bool noGateway = AllEmpty(settings.Gateway);
  const std::optional<QString> gateway =
      noGateway ? std::optional<QString>(QStringLiteral("0")) : DottedOctets(settings.Gateway);
  if (!gateway) result.Messages.append(QString::fromLatin1(NetConfText::kGatewayIllegal));
  if (result.Accepted()) {
    result.IpText = *ip;
    result.GatewayText = *gateway;
  }
  if (settings.AutoDns) return result;
  const std::optional<QString> dns = DottedOctets(settings.Dns);
  if (!dns) result.Messages.append(QString::fromLatin1(NetConfText::kDnsIllegal));
  if (result.Accepted()) result.DnsText = *dns;
  return result;
}

QByteArray SocketCfgBytes(const AddressSettings& settings, const AddressCheck& checked) {
  QByteArrayList lines;
  lines << "# Packet driver settings"
        << "ip address " + checked.IpText.toLatin1() << "interface pdr if0 dix 1500 10 0x60";
  if (settings.StaticIp) {
    lines << "route add default if0 " + checked.GatewayText.toLatin1();
    if (!settings.AutoDns) lines << "domain server " + checked.DnsText.toLatin1();
  }
  lines << ""
        << "# The following will cause SOCKETS to display IP status"
        << "ip address"
        << ""
        << "# The following lines set TCP parameters"
        << "ip ttl 64"
        << "tcp mss 1460"
        << "tcp window 2920";
  QByteArray bytes;
  for (const QByteArray& line : lines) bytes += line + kLineEnd;
  return bytes;
}

QString OrderedRights(const QString& rights, const char* order) {
  QString letters;
  for (const char* letter = order; *letter; ++letter)
    if (rights.contains(QLatin1Char(*letter))) letters += QLatin1Char(*letter);
  return letters;
}

bool RightsLettersValid(const QString& rights, const char* allowed) {
  const QString letters = QString::fromLatin1(allowed);
  for (const QChar c : rights)
    if (!letters.contains(c)) return false;
  return true;
}

AccountLines BuildAccountLines(const AccountSettings& accounts) {
  AccountLines result;
  // Both accounts are always required.
  if (accounts.FtpId.isEmpty() || accounts.FtpPassword.isEmpty() || accounts.HttpId.isEmpty() ||
      accounts.HttpPassword.isEmpty()) {
    result.Message = QString::fromLatin1(NetConfText::kBlankAccount);
    return result;
  }
  const struct {
    const QString& Text;
    const char* Name;
    int MaxLength;
  } fields[] = {{accounts.FtpId, "FTP ID", kMaxIdLength},
                {accounts.FtpPassword, "FTP password", kMaxPasswordLength},
                {accounts.HttpId, "HTTP ID", kMaxIdLength},
                {accounts.HttpPassword, "HTTP password", kMaxPasswordLength}};
  for (const auto& field : fields) {
    const QString name = QString::fromLatin1(field.Name);
    if (!PlainField(field.Text))
      result.Message = NetConfText::BadAccountText(name);
    else if (field.Text.size() > field.MaxLength)
      result.Message = NetConfText::TooLong(name, field.MaxLength);
    if (result.Message) return result;
  }
  result.FtpLine = accounts.FtpId + QLatin1Char(' ') + accounts.FtpPassword +
                   QStringLiteral(" WebRoot ") + OrderedRights(accounts.FtpRights, kFtpRightsOrder);
  result.HttpLine = accounts.HttpId + QLatin1Char(' ') + accounts.HttpPassword +
                    QStringLiteral(" / ") + OrderedRights(accounts.HttpRights, kHttpRightsOrder);
  return result;
}

QByteArray SocketUpwBytes(const AccountLines& lines) {
  // The HTTP line is the last and has no line end.
  return lines.FtpLine.toLatin1() + kLineEnd + kLineEnd + lines.HttpLine.toLatin1();
}

}  // namespace NetSettings
