#include "putcli.h"

#include <cstdio>

#include "devicecli.h"
#include "progressline.h"

namespace PutCli {

PutCommand::FolderReader DeviceFolder(DeviceShell& shell) {
  return [&shell](const QString& folder) -> std::optional<PutCommand::FolderState> {
    std::vector<PShellItem> items;
    const std::optional<int64_t> free = DeviceCli::ReadFreeSpace(shell, folder, {}, &items);
    if (!free) return std::nullopt;
    PutCommand::FolderState state;
    state.FreeBytes = *free;
    for (const PShellItem& item : items)
      state.Entries.push_back({item.Name, item.IsFolder(), item.SizeBytes, item.ModifiedText});
    return state;
  };
}

int Put(DeviceShell& shell, const QStringList& arguments) {
  const PutCommand::Output output{stdout, ProgressLine::Interactive(stdout)};
  return PutCommand::Run(shell, arguments, DeviceFolder(shell), output);
}

}  // namespace PutCli
