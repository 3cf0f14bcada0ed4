#pragma once
// TerminalPrinter: turns the ring's bytes into console text while the
// terminal is on. Handles LF, CR, BS and BEL, drops NUL, hands text to the main thread in
// chunks of up to 80 characters, shows a pending line after about 25 ms of
// silence, holds repainting during bursts and keeps the console below 512
// finished lines (KeptLines carries the recent ones over a reset).

#include "link/jobs/talothread.h"

#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>

class TaloConsole;
class TaloDataRing;

class TerminalPrinter : public TaloThread {
 public:
  static constexpr int kLineChunk = 80;
  static constexpr int kMemoLineLimit = 512;
  static constexpr int kHoldThreshold = 24;
  static constexpr int kReleaseThreshold = 72;
  static constexpr int kIdleWaitMs = 5;
  static constexpr int kIdleWaits = 5;
  static constexpr int kIdleSleepMs = 50;
  static constexpr int kReleasePauseMs = 20;

  TerminalPrinter(TaloDataRing* ring, TaloConsole* console);
  ~TerminalPrinter() override;

  // The bell: runs on this thread and may block it for the tone's length.
  // Default: no sound, 100 ms pause.
  void SetBell(std::function<void()> bell) { Bell = std::move(bell); }

  // Bytes taken from the ring so far (for measurements).
  uint64_t BytesShown() const { return Shown.load(); }

  // Main thread only. Whether this thread holds the console's repainting,
  // and its release: the terminal releases it when it pauses the thread, so
  // a pause in the middle of a burst never leaves the console frozen.
  bool HoldsRepaint() const { return Held.load(); }
  void ReleaseHold();

 protected:
  void Execute() override;

 private:
  // Operations handed to the main thread.
  void FinishLine();
  void FlushBuffer();
  void ResetLine();

  // Steps of the output loop, on this thread.
  void HandleByte(uint8_t byte);
  void ControlRepaint();
  void SoundBell();

  TaloDataRing* Ring;
  TaloConsole* Console;
  std::function<void()> Bell;
  QString LineBuffer;
  int Column = 0;
  int BurstLines = 0;
  bool PendingCR = false;
  QStringList KeptLines;
  // Set and cleared on the main thread only; the thread reads it.
  std::atomic<bool> Held{false};
  std::atomic<uint64_t> Shown{0};
};
