#include "image/backupworker.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <array>
#include <chrono>
#include <thread>

#include "image/imageframe.h"
#include "image/imagetext.h"
#include "link/foreignlink.h"
#include "link/jobs/jobrunner.h"
#include "link/port/talocomport.h"
#include "link/shell/deviceshell.h"
#include "link/silentdialogs.h"

BackupWorker::BackupWorker() { Chunk.reserve(kChunkSize); }

BackupWorker::~BackupWorker() = default;

bool BackupWorker::TargetUsable(const QString& path) { return !ForeignLink::IsForeignLink(path); }

QString BackupWorker::TargetProblem(const QString& path) {
  const QFileInfo file(path);
  const QString folder = file.absolutePath();
  const QFileInfo folderInfo(folder);
  if (!folderInfo.isDir()) return ImageText::NoSuchFolder(folder);
  // Only a file made there tells: permissions say nothing to root, nor of a
  // read-only mount.
  QTemporaryFile probe(folder + QStringLiteral("/.talo7100-XXXXXX"));
  if (!probe.open()) return ImageText::FolderNotWritable(folder, probe.errorString());
  probe.close();
  const QStorageInfo storage(folder);
  const qint64 freeBytes = storage.bytesAvailable();
  if (storage.isValid() && freeBytes >= 0 && freeBytes < kImageBytes)
    return ImageText::FolderFull(folder, freeBytes);
  return {};
}

void BackupWorker::Execute() {
  // 1.
  FirstWrite = true;
  Chunk.clear();
  // 2.-3.
  std::unique_ptr<TaloComPort> port = OpenPort();
  if (!port) return Finish(false);
  // 4. Whatever the controller printed before is no part of the image.
  DeviceShell::Drain(*port);
  // 5.-6.
  bool ok = false;
  bool entered = false;
  if (!SendCommand(*port, entered))
    ErrorText = SendFailureText(*port, kCommandLine, entered);
  else
    ok = ReceiveBlocks(*port);
  // 7. The helper's last words and the prompt, or what a broken run left.
  if (!ok) DeviceShell::Drain(*port);
  // 8.-9. A temporary file that did not become the image goes away.
  port->Close();
  Image.reset();
  Finish(ok);
}

bool BackupWorker::SendCommand(TaloComPort& port, bool& entered) {
  const QByteArray line(kCommandLine);
  if (Console) {
    TaloConsole* console = Console;
    JobRunner::OnMainThread([console, &line] {
      SilentDialogs none;
      DeviceShell(*console, none, none).AppendConsoleLine(line);
    });
  }
  DeviceShell::Typing typing;
  const bool typed = DeviceShell::TypeEchoed(port, line, &typing);
  entered = typing.Entered;
  return typed;
}

bool BackupWorker::ReceiveBlocks(TaloComPort& port) {
  std::array<uint8_t, kBufferBytes> frame{};
  int checksumErrors = 0;
  bool firstFrame = true;
  uint32_t block = 0;
  while (block < kBlockCount) {
    // 6.1.-6.2.
    frame.fill(0);
    const bool read = firstFrame ? ReadFirstFrame(port, frame.data(), kFrameBytes)
                                 : ReadFrame(port, frame.data(), kFrameBytes);
    if (!read) return false;
    port.PurgeInput();
    // 6.3.-6.4. A damaged frame is asked for again under the same index.
    size_t length = kFrameBytes;
    const bool good = CheckCrc(frame.data(), &length);
    // A shell that never started the helper answers with text ("Bad command
    // or file name", its prompt): a "666" would be typed into it.
    if (!good && firstFrame && IsShellText(frame.data(), kFrameBytes)) {
      ErrorText = QString::fromLatin1(ImageText::kInvalidResponse);
      return false;
    }
    firstFrame = false;
    if (good) {
      if (!StoreBlock(frame.data())) {
        ErrorText = QString::fromLatin1(ImageText::kWriteFailed);
        return false;
      }
    } else {
      if (++checksumErrors > kMaxChecksumErrors) {
        ErrorText = QString::fromLatin1(ImageText::kChecksumError);
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(kResendDelayMs));
    }
    // 6.5.-6.6. A lost reply is no error of ours: the helper asks again.
    const ImageFrame::Reply& reply = good ? ImageFrame::kAccepted : ImageFrame::kResend;
    (void)port.Write(reply.size(), reply.data());
    Progressed(block, kBlockCount);
    if (good) ++block;
  }
  // 6.7. The frames carry no block number: a "111" damaged on the way made
  // the helper send its block again, stored here as the next one, and it
  // still has a block to send.
  if (HelperHadMoreBlocks(port)) {
    ErrorText = QString::fromLatin1(ImageText::kShiftedImage);
    return false;
  }
  if (!CommitImage()) {
    ErrorText = QString::fromLatin1(ImageText::kWriteFailed);
    return false;
  }
  return true;
}

bool BackupWorker::HelperHadMoreBlocks(TaloComPort& port) {
  bool more = false;
  std::array<uint8_t, kFrameBytes> frame{};
  // Each extra block is taken, so that the helper ends and the shell is
  // ready for the next run; the rest (its last words, the prompt) goes.
  for (int extra = 0; extra < kMaxExtraFrames; ++extra) {
    size_t received = 0;
    if (!port.Read(frame.size(), frame.data(), &received) || Crc16(frame.data(), frame.size()) != 0)
      break;
    more = true;
    (void)port.Write(ImageFrame::kAccepted.size(), ImageFrame::kAccepted.data());
  }
  DeviceShell::Drain(port);
  return more;
}

bool BackupWorker::StoreBlock(const uint8_t* payload) {
  Chunk.append(reinterpret_cast<const char*>(payload), kBlockSize);
  if (static_cast<uint32_t>(Chunk.size()) < kChunkSize) return true;
  const bool written = WriteChunk(reinterpret_cast<const uint8_t*>(Chunk.constData()));
  Chunk.clear();
  return written;
}

bool BackupWorker::WriteChunk(const uint8_t* chunk) {
  if (FirstWrite) {
    // The temporary file lives beside the image, so that putting it in place
    // is a rename on the same file system.
    if (!TargetUsable(ImagePath)) return false;
    Image = std::make_unique<QSaveFile>(ImagePath);
    // The image holds the controller's account file with its passwords: for
    // the operator's eyes only, whatever the old file allowed.
    if (!Image->open(QIODevice::WriteOnly) ||
        !Image->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
      Image.reset();
      return false;
    }
    FirstWrite = false;
  }
  if (!Image) return false;
  return Image->write(reinterpret_cast<const char*>(chunk), kChunkSize) == kChunkSize;
}

bool BackupWorker::CommitImage() {
  // commit() flushes, syncs to disk and renames; a failure leaves the old
  // file as it was.
  if (!Image) return false;
  const bool committed = Image->commit();
  Image.reset();
  return committed;
}
