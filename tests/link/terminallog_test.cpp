// The terminal log: one timestamp per line however the line arrives, line
// ends flushed, and the console behind it unchanged.
#include "link/loggedconsole.h"
#include "link/terminallog.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "link/escapecontrols.h"
#include "tests/support/recordingconsole.h"

namespace {

class TerminalLogTest : public ::testing::Test {
 protected:
  // Each reading of the clock is one millisecond after the last.
  TerminalLog Log{[this] { return Start.addMSecs(Ticks++); }};
  QString Written() {
    QFile file(Path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }
  QTemporaryDir Dir;
  QString Path = Dir.filePath(QStringLiteral("term.log"));
  QDateTime Start{QDate(2026, 12, 8), QTime(3, 4, 5, 600)};
  int Ticks = 0;
};

TEST_F(TerminalLogTest, lineSplitAcrossReadsGetsOneTimestampAndIsFlushedAtItsEnd) {
  ASSERT_TRUE(Log.Open(Path));
  Log.Write(QStringLiteral("D:\\>di"));
  Log.Write(QStringLiteral("r\r"));
  Log.Write(QStringLiteral("\n Volume in drive D\r\n\r\nD:"));
  // Flushed at the line end: the finished lines are in the file already.
  EXPECT_TRUE(Written().startsWith(QStringLiteral("[2026-12-08 03:04:05.600] D:\\>dir\n"
                                                  "[2026-12-08 03:04:05.601]  Volume in drive D\n"
                                                  "[2026-12-08 03:04:05.602] \n")))
      << Written().toStdString();
  Log.WriteLine(QStringLiteral("mem"));  // a whole line ends the open one first
  Log.Close();
  EXPECT_TRUE(Written().endsWith(QStringLiteral("[2026-12-08 03:04:05.603] D:\n"
                                                "[2026-12-08 03:04:05.604] mem\n")))
      << Written().toStdString();
  // Opening again appends.
  ASSERT_TRUE(Log.Open(Path));
  Log.Write(QStringLiteral("x\n"));
  Log.Close();
  EXPECT_TRUE(Written().startsWith(QStringLiteral("[2026-12-08 03:04:05.600] D:\\>dir\n")));
  EXPECT_TRUE(Written().endsWith(QStringLiteral("[2026-12-08 03:04:05.605] x\n")));
}

// The console's edits of the open line reach the log: it holds the line the
// shell ran, not the keys and echoes that made it.
TEST_F(TerminalLogTest, editsOfTheOpenLineAreLoggedAsTheConsoleShowsThem) {
  struct Step {
    char Op;  // W writes Text, E erases the last character, C clears the line
    const char* Text;
  };
  struct Case {
    const char* Name;
    std::vector<Step> Steps;
    const char* Logged;
  } cases[] = {
      {"backspace echo over a recalled line",
       {{'W', "D:\\>dir"}, {'E', ""}, {'E', ""}, {'E', ""}, {'W', "mem\r\n"}},
       "D:\\>mem\n"},
      {"erase past the start of the line is nothing",
       {{'W', "ab"}, {'E', ""}, {'E', ""}, {'E', ""}, {'W', "c\n"}},
       "c\n"},
      {"a line rewritten from its start", {{'W', "50 %"}, {'C', ""}, {'W', "100 %\n"}}, "100 %\n"},
      {"an erase after the line end leaves the written line", {{'W', "done\n"}, {'E', ""}}, "done\n"},
  };
  for (const Case& c : cases) {
    QFile::remove(Path);
    ASSERT_TRUE(Log.Open(Path));
    for (const Step& step : c.Steps) {
      if (step.Op == 'W') Log.Write(QString::fromLatin1(step.Text));
      if (step.Op == 'E') Log.EraseLastChar();
      if (step.Op == 'C') Log.ClearLine();
    }
    Log.Close();
    QString logged = Written();
    logged.remove(QRegularExpression(QStringLiteral("^\\[[^]]*\\] "), QRegularExpression::MultilineOption));
    EXPECT_EQ(logged, QString::fromLatin1(c.Logged)) << c.Name;
  }
}

TEST_F(TerminalLogTest, loggedConsoleShowsTheSameAndLogsWhatItShows) {
  RecordingConsole shown;
  LoggedConsole console(shown, Log);
  console.AppendToLastLine(QStringLiteral("no log open yet"));
  console.NewLine();
  ASSERT_TRUE(Log.Open(Path));
  console.AppendToLastLine(QStringLiteral("D:\\>"));
  console.AppendLine(QStringLiteral("dir"));
  console.AppendToLastLine(QStringLiteral("ok"));
  console.NewLine();
  Log.Close();
  EXPECT_EQ(Written(), QStringLiteral("[2026-12-08 03:04:05.600] D:\\>\n"
                                      "[2026-12-08 03:04:05.601] dir\n"
                                      "[2026-12-08 03:04:05.602] ok\n"));
  EXPECT_EQ(console.LastLine(), QString());
  EXPECT_EQ(console.LineCount(), shown.LineCount());
  QString why;
  EXPECT_FALSE(Log.Open(Dir.filePath(QStringLiteral("no/such/folder/x.log")), &why));
  EXPECT_FALSE(why.isEmpty());
}

// A link planted by another user is not written through; the user's own
// link is followed as any path is.
TEST_F(TerminalLogTest, aLinkOfAnotherUserIsRefusedAndTheUsersOwnFollowed) {
  const struct {
    const char* Name;
    bool Foreign;
  } cases[] = {{"own.log", false}, {"planted.log", true}};
  for (const auto& c : cases) {
    const QString target = Dir.filePath(QLatin1String(c.Name) + QStringLiteral(".target"));
    const QByteArray link = QFile::encodeName(Dir.filePath(QLatin1String(c.Name)));
    ASSERT_EQ(symlink(QFile::encodeName(target).constData(), link.constData()), 0);
    if (c.Foreign && (lchown(link.constData(), 65534, 65534) != 0 || geteuid() == 65534)) {
      GTEST_SKIP() << "giving the link to another user needs root";
    }
    QString why;
    EXPECT_EQ(Log.Open(QFile::decodeName(link), &why), !c.Foreign) << c.Name;
    Log.Close();
    EXPECT_EQ(QFile::exists(target), !c.Foreign) << c.Name;
    if (c.Foreign) {
      EXPECT_TRUE(why.contains(QLatin1String("another user"))) << why.toStdString();
    }
  }
}

// What would act on a terminal is shown instead: colour, title and
// clipboard sequences, DEL, C1 and a CR that ends no line. Tab, line ends,
// backslashes and Latin-1 letters stay.
TEST(EscapeControlsTest, showsWhatATerminalWouldObey) {
  const struct {
    QString Raw;
    QString Shown;
  } cases[] = {
      {"\x1b[31mRED\x1b[0m", "\\x1b[31mRED\\x1b[0m"},
      {"\x1b]0;owned\x07", "\\x1b]0;owned\\x07"},
      {"\x1b]52;c;cm0gLXJm\x07", "\\x1b]52;c;cm0gLXJm\\x07"},
      {QString::fromLatin1("\x9b" "2J\x7f"), "\\x9b2J\\x7f"},
      {QString::fromLatin1("A\0B", 3), "A\\x00B"},
      {"over\rwrite", "over\\x0dwrite"},
      {"col\tumn\r\nD:\\DATA>\n", "col\tumn\r\nD:\\DATA>\n"},
      {QString::fromLatin1("caf\xe9"), QString::fromLatin1("caf\xe9")},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeControls(c.Raw), c.Shown) << c.Shown.toStdString();
}

TEST_F(TerminalLogTest, newLogIsTheOwnersAloneAndHoldsNoLiveControls) {
  ASSERT_TRUE(Log.Open(Path));
  Log.Write(QStringLiteral("\x1b]0;title\x07ok\r\n"));
  Log.Close();
  EXPECT_EQ(Written(), QStringLiteral("[2026-12-08 03:04:05.600] \\x1b]0;title\\x07ok\n"));
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(Path).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

}  // namespace
