#pragma once
// ImageKeeperView: what the image flow (ImageKeeper) needs from the window
// around it - the watchdog timer and the modal wait window - with the wait
// window's state as the flow sees it (ImageWaitState).
//
// Principles of operation
// - The flow writes Position and CloseRequested; the wait window shows
//   Position on its own timer and closes once it reaches Maximum or
//   CloseRequested is set.
// - Main thread only.

#include <QString>
#include <cstdint>

struct ImageWaitState {
  QString Message;
  uint32_t Maximum = 0;
  uint32_t Position = 0;
  bool CloseRequested = false;

  bool ShouldClose() const { return CloseRequested || Position >= Maximum; }
};

class ImageKeeperView {
 public:
  virtual ~ImageKeeperView() = default;
  // The watchdog timer: while on, calls keeper.WatchdogTick() every second.
  virtual void SetTimerEnabled(bool on) = 0;
  // Shows the wait window modally (serving the workers' hand-overs to the
  // main thread meanwhile); returns when it has closed.
  virtual void RunWaitWindow(ImageWaitState& wait) = 0;
};
