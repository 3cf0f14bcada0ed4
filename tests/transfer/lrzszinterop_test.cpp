// The sender against a receiver nobody here wrote: lrzsz rx in checksum
// mode, started when the controller's shell gets "C:\transfer /R".
#include <gtest/gtest.h>

#include <QStandardPaths>
#include <QTemporaryDir>

#include "recordingconsole.h"
#include "simfixture.h"
#include "transferpeer.h"
#include "transfertesting.h"

using namespace transfertest;

namespace {

bool HaveRx() { return !QStandardPaths::findExecutable("rx").isEmpty(); }

// Sends bytes as D:\RX.BIN through the line at path; the sender's state.
int32_t SendThrough(const std::string& path, const std::string& bytes, const QTemporaryDir& pcDir) {
  auto port = OpenPort(path, 500);
  if (!port) return 98;
  RecordingConsole console;
  TThreadXModem sender;
  sender.Port = port.get();
  sender.Console = &console;
  sender.SourcePath = WriteFile(pcDir, "source.bin", bytes);
  sender.TargetName = "D:\\RX.BIN";
  const int32_t state = RunToEnd(sender);
  EXPECT_EQ(sender.Progress.load(), 100);
  return state;
}

// rx on pipes: every size the block arithmetic can get wrong.
class LrzszInterop : public ::testing::TestWithParam<size_t> {};

TEST_P(LrzszInterop, fileArrivesByteExactApartFromZeroPadding) {
  if (!HaveRx()) GTEST_SKIP() << "lrzsz rx not installed";
  const size_t size = GetParam();
  QTemporaryDir pcDir, receiveDir;
  TransferPeer::Options options;
  options.ExternalReceiver = "rx -b -q";
  options.WorkDir = receiveDir.path().toStdString();
  TransferPeer peer(options);
  ASSERT_TRUE(peer.Start());
  const std::string bytes = RandomBytes(size, static_cast<uint32_t>(size) * 7 + 3);
  EXPECT_EQ(SendThrough(peer.SlavePath(), bytes, pcDir), 0);
  peer.Stop();
  // rx stores every block it acknowledged, the zero padding included.
  EXPECT_TRUE(ReadFile(receiveDir.filePath("RX.BIN")) == Padded(bytes));
}

INSTANTIATE_TEST_SUITE_P(Sizes, LrzszInterop,
                         ::testing::Values(size_t{0}, size_t{1}, size_t{127}, size_t{128},
                                           size_t{129}, size_t{32768 + 1}, size_t{256 * 128 + 5}),
                         [](const auto& info) { return "bytes" + std::to_string(info.param); });

// rx behind the simulator's shell, on its pty. rx flushes the line as it
// exits, which can swallow its last ACK: the sender then counts the EOT as
// unacknowledged, which still makes a successful transfer.
class LrzszBehindSimulator : public SimFixture {};

TEST_F(LrzszBehindSimulator, blockNumbersWrapAndTheFileArrives) {
  if (!HaveRx()) GTEST_SKIP() << "lrzsz rx not installed";
  QTemporaryDir pcDir, receiveDir;
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.XmodemReceiverCommand =
      "cd '" + receiveDir.path().toStdString() + "' && exec 2>/dev/null && rx -b -q";
  StartSim(options);
  const std::string bytes = RandomBytes(256 * 128 + 5, 99);
  EXPECT_EQ(SendThrough(PortPath(), bytes, pcDir), 0);
  Harness.Stop();
  EXPECT_TRUE(ReadFile(receiveDir.filePath("RX.BIN")) == Padded(bytes));
}

}  // namespace
