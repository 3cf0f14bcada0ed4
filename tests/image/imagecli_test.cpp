// backup and restore on the command line: the exit status and Ctrl+C.

#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <thread>

#include "image/cli/imagecli.h"
#include "link/port/talocomport.h"
#include "link/shell/deviceshell.h"
#include "tests/image/imagesimfixture.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/scripteddialogs.h"

namespace {

class ImageCliTest : public ImageSimFixture {
 protected:
  void SetUp() override {
    ImageSimFixture::SetUp();
    Shell.SetSelectedPort(QString::fromStdString(PortPath()));
  }
  QString WriteFile(const QString& name, const QByteArray& bytes) {
    QFile file(Work.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  }
  QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  RecordingConsole Console;
  ScriptedDialogs Dialogs;
  DeviceShell Shell{Console, Dialogs, Dialogs};
};

TEST_F(ImageCliTest, refusalsAndWrongCallsSendNothing) {
  const QString whole = WriteFile(QStringLiteral("whole.img"), QByteArray(1048576, 'x'));
  const QString shortFile = WriteFile(QStringLiteral("short.img"), QByteArray(1048575, 'x'));
  EXPECT_EQ(ImageCli::Backup(Shell, {}), 2);
  EXPECT_EQ(ImageCli::Restore(Shell, {whole, QStringLiteral("--force")}), 2);
  Dialogs.YesNoAnswers = {false};
  EXPECT_EQ(ImageCli::Restore(Shell, {whole}), 1) << "the warning answered no";
  EXPECT_EQ(ImageCli::Restore(Shell, {shortFile, QStringLiteral("--yes")}), 1);
  EXPECT_EQ(Sim().Received(), "");
}

// Ctrl+C once the helper runs: the worker stops, the port is free again and
// the old image is as it was.
TEST_F(ImageCliTest, ctrlCDuringABackupReleasesThePortAndKeepsTheOldImage) {
  const QString image = WriteFile(QStringLiteral("7100D.img"), "the previous image");
  // A signal that came between two handlers would end the test program.
  const auto previous = std::signal(SIGINT, SIG_IGN);
  std::thread interrupt([this] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      const std::vector<std::string> commands = Sim().Commands();
      if (std::find(commands.begin(), commands.end(), "D:\\KEEPERRD 2 3 4 5") != commands.end()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::raise(SIGINT);
  });
  const int status = ImageCli::Backup(Shell, {image});
  interrupt.join();
  std::signal(SIGINT, previous);
  EXPECT_EQ(status, 130);
  EXPECT_EQ(ReadFile(image), QByteArray("the previous image"));
  TaloComPort port(PortPath());
  EXPECT_TRUE(port.Open());
}

}  // namespace
