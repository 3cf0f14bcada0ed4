#include "module/digitalinputpart.h"

#include "module/moduleprotocol.h"

DigitalInputPart::DigitalInputPart(TaloComPort* port, std::string_view address)
    : Port(port), Address(ModuleProtocol::Code(address)) {}

void DigitalInputPart::SetAddress(std::string_view address) {
  Address = ModuleProtocol::Code(address);
}

bool DigitalInputPart::ReadStatus(std::string& out) {
  out.clear();
  std::string reply;
  if (!ModuleProtocol::Exchange(Port, ModuleProtocol::Format("$%s6\r", Address.c_str()), reply))
    return false;
  out = ModuleProtocol::ReplyBody(reply);
  return true;
}
