#include "app/cli/clicommands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <algorithm>
#include <QTextStream>
#include <cstdio>
#include <iterator>
#include <optional>
#include <span>
#include <vector>

#include "app/appsettings.h"
#include "app/cli/fleetplan.h"
#include "app/cli/fleetrun.h"
#include "app/cli/programtext.h"
#include "app/cli/streamconsole.h"
#include "app/cli/streamdialogs.h"
#include "clisupport/progressline.h"
#include "image/cli/imagecli.h"
#include "installation/helperfiles.h"
#include "link/escapecontrols.h"
#include "link/jobs/interruption.h"
#include "link/loggedconsole.h"
#include "link/port/portscan.h"
#include "link/shell/deviceshell.h"
#include "link/terminallog.h"
#include "module/cli/diocli.h"
#include "netconf/cli/netconfcli.h"
#include "remote/cli/remotecli.h"
#include "transfer/cli/putcli.h"

namespace {

// ports: the port box's list, one port a line: its name, its stable name
// beside it and "(no permission)" for one this user cannot open; --port adds
// its name as the desktop program does.
// With --json: {"ports": [{"name", "stable", "accessible"}]}.
int RunPorts(CliContext& context, const QStringList& arguments) {
  if (!arguments.isEmpty()) return kUsageError;
  std::vector<ScannedPort> ports = ScanPorts();
  const std::string given = context.Shell.SelectedPort().toStdString();
  const bool listed = std::any_of(ports.begin(), ports.end(),
                                  [&](const ScannedPort& port) { return port.Name == given; });
  if (context.PortGiven && !given.empty() && !listed) ports.push_back({given, {}, true});
  if (context.Json) {
    QJsonArray list;
    for (const ScannedPort& port : ports)
      list.append(QJsonObject{{"name", QString::fromStdString(port.Name)},
                              {"stable", QString::fromStdString(port.StableName)},
                              {"accessible", port.Accessible}});
    PrintJson(stdout, {{"ports", list}});
    return kExitOk;
  }
  for (const ScannedPort& port : ports)
    PrintEscapedLine(stdout, QString::fromStdString(PortLabel(port)));
  std::fflush(stdout);
  return kExitOk;
}

// Why a command for "run" cannot be typed as one line, or empty when it can:
// a carriage return or line feed inside would make the shell run two lines
// (and leave the rest of the second typed), other control characters edit
// or cancel the line, and the shell takes 8-bit characters only.
QString UntypableCharacter(const QString& command) {
  for (const QChar c : command) {
    const char16_t code = c.unicode();
    if (code == u'\r') return QStringLiteral("a carriage return (\\r)");
    if (code == u'\n') return QStringLiteral("a line feed (\\n)");
    if (code == u'\t') return QStringLiteral("a tab (\\t)");
    if (code < 0x20 || code == 0x7F)
      return QStringLiteral("the control character \\x%1").arg(code, 2, 16, QLatin1Char('0'));
    if (code > 0xFF)
      return QStringLiteral("the character U+%1, which the shell cannot take")
          .arg(QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0')));
  }
  return {};
}

// run LINE: one command line typed into the shell, its answer on stdout.
int RunLine(CliContext& context, const QStringList& arguments) {
  if (arguments.isEmpty()) return kUsageError;
  const QString command = arguments.join(QLatin1Char(' '));
  if (const QString refused = UntypableCharacter(command); !refused.isEmpty()) {
    PrintEscapedLine(stderr, QStringLiteral("talo7100-cli run: the command holds %1: give one "
                                            "command line without control characters")
                                 .arg(refused));
    return kUsageError;
  }
  QByteArray line = command.toLatin1();
  line += '\r';
  DeviceShell& shell = context.Shell;
  const JobResult result = shell.Jobs().Run([&] { return shell.CommandExchange(line); });
  shell.Tell(result);
  return result.Ok() ? kExitOk : kExitFailed;
}

// helpers [--import FOLDER]: the files the controller needs from the
// installation folder, one a line (present with its size, or missing); with
// --import the missing ones are copied in from FOLDER first. Exit 1 while a
// file a feature cannot do without is missing.
// With --json: {"folder", "files": [{"path", "feature", "present", "size",
// "from", "optional"}], and after an import "copied", "kept", "not_found",
// "failed"}.
int RunHelpers(CliContext& context, const QStringList& arguments) {
  QString importFrom;
  if (arguments.size() == 2 && arguments[0] == QLatin1String("--import")) {
    importFrom = arguments[1];
  } else if (arguments.size() == 1 && arguments[0].startsWith(QLatin1String("--import="))) {
    importFrom = arguments[0].mid(9);
  } else if (!arguments.isEmpty()) {
    return kUsageError;
  }
  const TaloAppFolders folders = GetTaloAppDir();
  if (!folders.Error.isEmpty()) {
    context.Shell.Tell(JobResult::Failed(folders.Error));
    return kExitFailed;
  }
  if (!importFrom.isEmpty() && !QFileInfo(importFrom).isDir()) {
    context.Shell.Tell(JobResult::Failed(QStringLiteral("'%1' is not a folder.").arg(importFrom)));
    return kExitFailed;
  }
  std::optional<HelperFiles::ImportResult> imported;
  if (!importFrom.isEmpty()) imported = HelperFiles::Import(importFrom, folders);
  const std::vector<HelperFiles::State> states = HelperFiles::Check(folders);
  const QDir install(folders.InstallFolder);
  bool complete = true;
  for (const HelperFiles::State& state : states)
    if (!state.Present && !state.File->Optional) complete = false;

  if (context.Json) {
    QJsonArray files;
    for (const HelperFiles::State& state : states)
      files.append(QJsonObject{{"path", install.relativeFilePath(state.Where)},
                               {"feature", QLatin1String(state.File->Feature)},
                               {"present", state.Present},
                               {"size", state.Size},
                               {"from", state.File->FromMaker ? "maker" : "utility"},
                               {"optional", state.File->Optional}});
    QJsonObject result{{"folder", folders.InstallFolder}, {"files", files}};
    if (imported) {
      result.insert("copied", QJsonArray::fromStringList(imported->Copied));
      result.insert("kept", QJsonArray::fromStringList(imported->Kept));
      result.insert("not_found", QJsonArray::fromStringList(imported->NotFound));
      result.insert("failed", QJsonArray::fromStringList(imported->Failed));
    }
    PrintJson(stdout, result);
    return complete ? kExitOk : kExitFailed;
  }
  if (imported) {
    for (const QString& path : imported->Copied) PrintEscapedLine(stdout, QStringLiteral("copied  %1").arg(path));
    for (const QString& failure : imported->Failed)
      PrintEscapedLine(stderr, QStringLiteral("Error: cannot copy %1").arg(failure));
  }
  PrintEscapedLine(stdout, QStringLiteral("Installation folder: %1").arg(folders.InstallFolder));
  for (const HelperFiles::State& state : states) {
    const QString size = state.Present ? QLocale::c().toString(state.Size) : QStringLiteral("-");
    PrintEscapedLine(stdout, QStringLiteral("%1 %2  %3  (%4%5; %6)")
                                 .arg(state.Present ? QStringLiteral("present") : QStringLiteral("missing"))
                                 .arg(size, 9)
                                 .arg(install.relativeFilePath(state.Where), QLatin1String(state.File->Feature),
                                      state.File->Optional ? QStringLiteral(", optional") : QString(),
                                      state.File->FromMaker ? QStringLiteral("from the controller's maker")
                                                            : QStringLiteral("shipped with this utility")));
  }
  if (!complete)
    PrintEscapedLine(stderr, QStringLiteral("Missing files come with the controller (its CD or the maker's "
                                            "archive): talo7100-cli helpers --import FOLDER copies them in."));
  std::fflush(stdout);
  return complete ? kExitOk : kExitFailed;
}

// The command line's own subcommands.
const CliCommand kOwnCommands[] = {
    {.Name = "ports",
     .Summary = "Lists the serial ports (with --port NAME added when missing).",
     .Run = RunPorts,
     .NeedsPort = false},
    {.Name = "helpers",
     .Arguments = "[--import FOLDER]",
     .Summary = "Lists the files the controller needs; --import copies missing ones in from FOLDER.",
     .Run = RunHelpers,
     .NeedsPort = false,
     .OwnOptions = true},
    {.Name = "run",
     .Arguments = "[--log FILE] LINE",
     .Summary = "Types LINE into the controller's shell and prints its answer.",
     .Run = RunLine,
     .ShowConsole = true,
     .JoinsFleet = true},
};

// Every area's table, once, in the order --help lists them.
const std::vector<CliCommand>& AllCommands() {
  static const std::vector<CliCommand> all = [] {
    std::vector<CliCommand> table(std::begin(kOwnCommands), std::end(kOwnCommands));
    for (const std::span<const CliCommand> area :
         {RemoteCli::Commands(), PutCli::Commands(), DioCli::Commands(), ImageCli::Commands(),
          NetConfCli::Commands()})
      table.insert(table.end(), area.begin(), area.end());
    return table;
  }();
  return all;
}

const CliCommand* FindCommand(const QString& name) {
  for (const CliCommand& command : AllCommands())
    if (name == QLatin1String(command.Name)) return &command;
  return nullptr;
}

}  // namespace

std::span<const CliCommand> CliCommands() { return AllCommands(); }

QString CliUsage() {
  QStringList joining;
  for (const CliCommand& command : CliCommands())
    if (command.JoinsFleet) joining.append(QLatin1String(command.Name));
  QString text;
  QTextStream out(&text);
  out << ProgramText::UsageHead(QStringLiteral("talo7100-cli"),
                                QStringLiteral("[--port NAME] [--yes] [--json] [--standard-waits] "
                                               "COMMAND [ARGUMENTS]"))
      << "\n"
         "Drives a TALO-7100 controller over one RS-232 line (57600 baud, 8N1) by typing\n"
         "command lines into its shell. The command's result goes to standard output,\n"
         "messages and progress to standard error. The exit status is 0 on success, 1\n"
         "when the command failed (the desktop program would have shown an error box),\n"
         "2 for a wrong command line.\n\n"
         "Options:\n"
         "  --port NAME  the serial port: ttyUSB0, ttyS0, /dev/pts/3, COM1..COM255\n"
         "               (default: the first port found; TALO7100_PORTS adds names).\n"
         "               Given more than once, the command runs on every port at once,\n"
         "               its lines prefixed with [PORT], then a summary line per port;\n"
         "               \"{port}\" in a file name stands for each port's name. For:\n"
         "               "
      << joining.join(QLatin1Char(' ')) << "\n"
      << "  --jobs N     with several ports, at most N at a time (default: all)\n"
         "  --yes        answer yes to every question (otherwise questions are refused)\n"
         "  --json       results as JSON, one document a line; messages on standard\n"
         "               error as JSON too, a failure's last line {\"error\", \"exit\"}\n"
         "  --standard-waits  read the answers of listings, counts, file commands and\n"
         "               mem to their time-outs instead of ending them at the shell's\n"
         "               prompt (--quick, which asked for the prompt, is the default)\n"
         "  --help       show this text\n"
         "  --version    show the version\n\n"
         "Every command also takes:\n"
         "  --verbose    show the console lines of the exchanges on standard error\n"
         "  --json       as before the command\n\n"
         "Commands:\n";
  for (const CliCommand& command : AllCommands()) {
    const QString call = QLatin1String(command.Name) +
                         (command.Arguments[0] ? QLatin1Char(' ') + QLatin1String(command.Arguments)
                                               : QString());
    out << "  " << call.leftJustified(20) << ' ' << command.Summary << '\n';
  }
  return text;
}

namespace {

// A subcommand without options of its own: --verbose, then its arguments (a
// "-" after the first argument is an argument, "--" ends the options).
// run also takes --log FILE: the answer goes into a timestamped log too; a
// command that asks takes --yes as the global option does.
// On a wrong call, the message for standard error.
std::optional<QString> ParseCommonOptions(const CliCommand& command, QStringList& arguments,
                                          CliCall& call) {
  const QString name = QString::fromLatin1(command.Name);
  QCommandLineParser parser;
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
  const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                         QStringLiteral("Shows the console lines of the exchanges."));
  parser.addOption(verboseOption);
  const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("Results as JSON."));
  parser.addOption(jsonOption);
  const QCommandLineOption logOption(QStringLiteral("log"),
                                     QStringLiteral("Appends the answer, timestamped, to <file>."),
                                     QStringLiteral("file"));
  if (command.Run == RunLine) parser.addOption(logOption);
  const QCommandLineOption yesOption(QStringLiteral("yes"),
                                     QStringLiteral("Answers yes to the question."));
  if (command.Asks) parser.addOption(yesOption);
  if (!parser.parse(QStringList{name} + arguments))
    return QStringLiteral("talo7100-cli %1: %2\n").arg(name, parser.errorText()) + CliUsageLine(command);
  arguments = parser.positionalArguments();
  call.Verbose = call.Verbose || parser.isSet(verboseOption);
  call.Json = call.Json || parser.isSet(jsonOption);
  if (command.Run == RunLine) call.LogPath = parser.value(logOption);
  if (command.Asks) call.AssumeYes = call.AssumeYes || parser.isSet(yesOption);
  return std::nullopt;
}

// A wrong call keeps what was parsed (--json says how to report it).
CliCall WrongCall(CliCall call, const QString& message) {
  call.What = CliCall::Action::WrongCall;
  call.Message = message;
  return call;
}

}  // namespace

CliCall ParseCliCall(QStringList arguments) {
  CliCall call;
  // Global options stop at the subcommand, whose arguments may start with "-".
  while (!arguments.isEmpty() && arguments.front().startsWith(QLatin1String("--"))) {
    const QString option = arguments.takeFirst();
    if (option == QLatin1String("--help")) {
      call.What = CliCall::Action::Help;
      return call;
    }
    if (option == QLatin1String("--version")) {
      call.What = CliCall::Action::Version;
      return call;
    }
    if (option == QLatin1String("--yes")) {
      call.AssumeYes = true;
    } else if (option == QLatin1String("--standard-waits")) {
      call.StandardWaits = true;
    } else if (option == QLatin1String("--quick")) {
      // Quick answers are the default; scripts written before may still ask.
    } else if (option == QLatin1String("--json")) {
      call.Json = true;
    } else if (option == QLatin1String("--verbose")) {
      call.Verbose = true;
    } else if (option == QLatin1String("--port") && !arguments.isEmpty()) {
      call.Port = arguments.takeFirst();
      call.Ports.append(call.Port);
      call.PortGiven = true;
    } else if (option.startsWith(QLatin1String("--port="))) {
      call.Port = option.mid(7);
      call.Ports.append(call.Port);
      call.PortGiven = true;
    } else if ((option == QLatin1String("--jobs") && !arguments.isEmpty()) ||
               option.startsWith(QLatin1String("--jobs="))) {
      const QString value = option.contains(QLatin1Char('=')) ? option.mid(7) : arguments.takeFirst();
      bool number = false;
      call.Jobs = value.toInt(&number);
      if (!number || call.Jobs < 1)
        return WrongCall(call, ProgramText::WrongCall(
            QStringLiteral("talo7100-cli"),
            QStringLiteral("--jobs takes a number of ports from 1 up, not %1").arg(value)));
    } else {
      return WrongCall(call, ProgramText::WrongCall(QStringLiteral("talo7100-cli"),
                                              QStringLiteral("unknown option %1").arg(option)));
    }
  }
  if (arguments.isEmpty()) return WrongCall(call, CliUsage());
  const QString name = arguments.takeFirst();
  call.Command = FindCommand(name);
  if (!call.Command)
    return WrongCall(call, ProgramText::WrongCall(QStringLiteral("talo7100-cli"),
                                            QStringLiteral("unknown command %1").arg(name)));
  call.TypedArguments = arguments;
  // --verbose and --json are every subcommand's; a subcommand with options
  // of its own parses the rest itself ("--" ends the options).
  if (call.Command->OwnOptions) {
    const qsizetype end = arguments.indexOf(QStringLiteral("--"));
    for (qsizetype i = (end < 0 ? arguments.size() : end) - 1; i >= 0; --i) {
      bool& flag = arguments[i] == QLatin1String("--json") ? call.Json : call.Verbose;
      if (arguments[i] != QLatin1String("--verbose") && arguments[i] != QLatin1String("--json"))
        continue;
      arguments.removeAt(i);
      flag = true;
    }
  } else if (const std::optional<QString> wrong =
                 ParseCommonOptions(*call.Command, arguments, call)) {
    return WrongCall(call, *wrong);
  }
  call.Arguments = arguments;
  return call;
}

int RunCli(int argc, char** argv) {
  // Ctrl+C and SIGTERM stop the work at its next safe point (a command line
  // being typed is erased, the port released) instead of ending the
  // program in the middle of it.
  Interruption::InstallSignalHandlers();
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("talo7100-cli"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TALO_VERSION));

  const CliCall call = ParseCliCall(QCoreApplication::arguments().mid(1));
  switch (call.What) {
    case CliCall::Action::Help:
      PrintEscapedLine(stdout, CliUsage());
      return kExitOk;
    case CliCall::Action::Version:
      PrintEscapedLine(stdout, ProgramText::VersionLine(QStringLiteral("talo7100-cli")));
      return kExitOk;
    case CliCall::Action::WrongCall:
      if (call.Json)
        PrintJson(stderr, {{"error", call.Message}, {"exit", kUsageError}});
      else
        PrintEscapedLine(stderr, call.Message);
      return kUsageError;
    case CliCall::Action::Run:
      break;
  }
  if (call.Ports.size() > 1) return RunFleet(call);
  const CliCommand* command = call.Command;
  QStringList arguments = call.Arguments;
  const QString& logPath = call.LogPath;
  const bool verbose = call.Verbose;
  const bool assumeYes = call.AssumeYes;
  const bool portGiven = call.PortGiven;
  QString port = call.Port;

  // The console is the result of run and mem; of any other command it is
  // shown only when asked for, beside the messages.
  StreamConsole console(command->ShowConsole ? stdout : verbose ? stderr : nullptr);
  StreamDialogs dialogs(assumeYes, stderr, call.Json);
  TerminalLog log;
  if (!logPath.isEmpty()) {
    QString why;
    if (!log.Open(logPath, &why)) {
      PrintEscapedLine(stderr, QStringLiteral("talo7100-cli: cannot write the log %1: %2")
                            .arg(logPath, why));
      return kExitFailed;
    }
  }
  LoggedConsole logged(console, log);
  DeviceShell shell(logged, dialogs, dialogs);
  if (!portGiven && command->NeedsPort) {
    // The port the window used last, while its device is there; never a
    // guess at the first port of the list (ttyS0 on most PCs).
    port = AppSettings::StartPort(QString(), AppSettings().LastPort());
    if (port.isEmpty()) {
      PrintEscapedLine(stderr, QStringLiteral("talo7100-cli %1: give the controller's port with --port NAME "
                                              "(no port is remembered from the window). The ports found:")
                                   .arg(QLatin1String(command->Name)));
      for (const ScannedPort& found : ScanPorts())
        PrintEscapedLine(stderr, QStringLiteral("  ") + QString::fromStdString(PortLabel(found)));
      if (call.Json) PrintJson(stderr, {{"error", QStringLiteral("no --port given")}, {"exit", kUsageError}});
      return kUsageError;
    }
  }
  shell.SetSelectedPort(port);
  if (command->JoinsFleet) arguments = FleetPlan::WithPortName(arguments, port);
  shell.SetQuickAnswers(!call.StandardWaits);
  CliContext context{shell, console, dialogs, assumeYes, portGiven, call.Json};

  int status = command->Run(context, arguments);
  console.Flush();
  // Stopped by a signal: whatever the command made of its stop.
  if (Interruption::Requested() && status != kUsageError) status = kExitInterrupted;
  // Why the port would not open, when it was for lack of permission.
  if (!shell.PermissionHint().isEmpty()) PrintEscapedLine(stderr, shell.PermissionHint());
  if (status == kExitOk && dialogs.ErrorCount() > 0) status = kExitFailed;
  if (call.Json && status != kExitOk) {
    const QString why = status == kUsageError        ? CliUsageLine(*command)
                        : status == kExitInterrupted ? QStringLiteral("interrupted")
                        : !dialogs.LastError().isEmpty() ? dialogs.LastError()
                                                         : QStringLiteral("failed");
    PrintJson(stderr, {{"error", why}, {"exit", status}});
  } else if (status == kUsageError) {
    PrintEscapedLine(stderr, CliUsageLine(*command));
  }
  return status;
}
