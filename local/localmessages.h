#pragma once
// The local pane's message texts, in one place.

#include <QString>

namespace LocalMessages {

inline const QString kComputerName = QStringLiteral("Computer");
inline const QString kDesktopName = QStringLiteral("Desktop");
inline const QString kHomeName = QStringLiteral("Home");
inline const QString kNoContextMenu = QStringLiteral("Unable to get context menu interface.");
inline const QString kSelectDirectory = QStringLiteral("Select Directory");

// A path the system refused, with the system's own message under it.
inline QString PathError(const QString& path, const QString& systemMessage) {
  return path.isEmpty() ? systemMessage : path + QStringLiteral("\n\n") + systemMessage;
}

// Context menu of the list.
inline const QString kMenuOpen = QStringLiteral("Open");
inline const QString kMenuOpenContaining = QStringLiteral("Open Containing Folder");
inline const QString kMenuCopyPath = QStringLiteral("Copy Path");
inline const QString kMenuRename = QStringLiteral("Rename...");
inline const QString kMenuDelete = QStringLiteral("Delete");
inline const QString kMenuProperties = QStringLiteral("Properties");

inline const QString kRenameCaption = QStringLiteral("Rename");
inline const QString kRenamePrompt = QStringLiteral("New name:");
inline QString RenameExists(const QString& name) {
  return QStringLiteral("\"%1\" already exists.").arg(name);
}
inline QString RenameInvalid(const QString& name) {
  return QStringLiteral("\"%1\" is not a valid name: a name cannot be empty, \".\" or \"..\", or contain \"/\".")
      .arg(name);
}
inline QString AskTrash(const QString& what) {
  return QStringLiteral("Move %1 to the trash?").arg(what);
}
inline QString AskDeleteForever(const QString& what, const QString& reason) {
  return QStringLiteral("%1 cannot be moved to the trash (%2).\n\nDelete it permanently? This cannot be undone.")
      .arg(what, reason);
}
inline QString ItemsText(int count) { return QStringLiteral("these %1 items").arg(count); }
inline QString QuotedName(const QString& name) { return QStringLiteral("\"%1\"").arg(name); }
inline const QString kNotAllRemoved = QStringLiteral("Some of the items in it could not be removed.");
inline const QString kOpenFailed = QStringLiteral("No application is set to open this item.");

}  // namespace LocalMessages
