#pragma once
// DioPanel: the modal panel of the embedded DIO module - four input
// lamps, four output buttons, the value in hexadecimal and a status bar
// whose heartbeat image shows whether the polls succeed.
//
// Principles of operation
// - Setup() hands the panel the open module port (borrowed; the start flow
//   closes it afterwards). From then on only the panel's worker uses it: every
//   exchange (poll, output switch, release) runs there, one after another,
//   and its result comes back to the main thread. The window never blocks on
//   the module, however long it stays silent.
// - PollTimer polls every 500 ms; a tick while an exchange is still
//   under way is skipped, so a silent module does not pile polls up.
// - A click on a DO button stops the polling, switches that output to the
//   opposite of its last read state, polls at once on success and polls on.
//   When that poll shows the output unchanged (a module that acknowledges
//   and keeps its outputs), the status says "Fail to set DO!". A click
//   before the first good poll sends nothing: there is no state to act on.
// - Closing (system menu, Esc) always ends in a closed panel but first runs
//   the release on the worker, after whatever exchange is under way: the end
//   command, 1000 ms, the first delete, 2000 ms, the second delete. Meanwhile
//   the status bar says so and further close requests are ignored.
// - A poll that finds the port gone (the adapter unplugged) ends the panel:
//   the message, then the panel closes without the release, which could not
//   reach the controller any more.
// - Main thread only.

#include <QDialog>
#include <QPixmap>
#include <QString>
#include <array>
#include <deque>
#include <memory>

#include "module/diopanelstate.h"
#include "module/diosession.h"

namespace Ui {
class DioPanel;
}
class DioWorker;
class QAbstractButton;
class QLabel;
class QPainter;
class QTimer;
class StatusImagePanel;
class TaloComPort;
class ResultTeller;

class DioPanel : public QDialog {
  Q_OBJECT

 public:
  explicit DioPanel(ResultTeller& teller, QWidget* parent = nullptr);
  ~DioPanel() override;

  // Polls once (from the timer, and right after an output was switched).
  virtual void UpdateDIData();
  virtual void Setup(TaloComPort& port, const QString& address, const DioTimings& timings = {});
  virtual int DICount() const { return State.DICount(); }
  virtual int DOCount() const { return State.DOCount(); }
  // Types text with echo check, showing nothing.
  virtual bool SendText(TaloComPort* port, const QString& text);

  const DioPanelState& PanelState() const { return State; }
  QString StatusText() const;
  // True once the release has run and the panel may close.
  bool Released() const { return ReleaseDone; }
  // The four status images (working 0/1, failing 2/3) and the two lamps.
  static QPixmap StatusImage(int index);
  static QPixmap LampImage(bool on);

 public slots:
  void OutputButtonClicked();
  void PollTimerFired();
  void reject() override;  // FormClose: release first, then close

 private:
  void DrawStatusPanel(QPainter& painter, const QRect& rect);
  void PollDone(const DioReading& reading, const JobResult& result);
  // Shows a poll's result; false when it found the line gone (the panel is
  // closing then).
  bool ShowReading(const DioReading& reading, const JobResult& result);
  void LineLost(const QString& message);
  void StartToggle(int channel);
  void NextStep();
  void BeginRelease();
  void ReleaseFinished(const JobResult& result);
  void ShowState();

  std::unique_ptr<Ui::DioPanel> Form;
  ResultTeller& Teller;
  TaloComPort* Port = nullptr;
  std::unique_ptr<DioSession> Session;  // the module; used on the worker only
  std::unique_ptr<DioWorker> Worker;    // declared after Session: joined first
  DioPanelState State;
  std::array<QAbstractButton*, DioPanelState::kMaxChannels> DOButtons{};
  std::array<QAbstractButton*, DioPanelState::kMaxChannels> DIButtons{};
  std::array<QPixmap, 4> TreeImageList;
  QTimer* PollTimer = nullptr;
  QLabel* StatusMessage = nullptr;
  StatusImagePanel* StatusPanel = nullptr;
  std::deque<int> Clicks;
  bool Releasing = false;
  bool ReleaseDone = false;
};
