// talo7100-sim as a program: first line, options, clean end on SIGTERM.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "sim/talosim.h"
#include "tests/support/simfixture.h"
#include "tests/support/simterminal.h"

namespace {

// Starts the simulator program with arguments; its stdout is readable.
struct SimProcess {
  pid_t Pid = -1;
  FILE* Out = nullptr;

  bool Start(const std::vector<std::string>& args) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return false;
    Pid = fork();
    if (Pid == 0) {
      dup2(pipeFds[1], 1);
      close(pipeFds[0]);
      std::vector<char*> argv{const_cast<char*>(TALO_SIM_EXE)};
      for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      execv(TALO_SIM_EXE, argv.data());
      _exit(127);
    }
    close(pipeFds[1]);
    Out = fdopen(pipeFds[0], "r");
    return Pid > 0;
  }
  std::string ReadLine() {
    char line[512] = {};
    return Out && fgets(line, sizeof line, Out) ? std::string(line) : std::string();
  }
  // Exit status, or -1 when it did not end within the deadline.
  int Wait(int seconds = 10) {
    for (int i = 0; i < seconds * 100; ++i) {
      int status = 0;
      if (waitpid(Pid, &status, WNOHANG) == Pid) {
        Pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      usleep(10000);
    }
    return -1;
  }
  ~SimProcess() {
    if (Pid > 0) {
      kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
    }
    if (Out) fclose(Out);
  }
};

TEST(SimExecutable, printsTheSlaveFirstAndSavesTheDiskOnSigterm) {
  SimHarness scratch;
  const std::string disk = scratch.TempDir() + "/d.img";
  const std::string link = scratch.TempDir() + "/tty";
  SimProcess sim;
  ASSERT_TRUE(sim.Start({"--disk", disk, "--link", link, "--fast", "--demo"}));
  std::string slave = sim.ReadLine();
  ASSERT_FALSE(slave.empty());
  slave.pop_back();
  EXPECT_EQ(slave.rfind("/dev/pts/", 0), 0u) << slave;
  SimTerminal term(link);
  ASSERT_TRUE(term.IsOpen());
  EXPECT_EQ(term.Command("md KEPT"), "\r\nD:\\>");
  kill(sim.Pid, SIGTERM);
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_EQ(access(link.c_str(), F_OK), -1) << "the link goes with the simulator";

  talosim::SimOptions options;
  options.DiskFile = disk;
  talosim::Simulator reloaded(options);
  ASSERT_TRUE(reloaded.Start()) << reloaded.LastError();
  EXPECT_TRUE(reloaded.Exists("\\KEPT"));
  EXPECT_TRUE(reloaded.Exists("\\AUTORUN.BAT")) << "the demo files were saved too";
}

TEST(SimExecutable, helpSucceedsAndBadOptionsFailWithTwo) {
  SimProcess help;
  ASSERT_TRUE(help.Start({"--help"}));
  std::string text;
  for (std::string line; !(line = help.ReadLine()).empty();) text += line;
  EXPECT_EQ(help.Wait(), 0);
  EXPECT_NE(text.find("--xmodem-receiver"), std::string::npos) << text;
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--baud", "fast"}, {"--drop", "2"}, {"--bogus"}, {"--link"}, {"--restore-reply", "12"}}) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start(bad));
    EXPECT_EQ(sim.Wait(), 2) << bad[0];
  }
}

TEST(SimExecutable, pacedLineCarriesAboutTheBaudRate) {
  SimHarness harness;
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Baud = 9600;  // 960 bytes/s
  ASSERT_TRUE(harness.Start(options));
  harness.Sim().PutFile("\\BULK.TXT", std::string(480, 'x'));
  SimTerminal term(harness.PortPath());
  ASSERT_TRUE(term.TypeEchoed("type BULK.TXT\r"));
  const auto start = std::chrono::steady_clock::now();
  const std::string answer = term.ReadUntilPrompt(std::chrono::milliseconds(5000));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_TRUE(SimTerminal::EndsWithPrompt(answer));
  // About 0.5 s on the wire; generous bounds for a loaded machine.
  EXPECT_GT(seconds, 0.35);
  EXPECT_LT(seconds, 3.0);
  // Typed bytes are paced too: each costs a byte time in and one back.
  const auto typing = std::chrono::steady_clock::now();
  ASSERT_TRUE(term.TypeEchoed(std::string(48, 'x')));
  EXPECT_GT(std::chrono::duration<double>(std::chrono::steady_clock::now() - typing).count(), 0.09);
}

TEST(SimExecutable, latencyDelaysEveryTurnaround) {
  SimHarness harness;
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.LatencyMs = 150;
  ASSERT_TRUE(harness.Start(options));
  SimTerminal term(harness.PortPath());
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(term.TypeEchoed("cd"));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(seconds, 0.28) << "two echoes, each after the delay";
}

}  // namespace
