#include "transfer/cli/putcli.h"

#include <cstdio>

#include "clisupport/progressline.h"
#include "remote/devicecli.h"

namespace PutCli {

PutCommand::FolderReader DeviceFolder(DeviceShell& shell) {
  return [&shell](const QString& folder) -> std::optional<PutCommand::FolderState> {
    std::vector<PaneItem> items;
    const std::optional<int64_t> free = DeviceCli::ReadFreeSpace(shell, folder, {}, &items);
    if (!free) return std::nullopt;
    PutCommand::FolderState state;
    state.FreeBytes = *free;
    for (const PaneItem& item : items)
      state.Entries.push_back({item.Name, item.IsFolder(), item.SizeBytes, item.ModifiedText});
    return state;
  };
}

int Put(DeviceShell& shell, const QStringList& arguments) {
  const PutCommand::Output output{stdout, stderr, ProgressLine::Interactive(stderr)};
  return PutCommand::Run(shell, arguments, DeviceFolder(shell), output);
}

namespace {

int RunPut(CliContext& context, const QStringList& arguments) {
  const std::optional<PutCommand::Arguments> parsed = PutCommand::Parse(arguments);
  if (parsed && !DeviceCli::CheckNameArgument(context.Shell, parsed->Folder)) return kUsageError;
  return Put(context.Shell, arguments);
}

const CliCommand kCommands[] = {
    {.Name = "put",
     .Arguments = PutCommand::kArguments,
     .Summary = "Copies PC files into a folder of D: (default \\).",
     .Run = RunPut,
     .ShowConsole = false,
     .OwnOptions = true,
     .JoinsFleet = true},
};

}  // namespace

std::span<const CliCommand> Commands() { return kCommands; }

}  // namespace PutCli
