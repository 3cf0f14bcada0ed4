#include "widgets/itemicons.h"

#include <QApplication>
#include <QStyle>

namespace ItemIcons {

QIcon For(const QString& name, const QString& genericName, bool folder) {
  QIcon icon;
  if (!name.isEmpty()) icon = QIcon::fromTheme(name);
  if (icon.isNull() && !genericName.isEmpty()) icon = QIcon::fromTheme(genericName);
  if (!icon.isNull()) return icon;
  QStyle::StandardPixmap fallback = QStyle::SP_FileIcon;
  if (name.startsWith(QLatin1String("drive-removable")))
    fallback = QStyle::SP_DriveFDIcon;
  else if (name.startsWith(QLatin1String("drive-")))
    fallback = QStyle::SP_DriveHDIcon;
  else if (name == QLatin1String("folder-remote"))
    fallback = QStyle::SP_DriveNetIcon;
  else if (folder)
    fallback = QStyle::SP_DirIcon;
  return QApplication::style()->standardIcon(fallback);
}

}  // namespace ItemIcons
