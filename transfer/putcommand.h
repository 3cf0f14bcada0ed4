#pragma once
// talo7100-cli put [--rename] [--force] FILE... [FOLDER]: uploads PC files
// into a folder of the controller's D: drive ("\" by default) with the checks
// of the copy button.
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
// - Nobody can be asked for a new name, so the names are settled before
//   anything is sent. A name that is not 8.3, or that two files would share
//   (ignoring case), or that a subfolder bears, refuses the whole call (each
//   such file named with the name it would get); --rename sends those files
//   under the free 8.3 names the rename prompt would offer, and prints them.
//   A file that the folder's listing already holds is replaced only with
//   --force; otherwise that file is refused with a message and the others go.
// - Afterwards the folder is listed again and each file sent must be there
//   with its size (or padded to whole blocks); a warning names any other.
// - Exit status: 0 only when every file arrived; 1 when one did not (failed,
//   skipped for its name, refused by a check, missing or of another size in
//   the listing after the copy); 2 for a wrong call; 130 after
//   Ctrl+C.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include "clisupport/clicommand.h"
#include "transfer/devicenames.h"

class DeviceShell;

namespace PutCommand {

inline constexpr char kArguments[] = "[--rename] [--force] FILE... [FOLDER]";
inline constexpr char kSummary[] = "copy PC files into a folder of D: (default \\)";

struct Arguments {
  QStringList Files;
  QString Folder;  // "\" or "\DATA"
  bool Rename = false;  // --rename: names the controller cannot keep get 8.3 ones
  bool Force = false;   // --force: files of names the folder holds replace them
};
// None when no file is given or an option is unknown.
std::optional<Arguments> Parse(const QStringList& arguments);

// What the listing of the target folder told.
struct FolderState {
  int64_t FreeBytes = 0;  // of D:; 0 when the listing printed none
  std::vector<DeviceFolderEntry> Entries;
};
// Lists the folder (which must exist); none when the listing failed, which
// it has reported itself.
using FolderReader = std::function<std::optional<FolderState>(const QString& folder)>;

struct Output {
  FILE* Stream = stdout;    // the result: each file's line, the names given
  FILE* Progress = stderr;  // the bar or the progress lines
  bool Interactive = false;  // Progress is a terminal: the bar
};

int Run(DeviceShell& shell, const QStringList& arguments, const FolderReader& readFolder,
        const Output& output);

}  // namespace PutCommand
