// The image dialog's own behaviour: refusal without a listing, the help
// window's text as the form holds it, the wait window's Cancel against the
// simulated controller.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "image/imagekeeper.h"
#include "image/imagetext.h"
#include "image/ui/driveimagedialog.h"
#include "image/ui/imagehelpwindow.h"
#include "image/ui/imagewaitwindow.h"
#include "link/shell/deviceshell.h"
#include "tests/image/imagesimfixture.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/scripteddialogs.h"

namespace {

TEST(ImageDialog, refusesUntilTheDevicePaneHasBeenListed) {
  RecordingConsole console;
  ScriptedDialogs dialogs;
  bool verify = false;
  EXPECT_FALSE(DriveImageDialog::Open(nullptr, QStringLiteral("ttyNONE"), console, dialogs, dialogs, 0, verify));
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages.front().Type, ScriptedDialogs::Message::Warning);
  EXPECT_EQ(dialogs.Messages.front().Text, QString::fromLatin1(ShellText::kRefreshFirst));
}

// The memo's lines carry leading and trailing blanks that the form must keep.
TEST(ImageDialog, helpMemoHoldsItsElevenLinesBlanksIncluded) {
  ImageHelpWindow help;
  const QStringList lines = help.HelpText()->toPlainText().split(QLatin1Char('\n'));
  QStringList expected;
  for (const char* line : ImageText::kHelpLines) expected.append(QString::fromLatin1(line));
  EXPECT_EQ(lines, expected);
}

// The file dialogs get the image filter as Qt reads filters: an image file
// is offered in either case, nothing else is.
TEST(ImageDialog, theImageFilterOffersImageFilesOnly) {
  const QTemporaryDir dir;
  for (const char* name : {"7100D.img", "OLD.IMG", "notes.txt"}) {
    QFile file(dir.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  QFileDialog dialog(nullptr, QString(), dir.path(), QString::fromLatin1(ImageText::kImageFilter));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
  auto* model = dialog.findChild<QFileSystemModel*>();
  ASSERT_TRUE(view && model);
  QStringList offered;
  QElapsedTimer clock;
  clock.start();
  while (offered.size() < 2 && clock.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    offered.clear();
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row)
      offered.append(view->model()->index(row, 0, root).data().toString());
  }
  offered.sort();
  EXPECT_EQ(offered, (QStringList{QStringLiteral("7100D.img"), QStringLiteral("OLD.IMG")}));
}

// The backup's question informs, the restore's warns.
TEST(ImageDialog, theQuestionsComeInTheirOwnBoxes) {
  RecordingConsole console;
  ScriptedDialogs dialogs;
  dialogs.YesNoAnswers = {false, false};
  DriveImageDialog dialog(QStringLiteral("ttyNONE"), console, dialogs, dialogs);
  dialog.BtBackupImg()->click();
  dialog.BtRestoreImg()->click();
  ASSERT_EQ(dialogs.Messages.size(), 2u);
  EXPECT_EQ(dialogs.Messages[0].Box, UserDialogs::BoxKind::Information);
  EXPECT_EQ(dialogs.Messages[1].Box, UserDialogs::BoxKind::Warning);
}

// Cancel, Esc and the close box each ask once for the stop and leave the
// window open until the worker has ended; then it closes as always.
struct CancelWay {
  const char* Name;
  void (*Press)(ImageWaitWindow& window);
};
class WaitWindowCancel : public ::testing::TestWithParam<CancelWay> {};

TEST_P(WaitWindowCancel, asksOnceForTheStopAndWaitsForTheEnd) {
  ImageWaitState state;
  state.Maximum = 100;
  state.Position = 40;
  ImageWaitWindow window(state);
  int asked = 0;
  QObject::connect(&window, &ImageWaitWindow::CancelPressed, [&] { ++asked; });
  window.show();
  GetParam().Press(window);
  GetParam().Press(window);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.btnCancel()->isEnabled());
  EXPECT_EQ(window.LbUpdateMsg()->text(), QString::fromLatin1(ImageText::kStopping));
  state.CloseRequested = true;
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 3 * ImageWaitWindow::kStatusIntervalMs));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, WaitWindowCancel,
    ::testing::Values(CancelWay{"button", [](ImageWaitWindow& w) { w.btnCancel()->click(); }},
                      CancelWay{"escape", [](ImageWaitWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
                      CancelWay{"closeBox", [](ImageWaitWindow& w) { w.close(); }}),
    [](const auto& info) { return std::string(info.param.Name); });

// The dialog against the simulated controller: the helper goes up from a
// seeded installation, the wait window's Cancel is pressed part-way.
class ImageDialogOnSimulator : public ImageSimFixture {
 protected:
  // Clicks the button and presses Cancel once the controller has received
  // `bytes` after the helper's command line; returns what it had received
  // once Cancel was pressed.
  size_t RunAndCancel(QPushButton* button, const std::string& command, size_t bytes) {
    size_t atCancel = 0;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
      auto* window = qobject_cast<ImageWaitWindow*>(QApplication::activeModalWidget());
      const std::string received = Sim().Received();
      const size_t at = received.find(command);
      if (!window || at == std::string::npos || received.size() < at + command.size() + bytes) return;
      watch.stop();
      window->btnCancel()->click();
      // The stop has been asked for by now: at most the block under way follows.
      atCancel = Sim().Received().size();
    });
    watch.start();
    // Clicked from a running loop, as a user clicks: the run goes on the
    // runner's worker behind the wait window.
    QEventLoop loop;
    QTimer::singleShot(0, [&] {
      button->click();
      loop.quit();
    });
    loop.exec();
    return atCancel;
  }
  QString ImagePath() const { return Work.filePath(QStringLiteral("7100D.img")); }

  RecordingConsole Console;
  ScriptedDialogs Dialogs;
};

TEST_F(ImageDialogOnSimulator, aCancelledBackupKeepsTheOldImageAndSaysSoOnce) {
  QFile old(ImagePath());
  ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("the previous image") > 0);
  old.close();
  Dialogs.FileAnswers = {ImagePath()};
  DriveImageDialog dialog(QString::fromStdString(PortPath()), Console, Dialogs, Dialogs);
  ASSERT_GT(RunAndCancel(dialog.BtBackupImg(), "D:\\KEEPERRD 2 3 4 5\r", 500), 0u);

  QFile image(ImagePath());
  ASSERT_TRUE(image.open(QIODevice::ReadOnly));
  EXPECT_EQ(image.readAll(), QByteArray("the previous image"));
  EXPECT_EQ(QDir(Work.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
  const QString notice = QString::fromLatin1(ImageText::kBackupCancelled);
  ASSERT_EQ(Dialogs.Messages.size(), 2u) << "the question, then the notice alone";
  EXPECT_EQ(Dialogs.Messages.back().Type, ScriptedDialogs::Message::Information);
  EXPECT_EQ(Dialogs.Messages.back().Text, notice);
  EXPECT_EQ(Console.Lines.join(QLatin1Char('\n')).count(notice), 1);
  EXPECT_EQ(Sim().Commands().back(), "D:\\KEEPERRD 2 3 4 5") << "nothing typed after the stop";
}

TEST_F(ImageDialogOnSimulator, aCancelledRestoreStopsAtOnceAndWarnsTheDriveIsPartial) {
  QFile file(ImagePath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(1048576, 'i')) > 0);
  file.close();
  Dialogs.FileAnswers = {ImagePath()};
  DriveImageDialog dialog(QString::fromStdString(PortPath()), Console, Dialogs, Dialogs);
  const size_t atCancel = RunAndCancel(dialog.BtRestoreImg(), "D:\\keeperwr 2 3 4\r", 66 * 50);
  ASSERT_GT(atCancel, 0u);

  EXPECT_LE(Sim().Received().size(), atCancel + 66) << "at most the block on its way";
  ASSERT_FALSE(Dialogs.Messages.empty());
  EXPECT_EQ(Dialogs.Messages.back().Type, ScriptedDialogs::Message::Warning);
  EXPECT_EQ(Dialogs.Messages.back().Text, QString::fromLatin1(ImageText::kRestoreCancelled));
  EXPECT_TRUE(Console.Lines.contains(QStringLiteral("Restore cancelled!")));
}

// A verified restore from the dialog: the read-back's helper check lists
// D:\ as a job while the dialog's loop runs, finds the helper the image
// holds and copies nothing; one box says the drive matched.
TEST_F(ImageDialogOnSimulator, aVerifiedRestoreFindsTheHelperAndSaysItMatched) {
  Sim().Format();
  ASSERT_TRUE(Sim().PutFile("\\KEEPERRD.EXE", "MZ helper"));
  const std::vector<uint8_t> drive = Sim().Image();
  QFile file(ImagePath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char*>(drive.data()), static_cast<qint64>(drive.size()));
  file.close();
  Sim().Format();
  Dialogs.FileAnswers = {ImagePath()};
  DriveImageDialog dialog(QString::fromStdString(PortPath()), Console, Dialogs, Dialogs, nullptr, true);
  // Clicked from a running loop, as a user clicks: the check runs on the
  // runner's worker.
  QEventLoop loop;
  QTimer::singleShot(0, [&] {
    dialog.BtRestoreImg()->click();
    loop.quit();
  });
  loop.exec();
  ASSERT_EQ(Dialogs.Messages.size(), 2u) << "the question, then the result alone";
  EXPECT_EQ(Dialogs.Messages.back().Type, ScriptedDialogs::Message::Information);
  EXPECT_EQ(Dialogs.Messages.back().Text, QString::fromLatin1(ImageText::kRestoreDone) +
                                              QStringLiteral("\n\n") + ImageText::kRestoreVerified);
  const std::vector<std::string> commands = Sim().Commands();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "dir"), commands.end());
  EXPECT_TRUE(dialog.BtRestoreImg()->isEnabled());
}

}  // namespace
