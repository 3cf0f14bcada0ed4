// The image helpers' frame exchange, played by the test as the PC side, and
// the CRC both sides use.

#include <gtest/gtest.h>

#include "sim/crc16.h"
#include "tests/support/simfixture.h"
#include "tests/support/simterminal.h"

namespace {

constexpr size_t kImageBytes = 1048576;

TEST(Crc16Modbus, matchesTheKnownReplies) {
  struct Case {
    const char* Text;
    uint16_t Crc;
  } cases[] = {{"123456789", 0x4B37}, {"111", 0x4BF4}, {"666", 0x7806}, {"444", 0x1927}, {"", 0xFFFF}};
  for (const Case& c : cases) EXPECT_EQ(talosim::Crc16Modbus(c.Text), c.Crc) << c.Text;
  EXPECT_EQ(talosim::WithCrc("111"), std::string("111\xF4\x4B"));
  EXPECT_TRUE(talosim::HasGoodCrc(std::string("666\x06\x78")));
  EXPECT_FALSE(talosim::HasGoodCrc(std::string("666\x78\x06")));
  EXPECT_FALSE(talosim::HasGoodCrc("ab"));
}

// The PC's side of a backup: frames of 8 bytes + CRC, each answered.
// Returns the image, or less when the exchange broke off.
std::string Backup(SimTerminal& term, int* crcErrors = nullptr) {
  // The shell's line feed comes before the helper's first frame.
  if (!term.TypeEchoed("D:\\KEEPERRD 2 3 4 5\r") || term.ReadByte() != '\n') return {};
  std::string image;
  while (image.size() < kImageBytes) {
    const std::string frame = term.ReadExact(10);
    if (frame.size() < 10) break;
    if (talosim::HasGoodCrc(frame)) {
      image += frame.substr(0, 8);
      term.Write(talosim::WithCrc("111"));
    } else {
      if (crcErrors) ++*crcErrors;
      term.Write(talosim::WithCrc("666"));
    }
  }
  return image;
}

// The PC's side of a restore: a reply, then a 66-byte frame, 16384 times.
// Returns the replies seen.
std::string Restore(SimTerminal& term, const std::string& image, size_t badFrame = SIZE_MAX) {
  std::string replies;
  if (!term.TypeEchoed("D:\\keeperwr 2 3 4\r") || term.ReadByte() != '\n') return replies;
  for (size_t block = 0; block < kImageBytes / 64; ++block) {
    const std::string reply = term.ReadExact(5);
    if (reply.size() < 5 || !talosim::HasGoodCrc(reply)) break;
    replies += reply.substr(0, 3);
    std::string frame = talosim::WithCrc(image.substr(block * 64, 64));
    if (block == badFrame) frame[4] ^= 0x01;
    term.Write(frame);
  }
  return replies;
}

class ImageHelpersTest : public ::testing::Test {
 protected:
  SimHarness Source;
  SimHarness Blank;
};

// One full backup (131072 round trips: the slowest test of the suite) with a
// frame sent damaged once, restored onto a blank simulator.
TEST_F(ImageHelpersTest, backupWithAResentFrameRestoresTheSameFilesOnABlankSimulator) {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Faults.BackupCorruptFrame = 5;
  ASSERT_TRUE(Source.Start(options)) << Source.LastError();
  Source.Sim().FillDemo();
  ASSERT_TRUE(Source.Sim().PutFile("\\KEEPERRD.EXE", "MZ helper"));
  ASSERT_TRUE(Source.Sim().PutFile("\\DATA\\EMPTY.TXT", ""));
  SimTerminal source(Source.PortPath());
  int crcErrors = 0;
  const std::string image = Backup(source, &crcErrors);
  ASSERT_EQ(image.size(), kImageBytes);
  EXPECT_EQ(crcErrors, 1) << "the damaged frame is answered with 666, resent and stored once";
  EXPECT_EQ(source.ReadUntilPrompt(), "\r\nImage sent: 131072 blocks.\r\nD:\\>");
  EXPECT_EQ(std::vector<uint8_t>(image.begin(), image.end()), Source.Sim().Image());

  ASSERT_TRUE(Blank.Start()) << Blank.LastError();
  ASSERT_TRUE(Blank.Sim().PutFile("\\KEEPERWR.EXE", "MZ helper"));
  SimTerminal blank(Blank.PortPath());
  const std::string replies = Restore(blank, image);
  EXPECT_EQ(replies, std::string(3 * 16384, '1')) << "only 111 replies";
  EXPECT_EQ(blank.ReadUntilPrompt(), "\r\nImage written: 16384 blocks, 0 CRC errors.\r\nD:\\>");
  EXPECT_EQ(Blank.Sim().Image(), Source.Sim().Image());
  EXPECT_EQ(Blank.Sim().GetFile("\\SOCKETP.EXE"), Source.Sim().GetFile("\\SOCKETP.EXE"));
  EXPECT_TRUE(Blank.Sim().Exists("\\DATA\\EMPTY.TXT"));
  EXPECT_EQ(Blank.Sim().FreeBytes(), Source.Sim().FreeBytes());
}

TEST_F(ImageHelpersTest, restoreAnswers444AfterABadFrameAndKeepsTheOldBytes) {
  ASSERT_TRUE(Source.Start());
  ASSERT_TRUE(Source.Sim().PutFile("\\KEEPERWR.EXE", "MZ"));
  const std::vector<uint8_t> before = Source.Sim().Image();
  std::string image(before.begin(), before.end());
  image.replace(2000 * 64, 64, std::string(64, 'Z'));  // inside the free data area
  SimTerminal term(Source.PortPath());
  const std::string replies = Restore(term, image, 2000);
  ASSERT_EQ(replies.size(), 3u * 16384);
  EXPECT_EQ(replies.substr(3 * 2001, 3), "444");
  EXPECT_EQ(replies.find("444"), 3u * 2001);
  EXPECT_EQ(replies.rfind("444"), 3u * 2001);
  EXPECT_NE(term.ReadUntilPrompt().find("1 CRC errors"), std::string::npos);
  EXPECT_EQ(Source.Sim().Image(), before);
}

TEST_F(ImageHelpersTest, wrongRestoreReplyIsSentWhenAsked) {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Faults.RestoreReply = "999";
  options.Faults.RestoreReplyBlock = 1;
  ASSERT_TRUE(Source.Start(options));
  ASSERT_TRUE(Source.Sim().PutFile("\\KEEPERWR.EXE", "MZ"));
  SimTerminal term(Source.PortPath());
  ASSERT_TRUE(term.TypeEchoed("D:\\keeperwr 2 3 4\r"));
  EXPECT_EQ(term.ReadExact(6), "\n" + talosim::WithCrc("111"));
  term.Write(talosim::WithCrc(std::string(64, '\0')));
  EXPECT_EQ(term.ReadExact(5), talosim::WithCrc("999"));
  // The PC gives up here; the helper notices the silence and returns.
  const std::string closing = term.ReadUntilPrompt(std::chrono::milliseconds(5000));
  EXPECT_NE(closing.find("restore aborted after 1 blocks"), std::string::npos) << closing;
}

TEST_F(ImageHelpersTest, garbageImageLeavesADamagedDriveThatKeepsItsBytes) {
  ASSERT_TRUE(Source.Start());
  Source.Sim().FillDemo();
  ASSERT_TRUE(Source.Sim().PutFile("\\KEEPERWR.EXE", "MZ"));
  SimTerminal term(Source.PortPath());
  const std::string garbage(kImageBytes, 'G');
  ASSERT_EQ(Restore(term, garbage).size(), 3u * 16384);
  EXPECT_NE(term.ReadUntilPrompt().find("drive D: is damaged"), std::string::npos);
  EXPECT_EQ(Source.Sim().Image(), std::vector<uint8_t>(garbage.begin(), garbage.end()));
  EXPECT_FALSE(Source.Sim().PutFile("\\NEW.TXT", "x"));
}

}  // namespace
