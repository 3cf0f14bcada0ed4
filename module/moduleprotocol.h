#pragma once
// ModuleProtocol: the I/O modules' ASCII command line on a borrowed port -
// framing, checksums, the judgement of a reply - and the helpers the module
// classes build their commands and read their replies with.
//
// Principles of operation
// - A command is one line: "$" or "#", the two-digit hexadecimal address, a
//   command code, CR. The module answers one line beginning with "!" (or
//   ">" for a command that only acknowledges) and ending with the port's
//   terminator (CR). A module's error answer begins with "?" and fails like
//   a time-out does.
// - ModuleCommand writes the command (the port discards unread input first)
//   and reads the reply up to the terminator within a limit; the reply is
//   accepted only in the form above. Checksums (two upper-case hex digits of
//   the byte sum before the CR) are off in this system: the modules are
//   reached through the controller's simulation program, which sends none.
//   With them on, a command gets its digits and a reply must carry the right
//   ones, which are then stripped.
// - Everything but ModuleCommand and Exchange is pure. The port is borrowed,
//   never closed; one thread at a time, the one that uses the port.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class TaloComPort;

namespace ModuleProtocol {

// Every reply is read into a buffer of 64 characters: at most 63 are kept.
inline constexpr size_t kReplyLimit = 64;

enum class Checksums { Off, On };

// The byte sum of text modulo 256, bytes counted unsigned.
int Checksum(std::string_view text);
// "$016\r" -> "$016BB\r". The text must end with the carriage return.
void AppendChecksum(std::string& text);
// The two hex digits before the final character must be the sum of what
// comes before them; they and the final character go, and a CR ends what is
// left when they match. False on a mismatch (the reply is shortened anyway).
bool VerifyChecksum(std::string& reply);
// Judges a reply as read (terminator included): it must begin with "!" or
// ">" and end with the terminator, and with checksums on carry the right
// ones, which are then stripped as VerifyChecksum does.
bool AcceptReply(std::string& reply, uint8_t terminator, Checksums checksums);
// Sends one command and reads its reply (limit as for TaloComPort::ReadLine).
// reply may be null, which fails after the write.
[[nodiscard]] bool ModuleCommand(TaloComPort& port, std::string command, size_t limit,
                                 std::string* reply, Checksums checksums = Checksums::Off);
// ModuleCommand with the 64-character reply buffer; false when there is no
// port or the exchange fails. reply is the line as read, CR included.
bool Exchange(TaloComPort* port, const std::string& command, std::string& reply);

// The first two characters of text.
std::string Code(std::string_view text);
// printf into a string; the module commands are built from their formats.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The value of the leading hexadecimal digits of text (0 when there are none).
unsigned ReadHex(std::string_view text);

// The three codes of a configuration reply "!AATTCCFF" + CR: two characters
// each, shorter or empty where the reply is short.
struct ConfigurationCodes {
  std::string Type;
  std::string Baud;
  std::string Format;
};
// None for a reply that carries no codes: empty, or one that only
// acknowledges (">").
std::optional<ConfigurationCodes> ParseConfigurationReply(std::string_view reply);
// A reply without its first character and its final CR (empty when it is
// shorter than that).
std::string ReplyBody(std::string_view reply);

}  // namespace ModuleProtocol
