#pragma once
// ImageWaitWindow: the modal wait window of an image operation. A label, a
// progress bar, a line with percent, blocks and time left, a Cancel button
// and StatusTimer, which every second shows the wait state's Position
// and closes the window once the state says so.
//
// Principles of operation
// - Cancel, Esc and the close box do not close the window: the first of them
//   emits CancelPressed (the owner asks the worker to stop) and the window
//   says it is stopping; it closes, as always, when the wait state says so,
//   that is once the worker has ended. The rest are ignored.
// - Main thread only; the state is written by the owner on the same thread.

#include <QDialog>
#include <QTimer>
#include <memory>

#include "image/blockprogress.h"

struct ImageWaitState;
namespace Ui {
class ImageWaitWindow;
}
class QLabel;
class QProgressBar;
class QPushButton;

class ImageWaitWindow : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kStatusIntervalMs = 1000;

  ImageWaitWindow(ImageWaitState& state, QWidget* parent = nullptr);
  ~ImageWaitWindow() override;

  void SetMessage(const QString& text);
  QLabel* LbUpdateMsg() const;
  QLabel* LbProgress() const;
  QProgressBar* ProgressBar() const;
  QPushButton* btnCancel() const;

 signals:
  void CancelPressed();

 public slots:
  void reject() override;  // Esc, the close box and Cancel

 private slots:
  void ShowStatus();

 private:
  std::unique_ptr<Ui::ImageWaitWindow> Form;
  ImageWaitState& State;
  QTimer StatusTimer;
  BlockProgress Progress;
  bool Stopping = false;
};
