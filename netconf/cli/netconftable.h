#pragma once
// NetConfTable: the settings of many controllers in one file, for
// "talo7100-cli netconf --table FILE" (one port or several at once).
//
// Principles of operation
// - The file is CSV: the header "port,ip,gateway,dns", then one row per
//   port. ip is a dotted quad or "dhcp"; gateway a dotted quad or empty; dns
//   a dotted quad or "auto" for an automatic name server. A DHCP row leaves
//   gateway and dns empty. Blank lines are skipped, blanks around a field
//   are no part of it, CRLF line ends are read as LF.
// - A row is turned into the options netconf takes (--dhcp, --static IP
//   --gateway GW --dns DNS | --auto-dns) and checked by the same parse step
//   (NetConfCli::ParseNetconf): the dialog's rules and messages, one
//   implementation.
// - The whole table is checked before any port is touched; one fault
//   refuses it all, naming the file, the line and the reason. A port may
//   have one row only; two names of one device (a by-id link and its tty)
//   count as the same port (PortNames::DeviceKey), and a port finds its row
//   the same way.
// - Only a regular file of at most kMaxTableBytes is read: anything else
//   (a FIFO, a device, a larger file) is refused before it is read.
// - Reads the file and the device names only; any thread.

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "netconf/netsettings.h"

namespace NetConfTable {

inline constexpr char kHeader[] = "port,ip,gateway,dns";
// A table of a few thousand controllers stays far below this.
inline constexpr qsizetype kMaxTableBytes = qsizetype{1} << 20;

struct Row {
  QString Port;
  AddressSettings Settings;
};

// The FILE of a call that is "--table FILE" (or "--table=FILE") and nothing
// else; empty for any other call.
QString PathIn(const QStringList& arguments);

// Every row, checked; none with why on the first fault.
std::optional<QList<Row>> Read(const QString& path, QString& why);
// The settings of port's row, the whole table checked; none with why when
// the table has a fault or no row for the port.
std::optional<AddressSettings> SettingsFor(const QString& path, const QString& port, QString& why);

}  // namespace NetConfTable
