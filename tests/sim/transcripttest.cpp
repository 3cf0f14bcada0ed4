// The transcript's lines from the line's reports, at given times.
#include "sim/transcript.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>
#include <string>
#include <vector>

#include "tests/support/simfixture.h"

namespace {

using talosim::LineObserver;
using talosim::Transcript;

struct Event {
  char Kind;  // '>' received, '<' sent, 'o' opened, 'c' closed
  std::string Bytes;
  int AtMs;
};

struct TranscriptCase {
  const char* Name;
  std::vector<Event> Events;
  std::string Lines;  // after the heading line
};

std::string Record(const std::vector<Event>& events) {
  std::ostringstream out;
  Transcript transcript(out, std::chrono::milliseconds(100));
  const auto start = LineObserver::Clock::time_point{};
  for (const Event& e : events) {
    const auto at = start + std::chrono::milliseconds(e.AtMs);
    if (e.Kind == '>') transcript.Received(e.Bytes, at);
    if (e.Kind == '<') transcript.Sent(e.Bytes, at);
    if (e.Kind == 'o') transcript.Port(LineObserver::PortEvent::Opened, at);
    if (e.Kind == 'c') transcript.Port(LineObserver::PortEvent::Closed, at);
  }
  transcript.Finish();
  const std::string text = out.str();
  return text.substr(text.find('\n') + 1);
}

// The exchange of one backup block: the helper's frame, the PC's "111".
// The third frame is all text, as image data may be.
std::vector<Event> BackupBlocks(int count) {
  std::vector<Event> events;
  for (int i = 0; i < count; ++i) {
    const std::string frame = i == 2 ? std::string("KEEPERRDV[")
                                     : std::string("\x01\x02\x03\x04\x05\x06\x07", 7) +
                                           char(i) + "\xAA\xBB";
    events.push_back({'<', frame, 0});
    events.push_back({'>', "111\x8F\xE0", 0});
  }
  return events;
}

std::string BackupFrames(int count) {
  std::string all;
  for (const Event& e : BackupBlocks(count))
    if (e.Kind == '<') all += e.Bytes;
  return all;
}

std::string Hex(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

const std::vector<TranscriptCase> kCases = {
    {"echoedTypingIsOneLine",
     {{'o', "", 0}, {'>', "d", 100}, {'<', "d", 100}, {'>', ":", 100}, {'<', ":", 100},
      {'>', "\r", 100}, {'<', "\r", 100}, {'<', "\n", 100}, {'<', "D:\\>", 100}},
     "| open\n~ 100 ms\n= d:\\r\n< \\n\n  D:\\>\n"},
    {"bytesSentAheadOfTheirEchoAreInput",
     {{'>', "dir\r", 0}, {'<', "d", 0}, {'>', "x", 0}, {'<', "y", 0}},
     "> dir\\r\n< d\n> x\n< y\n"},
    {"lineFeedsBreakTheLine",
     {{'<', "\r\n Volume\r\n\r\nD:\\>", 0}},
     "< \\r\\n\n   Volume\\r\\n\n  \\r\\n\n  D:\\>\n"},
    {"backslashDoubledOnlyBeforeAnEscape",
     {{'>', "C:\\transfer D:\\X\\\r", 0}},
     "> C:\\\\transfer D:\\X\\\\\\r\n"},
    {"binaryUpToEightBytesIsEscaped",
     {{'<', "\r\n\x15", 0}, {'>', std::string("\x04\x00", 2), 0}},
     "< \\r\\n\n  \\x15\n> \\x04\\x00\n"},
    {"longerBinaryShowsLengthAndCrc",
     {{'>', "\x01\x01\xFE" "abcdef", 0}},
     "> [9 bytes crc32 " + Hex(Transcript::Crc32("\x01\x01\xFE" "abcdef")) + "]\n"},
    {"lateBytesKeepTheirSilence",
     {{'<', "a", 0}, {'>', "b", 74}, {'<', "c", 149}, {'>', "d", 323}, {'<', "e", 498}},
     "< a\n> b\n~ 100 ms\n< c\n~ 100 ms\n> d\n~ 200 ms\n< e\n"},
    {"silencesCountWholeQuanta",
     {{'<', "a", 0}, {'>', "b", 275}, {'c', "", 1249}},
     "< a\n~ 300 ms\n> b\n~ 900 ms\n| close\n"},
    {"silenceAfterAnOpeningIsRounded",
     {{'o', "", 0}, {'>', "a", 149}, {'o', "", 1000}, {'>', "b", 1150}},
     "| open\n~ 100 ms\n> a\n~ 800 ms\n| open\n~ 200 ms\n> b\n"},
    {"closeAndSilencesBetweenExchanges",
     {{'<', "D:\\>", 0}, {'c', "", 100}, {'o', "", 100}, {'>', "d", 200}, {'<', "d", 200}},
     "< D:\\>\n~ 100 ms\n| close\n| open\n~ 100 ms\n= d\n"},
    {"closeStandsAfterAnAnswerThatFollowsAtOnce",
     {{'o', "", 0}, {'>', "last", 0}, {'c', "", 1}, {'<', "done", 2}, {'<', "late", 102}},
     "| open\n> last\n< done\n| close\n~ 100 ms\n< late\n"},
    {"bytesSeenAfterACloseWereWrittenBeforeIt",
     {{'o', "", 0}, {'c', "", 10}, {'>', "xyz", 11}},
     "| open\n> xyz\n| close\n"},
    {"repeatedExchangesFold",
     [] {
       std::vector<Event> events = BackupBlocks(5);
       events.push_back({'<', "\r\nImage sent.\r\n", 0});
       return events;
     }(),
     "* 5 x {\n  < [10 bytes]\n  > 111\\x8f\\xe0\n} < 50 bytes crc32 " +
         Hex(Transcript::Crc32(BackupFrames(5))) + "\n< \\r\\n\n  Image sent.\\r\\n\n"},
    {"aPauseInsideARunIsLeftOut",
     [] {
       std::vector<Event> events = BackupBlocks(8);
       for (size_t i = 11; i < events.size(); ++i) events[i].AtMs = 300;
       events.push_back({'<', "\r\nImage sent.\r\n", 600});
       return events;
     }(),
     "* 8 x {\n  < [10 bytes]\n  > 111\\x8f\\xe0\n} < 80 bytes crc32 " +
         Hex(Transcript::Crc32(BackupFrames(8))) + "\n~ 300 ms\n< \\r\\n\n  Image sent.\\r\\n\n"},
    {"linesOfTextFoldOnlyWhenTheSame",
     {{'<', "Erasing 20%\r\n", 0}, {'<', "Erasing 40%\r\n", 200}, {'<', "Erasing 60%\r\n", 400},
      {'<', "Erasing 80%\r\n", 600}},
     "< Erasing 20%\\r\\n\n~ 200 ms\n< Erasing 40%\\r\\n\n~ 200 ms\n"
     "< Erasing 60%\\r\\n\n~ 200 ms\n< Erasing 80%\\r\\n\n"},
    {"twoRepeatsDoNotFold",
     BackupBlocks(2),
     [] {
       std::string lines;
       for (const Event& e : BackupBlocks(2))
         lines += e.Kind == '<' ? "< [10 bytes crc32 " + Hex(Transcript::Crc32(e.Bytes)) + "]\n"
                                : "> 111\\x8f\\xe0\n";
       return lines;
     }()},
};

void PrintTo(const TranscriptCase& c, std::ostream* out) { *out << c.Name; }

class TranscriptLines : public ::testing::TestWithParam<TranscriptCase> {};

TEST_P(TranscriptLines, areAsRead) { EXPECT_EQ(Record(GetParam().Events), GetParam().Lines); }

INSTANTIATE_TEST_SUITE_P(Cases, TranscriptLines, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TranscriptCase>& info) {
                           return std::string(info.param.Name);
                         });

TEST(TranscriptCrc, isTheCommonCrc32) { EXPECT_EQ(Transcript::Crc32("123456789"), 0xCBF43926u); }

}  // namespace

namespace {

// The pty hands a write over after the writer may already have closed: the
// bytes still come before the close, however late the controller looks.
TEST(TranscriptOfTheLine, bytesWrittenJustBeforeACloseComeFirst) {
  for (int run = 0; run < 5; ++run) {
    SimHarness harness;
    talosim::SimOptions options = SimHarness::DefaultOptions();
    options.Faults.NoEcho = true;
    options.TranscriptFile = harness.TempDir() + "/transcript.txt";
    ASSERT_TRUE(harness.Start(options)) << harness.LastError();
    const int fd = open(harness.PortPath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "xyz", 3), 3);
    close(fd);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (harness.Sim().Received() != "xyz" && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    harness.Stop();
    std::ifstream file(options.TranscriptFile);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.substr(text.find('\n') + 1), "| open\n> xyz\n| close\n");
  }
}

}  // namespace
