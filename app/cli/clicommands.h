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
//   first port the scan finds), --yes, --quick (the shell's quick answers,
//   as the device pane's "Quick listings"), --help, --version.
// - --port given more than once runs the subcommand on every port at once
//   (--jobs N at a time): fleetrun.h. A subcommand takes part by setting
//   JoinsFleet in its entry (what only it must check first is in
//   fleetprepares.h); any other refuses such a call as wrong.
// - Every subcommand takes --verbose (declared once, with QCommandLineParser,
//   before its own arguments): the console lines of its exchanges go to
//   stdout as well, also for a command that keeps them back by default.

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
