#pragma once
// talo7100-cli put FILE... [FOLDER]: uploads PC files into a folder of the
// controller's D: drive ("\" by default) with the checks of the copy button.
//
// Principles of operation
// - Main thread only. The shell gives the port, the console (standard output)
//   and the dialog service (messages on standard error).
// - The folder is listed first, which checks that it exists and reads the
//   free space; then the files go one by one through the same batch as the
//   transfer dialog, with a progress bar on a terminal and plain lines
//   elsewhere. Ctrl+C cancels as the Cancel button does.
// - The last argument is the folder when it names a device path ("\DATA",
//   "D:\DATA") and no PC file of that name exists.
// - Exit status: 0 only when every file arrived; 1 when one did not (failed,
//   skipped for its name, refused by a check); 2 for a wrong call; 130 after
//   Ctrl+C.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>

class DeviceShell;

namespace PutCommand {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

inline constexpr char kArguments[] = "FILE... [FOLDER]";
inline constexpr char kSummary[] = "copy PC files into a folder of D: (default \\)";

struct Arguments {
  QStringList Files;
  QString Folder;  // "\" or "\DATA"
};
// None when no file is given.
std::optional<Arguments> Parse(const QStringList& arguments);

// Lists the folder (which must exist) and returns the free space of D:;
// none when the listing failed, which it has reported itself.
using FreeSpaceReader = std::function<std::optional<int64_t>(const QString& folder)>;

struct Output {
  FILE* Stream = stdout;
  bool Interactive = false;  // a terminal: the progress bar
};

int Run(DeviceShell& shell, const QStringList& arguments, const FreeSpaceReader& readFreeSpace,
        const Output& output);

}  // namespace PutCommand
