#pragma once
// RestoreWorker: the restore worker. Starts the controller's keeperwr
// helper and feeds it the image file in 64-byte checksummed blocks.
//
// Principles of operation
// - Before anything goes on the line the image file is opened and must hold
//   at least 1 MiB (ImageFileUsable): a short file would put bytes that are
//   not in it onto the controller's drive. Only the first 1 MiB is sent.
// - The exchange: before each block the helper sends a 5-byte reply; "111"
//   and "444" (its CRC check of the last block failed) both let the next
//   block go, so no block is ever sent twice. Another reply whose CRC holds
//   ends the run; a reply whose CRC is damaged is not examined, up to
//   RestoreReplies::kMaxBadInRow in a row. Nothing is read after the last
//   block.
// - A helper that stops part-way (a write error on the drive) returns to
//   the shell, and a block sent then would be typed into it: its carriage
//   returns would run lines of the image as commands. Line noise damages a
//   reply's 5 bytes and then falls silent, as the helper waits for its
//   block; a helper that has ended keeps talking (its message, line ends,
//   the prompt). So before a block goes after a reply that fails its CRC,
//   what follows is looked at: a line end or a prompt in the reply, or more
//   bytes within kAfterReplyMs, ends the run with the invalid-response
//   message and nothing more is sent. So does a reply read that times out
//   on a line end or a prompt (a shell's prompt is shorter than a reply).
// - Block 0 goes only after a ready reply with a good CRC (a line feed
//   before it skipped): a helper that never started leaves the shell at the
//   other end, and the worker then types nothing after its command line.
// - Nothing of the exchange is shown on the console.
// - A restore that ends part-way leaves the drive partly overwritten. A stop
//   request is checked again before each block goes: once asked, no further
//   block is written.
// - Fields, threads and the run's end as ImageWorker says.

#include <QFile>
#include <QString>

#include "image/imageframe.h"
#include "image/imageworker.h"
#include "image/restorereplies.h"

class RestoreWorker : public ImageWorker {
 public:
  static constexpr uint32_t kBlockSize = 64;
  static constexpr uint32_t kBlockCount = 16384;  // 64 x 16384 = 1 MiB
  static constexpr int64_t kImageBytes = int64_t{kBlockSize} * kBlockCount;
  static constexpr char kCommandLine[] = "D:\\keeperwr 2 3 4\r";
  // How long a reply that failed its CRC is watched for more bytes: a few
  // character times at 57600 baud (0.17 ms each) and the slack of a USB
  // adapter's latency timer and the scheduler. The helper answers within
  // one character time of its reply when it is still talking.
  static constexpr uint32_t kAfterReplyMs = 25;

  RestoreWorker() = default;
  ~RestoreWorker() override;

  // True when path names a readable file of at least 1 MiB.
  static bool ImageFileUsable(const QString& path);

  // The next kBlockSize bytes of the image; the first call opens it. False
  // when the file cannot be opened or read, or ends before the block does.
  [[nodiscard]] bool ReadImageBlock(uint8_t* buffer);

  // Read once the job has ended: the "444" replies of the run, each a block
  // the helper received damaged (the protocol does not send it again).
  uint32_t Answered444 = 0;

 protected:
  void Execute() override;

 private:
  [[nodiscard]] bool OpenImage();
  [[nodiscard]] bool SendBlocks(TaloComPort& port);
  // After a reply that failed its CRC: true when the shell, not the
  // helper, is talking (see above).
  [[nodiscard]] static bool HelperHasEnded(TaloComPort& port, const ImageFrame::Reply& reply);

  bool FirstRead = true;
  QFile ImageFile;
};
