#pragma once
// FatVolume: the FAT12 or FAT16 file system of a drive image, read only -
// for image ls, get and diff, the image pane and the copy of files back
// from a controller.
//
// Principles of operation
// - The image is held in memory as given and never changed. Open() reads
//   the boot sector's figures and checks them against each other and
//   against the image's length before anything else is read: sector and
//   cluster sizes are powers of two in DOS's ranges, the FATs and the root
//   folder lie inside the image, the FAT holds an entry for every cluster.
//   An image that fails holds no FAT file system as far as this reader
//   goes: it can be restored, not browsed (NotFat).
// - Nothing read from the image is trusted afterwards either. A cluster
//   number is checked against the volume's range before it is looked up, a
//   chain that comes back to a cluster it passed runs in a loop, a cluster
//   whose bytes lie past the image's end cannot be read, and a file whose
//   chain ends before its size is damaged: Read() then fails rather than
//   hand out part of the file. No allocation is sized by a field of the
//   image beyond the image's own length.
// - Names are the 8.3 bytes as stored (Latin-1), whatever they hold: a
//   hostile image may put control bytes, "/", or "." into them. Who prints
//   them escapes them; who writes them to the PC checks them first
//   (ImageExtract).
// - Long-name entries, deleted entries, "." and ".." are passed over; the
//   volume label entry gives Label(). Hidden and system files are listed.
// - Errors come back as texts beside the result; nothing is thrown. Any
//   thread; a const volume may be read from several at once.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "link/expected.h"

// One entry of a folder of the volume.
struct FatItem {
  QString Name;  // "NAME.EXT" or "NAME", the stored bytes as Latin-1
  bool Folder = false;
  uint32_t Size = 0;  // 0 for a folder
  uint8_t Attributes = 0;
  uint16_t DosDate = 0;
  uint16_t DosTime = 0;
  uint32_t FirstCluster = 0;

  // The stamp as a local time; invalid when it holds no real date and time.
  QDateTime Modified() const;
};

class FatVolume {
 public:
  enum class Type { Fat12, Fat16 };

  // The volume in image, or why there is none (NotFat for what holds no FAT
  // file system).
  static Expected<FatVolume> Open(const QByteArray& image);
  // The image file read whole first (a read failure says so; a file past
  // kMaxImageBytes is refused unread).
  static constexpr int64_t kMaxImageBytes = 256 * 1024 * 1024;
  static Expected<FatVolume> OpenFile(const QString& path);

  Type FileSystem() const { return Kind; }
  QString Label() const { return VolumeLabel; }
  uint32_t ClusterBytes() const { return BytesPerCluster; }
  uint32_t ClusterCount() const { return Clusters; }
  int64_t FreeBytes() const;
  int64_t TotalBytes() const { return int64_t{Clusters} * BytesPerCluster; }

  // The items of the folder at path ("\" for the root, "\DATA\LOG" or
  // "DATA/LOG"; names in any case), in the order stored.
  struct Listing {
    std::vector<FatItem> Items;
    QString Error;  // empty when the folder was read whole
  };
  Listing List(const QString& folderPath) const;
  Listing ListFolder(const FatItem& folder) const;
  Listing ListRoot() const;

  // The item at path, or why the path leads nowhere. The root itself is a
  // folder item named "\" with FirstCluster 0.
  Expected<FatItem> Find(const QString& path) const;

  // A file's bytes, exactly Size of them, or the reason it cannot give them.
  struct Contents {
    QByteArray Bytes;
    QString Error;
  };
  Contents Read(const FatItem& file) const;

  // Every item below folderPath, depth first, folders before their
  // contents, each with its path from the volume's root ("\DATA\LOG"). A
  // folder that cannot be read, lies deeper than kMaxDepth or is met twice
  // (a loop in the tree) goes to the visitor's error with its path and is
  // not entered, nor is one the visitor's Enter (when set) turns down.
  // False when the visitor stopped the walk.
  static constexpr int kMaxDepth = 32;
  struct Visitor {
    std::function<bool(const QString& path, const FatItem& item)> Item;
    std::function<void(const QString& path, const QString& error)> Error;
    std::function<bool(const QString& path, const FatItem& folder)> Enter;
  };
  bool Walk(const QString& folderPath, const Visitor& visitor) const;

  // "\" + names joined by "\"; the names of a path text.
  static QStringList PathNames(const QString& path);
  static QString JoinPath(const QString& folder, const QString& name);

 private:
  FatVolume() = default;
  // The FAT's entry for cluster; 0 when outside the FAT.
  uint32_t Next(uint32_t cluster) const;
  bool IsEndOfChain(uint32_t value) const;
  // The clusters of a chain, at most limit of them; the error when the
  // chain leaves the volume, meets a free or bad cluster, or loops.
  std::vector<uint32_t> Chain(uint32_t first, uint32_t limit, bool toTheEnd, QString& error) const;
  // The bytes of the clusters, or an error for one past the image's end.
  QByteArray ClusterBytesOf(const std::vector<uint32_t>& clusters, QString& error) const;
  static Listing ParseEntries(const QByteArray& bytes);
  bool WalkFolder(const QString& path, const FatItem& folder, int depth, std::vector<bool>& seen,
                  const Visitor& visitor) const;

  QByteArray Image;
  Type Kind = Type::Fat12;
  uint32_t BytesPerSector = 512;
  uint32_t BytesPerCluster = 512;
  int64_t FatOffset = 0;
  int64_t FatBytes = 0;
  int64_t RootOffset = 0;
  uint32_t RootEntries = 0;
  int64_t DataOffset = 0;
  uint32_t Clusters = 0;
  QString VolumeLabel;
};
