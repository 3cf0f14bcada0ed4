#include "netconf/cli/netconfcli.h"

#include <termios.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QJsonObject>
#include <cstdio>
#include <iostream>
#include <string>

#include "clisupport/progressline.h"
#include "link/escapecontrols.h"
#include "link/port/portnames.h"
#include "link/shell/deviceshell.h"
#include "netconf/cli/netconftable.h"
#include "netconf/netconfig.h"
#include "netconf/netconftext.h"
#include "netconf/nocoredumps.h"
#include "netconf/settingsparser.h"
#include "netconf/settingsreadback.h"
#include "remote/devicecli.h"
#include "transfer/terminalprogress.h"

namespace NetConfCli {

namespace {

void PrintError(const QString& text) {
  PrintEscapedLine(stderr, QStringLiteral("talo7100-cli: ") + text);
}

// Parses the subcommand's own options; false (with why) on a wrong call.
bool Parse(QCommandLineParser& parser, const char* name, const QStringList& arguments,
           QString& why) {
  if (!parser.parse(QStringList{QString::fromLatin1(name)} + arguments)) {
    why = parser.errorText();
    return false;
  }
  if (!parser.positionalArguments().isEmpty()) {
    why = QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().front());
    return false;
  }
  return true;
}

// A dotted quad as four octet texts. Anything else keeps its text in the
// first octet, where the check rejects it with its group's message.
OctetTexts Octets(const QString& text) {
  return NetSettings::SplitDottedQuad(text).value_or(OctetTexts{text, {}, {}, {}});
}

// The refresh check of the configuration button: the root listed, free
// space known.
bool DeviceListed(DeviceShell& shell) {
  const std::optional<int64_t> free = DeviceCli::ReadFreeSpace(shell, QStringLiteral("\\"));
  if (!free) return false;
  if (*free != 0) return true;
  shell.Teller().Tell(JobResult::Warned(QString::fromLatin1(ShellText::kRefreshFirst)));
  return false;
}

// Runs one operation of the dialog with the progress bar as its transfer
// window; its messages as the dialog shows them.
int RunWithProgress(DeviceShell& shell, const std::function<ConfigResult(NetConfig&)>& operation) {
  if (!DeviceListed(shell)) return kExitFailed;
  // The copies' progress and lines are no result of the command.
  TerminalProgress progress(stderr, ProgressLine::Interactive(stderr));
  DeviceShell barShell(progress.Console(shell.Console()), shell.Dialogs(), shell.Teller());
  barShell.SetSelectedPort(shell.SelectedPort());
  NetConfig config(barShell, progress);
  const ConfigResult result = operation(config);
  barShell.Tell(result.Told());
  return result.Ok() ? kExitOk : kExitFailed;
}

// --show: what read gives, printed line by line or as one JSON object.
struct Shown {
  QStringList Lines;
  QJsonObject Json;
};
using ReadBack = std::function<std::optional<Shown>(DeviceShell&)>;
int Show(DeviceShell& shell, const QStringList& arguments, bool json, const ReadBack& read) {
  if (arguments != QStringList{QStringLiteral("--show")}) {
    PrintError(QStringLiteral("--show takes no other option"));
    return kUsageError;
  }
  // Standard output is the result alone.
  SettingsReadBack::MaskingConsole quiet(nullptr);
  DeviceShell reader(quiet, shell.Dialogs(), shell.Teller());
  reader.SetSelectedPort(shell.SelectedPort());
  const std::optional<Shown> shown = read(reader);
  if (!shown) return kExitFailed;
  if (json)
    PrintJson(stdout, shown->Json);
  else
    for (const QString& line : shown->Lines) PrintEscapedLine(stdout, line);
  return kExitOk;
}

QString Dotted(const OctetTexts& octets) {
  return QStringList{octets[0], octets[1], octets[2], octets[3]}.join(QLatin1Char('.'));
}

std::optional<QString> ReadFromTerminal(const QString& prompt) {
  if (isatty(STDIN_FILENO) != 1) return std::nullopt;
  std::fprintf(stderr, "%s", prompt.toLocal8Bit().constData());
  std::fflush(stderr);
  termios saved{};
  const bool quiet = tcgetattr(STDIN_FILENO, &saved) == 0;
  if (quiet) {
    termios silent = saved;
    silent.c_lflag &= static_cast<tcflag_t>(~ECHO);
    (void)tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
  }
  std::string line;
  const bool read = static_cast<bool>(std::getline(std::cin, line));
  if (quiet) (void)tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  std::fputc('\n', stderr);
  if (!read) return std::nullopt;
  return QString::fromLocal8Bit(line.c_str());
}

}  // namespace

std::optional<QString> ReadPassword(const char* variable, const QString& prompt) {
  if (qEnvironmentVariableIsSet(variable)) return qEnvironmentVariable(variable);
  return ReadFromTerminal(prompt);
}

std::optional<AddressSettings> ParseNetconf(const QStringList& arguments, QString& why) {
  QCommandLineParser parser;
  const QCommandLineOption dhcp(QStringLiteral("dhcp"),
                                QStringLiteral("Obtain the address by DHCP."));
  const QCommandLineOption fixed(QStringLiteral("static"), QStringLiteral("Static address."),
                                 QStringLiteral("IP"));
  const QCommandLineOption gateway(QStringLiteral("gateway"), QStringLiteral("Default gateway."),
                                   QStringLiteral("GW"));
  const QCommandLineOption dns(QStringLiteral("dns"), QStringLiteral("Primary name server."),
                               QStringLiteral("DNS"));
  const QCommandLineOption autoDns(QStringLiteral("auto-dns"),
                                   QStringLiteral("Obtain the name server automatically."));
  parser.addOptions({dhcp, fixed, gateway, dns, autoDns});
  if (!Parse(parser, "netconf", arguments, why)) return std::nullopt;
  const bool isDhcp = parser.isSet(dhcp);
  const bool isStatic = parser.isSet(fixed);
  if (isDhcp == isStatic ||
      (isDhcp && (parser.isSet(gateway) || parser.isSet(dns) || parser.isSet(autoDns))) ||
      (parser.isSet(dns) && parser.isSet(autoDns))) {
    why = QStringLiteral("give either --dhcp or --static IP, and --dns or --auto-dns");
    return std::nullopt;
  }
  if (isStatic && !parser.isSet(dns) && !parser.isSet(autoDns)) {
    why = QStringLiteral("a static address needs a name server: give --dns DNS or --auto-dns");
    return std::nullopt;
  }
  AddressSettings settings;
  settings.StaticIp = isStatic;
  if (isStatic) {
    settings.Ip = Octets(parser.value(fixed));
    if (parser.isSet(gateway)) settings.Gateway = Octets(parser.value(gateway));
    settings.AutoDns = parser.isSet(autoDns);
    if (parser.isSet(dns)) settings.Dns = Octets(parser.value(dns));
  }
  // Every octet is checked before the controller is spoken to; the messages
  // are the dialog's.
  const AddressCheck checked = NetSettings::CheckAddresses(settings);
  if (!checked.Accepted()) {
    why = checked.Messages.join(QLatin1Char(' '));
    return std::nullopt;
  }
  return settings;
}

std::optional<AccountSettings> ParseAccounts(const QStringList& arguments, QString& why) {
  QCommandLineParser parser;
  const QCommandLineOption ftpId(QStringLiteral("ftp-id"), QStringLiteral("FTP user ID."),
                                 QStringLiteral("ID"));
  const QCommandLineOption ftpRights(QStringLiteral("ftp-rights"),
                                     QStringLiteral("FTP rights, letters of dcwr."),
                                     QStringLiteral("LETTERS"));
  const QCommandLineOption httpId(QStringLiteral("http-id"), QStringLiteral("HTTP user ID."),
                                  QStringLiteral("ID"));
  const QCommandLineOption httpRights(QStringLiteral("http-rights"),
                                      QStringLiteral("HTTP rights, letters of epg."),
                                      QStringLiteral("LETTERS"));
  parser.addOptions({ftpId, ftpRights, httpId, httpRights});
  if (!Parse(parser, "accounts", arguments, why)) return std::nullopt;
  AccountSettings accounts;
  accounts.FtpId = parser.value(ftpId);
  accounts.FtpRights = parser.value(ftpRights);
  accounts.HttpId = parser.value(httpId);
  accounts.HttpRights = parser.value(httpRights);
  if (!parser.isSet(ftpId) || !parser.isSet(httpId) ||
      !NetSettings::RightsLettersValid(accounts.FtpRights, NetSettings::kFtpRightsOrder) ||
      !NetSettings::RightsLettersValid(accounts.HttpRights, NetSettings::kHttpRightsOrder)) {
    why = QStringLiteral(
        "give --ftp-id and --http-id; FTP rights are letters of dcwr, "
        "HTTP rights letters of epg");
    return std::nullopt;
  }
  return accounts;
}

std::optional<ServerChoice> ParseInit(const QStringList& arguments, QString& why) {
  QCommandLineParser parser;
  const QCommandLineOption servers(
      QStringLiteral("servers"), QStringLiteral("Server programs to copy too: httpftp, ftp, http."),
      QStringLiteral("LIST"));
  parser.addOption(servers);
  if (!Parse(parser, "init", arguments, why)) return std::nullopt;
  ServerChoice choice;
  if (parser.isSet(servers)) {
    for (const QString& name : parser.value(servers).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
      if (name == QLatin1String("httpftp"))
        choice.HttpFtp = true;
      else if (name == QLatin1String("ftp"))
        choice.Ftp = true;
      else if (name == QLatin1String("http"))
        choice.Http = true;
      else {
        why = QStringLiteral("unknown server %1 (httpftp, ftp, http)").arg(name);
        return std::nullopt;
      }
    }
  }
  return choice;
}

int Netconf(DeviceShell& shell, const QStringList& arguments, bool json) {
  // JSON: {"dhcp", "ip", "gateway", "dns", "autoDns"}, the addresses dotted
  // ("" when not set).
  if (arguments.contains(QStringLiteral("--show")))
    return Show(shell, arguments, json, [](DeviceShell& reader) -> std::optional<Shown> {
      const auto settings = SettingsReadBack::ReadSettings(reader);
      reader.Tell(settings.Result);
      if (!settings.Value) return std::nullopt;
      const AddressSettings& value = *settings.Value;
      const bool fixed = value.StaticIp;
      return Shown{{NetSettings::SettingsOptions(value)},
                   {{"dhcp", !fixed},
                    {"ip", fixed ? Dotted(value.Ip) : QString()},
                    {"gateway", fixed && !value.Gateway[0].isEmpty() ? Dotted(value.Gateway) : QString()},
                    {"dns", fixed && !value.AutoDns ? Dotted(value.Dns) : QString()},
                    {"autoDns", fixed && value.AutoDns}}};
    });
  QString why;
  const QString table = NetConfTable::PathIn(arguments);
  // A table's row is written to a folder of the port's own (named as in
  // {port}), so that controllers configured at once never share the file.
  const QString ownFolder = table.isEmpty() ? QString() : PortNames::ShortName(shell.SelectedPort());
  const std::optional<AddressSettings> settings =
      table.isEmpty() ? ParseNetconf(arguments, why)
                      : NetConfTable::SettingsFor(table, shell.SelectedPort(), why);
  if (settings && !table.isEmpty() && ownFolder.isEmpty())
    why = QStringLiteral("the port %1 has no name to keep its SOCKET.CFG under").arg(shell.SelectedPort());
  if (!settings || !why.isEmpty()) {
    PrintError(why);
    return kUsageError;
  }
  return RunWithProgress(shell, [&](NetConfig& config) {
    config.OwnFolder = ownFolder;
    return config.UpdateSettings(*settings);
  });
}

std::optional<AccountSettings> ReadAccounts(const QStringList& arguments, QString& why) {
  // The passwords come next, from the environment or the terminal.
  (void)TurnOffCoreDumps();
  std::optional<AccountSettings> accounts = ParseAccounts(arguments, why);
  if (!accounts) return std::nullopt;
  const std::optional<QString> ftpPassword =
      ReadPassword(kFtpPasswordVariable, QStringLiteral("FTP password: "));
  const std::optional<QString> httpPassword =
      ftpPassword ? ReadPassword(kHttpPasswordVariable, QStringLiteral("HTTP password: "))
                  : std::nullopt;
  if (!ftpPassword || !httpPassword) {
    why = QStringLiteral("no password: set %1 and %2 or run on a terminal")
              .arg(QLatin1String(kFtpPasswordVariable), QLatin1String(kHttpPasswordVariable));
    return std::nullopt;
  }
  accounts->FtpPassword = *ftpPassword;
  accounts->HttpPassword = *httpPassword;
  // The dialog's rules (blank, characters, lengths), before the controller
  // is spoken to.
  if (const std::optional<QString> refusal = NetSettings::BuildAccountLines(*accounts).Message) {
    why = *refusal;
    return std::nullopt;
  }
  return accounts;
}

int Accounts(DeviceShell& shell, const QStringList& arguments, bool json) {
  // JSON: {"ftp": {"id", "rights"}, "http": {"id", "rights"}}; never a
  // password.
  if (arguments.contains(QStringLiteral("--show")))
    return Show(shell, arguments, json, [](DeviceShell& reader) -> std::optional<Shown> {
      const auto accounts = SettingsReadBack::ReadAccounts(reader);
      reader.Tell(accounts.Result);
      if (!accounts.Value) return std::nullopt;
      const AccountSettings& value = *accounts.Value;
      return Shown{NetSettings::AccountLinesShown(value),
                   {{"ftp", QJsonObject{{"id", value.FtpId}, {"rights", value.FtpRights}}},
                    {"http", QJsonObject{{"id", value.HttpId}, {"rights", value.HttpRights}}}}};
    });
  QString why;
  const std::optional<AccountSettings> accounts = ReadAccounts(arguments, why);
  if (!accounts) {
    PrintError(why);
    return kUsageError;
  }
  return RunWithProgress(shell, [&](NetConfig& config) { return config.UpdateAccounts(*accounts); });
}

int Init(DeviceShell& shell, const QStringList& arguments) {
  QString why;
  const std::optional<ServerChoice> choice = ParseInit(arguments, why);
  if (!choice) {
    PrintError(why);
    return kUsageError;
  }
  return RunWithProgress(shell, [&](NetConfig& config) {
    // Asked (or answered by --yes) before anything is formatted.
    if (!NetConfig::ConfirmFormat(shell.Dialogs()))
      return ConfigResult{{}, JobResult::Failed(QString())};
    return config.InitialiseSystem(*choice);
  });
}

namespace {

const CliCommand kCommands[] = {
    {.Name = "netconf",
     .Arguments = kNetconfArguments,
     .Summary = "Writes SOCKET.CFG and copies it to D:\\CONF (--table: each port's row; --show: "
                "reads it back).",
     .Run = [](CliContext& context, const QStringList& arguments) {
       return Netconf(context.Shell, arguments, context.Json);
     },
     .OwnOptions = true,
     .JoinsFleet = true},
    {.Name = "accounts",
     .Arguments = kAccountsArguments,
     .Summary = "Writes SOCKET.UPW and copies it to D:\\CONF (passwords from "
                "TALO7100_FTP_PASSWORD and TALO7100_HTTP_PASSWORD or the terminal; --show: reads IDs "
                "and rights back).",
     .Run = [](CliContext& context, const QStringList& arguments) {
       return Accounts(context.Shell, arguments, context.Json);
     },
     .OwnOptions = true,
     .JoinsFleet = true},
    {.Name = "init",
     .Arguments = kInitArguments,
     .Summary = "Formats D: and copies the default files and the chosen servers (asks first; "
                "--yes).",
     .Run = [](CliContext& context, const QStringList& arguments) {
       return Init(context.Shell, arguments);
     },
     .OwnOptions = true,
     .JoinsFleet = true},
};

}  // namespace

std::span<const CliCommand> Commands() { return kCommands; }

}  // namespace NetConfCli
