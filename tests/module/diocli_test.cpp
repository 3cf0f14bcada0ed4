// talo7100-cli dio against the simulated controller: one line per poll,
// outputs switched only when they differ, Ctrl+C still releasing the
// controller, and the calls it refuses.
#include "diocli.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <thread>

#include "diotesting.h"
#include "diotext.h"

using namespace diotest;

namespace {

std::string Contents(FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  char buffer[256];
  while (size_t n = std::fread(buffer, 1, sizeof buffer, file)) text.append(buffer, n);
  return text;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class DioCommand : public DioSimTest {
 protected:
  void SetUp() override {
    DioSimTest::SetUp();
    Lines = std::tmpfile();
    Messages = std::tmpfile();
  }
  void TearDown() override {
    std::fclose(Lines);
    std::fclose(Messages);
    DioSimTest::TearDown();
  }
  int Run(const QStringList& arguments) {
    return DioCli::Run(Shell, arguments, {Lines, Messages, false}, Timings());
  }
  bool Released() {
    return Sim().Received().ends_with("del D:\\simu7101.exe\rdel D:\\MODID.exe\r") &&
           !Sim().Exists("\\MODID.EXE") && !Sim().Exists("\\SIMU7101.EXE");
  }

  FILE* Lines = nullptr;
  FILE* Messages = nullptr;
};

TEST_F(DioCommand, setsOnlyWhatDiffersAndPrintsEveryPoll) {
  Start("7101", 0x0A);
  EXPECT_EQ(Run({"--set", "1=1", "--set", "1=1", "--set", "0=0", "--yes"}), 0)
      << Contents(Messages);
  EXPECT_EQ(Contents(Lines), "0x0A00 DI 0101 DO 0000\n0x0A02 DI 0101 DO 0100\n");
  EXPECT_EQ(Count(Sim().Received(), "#011"), 1u);
  EXPECT_EQ(Sim().ModuleOutputs(), 0x02);
  EXPECT_TRUE(Released());
}

// The module says ">" and keeps its outputs: the state read back shows it,
// so the command fails with the panel's message.
TEST_F(DioCommand, aSetTheModuleDoesNotMakeFailsWithFailToSetDO) {
  Start("7101", 0x0A);
  talosim::FaultPlan ignoring;
  ignoring.ModuleIgnoresSets = true;
  Sim().SetFaults(ignoring);
  EXPECT_EQ(Run({"--set", "2=1", "--yes"}), 1);
  EXPECT_EQ(Count(Contents(Messages), DioText::kSetFailed), 1u) << Contents(Messages);
  EXPECT_EQ(Contents(Lines), "0x0A00 DI 0101 DO 0000\n0x0A00 DI 0101 DO 0000\n");
  EXPECT_TRUE(Released());
}

TEST_F(DioCommand, ctrlCEndsTheWatchAndStillReleases) {
  Start("7101", 0x05);
  std::thread interrupter([this] {
    for (int i = 0; i < 500 && Count(Sim().Received(), "$016\r") < 3; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::raise(SIGINT);
  });
  const int status = Run({"--watch", "--yes"});
  interrupter.join();
  EXPECT_EQ(status, 0) << Contents(Messages);
  EXPECT_GE(Count(Contents(Lines), "0x0500 DI 1010 DO 0000\n"), 3u);
  EXPECT_TRUE(Released());
}

// The adapter unplugged during a watch: the command ends at once with the
// disconnection message instead of failing a poll every interval for ever,
// and tries no release on the dead line.
TEST_F(DioCommand, aHangUpEndsTheWatchWithItsMessage) {
  Start("7101", 0x05);
  std::thread unplug([this] {
    for (int i = 0; i < 500 && Count(Sim().Received(), "$016\r") < 2; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Sim().HangUp();
  });
  const int status = Run({"--watch", "--yes"});
  unplug.join();
  EXPECT_EQ(status, 1);
  EXPECT_EQ(Dialogs.Errors(), QStringList{ShellText::Disconnected(QString::fromStdString(PortPath()))});
  EXPECT_EQ(Count(Contents(Messages), DioText::kPollFailed), 0u) << Contents(Messages);
  EXPECT_EQ(Sim().Received().find("del D:\\simu7101.exe"), std::string::npos);
}

TEST_F(DioCommand, refusesWrongSetsAndStopsAtNo) {
  Start();
  for (const QStringList& wrong : {QStringList{"--set", "4=1"}, QStringList{"--set", "1=2"},
                                   QStringList{"--set", "1"}, QStringList{"extra"}})
    EXPECT_EQ(Run(wrong), 2) << wrong.join(' ').toStdString();
  Dialogs.YesNoAnswers.push_back(false);
  EXPECT_EQ(Run({}), 1);
  EXPECT_EQ(Sim().Commands().back(), "dir");  // listed, nothing uploaded
}

}  // namespace
