// The image flows end to end: ImageKeeper uploads the helper from a seeded
// installation folder and runs the workers against the simulated
// controller's KEEPERRD and keeperwr, as the dialog and the command line do.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <string>

#include "image/backupworker.h"
#include "image/imagekeeper.h"
#include "image/imageprogress.h"
#include "image/imagetext.h"
#include "image/restoreworker.h"
#include "installation/installationtext.h"
#include "installation/taloappfolders.h"
#include "link/shell/deviceshell.h"
#include "remote/devicetexts.h"
#include "tests/support/jobloop.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/simfixture.h"
#include "tests/support/simterminal.h"
#include "transfer/terminalprogress.h"
#include "transfer/transferbatch.h"
#include "transfer/transfertext.h"

namespace {

constexpr size_t kImageBytes = 1048576;
// The watchdog's allowance is counted in ticks; shorter ones keep a stalled
// run short.
constexpr int kTickMs = 250;

std::string ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray all = file.readAll();
  return std::string(all.constData(), static_cast<size_t>(all.size()));
}

void WriteFile(const QString& path, const std::string& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

size_t Count(const std::string& haystack, const std::string& needle) {
  size_t count = 0;
  for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1))
    ++count;
  return count;
}

// An upload whose Cancel is pressed before it begins.
class CancellingPresenter : public TransferPresenter {
 public:
  explicit CancellingPresenter(FILE* out) : View(out, false) {}
  void Present(TransferBatch& batch, bool) override {
    batch.PressCancel();
    batch.Run(View);
  }
  TerminalProgress View;
};

class ImageKeeperTest : public SimFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Home.isValid() && Work.isValid());
    qputenv("TALO7100_HOME", Home.path().toLocal8Bit());
    ASSERT_TRUE(TaloAppDir::PrepareInstallationFolder(Home.path(), {QStringLiteral(TALO_DEMO_SEED)}));
    Null = std::fopen("/dev/null", "w");
    ASSERT_NE(Null, nullptr);
  }
  void TearDown() override {
    SimFixture::TearDown();
    qunsetenv("TALO7100_HOME");
    if (Null) std::fclose(Null);
  }

  // One operation as the command line runs it; upload: the presenter of the
  // helper's upload (default: the command line's).
  bool Run(bool backup, const QString& path, TransferPresenter* upload = nullptr,
           bool verify = false) {
    TerminalProgress bar(Null, false);
    ImageProgress view(Null, false);
    ImageKeeperHost host{QString::fromStdString(PortPath()), bar.Console(Console), Dialogs,
                         upload ? *upload : bar, view, 200};
    host.WatchdogTickMs = kTickMs;
    ImageKeeper keeper(host);
    view.SetKeeper(&keeper);
    Result = backup ? keeper.Backup(path) : keeper.Restore(path, verify);
    // As the command line tells it.
    Dialogs.Tell(Result);
    return Result.Ok();
  }

  QString LastMessage() const { return Dialogs.Messages.empty() ? QString() : Dialogs.Messages.back().Text; }
  QString ImagePath() const { return Work.filePath(QStringLiteral("7100D.img")); }
  // What the image's folder holds: a temporary file must not stay behind.
  QStringList WorkFiles() const { return QDir(Work.path()).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir Home;
  QTemporaryDir Work;
  FILE* Null = nullptr;
  RecordingConsole Console;
  ScriptedDialogs Dialogs;
  JobResult Result;
};

// Block 0 arrives damaged twice (two errors are tolerated, and the block
// index must not run below zero) after the shell's line feed, which costs
// no error; the restore is asked for with "444" once and says so. The new
// image is the owner's alone, as the file it replaces was not.
TEST_F(ImageKeeperTest, backupEqualsTheDriveAndRestoringItGivesTheFilesBack) {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Faults.BackupCorruptFrame = 0;
  options.Faults.BackupCorruptTimes = 2;
  options.Faults.RestoreReply = "444";
  options.Faults.RestoreReplyBlock = 7;
  StartSim(options);
  Sim().FillDemo();
  ASSERT_TRUE(Sim().PutFile("\\DATA\\KEEP.TXT", "kept across the restore"));
  WriteFile(ImagePath(), "an older, shorter image file");
  ASSERT_EQ(chmod(QFile::encodeName(ImagePath()).constData(), 0644), 0);

  ASSERT_TRUE(Run(true, ImagePath())) << LastMessage().toStdString();
  EXPECT_EQ(LastMessage(), QString::fromLatin1(ImageText::kBackupDone));
  const std::string image = ReadFile(ImagePath());
  const std::vector<uint8_t> drive = Sim().Image();
  ASSERT_EQ(image.size(), kImageBytes) << "the old file is replaced, not appended to";
  EXPECT_TRUE(std::vector<uint8_t>(image.begin(), image.end()) == drive) << "the image is the drive";
  EXPECT_EQ(Count(Sim().Received(), std::string("666\x06\x78", 5)), 2u);
  EXPECT_TRUE(Console.Lines.contains(QStringLiteral("D:\\KEEPERRD 2 3 4 5")));
  EXPECT_EQ(WorkFiles(), QStringList{QStringLiteral("7100D.img")});
  struct stat mode {};
  ASSERT_EQ(stat(QFile::encodeName(ImagePath()).constData(), &mode), 0);
  EXPECT_EQ(mode.st_mode & 0777, 0600u);

  // A changed drive; the restore sends the first MiB of a longer file.
  Sim().Format();
  ASSERT_TRUE(Sim().PutFile("\\NEW.TXT", "written after the backup"));
  const QString longer = Work.filePath(QStringLiteral("longer.img"));
  WriteFile(longer, image + std::string(1000, '\xEE'));
  Dialogs.Messages.clear();
  ASSERT_TRUE(Run(false, longer)) << LastMessage().toStdString();
  EXPECT_EQ(LastMessage(), QString::fromLatin1(ImageText::kRestoreDone) + ImageText::Answered444Note(1));
  // The run ends as its last block goes out: the simulator stores it first.
  (void)Sim().WaitUntilIdle(std::chrono::seconds(3));
  EXPECT_EQ(Sim().Image(), drive);
  EXPECT_EQ(Sim().GetFile("\\DATA\\KEEP.TXT"), std::optional<std::string>("kept across the restore"));
  EXPECT_FALSE(Sim().Exists("\\NEW.TXT"));
}

TEST_F(ImageKeeperTest, theThirdChecksumErrorEndsTheBackupAndTheOldImageStays) {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Faults.BackupCorruptFrame = 4500;  // a first chunk is written by then
  options.Faults.BackupCorruptTimes = 3;
  StartSim(options);
  WriteFile(ImagePath(), "the previous image");
  EXPECT_FALSE(Run(true, ImagePath()));
  EXPECT_EQ(LastMessage(), QString::fromLatin1(ImageText::kChecksumError));
  EXPECT_EQ(ReadFile(ImagePath()), "the previous image");
  EXPECT_EQ(WorkFiles(), QStringList{QStringLiteral("7100D.img")});
}

// A shell that never started KEEPERRD answers with text: no "666" is typed
// into it, and the old image stays.
TEST_F(ImageKeeperTest, aBackupWhoseHelperNeverStartsTypesNothingAfterItsCommand) {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Faults.ImageHelpersMissing = true;
  StartSim(options);
  WriteFile(ImagePath(), "the previous image");
  EXPECT_FALSE(Run(true, ImagePath()));
  EXPECT_EQ(LastMessage(), QString::fromLatin1(ImageText::kInvalidResponse));
  const std::string received = Sim().Received();
  const std::string command = BackupWorker::kCommandLine;
  ASSERT_NE(received.rfind(command), std::string::npos);
  EXPECT_EQ(received.substr(received.rfind(command) + command.size()), "");
  EXPECT_EQ(ReadFile(ImagePath()), "the previous image");
}

TEST_F(ImageKeeperTest, refusedOrFailedBeforeTheImageMoves) {
  StartSim();
  const std::string drive(kImageBytes, '\x5A');
  // A file one byte short is refused before the helper goes up.
  const QString shortFile = Work.filePath(QStringLiteral("short.img"));
  WriteFile(shortFile, drive.substr(1));
  EXPECT_FALSE(Run(false, shortFile));
  EXPECT_EQ(Result.Status, JobStatus::Failed);
  EXPECT_EQ(LastMessage(), QString::fromLatin1(ImageText::kReadFailed));
  EXPECT_EQ(Sim().Received(), "") << "nothing is sent";

  // A cancelled upload of the helper is a failed one: no worker starts.
  CancellingPresenter cancelling(Null);
  WriteFile(ImagePath(), "the previous image");
  EXPECT_FALSE(Run(true, ImagePath(), &cancelling));
  EXPECT_EQ(LastMessage(), QString::fromLatin1(ImageText::kCableProblem));
  for (const std::string& command : Sim().Commands())
    EXPECT_EQ(command.find("KEEPERRD"), std::string::npos) << command;
  EXPECT_EQ(ReadFile(ImagePath()), "the previous image");

  // A reply other than "111" or "444" with a good CRC ends the restore.
  talosim::FaultPlan faults;
  faults.RestoreReply = "999";
  faults.RestoreReplyBlock = 3;
  Sim().SetFaults(faults);
  const QString whole = Work.filePath(QStringLiteral("whole.img"));
  WriteFile(whole, drive);
  EXPECT_FALSE(Run(false, whole));
  EXPECT_EQ(LastMessage(), QString::fromLatin1(ImageText::kInvalidResponse));
}

// Each end of an operation as the top level gets it: its status, and the
// text and kind of the one box it shows.
TEST_F(ImageKeeperTest, eachEndCarriesTheTextAndKindOfItsBox) {
  using Box = ScriptedDialogs::Message;
  const QString whole = Work.filePath(QStringLiteral("whole.img"));
  WriteFile(whole, std::string(kImageBytes, '\x5A'));
  const QString shortFile = Work.filePath(QStringLiteral("short.img"));
  WriteFile(shortFile, std::string(10, '\x5A'));
  CancellingPresenter cancelling(Null);
  struct Case {
    const char* Name;
    bool Backup;
    QString Path;
    talosim::FaultPlan Faults;
    TransferPresenter* Upload;
    JobStatus Status;
    Box::Kind Kind;
    QString Text;
  };
  talosim::FaultPlan none;
  talosim::FaultPlan helpersMissing;
  helpersMissing.ImageHelpersMissing = true;
  talosim::FaultPlan hangUp;
  hangUp.HangUpAfterBytes = 3000;
  talosim::FaultPlan uploadRefused;
  uploadRefused.XmodemCanAtBlock = 1;
  const Case cases[] = {
      {"restored", false, whole, none, nullptr, JobStatus::Ok, Box::Information,
       QString::fromLatin1(ImageText::kRestoreDone)},
      {"short file", false, shortFile, none, nullptr, JobStatus::Failed, Box::Error,
       QString::fromLatin1(ImageText::kReadFailed)},
      {"upload cancelled", true, ImagePath(), none, &cancelling, JobStatus::Failed, Box::Error,
       QString::fromLatin1(ImageText::kCableProblem)},
      {"upload failed", true, ImagePath(), uploadRefused, nullptr, JobStatus::Failed, Box::Error,
       TransferText::FailedToTransfer(QString::fromLatin1(ImageText::kBackupHelper)) +
           QStringLiteral("\n\n") + QString::fromLatin1(ImageText::kCableProblem)},
      {"helper not started", true, ImagePath(), helpersMissing, nullptr, JobStatus::Failed,
       Box::Error, QString::fromLatin1(ImageText::kInvalidResponse)},
      {"hung up", false, whole, hangUp, nullptr, JobStatus::Disconnected, Box::Error, QString()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    talosim::SimOptions options = SimHarness::DefaultOptions();
    options.Faults = c.Faults;
    StartSim(options);
    // A disconnection names the new simulator's port.
    const QString port = QString::fromStdString(PortPath());
    const QString text = c.Text.isEmpty() ? ShellText::Disconnected(port) : c.Text;
    Dialogs.Messages.clear();
    (void)Run(c.Backup, c.Path, c.Upload);
    EXPECT_EQ(Result.Status, c.Status);
    EXPECT_EQ(Result.Text, text);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Type, c.Kind);
    EXPECT_EQ(Dialogs.Messages[0].Text, text);
  }
}

// A worker's own end as a value: a whole run, a helper's wrong reply, a
// stop asked for while the controller is silent, the line going away, the
// watchdog giving a silent run up.
TEST_F(ImageKeeperTest, aWorkersResultSaysHowItsRunEnded) {
  enum class End { Own, Stop, GiveUp };
  const QString whole = Work.filePath(QStringLiteral("whole.img"));
  WriteFile(whole, std::string(kImageBytes, '\x5A'));
  talosim::FaultPlan none;
  talosim::FaultPlan wrongReply;
  wrongReply.RestoreReply = "999";
  wrongReply.RestoreReplyBlock = 3;
  talosim::FaultPlan silent;
  silent.StallAfterBytes = 600;
  talosim::FaultPlan hangUp;
  hangUp.HangUpAfterBytes = 600;
  struct Case {
    const char* Name;
    talosim::FaultPlan Faults;
    End Ending;
    JobStatus Status;
    QString Text;
  } cases[] = {
      {"whole", none, End::Own, JobStatus::Ok, QString()},
      {"wrong reply", wrongReply, End::Own, JobStatus::Failed,
       QString::fromLatin1(ImageText::kInvalidResponse)},
      {"stopped", silent, End::Stop, JobStatus::Cancelled, QString()},
      {"given up", silent, End::GiveUp, JobStatus::TimedOut,
       QString::fromLatin1(ImageText::kStalled)},
      {"hung up", hangUp, End::Own, JobStatus::Disconnected, QString()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    talosim::SimOptions options = SimHarness::DefaultOptions();
    options.Faults = c.Faults;
    StartSim(options);
    ASSERT_TRUE(Sim().PutFile("\\KEEPERWR.EXE", "MZ helper"));
    RestoreWorker worker;
    worker.ImagePath = whole;
    worker.PortName = QString::fromStdString(PortPath());
    // The run as a job, from an event loop as the window runs it; the
    // watchdog is the job's deadline.
    JobRunner runner;
    JobRunner::Limit limit;
    if (c.Ending == End::GiveUp) limit = {1000, QString::fromLatin1(ImageText::kStalled)};
    JobResult result = JobResult::Failed(QStringLiteral("never ended"));
    (void)RunJobInLoop(
        runner,
        [&] {
          (void)runner.Start([&] { return worker.Run(); },
                             [&](const JobResult& end) { result = end; }, limit);
        },
        [&] {
          // Some blocks went before the controller fell silent.
          if (c.Ending == End::Stop && runner.LastProgress().Done > 0) runner.Cancel();
        },
        60000);
    EXPECT_EQ(result.Status, c.Status);
    const bool hungUp = c.Status == JobStatus::Disconnected;
    EXPECT_EQ(result.Text, hungUp ? ShellText::Disconnected(worker.PortName) : c.Text);
    if (c.Ending == End::GiveUp) {
      EXPECT_GT(runner.LastProgress().Done, 0);
    }
  }
}

// A helper missing from the installation folder, or a folder that cannot be
// used at all, is named: not blamed on the cable, and nothing is sent. A
// KEEPERRD.EXE planted in the current directory is never taken instead.
TEST_F(ImageKeeperTest, missingHelperOrUnusableFolderIsNamedAndNothingIsSent) {
  StartSim();
  ASSERT_TRUE(QFile::remove(Home.filePath(QStringLiteral("program/KEEPERRD.EXE"))));
  EXPECT_FALSE(Run(true, ImagePath()));
  EXPECT_EQ(LastMessage(), InstallationText::ShippedFileMissing(QStringLiteral("KEEPERRD.EXE"),
                                                          Home.path() + QStringLiteral("/program/")));

  const QString blocked = Work.filePath(QStringLiteral("file"));
  WriteFile(blocked, "x");
  qputenv("TALO7100_HOME", (blocked + QStringLiteral("/home")).toLocal8Bit());
  const QString started = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(Work.path()));
  WriteFile(Work.filePath(QStringLiteral("KEEPERRD.EXE")), "planted");
  EXPECT_FALSE(Run(true, ImagePath()));
  QDir::setCurrent(started);
  EXPECT_TRUE(LastMessage().startsWith(QStringLiteral("The installation folder ") + blocked))
      << LastMessage().toStdString();
  EXPECT_EQ(Sim().Received(), "");
}

// The adapter unplugged half-way through a backup, then through a restore
// and a helper's upload with the adapter plugged in again in between: each
// ends at once with the disconnection message, not the watchdog's, and the
// old image stays.
TEST_F(ImageKeeperTest, aHangUpEndsTheRunWithItsMessageNotTheWatchdogs) {
  const QString disconnected = ShellText::Disconnected(QString::fromStdString(PortPath()));
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Faults.HangUpAfterBytes = 60000;  // well past the helper's upload
  StartSim(options);
  WriteFile(ImagePath(), "the previous image");
  EXPECT_FALSE(Run(true, ImagePath()));
  EXPECT_EQ(Result.Status, JobStatus::Disconnected);
  EXPECT_EQ(Dialogs.Errors(), QStringList{disconnected});
  EXPECT_EQ(ReadFile(ImagePath()), "the previous image");
  EXPECT_EQ(WorkFiles(), QStringList{QStringLiteral("7100D.img")});

  options.Faults.HangUpAfterBytes = 3000;  // the restore's replies are short
  StartSim(options);
  const QString whole = Work.filePath(QStringLiteral("whole.img"));
  WriteFile(whole, std::string(kImageBytes, '\x5A'));
  EXPECT_FALSE(Run(false, whole));
  EXPECT_EQ(Result.Status, JobStatus::Disconnected);
  EXPECT_EQ(Dialogs.Errors(), (QStringList{disconnected, disconnected}));

  // Unplugged during the helper's upload: said once, without the cable box.
  options.Faults.HangUpAfterBytes = 10;  // in the echo of the receiver's command line
  StartSim(options);
  EXPECT_FALSE(Run(true, ImagePath()));
  EXPECT_EQ(Dialogs.Errors(), (QStringList{disconnected, disconnected, disconnected}))
      << Dialogs.Errors().join('|').toStdString();
  EXPECT_EQ(ReadFile(ImagePath()), "the previous image");
}

// The restore sends a block only to a helper that answers: what follows its
// command line on the wire is counted in blocks of 66 bytes. Damaged
// replies start at block 5 unless said otherwise. Noise damages a reply and
// falls silent; a helper that ended part-way (with its message or without)
// leaves the shell talking, and nothing more is sent to it.
TEST_F(ImageKeeperTest, restoreFeedsOnlyAHelperThatAnswers) {
  const std::string writeError = "KEEPERWR: write error on D:\r\n";
  struct Case {
    const char* Name;
    bool HelperMissing;
    int BadFrom;
    int BadReplies;
    bool LineFeed;
    int EndsAt;
    std::string EndText;
    size_t BlocksSent;  // SIZE_MAX: all of them
  } cases[] = {
      {"helper missing", true, 0, 0, true, -1, "", 0},
      {"helper missing, no line feed", true, 0, 0, false, -1, "", 0},
      {"first reply damaged", false, 0, 1, true, -1, "", 0},
      {"noise in one reply", false, 100, 1, true, -1, "", SIZE_MAX},
      {"three damaged in a row", false, 5, 3, true, -1, "", SIZE_MAX},
      {"four damaged in a row", false, 5, 4, false, -1, "", 8},
      {"helper ends at block 1 with a message", false, 0, 0, true, 1, writeError, 1},
      {"helper ends at block 1 without one", false, 0, 0, true, 1, "", 1},
      {"helper ends at block 100 with a message", false, 0, 0, true, 100, writeError, 100},
      {"helper ends at block 100 without one", false, 0, 0, true, 100, "", 100},
  };
  const QString whole = Work.filePath(QStringLiteral("whole.img"));
  WriteFile(whole, std::string(kImageBytes, '\x5A'));
  const std::string command = RestoreWorker::kCommandLine;
  for (const Case& c : cases) {
    talosim::SimOptions options = SimHarness::DefaultOptions();
    options.HelperLineFeed = c.LineFeed;
    options.Faults.ImageHelpersMissing = c.HelperMissing;
    options.Faults.RestoreReplyBlock = c.BadFrom;
    options.Faults.RestoreBadReplies = c.BadReplies;
    options.Faults.RestoreHelperEndsAtBlock = c.EndsAt;
    options.Faults.RestoreHelperEndText = c.EndText;
    StartSim(options);
    Dialogs.Messages.clear();
    const bool all = c.BlocksSent == SIZE_MAX;
    EXPECT_EQ(Run(false, whole), all) << c.Name;
    if (!all) {
      EXPECT_EQ(LastMessage(), QString::fromLatin1(ImageText::kInvalidResponse)) << c.Name;
    }
    // The run ends as its last block goes out: the simulator takes it in
    // before it is asked what it got.
    (void)Sim().WaitUntilIdle(std::chrono::seconds(3));
    const std::string received = Sim().Received();
    const size_t at = received.rfind(command);
    ASSERT_NE(at, std::string::npos) << c.Name;
    const size_t typed = received.size() - at - command.size();
    EXPECT_EQ(typed, all ? kImageBytes / 64 * 66 : c.BlocksSent * 66) << c.Name;
  }
}

// The drive read back after a restore and compared with the image: equal;
// one block stored wrongly by the helper while it answered "111"; an image
// without the read-back helper, which has to be copied onto the drive.
// Whatever the end, the read-back file goes.
struct VerifyCase {
  const char* Name;
  bool HelperInImage;
  int Misstore;
  QString Prefix;
  QString Suffix;
};
void PrintTo(const VerifyCase& c, std::ostream* out) { *out << c.Name; }

// Each case restores and reads back the whole drive: one test a case, so that
// they run side by side.
class VerifiedRestore : public ImageKeeperTest, public ::testing::WithParamInterface<VerifyCase> {};

TEST_P(VerifiedRestore, comparesTheDriveWithTheImage) {
  const VerifyCase& c = GetParam();
  const QTemporaryDir scratch;
  qputenv("TMPDIR", scratch.path().toLocal8Bit());
  const QString path = Work.filePath(QStringLiteral("verify.img"));
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Faults.RestoreMisstoreBlock = c.Misstore;
  StartSim(options);
  Sim().Format();
  // A file over blocks 768 to 1800 or so, whatever comes first on the drive.
  ASSERT_TRUE(Sim().PutFile("\\DATA.BIN", std::string(65536, '\x11')));
  if (c.HelperInImage) {
    ASSERT_TRUE(Sim().PutFile("\\KEEPERRD.EXE", "MZ helper"));
  }
  const std::vector<uint8_t> drive = Sim().Image();
  WriteFile(path, std::string(drive.begin(), drive.end()));
  Sim().Format();
  Dialogs.Messages.clear();
  EXPECT_EQ(Run(false, path, nullptr, true), c.Misstore < 0 && c.HelperInImage);
  EXPECT_TRUE(LastMessage().startsWith(c.Prefix)) << LastMessage().toStdString();
  EXPECT_TRUE(LastMessage().endsWith(c.Suffix)) << LastMessage().toStdString();
  EXPECT_TRUE(QDir(scratch.path()).isEmpty());
  qunsetenv("TMPDIR");
}

INSTANTIATE_TEST_SUITE_P(
    ImageKeeperTest, VerifiedRestore,
    ::testing::Values(
        VerifyCase{"equal", true, -1,
                   QString::fromLatin1(ImageText::kRestoreDone) + QStringLiteral("\n\n") + ImageText::kRestoreVerified,
                   QString()},
        VerifyCase{"blockStoredWrongly", true, 900, ImageText::VerifyDiffers(900, 57600), QString()},
        VerifyCase{"helperCopied", false, -1, QStringLiteral("Restore not verified: block "),
                   QString::fromLatin1(ImageText::kVerifyHelperCopied)}),
    [](const ::testing::TestParamInfo<VerifyCase>& info) { return std::string(info.param.Name); });

// A "111" damaged on the way makes the helper send a block twice: the image
// would be shifted. The backup fails, the old image stays, and the helper is
// let finish so that the shell takes the next command.
TEST_F(ImageKeeperTest, aBlockSentTwiceFailsTheBackupAndLeavesTheShellReady) {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Faults.BackupReplyDamagedBlock = 70000;
  StartSim(options);
  WriteFile(ImagePath(), "the previous image");
  EXPECT_FALSE(Run(true, ImagePath()));
  EXPECT_EQ(LastMessage(), QString::fromLatin1(ImageText::kShiftedImage));
  EXPECT_EQ(ReadFile(ImagePath()), "the previous image");
  EXPECT_EQ(WorkFiles(), QStringList{QStringLiteral("7100D.img")});
  SimTerminal term(PortPath());
  EXPECT_EQ(term.Command("cd"), "\r\nD:\\\r\nD:\\>");
}

// In a shared folder another user's link could point at any file the
// operator may write: refused before anything is sent, the file untouched.
// A target that cannot take the image is found before the helper goes up
// or anything is typed: a folder that is not there, a file in a folder's
// place, a folder that takes no new file.
TEST_F(ImageKeeperTest, aBackupToAFolderThatCannotTakeTheImageTypesNothing) {
  StartSim();
  WriteFile(Work.filePath(QStringLiteral("plain.txt")), "a file");
  const struct {
    QString Path;
    QString Says;
  } cases[] = {
      {Work.filePath(QStringLiteral("missing/7100D.img")), ImageText::NoSuchFolder(Work.filePath("missing"))},
      {Work.filePath(QStringLiteral("plain.txt/7100D.img")),
       ImageText::NoSuchFolder(Work.filePath("plain.txt"))},
      {QStringLiteral("/proc/7100D.img"), QStringLiteral("The folder /proc cannot be written: ")},
  };
  for (const auto& c : cases) {
    Dialogs.Messages.clear();
    EXPECT_FALSE(Run(true, c.Path)) << c.Path.toStdString();
    EXPECT_TRUE(LastMessage().startsWith(QString::fromLatin1(ImageText::kWriteFailed) + c.Says))
        << LastMessage().toStdString();
  }
  EXPECT_EQ(Sim().Received(), "");
}

TEST_F(ImageKeeperTest, aLinkOfAnotherUserIsRefusedAndItsFileUntouched) {
  StartSim();
  const QString target = Work.filePath(QStringLiteral("precious.txt"));
  WriteFile(target, "precious");
  const QByteArray link = QFile::encodeName(ImagePath());
  ASSERT_EQ(symlink(QFile::encodeName(target).constData(), link.constData()), 0);
  if (lchown(link.constData(), 65534, 65534) != 0 || geteuid() == 65534)
    GTEST_SKIP() << "giving the link to another user needs root";
  EXPECT_FALSE(Run(true, ImagePath()));
  EXPECT_EQ(Result.Status, JobStatus::Failed);
  EXPECT_EQ(LastMessage(), QString::fromLatin1(ImageText::kLinkRefused));
  EXPECT_EQ(ReadFile(target), "precious");
  EXPECT_EQ(Sim().Received(), "");
}

// The slow one: a controller that falls silent half-way trips the watchdog
// after 11 ticks; the worker, waiting in a read, stops and the old image
// stays as it was.
TEST_F(ImageKeeperTest, aStalledBackupTripsTheWatchdogAndKeepsTheOldImage) {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Faults.StallAfterBytes = 200000;  // about 20000 frames
  StartSim(options);
  WriteFile(ImagePath(), "the previous image");
  EXPECT_FALSE(Run(true, ImagePath()));
  EXPECT_EQ(Result.Status, JobStatus::TimedOut);
  EXPECT_EQ(LastMessage(), QString::fromLatin1(ImageText::kStalled));
  EXPECT_EQ(ReadFile(ImagePath()), "the previous image");
  EXPECT_EQ(WorkFiles(), QStringList{QStringLiteral("7100D.img")});
}

}  // namespace
