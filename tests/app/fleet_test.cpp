// One command on several ports at once: what is settled before any port is
// touched, and the command line against several simulators.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <vector>

#include "app/cli/clicommands.h"
#include "app/cli/fleetplan.h"
#include "app/cli/fleetscreen.h"
#include "installation/taloappfolders.h"
#include "link/port/talocomport.h"
#include "tests/netconf/netconftesting.h"
#include "tests/support/clirun.h"
#include "tests/support/simfixture.h"

namespace {

std::optional<FleetCall> Prepare(const QStringList& arguments, QString& why) {
  const CliCall call = ParseCliCall(arguments);
  EXPECT_EQ(call.What, CliCall::Action::Run) << arguments.join(' ').toStdString();
  return FleetPlan::Prepare(call, why);
}

// Wrong calls are found before anything starts, each with its reason.
TEST(FleetPlan, refusesWhatCannotRunOnEveryPort) {
  netconftest::TestInstallation installation;  // backup and init prepare it
  QTemporaryDir dir;
  const QString a = dir.filePath(QStringLiteral("ttyA"));
  const QString b = dir.filePath(QStringLiteral("ttyB"));
  const QString sameAsA = dir.filePath(QStringLiteral("usb-A-port0"));
  const QString otherA = dir.filePath(QStringLiteral("sub/ttyA"));
  QDir().mkpath(dir.filePath(QStringLiteral("sub")));
  for (const QString& file : {a, b, otherA}) netconftest::WriteBytes(file, "");
  ASSERT_TRUE(QFile::link(a, sameAsA));
  const QString table = dir.filePath(QStringLiteral("t.csv"));
  netconftest::WriteBytes(table, "port,ip,gateway,dns\n" + a.toLocal8Bit() + ",dhcp,,\n");
  const QStringList two{"--port", a, "--port", b};
  const QList<std::pair<QStringList, QString>> refused = {
      {two + QStringList{"mem"}, "mem works on one port at a time"},
      {two + QStringList{"rm", "--yes", "X"}, "rm works on one port at a time"},
      {two + QStringList{"dio", "--watch", "--yes"}, "dio --watch polls one controller"},
      {two + QStringList{"backup", "cabinet.img"}, "several controllers would write one file"},
      {two + QStringList{"init", "--servers", "gopher"}, "unknown server gopher"},
      {two + QStringList{"netconf", "--table", table}, "the port " + b + " has no row"},
      {{"--port", a, "--port", sameAsA, "ls"}, sameAsA + " names a port given already"},
      {{"--port", a, "--port", otherA, "ls"}, "two ports are called ttyA"},
      {{"--port", a, "--port", dir.path() + "/", "ls"}, "has no name"}};
  for (const auto& [arguments, reason] : refused) {
    QString why;
    EXPECT_FALSE(Prepare(arguments, why)) << arguments.join(' ').toStdString();
    EXPECT_TRUE(why.contains(reason)) << why.toStdString();
  }
  QString why;
  const std::optional<FleetCall> init = Prepare(two + QStringList{"init"}, why);
  ASSERT_TRUE(init) << why.toStdString();
  EXPECT_EQ(init->Names, QStringList({"ttyA", "ttyB"}));
  EXPECT_FALSE(init->Question.isEmpty());
  const std::optional<FleetCall> restore = Prepare(two + QStringList{"restore", "{port}.img", "--yes"}, why);
  ASSERT_TRUE(restore) << why.toStdString();
  EXPECT_TRUE(restore->Question.isEmpty());
  EXPECT_TRUE(Prepare(two + QStringList{"backup", "/tmp/{port}.img"}, why)) << why.toStdString();
}

// A port's run is the single-port command line, "{port}" its name.
TEST(FleetPlan, eachPortRunsTheSinglePortCommandLine) {
  const CliCall call = ParseCliCall({"--yes", "--standard-waits", "--jobs", "2", "--port", "ttyUSB0", "--port",
                                     "/dev/serial/by-id/usb-B-port0", "put", "--verbose",
                                     "--force", "recipe-{port}.dat", "\\DATA"});
  EXPECT_EQ(call.Jobs, 2);
  EXPECT_EQ(FleetPlan::ChildArguments(call, call.Ports[1]),
            QStringList({"--port", "/dev/serial/by-id/usb-B-port0", "--yes", "--standard-waits", "--verbose",
                         "put", "--verbose", "--force", "recipe-usb-B-port0.dat", "\\DATA"}));
  EXPECT_EQ(ParseCliCall({"--jobs", "0", "--port", "a", "ls"}).What, CliCall::Action::WrongCall);
}

TEST(FleetPlan, summaryReasonIsOneLineAndStatusSumsThePorts) {
  const QList<std::tuple<int, QStringList, QString>> reasons = {
      {1, {"Error: Unable to open /dev/ttyUSB1!", "", "Please make sure..."}, "Unable to open /dev/ttyUSB1!"},
      {1, {"Error: first", "Information: x", "Error: last one"}, "last one"},
      {1, {"Information: done", "Warning: NOTES.TXT is missing after the copy"},
       "NOTES.TXT is missing after the copy"},
      {2, {"talo7100-cli: unknown server gopher", "Usage: ..."}, "wrong call: unknown server gopher"},
      {130, {"Cancelling..."}, "interrupted (Ctrl+C)"},
      {1, {}, "exit status 1"},
      {-1, {}, "ended abnormally"}};
  for (const auto& [status, lines, reason] : reasons)
    EXPECT_EQ(FleetPlan::FailureReason(status, lines), reason);
  EXPECT_EQ(FleetPlan::ExitStatus({0, 0}, false), 0);
  EXPECT_EQ(FleetPlan::ExitStatus({0, 1}, false), 1);
  EXPECT_EQ(FleetPlan::ExitStatus({2, 2}, false), 2);
  EXPECT_EQ(FleetPlan::ExitStatus({2, 0}, false), 1);
  EXPECT_EQ(FleetPlan::ExitStatus({0, -1}, true), 130);
}

// On a terminal the running ports keep one line each below the output; a
// printed line erases the block and draws it again below itself.
TEST(FleetScreen, keepsOneProgressLinePerRunningPortBelowTheLines) {
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  {
    FleetScreen screen(out, out, true, {"ttyA", "ttyB"});
    screen.Started(0);
    screen.Started(1);
    QThread::msleep(FleetScreen::kRedrawIntervalMs + 10);
    screen.Progress(1, QStringLiteral("X.BIN 1/1 [###] 50%"));
    screen.Line(0, false, QStringLiteral("done\x1b[2J"));
    screen.Ended(0);
  }
  std::fclose(out);
  const QString drawn = QString::fromLocal8Bit(text, static_cast<qsizetype>(size));
  std::free(text);
  EXPECT_EQ(drawn, QStringLiteral("[ttyA] running, 0 s\n[ttyB] X.BIN 1/1 [###] 50%\n"
                                  "\r\x1b[2A\x1b[J[ttyA] done\\x1b[2J\n"
                                  "[ttyA] running, 0 s\n[ttyB] X.BIN 1/1 [###] 50%\n"
                                  "\r\x1b[2A\x1b[J[ttyB] X.BIN 1/1 [###] 50%\n"));
}

// Simulators on links of their own names (portA, portB...).
class FleetOnSimulators : public ::testing::Test {
 protected:
  void StartSims(int count, talosim::SimOptions options = SimHarness::DefaultOptions()) {
    for (int i = 0; i < count; ++i) {
      Harnesses.push_back(std::make_unique<SimHarness>());
      ASSERT_TRUE(Harnesses.back()->Start(options)) << Harnesses.back()->LastError();
      ASSERT_TRUE(QFile::link(QString::fromStdString(Harnesses.back()->SlavePath()), Port(i)));
    }
  }
  QString Port(int i) const { return Links.filePath(QStringLiteral("port") + QChar('A' + i)); }
  QStringList Ports() const {
    QStringList ports;
    for (int i = 0; i < static_cast<int>(Harnesses.size()); ++i) ports << "--port" << Port(i);
    return ports;
  }
  talosim::Simulator& Sim(int i) { return Harnesses[i]->Sim(); }

  QTemporaryDir Links;
  std::vector<std::unique_ptr<SimHarness>> Harnesses;
};

TEST_F(FleetOnSimulators, putReachesEveryPortAndSummarisesEachInOrder) {
  StartSims(2);
  const QString file = Links.filePath(QStringLiteral("NOTES.TXT"));
  netconftest::WriteBytes(file, "fleet\r\n");
  const QString missing = Links.filePath(QStringLiteral("ttyGONE"));
  const CliResult put = RunCli(QStringList{"--port", missing} + Ports() + QStringList{"put", file});
  EXPECT_EQ(put.ExitCode, 1) << put.Err.toStdString();
  for (int i = 0; i < 2; ++i) EXPECT_TRUE(Sim(i).Exists("\\NOTES.TXT")) << i;
  EXPECT_TRUE(put.Out.contains("[portA] 1/1 " + file + ": sent as D:\\NOTES.TXT")) << put.Out.toStdString();
  EXPECT_TRUE(put.Err.contains("[ttyGONE] Error: Unable to open " + missing + "!\n")) << put.Err.toStdString();
  const QStringList lines = put.Out.trimmed().split('\n');
  ASSERT_GE(lines.size(), 3);
  EXPECT_EQ(lines[lines.size() - 3], "ttyGONE  failed  Unable to open " + missing + "!");
  EXPECT_TRUE(lines[lines.size() - 2].startsWith("portA  ok  ")) << lines[lines.size() - 2].toStdString();
  EXPECT_TRUE(lines.last().startsWith("portB  ok  ")) << lines.last().toStdString();
  EXPECT_TRUE(lines.last().endsWith(" s"));
}

// run types its line on every port: each answer line prefixed, a summary
// line a port (an object with --json), the fleet's exit status; a log must
// be each port's own.
TEST_F(FleetOnSimulators, runTypesTheLineOnEveryPortAndSummarisesEach) {
  StartSims(2);
  const QString missing = Links.filePath(QStringLiteral("ttyGONE"));
  const CliResult all = RunCli(Ports() + QStringList{"run", "ver"});
  EXPECT_EQ(all.ExitCode, 0) << all.Err.toStdString();
  for (const char* name : {"portA", "portB"}) {
    EXPECT_TRUE(all.Out.contains(QStringLiteral("[%1] ver\n").arg(name))) << all.Out.toStdString();
    EXPECT_TRUE(all.Out.contains(QRegularExpression(QStringLiteral("\n%1  ok  [0-9.]+ s").arg(name))));
  }
  const CliResult one = RunCli(QStringList{"--json"} + Ports() + QStringList{"--port", missing, "run", "ver"});
  EXPECT_EQ(one.ExitCode, 1) << one.Err.toStdString();
  const QStringList lines = one.Out.trimmed().split('\n');
  ASSERT_GE(lines.size(), 3);
  const QJsonObject gone = QJsonDocument::fromJson(lines.last().toUtf8()).object();
  EXPECT_EQ(gone.value("port").toString(), "ttyGONE");
  EXPECT_EQ(gone.value("result").toString(), "failed");
  EXPECT_EQ(gone.value("reason").toString(), "Unable to open " + missing + "!");
  EXPECT_EQ(QJsonDocument::fromJson(lines[lines.size() - 3].toUtf8()).object().value("result"), "ok");
  const size_t typed = Sim(0).Commands().size();
  const CliResult log = RunCli(Ports() + QStringList{"run", "--log", "one.log", "ver"});
  EXPECT_EQ(log.ExitCode, 2);
  EXPECT_TRUE(log.Err.contains("put {port} in FILE")) << log.Err.toStdString();
  EXPECT_EQ(Sim(0).Commands().size(), typed) << "the refused call typed nothing";
}

// A restore whose helper answered "444" still succeeds, and its summary
// line says so; a port without such blocks has no note.
TEST_F(FleetOnSimulators, aRestoresSummaryCarriesItsAnswered444Note) {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Faults.RestoreReply = "444";
  options.Faults.RestoreReplyBlock = 7;
  StartSims(2, options);
  Sim(1).SetFaults({});
  QTemporaryDir home;
  ASSERT_TRUE(TaloAppDir::PrepareInstallationFolder(home.path(),
                                                    {QStringLiteral(TALO_SHARE_DIR "/demo")}));
  const QString image = Links.filePath(QStringLiteral("whole.img"));
  netconftest::WriteBytes(image, QByteArray(1048576, '\x5A'));
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("TALO7100_HOME"), home.path());
  const CliResult restore =
      RunCli(Ports() + QStringList{"restore", image, "--yes"}, environment, 180000);
  EXPECT_EQ(restore.ExitCode, 0) << restore.Err.toStdString();
  const QStringList lines = restore.Out.trimmed().split('\n');
  ASSERT_GE(lines.size(), 2);
  EXPECT_TRUE(lines[lines.size() - 2].startsWith("portA  ok, 1 block answered 444  "))
      << lines[lines.size() - 2].toStdString();
  EXPECT_TRUE(lines.last().startsWith("portB  ok  ")) << lines.last().toStdString();
}

// --jobs 1: one port after the other, in the order given.
TEST_F(FleetOnSimulators, jobsBoundHowManyPortsRunAtOnce) {
  StartSims(2);
  const CliResult ls = RunCli(QStringList{"--jobs", "1"} + Ports() + QStringList{"ls"});
  ASSERT_EQ(ls.ExitCode, 0) << ls.Err.toStdString();
  EXPECT_LT(ls.Out.lastIndexOf(QStringLiteral("[portA] ")), ls.Out.indexOf(QStringLiteral("[portB] ")))
      << ls.Out.toStdString();
}

// Nothing is typed on any port when the call is refused or the question is
// not answered yes; the question is shown once and names every port.
TEST_F(FleetOnSimulators, refusedCallsAndUnansweredQuestionsTouchNoPort) {
  StartSims(2);
  netconftest::TestInstallation installation;
  const QList<std::pair<QStringList, int>> calls = {
      {{"init"}, 1}, {{"backup", "one.img"}, 2}, {{"mem"}, 2}, {{"--port", "/dev/x/", "ls"}, 2}};
  for (const auto& [call, status] : calls) {
    const CliResult result = RunCli(Ports() + call);
    EXPECT_EQ(result.ExitCode, status) << call.join(' ').toStdString() << result.Err.toStdString();
    EXPECT_TRUE(result.Out.isEmpty() || status == 1) << result.Out.toStdString();
  }
  const CliResult init = RunCli(Ports() + QStringList{"init"});
  EXPECT_EQ(init.Err.count(QStringLiteral("Question: ")), 1) << init.Err.toStdString();
  EXPECT_TRUE(init.Err.contains(QStringLiteral("(on every port: portA, portB)"))) << init.Err.toStdString();
  for (int i = 0; i < 2; ++i) EXPECT_EQ(Sim(i).Received(), "") << i;
}

// Each controller gets its own row, written to its own PC file first.
TEST_F(FleetOnSimulators, netconfTableGivesEachControllerItsOwnSettings) {
  StartSims(2);
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(Sim(i).MakeDir("\\CONF"));
  netconftest::TestInstallation installation;
  ASSERT_TRUE(installation.Ready());
  const QString table = Links.filePath(QStringLiteral("cabinet.csv"));
  netconftest::WriteBytes(table, "port,ip,gateway,dns\n" + Port(0).toLocal8Bit() +
                                     ",192.168.1.20,192.168.1.1,auto\n" + Port(1).toLocal8Bit() +
                                     ",dhcp,,\n");
  const CliResult result = RunCli(Ports() + QStringList{"netconf", "--table", table});
  ASSERT_EQ(result.ExitCode, 0) << result.Err.toStdString();
  for (int i = 0; i < 2; ++i) {
    const QByteArray written = netconftest::ReadBytes(installation.Program(QStringLiteral("port") + QChar('A' + i) + "/SOCKET.CFG"));
    const std::optional<std::string> sent = Sim(i).GetFile("\\CONF\\SOCKET.CFG");
    ASSERT_TRUE(sent) << i;
    EXPECT_EQ(QByteArray::fromStdString(*sent).left(written.size()), written) << i;
    EXPECT_EQ(written.contains("ip address 192.168.1.20"), i == 0) << written.toStdString();
  }
}

// Ctrl+C stops every port as one port stops: the uploads are cancelled,
// the status is 130, and every port can be opened again at once.
TEST_F(FleetOnSimulators, interruptStopsEveryPortAndReleasesIt) {
  talosim::SimOptions paced = SimHarness::DefaultOptions();
  paced.Baud = 57600;
  StartSims(2, paced);
  const QString file = Links.filePath(QStringLiteral("BIG.BIN"));
  netconftest::WriteBytes(file, QByteArray(64 * 1024, 'b'));
  QProcess cli;
  cli.start(QStringLiteral(TALO_CLI_PATH), Ports() + QStringList{"put", file});
  QElapsedTimer waited;
  waited.start();
  // Some blocks into both uploads.
  while ((Sim(0).Received().size() < 2000 || Sim(1).Received().size() < 2000) && waited.elapsed() < 20000)
    QThread::msleep(20);
  ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
  ASSERT_TRUE(cli.waitForFinished(20000));
  EXPECT_EQ(cli.exitCode(), 130);
  const QString out = QString::fromLocal8Bit(cli.readAllStandardOutput());
  EXPECT_TRUE(out.contains("portA  failed  interrupted (Ctrl+C)")) << out.toStdString();
  EXPECT_TRUE(out.contains("portB  failed  interrupted (Ctrl+C)")) << out.toStdString();
  for (int i = 0; i < 2; ++i) {
    TaloComPort port(Port(i).toStdString());
    EXPECT_TRUE(port.Open()) << i;
  }
}

}  // namespace
