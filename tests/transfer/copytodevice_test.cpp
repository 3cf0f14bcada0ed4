// The copy command, the batch behind the transfer dialog, TransferFile and
// the command line's put, against the simulated controller.
#include "transfer/copytodevice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

#include "link/shell/deviceshell.h"
#include "tests/transfer/transfertesting.h"
#include "transfer/cli/putcli.h"
#include "transfer/transfertext.h"

using namespace transfertest;

namespace {

// The controller cuts longer names to 8.3, so only 8.3 names go as they are.
TEST(ValidFileName, acceptsOnly83NamesOfLettersDigitsAndUnderscoreTildeHyphen) {
  for (const char* name : {"LOG.TXT", "a_b9.c", "12345678.123", "NOEXT", "RECIPE~1.DAT", "a-b.txt"})
    EXPECT_TRUE(TransferBatch::ValidFileName(QString::fromUtf8(name))) << name;
  for (const char* name :
       {"", "my file.txt", "a+b.txt", "\xC3\xA4.txt", "x\\y", "NAMEMUCHTOOLONG.TEXT", "...",
        "recipe_line1.dat", "123456789.TXT", "A.TEXT", ".TXT", "A.", "changelog.Debian.amd64.gz"})
    EXPECT_FALSE(TransferBatch::ValidFileName(QString::fromUtf8(name))) << name;
}

TEST(DeviceNameSuggestion, isAFree83FormOfThePcName) {
  DeviceNames names({{"RECIPE~1.DAT", false, 10, ""}, {"MYFILE.TXT", true, 0, ""}});
  const auto suggested = [&](const char* pcName) {
    const QString name = names.Suggest(QString::fromUtf8(pcName));
    EXPECT_TRUE(DeviceNames::ValidName(name)) << name.toStdString();
    return name.toStdString();
  };
  EXPECT_EQ(suggested("recipe_line1.dat"), "RECIPE~2.DAT") << "the listed ~1 is taken";
  EXPECT_EQ(suggested("changelog.Debian.amd64.gz"), "CHANGE~1.GZ");
  EXPECT_EQ(suggested("my file.txt"), "MYFILE~1.TXT") << "a folder of the short form is there";
  EXPECT_EQ(suggested("b c.html"), "BC~1.HTM") << "a cut extension marks the name too";
  EXPECT_EQ(suggested("\xC3\xA4\xC3\xB6.ini"), "FILE.INI");
  EXPECT_EQ(suggested(".profile"), "PROFILE");
  names.Take("LOG.TXT");
  EXPECT_EQ(names.Examine("log.txt"), DeviceNames::Verdict::TakenInBatch);
  EXPECT_EQ(suggested("log.txt"), "LOG~1.TXT");
  for (int i = 1; i <= 9; ++i) names.Take(QStringLiteral("LONGNA~%1.C").arg(i));
  EXPECT_EQ(suggested("longname1.c"), "LONGN~10.C");
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
        CheckCase{"notListedYet", {kFile}, 0, ShellText::kRefreshFirst},
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
    request.RefreshDevicePane = [this, folder](const QString& copied,
                                               const CopyRequest::Listed& listed) {
      ++Refreshes;
      Copied = copied;
      listed(ListFolder(folder));
    };
    return CopyToDevice(Host(), request, Dialogs);
  }
  // The folder as a listing shows it, read from the simulated drive.
  std::optional<CopyRequest::Listing> ListFolder(const QString& folder) {
    DeviceShell shell(Console, Dialogs, Dialogs);
    shell.SetSelectedPort(QString::fromStdString(PortPath()));
    const auto state = PutCli::DeviceFolder(shell)(folder);
    if (!state) return std::nullopt;
    return state->Entries;
  }
  std::vector<std::string> Transfers() {
    std::vector<std::string> lines;
    for (const std::string& command : Sim().Commands())
      if (command.find("transfer") != std::string::npos) lines.push_back(command);
    return lines;
  }
  // How often the frame of this block and data went out on the line.
  int FrameCount(uint8_t number, const std::string& data) {
    const auto frame = XmodemSender::BuildFrame(
        number, reinterpret_cast<const uint8_t*>(data.data()), static_cast<int>(data.size()));
    const std::string wanted(reinterpret_cast<const char*>(frame.data()), frame.size());
    const std::string sent = Sim().Received();
    int count = 0;
    for (size_t at = sent.find(wanted); at != std::string::npos; at = sent.find(wanted, at + 1))
      ++count;
    return count;
  }

  int Refreshes = 0;
  QString Copied;
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
  EXPECT_EQ(Copied, "") << "the selection follows no item after several files";
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
  // The name typed is sent as the prompt showed it: in 8.3 capitals.
  EXPECT_EQ(Transfers(), (std::vector<std::string>{"C:\\transfer /R D:\\MYFILE.TXT",
                                                   "C:\\transfer /R D:\\c.txt"}));
  EXPECT_EQ(Sim().GetFile("\\MYFILE.TXT"), Padded(Contents["my file.txt"]));
  EXPECT_TRUE(Dialogs.Errors().empty());
  ASSERT_EQ(report.Outcomes.size(), 3u);
  EXPECT_EQ(report.Outcomes[1].Outcome, TransferOutcome::Result::Skipped);
  EXPECT_EQ(report.Outcomes[2].Outcome, TransferOutcome::Result::Sent);
  // Named again at the end: in the console and in the final message.
  const QString skipped = "Not copied: b c.txt (no new name was given)";
  EXPECT_TRUE(ConsoleLines().contains(skipped)) << ConsoleLines().join('|').toStdString();
  EXPECT_EQ(Dialogs.Texts(ScriptedDialogs::Message::Information),
            QStringList{TransferText::SkippedSummary(2, 3, {skipped})});
}

// Long names the controller would cut to one RECIPE_L.DAT, and names that
// differ only in case, are each asked for with a free 8.3 form filled in:
// every file arrives under a name of its own.
TEST_F(CopyToController, namesThatWouldShareADeviceFileAreAskedForAndAllArrive) {
  Dialogs.NameAnswers = {QString("RECIPE~1.DAT"), QString("recipe~1.dat"), QString("RECIPE~2.DAT"),
                         std::nullopt, QString("A~1.TXT")};
  const CopyReport report =
      Copy({Selected("recipe_line1.dat", 200), Selected("recipe_line2.dat", 300),
            Selected("changelog.Debian.amd64.gz", 10), Selected("a.txt", 20),
            Selected("A.TXT", 30)});
  EXPECT_EQ(Dialogs.NamePrompts,
            (QStringList{"Invalid file name 'recipe_line1.dat'",
                         "Invalid file name 'recipe_line2.dat'", "Invalid file name 'RECIPE~1.DAT'",
                         "Invalid file name 'changelog.Debian.amd64.gz'",
                         "Invalid file name 'A.TXT'"}));
  EXPECT_EQ(Dialogs.NameSuggestions, (QStringList{"RECIPE~1.DAT", "RECIPE~2.DAT", "RECIPE~2.DAT",
                                                  "CHANGE~1.GZ", "A~1.TXT"}));
  EXPECT_EQ(Sim().GetFile("\\RECIPE~1.DAT"), Padded(Contents["recipe_line1.dat"]));
  EXPECT_EQ(Sim().GetFile("\\RECIPE~2.DAT"), Padded(Contents["recipe_line2.dat"]));
  EXPECT_EQ(Sim().GetFile("\\A.TXT"), Padded(Contents["a.txt"]));
  EXPECT_EQ(Sim().GetFile("\\A~1.TXT"), Padded(Contents["A.TXT"]));
  EXPECT_EQ(Transfers().size(), 4u) << "the skipped multi-dot name never reaches the receiver";
  EXPECT_TRUE(Dialogs.Errors().empty());
  EXPECT_EQ(report.Outcomes[2].Outcome, TransferOutcome::Result::Skipped);
}

// Files the folder lists already: a question first (sizes and dates from the
// listing the pane holds), No skips, Yes to all stops asking; a subfolder of
// the name cannot be replaced and gets the rename prompt.
TEST_F(CopyToController, listedFileIsReplacedOnlyWhenTheUserSaysSo) {
  for (const char* name : {"\\LOG.TXT", "\\B.TXT", "\\C.TXT"}) ASSERT_TRUE(Sim().PutFile(name, "old"));
  ASSERT_TRUE(Sim().MakeDir("\\DATA"));
  Dialogs.YesNoAllAnswers = {UserDialogs::Answer::No, UserDialogs::Answer::YesToAll};
  Dialogs.NameAnswers = {QString("DATA.BIN")};
  CopyRequest request;
  request.Selected = {Selected("log.txt", 10), Selected("b.txt", 20), Selected("c.txt", 30),
                      Selected("data", 40)};
  request.DeviceFreeBytes = 1'000'000;
  request.DevicePathText = "\\";
  request.DeviceListing = {{"B.TXT", false, 3, "01-02-26 10:00a"},
                           {"C.TXT", false, 3, "01-02-26 10:00a"},
                           {"DATA", true, 0, "01-02-26 10:01a"},
                           {"LOG.TXT", false, 3, "01-02-26 09:59a"}};
  CopyToDevice(Host(), request, Dialogs);
  EXPECT_EQ(Dialogs.Questions(), (QStringList{"Replace LOG.TXT (3 byte(s), 01-02-26 09:59a) on the TALO-7100?",
                                              "Replace B.TXT (3 byte(s), 01-02-26 10:00a) on the TALO-7100?"}));
  EXPECT_EQ(Sim().GetFile("\\LOG.TXT"), "old");
  EXPECT_EQ(Sim().GetFile("\\B.TXT"), Padded(Contents["b.txt"]));
  EXPECT_EQ(Sim().GetFile("\\C.TXT"), Padded(Contents["c.txt"]));
  EXPECT_EQ(Dialogs.NamePrompts, QStringList{"Invalid file name 'data'"});
  EXPECT_EQ(Sim().GetFile("\\DATA.BIN"), Padded(Contents["data"]));
  const QString kept = "Not copied: log.txt (the file of that name on the TALO-7100 was kept)";
  EXPECT_TRUE(ConsoleLines().contains(kept));
  EXPECT_EQ(Dialogs.Texts(ScriptedDialogs::Message::Information),
            QStringList{TransferText::SkippedSummary(3, 4, {kept})});
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

// A receiver that acknowledges EOT but keeps only part of the file: the
// listing afterwards gives the loss away, and only for that file.
TEST_F(CopyToController, fileListedShortAfterTheCopyIsNamedInAWarning) {
  ASSERT_TRUE(Sim().MakeDir("\\DATA"));
  Shows.View.OnFile = [this](int number) {
    if (number == 2) SetFaults([](auto& f) { f.XmodemStoreBytes = 128; });
  };
  const CopyReport report = Copy({Selected("a.txt", 300), Selected("b.txt", 300)}, "\\DATA");
  EXPECT_TRUE(report.AllSucceeded) << "the receiver reported no failure";
  EXPECT_EQ(Sim().GetFile("\\DATA\\A.TXT"), Padded(Contents["a.txt"]));
  const QString expected = "D:\\DATA\\b.txt arrived with 128 bytes, expected 300.";
  EXPECT_EQ(report.Mismatches, QStringList{expected});
  EXPECT_EQ(Dialogs.Warnings(), QStringList{expected});
  EXPECT_TRUE(Dialogs.Errors().isEmpty());
}

TEST(UploadMismatches, onlyTheSentSizeOrItsPaddedBlocksCount) {
  const auto sent = [](const char* target, int64_t size) {
    TransferOutcome outcome;
    outcome.TargetName = QString::fromLatin1(target);
    outcome.Outcome = TransferOutcome::Result::Sent;
    outcome.Size = size;
    return outcome;
  };
  TransferOutcome skipped = sent("D:\\SKIP.TXT", 10);
  skipped.Outcome = TransferOutcome::Result::Skipped;
  const std::vector<TransferOutcome> outcomes = {
      sent("D:\\exact.txt", 300), sent("D:\\PADDED.BIN", 300), sent("D:\\EMPTY.BIN", 0),
      sent("D:\\WHOLE.BIN", 256), sent("D:\\SHORT.BIN", 300), sent("D:\\LONG.BIN", 300),
      sent("D:\\GONE.BIN", 5),    sent("D:\\SUB", 7),          skipped};
  const CopyRequest::Listing listing = {
      {"EXACT.TXT", false, 300, ""}, {"PADDED.BIN", false, 384, ""}, {"EMPTY.BIN", false, 0, ""},
      {"WHOLE.BIN", false, 256, ""}, {"SHORT.BIN", false, 256, ""},  {"LONG.BIN", false, 512, ""},
      {"SUB", true, 0, ""}};
  EXPECT_EQ(CopyToDeviceLogic::UploadMismatches(outcomes, listing),
            (QStringList{"D:\\SHORT.BIN arrived with 256 bytes, expected 300.",
                         "D:\\LONG.BIN arrived with 512 bytes, expected 300.",
                         "D:\\GONE.BIN did not arrive, expected 5 bytes.",
                         "D:\\SUB did not arrive, expected 7 bytes."}));
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
  EXPECT_FALSE(CopyToDevice(host, request, Dialogs).Started);
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

TEST_F(CopyToController, transferFileFailsOnCanWithItsTextAndReleasesThePort) {
  const QString path = File("MODID.EXE", 1000);
  EXPECT_TRUE(TransferFile(Host(), "D:\\", path));
  EXPECT_FALSE(Shows.CancelEnabled);
  EXPECT_EQ(Sim().GetFile("\\MODID.EXE"), Padded(Contents["MODID.EXE"]));
  EXPECT_TRUE(Dialogs.Messages.empty());

  SetFaults([](auto& f) { f.XmodemCanAtBlock = 2; });
  EXPECT_FALSE(TransferFile(Host(), "D:\\", File("CAN.BIN", 1000)));
  EXPECT_EQ(ConsoleLines().last(), TransferText::kTransferring) << "no status line of its own";
  EXPECT_FALSE(Sim().Exists("\\CAN.BIN"));
  TaloComPort again(PortPath());
  EXPECT_TRUE(again.Open()) << "the port is free again at once";
}

// The batch's result, as TransferFile hands it back: the texts the boxes
// have always shown, and no box from inside the transfer.
TEST_F(CopyToController, transferResultCarriesTheTextTheCallerShows) {
  struct Case {
    const char* Name;
    std::function<void(talosim::FaultPlan&)> Faults;
    bool NoPort;
    int CancelAtPercent;
    JobStatus Status;
    QString Text;
  };
  const QString port = QString::fromStdString(PortPath());
  const Case cases[] = {
      {"sent", {}, false, -1, JobStatus::Ok, {}},
      {"receiver cancels", [](auto& f) { f.XmodemCanAtBlock = 2; }, false, -1, JobStatus::Failed,
       "Fail to transfer file 'T.BIN'!"},
      {"line lost", [](auto& f) { f.HangUpAfterBytes = 40; }, false, -1, JobStatus::Disconnected,
       ShellText::Disconnected(port)},
      {"user cancels", {}, false, 5, JobStatus::Cancelled, {}},
      {"no port", {}, true, -1, JobStatus::Failed, ShellText::UnableToOpen(port + "-absent")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Faults) SetFaults(c.Faults);
    Shows.View.CancelAtPercent = c.CancelAtPercent;
    TransferHost host = Host();
    if (c.NoPort) host.PortName += "-absent";
    const JobResult result =
        TransferFile(host, "D:\\", WriteFile(Dir, "T.BIN", std::string(16 * 1024, 'x')), true);
    EXPECT_EQ(result.Status, c.Status);
    EXPECT_EQ(result.Text, c.Text);
    EXPECT_TRUE(Dialogs.Messages.empty()) << "the caller shows it";
    Dialogs.Tell(result);
    EXPECT_EQ(Dialogs.Errors(), c.Text.isEmpty() ? QStringList() : QStringList{c.Text});
    Dialogs.Messages.clear();
    if (c.Faults) StartSim();  // a fresh controller for the next case
  }
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
  // The first byte of the command line, then the backspace that erases it.
  EXPECT_EQ(Sim().Received(), "C\b");
  EXPECT_FALSE(Sim().Exists("\\ECHO.BIN"));
}

// ---- talo7100-cli put ------------------------------------------------------

class PutCommandTest : public SimTransferTest<> {
 protected:
  int Put(const QStringList& arguments) {
    DeviceShell shell(Console, Dialogs, Dialogs);
    shell.SetSelectedPort(QString::fromStdString(PortPath()));
    FILE* out = std::tmpfile();
    const int status = PutCommand::Run(shell, arguments, PutCli::DeviceFolder(shell),
                                       PutCommand::Output{out, out, false});
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
  EXPECT_EQ(Put({a, b, "D:\\CONF"}), kExitOk);
  EXPECT_EQ(Sim().GetFile("\\CONF\\A.CFG"), Padded(Contents["A.CFG"]));
  EXPECT_EQ(Sim().GetFile("\\CONF\\B.CFG"), Padded(Contents["B.CFG"]));
  EXPECT_NE(Output.find("1/2 " + a.toStdString()), std::string::npos) << Output;
  EXPECT_NE(Output.find("100% 5000 of 5000 bytes"), std::string::npos) << Output;
  EXPECT_NE(Output.find(": sent as D:\\CONF\\B.CFG"), std::string::npos) << Output;
}

TEST_F(PutCommandTest, fileListedShortAfterTheCopyExitsOne) {
  SetFaults([](auto& f) { f.XmodemStoreBytes = 0; });
  EXPECT_EQ(Put({File("A.CFG", 300)}), kExitFailed);
  EXPECT_EQ(Dialogs.Warnings(), QStringList{"D:\\A.CFG arrived with 0 bytes, expected 300."});
}

TEST_F(PutCommandTest, refusesWhatTheCopyButtonRefuses) {
  const QString file = File("BIG.BIN", 10);
  // A folder that is not there: the listing says so, nothing is sent.
  EXPECT_EQ(Put({file, "\\NOWHERE"}), kExitFailed);
  // A folder among the files.
  EXPECT_EQ(Put({file, Dir.path()}), kExitFailed);
  EXPECT_TRUE(Dialogs.Warnings().contains(TransferText::kOnlyFiles));
  EXPECT_EQ(Put({}), kUsageError);
  // A FIFO is no file either, for the command line and the copy button.
  const QString fifo = Dir.filePath("FIFO.BIN");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  Dialogs.Messages.clear();
  EXPECT_EQ(Put({fifo}), kExitFailed);
  EXPECT_EQ(Dialogs.Warnings(), QStringList{TransferText::kOnlyFiles});
  EXPECT_EQ(CopyToDeviceLogic::CheckSelection({{fifo, false, 0}, {file, false, 10}}, 1000).Warning,
            QString::fromLatin1(TransferText::kOnlyFiles));
  for (const std::string& command : Sim().Commands())
    EXPECT_EQ(command.find("transfer"), std::string::npos) << command;
}

// put cannot ask: names the controller would not keep, two files that would
// share one, and a file the folder holds refuse the call, each file named
// with its device name, and nothing is sent; --rename sends the first ones
// under the names the prompt would offer and prints those, --force replaces.
TEST_F(PutCommandTest, namesThatCannotStayRefuseTheCallUnlessRenamedOrForced) {
  ASSERT_TRUE(Sim().PutFile("\\RECIPE~1.DAT", "old"));
  ASSERT_TRUE(Sim().PutFile("\\OLD.TXT", "old"));
  QTemporaryDir other;
  const QString one = File("recipe_line1.dat", 100), two = File("recipe_line2.dat", 200);
  const QString upper = WriteFile(other, "RECIPE~2.DAT", "x");
  const QString old = File("old.txt", 10);
  EXPECT_EQ(Put({one, two, upper, old}), kExitFailed);
  const QStringList errors = Dialogs.Errors();
  ASSERT_EQ(errors.size(), 4);
  EXPECT_EQ(errors[0], "'" + one + "': RECIPE_LINE1.DAT is not an 8.3 name, which the TALO-7100 "
                                   "would cut short or refuse; nothing was sent (--rename sends it "
                                   "as RECIPE~2.DAT).");
  EXPECT_TRUE(errors[1].endsWith("(--rename sends it as RECIPE~3.DAT).")) << errors[1].toStdString();
  EXPECT_EQ(errors[2], "'" + upper + "' would be stored as RECIPE~2.DAT, as another file of this "
                                     "copy; nothing was sent (--rename sends it as RECIPE2.DAT).");
  EXPECT_TRUE(errors[3].startsWith("'" + old + "' was not sent: OLD.TXT (3 byte(s), "))
      << errors[3].toStdString();
  for (const std::string& command : Sim().Commands())
    EXPECT_EQ(command.find("transfer"), std::string::npos) << command;

  EXPECT_EQ(Put({"--rename", "--force", one, old}), kExitOk);
  EXPECT_NE(Output.find(one.toStdString() + ": renamed to RECIPE~2.DAT"), std::string::npos)
      << Output;
  EXPECT_EQ(Sim().GetFile("\\RECIPE~1.DAT"), "old");
  EXPECT_EQ(Sim().GetFile("\\RECIPE~2.DAT"), Padded(Contents["recipe_line1.dat"]));
  EXPECT_EQ(Sim().GetFile("\\OLD.TXT"), Padded(Contents["old.txt"]));
}

TEST_F(PutCommandTest, ctrlCCancelsLikeTheCancelButton) {
  const QString file = File("BIG.BIN", 64 * 1024);
  // The command line runs the upload inline: Ctrl+C comes from beside it.
  std::atomic<bool> raised{false};
  std::atomic<bool> over{false};
  std::thread interrupt([&] {
    while (!over && !raised) {
      if (Sim().Received().size() > 8000) {
        raised = true;
        std::raise(SIGINT);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  EXPECT_EQ(Put({file}), kExitInterrupted);
  over = true;
  interrupt.join();
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
  const auto options = PutCommand::Parse({"a.txt", "--force", "\\DATA", "--rename"});
  ASSERT_TRUE(options);
  EXPECT_TRUE(options->Force && options->Rename);
  EXPECT_EQ(options->Folder, "\\DATA");
  EXPECT_FALSE(PutCommand::Parse({"--overwrite", "a.txt"}));
}

}  // namespace
