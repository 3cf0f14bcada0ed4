#pragma once
// ImageDiff: what two drive images hold differently - image diff and the
// window's Compare images.
//
// Principles of operation
// - Both volumes are walked whole (FatVolume::Walk); items are matched by
//   their path, names compared without regard to case as DOS compares them.
// - A path in one image only is added (in the second) or removed (from the
//   first); a folder added or removed is listed with everything below it.
//   A file in both is changed when its size, its date or its bytes differ;
//   a file in one and a folder in the other is removed and added. Folders'
//   own dates are not compared.
// - Whatever of either image cannot be read (a damaged chain, a folder in a
//   loop) is a problem, not a change: such images are not called equal.
// - Changes come sorted by path. Pure; any thread.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "image/fatvolume.h"

namespace ImageDiff {

struct Change {
  enum class Kind { Added, Removed, Changed };
  Kind What = Kind::Changed;
  QString Path;
  std::optional<FatItem> Before;  // in the first image
  std::optional<FatItem> After;   // in the second
};

struct Result {
  std::vector<Change> Changes;
  QStringList Problems;  // "first image: \PATH: why"
  bool Equal() const { return Changes.empty() && Problems.empty(); }
};

Result Compare(const FatVolume& first, const FatVolume& second);

// One tab-separated line per change - "added", "removed" or "changed", the
// path, the size ("<DIR>" for a folder; "before -> after" when it changed),
// the date (likewise) - then "unreadable" and each problem, then a line of
// totals.
QStringList Lines(const Result& result);

}  // namespace ImageDiff
