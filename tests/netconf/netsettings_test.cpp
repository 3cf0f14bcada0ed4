// SOCKET.CFG and SOCKET.UPW: the checks, their messages and the bytes, and
// the file replacement behind both.
#include "netconf/netsettings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>

#include "netconf/netconftext.h"
#include "netconf/replacefile.h"
#include "tests/netconf/netconftesting.h"

using namespace netconftest;

namespace {

OctetTexts Q(const char* a, const char* b, const char* c, const char* d) {
  return {QString::fromUtf8(a), QString::fromUtf8(b), QString::fromUtf8(c), QString::fromUtf8(d)};
}

AddressSettings Static(OctetTexts ip, OctetTexts gateway, OctetTexts dns, bool autoDns = false) {
  AddressSettings settings;
  settings.Ip = ip;
  settings.Gateway = gateway;
  settings.Dns = dns;
  settings.AutoDns = autoDns;
  return settings;
}

const OctetTexts kNone = Q("", "", "", "");
const QString kIp = QString::fromLatin1(NetConfText::kIpIllegal);
const QString kGw = QString::fromLatin1(NetConfText::kGatewayIllegal);
const QString kDns = QString::fromLatin1(NetConfText::kDnsIllegal);

QByteArray Cfg(const AddressSettings& settings) {
  const AddressCheck checked = NetSettings::CheckAddresses(settings);
  EXPECT_TRUE(checked.Accepted()) << checked.Messages.join(", ").toStdString();
  return NetSettings::SocketCfgBytes(settings, checked);
}

QByteArray CfgWith(const QByteArray& addressLines) {
  return "# Packet driver settings\r\n" + addressLines +
         "\r\n# The following will cause SOCKETS to display IP status\r\nip address\r\n\r\n"
         "# The following lines set TCP parameters\r\nip ttl 64\r\ntcp mss 1460\r\n"
         "tcp window 2920\r\n";
}

struct MessageCase {
  const char* Name;
  AddressSettings Settings;
  QStringList Messages;
};

class AddressMessages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(AddressMessages, showsOneMessagePerBadGroupInOrder) {
  EXPECT_EQ(NetSettings::CheckAddresses(GetParam().Settings).Messages, GetParam().Messages);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, AddressMessages,
    ::testing::Values(
        // Nothing else is looked at for 0.0.0.0, however it is spelt.
        MessageCase{"allZeroOnly", Static(Q("0", "0", "0", "0"), Q("x", "", "", ""), kNone), {kIp}},
        MessageCase{"zeroSpeltLong", Static(Q("00", "0", "+0", "000"), kNone, kNone), {kIp}},
        MessageCase{"lastOctetOneAccepted",
                    Static(Q("0", "0", "0", "1"), kNone, Q("1", "1", "1", "1")),
                    {}},
        MessageCase{"emptyAddressAndBadGateway",
                    Static(Q("10", "", "0", "1"), Q("10", "0", "0", "256"), Q("8", "8", "8", "8")),
                    {kIp, kGw}},
        MessageCase{"partlyFilledGateway",
                    Static(Q("10", "0", "0", "2"), Q("10", "0", "", ""), Q("8", "8", "8", "8")),
                    {kGw}},
        MessageCase{"allThreeGroups",
                    Static(Q("300", "0", "0", "1"), Q("1", "", "", ""), Q("", "", "", "")),
                    {kIp, kGw, kDns}},
        // Texts the key filter lets through but that are no numbers.
        MessageCase{"signAloneIsNoNumber",
                    Static(Q("10", "-", "0", "1"), kNone, Q("8", "+", "8", "8")),
                    {kIp, kDns}},
        MessageCase{"dotInsideOctet",
                    Static(Q("10", "0", "0", "1"), Q("1.2", "0", "0", "1"), Q("8", "8", "8", "8")),
                    {kGw}},
        MessageCase{
            "negative", Static(Q("10", "0", "0", "-1"), kNone, Q("8", "8", "8", "8")), {kIp}},
        // With automatic DNS the DNS edits are not read, whatever they hold.
        MessageCase{"autoDnsIgnoresDnsEdits",
                    Static(Q("10", "0", "0", "1"), kNone, Q("x", "", "", ""), true),
                    {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SocketCfg, dhcpWritesPlaceholderAddressAndNoRouteOrDnsWhateverTheEditsHold) {
  AddressSettings dhcp = Static(Q("bad", "", "", ""), Q("1", "", "", ""), Q("?", "", "", ""));
  dhcp.StaticIp = false;
  const QByteArray expected =
      CfgWith("ip address 0.0.0.1\r\ninterface pdr if0 dix 1500 10 0x60\r\n");
  EXPECT_EQ(Cfg(dhcp), expected);
  // The default tree's file is the DHCP file.
  EXPECT_EQ(ReadBytes(ShareDir() + "/defaults/Source/Drive_D/Default_files/CONF/SOCKET.CFG"),
            expected);
}

TEST(SocketCfg, staticLinesByGatewayAndDnsChoice) {
  EXPECT_EQ(
      Cfg(Static(Q("192", "168", "1", "20"), Q("192", "168", "1", "1"), Q("8", "8", "4", "4"))),
      CfgWith("ip address 192.168.1.20\r\ninterface pdr if0 dix 1500 10 0x60\r\n"
              "route add default if0 192.168.1.1\r\ndomain server 8.8.4.4\r\n"));
  EXPECT_EQ(Cfg(Static(Q("10", "0", "0", "5"), kNone, Q("", "", "", ""), true)),
            CfgWith("ip address 10.0.0.5\r\ninterface pdr if0 dix 1500 10 0x60\r\n"
                    "route add default if0 0\r\n"));
  // Octets as plain decimal numbers: a leading zero would read as octal.
  EXPECT_EQ(
      Cfg(Static(Q("010", "+5", "007", "255"), Q("-0", "00", "0", "1"), Q("08", "8", "8", "8"))),
      CfgWith("ip address 10.5.7.255\r\ninterface pdr if0 dix 1500 10 0x60\r\n"
              "route add default if0 0.0.0.1\r\ndomain server 8.8.8.8\r\n"));
}

TEST(Octets, onlyPlainDecimalNumbersOfAByte) {
  for (const char* good : {"0", "255", "+7", "-0", "007"})
    EXPECT_TRUE(NetSettings::ParseOctet(QString::fromLatin1(good)).has_value()) << good;
  // A line end after the digits (a pasted or scripted value) is no number
  // either: the check must not let it through to the file.
  for (const char* bad : {"", "256", "-1", "1 ", " 1", "1\n", "1\r\n", "0x1", "1.", "\n"})
    EXPECT_FALSE(NetSettings::ParseOctet(QString::fromLatin1(bad)).has_value()) << bad;
  EXPECT_FALSE(NetSettings::ParseOctet(QStringLiteral("\u0661")).has_value()) << "Arabic-Indic one";
}

AccountSettings Accounts(const char* ftpRights, const char* httpRights) {
  return {"ftpuser", "ftppw", QString::fromLatin1(ftpRights),
          "webuser", "webpw", QString::fromLatin1(httpRights)};
}

TEST(SocketUpw, rightsInTableOrderAndNoFinalLineEnd) {
  const auto bytes = [](const AccountSettings& accounts) {
    const AccountLines lines = NetSettings::BuildAccountLines(accounts);
    EXPECT_FALSE(lines.Message.has_value());
    return NetSettings::SocketUpwBytes(lines);
  };
  EXPECT_EQ(bytes(Accounts("rd", "")), "ftpuser ftppw WebRoot dr\r\n\r\nwebuser webpw / ");
  EXPECT_EQ(bytes(Accounts("rwcd", "gpe")),
            "ftpuser ftppw WebRoot dcwr\r\n\r\nwebuser webpw / epg");
  EXPECT_EQ(bytes(Accounts("", "g")), "ftpuser ftppw WebRoot \r\n\r\nwebuser webpw / g");
}

TEST(SocketUpw, refusesBlankUnsafeOrTooLongIdsAndPasswords) {
  const QString blank = QString::fromLatin1(NetConfText::kBlankAccount);
  const auto message = [](AccountSettings accounts) {
    return NetSettings::BuildAccountLines(accounts).Message.value_or(QStringLiteral("accepted"));
  };
  AccountSettings onlyHttpPasswordEmpty = Accounts("dcwr", "");
  onlyHttpPasswordEmpty.HttpPassword.clear();
  EXPECT_EQ(message(onlyHttpPasswordEmpty), blank);

  AccountSettings spaced = Accounts("", "");
  spaced.FtpPassword = "two words";
  EXPECT_EQ(message(spaced), NetConfText::BadAccountText("FTP password"));
  AccountSettings control = Accounts("", "");
  control.HttpId = "web\tuser";
  EXPECT_EQ(message(control), NetConfText::BadAccountText("HTTP ID"));
  AccountSettings umlaut = Accounts("", "");
  umlaut.HttpPassword = QString::fromUtf8("p\xC3\xA4ss");
  EXPECT_EQ(message(umlaut), NetConfText::BadAccountText("HTTP password"));

  // The servers' field lengths: the longest accepted, one more refused
  // (never cut, which would make the next login fail).
  struct LengthCase {
    QString AccountSettings::*Field;
    const char* Name;
    int MaxLength;
  };
  for (const LengthCase& c : {LengthCase{&AccountSettings::FtpId, "FTP ID", 15},
                              LengthCase{&AccountSettings::FtpPassword, "FTP password", 10},
                              LengthCase{&AccountSettings::HttpId, "HTTP ID", 15},
                              LengthCase{&AccountSettings::HttpPassword, "HTTP password", 10}}) {
    AccountSettings longest = Accounts("", "");
    longest.*c.Field = QString(c.MaxLength, QLatin1Char('x'));
    EXPECT_EQ(message(longest), "accepted") << c.Name;
    longest.*c.Field += QLatin1Char('1');
    EXPECT_EQ(message(longest), NetConfText::TooLong(c.Name, c.MaxLength)) << c.Name;
  }

  EXPECT_TRUE(NetSettings::RightsLettersValid("rwcd", NetSettings::kFtpRightsOrder));
  EXPECT_FALSE(NetSettings::RightsLettersValid("dx", NetSettings::kFtpRightsOrder));
  EXPECT_FALSE(NetSettings::RightsLettersValid("c", NetSettings::kHttpRightsOrder));
}

TEST(ReplaceFile, writesWholeFileWithItsModeAndLeavesNoTemporaryFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath("SOCKET.UPW");
  ASSERT_TRUE(WriteBytes(path, "old"));
  ASSERT_EQ(ReplaceFile::Write(path, "secret", ReplaceFile::kOwnerOnly), QString());
  EXPECT_EQ(ReadBytes(path), "secret");
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"SOCKET.UPW"});
}

TEST(ReplaceFile, failureGivesTheReasonAndKeepsTheOldFile) {
  QTemporaryDir dir;
  // A folder in the file's place cannot be replaced by a file.
  const QString blocked = dir.filePath("SOCKET.CFG");
  ASSERT_TRUE(QDir().mkdir(blocked));
  EXPECT_FALSE(ReplaceFile::Write(blocked, "x", ReplaceFile::kReadableByAll).isEmpty());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
  EXPECT_FALSE(ReplaceFile::Write(dir.filePath("missing/SOCKET.CFG"), "x", 0644).isEmpty());
}

}  // namespace
