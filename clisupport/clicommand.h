#pragma once
// CliCommand: one subcommand of talo7100-cli, as the area that owns it
// declares it.
//
// Principles of operation
// - Each area keeps its subcommands in its cli/ folder and hands them out as
//   one table (its Commands() function, a span over a static array); the
//   command line lists the areas' tables once, in app/cli/clicommands.cpp,
//   in the order --help shows them. A name is taken once in all the tables.
// - An entry names its fields, leaving out those at their defaults:
//     {.Name = "ls", .Arguments = "[FOLDER]", .Summary = "Lists a folder of D:.",
//      .Run = RunLs, .ShowConsole = false}
//   and int RunLs(CliContext&, const QStringList&) returns the exit status,
//   printing to stdout. An error box that would have been shown makes the
//   status 1 in any case; a wrong call returns kUsageError, and the command
//   line then prints the usage line.
// - QtCore only; the handlers run on the main thread.

#include <QStringList>

class DeviceShell;
class TaloConsole;
class UserDialogs;

// The exit statuses of talo7100-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the desktop program would have shown an error box
inline constexpr int kUsageError = 2;
inline constexpr int kExitInterrupted = 130;  // Ctrl+C
// Opens a line that a command which succeeded prints on standard error for
// what the user should know all the same (a restore's "444" blocks): the
// many-ports summary carries it after "ok".
inline constexpr char kNoteLinePrefix[] = "Note:";

struct CliContext {
  DeviceShell& Shell;  // SelectedPort() is the port to use
  TaloConsole& Console;
  UserDialogs& Dialogs;
  bool AssumeYes = false;
  bool PortGiven = false;  // --port was on the command line
};

using CliHandler = int (*)(CliContext& context, const QStringList& arguments);

struct CliCommand {
  const char* Name = "";
  const char* Arguments = "";  // for the usage line, e.g. "LINE" or "[FOLDER]"
  const char* Summary = "";
  CliHandler Run = nullptr;
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
};
