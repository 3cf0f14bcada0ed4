// The read-back parsers of SOCKET.CFG and SOCKET.UPW: inverses of the
// writers, what a copy edited by hand may add, and the line a refusal names.
#include "netconf/settingsparser.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "netconf/settingsreadback.h"

#include "tests/netconf/netconftesting.h"

using namespace netconftest;

namespace {

bool operator==(const AddressSettings& a, const AddressSettings& b) {
  return a.StaticIp == b.StaticIp && a.Ip == b.Ip && a.Gateway == b.Gateway &&
         a.AutoDns == b.AutoDns && a.Dns == b.Dns;
}
bool operator==(const AccountSettings& a, const AccountSettings& b) {
  return a.FtpId == b.FtpId && a.FtpPassword == b.FtpPassword && a.FtpRights == b.FtpRights &&
         a.HttpId == b.HttpId && a.HttpPassword == b.HttpPassword && a.HttpRights == b.HttpRights;
}

QString Octet(QRandomGenerator& random) { return QString::number(random.bounded(256)); }
OctetTexts Quad(QRandomGenerator& random) {
  return {Octet(random), Octet(random), Octet(random), Octet(random)};
}
QString Field(QRandomGenerator& random, int maxLength) {
  QString text;
  for (int i = 1 + random.bounded(maxLength); i > 0; --i)
    text += QChar(static_cast<char16_t>(0x21 + random.bounded(0x7F - 0x21)));
  return text;
}
QString SomeRights(QRandomGenerator& random, const char* order) {
  QString rights;
  for (const char* letter = order; *letter; ++letter)
    if (random.bounded(2)) rights += QLatin1Char(*letter);
  return rights;
}

TEST(ReadBack, validSettingsWrittenAndParsedAgainAreTheSame) {
  QRandomGenerator random(29);
  for (int round = 0; round < 2000; ++round) {
    AddressSettings settings;
    settings.StaticIp = random.bounded(4) != 0;
    if (settings.StaticIp) {
      settings.Ip = Quad(random);
      if (random.bounded(2)) settings.Gateway = Quad(random);
      settings.AutoDns = random.bounded(2);
      if (!settings.AutoDns) settings.Dns = Quad(random);
    }
    const AddressCheck check = NetSettings::CheckAddresses(settings);
    if (!check.Accepted()) continue;  // an address of zeros
    const NetSettings::SettingsParse parsed =
        NetSettings::ParseSocketCfg(NetSettings::SocketCfgBytes(settings, check));
    ASSERT_TRUE(parsed.Settings) << parsed.Error.Why.toStdString();
    EXPECT_TRUE(*parsed.Settings == settings) << NetSettings::SettingsOptions(settings).toStdString();

    AccountSettings accounts{Field(random, 15), Field(random, 10), SomeRights(random, "dcwr"),
                             Field(random, 15), Field(random, 10), SomeRights(random, "epg")};
    const NetSettings::AccountsParse back = NetSettings::ParseSocketUpw(
        NetSettings::SocketUpwBytes(NetSettings::BuildAccountLines(accounts)));
    ASSERT_TRUE(back.Accounts) << back.Error.Why.toStdString();
    EXPECT_TRUE(*back.Accounts == accounts) << accounts.FtpId.toStdString();
  }
}

TEST(ReadBack, handEditedFilesAndTheInstallationsDefaultsParse) {
  const QByteArray defaults = ShareDir().toLatin1() + "/defaults/Source/Drive_D/Default_files/CONF/";
  const NetSettings::SettingsParse cfg =
      NetSettings::ParseSocketCfg(ReadBytes(QString::fromLatin1(defaults + "SOCKET.CFG")));
  ASSERT_TRUE(cfg.Settings);
  EXPECT_EQ(NetSettings::SettingsOptions(*cfg.Settings), "--dhcp");
  const NetSettings::AccountsParse upw =
      NetSettings::ParseSocketUpw(ReadBytes(QString::fromLatin1(defaults + "SOCKET.UPW")));
  ASSERT_TRUE(upw.Accounts);
  EXPECT_EQ(NetSettings::AccountLinesShown(*upw.Accounts),
            QStringList({"ftp admin dcwr", "http admin epg"}));

  // LF-only line ends, blank and comment lines anywhere, a final line end.
  const NetSettings::SettingsParse edited = NetSettings::ParseSocketCfg(
      "\n# edited\nip address 10.0.0.5\n  \ninterface pdr if0 dix 1500 10 0x60\n"
      "route add default if0 0\n# no name server\nip address\nip ttl 64\ntcp mss 1460\n"
      "tcp window 2920");
  ASSERT_TRUE(edited.Settings) << edited.Error.Why.toStdString();
  EXPECT_EQ(NetSettings::SettingsOptions(*edited.Settings), "--static 10.0.0.5 --auto-dns");
  const NetSettings::AccountsParse accounts = NetSettings::ParseSocketUpw(
      "# accounts\n#ops pw WebRoot dr\n\n# the web\nweb pw / \n");
  ASSERT_TRUE(accounts.Accounts) << accounts.Error.Why.toStdString();
  EXPECT_EQ(NetSettings::AccountLinesShown(*accounts.Accounts),
            QStringList({"ftp #ops dr", "http web"}));
}

TEST(ReadBack, showsTheOptionsThatWouldWriteTheSettings) {
  const struct {
    const char* Route;
    const char* Dns;
    const char* Options;
  } cases[] = {{"10.0.0.1", "10.0.0.2", "--static 10.0.0.9 --gateway 10.0.0.1 --dns 10.0.0.2"},
               {"0", "8.8.8.8", "--static 10.0.0.9 --dns 8.8.8.8"},
               {"10.0.0.1", nullptr, "--static 10.0.0.9 --gateway 10.0.0.1 --auto-dns"}};
  for (const auto& c : cases) {
    QByteArray lines = QByteArray("ip address 10.0.0.9\r\ninterface pdr if0 dix 1500 10 0x60\r\n") +
                       "route add default if0 " + c.Route + "\r\n";
    if (c.Dns) lines += QByteArray("domain server ") + c.Dns + "\r\n";
    const NetSettings::SettingsParse parsed = NetSettings::ParseSocketCfg(
        lines + "ip address\r\nip ttl 64\r\ntcp mss 1460\r\ntcp window 2920\r\n");
    ASSERT_TRUE(parsed.Settings) << c.Options << ": " << parsed.Error.Why.toStdString();
    EXPECT_EQ(NetSettings::SettingsOptions(*parsed.Settings), c.Options);
  }
}

struct Refused {
  const char* Name;
  QByteArray Bytes;
  int Line;
  const char* Says;
};

class CfgRefusals : public ::testing::TestWithParam<Refused> {};

const QByteArray kTail = "ip address\nip ttl 64\ntcp mss 1460\ntcp window 2920\n";
const QByteArray kHead = "# Packet driver settings\nip address 10.0.0.9\ninterface pdr if0 dix 1500 10 0x60\n";

TEST_P(CfgRefusals, namesTheFirstLineThatDoesNotFit) {
  const NetSettings::SettingsParse parsed = NetSettings::ParseSocketCfg(GetParam().Bytes);
  ASSERT_FALSE(parsed.Settings);
  EXPECT_EQ(parsed.Error.Line, GetParam().Line);
  EXPECT_TRUE(parsed.Error.Why.contains(QLatin1String(GetParam().Says))) << parsed.Error.Why.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    SocketCfg, CfgRefusals,
    ::testing::Values(
        Refused{"empty", "", 1, "ends without 'ip address'"},
        Refused{"octal", kHead + "route add default if0 010.0.0.1\n" + kTail, 4, "'010.0.0.1'"},
        Refused{"staticWithoutRoute", kHead + kTail, 4, "needs its 'route add default"},
        Refused{"zeros", "ip address 0.0.0.0\ninterface pdr if0 dix 1500 10 0x60\n"
                         "route add default if0 0\n" + kTail, 1, "IP Address Illegal!"},
        Refused{"secondDns", kHead + "route add default if0 0\ndomain server 1.1.1.1\n"
                             "domain server 8.8.8.8\n" + kTail, 6, "'domain server 8.8.8.8'"},
        Refused{"doubleBlank", "ip address  0.0.0.1\n", 1, "' 0.0.0.1' is no address"},
        Refused{"cut", kHead + "route add default if0 0\nip address\nip ttl 64\n", 7,
                "ends without 'tcp mss 1460'"},
        Refused{"extra", kHead + "route add default if0 0\n" + kTail + "tcp nodelay\n", 9,
                "follows the last line"},
        Refused{"loneCarriageReturn", "ip address 0.0.0.1\rinterface\n", 1, "is no address"}),
    [](const auto& info) { return std::string(info.param.Name); });

class UpwRefusals : public ::testing::TestWithParam<Refused> {};

TEST_P(UpwRefusals, namesTheLineButNeverQuotesIt) {
  const NetSettings::AccountsParse parsed = NetSettings::ParseSocketUpw(GetParam().Bytes);
  ASSERT_FALSE(parsed.Accounts);
  EXPECT_EQ(parsed.Error.Line, GetParam().Line);
  EXPECT_TRUE(parsed.Error.Why.contains(QLatin1String(GetParam().Says))) << parsed.Error.Why.toStdString();
  EXPECT_FALSE(parsed.Error.Why.contains(QLatin1String("secret")));
}

INSTANTIATE_TEST_SUITE_P(
    SocketUpw, UpwRefusals,
    ::testing::Values(
        Refused{"noHttp", "ftp secret WebRoot dr\r\n\r\n", 3, "without the HTTP account"},
        Refused{"rightsOutOfOrder", "ftp secret WebRoot rd\r\n\r\nweb secret / e", 1, "FTP account"},
        Refused{"missingBlank", "ftp secret WebRoot\r\n\r\nweb secret / e", 1, "FTP account"},
        Refused{"longPassword", "ftp secret7890x WebRoot d\r\n\r\nweb secret / e", 1,
                "longer than 10"},
        Refused{"swapped", "web secret / e\r\n\r\nftp secret WebRoot d", 1, "FTP account"},
        Refused{"third", "ftp secret WebRoot d\nweb secret / e\nx secret / e\n", 3, "follows"}),
    [](const auto& info) { return std::string(info.param.Name); });

// The account file's lines as the console shows them while it is typed:
// whatever separates the fields, nothing after the ID shows.
TEST(ReadBack, theConsoleShowsNothingOfAnAccountLineAfterItsId) {
  const struct {
    const char* Line;
    const char* Shown;
  } cases[] = {
      {"admin secret WebRoot dr", "admin *****"},
      {"admin\tsecret\tWebRoot dr", "admin *****"},
      {"admin  secret WebRoot dr", "admin *****"},
      {" admin secret WebRoot dr", "*****"},
      {"admin\x01secret / e", "admin *****"},
      {"admin\xA0secret / e", "admin *****"},
      {"adminsecret", "*****"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SettingsReadBack::MaskingConsole::Masked(QString::fromLatin1(c.Line)),
              QLatin1String(c.Shown))
        << c.Line;
}

}  // namespace
