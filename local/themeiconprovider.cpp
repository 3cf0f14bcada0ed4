#include "local/themeiconprovider.h"

#include "widgets/itemicons.h"

QVariant ThemeIconProvider::Icon(const FileTypes::IconNames& names) {
  return ItemIcons::For(names.Name, names.GenericName, names.Folder);
}
