#include "module/diomodule.h"

#include <cctype>

#include "module/moduleprotocol.h"

namespace {

bool IsHexByte(const std::string& text) {
  return text.size() == 2 && std::isxdigit(static_cast<unsigned char>(text[0])) &&
         std::isxdigit(static_cast<unsigned char>(text[1]));
}

}  // namespace

DioModule::DioModule(TaloComPort* port, std::string_view address)
    : ModuleLink(port, address), DigitalIn(port, address), DigitalOut(port, address) {}

void DioModule::SetAddress(std::string_view address) {
  ModuleLink::SetAddress(address);
  DigitalIn.SetAddress(address);
  DigitalOut.SetAddress(address);
}

bool DioModule::ReadDIO(std::string& doByte, std::string& diByte) {
  doByte.clear();
  diByte.clear();
  std::string status;
  if (!DigitalIn.ReadStatus(status)) return false;
  return SplitStatus(status, doByte, diByte);
}

bool DioModule::SplitStatus(const std::string& status, std::string& doByte, std::string& diByte) {
  doByte = status.substr(0, 2);
  diByte = status.size() > 2 ? status.substr(2, 2) : std::string();
  return IsHexByte(doByte) && IsHexByte(diByte);
}

bool DioModule::WriteDOChannel(int channel, const std::string& value) {
  return DigitalOut.WriteOutputs(ModuleProtocol::Format("1%X", static_cast<unsigned>(channel)),
                                 ModuleProtocol::Format("0%s", value.c_str()));
}
