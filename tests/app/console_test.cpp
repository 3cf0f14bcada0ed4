// The console memo: the widget console keeps the same lines as the reference
// model the device logic is tested with, and its context menu behaves as a
// user expects.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <functional>

#include "app/consolefeed.h"
#include "app/consoleview.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/scripteddialogs.h"

namespace {

using Step = std::function<void(TaloConsole&)>;

struct ConsoleCase {
  const char* Name;
  std::vector<Step> Steps;
};

Step Append(const char* text) {
  return [text](TaloConsole& c) { c.AppendLine(QString::fromLatin1(text)); };
}
Step Chunk(const char* text) {
  return [text](TaloConsole& c) { c.AppendToLastLine(QString::fromLatin1(text)); };
}
Step NewLine() {
  return [](TaloConsole& c) { c.NewLine(); };
}
Step Erase() {
  return [](TaloConsole& c) { c.EraseLastChar(); };
}
Step ClearLast() {
  return [](TaloConsole& c) { c.ClearLastLine(); };
}
Step Reset(QStringList lines) {
  return [lines](TaloConsole& c) { c.ResetTo(lines); };
}
Step Clear() {
  return [](TaloConsole& c) { c.Clear(); };
}
// Applies what a console collects for its next frame (nothing to do for the
// others).
Step Flush() {
  return [](TaloConsole& c) {
    if (auto* memo = dynamic_cast<ConsoleFeed*>(&c)) memo->Flush();
  };
}
Step Held(std::vector<Step> inner) {
  return [inner](TaloConsole& c) {
    c.BeginUpdate();
    for (const auto& s : inner) s(c);
    c.EndUpdate();
  };
}

class MemoMatchesModel : public ::testing::TestWithParam<ConsoleCase> {};

TEST_P(MemoMatchesModel, sameLinesAsReferenceConsole) {
  QPlainTextEdit memo;
  ConsoleFeed console(memo);
  RecordingConsole model;
  for (const auto& step : GetParam().Steps) {
    step(console);
    step(model);
    ASSERT_EQ(console.LineCount(), model.LineCount());
    ASSERT_EQ(console.LastLine(), model.LastLine());
  }
  EXPECT_EQ(memo.toPlainText(), model.Text());
}

// The main window's console collects the terminal's edits for a frame: the
// device logic must see the same lines meanwhile, and the memo must end up
// with them, whether the frame comes or a reader applies them first.
TEST_P(MemoMatchesModel, sameLinesWhenEditsWaitForTheFrame) {
  QPlainTextEdit memo;
  ConsoleFeed console(memo, ConsoleFeed::kFrameMs);
  RecordingConsole model;
  for (const auto& step : GetParam().Steps) {
    step(console);
    step(model);
    ASSERT_EQ(console.LineCount(), model.LineCount());
    ASSERT_EQ(console.LastLine(), model.LastLine());
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return !console.HasPendingEdits(); }, 2000));
  EXPECT_EQ(memo.toPlainText(), model.Text());
  EXPECT_EQ(console.LineCount(), model.LineCount());
}

INSTANTIATE_TEST_SUITE_P(
    Console, MemoMatchesModel,
    ::testing::Values(
        ConsoleCase{"logLinesOnEmptyConsole", {Append("dir"), Append(" Volume in drive D")}},
        ConsoleCase{"logLineAfterPartialTerminalLine", {Chunk("D:\\>"), Append("C:\\mem")}},
        ConsoleCase{"chunksJoinIntoOneLine", {Chunk("abc"), Chunk("def"), NewLine(), Chunk("x")}},
        ConsoleCase{"eraseStopsAtLineStart", {Chunk("ab"), Erase(), Erase(), Erase(), Chunk("d")}},
        ConsoleCase{"eraseOnEmptyLastLineKeepsFinishedLine", {Chunk("ab"), NewLine(), Erase()}},
        ConsoleCase{"carriageReturnRestartsLine", {Chunk("abc"), ClearLast(), Chunk("xy")}},
        ConsoleCase{"resetKeepsRecentLines",
                    {Append("old"), Reset({"kept 1", "kept 2"}), Chunk("new")}},
        ConsoleCase{"resetToNothing", {Append("old"), Reset({})}},
        ConsoleCase{"clearLeavesOneEmptyLine", {Append("a"), Chunk("b"), Clear()}},
        ConsoleCase{"eraseReachesIntoShownText",
                    {Chunk("abc"), Flush(), Erase(), Chunk("x"), Erase(), Erase(), Erase(), Erase(),
                     Chunk("y")}},
        ConsoleCase{"eraseAfterNewLineKeepsFinishedLine",
                    {Chunk("ab"), Flush(), NewLine(), Erase(), Chunk("c")}},
        ConsoleCase{"clearAfterCollectedLines",
                    {Chunk("a"), NewLine(), Chunk("b"), ClearLast(), Chunk("c")}},
        ConsoleCase{"clearShownAndCollectedText",
                    {Chunk("abc"), Flush(), Erase(), Chunk("d"), ClearLast(), Chunk("xy")}},
        ConsoleCase{"logLineAfterCollectedLines",
                    {Chunk("1"), NewLine(), Chunk("D:\\>"), Append("C:\\mem"), Chunk("2")}},
        ConsoleCase{"heldBurstEndsLikeUnheld",
                    {Held({Chunk("1"), NewLine(), Chunk("2"), NewLine(), Reset({"2"})}),
                     Chunk("3")}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ConsoleMemo, viewFollowsTheEndUnlessScrolledUp) {
  ConsoleView memo;
  memo.resize(400, 200);
  memo.show();
  ConsoleFeed console(memo);
  for (int i = 0; i < 200; ++i) console.AppendLine(QStringLiteral("line %1").arg(i));
  QApplication::processEvents();
  auto* bar = memo.verticalScrollBar();
  EXPECT_EQ(bar->value(), bar->maximum());

  bar->setValue(0);
  console.AppendLine(QStringLiteral("more"));
  EXPECT_EQ(bar->value(), 0) << "a user reading older output keeps his place";

  bar->setValue(bar->maximum());
  console.BeginUpdate();
  for (int i = 0; i < 50; ++i) console.AppendLine(QStringLiteral("burst %1").arg(i));
  EXPECT_FALSE(memo.updatesEnabled());
  console.EndUpdate();
  EXPECT_TRUE(memo.updatesEnabled());
  EXPECT_EQ(bar->value(), bar->maximum());
}

// A line wider than the memo brings up the horizontal scroll bar, which takes
// the height of a line from the view: the prompt after it must still show.
TEST(ConsoleMemo, lastLineStaysVisibleAfterALongLineBringsUpTheScrollBar) {
  ConsoleView memo;
  memo.resize(400, 200);
  memo.show();
  ConsoleFeed console(memo);
  for (int i = 0; i < 30; ++i) console.AppendLine(QStringLiteral("line %1").arg(i));
  QApplication::processEvents();
  auto* bar = memo.verticalScrollBar();
  ASSERT_FALSE(memo.horizontalScrollBar()->isVisible());
  console.AppendLine(QString(300, QLatin1Char('w')));
  QApplication::processEvents();
  ASSERT_TRUE(memo.horizontalScrollBar()->isVisible());
  console.AppendToLastLine(QStringLiteral("D:\\>dir"));
  console.NewLine();
  console.AppendToLastLine(QStringLiteral("D:\\>"));
  QApplication::processEvents();
  EXPECT_EQ(bar->value(), bar->maximum());
  // Scrolled right to the end of the long line, the short prompt below would
  // be out of sight to the left while the terminal writes it.
  console.SetAlwaysShowEnd(true);
  memo.horizontalScrollBar()->setValue(memo.horizontalScrollBar()->maximum());
  bar->setValue(0);
  console.AppendToLastLine(QStringLiteral("cd"));
  QApplication::processEvents();
  EXPECT_EQ(bar->value(), bar->maximum());
  QTextCursor end(memo.document());
  end.movePosition(QTextCursor::End);
  EXPECT_TRUE(memo.viewport()->rect().contains(memo.cursorRect(end).center()));
}

// A stream of output lines costs the memo one change per frame, not one per
// line, and nothing reads the memo's text without what the console was given.
TEST(ConsoleMemo, framedEditsGoInTogetherAndReadersSeeThem) {
  ConsoleView memo;
  memo.resize(400, 200);
  memo.show();
  ConsoleFeed console(memo, ConsoleFeed::kFrameMs);
  int changes = 0;
  QObject::connect(memo.document(), &QTextDocument::contentsChange, [&] { ++changes; });
  for (int i = 0; i < 100; ++i) {
    console.AppendToLastLine(QStringLiteral("output line %1").arg(i));
    console.NewLine();
  }
  console.AppendToLastLine(QStringLiteral("D:\\>"));
  EXPECT_EQ(changes, 0) << "nothing reaches the memo before its frame";
  ASSERT_TRUE(QTest::qWaitFor([&] { return !console.HasPendingEdits(); }, 2000));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(memo.document()->blockCount(), 101);
  auto* bar = memo.verticalScrollBar();
  EXPECT_EQ(bar->value(), bar->maximum()) << "the view follows the end";

  // Each reader applies what is waiting before it reads.
  console.AppendToLastLine(QStringLiteral("find me"));
  EXPECT_TRUE(memo.FindText(QStringLiteral("find me")));
  console.NewLine();
  console.AppendToLastLine(QStringLiteral("saved"));
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("console.txt"));
  ASSERT_TRUE(memo.SaveText(path));
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_TRUE(saved.readAll().endsWith("D:\\>find me\nsaved\n"));
  console.EraseLastChar();
  memo.SelectAllLines();
  EXPECT_TRUE(memo.textCursor().selectedText().endsWith(QStringLiteral("save")));
  console.NewLine();
  memo.MoveCaretToEnd();
  EXPECT_TRUE(memo.textCursor().atEnd());
  EXPECT_EQ(memo.textCursor().block().blockNumber(), 102) << "the caret is at the true end";

  // While repainting is held the edits wait for the release, which shows them.
  console.BeginUpdate();
  console.AppendToLastLine(QStringLiteral("held"));
  QTest::qWait(3 * ConsoleFeed::kFrameMs);
  EXPECT_TRUE(console.HasPendingEdits());
  console.EndUpdate();
  EXPECT_FALSE(console.HasPendingEdits());
  EXPECT_EQ(memo.document()->lastBlock().text(), QStringLiteral("held"));
}

class ConsoleMemoMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    memo.SetDialogs(&dialogs, &dialogs);
    memo.setPlainText(QString(2000, QLatin1Char('x')));
  }
  void Select(int count) {
    QTextCursor cursor(memo.document());
    cursor.setPosition(0);
    cursor.setPosition(count, QTextCursor::KeepAnchor);
    memo.setTextCursor(cursor);
  }
  QAction* Item(const char* name) { return memo.ContextMenu()->findChild<QAction*>(name); }

  ScriptedDialogs dialogs;
  ConsoleView memo;
};

TEST_F(ConsoleMemoMenu, copiesUpTo1024CharactersAndRefusesMoreAlsoByShortcut) {
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  Select(1024);
  memo.CopySelection();
  EXPECT_EQ(QGuiApplication::clipboard()->text().size(), 1024);
  EXPECT_TRUE(dialogs.Errors().isEmpty());

  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  Select(1025);
  memo.CopySelection();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
  EXPECT_EQ(dialogs.Errors(), QStringList{QStringLiteral("The selected text exceeds 1024 bytes!")});

  memo.setFocus();  // the shortcut keeps the limit too while the terminal is off
  QTest::keyClick(&memo, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(dialogs.Errors().size(), 2);
}

TEST_F(ConsoleMemoMenu, itemsEnableByStateWhenMenuOpens) {
  QGuiApplication::clipboard()->setText(QStringLiteral("dir"));
  Select(0);
  memo.RefreshMenuItems();
  EXPECT_FALSE(Item("Copy1")->isEnabled());
  EXPECT_FALSE(Item("Pasteto7100M1")->isEnabled()) << "no paste while the terminal is off";
  EXPECT_TRUE(Item("SelectAll1")->isEnabled());
  EXPECT_TRUE(Item("Font1")->isEnabled());

  Select(5);
  memo.RefreshMenuItems();
  EXPECT_TRUE(Item("Copy1")->isEnabled());
}

TEST_F(ConsoleMemoMenu, findsTextByCtrlFAndSavesTheWholeText) {
  memo.setPlainText(QStringLiteral("D:\\>dir\nAUTORUN  BAT\nD:\\>mem\n\x1b]0;x\x07"));
  memo.setFocus();
  dialogs.NameAnswers.push_back(QStringLiteral("d:\\>"));
  QTest::keyClick(&memo, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(memo.textCursor().selectedText(), QStringLiteral("D:\\>"));
  const int first = memo.textCursor().selectionStart();
  EXPECT_TRUE(memo.FindText(QStringLiteral("D:\\>")));
  EXPECT_GT(memo.textCursor().selectionStart(), first) << "the next one, not the same";
  EXPECT_TRUE(memo.FindText(QStringLiteral("D:\\>")));
  EXPECT_EQ(memo.textCursor().selectionStart(), first) << "round from the top once";
  dialogs.NameAnswers.push_back(QStringLiteral("format"));
  memo.AskAndFind();
  EXPECT_EQ(dialogs.Texts(ScriptedDialogs::Message::Information),
            QStringList{QStringLiteral("'format' was not found.")});
  EXPECT_EQ(memo.textCursor().selectionStart(), first) << "a miss keeps the selection";

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("console.txt"));
  dialogs.FileAnswers.push_back(path);
  memo.AskAndSave();
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  // The controller's control characters saved as a log has them.
  EXPECT_EQ(saved.readAll(), QByteArray("D:\\>dir\nAUTORUN  BAT\nD:\\>mem\n\\x1b]0;x\\x07\n"));
  EXPECT_FALSE(memo.SaveText(dir.filePath(QStringLiteral("none/console.txt"))));
  EXPECT_EQ(dialogs.Errors().size(), 1);
}

TEST_F(ConsoleMemoMenu, fontChoiceAppliesAndLeavesCaretAtEnd) {
  QFont chosen = memo.font();
  chosen.setPixelSize(21);
  dialogs.FontAnswers.push_back(chosen.toString());
  Select(10);
  memo.ChooseConsoleFont();
  EXPECT_EQ(memo.font().pixelSize(), 21);
  EXPECT_FALSE(memo.textCursor().hasSelection());
  EXPECT_TRUE(memo.textCursor().atEnd());

  dialogs.FontAnswers.push_back(std::nullopt);  // cancelled: font stays
  memo.ChooseConsoleFont();
  EXPECT_EQ(memo.font().pixelSize(), 21);
}

}  // namespace
