#pragma once
// TerminalPrinter: turns the ring's bytes into console text while the
// terminal is on. Handles LF, CR, BS and BEL, drops NUL, gives text to the
// console in chunks of up to 80 characters, shows a pending line after about
// 25 ms of silence, holds repainting during bursts and keeps the console
// below 512 finished lines (KeptLines carries the recent ones over a reset).
//
// Principles of operation
// - This thread takes whatever the ring holds and works out the console's
//   changes; they are collected, in order, and handed to the main thread
//   together, once they have waited 15 ms (half a frame of the window's
//   console, which draws them a frame at a time anyway), and before anything
//   that changes the console's drawing or waits longer (a hold or its
//   release, the line shown after a silence, the bell). So the main thread
//   is woken a few dozen times a second in a stream, not once per line.
// - A collected change carries the text it adds: the thread goes on with the
//   next line while the main thread applies the batch.

#include "link/jobs/talothread.h"

#include <QStringList>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

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
  // Bytes taken from the ring at a time, at most.
  static constexpr size_t kBatchBytes = 1024;
  // How long collected changes may wait for the next bytes.
  static constexpr int kHandOverMs = 15;

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
  // Console changes, collected on this thread.
  void FinishLine();
  void FlushBuffer();
  void ResetLine();
  void Collect(std::function<void()> change);
  // Hands the collected changes to the main thread; false when terminated.
  bool HandOverChanges();

  // Steps of the output loop, on this thread.
  void HandleByte(uint8_t byte);
  void ControlRepaint();
  void SoundBell();

  TaloDataRing* Ring;
  TaloConsole* Console;
  std::function<void()> Bell;
  std::array<uint8_t, kBatchBytes> Taken{};
  std::vector<std::function<void()>> Changes;
  std::chrono::steady_clock::time_point FirstChange;  // of those collected
  QString LineBuffer;
  int Column = 0;
  int BurstLines = 0;
  bool PendingCR = false;
  QStringList KeptLines;  // main thread only (inside the changes)
  // Set and cleared on the main thread only; the thread reads it.
  std::atomic<bool> Held{false};
  std::atomic<uint64_t> Shown{0};
};
