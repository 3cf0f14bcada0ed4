// A command line the utility stopped typing never runs later: the shell's
// line is erased before the port is released, a line that could not be
// erased then is erased before the next command, and a command whose
// carriage return went out is reported as one that may have run.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "link/jobs/interruption.h"
#include "link/port/talocomport.h"
#include "link/shell/shellline.h"
#include "remote/devicebrowser.h"
#include "remote/devicefilecommands.h"
#include "tests/remote/remotesim.h"

namespace {

const std::string kFormat = "C:\\DLFMT D: /C";  // 14 characters, then the carriage return
const std::vector<std::string> kListingCommands = {"d:", "cd\\", "dir"};

class ShellLineTest : public RemoteSimTest {
 protected:
  void SetUp() override {
    RemoteSimTest::SetUp();
    DeviceTimeouts timeouts = FastTimeouts();
    timeouts.PromptBudgetMs = 1000;  // a silent controller is given up after 2 s
    Browser.Lister().SetTimeouts(timeouts);
    ShellLine::ForgetAll();
    ASSERT_TRUE(Sim().PutFile("\\DATA\\KEEP.TXT", "kept"));
  }

  // The commands the shell ran from the index on.
  std::vector<std::string> RanSince(size_t from) {
    const std::vector<std::string> all = Sim().Commands();
    return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
  }
  // Lists the root as the pane does after any command, with the faults gone.
  void ListAgain() {
    Sim().SetFaults({});
    const size_t before = Sim().Commands().size();
    Browser.Refresh();
    EXPECT_EQ(RanSince(before), kListingCommands) << "the next command ran as typed";
    EXPECT_TRUE(Browser.LastListingRead());
  }

  DeviceBrowser Browser{Shell};
  DeviceFileCommands Commands{Browser, Shell};
};

// Where FORMAT's typing is cut: the echo of one byte comes back wrong (the
// shell got the byte), or a stop comes once the carriage return went out
// and before its echo came back.
struct Cut {
  const char* Name;
  int WrongEchoAt;   // the byte whose echo is damaged, -1: none
  bool StopAtEnter;  // Ctrl+C as the carriage return goes out
  bool Entered;      // the carriage return went out: FORMAT runs
};

class FormatInterrupted : public ShellLineTest, public ::testing::WithParamInterface<Cut> {};

TEST_P(FormatInterrupted, leavesNothingForTheNextCommandAndTellsWhetherItRan) {
  const Cut& cut = GetParam();
  if (cut.StopAtEnter) {
    auto options = SimHarness::DefaultOptions();
    options.LatencyMs = 40;  // the echo comes 40 ms after its byte
    StartSim(options);
    ASSERT_TRUE(Sim().PutFile("\\DATA\\KEEP.TXT", "kept"));
  }
  Browser.Refresh();
  talosim::FaultPlan faults;
  if (cut.WrongEchoAt >= 0) faults.WrongEchoEvery = cut.WrongEchoAt + 1;
  Sim().SetFaults(faults);
  const size_t before = Sim().Commands().size();
  std::atomic<bool> done{false};
  std::thread stopper([&] {
    while (cut.StopAtEnter && !done && !Sim().Received().ends_with(kFormat + "\r"))
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (cut.StopAtEnter) Interruption::Request();
  });
  Dialogs.YesNoAnswers.push_back(true);
  (void)Commands.Format();
  done = true;
  stopper.join();
  Interruption::Reset();

  // The format's message first; a drive that may have been formatted is
  // listed again after a failure (not after a stop).
  QStringList told = Dialogs.Errors() + Dialogs.Warnings();
  ASSERT_FALSE(told.isEmpty());
  if (cut.Entered) {
    ASSERT_TRUE(Sim().WaitUntilIdle(std::chrono::seconds(10)));
    ASSERT_FALSE(RanSince(before).empty());
    EXPECT_EQ(RanSince(before).front(), kFormat);
    EXPECT_TRUE(told.front().contains("FORMAT may have started: list the drive"))
        << told.front().toStdString();
  } else {
    EXPECT_EQ(told.size(), 1);
    EXPECT_TRUE(RanSince(before).empty()) << RanSince(before).front();
    EXPECT_TRUE(told.front().startsWith("Unable to send command '" + QString::fromStdString(kFormat) + "'!"))
        << told.front().toStdString();
    EXPECT_TRUE(Sim().Exists("\\DATA\\KEEP.TXT"));
  }
  EXPECT_FALSE(ShellLine::MayHoldText(PortPath()));
  ListAgain();
  EXPECT_EQ(Sim().Exists("\\DATA\\KEEP.TXT"), !cut.Entered);
}

std::vector<Cut> EveryInterruptionPoint() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (size_t i = 0; i < kFormat.size(); ++i) n.push_back("echoOfByte" + std::to_string(i));
    return n;
  }();
  std::vector<Cut> points;
  for (size_t i = 0; i < kFormat.size(); ++i)
    points.push_back({names[i].c_str(), static_cast<int>(i), false, false});
  points.push_back({"echoOfTheCarriageReturn", static_cast<int>(kFormat.size()), false, true});
  points.push_back({"stopBeforeTheCarriageReturnsEcho", -1, true, true});
  return points;
}

INSTANTIATE_TEST_SUITE_P(EachByte, FormatInterrupted, ::testing::ValuesIn(EveryInterruptionPoint()),
                         [](const auto& info) { return std::string(info.param.Name); });

// A line the process could not erase (the port was gone) is erased before
// the next command typed there: the stale "C:\DLFMT D: /C" does not become
// "C:\DLFMT D: /Cd:".
TEST_F(ShellLineTest, aRememberedLineIsErasedBeforeTheNextCommand) {
  auto options = SimHarness::DefaultOptions();
  options.StaleLine = kFormat;
  StartSim(options);
  ASSERT_TRUE(Sim().PutFile("\\DATA\\KEEP.TXT", "kept"));
  ShellLine::Remember(PortPath());
  ListAgain();
  EXPECT_TRUE(Sim().Exists("\\DATA\\KEEP.TXT"));
  EXPECT_FALSE(ShellLine::MayHoldText(PortPath())) << "the shell answered: the line is known empty";
  EXPECT_TRUE(Dialogs.Messages.empty());
}

// The erase stops at the first backspace the shell does not answer, however
// much the line held; a shell that answers nothing leaves the line
// remembered.
TEST_F(ShellLineTest, eraseEmptiesTheLineAndNeedsAnAnswerToBeSure) {
  struct Case {
    std::string Stale;
    bool Silent;
    ShellLine::Erased Expected;
  };
  for (const Case& c : {Case{"del ", false, ShellLine::Erased::Confirmed},
                        Case{std::string(127, 'x'), false, ShellLine::Erased::Confirmed},
                        Case{"", false, ShellLine::Erased::Unconfirmed},
                        Case{"del ", true, ShellLine::Erased::Unconfirmed}}) {
    auto options = SimHarness::DefaultOptions();
    options.StaleLine = c.Stale;
    options.Faults.NoEcho = c.Silent;
    StartSim(options);
    TaloComPort port(PortPath());
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(port.SetTimeouts(50));
    EXPECT_EQ(ShellLine::Erase(port, false), c.Expected) << c.Stale.size();
    EXPECT_EQ(ShellLine::MayHoldText(PortPath()), c.Expected == ShellLine::Erased::Unconfirmed);
    port.Close();
    ShellLine::ForgetAll();
    if (c.Silent) continue;
    Sim().SetFaults({});
    const size_t before = Sim().Commands().size();
    Browser.Refresh();
    EXPECT_EQ(RanSince(before), kListingCommands) << c.Stale.size();
  }
}

}  // namespace
