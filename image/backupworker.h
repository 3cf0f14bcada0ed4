#pragma once
// BackupWorker: the backup worker. Starts the controller's KEEPERRD helper
// and stores the 1 MiB drive image it sends, 8 bytes per checksummed frame.
//
// Principles of operation
// - The exchange: the helper sends a 10-byte frame (8 bytes + CRC); the
//   worker answers "111" when the CRC holds and "666" (after 500 ms) when it
//   does not, and the helper sends that block again. The third checksum
//   error of a run ends it. Block 0 is retried like any other.
// - The image goes to a temporary file beside ImagePath, written in 32 KiB
//   chunks. Only when all 131072 blocks are in and flushed to disk does it
//   replace ImagePath; a run that fails, stalls or is stopped removes it. An
//   existing image file is never touched by a run that does not complete.
//   The image file is the owner's alone (0600): it holds the controller's
//   account file with its passwords.
// - A symbolic link in ImagePath's place that belongs to another user is
//   refused (TargetUsable): in a shared folder it could point at any file
//   the operator may write. The linked file is not touched.
// - The frames carry no block number. After the last block the worker reads
//   on: a good frame there means a damaged "111" made the helper send a
//   block twice and the image is shifted; the run fails and the old image
//   stays. Such frames are answered "111" so that the helper ends.
// - The command line is shown on Console through the main thread; nothing
//   else of the exchange is.
// - Fields, threads and the run's end as ImageWorker says.

#include <QByteArray>
#include <memory>

#include "image/imageworker.h"

class QSaveFile;
class TaloConsole;

class BackupWorker : public ImageWorker {
 public:
  static constexpr uint32_t kBlockSize = 8;
  static constexpr uint32_t kBlockCount = 131072;  // 8 x 131072 = 1 MiB
  static constexpr uint32_t kChunkSize = 32768;
  static constexpr int kMaxChecksumErrors = 2;
  static constexpr int kResendDelayMs = 500;
  static constexpr char kCommandLine[] = "D:\\KEEPERRD 2 3 4 5\r";
  static constexpr size_t kFrameBytes = kBlockSize + 2;
  static constexpr int64_t kImageBytes = int64_t{kBlockSize} * kBlockCount;
  // Extra frames taken after the last block before the rest is drained.
  static constexpr int kMaxExtraFrames = 8;

  BackupWorker();
  ~BackupWorker() override;

  // Set by the owner before the job starts; not owned. Null: nothing is
  // shown.
  TaloConsole* Console = nullptr;

  // False when path is a symbolic link that belongs to another user.
  static bool TargetUsable(const QString& path);
  // Why an image cannot be written at path, or empty when it can: its
  // folder must exist, take a new file and have room for 1 MiB beside
  // whatever the file replaces (the new image is complete before the old
  // one goes). Looked at before the helper starts: a backup that fails on
  // its file part-way leaves the helper running on the controller.
  static QString TargetProblem(const QString& path);

  // Adds one chunk to the image: the first creates the temporary file.
  [[nodiscard]] bool WriteChunk(const uint8_t* chunk);

 protected:
  void Execute() override;

 private:
  [[nodiscard]] bool SendCommand(TaloComPort& port, bool& entered);
  [[nodiscard]] bool ReceiveBlocks(TaloComPort& port);
  [[nodiscard]] bool StoreBlock(const uint8_t* payload);
  // After the last block: true when the helper still sent a good frame.
  [[nodiscard]] bool HelperHadMoreBlocks(TaloComPort& port);
  // Flushes the temporary file to disk and puts it in ImagePath's place.
  [[nodiscard]] bool CommitImage();

  bool FirstWrite = true;
  QByteArray Chunk;
  std::unique_ptr<QSaveFile> Image;
};
