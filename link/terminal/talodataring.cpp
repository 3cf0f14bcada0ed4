#include "link/terminal/talodataring.h"

void TaloDataRing::PushLocked(uint8_t byte) {
  Cells[WritePos] = byte;
  WritePos = (WritePos + 1) % kCells;
  if (WritePos == ReadPos) {
    // Full: the newest byte wins, the oldest unread one is dropped.
    ReadPos = (ReadPos + 1) % kCells;
    ++Dropped;
  }
}

bool TaloDataRing::Push(uint8_t byte) {
  std::lock_guard lock(Lock);
  PushLocked(byte);
  return true;
}

void TaloDataRing::Push(const uint8_t* bytes, size_t count) {
  std::lock_guard lock(Lock);
  for (size_t i = 0; i < count; ++i) PushLocked(bytes[i]);
}

bool TaloDataRing::Pop(uint8_t& byte) { return Pop(&byte, 1) == 1; }

size_t TaloDataRing::Pop(uint8_t* buffer, size_t limit) {
  std::lock_guard lock(Lock);
  size_t taken = 0;
  while (taken < limit && ReadPos != WritePos) {
    buffer[taken++] = Cells[ReadPos];
    ReadPos = (ReadPos + 1) % kCells;
  }
  return taken;
}

size_t TaloDataRing::Room() const {
  std::lock_guard lock(Lock);
  return kCells - 1 - (WritePos + kCells - ReadPos) % kCells;
}

uint64_t TaloDataRing::DroppedBytes() const {
  std::lock_guard lock(Lock);
  return Dropped;
}
