#pragma once
// ImageProgress: the wait window of the command line.
//
// Principles of operation
// - For where no event loop runs: the keeper's run goes inline, and this
//   view draws as the run moves (PositionMoved), at most every
//   kRedrawIntervalMs, and shows the end in RunWaitWindow. On a terminal one
//   line is redrawn in place (a bar, then the BlockProgress text: percent,
//   blocks, time left; a ProgressLine); elsewhere that text once per tenth
//   of the image.
// - Ctrl+C stops the run's job (Interruption, seen by the job as its stop):
//   the run closes its port and a backup removes its temporary file before
//   the program leaves; the view says it is stopping. A second Ctrl+C ends
//   the program the usual way. InterruptedByUser() tells afterwards.
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

  void WaitBegins(const ImageWaitState& wait) override;
  void PositionMoved(const ImageWaitState& wait) override;
  void RunWaitWindow(ImageWaitState& wait) override;

  bool InterruptedByUser() const { return Interrupted; }

 private:
  using Clocks = BlockProgress::Clock;

  // Says so once Ctrl+C has stopped the run.
  void NoteInterruption();
  void Show(const ImageWaitState& wait, bool final);
  void PrintLine(const QString& text);
  void WipeBar();

  FILE* Out;
  bool Interactive;
  ImageKeeper* Keeper = nullptr;
  Clocks::time_point LastDraw;
  bool Interrupted = false;
  bool BarShown = false;
  int LastTenth = -1;
  BlockProgress Progress;
};
