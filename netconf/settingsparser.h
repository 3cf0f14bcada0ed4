#pragma once
// The read-back of SOCKET.CFG and SOCKET.UPW: parsers that are the exact
// inverses of the writers in netsettings.h, and the settings as the command
// line prints them. Pure functions.
//
// Principles of operation
// - A file parses when it is what the writer writes for settings its checks
//   accept, give or take what a copy edited by hand may add: LF-only line
//   ends as well as CR LF, blank lines and comment lines ("#" first) before,
//   between and after the lines that count, and a line end after the last
//   line of SOCKET.UPW. Each line that counts must be the writer's line
//   exactly: single blanks, octets as the writer puts them (plain decimal,
//   so "010" - which many readers take for octal 8 - is refused), rights
//   letters in the writer's order. Written again, parsed settings give the
//   same lines.
// - Anything else is refused, and the refusal names the first line that
//   does not fit by its number. A line of SOCKET.CFG is quoted; a line of
//   SOCKET.UPW never is, as it holds a password.
// - In SOCKET.UPW an ID may begin with "#": a line shaped as an account line
//   (four fields, the third WebRoot or /) is one, whatever its first
//   character; any other line that begins with "#" is a comment.
// - DHCP settings hold no octets; settings without a gateway hold four
//   empty gateway octets; an automatic name server leaves the DNS octets
//   empty (the dialog's edits as the writer ignores them).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "netconf/netsettings.h"

namespace NetSettings {

// Why a file was refused: the number of the line concerned (from 1; one
// past the last line when a line is missing at the end) and what is wrong.
struct ParseError {
  int Line = 0;
  QString Why;
};

struct SettingsParse {
  std::optional<AddressSettings> Settings;
  ParseError Error;  // when no settings
};
struct AccountsParse {
  std::optional<AccountSettings> Accounts;
  ParseError Error;  // when no accounts
};

SettingsParse ParseSocketCfg(const QByteArray& bytes);
AccountsParse ParseSocketUpw(const QByteArray& bytes);

// The netconf options that would write these settings: "--dhcp", or
// "--static IP" [" --gateway GW"] then " --dns DNS" or " --auto-dns".
QString SettingsOptions(const AddressSettings& settings);
// "ftp ID RIGHTS" and "http ID RIGHTS" (no rights: "ftp ID"); no password.
QStringList AccountLinesShown(const AccountSettings& accounts);

}  // namespace NetSettings
