// The terminal against the simulated controller: what a user sees and what
// reaches the controller's shell when he turns the terminal on and types.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTextBlock>
#include <memory>

#include "scripteddialogs.h"
#include "simfixture.h"
#include "taloconsolememo.h"
#include "taloterminal.h"
#include "tfrmmain.h"

namespace {

constexpr int kDeadlineMs = 5000;

class TerminalOnSimulator : public SimFixture {
 protected:
  void SetUp() override {
    StartSim();
    window = std::make_unique<TfrmMain>(&dialogs);
    window->StartUp(QString::fromStdString(PortPath()));
    window->show();
  }
  void TearDown() override {
    dialogs.YesNoAnswers.push_back(true);
    window->close();
    window.reset();
    SimFixture::TearDown();
  }
  TaloConsoleMemo* Memo() { return window->meoDos(); }
  bool ConsoleShows(const QString& text) {
    return QTest::qWaitFor([&] { return Memo()->toPlainText().contains(text); }, kDeadlineMs);
  }
  bool SimReceived(const std::string& bytes) {
    return QTest::qWaitFor([&] { return Sim().Received() == bytes; }, kDeadlineMs);
  }
  void TurnOnAtPrompt() {
    window->tbtnDOSCmdClick();
    ASSERT_TRUE(window->Terminal().IsOn()) << dialogs.Errors().join(' ').toStdString();
    ASSERT_TRUE(ConsoleShows(QStringLiteral("D:\\>")));
    Sim().ClearReceived();
  }

  ScriptedDialogs dialogs;
  std::unique_ptr<TfrmMain> window;
};

TEST_F(TerminalOnSimulator, turningOnShowsThePrompt) {
  TurnOnAtPrompt();
  EXPECT_EQ(Memo()->document()->lastBlock().text(), QStringLiteral("D:\\>"));
}

TEST_F(TerminalOnSimulator, typingDirShowsTheListing) {
  ASSERT_TRUE(Sim().PutFile("\\README.TXT", std::string(1234, 'r')));
  TurnOnAtPrompt();
  Memo()->setFocus();
  QTest::keyClicks(Memo(), QStringLiteral("dir"));
  QTest::keyClick(Memo(), Qt::Key_Return);
  EXPECT_TRUE(ConsoleShows(QStringLiteral(" bytes free\nD:\\>"))) << Memo()->toPlainText().toStdString();
  EXPECT_TRUE(Memo()->toPlainText().contains(QStringLiteral("README   TXT")));
  EXPECT_EQ(Sim().Commands().back(), "dir");
}

TEST_F(TerminalOnSimulator, upKeySendsVt100Sequence) {
  TurnOnAtPrompt();
  Memo()->setFocus();
  QTest::keyClick(Memo(), Qt::Key_Up);
  EXPECT_TRUE(SimReceived("\x1b[A")) << Sim().Received();
}

TEST_F(TerminalOnSimulator, pastedLinesReachTheShellAsTypedLines) {
  TurnOnAtPrompt();
  QGuiApplication::clipboard()->setText(QStringLiteral("dir\r\nmem"));
  Memo()->Pasteto7100M1Click();
  EXPECT_TRUE(SimReceived("dir\rmem")) << Sim().Received();
}

}  // namespace
