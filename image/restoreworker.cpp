#include "image/restoreworker.h"

#include <QFileInfo>
#include <algorithm>
#include <array>

#include "image/imageframe.h"
#include "image/imagetext.h"
#include "link/port/talocomport.h"
#include "link/shell/deviceshell.h"

RestoreWorker::~RestoreWorker() = default;

bool RestoreWorker::ImageFileUsable(const QString& path) {
  QFile file(path);
  const QFileInfo info(path);
  return info.isFile() && file.open(QIODevice::ReadOnly) && file.size() >= kImageBytes;
}

void RestoreWorker::Execute() {
  // 1.
  FirstRead = true;
  Answered444 = 0;
  // The file first: a run that cannot read it must not start the helper.
  if (!OpenImage()) {
    ErrorText = QString::fromLatin1(ImageText::kReadFailed);
    return Finish(false);
  }
  // 2.-3. No stale input is discarded: the helper's first reply must not be.
  std::unique_ptr<TaloComPort> port = OpenPort();
  if (!port) return Finish(false);
  // 4.-5.
  bool ok = false;
  DeviceShell::Typing typing;
  if (!DeviceShell::TypeEchoed(*port, QByteArray(kCommandLine), &typing))
    ErrorText = SendFailureText(*port, kCommandLine, typing.Entered);
  else
    ok = SendBlocks(*port);
  // 6.
  port->Close();
  ImageFile.close();
  Finish(ok);
}

bool RestoreWorker::OpenImage() {
  ImageFile.setFileName(ImagePath);
  if (!QFileInfo(ImagePath).isFile() || !ImageFile.open(QIODevice::ReadOnly)) return false;
  FirstRead = false;
  return ImageFile.size() >= kImageBytes;
}

bool RestoreWorker::ReadImageBlock(uint8_t* buffer) {
  if (FirstRead && !OpenImage()) return false;
  return ImageFile.read(reinterpret_cast<char*>(buffer), kBlockSize) == kBlockSize;
}

bool RestoreWorker::SendBlocks(TaloComPort& port) {
  std::array<uint8_t, kBufferBytes> frame{};
  RestoreReplies replies;
  for (uint32_t block = 0; block < kBlockCount; ++block) {
    // 5.1.-5.2.
    frame.fill(0);
    bool shellSpoke = false;
    const bool read = block == 0
                          ? ReadFirstFrame(port, frame.data(), ImageFrame::kReplyBytes)
                          : ReadFrame(port, frame.data(), ImageFrame::kReplyBytes, &shellSpoke);
    if (shellSpoke) {
      ErrorText = QString::fromLatin1(ImageText::kInvalidResponse);
      return false;
    }
    // A reply that came in as the stop was asked for gets no block: a
    // cancelled restore stops writing the drive at once.
    if (!read || StopWasRequested()) return false;
    // 5.3. Nothing goes on the line until a helper has answered: without
    // one, the shell would run the image as command lines.
    ImageFrame::Reply reply;
    std::copy_n(frame.begin(), reply.size(), reply.begin());
    if (Crc16(reply.data(), reply.size()) != 0 && HelperHasEnded(port, reply)) {
      ErrorText = QString::fromLatin1(ImageText::kInvalidResponse);
      return false;
    }
    port.PurgeInput();
    if (!replies.Accept(reply)) {
      ErrorText = QString::fromLatin1(ImageText::kInvalidResponse);
      return false;
    }
    Answered444 = replies.Answered444();
    // 5.4.-5.5.
    if (!ReadImageBlock(frame.data())) {
      ErrorText = QString::fromLatin1(ImageText::kReadFailed);
      return false;
    }
    const uint16_t crc = Crc16(frame.data(), kBlockSize);
    frame[kBlockSize] = static_cast<uint8_t>(crc & 0xFF);
    frame[kBlockSize + 1] = static_cast<uint8_t>(crc >> 8);
    (void)port.Write(kBlockSize + 2, frame.data());
    // 5.7.
    Progressed(block, kBlockCount);
  }
  return true;
}

bool RestoreWorker::HelperHasEnded(TaloComPort& port, const ImageFrame::Reply& reply) {
  if (HoldsShellTalk(reply.data(), reply.size())) return true;
  uint8_t next = 0;
  return port.ReadByteWithin(next, kAfterReplyMs);
}
