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
// - With --json (CliContext::Json) a command that has a result prints it as
//   JSON through PrintJson: one compact document a line (a watch prints one
//   a poll), its field names documented in the manual page. A command
//   without a JSON form prints as it always does.
// - QtCore only; the handlers run on the main thread.

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <cstdio>

#include "link/escapecontrols.h"

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
  bool Json = false;       // --json: results as JSON (PrintJson)
};

// One JSON document on one line of out. QJsonDocument escapes every control
// character, so nothing the controller sent can act on a terminal.
inline void PrintJson(FILE* out, const QJsonObject& object) {
  EndOpenLineBefore(out);
  const QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
  std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), out);
  std::fflush(out);
}

using CliHandler = int (*)(CliContext& context, const QStringList& arguments);

struct CliCommand {
  const char* Name = "";
  const char* Arguments = "";  // for the usage line, e.g. "LINE" or "[FOLDER]"
  const char* Summary = "";
  CliHandler Run = nullptr;
  bool NeedsPort = true;  // resolve --port or the first scanned port first
  // The controller's lines are the command's result (run, mem): they go to
  // stdout. Any other command keeps them back; --verbose shows them on
  // stderr.
  bool ShowConsole = false;
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
