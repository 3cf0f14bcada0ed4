#pragma once
// talo7100-cli: the device logic on the command line.
//
// Principles of operation
// - QtCore only. The console is stdout (StreamConsole), the dialog service
//   stderr (StreamDialogs); questions are answered by --yes or refused.
// - The subcommands are the areas' tables (clisupport/clicommand.h says how an
//   entry is declared): ports and run are the command line's own, the
//   others come from each area's cli/ folder, listed once in
//   clicommands.cpp. A new area's table is added there.
// - Global options come before the subcommand: --port NAME (default: the
//   port the window used last while its device is there; without one a
//   command that needs a port lists the ports found and is a wrong call), --yes, --json, --standard-waits (the
//   shell's answers read to their time-outs instead of the quick answers
//   that are the default; --quick, the old way to ask for them, is taken
//   and does nothing), --help, --version.
// - Standard output holds the command's result alone (for run and mem the
//   controller's lines). --verbose sends the console lines of the
//   exchanges to standard error; progress goes there too, in place only
//   when standard error is a terminal, and never shares a line with other
//   text (ProgressLine, PrintEscapedLine).
// - --json: results as JSON (CliContext::Json); on standard error each
//   message is an object {"kind", "text"}, and a failed command's last line
//   is {"error": TEXT, "exit": STATUS}, with the usual exit status.
// - --port given more than once runs the subcommand on every port at once
//   (--jobs N at a time): fleetrun.h. A subcommand takes part by setting
//   JoinsFleet in its entry (what only it must check first is in
//   fleetprepares.h); any other refuses such a call as wrong.
// - Every subcommand takes --verbose and --json after its name too (declared
//   once, with QCommandLineParser, before its own arguments).

#include <QString>
#include <QStringList>
#include <optional>
#include <span>

#include "app/cli/clicall.h"
#include "clisupport/clicommand.h"

// Every subcommand, in the order --help lists them.
std::span<const CliCommand> CliCommands();
QString CliUsage();

// arguments: the command line without the program's name.
CliCall ParseCliCall(QStringList arguments);

// Parses argv, runs one subcommand, returns the exit status.
int RunCli(int argc, char** argv);
