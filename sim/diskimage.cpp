#include "sim/diskimage.h"

#include <cstring>
#include <map>
#include <memory>

#include "sim/virtualdisk.h"

namespace talosim {
namespace {

constexpr uint32_t kEntryBytes = 32;
constexpr uint8_t kAttrVolume = 0x08;
constexpr uint8_t kAttrFolder = 0x10;
constexpr uint8_t kAttrArchive = 0x20;
constexpr uint8_t kAttrLongName = 0x0F;
constexpr uint8_t kDeleted = 0xE5;
constexpr uint32_t kEndOfChain = 0xFFF;
constexpr uint32_t kBadCluster = 0xFF7;
constexpr uint32_t kMaxFat12Clusters = 4084;
constexpr uint32_t kSectorsPerTrack = 32;
constexpr uint32_t kHeads = 2;

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}
uint32_t Get16(const std::vector<uint8_t>& in, size_t at) { return in[at] | (in[at + 1] << 8); }
uint32_t Get32(const std::vector<uint8_t>& in, size_t at) { return Get16(in, at) | (Get16(in, at + 2) << 16); }
void PutPadded(std::vector<uint8_t>& out, size_t at, const std::string& text, size_t width) {
  for (size_t i = 0; i < width; ++i) out[at + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
}
std::string GetPadded(const std::vector<uint8_t>& in, size_t at, size_t width) {
  std::string text(reinterpret_cast<const char*>(in.data() + at), width);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// Where things lie in the image.
struct Layout {
  const DiskGeometry& Geometry;

  size_t FatOffset(uint32_t copy) const {
    return (Geometry.ReservedSectors + copy * Geometry.SectorsPerFat) * size_t{DiskGeometry::kSectorBytes};
  }
  size_t RootOffset() const { return FatOffset(Geometry.FatCount); }
  size_t ClusterOffset(uint32_t cluster) const {
    return (Geometry.FirstDataSector() + size_t{cluster - 2} * Geometry.SectorsPerCluster) *
           DiskGeometry::kSectorBytes;
  }
};

uint32_t FatEntry(const std::vector<uint8_t>& image, size_t fat, uint32_t cluster) {
  const uint32_t pair = Get16(image, fat + cluster * 3 / 2);
  return cluster % 2 ? pair >> 4 : pair & 0xFFF;
}

void SetFatEntry(std::vector<uint8_t>& image, size_t fat, uint32_t cluster, uint32_t value) {
  const size_t at = fat + cluster * 3 / 2;
  const uint32_t pair = Get16(image, at);
  Put16(image, at, cluster % 2 ? (pair & 0x000F) | (value << 4) : (pair & 0xF000) | value);
}

void PutEntry(std::vector<uint8_t>& out, size_t at, const std::string& name, uint8_t attributes, uint32_t first,
              uint32_t size, DosStamp stamp) {
  std::string base = name, ext;
  if (name != "." && name != "..") SplitDosName(name, base, ext);
  PutPadded(out, at, base, 8);
  PutPadded(out, at + 8, ext, 3);
  out[at + 11] = attributes;
  Put16(out, at + 22, stamp.Time);
  Put16(out, at + 24, stamp.Date);
  Put16(out, at + 26, first);
  Put32(out, at + 28, size);
}

struct Encoder {
  Encoder(std::vector<uint8_t>& out, const DiskGeometry& geometry) : Out(out), Geometry(geometry) {}

  std::vector<uint8_t>& Out;
  const DiskGeometry& Geometry;
  Layout Where{Geometry};
  uint32_t NextCluster = 2;

  uint32_t Allocate(uint32_t clusters) {
    if (clusters == 0) return 0;
    const uint32_t first = NextCluster;
    for (uint32_t c = first; c < first + clusters; ++c)
      for (uint32_t copy = 0; copy < Geometry.FatCount; ++copy)
        SetFatEntry(Out, Where.FatOffset(copy), c, c + 1 == first + clusters ? kEndOfChain : c + 1);
    NextCluster += clusters;
    return first;
  }

  // The children's entries from at on; then the folders' own contents.
  void Folder(const DiskEntry& folder, size_t at) {
    std::vector<std::pair<const DiskEntry*, uint32_t>> folders;
    for (const auto& child : folder.Children) {
      const uint32_t size = child->IsDir ? 0 : static_cast<uint32_t>(child->Data.size());
      const uint32_t clusters = child->IsDir ? Geometry.FolderClusters(child->Children.size())
                                             : (size + Geometry.ClusterBytes() - 1) / Geometry.ClusterBytes();
      const uint32_t first = Allocate(clusters);
      PutEntry(Out, at, child->Name, child->IsDir ? kAttrFolder : kAttrArchive, first, size, child->Stamp);
      at += kEntryBytes;
      if (child->IsDir)
        folders.emplace_back(child.get(), first);
      else if (size > 0)
        std::memcpy(Out.data() + Where.ClusterOffset(first), child->Data.data(), size);
    }
    for (const auto& [sub, first] : folders) Subfolder(*sub, first, &folder);
  }

  void Subfolder(const DiskEntry& folder, uint32_t first, const DiskEntry* parent) {
    FirstClusterOf[&folder] = first;
    const size_t at = Where.ClusterOffset(first);
    PutEntry(Out, at, ".", kAttrFolder, first, 0, folder.Stamp);
    PutEntry(Out, at + kEntryBytes, "..", kAttrFolder, ParentCluster(parent), 0, folder.Stamp);
    Folder(folder, at + 2 * kEntryBytes);
  }

  // ".." of a folder in the root points at cluster 0, as DOS has it.
  uint32_t ParentCluster(const DiskEntry* parent) const {
    const auto found = FirstClusterOf.find(parent);
    return found == FirstClusterOf.end() ? 0 : found->second;
  }
  std::map<const DiskEntry*, uint32_t> FirstClusterOf;
};

void WriteBootSector(std::vector<uint8_t>& out, const DiskGeometry& g, const std::string& label) {
  out[0] = 0xEB;
  out[1] = 0x3C;
  out[2] = 0x90;
  PutPadded(out, 3, "TALO7100", 8);
  Put16(out, 11, DiskGeometry::kSectorBytes);
  out[13] = static_cast<uint8_t>(g.SectorsPerCluster);
  Put16(out, 14, g.ReservedSectors);
  out[16] = static_cast<uint8_t>(g.FatCount);
  Put16(out, 17, g.RootEntries);
  Put16(out, 19, DiskGeometry::kSectors);
  out[21] = g.Media;
  Put16(out, 22, g.SectorsPerFat);
  Put16(out, 24, kSectorsPerTrack);
  Put16(out, 26, kHeads);
  out[36] = 0x80;  // drive number
  out[38] = 0x29;  // extended boot signature: serial, label and type follow
  Put32(out, 39, g.Serial);
  PutPadded(out, 43, label.empty() ? "NO NAME" : label, 11);
  PutPadded(out, 54, "FAT12", 8);
  out[510] = 0x55;
  out[511] = 0xAA;
}

// The boot sector's figures, when they describe a FAT12 volume of this drive.
bool ReadGeometry(const std::vector<uint8_t>& image, DiskGeometry& g, std::string& error) {
  g.SectorsPerCluster = image[13];
  g.ReservedSectors = Get16(image, 14);
  g.FatCount = image[16];
  g.RootEntries = Get16(image, 17);
  g.Media = image[21];
  g.SectorsPerFat = Get16(image, 22);
  g.Serial = image[38] == 0x29 ? Get32(image, 39) : 0;
  const uint32_t total = Get16(image, 19) ? Get16(image, 19) : Get32(image, 32);
  const uint32_t spc = g.SectorsPerCluster;
  const bool sane = Get16(image, 11) == DiskGeometry::kSectorBytes && spc != 0 && spc <= 64 &&
                    (spc & (spc - 1)) == 0 && g.ReservedSectors >= 1 && (g.FatCount == 1 || g.FatCount == 2) &&
                    g.RootEntries != 0 && g.RootEntries % 16 == 0 && g.SectorsPerFat != 0 &&
                    total == DiskGeometry::kSectors && g.Media >= 0xF0;
  if (!sane || g.FirstDataSector() >= DiskGeometry::kSectors) {
    error = "not a FAT volume of 2048 sectors of 512 bytes";
    return false;
  }
  const uint32_t clusters = g.DataClusters();
  if (clusters == 0 || clusters > kMaxFat12Clusters || g.SectorsPerFat * DiskGeometry::kSectorBytes < (clusters + 2) * 3 / 2) {
    error = "not a FAT12 volume";
    return false;
  }
  return true;
}

struct Decoder {
  Decoder(const std::vector<uint8_t>& image, const DiskGeometry& geometry, std::string& error)
      : Image(image), Geometry(geometry), Error(error) {}

  const std::vector<uint8_t>& Image;
  const DiskGeometry& Geometry;
  std::string& Error;
  Layout Where{Geometry};
  std::vector<bool> Taken = std::vector<bool>(Geometry.DataClusters() + 2, false);
  std::string Label;

  bool Fail(const std::string& why) {
    Error = why;
    return false;
  }

  // The chain from first, each cluster claimed once in the whole volume.
  bool Chain(uint32_t first, std::vector<uint32_t>& clusters, const std::string& name) {
    const uint32_t last = Geometry.DataClusters() + 1;
    for (uint32_t c = first;;) {
      if (c < 2 || c > last) return Fail(name + ": cluster " + std::to_string(c) + " lies outside the drive");
      if (Taken[c]) return Fail(name + ": cluster " + std::to_string(c) + " is used twice");
      Taken[c] = true;
      clusters.push_back(c);
      const uint32_t next = FatEntry(Image, Where.FatOffset(0), c);
      if (next >= 0xFF8) return true;
      if (next == kBadCluster) return Fail(name + ": a bad cluster in its chain");
      c = next;
    }
  }

  bool Entries(DiskEntry& folder, const std::vector<uint8_t>& bytes, bool isRoot, const std::string& path) {
    for (size_t at = 0; at + kEntryBytes <= bytes.size(); at += kEntryBytes) {
      const uint8_t first = bytes[at];
      const uint8_t attributes = bytes[at + 11];
      if (first == 0) break;
      if (first == kDeleted || attributes == kAttrLongName) continue;
      if (attributes & kAttrVolume) {
        if (isRoot && Label.empty()) Label = GetPadded(bytes, at, 11);
        continue;
      }
      std::string name = GetPadded(bytes, at, 8);
      if (!name.empty() && name[0] == 0x05) name[0] = static_cast<char>(kDeleted);
      if (name == "." || name == "..") continue;
      const std::string ext = GetPadded(bytes, at + 8, 3);
      if (!ext.empty()) name += "." + ext;
      const std::string where = path + "\\" + name;
      const auto normal = NormalizeDosName(name);
      if (!normal || *normal != name) return Fail(where + ": not a DOS name");
      for (const auto& sibling : folder.Children)
        if (sibling->Name == name) return Fail(where + ": a duplicate");
      auto entry = std::make_unique<DiskEntry>();
      entry->Name = name;
      entry->IsDir = (attributes & kAttrFolder) != 0;
      entry->Stamp.Time = static_cast<uint16_t>(Get16(bytes, at + 22));
      entry->Stamp.Date = static_cast<uint16_t>(Get16(bytes, at + 24));
      const uint32_t start = Get16(bytes, at + 26);
      const uint32_t size = Get32(bytes, at + 28);
      if (!(entry->IsDir ? Folder(*entry, start, where) : File(*entry, start, size, where))) return false;
      folder.Children.push_back(std::move(entry));
    }
    return true;
  }

  std::vector<uint8_t> Read(const std::vector<uint32_t>& clusters) const {
    std::vector<uint8_t> bytes;
    for (const uint32_t c : clusters) {
      const auto* begin = Image.data() + Where.ClusterOffset(c);
      bytes.insert(bytes.end(), begin, begin + Geometry.ClusterBytes());
    }
    return bytes;
  }

  bool Folder(DiskEntry& folder, uint32_t start, const std::string& path) {
    std::vector<uint32_t> clusters;
    return Chain(start, clusters, path) && Entries(folder, Read(clusters), false, path);
  }

  bool File(DiskEntry& file, uint32_t start, uint32_t size, const std::string& path) {
    if (size == 0) return start == 0 || Fail(path + ": an empty file with clusters");
    std::vector<uint32_t> clusters;
    if (!Chain(start, clusters, path)) return false;
    if (clusters.size() != (uint64_t{size} + Geometry.ClusterBytes() - 1) / Geometry.ClusterBytes())
      return Fail(path + ": its chain does not fit its size");
    const std::vector<uint8_t> bytes = Read(clusters);
    file.Data.assign(reinterpret_cast<const char*>(bytes.data()), size);
    return true;
  }
};

}  // namespace

uint32_t DiskGeometry::FolderClusters(size_t children) const {
  const uint64_t bytes = (children + 2) * uint64_t{kEntryBytes};
  return static_cast<uint32_t>((bytes + ClusterBytes() - 1) / ClusterBytes());
}

uint32_t UsedClusters(const DiskEntry& folder, const DiskGeometry& geometry) {
  uint32_t used = 0;
  for (const auto& child : folder.Children) {
    if (child->IsDir)
      used += geometry.FolderClusters(child->Children.size()) + UsedClusters(*child, geometry);
    else
      used += static_cast<uint32_t>((child->Data.size() + geometry.ClusterBytes() - 1) / geometry.ClusterBytes());
  }
  return used;
}

std::vector<uint8_t> EncodeDiskImage(const DiskEntry& root, const std::string& label, const DiskGeometry& geometry) {
  std::vector<uint8_t> out(VirtualDisk::kImageBytes, 0);
  WriteBootSector(out, geometry, label);
  Encoder encoder(out, geometry);
  for (uint32_t copy = 0; copy < geometry.FatCount; ++copy) {
    SetFatEntry(out, encoder.Where.FatOffset(copy), 0, 0xF00 | geometry.Media);
    SetFatEntry(out, encoder.Where.FatOffset(copy), 1, kEndOfChain);
  }
  size_t at = encoder.Where.RootOffset();
  // The label's entry comes first, where the root has room for it (a
  // volume made elsewhere may fill its root to the last entry).
  if (!label.empty() && root.Children.size() < geometry.RootEntries) {
    PutPadded(out, at, label, 11);
    out[at + 11] = kAttrVolume;
    at += kEntryBytes;
  }
  encoder.Folder(root, at);
  return out;
}

bool DecodeDiskImage(const std::vector<uint8_t>& image, DiskEntry& root, std::string& label, DiskGeometry& geometry,
                     std::string& error) {
  if (image.size() != VirtualDisk::kImageBytes) {
    error = "the image is " + std::to_string(image.size()) + " bytes, not 1048576";
    return false;
  }
  DiskGeometry read;
  if (!ReadGeometry(image, read, error)) return false;
  Decoder decoder(image, read, error);
  const size_t rootAt = decoder.Where.RootOffset();
  const std::vector<uint8_t> rootBytes(image.begin() + static_cast<std::ptrdiff_t>(rootAt),
                                       image.begin() + static_cast<std::ptrdiff_t>(rootAt + read.RootEntries * kEntryBytes));
  DiskEntry decoded;
  decoded.IsDir = true;
  if (!decoder.Entries(decoded, rootBytes, true, "")) return false;
  if (UsedClusters(decoded, read) > read.DataClusters()) {
    error = "its folders do not fit the drive as laid out here";
    return false;
  }
  root = std::move(decoded);
  label = decoder.Label;
  geometry = read;
  return true;
}

}  // namespace talosim
