// netconf --table: the CSV file of many controllers' settings, read and
// checked whole before any port is touched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>

#include "netconf/cli/netconftable.h"
#include "tests/netconf/netconftesting.h"

namespace {

struct TableFile {
  QTemporaryDir Dir;
  QString Path = Dir.filePath(QStringLiteral("cabinet.csv"));
  explicit TableFile(const QByteArray& text) { netconftest::WriteBytes(Path, text); }
};

TEST(NetConfTable, readsEveryKindOfRow) {
  TableFile table(
      "port,ip,gateway,dns\r\n"
      "ttyUSB0, 192.168.1.20 ,192.168.1.1,auto\r\n"
      "\r\n"
      "/dev/ttyUSB1,192.168.1.21,,192.168.1.2\n"
      "ttyUSB2,DHCP,,\n");
  QString why;
  const std::optional<QList<NetConfTable::Row>> rows = NetConfTable::Read(table.Path, why);
  ASSERT_TRUE(rows) << why.toStdString();
  ASSERT_EQ(rows->size(), 3);
  EXPECT_EQ((*rows)[0].Port, QStringLiteral("ttyUSB0"));
  EXPECT_TRUE((*rows)[0].Settings.StaticIp && (*rows)[0].Settings.AutoDns);
  EXPECT_EQ((*rows)[0].Settings.Gateway[3], QStringLiteral("1"));
  EXPECT_EQ((*rows)[1].Settings.Gateway[0], QString());
  EXPECT_EQ((*rows)[1].Settings.Dns[3], QStringLiteral("2"));
  EXPECT_FALSE((*rows)[2].Settings.StaticIp);
}

// One fault refuses the whole table, naming where it is.
TEST(NetConfTable, anyFaultRefusesTheWholeTable) {
  const QList<std::pair<QByteArray, QString>> cases = {
      {"", "the table is empty"},
      {"port,ip,dns\nttyUSB0,dhcp,\n", "line 1: the first line must be the header"},
      {"port,ip,gateway,dns\nttyUSB0,dhcp,\n", "line 2: a row has four fields"},
      {"port,ip,gateway,dns\n,dhcp,,\n", "line 2: the port is missing"},
      {"port,ip,gateway,dns\nttyUSB0,192.168.1.300,,auto\n", "line 2: ttyUSB0: IP Address Illegal!"},
      {"port,ip,gateway,dns\nttyUSB0,dhcp,192.168.1.1,\n", "line 2: ttyUSB0: give either --dhcp"},
      {"port,ip,gateway,dns\nttyUSB0,192.168.1.20,,\n", "needs a name server"},
      {"port,ip,gateway,dns\nttyUSB0,dhcp,,\n/dev/ttyUSB0,dhcp,,\n",
       "line 3: the port /dev/ttyUSB0 has a row already"},
      {"port,ip,gateway,dns\nttyUSB0,dhcp,,\nttyUSB1,1.2.3,,auto\n", "line 3: ttyUSB1: IP Address Illegal!"}};
  for (const auto& [text, expected] : cases) {
    TableFile table(text);
    QString why;
    EXPECT_FALSE(NetConfTable::Read(table.Path, why)) << text.toStdString();
    EXPECT_TRUE(why.contains(expected)) << why.toStdString() << " / " << expected.toStdString();
  }
  QString why;
  EXPECT_FALSE(NetConfTable::Read(QStringLiteral("/nonexistent/cabinet.csv"), why));
  EXPECT_TRUE(why.startsWith(QStringLiteral("cannot read the table"))) << why.toStdString();
}

// Only a regular file of at most 1 MiB is read: nothing blocks on a FIFO
// or grows without end on a device.
TEST(NetConfTable, onlyARegularFileOfAtMostOneMebibyteIsRead) {
  QTemporaryDir dir;
  const QString fifo = dir.filePath(QStringLiteral("fifo.csv"));
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString large = dir.filePath(QStringLiteral("large.csv"));
  netconftest::WriteBytes(large, "port,ip,gateway,dns\n" +
                                     QByteArray(NetConfTable::kMaxTableBytes, '\n'));
  const struct {
    QString Path;
    const char* Says;
  } cases[] = {{QStringLiteral("/dev/zero"), "no regular file"},
               {fifo, "no regular file"},
               {dir.path(), "no regular file"},
               {large, "larger than 1048576 bytes"}};
  for (const auto& c : cases) {
    QString why;
    EXPECT_FALSE(NetConfTable::Read(c.Path, why)) << c.Path.toStdString();
    EXPECT_TRUE(why.contains(QLatin1String(c.Says))) << why.toStdString();
  }
}

// A port finds its row by device: a by-id link matches its tty's row.
TEST(NetConfTable, aPortFindsItsRowByDevice) {
  QTemporaryDir dir;
  const QString tty = dir.filePath(QStringLiteral("ttyS9"));
  netconftest::WriteBytes(tty, "");
  const QString byId = dir.filePath(QStringLiteral("usb-X-port0"));
  ASSERT_TRUE(QFile::link(tty, byId));
  TableFile table("port,ip,gateway,dns\n" + tty.toLocal8Bit() + ",10.0.0.9,,auto\n");
  QString why;
  const std::optional<AddressSettings> found = NetConfTable::SettingsFor(table.Path, byId, why);
  ASSERT_TRUE(found) << why.toStdString();
  EXPECT_EQ(found->Ip[3], QStringLiteral("9"));
  EXPECT_FALSE(NetConfTable::SettingsFor(table.Path, dir.filePath(QStringLiteral("ttyS8")), why));
  EXPECT_TRUE(why.contains(QStringLiteral("has no row in the table"))) << why.toStdString();

  EXPECT_EQ(NetConfTable::PathIn({"--table", "a.csv"}), QStringLiteral("a.csv"));
  EXPECT_EQ(NetConfTable::PathIn({"--table=a.csv"}), QStringLiteral("a.csv"));
  EXPECT_EQ(NetConfTable::PathIn({"--table", "a.csv", "--dhcp"}), QString());
}

}  // namespace
