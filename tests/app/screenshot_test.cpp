// Saves a picture of the main window after a typical start: the demo drive
// listed in the device pane, the terminal on with a command typed. The PNG
// lands in the build folder for a person to look at.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <QTextBlock>

#include "app/aboutdialog.h"
#include "app/consoleview.h"
#include "app/mainwindow.h"
#include "app/nameprompt.h"
#include "link/shell/devicename.h"
#include "link/terminal/taloterminal.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/simfixture.h"

namespace {

class MainWindowPicture : public SimFixture {};

TEST_F(MainWindowPicture, savesMainWindowWithDriveListedAndTerminalOn) {
  auto options = SimHarness::DefaultOptions();
  options.Demo = true;
  StartSim(options);
  ScriptedDialogs dialogs;
  MainWindow window(&dialogs, &dialogs);
  window.StartUp(QString::fromStdString(PortPath()));
  window.resize(1100, 720);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.OpenDeviceRoot();
  EXPECT_TRUE(dialogs.Errors().isEmpty()) << dialogs.Errors().join(' ').toStdString();
  QTest::qWait(200);
  const QImage listed = window.grab().toImage();
  ASSERT_TRUE(listed.save(QStringLiteral(TALO_SCREENSHOT_DIR "/talo7100-main-window.png")));

  window.ToggleTerminal();
  ASSERT_TRUE(window.Terminal().IsOn());
  ConsoleView* memo = window.ConsoleWidget();
  ASSERT_TRUE(QTest::qWaitFor([&] { return memo->document()->lastBlock().text() == "D:\\>"; }, 5000));
  window.RunInTerminal(QStringLiteral("C:\\mem"));
  (void)QTest::qWaitFor([&] { return memo->toPlainText().contains("bytes"); }, 5000);
  QTest::qWait(300);

  const QImage picture = window.grab().toImage();
  ASSERT_FALSE(picture.isNull());
  ASSERT_TRUE(picture.save(QStringLiteral(TALO_SCREENSHOT_DIR "/talo7100-terminal.png")));
  // Not blank: the console (black while the terminal is on) and the panes differ.
  const QPoint inConsole = memo->mapTo(&window, QPoint(memo->width() / 2, memo->height() - 10));
  EXPECT_EQ(picture.pixelColor(inConsole), QColor(Qt::black));
  EXPECT_NE(picture.pixelColor(QPoint(10, 60)), QColor(Qt::black));
  std::printf("screenshots: %s/talo7100-main-window.png, talo7100-terminal.png\n",
              TALO_SCREENSHOT_DIR);
  dialogs.YesNoAnswers.push_back(true);
  window.close();
}

TEST(DialogPictures, savesAboutBoxAndNamePrompt) {
  AboutDialog about;
  about.show();
  ASSERT_TRUE(about.grab().save(QStringLiteral(TALO_SCREENSHOT_DIR "/talo7100-about.png")));
  NamePrompt prompt;
  prompt.Setup(QStringLiteral("Make directory"),
               DeviceName::PromptWithRule(QStringLiteral("Please input new directory name:")),
               QStringLiteral("recipe_line.text"), DeviceName::kPromptLength);
  prompt.PreviewDeviceName();
  prompt.show();
  ASSERT_TRUE(prompt.grab().save(QStringLiteral(TALO_SCREENSHOT_DIR "/talo7100-askname.png")));
}

}  // namespace
