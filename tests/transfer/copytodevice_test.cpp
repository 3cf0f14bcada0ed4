// The copy command, the batch behind the transfer dialog and TransferFile,
// against a scripted controller on a pty.
#include "copytodevice.h"

#include "deviceshell.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "recordingconsole.h"
#include "scripteddialogs.h"
#include "transferfile.h"
#include "transferpeer.h"
#include "transfertesting.h"
#include "transfertext.h"

using namespace transfertest;

namespace {

struct NameCase {
  const char* Name;
  bool Valid;
};

class ValidFileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ValidFileNameTest, acceptsLettersDigitsUnderscoreAndFullStopOnly) {
  EXPECT_EQ(TransferBatch::ValidFileName(QString::fromUtf8(GetParam().Name)), GetParam().Valid)
      << GetParam().Name;
}

INSTANTIATE_TEST_SUITE_P(Names, ValidFileNameTest,
                         ::testing::Values(NameCase{"LOG.TXT", true}, NameCase{"a_b9.c", true},
                                           NameCase{"NAMEMUCHTOOLONG.TEXT", true},
                                           NameCase{"...", true}, NameCase{"", false},
                                           NameCase{"my file.txt", false},
                                           NameCase{"a-b.txt", false},
                                           NameCase{"\xC3\xA4.txt", false},
                                           NameCase{"x\\y", false}));

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
  if (c.Warning) {
    ASSERT_TRUE(checked.Warning.has_value());
    EXPECT_EQ(*checked.Warning, QString::fromLatin1(c.Warning));
  } else {
    EXPECT_FALSE(checked.Warning.has_value()) << checked.Warning->toStdString();
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

class CopyToController : public ::testing::Test {
 protected:
  bool StartPeer(TransferPeer::Options options = {}) {
    Peer = std::make_unique<TransferPeer>(std::move(options));
    return Peer->Start();
  }
  TransferHost Host() {
    TransferHost host{QString::fromStdString(Peer->SlavePath()), Console, Dialogs, Presenter};
    host.TimeoutMs = 200;
    return host;
  }
  CopySelection File(const QString& name, size_t size) {
    const std::string bytes = RandomBytes(size, static_cast<uint32_t>(qHash(name)));
    Contents[name] = bytes;
    return {WriteFile(Dir, name, bytes), false, static_cast<int64_t>(size)};
  }
  CopyReport Copy(std::vector<CopySelection> selected, const QString& folder = "\\") {
    CopyRequest request;
    request.Selected = std::move(selected);
    request.DeviceFreeBytes = 1'000'000;
    request.DevicePathText = folder;
    request.RefreshDevicePane = [this] { ++Refreshes; };
    return CopyToDevice(Host(), request);
  }
  std::vector<std::string> Commands() const { return Peer->Commands(); }

  QTemporaryDir Dir;
  RecordingConsole Console;
  ScriptedDialogs Dialogs;
  DirectPresenter Presenter;
  std::unique_ptr<TransferPeer> Peer;
  std::map<QString, std::string> Contents;
  int Refreshes = 0;
};

TEST_F(CopyToController, sendsEachFileIntoTheShownFolderThenListsItAgain) {
  ASSERT_TRUE(StartPeer());
  const CopyReport report = Copy({File("log.txt", 300), File("B.BIN", 0)}, "\\DATA");
  EXPECT_TRUE(report.AllSucceeded);
  EXPECT_EQ(Commands(), (std::vector<std::string>{"C:\\transfer /R D:\\DATA\\log.txt",
                                                  "C:\\transfer /R D:\\DATA\\B.BIN"}));
  const auto files = Peer->Files();
  EXPECT_TRUE(files.at("D:\\DATA\\log.txt") == Padded(Contents["log.txt"]));
  EXPECT_EQ(files.at("D:\\DATA\\B.BIN"), "");
  EXPECT_EQ(Refreshes, 1);
  EXPECT_TRUE(Presenter.CancelEnabled);
  ASSERT_EQ(Presenter.View.Files.size(), 2u);
  EXPECT_EQ(Presenter.View.Files[1].Number, 2);
  EXPECT_EQ(Presenter.View.Files[1].Total, 2);
  EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(CopyToController, invalidNameIsRenamedAndTheSamePcFileSent) {
  ASSERT_TRUE(StartPeer());
  Dialogs.NameAnswers = {QString("my file"), QString("myfile.txt")};
  const CopyReport report = Copy({File("my file.txt", 200)});
  EXPECT_TRUE(report.AllSucceeded);
  EXPECT_EQ(Dialogs.NamePrompts,
            (QStringList{"Invalid file name 'my file.txt'", "Invalid file name 'my file'"}));
  EXPECT_EQ(Commands(), std::vector<std::string>{"C:\\transfer /R D:\\myfile.txt"});
  EXPECT_TRUE(Peer->Files().at("D:\\myfile.txt") == Padded(Contents["my file.txt"]));
}

TEST_F(CopyToController, cancelledRenameSkipsOnlyThatFile) {
  ASSERT_TRUE(StartPeer());
  Dialogs.NameAnswers = {std::nullopt};
  const CopyReport report = Copy({File("a.txt", 10), File("b c.txt", 10), File("c.txt", 10)});
  EXPECT_EQ(Commands(), (std::vector<std::string>{"C:\\transfer /R D:\\a.txt",
                                                  "C:\\transfer /R D:\\c.txt"}));
  EXPECT_TRUE(Dialogs.Errors().empty());
  ASSERT_EQ(report.Outcomes.size(), 3u);
  EXPECT_EQ(report.Outcomes[1].Outcome, TransferOutcome::Result::Skipped);
  EXPECT_EQ(report.Outcomes[2].Outcome, TransferOutcome::Result::Sent);
}

TEST_F(CopyToController, failedFileStopsTheBatchAndThePaneIsListedAgain) {
  TransferPeer::Options options;
  options.FailTransfer = 2;
  ASSERT_TRUE(StartPeer(options));
  const CopyReport report = Copy({File("a.txt", 10), File("b.txt", 10), File("c.txt", 10)});
  EXPECT_FALSE(report.AllSucceeded);
  EXPECT_EQ(Peer->Transfers(), 2);
  EXPECT_EQ(Peer->Files().count("D:\\a.txt"), 1u);
  EXPECT_EQ(Dialogs.Errors(), QStringList{"Fail to transfer file 'b.txt'!"});
  EXPECT_EQ(report.Outcomes[2].Outcome, TransferOutcome::Result::NotSent);
  EXPECT_EQ(Refreshes, 1);
}

TEST_F(CopyToController, refusedCopySendsNothingAndKeepsThePane) {
  ASSERT_TRUE(StartPeer());
  CopyRequest request;
  request.Selected = {File("a.txt", 600), File("b.txt", 400)};
  request.DeviceFreeBytes = 1000;  // exactly the total
  request.DevicePathText = "\\";
  request.RefreshDevicePane = [this] { ++Refreshes; };
  const CopyReport report = CopyToDevice(Host(), request);
  EXPECT_FALSE(report.Started);
  EXPECT_EQ(Dialogs.Warnings(), QStringList{TransferText::kNoSpace});
  EXPECT_EQ(Presenter.Presented, 0);
  EXPECT_EQ(Refreshes, 0);
  EXPECT_TRUE(Commands().empty());
}

TEST_F(CopyToController, unavailablePortIsReportedAndNothingRefreshed) {
  CopyRequest request;
  request.Selected = {File("a.txt", 10)};
  request.DeviceFreeBytes = 1000;
  request.DevicePathText = "\\";
  request.RefreshDevicePane = [this] { ++Refreshes; };
  TransferHost host{"/dev/absent-talo-port", Console, Dialogs, Presenter};
  EXPECT_FALSE(CopyToDevice(host, request).Started);
  EXPECT_EQ(Dialogs.Errors(), QStringList{ShellText::UnableToOpen("/dev/absent-talo-port")});
  EXPECT_EQ(Refreshes, 0);
}

TEST_F(CopyToController, transferFileReportsArrivalAndReleasesThePort) {
  TransferPeer::Options options;
  options.FailTransfer = 2;
  ASSERT_TRUE(StartPeer(options));
  const QString path = File("MODID.EXE", 1000).FullPath;
  EXPECT_TRUE(TransferFile(Host(), "D:\\", path));
  EXPECT_FALSE(Presenter.CancelEnabled);
  EXPECT_TRUE(Peer->Files().at("D:\\MODID.EXE") == Padded(Contents["MODID.EXE"]));
  EXPECT_FALSE(TransferFile(Host(), "D:\\", path));
  EXPECT_EQ(Dialogs.Errors(), QStringList{"Fail to transfer file 'MODID.EXE'!"});
  // The port is free again at once.
  TaloComPort again(Peer->SlavePath());
  EXPECT_TRUE(again.Open());
  again.Close();
}

TEST_F(CopyToController, cancelledTransferFileIsAFailureWithoutMessage) {
  ASSERT_TRUE(StartPeer());
  Presenter.View.CancelAtPercent = 5;
  EXPECT_FALSE(TransferFile(Host(), "D:\\CONF\\", File("BIG.BIN", 64 * 1024).FullPath, true));
  EXPECT_TRUE(Presenter.CancelEnabled);
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_EQ(Peer->CancelRun(), 5);
  EXPECT_EQ(Peer->Files().count("D:\\CONF\\BIG.BIN"), 0u);
}

}  // namespace
