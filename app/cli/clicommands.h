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
//     {"ls", "[FOLDER]", "Lists a folder of D:.", RunLs, true, false},
//   and int RunLs(CliContext&, const QStringList&) printing to stdout.
// - Global options come before the subcommand: --port NAME (default: the
//   first port the scan finds), --yes, --quick (the shell's quick answers,
//   as the device pane's "Quick listings"), --help, --version.
// - Every subcommand takes --verbose (declared once, with QCommandLineParser,
//   before its own arguments): the console lines of its exchanges go to
//   stdout as well, also for a command that keeps them back by default.

#include <QString>
#include <QStringList>
#include <span>

class DeviceShell;
class StreamConsole;
class StreamDialogs;

struct CliContext {
  DeviceShell& Shell;        // SelectedPort() is the port to use
  StreamConsole& Console;
  StreamDialogs& Dialogs;
  bool AssumeYes = false;
  bool PortGiven = false;    // --port was on the command line
};

using CliHandler = int (*)(CliContext& context, const QStringList& arguments);

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
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kUsageError = 2;

std::span<const CliCommand> CliCommands();
QString CliUsage();

// What a command line asks for, before any port is touched: the global
// options, the subcommand and, for one without options of its own, --verbose
// and run's --log taken out of its arguments.
struct CliCall {
  enum class Action { Run, Help, Version, WrongCall };
  Action What = Action::Run;
  QString Message;  // WrongCall: the text for standard error
  const CliCommand* Command = nullptr;  // Run
  QStringList Arguments;                // Run: the subcommand's own
  QString Port;
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
