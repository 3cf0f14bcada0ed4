#pragma once
// MountTable: the folders the computer location lists.
//
// Principles of operation
// - Reads the kernel's mount table (mountinfo format) and keeps the file
//   systems a user cares about: the root file system, the user's home,
//   removable media (/media, /run/media, /mnt), network mounts and other
//   disks. Pseudo and system file systems (proc, sysfs, cgroup, tmpfs of the
//   system, snaps, mounts under /boot, /sys, /var...) are left out.
// - Pure functions of their input; any thread. A mount table that cannot be
//   read still yields the root file system and the home folder.

#include <QString>
#include <vector>

#include "items/filetypes.h"

struct MountEntry {
  using Kind = PlaceKind;
  QString Path;  // absolute, clean
  QString Name;  // shown in the Name column
  Kind Type = Kind::Disk;
};

namespace MountTable {

// Decodes one mountinfo text. `home` is the user's home folder.
std::vector<MountEntry> Parse(const QString& mountInfo, const QString& home);

// Reads the file (normally /proc/self/mountinfo) and parses it.
std::vector<MountEntry> Read(const QString& mountInfoPath, const QString& home);

}  // namespace MountTable
