#include "remote/cli/remotecli.h"

#include <cstdio>
#include <optional>

#include "link/escapecontrols.h"
#include "link/shell/devicepath.h"
#include "remote/devicecli.h"

namespace RemoteCli {
namespace {

int PrintLines(int status, const QStringList& lines) {
  for (const QString& line : lines) PrintEscapedLine(stdout, line);
  std::fflush(stdout);
  return status;
}

// ls [FOLDER]: the folder as the device pane lists it.
int RunLs(CliContext& context, const QStringList& arguments) {
  if (arguments.size() > 1) return kUsageError;
  if (!DeviceCli::CheckNameArgument(context.Shell, arguments.value(0))) return kUsageError;
  const QString folder = DevicePath::Normalised(arguments.value(0));
  QStringList lines;
  const int status = DeviceCli::ListFolder(context.Shell, folder, lines);
  return PrintLines(status, lines);
}

// du NAME: files, folders and bytes below a file or folder.
int RunDu(CliContext& context, const QStringList& arguments) {
  if (arguments.size() != 1) return kUsageError;
  if (!DeviceCli::CheckNameArgument(context.Shell, arguments.front())) return kUsageError;
  QStringList lines;
  const int status = DeviceCli::MeasureFolder(context.Shell, arguments.front(), lines);
  return PrintLines(status, lines);
}

// cat PATH: a text file of D:, its lines on stdout.
int RunCat(CliContext& context, const QStringList& arguments) {
  if (arguments.size() != 1) return kUsageError;
  if (!DeviceCli::CheckNameArgument(context.Shell, arguments.front(), true)) return kUsageError;
  QStringList lines;
  const int status = DeviceCli::ShowTextFile(context.Shell, arguments.front(), lines);
  return PrintLines(status, lines);
}

// rm PATH...: files and empty folders of D:, each after the pane's question.
int RunRm(CliContext& context, const QStringList& arguments) {
  if (arguments.isEmpty()) return kUsageError;
  for (const QString& path : arguments)
    if (!DeviceCli::CheckNameArgument(context.Shell, path, true)) return kUsageError;
  return DeviceCli::Remove(context.Shell, arguments);
}

// mv PATH NEWNAME: a file renamed in its folder.
int RunMv(CliContext& context, const QStringList& arguments) {
  if (arguments.size() != 2) return kUsageError;
  if (!DeviceCli::CheckNameArgument(context.Shell, arguments[0], true)) return kUsageError;
  const std::optional<QString> name = DeviceCli::CheckNewNameArgument(context.Shell, arguments[1]);
  if (!name) return kUsageError;
  return DeviceCli::Rename(context.Shell, arguments[0], *name);
}

// mkdir PATH: a new folder.
int RunMkdir(CliContext& context, const QStringList& arguments) {
  if (arguments.size() != 1) return kUsageError;
  const QString folder = DeviceCli::FolderOf(arguments[0]);
  if (!DeviceCli::CheckNameArgument(context.Shell, folder)) return kUsageError;
  const std::optional<QString> name =
      DeviceCli::CheckNewNameArgument(context.Shell, DeviceCli::NameOf(arguments[0]));
  if (!name) return kUsageError;
  return DeviceCli::MakeFolder(context.Shell, folder, *name);
}

int RunMem(CliContext& context, const QStringList& arguments) {
  if (!arguments.isEmpty()) return kUsageError;
  return DeviceCli::ShowMemory(context.Shell);
}

int RunFormat(CliContext& context, const QStringList& arguments) {
  if (!arguments.isEmpty()) return kUsageError;
  return DeviceCli::Format(context.Shell);
}

// autorun PATH: the program started at boot from the root's AutoRun.bat.
int RunAutorun(CliContext& context, const QStringList& arguments) {
  if (arguments.size() != 1) return kUsageError;
  if (!DeviceCli::CheckNameArgument(context.Shell, arguments[0], true)) return kUsageError;
  return DeviceCli::AutoRun(context.Shell, arguments[0]);
}

const CliCommand kCommands[] = {
    {.Name = "ls",
     .Arguments = "[FOLDER]",
     .Summary = "Lists a folder of D: (default \\): name, size, type, modified.",
     .Run = RunLs,
     .ShowConsole = false,
     .JoinsFleet = true},
    {.Name = "du",
     .Arguments = "NAME",
     .Summary = "Counts the files, folders and bytes below a file or folder of D:.",
     .Run = RunDu,
     .ShowConsole = false,
     .JoinsFleet = true},
    {.Name = "cat",
     .Arguments = "PATH",
     .Summary = "Prints a text file of D: (control characters but tab escaped).",
     .Run = RunCat,
     .ShowConsole = false,
     .JoinsFleet = true},
    {.Name = "rm",
     .Arguments = "[--yes] PATH...",
     .Summary = "Deletes files and empty folders of D: (asks first; --yes).",
     .Run = RunRm,
     .ShowConsole = false,
     .Asks = true},
    {.Name = "mv",
     .Arguments = "PATH NEWNAME",
     .Summary = "Renames a file of D: (NEWNAME: 8.3, letters, digits, _ ~ -).",
     .Run = RunMv,
     .ShowConsole = false},
    {.Name = "mkdir",
     .Arguments = "PATH",
     .Summary = "Makes a folder on D: (its name: 8.3, letters, digits, _ ~ -).",
     .Run = RunMkdir,
     .ShowConsole = false},
    {.Name = "mem", .Summary = "Shows the controller's memory report.", .Run = RunMem},
    {.Name = "format",
     .Arguments = "[--yes]",
     .Summary = "Formats D:, erasing it (asks first; --yes).",
     .Run = RunFormat,
     .Asks = true},
    {.Name = "autorun",
     .Arguments = "PATH",
     .Summary = "Makes a program of D: start at boot (the root's AutoRun.bat).",
     .Run = RunAutorun,
     .ShowConsole = false},
};

}  // namespace

std::span<const CliCommand> Commands() { return kCommands; }

}  // namespace RemoteCli
