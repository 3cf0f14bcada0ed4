#include "clicommands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <optional>

#include "devicepath.h"
#include "escapecontrols.h"
#include "deviceshell.h"
#include "fleetplan.h"
#include "fleetprepares.h"
#include "fleetrun.h"
#include "portscan.h"
#include "programtext.h"
#include "progressline.h"
#ifdef TALO_CLI_DEVICE_COMMANDS
#include "devicecli.h"
#include "putcli.h"
#endif
#ifdef TALO_CLI_MODULE
#include "diocli.h"
#endif
#ifdef TALO_CLI_IMAGE
#include "imagecli.h"
#endif
#ifdef TALO_CLI_NETCONF
#include "netconfcli.h"
#endif
#include "streamconsole.h"
#include "terminallog.h"
#include "streamdialogs.h"

namespace {

QStringList ScannedPorts() {
  QStringList names;
  for (const std::string& name : ScanComPort()) names.append(QString::fromStdString(name));
  return names;
}

// ports: the port box's list, one port a line: its name, its stable name
// beside it and "(no permission)" for one this user cannot open; --port adds
// its name as the desktop program does.
int RunPorts(CliContext& context, const QStringList& arguments) {
  if (!arguments.isEmpty()) return kUsageError;
  const std::vector<ScannedPort> ports = ScanPorts();
  const std::string given = context.Shell.SelectedPort().toStdString();
  bool listed = false;
  for (const ScannedPort& port : ports) {
    PrintEscapedLine(stdout, QString::fromStdString(PortLabel(port)));
    listed = listed || port.Name == given;
  }
  if (context.PortGiven && !given.empty() && !listed)
    PrintEscapedLine(stdout, QString::fromStdString(given));
  std::fflush(stdout);
  return kExitOk;
}

// run LINE: one command line typed into the shell, its answer on stdout.
int RunLine(CliContext& context, const QStringList& arguments) {
  if (arguments.isEmpty()) return kUsageError;
  QByteArray line = arguments.join(QLatin1Char(' ')).toLatin1();
  if (!line.endsWith('\r')) line += '\r';
  return context.Shell.RunDeviceCommand(line) ? kExitOk : kExitFailed;
}

#ifdef TALO_CLI_DEVICE_COMMANDS
int PrintLines(int status, const QStringList& lines) {
  for (const QString& line : lines) PrintEscapedLine(stdout, line);
  std::fflush(stdout);
  return status;
}

// ls [FOLDER]: the folder as the device pane lists it.
int RunLs(CliContext& context, const QStringList& arguments) {
  if (arguments.size() > 1) return kUsageError;
  if (!DeviceCli::CheckNameArgument(context.Shell, arguments.value(0))) return kUsageError;
  const QString folder = DevicePath::Normalised(arguments.value(0));
  QStringList lines;
  const int status = DeviceCli::ListFolder(context.Shell, folder, lines);
  return PrintLines(status, lines);
}

// du NAME: files, folders and bytes below a file or folder.
int RunDu(CliContext& context, const QStringList& arguments) {
  if (arguments.size() != 1) return kUsageError;
  if (!DeviceCli::CheckNameArgument(context.Shell, arguments.front())) return kUsageError;
  QStringList lines;
  const int status = DeviceCli::MeasureFolder(context.Shell, arguments.front(), lines);
  return PrintLines(status, lines);
}

// cat PATH: a text file of D:, its lines on stdout.
int RunCat(CliContext& context, const QStringList& arguments) {
  if (arguments.size() != 1) return kUsageError;
  if (!DeviceCli::CheckNameArgument(context.Shell, arguments.front(), true)) return kUsageError;
  QStringList lines;
  const int status = DeviceCli::ShowTextFile(context.Shell, arguments.front(), lines);
  return PrintLines(status, lines);
}

// rm PATH...: files and empty folders of D:, each after the pane's question.
int RunRm(CliContext& context, const QStringList& arguments) {
  if (arguments.isEmpty()) return kUsageError;
  for (const QString& path : arguments)
    if (!DeviceCli::CheckNameArgument(context.Shell, path, true)) return kUsageError;
  return DeviceCli::Remove(context.Shell, arguments);
}

// mv PATH NEWNAME: a file renamed in its folder.
int RunMv(CliContext& context, const QStringList& arguments) {
  if (arguments.size() != 2) return kUsageError;
  if (!DeviceCli::CheckNameArgument(context.Shell, arguments[0], true)) return kUsageError;
  const std::optional<QString> name = DeviceCli::CheckNewNameArgument(context.Shell, arguments[1]);
  if (!name) return kUsageError;
  return DeviceCli::Rename(context.Shell, arguments[0], *name);
}

// mkdir PATH: a new folder.
int RunMkdir(CliContext& context, const QStringList& arguments) {
  if (arguments.size() != 1) return kUsageError;
  const QString folder = DeviceCli::FolderOf(arguments[0]);
  if (!DeviceCli::CheckNameArgument(context.Shell, folder)) return kUsageError;
  const std::optional<QString> name =
      DeviceCli::CheckNewNameArgument(context.Shell, DeviceCli::NameOf(arguments[0]));
  if (!name) return kUsageError;
  return DeviceCli::MakeFolder(context.Shell, folder, *name);
}

int RunMem(CliContext& context, const QStringList& arguments) {
  if (!arguments.isEmpty()) return kUsageError;
  return DeviceCli::ShowMemory(context.Shell);
}

int RunFormat(CliContext& context, const QStringList& arguments) {
  if (!arguments.isEmpty()) return kUsageError;
  return DeviceCli::Format(context.Shell);
}

// autorun PATH: the program started at boot from the root's AutoRun.bat.
int RunAutorun(CliContext& context, const QStringList& arguments) {
  if (arguments.size() != 1) return kUsageError;
  if (!DeviceCli::CheckNameArgument(context.Shell, arguments[0], true)) return kUsageError;
  return DeviceCli::AutoRun(context.Shell, arguments[0]);
}

int RunPut(CliContext& context, const QStringList& arguments) {
  const std::optional<PutCommand::Arguments> parsed = PutCommand::Parse(arguments);
  if (parsed && !DeviceCli::CheckNameArgument(context.Shell, parsed->Folder)) return kUsageError;
  return PutCli::Put(context.Shell, arguments);
}
#endif

#ifdef TALO_CLI_MODULE
int RunDio(CliContext& context, const QStringList& arguments) {
  return DioCli::Run(context.Shell, arguments, {stdout, stderr, ProgressLine::Interactive(stderr)});
}
#endif
#ifdef TALO_CLI_IMAGE
int RunBackup(CliContext& context, const QStringList& arguments) {
  return ImageCli::Backup(context.Shell, arguments);
}
int RunRestore(CliContext& context, const QStringList& arguments) {
  return ImageCli::Restore(context.Shell, arguments);
}
#endif

// One entry per subcommand.
const CliCommand kCommands[] = {
    {"ports", "", "Lists the serial ports (with --port NAME added when missing).", RunPorts,
     false},
    {"run", "[--log FILE] LINE", "Types LINE into the controller's shell and prints its answer.", RunLine},
#ifdef TALO_CLI_DEVICE_COMMANDS
    {.Name = "ls", .Arguments = "[FOLDER]",
     .Summary = "Lists a folder of D: (default \\): name, size, type, modified.", .Run = RunLs,
     .ShowConsole = false, .JoinsFleet = true},
    {.Name = "du", .Arguments = "NAME",
     .Summary = "Counts the files, folders and bytes below a file or folder of D:.", .Run = RunDu,
     .ShowConsole = false, .JoinsFleet = true},
    {.Name = "cat", .Arguments = "PATH",
     .Summary = "Prints a text file of D: (control characters but tab escaped).", .Run = RunCat,
     .ShowConsole = false, .JoinsFleet = true},
    {"rm", "[--yes] PATH...", "Deletes files and empty folders of D: (asks first; --yes).", RunRm,
     true, false, false, true},
    {"mv", "PATH NEWNAME", "Renames a file of D: (NEWNAME: 8.3, letters, digits, _ ~ -).", RunMv,
     true, false},
    {"mkdir", "PATH", "Makes a folder on D: (its name: 8.3, letters, digits, _ ~ -).", RunMkdir,
     true, false},
    {"mem", "", "Shows the controller's memory report.", RunMem},
    {"format", "[--yes]", "Formats D:, erasing it (asks first; --yes).", RunFormat, true, true,
     false, true},
    {"autorun", "PATH", "Makes a program of D: start at boot (the root's AutoRun.bat).",
     RunAutorun, true, false},
    {.Name = "put", .Arguments = PutCommand::kArguments,
     .Summary = "Copies PC files into a folder of D: (default \\).", .Run = RunPut,
     .ShowConsole = false, .OwnOptions = true, .JoinsFleet = true},
#endif
#ifdef TALO_CLI_MODULE
    {.Name = "dio", .Arguments = DioCli::kArguments,
     .Summary = "Polls and switches the embedded DIO module.", .Run = RunDio, .ShowConsole = false,
     .OwnOptions = true, .JoinsFleet = true, .PrepareFleet = FleetPrepares::Dio},
#endif
#ifdef TALO_CLI_IMAGE
    {.Name = "backup", .Arguments = ImageCli::kBackupArguments,
     .Summary = "Saves the whole D: drive into an image file.", .Run = RunBackup,
     .OwnOptions = true, .JoinsFleet = true, .PrepareFleet = FleetPrepares::Backup},
    {.Name = "restore", .Arguments = ImageCli::kRestoreArguments,
     .Summary = "Writes an image file back onto D: (erases it).", .Run = RunRestore,
     .OwnOptions = true, .JoinsFleet = true, .PrepareFleet = FleetPrepares::Restore},
#endif
#ifdef TALO_CLI_NETCONF
    {.Name = "netconf", .Arguments = NetConfCli::kNetconfArguments,
     .Summary = "Writes SOCKET.CFG and copies it to D:\\CONF (--table: each port's row; --show: reads it back).",
     .Run = [](CliContext& c, const QStringList& a) { return NetConfCli::Netconf(c.Shell, a); },
     .OwnOptions = true, .JoinsFleet = true, .PrepareFleet = FleetPrepares::Netconf},
    {.Name = "accounts", .Arguments = NetConfCli::kAccountsArguments,
     .Summary = "Writes SOCKET.UPW and copies it to D:\\CONF (passwords from "
                "TALO7100_FTP_PASSWORD and TALO7100_HTTP_PASSWORD or the terminal; --show: reads IDs and rights back).",
     .Run = [](CliContext& c, const QStringList& a) { return NetConfCli::Accounts(c.Shell, a); },
     .OwnOptions = true, .JoinsFleet = true, .PrepareFleet = FleetPrepares::Accounts},
    {.Name = "init", .Arguments = NetConfCli::kInitArguments,
     .Summary = "Formats D: and copies the default files and the chosen servers (asks first; --yes).",
     .Run = [](CliContext& c, const QStringList& a) { return NetConfCli::Init(c.Shell, a); },
     .OwnOptions = true, .JoinsFleet = true, .PrepareFleet = FleetPrepares::Init},
#endif
};

const CliCommand* FindCommand(const QString& name) {
  for (const CliCommand& command : kCommands)
    if (name == QLatin1String(command.Name)) return &command;
  return nullptr;
}

}  // namespace

std::span<const CliCommand> CliCommands() { return kCommands; }

QString CliUsageLine(const CliCommand& command) {
  return QStringLiteral("Usage: talo7100-cli [--port NAME] %1 [--verbose] %2")
      .arg(QLatin1String(command.Name), QLatin1String(command.Arguments));
}

QString CliUsage() {
  QStringList joining;
  for (const CliCommand& command : kCommands)
    if (command.JoinsFleet) joining.append(QLatin1String(command.Name));
  QString text;
  QTextStream out(&text);
  out << ProgramText::UsageHead(QStringLiteral("talo7100-cli"),
                                QStringLiteral("[--port NAME] [--yes] [--quick] COMMAND [ARGUMENTS]"))
      << "\n"
         "Drives a TALO-7100 controller over one RS-232 line (57600 baud, 8N1) by typing\n"
         "command lines into its shell. The controller's answers go to standard output,\n"
         "messages to standard error. The exit status is 0 on success, 1 when the\n"
         "command failed (the desktop program would have shown an error box), 2 for a\n"
         "wrong command line.\n\n"
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
         "  --quick      end the answers of listings, counts, file commands and mem at\n"
         "               the shell's prompt instead of after the read time-outs\n"
         "  --help       show this text\n"
         "  --version    show the version\n\n"
         "Every command also takes:\n"
         "  --verbose    show the console lines of the exchanges on standard output\n\n"
         "Commands:\n";
  for (const CliCommand& command : kCommands) {
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
  if (command.Run == RunLine) call.LogPath = parser.value(logOption);
  if (command.Asks) call.AssumeYes = call.AssumeYes || parser.isSet(yesOption);
  return std::nullopt;
}

CliCall WrongCall(const QString& message) {
  CliCall call;
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
    } else if (option == QLatin1String("--quick")) {
      call.Quick = true;
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
        return WrongCall(ProgramText::WrongCall(
            QStringLiteral("talo7100-cli"),
            QStringLiteral("--jobs takes a number of ports from 1 up, not %1").arg(value)));
    } else {
      return WrongCall(ProgramText::WrongCall(QStringLiteral("talo7100-cli"),
                                              QStringLiteral("unknown option %1").arg(option)));
    }
  }
  if (arguments.isEmpty()) return WrongCall(CliUsage());
  const QString name = arguments.takeFirst();
  call.Command = FindCommand(name);
  if (!call.Command)
    return WrongCall(ProgramText::WrongCall(QStringLiteral("talo7100-cli"),
                                            QStringLiteral("unknown command %1").arg(name)));
  call.TypedArguments = arguments;
  // --verbose is every subcommand's; a subcommand with options of its own
  // parses the rest itself ("--" ends the options).
  if (call.Command->OwnOptions) {
    const qsizetype end = arguments.indexOf(QStringLiteral("--"));
    for (qsizetype i = (end < 0 ? arguments.size() : end) - 1; i >= 0; --i) {
      if (arguments[i] != QLatin1String("--verbose")) continue;
      arguments.removeAt(i);
      call.Verbose = true;
    }
  } else if (const std::optional<QString> wrong =
                 ParseCommonOptions(*call.Command, arguments, call)) {
    return WrongCall(*wrong);
  }
  call.Arguments = arguments;
  return call;
}

int RunCli(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("talo7100-cli"));
  QCoreApplication::setApplicationVersion(QStringLiteral("1.13"));

  const CliCall call = ParseCliCall(QCoreApplication::arguments().mid(1));
  switch (call.What) {
    case CliCall::Action::Help:
      PrintEscapedLine(stdout, CliUsage());
      return kExitOk;
    case CliCall::Action::Version:
      PrintEscapedLine(stdout, ProgramText::VersionLine(QStringLiteral("talo7100-cli")));
      return kExitOk;
    case CliCall::Action::WrongCall:
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

  StreamConsole console(command->ShowConsole || verbose ? stdout : nullptr);
  StreamDialogs dialogs(assumeYes, stderr);
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
  DeviceShell shell(logged, dialogs);
  if (!portGiven && command->NeedsPort) {
    const QStringList found = ScannedPorts();
    port = found.isEmpty() ? QString() : found.front();
  }
  shell.SetSelectedPort(port);
  if (command->JoinsFleet) arguments = FleetPlan::WithPortName(arguments, port);
  shell.SetQuickAnswers(call.Quick);
  CliContext context{shell, console, dialogs, assumeYes, portGiven};

  int status = command->Run(context, arguments);
  console.Flush();
  // Why the port would not open, when it was for lack of permission.
  if (!shell.PermissionHint().isEmpty()) PrintEscapedLine(stderr, shell.PermissionHint());
  if (status == kUsageError) {
    PrintEscapedLine(stderr, CliUsageLine(*command));
    return kUsageError;
  }
  if (status == kExitOk && dialogs.ErrorCount() > 0) status = kExitFailed;
  return status;
}
