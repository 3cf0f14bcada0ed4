#pragma once
// ImageWaitView: the wait window and watchdog timer for an image flow that
// runs outside the image dialog (the device pane's Copy to PC).
//
// Principles of operation
// - The same wait window (ImageWaitWindow) and one-second watchdog tick as the
//   image dialog: the timer calls the keeper's WatchdogTick while the keeper
//   has it on; the window's Cancel asks the keeper to stop its worker.
// - The keeper is lent for its lifetime (SetKeeper, then null). Main thread
//   only.

#include <QTimer>

#include "image/imagekeeper.h"

class QWidget;

class ImageWaitView : public ImageKeeperView {
 public:
  explicit ImageWaitView(QWidget* parent);

  void SetKeeper(ImageKeeper* keeper) { Keeper = keeper; }
  void SetTimerEnabled(bool on) override;
  void RunWaitWindow(ImageWaitState& wait) override;

 private:
  QWidget* Parent;
  QTimer Timer;
  ImageKeeper* Keeper = nullptr;
};
