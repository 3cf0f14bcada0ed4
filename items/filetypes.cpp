#include "items/filetypes.h"

#include <QMimeDatabase>
#include <sys/stat.h>

#include "items/itemtexts.h"

namespace {

// "plain text document" reads as a type name once it starts in capitals.
QString Capitalised(QString text) {
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

QString CompleteSuffix(const QString& name) {
  // A leading dot belongs to the name, not to a suffix.
  const qsizetype dot = name.indexOf(QLatin1Char('.'), 1);
  return dot < 0 ? QString() : name.mid(dot + 1);
}

QString SpecialMimeName(uint32_t mode) {
  if (S_ISCHR(mode)) return QStringLiteral("inode/chardevice");
  if (S_ISBLK(mode)) return QStringLiteral("inode/blockdevice");
  if (S_ISSOCK(mode)) return QStringLiteral("inode/socket");
  if (S_ISFIFO(mode)) return QStringLiteral("inode/fifo");
  return {};
}

}  // namespace

FileTypes::FileTypes() {
  // Index 0: a plain file, the icon of an item whose details are pending.
  Icons.push_back({QStringLiteral("text-x-generic"), QStringLiteral("text-x-generic"), false});
}

const FileTypes::Type& FileTypes::Remember(const QString& key, const QString& typeText, IconNames icon) {
  const int index = IndexOfIcon(icon);
  return *Cache.insert(key, Type{typeText, index});
}

int FileTypes::IndexOfIcon(const IconNames& icon) {
  for (size_t i = 0; i < Icons.size(); ++i)
    if (Icons[i].Name == icon.Name && Icons[i].GenericName == icon.GenericName &&
        Icons[i].Folder == icon.Folder)
      return static_cast<int>(i);
  Icons.push_back(icon);
  return static_cast<int>(Icons.size() - 1);
}

const FileTypes::Type& FileTypes::ForFolder() {
  static const QString key = QStringLiteral("/folder");
  if (auto it = Cache.constFind(key); it != Cache.constEnd()) return *it;
  return Remember(key, ItemText::kFolderType,
                  {QStringLiteral("folder"), QStringLiteral("folder"), true});
}

const FileTypes::Type& FileTypes::ForPlace(PlaceKind kind) {
  const QString key = QStringLiteral("/place%1").arg(static_cast<int>(kind));
  if (auto it = Cache.constFind(key); it != Cache.constEnd()) return *it;
  switch (kind) {
    case PlaceKind::Home:
      return Remember(key, QStringLiteral("Home Folder"),
                      {QStringLiteral("user-home"), QStringLiteral("folder"), true});
    case PlaceKind::Removable:
      return Remember(key, QStringLiteral("Removable Disk"),
                      {QStringLiteral("drive-removable-media"), QStringLiteral("drive-harddisk"), true});
    case PlaceKind::Network:
      return Remember(key, QStringLiteral("Network Drive"),
                      {QStringLiteral("folder-remote"), QStringLiteral("folder"), true});
    case PlaceKind::FileSystem:
    case PlaceKind::Disk:
      break;
  }
  return Remember(key, QStringLiteral("Local Disk"),
                  {QStringLiteral("drive-harddisk"), QStringLiteral("drive-harddisk"), true});
}

const FileTypes::Type& FileTypes::ForMimeName(const QString& key, const QString& mimeName) {
  static const QMimeDatabase database;
  const QMimeType mime = database.mimeTypeForName(mimeName);
  return Remember(key, Capitalised(mime.comment()), {mime.iconName(), mime.genericIconName(), false});
}

const FileTypes::Type& FileTypes::ForFile(const QString& name, uint32_t mode) {
  const QString special = SpecialMimeName(mode);
  if (!special.isEmpty()) {
    const QString key = QLatin1Char('/') + special;
    if (auto it = Cache.constFind(key); it != Cache.constEnd()) return *it;
    return ForMimeName(key, special);
  }

  // Files with a suffix share a type by suffix; files without one are typed
  // by their whole name (Makefile, README) and, when unknown, by whether
  // they are executable.
  const QString suffix = CompleteSuffix(name).toLower();
  const bool executable = (mode & 0111) != 0;
  const QString key = suffix.isEmpty() ? QStringLiteral("=%1%2").arg(executable ? 'x' : '-').arg(name)
                                       : QStringLiteral(".") + suffix;
  if (auto it = Cache.constFind(key); it != Cache.constEnd()) return *it;

  static const QMimeDatabase database;
  QMimeType mime = database.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
  if (mime.isDefault() && suffix.isEmpty() && executable)
    mime = database.mimeTypeForName(QStringLiteral("application/x-executable"));
  return ForMatch(key, mime, CompleteSuffix(name).section(QLatin1Char('.'), -1));
}

const FileTypes::Type& FileTypes::ForExtension(const QString& extension) {
  // Keys of their own: a local file's type may come from its whole name.
  const QString key = QStringLiteral("*.") + extension.toLower();
  if (auto it = Cache.constFind(key); it != Cache.constEnd()) return *it;
  static const QMimeDatabase database;
  const QMimeType mime = extension.isEmpty()
                             ? database.mimeTypeForName(QStringLiteral("application/octet-stream"))
                             : database.mimeTypeForFile(QStringLiteral("x.") + extension,
                                                        QMimeDatabase::MatchExtension);
  return ForMatch(key, mime, extension);
}

const FileTypes::Type& FileTypes::ForMatch(const QString& key, const QMimeType& mime,
                                           const QString& extension) {
  if (mime.isDefault() || mime.comment().isEmpty()) {
    // The MIME database says "unknown"; a name like "DAT File" says more.
    const QString shown = extension.toUpper();
    return Remember(key, shown.isEmpty() ? QStringLiteral("File") : shown + QStringLiteral(" File"),
                    {mime.iconName(), mime.genericIconName(), false});
  }
  return Remember(key, Capitalised(mime.comment()), {mime.iconName(), mime.genericIconName(), false});
}
