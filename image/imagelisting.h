#pragma once
// ImageListing: a folder of a drive image as the device pane shows one of
// the controller's - the lines of image ls and the image pane's rows.
//
// Principles of operation
// - Items are sorted as the device pane sorts a listing by name: folders
//   first, then by name, byte by byte.
// - An item becomes the device pane's record (PaneItem): its name, size,
//   folder marker, and the date in the format listings are shown in; the
//   type text and icon come from the same catalog as the pane's.
// - Pure apart from the catalog's MIME look-up; main thread (the catalog's).

#include <QString>
#include <QStringList>
#include <vector>

#include "image/fatvolume.h"
#include "items/paneitem.h"

class DeviceTypeCatalog;

namespace ImageListing {

void Sort(std::vector<FatItem>& items);
PaneItem ShellItem(const FatItem& item, DeviceTypeCatalog& catalog);

// image ls: one tab-separated line per item (name, size or empty for a
// folder, "<DIR>" or the type text, modified), as ls prints a folder of D:;
// then "N object(s)" and the total size with the volume's free space.
QStringList Lines(const std::vector<FatItem>& sorted, const FatVolume& volume);
// "(1,234,567 bytes free)", as the controller's listing words it.
QString FreeCaption(int64_t bytes);
// The size text and the free space, as the pane's status bar shows them.
QString SizeStatus(const std::vector<FatItem>& items, const FatVolume& volume);

// The image pane's Properties of the item at path: its name, place, size,
// date and attributes; for a folder what it holds, counted as "dir/s"
// counts (every file and folder below it).
QString Properties(const FatVolume& volume, const QString& path, const FatItem& item);

}  // namespace ImageListing
