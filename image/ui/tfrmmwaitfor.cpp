#include "image/ui/tfrmmwaitfor.h"

#include "image/imagekeeper.h"
#include "ui_tfrmmwaitfor.h"

TfrmMWaitFor::TfrmMWaitFor(ImageWaitState& state, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      Form(std::make_unique<Ui::TfrmMWaitFor>()),
      State(state) {
  Form->setupUi(this);
  setFixedSize(Form->ProgressBar->width() + 35, Form->ProgressBar->height() + 109);
  Form->ProgressBar->setMaximum(static_cast<int>(State.Maximum));
  Form->ProgressBar->setValue(0);
  SetMessage(State.Message);
  tmrStatusUpdate.setInterval(kStatusIntervalMs);
  connect(&tmrStatusUpdate, &QTimer::timeout, this, &TfrmMWaitFor::tmrStatusUpdateTimer);
  tmrStatusUpdate.start();
}

TfrmMWaitFor::~TfrmMWaitFor() = default;

void TfrmMWaitFor::SetMessage(const QString& text) { Form->LbUpdateMsg->setText(text); }
QLabel* TfrmMWaitFor::LbUpdateMsg() const { return Form->LbUpdateMsg; }
QProgressBar* TfrmMWaitFor::ProgressBar() const { return Form->ProgressBar; }

void TfrmMWaitFor::reject() {
  if (State.ShouldClose()) QDialog::reject();
}

void TfrmMWaitFor::tmrStatusUpdateTimer() {
  update();
  Form->ProgressBar->setValue(static_cast<int>(std::min(State.Position, State.Maximum)));
  if (State.ShouldClose()) {
    tmrStatusUpdate.stop();
    QDialog::accept();
  }
}
