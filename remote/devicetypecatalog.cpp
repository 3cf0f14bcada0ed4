#include "remote/devicetypecatalog.h"

namespace {

QString ExtensionOf(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot + 1);
}

}  // namespace

void DeviceTypeCatalog::FillDetails(PaneItem& item) {
  if (!item.DetailsPending) return;
  const FileTypes::Type& type =
      item.IsFolder() ? Types.ForFolder() : Types.ForExtension(ExtensionOf(item.Name));
  item.IconIndex = type.IconIndex;
  item.TypeText = type.TypeText;
  item.DetailsPending = false;
}

bool DeviceTypeCatalog::IsFolderAt(int index) const {
  return index >= 0 && index < EntryCount() && Types.IconAt(index).Folder;
}

QString DeviceTypeCatalog::IconNameAt(int index) const {
  return index >= 0 && index < EntryCount() ? Types.IconAt(index).Name : QString();
}

QString DeviceTypeCatalog::GenericIconNameAt(int index) const {
  return index >= 0 && index < EntryCount() ? Types.IconAt(index).GenericName : QString();
}
