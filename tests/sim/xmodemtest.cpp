// The "transfer" receiver: against lrzsz's sx as a real peer, and against a
// scripted sender for the protocol's corners and the injected faults.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "tests/support/simfixture.h"
#include "tests/support/simterminal.h"

namespace {

constexpr char kSoh = 0x01, kEot = 0x04, kAck = 0x06, kNak = 0x15, kCan = 0x18;

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

std::string Frame(uint8_t number, std::string data) {
  data.resize(128, '\0');
  uint8_t sum = 0;
  for (char c : data) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
  return std::string{kSoh, static_cast<char>(number), static_cast<char>(255 - number)} + data +
         static_cast<char>(sum);
}

class XmodemTest : public SimFixture {
 protected:
  void SetUp() override {
    StartSim();
    ASSERT_TRUE(Term.Open(PortPath()));
  }
  // Starts the receiver; the shell's CR LF and the first invitation follow.
  void StartReceiver(const std::string& target) {
    ASSERT_TRUE(Term.TypeEchoed("C:\\transfer /R " + target + "\r"));
    ASSERT_EQ(Term.ReadExact(2), "\r\n");
  }
  SimTerminal Term;
};

class SxSizes : public XmodemTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(SxSizes, fileFromSxArrivesByteExactWithItsPadding) {
  const size_t size = GetParam();
  const std::string data = RandomBytes(size, static_cast<unsigned>(size));
  const std::string source = TempDir() + "/source.bin";
  std::ofstream(source, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
  ASSERT_TRUE(Sim().MakeDir("\\IN"));
  ASSERT_TRUE(Term.TypeEchoed("C:\\transfer /R D:\\IN\\FILE.BIN\r"));
  // sx reads the shell's CR LF as noise before the receiver's NAK.
  const std::string command =
      "timeout 60 sx -q '" + source + "' <'" + PortPath() + "' >'" + PortPath() + "' 2>/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0);
  const std::string closing = Term.ReadUntilPrompt();
  EXPECT_NE(closing.find("Received FILE.BIN"), std::string::npos) << closing;
  const auto stored = Sim().GetFile("\\IN\\FILE.BIN");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->size(), (size + 127) / 128 * 128);
  EXPECT_EQ(stored->substr(0, size), data);
  for (size_t i = size; i < stored->size(); ++i) ASSERT_EQ((*stored)[i], '\x1A') << "sx pads with Ctrl+Z";
}

INSTANTIATE_TEST_SUITE_P(Sizes, SxSizes, ::testing::Values(0u, 1u, 128u, 129u, 40000u));

TEST_F(XmodemTest, keepsZeroPaddingAndAnswersEveryFrame) {
  StartReceiver("PAD.BIN");
  EXPECT_EQ(Term.ReadByte(), kNak);
  // A bad checksum, a wrong complement and a short frame are refused...
  std::string bad = Frame(1, "abc");
  bad.back() = static_cast<char>(bad.back() + 1);
  Term.Write(bad);
  EXPECT_EQ(Term.ReadByte(), kNak);
  std::string badComplement = Frame(1, "abc");
  badComplement[2] = 0;
  Term.Write(badComplement);
  EXPECT_EQ(Term.ReadByte(), kNak);
  // ... the good frame is taken, and its repeat acknowledged but not stored.
  Term.Write(Frame(1, "abc"));
  EXPECT_EQ(Term.ReadByte(), kAck);
  Term.Write(Frame(1, "abc"));
  EXPECT_EQ(Term.ReadByte(), kAck);
  Term.Write(Frame(2, "d"));
  EXPECT_EQ(Term.ReadByte(), kAck);
  Term.Write(std::string(1, kEot));
  EXPECT_EQ(Term.ReadByte(), kAck);
  EXPECT_NE(Term.ReadUntilPrompt().find("Received PAD.BIN, 256 bytes."), std::string::npos);
  std::string expected = "abc";
  expected.resize(128, '\0');
  expected += "d";
  expected.resize(256, '\0');
  EXPECT_EQ(Sim().GetFile("\\PAD.BIN"), expected);
}

TEST_F(XmodemTest, refusesTargetsItCannotWrite) {
  struct Case {
    const char* Target;
    const char* Line;
  } cases[] = {
      {"\\NOFOLDER\\X.BIN", "Path not found"},
      {"C:\\X.BIN", "Access denied"},
      {"A.B.C", "Invalid file name"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Term.TypeEchoed(std::string("C:\\transfer /R ") + c.Target + "\r"));
    EXPECT_EQ(Term.ReadUntilPrompt(), std::string("\r\n") + c.Line + "\r\nD:\\>") << c.Target;
  }
}

TEST_F(XmodemTest, fileLargerThanTheFreeSpaceIsCancelled) {
  ASSERT_TRUE(Sim().PutFile("\\FILL.BIN", std::string(Sim().FreeBytes() - 512, 'f')));
  StartReceiver("TOOBIG.BIN");
  EXPECT_EQ(Term.ReadByte(), kNak);
  for (uint8_t block = 1; block <= 4; ++block) {  // 512 bytes fit
    Term.Write(Frame(block, "y"));
    ASSERT_EQ(Term.ReadByte(), kAck) << int{block};
  }
  Term.Write(Frame(5, "y"));
  EXPECT_EQ(Term.ReadExact(2), std::string(2, kCan));
  EXPECT_NE(Term.ReadUntilPrompt().find("Insufficient disk space"), std::string::npos);
  EXPECT_FALSE(Sim().Exists("\\TOOBIG.BIN"));
}

// NAK and CAN faults show in the sender's tests; the 'C' receiver only here.
TEST_F(XmodemTest, answerCFaultInvitesWithCAndStillTakesAnEmptyFile) {
  talosim::FaultPlan faults;
  faults.XmodemAnswerC = true;
  Sim().SetFaults(faults);
  StartReceiver("longfilename.text");
  EXPECT_EQ(Term.ReadByte(), 'C');
  Term.Write(std::string(1, kEot));
  EXPECT_EQ(Term.ReadByte(), kAck);
  Term.ReadUntilPrompt();
  EXPECT_TRUE(Sim().Exists("\\LONGFILE.TEX")) << "long names are cut to eight dot three";
}

TEST_F(XmodemTest, outsideReceiverGetsTheLineAndTheShellComesBack) {
  SimHarness outside;
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.XmodemReceiverCommand = "cd '" + outside.TempDir() + "' && head -c 5 >";
  ASSERT_TRUE(outside.Start(options)) << outside.LastError();
  SimTerminal term(outside.PortPath());
  ASSERT_TRUE(term.TypeEchoed("C:\\transfer /R D:\\DATA\\GOT.TXT\r"));
  ASSERT_EQ(term.ReadExact(2), "\r\n");
  term.Write("hello");
  EXPECT_EQ(term.ReadUntilPrompt(), "Transfer complete.\r\nD:\\>");
  std::ifstream got(outside.TempDir() + "/GOT.TXT");
  std::string text((std::istreambuf_iterator<char>(got)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "hello");
  EXPECT_EQ(term.Command("cd"), "\r\nD:\\\r\nD:\\>");
}

TEST_F(XmodemTest, stopEndsAnOutsideReceiverThatNeverFinishes) {
  SimHarness outside;
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.XmodemReceiverCommand = "sleep 60 #";
  ASSERT_TRUE(outside.Start(options));
  SimTerminal term(outside.PortPath());
  ASSERT_TRUE(term.TypeEchoed("C:\\transfer /R X.BIN\r"));
  ASSERT_EQ(term.ReadExact(2), "\r\n");
  const auto start = std::chrono::steady_clock::now();
  outside.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
