#pragma once
// ImageKeeperView: what the image flow (ImageKeeper) needs from the window
// around it - the modal wait window - with the wait window's state as the
// flow sees it (ImageWaitState).
//
// Principles of operation
// - The flow writes Position (as the run's job publishes progress) and, at
//   the job's end, fills it or sets CloseRequested; the wait window shows
//   Position on its own timer or as PositionMoved tells, and closes once it
//   reaches Maximum or CloseRequested is set.
// - WaitBegins comes before the job starts, RunWaitWindow after: in the
//   window the job then runs on a worker while the wait window's loop runs;
//   where no event loop runs the job has run inline by then, the state
//   already says to close, and RunWaitWindow only shows the end.
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
  // A run is about to start behind the wait window.
  virtual void WaitBegins(const ImageWaitState& wait) { (void)wait; }
  // The run moved on: wait.Position is new.
  virtual void PositionMoved(const ImageWaitState& wait) { (void)wait; }
  // Shows the wait window modally (serving the job's hand-overs to the main
  // thread meanwhile); returns when the state says to close.
  virtual void RunWaitWindow(ImageWaitState& wait) = 0;
};
