#include "module/talo7kdigitaloutput.h"

#include "module/moduleprotocol.h"

Talo7KDigitalOutput::Talo7KDigitalOutput(TaloComPort* port, std::string_view address)
    : Port(port), Address(ModuleProtocol::Code(address)) {}

void Talo7KDigitalOutput::SetAddress(std::string_view address) {
  Address = ModuleProtocol::Code(address);
}

bool Talo7KDigitalOutput::WriteOutputs(const std::string& p1, const std::string& p2) {
  std::string reply;
  return ModuleProtocol::Exchange(
      Port, ModuleProtocol::Format("#%s%s%s\r", Address.c_str(), p1.c_str(), p2.c_str()), reply);
}
