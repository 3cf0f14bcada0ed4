// Drive images as a hostile one may be: a small FAT12 volume built here
// (a label, a file of two clusters, a folder holding a file of three and a
// folder with an empty file) with the input laid over it. The input is a
// length byte pair (0: keep the whole volume; else the image is cut there)
// followed by patches of offset (two bytes), count and bytes, so every field
// of the boot sector, the FATs and the folders can be hit within the fuzz
// run's input size. Opening, walking, listing, reading every file, finding
// every path and comparing the volume with itself must end, without a
// finding; a file read must be exactly its size; the volume compared with
// itself must show no change (what it cannot read is no change).
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "image/fatvolume.h"
#include "image/imagediff.h"
#include "image/imageextract.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

constexpr int kSector = 512;
constexpr int kSectors = 128;
constexpr int kFat1 = 1, kFat2 = 2, kRoot = 3, kData = 5;  // sectors

void Put16(QByteArray& image, int at, int value) {
  image[at] = static_cast<char>(value & 0xFF);
  image[at + 1] = static_cast<char>(value >> 8);
}

void PutFat(QByteArray& image, int cluster, int value) {
  for (const int fat : {kFat1, kFat2}) {
    const int at = fat * kSector + cluster * 3 / 2;
    const int pair = static_cast<uint8_t>(image[at]) | static_cast<uint8_t>(image[at + 1]) << 8;
    Put16(image, at, cluster % 2 ? (pair & 0x000F) | (value << 4) : (pair & 0xF000) | value);
  }
}

void PutEntry(QByteArray& image, int at, const char* name11, int attributes, int cluster, int size) {
  for (int i = 0; i < 11; ++i) image[at + i] = name11[i];
  image[at + 11] = static_cast<char>(attributes);
  Put16(image, at + 22, 0x6000);  // 12:00
  Put16(image, at + 24, 0x5821);  // 2024-01-01
  Put16(image, at + 26, cluster);
  Put16(image, at + 28, size & 0xFFFF);
  Put16(image, at + 30, size >> 16);
}

int ClusterAt(int cluster) { return (kData + cluster - 2) * kSector; }

QByteArray BaseVolume() {
  QByteArray image(kSectors * kSector, '\0');
  image[0] = static_cast<char>(0xEB);
  image[1] = 0x3C;
  image[2] = static_cast<char>(0x90);
  Put16(image, 11, kSector);
  image[13] = 1;         // sectors per cluster
  Put16(image, 14, 1);   // reserved
  image[16] = 2;         // FATs
  Put16(image, 17, 32);  // root entries: 2 sectors
  Put16(image, 19, kSectors);
  image[21] = static_cast<char>(0xF8);
  Put16(image, 22, 1);  // sectors per FAT
  PutFat(image, 0, 0xFF8);
  PutFat(image, 1, 0xFFF);
  const int root = kRoot * kSector;
  PutEntry(image, root, "FUZZ-VOLUME", 0x08, 0, 0);
  PutEntry(image, root + 32, "A       TXT", 0x20, 2, 600);
  PutFat(image, 2, 3);
  PutFat(image, 3, 0xFFF);
  PutEntry(image, root + 64, "SUB        ", 0x10, 4, 0);
  PutFat(image, 4, 0xFFF);
  const int sub = ClusterAt(4);
  PutEntry(image, sub, ".          ", 0x10, 4, 0);
  PutEntry(image, sub + 32, "..         ", 0x10, 0, 0);
  PutEntry(image, sub + 64, "B       BIN", 0x20, 5, 1500);
  PutFat(image, 5, 6);
  PutFat(image, 6, 7);
  PutFat(image, 7, 0xFFF);
  PutEntry(image, sub + 96, "DEEP       ", 0x10, 8, 0);
  PutFat(image, 8, 0xFFF);
  PutEntry(image, ClusterAt(8), "C       DAT", 0x20, 0, 0);
  for (int at = ClusterAt(2); at < ClusterAt(4); ++at) image[at] = 'a';
  for (int at = ClusterAt(5); at < ClusterAt(8); ++at) image[at] = static_cast<char>(at);
  return image;
}

// Everything a reader of the volume does, with the properties above.
void Exercise(const FatVolume& volume) {
  FatVolume::Visitor visitor;
  visitor.Item = [&](const QString& path, const FatItem& item) {
    (void)ImageExtract::SafeName(item.Name);
    (void)volume.Find(path);
    if (!item.Folder) {
      const FatVolume::Contents contents = volume.Read(item);
      Require(!contents.Error.isEmpty() || contents.Bytes.size() == item.Size);
    }
    return true;
  };
  (void)volume.Walk(QStringLiteral("\\"), visitor);
  (void)volume.FreeBytes();
  const ImageDiff::Result self = ImageDiff::Compare(volume, volume);
  Require(self.Changes.empty());
  (void)ImageDiff::Lines(self);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const QByteArray base = [] {
    const QByteArray image = BaseVolume();
    const Expected<FatVolume> volume = FatVolume::Open(image);
    // The volume as built reads whole: five items, nothing damaged.
    Require(volume.has_value() && volume->Label() == QLatin1String("FUZZ-VOLUME"));
    Require(ImageDiff::Compare(*volume, *volume).Equal());
    return image;
  }();
  if (size < 2) return 0;
  QByteArray image = base;
  const int cut = data[0] << 8 | data[1];
  for (size_t at = 2; at + 3 <= size;) {
    const int offset = (data[at] << 8 | data[at + 1]) % image.size();
    const size_t count = data[at + 2];
    at += 3;
    for (size_t i = 0; i < count && at < size; ++i, ++at)
      if (offset + static_cast<int>(i) < image.size()) image[offset + static_cast<int>(i)] = static_cast<char>(data[at]);
  }
  if (cut != 0) image.truncate(cut % image.size());
  const Expected<FatVolume> volume = FatVolume::Open(image);
  Require(volume.has_value() || !volume.Error().isEmpty());
  if (volume) Exercise(*volume);
  return 0;
}
