#pragma once
// ImageWaitView: the wait window for an image flow that runs outside the
// image dialog (the device pane's Copy to PC).
//
// Principles of operation
// - The same wait window (ImageWaitWindow) as the image dialog: it shows the
//   run's position on its own timer and closes once the run has ended; its
//   Cancel asks the keeper to stop the run.
// - The keeper is lent for its lifetime (SetKeeper, then null). Main thread
//   only.

#include "image/imagekeeper.h"

class QWidget;

class ImageWaitView : public ImageKeeperView {
 public:
  explicit ImageWaitView(QWidget* parent);

  void SetKeeper(ImageKeeper* keeper) { Keeper = keeper; }
  void RunWaitWindow(ImageWaitState& wait) override;

 private:
  QWidget* Parent;
  ImageKeeper* Keeper = nullptr;
};
