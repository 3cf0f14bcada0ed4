// The image dialog's own behaviour: refusal without a listing, the help
// window's text as the form holds it.

#include <gtest/gtest.h>

#include <QPlainTextEdit>

#include "imagetext.h"
#include "recordingconsole.h"
#include "scripteddialogs.h"
#include "tdlgfrmhelp.h"
#include "tdlgtaloghost.h"

namespace {

TEST(ImageDialog, refusesUntilTheDevicePaneHasBeenListed) {
  RecordingConsole console;
  ScriptedDialogs dialogs;
  EXPECT_FALSE(TdlgTaloGhost::Open(nullptr, QStringLiteral("ttyNONE"), console, dialogs, 0));
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages.front().Type, ScriptedDialogs::Message::Warning);
  EXPECT_EQ(dialogs.Messages.front().Text, QString::fromLatin1(ImageText::kRefreshFirst));
}

// The memo's lines carry leading and trailing blanks that the form must keep.
TEST(ImageDialog, helpMemoHoldsItsElevenLinesBlanksIncluded) {
  TdlgfrmHelp help;
  const QStringList lines = help.Memo1()->toPlainText().split(QLatin1Char('\n'));
  QStringList expected;
  for (const char* line : ImageText::kHelpLines) expected.append(QString::fromLatin1(line));
  EXPECT_EQ(lines, expected);
}

}  // namespace
