// Each injected line fault is observable from the utility's side. A shell
// that does not echo shows in the device exchange and transfer tests.

#include <gtest/gtest.h>
#include <poll.h>

#include "tests/support/simfixture.h"
#include "tests/support/simterminal.h"

namespace {

using std::chrono::milliseconds;

class FaultTest : public SimFixture {
 protected:
  void Begin(const talosim::FaultPlan& faults) {
    talosim::SimOptions options = SimHarness::DefaultOptions();
    options.Faults = faults;
    StartSim(options);
    ASSERT_TRUE(Term.Open(PortPath()));
  }
  SimTerminal Term;
};

TEST_F(FaultTest, wrongEchoEveryThirdByte) {
  talosim::FaultPlan faults;
  faults.WrongEchoEvery = 3;
  Begin(faults);
  Term.Write("abcdef");
  EXPECT_EQ(Term.ReadExact(6), std::string("ab") + static_cast<char>('c' ^ 1) + "de" + static_cast<char>('f' ^ 1));
}

TEST_F(FaultTest, droppedAndCorruptedBytesAreDeterministic) {
  talosim::FaultPlan faults;
  faults.DropRate = 1.0;
  Begin(faults);
  Term.Write("dir\r");
  EXPECT_EQ(Term.ReadQuiet(milliseconds(200)), "");
  EXPECT_EQ(Sim().Received(), "dir\r") << "received bytes are logged before the line loses them";

  auto corrupted = [&](uint32_t seed) {
    talosim::FaultPlan plan;
    plan.CorruptRate = 0.5;
    plan.Seed = seed;
    Sim().SetFaults(plan);
    Term.Write("abcdefghijklmnop");
    std::string echo = Term.ReadQuiet(milliseconds(300));
    Sim().SetFaults({});
    Term.Write("\x03");  // drop the typed line
    Term.ReadUntilPrompt();
    return echo;
  };
  // A corrupted byte may turn into a control key, so only compare runs.
  const std::string first = corrupted(7);
  EXPECT_NE(first, "abcdefghijklmnop");
  EXPECT_EQ(corrupted(7), first);
}

TEST_F(FaultTest, adapterHoldsALoneByteForItsTimerButPassesAFullPacket) {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.AdapterLatencyMs = 1500;
  StartSim(options);
  ASSERT_TRUE(Term.Open(PortPath()));
  Term.Write("v");
  EXPECT_EQ(Term.ReadQuiet(milliseconds(300), milliseconds(300)), "") << "the echo is held";
  EXPECT_EQ(Term.ReadExact(1, milliseconds(3000)), "v") << "and passed on when the timer runs out";
  // Sixty-two bytes fill a packet: no wait for the timer.
  Sim().Emit(std::string(62, 'p'));
  EXPECT_EQ(Term.ReadQuiet(milliseconds(500), milliseconds(1000)), std::string(62, 'p'));
}

TEST_F(FaultTest, stallAfterBytesUntilLifted) {
  talosim::FaultPlan faults;
  faults.StallAfterBytes = 3;
  Begin(faults);
  Term.Write("cd\r");
  EXPECT_EQ(Term.ReadExact(3), "cd\r");
  EXPECT_EQ(Term.ReadQuiet(milliseconds(300)), "");
  Sim().SetFaults({});
  EXPECT_EQ(Term.ReadUntilPrompt(), "\r\nD:\\\r\nD:\\>");
}

TEST_F(FaultTest, hangUpAfterBytesClosesTheLine) {
  talosim::FaultPlan faults;
  faults.HangUpAfterBytes = 2;
  Begin(faults);
  Term.Write("cd\r");
  // Bytes still in the pty when it closes may be lost, as on a real hang-up.
  const std::string echo = Term.ReadQuiet(std::chrono::milliseconds(200));
  EXPECT_EQ(echo, std::string("cd").substr(0, echo.size()));
  pollfd fd{Term.Descriptor(), POLLIN, 0};
  ASSERT_EQ(poll(&fd, 1, 2000), 1);
  EXPECT_TRUE(fd.revents & POLLHUP);
}

TEST_F(FaultTest, hangUpCallAndEmittedOutput) {
  Begin({});
  Sim().Emit("BOOT\r\nD:\\>");
  EXPECT_EQ(Term.ReadUntilPrompt(), "BOOT\r\nD:\\>");
  Sim().HangUp();
  pollfd fd{Term.Descriptor(), POLLIN, 0};
  ASSERT_EQ(poll(&fd, 1, 2000), 1);
  EXPECT_TRUE(fd.revents & POLLHUP);
}

}  // namespace
