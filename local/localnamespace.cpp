#include "local/localnamespace.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>
#include <memory>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "local/localmessages.h"

namespace {

FindData FromStat(const struct stat& st) {
  FindData find;
  find.Valid = true;
  find.Size = S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : 0;
  find.ModifiedMs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
  find.Mode = st.st_mode;
  find.Owner = st.st_uid;
  return find;
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

LocalNamespace::LocalNamespace() : LocalNamespace(Config{}) {}

LocalNamespace::LocalNamespace(Config config)
    : MountInfo(config.MountInfoPath.isEmpty() ? QStringLiteral("/proc/self/mountinfo")
                                               : config.MountInfoPath),
      Home(QDir::cleanPath(config.HomePath.isEmpty() ? QDir::homePath() : config.HomePath)),
      Desktop(QDir::cleanPath(config.DesktopPath.isEmpty()
                                  ? QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)
                                  : config.DesktopPath)) {}

QString LocalNamespace::ComputerId() { return QStringLiteral("computer:///"); }

QString LocalNamespace::ErrorText(int error) {
  return QString::fromStdString(std::error_code(error, std::generic_category()).message());
}

LocalNamespace::Resolved LocalNamespace::Resolve(const QString& text, const QString& base) const {
  const QString typed = text.trimmed();
  if (typed.isEmpty()) return {false, {}, ErrorText(ENOENT)};
  if (typed == ComputerId() || typed.compare(LocalMessages::kComputerName, Qt::CaseInsensitive) == 0)
    return {true, ComputerId(), {}};

  QString path = typed;
  if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
    path = QUrl(typed).toLocalFile();
  } else if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/"))) {
    path = Home + path.mid(1);
  } else if (!path.startsWith(QLatin1Char('/'))) {
    const bool baseIsPath = base.startsWith(QLatin1Char('/'));
    path = (baseIsPath ? base : Home) + QLatin1Char('/') + path;
  }
  if (path.isEmpty()) return {false, {}, LocalMessages::PathError(typed, ErrorText(ENOENT))};
  path = QDir::cleanPath(path);

  struct stat st {};
  if (stat(QFile::encodeName(path).constData(), &st) != 0 &&
      lstat(QFile::encodeName(path).constData(), &st) != 0)
    return {false, {}, LocalMessages::PathError(path, ErrorText(errno))};
  return {true, path, {}};
}

LocalNamespace::Resolved LocalNamespace::Bind(const QString& id) const {
  if (id.isEmpty() || id == ComputerId()) return {true, id, {}};
  struct stat st {};
  if (stat(QFile::encodeName(id).constData(), &st) != 0)
    return {false, {}, LocalMessages::PathError(id, ErrorText(errno))};
  if (!S_ISDIR(st.st_mode)) return {false, {}, LocalMessages::PathError(id, ErrorText(ENOTDIR))};
  return {true, id, {}};
}

LocalNamespace::Listing LocalNamespace::Enumerate(const QString& id) const {
  if (id.isEmpty()) return EnumerateRoot();
  if (id == ComputerId()) return EnumeratePlaces();
  return EnumerateDirectory(id);
}

LocalNamespace::Listing LocalNamespace::EnumerateRoot() const {
  Listing listing;
  listing.Ok = true;
  ListedItem computer;
  computer.RelativeId = ComputerId();
  computer.Name = LocalMessages::kComputerName;
  computer.Folder = true;
  computer.Place = true;
  computer.PlaceKind = MountEntry::Kind::FileSystem;
  listing.Items.push_back(computer);
  auto addFolder = [&](const QString& path, const QString& name, MountEntry::Kind kind) {
    const FindData find = ReadFindData(path);
    if (!find.Valid || !S_ISDIR(find.Mode)) return;
    listing.Items.push_back({path, name, true, find, true, kind});
  };
  addFolder(Home, LocalMessages::kHomeName, MountEntry::Kind::Home);
  if (Desktop != Home) addFolder(Desktop, LocalMessages::kDesktopName, MountEntry::Kind::Home);
  return listing;
}

std::vector<MountEntry> LocalNamespace::Places() const { return MountTable::Read(MountInfo, Home); }

LocalNamespace::Listing LocalNamespace::EnumeratePlaces() const {
  Listing listing;
  listing.Ok = true;
  for (const MountEntry& place : Places()) {
    ListedItem item;
    item.RelativeId = place.Path;
    item.Name = place.Name;
    item.Folder = true;
    item.Place = true;
    item.PlaceKind = place.Type;
    // A network mount is not stat'ed here: a server that went away would
    // hang the whole listing. Its details are read when its row is shown.
    if (place.Type != MountEntry::Kind::Network) item.Find = ReadFindData(place.Path);
    listing.Items.push_back(item);
  }
  return listing;
}

LocalNamespace::Listing LocalNamespace::EnumerateDirectory(const QString& path) const {
  Listing listing;
  std::unique_ptr<DIR, DirCloser> dir(opendir(QFile::encodeName(path).constData()));
  if (!dir) {
    listing.Error = LocalMessages::PathError(path, ErrorText(errno));
    return listing;
  }
  const int dirFd = dirfd(dir.get());
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir.get());
    if (!entry) {
      if (errno != 0) {
        listing.Error = LocalMessages::PathError(path, ErrorText(errno));
        listing.Items.clear();
        return listing;
      }
      break;
    }
    if (entry->d_name[0] == '.') continue;  // hidden, and "." and ".."
    ListedItem item;
    item.Name = QFile::decodeName(entry->d_name);
    item.RelativeId = item.Name;
    struct stat st {};
    if (fstatat(dirFd, entry->d_name, &st, 0) == 0 ||
        fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      item.Find = FromStat(st);
      item.Folder = S_ISDIR(st.st_mode);
    } else {
      item.Folder = entry->d_type == DT_DIR;
    }
    listing.Items.push_back(std::move(item));
  }
  listing.Ok = true;
  return listing;
}

QString LocalNamespace::ParentId(const QString& id) const {
  if (id.isEmpty() || id == ComputerId()) return RootId();
  // From a folder the computer location lists (a mount point, the home
  // folder) the way up leads back to the computer location, as from a drive.
  for (const MountEntry& place : Places())
    if (place.Path == id) return ComputerId();
  const qsizetype slash = id.lastIndexOf(QLatin1Char('/'));
  if (slash <= 0) return ComputerId();
  return id.left(slash);
}

QString LocalNamespace::JoinIds(const QString& parent, const QString& relative) {
  if (relative.startsWith(QLatin1Char('/')) || relative == ComputerId()) return relative;
  if (parent.endsWith(QLatin1Char('/'))) return parent + relative;
  return parent + QLatin1Char('/') + relative;
}

QString LocalNamespace::DisplayNameOf(const QString& id, bool forParsing) const {
  if (forParsing) return id;
  if (id.isEmpty()) return LocalMessages::kDesktopName;
  if (id == ComputerId()) return LocalMessages::kComputerName;
  if (id == QLatin1String("/")) return QStringLiteral("/");
  return id.mid(id.lastIndexOf(QLatin1Char('/')) + 1);
}

FindData LocalNamespace::ReadFindData(const QString& path) {
  struct stat st {};
  const QByteArray name = QFile::encodeName(path);
  if (stat(name.constData(), &st) == 0 || lstat(name.constData(), &st) == 0) return FromStat(st);
  return {};
}

bool LocalNamespace::IsReadOnly(const QString& path, const FindData& find) {
  if (!find.Valid) return false;
  if (geteuid() == 0 && (find.Mode & 0222) == 0) return true;
  return access(QFile::encodeName(path).constData(), W_OK) != 0 && errno != ENOENT;
}
