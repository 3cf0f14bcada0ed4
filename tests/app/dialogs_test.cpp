// The desktop dialogs as a user meets them: the name prompt and the message
// boxes; results told in the window and on the command line alike.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "app/cli/streamdialogs.h"
#include "app/nameprompt.h"
#include "app/widgetdialogs.h"

namespace {

// Runs user against the next modal dialog once it is showing.
void WhenModalShows(std::function<void(QWidget*)> user) {
  auto* poll = new QTimer(qApp);
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, user] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    user(modal);
  });
  poll->start();
}

template <typename T>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(QLatin1String(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

TEST(NamePrompt, showsCallerTextsLimitsLengthAndReturnsTypedName) {
  WidgetDialogs dialogs;
  QString caption, prompt;
  bool editHadFocus = false;
  WhenModalShows([&](QWidget* dialog) {
    caption = dialog->windowTitle();
    prompt = Child<QLabel>(dialog, "lblPrompt")->text();
    auto* edit = Child<QLineEdit>(dialog, "edtFileName");
    editHadFocus = dialog->focusWidget() == edit;
    QTest::keyClicks(edit, QStringLiteral("LOGFILES9"));  // one more than allowed
    Child<QPushButton>(dialog, "OKBtn")->click();
  });
  const auto name = dialogs.AskName(QStringLiteral("Make directory"),
                                    QStringLiteral("Please input new directory name:"), QString(), 8);
  EXPECT_EQ(caption, QStringLiteral("Make directory"));
  EXPECT_EQ(prompt, QStringLiteral("Please input new directory name:"));
  EXPECT_TRUE(editHadFocus);
  ASSERT_TRUE(name.has_value());
  EXPECT_EQ(*name, QStringLiteral("LOGFILES"));
}

TEST(NamePrompt, cancelAndEscapeGiveNoName) {
  WidgetDialogs dialogs;
  WhenModalShows([](QWidget* dialog) { Child<QPushButton>(dialog, "CancelBtn")->click(); });
  EXPECT_FALSE(dialogs.AskName("Rename file 'A.TXT'", "Please input new file name:", "", 12));
  WhenModalShows([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
  EXPECT_FALSE(dialogs.AskName("Rename file 'A.TXT'", "Please input new file name:", "", 12));
}

// A new name on the controller: what the text typed becomes shows under the
// edit box as it is typed, and OK takes only a name that can be sent.
TEST(NamePrompt, deviceNameShowsTheEightDotThreeResultBeforeItIsSent) {
  WidgetDialogs dialogs;
  QStringList shown;
  QList<bool> okEnabled;
  WhenModalShows([&](QWidget* dialog) {
    auto* edit = Child<QLineEdit>(dialog, "edtFileName");
    auto* result = Child<QLabel>(dialog, "lblResult");
    auto* ok = Child<QPushButton>(dialog, "OKBtn");
    for (const char* typed : {"old.txt", "a b", "recipe_line.text"}) {
      edit->setText(QString::fromLatin1(typed));
      shown.append(result->text());
      okEnabled.append(ok->isEnabled());
    }
    ok->click();
  });
  const auto name = dialogs.AskDeviceName(QStringLiteral("Rename file 'OLD.TXT'"),
                                          QStringLiteral("Please input new file name:"),
                                          QStringLiteral("OLD.TXT"), 64);
  EXPECT_EQ(shown, QStringList({"Sent as OLD.TXT", "Cannot be sent: it holds a blank",
                                "Sent as RECIPE_L.TEX (cut to fit 8.3)"}));
  EXPECT_EQ(okEnabled, QList<bool>({true, false, true}));
  EXPECT_EQ(name, std::optional<QString>(QStringLiteral("recipe_line.text")));
}

TEST(MessageBoxes, showTextsExactlyAndAnswerYesOrNo) {
  WidgetDialogs dialogs;
  QString shown;
  WhenModalShows([&](QWidget* box) {
    shown = static_cast<QMessageBox*>(box)->text();
    static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
  });
  dialogs.Tell(JobResult::Failed(QStringLiteral("Unable to open COM1 !")));
  EXPECT_EQ(shown, QStringLiteral("Unable to open COM1 !"));

  WhenModalShows([](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::No)->click(); });
  EXPECT_FALSE(dialogs.AskYesNo(QStringLiteral("Are you sure to exit?")));
  WhenModalShows([](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click(); });
  EXPECT_TRUE(dialogs.AskYesNo(QStringLiteral("Are you sure to exit?")));
}

// Every Yes/No question comes before something destructive (delete, FORMAT,
// a restore, an initialisation, a replace): Enter must not say yes.
TEST(MessageBoxes, enterAnswersNoAndYesToAllIsItsOwnAnswer) {
  WidgetDialogs dialogs;
  const auto pressEnter = [](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); };
  WhenModalShows(pressEnter);
  EXPECT_FALSE(dialogs.AskYesNo(QStringLiteral("Are you sure to delete 'A.TXT'?")));
  WhenModalShows(pressEnter);
  EXPECT_EQ(dialogs.AskYesNoToAll(QStringLiteral("Replace A.TXT?")), UserDialogs::Answer::No);
  WhenModalShows([](QWidget* box) {
    static_cast<QMessageBox*>(box)->button(QMessageBox::YesToAll)->click();
  });
  EXPECT_EQ(dialogs.AskYesNoToAll(QStringLiteral("Replace A.TXT?")),
            UserDialogs::Answer::YesToAll);
}

TEST(MessageBoxes, busyCursorGivesWayWhileABoxWaits) {
  WidgetDialogs dialogs;
  dialogs.BeginBusy();
  Qt::CursorShape duringBox = Qt::WaitCursor;
  WhenModalShows([&](QWidget* box) {
    duringBox = QApplication::overrideCursor()->shape();
    static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
  });
  dialogs.Tell(JobResult::Warned(QStringLiteral("warning")));
  EXPECT_EQ(duringBox, Qt::ArrowCursor);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  dialogs.EndBusy();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace

// Every way a device operation ends, told by the window's teller and the
// command line's: the same text, the same kind, or nothing in both.
TEST(ToldResults, sameTextAndKindInTheWindowAndOnTheCommandLine) {
  const auto stoppedAfterEnter = [] {
    JobResult result{JobStatus::Cancelled, QStringLiteral("Check A.TXT on the controller.")};
    result.MayHaveRun = true;
    return result;
  };
  struct Case {
    const char* Name;
    JobResult Result;
    const char* Kind;  // "" when nothing is told
  };
  const Case cases[] = {
      {"a success with its text", JobResult::Done(QStringLiteral("Update Successfully!")),
       "Information"},
      {"a success without one", JobResult::Done(), ""},
      {"a refusal", JobResult::Warned(QStringLiteral("Please press 'Refresh folder'.")), "Warning"},
      {"a failure", JobResult::Failed(QStringLiteral("Unable to open ttyS0!")), "Error"},
      {"a port gone", {JobStatus::Disconnected, QStringLiteral("ttyS0 went away.")}, "Error"},
      {"a silent shell", {JobStatus::TimedOut, QStringLiteral("Nothing answers.")}, "Error"},
      {"a stop the user asked for", JobResult::Stopped(), ""},
      {"a stop with its notice", {JobStatus::Cancelled, QStringLiteral("Backup cancelled.")},
       "Information"},
      {"a stop after the line went out", stoppedAfterEnter(), "Warning"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    WidgetDialogs window;
    QString caption = QStringLiteral("none");
    QString boxText;
    if (*c.Kind != 0)
      WhenModalShows([&](QWidget* widget) {
        auto* box = static_cast<QMessageBox*>(widget);
        caption = box->windowTitle();
        boxText = box->text();
        box->button(QMessageBox::Ok)->click();
      });
    window.Tell(c.Result);  // a box it did show would wait here for ever
    char printed[512] = {};
    FILE* stream = fmemopen(printed, sizeof printed - 1, "w");
    StreamDialogs commandLine(false, stream);
    commandLine.Tell(c.Result);
    std::fclose(stream);
    if (*c.Kind == 0) {
      EXPECT_EQ(caption, QStringLiteral("none"));
      EXPECT_STREQ(printed, "");
      continue;
    }
    EXPECT_EQ(caption, QLatin1String(c.Kind));
    EXPECT_EQ(boxText, c.Result.Text);
    EXPECT_EQ(QString::fromUtf8(printed), QLatin1String(c.Kind) + QStringLiteral(": ") +
                                              c.Result.Text + QLatin1Char('\n'));
    EXPECT_EQ(commandLine.ErrorCount(), QLatin1String(c.Kind) == QLatin1String("Error") ? 1 : 0);
  }
}
