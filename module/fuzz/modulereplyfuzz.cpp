// A module's reply from the line to the panel: arbitrary bytes, the first of
// which switches checksums on (odd) or off.
// - The reply check: an accepted reply has the module's form, and checksums
//   round-trip: any non-empty text that AppendChecksum completes is accepted
//   by VerifyChecksum and given back as it was.
// - Then, as the 64-character buffer holds it, through the configuration
//   codes, the status split and the panel's lamps: codes are never longer
//   than two characters, a status read is good only with two hex digits for
//   each byte, and the lamps then show those bytes' bits.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "module/diomodule.h"
#include "module/diopanelstate.h"
#include "module/moduleprotocol.h"

namespace {

using ModuleProtocol::Checksums;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

int HexValue(const std::string& text) { return std::stoi(text, nullptr, 16); }

// The reply check and the checksum helpers on the whole input.
void CheckReplyForm(const std::string& received, Checksums checksums) {
  std::string reply = received;
  if (ModuleProtocol::AcceptReply(reply, '\r', checksums)) {
    Require(received.front() == '!' || received.front() == '>');
    Require(received.back() == '\r' && reply.back() == '\r');
    if (checksums == Checksums::Off) Require(reply == received);
    if (checksums == Checksums::On) {
      // The two digits stood for the sum of what is left.
      Require(reply.size() + 2 == received.size());
      Require(received.compare(0, reply.size() - 1, reply, 0, reply.size() - 1) == 0);
      std::string again = reply;
      ModuleProtocol::AppendChecksum(again);
      std::string digits = received.substr(received.size() - 3, 2);
      for (char& c : digits)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
      Require(again.substr(again.size() - 3, 2) == digits);
    }
  }

  const int sum = ModuleProtocol::Checksum(received);
  Require(sum >= 0 && sum <= 255);

  // Whatever the text, the checksum it is given is the one it is checked by
  // (a reply has at least its first character before the digits).
  if (received.empty()) return;
  std::string sealed = received + '\r';
  ModuleProtocol::AppendChecksum(sealed);
  Require(ModuleProtocol::VerifyChecksum(sealed));
  Require(sealed == received + '\r');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const Checksums checksums = (data[0] & 1) != 0 ? Checksums::On : Checksums::Off;
  const std::string received(reinterpret_cast<const char*>(data + 1), size - 1);
  CheckReplyForm(received, checksums);

  std::string reply = received;
  if (reply.size() >= ModuleProtocol::kReplyLimit) reply.resize(ModuleProtocol::kReplyLimit - 1);
  if (!ModuleProtocol::AcceptReply(reply, '\r', checksums)) return 0;

  // "$AA2": the configuration codes, and the data format's bits after them.
  if (const std::optional<ModuleProtocol::ConfigurationCodes> codes =
          ModuleProtocol::ParseConfigurationReply(reply)) {
    Require(codes->Type.size() <= 2 && codes->Baud.size() <= 2 && codes->Format.size() <= 2);
    DioModule module(nullptr, "01");
    module.SetDataFormat(codes->Format);
    std::string bit;
    for (int i = 0; i < 8; ++i) {
      module.SetFormatBit(i, i % 2 ? "1" : "0");
      Require(module.GetFormatBit(i, bit) && bit == (i % 2 ? "1" : "0"));
    }
    Require(module.DataFormat() == "AA");
  }

  // "$AA6": the status and the panel.
  const std::string status = ModuleProtocol::ReplyBody(reply);
  Require(status.size() + 2 <= reply.size());
  DioReading reading;
  reading.Ok = DioModule::SplitStatus(status, reading.DOByte, reading.DIByte);
  DioPanelState panel;
  panel.Apply(reading);
  if (reading.Ok) {
    const int outputs = HexValue(reading.DOByte);
    const int inputs = HexValue(reading.DIByte);
    for (int i = 0; i < 4; ++i) {
      Require(panel.DOOn(i) == (((outputs >> i) & 1) != 0));
      Require(panel.DIOn(i) == (((inputs >> i) & 1) != 0));
    }
    Require(panel.HexText().size() == 6);
  }
  return 0;
}
