#pragma once
// TerminalReader: the one reader of the terminal's port. Its thread takes
// whatever the port has received, without waiting on the line, and pushes
// the bytes into the ring; the console output thread takes them from there.
//
// Principles of operation
// - Pacing: a read that found nothing is followed by 50 ms of sleep. A read
//   that took all there was is followed by 10 ms for the next bytes to
//   gather (57600 baud brings about six bytes a millisecond), so a paced
//   stream costs about a hundred reads a second instead of one per byte or
//   two. An unbroken stream gets a breather, a 30 ms pause, after every 258
//   bytes, for the console to draw. The waits are far below what the port's
//   input buffer holds, so nothing is lost.
// - A read never takes more than the ring has room for: what the ring cannot
//   take yet (the console is behind, the window busy) waits in the port.
// - The port is shared with the main thread, which writes the keys: every
//   use of it by either thread happens while holding the port (HoldPort).
//   The reader holds it only for a read that does not wait, so a key's write
//   never waits for the line. Writes keep the port's unread input, so
//   nothing the controller sends meanwhile is lost or reordered.
// - SetPort (main thread) takes the port hold, so once it returns the reader
//   no longer touches the old port: the terminal clears it before it uses
//   the port alone (erasing a typed line) or closes it.
// - A read that finds the port disconnected (the adapter unplugged) lets go
//   of the port, so later reads find none, and calls the line-lost handler
//   once, on the main thread: the handler must not close the port there,
//   only arrange for the terminal to stop.

#include "link/jobs/talothread.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

class TaloComPort;
class TaloDataRing;

class TerminalReader : public TaloThread {
 public:
  static constexpr int kBurstBytes = 256;
  // Bytes of an unbroken stream between two breathers.
  static constexpr size_t kBreatherBytes = kBurstBytes + 2;
  static constexpr int kBurstPauseMs = 30;
  static constexpr int kIdleSleepMs = 50;
  static constexpr int kGatherMs = 10;

  explicit TerminalReader(TaloDataRing* ring);
  ~TerminalReader() override;

  // Main thread only. Null while the terminal is off. Waits for a read in
  // progress (which does not wait on the line) to end.
  void SetPort(TaloComPort* port);
  TaloComPort* GetPort() const;
  // Main thread only, before the thread first runs.
  void SetLineLostHandler(std::function<void()> handler) { LineLost = std::move(handler); }

  // Keeps the reader off the port while the caller uses it.
  [[nodiscard]] std::unique_lock<std::mutex> HoldPort() { return std::unique_lock(PortLock); }

  // Counters for tests and measurements.
  uint64_t ReadCount() const { return Reads.load(); }
  uint64_t PushCount() const { return Pushes.load(); }

 protected:
  void Execute() override;

 private:
  // One read of what the port has, no further than the next breather and
  // the ring's room; sets LostLine when the port turned out to be gone.
  size_t ReadWaitingBytes();

  TaloDataRing* Ring;
  mutable std::mutex PortLock;
  TaloComPort* Port = nullptr;  // guarded by PortLock
  std::function<void()> LineLost;
  bool LostLine = false;  // this thread only
  std::array<uint8_t, kBreatherBytes> Chunk{};  // this thread only
  // Bytes since the last breather; this thread only.
  size_t StreamBytes = 0;
  std::atomic<uint64_t> Reads{0};
  std::atomic<uint64_t> Pushes{0};
};
