#pragma once
// DriveImageDialog: the "Quantelix Image Keeper" dialog. Its buttons run the
// backup and restore flows of ImageKeeper; it lends the flow the watchdog
// timer and the wait window ImageWaitWindow.
//
// Principles of operation
// - Main thread only. Open() is the main window's tool button: it refuses
//   (with the refresh warning) while the device pane has no listing, else
//   shows the dialog modally. The caller then forgets the device's free
//   space, so that the pane is listed again before the next operation.
// - The buttons' handlers are the flows' top level: the keeper returns the
//   operation's result and the handler tells it (ResultTeller), once the
//   wait window has closed. A cancelled operation's notice also goes on the
//   console; after the watchdog's stall box the dialog closes.
// - Closing the dialog destroys the keeper, which stops and joins a running
//   worker (FormDestroy).
// - The wait window's Cancel (Esc, close box) asks the keeper to stop the
//   worker. While a flow runs the dialog's buttons are disabled and its own
//   Esc and close box do nothing: the read-back's helper check waits for
//   its listing in an event loop, with no modal window over the dialog.
// - "Verify after restore" starts as the caller's verifyAfterRestore says
//   and hands its state back there when the dialog closes; the caller keeps
//   it with its settings. Unchecked by default.

#include <QDialog>
#include <functional>
#include <memory>

#include "image/imagekeeper.h"
#include "image/ui/imagewaitview.h"
#include "widgets/devicetool.h"

namespace Ui {
class DriveImageDialog;
}
class QCheckBox;
class ResultTeller;
class QPushButton;
class QRadioButton;

class DriveImageDialog : public QDialog, public ImageKeeperView {
  Q_OBJECT

 public:
  DriveImageDialog(const QString& portName, TaloConsole& console, UserDialogs& dialogs,
                   ResultTeller& teller,
                QWidget* parent = nullptr, bool verifyAfterRestore = false);
  ~DriveImageDialog() override;

  // The main window's tbtnGHOST: true when the dialog was shown (and has
  // closed again).
  static bool Open(QWidget* parent, const QString& portName, TaloConsole& console,
                   UserDialogs& dialogs, ResultTeller& teller, int64_t deviceFreeBytes,
                   bool& verifyAfterRestore);

  ImageKeeper& Keeper() { return *KeeperPtr; }
  QPushButton* BtBackupImg() const;
  QPushButton* BtRestoreImg() const;
  QRadioButton* Rbtlow() const;
  QCheckBox* ChkVerify() const;

  void RunWaitWindow(ImageWaitState& wait) override;

 public slots:
  // Esc and the close box; ignored while a flow runs.
  void reject() override;

 private slots:
  void BackupClicked();
  void RestoreClicked();
  void ShowHelp();

 private:
  // Runs a button's flow with the buttons disabled, then Report.
  void RunFlow(const std::function<JobResult()>& flow);
  // Tells the user how an operation ended.
  void Report(const JobResult& result);

  std::unique_ptr<Ui::DriveImageDialog> Form;
  TaloConsole& Console;
  ResultTeller& Teller;
  std::unique_ptr<TransferPresenter> Presenter;
  ImageWaitView Wait;  // the wait window
  std::unique_ptr<ImageKeeper> KeeperPtr;
  bool FlowRunning = false;
};

// The device pane's tbtnGHOST: DriveImageDialog::Open over the main window; the
// device's free space is forgotten after the dialog has been shown.
DeviceTool ImageKeeperTool();
