#include "link/terminal/talodataring.h"

bool TaloDataRing::Push(uint8_t byte) {
  std::lock_guard lock(Lock);
  Cells[WritePos] = byte;
  WritePos = (WritePos + 1) % kCells;
  if (WritePos == ReadPos) {
    // Full: the newest byte wins, the oldest unread one is dropped.
    ReadPos = (ReadPos + 1) % kCells;
    ++Dropped;
  }
  return true;
}

bool TaloDataRing::Pop(uint8_t& byte) {
  std::lock_guard lock(Lock);
  if (ReadPos == WritePos) return false;
  byte = Cells[ReadPos];
  ReadPos = (ReadPos + 1) % kCells;
  return true;
}

uint64_t TaloDataRing::DroppedBytes() const {
  std::lock_guard lock(Lock);
  return Dropped;
}
