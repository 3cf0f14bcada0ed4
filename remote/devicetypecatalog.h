#pragma once
// DeviceTypeCatalog: type texts and icon keys for device items, looked up by
// name only (the files live on the controller, not on this PC).
//
// Principles of operation
// - The PC's own type table (FileTypes) does the work: folders are
//   "Folder", files are typed by their extension (case does not matter) as
//   a local file of that extension would be, each type looked up once in
//   the desktop's MIME database and cached for the life of the catalog.
// - An item's IconIndex is an index into that table's icon names; the
//   widgets turn it into an icon with IconNameAt/IsFolderAt, so the icon
//   look-up is cached per type as well.
// - When the MIME database knows nothing better than "unknown binary", the
//   text is our own ("EXE File", "File"), so no item is left without one.
// - Main thread only; QtCore only.

#include <QString>

#include "items/filetypes.h"
#include "items/paneitem.h"

class DeviceTypeCatalog {
 public:
  // Fills TypeText and IconIndex and clears DetailsPending.
  void FillDetails(PaneItem& item);

  int EntryCount() const { return Types.IconCount(); }
  bool IsFolderAt(int index) const;
  // Freedesktop icon names for the entry, most specific first (may be empty).
  QString IconNameAt(int index) const;
  QString GenericIconNameAt(int index) const;

 private:
  FileTypes Types;
};
