#pragma once
// TaloDataRing: received bytes between the receiver and the console output
// thread. 4096 cells, one always free (4095 unread bytes at most); a push into
// a full ring drops the oldest unread byte. The lock is held only inside Push
// and Pop, which neither block nor allocate.

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

class TaloDataRing {
 public:
  static constexpr size_t kCells = 4096;

  bool Push(uint8_t byte);
  bool Pop(uint8_t& byte);
  // Bytes dropped by overflow since construction (for measurements only).
  uint64_t DroppedBytes() const;

 private:
  std::array<uint8_t, kCells> Cells{};
  size_t WritePos = 0;
  size_t ReadPos = 0;
  uint64_t Dropped = 0;
  mutable std::mutex Lock;
};
