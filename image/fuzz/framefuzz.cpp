// Frames of the image exchange as the workers receive them: arbitrary bytes
// (at most the workers' 1024-byte buffer). CheckCrc must take exactly the
// frames whose CRC over payload and checksum is 0 and give back the payload
// untouched; any payload with its CRC appended must pass; and the restore
// worker's reading of the input as a run of 5-byte replies must send the
// first block only after a good ready reply, and later stop only at a good
// CRC on digits other than "111" and "444" or at the fourth damaged reply in
// a row.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "image/imageframe.h"
#include "image/restorereplies.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

constexpr size_t kBufferBytes = 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kBufferBytes - 2) return 0;

  // The frame as received.
  std::vector<uint8_t> frame(data, data + size);
  size_t length = size;
  const bool good = CheckCrc(frame.data(), &length);
  Require(good == (size > 2 && Crc16(data, size) == 0));
  if (good) {
    Require(length == size - 2);
    Require(std::memcmp(frame.data(), data, length) == 0);
    Require(frame[length] == 0 && frame[length + 1] == 0);
  } else {
    Require(length == size && (size == 0 || std::memcmp(frame.data(), data, size) == 0));
  }

  // The same bytes as a payload, sealed as the workers seal a block (a frame
  // always has a payload).
  if (size == 0) return 0;
  std::vector<uint8_t> sealed(data, data + size);
  const uint16_t crc = Crc16(data, size);
  sealed.push_back(static_cast<uint8_t>(crc & 0xFF));
  sealed.push_back(static_cast<uint8_t>(crc >> 8));
  Require(Crc16(sealed.data(), sealed.size()) == 0);
  size_t sealedLength = sealed.size();
  Require(CheckCrc(sealed.data(), &sealedLength) && sealedLength == size);

  // The input as the restore helper's replies, one after another.
  RestoreReplies replies;
  int badInRow = 0;
  uint32_t answered444 = 0;
  for (size_t at = 0; at + ImageFrame::kReplyBytes <= size; at += ImageFrame::kReplyBytes) {
    ImageFrame::Reply reply;
    std::memcpy(reply.data(), data + at, reply.size());
    const bool crcGood = Crc16(reply.data(), reply.size()) == 0;
    const bool ready = std::memcmp(reply.data(), "111", 3) == 0 || std::memcmp(reply.data(), "444", 3) == 0;
    Require(IsReadyReply(reply.data()) == ready);
    badInRow = crcGood ? 0 : badInRow + 1;
    const bool expected = at == 0 ? crcGood && ready
                                  : (crcGood ? ready : badInRow <= RestoreReplies::kMaxBadInRow);
    if (crcGood && ready && reply[0] == '4') ++answered444;
    Require(replies.Accept(reply) == expected);
    Require(replies.Answered444() == answered444);
    if (!expected) break;  // the run ends there
  }
  return 0;
}
