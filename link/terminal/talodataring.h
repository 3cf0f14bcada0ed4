#pragma once
// TaloDataRing: received bytes between the receiver and the console output
// thread. 4096 cells, one always free (4095 unread bytes at most); a push into
// a full ring drops the oldest unread byte. The receiver never pushes more
// than Room(), so on the terminal's path nothing is dropped: bytes the ring
// cannot take wait in the port. The lock is held only inside Push, Pop and
// Room, which neither block nor allocate.

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

class TaloDataRing {
 public:
  static constexpr size_t kCells = 4096;

  bool Push(uint8_t byte);
  // As Push for each byte, under one lock.
  void Push(const uint8_t* bytes, size_t count);
  bool Pop(uint8_t& byte);
  // Takes up to limit unread bytes, oldest first; returns how many.
  size_t Pop(uint8_t* buffer, size_t limit);
  // Bytes a push can take now without dropping any.
  size_t Room() const;
  // Bytes dropped by overflow since construction (for measurements only).
  uint64_t DroppedBytes() const;

 private:
  void PushLocked(uint8_t byte);

  std::array<uint8_t, kCells> Cells{};
  size_t WritePos = 0;
  size_t ReadPos = 0;
  uint64_t Dropped = 0;
  mutable std::mutex Lock;
};
