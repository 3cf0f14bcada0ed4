#pragma once
// TerminalProgress: the transfer dialog of the command line.
//
// Principles of operation
// - On a terminal one line is redrawn in place: file, count, a bar, percent,
//   bytes, rate and time left; a finished file leaves one summary line.
//   Elsewhere (a pipe, a log) plain lines: one when a file starts, one per
//   tenth of it, one when it ends. The line in place is a ProgressLine: it
//   goes as frames on lines of their own when the several-ports call asks.
//   A finished file's summary line is a result: it goes to results (the
//   command's output) while the bar and the step lines go to out (the
//   message stream).
// - Console lines (the sender's status lines, which go to the same stream)
//   first wipe the bar: wrap the console in Console() so they do.
// - Ctrl+C presses Cancel: the first SIGINT during Present() asks the batch
//   to stop cleanly (the sender cancels the receiver); a second one ends the
//   program as usual. CancelledByUser() tells afterwards.
// - Main thread only, except the signal handler, which only sets a flag.

#include <QString>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "transfer/transferpresenter.h"
#include "transfer/transferview.h"

class TaloConsole;

class TerminalProgress : public TransferView, public TransferPresenter {
 public:
  static constexpr int kBarWidth = 24;
  static constexpr int kRedrawIntervalMs = 100;

  // results: where a finished file's line goes; none: out.
  TerminalProgress(FILE* out, bool interactive, FILE* results = nullptr);
  ~TerminalProgress() override;

  // The console to give the transfer: forwards to inner, wiping the bar
  // before each line it prints.
  TaloConsole& Console(TaloConsole& inner);

  void Present(TransferBatch& batch, bool cancelEnabled) override;
  bool CancelledByUser() const { return Interrupted; }

  void ShowFile(const QString& sourcePath, int number, int total) override;
  void ShowProgress(int percent, int64_t acknowledged, int64_t size) override;
  void Tick() override;
  void FileEnded(const TransferOutcome& outcome) override;

  // "512 B", "64.0 KiB", "1.5 MiB".
  static QString HumanBytes(int64_t bytes);
  // "0:07", "12:34", "1:02:03"; "--:--" when unknown (negative).
  static QString Clock(int64_t seconds);

  void WipeBar();

 private:
  class BarConsole;
  using Clocks = std::chrono::steady_clock;

  void DrawBar();
  void PrintLine(const QString& text);
  double Seconds() const;
  // Bytes per second since the first acknowledged block: the drain and the
  // command line before it are no part of the line's pace.
  double Rate() const;

  FILE* Out;
  FILE* Results;
  bool Interactive;
  std::unique_ptr<BarConsole> Wrapped;
  TransferBatch* Batch = nullptr;
  bool CancelEnabled = true;
  bool Interrupted = false;
  bool BarShown = false;

  QString Path;
  int Number = 0;
  int Total = 0;
  int Percent = 0;
  int64_t Acknowledged = 0;
  int64_t Size = 0;
  int LastTenth = -1;
  Clocks::time_point FileStart;
  Clocks::time_point DataStart;
  Clocks::time_point LastAck;
  int64_t DataStartBytes = -1;
  Clocks::time_point LastDraw;
};
