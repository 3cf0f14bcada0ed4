#include "netconf/settingsparser.h"

#include <QList>
#include <utility>

namespace NetSettings {
namespace {

// A line that counts, with its number.
struct Line {
  int Number = 0;
  QByteArray Text;
};

bool IsBlank(const QByteArray& line) { return line.trimmed().isEmpty(); }
bool IsComment(const QByteArray& line) { return line.trimmed().startsWith('#'); }

// The file's lines (CR LF or LF ends; a final line end ends the last line),
// with those that match skip left out.
template <typename Skip>
QList<Line> LinesThatCount(const QByteArray& bytes, int& end, Skip skip) {
  QList<QByteArray> raw = bytes.isEmpty() ? QList<QByteArray>() : bytes.split('\n');
  if (!raw.isEmpty() && raw.back().isEmpty()) raw.removeLast();
  QList<Line> lines;
  for (qsizetype i = 0; i < raw.size(); ++i) {
    QByteArray text = raw[i];
    if (i + 1 < raw.size() || bytes.endsWith('\n'))
      if (text.endsWith('\r')) text.chop(1);
    if (!skip(text)) lines.append({static_cast<int>(i) + 1, text});
  }
  end = static_cast<int>(raw.size()) + 1;
  return lines;
}

QString Quoted(const QByteArray& text) {
  return QLatin1Char('\'') + QString::fromLatin1(text) + QLatin1Char('\'');
}

// A dotted quad exactly as the writer puts one.
std::optional<OctetTexts> PlainQuad(const QByteArray& text) {
  const std::optional<OctetTexts> quad = SplitDottedQuad(QString::fromLatin1(text));
  if (!quad) return std::nullopt;
  for (const QString& octet : *quad) {
    const std::optional<int> value = ParseOctet(octet);
    if (!value || QString::number(*value) != octet) return std::nullopt;
  }
  return quad;
}

// Walks the lines of SOCKET.CFG that count, in the writer's order.
class CfgReader {
 public:
  CfgReader(QList<Line> lines, int end) : Lines(std::move(lines)), End(end) {}

  // The next line when it is text exactly, or begins with text followed by
  // an argument (withArgument); the argument.
  std::optional<QByteArray> Take(const QByteArray& text, bool withArgument) {
    if (At >= Lines.size()) {
      Fail(End, QStringLiteral("the file ends without %1").arg(Quoted(text.trimmed())));
      return std::nullopt;
    }
    const Line& line = Lines[At];
    const bool fits = withArgument ? line.Text.startsWith(text) && line.Text.size() > text.size()
                                   : line.Text == text;
    if (!fits) {
      Fail(line.Number, QStringLiteral("%1 where %2 belongs")
                            .arg(Quoted(line.Text), Quoted(withArgument ? text + "..." : text)));
      return std::nullopt;
    }
    ++At;
    return line.Text.mid(text.size());
  }
  bool Next(const QByteArray& text) const {
    return At < Lines.size() && Lines[At].Text.startsWith(text);
  }
  // The number of the next line (one past the last at the end).
  int Number() const { return At < Lines.size() ? Lines[At].Number : End; }
  // text of line as a quad, or the failure.
  std::optional<OctetTexts> Quad(int line, const QByteArray& text) {
    const std::optional<OctetTexts> quad = PlainQuad(text);
    if (!quad)
      Fail(line, QStringLiteral("%1 is no address of four plain numbers 0..255").arg(Quoted(text)));
    return quad;
  }
  bool AtEnd() {
    if (At >= Lines.size()) return true;
    Fail(Lines[At].Number, QStringLiteral("%1 follows the last line").arg(Quoted(Lines[At].Text)));
    return false;
  }
  void Fail(int line, const QString& why) {
    if (Error.Why.isEmpty()) Error = {line, why};
  }
  ParseError Error;

 private:
  QList<Line> Lines;
  int End;
  qsizetype At = 0;
};

std::optional<AddressSettings> ReadCfg(CfgReader& in) {
  AddressSettings settings;
  const int ipLine = in.Number();
  const std::optional<QByteArray> ip = in.Take("ip address ", true);
  if (!ip || (*ip != kDhcpAddress && !in.Quad(ipLine, *ip)) ||
      !in.Take("interface pdr if0 dix 1500 10 0x60", false))
    return std::nullopt;
  // The gateway's line is written for a static address only.
  settings.StaticIp = in.Next("route add default if0 ");
  if (!settings.StaticIp && *ip != kDhcpAddress) {
    in.Fail(in.Number(),
            QStringLiteral("the static address %1 needs its 'route add default if0 ...' line here")
                .arg(Quoted(*ip)));
    return std::nullopt;
  }
  if (settings.StaticIp) {
    const std::optional<OctetTexts> address = in.Quad(ipLine, *ip);
    if (!address) return std::nullopt;
    settings.Ip = *address;
    const int gatewayLine = in.Number();
    const QByteArray gateway = in.Take("route add default if0 ", true).value_or(QByteArray());
    if (gateway != "0") {
      const std::optional<OctetTexts> quad = in.Quad(gatewayLine, gateway);
      if (!quad) return std::nullopt;
      settings.Gateway = *quad;
    }
    settings.AutoDns = !in.Next("domain server ");
    if (!settings.AutoDns) {
      const int dnsLine = in.Number();
      const std::optional<OctetTexts> quad =
          in.Quad(dnsLine, in.Take("domain server ", true).value_or(QByteArray()));
      if (!quad) return std::nullopt;
      settings.Dns = *quad;
    }
    // What else the writer's check refuses (an address of zeros).
    if (const AddressCheck check = CheckAddresses(settings); !check.Accepted()) {
      in.Fail(ipLine, check.Messages.join(QLatin1Char(' ')));
      return std::nullopt;
    }
  }
  for (const char* fixed : {"ip address", "ip ttl 64", "tcp mss 1460", "tcp window 2920"})
    if (!in.Take(fixed, false)) return std::nullopt;
  if (!in.AtEnd()) return std::nullopt;
  return settings;
}

// An account line split into its four fields, or none.
std::optional<QStringList> AccountFields(const QByteArray& line, const char* third) {
  const QStringList fields = QString::fromLatin1(line).split(QLatin1Char(' '));
  if (fields.size() != 4 || fields[2] != QLatin1String(third)) return std::nullopt;
  return fields;
}

bool IsAccountLine(const QByteArray& line) {
  return AccountFields(line, "WebRoot") || AccountFields(line, "/");
}

// One account line as the writer would write it; why not, otherwise.
QString CheckAccountLine(const QByteArray& line, bool ftp, AccountSettings& accounts) {
  const char* third = ftp ? "WebRoot" : "/";
  const std::optional<QStringList> fields = AccountFields(line, third);
  const QString shape =
      QStringLiteral("the %1 account's line is ID, password, %2 and the rights (letters of %3), "
                     "one blank between them")
          .arg(QLatin1String(ftp ? "FTP" : "HTTP"), QLatin1String(third),
               QLatin1String(ftp ? kFtpRightsOrder : kHttpRightsOrder));
  if (!fields) return shape;
  // The other account a placeholder, so that the writer's checks speak of
  // this one only.
  AccountSettings probe = accounts;
  QString& id = ftp ? probe.FtpId : probe.HttpId;
  QString& password = ftp ? probe.FtpPassword : probe.HttpPassword;
  QString& rights = ftp ? probe.FtpRights : probe.HttpRights;
  id = (*fields)[0];
  password = (*fields)[1];
  rights = (*fields)[3];
  if (probe.HttpId.isEmpty()) probe.HttpId = probe.HttpPassword = QStringLiteral("x");
  const AccountLines written = BuildAccountLines(probe);
  if (written.Message) return *written.Message;
  if ((ftp ? written.FtpLine : written.HttpLine) != QString::fromLatin1(line)) return shape;
  accounts = probe;
  return {};
}

}  // namespace

SettingsParse ParseSocketCfg(const QByteArray& bytes) {
  int end = 0;
  QList<Line> lines = LinesThatCount(bytes, end, [](const QByteArray& line) {
    return IsBlank(line) || IsComment(line);
  });
  CfgReader in(std::move(lines), end);
  SettingsParse result;
  result.Settings = ReadCfg(in);
  if (!result.Settings) result.Error = in.Error;
  return result;
}

AccountsParse ParseSocketUpw(const QByteArray& bytes) {
  int end = 0;
  const QList<Line> lines = LinesThatCount(bytes, end, [](const QByteArray& line) {
    return IsBlank(line) || (IsComment(line) && !IsAccountLine(line));
  });
  AccountsParse result;
  AccountSettings accounts;
  for (int i = 0; i < 2; ++i) {
    const bool ftp = i == 0;
    if (i >= lines.size()) {
      result.Error = {end, QStringLiteral("the file ends without the %1 account's line")
                               .arg(QLatin1String(ftp ? "FTP" : "HTTP"))};
      return result;
    }
    if (const QString why = CheckAccountLine(lines[i].Text, ftp, accounts); !why.isEmpty()) {
      result.Error = {lines[i].Number, why};
      return result;
    }
  }
  if (lines.size() > 2) {
    result.Error = {lines[2].Number, QStringLiteral("a line follows the HTTP account's line")};
    return result;
  }
  result.Accounts = accounts;
  return result;
}

QString SettingsOptions(const AddressSettings& settings) {
  if (!settings.StaticIp) return QStringLiteral("--dhcp");
  const auto dotted = [](const OctetTexts& octets) {
    return QStringList{octets[0], octets[1], octets[2], octets[3]}.join(QLatin1Char('.'));
  };
  QString options = QStringLiteral("--static ") + dotted(settings.Ip);
  if (!settings.Gateway[0].isEmpty()) options += QStringLiteral(" --gateway ") + dotted(settings.Gateway);
  options += settings.AutoDns ? QStringLiteral(" --auto-dns")
                              : QStringLiteral(" --dns ") + dotted(settings.Dns);
  return options;
}

QStringList AccountLinesShown(const AccountSettings& accounts) {
  const auto line = [](const char* server, const QString& id, const QString& rights) {
    const QString text = QLatin1String(server) + QLatin1Char(' ') + id;
    return rights.isEmpty() ? text : text + QLatin1Char(' ') + rights;
  };
  return {line("ftp", accounts.FtpId, accounts.FtpRights),
          line("http", accounts.HttpId, accounts.HttpRights)};
}

}  // namespace NetSettings
