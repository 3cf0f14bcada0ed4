#include "image/fatvolume.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>

#include "image/imagetext.h"

namespace {

constexpr int kEntryBytes = 32;
constexpr uint8_t kAttrVolume = 0x08;
constexpr uint8_t kAttrFolder = 0x10;
constexpr uint8_t kAttrLongName = 0x0F;
constexpr uint8_t kDeleted = 0xE5;
constexpr uint32_t kFat12Limit = 4085;   // clusters below: FAT12
constexpr uint32_t kFat16Limit = 65525;  // ... below: FAT16; FAT32 above

uint32_t Byte(const QByteArray& bytes, int64_t at) { return static_cast<uint8_t>(bytes[static_cast<qsizetype>(at)]); }
uint32_t Word(const QByteArray& bytes, int64_t at) { return Byte(bytes, at) | Byte(bytes, at + 1) << 8; }
uint32_t Long(const QByteArray& bytes, int64_t at) { return Word(bytes, at) | Word(bytes, at + 2) << 16; }

bool PowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

QString Padded(const QByteArray& bytes, int64_t at, int width) {
  QByteArray field = bytes.mid(at, width);
  while (field.endsWith(' ')) field.chop(1);
  return QString::fromLatin1(field);
}

QString Text(const char* text) { return QString::fromLatin1(text); }

// The root's volume entry, when it has one.
QString RootLabel(const QByteArray& root) {
  for (int64_t at = 0; at + kEntryBytes <= root.size(); at += kEntryBytes) {
    const uint32_t first = Byte(root, at);
    const uint32_t attributes = Byte(root, at + 11);
    if (first == 0) break;
    if (first != kDeleted && attributes != kAttrLongName && (attributes & kAttrVolume))
      return Padded(root, at, 11);
  }
  return {};
}

}  // namespace

QDateTime FatItem::Modified() const {
  const QDate date(1980 + (DosDate >> 9), (DosDate >> 5) & 0x0F, DosDate & 0x1F);
  const QTime time(DosTime >> 11, (DosTime >> 5) & 0x3F, (DosTime & 0x1F) * 2);
  if (!date.isValid() || !time.isValid()) return {};
  return QDateTime(date, time);
}

Expected<FatVolume> FatVolume::OpenFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return Unexpected{ImageText::CannotReadImage(path, file.errorString())};
  }
  // The whole image is held in memory: a file far larger than any drive
  // this utility meets is refused before it is read.
  if (file.size() > kMaxImageBytes) {
    return Unexpected{ImageText::ImageTooLarge(path, file.size())};
  }
  const QByteArray image = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    return Unexpected{ImageText::CannotReadImage(path, file.errorString())};
  }
  return Open(image);
}

Expected<FatVolume> FatVolume::Open(const QByteArray& image) {
  const Unexpected notFat{Text(ImageText::kNotFat)};
  const int64_t size = image.size();
  if (size < 512) return notFat;
  // 1. The boot sector's figures, each in the range DOS gives it.
  const uint32_t jump = Byte(image, 0);
  const uint32_t sectorBytes = Word(image, 11);
  const uint32_t sectorsPerCluster = Byte(image, 13);
  const uint32_t reserved = Word(image, 14);
  const uint32_t fats = Byte(image, 16);
  const uint32_t rootEntries = Word(image, 17);
  const uint32_t total = Word(image, 19) != 0 ? Word(image, 19) : Long(image, 32);
  const uint32_t media = Byte(image, 21);
  const uint32_t sectorsPerFat = Word(image, 22);
  if ((jump != 0xEB && jump != 0xE9) || sectorBytes < 512 || sectorBytes > 4096 ||
      !PowerOfTwo(sectorBytes) || !PowerOfTwo(sectorsPerCluster) || reserved == 0 || fats == 0 ||
      rootEntries == 0 || sectorsPerFat == 0 || media < 0xF0)
    return notFat;
  // 2. The areas they make, each checked against the next.
  const int64_t rootSectors = (int64_t{rootEntries} * kEntryBytes + sectorBytes - 1) / sectorBytes;
  const int64_t firstData = int64_t{reserved} + int64_t{fats} * sectorsPerFat + rootSectors;
  if (total <= firstData) return notFat;
  const int64_t clusters = (total - firstData) / sectorsPerCluster;
  if (clusters == 0 || clusters >= kFat16Limit) return notFat;
  FatVolume volume;
  volume.Kind = clusters < kFat12Limit ? Type::Fat12 : Type::Fat16;
  const int64_t entriesBytes = volume.Kind == Type::Fat12 ? ((clusters + 2) * 3 + 1) / 2 : (clusters + 2) * 2;
  if (int64_t{sectorsPerFat} * sectorBytes < entriesBytes) return notFat;
  volume.Image = image;
  volume.BytesPerSector = sectorBytes;
  volume.BytesPerCluster = sectorBytes * sectorsPerCluster;
  volume.Clusters = static_cast<uint32_t>(clusters);
  volume.FatOffset = int64_t{reserved} * sectorBytes;
  volume.FatBytes = entriesBytes;
  volume.RootOffset = (int64_t{reserved} + int64_t{fats} * sectorsPerFat) * sectorBytes;
  volume.RootEntries = rootEntries;
  volume.DataOffset = firstData * sectorBytes;
  // 3. The tables must be there to read anything at all; data clusters past
  // the end are told about as they are read.
  if (volume.RootOffset + int64_t{rootEntries} * kEntryBytes > size) {
    return Unexpected{
        ImageText::ImageEndsEarly(size, volume.RootOffset + int64_t{rootEntries} * kEntryBytes)};
  }
  volume.VolumeLabel = RootLabel(image.mid(volume.RootOffset, int64_t{rootEntries} * kEntryBytes));
  if (volume.VolumeLabel.isEmpty() && Byte(image, 38) == 0x29) {
    const QString label = Padded(image, 43, 11);
    if (label != QLatin1String("NO NAME")) volume.VolumeLabel = label;
  }
  return volume;
}

int64_t FatVolume::FreeBytes() const {
  int64_t free = 0;
  for (uint32_t c = 2; c < Clusters + 2; ++c)
    if (Next(c) == 0) ++free;
  return free * BytesPerCluster;
}

uint32_t FatVolume::Next(uint32_t cluster) const {
  if (Kind == Type::Fat12) {
    const int64_t at = int64_t{cluster} * 3 / 2;
    if (at + 1 >= FatBytes) return 0;
    const uint32_t pair = Word(Image, FatOffset + at);
    return cluster % 2 ? pair >> 4 : pair & 0xFFF;
  }
  const int64_t at = int64_t{cluster} * 2;
  return at + 1 < FatBytes ? Word(Image, FatOffset + at) : 0;
}

bool FatVolume::IsEndOfChain(uint32_t value) const {
  return value >= (Kind == Type::Fat12 ? 0xFF8u : 0xFFF8u);
}

std::vector<uint32_t> FatVolume::Chain(uint32_t first, uint32_t limit, bool toTheEnd,
                                       QString& error) const {
  const uint32_t bad = Kind == Type::Fat12 ? 0xFF7 : 0xFFF7;
  std::vector<uint32_t> clusters;
  // A chain that comes back to a cluster it has passed runs in a loop.
  std::vector<bool> passed(size_t{Clusters} + 2, false);
  for (uint32_t c = first;;) {
    if (c < 2 || c >= Clusters + 2) {
      error = ImageText::ClusterOutside(c);
      return {};
    }
    if (passed[c]) {
      error = Text(ImageText::kChainLoops);
      return {};
    }
    passed[c] = true;
    clusters.push_back(c);
    if (!toTheEnd && clusters.size() >= limit) return clusters;
    const uint32_t next = Next(c);
    if (IsEndOfChain(next)) return clusters;
    if (next == bad || next == 0) {
      error = Text(next == bad ? ImageText::kChainBadCluster : ImageText::kChainFreeCluster);
      return {};
    }
    c = next;
  }
}

QByteArray FatVolume::ClusterBytesOf(const std::vector<uint32_t>& clusters, QString& error) const {
  QByteArray bytes;
  bytes.reserve(static_cast<qsizetype>(std::min<int64_t>(
      int64_t{BytesPerCluster} * static_cast<int64_t>(clusters.size()), Image.size())));
  for (const uint32_t c : clusters) {
    const int64_t at = DataOffset + int64_t{c - 2} * BytesPerCluster;
    if (at + BytesPerCluster > Image.size()) {
      error = ImageText::ClusterPastEnd(c);
      return {};
    }
    bytes.append(Image.constData() + at, BytesPerCluster);
  }
  return bytes;
}

FatVolume::Listing FatVolume::ParseEntries(const QByteArray& bytes) {
  Listing listing;
  for (int64_t at = 0; at + kEntryBytes <= bytes.size(); at += kEntryBytes) {
    const uint32_t first = Byte(bytes, at);
    const uint32_t attributes = Byte(bytes, at + 11);
    if (first == 0) break;  // no entry has been used past this one
    if (first == kDeleted || attributes == kAttrLongName) continue;
    if (attributes & kAttrVolume) continue;
    FatItem item;
    QByteArray base = bytes.mid(at, 8);
    if (first == 0x05) base[0] = static_cast<char>(kDeleted);  // a name that starts with E5
    while (base.endsWith(' ')) base.chop(1);
    item.Name = QString::fromLatin1(base);
    if (item.Name == QLatin1String(".") || item.Name == QLatin1String("..")) continue;
    const QString extension = Padded(bytes, at + 8, 3);
    if (!extension.isEmpty()) item.Name += QLatin1Char('.') + extension;
    item.Attributes = static_cast<uint8_t>(attributes);
    item.Folder = (attributes & kAttrFolder) != 0;
    item.DosTime = static_cast<uint16_t>(Word(bytes, at + 22));
    item.DosDate = static_cast<uint16_t>(Word(bytes, at + 24));
    item.FirstCluster = Word(bytes, at + 26);
    item.Size = item.Folder ? 0 : Long(bytes, at + 28);
    listing.Items.push_back(item);
  }
  return listing;
}

FatVolume::Listing FatVolume::ListRoot() const {
  return ParseEntries(Image.mid(RootOffset, int64_t{RootEntries} * kEntryBytes));
}

FatVolume::Listing FatVolume::ListFolder(const FatItem& folder) const {
  // Cluster 0 is where ".." of a first-level folder points: the root.
  if (folder.FirstCluster == 0) return ListRoot();
  QString error;
  const std::vector<uint32_t> clusters = Chain(folder.FirstCluster, 0, true, error);
  const QByteArray bytes = error.isEmpty() ? ClusterBytesOf(clusters, error) : QByteArray();
  if (!error.isEmpty()) return {{}, error};
  return ParseEntries(bytes);
}

FatVolume::Listing FatVolume::List(const QString& folderPath) const {
  const Expected<FatItem> folder = Find(folderPath);
  if (!folder) return {{}, folder.Error()};
  if (!folder->Folder) return {{}, ImageText::NotAFolder(folderPath)};
  return ListFolder(*folder);
}

Expected<FatItem> FatVolume::Find(const QString& path) const {
  FatItem item;
  item.Name = QStringLiteral("\\");
  item.Folder = true;
  QString walked = QStringLiteral("\\");
  for (const QString& name : PathNames(path)) {
    if (!item.Folder) {
      return Unexpected{ImageText::NotAFolder(walked)};
    }
    const Listing listing = ListFolder(item);
    if (!listing.Error.isEmpty()) {
      return Unexpected{walked + QStringLiteral(": ") + listing.Error};
    }
    const auto found = std::find_if(listing.Items.begin(), listing.Items.end(), [&](const FatItem& entry) {
      return entry.Name.compare(name, Qt::CaseInsensitive) == 0;
    });
    walked = JoinPath(walked, name);
    if (found == listing.Items.end()) {
      return Unexpected{ImageText::NotInImage(walked)};
    }
    item = *found;
  }
  return item;
}

FatVolume::Contents FatVolume::Read(const FatItem& file) const {
  if (file.Folder) return {{}, ImageText::NotAFile(file.Name)};
  if (file.Size == 0) return {};
  const auto failed = [&file](const QString& why) {
    return Contents{{}, file.Name + QStringLiteral(": ") + why};
  };
  // The size is checked against the volume before a byte is gathered for it.
  const int64_t needed = (int64_t{file.Size} + BytesPerCluster - 1) / BytesPerCluster;
  if (needed > Clusters) return failed(ImageText::SizePastVolume(file.Size, TotalBytes()));
  QString error;
  const std::vector<uint32_t> clusters = Chain(file.FirstCluster, static_cast<uint32_t>(needed), false, error);
  if (!error.isEmpty()) return failed(error);
  if (static_cast<int64_t>(clusters.size()) < needed)
    return failed(ImageText::ChainEndsEarly(int64_t{BytesPerCluster} * static_cast<int64_t>(clusters.size()),
                                            file.Size));
  QByteArray bytes = ClusterBytesOf(clusters, error);
  if (!error.isEmpty()) return failed(error);
  bytes.truncate(file.Size);
  return {bytes, {}};
}

bool FatVolume::Walk(const QString& folderPath, const Visitor& visitor) const {
  const Expected<FatItem> folder = Find(folderPath);
  if (!folder || !folder->Folder) {
    if (visitor.Error)
      visitor.Error(folderPath, folder ? ImageText::NotAFolder(folderPath) : folder.Error());
    return true;
  }
  // Folders met, by first cluster (the root's is 0).
  std::vector<bool> seen(size_t{Clusters} + 2, false);
  const QStringList names = PathNames(folderPath);
  const QString path = names.isEmpty() ? QStringLiteral("\\") : QLatin1Char('\\') + names.join(QLatin1Char('\\'));
  return WalkFolder(path, *folder, 0, seen, visitor);
}

bool FatVolume::WalkFolder(const QString& path, const FatItem& folder, int depth, std::vector<bool>& seen,
                           const Visitor& visitor) const {
  const auto fail = [&](const QString& why) {
    if (visitor.Error) visitor.Error(path, why);
    return true;
  };
  if (depth > kMaxDepth) return fail(Text(ImageText::kFolderTooDeep));
  // A folder entry's cluster outside the volume is told by its listing.
  if (folder.FirstCluster < seen.size()) {
    if (seen[folder.FirstCluster]) return fail(Text(ImageText::kFolderLoop));
    seen[folder.FirstCluster] = true;
  }
  const Listing listing = ListFolder(folder);
  if (!listing.Error.isEmpty()) return fail(listing.Error);
  for (const FatItem& item : listing.Items) {
    const QString itemPath = JoinPath(path, item.Name);
    if (visitor.Item && !visitor.Item(itemPath, item)) return false;
    if (item.Folder && (!visitor.Enter || visitor.Enter(itemPath, item)) &&
        !WalkFolder(itemPath, item, depth + 1, seen, visitor))
      return false;
  }
  return true;
}

QStringList FatVolume::PathNames(const QString& path) {
  static const QRegularExpression separators(QStringLiteral("[\\\\/]"));
  return path.split(separators, Qt::SkipEmptyParts);
}

QString FatVolume::JoinPath(const QString& folder, const QString& name) {
  return folder.endsWith(QLatin1Char('\\')) ? folder + name : folder + QLatin1Char('\\') + name;
}
