#pragma once
// ImageExtract: files and folders of a drive image written to the PC -
// image get, the image pane's Copy to PC and the copy back from a
// controller.
//
// Principles of operation
// - A file is written byte for byte through a temporary file that replaces
//   the target only once it is whole (QSaveFile): a failed copy leaves no
//   part of a file behind, and an existing file as it was. Its modification
//   time becomes the item's stamp, when the stamp is a date.
// - A folder is made (or used, when it is one already) and filled with its
//   files and folders in the image's order.
// - A name from the image becomes a PC name only when it can name nothing
//   else: not empty, not "." or "..", without "/", "\", DEL or a control
//   byte (C0 or C1: a name is shown and logged too).
//   An item with another name is left out and named in the problems, with
//   everything below it.
// - An existing file is replaced only when asked to; otherwise it is a
//   problem and left as it was. Existing() finds them beforehand.
// - Everything that went wrong is in Problems, one line each, and the copy
//   goes on with the next item. Main thread or a worker; nothing shared.

#include <QString>
#include <QStringList>
#include <cstdint>

#include "image/fatvolume.h"

namespace ImageExtract {

bool SafeName(const QString& name);

struct Outcome {
  int Files = 0;
  int Folders = 0;
  int64_t Bytes = 0;
  QStringList Problems;
  bool Ok() const { return Problems.isEmpty(); }
};

// The item (at path in the volume) written as target: a file's path, or
// the folder to make for a folder item.
void Extract(const FatVolume& volume, const QString& path, const FatItem& item,
             const QString& target, bool replace, Outcome& outcome);

// The files that extracting the item as target would replace.
QStringList Existing(const FatVolume& volume, const QString& path, const FatItem& item,
                     const QString& target);

// One file's bytes written as target (see above); the reason when not.
QString WriteFile(const QString& target, const QByteArray& bytes, const QDateTime& modified,
                  bool replace);

}  // namespace ImageExtract
