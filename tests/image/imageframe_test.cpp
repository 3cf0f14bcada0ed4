// The frame checksum and the reply check, on their own.

#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <string>
#include <vector>

#include "image/imageframe.h"
#include "image/restorereplies.h"

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

// The restore's reading of a run of replies: "1"/"4"/"6"/"9" stand for
// "111", "444", "666", "999" with a good CRC, "x" for a damaged reply; the
// verdicts say which let the next block go.
TEST(ImageCrc, restoreRepliesStartOnlyOnAReadyReplyAndStopAtTheFourthBadInARow) {
  const auto reply = [](char code) {
    ImageFrame::Reply frame{};
    std::fill_n(frame.begin(), 3, code == 'x' ? '1' : code);
    const uint16_t crc = Crc16(frame.data(), 3);
    frame[3] = static_cast<uint8_t>(crc & 0xFF);
    frame[4] = static_cast<uint8_t>((crc >> 8) ^ (code == 'x' ? 1 : 0));
    return frame;
  };
  struct Case {
    const char* Replies;
    const char* Verdicts;  // "+" send the next block, "-" end the run
    uint32_t Answered444;
  } cases[] = {
      {"1", "+", 0},          {"4", "+", 1},         {"x", "-", 0},       {"6", "-", 0},
      {"1xxx1", "+++++", 0},  {"1xxxx", "++++-", 0}, {"1x4x4", "+++++", 2},
      {"14x9", "+++-", 1},    {"1xx1xxx1", "++++++++", 0},
  };
  for (const Case& c : cases) {
    RestoreReplies replies;
    std::string verdicts;
    for (const char* code = c.Replies; *code; ++code) verdicts += replies.Accept(reply(*code)) ? '+' : '-';
    EXPECT_EQ(verdicts, c.Verdicts) << c.Replies;
    EXPECT_EQ(replies.Answered444(), c.Answered444) << c.Replies;
  }
}

}  // namespace
