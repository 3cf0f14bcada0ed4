#include "image/ui/imagewaitwindow.h"

#include "image/imagekeeper.h"
#include "image/imagetext.h"
#include "ui_imagewaitwindow.h"

namespace {
constexpr int kMargin = 12;
}

ImageWaitWindow::ImageWaitWindow(ImageWaitState& state, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      Form(std::make_unique<Ui::ImageWaitWindow>()),
      State(state) {
  Form->setupUi(this);
  const QRect cancel = Form->btnCancel->geometry();
  setFixedSize(Form->ProgressBar->width() + 35, cancel.bottom() + 1 + kMargin);
  Form->ProgressBar->setMaximum(static_cast<int>(State.Maximum));
  Form->ProgressBar->setValue(0);
  Progress.Start(State.Maximum);
  Form->LbProgress->setText(Progress.Text());
  SetMessage(State.Message);
  connect(Form->btnCancel, &QPushButton::clicked, this, &ImageWaitWindow::reject);
  StatusTimer.setInterval(kStatusIntervalMs);
  connect(&StatusTimer, &QTimer::timeout, this, &ImageWaitWindow::ShowStatus);
  StatusTimer.start();
}

ImageWaitWindow::~ImageWaitWindow() = default;

void ImageWaitWindow::SetMessage(const QString& text) { Form->LbUpdateMsg->setText(text); }
QLabel* ImageWaitWindow::LbUpdateMsg() const { return Form->LbUpdateMsg; }
QLabel* ImageWaitWindow::LbProgress() const { return Form->LbProgress; }
QProgressBar* ImageWaitWindow::ProgressBar() const { return Form->ProgressBar; }
QPushButton* ImageWaitWindow::btnCancel() const { return Form->btnCancel; }

void ImageWaitWindow::reject() {
  if (State.ShouldClose()) return QDialog::reject();
  if (Stopping) return;
  Stopping = true;
  Form->btnCancel->setEnabled(false);
  SetMessage(QString::fromLatin1(ImageText::kStopping));
  emit CancelPressed();
}

void ImageWaitWindow::ShowStatus() {
  update();
  const uint32_t position = std::min(State.Position, State.Maximum);
  Form->ProgressBar->setValue(static_cast<int>(position));
  Progress.Update(position, BlockProgress::Clock::now());
  Form->LbProgress->setText(Progress.Text());
  if (State.ShouldClose()) {
    StatusTimer.stop();
    QDialog::accept();
  }
}
