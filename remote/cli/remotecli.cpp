#include "remote/cli/remotecli.h"

#include <QJsonArray>
#include <QJsonObject>
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

// ls [FOLDER]: the folder as the device pane lists it. JSON: {"folder",
// "items": [{"name", "folder", "size" (null for a folder), "type",
// "modified" (ISO 8601, null when the listing's date did not read)}],
// "objects", "free"}.
int RunLs(CliContext& context, const QStringList& arguments) {
  if (arguments.size() > 1) return kUsageError;
  if (!DeviceCli::CheckNameArgument(context.Shell, arguments.value(0))) return kUsageError;
  const QString folder = DevicePath::Normalised(arguments.value(0));
  DeviceCli::FolderListing listing;
  const int status = DeviceCli::ListFolder(context.Shell, folder, listing);
  if (status != kExitOk) return status;
  if (!context.Json) return PrintLines(status, DeviceCli::ListingLines(listing));
  QJsonArray items;
  for (const PaneItem& item : listing.Items)
    items.append(QJsonObject{
        {"name", item.Name},
        {"folder", item.IsFolder()},
        {"size", item.IsFolder() ? QJsonValue() : QJsonValue(static_cast<qint64>(item.SizeBytes))},
        {"type", item.IsFolder() ? QString() : item.TypeText},
        // ISO 8601 as the controller keeps it (no zone): the shown text
        // follows the locale's time format, a script wants one form.
        {"modified", item.ModifiedAt.isValid()
                         ? QJsonValue(item.ModifiedAt.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")))
                         : QJsonValue()}});
  PrintJson(stdout, {{"folder", folder},
                     {"items", items},
                     {"objects", static_cast<qint64>(listing.Items.size())},
                     {"free", static_cast<qint64>(listing.FreeBytes)}});
  return status;
}

// du NAME: files, folders and bytes below a file or folder. JSON: {"path",
// "files", "folders", "bytes"}.
int RunDu(CliContext& context, const QStringList& arguments) {
  if (arguments.size() != 1) return kUsageError;
  if (!DeviceCli::CheckNameArgument(context.Shell, arguments.front())) return kUsageError;
  if (!context.Json) {
    QStringList lines;
    return PrintLines(DeviceCli::MeasureFolder(context.Shell, arguments.front(), lines), lines);
  }
  TreeCounts counts;
  const int status = DeviceCli::MeasureFolder(context.Shell, arguments.front(), counts);
  if (status == kExitOk)
    PrintJson(stdout, {{"path", DevicePath::Normalised(arguments.front())},
                       {"files", static_cast<qint64>(counts.Files)},
                       {"folders", static_cast<qint64>(counts.Folders)},
                       {"bytes", static_cast<qint64>(counts.Bytes)}});
  return status;
}

// cat PATH: a text file of D:, its lines on stdout. JSON: {"path",
// "encoding": "latin1" (the shell's bytes, one character each), "text" (the
// line ends kept), "whole" (false: not all of the file, and the status 1)}.
int RunCat(CliContext& context, const QStringList& arguments) {
  if (arguments.size() != 1) return kUsageError;
  if (!DeviceCli::CheckNameArgument(context.Shell, arguments.front(), true)) return kUsageError;
  if (!context.Json) {
    QStringList lines;
    return PrintLines(DeviceCli::ShowTextFile(context.Shell, arguments.front(), lines), lines);
  }
  DeviceCli::TextShown shown;
  const int status = DeviceCli::ShowTextFile(context.Shell, arguments.front(), shown);
  if (status == kExitOk || !shown.Text.isEmpty())
    PrintJson(stdout, {{"path", DevicePath::Normalised(arguments.front())},
                       {"encoding", "latin1"},
                       {"text", QString::fromLatin1(shown.Text)},
                       {"whole", shown.Whole}});
  return status;
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
    {.Name = "mem",
     .Summary = "Shows the controller's memory report.",
     .Run = RunMem,
     .ShowConsole = true},
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
