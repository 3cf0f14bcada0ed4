#include "link/shell/devicepath.h"

namespace DevicePath {

QString Normalised(const QString& text) {
  QString path = text.trimmed();
  path.replace(QLatin1Char('/'), QLatin1Char('\\'));
  // "D:" is the only drive there is; a user may well type it.
  if (path.startsWith(QLatin1String("D:"), Qt::CaseInsensitive)) path.remove(0, 2);
  while (path.size() > 1 && path.endsWith(QLatin1Char('\\'))) path.chop(1);
  if (!path.startsWith(QLatin1Char('\\'))) path.prepend(QLatin1Char('\\'));
  return path;
}

QString OnDriveD(const QString& folder, const QString& name) {
  QString path = QStringLiteral("D:") + (folder.isEmpty() ? QStringLiteral("\\") : folder);
  if (!name.isEmpty()) {
    if (!path.endsWith(QLatin1Char('\\'))) path += QLatin1Char('\\');
    path += name;
  }
  return path;
}

}  // namespace DevicePath
