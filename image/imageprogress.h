#pragma once
// ImageProgress: the wait window and watchdog timer of the command line.
//
// Principles of operation
// - RunWaitWindow keeps the main thread in an event loop until the wait
//   state says to close: the loop serves the worker's hand-overs, a timer
//   calls the keeper's WatchdogTick every TickIntervalMs while the keeper
//   has it on, and another, every kRedrawIntervalMs, shows the worker's
//   progress and looks for Ctrl+C. On a terminal one line is redrawn in
//   place (a bar, then the BlockProgress text: percent, blocks, time left;
//   a ProgressLine); elsewhere that text once per tenth of the image.
// - Ctrl+C asks the worker to stop; the loop goes on until the keeper has
//   seen the worker end, so the port is closed and a backup's temporary file
//   removed before the program leaves. A second Ctrl+C ends the program the
//   usual way. InterruptedByUser() tells afterwards.
// - Main thread only, except the signal handler, which only sets a flag.

#include <QString>
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "image/blockprogress.h"
#include "image/imagekeeper.h"

class ImageProgress : public ImageKeeperView {
 public:
  static constexpr int kBarWidth = 24;
  static constexpr int kRedrawIntervalMs = 100;

  ImageProgress(FILE* out, bool interactive) : Out(out), Interactive(interactive) {}

  void SetKeeper(ImageKeeper* keeper) { Keeper = keeper; }
  // The watchdog's tick; tests shorten it.
  int TickIntervalMs = 1000;

  void SetTimerEnabled(bool on) override { TimerOn = on; }
  void RunWaitWindow(ImageWaitState& wait) override;

  bool InterruptedByUser() const { return Interrupted; }

 private:
  using Clocks = BlockProgress::Clock;

  // The redraw timer's step: Ctrl+C, then the progress.
  void Redraw(const ImageWaitState& wait);
  void Show(const ImageWaitState& wait, bool final);
  void PrintLine(const QString& text);
  void WipeBar();

  FILE* Out;
  bool Interactive;
  ImageKeeper* Keeper = nullptr;
  bool TimerOn = false;
  bool Interrupted = false;
  bool BarShown = false;
  int LastTenth = -1;
  BlockProgress Progress;
};
