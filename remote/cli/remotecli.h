#pragma once
// The device pane's subcommands of talo7100-cli: ls, du, rm, mv, mkdir,
// mem, format and autorun over DeviceCli (remote/devicecli.h). Each checks
// the paths and names it is given before anything is typed (a refused one
// is a wrong call) and prints the listing commands' lines on stdout,
// escaped. Main thread only.

#include <span>

#include "clisupport/clicommand.h"

namespace RemoteCli {

// The subcommands' table (clisupport/clicommand.h).
std::span<const CliCommand> Commands();

}  // namespace RemoteCli
