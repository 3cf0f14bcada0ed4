// The copy command, the batch behind the transfer dialog, TransferFile and
// the command line's put, against the simulated controller.
#include "copytodevice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTimer>
#include <csignal>
#include <cstdio>

#include "deviceshell.h"
#include "putcli.h"
#include "transfertesting.h"
#include "transfertext.h"

using namespace transfertest;

namespace {

TEST(ValidFileName, acceptsLettersDigitsUnderscoreAndFullStopOnly) {
  for (const char* name : {"LOG.TXT", "a_b9.c", "NAMEMUCHTOOLONG.TEXT", "..."})
    EXPECT_TRUE(TransferBatch::ValidFileName(QString::fromUtf8(name))) << name;
  for (const char* name : {"", "my file.txt", "a-b.txt", "\xC3\xA4.txt", "x\\y"})
    EXPECT_FALSE(TransferBatch::ValidFileName(QString::fromUtf8(name))) << name;
}

struct CheckCase {
  const char* Name;
  std::vector<CopySelection> Selected;
  int64_t Free;
  const char* Warning;  // null: accepted
};

class CheckSelectionTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckSelectionTest, warnsInOrderOrAccepts) {
  const CheckCase& c = GetParam();
  const auto checked = CopyToDeviceLogic::CheckSelection(c.Selected, c.Free);
  EXPECT_EQ(checked.Warning.value_or("accepted"),
            QString::fromLatin1(c.Warning ? c.Warning : "accepted"));
  if (!c.Warning) {
    EXPECT_EQ(checked.Sources.size(), static_cast<qsizetype>(c.Selected.size()));
  }
}

const CopySelection kFile{"/pc/a.txt", false, 100};
const CopySelection kFolder{"/pc/dir", true, 0};

INSTANTIATE_TEST_SUITE_P(
    Checks, CheckSelectionTest,
    ::testing::Values(
        CheckCase{"nothingSelected", {}, 1000, TransferText::kSelectFile},
        CheckCase{"folderAmongFiles", {kFile, kFile, kFolder, kFile}, 0, TransferText::kOnlyFiles},
        CheckCase{"notListedYet", {kFile}, 0, TransferText::kRefreshFirst},
        CheckCase{"onlyEmptyFiles", {{"/pc/e", false, 0}}, 1000, TransferText::kNoSpace},
        CheckCase{"totalEqualToFreeSpace", {kFile, kFile}, 200, TransferText::kNoSpace},
        CheckCase{"totalJustBelowFreeSpace", {kFile, kFile}, 201, nullptr},
        // 4 GiB + 100 bytes must not pass as 100 bytes.
        CheckCase{"hugeTotalDoesNotWrap",
                  {{"/pc/big", false, (int64_t{1} << 32) + 100}},
                  1000,
                  TransferText::kNoSpace}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(CopyTargetDir, isTheShownFolderOnDriveD) {
  EXPECT_EQ(CopyToDeviceLogic::TargetDirFor("\\"), "D:\\");
  EXPECT_EQ(CopyToDeviceLogic::TargetDirFor("\\DATA"), "D:\\DATA\\");
  EXPECT_EQ(CopyToDeviceLogic::TargetDirFor("\\DATA\\LOG\\"), "D:\\DATA\\LOG\\");
}

class CopyToController : public SimTransferTest<> {
 protected:
  CopySelection Selected(const QString& name, size_t size) {
    return {File(name, size), false, static_cast<int64_t>(size)};
  }
  CopyReport Copy(std::vector<CopySelection> selected, const QString& folder = "\\",
                  int64_t freeBytes = 1'000'000) {
    CopyRequest request;
    request.Selected = std::move(selected);
    request.DeviceFreeBytes = freeBytes;
    request.DevicePathText = folder;
    request.RefreshDevicePane = [this] { ++Refreshes; };
    return CopyToDevice(Host(), request);
  }
  std::vector<std::string> Transfers() {
    std::vector<std::string> lines;
    for (const std::string& command : Sim().Commands())
      if (command.find("transfer") != std::string::npos) lines.push_back(command);
    return lines;
  }
  // How often the frame of this block and data went out on the line.
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

  int Refreshes = 0;
};

TEST_F(CopyToController, sendsEachFileIntoTheShownFolderThenListsItAgain) {
  ASSERT_TRUE(Sim().MakeDir("\\DATA"));
  const CopyReport report = Copy({Selected("log.txt", 300), Selected("B.BIN", 0)}, "\\DATA");
  EXPECT_TRUE(report.AllSucceeded);
  EXPECT_EQ(Transfers(), (std::vector<std::string>{"C:\\transfer /R D:\\DATA\\log.txt",
                                                   "C:\\transfer /R D:\\DATA\\B.BIN"}));
  EXPECT_EQ(Sim().GetFile("\\DATA\\LOG.TXT"), Padded(Contents["log.txt"]));
  EXPECT_EQ(Sim().GetFile("\\DATA\\B.BIN"), "");
  EXPECT_EQ(Refreshes, 1);
  EXPECT_TRUE(Shows.CancelEnabled);
  ASSERT_EQ(Shows.View.Files.size(), 2u);
  EXPECT_EQ(Shows.View.Files[1].Number, 2);
  EXPECT_EQ(Shows.View.Files[1].Total, 2);
  EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(CopyToController, invalidNameIsPromptedForAndCancelSkipsOnlyThatFile) {
  Dialogs.NameAnswers = {QString("my file"), QString("myfile.txt"), std::nullopt};
  const CopyReport report =
      Copy({Selected("my file.txt", 200), Selected("b c.txt", 10), Selected("c.txt", 10)});
  EXPECT_EQ(Dialogs.NamePrompts,
            (QStringList{"Invalid file name 'my file.txt'", "Invalid file name 'my file'",
                         "Invalid file name 'b c.txt'"}));
  EXPECT_EQ(Transfers(), (std::vector<std::string>{"C:\\transfer /R D:\\myfile.txt",
                                                   "C:\\transfer /R D:\\c.txt"}));
  EXPECT_EQ(Sim().GetFile("\\MYFILE.TXT"), Padded(Contents["my file.txt"]));
  EXPECT_TRUE(Dialogs.Errors().empty());
  ASSERT_EQ(report.Outcomes.size(), 3u);
  EXPECT_EQ(report.Outcomes[1].Outcome, TransferOutcome::Result::Skipped);
  EXPECT_EQ(report.Outcomes[2].Outcome, TransferOutcome::Result::Sent);
}

TEST_F(CopyToController, failedSecondFileStopsTheBatchAndThePaneIsListedAgain) {
  Shows.View.OnFile = [this](int number) {
    if (number == 2) SetFaults([](auto& f) { f.XmodemCanAtBlock = 1; });
  };
  const CopyReport report =
      Copy({Selected("a.txt", 10), Selected("b.txt", 10), Selected("c.txt", 10)});
  EXPECT_FALSE(report.AllSucceeded);
  EXPECT_EQ(Transfers().size(), 2u);
  EXPECT_TRUE(Sim().Exists("\\A.TXT"));
  EXPECT_EQ(Dialogs.Errors(), QStringList{"Fail to transfer file 'b.txt'!"});
  EXPECT_EQ(report.Outcomes[2].Outcome, TransferOutcome::Result::NotSent);
  EXPECT_EQ(Refreshes, 1);
}

TEST_F(CopyToController, refusedCopyOrUnavailablePortSendsNothingAndKeepsThePane) {
  // The total equal to the free space.
  EXPECT_FALSE(Copy({Selected("a.txt", 600), Selected("b.txt", 400)}, "\\", 1000).Started);
  EXPECT_EQ(Dialogs.Warnings(), QStringList{TransferText::kNoSpace});
  EXPECT_EQ(Shows.Presented, 0);

  CopyRequest request;
  request.Selected = {Selected("a.txt", 10)};
  request.DeviceFreeBytes = 1000;
  request.DevicePathText = "\\";
  TransferHost host{"/dev/absent-talo-port", Console, Dialogs, Shows};
  EXPECT_FALSE(CopyToDevice(host, request).Started);
  EXPECT_EQ(Dialogs.Errors(), QStringList{ShellText::UnableToOpen("/dev/absent-talo-port")});
  EXPECT_EQ(Refreshes, 0);
  EXPECT_TRUE(Sim().Commands().empty());
}

TEST_F(CopyToController, nakFourTimesThenAckSendsTheSameFrameFiveTimes) {
  SetFaults([](auto& f) {
    f.XmodemNakBlock = 2;
    f.XmodemNakCount = 4;
  });
  EXPECT_TRUE(TransferFile(Host(), "D:\\", File("NAK.BIN", 3 * 128)));
  EXPECT_EQ(FrameCount(2, Contents["NAK.BIN"].substr(128, 128)), 5);
  EXPECT_EQ(FrameCount(3, Contents["NAK.BIN"].substr(256, 128)), 1);
  EXPECT_EQ(Sim().GetFile("\\NAK.BIN"), Contents["NAK.BIN"]);
}

TEST_F(CopyToController, transferFileFailsOnCanWithTheBoxOnlyAndReleasesThePort) {
  const QString path = File("MODID.EXE", 1000);
  EXPECT_TRUE(TransferFile(Host(), "D:\\", path));
  EXPECT_FALSE(Shows.CancelEnabled);
  EXPECT_EQ(Sim().GetFile("\\MODID.EXE"), Padded(Contents["MODID.EXE"]));
  EXPECT_TRUE(Dialogs.Messages.empty());

  SetFaults([](auto& f) { f.XmodemCanAtBlock = 2; });
  EXPECT_FALSE(TransferFile(Host(), "D:\\", File("CAN.BIN", 1000)));
  EXPECT_EQ(Dialogs.Errors(), QStringList{"Fail to transfer file 'CAN.BIN'!"});
  EXPECT_EQ(ConsoleLines().last(), TransferText::kTransferring) << "no status line of its own";
  EXPECT_FALSE(Sim().Exists("\\CAN.BIN"));
  TaloComPort again(PortPath());
  EXPECT_TRUE(again.Open()) << "the port is free again at once";
}

TEST_F(CopyToController, cancelledTransferFileIsAFailureWithoutMessage) {
  Shows.View.CancelAtPercent = 5;
  // Bytes that make no CAN in a frame's checksum.
  const QString path = WriteFile(Dir, "BIG.BIN", std::string(64 * 1024, 'x'));
  EXPECT_FALSE(TransferFile(Host(), "D:\\", path, true));
  EXPECT_TRUE(Shows.CancelEnabled);
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_EQ(TrailingCancels(Sim().Received()), 5u);
  EXPECT_FALSE(Sim().Exists("\\BIG.BIN"));
}

TEST_F(CopyToController, shellWithoutEchoGetsNoXmodemByte) {
  SetFaults([](auto& f) { f.NoEcho = true; });
  EXPECT_FALSE(TransferFile(Host(), "D:\\", File("ECHO.BIN", 300)));
  EXPECT_EQ(Sim().Received(), "C");
  EXPECT_FALSE(Sim().Exists("\\ECHO.BIN"));
}

// ---- talo7100-cli put ------------------------------------------------------

class PutCommandTest : public SimTransferTest<> {
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

TEST_F(PutCommandTest, uploadsEveryFileIntoTheFolderAndExitsZero) {
  ASSERT_TRUE(Sim().MakeDir("\\CONF"));
  const QString a = File("A.CFG", 300), b = File("B.CFG", 5000);
  EXPECT_EQ(Put({a, b, "D:\\CONF"}), PutCommand::kExitOk);
  EXPECT_EQ(Sim().GetFile("\\CONF\\A.CFG"), Padded(Contents["A.CFG"]));
  EXPECT_EQ(Sim().GetFile("\\CONF\\B.CFG"), Padded(Contents["B.CFG"]));
  EXPECT_NE(Output.find("1/2 " + a.toStdString()), std::string::npos) << Output;
  EXPECT_NE(Output.find("100% 5000 of 5000 bytes"), std::string::npos) << Output;
  EXPECT_NE(Output.find(": sent as D:\\CONF\\B.CFG"), std::string::npos) << Output;
}

TEST_F(PutCommandTest, refusesWhatTheCopyButtonRefuses) {
  const QString file = File("BIG.BIN", 10);
  // A folder that is not there: the listing says so, nothing is sent.
  EXPECT_EQ(Put({file, "\\NOWHERE"}), PutCommand::kExitFailed);
  // A folder among the files.
  EXPECT_EQ(Put({file, Dir.path()}), PutCommand::kExitFailed);
  EXPECT_TRUE(Dialogs.Warnings().contains(TransferText::kOnlyFiles));
  EXPECT_EQ(Put({}), PutCommand::kExitUsage);
  // A FIFO is no file either, for the command line and the copy button.
  const QString fifo = Dir.filePath("FIFO.BIN");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  Dialogs.Messages.clear();
  EXPECT_EQ(Put({fifo}), PutCommand::kExitFailed);
  EXPECT_EQ(Dialogs.Warnings(), QStringList{TransferText::kOnlyFiles});
  EXPECT_EQ(CopyToDeviceLogic::CheckSelection({{fifo, false, 0}, {file, false, 10}}, 1000).Warning,
            QString::fromLatin1(TransferText::kOnlyFiles));
  for (const std::string& command : Sim().Commands())
    EXPECT_EQ(command.find("transfer"), std::string::npos) << command;
}

TEST_F(PutCommandTest, ctrlCCancelsLikeTheCancelButton) {
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
  EXPECT_GE(TrailingCancels(Sim().Received()), 5u);
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
