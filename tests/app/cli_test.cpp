// talo7100-cli end to end: the executable against a scripted shell on a
// pseudo-terminal and against the simulator. How the exchange itself fails
// (no echo, no prompt, over-long lines) is the device link's tests' business.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <thread>

#include "app/cli/clicommands.h"
#include "installation/taloappfolders.h"
#include "items/datesettings.h"
#include "link/port/talocomport.h"
#include "link/shell/deviceshell.h"
#include "tests/support/clirun.h"
#include "tests/support/ptypair.h"
#include "tests/support/scriptedshell.h"
#include "tests/support/simfixture.h"

namespace {

TEST(CliRun, printsCommandAndAnswerAndSucceeds) {
  ScriptedShell shell(
      ScriptedShell::Outputs({{"C:\\mem", "\r\n  655360 bytes total memory\r\n\r\n"}}));
  const auto result = RunCli({"--port", QString::fromStdString(shell.Path()), "run", "C:\\mem"});
  EXPECT_EQ(result.ExitCode, 0) << result.Err.toStdString();
  EXPECT_EQ(result.Out, QStringLiteral("C:\\mem\n  655360 bytes total memory\n"));
  EXPECT_EQ(result.Err, QString());
  EXPECT_EQ(shell.Commands(), std::vector<std::string>{"C:\\mem"});
}

// The controller's control characters reach neither the terminal nor the
// log alive; the log is the user's alone.
TEST(CliRun, logOptionAppendsTheAnswerTimestampedAndEscaped) {
  ScriptedShell shell(ScriptedShell::Outputs(
      {{"C:\\mem", "\r\n  655360 bytes total memory\x1b]52;c;cm0gLXJm\x07\r\n\r\n"}}));
  QTemporaryDir dir;
  const QString logPath = dir.filePath(QStringLiteral("run.log"));
  const auto result = RunCli(
      {"--port", QString::fromStdString(shell.Path()), "run", "--log", logPath, "C:\\mem"});
  EXPECT_EQ(result.ExitCode, 0) << result.Err.toStdString();
  EXPECT_EQ(result.Out,
            QStringLiteral("C:\\mem\n  655360 bytes total memory\\x1b]52;c;cm0gLXJm\\x07\n"));
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(logPath).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  QFile log(logPath);
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'));
  ASSERT_GE(lines.size(), 2);
  const QRegularExpression stamped(
      QStringLiteral("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] "));
  EXPECT_TRUE(stamped.match(lines[0]).hasMatch()) << lines[0].toStdString();
  EXPECT_TRUE(lines[0].endsWith(QStringLiteral("] C:\\mem")));
  EXPECT_TRUE(lines[1].endsWith(QStringLiteral("]   655360 bytes total memory\\x1b]52;c;cm0gLXJm\\x07")));
  // A log that cannot be written stops the call before the port is used.
  const auto refused = RunCli({"--port", QString::fromStdString(shell.Path()), "run", "--log",
                               dir.filePath(QStringLiteral("none/x.log")), "C:\\mem"});
  EXPECT_EQ(refused.ExitCode, 1);
  EXPECT_TRUE(refused.Err.contains(QStringLiteral("cannot write the log"))) << refused.Err.toStdString();
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

// A path that is no serial port is called so, not a port in use.
TEST(CliRun, pathThatIsNoSerialPortIsNamedSo) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("notes.txt"));
  QFile(file).open(QIODevice::WriteOnly);
  const QString fifo = dir.filePath(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  for (const QString& path : {file, fifo, QStringLiteral("/dev/null"), dir.path()}) {
    const auto result = RunCli({"--port", path, "run", "dir"});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Err, "Error: Unable to open " + path + "!\n\n" + path +
                              " is not a serial port (it is a file, a folder or another kind of "
                              "device): choose the port the controller's cable is on.\n");
  }
}

// The shell asked its drive error question instead of coming back to the
// prompt: the line was not carried out, and the exit status says so.
TEST(CliRun, answerWithoutThePromptFailsWithOne) {
  ScriptedShell shell([](const std::string&, PtyPair& line, const auto&) {
    (void)line.Write("\nGeneral failure reading drive D\r\n");
    return std::string("Abort, Retry, Fail?");
  });
  const auto result = RunCli({"--port", QString::fromStdString(shell.Path()), "run", "dir"});
  EXPECT_EQ(result.ExitCode, 1);
  // The command is quoted without its carriage return.
  EXPECT_EQ(result.Err, QStringLiteral("Error: Unable to send command 'dir'!\n\nThe controller "
                                       "reports a drive error: ABORT, then FORMAT if it persists\n"));
}

// run types one line: a line end inside would run a second line and leave
// the rest of it typed, other control characters edit the line.
TEST(CliRun, aCommandHoldingAControlCharacterIsAWrongCallAndNothingIsTyped) {
  ScriptedShell shell(ScriptedShell::Outputs({}));
  const QString port = QString::fromStdString(shell.Path());
  struct Case {
    QString Command;
    QString Named;
  };
  for (const Case& c : {Case{"dir\rdel x", "a carriage return (\\r)"},
                        Case{"dir\n", "a line feed (\\n)"},
                        Case{"type\ta", "a tab (\\t)"},
                        Case{"del \x1b[A", "the control character \\x1b"},
                        Case{"echo \u20ac", "the character U+20AC"}}) {
    const auto result = RunCli({"--port", port, "run", c.Command});
    EXPECT_EQ(result.ExitCode, 2) << c.Named.toStdString();
    EXPECT_TRUE(result.Err.contains("the command holds " + c.Named)) << result.Err.toStdString();
  }
  EXPECT_EQ(shell.Received(), "");
}

TEST(CliPorts, listsGivenPortOnceAfterScan) {
  PtyPair line;
  const QString path = QString::fromStdString(line.SlavePath());
  const auto result = RunCli({"--port", path, "ports"});
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.Out.split(QLatin1Char('\n')).count(path), 1);
}

// A port this user may not open: listed and marked by ports, and a command on
// it says which group owns it beside the error. root runs the command line
// as nobody; another user takes the owner's rights off its own pty.
TEST(CliPermission, portWithoutRightsIsMarkedAndExplained) {
  PtyPair line;
  const std::string path = line.SlavePath();
  QString program = QStringLiteral(TALO_CLI_PATH);
  QStringList prefix;
  if (::geteuid() == 0) {
    if (!QFile::exists(QStringLiteral("/usr/bin/setpriv"))) GTEST_SKIP() << "no setpriv";
    ASSERT_EQ(::chown(path.c_str(), 0, 20), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0660), 0);
    program = QStringLiteral("/usr/bin/setpriv");
    prefix = {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
              QStringLiteral("--clear-groups"), QStringLiteral(TALO_CLI_PATH)};
  } else {
    ASSERT_EQ(::chmod(path.c_str(), 0060), 0);
  }
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  const group* owner = ::getgrgid(info.st_gid);
  ASSERT_NE(owner, nullptr);
  const QString groupName = QString::fromLocal8Bit(owner->gr_name);
  const QString port = QString::fromStdString(path);

  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("TALO7100_PORTS"), port);
  const auto run = [&](const QStringList& arguments) {
    QProcess cli;
    cli.setProcessEnvironment(environment);
    cli.start(program, prefix + arguments);
    CliResult result;
    if (!cli.waitForFinished(30000)) {
      cli.kill();
      cli.waitForFinished(1000);
      ADD_FAILURE() << "talo7100-cli did not finish";
      return result;
    }
    result.ExitCode = cli.exitCode();
    result.Out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    result.Err = QString::fromLocal8Bit(cli.readAllStandardError());
    return result;
  };

  const auto ports = run({QStringLiteral("ports")});
  EXPECT_EQ(ports.ExitCode, 0) << ports.Err.toStdString();
  EXPECT_TRUE(ports.Out.split(QLatin1Char('\n')).contains(port + QStringLiteral("  (no permission)")))
      << ports.Out.toStdString();

  const auto denied = run({QStringLiteral("--port"), port, QStringLiteral("run"), QStringLiteral("dir")});
  EXPECT_EQ(denied.ExitCode, 1);
  EXPECT_TRUE(denied.Err.contains(QStringLiteral("Unable to open ") + port)) << denied.Err.toStdString();
  EXPECT_TRUE(denied.Err.contains(QStringLiteral("No permission to open %1: it belongs to the group %2")
                                      .arg(port, groupName)))
      << denied.Err.toStdString();
  EXPECT_TRUE(denied.Err.contains(QStringLiteral("log out and in again")));
}

TEST(CliUsage, wrongCallsExitWithTwoAndHelpDocumentsCommands) {
  EXPECT_EQ(RunCli({}).ExitCode, 2);
  EXPECT_EQ(RunCli({"frobnicate"}).ExitCode, 2);
  EXPECT_EQ(RunCli({"--bogus", "ports"}).ExitCode, 2);
  EXPECT_EQ(RunCli({"--port", "/dev/null", "run"}).ExitCode, 2);
  {
    // No --port and no port remembered: the ports are listed, nothing is
    // tried on the first of them.
    const QTemporaryDir config;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    const auto unnamed = RunCli({"ls"});
    EXPECT_EQ(unnamed.ExitCode, 2);
    EXPECT_TRUE(unnamed.Err.contains(QStringLiteral("give the controller's port with --port NAME")))
        << unnamed.Err.toStdString();
  }
  const auto help = RunCli({"--help"});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_TRUE(help.Out.contains(QStringLiteral("  run [--log FILE] LINE")));
  EXPECT_TRUE(help.Out.contains(QStringLiteral("  ports")));
}

// The parse step alone: what the command line asks for, no port touched.
TEST(CliCall, globalOptionsStopAtTheCommandAndVerboseIsEveryCommands) {
  const CliCall run = ParseCliCall({"--yes", "--quick", "--port=COM3", "run", "--log", "x.log",
                                    "--verbose", "dir", "--verbose"});
  ASSERT_EQ(run.What, CliCall::Action::Run);
  EXPECT_EQ(QLatin1String(run.Command->Name), QLatin1String("run"));
  // --quick, once the way to quick answers, is taken and changes nothing.
  EXPECT_TRUE(run.AssumeYes && run.PortGiven && run.Verbose && !run.StandardWaits && !run.Json);
  EXPECT_TRUE(ParseCliCall({"--standard-waits", "--json", "ls"}).StandardWaits);
  EXPECT_TRUE(ParseCliCall({"ls", "--json"}).Json);
  EXPECT_EQ(run.Port, QStringLiteral("COM3"));
  EXPECT_EQ(run.LogPath, QStringLiteral("x.log"));
  // After the first argument an option-like word belongs to the line.
  EXPECT_EQ(run.Arguments, QStringList({"dir", "--verbose"}));

  // A command with options of its own keeps them; --verbose goes, except
  // after "--".
  for (const CliCommand& command : CliCommands()) {
    if (!command.OwnOptions) continue;
    const CliCall own = ParseCliCall({command.Name, "--verbose", "--x", "--", "--verbose"});
    ASSERT_EQ(own.What, CliCall::Action::Run) << command.Name;
    EXPECT_TRUE(own.Verbose);
    EXPECT_EQ(own.Arguments, QStringList({"--x", "--", "--verbose"})) << command.Name;
  }

  // "--port" with nothing after it is a wrong call, not a port named "".
  EXPECT_EQ(ParseCliCall({"--port"}).What, CliCall::Action::WrongCall);
  const CliCall bogus = ParseCliCall({"ls", "--bogus"});
  EXPECT_EQ(bogus.What, CliCall::Action::WrongCall);
  EXPECT_TRUE(bogus.Message.contains(QStringLiteral("'bogus'"))) << bogus.Message.toStdString();
  EXPECT_EQ(ParseCliCall({"--help", "--bogus"}).What, CliCall::Action::Help);
  EXPECT_EQ(ParseCliCall({}).What, CliCall::Action::WrongCall);
}

// The areas' tables together: each subcommand is reached by its name, none
// hidden behind another's of the same name.
TEST(CliCall, everyRegisteredSubcommandIsReachedByItsName) {
  for (const CliCommand& command : CliCommands())
    EXPECT_EQ(ParseCliCall({command.Name}).Command, &command) << command.Name;
}

// A command that asks takes --yes after its name too; one that never asks
// does not.
TEST(CliCall, commandsThatAskTakeYesAfterTheirName) {
  for (const char* name : {"rm", "format"}) {
    const CliCall call = ParseCliCall({name, "--yes", "X"});
    ASSERT_EQ(call.What, CliCall::Action::Run) << name;
    EXPECT_TRUE(call.AssumeYes) << name;
    EXPECT_EQ(call.Arguments, QStringList({"X"}));
  }
  EXPECT_FALSE(ParseCliCall({"rm", "X"}).AssumeYes);
  EXPECT_EQ(ParseCliCall({"mv", "--yes", "A", "B"}).What, CliCall::Action::WrongCall);
}

// A folder argument reaches the shell's command line as it stands: one the
// shell would take for a redirection or split at a blank is refused before
// anything is typed.
TEST(CliFolderArguments, unsafeNamesAreRefusedWithExitTwoAndNothingTyped) {
  ScriptedShell shell;
  const QString port = QString::fromStdString(shell.Path());
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("A.TXT"));
  QFile(file).open(QIODevice::WriteOnly);
  const QList<QStringList> calls = {{"ls", "DATA>X"},
                                    {"ls", "\\LOG|MORE"},
                                    {"du", "MY FILE"},
                                    {"du", "A<B"},
                                    {"put", file, "\\DATA>X"}};
  for (const QStringList& call : calls) {
    const auto result = RunCli(QStringList{"--port", port} + call);
    EXPECT_EQ(result.ExitCode, 2) << call.join(' ').toStdString();
    EXPECT_TRUE(result.Err.contains(QStringLiteral("cannot be sent to the TALO-7100")))
        << result.Err.toStdString();
    EXPECT_EQ(result.Out, QString());
  }
  EXPECT_EQ(shell.Received(), "");
  EXPECT_EQ(RunCli({"--port", port, "ls", "--bogus"}).ExitCode, 2);
}

// The device subcommands against the simulator: ls and du read what put
// stored, and put's file arrives byte-exact.
class CliOnSimulator : public SimFixture {
 protected:
  // An installation folder of the test's own, with the demo's programs.
  QProcessEnvironment SimEnvironment() {
    const QString home = QString::fromStdString(TempDir()) + "/home";
    EXPECT_TRUE(TaloAppDir::PrepareInstallationFolder(
        home, {QStringLiteral(TALO_SHARE_DIR "/defaults"), QStringLiteral(TALO_SHARE_DIR "/demo")}));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TALO7100_HOME", home);
    return environment;
  }
};

TEST_F(CliOnSimulator, putThenLsAndDuSeeTheFile) {
  StartSim();
  ASSERT_TRUE(Sim().MakeDir("\\DATA"));
  const std::string content = "line one\r\nline two\r\n";
  const std::string pcFile = TempDir() + "/NOTES.TXT";
  std::ofstream(pcFile, std::ios::binary) << content;
  const QString port = QString::fromStdString(PortPath());

  // Quick answers for the free-space look-up (the default; --quick is kept
  // for scripts that still pass it).
  const auto put =
      RunCli({"--port", port, "--quick", "put", QString::fromStdString(pcFile), "\\DATA"});
  EXPECT_EQ(put.ExitCode, 0) << put.Err.toStdString();
  // Only its own lines: the free-space look-up's listing is not output.
  EXPECT_FALSE(put.Out.contains(QStringLiteral("bytes free"))) << put.Out.toStdString();
  EXPECT_TRUE(put.Out.contains(QStringLiteral("NOTES.TXT"))) << put.Out.toStdString();
  const auto stored = Sim().GetFile("\\DATA\\NOTES.TXT");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(*stored, content + std::string(128 - content.size(), '\0'));

  const auto ls = RunCli({"--port", port, "ls", "DATA"});
  EXPECT_EQ(ls.ExitCode, 0) << ls.Err.toStdString();
  EXPECT_TRUE(ls.Out.startsWith(QStringLiteral("NOTES.TXT\t128\t"))) << ls.Out.toStdString();
  EXPECT_TRUE(ls.Out.contains(QStringLiteral("1 object(s)\n128 byte(s)("))) << ls.Out.toStdString();

  // --verbose adds the exchanges' console lines, on standard error.
  const auto verbose = RunCli({"--port", port, "ls", "--verbose", "DATA"});
  EXPECT_EQ(verbose.ExitCode, 0) << verbose.Err.toStdString();
  EXPECT_TRUE(verbose.Err.contains(QStringLiteral("\ndir\n"))) << verbose.Err.toStdString();
  EXPECT_EQ(verbose.Out, ls.Out);

  const auto du = RunCli({"--port", port, "du", "\\"});
  EXPECT_EQ(du.ExitCode, 0) << du.Err.toStdString();
  EXPECT_EQ(du.Out, QStringLiteral("1 file(s), 1 folder(s)\t128 byte(s)\n"));
}

// Each command's JSON parsed back holds the facts its plain output shows.
TEST_F(CliOnSimulator, jsonOutputCarriesTheFactsOfThePlainOutput) {
  StartSim();
  Sim().FillDemo();
  ASSERT_TRUE(Sim().PutFile("\\NEW\\A.TXT", "one\r\ntwo\r\n") && Sim().MakeDir("\\NEW\\SUB"));
  const QString port = QString::fromStdString(PortPath());
  const QProcessEnvironment environment = SimEnvironment();
  struct Case {
    QStringList Call;
    std::function<void(const QString& plain, const QJsonObject& json)> Compare;
  };
  const auto field = [](const QJsonObject& o, const char* name) { return o.value(QLatin1String(name)); };
  const Case cases[] = {
      {{"ls", "\\NEW"},
       [&](const QString& plain, const QJsonObject& json) {
         const QJsonArray items = field(json, "items").toArray();
         ASSERT_EQ(items.size(), 2);
         const QJsonObject file = items[1].toObject();
         // The plain list shows the date in the listing format; JSON keeps ISO 8601.
         const auto shown = [](const QJsonValue& iso) {
           return DateSettings::ListingFormat().Format(QDateTime::fromString(iso.toString(), Qt::ISODate));
         };
         EXPECT_EQ(plain.section('\n', 0, 0), field(items[0].toObject(), "name").toString() + "\t\t<DIR>\t" +
                                                  shown(field(items[0].toObject(), "modified")));
         EXPECT_EQ(plain.section('\n', 1, 1), QStringList({field(file, "name").toString(),
                                                           QString::number(field(file, "size").toInteger()),
                                                           field(file, "type").toString(),
                                                           shown(field(file, "modified"))})
                                                  .join('\t'));
         EXPECT_TRUE(plain.contains(QStringLiteral("%1 object(s)").arg(field(json, "objects").toInt())));
         EXPECT_TRUE(plain.contains(QLocale(QLocale::English).toString(field(json, "free").toInteger()) +
                                    " bytes free"))
             << plain.toStdString();
       }},
      {{"du", "\\NEW"},
       [&](const QString& plain, const QJsonObject& json) {
         EXPECT_EQ(plain, QStringLiteral("%1 file(s), %2 folder(s)\t%3 byte(s)\n")
                              .arg(field(json, "files").toInt())
                              .arg(field(json, "folders").toInt())
                              .arg(field(json, "bytes").toInt()));
       }},
      {{"cat", "\\NEW\\A.TXT"},
       [&](const QString& plain, const QJsonObject& json) {
         // The shell's line end before its prompt stands for the last one.
         EXPECT_EQ(field(json, "text").toString().remove('\r') + '\n', plain);
         EXPECT_TRUE(field(json, "whole").toBool());
         EXPECT_EQ(field(json, "encoding").toString(), "latin1");
       }},
      {{"ports"},
       [&](const QString& plain, const QJsonObject& json) {
         QStringList names;
         for (const QJsonValue& listed : field(json, "ports").toArray())
           names.append(listed.toObject().value("name").toString());
         EXPECT_TRUE(names.contains(port));
         EXPECT_TRUE(plain.contains(port));
       }},
      {{"netconf", "--show"},
       [&](const QString& plain, const QJsonObject& json) {
         EXPECT_EQ(plain, "--static " + field(json, "ip").toString() + " --gateway " +
                              field(json, "gateway").toString() + " --dns " + field(json, "dns").toString() + "\n");
         EXPECT_FALSE(field(json, "dhcp").toBool());
       }},
      {{"accounts", "--show"},
       [&](const QString& plain, const QJsonObject& json) {
         const QJsonObject ftp = field(json, "ftp").toObject();
         const QJsonObject http = field(json, "http").toObject();
         EXPECT_EQ(plain, QStringList({"ftp", ftp.value("id").toString(), ftp.value("rights").toString()}).join(' ') +
                              "\n" +
                              QStringList({"http", http.value("id").toString(), http.value("rights").toString()}).join(' ') +
                              "\n");
         EXPECT_FALSE(QJsonDocument(json).toJson().contains("password"));
       }},
      {{"dio", "--yes"},
       [&](const QString& plain, const QJsonObject& json) {
         QStringList channels;
         int channel = 0;
         for (const QJsonValue bit : field(json, "inputs").toArray())
           channels.append(QStringLiteral("DI%1=%2").arg(channel++).arg(bit.toInt()));
         channel = 0;
         for (const QJsonValue bit : field(json, "outputs").toArray())
           channels.append(QStringLiteral("DO%1=%2").arg(channel++).arg(bit.toInt()));
         // The inputs change between the two runs; the outputs and the
         // line's form do not.
         const QRegularExpression line(
             QStringLiteral("^DI0=[01] DI1=[01] DI2=[01] DI3=[01] (DO0=[01] DO1=[01] DO2=[01] DO3=[01])\n$"));
         EXPECT_TRUE(line.match(plain).hasMatch()) << plain.toStdString();
         EXPECT_EQ(line.match(channels.join(' ') + "\n").captured(1), line.match(plain).captured(1))
             << channels.join(' ').toStdString();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Call.join(' ').toStdString());
    const CliResult plain = RunCli(QStringList{"--port", port} + c.Call, environment);
    const CliResult json = RunCli(QStringList{"--port", port, "--json"} + c.Call, environment);
    ASSERT_EQ(plain.ExitCode, 0) << plain.Err.toStdString();
    ASSERT_EQ(json.ExitCode, 0) << json.Err.toStdString();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.Out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.Out.toStdString();
    ASSERT_EQ(json.Out.count('\n'), 1) << "one document, one line";
    c.Compare(plain.Out, document.object());
  }
  // A failure: its message and exit status as JSON on standard error.
  const CliResult missing = RunCli({"--port", port, "--json", "ls", "\\NONE"}, environment);
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_EQ(missing.Out, QString());
  const QJsonObject last =
      QJsonDocument::fromJson(missing.Err.trimmed().section('\n', -1).toUtf8()).object();
  EXPECT_EQ(last.value("exit").toInt(), 1);
  EXPECT_TRUE(last.value("error").toString().contains("NONE")) << missing.Err.toStdString();
}

// Without --verbose standard output holds the result alone: no console
// line, no progress.
TEST_F(CliOnSimulator, stdoutHoldsOnlyTheResultWithoutVerbose) {
  StartSim();
  Sim().FillDemo();
  const QString port = QString::fromStdString(PortPath());
  const std::string pcFile = TempDir() + "/UP.BIN";
  std::ofstream(pcFile, std::ios::binary) << std::string(3000, 'u');
  QTemporaryDir dir;
  const QProcessEnvironment environment = SimEnvironment();
  const struct {
    QStringList Call;
    QRegularExpression Result;  // the whole of standard output
  } cases[] = {
      {{"netconf", "--dhcp"}, QRegularExpression("^$")},
      {{"backup", dir.filePath("D.img")}, QRegularExpression("^$")},
      {{"put", QString::fromStdString(pcFile)},
       QRegularExpression("^1/1 \\S+UP\\.BIN: sent as D:\\\\UP\\.BIN, 3000 bytes in [0-9.]+ s[^\n]*\n$")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Call.join(' ').toStdString());
    const CliResult result = RunCli(QStringList{"--port", port} + c.Call, environment, 600000);
    EXPECT_EQ(result.ExitCode, 0) << result.Err.toStdString();
    EXPECT_TRUE(c.Result.match(result.Out).hasMatch()) << result.Out.toStdString();
    EXPECT_FALSE(result.Err.isEmpty()) << "the progress and messages";
  }
}

// The pane's file commands on the command line: the question is refused
// without --yes, a name that is not already 8.3 is a wrong call (nothing is
// typed), and the rest acts on the item the path names.
TEST_F(CliOnSimulator, fileCommandsAskUnlessYesAndRefuseNamesThatWouldBeCut) {
  StartSim();
  ASSERT_TRUE(Sim().PutFile("\\DATA\\OLD.TXT", "o") && Sim().PutFile("\\DATA\\RUN.EXE", "MZ"));
  const QString port = QString::fromStdString(PortPath());
  const auto asked = RunCli({"--port", port, "rm", "\\DATA\\OLD.TXT"});
  EXPECT_EQ(asked.ExitCode, 1);
  EXPECT_TRUE(asked.Err.contains("Question: Are you sure to delete the file 'OLD.TXT'")) << asked.Err.toStdString();
  EXPECT_TRUE(Sim().Exists("\\DATA\\OLD.TXT"));

  const size_t typed = Sim().Commands().size();
  const auto cut = RunCli({"--port", port, "mv", "\\DATA\\OLD.TXT", "longfilename.txt"});
  EXPECT_EQ(cut.ExitCode, 2);
  EXPECT_TRUE(cut.Err.contains("it would be sent as LONGFILE.TXT")) << cut.Err.toStdString();
  const auto unsafe = RunCli({"--port", port, "rm", "\\DATA\\*.*"});
  EXPECT_EQ(unsafe.ExitCode, 2);
  EXPECT_EQ(Sim().Commands().size(), typed);

  EXPECT_EQ(RunCli({"--port", port, "mv", "\\DATA\\OLD.TXT", "new.txt"}).ExitCode, 0);
  EXPECT_EQ(RunCli({"--port", port, "rm", "--yes", "DATA/NEW.TXT"}).ExitCode, 0);
  EXPECT_EQ(RunCli({"--port", port, "autorun", "\\DATA\\RUN.EXE"}).ExitCode, 0);
  EXPECT_FALSE(Sim().Exists("\\DATA\\OLD.TXT") || Sim().Exists("\\DATA\\NEW.TXT"));
  EXPECT_EQ(Sim().GetFile("\\AUTORUN.BAT"), "\\DATA\\RUN.EXE\r\n");
}

// mem and format run the pane's commands; a name from the listing that holds
// a terminal's escape sequence reaches stdout escaped, never live.
TEST_F(CliOnSimulator, memFormatAndAHostileNameRunAsThePanesCommands) {
  StartSim();
  ASSERT_TRUE(Sim().PutFile("\\OLD.TXT", "o"));
  talosim::FaultPlan faults;
  faults.ListingEntries = {{"A\x1b[2J.TXT"}};
  Sim().SetFaults(faults);
  const QString port = QString::fromStdString(PortPath());
  const auto ls = RunCli({"--port", port, "ls"});
  EXPECT_EQ(ls.ExitCode, 0) << ls.Err.toStdString();
  EXPECT_TRUE(ls.Out.contains(QStringLiteral("A\\x1b[2J.TXT")) && !ls.Out.contains(QChar(0x1b)))
      << ls.Out.toStdString();

  const auto mem = RunCli({"--port", port, "mem"});
  EXPECT_EQ(mem.ExitCode, 0) << mem.Err.toStdString();
  EXPECT_EQ(Sim().Commands().back(), "C:\\mem");
  const auto format = RunCli({"--port", port, "format", "--yes"});
  EXPECT_EQ(format.ExitCode, 0) << format.Err.toStdString();
  EXPECT_FALSE(Sim().Exists("\\OLD.TXT"));
}

// Ctrl+C or SIGTERM while "C:\DLFMT D: /C" is being typed: the command
// stops before its carriage return, the typed part is erased and the
// program ends with 130. The drive keeps its files and the next command
// runs as typed.
TEST_F(CliOnSimulator, aSignalWhileACommandIsTypedErasesItAndEndsWith130) {
  for (const int signalNumber : {SIGINT, SIGTERM}) {
    auto options = SimHarness::DefaultOptions();
    options.LatencyMs = 40;  // each echo comes 40 ms after its byte
    StartSim(options);
    ASSERT_TRUE(Sim().PutFile("\\KEEP.TXT", "kept"));
    const QString port = QString::fromStdString(PortPath());
    QProcess cli;
    cli.start(QStringLiteral(TALO_CLI_PATH), {"--port", port, "format", "--yes"});
    ASSERT_TRUE(cli.waitForStarted());
    for (int i = 0; i < 1000 && Sim().Received().find("C:\\DLF") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(static_cast<pid_t>(cli.processId()), signalNumber);
    ASSERT_TRUE(cli.waitForFinished(20000));
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit) << signalNumber;
    EXPECT_EQ(cli.exitCode(), 130) << cli.readAllStandardError().toStdString();
    EXPECT_NE(Sim().Received().find('\b'), std::string::npos) << "the typed part was erased";
    EXPECT_TRUE(Sim().Commands().empty()) << Sim().Commands().front();
    EXPECT_TRUE(Sim().Exists("\\KEEP.TXT"));

    const auto ls = RunCli({"--port", port, "ls"});
    EXPECT_EQ(ls.ExitCode, 0) << ls.Err.toStdString();
    EXPECT_EQ(Sim().Commands(), (std::vector<std::string>{"d:", "cd\\", "dir"}));
  }
}

// The adapter unplugged in the middle of a listing or a copy: the command
// ends with one clear line and exit status 1, never a hang; with the adapter
// plugged in again the next call on the same path works.
TEST_F(CliOnSimulator, aHangUpEndsTheCommandWithOneLineAndTheNextCallWorks) {
  StartSim();
  const QString port = QString::fromStdString(PortPath());
  const QString lost = QStringLiteral("Error: ") + ShellText::Disconnected(port) + QLatin1Char('\n');
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(Sim().PutFile("\\FILE" + std::to_string(i) + ".TXT", "x"));
  talosim::FaultPlan faults;
  faults.HangUpAfterBytes = 400;  // "d:" and "cd" answered, the listing half-way
  Sim().SetFaults(faults);
  const auto ls = RunCli({"--port", port, "ls"});
  EXPECT_EQ(ls.ExitCode, 1);
  EXPECT_EQ(ls.Err, lost);

  StartSim();
  const std::string pcFile = TempDir() + "/BIG.BIN";
  std::ofstream(pcFile, std::ios::binary) << std::string(64 * 1024, 'b');
  std::thread unplug([this] {
    // Some twenty blocks into the upload.
    for (int i = 0; i < 1000 && Sim().Received().size() < 3000; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Sim().HangUp();
  });
  const auto put = RunCli({"--port", port, "put", QString::fromStdString(pcFile)});
  unplug.join();
  EXPECT_EQ(put.ExitCode, 1);
  EXPECT_TRUE(put.Err.endsWith(lost)) << put.Err.toStdString();
  EXPECT_EQ(put.Err.count(QStringLiteral("Error: ")), 1) << put.Err.toStdString();

  StartSim();
  ASSERT_TRUE(Sim().PutFile("\\AGAIN.TXT", "a"));
  const auto again = RunCli({"--port", port, "ls"});
  EXPECT_EQ(again.ExitCode, 0) << again.Err.toStdString();
  EXPECT_TRUE(again.Out.startsWith(QStringLiteral("AGAIN.TXT\t"))) << again.Out.toStdString();
}

}  // namespace
