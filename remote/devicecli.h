#pragma once
// The device logic behind two commands of the command-line front end:
//   ls [FOLDER]  the listing of a folder of D: (default "\"), one line per
//                item in the pane's order (folders first, then by name),
//                tab-separated: name, size in bytes (empty for a folder),
//                "<DIR>" for a folder or the type text, modified text; then
//                "N object(s)" and the size text with the free-space caption.
//   du NAME      the recursive count of a file or folder of D:, given by its
//                path ("\DATA\LOG", "DATA\LOG" or "\" for the whole drive):
//                "N file(s), M folder(s)" and "B byte(s)", tab-separated.
//
// Both run the same exchanges as the pane through the given DeviceShell
// (its selected port, console and dialogs: failures reach the user through
// the shell's UserDialogs). They return the exit status - 0 on success, 1
// when an exchange failed - and append the output lines to lines. Main
// thread only.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "devicelister.h"
#include "shellitem.h"

class DeviceShell;

namespace DeviceCli {

int ListFolder(DeviceShell& shell, const QString& folder, QStringList& lines,
               const DeviceTimeouts& timeouts = {});
int MeasureFolder(DeviceShell& shell, const QString& name, QStringList& lines,
                  const DeviceTimeouts& timeouts = {});

// A folder or name given on the command line goes into the shell's command
// lines as it stands: it must pass the rule the pane applies to typed names
// (no blanks, control characters, "<", ">" or "|"). Otherwise the message
// goes to the shell's dialogs and the result is false.
bool CheckNameArgument(DeviceShell& shell, const QString& name);

// Lists folder as the pane does and returns the free space of D: it
// reported (0 when the listing had no free-space line); nothing when the
// listing failed (its message has been shown). For commands that copy into
// a folder and check the space first; items, when given, receives the
// folder's items as listed.
std::optional<int64_t> ReadFreeSpace(DeviceShell& shell, const QString& folder,
                                     const DeviceTimeouts& timeouts = {},
                                     std::vector<PShellItem>* items = nullptr);

}  // namespace DeviceCli
