#include "remote/deviceicons.h"

#include "remote/devicetypecatalog.h"
#include "widgets/itemicons.h"

QIcon DeviceIcons::IconAt(int typeIndex) {
  const auto cached = Cache.constFind(typeIndex);
  if (cached != Cache.constEnd()) return *cached;
  const QIcon icon = ItemIcons::For(Catalog.IconNameAt(typeIndex),
                                    Catalog.GenericIconNameAt(typeIndex),
                                    Catalog.IsFolderAt(typeIndex));
  Cache.insert(typeIndex, icon);
  return icon;
}
