#include "transfer/ui/tdlgtalotran.h"

#include <QCloseEvent>

#include "transfer/transferbatch.h"
#include "ui_tdlgtalotran.h"

TdlgTaloTran::TdlgTaloTran(TransferBatch& batch, QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::TdlgTaloTran>()), Batch(batch) {
  Form->setupUi(this);
  // Fixed border, no system buttons: the dialog closes itself.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  Timer1.setInterval(kStartDelayMs);
  Timer1.setSingleShot(true);
  Timer2.setInterval(kCloseDelayMs);
  Timer2.setSingleShot(true);
  connect(&Timer1, &QTimer::timeout, this, &TdlgTaloTran::Timer1Timer);
  connect(&Timer2, &QTimer::timeout, this, &TdlgTaloTran::Timer2Timer);
  connect(Form->btnCancel, &QPushButton::clicked, this, &TdlgTaloTran::btnCancelClick);
}

TdlgTaloTran::~TdlgTaloTran() = default;

void TdlgTaloTran::SetCancelEnabled(bool enabled) { Form->btnCancel->setEnabled(enabled); }

void TdlgTaloTran::ShowFile(const QString& sourcePath, int number, int total) {
  if (Form->edtName->text() != sourcePath) Form->edtName->setText(sourcePath);
  const QString count = QStringLiteral("%1/%2").arg(number).arg(total);
  if (Form->edtCount->text() != count) Form->edtCount->setText(count);
}

void TdlgTaloTran::ShowProgress(int percent, int64_t, int64_t) {
  Form->ProgressBar1->setValue(percent);
}

QLineEdit* TdlgTaloTran::edtName() const { return Form->edtName; }
QLineEdit* TdlgTaloTran::edtCount() const { return Form->edtCount; }
QProgressBar* TdlgTaloTran::ProgressBar1() const { return Form->ProgressBar1; }
QPushButton* TdlgTaloTran::btnCancel() const { return Form->btnCancel; }

void TdlgTaloTran::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Restoring a minimised dialog shows it again: the batch still starts once.
  if (BatchStarted) return;
  BatchStarted = true;
  Timer1.start();
  Timer2.stop();
}

void TdlgTaloTran::Timer1Timer() {
  Timer1.stop();
  Batch.Run(*this);
  BatchDone = true;
  Timer2.start();
}

void TdlgTaloTran::Timer2Timer() {
  Timer2.stop();
  done(Batch.CancelWasPressed() ? QDialog::Rejected : QDialog::Accepted);
}

void TdlgTaloTran::btnCancelClick() {
  Batch.PressCancel();
  // Pressed once is enough; the dialog closes when the sender has stopped.
  Form->btnCancel->setEnabled(false);
}

// Esc: a cancel while it is allowed; never closes the dialog under a running
// batch.
void TdlgTaloTran::reject() {
  if (BatchDone) {
    QDialog::reject();
    return;
  }
  if (Form->btnCancel->isEnabled()) btnCancelClick();
}

void TdlgTaloTran::closeEvent(QCloseEvent* event) {
  if (BatchDone) {
    QDialog::closeEvent(event);
    return;
  }
  event->ignore();
}
