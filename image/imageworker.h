#pragma once
// ImageWorker: what the backup and the restore runs share.
//
// Principles of operation
// - A run is a job on a JobRunner (link/jobs/jobrunner.h): Run() does the
//   whole exchange on the calling thread (the runner's worker in the window,
//   inline on the command line) and returns how it ended. It owns its own
//   port for the run: opened with kControllerLine, 100 ms time-outs and
//   carriage return as line terminator, closed before Run() returns.
// - The owner sets ImagePath, PortName (and the backup's Console) before the
//   job starts and does not change them afterwards; the object outlives the
//   job.
// - Progress goes to the runner (JobRunner::Report): the index of the last
//   block answered, out of the run's block count. The runner's deadline is
//   the watchdog: progress renews it, and a run that makes none for its
//   allowance is stopped and ends TimedOut with the runner's text.
// - Result: Ok; Failed with the run's message; Disconnected when the port
//   went away; Cancelled after the job's stop (Cancel, Ctrl+C), which the
//   port's waits see within TaloComPort::kStopPollMs: the run then ends
//   without a message of its own. A run that failed on its own before it
//   saw the stop says why.
// - A port that disconnects (the adapter unplugged) ends the run at once with
//   the disconnection message: no read waits for the deadline on a dead line.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "link/jobs/jobresult.h"

class TaloComPort;

class ImageWorker {
 public:
  static constexpr uint32_t kTimeoutMs = 100;
  static constexpr size_t kBufferBytes = 1024;

  virtual ~ImageWorker() = default;
  ImageWorker(const ImageWorker&) = delete;
  ImageWorker& operator=(const ImageWorker&) = delete;

  // The whole run as a job (see above).
  [[nodiscard]] JobResult Run();

  // Set by the owner before the job starts.
  QString ImagePath;
  QString PortName;

 protected:
  ImageWorker() = default;

  // The run's steps; ends with Finish().
  virtual void Execute() = 0;
  // How far the run has come: block index out of count.
  static void Progressed(uint32_t block, uint32_t count);
  // Whether the job was asked to stop (or its deadline passed).
  [[nodiscard]] static bool StopWasRequested();

  // Opens and configures the port; on failure sets ErrorText to the
  // "Unable to open" message and returns null.
  [[nodiscard]] std::unique_ptr<TaloComPort> OpenPort();
  // Reads exactly count bytes into buffer, repeating reads that time out
  // (their bytes are lost). False when a stop was requested, or when the
  // port disconnected (ErrorText then says so). With shellSpoke given, a
  // read that timed out on what a shell prints (HoldsShellTalk:
  // a helper that has ended, its shell's prompt) ends it too, false with
  // *shellSpoke set.
  [[nodiscard]] bool ReadFrame(TaloComPort& port, uint8_t* buffer, size_t count,
                               bool* shellSpoke = nullptr);
  // ReadFrame for the helper's first frame or reply. The shell ends the
  // helper's command line with a line feed after the echoed carriage return,
  // so a first frame that fails its CRC and begins with a line feed loses
  // that byte and takes the next one instead; the caller checks it again.
  [[nodiscard]] bool ReadFirstFrame(TaloComPort& port, uint8_t* buffer, size_t count);
  // Why the helper's command line was not typed whole: nothing (a stop), the
  // lost port, the shell that did not echo - or, when its carriage return
  // went out all the same, that the helper may have started.
  [[nodiscard]] QString SendFailureText(const TaloComPort& port, const char* commandLine,
                                        bool entered);
  // Records the outcome.
  void Finish(bool ok) { Succeeded = ok; }

  QString ErrorText;

 private:
  bool Succeeded = false;
  bool PortLost = false;
};
