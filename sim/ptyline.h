#pragma once
// PtyLine: the controller's end of the serial line, a pseudo-terminal master.
//
// Principles of operation
// - Owns the pty master and keeps one descriptor of the slave open itself, so
//   that the utility opening and closing the device for every operation never
//   hangs the line up (a real UART does not notice the PC closing its port).
// - With a baud rate, bytes are paced at 10 bit times each in both
//   directions: a received byte becomes readable only when the wire would
//   have delivered it, and written bytes leave no faster than the wire
//   carries them. Without one, everything moves at pty speed.
// - Used from the controller thread, except Wake() and RequestStop(), which
//   any thread may call to interrupt a Read or a paced Write.
// - HangUp() closes master and slave: the utility then sees the device
//   disappear. The line stays down until Close().
// - With an adapter latency, what the controller sends passes a USB serial
//   adapter on its way to the PC: the adapter's own thread holds the bytes
//   until the latency has passed since the first of them arrived, or until
//   62 bytes wait (one USB packet), as such chips do with their latency
//   timer. Bytes still held at a hang-up are lost, as in an unplugged one.
// - An observer (SetObserver, before Open) is told on the controller thread
//   what crosses the line: the bytes as they come out of the pty (before
//   pacing or faults) and as they are handed to it, and the PC opening and
//   closing the slave, which the line watches for it, in the order the line
//   sees them: an opening before the bytes written after it. The pty hands
//   written bytes over a moment after the write, so the last bytes before a
//   close may come out after it (Transcript sorts that out). An outside
//   program running on MasterFd() is not observed.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace talosim {

enum class LineRead { Byte, Timeout, Woken, Down };

// Told what crosses the line and when, in order, on the controller thread.
class LineObserver {
 public:
  using Clock = std::chrono::steady_clock;
  enum class PortEvent { Opened, Closed, HungUp };
  virtual ~LineObserver() = default;
  virtual void Received(std::string_view bytes, Clock::time_point at) = 0;
  virtual void Sent(std::string_view bytes, Clock::time_point at) = 0;
  virtual void Port(PortEvent event, Clock::time_point at) = 0;
};

class PtyLine {
 public:
  using Clock = std::chrono::steady_clock;

  PtyLine() = default;
  ~PtyLine();
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  // adapterLatency 0: the PC reads what the wire delivers at once.
  [[nodiscard]] bool Open(uint32_t baud, const std::string& linkPath, std::string& error,
                          std::chrono::milliseconds adapterLatency = {});
  void Close();
  // Before Open; the observer outlives the line's use.
  void SetObserver(LineObserver* observer) { Observer = observer; }
  const std::string& SlavePath() const { return Slave; }
  bool IsUp() const { return Master >= 0; }

  // One received byte, or why there is none by the deadline.
  LineRead Read(uint8_t& byte, Clock::time_point deadline);
  // Writes everything unless the line goes down or a stop is requested.
  bool Write(std::string_view bytes);
  // Discards received bytes that are already readable.
  void DiscardInput();
  // Takes the readable bytes up to and including the first one equal to
  // byte out of the input and returns them; nothing (and takes nothing)
  // when no such byte is readable yet. Does not wait.
  std::string TakeThrough(uint8_t byte);
  // Sleeps, waking early for a stop.
  void Pause(std::chrono::milliseconds duration);

  void Wake();
  void RequestStop();
  bool StopRequested() const { return Stopping.load(); }
  void HangUp();

  // For running an outside program on the line: the master descriptor in
  // blocking mode, and back.
  int MasterFd() const { return Master; }
  void SetBlocking(bool blocking);

 private:
  bool FillInput(Clock::time_point deadline, bool& woken);
  bool WriteNow(const char* bytes, size_t count);
  // Towards the PC: straight into the pty, or held by the adapter.
  bool Deliver(const char* bytes, size_t count);
  void RunAdapter();
  void StopAdapter();
  void DrainWakePipe();
  void ReportPortEvents();

  LineObserver* Observer = nullptr;
  int PortWatch = -1;  // inotify on the slave, for the observer
  int Master = -1;
  int SlaveKeepAlive = -1;
  int WakePipe[2] = {-1, -1};
  std::string Slave;
  std::string Link;
  std::chrono::nanoseconds ByteTime{0};
  // Received bytes with the time the wire delivers them.
  std::deque<std::pair<uint8_t, Clock::time_point>> Pending;
  Clock::time_point LastArrival{};
  Clock::time_point WireFree{};
  std::atomic<bool> Stopping{false};

  static constexpr size_t kAdapterPacket = 62;  // data bytes of one USB packet
  std::chrono::milliseconds AdapterLatency{0};
  std::thread Adapter;
  std::mutex AdapterMutex;
  std::condition_variable AdapterWake;
  std::string Held;                 // guarded by AdapterMutex
  Clock::time_point HeldSince{};    // guarded by AdapterMutex
  std::atomic<bool> AdapterStopping{false};
};

}  // namespace talosim
