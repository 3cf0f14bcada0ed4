#pragma once
// DigitalInputPart: the input part of a module - the "$AA6" status read.
// The port is borrowed; one thread at a time (see ModuleLink).

#include <string>
#include <string_view>

class TaloComPort;

class DigitalInputPart {
 public:
  DigitalInputPart(TaloComPort* port, std::string_view address);

  void SetAddress(std::string_view address);
  const std::string& ModuleAddress() const { return Address; }

  // out = the reply without its first character and its final CR. False
  // (out empty) when the exchange fails.
  [[nodiscard]] bool ReadStatus(std::string& out);

 private:
  TaloComPort* Port;
  std::string Address;
};
