#pragma once
// LocalNamespace: the PC's folders as a namespace of identifiers.
//
// Principles of operation
// - An identifier is a text: the empty text is the namespace root (the
//   desktop), ComputerId() the computer location (the mounted file systems,
//   see MountTable), and anything else a clean absolute path. A relative
//   identifier is the name of an item in the folder that was enumerated; in
//   the root and the computer location it is the item's absolute identifier.
// - Up from a folder listed in the computer location leads to the computer
//   location, and up from there to the root, which has no parent.
// - Every operation reports failure as a value with the operating system's
//   own message (strerror); nothing is thrown. Enumeration skips hidden
//   (dot) entries. No state besides the configuration; any thread.

#include <QString>
#include <cstdint>
#include <vector>

#include "local/mounttable.h"

// What one stat() of an item says: the "find data".
struct FindData {
  bool Valid = false;
  int64_t Size = 0;        // bytes; 0 for anything but a regular file
  int64_t ModifiedMs = 0;  // milliseconds since the epoch; 0 when unknown
  uint32_t Mode = 0;       // st_mode
  uint32_t Owner = 0;      // st_uid
};

struct ListedItem {
  QString RelativeId;
  QString Name;
  bool Folder = false;
  FindData Find;
  // Set for the entries of the computer location.
  bool Place = false;
  MountEntry::Kind PlaceKind = MountEntry::Kind::Disk;
};

class LocalNamespace {
 public:
  struct Config {
    QString MountInfoPath;  // empty: /proc/self/mountinfo
    QString HomePath;       // empty: the user's home
    QString DesktopPath;    // empty: the XDG desktop folder
  };
  struct Resolved {
    bool Ok = false;
    QString Id;
    QString Error;
  };
  struct Listing {
    bool Ok = false;
    QString Error;
    std::vector<ListedItem> Items;
  };

  LocalNamespace();
  explicit LocalNamespace(Config config);

  static QString RootId() { return {}; }
  static QString ComputerId();
  QString DesktopDirId() const { return Desktop; }
  QString HomeId() const { return Home; }

  // A typed or chosen text: an absolute path, "~" or "~/...", a file:// URL,
  // the computer location's name, or a path relative to `base` (a folder
  // identifier). Fails, with the system's message, for what does not exist.
  [[nodiscard]] Resolved Resolve(const QString& text, const QString& base = {}) const;
  // Whether the identifier can be opened as a folder.
  [[nodiscard]] Resolved Bind(const QString& id) const;
  // The folder's items, unsorted; hidden entries left out.
  [[nodiscard]] Listing Enumerate(const QString& id) const;

  QString ParentId(const QString& id) const;
  static QString JoinIds(const QString& parent, const QString& relative);
  // Normal name as shown to users, or the parsing name (the full path; the
  // identifier itself for the two special locations).
  QString DisplayNameOf(const QString& id, bool forParsing) const;
  // The computer location's entries, as listed now.
  std::vector<MountEntry> Places() const;

  // One stat() of an absolute path, following symbolic links (a dangling
  // link reports the link itself).
  static FindData ReadFindData(const QString& path);
  // Whether the current user may not write the item: the owner's, group's or
  // others' write bit as applies, or no write bit at all for the superuser
  // (whom permissions do not stop), or a read-only file system.
  static bool IsReadOnly(const QString& path, const FindData& find);
  static QString ErrorText(int error);

 private:
  Listing EnumerateRoot() const;
  Listing EnumeratePlaces() const;
  Listing EnumerateDirectory(const QString& path) const;

  QString MountInfo;
  QString Home;
  QString Desktop;
};
