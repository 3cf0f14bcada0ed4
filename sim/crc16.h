#pragma once
// CRC-16/MODBUS of the image helpers' frames: initial value 0xFFFF,
// reflected polynomial 0xA001, no final XOR, sent low byte first.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace talosim {

uint16_t Crc16Modbus(const uint8_t* bytes, size_t length);
uint16_t Crc16Modbus(std::string_view bytes);

// The bytes followed by their CRC, low byte first.
std::string WithCrc(std::string_view payload);

// True when the last two bytes are the CRC of the bytes before them.
bool HasGoodCrc(std::string_view frame);

}  // namespace talosim
