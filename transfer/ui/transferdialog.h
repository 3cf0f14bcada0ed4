#pragma once
// TransferDialog: the modal "File transfer" dialog. Shows the file in progress,
// the file count and the progress of a TransferBatch, and lets the user
// cancel it.
//
// Principles of operation
// - Main thread only. 150 ms after the dialog appears StartTimer starts the
//   batch once; its uploads run on the batch's worker while the dialog's own
//   loop paints and passes Cancel on. 200 ms after the batch has ended
//   CloseTimer closes the dialog. Only the first show starts the batch (a
//   restored window is shown again).
// - Cancel (and Esc) only asks the batch to stop: the dialog stays until the
//   sender has cancelled cleanly, then closes as after any batch.
// - The batch is the caller's and outlives the dialog.

#include <QDialog>
#include <QTimer>
#include <memory>

#include "transfer/transferview.h"

namespace Ui {
class TransferDialog;
}
class QLineEdit;
class QProgressBar;
class QPushButton;

class TransferDialog : public QDialog, public TransferView {
  Q_OBJECT

 public:
  static constexpr int kStartDelayMs = 150;
  static constexpr int kCloseDelayMs = 200;

  explicit TransferDialog(TransferBatch& batch, QWidget* parent = nullptr);
  ~TransferDialog() override;

  void SetCancelEnabled(bool enabled);

  void ShowFile(const QString& sourcePath, int number, int total) override;
  void ShowProgress(int percent, int64_t acknowledged, int64_t size) override;

  QLineEdit* edtName() const;
  QLineEdit* edtCount() const;
  QProgressBar* ProgressBar() const;
  QPushButton* btnCancel() const;

 public slots:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void RunBatch();
  void CloseAfterBatch();
  void CancelClicked();

 private:
  std::unique_ptr<Ui::TransferDialog> Form;
  TransferBatch& Batch;
  QTimer StartTimer;
  QTimer CloseTimer;
  bool BatchStarted = false;
  bool BatchDone = false;
};
