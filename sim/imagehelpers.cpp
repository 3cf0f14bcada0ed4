// The image helpers: KEEPERRD sends the drive image, keeperwr writes one.
// Both speak in frames of payload + CRC-16/MODBUS (low byte first) and
// 5-byte replies of three ASCII digits + CRC.

#include <cstring>

#include "sim/crc16.h"
#include "sim/programs.h"

namespace talosim {
namespace {

constexpr size_t kBackupPayload = 8;
constexpr size_t kRestorePayload = 64;
constexpr int kMaxResends = 10;

std::vector<uint8_t> DriveImage(ControllerContext& context) {
  std::lock_guard lock(context.State.Mutex);
  return context.State.DriveD.Image();
}

// Puts a written image in place. An image that does not hold a consistent
// drive (a restore broken off half-way, a file that was never an image)
// leaves D: damaged: unreadable until it is formatted.
bool ApplyImage(ControllerContext& context, const std::vector<uint8_t>& image) {
  std::lock_guard lock(context.State.Mutex);
  if (context.State.DriveD.LoadImage(image)) return true;
  context.State.DriveD.MarkDamaged(image);
  return false;
}

}  // namespace

void RunKeeperRead(ControllerContext& context) {
  ControllerPort& port = context.Port;
  const std::vector<uint8_t> image = DriveImage(context);
  const FaultPlan faults = port.Faults();
  const size_t blocks = image.size() / kBackupPayload;
  int corruptions = 0;
  for (size_t block = 0; block < blocks; ++block) {
    const std::string payload(reinterpret_cast<const char*>(image.data() + block * kBackupPayload), kBackupPayload);
    // Send the block until the PC accepts it with "111"; "666" or a damaged
    // reply asks for it again.
    for (int attempt = 0;; ++attempt) {
      std::string frame = WithCrc(payload);
      if (static_cast<int64_t>(block) == faults.BackupCorruptFrame && corruptions < faults.BackupCorruptTimes) {
        frame[0] = static_cast<char>(frame[0] ^ 0x5A);  // the CRC no longer fits
        ++corruptions;
      }
      if (!port.Write(frame)) return;
      const std::string reply = port.ReadExact(5, context.Times.PeerSilence, context.Times.ByteGap);
      if (!port.Alive()) return;
      if (reply.size() < 5) {
        port.Write("\r\nNo reply from the PC, backup aborted.\r\n");
        return;
      }
      const bool damaged = static_cast<int64_t>(block) == faults.BackupReplyDamagedBlock && attempt == 0;
      if (!damaged && HasGoodCrc(reply) && reply.compare(0, 3, "111") == 0) break;
      if (attempt >= kMaxResends) {
        port.Write("\r\nToo many errors, backup aborted.\r\n");
        return;
      }
    }
  }
  port.Write("\r\nImage sent: " + std::to_string(blocks) + " blocks.\r\n");
}

void RunKeeperWrite(ControllerContext& context) {
  ControllerPort& port = context.Port;
  std::vector<uint8_t> image = DriveImage(context);
  const FaultPlan faults = port.Faults();
  const size_t blocks = image.size() / kRestorePayload;
  size_t crcErrors = 0;
  bool lastBad = false;
  for (size_t block = 0; block < blocks; ++block) {
    if (static_cast<int64_t>(block) == faults.RestoreHelperEndsAtBlock) {
      port.Write(faults.RestoreHelperEndText);
      return;
    }
    // 1. Ask for the block: "111", or "444" after a block that failed its CRC.
    std::string reply = lastBad ? "444" : "111";
    if (!faults.RestoreReply.empty() && static_cast<int64_t>(block) == faults.RestoreReplyBlock) {
      reply = faults.RestoreReply;
      reply.resize(3, '0');
    }
    std::string sealed = WithCrc(reply);
    const int64_t sinceFault = static_cast<int64_t>(block) - faults.RestoreReplyBlock;
    if (sinceFault >= 0 && sinceFault < faults.RestoreBadReplies) sealed[4] = static_cast<char>(sealed[4] ^ 0x01);
    if (!port.Write(sealed)) return;
    // 2. Take the 66-byte frame.
    const std::string frame = port.ReadExact(kRestorePayload + 2, context.Times.PeerSilence, context.Times.ByteGap);
    if (!port.Alive()) return;
    if (frame.empty()) {
      const bool kept = ApplyImage(context, image);
      port.Write("\r\nNo data from the PC, restore aborted after " + std::to_string(block) + " blocks.\r\n");
      if (!kept) port.Write("Drive D: is damaged.\r\n");
      return;
    }
    // 3. Write it when its CRC holds; a damaged block keeps the old bytes.
    lastBad = frame.size() != kRestorePayload + 2 || !HasGoodCrc(frame);
    if (lastBad) {
      ++crcErrors;
      continue;
    }
    uint8_t* stored = image.data() + block * kRestorePayload;
    std::memcpy(stored, frame.data(), kRestorePayload);
    if (static_cast<int64_t>(block) == faults.RestoreMisstoreBlock) stored[0] ^= 0xFF;
  }
  const bool applied = ApplyImage(context, image);
  port.Write("\r\nImage written: " + std::to_string(blocks) + " blocks, " + std::to_string(crcErrors) +
             " CRC errors.\r\n");
  if (!applied) port.Write("The image does not hold a valid drive; drive D: is damaged.\r\n");
}

}  // namespace talosim
