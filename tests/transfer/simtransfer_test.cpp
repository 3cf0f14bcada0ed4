// Copies into the simulated controller: its own shell and XMODEM receiver,
// and the command line's put.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "copytodevice.h"
#include "deviceshell.h"
#include "putcli.h"
#include "recordingconsole.h"
#include "scripteddialogs.h"
#include "simfixture.h"
#include "transferfile.h"
#include "transfertesting.h"
#include "transfertext.h"

using namespace transfertest;

namespace {

class SimTransfer : public SimFixture {
 protected:
  TransferHost Host() {
    TransferHost host{QString::fromStdString(PortPath()), Console, Dialogs, Presenter};
    host.TimeoutMs = 200;
    return host;
  }
  QString File(const QString& name, size_t size) {
    Contents[name] = RandomBytes(size, static_cast<uint32_t>(size + name.size()));
    return WriteFile(Dir, name, Contents[name]);
  }
  // How often frame (block number, its data) went out on the line.
  int FrameCount(uint8_t number, const std::string& data) {
    const auto frame = TThreadXModem::BuildFrame(
        number, reinterpret_cast<const uint8_t*>(data.data()), static_cast<int>(data.size()));
    const std::string wanted(reinterpret_cast<const char*>(frame.data()), frame.size());
    const std::string sent = Sim().Received();
    int count = 0;
    for (size_t at = sent.find(wanted); at != std::string::npos; at = sent.find(wanted, at + 1))
      ++count;
    return count;
  }

  QTemporaryDir Dir;
  RecordingConsole Console;
  ScriptedDialogs Dialogs;
  DirectPresenter Presenter;
  std::map<QString, std::string> Contents;
};

TEST_F(SimTransfer, nakFourTimesThenAckSendsTheSameFrameFiveTimes) {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Faults.XmodemNakBlock = 2;
  options.Faults.XmodemNakCount = 4;
  StartSim(options);
  const QString path = File("NAK.BIN", 3 * 128);
  EXPECT_TRUE(TransferFile(Host(), "D:\\", path));
  EXPECT_EQ(FrameCount(2, Contents["NAK.BIN"].substr(128, 128)), 5);
  EXPECT_EQ(FrameCount(3, Contents["NAK.BIN"].substr(256, 128)), 1);
  EXPECT_EQ(Sim().GetFile("\\NAK.BIN"), Contents["NAK.BIN"]);
}

TEST_F(SimTransfer, canInReplyToABlockFailsWithTheFailureBoxOnly) {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Faults.XmodemCanAtBlock = 2;
  StartSim(options);
  EXPECT_FALSE(TransferFile(Host(), "D:\\", File("CAN.BIN", 1000)));
  EXPECT_EQ(Dialogs.Errors(), QStringList{"Fail to transfer file 'CAN.BIN'!"});
  QStringList lines = Console.Lines;
  lines.removeAll(QString());
  EXPECT_EQ(lines.last(), TransferText::kTransferring);
  EXPECT_FALSE(Sim().Exists("\\CAN.BIN"));
}

TEST_F(SimTransfer, shellWithoutEchoGetsNoXmodemByte) {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Faults.NoEcho = true;
  StartSim(options);
  EXPECT_FALSE(TransferFile(Host(), "D:\\", File("ECHO.BIN", 300)));
  EXPECT_EQ(Sim().Received(), "C");
  EXPECT_FALSE(Sim().Exists("\\ECHO.BIN"));
}

class SimPut : public SimTransfer {
 protected:
  int Put(const QStringList& arguments) {
    DeviceShell shell(Console, Dialogs);
    shell.SetSelectedPort(QString::fromStdString(PortPath()));
    FILE* out = std::tmpfile();
    const int status = PutCommand::Run(shell, arguments, PutCli::DeviceFreeSpace(shell),
                                       PutCommand::Output{out, false});
    std::rewind(out);
    char buffer[4096];
    Output.clear();
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;) Output.append(buffer, n);
    std::fclose(out);
    return status;
  }
  std::string Output;
};

TEST_F(SimPut, uploadsEveryFileIntoTheFolderAndExitsZero) {
  StartSim();
  ASSERT_TRUE(Sim().MakeDir("\\CONF"));
  const QString a = File("A.CFG", 300), b = File("B.CFG", 5000);
  EXPECT_EQ(Put({a, b, "D:\\CONF"}), PutCommand::kExitOk);
  EXPECT_EQ(Sim().GetFile("\\CONF\\A.CFG"), Padded(Contents["A.CFG"]));
  EXPECT_EQ(Sim().GetFile("\\CONF\\B.CFG"), Padded(Contents["B.CFG"]));
  EXPECT_NE(Output.find("1/2 " + a.toStdString()), std::string::npos) << Output;
  EXPECT_NE(Output.find("100% 5000 of 5000 bytes"), std::string::npos) << Output;
  EXPECT_NE(Output.find(": sent as D:\\CONF\\B.CFG"), std::string::npos) << Output;
}

TEST_F(SimPut, refusesWhatTheCopyButtonRefuses) {
  StartSim();
  const QString file = File("BIG.BIN", 10);
  // A folder that is not there: the listing says so, nothing is sent.
  EXPECT_EQ(Put({file, "\\NOWHERE"}), PutCommand::kExitFailed);
  // A folder among the files.
  EXPECT_EQ(Put({file, Dir.path()}), PutCommand::kExitFailed);
  EXPECT_TRUE(Dialogs.Warnings().contains(TransferText::kOnlyFiles));
  EXPECT_EQ(Put({}), PutCommand::kExitUsage);
  for (const std::string& command : Sim().Commands())
    EXPECT_EQ(command.find("transfer"), std::string::npos) << command;
}

TEST_F(SimPut, ctrlCCancelsLikeTheCancelButton) {
  StartSim();
  const QString file = File("BIG.BIN", 64 * 1024);
  // Timers fire only in the transfer's event pump, where Ctrl+C is caught.
  QTimer interrupt;
  interrupt.setInterval(20);
  bool raised = false;
  QObject::connect(&interrupt, &QTimer::timeout, [&] {
    if (!raised && Sim().Received().size() > 8000) {
      raised = true;
      std::raise(SIGINT);
    }
  });
  interrupt.start();
  EXPECT_EQ(Put({file}), PutCommand::kExitInterrupted);
  EXPECT_TRUE(raised);
  EXPECT_FALSE(Sim().Exists("\\BIG.BIN"));
  EXPECT_NE(Output.find(": cancelled"), std::string::npos) << Output;
  EXPECT_EQ(Sim().Received().substr(Sim().Received().size() - 5), std::string(5, '\x18'));
}

TEST(PutArguments, lastArgumentIsTheFolderOnlyWhenItNamesOne) {
  const auto one = PutCommand::Parse({"a.txt"});
  ASSERT_TRUE(one);
  EXPECT_EQ(one->Folder, "\\");
  const auto folder = PutCommand::Parse({"a.txt", "b.txt", "d:\\DATA\\LOG\\"});
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->Files, (QStringList{"a.txt", "b.txt"}));
  EXPECT_EQ(folder->Folder, "\\DATA\\LOG");
  EXPECT_EQ(PutCommand::Parse({"a.txt", "\\"})->Folder, "\\");
  EXPECT_EQ(PutCommand::Parse({"a.txt", "b.txt"})->Files.size(), 2);
  EXPECT_FALSE(PutCommand::Parse({}));
}

}  // namespace
