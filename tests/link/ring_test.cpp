// TaloDataRing: order, overflow and wrap-around.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "link/terminal/talodataring.h"

namespace {
std::vector<uint8_t> PopAll(TaloDataRing& ring) {
  std::vector<uint8_t> out;
  uint8_t byte = 0;
  while (ring.Pop(byte)) out.push_back(byte);
  return out;
}
std::vector<uint8_t> Sequence(int from, int count) {
  std::vector<uint8_t> out;
  for (int i = 0; i < count; ++i) out.push_back(static_cast<uint8_t>(from + i));
  return out;
}
}  // namespace

TEST(DataRing, emptyRingPopsNothingAndLeavesTheByte) {
  TaloDataRing ring;
  uint8_t byte = 0xAA;
  EXPECT_FALSE(ring.Pop(byte));
  EXPECT_EQ(byte, 0xAA);
}

TEST(DataRing, holds4095BytesInOrder) {
  TaloDataRing ring;
  for (const uint8_t b : Sequence(0, 4095)) ring.Push(b);
  EXPECT_EQ(PopAll(ring), Sequence(0, 4095));
  EXPECT_EQ(ring.DroppedBytes(), 0u);
}

TEST(DataRing, overflowDropsTheOldestUnreadBytes) {
  TaloDataRing ring;
  for (const uint8_t b : Sequence(1, 4096)) ring.Push(b);
  EXPECT_EQ(PopAll(ring), Sequence(2, 4095)) << "byte 1 lost, 2..4096 kept";

  for (const uint8_t b : Sequence(0, 10000)) ring.Push(b);
  EXPECT_EQ(PopAll(ring), Sequence(10000 - 4095, 4095)) << "always the newest 4095";
}

TEST(DataRing, orderSurvivesManyWrapArounds) {
  TaloDataRing ring;
  uint32_t pushed = 0, popped = 0;
  for (int round = 0; round < 50; ++round) {
    const int n = 1000 + 37 * round;  // uneven steps move the positions around the circle
    for (int i = 0; i < n; ++i) ring.Push(static_cast<uint8_t>(pushed++ % 251));
    for (int i = 0; i < n - 3; ++i) {
      uint8_t byte = 0;
      ASSERT_TRUE(ring.Pop(byte));
      ASSERT_EQ(byte, popped++ % 251);
    }
  }
  EXPECT_EQ(ring.DroppedBytes(), 0u);
}

TEST(DataRing, concurrentProducerAndConsumerKeepOrder) {
  TaloDataRing ring;
  constexpr int kBytes = 200000;
  std::thread producer([&] {
    for (int i = 0; i < kBytes; ++i) ring.Push(static_cast<uint8_t>(i % 253));
  });
  // Overflow may drop bytes, but what arrives keeps the order: each byte
  // follows its predecessor's position in the sequence.
  int last = -1, received = 0;
  bool ordered = true;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    uint8_t byte = 0;
    if (!ring.Pop(byte)) {
      if (received + static_cast<int>(ring.DroppedBytes()) >= kBytes) break;
      std::this_thread::yield();
      continue;
    }
    if (last >= 0 && byte != (last + 1) % 253 && ring.DroppedBytes() == 0) ordered = false;
    last = byte;
    ++received;
  }
  producer.join();
  EXPECT_TRUE(ordered);
  EXPECT_EQ(received + static_cast<int>(ring.DroppedBytes()), kBytes);
}
