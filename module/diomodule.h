#pragma once
// DioModule: the embedded 4-input, 4-output module, made of the module base
// and one input and one output part on the same port and address.
//
// Principles of operation
// - ReadDIO reads the status "!" DO DI ... CR and gives the output byte and
//   the input byte as two hexadecimal digits each (bit i is channel i).
//   It is true only when both are two hexadecimal digits: a reply that is
//   short or garbled is a failed read, so a caller never takes it for
//   "everything off".
// - WriteDOChannel switches one output: "#AA1C0V" for channel C, value V.
// - The port is borrowed; one thread at a time (see ModuleLink).

#include <string>
#include <string_view>

#include "module/digitalinputpart.h"
#include "module/digitaloutputpart.h"
#include "module/modulelink.h"

class DioModule : public ModuleLink {
 public:
  DioModule(TaloComPort* port, std::string_view address);

  // Sets the address of the base (keeping the previous one) and of both parts.
  void SetAddress(std::string_view address) override;

  // doByte, diByte: the first two and the next two characters of the status
  // (shorter when the reply is). False when the read fails or either is not
  // two hexadecimal digits.
  [[nodiscard]] bool ReadDIO(std::string& doByte, std::string& diByte);
  // value: "1" on, "0" off.
  [[nodiscard]] bool WriteDOChannel(int channel, const std::string& value);
  // ReadDIO's judgement of a status text (the reply's body): the two bytes
  // as ReadDIO gives them, true when both are two hexadecimal digits.
  static bool SplitStatus(const std::string& status, std::string& doByte, std::string& diByte);

  DigitalInputPart DigitalIn;
  DigitalOutputPart DigitalOut;
};
