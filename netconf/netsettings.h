#pragma once
// The two files that set up the controller's network: SOCKET.CFG (address,
// gateway, name server and the stack's fixed parameters) and SOCKET.UPW (one
// FTP and one HTTP account). Pure functions: the dialog, the command line and
// the tests check the same inputs and build the same bytes.
//
// Principles of operation
// - Both files are DOS text: every line ends with CR LF, except SOCKET.UPW's
//   last line, which has no line end at all (the servers read it that way).
// - Octets are checked as decimal numbers 0..255 (an optional sign allowed,
//   as the edits let "+" and "-" through) and written back as plain decimal
//   numbers: "007" becomes "7", since many address parsers read a leading
//   zero as octal. Text that is no decimal number gets its group's message.
// - A check reports its messages in the order the user is to see them: at
//   most one per group (address, gateway, name server).
// - IDs and passwords must be printable ASCII without blanks: a blank would
//   split the line's fields on the controller, and the file is plain bytes.
//   They must also fit the servers' fields (IDs 15, passwords 10 characters):
//   a longer one is refused, never cut, since a cut password would make the
//   next login fail.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

using OctetTexts = std::array<QString, 4>;

struct AddressSettings {
  bool StaticIp = true;  // false: DHCP
  OctetTexts Ip;
  OctetTexts Gateway;    // all four empty: no gateway
  bool AutoDns = false;  // "Obtain DNS address automatically"
  OctetTexts Dns;
};

struct AddressCheck {
  QStringList Messages;  // empty: accepted
  QString IpText;        // dotted, for the "ip address" line
  QString GatewayText;   // dotted, or "0" without a gateway
  QString DnsText;       // dotted primary name server
  bool Accepted() const { return Messages.isEmpty(); }
};

struct AccountSettings {
  QString FtpId;
  QString FtpPassword;
  QString FtpRights;  // letters of "dcwr", any order
  QString HttpId;
  QString HttpPassword;
  QString HttpRights;  // letters of "epg", any order
};

struct AccountLines {
  std::optional<QString> Message;  // set: refused
  QString FtpLine;
  QString HttpLine;
};

namespace NetSettings {

inline constexpr char kFtpRightsOrder[] = "dcwr";
inline constexpr char kHttpRightsOrder[] = "epg";
inline constexpr char kDhcpAddress[] = "0.0.0.1";
inline constexpr int kMaxIdLength = 15;
inline constexpr int kMaxPasswordLength = 10;
// Where the controller keeps both files: the folder of D: and their names.
inline constexpr char kConfFolder[] = "\\CONF";
inline constexpr char kSettingsFileName[] = "SOCKET.CFG";
inline constexpr char kAccountFileName[] = "SOCKET.UPW";

// The octet as a plain decimal number, or none when the text is empty, not
// a decimal number or out of 0..255.
std::optional<int> ParseOctet(const QString& text);
// "192.168.1.10" into four octet texts; none unless there are four parts.
std::optional<OctetTexts> SplitDottedQuad(const QString& text);

AddressCheck CheckAddresses(const AddressSettings& settings);
QByteArray SocketCfgBytes(const AddressSettings& settings, const AddressCheck& checked);

// The letters of rights that appear in order, in that order.
QString OrderedRights(const QString& rights, const char* order);
// True when every letter of rights is one of allowed.
bool RightsLettersValid(const QString& rights, const char* allowed);
AccountLines BuildAccountLines(const AccountSettings& accounts);
QByteArray SocketUpwBytes(const AccountLines& lines);

}  // namespace NetSettings
