// The XMODEM sender against a scripted receiver on a pty.
#include "tthreadxmodem.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "recordingconsole.h"
#include "transferpeer.h"
#include "transfertesting.h"
#include "transfertext.h"

using namespace transfertest;

namespace {

// Short time-outs keep the drain and the closing reads quick; the peer
// answers at once, so nothing else changes.
constexpr uint32_t kTestTimeoutMs = 200;

struct FrameCase {
  const char* Name;
  uint8_t Number;
  std::string Data;
};

class FrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameTest, buildsHeaderPaddingAndChecksum) {
  const FrameCase& c = GetParam();
  const auto frame = TThreadXModem::BuildFrame(
      c.Number, reinterpret_cast<const uint8_t*>(c.Data.data()), static_cast<int>(c.Data.size()));
  EXPECT_EQ(frame[0], 0x01);
  EXPECT_EQ(frame[1], c.Number);
  EXPECT_EQ(frame[2], 255 - c.Number);
  uint8_t sum = 0;
  for (size_t i = 0; i < 128; ++i) {
    const uint8_t expected = i < c.Data.size() ? static_cast<uint8_t>(c.Data[i]) : 0;
    EXPECT_EQ(frame[3 + i], expected) << "data byte " << i;
    sum = static_cast<uint8_t>(sum + expected);
  }
  EXPECT_EQ(frame[131], sum);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FrameTest,
    ::testing::Values(FrameCase{"fullBlock", 1, RandomBytes(128, 7)},
                      FrameCase{"oneByteIsPaddedWithZeros", 2, std::string("\x5A")},
                      FrameCase{"paddingIsZeroNotCtrlZ", 3, std::string(100, '\x1A')},
                      FrameCase{"number255", 255, RandomBytes(128, 8)},
                      FrameCase{"numberWrapsToZero", 0, RandomBytes(5, 9)}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(XModemProgress, isWholePercentAndNeverDividesByZero) {
  EXPECT_EQ(TThreadXModem::PercentOf(0, 0), 100);
  EXPECT_EQ(TThreadXModem::PercentOf(128, 129), 99);
  EXPECT_EQ(TThreadXModem::PercentOf(129, 129), 100);
  EXPECT_EQ(TThreadXModem::PercentOf(200, 129), 100);  // the file grew meanwhile
  // Sizes beyond 32 bits neither wrap nor overflow the product.
  EXPECT_EQ(TThreadXModem::PercentOf(int64_t{3} << 31, int64_t{6} << 31), 50);
}

class XModemSender : public ::testing::Test {
 protected:
  // Sends file (a path) as target through a peer with the given options.
  int32_t Send(TransferPeer::Options options, const QString& path,
               const QByteArray& target = "D:\\FILE.BIN", int cancelAtPercent = -1) {
    Peer = std::make_unique<TransferPeer>(std::move(options));
    if (!Peer->Start()) return 99;
    Port = OpenPort(Peer->SlavePath(), kTestTimeoutMs);
    if (!Port) return 98;
    Sender = std::make_unique<TThreadXModem>();
    Sender->Port = Port.get();
    Sender->Console = &Console;
    Sender->SourcePath = path;
    Sender->TargetName = target;
    const int32_t state = RunToEnd(*Sender, cancelAtPercent);
    Progress = Sender->Progress.load();
    Sender.reset();
    return state;
  }
  QStringList ConsoleLines() const {
    QStringList lines = Console.Lines;
    lines.removeAll(QString());
    return lines;
  }

  QTemporaryDir Dir;
  RecordingConsole Console;
  std::unique_ptr<TransferPeer> Peer;
  std::unique_ptr<TaloComPort> Port;
  std::unique_ptr<TThreadXModem> Sender;
  int Progress = -1;
};

TEST_F(XModemSender, uploadsByteExactPaddedToWholeBlocks) {
  // 0: EOT only; 129: a second block of one byte;
  // 256 * 128 + 5: block numbers run 255, 0, 1, ...
  for (const size_t size : {size_t{0}, size_t{129}, size_t{256 * 128 + 5}}) {
    SCOPED_TRACE(size);
    const std::string bytes = RandomBytes(size, static_cast<uint32_t>(size) + 1);
    const QString path = WriteFile(Dir, QStringLiteral("f%1.bin").arg(size), bytes);
    Console.Clear();
    ASSERT_EQ(Send({}, path), 0);
    EXPECT_EQ(Progress, 100);
    const auto files = Peer->Files();
    ASSERT_EQ(files.count("D:\\FILE.BIN"), 1u);
    EXPECT_TRUE(files.at("D:\\FILE.BIN") == Padded(bytes));
    EXPECT_EQ(Peer->Commands(), std::vector<std::string>{"C:\\transfer /R D:\\FILE.BIN"});
    EXPECT_EQ(ConsoleLines(),
              (QStringList{"C:\\transfer /R D:\\FILE.BIN", TransferText::kTransferring,
                           TransferText::kGotEotAck, "File received"}));
  }
}

TEST_F(XModemSender, cancelInDataPhaseSendsFiveCanOnceAndShowsReceiverLines) {
  const QString path = WriteFile(Dir, "big.bin", RandomBytes(64 * 1024, 13));
  EXPECT_EQ(Send({}, path, "D:\\BIG.BIN", 5), -1);
  EXPECT_EQ(Peer->CancelRun(), 5);
  const QStringList lines = ConsoleLines();
  EXPECT_TRUE(lines.contains("Transfer cancelled"));
  EXPECT_FALSE(lines.contains(TransferText::kTransferCancelled));
  EXPECT_FALSE(lines.contains(TransferText::kGotEotAck));
  EXPECT_GE(Progress, 5);
  EXPECT_LT(Progress, 100);
}

TEST_F(XModemSender, receiverAskingForCrcNeverStarts) {
  TransferPeer::Options options;
  options.AnswerC = true;
  EXPECT_EQ(Send(options, WriteFile(Dir, "c.bin", RandomBytes(300, 14))), -1);
  EXPECT_EQ(ConsoleLines().last(), TransferText::kNoAckFromTalo);
  EXPECT_EQ(Peer->ReceiverInput(), "");  // not one byte after the command line
}

TEST_F(XModemSender, missingFileSendsNothing) {
  EXPECT_EQ(Send({}, Dir.filePath("absent.bin")), -1);
  EXPECT_EQ(ConsoleLines(), QStringList{TransferText::kCannotOpenSendFile});
  EXPECT_TRUE(Peer->Commands().empty());
}

TEST_F(XModemSender, cancelBeforeTheReceiverStartsSendsNothing) {
  TransferPeer::Options options;
  options.StartDelayMs = 1000;
  Peer = std::make_unique<TransferPeer>(options);
  ASSERT_TRUE(Peer->Start());
  Port = OpenPort(Peer->SlavePath(), kTestTimeoutMs);
  ASSERT_TRUE(Port);
  TThreadXModem sender;
  sender.Port = Port.get();
  sender.Console = &Console;
  sender.SourcePath = WriteFile(Dir, "w.bin", RandomBytes(300, 16));
  sender.TargetName = "D:\\W.BIN";
  sender.CancelRequested = true;
  EXPECT_EQ(RunToEnd(sender), -1);
  EXPECT_EQ(ConsoleLines().last(), TransferText::kTransferCancelled);
  EXPECT_EQ(Peer->ReceiverInput(), "");
}

TEST_F(XModemSender, missingPortOrConsoleFailsAtOnce) {
  TThreadXModem sender;
  sender.SourcePath = WriteFile(Dir, "p.bin", "x");
  EXPECT_EQ(RunToEnd(sender), -1);
  EXPECT_EQ(ConsoleLines(), QStringList{});
}

TEST_F(XModemSender, deletingARunningSenderCancelsAndJoins) {
  Peer = std::make_unique<TransferPeer>();
  ASSERT_TRUE(Peer->Start());
  Port = OpenPort(Peer->SlavePath(), kTestTimeoutMs);
  ASSERT_TRUE(Port);
  auto sender = std::make_unique<TThreadXModem>();
  sender->Port = Port.get();
  sender->Console = &Console;
  sender->SourcePath = WriteFile(Dir, "d.bin", RandomBytes(64 * 1024, 17));
  sender->TargetName = "D:\\D.BIN";
  sender->Resume();
  while (sender->Acknowledged.load() == 0 && sender->TransferState.load() == 1) {
    Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  sender.reset();  // must neither hang nor touch freed fields
  EXPECT_EQ(Peer->Files().count("D:\\D.BIN"), 0u);
}

}  // namespace
