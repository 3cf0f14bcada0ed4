#pragma once
// DigitalOutputPart: the output part of a module - "#AA" followed by two
// parameters. The port is borrowed; one thread at a time (see ModuleLink).

#include <string>
#include <string_view>

class TaloComPort;

class DigitalOutputPart {
 public:
  DigitalOutputPart(TaloComPort* port, std::string_view address);

  void SetAddress(std::string_view address);
  const std::string& ModuleAddress() const { return Address; }

  // "#" AA p1 p2 CR; true when the module acknowledged it.
  [[nodiscard]] bool WriteOutputs(const std::string& p1, const std::string& p2);

 private:
  TaloComPort* Port;
  std::string Address;
};
