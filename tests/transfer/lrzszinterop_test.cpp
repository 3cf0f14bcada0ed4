// The sender against a receiver nobody here wrote: lrzsz rx in checksum
// mode, started when the controller's shell gets "C:\transfer /R".
#include <gtest/gtest.h>

#include <QStandardPaths>
#include <QTemporaryDir>

#include "recordingconsole.h"
#include "transferpeer.h"
#include "transfertesting.h"

using namespace transfertest;

namespace {

class LrzszInterop : public ::testing::TestWithParam<size_t> {};

TEST_P(LrzszInterop, fileArrivesByteExactApartFromZeroPadding) {
  if (QStandardPaths::findExecutable("rx").isEmpty()) GTEST_SKIP() << "lrzsz rx not installed";
  const size_t size = GetParam();
  QTemporaryDir pcDir, receiveDir;
  TransferPeer::Options options;
  options.ExternalReceiver = "rx -b -q";
  options.WorkDir = receiveDir.path().toStdString();
  TransferPeer peer(options);
  ASSERT_TRUE(peer.Start());
  // rx acknowledges an EOT only after a second of silence: the transfers'
  // own 500 ms time-out leaves the sender's read just long enough to get it.
  // A late ACK costs a few more EOTs, not the file.
  auto port = OpenPort(peer.SlavePath(), 500);
  ASSERT_TRUE(port);

  const std::string bytes = RandomBytes(size, static_cast<uint32_t>(size) * 7 + 3);
  RecordingConsole console;
  TThreadXModem sender;
  sender.Port = port.get();
  sender.Console = &console;
  sender.SourcePath = WriteFile(pcDir, "source.bin", bytes);
  sender.TargetName = "D:\\RX.BIN";
  EXPECT_EQ(RunToEnd(sender), 0);
  EXPECT_EQ(sender.Progress.load(), 100);
  peer.Stop();

  // rx stores every block it acknowledged, the zero padding included.
  const std::string arrived = ReadFile(receiveDir.filePath("RX.BIN"));
  EXPECT_EQ(arrived.size(), Padded(bytes).size());
  EXPECT_TRUE(arrived == Padded(bytes));
}

INSTANTIATE_TEST_SUITE_P(Sizes, LrzszInterop,
                         ::testing::Values(size_t{0}, size_t{1}, size_t{127}, size_t{128},
                                           size_t{129}, size_t{32768 + 1}, size_t{256 * 128 + 5}),
                         [](const auto& info) { return "bytes" + std::to_string(info.param); });

}  // namespace
