#pragma once
// The "put" subcommand of talo7100-cli, wired to the device listing: the
// folder is listed as the device pane lists it, and its free-space line
// gives the space the copy checks against. Each file's line on stdout, the
// progress on stderr (a bar when stderr is a terminal). Main thread only.

#include <QString>
#include <QStringList>
#include <span>

#include "clisupport/clicommand.h"
#include "transfer/putcommand.h"

class DeviceShell;

namespace PutCli {

// Lists folder as the device pane does; the free space it reported (0 when
// it printed none) and its items, or none when the listing failed.
PutCommand::FolderReader DeviceFolder(DeviceShell& shell);

// talo7100-cli put [--rename] [--force] FILE... [FOLDER]; returns the exit status.
int Put(DeviceShell& shell, const QStringList& arguments);

// The put subcommand's table (clisupport/clicommand.h): Put, with the folder
// checked as every device path given on the command line is.
std::span<const CliCommand> Commands();

}  // namespace PutCli
