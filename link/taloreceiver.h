#pragma once
// TaloComReceiver: feeds the ring from the terminal's port while the terminal
// is on. Each one-byte read is handed to the main thread (ReadOneByte), which
// is the only thread that uses the terminal's port; the byte is then pushed
// into the ring. 30 ms pause after every 258 bytes of a stream, 50 ms after a
// read that found nothing.

#include "talothread.h"

#include <atomic>
#include <cstdint>

class TaloComPort;
class TaloDataRing;

class TaloComReceiver : public TaloThread {
 public:
  static constexpr int kBurstBytes = 256;
  static constexpr int kBurstPauseMs = 30;
  static constexpr int kIdleSleepMs = 50;

  explicit TaloComReceiver(TaloDataRing* ring);
  ~TaloComReceiver() override;

  // Main thread only. Null while the terminal is off: a read already handed
  // over then does nothing.
  void SetPort(TaloComPort* port) { Port = port; }
  TaloComPort* GetPort() const { return Port; }

  // Runs on the main thread: one read of one byte from Port.
  void ReadOneByte();

  // Counters for tests and measurements.
  uint64_t ReadCount() const { return Reads.load(); }
  uint64_t PushCount() const { return Pushes.load(); }

 protected:
  void Execute() override;

 private:
  TaloDataRing* Ring;
  TaloComPort* Port = nullptr;  // main thread only
  uint8_t LastByte = 0;         // main thread writes, worker reads after Synchronize
  bool GotByte = false;
  int Counter = 0;              // worker only; lives as long as the thread
  std::atomic<uint64_t> Reads{0};
  std::atomic<uint64_t> Pushes{0};
};
