#include "deviceicons.h"

#include <QFileIconProvider>

#include "devicetypecatalog.h"

QIcon DeviceIcons::IconAt(int typeIndex) {
  const auto cached = Cache.constFind(typeIndex);
  if (cached != Cache.constEnd()) return *cached;
  static const QFileIconProvider provider;
  QIcon icon;
  if (Catalog.IsFolderAt(typeIndex)) {
    icon = provider.icon(QAbstractFileIconProvider::Folder);
  } else {
    const QString name = Catalog.IconNameAt(typeIndex);
    const QString generic = Catalog.GenericIconNameAt(typeIndex);
    if (!name.isEmpty()) icon = QIcon::fromTheme(name);
    if (icon.isNull() && !generic.isEmpty()) icon = QIcon::fromTheme(generic);
    if (icon.isNull()) icon = provider.icon(QAbstractFileIconProvider::File);
  }
  Cache.insert(typeIndex, icon);
  return icon;
}
