#pragma once
// DeviceIcons: the icon of each device item type, drawn as the local pane
// draws the same type (ItemIcons). Cached per type entry of the
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
