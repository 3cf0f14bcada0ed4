#pragma once
// DeviceNames: the names a batch of copies gets on the controller's D: drive.
//
// Principles of operation
// - The controller keeps DOS 8.3 names and cuts longer ones to 8 and 3
//   characters, so two long PC names can land in one device file and the
//   first is lost without a word. A name is therefore taken only in the 8.3
//   shape (ValidName), and only once per batch, ignoring case as the
//   controller does.
// - It knows the folder the files go to from the listing the caller already
//   holds (the device pane's items, the listing put reads for the free
//   space); nothing here talks to the controller. An empty listing means
//   "nothing known": no replace is noticed then.
// - Suggest() is the one place that builds a free 8.3 form of a PC name
//   ("recipe_line1.dat" -> "RECIPE~1.DAT"): free in the batch and in the
//   listing. The rename prompt offers it and put --rename uses it.
// - Plain values, no threads, no widgets.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// One item of the target folder's listing.
struct DeviceFolderEntry {
  QString Name;
  bool IsFolder = false;
  int64_t SizeBytes = 0;
  QString ModifiedText;
};

class DeviceNames {
 public:
  enum class Verdict {
    Free,          // nothing of that name: send
    Invalid,       // not a name the controller keeps as it is
    TakenInBatch,  // an earlier file of this batch went under that name
    FolderListed,  // the folder holds a subfolder of that name
    FileListed,    // the folder holds a file of that name: sending replaces it
  };

  DeviceNames() = default;
  explicit DeviceNames(std::vector<DeviceFolderEntry> listing) : Listing(std::move(listing)) {}

  // A new name as the name prompts state the rule (DeviceName::IsNewName):
  // 1 to 8 characters, then optionally one full stop and 1 to 3 characters,
  // of the ASCII characters a DOS name may hold.
  static bool ValidName(const QString& name);

  Verdict Examine(const QString& name) const;
  // The listed item of that name (ignoring case), or null.
  const DeviceFolderEntry* Listed(const QString& name) const;
  // Records the name of a file the batch sends.
  void Take(const QString& name) { Taken.append(name); }
  // A free 8.3 form of the PC file name pcName: the name itself in capitals
  // when it fits and is free, otherwise the first free BASE~N.EXT.
  QString Suggest(const QString& pcName) const;

 private:
  bool IsFree(const QString& name) const;

  std::vector<DeviceFolderEntry> Listing;
  QStringList Taken;
};
