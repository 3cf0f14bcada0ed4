// The XMODEM sender against the simulated controller's receiver, and against
// a scripted shell for the receivers that never start. Its frames are checked
// by the receivers: the simulator's and lrzsz rx.
#include "transfer/xmodemsender.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QEventLoop>
#include <QTimer>

#include "link/shell/deviceshell.h"
#include "tests/support/scriptedshell.h"
#include "tests/transfer/transfertesting.h"
#include "transfer/transfertext.h"

using namespace transfertest;

namespace {

TEST(XModemProgress, isWholePercentAndNeverDividesByZero) {
  EXPECT_EQ(XmodemSender::PercentOf(0, 0), 100);
  EXPECT_EQ(XmodemSender::PercentOf(128, 129), 99);
  EXPECT_EQ(XmodemSender::PercentOf(129, 129), 100);
  EXPECT_EQ(XmodemSender::PercentOf(200, 129), 100);  // the file grew meanwhile
  // Sizes beyond 32 bits neither wrap nor overflow the product.
  EXPECT_EQ(XmodemSender::PercentOf(int64_t{3} << 31, int64_t{6} << 31), 50);
}

class XModemSender : public SimTransferTest<> {
 protected:
  // Sends path as target over the line at linePath; cancelled once
  // cancelAtPercent is acknowledged (when > 0) or, at 0, once the command
  // line has reached the controller (commandArrived; by default the
  // simulator has run it).
  JobStatus Send(const QString& path, const QByteArray& target, int cancelAtPercent = -1,
                 std::string linePath = {}, std::function<bool()> commandArrived = {}) {
    const auto port = OpenPort(linePath.empty() ? PortPath() : linePath, 200);
    if (!port) return JobStatus::TimedOut;
    XmodemSender sender;
    sender.Port = port.get();
    sender.Console = &Console;
    sender.SourcePath = path;
    sender.TargetName = target;
    if (cancelAtPercent == 0 && !commandArrived)
      commandArrived = [this] { return !Sim().Commands().empty(); };
    const SendEnd end =
        RunToEnd(sender, cancelAtPercent > 0 ? cancelAtPercent : -1,
                 cancelAtPercent == 0 ? commandArrived : std::function<bool()>());
    Progress = end.Percent;
    Outcome = end.Result;
    return Outcome.Status;
  }
  int Progress = -1;
  JobResult Outcome;
};

// The result: what the top level will tell the user.
TEST_F(XModemSender, resultTellsSentFailedCancelledAndDisconnectedApart) {
  struct Case {
    const char* Name;
    std::function<void(talosim::FaultPlan&)> Faults;
    bool Missing;         // a source file that is not there
    int CancelAtPercent;  // 0: before the receiver starts
    JobStatus Status;
    QString Text;
  };
  const QString lost = ShellText::Disconnected(QString::fromStdString(PortPath()));
  const Case cases[] = {
      {"sent", {}, false, -1, JobStatus::Ok, {}},
      {"no file", {}, true, -1, JobStatus::Failed, TransferText::kCannotOpenSendFile},
      {"receiver cancels", [](auto& f) { f.XmodemCanAtBlock = 2; }, false, -1, JobStatus::Failed, {}},
      {"user cancels", {}, false, 0, JobStatus::Cancelled, {}},
      {"line lost", [](auto& f) { f.HangUpAfterBytes = 40; }, false, -1, JobStatus::Disconnected,
       lost},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Faults) SetFaults(c.Faults);
    const QString path = c.Missing ? Dir.filePath("absent.bin") : File("R.BIN", 1000);
    EXPECT_EQ(Send(path, "D:\\R.BIN", c.CancelAtPercent), c.Status);
    EXPECT_EQ(Outcome.Text, c.Text);
    if (c.Faults) {
      StartSim();  // a fresh controller for the next case
      Console.Clear();
    }
  }
}

TEST_F(XModemSender, uploadsByteExactPaddedToWholeBlocks) {
  // 0: EOT only; 256 * 128 + 5: block numbers run 255, 0, 1, ...
  for (const size_t size : {size_t{0}, size_t{256 * 128 + 5}}) {
    SCOPED_TRACE(size);
    Console.Clear();
    ASSERT_EQ(Send(File("F.BIN", size), "D:\\FILE.BIN"), JobStatus::Ok);
    EXPECT_EQ(Progress, 100);
    EXPECT_EQ(Sim().GetFile("\\FILE.BIN"), Padded(Contents["F.BIN"]));
    EXPECT_EQ(Sim().Commands().back(), "C:\\transfer /R D:\\FILE.BIN");
    EXPECT_EQ(ConsoleLines(), (QStringList{"C:\\transfer /R D:\\FILE.BIN", TransferText::kTransferring,
                                           TransferText::kGotEotAck,
                                           QStringLiteral("Received FILE.BIN, %1 bytes.")
                                               .arg(Padded(Contents["F.BIN"]).size())}));
  }
}

TEST_F(XModemSender, cancelInDataPhaseSendsFiveCanOnceAndShowsReceiverLines) {
  // Bytes that make no CAN in a frame's checksum.
  const QString path = WriteFile(Dir, "BIG.BIN", std::string(64 * 1024, 'x'));
  EXPECT_EQ(Send(path, "D:\\BIG.BIN", 5), JobStatus::Cancelled);
  EXPECT_EQ(TrailingCancels(Sim().Received()), 5u);
  const QStringList lines = ConsoleLines();
  EXPECT_TRUE(lines.contains("Transfer cancelled by the sender.")) << lines.join('|').toStdString();
  EXPECT_FALSE(lines.contains(TransferText::kTransferCancelled));
  EXPECT_FALSE(lines.contains(TransferText::kGotEotAck));
  EXPECT_GE(Progress, 5);
  EXPECT_LT(Progress, 100);
  EXPECT_FALSE(Sim().Exists("\\BIG.BIN"));
}

TEST_F(XModemSender, receiverAskingForCrcNeverStarts) {
  // Asks for CRC mode every 10 ms for as long as the test runs.
  std::atomic<size_t> heard{0};
  ScriptedShell shell([&](const std::string&, PtyPair& line, const std::atomic<bool>& stopping) {
    while (!stopping) {
      line.Write("C");
      heard += line.Read(1, 10).size();
    }
    return std::string();
  });
  EXPECT_EQ(Send(File("C.BIN", 300), "D:\\C.BIN", -1, shell.Path()), JobStatus::Failed);
  EXPECT_EQ(ConsoleLines().last(), TransferText::kNoAckFromTalo);
  EXPECT_EQ(heard.load(), 0u) << "not one byte after the command line";
}

// A receiver that takes every block but never acknowledges the end: the
// transfer fails, and the receiver's closing lines are still read, so that
// they do not spill into the next exchange.
TEST_F(XModemSender, endNeverAcknowledgedFailsAfterReadingTheClosingOutput) {
  ScriptedShell shell([](const std::string&, PtyPair& line, const std::atomic<bool>& stopping) {
    (void)line.Write(std::string(1, XmodemSender::kNak));
    for (int eots = 0; !stopping && eots < XmodemSender::kEotAttempts;) {
      const std::string head = line.Read(1, 100);
      if (head == std::string(1, XmodemSender::kEot)) {
        ++eots;
        (void)line.Write(std::string(1, XmodemSender::kNak));
      } else if (head == std::string(1, XmodemSender::kSoh)) {
        (void)line.Read(XmodemSender::kFrameSize - 1, 1000);
        (void)line.Write(std::string(1, XmodemSender::kAck));
      }
    }
    return std::string("\r\nReceive failed: the end was not confirmed.\r\nD:\\>");
  });
  EXPECT_EQ(Send(File("E.BIN", 300), "D:\\E.BIN", -1, shell.Path()), JobStatus::Failed);
  EXPECT_EQ(Progress, 100);
  const QStringList lines = ConsoleLines();
  ASSERT_GE(lines.size(), 2);
  EXPECT_EQ(lines.mid(lines.size() - 2),
            (QStringList{TransferText::kNoEotAck, "Receive failed: the end was not confirmed."}));
}

TEST_F(XModemSender, cancelBeforeTheReceiverStartsSendsNothing) {
  ScriptedShell shell;  // answers with the prompt: no receiver ever starts
  EXPECT_EQ(Send(File("W.BIN", 300), "D:\\W.BIN", 0, shell.Path(),
                 [&] { return shell.Received().find('\r') != std::string::npos; }),
            JobStatus::Cancelled);
  EXPECT_EQ(ConsoleLines().last(), TransferText::kTransferCancelled);
  EXPECT_EQ(shell.Received(), "C:\\transfer /R D:\\W.BIN\r");
}

TEST_F(XModemSender, missingFileOrPortSendsNothing) {
  EXPECT_EQ(Send(Dir.filePath("absent.bin"), "D:\\X.BIN"), JobStatus::Failed);
  EXPECT_EQ(ConsoleLines(), QStringList{TransferText::kCannotOpenSendFile});
  EXPECT_TRUE(Sim().Commands().empty());

  // A FIFO where a file was chosen: no writer will ever come, so opening it
  // must fail rather than wait.
  Console.Clear();
  const QString fifo = Dir.filePath("fifo.bin");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_EQ(Send(fifo, "D:\\X.BIN"), JobStatus::Failed);
  EXPECT_EQ(ConsoleLines(), QStringList{TransferText::kCannotOpenSendFile});
  EXPECT_TRUE(Sim().Commands().empty());

  XmodemSender portless;
  portless.SourcePath = File("P.BIN", 1);
  EXPECT_EQ(RunToEnd(portless).Result.Status, JobStatus::Failed);
  EXPECT_EQ(ConsoleLines(), QStringList{TransferText::kCannotOpenSendFile}) << "nothing shown";
}

TEST_F(XModemSender, destroyingTheRunnerOfARunningUploadCancelsAndJoins) {
  const auto port = OpenPort(PortPath(), 200);
  ASSERT_TRUE(port);
  XmodemSender sender;
  sender.Port = port.get();
  sender.Console = &Console;
  sender.SourcePath = File("D.BIN", 64 * 1024);
  sender.TargetName = "D:\\D.BIN";
  auto runner = std::make_unique<JobRunner>();
  bool acknowledged = false;
  QObject::connect(runner.get(), &JobRunner::ProgressChanged,
                   [&](qint64 done, qint64) { acknowledged = acknowledged || done > 0; });
  bool doneCalled = false;
  QEventLoop loop;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (!acknowledged) return;
    runner.reset();  // must neither hang nor touch freed fields
    loop.quit();
  });
  QTimer::singleShot(0, [&] {
    tick.start(10);
    (void)runner->Start([&] { return sender.Send(); }, [&](const JobResult&) { doneCalled = true; });
  });
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  loop.exec();
  EXPECT_FALSE(runner);
  EXPECT_FALSE(doneCalled);
  EXPECT_FALSE(Sim().Exists("\\D.BIN"));
}

}  // namespace
