#include "transfer/ui/transferdialog.h"

#include <QCloseEvent>

#include "transfer/transferbatch.h"
#include "ui_transferdialog.h"

TransferDialog::TransferDialog(TransferBatch& batch, QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::TransferDialog>()), Batch(batch) {
  Form->setupUi(this);
  // Fixed border, no system buttons: the dialog closes itself.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  StartTimer.setInterval(kStartDelayMs);
  StartTimer.setSingleShot(true);
  CloseTimer.setInterval(kCloseDelayMs);
  CloseTimer.setSingleShot(true);
  connect(&StartTimer, &QTimer::timeout, this, &TransferDialog::RunBatch);
  connect(&CloseTimer, &QTimer::timeout, this, &TransferDialog::CloseAfterBatch);
  connect(Form->btnCancel, &QPushButton::clicked, this, &TransferDialog::CancelClicked);
}

TransferDialog::~TransferDialog() = default;

void TransferDialog::SetCancelEnabled(bool enabled) { Form->btnCancel->setEnabled(enabled); }

void TransferDialog::ShowFile(const QString& sourcePath, int number, int total) {
  if (Form->edtName->text() != sourcePath) Form->edtName->setText(sourcePath);
  const QString count = QStringLiteral("%1/%2").arg(number).arg(total);
  if (Form->edtCount->text() != count) Form->edtCount->setText(count);
}

void TransferDialog::ShowProgress(int percent, int64_t, int64_t) {
  Form->ProgressBar->setValue(percent);
}

QLineEdit* TransferDialog::edtName() const { return Form->edtName; }
QLineEdit* TransferDialog::edtCount() const { return Form->edtCount; }
QProgressBar* TransferDialog::ProgressBar() const { return Form->ProgressBar; }
QPushButton* TransferDialog::btnCancel() const { return Form->btnCancel; }

void TransferDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Restoring a minimised dialog shows it again: the batch still starts once.
  if (BatchStarted) return;
  BatchStarted = true;
  StartTimer.start();
  CloseTimer.stop();
}

void TransferDialog::RunBatch() {
  StartTimer.stop();
  Batch.Start(*this, [this] {
    BatchDone = true;
    CloseTimer.start();
  });
}

void TransferDialog::CloseAfterBatch() {
  CloseTimer.stop();
  done(Batch.CancelWasPressed() ? QDialog::Rejected : QDialog::Accepted);
}

void TransferDialog::CancelClicked() {
  Batch.PressCancel();
  // Pressed once is enough; the dialog closes when the sender has stopped.
  Form->btnCancel->setEnabled(false);
}

// Esc: a cancel while it is allowed; never closes the dialog under a running
// batch.
void TransferDialog::reject() {
  if (BatchDone) {
    QDialog::reject();
    return;
  }
  if (Form->btnCancel->isEnabled()) CancelClicked();
}

void TransferDialog::closeEvent(QCloseEvent* event) {
  if (BatchDone) {
    QDialog::closeEvent(event);
    return;
  }
  event->ignore();
}
