#pragma once
// VirtualDisk: one drive of the controller (the 1 MiB D: drive, or the
// read-only C: drive with the shell's own programs).
//
// Principles of operation
// - A tree of folders and files with 8.3 upper-case names, kept in the order
//   they were made, as a DOS directory lists them.
// - The drive is a FAT12 volume (diskimage.h): a file takes whole clusters,
//   a folder below the root takes whole clusters for its entries, and the
//   root holds a fixed number of entries. FreeBytes() is what "dir" reports
//   and always agrees with what Image() holds.
// - Image() is the drive as 1,048,576 bytes; LoadImage() accepts only a
//   consistent FAT12 volume of this size (keeping its geometry) and leaves
//   the drive unchanged otherwise. Format() lays the drive out as the
//   controller's formatter does.
// - A damaged drive (a broken image was written to it) holds no readable
//   content: it keeps the raw bytes for Image() and refuses every change
//   until it is formatted or given a good image.
// - Not thread-safe: the simulator guards each drive with its state mutex.
// - Operations report a DiskStatus and never throw.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/diskimage.h"
#include "sim/dosname.h"

namespace talosim {

enum class DiskStatus {
  Ok,
  NotFound,       // the file or folder does not exist
  PathNotFound,   // a folder on the way does not exist
  Exists,         // the name is taken
  NotEmpty,       // folder still holds entries
  DiskFull,       // not enough free clusters
  TableFull,      // the root folder has no free entry
  ReadOnly,       // the drive cannot be written
  IsDirectory,    // a folder where a file was wanted
  NotDirectory,   // a file where a folder was wanted
  Damaged,        // the drive's file system is broken
};

struct DiskEntry {
  std::string Name;  // "NAME.EXT" or "NAME"
  bool IsDir = false;
  std::string Data;
  DosStamp Stamp;
  std::vector<std::unique_ptr<DiskEntry>> Children;
};

class VirtualDisk {
 public:
  static constexpr uint32_t kImageBytes = 1048576;
  // What a freshly formatted drive holds for files and folders: 999,424.
  static constexpr uint32_t kCapacityBytes = 1952 * 512;

  explicit VirtualDisk(std::string label, bool readOnly = false);

  const std::string& Label() const { return VolumeLabel; }
  bool IsReadOnly() const { return ReadOnly; }
  const DiskEntry& Root() const { return RootEntry; }

  // The entry at a path, nullptr when absent ({} is the root).
  const DiskEntry* Find(const DosPath& path) const;
  bool IsFolder(const DosPath& path) const;

  [[nodiscard]] DiskStatus MakeDir(const DosPath& path, DosStamp stamp);
  // Creates or replaces a file, or appends to it.
  [[nodiscard]] DiskStatus WriteFile(const DosPath& path, std::string_view data, bool append, DosStamp stamp);
  [[nodiscard]] DiskStatus DeleteFile(const DosPath& path);
  [[nodiscard]] DiskStatus RemoveDir(const DosPath& path);
  [[nodiscard]] DiskStatus Rename(const DosPath& path, const std::string& newName);

  uint32_t FreeBytes() const;
  // What a file of this size would need, in bytes of whole clusters.
  uint32_t ClusterBytesFor(uint64_t size) const;

  std::vector<uint8_t> Image() const;
  [[nodiscard]] bool LoadImage(const std::vector<uint8_t>& image, std::string* error = nullptr);
  void Format();
  void MarkDamaged(std::vector<uint8_t> rawImage);
  bool IsDamaged() const { return !RawImage.empty(); }

 private:
  DiskEntry* FindMutable(const DosPath& path);
  DiskEntry* ParentFolder(const DosPath& path, DiskStatus& status);
  static DiskEntry* Child(const DiskEntry& folder, const std::string& name);
  uint32_t ClustersFor(uint64_t size) const;
  // Whether one more entry fits into folder, and the clusters it would add
  // to the folder's own.
  DiskStatus RoomForEntry(const DiskEntry& folder, uint32_t& growth) const;

  std::string VolumeLabel;
  bool ReadOnly;
  DiskEntry RootEntry;
  DiskGeometry Geometry;
  uint32_t Used = 0;  // data clusters, UsedClusters() of the tree
  std::vector<uint8_t> RawImage;  // only while damaged
};

}  // namespace talosim
