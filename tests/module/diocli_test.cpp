// talo7100-cli dio against the simulated controller: one line per poll,
// outputs switched only when they differ and checked in the state read back,
// Ctrl+C still releasing the controller and stopping a start at once, and
// the calls it refuses.
#include "module/cli/diocli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include <QRegularExpression>

#include "module/diotext.h"
#include "tests/module/diotesting.h"

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
    return CompanionsDeleted() &&
           Sim().Received().ends_with("del D:\\simu7101.exe\rdel D:\\MODID.exe\r");
  }

  FILE* Lines = nullptr;
  FILE* Messages = nullptr;
};

TEST_F(DioCommand, setsOnlyWhatDiffersAndPrintsEveryPoll) {
  Start("7101", 0x0A);
  EXPECT_EQ(Run({"--set", "1=1", "--set", "1=1", "--set", "0=0", "--yes"}), 0)
      << Contents(Messages);
  EXPECT_EQ(Contents(Lines),
            "DI0=0 DI1=1 DI2=0 DI3=1 DO0=0 DO1=0 DO2=0 DO3=0\n"
            "DI0=0 DI1=1 DI2=0 DI3=1 DO0=0 DO1=1 DO2=0 DO3=0\n");
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
  EXPECT_EQ(Contents(Lines),
            "DI0=0 DI1=1 DI2=0 DI3=1 DO0=0 DO1=0 DO2=0 DO3=0\n"
            "DI0=0 DI1=1 DI2=0 DI3=1 DO0=0 DO1=0 DO2=0 DO3=0\n");
  EXPECT_TRUE(Released());
}

// The watch prints a state when it changes, with its time: three polls of
// one state and three of the next make two lines.
TEST_F(DioCommand, ctrlCEndsTheWatchAndStillReleases) {
  Start("7101", 0x05);
  std::thread interrupter([this] {
    const auto waitPolls = [this](size_t polls) {
      for (int i = 0; i < 500 && Count(Sim().Received(), "$016\r") < polls; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    waitPolls(3);
    Sim().SetModuleInputs(0x0C);
    waitPolls(6);
    std::raise(SIGINT);
  });
  const int status = Run({"--watch", "--yes"});
  interrupter.join();
  EXPECT_EQ(status, 0) << Contents(Messages);
  const QString stamp = QStringLiteral("\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] ");
  const QString lines = QString::fromStdString(Contents(Lines));
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^") + stamp +
                                 QStringLiteral("DI0=1 DI1=0 DI2=1 DI3=0 DO0=0 DO1=0 DO2=0 DO3=0\\n") + stamp +
                                 QStringLiteral("DI0=0 DI1=0 DI2=1 DI3=1 DO0=0 DO1=0 DO2=0 DO3=0\\n$"))
                  .match(lines)
                  .hasMatch())
      << lines.toStdString();
  EXPECT_TRUE(Released());
}

// Ctrl+C while a companion program is uploaded: the upload is cancelled and
// nothing further is typed.
TEST_F(DioCommand, ctrlCDuringAnUploadStopsTheStartAtOnce) {
  Start("7101", 0x05);
  talosim::FaultPlan slow;  // the receiver keeps asking for block 1 again
  slow.XmodemNakBlock = 1;
  slow.XmodemNakCount = 1000;
  Sim().SetFaults(slow);
  std::thread interrupter([this] {
    for (int i = 0; i < 500 && Sim().Received().find("C:\\transfer /R") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::raise(SIGINT);
  });
  const int status = Run({"--watch", "--yes"});
  interrupter.join();
  EXPECT_EQ(status, 130) << Contents(Messages);
  EXPECT_TRUE(Dialogs.Errors().isEmpty()) << Dialogs.Errors().join('|').toStdString();
  const std::vector<std::string> commands = Sim().Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "D:\\MODID"), 0);
}

// Ctrl+C while MODID identifies the module (it has run): the start stops
// there, and the companion programs are deleted.
TEST_F(DioCommand, ctrlCDuringTheIdentificationStopsAndDeletesTheCompanions) {
  Start("7101", 0x05);
  DioTimings timings = Timings();
  const DioTimings recorded = timings;
  timings.Pause = [&recorded](uint32_t ms) {
    if (ms == recorded.AnswerPauseMs) DioCli::RequestStop();  // the pause before its lines
    recorded.Pause(ms);
  };
  const int status = DioCli::Run(Shell, {"--watch", "--yes"}, {Lines, Messages, false}, timings);
  EXPECT_EQ(status, 130) << Contents(Messages);
  EXPECT_EQ(Contents(Lines), "");
  const std::vector<std::string> commands = Sim().Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "D:\\simu7101"), 0);
  EXPECT_TRUE(Released()) << Sim().Received().substr(Sim().Received().size() - 60);
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
