// The "File transfer" dialog around a real batch: it runs the batch from its
// first timer tick, shows it, closes itself, and its Cancel stops the batch.
#include "transfer/ui/transferdialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>

#include "tests/transfer/transfertesting.h"
#include "transfer/copytodevice.h"
#include "transfer/transferfile.h"
#include "transfer/ui/transferdialogpresenter.h"

using namespace transfertest;

namespace {

class TransferDialogTest : public SimTransferTest<TransferDialogPresenter> {
 protected:
  // Calls look(dialog) every 20 ms while a transfer dialog is up.
  void Watch(std::function<void(TransferDialog&)> look) {
    Watcher = std::make_unique<QTimer>();
    Watcher->setInterval(20);
    QObject::connect(Watcher.get(), &QTimer::timeout, [look] {
      if (auto* dialog = qobject_cast<TransferDialog*>(QApplication::activeModalWidget()))
        look(*dialog);
    });
    Watcher->start();
  }

  std::unique_ptr<QTimer> Watcher;
};

TEST_F(TransferDialogTest, showsTheFileAndClosesItselfAfterTheBatch) {
  const QString path = File("CONF.BIN", 20 * 1024);
  QString title, count, name;
  bool cancelEnabled = true;
  int maxProgress = -1;
  Watch([&](TransferDialog& dialog) {
    title = dialog.windowTitle();
    count = dialog.edtCount()->text();
    name = dialog.edtName()->text();
    cancelEnabled = dialog.btnCancel()->isEnabled();
    maxProgress = std::max(maxProgress, dialog.ProgressBar()->value());
  });
  EXPECT_TRUE(TransferFile(Host(), "D:\\", path));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(title, "File transfer");
  EXPECT_EQ(count, "1/1");
  EXPECT_EQ(name, path);
  EXPECT_FALSE(cancelEnabled);  // TransferFile: nothing to cancel
  EXPECT_GT(maxProgress, 0);
  EXPECT_TRUE(Sim().GetFile("\\CONF.BIN") == Padded(Contents["CONF.BIN"]));
}

// Minimising and restoring the dialog during a copy shows it again; the
// batch must not start a second time inside the first.
TEST_F(TransferDialogTest, showingTheDialogAgainDoesNotRestartTheBatch) {
  CopyRequest request;
  request.Selected = {{File("A.BIN", 20 * 1024), false, 20 * 1024}, {File("B.BIN", 300), false, 300}};
  request.DeviceFreeBytes = 1'000'000;
  request.DevicePathText = "\\";
  bool shownAgain = false;
  Watch([&](TransferDialog& dialog) {
    if (shownAgain || dialog.ProgressBar()->value() < 5) return;
    shownAgain = true;
    dialog.showMinimized();
    dialog.showNormal();
    QShowEvent show;
    QApplication::sendEvent(&dialog, &show);
  });
  const CopyReport report = CopyToDevice(Host(), request, Dialogs);
  EXPECT_TRUE(shownAgain);
  EXPECT_TRUE(report.AllSucceeded);
  const std::vector<std::string> commands = Sim().Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "C:\\transfer /R D:\\A.BIN"), 1);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "C:\\transfer /R D:\\B.BIN"), 1);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(TransferDialogTest, cancelStopsTheBatchAndTheDialogCloses) {
  CopyRequest request;
  request.Selected = {{WriteFile(Dir, "A.BIN", std::string(64 * 1024, 'x')), false, 64 * 1024},
                      {File("B.BIN", 1), false, 1}};
  request.DeviceFreeBytes = 1'000'000;
  request.DevicePathText = "\\";
  Watch([](TransferDialog& dialog) {
    if (dialog.ProgressBar()->value() >= 5 && dialog.btnCancel()->isEnabled())
      dialog.btnCancel()->click();
  });
  const CopyReport report = CopyToDevice(Host(), request, Dialogs);
  ASSERT_EQ(report.Outcomes.size(), 2u);
  EXPECT_EQ(report.Outcomes[0].Outcome, TransferOutcome::Result::Cancelled);
  EXPECT_EQ(report.Outcomes[1].Outcome, TransferOutcome::Result::NotSent);
  EXPECT_EQ(TrailingCancels(Sim().Received()), 5u);
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
