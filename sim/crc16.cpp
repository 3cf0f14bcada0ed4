#include "sim/crc16.h"

#include <array>

namespace talosim {
namespace {

// Bitwise table built once; the helpers on the controller use the same
// reflected polynomial, so any frame the utility checks must match it.
constexpr std::array<uint16_t, 256> MakeTable() {
  std::array<uint16_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint16_t crc = static_cast<uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
    table[i] = crc;
  }
  return table;
}

constexpr auto kTable = MakeTable();

}  // namespace

uint16_t Crc16Modbus(const uint8_t* bytes, size_t length) {
  uint16_t crc = 0xFFFF;
  for (size_t i = 0; i < length; ++i) crc = static_cast<uint16_t>((crc >> 8) ^ kTable[(crc ^ bytes[i]) & 0xFF]);
  return crc;
}

uint16_t Crc16Modbus(std::string_view bytes) {
  return Crc16Modbus(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string WithCrc(std::string_view payload) {
  const uint16_t crc = Crc16Modbus(payload);
  std::string frame(payload);
  frame.push_back(static_cast<char>(crc & 0xFF));
  frame.push_back(static_cast<char>(crc >> 8));
  return frame;
}

bool HasGoodCrc(std::string_view frame) {
  if (frame.size() <= 2) return false;
  const uint16_t crc = Crc16Modbus(frame.substr(0, frame.size() - 2));
  return static_cast<uint8_t>(frame[frame.size() - 2]) == (crc & 0xFF) &&
         static_cast<uint8_t>(frame[frame.size() - 1]) == (crc >> 8);
}

}  // namespace talosim
