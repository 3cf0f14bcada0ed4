// The frame checksum and the reply check, on their own.

#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <vector>

#include "imagecrc.h"

namespace {

std::vector<uint8_t> Bytes(const char* text) {
  return std::vector<uint8_t>(text, text + std::strlen(text));
}

TEST(ImageCrc, knownValuesAndTheRepliesOnTheLine) {
  const std::vector<uint8_t> check = Bytes("123456789");
  EXPECT_EQ(Crc16(check.data(), check.size()), 0x4B37);
  EXPECT_EQ(Crc16(nullptr, 0), 0xFFFF);
  // The replies the exchange uses, as they go on the line (low byte first).
  const ImageFrame::Reply replies[] = {ImageFrame::kAccepted, ImageFrame::kResend};
  for (const ImageFrame::Reply& reply : replies) {
    const uint16_t crc = Crc16(reply.data(), 3);
    EXPECT_EQ(reply[3], crc & 0xFF);
    EXPECT_EQ(reply[4], crc >> 8);
  }
  const std::vector<uint8_t> ready = Bytes("444");
  EXPECT_EQ(Crc16(ready.data(), 3), 0x1927);
}

TEST(ImageCrc, checkCrcStripsAGoodCrcAndLeavesABadFrameAlone) {
  std::vector<uint8_t> frame = Bytes("ABCDEFGH");
  const uint16_t crc = Crc16(frame.data(), frame.size());
  frame.push_back(static_cast<uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<uint8_t>(crc >> 8));
  std::vector<uint8_t> damaged = frame;
  damaged[3] ^= 0x01;
  std::vector<uint8_t> swapped = frame;
  std::swap(swapped[8], swapped[9]);

  size_t length = damaged.size();
  EXPECT_FALSE(CheckCrc(damaged.data(), &length));
  EXPECT_EQ(length, 10u);
  EXPECT_FALSE(CheckCrc(swapped.data(), &length)) << "the low byte comes first";
  for (size_t tooShort : {size_t{0}, size_t{1}, size_t{2}}) {
    length = tooShort;
    EXPECT_FALSE(CheckCrc(frame.data(), &length)) << tooShort;
  }
  length = frame.size();
  ASSERT_TRUE(CheckCrc(frame.data(), &length));
  EXPECT_EQ(length, 8u);
  EXPECT_EQ(frame[8], 0);
  EXPECT_EQ(frame[9], 0);
}

TEST(ImageCrc, onlyTheTwoReadyRepliesLetTheNextBlockGo) {
  struct Case {
    const char* Reply;
    bool Ready;
  } cases[] = {{"111", true}, {"444", true}, {"666", false}, {"11\x01", false}, {"\0\0\0", false}};
  for (const Case& c : cases)
    EXPECT_EQ(IsReadyReply(reinterpret_cast<const uint8_t*>(c.Reply)), c.Ready) << c.Reply;
}

// The restore stops only on a reply it could read: a good CRC on digits
// other than the two ready ones. A damaged reply lets the block go.
TEST(ImageCrc, onlyAReadableOtherReplyStopsTheRestore) {
  const auto sealed = [](const char* digits) {
    ImageFrame::Reply reply{};
    std::copy_n(digits, 3, reply.begin());
    const uint16_t crc = Crc16(reply.data(), 3);
    reply[3] = static_cast<uint8_t>(crc & 0xFF);
    reply[4] = static_cast<uint8_t>(crc >> 8);
    return reply;
  };
  EXPECT_FALSE(IsRefusingReply(ImageFrame::kAccepted));
  EXPECT_FALSE(IsRefusingReply(sealed("444")));
  EXPECT_TRUE(IsRefusingReply(ImageFrame::kResend));
  EXPECT_TRUE(IsRefusingReply(sealed("999")));
  ImageFrame::Reply damaged = sealed("999");
  damaged[4] ^= 1;
  EXPECT_FALSE(IsRefusingReply(damaged));
}

}  // namespace
