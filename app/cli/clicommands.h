#pragma once
// talo7100-cli: the device logic on the command line.
//
// Principles of operation
// - QtCore only. The console is stdout (StreamConsole), the dialog service
//   stderr (StreamDialogs); questions are answered by --yes or refused.
// - A subcommand is one entry in the table in clicommands.cpp plus one
//   function taking the context and its arguments. Its return value is the
//   exit status; an error box that would have been shown makes it 1 in any
//   case. A wrong call of a subcommand returns kUsageError. Adding one:
//     {.Name = "ls", .Arguments = "[FOLDER]", .Summary = "Lists a folder of D:.",
//      .Run = RunLs, .ShowConsole = false, .JoinsFleet = true},
//   and int RunLs(CliContext&, const QStringList&) printing to stdout.
// - Global options come before the subcommand: --port NAME (default: the
//   first port the scan finds), --yes, --quick (the shell's quick answers,
//   as the device pane's "Quick listings"), --help, --version.
// - --port given more than once runs the subcommand on every port at once
//   (--jobs N at a time): fleetrun.h. A subcommand takes part by setting
//   JoinsFleet in its entry (and PrepareFleet for what only it must check
//   first); any other refuses such a call as wrong.
// - Every subcommand takes --verbose (declared once, with QCommandLineParser,
//   before its own arguments): the console lines of its exchanges go to
//   stdout as well, also for a command that keeps them back by default.

#include <QString>
#include <QStringList>
#include <optional>
#include <span>

class DeviceShell;
class StreamConsole;
class StreamDialogs;
struct FleetCall;

struct CliContext {
  DeviceShell& Shell;        // SelectedPort() is the port to use
  StreamConsole& Console;
  StreamDialogs& Dialogs;
  bool AssumeYes = false;
  bool PortGiven = false;    // --port was on the command line
};

using CliHandler = int (*)(CliContext& context, const QStringList& arguments);
// Checks in the fleet's parent, before any port is touched, what only the
// command knows (its options, a table, a question to ask once, passwords
// for the children); the refusal of a wrong call, or none.
using FleetPrepare = std::optional<QString> (*)(FleetCall& call);

struct CliCommand {
  const char* Name;
  const char* Arguments;  // for the usage line, e.g. "LINE" or "[FOLDER]"
  const char* Summary;
  CliHandler Run;
  bool NeedsPort = true;  // resolve --port or the first scanned port first
  // The controller's lines on stdout (run); false for a command whose own
  // lines are its output (a listing, a copy's progress) and would be
  // cluttered by the log. --verbose shows them in any case.
  bool ShowConsole = true;
  // The subcommand declares and parses options of its own: only --verbose
  // is taken out before it runs. Otherwise any option but --verbose is a
  // wrong call.
  bool OwnOptions = false;
  // The command asks before it destroys something: it takes --yes after its
  // name too.
  bool Asks = false;
  // Runs on several ports at once (--port given more than once).
  bool JoinsFleet = false;
  FleetPrepare PrepareFleet = nullptr;
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kUsageError = 2;

std::span<const CliCommand> CliCommands();
QString CliUsage();
// "Usage: talo7100-cli [--port NAME] NAME [--verbose] ARGUMENTS"
QString CliUsageLine(const CliCommand& command);

// What a command line asks for, before any port is touched: the global
// options, the subcommand and, for one without options of its own, --verbose
// and run's --log taken out of its arguments.
struct CliCall {
  enum class Action { Run, Help, Version, WrongCall };
  Action What = Action::Run;
  QString Message;  // WrongCall: the text for standard error
  const CliCommand* Command = nullptr;  // Run
  QStringList Arguments;                // Run: the subcommand's own
  QString Port;       // the last --port
  QStringList Ports;  // every --port, in order
  int Jobs = 0;       // --jobs N; 0: every port at once
  QStringList TypedArguments;  // Run: the subcommand's arguments as typed
  bool PortGiven = false;
  bool AssumeYes = false;
  bool Quick = false;
  bool Verbose = false;
  QString LogPath;  // run --log FILE
};
// arguments: the command line without the program's name.
CliCall ParseCliCall(QStringList arguments);

// Parses argv, runs one subcommand, returns the exit status.
int RunCli(int argc, char** argv);
