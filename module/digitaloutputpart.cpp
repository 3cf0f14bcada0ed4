#include "module/digitaloutputpart.h"

#include "module/moduleprotocol.h"

DigitalOutputPart::DigitalOutputPart(TaloComPort* port, std::string_view address)
    : Port(port), Address(ModuleProtocol::Code(address)) {}

void DigitalOutputPart::SetAddress(std::string_view address) {
  Address = ModuleProtocol::Code(address);
}

bool DigitalOutputPart::WriteOutputs(const std::string& p1, const std::string& p2) {
  std::string reply;
  return ModuleProtocol::Exchange(
      Port, ModuleProtocol::Format("#%s%s%s\r", Address.c_str(), p1.c_str(), p2.c_str()), reply);
}
