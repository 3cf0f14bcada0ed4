#include "local/mounttable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace {

// File systems that hold no user files, whatever their mount point.
const QSet<QString>& PseudoTypes() {
  static const QSet<QString> types{
      "proc",       "sysfs",     "devtmpfs",   "devpts",          "cgroup",      "cgroup2",
      "securityfs", "debugfs",   "tracefs",    "pstore",          "bpf",         "mqueue",
      "hugetlbfs",  "configfs",  "fusectl",    "binfmt_misc",     "autofs",      "efivarfs",
      "nsfs",       "ramfs",     "rpc_pipefs", "selinuxfs",       "overlay",     "squashfs",
      "swap",       "nfsd",      "fuse.lxcfs", "fuse.gvfsd-fuse", "fuse.portal", "fuse.snapfuse"};
  return types;
}

const QSet<QString>& NetworkTypes() {
  static const QSet<QString> types{"nfs",        "nfs4",      "cifs",        "smb3",
                                   "smbfs",      "ncpfs",     "fuse.sshfs",  "sshfs",
                                   "davfs",      "fuse.davfs", "fuse.rclone", "afs",
                                   "ceph",       "glusterfs", "fuse.glusterfs"};
  return types;
}

bool IsBelow(const QString& path, const QString& prefix) {
  return path == prefix || path.startsWith(prefix + QLatin1Char('/'));
}

bool IsRemovablePlace(const QString& path) {
  return IsBelow(path, "/media") || IsBelow(path, "/run/media") || IsBelow(path, "/mnt");
}

// Folders of the operating system itself; mounts there are its business.
bool IsSystemPlace(const QString& path) {
  static const QStringList places{"/boot", "/proc", "/sys", "/dev", "/snap", "/var",
                                  "/etc",  "/usr",  "/tmp", "/lib", "/run"};
  if (IsBelow(path, "/run/media")) return false;
  for (const QString& place : places)
    if (IsBelow(path, place)) return true;
  return false;
}

// The kernel escapes blanks, tabs, line feeds and backslashes as \ooo.
QString Unescape(const QString& field) {
  QString out;
  out.reserve(field.size());
  for (qsizetype i = 0; i < field.size(); ++i) {
    if (field[i] == QLatin1Char('\\') && i + 3 < field.size()) {
      bool ok = false;
      const int code = field.mid(i + 1, 3).toInt(&ok, 8);
      if (ok) {
        out += QChar(code);
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

struct RawMount {
  QString Point;
  QString Type;
  QString Source;
};

bool SplitLine(const QString& line, RawMount& mount) {
  const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  const qsizetype dash = fields.indexOf(QStringLiteral("-"));
  if (fields.size() < 5 || dash < 6 || dash + 2 >= fields.size()) return false;
  mount.Point = QDir::cleanPath(Unescape(fields[4]));
  mount.Type = fields[dash + 1];
  mount.Source = Unescape(fields[dash + 2]);
  return true;
}

// Kind of a mount worth listing, or nothing.
std::optional<MountEntry::Kind> Classify(const RawMount& mount) {
  if (mount.Point == QLatin1String("/") || IsSystemPlace(mount.Point)) return std::nullopt;
  if (PseudoTypes().contains(mount.Type)) return std::nullopt;
  if (NetworkTypes().contains(mount.Type)) return MountEntry::Kind::Network;
  const bool media = IsBelow(mount.Point, "/media") || IsBelow(mount.Point, "/run/media");
  if (mount.Type == QLatin1String("tmpfs")) {
    if (media) return MountEntry::Kind::Removable;
    return std::nullopt;
  }
  if (media) return MountEntry::Kind::Removable;
  if (IsRemovablePlace(mount.Point)) return MountEntry::Kind::Disk;
  if (mount.Source.startsWith(QLatin1String("/dev/"))) return MountEntry::Kind::Disk;
  return std::nullopt;
}

QString BaseName(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return slash < 0 ? path : path.mid(slash + 1);
}

}  // namespace

namespace MountTable {

std::vector<MountEntry> Parse(const QString& mountInfo, const QString& home) {
  const QString cleanHome = home.isEmpty() ? QString() : QDir::cleanPath(home);
  std::vector<MountEntry> entries;
  entries.push_back({QStringLiteral("/"), QStringLiteral("File System"), MountEntry::Kind::FileSystem});
  if (!cleanHome.isEmpty() && cleanHome != QLatin1String("/"))
    entries.push_back({cleanHome, QStringLiteral("Home"), MountEntry::Kind::Home});

  for (const QString& line : mountInfo.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
    RawMount mount;
    if (!SplitLine(line, mount) || mount.Point == cleanHome) continue;
    const auto kind = Classify(mount);
    // A later mount on the same point hides the earlier one.
    auto same = std::find_if(entries.begin(), entries.end(),
                             [&](const MountEntry& e) { return e.Path == mount.Point; });
    if (same != entries.end() && same->Type != MountEntry::Kind::FileSystem) entries.erase(same);
    if (kind) entries.push_back({mount.Point, BaseName(mount.Point), *kind});
  }

  // Two mounts with the same last folder name are told apart by their path.
  QHash<QString, int> uses;
  for (const MountEntry& entry : entries) ++uses[entry.Name];
  for (MountEntry& entry : entries) {
    if (entry.Type == MountEntry::Kind::FileSystem || entry.Type == MountEntry::Kind::Home) continue;
    if (uses.value(entry.Name) > 1) entry.Name = entry.Path;
  }
  return entries;
}

std::vector<MountEntry> Read(const QString& mountInfoPath, const QString& home) {
  QFile file(mountInfoPath);
  QString text;
  // /proc files report size 0, so read to the end rather than by size.
  if (file.open(QIODevice::ReadOnly)) text = QString::fromLocal8Bit(file.readAll());
  std::vector<MountEntry> entries = Parse(text, home);
  // Bind mounts of single files (containers do this for /etc/hosts and the
  // like) are no folders to browse. Network mounts are not probed: a dead
  // server would hang the listing.
  std::erase_if(entries, [](const MountEntry& e) {
    return e.Type == MountEntry::Kind::Disk && QFileInfo(e.Path).exists() && !QFileInfo(e.Path).isDir();
  });
  return entries;
}

}  // namespace MountTable
