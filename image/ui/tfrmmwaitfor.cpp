#include "image/ui/tfrmmwaitfor.h"

#include "image/imagekeeper.h"
#include "image/imagetext.h"
#include "ui_tfrmmwaitfor.h"

namespace {
constexpr int kMargin = 12;
}

TfrmMWaitFor::TfrmMWaitFor(ImageWaitState& state, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      Form(std::make_unique<Ui::TfrmMWaitFor>()),
      State(state) {
  Form->setupUi(this);
  const QRect cancel = Form->btnCancel->geometry();
  setFixedSize(Form->ProgressBar->width() + 35, cancel.bottom() + 1 + kMargin);
  Form->ProgressBar->setMaximum(static_cast<int>(State.Maximum));
  Form->ProgressBar->setValue(0);
  Progress.Start(State.Maximum);
  Form->LbProgress->setText(Progress.Text());
  SetMessage(State.Message);
  connect(Form->btnCancel, &QPushButton::clicked, this, &TfrmMWaitFor::reject);
  tmrStatusUpdate.setInterval(kStatusIntervalMs);
  connect(&tmrStatusUpdate, &QTimer::timeout, this, &TfrmMWaitFor::tmrStatusUpdateTimer);
  tmrStatusUpdate.start();
}

TfrmMWaitFor::~TfrmMWaitFor() = default;

void TfrmMWaitFor::SetMessage(const QString& text) { Form->LbUpdateMsg->setText(text); }
QLabel* TfrmMWaitFor::LbUpdateMsg() const { return Form->LbUpdateMsg; }
QLabel* TfrmMWaitFor::LbProgress() const { return Form->LbProgress; }
QProgressBar* TfrmMWaitFor::ProgressBar() const { return Form->ProgressBar; }
QPushButton* TfrmMWaitFor::btnCancel() const { return Form->btnCancel; }

void TfrmMWaitFor::reject() {
  if (State.ShouldClose()) return QDialog::reject();
  if (Stopping) return;
  Stopping = true;
  Form->btnCancel->setEnabled(false);
  SetMessage(QString::fromLatin1(ImageText::kStopping));
  emit CancelPressed();
}

void TfrmMWaitFor::tmrStatusUpdateTimer() {
  update();
  const uint32_t position = std::min(State.Position, State.Maximum);
  Form->ProgressBar->setValue(static_cast<int>(position));
  Progress.Update(position, BlockProgress::Clock::now());
  Form->LbProgress->setText(Progress.Text());
  if (State.ShouldClose()) {
    tmrStatusUpdate.stop();
    QDialog::accept();
  }
}
