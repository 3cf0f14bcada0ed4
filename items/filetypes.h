#pragma once
// FileTypes: type descriptions and icon names of items, from the MIME
// database, cached per type.
//
// Principles of operation
// - Files are typed by name only (extension or well-known name), never by
//   reading them, so a listing never touches file contents; devices, sockets
//   and pipes by their mode; folders are "Folder".
// - Each distinct type gets a small stable index (the item's IconIndex) into
//   a table of icon names; the widgets turn the names into icons once per
//   index. Both pane models may keep one instance each.
// - Not thread-safe: one instance per thread (the main thread in practice).

#include <QHash>
#include <QString>
#include <cstdint>
#include <vector>

class QMimeType;

// The kinds of place the local pane's computer location lists (the local
// pane's MountEntry::Kind): each has a type of its own.
enum class PlaceKind { FileSystem, Home, Removable, Network, Disk };

class FileTypes {
 public:
  struct Type {
    QString TypeText;
    int IconIndex = 0;
  };
  struct IconNames {
    QString Name;         // theme icon name, e.g. "text-x-csrc"
    QString GenericName;  // fallback, e.g. "text-x-generic"
    bool Folder = false;
  };

  FileTypes();

  const Type& ForFolder();
  // A file by its name and mode (st_mode; 0 when unknown).
  const Type& ForFile(const QString& name, uint32_t mode = 0);
  // An item of the computer location.
  const Type& ForPlace(PlaceKind kind);
  // A file known by its extension alone (one that is not on this PC, such
  // as the controller's): the same type as any local file of that
  // extension. Without an extension: "File".
  const Type& ForExtension(const QString& extension);

  const IconNames& IconAt(int index) const { return Icons.at(static_cast<size_t>(index)); }
  int IconCount() const { return static_cast<int>(Icons.size()); }

 private:
  const Type& Remember(const QString& key, const QString& typeText, IconNames icon);
  int IndexOfIcon(const IconNames& icon);
  const Type& ForMimeName(const QString& key, const QString& mimeName);
  // A file's type from the MIME database's match; when the database knows
  // nothing better than "unknown", "EXT File" (or "File") from the extension.
  const Type& ForMatch(const QString& key, const QMimeType& mime, const QString& extension);

  QHash<QString, Type> Cache;
  std::vector<IconNames> Icons;
};
