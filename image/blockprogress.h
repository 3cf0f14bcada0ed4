#pragma once
// BlockProgress: how far an image operation has come, in the words both the
// wait window and the command line show: percent, blocks done of all blocks
// and the time left.
//
// Principles of operation
// - Fed the blocks done and "now" by its owner; it never reads the clock, so
//   the estimate can be tested without waiting.
// - The rate counts from the first block seen: the helper's upload and its
//   start-up before it are no part of the line's pace. Until a rate has been
//   measured over kMinSpanMs the time left is unknown and not shown.
// - A plain value: one owner, any thread.

#include <QString>
#include <chrono>
#include <cstdint>

class BlockProgress {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr int kMinSpanMs = 500;

  // Starts afresh for a run of total blocks.
  void Start(uint32_t total);
  void Update(int64_t done, Clock::time_point now);

  int64_t Done() const { return DoneBlocks; }
  uint32_t Total() const { return TotalBlocks; }
  int Percent() const;
  // Seconds left at the rate so far; -1 while unknown.
  int64_t SecondsLeft() const;
  // "42%, 55050 of 131072 blocks, about 3 min left".
  QString Text() const;

  // "about 3 min left", "less than a minute left"; empty when unknown.
  static QString TimeLeft(int64_t seconds);

 private:
  uint32_t TotalBlocks = 0;
  int64_t DoneBlocks = 0;
  int64_t FirstDone = -1;
  Clock::time_point FirstAt;
  Clock::time_point LastAt;
};
