#pragma once
// TdlgTaloTran: the modal "File transfer" dialog. Shows the file in progress,
// the file count and the progress of a TransferBatch, and lets the user
// cancel it.
//
// Principles of operation
// - Main thread only. 150 ms after the dialog appears Timer1 runs the batch
//   once; while it runs the main thread waits in the batch's event loop, so
//   the dialog paints and Cancel gets through. 200 ms after the batch Timer2
//   closes the dialog. Only the first show starts the batch (a restored
//   window is shown again).
// - Cancel (and Esc) only asks the batch to stop: the dialog stays until the
//   sender has cancelled cleanly, then closes as after any batch.
// - The batch is the caller's and outlives the dialog.

#include <QDialog>
#include <QTimer>
#include <memory>

#include "transfer/transferview.h"

namespace Ui {
class TdlgTaloTran;
}
class QLineEdit;
class QProgressBar;
class QPushButton;

class TdlgTaloTran : public QDialog, public TransferView {
  Q_OBJECT

 public:
  static constexpr int kStartDelayMs = 150;
  static constexpr int kCloseDelayMs = 200;

  explicit TdlgTaloTran(TransferBatch& batch, QWidget* parent = nullptr);
  ~TdlgTaloTran() override;

  void SetCancelEnabled(bool enabled);

  void ShowFile(const QString& sourcePath, int number, int total) override;
  void ShowProgress(int percent, int64_t acknowledged, int64_t size) override;

  QLineEdit* edtName() const;
  QLineEdit* edtCount() const;
  QProgressBar* ProgressBar1() const;
  QPushButton* btnCancel() const;

 public slots:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void Timer1Timer();
  void Timer2Timer();
  void btnCancelClick();

 private:
  std::unique_ptr<Ui::TdlgTaloTran> Form;
  TransferBatch& Batch;
  QTimer Timer1;
  QTimer Timer2;
  bool BatchStarted = false;
  bool BatchDone = false;
};
