#pragma once
// The D: drive as one 1,048,576-byte image: a FAT12 volume, what the backup
// helper sends, the restore helper writes and --disk keeps in a file, and
// what any FAT reader (mtools' mdir and mcopy among them) can open.
//
// The controller's formatter lays the drive out thus, in 512-byte sectors:
//   0        boot sector: jump, OEM name "TALO7100", BIOS parameter block,
//            serial number, volume label, "FAT12   ", 55 AA
//   1-51     reserved (the flash translation layer keeps its tables there)
//   52-57    FAT, 58-63 its copy: 12-bit entries, 0xFF8 0xFFF first
//   64-95    root folder, 512 entries of 32 bytes (the first is the label)
//   96-2047  1,952 data clusters of one sector each
// which leaves 999,424 bytes for files and folders. A folder takes whole
// clusters for its "." and ".." entries and one entry per child.
//
// Encoding hands clusters out in the order of the tree (a folder's children
// in turn, each file and folder in consecutive clusters, then the folders'
// own contents) and zeroes everything unused, so that the image of a drive
// is a function of its content alone. Decoding takes any FAT12 volume of
// this size with 512-byte sectors (mformat's as well as ours), checks it
// cluster by cluster and keeps its geometry; long-name entries, deleted
// entries and attributes other than "folder" are passed over. Such a volume
// is laid out anew when it is encoded again: a backup after its restore
// holds the same files and folders, not the same bytes.

#include <cstdint>
#include <string>
#include <vector>

namespace talosim {

struct DiskEntry;

struct DiskGeometry {
  static constexpr uint32_t kSectorBytes = 512;
  static constexpr uint32_t kSectors = 2048;

  uint32_t SectorsPerCluster = 1;
  uint32_t ReservedSectors = 52;
  uint32_t FatCount = 2;
  uint32_t RootEntries = 512;
  uint32_t SectorsPerFat = 6;
  uint8_t Media = 0xF8;
  uint32_t Serial = 0x7100D15C;

  uint32_t ClusterBytes() const { return SectorsPerCluster * kSectorBytes; }
  uint32_t RootSectors() const { return (RootEntries * 32 + kSectorBytes - 1) / kSectorBytes; }
  uint32_t FirstDataSector() const { return ReservedSectors + FatCount * SectorsPerFat + RootSectors(); }
  uint32_t DataClusters() const { return (kSectors - FirstDataSector()) / SectorsPerCluster; }
  // Clusters a folder with this many children takes (its "." and ".."
  // entries included).
  uint32_t FolderClusters(size_t children) const;
};

// The data clusters the files and folders below folder take.
uint32_t UsedClusters(const DiskEntry& folder, const DiskGeometry& geometry);

std::vector<uint8_t> EncodeDiskImage(const DiskEntry& root, const std::string& label, const DiskGeometry& geometry);

// Fills root, label and geometry from an image; false with the reason when
// the image holds no FAT12 volume of this drive or an inconsistent one
// (a chain that loops, ends early or crosses another, a bad name, a
// duplicate).
bool DecodeDiskImage(const std::vector<uint8_t>& image, DiskEntry& root, std::string& label, DiskGeometry& geometry,
                     std::string& error);

}  // namespace talosim
