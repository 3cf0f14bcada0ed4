#pragma once
// The D: drive as one 1,048,576-byte image: what the backup helper sends,
// the restore helper writes and --disk keeps in a file.
//
// Layout (little-endian), in 512-byte clusters:
//   cluster 0       header: "TALODISK", version 1, cluster size, cluster
//                   count, first data cluster, entry slots, entries used,
//                   volume label (11 bytes, blank-padded)
//   clusters 1-95   entry table, 32 bytes a slot, in tree pre-order:
//                   name[8] ext[3] attribute (0x10 folder, 0x20 file)
//                   parent slot (0xFFFF: root) first data cluster, size,
//                   DOS time, DOS date, 8 zero bytes
//   clusters 96-    file data, each file in consecutive clusters
// A file's unused tail and every free cluster are zero, so the image of a
// drive is a function of its content alone.

#include <cstdint>
#include <string>
#include <vector>

#include "sim/virtualdisk.h"

namespace talosim {

std::vector<uint8_t> EncodeDiskImage(const DiskEntry& root, const std::string& label);

// Fills root from an image; false with the reason when the image is not one
// of ours or is inconsistent (overlapping data, a missing parent, a bad name).
bool DecodeDiskImage(const std::vector<uint8_t>& image, DiskEntry& root, std::string& label, uint32_t& usedClusters,
                     uint32_t& usedSlots, std::string& error);

}  // namespace talosim
