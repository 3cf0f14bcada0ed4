#pragma once
// CliCall: what a talo7100-cli command line asks for, as ParseCliCall
// (clicommands.h) reads it, and a subcommand's usage line. The single run
// and the run on several ports (fleetrun.h) both take it.
//
// Principles of operation
// - A value, filled before any port is touched; QtCore only.

#include <QString>
#include <QStringList>

#include "clisupport/clicommand.h"

// The global options, the subcommand and, for one without options of its
// own, --verbose and run's --log taken out of its arguments.
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
  bool StandardWaits = false;  // --standard-waits: no quick answers
  bool Json = false;
  bool Verbose = false;
  QString LogPath;  // run --log FILE
};

// "Usage: talo7100-cli [--port NAME] NAME [--verbose] ARGUMENTS"
QString CliUsageLine(const CliCommand& command);
