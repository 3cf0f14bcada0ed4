#pragma once
// TfrmMWaitFor: the modal wait window of an image operation. A label, a
// progress bar and tmrStatusUpdate, which every second shows the wait
// state's Position and closes the window once the state says so. The user
// cannot close it: the operation's watchdog or its end does.

#include <QDialog>
#include <QTimer>
#include <memory>

struct ImageWaitState;
namespace Ui {
class TfrmMWaitFor;
}
class QLabel;
class QProgressBar;

class TfrmMWaitFor : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kStatusIntervalMs = 1000;

  TfrmMWaitFor(ImageWaitState& state, QWidget* parent = nullptr);
  ~TfrmMWaitFor() override;

  void SetMessage(const QString& text);
  QLabel* LbUpdateMsg() const;
  QProgressBar* ProgressBar() const;

 public slots:
  void reject() override;  // Esc and the close button do nothing

 private slots:
  void tmrStatusUpdateTimer();

 private:
  std::unique_ptr<Ui::TfrmMWaitFor> Form;
  ImageWaitState& State;
  QTimer tmrStatusUpdate;
};
