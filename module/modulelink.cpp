#include "module/modulelink.h"

#include <optional>

#include "module/moduleprotocol.h"

using ModuleProtocol::Code;

ModuleLink::ModuleLink(TaloComPort* port, std::string_view address)
    : Address(Code(address)), ComPort(port) {}

void ModuleLink::SetAddress(std::string_view address) {
  Previous = Address;
  Address = Code(address);
}

void ModuleLink::SetTypeCode(std::string_view code) { Type = Code(code); }
void ModuleLink::SetBaudCode(std::string_view code) { Baud = Code(code); }
void ModuleLink::SetDataFormat(std::string_view format) { Format = Code(format); }

void ModuleLink::SetFormatBits1To0(std::string_view bits) { SetBits(1, 2, bits); }
void ModuleLink::SetFormatBit2(std::string_view bit) { SetBits(2, 1, bit); }
void ModuleLink::SetFormatBits5To2(std::string_view bits) { SetBits(5, 4, bits); }
void ModuleLink::SetFormatBit6(std::string_view bit) { SetBits(6, 1, bit); }
void ModuleLink::SetFormatBit7(std::string_view bit) { SetBits(7, 1, bit); }
void ModuleLink::SetFormatBit2B(std::string_view bit) { SetFormatBit2(bit); }

void ModuleLink::SetFormatBit(int bit, std::string_view text) {
  if (bit < 0 || bit > 7) return;
  unsigned value = ModuleProtocol::ReadHex(Format) & ~(1u << bit);
  if (!text.empty() && text.front() == '1') value |= 1u << bit;
  Format = ModuleProtocol::Format("%02X", value & 0xFF);
}

void ModuleLink::SetBits(int highest, int count, std::string_view text) {
  // A text shorter than the bits it stands for clears the bits it lacks.
  for (int i = 0; i < count; ++i)
    SetFormatBit(highest - i, i < static_cast<int>(text.size()) ? text.substr(i, 1) : "");
}

bool ModuleLink::GetTypeCode(std::string& out) {
  if (Type.empty()) (void)ReadConfiguration();
  out = Type;
  return true;
}

bool ModuleLink::GetBaudCode(std::string& out) {
  if (Baud.empty()) (void)ReadConfiguration();
  out = Baud;
  return true;
}

bool ModuleLink::GetFormatBits1To0(std::string& out) { return GetBits(1, 2, out); }
bool ModuleLink::GetFormatBit2(std::string& out) { return GetFormatBit(2, out); }
bool ModuleLink::GetFormatBits5To2(std::string& out) { return GetBits(5, 4, out); }
bool ModuleLink::GetFormatBit6(std::string& out) { return GetFormatBit(6, out); }
bool ModuleLink::GetFormatBit7(std::string& out) { return GetFormatBit(7, out); }
bool ModuleLink::GetFormatBit2B(std::string& out) { return GetFormatBit2(out); }

bool ModuleLink::GetFormatBit(int bit, std::string& out) {
  if (Format.empty()) (void)ReadConfiguration();
  if (Format.empty() || bit < 0 || bit > 7) return false;
  out = (ModuleProtocol::ReadHex(Format) >> bit) & 1 ? "1" : "0";
  return true;
}

bool ModuleLink::GetBits(int highest, int count, std::string& out) {
  out.clear();
  bool all = true;
  for (int i = 0; i < count; ++i) {
    std::string one;
    all = GetFormatBit(highest - i, one) && all;
    out += one.empty() ? "0" : one;
  }
  return all;
}

bool ModuleLink::ReadConfiguration() {
  std::string reply;
  if (!ModuleProtocol::Exchange(ComPort, ModuleProtocol::Format("$%s2\r", Address.c_str()), reply))
    return false;
  const std::optional<ModuleProtocol::ConfigurationCodes> codes =
      ModuleProtocol::ParseConfigurationReply(reply);
  if (!codes) return false;
  Type = codes->Type;
  Baud = codes->Baud;
  Format = codes->Format;
  return true;
}

bool ModuleLink::SendOL() {
  std::string reply;
  return ModuleProtocol::Exchange(ComPort, ModuleProtocol::Format("#%sOL\r", Address.c_str()), reply);
}
