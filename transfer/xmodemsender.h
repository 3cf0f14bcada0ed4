#pragma once
// XmodemSender: uploads one PC file to the controller with basic XMODEM
// (128-byte blocks, one-byte checksum, receiver-driven start with NAK).
//
// Principles of operation
// - Ownership: the owner creates the object on the main thread, sets Port,
//   Console, SourcePath and TargetName, and runs Send() as a job on a
//   JobRunner (link/jobs/jobrunner.h): on the runner's worker where an event
//   loop runs, inline on the command line. The object must outlive the job;
//   it never owns the port or the console.
// - Threads: Send() uses Port alone for the whole transfer: typing the command
//   line, the blocks, the closing output. Only the console lines are handed
//   to the main thread (JobRunner::OnMainThread), the job waiting for each,
//   so the main thread never waits on the line and the window paints
//   throughout.
// - Port set-up is the caller's: kControllerLine, one time-out value T for every
//   read (500 ms for transfers: a one-byte read gives up after 2T), carriage
//   return as the line terminator.
// - Progress goes to the runner (JobRunner::Report): the file's size once it
//   is measured (an empty file only once it has ended), then the bytes the
//   receiver has acknowledged after every block.
// - Result: Ok (the file was sent and its EOT acknowledged); Failed with the
//   status line that gave the reason (empty where none was shown); Cancelled
//   (no text); Disconnected with its status line. An EOT that ten tries left
//   unacknowledged fails the transfer: the receiver keeps a file only once it
//   has seen its end, so the file's arrival is unknown. The receiver's
//   closing output is read and shown after the EOTs in either case. A port
//   that disconnects ends the transfer at once, with the disconnection as
//   its status line.
// - Stop: the job's stop (JobRunner::StopRequested: Cancel, Ctrl+C, the
//   runner going away) is honoured while waiting for the receiver (nothing
//   is sent) and before every block send (five CAN bytes go out once, and
//   the receiver's goodbye is read whole).
// - A failed transfer leaves the port open and the controller's receiving
//   program in whatever state the failure left it; the caller closes the port.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

#include "link/jobs/jobresult.h"

class DeviceShell;
class QFile;
class SilentDialogs;
class TaloComPort;
class TaloConsole;

class XmodemSender {
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
  ~XmodemSender();
  XmodemSender(const XmodemSender&) = delete;
  XmodemSender& operator=(const XmodemSender&) = delete;

  // Inputs, set before Send() and not changed afterwards.
  TaloComPort* Port = nullptr;
  TaloConsole* Console = nullptr;
  QString SourcePath;
  QByteArray TargetName;  // passed unchanged to the receiving program

  // The upload (see above); on the job's thread.
  [[nodiscard]] JobResult Send();
  // The file's size as measured before the transfer; read once Send() has
  // returned.
  int64_t MeasuredSize() const { return FileSize; }

  // The 132-byte frame of one block: SOH, number, its complement, the data
  // padded with zero bytes, the sum of the data bytes modulo 256.
  static Frame BuildFrame(uint8_t blockNumber, const uint8_t* data, int length);
  // Percentage of size acknowledged, 0 to 100; an empty file counts as done.
  static int32_t PercentOf(int64_t acknowledged, int64_t size);

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

  [[nodiscard]] static bool Cancelling();
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
  // The job's alone while Send() runs.
  QString FailureText;
  bool CancelSeen = false;
  int64_t FileSize = 0;
  int64_t Acknowledged = 0;  // file bytes the receiver has acknowledged
};
