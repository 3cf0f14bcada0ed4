#include "image/imagelisting.h"

#include <algorithm>

#include "items/datesettings.h"
#include "items/panestatus.h"
#include "remote/devicebrowser.h"
#include "remote/devicelisting.h"
#include "remote/devicetypecatalog.h"

namespace ImageListing {

PaneItem ShellItem(const FatItem& item, DeviceTypeCatalog& catalog) {
  PaneItem shell;
  shell.Name = item.Name;
  shell.Folder = item.Folder;
  if (item.Folder) shell.RelativeId = DeviceListing::FolderMarker();
  shell.SizeBytes = item.Size;
  shell.SizeKB = PaneItem::RoundUpKB(item.Size);
  shell.ModifiedAt = item.Modified();
  shell.ModifiedText = DateSettings::ListingFormat().Format(shell.ModifiedAt);
  catalog.FillDetails(shell);
  return shell;
}

void Sort(std::vector<FatItem>& items) {
  const auto byName = [](const FatItem& a, const FatItem& b) {
    PaneItem left, right;
    left.Folder = a.Folder;
    left.Name = a.Name;
    right.Folder = b.Folder;
    right.Name = b.Name;
    return DeviceBrowser::CompareDeviceItems(left, right, DeviceBrowser::kSortName) < 0;
  };
  std::stable_sort(items.begin(), items.end(), byName);
}

QString FreeCaption(int64_t bytes) {
  QString digits = QString::number(bytes);
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(','));
  return QStringLiteral("(%1 bytes free)").arg(digits);
}

QString SizeStatus(const std::vector<FatItem>& items, const FatVolume& volume) {
  int64_t total = 0;
  for (const FatItem& item : items) total += item.Size;
  return PaneStatus::TotalSize(total) + FreeCaption(volume.FreeBytes());
}

QStringList Lines(const std::vector<FatItem>& sorted, const FatVolume& volume) {
  DeviceTypeCatalog catalog;
  QStringList lines;
  const QChar tab(QLatin1Char('\t'));
  for (const FatItem& item : sorted) {
    const PaneItem shell = ShellItem(item, catalog);
    const QString size = item.Folder ? QString() : QString::number(item.Size);
    const QString type = item.Folder ? QStringLiteral("<DIR>") : shell.TypeText;
    lines.append(item.Name + tab + size + tab + type + tab + shell.ModifiedText);
  }
  lines.append(PaneStatus::ObjectCount(static_cast<qsizetype>(sorted.size())));
  lines.append(SizeStatus(sorted, volume));
  return lines;
}

}  // namespace ImageListing

namespace ImageListing {

QString Properties(const FatVolume& volume, const QString& path, const FatItem& item) {
  QStringList lines;
  lines << QStringLiteral("Name: %1").arg(item.Folder && item.FirstCluster == 0 ? path : item.Name);
  lines << QStringLiteral("Location: %1").arg(path);
  const QString modified = DateSettings::ListingFormat().Format(item.Modified());
  if (!modified.isEmpty()) lines << QStringLiteral("Modified: %1").arg(modified);
  QStringList attributes;
  const std::pair<uint8_t, const char*> kinds[] = {
      {0x01, "read-only"}, {0x02, "hidden"}, {0x04, "system"}, {0x20, "archive"}};
  for (const auto& [bit, word] : kinds)
    if (item.Attributes & bit) attributes << QLatin1String(word);
  if (!attributes.isEmpty()) lines << QStringLiteral("Attributes: %1").arg(attributes.join(QStringLiteral(", ")));
  if (!item.Folder) {
    lines << QStringLiteral("Size: %1 byte(s), %2 cluster(s)")
                 .arg(item.Size)
                 .arg((int64_t{item.Size} + volume.ClusterBytes() - 1) / volume.ClusterBytes());
    return lines.join(QLatin1Char('\n'));
  }
  int64_t files = 0, folders = 0, bytes = 0;
  QStringList problems;
  FatVolume::Visitor visitor;
  visitor.Item = [&](const QString&, const FatItem& below) {
    if (below.Folder) {
      ++folders;
    } else {
      ++files;
      bytes += below.Size;
    }
    return true;
  };
  visitor.Error = [&](const QString& where, const QString& why) { problems << where + QStringLiteral(": ") + why; };
  (void)volume.Walk(path, visitor);
  lines << QStringLiteral("Contains: %1 file(s), %2 folder(s), %3 byte(s)").arg(files).arg(folders).arg(bytes);
  for (const QString& problem : problems) lines << QStringLiteral("Unreadable: %1").arg(problem);
  return lines.join(QLatin1Char('\n'));
}

}  // namespace ImageListing
