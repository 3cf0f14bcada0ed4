#pragma once
// TaloComPort: one RS-232 port of the PC, opened for one operation.
//
// Principles of operation
// - One object per operation: construct it for a port name, Open, Configure,
//   SetTimeouts, use it, Close, destroy it. Only the terminal keeps one open for
//   a longer time. Objects are never reused after Close.
// - Exclusive: Open takes flock(LOCK_EX|LOCK_NB) and TIOCEXCL, so a second
//   object (or any other serial program that locks the device) cannot hold the
//   same port. A port held elsewhere fails with EBUSY/EWOULDBLOCK, which
//   IsHeldElsewhere() reports ("access denied" in port discovery terms).
// - Time-outs: one value T (ms) for everything. A read of n bytes ends at n
//   bytes, after T*n+T ms in total, or when more than T ms pass after a byte
//   without a further byte. A one-byte read therefore waits at most 2T. A write
//   of n bytes that is not done within T*n+T ms ends short.
// - Write first discards unread input (callers rely on it for echo checks).
//   The terminal's keys and pastes keep it (UnreadInput::Keep): what the
//   controller printed and nobody has read yet is still on its way to the
//   console.
// - A hard error (device gone: adapter unplugged, pty master closed) closes the
//   port, tries to open it again and makes the operation return false. A
//   re-opened tty would start in the driver's cooked mode, so the line settings
//   last given to Configure are applied again and the time-out stays. If the
//   re-open fails the object stays closed and every later operation fails at
//   once without touching the device (no re-open attempt per call, no wait).
//   IsDisconnected() then tells the callers that the device is gone, so they
//   can say so (ShellText::Disconnected) instead of blaming the controller,
//   and give up at once instead of waiting out their own budgets.
// - T = 0 (no SetTimeouts yet) means "do not wait": an operation takes what the
//   line has at once. An endless wait is never what a caller wants.
// - Open refuses what is not a terminal (ENOTTY, EISDIR: IsNotSerialPort)
//   and leaves nothing open.
// - Open asks the driver for low-latency mode and Close puts back the flag it
//   found (LowLatencyMode); a driver that refuses changes nothing.
// - Stops: a read or a write that waits for the line also ends, short and
//   as a time-out, within kStopPollMs of a stop being asked. Two things ask:
//   the flag given to SetStopFlag (when given), and the process's stop
//   check (WatchStops), which the job runner installs: its job's stop, its
//   deadline and the command line's Ctrl+C are seen by every port's waits,
//   on whatever thread the job uses the port. A step that must read and
//   write whole after a stop (the erase of a half-typed line) holds the
//   check off (StopsHeld) for its time. Bytes that are there are taken and
//   bytes that can go out go before a stop is looked at: only waits end.
// - Threads: not safe for simultaneous use. The owner uses it from one thread
//   at a time.
// - Nothing is thrown; failures are false. LastError() keeps the errno of the
//   last failed Open.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "link/port/lowlatencymode.h"

// The line settings Configure applies.
enum class LineParity : uint8_t { None, Odd, Even, Mark, Space };
enum class LineStopBits : uint8_t { One, OneAndAHalf, Two };
struct LineSettings {
  uint32_t BaudRate = 0;
  uint8_t DataBits = 8;  // 5 to 8
  LineParity Parity = LineParity::None;
  LineStopBits StopBits = LineStopBits::One;  // one and a half is not available here
};

// The controller's line: 57600 baud, 8 data bits, no parity, one stop bit.
// Every operation that opens a port for the controller configures it so.
inline constexpr LineSettings kControllerLine{57600, 8, LineParity::None, LineStopBits::One};
// What the controller's line carries at most: each byte takes a start bit,
// 8 data bits and a stop bit.
inline constexpr int64_t kControllerBytesPerSecond = kControllerLine.BaudRate / 10;

class TaloComPort {
 public:
  explicit TaloComPort(std::string_view portName);
  ~TaloComPort();  // Closes the port if the owner forgot to; never throws.
  TaloComPort(const TaloComPort&) = delete;
  TaloComPort& operator=(const TaloComPort&) = delete;

  [[nodiscard]] bool Open();
  bool Close();
  // False when the port is closed or refuses the settings (a speed or a
  // combination the driver does not have).
  [[nodiscard]] bool Configure(const LineSettings& settings);
  [[nodiscard]] bool SetTimeouts(uint32_t milliseconds);
  uint32_t GetTimeout() const { return Timeout; }
  bool PurgeInput();

  enum class UnreadInput { Discard, Keep };
  // Writes count bytes, by default after discarding unread input.
  [[nodiscard]] bool Write(size_t count, const uint8_t* bytes,
                           UnreadInput unread = UnreadInput::Discard);
  [[nodiscard]] bool WriteText(std::string_view text);
  // Reads exactly count bytes; the buffer holds whatever arrived in any case,
  // *received (when given) how many.
  [[nodiscard]] bool Read(size_t count, uint8_t* buffer, size_t* received = nullptr);
  // Reads one byte, waiting at most waitMs for it instead of 2T: for a caller
  // that knows a shorter silence ends what it reads. False on a time-out.
  [[nodiscard]] bool ReadByteWithin(uint8_t& byte, uint32_t waitMs);
  // Takes up to limit bytes that have already arrived, without waiting;
  // returns how many. A hard error is handled as for Read.
  size_t ReadWaiting(size_t limit, uint8_t* buffer);
  // Reads up to and including Terminator, keeping at most limit-1 bytes in
  // text. Zero bytes are counted but not stored; the limit-th byte is consumed
  // and dropped (false). On a time-out text keeps the bytes gathered so far.
  // *consumed (when given) counts every byte taken from the line, the zero
  // bytes and the dropped one included: limit when the line overflowed.
  // With early (when given), once early->Settled(text so far) holds, the
  // next byte is awaited early->SettleMs only; none ends the read as a
  // time-out does (false, the text kept), a byte carries it on as usual.
  struct EarlyEnd {
    uint32_t SettleMs = 0;
    std::function<bool(std::string_view text)> Settled;
  };
  [[nodiscard]] bool ReadLine(size_t limit, std::string& text, size_t* consumed = nullptr,
                              const EarlyEnd* early = nullptr);

  bool IsOpen() const { return Fd >= 0; }
  // True once a hard error closed the port and it could not be opened again:
  // the adapter was unplugged or the other end hung up. Cleared by a
  // successful Open.
  bool IsDisconnected() const { return Disconnected; }
  const std::string& PortName() const { return Name; }
  // The device path the name stands for (see ResolveDevicePath).
  std::string DevicePath() const { return ResolveDevicePath(Name); }
  int LastError() const { return OpenError; }
  // True when the last Open failed because another program holds the port.
  bool IsHeldElsewhere() const;
  // True when the last Open failed because the path is no serial port at
  // all: a regular file, a FIFO, /dev/null, a folder. IsNotSerialPortError
  // judges an error kept from an earlier Open (LastError).
  bool IsNotSerialPort() const { return IsNotSerialPortError(OpenError); }
  static bool IsNotSerialPortError(int openError);

  // Waits watch *flag (when given) and end as timed out once it is set.
  static constexpr uint32_t kStopPollMs = 20;
  void SetStopFlag(const std::atomic<bool>* flag) { StopFlag = flag; }
  const std::atomic<bool>* GetStopFlag() const { return StopFlag; }
  // The process's stop check, asked on the waiting thread (see above); null
  // for none. Safe to call from any thread.
  using StopCheck = bool (*)();
  static void WatchStops(StopCheck check);
  // True once the stop flag given is set or the stop check holds.
  bool StopAsked() const;

  uint8_t GetTerminator() const { return Terminator; }
  void SetTerminator(uint8_t terminator) { Terminator = terminator; }

  // "ttyUSB0" -> "/dev/ttyUSB0"; "COM3" -> "/dev/ttyS2"; paths stay as typed.
  static std::string ResolveDevicePath(std::string_view portName);

 private:
  enum class IoResult { Complete, TimedOut, HardError };
  // totalMs: how long the whole read may take; kByTimeout for T*n+T, 0 gives
  // up at the first moment the line has nothing more.
  static constexpr int64_t kByTimeout = -1;
  IoResult ReadSome(size_t count, uint8_t* buffer, size_t& got, int64_t totalMs = kByTimeout);
  // Waits for events until deadline, in kStopPollMs slices while a stop may
  // be asked; a stop ends it as a time-out.
  enum class Waited { Ready, TimedOut, HungUp };
  Waited WaitWatchingStops(short events, std::chrono::steady_clock::time_point deadline) const;
  bool ReadCounted(size_t count, uint8_t* buffer, size_t* received, int64_t totalMs);
  bool RecoverFromHardError();
  bool ApplyLineSettings();

  std::string Name;
  int Fd = -1;
  int OpenError = 0;
  uint32_t Timeout = 0;
  LineSettings Line;
  bool Configured = false;
  bool Disconnected = false;
  uint8_t Terminator = 13;
  LowLatencyMode Latency;
  const std::atomic<bool>* StopFlag = nullptr;
};
