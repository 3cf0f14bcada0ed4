#pragma once
// XmodemSender: uploads one PC file to the controller with basic XMODEM
// (128-byte blocks, one-byte checksum, receiver-driven start with NAK).
//
// Principles of operation
// - Ownership: the owner creates the object (paused), sets Port, Console,
//   SourcePath and TargetName, calls Resume() and then polls TransferState and
//   Progress. It deletes the object once TransferState is no longer 1; the
//   destructor cancels a transfer still running and joins the thread. The
//   object never owns the port or the console.
// - Threads: Execute() runs on the worker and uses Port alone for the whole
//   transfer: typing the command line, the blocks, the closing output. Only
//   the console lines are handed to the main thread, the worker waiting for
//   each, so the main thread never waits on the line and the window paints
//   throughout. The main thread's pump must serve those hand-overs
//   (TaloThread::ServeMainThread or the event loop), or the worker waits
//   for ever.
// - Port set-up is the caller's: kControllerLine, one time-out value T for every
//   read (500 ms for transfers: a one-byte read gives up after 2T), carriage
//   return as the line terminator.
// - Results: TransferState 1 while running, then 0 (the file was sent and its
//   EOT acknowledged) or -1 (failed or cancelled). An EOT that ten tries left
//   unacknowledged fails the transfer: the receiver keeps a file only once it
//   has seen its end, so the file's arrival is unknown. The receiver's
//   closing output is read and shown after the EOTs in either case. The reason of a
//   failure is what the console shows; some failures show nothing. A port
//   that disconnects ends the transfer at once, with the disconnection as
//   its status line.
// - Result() tells the same as a value once TransferState is no longer 1:
//   Ok; Failed with the status line that gave the reason (empty where none
//   was shown); Cancelled (no text); Disconnected with its status line.
// - Cancel: CancelRequested is honoured while waiting for the receiver (nothing
//   is sent) and before every block send (five CAN bytes go out once). Deleting
//   the object or Terminate() counts as a cancel.
// - A failed transfer leaves the port open and the controller's receiving
//   program in whatever state the failure left it; the caller closes the port.

#include <QByteArray>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "link/jobs/jobrunner.h"
#include "link/jobs/talothread.h"

class DeviceShell;
class QFile;
class SilentDialogs;
class TaloComPort;
class TaloConsole;

class XmodemSender : public TaloThread {
 public:
  static constexpr uint8_t kSoh = 0x01;
  static constexpr uint8_t kEot = 0x04;
  static constexpr uint8_t kAck = 0x06;
  static constexpr uint8_t kNak = 0x15;
  static constexpr uint8_t kCan = 0x18;

  static constexpr int kBlockSize = 128;
  static constexpr int kFrameSize = kBlockSize + 4;
  static constexpr int kChunkSize = 4096;
  static constexpr int kStartAttempts = 100;
  static constexpr int kStartRetryPauseMs = 10;
  static constexpr int kBlockAttempts = 10;
  static constexpr int kReplyPauseMs = 5;
  static constexpr int kEotAttempts = 10;
  static constexpr int kCancelBytes = 5;

  using Frame = std::array<uint8_t, kFrameSize>;

  XmodemSender();
  ~XmodemSender() override;

  // Inputs, set before Resume() and not changed afterwards.
  TaloComPort* Port = nullptr;
  TaloConsole* Console = nullptr;
  QString SourcePath;
  QByteArray TargetName;  // passed unchanged to the receiving program

  // Shared with the owner while the worker runs.
  std::atomic<bool> CancelRequested{false};
  std::atomic<int32_t> TransferState{1};
  std::atomic<int32_t> Progress{0};
  std::atomic<int64_t> Acknowledged{0};  // file bytes the receiver has acknowledged
  std::atomic<int64_t> FileSize{0};      // as measured before the transfer

  // What the transfer came to; read only once TransferState is no longer 1.
  const JobResult& Result() const { return Outcome; }

  // The 132-byte frame of one block: SOH, number, its complement, the data
  // padded with zero bytes, the sum of the data bytes modulo 256.
  static Frame BuildFrame(uint8_t blockNumber, const uint8_t* data, int length);
  // Percentage of size acknowledged, 0 to 100; an empty file counts as done.
  static int32_t PercentOf(int64_t acknowledged, int64_t size);

 protected:
  void Execute() override;

 private:
  enum class BlockResult { Acknowledged, Cancelled, Failed };

  [[nodiscard]] bool Run();
  [[nodiscard]] bool MeasureSource();
  [[nodiscard]] bool StartReceiver();
  [[nodiscard]] bool WaitForStart();
  [[nodiscard]] bool SendFile();
  [[nodiscard]] bool SendChunk(const QByteArray& chunk, uint8_t& blockNumber);
  [[nodiscard]] BlockResult SendBlock(const Frame& frame);
  [[nodiscard]] bool WriteFrame(const Frame& frame);
  [[nodiscard]] int ReadReply(int& attempts);
  void CancelTransfer();
  // Up to ten EOTs; true once one is acknowledged.
  [[nodiscard]] bool EndTransmission();

  [[nodiscard]] bool Cancelling() const;
  // Shows a status line in the console (handed to the main thread).
  void ShowStatusFromWorker(const QString& text);
  bool Fail(const char* status);

  // Shell exchanges on the worker; their console lines are handed over.
  class HandedConsole;
  [[nodiscard]] bool SendTransferCommand();
  void ShowTrailingOutput();

  QByteArray CommandLine;
  std::unique_ptr<HandedConsole> Handed;
  std::unique_ptr<SilentDialogs> NoQuestions;
  std::unique_ptr<DeviceShell> Shell;  // on Handed: every line handed over
  // The worker's alone until TransferState leaves 1 (set after them).
  QString FailureText;
  bool CancelSeen = false;
  JobResult Outcome;
};
