// The module protocol: checksums and the judgement of a reply on their own,
// then the command line and the module command classes against a scripted
// module on a pty - how the commands are framed, how replies are read, and
// what a failed or garbled reply leaves behind; and the panel state a poll
// leaves.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "link/port/talocomport.h"
#include "module/diomodule.h"
#include "module/diopanelstate.h"
#include "module/moduleprotocol.h"
#include "tests/support/ptypair.h"

namespace {

// A module on the other end of the line: reads commands up to CR and
// writes what Reply gives for each (without echo, as modules answer).
class ScriptedModule {
 public:
  std::function<std::string(const std::string& command)> Reply = [](const std::string&) {
    return std::string("!\r");
  };

  ScriptedModule() {
    Worker = std::thread([this] {
      std::string command;
      while (!Stop) {
        const std::string in = Line.Read(1, 10);
        if (in.empty()) continue;
        if (in[0] != '\r') {
          command += in;
          continue;
        }
        std::string answer;
        {
          std::lock_guard lock(Guard);
          Seen.push_back(command);
          answer = Reply(command);
        }
        Line.Write(answer);
        command.clear();
      }
    });
  }
  ~ScriptedModule() {
    Stop = true;
    Worker.join();
  }
  void Answer(std::function<std::string(const std::string&)> reply) {
    std::lock_guard lock(Guard);
    Reply = std::move(reply);
  }
  void AnswerAlways(const std::string& reply) {
    Answer([reply](const std::string&) { return reply; });
  }
  std::vector<std::string> Commands() {
    std::lock_guard lock(Guard);
    return Seen;
  }
  const std::string& Path() const { return Line.SlavePath(); }

 private:
  PtyPair Line;
  std::atomic<bool> Stop{false};
  std::mutex Guard;
  std::vector<std::string> Seen;
  std::thread Worker;
};

class ModuleProtocol : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Port.Open());
    ASSERT_TRUE(Port.Configure(kControllerLine));
    ASSERT_TRUE(Port.SetTimeouts(50));  // short: the failing cases wait for it
  }
  ScriptedModule Peer;
  TaloComPort Port{Peer.Path()};
};

using Checksums = ::ModuleProtocol::Checksums;

TEST(ModuleChecksum, helpersFollowTheByteSum) {
  using ::ModuleProtocol::AppendChecksum;
  using ::ModuleProtocol::Checksum;
  EXPECT_EQ(Checksum("$016"), 0xBB);
  EXPECT_EQ(Checksum(""), 0);
  EXPECT_EQ(Checksum("\xFF\x02"), 0x01) << "bytes above 127 count unsigned";
  EXPECT_EQ(Checksum("\xFF"), 0xFF);

  std::string command = "$016\r";
  AppendChecksum(command);
  EXPECT_EQ(command, "$016BB\r");
  std::string high = "\xFF\r";
  AppendChecksum(high);
  EXPECT_EQ(high, "\xFF" "FF\r") << "always two digits";

  struct Case {
    std::string Reply;
    bool Ok;
    std::string After;
  };
  // '!' + '0' + '1' = 33 + 48 + 49 = 130 = 0x82; '>' = 0x3E.
  const Case cases[] = {
      {"!0182\r", true, "!01\r"},
      {"!01BB\r", false, "!01"},  // mismatch: shortened anyway
      {"!01ZZ\r", false, "!01"},  // not hexadecimal
      {"!01 8\r", false, "!01"},  // a blank is not a digit
      {"AB\r", false, "AB\r"},    // too short
      {">00\r", false, ">"},
      {">3E\r", true, ">\r"},
      {">3e\r", true, ">\r"},
  };
  for (const auto& c : cases) {
    std::string reply = c.Reply;
    const bool ok = ::ModuleProtocol::VerifyChecksum(reply);
    EXPECT_EQ(ok, c.Ok) << c.Reply;
    EXPECT_EQ(reply, c.After) << c.Reply;
  }
}

// The reply's judgement alone, as the line read hands it over.
TEST(ModuleReply, formAndChecksumAreJudgedWithoutAPort) {
  struct Case {
    const char* Reply;
    Checksums Sums;
    bool Accepted;
    const char* After;
  } cases[] = {
      {"!017101\r", Checksums::Off, true, "!017101\r"},
      {">\r", Checksums::Off, true, ">\r"},
      {"?01\r", Checksums::Off, false, "?01\r"},
      {"", Checksums::Off, false, ""},
      {"!017101", Checksums::Off, false, "!017101"},
      {"\r", Checksums::Off, false, "\r"},
      {">3E\r", Checksums::On, true, ">\r"},
      {"!\r", Checksums::On, false, "!\r"},
      {">3F\r", Checksums::On, false, ">"},
  };
  for (const Case& c : cases) {
    std::string reply = c.Reply;
    EXPECT_EQ(::ModuleProtocol::AcceptReply(reply, '\r', c.Sums), c.Accepted) << c.Reply;
    EXPECT_EQ(reply, c.After) << c.Reply;
  }
}

TEST_F(ModuleProtocol, moduleCommandJudgesTheReplyAndSealsTheCommandWithChecksumsOn) {
  struct Case {
    const char* Name;
    Checksums Sums;
    std::string Reply;
    bool Result;
    std::string After;
  } cases[] = {
      {"questionMarkIsRefused", Checksums::Off, "?01\r", false, "?01\r"},
      {"bareAcknowledgeIsAccepted", Checksums::Off, ">\r", true, ">\r"},
      {"replyWithoutCarriageReturnTimesOut", Checksums::Off, "!017101", false, "!017101"},
      {"dataReplyIsAccepted", Checksums::Off, "!017101\r", true, "!017101\r"},
      {"checksummedReplyIsVerifiedAndStripped", Checksums::On, ">3E\r", true, ">\r"},
      {"wrongChecksumIsRefused", Checksums::On, ">00\r", false, ">"},
  };
  std::vector<std::string> sent;
  for (const Case& c : cases) {
    Peer.AnswerAlways(c.Reply);
    std::string reply;
    EXPECT_EQ(::ModuleProtocol::ModuleCommand(Port, "$016\r", 1024, &reply, c.Sums), c.Result)
        << c.Name;
    EXPECT_EQ(reply, c.After) << c.Name;
    sent.push_back(c.Sums == Checksums::On ? "$016BB" : "$016");
  }
  EXPECT_EQ(Peer.Commands(), sent);
}

TEST_F(ModuleProtocol, moduleCommandWithoutReplyBufferSendsAndFails) {
  EXPECT_FALSE(::ModuleProtocol::ModuleCommand(Port, "#01\r", 1024, nullptr));
  for (int waited = 0; Peer.Commands().empty() && waited < 1000; waited += 10)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(Peer.Commands(), std::vector<std::string>{"#01"});
}

TEST_F(ModuleProtocol, commandsCarryTheAddressAndTheirCode) {
  DioModule module(&Port, "0123");  // cut to two characters
  std::string a, b;
  EXPECT_TRUE(module.ReadConfiguration());
  EXPECT_TRUE(module.SendOL());
  EXPECT_TRUE(module.DigitalIn.ReadStatus(a));
  EXPECT_TRUE(module.WriteDOChannel(2, "1"));
  EXPECT_TRUE(module.WriteDOChannel(10, "0"));
  module.SetAddress("02");
  EXPECT_EQ(module.PreviousAddress(), "01");
  EXPECT_TRUE(module.SendOL());
  (void)module.ReadDIO(a, b);
  EXPECT_TRUE(module.WriteDOChannel(3, "0"));
  EXPECT_EQ(Peer.Commands(), (std::vector<std::string>{"$012", "#01OL", "$016", "#011201",
                                                       "#011A00", "#02OL", "$026", "#021300"}));
}

TEST_F(ModuleProtocol, configurationCodesAreReadOnceAndGiveTheFormatBits) {
  Peer.AnswerAlways("!01400680\r");
  DioModule module(&Port, "01");
  std::string text;
  EXPECT_TRUE(module.GetTypeCode(text));
  EXPECT_EQ(text, "40");
  EXPECT_EQ(module.BaudCode(), "06");
  EXPECT_TRUE(module.GetFormatBit(7, text));
  EXPECT_EQ(text, "1");
  EXPECT_TRUE(module.GetFormatBits5To2(text));
  EXPECT_EQ(text, "0000");
  EXPECT_FALSE(module.GetFormatBit(8, text));
  EXPECT_EQ(Peer.Commands().size(), 1u);  // cached after the first read

  struct Case {
    const char* Before;
    void (ModuleLink::*Set)(std::string_view);
    const char* Bits;
    const char* After;
  } cases[] = {{"00", &ModuleLink::SetFormatBit6, "1", "40"},
               {"FF", &ModuleLink::SetFormatBits1To0, "10", "FE"},
               {"00", &ModuleLink::SetFormatBits1To0, "10", "02"},
               {"00", &ModuleLink::SetFormatBits5To2, "1010", "28"},
               {"", &ModuleLink::SetFormatBit7, "1", "80"},
               {"zz", &ModuleLink::SetFormatBit2B, "1", "04"}};
  for (const Case& c : cases) {
    module.SetDataFormat(c.Before);
    (module.*c.Set)(c.Bits);
    EXPECT_EQ(module.DataFormat(), c.After) << c.Before << " " << c.Bits;
  }
  module.SetDataFormat("FF");
  module.SetFormatBit(1, "0");
  EXPECT_EQ(module.DataFormat(), "FD");
}

TEST_F(ModuleProtocol, errorSilentShortAndOverlongRepliesFailEveryCommand) {
  const std::string overlong = "!" + std::string(70, '0') + "\r";
  for (const std::string& reply : {std::string("?01\r"), std::string(), std::string("!0F0300"),
                                   overlong}) {
    Peer.AnswerAlways(reply);
    DioModule module(&Port, "01");
    module.SetTypeCode("40");
    std::string a, b;
    EXPECT_FALSE(module.ReadConfiguration()) << reply;
    EXPECT_EQ(module.TypeCode(), "40");  // left as it was
    EXPECT_FALSE(module.SendOL());
    EXPECT_FALSE(module.ReadDIO(a, b));
    EXPECT_FALSE(module.WriteDOChannel(0, "1"));
  }
  DioModule unplugged(nullptr, "01");
  EXPECT_FALSE(unplugged.SendOL());
}

struct StatusCase {
  const char* Reply;
  bool Ok;
  const char* DOByte;
  const char* DIByte;
};

TEST_F(ModuleProtocol, statusGivesTwoHexBytesOrFailsKeepingTheLastReadState) {
  const StatusCase cases[] = {{"!050A00\r", true, "05", "0A"},
                              {"!0F03\r", true, "0F", "03"},
                              {">0f0300\r", true, "0f", "03"},
                              {"!0F\r", false, "0F", ""},
                              {"!\r", false, "", ""},
                              {"!0F0G00\r", false, "0F", "0G"}};
  DioModule module(&Port, "01");
  DioPanelState state;
  for (const StatusCase& c : cases) {
    Peer.AnswerAlways(c.Reply);
    DioReading reading;
    reading.Ok = module.ReadDIO(reading.DOByte, reading.DIByte);
    EXPECT_EQ(reading.Ok, c.Ok) << c.Reply;
    EXPECT_EQ(reading.DOByte, c.DOByte) << c.Reply;
    EXPECT_EQ(reading.DIByte, c.DIByte) << c.Reply;
    if (std::string(c.Reply) == "!050A00\r") {
      state.Apply(reading);
      EXPECT_EQ(state.HexText(), "0x0A05");
      EXPECT_EQ(state.LampsText(), "DI 0101 DO 1010");
      EXPECT_EQ(state.ToggleValue(0), "0");
      EXPECT_EQ(state.ToggleValue(1), "1");
    }
  }
  // A garbled status is a failed poll: failure image, lamps and hex kept.
  Peer.AnswerAlways("!0F\r");
  DioReading garbled;
  garbled.Ok = module.ReadDIO(garbled.DOByte, garbled.DIByte);
  state.Apply(garbled);
  EXPECT_EQ(state.StatusKey(), "2");
  EXPECT_EQ(state.StatusMessage(), "Fail to fresh DIO data!");
  EXPECT_EQ(state.HexText(), "0x0A05");
  EXPECT_EQ(state.LampsText(), "DI 0101 DO 1010");
  state.Apply(garbled);
  EXPECT_EQ(state.StatusKey(), "3");
}

TEST(DioPanelState, aClickBeforeAnyGoodPollHasNothingToActOn) {
  DioPanelState state;
  EXPECT_EQ(state.StatusKey(), "0");
  state.Apply(DioReading{false, "", ""});
  EXPECT_FALSE(state.ToggleValue(0).has_value());
  EXPECT_EQ(state.HexText(), "");
  state.Apply(DioReading{true, "00", "00"});
  EXPECT_EQ(state.StatusKey(), "0");
  EXPECT_EQ(state.ToggleValue(3), "1");
  EXPECT_FALSE(state.ToggleValue(4).has_value());
}

}  // namespace
