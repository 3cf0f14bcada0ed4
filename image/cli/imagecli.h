#pragma once
// The "backup" and "restore" subcommands of talo7100-cli.
//
// Principles of operation
// - The same flow as the image dialog (ImageKeeper): the helper program goes
//   up through the transfer's progress display, then the worker runs behind
//   ImageProgress with the dialog's watchdog. The subcommand is the top
//   level: it tells the operation's result (the shell's teller) - messages on
//   standard error, the console's lines and the progress on standard output.
// - restore asks the dialog's warning question; --yes (its own or the
//   global one) answers it. restore --verify reads the drive back afterwards
//   and compares it with the image (the dialog's "Verify after restore").
// - Exit status: 0 only when the whole image went through; 1 otherwise; 2
//   for a wrong call; 130 after Ctrl+C (the port is released, an existing
//   image file untouched).
// - Main thread only.

#include <QString>
#include <QStringList>
#include <optional>
#include <span>

#include "clisupport/clicommand.h"

class DeviceShell;

namespace ImageCli {

inline constexpr char kBackupArguments[] = "FILE";
inline constexpr char kRestoreArguments[] = "FILE [--yes] [--verify]";

struct Call {
  QString ImagePath;
  bool Yes = false;     // restore's --yes
  bool Verify = false;  // restore's --verify
};
// The parse step of "backup" (withYes false) and "restore" (withYes true:
// its --yes and --verify): exactly one FILE.
// None on a wrong call; why then says what an option got wrong (empty for a
// wrong count of files).
std::optional<Call> ParseCall(const char* name, const QStringList& arguments, bool withYes,
                              QString& why);

int Backup(DeviceShell& shell, const QStringList& arguments);
int Restore(DeviceShell& shell, const QStringList& arguments);

// The backup and restore subcommands' table (clisupport/clicommand.h).
std::span<const CliCommand> Commands();

}  // namespace ImageCli
