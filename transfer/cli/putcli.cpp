#include "putcli.h"

#include <unistd.h>

#include <cstdio>

#include "devicelister.h"

namespace PutCli {

PutCommand::FreeSpaceReader DeviceFreeSpace(DeviceShell& shell) {
  return [&shell](const QString& folder) -> std::optional<int64_t> {
    int64_t free = 0;
    DeviceLister lister(shell);
    const bool listed = lister.ListDeviceFolder(folder, [&](DeviceListing::ListingLine& line) {
      if (line.LineKind == DeviceListing::ListingLine::Kind::FreeSpace) free = line.FreeBytes;
    });
    if (!listed) return std::nullopt;
    return free;
  };
}

int Put(DeviceShell& shell, const QStringList& arguments) {
  const PutCommand::Output output{stdout, isatty(fileno(stdout)) == 1};
  return PutCommand::Run(shell, arguments, DeviceFreeSpace(shell), output);
}

}  // namespace PutCli
