#pragma once
// LocalFileCommands: the file operations of the local pane's context menu
// that change or describe files (rename, trash, delete, properties).
//
// Principles of operation
// - Each call is one operation on the paths given and reports its result as
//   a value with the system's message; nothing is shown or thrown here.
// - Rename never replaces an existing item (the name is checked and the
//   rename itself refuses to overwrite); a failed call leaves the file
//   system as it was. Delete removes a folder with its contents without
//   following symbolic links out of it.
// - QtCore only; any thread, though the pane calls them on the main thread.

#include <QString>

namespace LocalFileCommands {

struct Result {
  bool Ok = false;
  QString Error;  // the system's message, or one of LocalMessages
  QString Path;   // Rename: the new path
};

[[nodiscard]] Result Rename(const QString& path, const QString& newName);
// Moves the item to the desktop's trash.
[[nodiscard]] Result MoveToTrash(const QString& path);
// Removes the item for good (a folder with everything in it).
[[nodiscard]] Result DeleteForever(const QString& path);
// Name, path, type, size, dates and permissions, one per line.
QString PropertiesText(const QString& path, const QString& typeText);

}  // namespace LocalFileCommands
