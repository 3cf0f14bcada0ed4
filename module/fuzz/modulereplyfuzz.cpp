// A module's reply from the line to the panel: arbitrary bytes, the first of
// which switches checksums on (odd) or off, through the reply check, the
// configuration codes, the status split and the panel's lamps. Codes are
// never longer than two characters, a status read is good only with two hex
// digits for each byte, and the lamps then show those bytes' bits.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "diopanelstate.h"
#include "talo7kbase.h"
#include "talocomport.h"
#include "talom7101.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

int HexValue(const std::string& text) { return std::stoi(text, nullptr, 16); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool checksums = (data[0] & 1) != 0;
  std::string reply(reinterpret_cast<const char*>(data + 1), size - 1);
  if (reply.size() >= ModuleProtocol::kReplyLimit) reply.resize(ModuleProtocol::kReplyLimit - 1);
  if (!TaloComPort::AcceptModuleReply(reply, '\r', checksums)) return 0;

  // "$AA2": the configuration codes, and the data format's bits after them.
  if (const std::optional<ModuleProtocol::ConfigurationCodes> codes =
          ModuleProtocol::ParseConfigurationReply(reply)) {
    Require(codes->Type.size() <= 2 && codes->Baud.size() <= 2 && codes->Format.size() <= 2);
    TaloM7101 module(nullptr, "01");
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
  reading.Ok = TaloM7101::SplitStatus(status, reading.DOByte, reading.DIByte);
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
