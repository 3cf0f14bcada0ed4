#pragma once
// ImageWorker: what the backup and the restore workers share.
//
// Principles of operation
// - A worker thread (TaloThread, created paused) that owns its own port for
//   the whole run: opened with kControllerLine, 100 ms time-outs and
//   carriage return as line terminator, closed before the worker reports
//   Done.
// - The owner sets ImagePath, PortName (and the backup's Console) before
//   Resume() and does not change them afterwards.
// - The main thread polls Progress, BlockCount and Done at any time, and
//   Result() once it has seen Done: the worker writes what Result() reads
//   before it sets Done, so it needs no lock. Result() is Ok; Failed with
//   the worker's message; Disconnected when the port went away; Cancelled
//   after a requested stop; TimedOut once the owner's watchdog gave the run
//   up (GiveUp, valid at once: the worker may still be on its way out).
// - RequestStop() may be called from any thread. The port watches the flag,
//   so a worker waiting for the controller notices within
//   TaloComPort::kStopPollMs; it then ends without a message of its own.
//   A worker that failed on its own before it saw the stop says why.
// - A port that disconnects (the adapter unplugged) ends the run at once with
//   the disconnection message: no read waits for the watchdog on a dead line.
// - The destructor asks the worker to stop and joins it.

#include <QString>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "link/jobs/jobrunner.h"
#include "link/jobs/talothread.h"

class TaloComPort;

class ImageWorker : public TaloThread {
 public:
  static constexpr uint32_t kTimeoutMs = 100;
  static constexpr size_t kBufferBytes = 1024;

  ~ImageWorker() override;

  void RequestStop() { StopRequested = true; }
  bool StopWasRequested() const { return StopRequested.load(); }
  // The watchdog's end of a run that made no progress: asks for the stop
  // and makes Result() the stall's. Main thread only.
  void GiveUp();

  // How the run ended: valid once Done is set, or after GiveUp().
  JobResult Result() const;

  // Set by the owner before Resume().
  QString ImagePath;
  QString PortName;

  // Polled by the owner.
  std::atomic<int32_t> Progress{0};     // index of the last block answered
  std::atomic<uint32_t> BlockCount{0};  // set when Execute starts
  std::atomic<bool> Done{false};
  // Valid once Done is set; Result() says the same as a value.
  bool Succeeded = false;
  QString ErrorText;

 protected:
  ImageWorker() = default;
  // Call first thing in the derived destructor.
  void StopAndJoin();

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
  // The text for a command line that was not echoed: the disconnection
  // message when the port went away, else the "Unable to send" one; none
  // when a stop was asked for.
  // Why the helper's command line was not typed whole: nothing (a stop), the
  // lost port, the shell that did not echo - or, when its carriage return
  // went out all the same, that the helper may have started.
  [[nodiscard]] QString SendFailureText(const TaloComPort& port, const char* commandLine,
                                        bool entered);
  // Records the outcome, then Done.
  void Finish(bool ok);

 private:
  std::atomic<bool> StopRequested{false};
  bool PortLost = false;  // written before Done, as ErrorText
  bool Stalled = false;   // the owner's: GiveUp()
};
