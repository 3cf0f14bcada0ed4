#include "netconf/cli/netconftable.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include "link/port/portnames.h"
#include "netconf/cli/netconfcli.h"

namespace NetConfTable {

namespace {

// The netconf options a row stands for.
QStringList OptionsOf(const QStringList& fields) {
  const QString& ip = fields[1];
  const QString& gateway = fields[2];
  const QString& dns = fields[3];
  if (ip.compare(QLatin1String("dhcp"), Qt::CaseInsensitive) == 0) {
    // A gateway or name server beside DHCP is refused by the parse, as on
    // the command line.
    QStringList options{QStringLiteral("--dhcp")};
    if (!gateway.isEmpty()) options << QStringLiteral("--gateway") << gateway;
    if (!dns.isEmpty()) options << QStringLiteral("--dns") << dns;
    return options;
  }
  QStringList options{QStringLiteral("--static"), ip};
  if (!gateway.isEmpty()) options << QStringLiteral("--gateway") << gateway;
  if (dns.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0)
    options << QStringLiteral("--auto-dns");
  else if (!dns.isEmpty())
    options << QStringLiteral("--dns") << dns;
  return options;
}

QStringList Fields(const QString& line) {
  QStringList fields = line.split(QLatin1Char(','));
  for (QString& field : fields) field = field.trimmed();
  return fields;
}

}  // namespace

QString PathIn(const QStringList& arguments) {
  const QString option = QStringLiteral("--table");
  if (arguments.size() == 2 && arguments[0] == option) return arguments[1];
  if (arguments.size() == 1 && arguments[0].startsWith(option + QLatin1Char('=')))
    return arguments[0].mid(option.size() + 1);
  return {};
}

std::optional<QList<Row>> Read(const QString& path, QString& why) {
  // Only a regular file of a sensible size: a FIFO or a terminal would
  // block the open for ever, /dev/zero never ends.
  const QFileInfo info(path);
  if (info.exists() && !info.isFile()) {
    why = QStringLiteral("cannot read the table %1: it is no regular file").arg(path);
    return std::nullopt;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    why = QStringLiteral("cannot read the table %1: %2").arg(path, file.errorString());
    return std::nullopt;
  }
  // Read one byte past the limit: a file that grew since it was looked at
  // is refused all the same.
  const QByteArray bytes = file.read(kMaxTableBytes + 1);
  if (bytes.size() > kMaxTableBytes) {
    why = QStringLiteral("cannot read the table %1: it is larger than %2 bytes")
              .arg(path)
              .arg(kMaxTableBytes);
    return std::nullopt;
  }
  const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
  QList<Row> rows;
  QSet<QString> devices;
  bool headerSeen = false;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString line = lines[i].trimmed();
    if (line.isEmpty()) continue;
    const auto fault = [&](const QString& reason) {
      why = QStringLiteral("%1 line %2: %3").arg(path).arg(i + 1).arg(reason);
      return std::nullopt;
    };
    const QStringList fields = Fields(line);
    if (!headerSeen) {
      if (fields.join(QLatin1Char(',')) != QLatin1String(kHeader))
        return fault(QStringLiteral("the first line must be the header %1").arg(QLatin1String(kHeader)));
      headerSeen = true;
      continue;
    }
    if (fields.size() != 4) return fault(QStringLiteral("a row has four fields: %1").arg(QLatin1String(kHeader)));
    if (fields[0].isEmpty()) return fault(QStringLiteral("the port is missing"));
    const QString device = PortNames::DeviceKey(fields[0]);
    if (devices.contains(device))
      return fault(QStringLiteral("the port %1 has a row already").arg(fields[0]));
    devices.insert(device);
    QString reason;
    const std::optional<AddressSettings> settings = NetConfCli::ParseNetconf(OptionsOf(fields), reason);
    if (!settings) return fault(fields[0] + QStringLiteral(": ") + reason);
    rows.append({fields[0], *settings});
  }
  if (!headerSeen) {
    why = QStringLiteral("%1: the table is empty (header %2)").arg(path, QLatin1String(kHeader));
    return std::nullopt;
  }
  return rows;
}

std::optional<AddressSettings> SettingsFor(const QString& path, const QString& port, QString& why) {
  const std::optional<QList<Row>> rows = Read(path, why);
  if (!rows) return std::nullopt;
  const QString device = PortNames::DeviceKey(port);
  for (const Row& row : *rows)
    if (PortNames::DeviceKey(row.Port) == device) return row.Settings;
  why = QStringLiteral("the port %1 has no row in the table %2").arg(port, path);
  return std::nullopt;
}

}  // namespace NetConfTable
