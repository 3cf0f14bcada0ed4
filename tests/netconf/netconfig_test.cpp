// The updates and the initialisation against the simulated controller,
// through the device logic the dialog uses and through talo7100-cli.
#include "netconf/netconfig.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QProcess>
#include <functional>

#include "link/shell/deviceshell.h"
#include "netconf/cli/netconfcli.h"
#include "netconf/netconftext.h"
#include "netconf/settingsparser.h"
#include "tests/netconf/netconftesting.h"
#include "tests/support/clirun.h"
#include "tests/transfer/transfertesting.h"

using namespace netconftest;
using namespace transfertest;

namespace {

const QString kUpdated = QString::fromLatin1(NetConfText::kUpdateSuccessful);

std::string PaddedBytes(const QByteArray& bytes) {
  return transfertest::Padded(std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
}

// The short time-outs suit the simulator, which answers at once.
NetConfigTimes QuickTimes() {
  NetConfigTimes times;
  times.FormatTimeoutMs = 200;
  times.FormatBudgetMs = 200;
  times.CommandTimeoutMs = 100;
  times.CommandBudgetMs = 100;
  times.TransferTimeoutMs = 200;
  times.Read.FileCommandMs = 100;
  return times;
}

class NetConfigOnSim : public SimFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Home.Ready());
    StartSim();
    ASSERT_TRUE(Sim().MakeDir("\\CONF"));
    Shell.SetSelectedPort(QString::fromStdString(PortPath()));
  }
  QStringList Informations() const { return Dialogs.Texts(ScriptedDialogs::Message::Information); }
  bool SentTransfer() { return Sim().Received().find("C:\\transfer") != std::string::npos; }
  // The top level's part, as the dialog and the command line do it.
  bool Told(const ConfigResult& result) {
    Shell.Tell(result.Told());
    return result.Ok();
  }
  bool Initialise(const ServerChoice& servers) {
    return NetConfig::ConfirmFormat(Dialogs) && Told(Config.InitialiseSystem(servers));
  }

  TestInstallation Home;
  RecordingConsole Console;
  ScriptedDialogs Dialogs;
  DeviceShell Shell{Console, Dialogs, Dialogs};
  DirectPresenter Shows;
  NetConfig Config{Shell, Shows, QuickTimes()};
};

AddressSettings StaticAddress() {
  AddressSettings settings;
  settings.Ip = {"192", "168", "0", "007"};
  settings.Gateway = {"192", "168", "0", "1"};
  settings.AutoDns = true;
  return settings;
}

TEST_F(NetConfigOnSim, settingsAndAccountsArriveOnConfFolderAsWritten) {
  ASSERT_TRUE(Told(Config.UpdateSettings(StaticAddress())));
  const QByteArray cfg = ReadBytes(Home.Program("SOCKET.CFG"));
  EXPECT_TRUE(cfg.contains("ip address 192.168.0.7\r\n"));
  EXPECT_EQ(Sim().GetFile("\\CONF\\SOCKET.CFG"), PaddedBytes(cfg));

  const AccountSettings accounts{"admin", "s3cret", "dr", "web", "pw", "e"};
  ASSERT_TRUE(Told(Config.UpdateAccounts(accounts)));
  const QByteArray upw = ReadBytes(Home.Program("SOCKET.UPW"));
  EXPECT_EQ(upw, "admin s3cret WebRoot dr\r\n\r\nweb pw / e");
  EXPECT_EQ(Sim().GetFile("\\CONF\\SOCKET.UPW"), PaddedBytes(upw));
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(Home.Program("SOCKET.UPW")).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(Informations(), (QStringList{kUpdated, kUpdated}));
  EXPECT_EQ(Dialogs.Errors(), QStringList());
}

TEST_F(NetConfigOnSim, unwritableFileStopsTheUpdateBeforeAnythingIsSent) {
  // A folder where the file should be: it cannot be replaced.
  ASSERT_TRUE(QDir().mkpath(Home.Program("SOCKET.CFG")));
  EXPECT_FALSE(Told(Config.UpdateSettings(StaticAddress())));
  ASSERT_EQ(Dialogs.Errors().size(), 1);
  EXPECT_TRUE(Dialogs.Errors().front().contains(Home.Program("SOCKET.CFG")));
  EXPECT_FALSE(SentTransfer());
  EXPECT_EQ(Informations(), QStringList());
}

// An installation folder that cannot be used stops the update with its
// message: SOCKET.UPW is not written into the current directory instead.
TEST_F(NetConfigOnSim, unusableInstallationFolderStopsTheUpdateWritingNothingHere) {
  QTemporaryDir here;
  const QString blocked = here.filePath(QStringLiteral("file"));
  QFile(blocked).open(QIODevice::WriteOnly);
  qputenv("TALO7100_HOME", (blocked + QStringLiteral("/home")).toLocal8Bit());
  const QString started = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(here.path()));
  EXPECT_FALSE(Told(Config.UpdateAccounts({"admin", "s3cret", "dr", "web", "pw", "e"})));
  QDir::setCurrent(started);
  ASSERT_EQ(Dialogs.Errors().size(), 1);
  EXPECT_TRUE(Dialogs.Errors().front().startsWith(QStringLiteral("The installation folder ") + blocked));
  EXPECT_EQ(QDir(here.path()).entryList(QDir::Files), QStringList{QStringLiteral("file")});
  EXPECT_FALSE(SentTransfer());
}

// The command line's accounts reads passwords: from its start the process
// writes no core file and cannot be dumped.
TEST(AccountsCommand, turnsCoreDumpsOffBeforeReadingPasswords) {
  ASSERT_EQ(::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0), 0);
  qputenv("TALO7100_FTP_PASSWORD", "s3cret");
  qputenv("TALO7100_HTTP_PASSWORD", "pw");
  RecordingConsole console;
  ScriptedDialogs dialogs;
  DeviceShell shell(console, dialogs, dialogs);  // no port: the listing fails at once
  EXPECT_EQ(NetConfCli::Accounts(shell, {"--ftp-id", "a", "--http-id", "b"}), 1);
  qunsetenv("TALO7100_FTP_PASSWORD");
  qunsetenv("TALO7100_HTTP_PASSWORD");
  EXPECT_EQ(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
  rlimit core{};
  ASSERT_EQ(::getrlimit(RLIMIT_CORE, &core), 0);
  EXPECT_EQ(core.rlim_cur, 0u);
}

TEST_F(NetConfigOnSim, failedOrCancelledUploadIsNoSuccess) {
  talosim::FaultPlan refuse;
  refuse.XmodemCanAtBlock = 1;
  Sim().SetFaults(refuse);
  EXPECT_FALSE(Told(Config.UpdateSettings(StaticAddress())));
  EXPECT_EQ(Dialogs.Errors(), QStringList{"Fail to transfer file 'SOCKET.CFG'!"});

  Sim().SetFaults({});
  Shows.View.CancelAtPercent = 0;
  // Long enough for Cancel to come while blocks are still to go.
  EXPECT_FALSE(Told(Config.UpdateAccounts({QString(64 * 1024, 'a'), "b", "", "c", "d", ""})));
  EXPECT_EQ(Informations(), QStringList());
  EXPECT_FALSE(Sim().Exists("\\CONF\\SOCKET.UPW"));
}

TEST_F(NetConfigOnSim, initialisationFormatsCopiesAndGoesOnAfterAFailedServer) {
  Sim().PutFile("\\OLD.TXT", "old");
  // The second server is the only file long enough to reach block 3, which
  // the controller refuses.
  ASSERT_TRUE(
      WriteBytes(Home.Source("Drive_D/Extension_files/WebRoot/ftpd.exe"), QByteArray(400, 'f')));
  talosim::FaultPlan faults;
  faults.XmodemCanAtBlock = 3;
  Sim().SetFaults(faults);

  EXPECT_FALSE(Initialise({true, true, true}));
  const std::vector<std::string> commands = Sim().Commands();
  ASSERT_GE(commands.size(), 5u);
  EXPECT_EQ(
      std::vector<std::string>(commands.begin(), commands.begin() + 5),
      (std::vector<std::string>{"C:\\DLFMT D: /C", "D:", "mkdir conf", "mkdir WebRoot", "dir"}));
  EXPECT_FALSE(Sim().Exists("\\OLD.TXT"));
  for (const char* name :
       {"\\CONF\\SOCKET.UPW", "\\CONF\\SOCKET.CFG", "\\AUTORUN.BAT", "\\AX8796.COM", "\\CFGIO.EXE",
        "\\SOCKETP.EXE", "\\WEBROOT\\HTTPFTPD.EXE", "\\WEBROOT\\HTTPD.EXE"})
    EXPECT_TRUE(Sim().Exists(name)) << name;
  EXPECT_EQ(Sim().GetFile("\\CONF\\SOCKET.UPW"),
            PaddedBytes(ReadBytes(Home.Source("Drive_D/Default_files/CONF/SOCKET.UPW"))));
  EXPECT_FALSE(Sim().Exists("\\WEBROOT\\FTPD.EXE"));
  EXPECT_EQ(Dialogs.Errors(), (QStringList{"Fail to transfer file 'ftpd.exe'!",
                                           QString::fromLatin1(NetConfText::kInitFailed)}));
  EXPECT_EQ(Informations(), QStringList());
  // The format's lines reach the console one by one, without blank lines.
  EXPECT_TRUE(Console.Lines.contains("Format complete."));
}

TEST_F(NetConfigOnSim, initialisationWithoutServersSucceedsAndNoAnswerSendsNothing) {
  Dialogs.YesNoAnswers = {false, true};
  EXPECT_FALSE(Initialise({}));
  EXPECT_TRUE(Sim().Received().empty());

  EXPECT_TRUE(Initialise({}));
  EXPECT_EQ(Informations(), QStringList{NetConfText::InitSucceeded()});
  EXPECT_TRUE(Sim().Exists("\\SOCKETP.EXE"));
}

// A controller slow to carry out a step after the format: its late prompt
// is waited out, and the drive gets its folders and files.
TEST_F(NetConfigOnSim, aLatePromptAfterTheFormatEndsNothing) {
  for (const char* slow : {"D:", "mkdir", "dir"}) {
    SCOPED_TRACE(slow);
    talosim::FaultPlan faults;
    faults.SlowCommand = slow;
    faults.SlowCommandMs = 500;
    Sim().SetFaults(faults);
    Dialogs.Messages.clear();
    Dialogs.YesNoAnswers = {true};
    EXPECT_TRUE(Initialise({}));
    EXPECT_EQ(Informations(), QStringList{NetConfText::InitSucceeded()});
    EXPECT_TRUE(Sim().Exists("\\WEBROOT"));
    EXPECT_TRUE(Sim().Exists("\\CONF\\SOCKET.CFG"));
  }
}

TEST_F(NetConfigOnSim, missingFileRefusesBeforeTheFormat) {
  Sim().PutFile("\\KEEP.TXT", "keep");
  const QString missing = Home.Source("Drive_D/Default_files/CFGIO.EXE");
  ASSERT_TRUE(QFile::remove(missing));
  EXPECT_FALSE(Initialise({false, false, true}));
  ASSERT_EQ(Dialogs.Errors().size(), 1);
  EXPECT_EQ(Dialogs.Errors().front(), NetConfText::MissingFiles({missing}));
  EXPECT_TRUE(Sim().Received().empty());
  EXPECT_TRUE(Sim().Exists("\\KEEP.TXT"));
}

// The flows show nothing themselves: their results carry the texts, in the
// order and of the kind the top level then shows them.
TEST_F(NetConfigOnSim, resultsCarryTheTextsTheTopLevelShows) {
  AddressSettings wrong;
  wrong.Ip = {"300", "0", "0", "1"};
  wrong.Gateway = {"10", "0", "0", "x"};
  wrong.Dns = {"", "0", "0", "1"};
  const QString missing = Home.Source("Drive_D/Extension_files/WebRoot/httpd.exe");
  struct Case {
    const char* Name;
    std::function<ConfigResult()> Flow;
    QStringList Errors;  // the error boxes before the result's
    JobStatus Status;
    QString Text;  // the result's box: error when failed, information when done
  };
  const Case cases[] = {
      {"every refused address group, in order",
       [&] { return Config.UpdateSettings(wrong); },
       {NetConfText::kIpIllegal, NetConfText::kGatewayIllegal, NetConfText::kDnsIllegal},
       JobStatus::Failed, {}},
      {"a blank account", [&] { return Config.UpdateAccounts({"", "", "", "web", "pw", ""}); },
       {}, JobStatus::Failed, NetConfText::kBlankAccount},
      {"an update that arrived", [&] { return Config.UpdateSettings(StaticAddress()); }, {},
       JobStatus::Ok, kUpdated},
      {"a file the initialisation lacks",
       [&] {
         QFile::remove(missing);
         return Config.InitialiseSystem({false, false, true});
       },
       {}, JobStatus::Failed, NetConfText::MissingFiles({missing})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Dialogs.Messages.clear();
    const ConfigResult result = c.Flow();
    EXPECT_TRUE(Dialogs.Messages.empty()) << "nothing shown from inside the flow";
    EXPECT_EQ(result.Errors, c.Errors);
    EXPECT_EQ(result.Result.Status, c.Status);
    EXPECT_EQ(result.Result.Text, c.Text);
    EXPECT_EQ(Told(result), c.Status == JobStatus::Ok);
    EXPECT_EQ(c.Status == JobStatus::Ok ? Informations() : Dialogs.Errors(),
              c.Text.isEmpty() ? c.Errors : c.Errors + QStringList{c.Text});
  }
}

TEST_F(NetConfigOnSim, commandLineWritesTheSameFilesAndRefusesWrongCalls) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("TALO7100_FTP_PASSWORD", "ftppw");
  environment.insert("TALO7100_HTTP_PASSWORD", "webpw");
  const QString port = QString::fromStdString(PortPath());

  const CliResult accounts =
      RunCli({"--port", port, "accounts", "--ftp-id", "admin", "--ftp-rights", "rwd", "--http-id",
              "web", "--http-rights", "ge"},
             environment);
  EXPECT_EQ(accounts.ExitCode, 0) << accounts.Err.toStdString();
  EXPECT_EQ(Sim().GetFile("\\CONF\\SOCKET.UPW"),
            PaddedBytes("admin ftppw WebRoot dwr\r\n\r\nweb webpw / eg"));

  // Refused as wrong calls before the controller hears a thing: octets,
  // a missing name server, a password the dialog would refuse too.
  Sim().ClearReceived();
  struct Refusal {
    QStringList Call;
    QString Says;
  };
  for (const Refusal& refusal :
       {Refusal{{"netconf", "--static", "10.0.0.1.5", "--auto-dns"}, NetConfText::kIpIllegal},
        Refusal{{"netconf", "--static", "10.0.0.1", "--dns", "10.0.0.256"}, NetConfText::kDnsIllegal},
        Refusal{{"netconf", "--static", "10.0.0.1"}, "--dns DNS or --auto-dns"}}) {
    const CliResult refused = RunCli(QStringList{"--port", port} + refusal.Call, environment);
    EXPECT_EQ(refused.ExitCode, 2) << refusal.Call.join(' ').toStdString();
    EXPECT_TRUE(refused.Err.contains(refusal.Says)) << refused.Err.toStdString();
  }
  QProcessEnvironment longPassword = environment;
  longPassword.insert("TALO7100_FTP_PASSWORD", "pumpstation1");
  const CliResult tooLong =
      RunCli({"--port", port, "accounts", "--ftp-id", "a", "--http-id", "b"}, longPassword);
  EXPECT_EQ(tooLong.ExitCode, 2);
  EXPECT_TRUE(tooLong.Err.contains(NetConfText::TooLong("FTP password", 10))) << tooLong.Err.toStdString();
  EXPECT_TRUE(Sim().Received().empty());

  for (const QStringList& wrong :
       {QStringList{"netconf"}, QStringList{"netconf", "--dhcp", "--static", "10.0.0.1"},
        QStringList{"accounts", "--ftp-id", "a", "--http-id", "b", "--ftp-password", "x"},
        QStringList{"accounts", "--ftp-id", "a", "--http-id", "b", "--http-rights", "c"},
        QStringList{"init", "--servers", "telnet"}})
    EXPECT_EQ(RunCli(QStringList{"--port", port} + wrong, environment).ExitCode, 2)
        << wrong.join(' ').toStdString();
  // No password from anywhere: refused, nothing sent.
  environment.remove("TALO7100_HTTP_PASSWORD");
  Sim().ClearReceived();
  EXPECT_EQ(
      RunCli({"--port", port, "accounts", "--ftp-id", "a", "--http-id", "b"}, environment).ExitCode,
      2);
  EXPECT_TRUE(Sim().Received().empty());
}

TEST_F(NetConfigOnSim, uploadedFilesReadBackAsTheirSettingsWithoutPasswords) {
  ASSERT_TRUE(Told(Config.UpdateSettings(StaticAddress())));
  ASSERT_TRUE(Told(Config.UpdateAccounts({"admin", "s3cret", "dr", "web", "pw", "e"})));
  Console.Clear();
  const std::optional<AddressSettings> settings = Config.ReadSettings().Value;
  ASSERT_TRUE(settings);
  EXPECT_EQ(NetSettings::SettingsOptions(*settings), "--static 192.168.0.7 --gateway 192.168.0.1 --auto-dns");
  const std::optional<AccountSettings> accounts = Config.ReadAccounts().Value;
  ASSERT_TRUE(accounts);
  EXPECT_EQ(NetSettings::AccountLinesShown(*accounts), QStringList({"ftp admin dr", "http web e"}));
  EXPECT_TRUE(accounts->FtpPassword.isEmpty() && accounts->HttpPassword.isEmpty());
  // The answer passed through the console with the passwords masked.
  const QString console = Console.Lines.join('\n');
  EXPECT_TRUE(console.contains("type D:\\CONF\\SOCKET.UPW")) << console.toStdString();
  EXPECT_TRUE(console.contains("admin *****")) << console.toStdString();
  EXPECT_FALSE(console.contains("s3cret")) << console.toStdString();
  EXPECT_EQ(Dialogs.Errors(), QStringList());

  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  const QStringList port{"--port", QString::fromStdString(PortPath())};
  const CliResult shown = RunCli(port + QStringList{"netconf", "--show"}, environment);
  EXPECT_EQ(shown.ExitCode, 0) << shown.Err.toStdString();
  EXPECT_EQ(shown.Out, "--static 192.168.0.7 --gateway 192.168.0.1 --auto-dns\n");
  const CliResult ids = RunCli(port + QStringList{"accounts", "--show", "--verbose"}, environment);
  EXPECT_EQ(ids.ExitCode, 0) << ids.Err.toStdString();
  EXPECT_EQ(ids.Out, "ftp admin dr\nhttp web e\n");
  EXPECT_FALSE((ids.Out + ids.Err).contains("s3cret"));
}

TEST_F(NetConfigOnSim, missingOrUnparsedFilesFillNothingAndFailNamingTheLine) {
  Sim().PutFile("\\CONF\\SOCKET.CFG",
                "ip address 10.0.0.1\r\ninterface pdr if0 dix 1500 10 0x60\r\n"
                "route add default if0 10.0.0.256\r\nip address\r\n");
  // Nothing is shown from inside: the top level shows what comes back.
  const QStringList errors = {Config.ReadSettings().Result.Text, Config.ReadAccounts().Result.Text};
  EXPECT_EQ(Dialogs.Errors(), QStringList());
  ASSERT_EQ(errors.size(), 2);
  EXPECT_TRUE(errors[0].startsWith("D:\\CONF\\SOCKET.CFG on the TALO-7100 is not as this utility "
                                   "writes it: line 3: '10.0.0.256'"))
      << errors[0].toStdString();
  EXPECT_EQ(errors[1], "File not found\n'D:\\CONF\\SOCKET.UPW'!");

  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  const QStringList port{"--port", QString::fromStdString(PortPath())};
  for (const char* command : {"netconf", "accounts"}) {
    const CliResult failed = RunCli(port + QStringList{command, "--show"}, environment);
    EXPECT_EQ(failed.ExitCode, 1) << command;
    EXPECT_TRUE(failed.Out.isEmpty()) << failed.Out.toStdString();
  }
  EXPECT_EQ(RunCli(port + QStringList{"netconf", "--show", "--dhcp"}, environment).ExitCode, 2);
}

}  // namespace
