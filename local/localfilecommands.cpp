#include "local/localfilecommands.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>

#include "items/datesettings.h"
#include "local/localmessages.h"
#include "local/localnamespace.h"

namespace LocalFileCommands {

namespace {

QString ParentOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// rename() would silently replace an existing item of that name; ask the
// kernel not to. File systems without that flag get a check before the
// rename instead.
int RenameNoReplace(const QByteArray& from, const QByteArray& to) {
#ifdef RENAME_NOREPLACE
  if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
  struct stat st {};
  if (lstat(to.constData(), &st) == 0) return EEXIST;
  return rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

QString PermissionText(uint32_t mode) {
  QString text = S_ISDIR(mode) ? QStringLiteral("d") : QStringLiteral("-");
  const char* const letters = "rwxrwxrwx";
  for (int bit = 0; bit < 9; ++bit) text += (mode & (0400u >> bit)) ? QLatin1Char(letters[bit]) : QLatin1Char('-');
  return text + QStringLiteral(" (%1)").arg(mode & 07777, 4, 8, QLatin1Char('0'));
}

QString DateText(const QDateTime& when) {
  return when.isValid() ? DateSettings::FormatDateTime(when.toLocalTime()) : QStringLiteral("-");
}

}  // namespace

Result Rename(const QString& path, const QString& newName) {
  const QString name = newName.trimmed();
  if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
      name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
    return {false, LocalMessages::RenameInvalid(newName), {}};
  const QString target = ParentOf(path) + QLatin1Char('/') + name;
  if (target == path) return {true, {}, path};
  if (const int error = RenameNoReplace(QFile::encodeName(path), QFile::encodeName(target))) {
    if (error == EEXIST) return {false, LocalMessages::RenameExists(name), {}};
    return {false, LocalMessages::PathError(path, LocalNamespace::ErrorText(error)), {}};
  }
  return {true, {}, target};
}

Result MoveToTrash(const QString& path) {
  QFile file(path);
  if (file.moveToTrash()) return {true, {}, file.fileName()};
  return {false, file.errorString(), {}};
}

Result DeleteForever(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists() && !info.isSymLink())
    return {false, LocalMessages::PathError(path, LocalNamespace::ErrorText(ENOENT)), {}};
  // A link is removed as a link, never what it points to.
  if (info.isDir() && !info.isSymLink()) {
    if (QDir(path).removeRecursively()) return {true, {}, {}};
    return {false, LocalMessages::PathError(path, LocalMessages::kNotAllRemoved), {}};
  }
  QFile file(path);
  if (file.remove()) return {true, {}, {}};
  return {false, LocalMessages::PathError(path, file.errorString()), {}};
}

QString PropertiesText(const QString& path, const QString& typeText) {
  const QFileInfo info(path);
  struct stat st {};
  const bool known = stat(QFile::encodeName(path).constData(), &st) == 0;
  QStringList lines;
  lines << QStringLiteral("Name: %1").arg(info.fileName().isEmpty() ? path : info.fileName());
  lines << QStringLiteral("Path: %1").arg(path);
  lines << QStringLiteral("Type: %1").arg(typeText);
  if (info.isSymLink()) lines << QStringLiteral("Link to: %1").arg(info.symLinkTarget());
  if (known && S_ISREG(st.st_mode)) {
    const auto size = static_cast<int64_t>(st.st_size);
    lines << QStringLiteral("Size: %1 (%2 bytes)")
                 .arg(QLocale().formattedDataSize(size), QLocale().toString(static_cast<qlonglong>(size)));
  }
  lines << QStringLiteral("Modified: %1").arg(DateText(info.lastModified()));
  lines << QStringLiteral("Accessed: %1").arg(DateText(info.lastRead()));
  if (info.birthTime().isValid()) lines << QStringLiteral("Created: %1").arg(DateText(info.birthTime()));
  if (known) {
    lines << QStringLiteral("Permissions: %1").arg(PermissionText(st.st_mode));
    lines << QStringLiteral("Owner: %1, group: %2").arg(info.owner(), info.group());
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace LocalFileCommands
