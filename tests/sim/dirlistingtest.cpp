// "dir" in the columns the utility parses, through the shell. The counts of
// "dir/s" on a nested tree are checked through the utility's own parser in
// the device exchange tests.

#include <gtest/gtest.h>

#include <vector>

#include "sim/talosim.h"
#include "tests/support/simfixture.h"
#include "tests/support/simterminal.h"

namespace {

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end + 2 - start));
  lines.push_back(text.substr(start));  // the prompt, without a line end
  return lines;
}

// 1-based columns, as the utility reads them.
std::string Columns(const std::string& line, size_t first, size_t last) {
  return line.size() < first ? std::string() : line.substr(first - 1, last - first + 1);
}

class DirListingTest : public SimFixture {
 protected:
  void SetUp() override {
    StartSim();
    ASSERT_TRUE(Term.Open(PortPath()));
  }
  SimTerminal Term;
};

TEST_F(DirListingTest, matchesTheFixedColumnsLineByLine) {
  ASSERT_TRUE(Sim().MakeDir("\\DATA\\LOG"));
  ASSERT_TRUE(Sim().PutFile("\\DATA\\AUTORUN.BAT", std::string(42, 'a')));
  ASSERT_TRUE(Sim().PutFile("\\DATA\\PROG.EXE", std::string(54645, 'p')));
  ASSERT_TRUE(Sim().PutFile("\\DATA\\README", std::string(1024, 'r')));
  ASSERT_EQ(Term.Command("cd\\DATA"), "\r\nD:\\DATA>");
  ASSERT_TRUE(Term.TypeEchoed("dir\r"));
  const auto lines = SplitCrLf(Term.ReadUntilPrompt());
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "\r\n");
  EXPECT_EQ(lines[1].size(), 34u) << lines[1];  // volume label
  EXPECT_EQ(lines[2], " Directory of D:\\DATA\r\n");
  EXPECT_EQ(lines[2].size(), 23u);
  struct Entry {
    const char* Name;
    const char* Ext;
    const char* Dir;
    const char* Size;
  } entries[] = {{".       ", "   ", "<DIR>", "       "}, {"..      ", "   ", "<DIR>", "       "},
                 {"LOG     ", "   ", "<DIR>", "       "}, {"AUTORUN ", "BAT", "     ", "     42"},
                 {"PROG    ", "EXE", "     ", " 54,645"}, {"README  ", "   ", "     ", "  1,024"}};
  for (size_t i = 0; i < 6; ++i) {
    const std::string& line = lines[3 + i];
    SCOPED_TRACE(line);
    EXPECT_EQ(line.size(), 45u);
    EXPECT_EQ(Columns(line, 1, 8), entries[i].Name);
    EXPECT_EQ(Columns(line, 10, 12), entries[i].Ext);
    EXPECT_EQ(Columns(line, 14, 18), entries[i].Dir);
    EXPECT_EQ(Columns(line, 20, 26), entries[i].Size);
    const std::string when = Columns(line, 28, 43);
    EXPECT_EQ(when[2], '-');
    EXPECT_EQ(when[5], '-');
    EXPECT_EQ(when.substr(8, 2), "  ");
    EXPECT_EQ(when[12], ':');
    EXPECT_TRUE(when[15] == 'a' || when[15] == 'p') << when;
  }
  EXPECT_EQ(lines[9], "        3 file(s)         55,711 bytes\r\n");
  EXPECT_EQ(lines[9].size(), 40u);
  EXPECT_EQ(lines[10].size(), 47u);
  EXPECT_NE(lines[10].find("bytes free"), std::string::npos);
  EXPECT_EQ(lines[11], "D:\\DATA>");
}

TEST_F(DirListingTest, bytesFreeFollowsWhatIsStoredInWholeClusters) {
  const std::string empty = Term.Command("dir");
  EXPECT_NE(empty.find("        0 file(s)              0 bytes\r\n"), std::string::npos) << empty;
  EXPECT_NE(empty.find("999,424 bytes free\r\n"), std::string::npos) << empty;
  EXPECT_NE(Term.Command("dir *.XYZ").find("File not found\r\n"), std::string::npos);
  ASSERT_TRUE(Sim().PutFile("\\ONE.BIN", std::string(1, 'x')));    // one cluster
  ASSERT_TRUE(Sim().PutFile("\\TWO.BIN", std::string(513, 'x')));  // two clusters
  ASSERT_TRUE(Sim().PutFile("\\ZERO.BIN", std::string()));         // none
  EXPECT_EQ(Sim().FreeBytes(), 999424u - 3 * 512);
  const std::string listing = Term.Command("dir");
  EXPECT_NE(listing.find("                           997,888 bytes free\r\n"), std::string::npos) << listing;
  EXPECT_EQ(Term.Command("del TWO.BIN"), "\r\nD:\\>");
  EXPECT_EQ(Sim().FreeBytes(), 999424u - 512);
  // A file that does not fit is refused whole.
  EXPECT_FALSE(Sim().PutFile("\\HUGE.BIN", std::string(999424, 'x')));
  EXPECT_FALSE(Sim().Exists("\\HUGE.BIN"));
}

TEST_F(DirListingTest, listingArrivesWithoutGaps) {
  Sim().FillDemo();
  ASSERT_TRUE(Term.TypeEchoed("dir/s\r"));
  // Each read waits at most 150 ms: the utility takes a 200 ms gap for the
  // listing's end.
  std::string answer;
  for (int byte; (byte = Term.ReadByte(std::chrono::milliseconds(150))) >= 0;) answer += static_cast<char>(byte);
  EXPECT_TRUE(SimTerminal::EndsWithPrompt(answer)) << answer.size();
}

}  // namespace
