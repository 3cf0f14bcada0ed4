// The image dialog's own behaviour: refusal without a listing, the help
// window's text as the form holds it.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "image/imagetext.h"
#include "image/ui/tdlgfrmhelp.h"
#include "image/ui/tdlgtaloghost.h"
#include "link/deviceshell.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/scripteddialogs.h"

namespace {

TEST(ImageDialog, refusesUntilTheDevicePaneHasBeenListed) {
  RecordingConsole console;
  ScriptedDialogs dialogs;
  bool verify = false;
  EXPECT_FALSE(TdlgTaloGhost::Open(nullptr, QStringLiteral("ttyNONE"), console, dialogs, 0, verify));
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages.front().Type, ScriptedDialogs::Message::Warning);
  EXPECT_EQ(dialogs.Messages.front().Text, QString::fromLatin1(ShellText::kRefreshFirst));
}

// The memo's lines carry leading and trailing blanks that the form must keep.
TEST(ImageDialog, helpMemoHoldsItsElevenLinesBlanksIncluded) {
  TdlgfrmHelp help;
  const QStringList lines = help.Memo1()->toPlainText().split(QLatin1Char('\n'));
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
  TdlgTaloGhost dialog(QStringLiteral("ttyNONE"), console, dialogs);
  dialog.BtBackupImg()->click();
  dialog.BtRestoreImg()->click();
  ASSERT_EQ(dialogs.Messages.size(), 2u);
  EXPECT_EQ(dialogs.Messages[0].Box, UserDialogs::BoxKind::Information);
  EXPECT_EQ(dialogs.Messages[1].Box, UserDialogs::BoxKind::Warning);
}

}  // namespace
