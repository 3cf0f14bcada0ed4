#pragma once
// talo7100-cli dio [--set CH=0|1]... [--watch] [--yes]: the DIO panel on the
// command line.
//
// Principles of operation
// - Lists D:\ first (the free-space figure the start flow checks), then runs
//   the panel's start flow: its question (--yes answers it, here or before
//   the subcommand), the two uploads with the command line's progress, the
//   identification and the simulation start.
// - Polls once, then applies each --set in order: a channel is switched only
//   when the state read differs from the one asked for, and polled again
//   after it. With --watch it polls every 500 ms until Ctrl+C.
// - After every good poll one line on the output: the panel's hex text and
//   the lamps, "0x0A05 DI 0101 DO 1010" (channel 0 first). A failed poll or
//   set (also one the state read back does not show) prints the panel's
//   status text on the message stream.
// - Ctrl+C during the start (the listing, the uploads - it cancels the one
//   in hand - the identification) stops it at once: nothing further is
//   typed, and the companion programs are deleted when they were started.
// - The close sequence (end command, the two deletes) always runs once the
//   simulation was started, Ctrl+C included: the first Ctrl+C ends the
//   polling and the sets; a second one ends the program as usual.
// - Exit status: 0 when the panel ran, polled, and every poll and set
//   succeeded (a set left out by Ctrl+C counts as failed); 130 when Ctrl+C
//   stopped the start; 1 otherwise; 2 for a wrong call. Main thread only.

#include <QString>
#include <QStringList>
#include <cstdio>
#include <optional>
#include <span>
#include <vector>

#include "clisupport/clicommand.h"
#include "module/diosession.h"

class DeviceShell;

namespace DioCli {

inline constexpr char kArguments[] = "[--set CH=0|1]... [--watch] [--yes]";

struct Output {
  FILE* Lines = stdout;     // the poll lines
  FILE* Messages = stderr;  // failed polls and sets
  bool Interactive = false; // the uploads' progress bar
  bool Json = false;        // a poll as one JSON object a line
};

// The subcommand's own options.
struct Setting {
  int Channel;  // 0..3
  bool On;
};
struct Arguments {
  std::vector<Setting> Settings;
  bool Watch = false;
  bool Yes = false;
};
// None on a wrong call: an unknown option, an argument, or a --set that is
// not CH=0 or CH=1 with CH 0..3.
std::optional<Arguments> ParseArguments(const QStringList& arguments);

int Run(DeviceShell& shell, const QStringList& arguments, const Output& output = {},
        const DioTimings& timings = {});

// Asks the running command to stop polling, as Ctrl+C does.
void RequestStop();

// The dio subcommand's table (clisupport/clicommand.h): Run on stdout and stderr,
// the progress bar when stderr is a terminal.
std::span<const CliCommand> Commands();

}  // namespace DioCli
