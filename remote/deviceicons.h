#pragma once
// DeviceIcons: the icon of each device item type, from the desktop's icon
// theme by MIME icon name, else the platform's generic folder or file icon,
// so that no item is drawn without one. Cached per type entry of the
// DeviceTypeCatalog. Main thread only.

#include <QHash>
#include <QIcon>

class DeviceTypeCatalog;

class DeviceIcons {
 public:
  explicit DeviceIcons(const DeviceTypeCatalog& catalog) : Catalog(catalog) {}
  QIcon IconAt(int typeIndex);

 private:
  const DeviceTypeCatalog& Catalog;
  QHash<int, QIcon> Cache;
};
