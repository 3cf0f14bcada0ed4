#include "module/talo7kbase.h"

#include <optional>

#include "module/moduleprotocol.h"

using ModuleProtocol::Code;

Talo7KBase::Talo7KBase(TaloComPort* port, std::string_view address)
    : Address(Code(address)), ComPort(port) {}

void Talo7KBase::SetAddress(std::string_view address) {
  Previous = Address;
  Address = Code(address);
}

void Talo7KBase::SetTypeCode(std::string_view code) { Type = Code(code); }
void Talo7KBase::SetBaudCode(std::string_view code) { Baud = Code(code); }
void Talo7KBase::SetDataFormat(std::string_view format) { Format = Code(format); }

void Talo7KBase::SetFormatBits1To0(std::string_view bits) { SetBits(1, 2, bits); }
void Talo7KBase::SetFormatBit2(std::string_view bit) { SetBits(2, 1, bit); }
void Talo7KBase::SetFormatBits5To2(std::string_view bits) { SetBits(5, 4, bits); }
void Talo7KBase::SetFormatBit6(std::string_view bit) { SetBits(6, 1, bit); }
void Talo7KBase::SetFormatBit7(std::string_view bit) { SetBits(7, 1, bit); }
void Talo7KBase::SetFormatBit2B(std::string_view bit) { SetFormatBit2(bit); }

void Talo7KBase::SetFormatBit(int bit, std::string_view text) {
  if (bit < 0 || bit > 7) return;
  unsigned value = ModuleProtocol::ReadHex(Format) & ~(1u << bit);
  if (!text.empty() && text.front() == '1') value |= 1u << bit;
  Format = ModuleProtocol::Format("%02X", value & 0xFF);
}

void Talo7KBase::SetBits(int highest, int count, std::string_view text) {
  // A text shorter than the bits it stands for clears the bits it lacks.
  for (int i = 0; i < count; ++i)
    SetFormatBit(highest - i, i < static_cast<int>(text.size()) ? text.substr(i, 1) : "");
}

bool Talo7KBase::GetTypeCode(std::string& out) {
  if (Type.empty()) (void)ReadConfiguration();
  out = Type;
  return true;
}

bool Talo7KBase::GetBaudCode(std::string& out) {
  if (Baud.empty()) (void)ReadConfiguration();
  out = Baud;
  return true;
}

bool Talo7KBase::GetFormatBits1To0(std::string& out) { return GetBits(1, 2, out); }
bool Talo7KBase::GetFormatBit2(std::string& out) { return GetFormatBit(2, out); }
bool Talo7KBase::GetFormatBits5To2(std::string& out) { return GetBits(5, 4, out); }
bool Talo7KBase::GetFormatBit6(std::string& out) { return GetFormatBit(6, out); }
bool Talo7KBase::GetFormatBit7(std::string& out) { return GetFormatBit(7, out); }
bool Talo7KBase::GetFormatBit2B(std::string& out) { return GetFormatBit2(out); }

bool Talo7KBase::GetFormatBit(int bit, std::string& out) {
  if (Format.empty()) (void)ReadConfiguration();
  if (Format.empty() || bit < 0 || bit > 7) return false;
  out = (ModuleProtocol::ReadHex(Format) >> bit) & 1 ? "1" : "0";
  return true;
}

bool Talo7KBase::GetBits(int highest, int count, std::string& out) {
  out.clear();
  bool all = true;
  for (int i = 0; i < count; ++i) {
    std::string one;
    all = GetFormatBit(highest - i, one) && all;
    out += one.empty() ? "0" : one;
  }
  return all;
}

bool Talo7KBase::ReadConfiguration() {
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

bool Talo7KBase::SendOL() {
  std::string reply;
  return ModuleProtocol::Exchange(ComPort, ModuleProtocol::Format("#%sOL\r", Address.c_str()), reply);
}
