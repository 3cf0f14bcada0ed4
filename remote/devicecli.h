#pragma once
// The device logic behind the command-line front end's device commands:
//   ls [FOLDER]  the listing of a folder of D: (default "\"), one line per
//                item in the pane's order (folders first, then by name),
//                tab-separated: name, size in bytes (empty for a folder),
//                "<DIR>" for a folder or the type text, modified text; then
//                "N object(s)" and the size text with the free-space caption.
//   du NAME      the recursive count of a file or folder of D:, given by its
//                path ("\DATA\LOG", "DATA\LOG" or "\" for the whole drive):
//                "N file(s), M folder(s)" and "B byte(s)", tab-separated.
//   cat PATH     the text of a file of D:, one output line per line of it
//                (the line ends removed; see DeviceTextFile), after a
//                listing of its folder: when what "type" gave does not
//                show all of the file (DeviceTextFile::ShowsWhole), that is
//                said and the status is 1.
//   rm, mv, mkdir, mem, format, autorun: the device pane's file commands
//                over the same code (DeviceFileCommands), with the item
//                found in a listing of its folder as the pane has it and the
//                names given instead of asked for. They print nothing of
//                their own; the console and the dialogs report.
//
// All run the same jobs as the pane through the given DeviceShell (its
// selected port, console and dialogs: failures and questions reach the user
// through the shell's UserDialogs). Without an event loop the shell's
// JobRunner runs each job inline, so every command has its result before it
// returns. They return the exit status - 0 on
// success, 1 when an exchange failed, an item was missing or a question was
// answered No - and the listing commands append their output lines to
// lines. Paths and names are expected checked (CheckNameArgument,
// CheckNewNameArgument). Main thread only.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "items/paneitem.h"
#include "remote/devicelister.h"

class DeviceShell;

namespace DeviceCli {

int ListFolder(DeviceShell& shell, const QString& folder, QStringList& lines,
               const DeviceTimeouts& timeouts = {});
int MeasureFolder(DeviceShell& shell, const QString& name, QStringList& lines,
                  const DeviceTimeouts& timeouts = {});
int ShowTextFile(DeviceShell& shell, const QString& path, QStringList& lines,
                 const DeviceTimeouts& timeouts = {});

// The same results as values, for the command line's JSON: what the lines
// above are made of.
struct FolderListing {
  std::vector<PaneItem> Items;  // in the pane's order, details filled in
  QString ObjectsText;          // "N object(s)"
  QString SizeText;             // the size text with the free-space caption
  int64_t FreeBytes = 0;        // 0 when the listing printed none
};
int ListFolder(DeviceShell& shell, const QString& folder, FolderListing& listing,
               const DeviceTimeouts& timeouts = {});
QStringList ListingLines(const FolderListing& listing);
int MeasureFolder(DeviceShell& shell, const QString& name, TreeCounts& counts,
                  const DeviceTimeouts& timeouts = {});
struct TextShown {
  QByteArray Text;     // what "type" gave, its bytes as the shell sent them
  bool Whole = false;  // it shows all of the file (the status is 0)
};
int ShowTextFile(DeviceShell& shell, const QString& path, TextShown& shown,
                 const DeviceTimeouts& timeouts = {});

// Each path in turn, as the pane's Delete does (a folder only when empty),
// going on after a failure.
int Remove(DeviceShell& shell, const QStringList& paths, const DeviceTimeouts& timeouts = {});
// newName: an 8.3 name (CheckNewNameArgument's result).
int Rename(DeviceShell& shell, const QString& path, const QString& newName,
           const DeviceTimeouts& timeouts = {});
// The folder name (an 8.3 name) made in folder.
int MakeFolder(DeviceShell& shell, const QString& folder, const QString& name,
               const DeviceTimeouts& timeouts = {});
int ShowMemory(DeviceShell& shell, const DeviceTimeouts& timeouts = {});
int Format(DeviceShell& shell, const DeviceTimeouts& timeouts = {});
// A program (.EXE) of D: made to start at boot from the root's AutoRun.bat.
int AutoRun(DeviceShell& shell, const QString& path, const DeviceTimeouts& timeouts = {});

// A folder or path given on the command line goes into the shell's command
// lines: each of its names must pass the check the pane applies to every
// name it types. With needsName the path must name something below the root.
// Otherwise the message goes to the shell's dialogs and the result is false.
bool CheckNameArgument(DeviceShell& shell, const QString& path, bool needsName = false);
// A new name given on the command line: its 8.3 form when it already is one
// (in any case); otherwise none, and a message that says why or what it
// would have been cut to (the command line does not cut names silently).
std::optional<QString> CheckNewNameArgument(DeviceShell& shell, const QString& typed);

// path's folder and last name ("\DATA\NEW" -> "\DATA", "NEW").
QString FolderOf(const QString& path);
QString NameOf(const QString& path);

// Lists folder as the pane does and returns the free space of D: it
// reported (0 when the listing had no free-space line); nothing when the
// listing failed (its message has been shown). For commands that copy into
// a folder and check the space first; items, when given, receives the
// folder's items as listed.
std::optional<int64_t> ReadFreeSpace(DeviceShell& shell, const QString& folder,
                                     const DeviceTimeouts& timeouts = {},
                                     std::vector<PaneItem>* items = nullptr);

}  // namespace DeviceCli
