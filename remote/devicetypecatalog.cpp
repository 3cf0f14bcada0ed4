#include "devicetypecatalog.h"

#include <QMimeDatabase>

#include "devicetexts.h"

namespace {

// Hash key of a folder; file keys are "." + the lower-case extension, which
// never collides with it.
const QString kFolderKey = QStringLiteral("/");

QString ExtensionOf(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot + 1);
}

// MIME comments come in lower case on some desktops ("folder"); a type
// column reads better capitalised.
QString Capitalised(QString text) {
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

}  // namespace

void DeviceTypeCatalog::FillDetails(PShellItem& item) {
  if (!item.DetailsPending) return;
  item.IconIndex = EntryFor(item);
  item.TypeText = Entries[item.IconIndex].TypeText;
  item.DetailsPending = false;
}

bool DeviceTypeCatalog::IsFolderAt(int index) const {
  return index >= 0 && index < EntryCount() && Entries[index].Folder;
}

QString DeviceTypeCatalog::IconNameAt(int index) const {
  return index >= 0 && index < EntryCount() ? Entries[index].IconName : QString();
}

QString DeviceTypeCatalog::GenericIconNameAt(int index) const {
  return index >= 0 && index < EntryCount() ? Entries[index].GenericIconName : QString();
}

int DeviceTypeCatalog::EntryFor(const PShellItem& item) {
  const QString key =
      item.IsFolder() ? kFolderKey : QLatin1Char('.') + ExtensionOf(item.Name).toLower();
  const auto found = IndexByKey.constFind(key);
  if (found != IndexByKey.constEnd()) return *found;
  Entries.push_back(item.IsFolder() ? LookUpFolder() : LookUpFile(ExtensionOf(item.Name)));
  const int index = EntryCount() - 1;
  IndexByKey.insert(key, index);
  return index;
}

DeviceTypeCatalog::Entry DeviceTypeCatalog::LookUpFolder() {
  Entry entry;
  entry.Folder = true;
  entry.TypeText = DeviceText::FolderType();
  entry.IconName = QStringLiteral("folder");
  entry.GenericIconName = QStringLiteral("folder");
  return entry;
}

DeviceTypeCatalog::Entry DeviceTypeCatalog::LookUpFile(const QString& extension) {
  Entry entry;
  static const QMimeDatabase database;
  const QMimeType mime = extension.isEmpty()
                             ? QMimeType()
                             : database.mimeTypeForFile(QStringLiteral("x.") + extension,
                                                        QMimeDatabase::MatchExtension);
  if (mime.isValid() && !mime.isDefault() && !mime.comment().isEmpty()) {
    entry.TypeText = Capitalised(mime.comment());
    entry.IconName = mime.iconName();
    entry.GenericIconName = mime.genericIconName();
  } else {
    entry.TypeText = extension.isEmpty() ? QStringLiteral("File")
                                         : extension.toUpper() + QStringLiteral(" File");
    entry.GenericIconName = QStringLiteral("text-x-generic");
  }
  return entry;
}
