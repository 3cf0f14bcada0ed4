#include "module/talo7kdigitalinput.h"

#include "module/moduleprotocol.h"

Talo7KDigitalInput::Talo7KDigitalInput(TaloComPort* port, std::string_view address)
    : Port(port), Address(ModuleProtocol::Code(address)) {}

void Talo7KDigitalInput::SetAddress(std::string_view address) {
  Address = ModuleProtocol::Code(address);
}

bool Talo7KDigitalInput::ReadStatus(std::string& out) {
  out.clear();
  std::string reply;
  if (!ModuleProtocol::Exchange(Port, ModuleProtocol::Format("$%s6\r", Address.c_str()), reply))
    return false;
  out = ModuleProtocol::ReplyBody(reply);
  return true;
}
