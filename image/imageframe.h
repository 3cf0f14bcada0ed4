#pragma once
// The checksum and the replies of the image exchange.
//
// Principles of operation
// - Every frame on the line is its payload followed by CRC-16/MODBUS of that
//   payload (initial value 0xFFFF, reflected polynomial 0xA001, no final
//   XOR), low byte first, as Modbus RTU sends it.
// - Replies are three ASCII digits with their CRC: 5 bytes.
// - Pure functions; any thread.

#include <array>
#include <cstddef>
#include <cstdint>

namespace ImageFrame {
inline constexpr size_t kReplyBytes = 5;
using Reply = std::array<uint8_t, kReplyBytes>;
// "111": block accepted / send the next one.
inline constexpr Reply kAccepted{'1', '1', '1', 0xF4, 0x4B};
// "666": the block's checksum was wrong, send it again.
inline constexpr Reply kResend{'6', '6', '6', 0x06, 0x78};
}  // namespace ImageFrame

// CRC-16/MODBUS of length bytes (0x4B37 for "123456789").
uint16_t Crc16(const uint8_t* bytes, size_t length);

// True when the last two of *length bytes are the CRC (low byte first) of the
// bytes before them; those two bytes are then zeroed and *length reduced by 2.
// False (nothing changed) for 2 bytes or fewer or a CRC that does not match.
bool CheckCrc(uint8_t* frame, size_t* length);

// The restore helper's reply (three digits, CRC not examined): "111" or
// "444" let the next block go; anything else is not a ready reply.
bool IsReadyReply(const uint8_t* reply);

// True when a frame that failed its CRC is text a shell prints (printable
// characters, blanks, line ends) rather than a damaged block: the backup
// helper did not start and the shell answered its command line instead.
// Any reply to it would be typed into that shell.
bool IsShellText(const uint8_t* frame, size_t length);

// True when bytes that came where a restore reply belongs hold what a shell
// prints - a line end or a prompt's "C:\" or "D:\" - rather than a reply:
// the helper has ended and the shell is talking.
bool HoldsShellTalk(const uint8_t* bytes, size_t length);
