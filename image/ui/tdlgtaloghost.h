#pragma once
// TdlgTaloGhost: the "Quantelix Image Keeper" dialog. Its buttons run the
// backup and restore flows of ImageKeeper; it lends the flow the watchdog
// timer TimerChkGhost and the wait window TfrmMWaitFor.
//
// Principles of operation
// - Main thread only. Open() is the main window's tool button: it refuses
//   (with the refresh warning) while the device pane has no listing, else
//   shows the dialog modally. The caller then forgets the device's free
//   space, so that the pane is listed again before the next operation.
// - Closing the dialog (also by the watchdog) destroys the keeper, which
//   stops and joins a running worker (FormDestroy).
// - The wait window's Cancel (Esc, close box) asks the keeper to stop the
//   worker. A cancelled operation is told here, once the keeper has
//   returned: its notice on the console and in a box.
// - "Verify after restore" starts as the caller's verifyAfterRestore says
//   and hands its state back there when the dialog closes; the caller keeps
//   it with its settings. Unchecked by default.

#include <QDialog>
#include <QTimer>
#include <memory>

#include "image/imagekeeper.h"
#include "widgets/devicetool.h"

namespace Ui {
class TdlgTaloGhost;
}
class QCheckBox;
class QPushButton;
class QRadioButton;

class TdlgTaloGhost : public QDialog, public ImageKeeperView {
  Q_OBJECT

 public:
  TdlgTaloGhost(const QString& portName, TaloConsole& console, UserDialogs& dialogs,
                QWidget* parent = nullptr, bool verifyAfterRestore = false);
  ~TdlgTaloGhost() override;

  // The main window's tbtnGHOST: true when the dialog was shown (and has
  // closed again).
  static bool Open(QWidget* parent, const QString& portName, TaloConsole& console,
                   UserDialogs& dialogs, int64_t deviceFreeBytes, bool& verifyAfterRestore);

  ImageKeeper& Keeper() { return *KeeperPtr; }
  QPushButton* BtBackupImg() const;
  QPushButton* BtRestoreImg() const;
  QRadioButton* Rbtlow() const;
  QCheckBox* ChkVerify() const;
  QTimer& TimerChkGhost() { return Timer; }

  void SetTimerEnabled(bool on) override;
  void RunWaitWindow(ImageWaitState& wait) override;
  void CloseDialog() override;

 private slots:
  void BtBackupImgClick();
  void BtRestoreImgClick();
  void btHelpClick();

 private:
  // The notice of a cancelled operation, if the last one was.
  void ReportCancel();

  std::unique_ptr<Ui::TdlgTaloGhost> Form;
  TaloConsole& Console;
  UserDialogs& Dialogs;
  std::unique_ptr<TransferPresenter> Presenter;
  QTimer Timer;
  std::unique_ptr<ImageKeeper> KeeperPtr;
};

// The device pane's tbtnGHOST: TdlgTaloGhost::Open over the main window; the
// device's free space is forgotten after the dialog has been shown.
DeviceTool ImageKeeperTool();
