#include "themeiconprovider.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>

QVariant ThemeIconProvider::Icon(const FileTypes::IconNames& names) {
  QIcon icon = QIcon::fromTheme(names.Name);
  if (icon.isNull() && !names.GenericName.isEmpty()) icon = QIcon::fromTheme(names.GenericName);
  if (icon.isNull()) {
    QStyle::StandardPixmap fallback = QStyle::SP_FileIcon;
    if (names.Name.startsWith(QLatin1String("drive-removable")))
      fallback = QStyle::SP_DriveFDIcon;
    else if (names.Name.startsWith(QLatin1String("drive-")))
      fallback = QStyle::SP_DriveHDIcon;
    else if (names.Name == QLatin1String("folder-remote"))
      fallback = QStyle::SP_DriveNetIcon;
    else if (names.Folder)
      fallback = QStyle::SP_DirIcon;
    icon = QApplication::style()->standardIcon(fallback);
  }
  return icon;
}
