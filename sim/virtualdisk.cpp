#include "sim/virtualdisk.h"

#include "sim/diskimage.h"

namespace talosim {

VirtualDisk::VirtualDisk(std::string label, bool readOnly) : VolumeLabel(std::move(label)), ReadOnly(readOnly) {
  RootEntry.IsDir = true;
}

uint32_t VirtualDisk::ClustersFor(uint64_t size) const {
  return static_cast<uint32_t>((size + Geometry.ClusterBytes() - 1) / Geometry.ClusterBytes());
}

uint32_t VirtualDisk::ClusterBytesFor(uint64_t size) const { return ClustersFor(size) * Geometry.ClusterBytes(); }

uint32_t VirtualDisk::FreeBytes() const { return (Geometry.DataClusters() - Used) * Geometry.ClusterBytes(); }

DiskStatus VirtualDisk::RoomForEntry(const DiskEntry& folder, uint32_t& growth) const {
  growth = 0;
  if (&folder == &RootEntry) {
    // The label takes the root's first entry.
    const size_t entries = folder.Children.size() + (VolumeLabel.empty() ? 0 : 1);
    return entries < Geometry.RootEntries ? DiskStatus::Ok : DiskStatus::TableFull;
  }
  const size_t children = folder.Children.size();
  growth = Geometry.FolderClusters(children + 1) - Geometry.FolderClusters(children);
  return DiskStatus::Ok;
}

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
  uint32_t growth = 0;
  if (const DiskStatus room = RoomForEntry(*parent, growth); room != DiskStatus::Ok) return room;
  if (Used + growth + Geometry.FolderClusters(0) > Geometry.DataClusters()) return DiskStatus::DiskFull;
  auto folder = std::make_unique<DiskEntry>();
  folder->Name = path.back();
  folder->IsDir = true;
  folder->Stamp = stamp;
  parent->Children.push_back(std::move(folder));
  Used = UsedClusters(RootEntry, Geometry);
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
  uint32_t growth = 0;
  if (!file) {
    if (const DiskStatus room = RoomForEntry(*parent, growth); room != DiskStatus::Ok) return room;
  }
  const uint64_t capacity = uint64_t{Geometry.DataClusters()} * Geometry.ClusterBytes();
  if (newSize > capacity ||
      uint64_t{Used} - ClustersFor(oldSize) + ClustersFor(newSize) + growth > Geometry.DataClusters())
    return DiskStatus::DiskFull;
  if (!file) {
    auto created = std::make_unique<DiskEntry>();
    created->Name = path.back();
    file = created.get();
    parent->Children.push_back(std::move(created));
  }
  if (append)
    file->Data.append(data);
  else
    file->Data.assign(data);
  file->Stamp = stamp;
  Used = UsedClusters(RootEntry, Geometry);
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
    children.erase(it);
    Used = UsedClusters(RootEntry, Geometry);
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
    children.erase(it);
    Used = UsedClusters(RootEntry, Geometry);
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
  Geometry = DiskGeometry{};
  Used = 0;
  RawImage.clear();
}

void VirtualDisk::MarkDamaged(std::vector<uint8_t> rawImage) {
  Format();
  RawImage = std::move(rawImage);
  if (RawImage.empty()) RawImage.assign(kImageBytes, 0);
}

std::vector<uint8_t> VirtualDisk::Image() const {
  return IsDamaged() ? RawImage : EncodeDiskImage(RootEntry, VolumeLabel, Geometry);
}

bool VirtualDisk::LoadImage(const std::vector<uint8_t>& image, std::string* error) {
  DiskEntry root;
  std::string label;
  DiskGeometry geometry;
  std::string why;
  if (!DecodeDiskImage(image, root, label, geometry, why)) {
    if (error) *error = why;
    return false;
  }
  RootEntry = std::move(root);
  RootEntry.IsDir = true;
  VolumeLabel = label;
  Geometry = geometry;
  Used = UsedClusters(RootEntry, Geometry);
  RawImage.clear();
  return true;
}

}  // namespace talosim
