// talo7100-cli end to end: the executable against a pseudo-terminal that
// plays the controller's shell (echo, answer lines, prompt), or fails to.
#include <gtest/gtest.h>

#include <QProcess>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "ptypair.h"
#include "talocomport.h"
#ifdef TALO_CLI_SIM_TESTS
#include <fstream>

#include "simfixture.h"
#endif

namespace {

struct CliResult {
  int ExitCode = -1;
  QString Out;
  QString Err;
};

CliResult RunCli(const QStringList& arguments, int timeoutMs = 30000) {
  QProcess cli;
  cli.start(QStringLiteral(TALO_CLI_PATH), arguments);
  CliResult result;
  if (!cli.waitForFinished(timeoutMs)) {
    cli.kill();
    cli.waitForFinished(1000);
    ADD_FAILURE() << "talo7100-cli did not finish";
    return result;
  }
  result.ExitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
  result.Out = QString::fromLocal8Bit(cli.readAllStandardOutput());
  result.Err = QString::fromLocal8Bit(cli.readAllStandardError());
  return result;
}

// The controller's side of the line: echoes what it receives (unless told
// not to) and answers each command line with what Answer returns.
class ShellPeer {
 public:
  using Answer = std::function<std::string(const std::string& commandLine)>;

  ShellPeer(bool echo, Answer answer) : Echo(echo), Reply(std::move(answer)) {
    Worker = std::thread([this] { Serve(); });
  }
  ~ShellPeer() {
    Stop = true;
    Worker.join();
  }
  const std::string& Path() const { return Line.SlavePath(); }
  std::vector<std::string> Commands() {
    std::lock_guard lock(Guard);
    return Seen;
  }

 private:
  void Serve() {
    std::string typed;
    while (!Stop) {
      const std::string got = Line.Read(1, 20);
      if (got.empty()) continue;
      if (Echo) Line.Write(got);
      if (got[0] != '\r') {
        typed += got;
        continue;
      }
      {
        std::lock_guard lock(Guard);
        Seen.push_back(typed);
      }
      Line.Write(Reply(typed));
      typed.clear();
    }
  }

  PtyPair Line;
  bool Echo;
  Answer Reply;
  std::atomic<bool> Stop{false};
  std::mutex Guard;
  std::vector<std::string> Seen;
  std::thread Worker;
};

QString PortArgument(const ShellPeer& peer) { return QString::fromStdString(peer.Path()); }

TEST(CliRun, printsCommandAndAnswerAndSucceeds) {
  ShellPeer shell(true, [](const std::string& line) {
    return line == "C:\\mem" ? "\r\n  655360 bytes total memory\r\n\r\nD:\\>" : "\r\nD:\\>";
  });
  const auto result = RunCli({"--port", PortArgument(shell), "run", "C:\\mem"});
  EXPECT_EQ(result.ExitCode, 0) << result.Err.toStdString();
  EXPECT_EQ(result.Out, QStringLiteral("C:\\mem\n  655360 bytes total memory\n"));
  EXPECT_EQ(result.Err, QString());
  EXPECT_EQ(shell.Commands(), std::vector<std::string>{"C:\\mem"});
}

TEST(CliRun, shellThatDoesNotEchoGivesInitModeMessage) {
  ShellPeer silent(false, [](const std::string&) { return std::string(); });
  const auto result = RunCli({"--port", PortArgument(silent), "run", "dir"});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Out, QStringLiteral("dir\n")) << "the command is shown before it is typed";
  EXPECT_EQ(result.Err,
            QStringLiteral("Error: Unable to send command 'dir\r'!\n\nPlease make sure the "
                           "TALO-7100 is in INIT mode\n\nand no program is running\n"));
}

TEST(CliRun, missingPromptEndsAfterBudgetWithoutError) {
  ShellPeer noPrompt(true, [](const std::string&) { return "\r\nworking...\r\n"; });
  const auto result = RunCli({"--port", PortArgument(noPrompt), "run", "A"});
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.Out, QStringLiteral("A\nworking...\n"));
  EXPECT_EQ(result.Err, QString());
}

TEST(CliRun, lineLongerThan1023BytesIsShownInPieces) {
  const std::string longLine = std::string(1023, 'a') + std::string(977, 'b');
  ShellPeer shell(true, [&](const std::string&) { return "\r\n" + longLine + "\r\nD:\\>"; });
  const auto result = RunCli({"--port", PortArgument(shell), "run", "type LONG.TXT"});
  EXPECT_EQ(result.ExitCode, 0) << result.Err.toStdString();
  const QStringList lines = result.Out.split(QLatin1Char('\n'));
  ASSERT_GE(lines.size(), 3);
  EXPECT_EQ(lines[0], QStringLiteral("type LONG.TXT"));
  EXPECT_EQ(lines[1], QString(1023, QLatin1Char('a')));
  EXPECT_TRUE(lines[2].startsWith(QStringLiteral("bbb"))) << "the rest of the line follows";
}

TEST(CliRun, heldOrMissingPortFailsWithOpenMessage) {
  PtyPair line;
  TaloComPort holder(line.SlavePath());
  ASSERT_TRUE(holder.Open());
  const QString path = QString::fromStdString(line.SlavePath());
  const auto held = RunCli({"--port", path, "run", "dir"});
  EXPECT_EQ(held.ExitCode, 1);
  EXPECT_EQ(held.Out, QString());
  EXPECT_EQ(held.Err, QStringLiteral("Error: Unable to open ") + path +
                          QStringLiteral("!\n\nPlease make sure there is no other application "
                                         "using the port!!\n"));

  const auto missing = RunCli({"--port", "/dev/talo-no-such-port", "run", "dir"});
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_TRUE(missing.Err.startsWith(QStringLiteral("Error: Unable to open /dev/talo-no-such-port!")));
}

TEST(CliPorts, listsGivenPortOnceAfterScan) {
  PtyPair line;
  const QString path = QString::fromStdString(line.SlavePath());
  const auto result = RunCli({"--port", path, "ports"});
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.Out.split(QLatin1Char('\n')).count(path), 1);
}

TEST(CliUsage, wrongCallsExitWithTwoAndHelpDocumentsCommands) {
  EXPECT_EQ(RunCli({}).ExitCode, 2);
  EXPECT_EQ(RunCli({"frobnicate"}).ExitCode, 2);
  EXPECT_EQ(RunCli({"--bogus", "ports"}).ExitCode, 2);
  EXPECT_EQ(RunCli({"--port", "/dev/null", "run"}).ExitCode, 2);
  const auto help = RunCli({"--help"});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_TRUE(help.Out.contains(QStringLiteral("  run LINE")));
  EXPECT_TRUE(help.Out.contains(QStringLiteral("  ports")));
}

#ifdef TALO_CLI_SIM_TESTS
// The device subcommands against the simulator: ls and du read what put
// stored, and put's file arrives byte-exact.
class CliOnSimulator : public SimFixture {};

TEST_F(CliOnSimulator, putThenLsAndDuSeeTheFile) {
  StartSim();
  ASSERT_TRUE(Sim().MakeDir("\\DATA"));
  const std::string content = "line one\r\nline two\r\n";
  const std::string pcFile = TempDir() + "/NOTES.TXT";
  std::ofstream(pcFile, std::ios::binary) << content;
  const QString port = QString::fromStdString(PortPath());

  const auto put = RunCli({"--port", port, "put", QString::fromStdString(pcFile), "\\DATA"});
  EXPECT_EQ(put.ExitCode, 0) << put.Err.toStdString();
  const auto stored = Sim().GetFile("\\DATA\\NOTES.TXT");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(*stored, content + std::string(128 - content.size(), '\0'));

  const auto ls = RunCli({"--port", port, "ls", "DATA"});
  EXPECT_EQ(ls.ExitCode, 0) << ls.Err.toStdString();
  EXPECT_TRUE(ls.Out.startsWith(QStringLiteral("NOTES.TXT\t128\t"))) << ls.Out.toStdString();
  EXPECT_TRUE(ls.Out.contains(QStringLiteral("1 object(s)\n128 byte(s)("))) << ls.Out.toStdString();

  const auto du = RunCli({"--port", port, "du", "\\"});
  EXPECT_EQ(du.ExitCode, 0) << du.Err.toStdString();
  EXPECT_EQ(du.Out, QStringLiteral("1 file(s), 1 folder(s)\t128 byte(s)\n"));

  const auto missing = RunCli({"--port", port, "ls", "NOWHERE"});
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_TRUE(missing.Err.contains(QStringLiteral("Invalid"))) << missing.Err.toStdString();
}
#endif

}  // namespace
