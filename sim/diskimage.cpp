#include "sim/diskimage.h"

#include <cstring>

namespace talosim {
namespace {

constexpr char kMagic[8] = {'T', 'A', 'L', 'O', 'D', 'I', 'S', 'K'};
constexpr uint16_t kVersion = 1;
constexpr uint8_t kAttrDir = 0x10;
constexpr uint8_t kAttrFile = 0x20;
constexpr uint16_t kNoParent = 0xFFFF;
constexpr size_t kSlotBytes = 32;
constexpr size_t kTableOffset = VirtualDisk::kClusterBytes;
constexpr size_t kDataOffset = VirtualDisk::kFirstDataCluster * VirtualDisk::kClusterBytes;

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}
uint16_t Get16(const std::vector<uint8_t>& in, size_t at) {
  return static_cast<uint16_t>(in[at] | (in[at + 1] << 8));
}
uint32_t Get32(const std::vector<uint8_t>& in, size_t at) {
  return Get16(in, at) | (static_cast<uint32_t>(Get16(in, at + 2)) << 16);
}
void PutPadded(std::vector<uint8_t>& out, size_t at, const std::string& text, size_t width) {
  for (size_t i = 0; i < width; ++i) out[at + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
}
std::string GetPadded(const std::vector<uint8_t>& in, size_t at, size_t width) {
  std::string text(reinterpret_cast<const char*>(in.data() + at), width);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

struct Encoder {
  std::vector<uint8_t>& Out;
  uint32_t Slot = 0;
  uint32_t NextCluster = 0;

  void Folder(const DiskEntry& folder, uint16_t parentSlot) {
    for (const auto& child : folder.Children) {
      const uint32_t slot = Slot++;
      const size_t at = kTableOffset + slot * kSlotBytes;
      std::string base, ext;
      SplitDosName(child->Name, base, ext);
      PutPadded(Out, at, base, 8);
      PutPadded(Out, at + 8, ext, 3);
      Out[at + 11] = child->IsDir ? kAttrDir : kAttrFile;
      Put16(Out, at + 12, parentSlot);
      uint32_t first = 0;
      if (!child->IsDir && !child->Data.empty()) {
        first = NextCluster;
        std::memcpy(Out.data() + kDataOffset + first * VirtualDisk::kClusterBytes, child->Data.data(),
                    child->Data.size());
        NextCluster += VirtualDisk::ClusterBytesFor(child->Data.size()) / VirtualDisk::kClusterBytes;
      }
      Put16(Out, at + 14, first);
      Put32(Out, at + 16, child->IsDir ? 0 : static_cast<uint32_t>(child->Data.size()));
      Put16(Out, at + 20, child->Stamp.Time);
      Put16(Out, at + 22, child->Stamp.Date);
      if (child->IsDir) Folder(*child, static_cast<uint16_t>(slot));
    }
  }
};

}  // namespace

std::vector<uint8_t> EncodeDiskImage(const DiskEntry& root, const std::string& label) {
  std::vector<uint8_t> out(VirtualDisk::kImageBytes, 0);
  std::memcpy(out.data(), kMagic, sizeof kMagic);
  Put16(out, 8, kVersion);
  Put16(out, 10, VirtualDisk::kClusterBytes);
  Put16(out, 12, VirtualDisk::kImageBytes / VirtualDisk::kClusterBytes);
  Put16(out, 14, VirtualDisk::kFirstDataCluster);
  Put16(out, 16, VirtualDisk::kEntrySlots);
  Encoder encoder{out};
  encoder.Folder(root, kNoParent);
  Put16(out, 18, encoder.Slot);
  PutPadded(out, 20, label, 11);
  return out;
}

bool DecodeDiskImage(const std::vector<uint8_t>& image, DiskEntry& root, std::string& label, uint32_t& usedClusters,
                     uint32_t& usedSlots, std::string& error) {
  if (image.size() != VirtualDisk::kImageBytes) {
    error = "the image is " + std::to_string(image.size()) + " bytes, not 1048576";
    return false;
  }
  if (std::memcmp(image.data(), kMagic, sizeof kMagic) != 0 || Get16(image, 8) != kVersion ||
      Get16(image, 10) != VirtualDisk::kClusterBytes ||
      Get16(image, 12) != VirtualDisk::kImageBytes / VirtualDisk::kClusterBytes ||
      Get16(image, 14) != VirtualDisk::kFirstDataCluster || Get16(image, 16) != VirtualDisk::kEntrySlots) {
    error = "not a TALO-7100 drive image";
    return false;
  }
  const uint32_t count = Get16(image, 18);
  if (count > VirtualDisk::kEntrySlots) {
    error = "entry table overflows";
    return false;
  }
  root = DiskEntry{};
  root.IsDir = true;
  label = GetPadded(image, 20, 11);
  std::vector<DiskEntry*> slots(count, nullptr);
  std::vector<bool> taken(VirtualDisk::kDataClusters, false);
  usedClusters = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = kTableOffset + i * kSlotBytes;
    const uint8_t attr = image[at + 11];
    const uint16_t parentSlot = Get16(image, at + 12);
    const uint32_t first = Get16(image, at + 14);
    const uint32_t size = Get32(image, at + 16);
    std::string name = GetPadded(image, at, 8);
    const std::string ext = GetPadded(image, at + 8, 3);
    if (!ext.empty()) name += "." + ext;
    const auto normal = NormalizeDosName(name);
    DiskEntry* parent = parentSlot == kNoParent ? &root : (parentSlot < i ? slots[parentSlot] : nullptr);
    if ((attr != kAttrDir && attr != kAttrFile) || !normal || *normal != name || !parent || !parent->IsDir) {
      error = "entry " + std::to_string(i) + " is damaged";
      return false;
    }
    for (const auto& sibling : parent->Children)
      if (sibling->Name == name) {
        error = "entry " + std::to_string(i) + " is a duplicate";
        return false;
      }
    auto entry = std::make_unique<DiskEntry>();
    entry->Name = name;
    entry->IsDir = attr == kAttrDir;
    entry->Stamp.Time = Get16(image, at + 20);
    entry->Stamp.Date = Get16(image, at + 22);
    if (!entry->IsDir && size > 0) {
      const uint32_t clusters = VirtualDisk::ClusterBytesFor(size) / VirtualDisk::kClusterBytes;
      if (size > VirtualDisk::kCapacityBytes || first + clusters > VirtualDisk::kDataClusters) {
        error = "entry " + std::to_string(i) + " lies outside the data area";
        return false;
      }
      for (uint32_t c = first; c < first + clusters; ++c) {
        if (taken[c]) {
          error = "entry " + std::to_string(i) + " overlaps another file";
          return false;
        }
        taken[c] = true;
      }
      usedClusters += clusters;
      const size_t offset = kDataOffset + static_cast<size_t>(first) * VirtualDisk::kClusterBytes;
      entry->Data.assign(reinterpret_cast<const char*>(image.data() + offset), size);
    }
    slots[i] = entry.get();
    parent->Children.push_back(std::move(entry));
  }
  usedSlots = count;
  return true;
}

}  // namespace talosim
