#pragma once
// DeviceTypeCatalog: type texts and icon keys for device items, looked up by
// name only (the files live on the controller, not on this PC).
//
// Principles of operation
// - One entry per type: folders share one, files one per extension (case
//   does not matter). Each entry is looked up once in the desktop's MIME
//   database and cached for the life of the catalog.
// - An item's IconIndex is the index of its entry here; the widgets turn
//   that into an icon with IconNameAt/IsFolderAt, so the icon look-up is
//   cached per type as well.
// - When the MIME database knows nothing better than "unknown binary", the
//   text is our own ("EXE File", "File"), so no item is left without one.
// - Main thread only; QtCore only.

#include <QHash>
#include <QString>
#include <vector>

#include "shellitem.h"

class DeviceTypeCatalog {
 public:
  // Fills TypeText and IconIndex and clears DetailsPending.
  void FillDetails(PShellItem& item);

  int EntryCount() const { return static_cast<int>(Entries.size()); }
  bool IsFolderAt(int index) const;
  // Freedesktop icon names for the entry, most specific first (may be empty).
  QString IconNameAt(int index) const;
  QString GenericIconNameAt(int index) const;

 private:
  struct Entry {
    bool Folder = false;
    QString TypeText;
    QString IconName;
    QString GenericIconName;
  };
  int EntryFor(const PShellItem& item);
  static Entry LookUpFolder();
  static Entry LookUpFile(const QString& extension);

  std::vector<Entry> Entries;
  QHash<QString, int> IndexByKey;
};
