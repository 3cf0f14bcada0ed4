// The sender against a receiver nobody here wrote: lrzsz rx in checksum
// mode, started when the controller's shell gets "C:\transfer /R".
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>

#include <QEventLoop>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "tests/support/scriptedshell.h"
#include "tests/transfer/transfertesting.h"

using namespace transfertest;

namespace {

// A shell that runs rx in folder on pipes for "C:\transfer /R" and relays
// the line to it until it ends. On pipes rx's terminal handling (it flushes
// the line as it exits) cannot swallow its last ACK.
ScriptedShell::Answer RxOnPipes(const std::string& folder) {
  return [folder](const std::string& command, PtyPair& line, const std::atomic<bool>& stopping) {
    // Close-on-exec: the other shells' receivers must not hold these pipes open.
    int toRx[2], fromRx[2];
    if (command.rfind("C:\\transfer /R ", 0) != 0 || pipe2(toRx, O_CLOEXEC) != 0 ||
        pipe2(fromRx, O_CLOEXEC) != 0)
      return std::string("\nD:\\>");
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(toRx[0], 0);
      dup2(fromRx[1], 1);
      if (chdir(folder.c_str()) == 0) execlp("rx", "rx", "-b", "-q", "RX.BIN", nullptr);
      _exit(127);
    }
    close(toRx[0]);
    close(fromRx[1]);
    char buffer[512];
    for (bool open = true; open && !stopping;) {
      pollfd p[2] = {{line.MasterFd(), POLLIN, 0}, {fromRx[0], POLLIN, 0}};
      if (poll(p, 2, 50) <= 0) continue;
      if (p[0].revents & POLLIN) {
        const ssize_t n = read(line.MasterFd(), buffer, sizeof buffer);
        if (n > 0) (void)!write(toRx[1], buffer, static_cast<size_t>(n));
      }
      if (p[1].revents & (POLLIN | POLLHUP)) {
        const ssize_t n = read(fromRx[0], buffer, sizeof buffer);
        open = n > 0 && line.Write(std::string(buffer, static_cast<size_t>(n)));
      }
    }
    close(toRx[1]);
    close(fromRx[0]);
    if (stopping) kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return std::string("\r\nD:\\>");
  };
}

// One upload of random bytes as D:\RX.BIN through the line at path.
struct Upload {
  Upload(const std::string& path, size_t size, const QTemporaryDir& pcDir)
      : Port(OpenPort(path, 500)), Bytes(RandomBytes(size, static_cast<uint32_t>(size) * 7 + 3)) {
    Sender.Port = Port.get();
    Sender.Console = &Console;
    Sender.SourcePath = WriteFile(pcDir, QStringLiteral("s%1.bin").arg(size), Bytes);
    Sender.TargetName = "D:\\RX.BIN";
  }
  std::unique_ptr<TaloComPort> Port;
  std::string Bytes;
  RecordingConsole Console;
  XmodemSender Sender;
  JobRunner Runner;
  std::optional<JobResult> Result;
  int Percent = 0;
};

// Every size the block arithmetic can get wrong: 0 (EOT only), 1 and 127
// (padding), 128 (none), 129 (a block of one byte), past 4096-byte chunks
// and past block 255; then the largest again through the simulated
// controller's own hand-over to rx on its line. The uploads run side by
// side, each a job on its own line, their console lines all handed to this
// thread.
// rx flushes its terminal as it exits; the simulator relays it through pipes,
// so that flush cannot swallow its last ACK and the EOT is acknowledged.
TEST(LrzszInterop, everySizeArrivesByteExactApartFromZeroPadding) {
  if (QStandardPaths::findExecutable("rx").isEmpty()) GTEST_SKIP() << "lrzsz rx not installed";
  signal(SIGPIPE, SIG_IGN);  // rx may end while the relay still writes to it
  const std::vector<size_t> sizes{0, 1, 127, 128, 129, 32768 + 1, 256 * 128 + 5};
  QTemporaryDir pcDir;
  std::vector<std::unique_ptr<QTemporaryDir>> received;
  std::vector<std::unique_ptr<ScriptedShell>> shells;
  std::vector<std::unique_ptr<Upload>> uploads;
  for (const size_t size : sizes) {
    received.push_back(std::make_unique<QTemporaryDir>());
    const std::string folder = received.back()->path().toStdString();
    shells.push_back(std::make_unique<ScriptedShell>(RxOnPipes(folder)));
    uploads.push_back(std::make_unique<Upload>(shells.back()->Path(), size, pcDir));
  }
  received.push_back(std::make_unique<QTemporaryDir>());
  SimHarness controller;
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.XmodemReceiverCommand =
      "cd '" + received.back()->path().toStdString() + "' && exec 2>/dev/null && rx -b -q";
  ASSERT_TRUE(controller.Start(options)) << controller.LastError();
  uploads.push_back(std::make_unique<Upload>(controller.PortPath(), sizes.back(), pcDir));

  for (auto& upload : uploads) ASSERT_TRUE(upload->Port);
  // Every upload a job on its own runner, all started from one event loop.
  QEventLoop loop;
  QTimer::singleShot(0, [&] {
    for (auto& upload : uploads) {
      Upload* one = upload.get();
      QObject::connect(&one->Runner, &JobRunner::ProgressChanged, [one](qint64 done, qint64 total) {
        one->Percent = XmodemSender::PercentOf(done, total);
      });
      (void)one->Runner.Start([one] { return one->Sender.Send(); }, [&, one](const JobResult& result) {
        one->Result = result;
        if (std::all_of(uploads.begin(), uploads.end(), [](const auto& u) { return u->Result.has_value(); }))
          loop.quit();
      });
    }
  });
  QTimer::singleShot(90000, &loop, &QEventLoop::quit);
  loop.exec();
  controller.Stop();
  shells.clear();
  for (size_t i = 0; i < uploads.size(); ++i) {
    SCOPED_TRACE(i < sizes.size() ? std::to_string(sizes[i]) : "through the simulator");
    ASSERT_TRUE(uploads[i]->Result);
    EXPECT_EQ(uploads[i]->Result->Status, JobStatus::Ok);
    EXPECT_EQ(uploads[i]->Percent, 100);
    // rx stores every block it acknowledged, the zero padding included.
    EXPECT_TRUE(ReadFile(received[i]->filePath("RX.BIN")) == Padded(uploads[i]->Bytes));
    if (i == sizes.size()) {
      EXPECT_TRUE(uploads[i]->Console.Text().contains(QStringLiteral("<<Get ACK for EOT>>")))
          << uploads[i]->Console.Text().toStdString();
    }
  }
}

}  // namespace
