// A module reply as the port's line read returns it: arbitrary bytes, the
// first of which switches checksums on (odd) or off. An accepted reply must
// have the module's form, and checksums must round-trip: any non-empty text
// that AppendChecksum completes is accepted by VerifyChecksum and given back as
// it was.
#include <cstddef>
#include <cstdint>
#include <string>

#include "talocomport.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool checksums = (data[0] & 1) != 0;
  const std::string received(reinterpret_cast<const char*>(data + 1), size - 1);

  std::string reply = received;
  const bool accepted = TaloComPort::AcceptModuleReply(reply, '\r', checksums);
  if (accepted) {
    Require(received.front() == '!' || received.front() == '>');
    Require(received.back() == '\r' && reply.back() == '\r');
    if (!checksums) Require(reply == received);
    if (checksums) {
      // The two digits stood for the sum of what is left.
      Require(reply.size() + 2 == received.size());
      Require(received.compare(0, reply.size() - 1, reply, 0, reply.size() - 1) == 0);
      std::string again = reply;
      TaloComPort::AppendChecksum(again);
      std::string digits = received.substr(received.size() - 3, 2);
      for (char& c : digits)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
      Require(again.substr(again.size() - 3, 2) == digits);
    }
  }

  const int sum = TaloComPort::Checksum(received);
  Require(sum >= 0 && sum <= 255);

  // Whatever the text, the checksum it is given is the one it is checked by
  // (a reply has at least its first character before the digits).
  if (received.empty()) return 0;
  std::string sealed = received + '\r';
  TaloComPort::AppendChecksum(sealed);
  std::string verified = sealed;
  TaloComPort port("fuzz");
  Require(port.VerifyChecksum(verified));
  Require(verified == received + '\r');
  return 0;
}
