#include "module/moduleprotocol.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>

#include "link/port/talocomport.h"

namespace ModuleProtocol {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

int Checksum(std::string_view text) {
  // The plain byte sum: summing signed characters would give a negative value
  // for bytes above 127 and print as eight hex digits instead of two.
  unsigned sum = 0;
  for (const char c : text) sum += static_cast<unsigned char>(c);
  return static_cast<int>(sum % 256);
}

void AppendChecksum(std::string& text) {
  if (!text.empty()) text.pop_back();
  char digits[4];
  std::snprintf(digits, sizeof digits, "%02X\r", Checksum(text));
  text += digits;
}

bool VerifyChecksum(std::string& reply) {
  if (reply.size() < 4) return false;
  const size_t at = reply.size() - 3;
  const int high = HexDigit(reply[at]);
  const int low = HexDigit(reply[at + 1]);
  reply.resize(at);
  if (high < 0 || low < 0) return false;
  if (high * 16 + low != Checksum(reply)) return false;
  reply.push_back('\r');
  return true;
}

bool AcceptReply(std::string& reply, uint8_t terminator, Checksums checksums) {
  const bool valid = !reply.empty() && (reply.front() == '!' || reply.front() == '>') &&
                     static_cast<uint8_t>(reply.back()) == terminator;
  if (!valid) return false;
  return checksums == Checksums::On ? VerifyChecksum(reply) : true;
}

bool ModuleCommand(TaloComPort& port, std::string command, size_t limit, std::string* reply,
                   Checksums checksums) {
  if (checksums == Checksums::On) AppendChecksum(command);
  if (!port.WriteText(command)) return false;
  if (!reply) return false;
  if (!port.ReadLine(limit, *reply)) return false;
  return AcceptReply(*reply, port.GetTerminator(), checksums);
}

bool Exchange(TaloComPort* port, const std::string& command, std::string& reply) {
  reply.clear();
  return port && ModuleCommand(*port, command, kReplyLimit, &reply);
}

std::string Code(std::string_view text) { return std::string(text.substr(0, 2)); }

std::string Format(const char* format, ...) {
  char text[kReplyLimit];
  va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  return length < 0 ? std::string() : std::string(text);
}

unsigned ReadHex(std::string_view text) {
  unsigned value = 0;
  for (const char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) break;
    const int digit = std::isdigit(static_cast<unsigned char>(c))
                          ? c - '0'
                          : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
    value = (value << 4) | static_cast<unsigned>(digit);
    if (value > 0xFFFF) break;  // a byte is all anyone reads this way
  }
  return value;
}

std::optional<ConfigurationCodes> ParseConfigurationReply(std::string_view reply) {
  if (reply.empty() || reply.front() != '!') return std::nullopt;  // ">" carries no codes
  // "!AATTCCFF" without its CR; positions past a short reply give short texts.
  const std::string_view body = reply.substr(0, reply.size() - 1);
  auto field = [&body](size_t at) { return at < body.size() ? body.substr(at, 2) : std::string_view(); };
  return ConfigurationCodes{Code(field(3)), Code(field(5)), Code(field(7))};
}

std::string ReplyBody(std::string_view reply) {
  if (reply.size() < 2) return {};
  return std::string(reply.substr(1, reply.size() - 2));
}

}  // namespace ModuleProtocol
