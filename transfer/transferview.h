#pragma once
// TransferView: what the copy logic needs from the window that shows a
// transfer (TransferPresenter shows it around a batch).
//
// Principles of operation
// - The batch (TransferBatch) tells the view which file comes up, how far
//   its upload got whenever the job runner publishes progress, and calls
//   Tick() after each such report and once when a file's upload has ended:
//   a redraw, and whatever the view polls (the command line's Ctrl+C). In
//   the window the upload runs on a worker, so the view paints and its
//   Cancel reaches the batch (TransferBatch::PressCancel) as usual. Tick
//   never runs the event loop itself.
// - The widget dialog TransferDialog is one view; the command line shows a
//   progress bar; tests record the calls.
// - Main thread only.

#include <QString>
#include <cstdint>

class TransferBatch;
struct TransferOutcome;

class TransferView {
 public:
  virtual ~TransferView() = default;

  // The file in progress: its PC path, its number (from 1) and the total.
  virtual void ShowFile(const QString& sourcePath, int number, int total) = 0;
  // Percentage acknowledged, with the bytes behind it (size as measured).
  virtual void ShowProgress(int percent, int64_t acknowledged, int64_t size) = 0;
  // After each progress report and at a file's end (see above).
  virtual void Tick() {}
  // A file has been sent, has failed, or was skipped.
  virtual void FileEnded(const TransferOutcome& outcome) { (void)outcome; }
};
