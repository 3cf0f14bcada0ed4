#pragma once
// TerminalReader: feeds the ring from the terminal's port while the terminal
// is on. Each read is handed to the main thread (ReadWaitingBytes), which is
// the only thread that uses the terminal's port; the bytes are then pushed
// into the ring. One hand-over waits for one byte (at most 2 ms at the
// terminal's time-out) and takes with it every byte already waiting, up to
// the next breather: a 30 ms pause after every 258 bytes of a stream. A read
// that found nothing is followed by 50 ms of sleep.
// A read that took all there was short of the breather means the line is
// slower than the reads (57600 baud brings about six bytes a millisecond):
// the receiver then waits 10 ms for the bytes to gather, so a paced stream
// costs the main thread about a hundred hand-overs a second instead of one
// per byte or two. The wait is far below what the port's input buffer holds
// and below a frame of the console, so nothing is lost and nothing shows
// later; a stream that keeps up with the reads (the breathers) never waits.
// A read that finds the port disconnected (the adapter unplugged) lets go of
// the port, so later hand-overs read nothing, and calls the line-lost handler
// once, on the main thread, inside the hand-over: the handler must not close
// the port there, only arrange for the terminal to stop.

#include "link/jobs/talothread.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

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

  // Main thread only. Null while the terminal is off: a read already handed
  // over then does nothing.
  void SetPort(TaloComPort* port) { Port = port; }
  TaloComPort* GetPort() const { return Port; }
  // Main thread only; see above.
  void SetLineLostHandler(std::function<void()> handler) { LineLost = std::move(handler); }

  // Runs on the main thread: one byte within the port's time-out, then the
  // bytes already waiting, no further than the next breather.
  void ReadWaitingBytes();

  // Counters for tests and measurements.
  uint64_t ReadCount() const { return Reads.load(); }
  uint64_t PushCount() const { return Pushes.load(); }

 protected:
  void Execute() override;

 private:
  TaloDataRing* Ring;
  TaloComPort* Port = nullptr;  // main thread only
  std::function<void()> LineLost;  // main thread only
  // Filled on the main thread, read by the worker after Synchronize.
  std::array<uint8_t, kBreatherBytes> Chunk{};
  size_t ChunkSize = 0;
  // Bytes since the last breather; lives as long as the thread. Changed by
  // the worker, read by the hand-over it waits for.
  size_t StreamBytes = 0;
  std::atomic<uint64_t> Reads{0};
  std::atomic<uint64_t> Pushes{0};
};
