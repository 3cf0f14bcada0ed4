#include "sim/virtualdisk.h"

#include "sim/diskimage.h"

namespace talosim {

VirtualDisk::VirtualDisk(std::string label, bool readOnly) : VolumeLabel(std::move(label)), ReadOnly(readOnly) {
  RootEntry.IsDir = true;
}

uint32_t VirtualDisk::ClusterBytesFor(uint64_t size) {
  return static_cast<uint32_t>((size + kClusterBytes - 1) / kClusterBytes * kClusterBytes);
}

uint32_t VirtualDisk::FreeBytes() const { return kCapacityBytes - UsedClusters * kClusterBytes; }

DiskEntry* VirtualDisk::Child(const DiskEntry& folder, const std::string& name) {
  for (const auto& child : folder.Children)
    if (child->Name == name) return child.get();
  return nullptr;
}

const DiskEntry* VirtualDisk::Find(const DosPath& path) const {
  const DiskEntry* entry = &RootEntry;
  for (const std::string& name : path) {
    if (!entry->IsDir) return nullptr;
    entry = Child(*entry, name);
    if (!entry) return nullptr;
  }
  return entry;
}

DiskEntry* VirtualDisk::FindMutable(const DosPath& path) { return const_cast<DiskEntry*>(Find(path)); }

bool VirtualDisk::IsFolder(const DosPath& path) const {
  const DiskEntry* entry = Find(path);
  return entry && entry->IsDir;
}

DiskEntry* VirtualDisk::ParentFolder(const DosPath& path, DiskStatus& status) {
  if (ReadOnly || IsDamaged()) {
    status = ReadOnly ? DiskStatus::ReadOnly : DiskStatus::Damaged;
    return nullptr;
  }
  if (path.empty()) {
    status = DiskStatus::Exists;  // the root itself
    return nullptr;
  }
  DiskEntry* parent = FindMutable(DosPath(path.begin(), path.end() - 1));
  if (!parent || !parent->IsDir) {
    status = DiskStatus::PathNotFound;
    return nullptr;
  }
  status = DiskStatus::Ok;
  return parent;
}

DiskStatus VirtualDisk::MakeDir(const DosPath& path, DosStamp stamp) {
  DiskStatus status;
  DiskEntry* parent = ParentFolder(path, status);
  if (!parent) return status;
  if (Child(*parent, path.back())) return DiskStatus::Exists;
  if (UsedSlots >= kEntrySlots) return DiskStatus::TableFull;
  auto folder = std::make_unique<DiskEntry>();
  folder->Name = path.back();
  folder->IsDir = true;
  folder->Stamp = stamp;
  parent->Children.push_back(std::move(folder));
  ++UsedSlots;
  return DiskStatus::Ok;
}

DiskStatus VirtualDisk::WriteFile(const DosPath& path, std::string_view data, bool append, DosStamp stamp) {
  DiskStatus status;
  DiskEntry* parent = ParentFolder(path, status);
  if (!parent) return status == DiskStatus::Exists ? DiskStatus::IsDirectory : status;
  DiskEntry* file = Child(*parent, path.back());
  if (file && file->IsDir) return DiskStatus::IsDirectory;
  const uint64_t oldSize = file ? file->Data.size() : 0;
  const uint64_t newSize = append ? oldSize + data.size() : data.size();
  const uint32_t oldClusters = ClusterBytesFor(oldSize) / kClusterBytes;
  const uint32_t newClusters = static_cast<uint32_t>((newSize + kClusterBytes - 1) / kClusterBytes);
  if (newSize > kCapacityBytes || UsedClusters - oldClusters + newClusters > kDataClusters) return DiskStatus::DiskFull;
  if (!file) {
    if (UsedSlots >= kEntrySlots) return DiskStatus::TableFull;
    auto created = std::make_unique<DiskEntry>();
    created->Name = path.back();
    file = created.get();
    parent->Children.push_back(std::move(created));
    ++UsedSlots;
  }
  if (append)
    file->Data.append(data);
  else
    file->Data.assign(data);
  file->Stamp = stamp;
  UsedClusters = UsedClusters - oldClusters + newClusters;
  return DiskStatus::Ok;
}

DiskStatus VirtualDisk::DeleteFile(const DosPath& path) {
  DiskStatus status;
  DiskEntry* parent = ParentFolder(path, status);
  if (!parent) return status == DiskStatus::Exists ? DiskStatus::IsDirectory : status;
  auto& children = parent->Children;
  for (auto it = children.begin(); it != children.end(); ++it) {
    if ((*it)->Name != path.back()) continue;
    if ((*it)->IsDir) return DiskStatus::IsDirectory;
    UsedClusters -= ClusterBytesFor((*it)->Data.size()) / kClusterBytes;
    --UsedSlots;
    children.erase(it);
    return DiskStatus::Ok;
  }
  return DiskStatus::NotFound;
}

DiskStatus VirtualDisk::RemoveDir(const DosPath& path) {
  DiskStatus status;
  DiskEntry* parent = ParentFolder(path, status);
  if (!parent) return status;
  auto& children = parent->Children;
  for (auto it = children.begin(); it != children.end(); ++it) {
    if ((*it)->Name != path.back()) continue;
    if (!(*it)->IsDir) return DiskStatus::NotDirectory;
    if (!(*it)->Children.empty()) return DiskStatus::NotEmpty;
    --UsedSlots;
    children.erase(it);
    return DiskStatus::Ok;
  }
  return DiskStatus::NotFound;
}

DiskStatus VirtualDisk::Rename(const DosPath& path, const std::string& newName) {
  DiskStatus status;
  DiskEntry* parent = ParentFolder(path, status);
  if (!parent) return status;
  DiskEntry* entry = Child(*parent, path.back());
  if (!entry) return DiskStatus::NotFound;
  if (newName == entry->Name) return DiskStatus::Ok;
  if (Child(*parent, newName)) return DiskStatus::Exists;
  entry->Name = newName;
  return DiskStatus::Ok;
}

void VirtualDisk::Format() {
  RootEntry.Children.clear();
  UsedClusters = 0;
  UsedSlots = 0;
  RawImage.clear();
}

void VirtualDisk::MarkDamaged(std::vector<uint8_t> rawImage) {
  Format();
  RawImage = std::move(rawImage);
  if (RawImage.empty()) RawImage.assign(kImageBytes, 0);
}

std::vector<uint8_t> VirtualDisk::Image() const {
  return IsDamaged() ? RawImage : EncodeDiskImage(RootEntry, VolumeLabel);
}

bool VirtualDisk::LoadImage(const std::vector<uint8_t>& image, std::string* error) {
  DiskEntry root;
  std::string label;
  uint32_t clusters = 0, slots = 0;
  std::string why;
  if (!DecodeDiskImage(image, root, label, clusters, slots, why)) {
    if (error) *error = why;
    return false;
  }
  RootEntry = std::move(root);
  RootEntry.IsDir = true;
  VolumeLabel = label;
  UsedClusters = clusters;
  UsedSlots = slots;
  RawImage.clear();
  return true;
}

}  // namespace talosim
