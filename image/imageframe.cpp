#include "image/imageframe.h"

#include <cstring>
#include <string_view>
#include <utility>

namespace {

// The two byte tables of the Modbus RTU standard, built once: the high and
// the low byte of the CRC after one byte has been shifted through it.
struct CrcTables {
  std::array<uint8_t, 256> High{};
  std::array<uint8_t, 256> Low{};
  constexpr CrcTables() {
    for (unsigned i = 0; i < 256; ++i) {
      unsigned crc = i;
      for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
      High[i] = static_cast<uint8_t>(crc >> 8);
      Low[i] = static_cast<uint8_t>(crc & 0xFF);
    }
  }
};

constexpr CrcTables kTables;

}  // namespace

uint16_t Crc16(const uint8_t* bytes, size_t length) {
  uint8_t low = 0xFF;
  uint8_t high = 0xFF;
  for (size_t i = 0; i < length; ++i) {
    const uint8_t index = low ^ bytes[i];
    low = high ^ kTables.Low[index];
    high = kTables.High[index];
  }
  return static_cast<uint16_t>(high << 8 | low);
}

bool CheckCrc(uint8_t* frame, size_t* length) {
  if (*length <= 2) return false;
  const size_t payload = *length - 2;
  const uint16_t crc = Crc16(frame, payload);
  if (frame[payload] != (crc & 0xFF) || frame[payload + 1] != (crc >> 8)) return false;
  frame[payload] = 0;
  frame[payload + 1] = 0;
  *length = payload;
  return true;
}

bool IsReadyReply(const uint8_t* reply) {
  return std::memcmp(reply, "111", 3) == 0 || std::memcmp(reply, "444", 3) == 0;
}

bool IsShellText(const uint8_t* frame, size_t length) {
  if (length == 0) return false;
  for (size_t i = 0; i < length; ++i) {
    const uint8_t byte = frame[i];
    const bool text = (byte >= 0x20 && byte < 0x7F) || byte == '\r' || byte == '\n' || byte == '\t';
    if (!text) return false;
  }
  return true;
}

bool HoldsShellTalk(const uint8_t* bytes, size_t length) {
  const std::string_view text(reinterpret_cast<const char*>(bytes), length);
  return text.find_first_of("\r\n") != std::string_view::npos ||
         text.find("C:\\") != std::string_view::npos || text.find("D:\\") != std::string_view::npos;
}
