#include "putcli.h"

#include <unistd.h>

#include <cstdio>

#include "devicecli.h"

namespace PutCli {

PutCommand::FreeSpaceReader DeviceFreeSpace(DeviceShell& shell) {
  return [&shell](const QString& folder) { return DeviceCli::ReadFreeSpace(shell, folder); };
}

int Put(DeviceShell& shell, const QStringList& arguments) {
  const PutCommand::Output output{stdout, isatty(fileno(stdout)) == 1};
  return PutCommand::Run(shell, arguments, DeviceFreeSpace(shell), output);
}

}  // namespace PutCli
