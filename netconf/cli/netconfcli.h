#pragma once
// The network configuration's subcommands of talo7100-cli:
//   netconf --show | --dhcp | --static IP [--gateway GW] [--dns DNS | --auto-dns]
//   netconf --table FILE                  (this port's row: NetConfTable)
//   accounts --show | --ftp-id ID [--ftp-rights LETTERS] --http-id ID [--http-rights LETTERS]
//   init [--servers httpftp,ftp,http]     (the global --yes answers the question)
//
// Principles of operation
// - Each runs the dialog's operation (NetConfig) with the same files,
//   uploads and messages; messages on standard error, the controller's
//   lines and the transfer's progress on standard output.
// - Each checks its whole call first - every octet and option, the account
//   fields under the dialog's rules (characters, lengths) - and refuses a
//   wrong one as a wrong call before it speaks to the controller.
// - Like the dialog, each then lists the device root to learn the free
//   space; it stops there when the listing fails or shows no free space.
// - --show reads the controller's file back (SettingsReadBack) and prints
//   only the result: the options that would write the settings, or "ftp ID
//   RIGHTS" and "http ID RIGHTS" - never a password. The exchange's lines
//   are not shown. A file missing or not parsed prints nothing: exit 1.
// - Passwords are never arguments, since any user can read a process's
//   arguments: they come from TALO7100_FTP_PASSWORD and
//   TALO7100_HTTP_PASSWORD, or are asked for on the terminal without echo.
// - The result is the exit status: 0 done, 1 failed or refused, 2 wrong
//   call. Main thread only.

#include <QString>
#include <QStringList>
#include <optional>
#include <span>

#include "clisupport/clicommand.h"
#include "netconf/netconfig.h"
#include "netconf/netsettings.h"

class DeviceShell;

namespace NetConfCli {

inline constexpr char kNetconfArguments[] =
    "--show | --dhcp | --static IP [--gateway GW] [--dns DNS | --auto-dns] | --table FILE";
inline constexpr char kAccountsArguments[] =
    "--show | --ftp-id ID [--ftp-rights dcwr] --http-id ID [--http-rights epg]";
inline constexpr char kInitArguments[] = "[--servers httpftp,ftp,http]";

inline constexpr char kFtpPasswordVariable[] = "TALO7100_FTP_PASSWORD";
inline constexpr char kHttpPasswordVariable[] = "TALO7100_HTTP_PASSWORD";

// The environment variable when set, else the terminal without echo; none
// when neither can give one.
std::optional<QString> ReadPassword(const char* variable, const QString& prompt);

// The parse steps of the three subcommands: none on a wrong call, with the
// reason in why (for netconf also octets the dialog would refuse, with its
// messages). Passwords are no arguments: ParseAccounts leaves them empty.
std::optional<AddressSettings> ParseNetconf(const QStringList& arguments, QString& why);
std::optional<AccountSettings> ParseAccounts(const QStringList& arguments, QString& why);
std::optional<ServerChoice> ParseInit(const QStringList& arguments, QString& why);
// accounts' whole call: its options, the passwords (ReadPassword) and the
// dialog's rules; none with why on a wrong call. Turns core dumps off first.
std::optional<AccountSettings> ReadAccounts(const QStringList& arguments, QString& why);

// json: --show prints one JSON object (its fields in the manual page).
int Netconf(DeviceShell& shell, const QStringList& arguments, bool json = false);
int Accounts(DeviceShell& shell, const QStringList& arguments, bool json = false);
int Init(DeviceShell& shell, const QStringList& arguments);

// The three subcommands' table (clisupport/clicommand.h).
std::span<const CliCommand> Commands();

}  // namespace NetConfCli
